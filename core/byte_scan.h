#pragma once
// Word-at-a-time scans for the hot loops of the field splitter: eight bytes are tested at once for
// any byte of a small set, and byte steps are taken only near a candidate. A candidate counts
// unless it is the second byte of a Shift-JIS double-byte character, which the parity of the run
// of lead-range bytes just before it tells (a byte outside the lead range always ends a character).
#include "core/sjis.h"

#include <cstdint>
#include <cstring>
#include <string_view>

namespace dg::bytescan {

constexpr std::uint64_t kOnes = 0x0101010101010101ull;
constexpr std::uint64_t kHighs = 0x8080808080808080ull;

inline std::uint64_t load8(const char* p)
{
    std::uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}

// Non-zero when some byte of v is below n (n <= 128). Bytes of 0x80 and above never count.
constexpr std::uint64_t hasLess(std::uint64_t v, unsigned n)
{
    return (v - kOnes * n) & ~v & kHighs;
}

// Non-zero when some byte of v equals b (b < 0x80).
constexpr std::uint64_t hasByte(std::uint64_t v, unsigned char b)
{
    const std::uint64_t x = v ^ (kOnes * b);
    return (x - kOnes) & ~x & kHighs;
}

// The bytes that end an unquoted field: a comma or 1..32. (The word test also flags 0; the byte
// test, which decides, does not.)
struct FieldEnd {
    static bool word(std::uint64_t v) { return hasLess(v, 33) | hasByte(v, ','); }
    static bool byte(unsigned char c) { return (c >= 1 && c <= 32) || c == ','; }
};

// The bytes that put a field in quotes when it is joined: those and the double quote.
struct NeedsQuote {
    static bool word(std::uint64_t v) { return hasLess(v, 33) | hasByte(v, ',') | hasByte(v, '"'); }
    static bool byte(unsigned char c) { return (c >= 1 && c <= 32) || c == ',' || c == '"'; }
};

// Position of the first character at or after from (a character boundary) that is in Set, or the
// end of the text. With ShiftJis false (UTF-8 text) every byte is a character of its own for the
// purpose: no byte of a multi-byte UTF-8 character is below 0x80.
template <class Set, bool ShiftJis = true>
std::size_t findFirst(std::string_view text, std::size_t from)
{
    const char* const p = text.data();
    const std::size_t n = text.size();
    std::size_t i = from;
    while (i < n) {
        while (i + 8 <= n && !Set::word(load8(p + i)))
            i += 8;
        const std::size_t blockEnd = i + 8 < n ? i + 8 : n;
        while (i < blockEnd && !Set::byte(static_cast<unsigned char>(p[i])))
            ++i;
        if (i == blockEnd)
            continue;
        if constexpr (!ShiftJis)
            return i;
        std::size_t run = 0;
        while (i - run > from && sjis::isLeadByte(static_cast<unsigned char>(p[i - run - 1])))
            ++run;
        if (run % 2 == 0)
            return i;
        ++i;
    }
    return n;
}

} // namespace dg::bytescan
