#pragma once
// The cut rule that turns a path into a node's folder name and level.
#include "core/report_kind.h"
#include "core/sjis.h"

#include <string_view>

namespace dg {

struct CutName {
    std::string_view name;
    unsigned level = 1;
};

// A root path of exactly three bytes ("C:\") becomes its drive ("C:"). Then, up to 256 times, the
// text after the first "\" (multi-byte aware in Shift-JIS text), at most 255 bytes of it, replaces
// the path and the level grows by one. Runs of "\" with nothing between them can take the level
// to 257.
inline CutName cutFolderName(std::string_view path, TextEncoding enc = TextEncoding::ShiftJis)
{
    const bool sjisText = enc == TextEncoding::ShiftJis;
    CutName cut;
    if (path.size() == 3)
        path = path.substr(0, 2);
    // One pass over the bytes instead of a search per level: after each "\" the path continues
    // from the next byte, its end moved in to 255 bytes when it was longer.
    std::size_t start = 0;
    std::size_t end = path.size();
    int cuts = 0;
    for (std::size_t i = 0; i < end;) {
        const auto c = static_cast<unsigned char>(path[i]);
        if (sjisText && sjis::isLeadByte(c) && i + 1 < end) {
            i += 2;
            continue;
        }
        if (c == '\\') {
            if (cuts == 256)
                break;
            ++cuts;
            ++cut.level;
            start = i + 1;
            if (end - start > 255)
                end = start + 255;
        }
        ++i;
    }
    cut.name = path.substr(start, end - start);
    return cut;
}

} // namespace dg
