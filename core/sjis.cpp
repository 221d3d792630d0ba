#include "core/sjis.h"

namespace dg::sjis {

std::size_t findChar(std::string_view text, char ch, std::size_t from)
{
    const std::size_t n = text.size();
    std::size_t i = from;
    while (i < n) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == static_cast<unsigned char>(ch))
            return i;
        i += (isLeadByte(c) && i + 1 < n) ? 2 : 1;
    }
    return std::string_view::npos;
}

namespace {
constexpr unsigned char upperAscii(unsigned char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 'a' + 'A') : c;
}
} // namespace

std::size_t findMarkerNoCase(std::string_view text, std::string_view asciiMarker)
{
    const std::size_t n = text.size();
    const std::size_t m = asciiMarker.size();
    if (m == 0)
        return 0;
    for (std::size_t i = 0; i + m <= n;) {
        std::size_t k = 0;
        while (k < m && upperAscii(static_cast<unsigned char>(text[i + k])) ==
                            upperAscii(static_cast<unsigned char>(asciiMarker[k])))
            ++k;
        if (k == m)
            return i;
        i += charLength(text, i);
    }
    return std::string_view::npos;
}

std::string foldAsciiLower(std::string_view text)
{
    std::string out(text);
    for (std::size_t i = 0; i < out.size();) {
        const auto c = static_cast<unsigned char>(out[i]);
        if (isLeadByte(c) && i + 1 < out.size()) {
            i += 2;
            continue;
        }
        if (c >= 'A' && c <= 'Z')
            out[i] = static_cast<char>(c - 'A' + 'a');
        ++i;
    }
    return out;
}

} // namespace dg::sjis
