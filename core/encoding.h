#pragma once
// Conversion between Shift-JIS (code page 932) report text and UTF-8, at the edges only: display,
// terminal output, messages. Invalid or unmapped bytes become U+FFFD (to UTF-8) or "?" (to
// Shift-JIS); conversion never fails.
#include "core/report_kind.h"

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

// Exact conversions for rewriting report text: false (out then undefined) when some byte is no
// character of the source encoding or some character has no code in the target.
bool sjisToUtf8Exact(std::string_view sjis, std::string& out);
bool utf8ToSjisExact(std::string_view utf8, std::string& out);

// UTF-8 text with every byte sequence that is no UTF-8 character replaced by U+FFFD.
void appendValidUtf8(std::string& out, std::string_view text);

// UTF-8 report text for the debug log, which is Shift-JIS throughout: every character code page
// 932 holds as its Shift-JIS bytes, any other as "<U+XXXX>" (at least four hex digits), and a
// byte that is no UTF-8 as "<0xXX>".
std::string utf8ToSjisForLog(std::string_view utf8);
// Report text of enc for the debug log: Shift-JIS text as it stands, UTF-8 as above.
std::string logText(TextEncoding enc, std::string_view text);

// Report text of either encoding as UTF-8 for display (invalid bytes become U+FFFD).
void appendTextAsUtf8(std::string& out, TextEncoding enc, std::string_view text);
std::string textToUtf8(TextEncoding enc, std::string_view text);

} // namespace dg::encoding
