#pragma once
// Conversion between Shift-JIS (code page 932) report text and UTF-8, at the edges only: display,
// terminal output, messages. Invalid or unmapped bytes become U+FFFD (to UTF-8) or "?" (to
// Shift-JIS); conversion never fails.
#include <string>
#include <string_view>

namespace dg::encoding {

std::string sjisToUtf8(std::string_view sjis);
// The same conversion appended to out.
void appendSjisAsUtf8(std::string& out, std::string_view sjis);
std::string utf8ToSjis(std::string_view utf8);

} // namespace dg::encoding
