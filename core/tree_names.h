#pragma once
// The cut rule that turns a path into a node's folder name and level.
#include "core/report_kind.h"
#include "core/sjis.h"

#include <cstdint>
#include <cstring>
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
        // Eight bytes at a time while they hold no "\" and (in Shift-JIS text) no byte of 0x80 or
        // more, so no lead byte: nothing in them moves the cut.
        if (i + 8 <= end) {
            std::uint64_t word;
            std::memcpy(&word, path.data() + i, 8);
            constexpr std::uint64_t kOnes = 0x0101010101010101ull;
            constexpr std::uint64_t kHigh = 0x8080808080808080ull;
            const std::uint64_t x = word ^ (kOnes * '\\');
            const std::uint64_t stop = ((x - kOnes) & ~x & kHigh) | (sjisText ? word & kHigh : 0);
            if (stop == 0) {
                i += 8;
                continue;
            }
        }
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
