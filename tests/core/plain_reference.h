#pragma once
// The reader's rules written plainly: byte by byte, and field by field over fully split lines.
// The real code takes short cuts for speed (vector scans, lines passed over by their first bytes,
// a quick route through the expansion); tests and fuzzers hold it against these.
#include "core/errors.h"
#include "core/field_splitter.h"
#include "core/line_list.h"

#include <string>
#include <vector>

namespace dg::test {

// Lines of text: a line ends at CR LF, a lone CR or a lone LF, a break at the very end makes no
// extra empty line, and a NUL ends the text.
inline std::vector<std::string> plainSplit(const std::string& text)
{
    std::vector<std::string> out;
    std::string line;
    bool open = false;
    for (std::size_t i = 0; i < text.size() && text[i] != '\0'; ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            out.push_back(line);
            line.clear();
            open = false;
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            continue;
        }
        line.push_back(c);
        open = true;
    }
    if (open)
        out.push_back(line);
    return out;
}

// The abbreviated form's expansion: split every line, rewrite the fields, join.
inline void referenceExpand(LineList& lines)
{
    FieldSplitter s;
    std::vector<std::string> depth;
    std::string drive, created, updated;
    for (std::size_t n = 1; n + 1 < lines.size(); ++n) {
        s.split(lines[n]);
        const std::string v(s.get(0));
        std::string path;
        for (std::size_t k = 0; k < v.size(); ++k) {
            if (v[k] == '>') {
                if (k >= depth.size())
                    throw IndexError(static_cast<long long>(k));
                path += depth[k] + "\\";
                continue;
            }
            path += v.substr(k, 1024);
            if (depth.size() < k + 1)
                depth.emplace_back();
            depth[k] = v.substr(k, 1024);
            break;
        }
        s.replace(0, path);
        if (path.size() == 2)
            drive = s.get(1);
        if (path.size() == 3 && s.get(1) == "?")
            s.replace(1, drive);
        if (path.size() > 2) {
            if (s.get(2).empty())
                s.replace(2, created);
            else
                created = s.get(2);
            if (s.get(3).empty())
                s.replace(3, updated);
            else
                updated = s.get(3);
            if (s.get(4).empty())
                s.replace(4, "16");
        }
        lines.replace(n, std::string(s.join()));
    }
}

// The full form's drive-size substitution, every line split in full.
inline void referenceSubstitute(LineList& lines)
{
    FieldSplitter s;
    std::string drive;
    for (std::size_t n = 1; n + 1 < lines.size(); ++n) {
        s.split(lines[n]);
        const std::size_t size = s.get(0).size();
        if (size == 2) {
            drive = std::string(s.get(1));
        } else if (size == 3 && s.get(1) == "?") {
            s.replace(1, drive);
            lines.replace(n, std::string(s.join()));
        }
    }
}

} // namespace dg::test
