#pragma once
// The change percentage of a difference x over a base size b: x / b and then * 100, each rounded
// to nearest in 80-bit extended precision (64-bit significand), then rounded up to a whole number.
// 999 when b is 0. The precision matters at whole percentages: 130 against 100 is 31, 107 against
// 100 is 7 (double precision would say 8).
//
// The x87 extended format is used where long double is that format; elsewhere the same roundings
// are computed exactly in integer arithmetic, so every platform gives the same classes.
#include <cstdint>

namespace dg {

// A signed 128-bit integer (a GCC/Clang extension).
__extension__ typedef __int128 Int128;

// x is the (positive) difference, given exactly as a 128-bit value since the difference of two
// 64-bit sizes can exceed the 64-bit range. A percentage beyond the 64-bit range saturates.
std::int64_t changePercent(Int128 x, std::int64_t base);

// The two implementations, for tests. hasExtendedPath() says whether the first one exists here.
bool hasExtendedPath();
std::int64_t changePercentExtended(Int128 x, std::int64_t base);
std::int64_t changePercentExact(Int128 x, std::int64_t base);

} // namespace dg
