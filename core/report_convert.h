#pragma once
// Rewriting a report's lines in the other encoding (dirgauge-report --encoding).
#include "core/line_list.h"

#include <cstddef>
#include <optional>

namespace dg {

// Converts every line of lines to the encoding `to` (nothing to do when they are in it already)
// and records it on the list. A line holding a character `to` cannot hold, or bytes that are no
// character of the lines' own encoding, stops the conversion: its 0-based index is returned and
// the lines are left as they were.
std::optional<std::size_t> convertReportLines(LineList& lines, TextEncoding to);

} // namespace dg
