#include "core/change_percent.h"

#include <gtest/gtest.h>

#include <limits>
#include <random>

namespace dg {
namespace {

TEST(ChangePercent, WholePercentagesFollowExtendedPrecision)
{
    struct Case {
        std::int64_t current;
        std::int64_t base;
        std::int64_t percent;
    };
    const Case cases[] = {
        {110, 100, 10}, {90, 100, 10},  {130, 100, 31}, {70, 100, 31}, {160, 100, 61},
        {107, 100, 7},  {150, 100, 50}, {50, 100, 50},  {101, 100, 1}, {100'000'001, 100'000'000, 1},
        {5, 0, 999},    {0, 5, 100},
    };
    for (const auto& c : cases) {
        const Int128 diff = c.current > c.base ? Int128{c.current} - c.base : Int128{c.base} - c.current;
        EXPECT_EQ(changePercent(diff, c.base), c.percent) << c.current << " vs " << c.base;
        EXPECT_EQ(changePercentExact(diff, c.base), c.percent) << c.current << " vs " << c.base;
    }
}

TEST(ChangePercent, NegativeBaseGivesNegativePercentRoundedUp)
{
    // A base that is no number counts as -1: growing from it gives a negative percentage.
    EXPECT_EQ(changePercentExact(11, -1), -1100);
    EXPECT_EQ(changePercentExact(1, -3), -33); // -33.33... rounds up to -33
    EXPECT_EQ(changePercent(1, -3), -33);
}

TEST(ChangePercent, ExtremeSizesSaturateInsteadOfWrapping)
{
    const std::int64_t max = std::numeric_limits<std::int64_t>::max();
    const std::int64_t min = std::numeric_limits<std::int64_t>::min();
    EXPECT_EQ(changePercentExact(Int128{max} + 1, -1), min);
    EXPECT_EQ(changePercentExact(max, 1), max);
    EXPECT_EQ(changePercentExact(Int128{max} - min, max), 201);
}

TEST(ChangePercent, IntegerPathMatchesTheExtendedPath)
{
    if (!hasExtendedPath())
        GTEST_SKIP() << "long double is not the 80-bit format here";
    std::mt19937_64 rng(12345);
    const auto check = [](Int128 x, std::int64_t b) {
        ASSERT_EQ(changePercentExact(x, b), changePercentExtended(x, b)) << static_cast<long long>(x) << " / " << b;
    };
    for (int i = 0; i < 200000; ++i) {
        // Mix small exact-percentage cases, wide random sizes and near-ties.
        const int kind = i % 4;
        std::int64_t b;
        Int128 x;
        if (kind == 0) {
            b = static_cast<std::int64_t>(rng() % 100000) + 1;
            x = static_cast<Int128>(b) * static_cast<Int128>(rng() % 200) / 100;
        } else if (kind == 1) {
            b = static_cast<std::int64_t>(rng() >> (rng() % 63 + 1)) + 1;
            x = static_cast<Int128>(rng() >> (rng() % 63 + 1));
        } else if (kind == 2) {
            b = static_cast<std::int64_t>(rng() >> 1);
            x = static_cast<Int128>(rng());
        } else {
            b = -static_cast<std::int64_t>(rng() % 1000) - 1;
            x = static_cast<Int128>(rng() % 1000000);
        }
        if (x == 0)
            x = 1;
        check(x, b);
    }
}

} // namespace
} // namespace dg
