#pragma once
// Synthetic reports shared by the benchmarks, generated once into a cache folder
// (DIRGAUGE_BENCH_DATA, default "bench-data" in the working folder) and reused by later runs.
#include "bench/report_gen.h"

#include <cstdint>
#include <string>

namespace dg::bench {

// Path of a report of `folders` folders in the given form, generated when missing. Seed 1.
std::string benchReport(std::uint64_t folders, ReportForm form);
// Path of a later report of the same drive with 5 % of the folders added, removed, grown and
// shrunk each, derived from benchReport(folders, Full).
std::string benchLaterReport(std::uint64_t folders);

} // namespace dg::bench
