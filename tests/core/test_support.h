#pragma once
// Small helpers shared by the core tests: temporary folders and files, a recording debug sink,
// line lists to and from plain vectors.
#include "core/debug_sink.h"
#include "core/encoding.h"
#include "core/line_list.h"
#include "tests/support/temp_dir.h"

#include <string>
#include <vector>

namespace dg::test {

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

inline std::vector<std::string> linesOf(const LineList& list)
{
    std::vector<std::string> out;
    for (std::size_t i = 0; i < list.size(); ++i)
        out.emplace_back(list[i]);
    return out;
}

inline LineList listOf(const std::vector<std::string>& lines)
{
    LineList list;
    for (const auto& l : lines)
        list.append(l);
    return list;
}

} // namespace dg::test
