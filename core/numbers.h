#pragma once
// The two number routines of the tree labels and the progress counts.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace dg {

// value as a whole number with "," between groups of three digits and "-" in front of negatives.
std::string FormatNumber(std::int64_t value);
// The same text appended to out (no temporary string).
void appendFormattedNumber(std::string& out, std::int64_t value);

// Reads text as a signed 64-bit integer: leading bytes 1..32 skipped, an optional "+" or "-", then
// decimal digits, or hexadecimal after "$", "0x" or "0X". Nothing may follow. Overflow is no number.
std::optional<std::int64_t> parseInt64(std::string_view text);

// parseInt64 of text with every "," removed; fallback when that is not a number.
std::int64_t ParseGroupedNumber(std::string_view text, std::int64_t fallback);

} // namespace dg
