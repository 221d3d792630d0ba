#include "core/numbers.h"

#include <limits>

namespace dg {

std::string FormatNumber(std::int64_t value)
{
    std::string out;
    appendFormattedNumber(out, value);
    return out;
}

void appendFormattedNumber(std::string& out, std::int64_t value)
{
    // Work on the magnitude as unsigned so that the most negative value formats too.
    const bool negative = value < 0;
    std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    char buf[32];
    char* p = buf + sizeof buf;
    int digits = 0;
    do {
        if (digits && digits % 3 == 0)
            *--p = ',';
        *--p = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
        ++digits;
    } while (magnitude);
    if (negative)
        *--p = '-';
    out.append(p, static_cast<std::size_t>(buf + sizeof buf - p));
}

std::optional<std::int64_t> parseInt64(std::string_view text)
{
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n && static_cast<unsigned char>(text[i]) >= 1 && static_cast<unsigned char>(text[i]) <= 32)
        ++i;
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    unsigned base = 10;
    if (i < n && text[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < n && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i == n)
        return std::nullopt;
    // The magnitude may reach 2^63 for the most negative value.
    const std::uint64_t limit = negative ? std::uint64_t{1} << 63 : static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    std::uint64_t value = 0;
    for (; i < n; ++i) {
        const char c = text[i];
        unsigned digit;
        if (c >= '0' && c <= '9')
            digit = static_cast<unsigned>(c - '0');
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = static_cast<unsigned>(c - 'a' + 10);
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = static_cast<unsigned>(c - 'A' + 10);
        else
            return std::nullopt;
        if (value > (limit - digit) / base)
            return std::nullopt;
        value = value * base + digit;
    }
    if (negative)
        return value == (std::uint64_t{1} << 63) ? std::numeric_limits<std::int64_t>::min()
                                                   : -static_cast<std::int64_t>(value);
    return static_cast<std::int64_t>(value);
}

std::int64_t ParseGroupedNumber(std::string_view text, std::int64_t fallback)
{
    if (text.find(',') == std::string_view::npos)
        return parseInt64(text).value_or(fallback);
    std::string stripped;
    stripped.reserve(text.size());
    for (const char c : text)
        if (c != ',')
            stripped.push_back(c);
    return parseInt64(stripped).value_or(fallback);
}

} // namespace dg
