#include "core/sjis.h"

#include <cstdint>
#include <cstring>

namespace dg::sjis {

std::size_t findChar(std::string_view text, char ch, std::size_t from)
{
    // Eight bytes at a time find candidates (names are short, so this beats a memchr call); a
    // candidate is a real character unless it is the second byte of a double-byte character. A
    // byte outside the lead range always ends a character, so the parity of the run of lead-range
    // bytes just before the candidate tells whether the byte before it starts a double-byte one.
    constexpr std::uint64_t kOnes = 0x0101010101010101ull;
    constexpr std::uint64_t kHighs = 0x8080808080808080ull;
    const std::uint64_t pattern = kOnes * static_cast<unsigned char>(ch);
    const char* const p = text.data();
    const std::size_t n = text.size();
    std::size_t i = from;
    while (i < n) {
        for (; i + 8 <= n; i += 8) {
            std::uint64_t v;
            std::memcpy(&v, p + i, 8);
            const std::uint64_t x = v ^ pattern;
            if ((x - kOnes) & ~x & kHighs)
                break;
        }
        const std::size_t blockEnd = i + 8 < n ? i + 8 : n;
        while (i < blockEnd && p[i] != ch)
            ++i;
        if (i == blockEnd)
            continue;
        std::size_t run = 0;
        while (i - run > from && isLeadByte(static_cast<unsigned char>(p[i - run - 1])))
            ++run;
        if (run % 2 == 0)
            return i;
        ++i;
    }
    return std::string_view::npos;
}

namespace {
constexpr unsigned char upperAscii(unsigned char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 'a' + 'A') : c;
}
} // namespace

std::size_t findMarkerNoCase(std::string_view text, std::string_view asciiMarker, bool doubleByte)
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
        i += doubleByte ? charLength(text, i) : 1;
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
