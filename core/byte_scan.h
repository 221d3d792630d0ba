#pragma once
// Word-at-a-time tests used by the hot scans of the field splitter: they let a loop step over
// eight plain ASCII bytes at once and fall back to byte steps only near a byte that matters.
#include <cstdint>
#include <cstring>

namespace dg::bytescan {

constexpr std::uint64_t kOnes = 0x0101010101010101ull;
constexpr std::uint64_t kHighs = 0x8080808080808080ull;

inline std::uint64_t load8(const char* p)
{
    std::uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}

// Non-zero when some byte of v is below n (n <= 128).
constexpr std::uint64_t hasLess(std::uint64_t v, unsigned n)
{
    return (v - kOnes * n) & ~v & kHighs;
}

// Non-zero when some byte of v equals b.
constexpr std::uint64_t hasByte(std::uint64_t v, unsigned char b)
{
    const std::uint64_t x = v ^ (kOnes * b);
    return (x - kOnes) & ~x & kHighs;
}

// True when all eight bytes are ASCII and none is a comma or a byte 0..32: nothing in them ends
// an unquoted field.
inline bool plainForSplit(std::uint64_t v)
{
    return !((v & kHighs) | hasLess(v, 33) | hasByte(v, ','));
}

// As plainForSplit, and no double quote either: nothing in them forces a field into quotes.
inline bool plainForJoin(std::uint64_t v)
{
    return plainForSplit(v) && !hasByte(v, '"');
}

} // namespace dg::bytescan
