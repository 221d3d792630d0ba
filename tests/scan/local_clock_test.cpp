// The cached local-time formatting agrees with the C library's, across zone offset changes.
#include "scan/local_clock.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <random>
#include <string>

namespace dg::scan {
namespace {

std::string slowFormat(std::int64_t t)
{
    const auto tt = static_cast<std::time_t>(t);
    std::tm tm{};
    ::localtime_r(&tt, &tm);
    char text[64];
    std::strftime(text, sizeof text, "%Y/%m/%d %H:%M:%S", &tm);
    return text;
}

TEST(LocalClock, AgreesWithLocaltimeInZonesWithSummerTime)
{
    const char* const old = std::getenv("TZ");
    const std::string saved = old ? old : "";
    for (const char* zone : {"UTC0", "CET-1CEST,M3.5.0,M10.5.0/3", "AEST-10AEDT,M10.1.0,M4.1.0/3",
                             "NPT-5:45", "EST5EDT,M3.2.0,M11.1.0"}) {
        ::setenv("TZ", zone, 1);
        ::tzset();
        LocalClock clock;
        std::mt19937_64 random(7);
        std::uniform_int_distribution<std::int64_t> any(-2208988800LL, 4102444800LL); // 1900..2100
        for (int k = 0; k < 20000; ++k) {
            const std::int64_t t = any(random);
            ASSERT_EQ(clock.format(t), slowFormat(t)) << zone << " at " << t;
        }
        // Every second around the spring and autumn changes of 2026 in the northern zones, and
        // around the change at 2026-04-05 in the southern one.
        for (const std::int64_t change : {1774746000LL, 1792890000LL, 1775318400LL, 1773558000LL, 1793512800LL})
            for (std::int64_t t = change - 1800; t < change + 1800; ++t)
                ASSERT_EQ(clock.format(t), slowFormat(t)) << zone << " at " << t;
    }
    if (old)
        ::setenv("TZ", saved.c_str(), 1);
    else
        ::unsetenv("TZ");
    ::tzset();
}

} // namespace
} // namespace dg::scan
