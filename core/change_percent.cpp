#include "core/change_percent.h"

#include <bit>
#include <cfloat>
#include <cmath>
#include <limits>

namespace dg {
namespace {

__extension__ typedef unsigned __int128 u128;
constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();

int bitLength(u128 v)
{
    const auto hi = static_cast<std::uint64_t>(v >> 64);
    if (hi)
        return 128 - std::countl_zero(hi);
    return 64 - std::countl_zero(static_cast<std::uint64_t>(v));
}

u128 absolute(Int128 v)
{
    return v < 0 ? static_cast<u128>(0) - static_cast<u128>(v) : static_cast<u128>(v);
}

// A positive value m * 2^exp with m holding at most 64 significant bits.
struct Extended {
    u128 m;
    int exp;
};

// Rounds m * 2^exp to a 64-bit significand, to nearest with ties to even.
Extended roundTo64(u128 m, int exp)
{
    const int len = bitLength(m);
    if (len <= 64)
        return {m, exp};
    const int shift = len - 64;
    const u128 kept = m >> shift;
    const u128 rest = m - (kept << shift);
    const u128 half = static_cast<u128>(1) << (shift - 1);
    u128 r = kept;
    if (rest > half || (rest == half && (kept & 1)))
        ++r;
    return {r, exp + shift};
}

// Ceiling of +/- m * 2^exp, saturated to the 64-bit range.
std::int64_t ceilSigned(const Extended& v, bool negative)
{
    if (v.exp >= 0) {
        if (v.exp > 63 || bitLength(v.m) + v.exp > 63)
            return negative ? kMin : kMax;
        const auto whole = static_cast<std::int64_t>(v.m << v.exp);
        return negative ? -whole : whole;
    }
    const int k = -v.exp;
    const u128 whole = k >= 128 ? 0 : v.m >> k;
    const bool fraction = k >= 128 ? v.m != 0 : (whole << k) != v.m;
    if (bitLength(whole) > 63)
        return negative ? kMin : kMax;
    const auto w = static_cast<std::int64_t>(whole);
    // Up means toward +infinity: a negative value only drops its fraction.
    return negative ? -w : w + (fraction ? 1 : 0);
}

} // namespace

std::int64_t changePercentExact(Int128 x, std::int64_t base)
{
    if (base == 0)
        return 999;
    const bool negative = (x < 0) != (base < 0);
    const u128 ax = absolute(x);
    const u128 ab = absolute(base);
    if (ax == 0)
        return 0;
    // Quotient with exactly 64 significant bits: (ax << s) / ab lands in [2^63, 2^64).
    int s = 63 + bitLength(ab) - bitLength(ax);
    auto quotientBits = [&](int shift) {
        const u128 n = shift >= 0 ? ax << shift : ax >> -shift;
        return n / ab;
    };
    while (bitLength(quotientBits(s)) > 64)
        --s;
    while (bitLength(quotientBits(s)) < 64)
        ++s;
    // The division's exact remainder decides the rounding (ax fits 64 bits, so s stays >= 0 and
    // ax << s stays below 2^128).
    const u128 n = ax << s;
    u128 q = n / ab;
    const u128 rem = n % ab;
    if (rem * 2 > ab || (rem * 2 == ab && (q & 1)))
        ++q;
    Extended quotient = roundTo64(q, -s); // only changes anything when rounding carried to 2^64
    // Times 100, rounded again to 64 bits.
    const Extended product = roundTo64(quotient.m * 100, quotient.exp);
    return ceilSigned(product, negative);
}

bool hasExtendedPath()
{
    return LDBL_MANT_DIG == 64;
}

std::int64_t changePercentExtended(Int128 x, std::int64_t base)
{
    if (base == 0)
        return 999;
    // Both operands convert exactly: |x| < 2^65 only when sizes are extreme, and then the
    // conversion rounds just as loading the 80-bit value would.
    const long double q = static_cast<long double>(x) / static_cast<long double>(base);
    const long double p = q * 100.0L;
    const long double c = std::ceil(p);
    if (c >= 9223372036854775807.0L)
        return kMax;
    if (c <= -9223372036854775808.0L)
        return kMin;
    return static_cast<std::int64_t>(c);
}

std::int64_t changePercent(Int128 x, std::int64_t base)
{
    if constexpr (LDBL_MANT_DIG == 64)
        return changePercentExtended(x, base);
    else
        return changePercentExact(x, base);
}

} // namespace dg
