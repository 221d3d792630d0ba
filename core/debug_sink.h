#pragma once
// Where the core's progress lines go. The core never opens a log itself: the viewer and the
// command-line tools hand it a sink (diag::DebugLog), or nothing when logging is off.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace dg {

class DebugSink {
public:
    virtual ~DebugSink() = default;
    // False when lines would be dropped, so callers can skip building their text.
    virtual bool enabled() const = 0;
    // One line, Shift-JIS bytes as held, without a line end.
    virtual void out(std::string_view text) = 0;
};

// Writes the line when a sink is given and switched on.
inline void debugOut(DebugSink* sink, std::string_view text)
{
    if (sink && sink->enabled())
        sink->out(text);
}

// Debug lines kept to be written later, in order: lines written on another thread, which must
// appear where that work stands in the log.
class HeldDebugLines : public DebugSink {
public:
    explicit HeldDebugLines(bool on) : m_on(on) {}
    bool enabled() const override { return m_on; }
    void out(std::string_view text) override { m_lines.emplace_back(text); }
    std::vector<std::string> take() { return std::move(m_lines); }
    void replayTo(DebugSink* sink) const
    {
        for (const std::string& line : m_lines)
            debugOut(sink, line);
    }

private:
    bool m_on;
    std::vector<std::string> m_lines;
};

} // namespace dg
