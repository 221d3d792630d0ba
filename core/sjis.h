#pragma once
// Byte rules of code page 932 (Shift-JIS). Report text stays as the bytes read; every search for a
// character steps over a double-byte character as a whole, so that a trail byte equal to "\"
// (0x5C) never matches. A lead byte at the very end of a text stands alone.
#include <cstddef>
#include <string>
#include <string_view>

namespace dg::sjis {

constexpr bool isLeadByte(unsigned char c)
{
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// Byte length of the character that starts at pos (1 or 2; 1 for a lead byte at the end).
inline std::size_t charLength(std::string_view text, std::size_t pos)
{
    return (isLeadByte(static_cast<unsigned char>(text[pos])) && pos + 1 < text.size()) ? 2 : 1;
}

// Position of the first character equal to the single-byte ch at or after from (from must be a
// character boundary), or npos.
std::size_t findChar(std::string_view text, char ch, std::size_t from = 0);

// Position of the first occurrence of an ASCII marker, matched without regard to the case of
// ASCII letters and starting only on a character boundary, or npos. With doubleByte false (UTF-8
// text, where no ASCII byte is part of another character) every byte is a boundary.
std::size_t findMarkerNoCase(std::string_view text, std::string_view asciiMarker, bool doubleByte = true);

// ASCII letters A-Z folded to lower case; double-byte characters left alone.
std::string foldAsciiLower(std::string_view text);

} // namespace dg::sjis
