#include "core/numbers.h"

#include <gtest/gtest.h>

#include <limits>

namespace dg {
namespace {

TEST(FormatNumber, GroupsThreeDigitsAndSignsNegatives)
{
    EXPECT_EQ(FormatNumber(0), "0");
    EXPECT_EQ(FormatNumber(999), "999");
    EXPECT_EQ(FormatNumber(1000), "1,000");
    EXPECT_EQ(FormatNumber(1234567), "1,234,567");
    EXPECT_EQ(FormatNumber(-1), "-1");
    EXPECT_EQ(FormatNumber(-1234), "-1,234");
    EXPECT_EQ(FormatNumber(std::numeric_limits<std::int64_t>::max()), "9,223,372,036,854,775,807");
    EXPECT_EQ(FormatNumber(std::numeric_limits<std::int64_t>::min()), "-9,223,372,036,854,775,808");
}

TEST(ParseGroupedNumber, ReadsTheReportNumberSyntax)
{
    struct Case {
        const char* text;
        std::int64_t value;
    };
    const Case cases[] = {
        {"0", 0}, {"1,234", 1234}, {"   1,234", 1234}, {"+5", 5}, {"-5", -5}, {"$10", 16},
        {"0x10", 16}, {"0XfF", 255}, {"-$10", -16}, {"007", 7},
        {"9223372036854775807", std::numeric_limits<std::int64_t>::max()},
        {"-9223372036854775808", std::numeric_limits<std::int64_t>::min()},
        {"9,223,372,036,854,775,807", std::numeric_limits<std::int64_t>::max()},
        {"$7FFFFFFFFFFFFFFF", std::numeric_limits<std::int64_t>::max()},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseGroupedNumber(c.text, -99), c.value) << c.text;

    // Not numbers: the fallback, never a wrapped value.
    for (const char* bad : {"", " ", "?", "-", "$", "0x", "12a", "1 ", "1.5", "9223372036854775808",
                            "-9223372036854775809", "$8000000000000000", "99999999999999999999999", "x10"})
        EXPECT_EQ(ParseGroupedNumber(bad, -99), -99) << bad;
}

} // namespace
} // namespace dg
