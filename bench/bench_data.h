#pragma once
// Synthetic reports shared by the benchmarks, generated once into a cache folder
// (DIRGAUGE_BENCH_DATA, default "bench-data" in the working folder) and reused by later runs.
#include "bench/report_gen.h"

#include <cstdint>
#include <string>

namespace dg::bench {

// The kind of report text: Shift-JIS with drive paths, or its UTF-8 twin with POSIX paths below
// the volume "/data" (posixUtf8Copy), which has the same folders, sizes and dates.
enum class ReportText { ShiftJisDrive, Utf8Posix };

// Path of a report of `folders` folders in the given form, generated when missing. Seed 1.
std::string benchReport(std::uint64_t folders, ReportForm form, ReportText text = ReportText::ShiftJisDrive);
// Path of a later report of the same drive with 5 % of the folders added, removed, grown and
// shrunk each, derived from benchReport(folders, Full).
std::string benchLaterReport(std::uint64_t folders, ReportText text = ReportText::ShiftJisDrive);

} // namespace dg::bench
