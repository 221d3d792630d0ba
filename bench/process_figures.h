#pragma once
// Figures of whole processes timed by the benchmarks: a child's CPU time and the median of runs.
#include <algorithm>
#include <sys/resource.h>
#include <vector>

namespace dg::bench {

// User plus system time of a finished child, in seconds.
inline double cpuSeconds(const rusage& usage)
{
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

inline double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

} // namespace dg::bench
