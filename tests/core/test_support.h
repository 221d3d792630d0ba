#pragma once
// Small helpers shared by the core tests: temporary folders and files, a recording debug sink.
#include "core/debug_sink.h"
#include "core/encoding.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace dg::test {

class TempDir {
public:
    TempDir()
    {
        std::string templ = (std::filesystem::temp_directory_path() / "dgtest-XXXXXX").string();
        m_path = ::mkdtemp(templ.data());
    }
    ~TempDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return m_path; }
    std::string file(const std::string& name, const std::string& bytes) const
    {
        const auto p = m_path / name;
        std::ofstream(p, std::ios::binary) << bytes;
        return p.string();
    }

private:
    std::filesystem::path m_path;
};

class RecordingSink : public DebugSink {
public:
    bool on = true;
    std::vector<std::string> lines;
    bool enabled() const override { return on; }
    void out(std::string_view text) override { lines.emplace_back(text); }
};

// Shift-JIS bytes of a UTF-8 literal.
inline std::string sj(const std::string& utf8)
{
    return encoding::utf8ToSjis(utf8);
}

} // namespace dg::test
