#pragma once
// The cut rule that turns a path into a node's folder name and level.
#include "core/sjis.h"

#include <string_view>

namespace dg {

struct CutName {
    std::string_view name;
    unsigned level = 1;
};

// A root path of exactly three bytes ("C:\") becomes its drive ("C:"). Then, up to 256 times, the
// text after the first "\" (multi-byte aware), at most 255 bytes of it, replaces the path and the
// level grows by one. Runs of "\" with nothing between them can take the level to 257.
inline CutName cutFolderName(std::string_view path)
{
    CutName cut;
    if (path.size() == 3)
        path = path.substr(0, 2);
    for (int i = 0; i < 256; ++i) {
        const std::size_t p = sjis::findChar(path, '\\');
        if (p == std::string_view::npos)
            break;
        path = path.substr(p + 1, 255);
        ++cut.level;
    }
    cut.name = path;
    return cut;
}

} // namespace dg
