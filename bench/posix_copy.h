#pragma once
// The UTF-8 POSIX twin of a generated report, for benchmarks and tests of that kind of report.
#include <string>
#include <string_view>

namespace dg::bench {

// Rewrites a Shift-JIS report of drive paths (full or abbreviated form) as a UTF-8 report with
// the byte-order mark and POSIX paths: every drive line becomes the volume line of `volume`
// (an absolute folder path), "C:\" the volume path, "C:\a\b" volume + "/a/b" ("/a/b" for the
// volume "/"), names converted to UTF-8; marks, sizes, dates and attributes stay as they are.
std::string posixUtf8Copy(std::string_view sjisReport, std::string_view volume);

} // namespace dg::bench
