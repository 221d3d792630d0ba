#pragma once
// The comparison settings: the text and background colour of each change class and the four
// percentage thresholds, as held in memory and as stored in section "Comp" of the settings file.
#include <cstdint>
#include <string>

namespace dg {

class IniBatch;
class IniDocument;
class IniFile;

// A colour held in 32 bits. High byte 0: an explicit colour 0x00BBGGRR (red in the lowest byte).
// High byte 0xFF: the system colour whose index is the low byte. Other high bytes are kept as
// read; they are neither kind.
using TColor = std::uint32_t;

inline constexpr TColor kClWindow = 0xFF000005;     // window background
inline constexpr TColor kClWindowText = 0xFF000008; // window text
inline constexpr TColor kClGrayText = 0xFF000011;   // grey (disabled) text

constexpr bool isSystemColor(TColor color)
{
    return (color >> 24) == 0xFF;
}

// The system colour index (meaningful when isSystemColor).
constexpr unsigned systemColorIndex(TColor color)
{
    return color & 0xFFu;
}

// The colour as the signed 32-bit integer the settings file holds: 0xFF000005 is -16777211.
constexpr std::int32_t colorToInteger(TColor color)
{
    return static_cast<std::int32_t>(color);
}

constexpr TColor colorFromInteger(std::int32_t value)
{
    return static_cast<TColor>(value);
}

// The decimal text of colorToInteger, as written to the file.
std::string colorToDecimal(TColor color);

// Field names follow their keys in section "Comp". Values read from the file are kept as they
// are: a hand-edited threshold of 0, a negative one or one above 999 is not corrected here.
struct CompSetting {
    TColor F3Ad_ChColor = kClGrayText;
    TColor F3Ad_BgColor = 0x0000FFFF;
    TColor F3U1_ChColor = 0x00FF00FF;
    TColor F3U1_BgColor = kClWindow;
    TColor F3U2_ChColor = 0x000000FF;
    TColor F3U2_BgColor = kClWindow;
    TColor F3D1_ChColor = 0x0000FF00;
    TColor F3D1_BgColor = kClWindow;
    TColor F3D2_ChColor = 0x00FF0000;
    TColor F3D2_BgColor = kClWindow;
    std::int32_t F3U1_Limit = 10;
    std::int32_t F3U2_Limit = 30;
    std::int32_t F3D1_Limit = 10;
    std::int32_t F3D2_Limit = 30;

    bool operator==(const CompSetting&) const = default;
};

// Reads the fourteen keys from section "Comp" in field order, each with its default (a missing
// file, key, or text that is not a number gives the default). LoadIniCompSetting(IniFile&) reads
// them all from one look at the file.
CompSetting LoadIniCompSetting(const IniDocument& document);
CompSetting LoadIniCompSetting(const IniFile& file);

// Records in batch: erase section "Comp", the fourteen keys in field order, then "Synchro".
void appendCompSetting(IniBatch& batch, const CompSetting& setting, bool synchro);

// Erases section "Comp", writes the fourteen keys in field order and "Synchro", all in one
// replacement of the file, and flushes. Throws dg::UserError "<full path> に書き込めません" when
// the write is refused; the file is then unchanged.
void SaveIniCompSetting(IniFile& file, const CompSetting& setting, bool synchro);

} // namespace dg
