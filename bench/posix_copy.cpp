#include "bench/posix_copy.h"

#include "core/encoding.h"
#include "core/field_splitter.h"
#include "core/sjis.h"

#include <vector>

namespace dg::bench {
namespace {

// The UTF-8 path of a drive path ("C:\" or "C:\a\b") below volume.
std::string posixPath(std::string_view drivePath, std::string_view volume)
{
    if (drivePath.size() <= 3)
        return std::string(volume);
    std::string out(volume == "/" ? "" : volume);
    std::string_view rest = drivePath.substr(3);
    for (;;) {
        const std::size_t cut = sjis::findChar(rest, '\\');
        out.push_back('/');
        encoding::appendSjisAsUtf8(out, rest.substr(0, cut));
        if (cut == std::string_view::npos)
            break;
        rest.remove_prefix(cut + 1);
    }
    return out;
}

} // namespace

std::string posixUtf8Copy(std::string_view sjisReport, std::string_view volume)
{
    std::string out(kUtf8Mark);
    out.reserve(sjisReport.size() + sjisReport.size() / 4);
    FieldSplitter splitter;
    std::vector<std::string> owned;
    std::vector<std::string_view> fields;
    std::string joined;
    std::size_t lineNo = 0;
    while (!sjisReport.empty()) {
        const std::size_t lf = sjisReport.find('\n');
        std::string_view line = sjisReport.substr(0, lf);
        sjisReport.remove_prefix(lf == std::string_view::npos ? sjisReport.size() : lf + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        const bool last = sjisReport.empty();
        if (lineNo++ == 0 || last || line.empty()) {
            encoding::appendSjisAsUtf8(out, line);
            out += "\r\n";
            continue;
        }
        splitter.split(line);
        owned.assign(splitter.count(), {});
        for (std::size_t k = 1; k < splitter.count(); ++k)
            owned[k] = encoding::sjisToUtf8(splitter.get(k));
        const std::string_view v = splitter.get(0);
        std::size_t marks = 0;
        while (marks < v.size() && v[marks] == '>')
            ++marks;
        if (marks == 0 && v.size() == 2)
            owned[0] = std::string(volume) + ":";
        else if (marks == 0)
            owned[0] = posixPath(v, volume);
        else
            owned[0] = std::string(marks, '>') + encoding::sjisToUtf8(v.substr(marks));
        fields.assign(owned.begin(), owned.end());
        FieldSplitter::joinTo(fields, joined, TextEncoding::Utf8);
        out += joined;
        out += "\r\n";
    }
    return out;
}

} // namespace dg::bench
