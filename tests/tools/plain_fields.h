#pragma once
// The comma-text split of a report line, written byte by byte and kept apart from the programs'
// own splitters so that a mistake in one cannot hide in the other: blanks (1 to 32) end an
// unquoted field and are passed over around commas, a quoted field keeps its blanks and commas
// and reads "" as one quote, and a comma as the very last byte adds an empty field. No byte is
// taken as a Shift-JIS lead byte, so UTF-8 text reads the same way.
#include <string>
#include <string_view>
#include <vector>

namespace dg::test {

inline std::vector<std::string> plainFields(std::string_view line)
{
    std::vector<std::string> fields;
    std::size_t i = 0;
    const auto blank = [&](std::size_t k) {
        return k < line.size() && static_cast<unsigned char>(line[k]) >= 1 && static_cast<unsigned char>(line[k]) <= 32;
    };
    while (blank(i))
        ++i;
    while (i < line.size()) {
        std::string field;
        if (line[i] == '"') {
            for (++i; i < line.size(); ++i) {
                if (line[i] == '"' && i + 1 < line.size() && line[i + 1] == '"') {
                    field += line[++i];
                } else if (line[i] == '"') {
                    ++i;
                    break;
                } else {
                    field += line[i];
                }
            }
        } else {
            while (i < line.size() && line[i] != ',' && !blank(i))
                field += line[i++];
        }
        fields.push_back(std::move(field));
        while (blank(i))
            ++i;
        if (i < line.size() && line[i] == ',') {
            if (i + 1 == line.size())
                fields.emplace_back();
            ++i;
            while (blank(i))
                ++i;
        }
    }
    return fields;
}

} // namespace dg::test
