#include "scan/local_clock.h"

#include <cstdio>
#include <ctime>

namespace dg::scan {
namespace {

constexpr std::int64_t kBucket = 15 * 60;

std::int64_t offsetAt(std::int64_t t)
{
    const auto tt = static_cast<std::time_t>(t);
    std::tm tm{};
    if (!::localtime_r(&tt, &tm))
        return 0;
    return tm.tm_gmtoff;
}

void two(char* out, unsigned v)
{
    out[0] = static_cast<char>('0' + v / 10);
    out[1] = static_cast<char>('0' + v % 10);
}

std::int64_t floorDiv(std::int64_t a, std::int64_t b)
{
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}

} // namespace

char* LocalClock::format(std::int64_t seconds, char* out)
{
    const std::int64_t bucket = floorDiv(seconds, kBucket);
    Entry& e = m_cache[static_cast<std::uint64_t>(bucket) % m_cache.size()];
    if (e.bucket != bucket) {
        e.bucket = bucket;
        e.offset = offsetAt(bucket * kBucket);
        e.mixed = offsetAt(bucket * kBucket + kBucket - 1) != e.offset;
    }
    const std::int64_t local = seconds + (e.mixed ? offsetAt(seconds) : e.offset);
    // Civil date from days since 1970-01-01 (proleptic Gregorian calendar).
    const std::int64_t days = floorDiv(local, 86400);
    const std::int64_t secs = local - days * 86400;
    const std::int64_t z = days + 719468;
    const std::int64_t era = floorDiv(z, 146097);
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const auto day = static_cast<unsigned>(doy - (153 * mp + 2) / 5 + 1);
    const auto month = static_cast<unsigned>(mp < 10 ? mp + 3 : mp - 9);
    const std::int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
    if (year < 0 || year > 9999) {
        char text[64];
        const int n = std::snprintf(text, sizeof text, "%lld/%02u/%02u %02u:%02u:%02u", static_cast<long long>(year),
                                    month, day, static_cast<unsigned>(secs / 3600),
                                    static_cast<unsigned>(secs / 60 % 60), static_cast<unsigned>(secs % 60));
        for (int k = 0; k < n; ++k)
            *out++ = text[k];
        return out;
    }
    const auto y = static_cast<unsigned>(year);
    two(out, y / 100);
    two(out + 2, y % 100);
    out[4] = '/';
    two(out + 5, month);
    out[7] = '/';
    two(out + 8, day);
    out[10] = ' ';
    two(out + 11, static_cast<unsigned>(secs / 3600));
    out[13] = ':';
    two(out + 14, static_cast<unsigned>(secs / 60 % 60));
    out[16] = ':';
    two(out + 17, static_cast<unsigned>(secs % 60));
    return out + kTextSize;
}

std::string LocalClock::format(std::int64_t seconds)
{
    char text[64];
    return std::string(text, format(seconds, text));
}

} // namespace dg::scan
