#pragma once
// The two kinds of report text, and the POSIX path rules.
//
// Encoding: a report whose text starts with the UTF-8 byte-order mark is UTF-8, any other is
// Shift-JIS (code page 932). The mark is not part of line 0; a report written back gets it again.
// Paths: a report whose line 1 is a volume line (field 0 an absolute folder followed by ":", then
// exactly a size and a usage) holds POSIX paths ("/home", "/home/alice"); any other holds drive
// paths ("C:", "C:\", "C:\Users"). Either path kind can come in either encoding.
//
// In UTF-8 text no byte is the first of a double-byte pair, so the byte searches that step over
// Shift-JIS characters become plain searches.
#include "core/sjis.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace dg {

enum class TextEncoding : std::uint8_t { ShiftJis, Utf8 };
enum class PathKind : std::uint8_t { Drive, Posix };

struct ReportKind {
    TextEncoding encoding = TextEncoding::ShiftJis;
    PathKind paths = PathKind::Drive;
    bool utf8() const { return encoding == TextEncoding::Utf8; }
    bool posix() const { return paths == PathKind::Posix; }
    friend bool operator==(const ReportKind&, const ReportKind&) = default;
};

inline constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

// Position of the first character equal to the single-byte ch at or after from, or npos.
inline std::size_t findCharIn(TextEncoding enc, std::string_view text, char ch, std::size_t from = 0)
{
    if (enc == TextEncoding::ShiftJis)
        return sjis::findChar(text, ch, from);
    if (from >= text.size())
        return std::string_view::npos;
    const void* hit = std::memchr(text.data() + from, ch, text.size() - from);
    return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - text.data()) : std::string_view::npos;
}

namespace posix {

// Field 0 of a volume line: starts with "/" and ends with ":" (the line must also have exactly
// three fields).
inline bool isVolumeField(std::string_view field0)
{
    return field0.size() >= 2 && field0.front() == '/' && field0.back() == ':';
}

// The volume's folder path: field 0 of its volume line without the ":".
inline std::string_view volumePath(std::string_view volumeField)
{
    return volumeField.substr(0, volumeField.size() - 1);
}

// What a path's folders are written after: the volume path, except that the volume "/" gives
// nothing (its folders are "/etc", never "//etc").
inline std::string_view volumePrefix(std::string_view volume)
{
    return volume == "/" ? std::string_view{} : volume;
}

// A folder's level: 1 for the root (the path equals the volume path), else 1 + the number of "/"
// after the volume's prefix. A path outside its volume counts as if the volume were "/".
inline unsigned levelOf(std::string_view path, std::string_view volume)
{
    if (path == volume)
        return 1;
    std::string_view prefix = volumePrefix(volume);
    if (path.size() <= prefix.size() || path.compare(0, prefix.size(), prefix) != 0 || path[prefix.size()] != '/')
        prefix = {};
    unsigned level = 1;
    for (std::size_t i = prefix.size(); i < path.size(); ++i)
        level += path[i] == '/' ? 1u : 0u;
    return level;
}

// A node's folder name: for a root (level 1) the whole path, so the volume node reads "/home";
// else the text after the last "/", at most 255 bytes of it.
inline std::string_view nameOf(std::string_view path, unsigned level)
{
    if (level <= 1)
        return path;
    const std::size_t slash = path.rfind('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    return name.substr(0, 255);
}

} // namespace posix
} // namespace dg
