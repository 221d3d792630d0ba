#pragma once
// The viewer's debug log and the sink the core writes its progress lines through. After every
// line the owner is told (afterOut), also when the write fails and throws: the log turns its
// switch off by itself when it cannot open a file, and the window's check mark follows it.
#include "core/debug_sink.h"
#include "core/scope_exit.h"
#include "diag/debug_log.h"

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <utility>

namespace dg::ui {

class ViewerDiagnostics : public DebugSink {
public:
    ViewerDiagnostics(std::filesystem::path logBase, std::function<void(const std::string&)> failureMessage,
                      std::function<void()> afterOut)
        : m_log(std::move(logBase), {}, std::move(failureMessage)), m_afterOut(std::move(afterOut))
    {
    }

    bool enabled() const override { return m_log.enabled(); }
    void out(std::string_view text) override
    {
        const ScopeExit after([this] {
            if (m_afterOut)
                m_afterOut();
        });
        m_log.out(text);
    }

    diag::DebugLog& log() { return m_log; }
    const diag::DebugLog& log() const { return m_log; }

private:
    diag::DebugLog m_log;
    std::function<void()> m_afterOut;
};

} // namespace dg::ui
