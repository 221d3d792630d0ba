#include "core/report_convert.h"

#include "core/encoding.h"

#include <string>

namespace dg {

std::optional<std::size_t> convertReportLines(LineList& lines, TextEncoding to)
{
    const ReportKind kind = lines.kind();
    if (kind.encoding == to)
        return std::nullopt;
    LineList converted;
    converted.reserve(lines.size());
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const bool exact = to == TextEncoding::Utf8 ? encoding::sjisToUtf8Exact(lines[i], text)
                                                    : encoding::utf8ToSjisExact(lines[i], text);
        if (!exact)
            return i;
        converted.append(text);
    }
    converted.setKind({to, kind.paths});
    lines = std::move(converted);
    return std::nullopt;
}

} // namespace dg
