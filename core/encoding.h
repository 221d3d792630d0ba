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

// Length of the well-formed UTF-8 sequence at the start of text (1 to 4 bytes: no overlong forms,
// no surrogates, nothing above U+10FFFF), 0 when text does not start with one or is empty.
std::size_t utf8SequenceLength(std::string_view text);
// Every byte of text belongs to a well-formed UTF-8 sequence.
bool isValidUtf8(std::string_view text);

} // namespace dg::encoding
