#pragma once
// The text of an INI settings file held in memory, read and edited the way the Windows profile
// functions read and edit it, while every line we do not edit stays byte for byte as it was.
//
// We read and write the file ourselves rather than through QSettings: QSettings reorders sections
// and keys, rewrites values in its own format (quoting, escapes, @Variant) and would drop the
// comments and unknown lines that a hand-edited file may hold. The file must stay readable and
// writable by the same rules as the profile functions, and keep the exit order of its sections.
//
// The format, as we read it:
// - The text is bytes; the document converts nothing. Lines end with LF or CR LF; each line keeps
//   its own ending. New lines take the ending of the file's first line, CR LF (the format's own)
//   for an empty file or one without a line end.
// - Text values (readText, IniBatch::writeText) are UTF-8 when the program writes them. Read, a
//   value that is valid UTF-8 is taken as such; any other is taken as Shift-JIS (code page 932,
//   what a settings file written by the profile functions on a Japanese system holds) when it
//   decodes as that, else left as it is. See settingsTextToUtf8.
// - A line whose first non-blank character is "[" and that holds a "]" opens a section; its name
//   is the text between them, blanks trimmed. "]" is looked for character by character, so a
//   Shift-JIS trail byte never ends the name. A UTF-8 byte-order mark before the first line is
//   stepped over.
// - Inside a section, a line holding "=" (and not starting with ";") is a key line: the key is the
//   text before the first "=", the value the text after it, both with blanks (space, tab) trimmed.
//   Every other line (comments, blank lines, stray text) is kept and otherwise ignored.
// - Section and key names are matched without regard to the case of ASCII letters; double-byte
//   characters are compared as they are. When a name occurs twice, the first one counts.
//
// Editing, as the profile functions edit:
// - Writing a key that exists replaces its line with key (as written in the file) "=" value, in
//   place, keeping the line's ending.
// - A new key goes at the end of its section, after the section's last non-blank line, so blank
//   lines that separate it from the next section stay where they are.
// - A new section goes at the end of the file.
// - Erasing a section removes its header and every line up to the next section header. Every
//   section of that name is removed, so a duplicate left by a hand edit cannot shadow the values
//   written afterwards.
//
// String values are stored unchanged, with three exceptions that keep the file well formed and
// the value readable back: a value is cut at its first CR, LF or NUL (a line break cannot be
// stored in a line); a value that begins or ends with a blank, or begins and ends with a double
// quote, is written inside double quotes; reading removes one pair of surrounding double quotes.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dg {

// A value is read as at most this many bytes (never ending inside a double-byte character).
inline constexpr std::size_t kMaxIniValueLength = 2047;

// Reads an integer by the profile rules: text longer than 2 characters that begins with "0x" or
// "0X" is hexadecimal; otherwise an optional sign and then decimal digits, or "$" and hexadecimal
// digits. Surrounding blanks are ignored. Hexadecimal gives the 32 bits as written (0xFFFFFFFF is
// -1). Anything else, including a number that does not fit in 32 bits, gives no value.
std::optional<std::int32_t> parseProfileInteger(std::string_view text);

// The decimal text an integer is written as ("-" in front of negative values).
std::string formatProfileInteger(std::int32_t value);

// A stored text value as UTF-8: as it is when it is valid UTF-8, else converted from Shift-JIS
// (code page 932) when every byte of it decodes as that, else as it is.
std::string settingsTextToUtf8(std::string_view stored);

class IniDocument {
public:
    // An empty file.
    IniDocument() = default;
    // The file's bytes, as read.
    explicit IniDocument(std::string_view bytes);

    // The file's bytes: untouched lines exactly as read, edited lines in their new form.
    std::string bytes() const;
    // The line end used for new lines: the ending of the file's first line, "\r\n" when the file
    // has no line end at all.
    std::string_view lineEnd() const { return m_lineEnd; }

    bool hasSection(std::string_view section) const;
    // The first value of key in the first section named section, decoded as readString decodes
    // it but not cut to kMaxIniValueLength; nothing when the section or key is missing.
    std::optional<std::string> findValue(std::string_view section, std::string_view key) const;

    // The value, cut to kMaxIniValueLength bytes, or defaultValue when missing.
    std::string readString(std::string_view section, std::string_view key,
                           std::string_view defaultValue) const;
    // The value read by parseProfileInteger, or defaultValue when missing or not a number.
    std::int32_t readInteger(std::string_view section, std::string_view key,
                             std::int32_t defaultValue) const;
    // readString converted by settingsTextToUtf8; defaultValue (UTF-8) when missing.
    std::string readText(std::string_view section, std::string_view key, std::string_view defaultValue) const;
    // readInteger with the default 1 or 0; any non-zero value is true.
    bool readBool(std::string_view section, std::string_view key, bool defaultValue) const;

    // Edits as described at the top. Names must be valid (see validSectionName and validKeyName);
    // an invalid name throws std::invalid_argument, since names come from the program, not from
    // the user.
    void writeString(std::string_view section, std::string_view key, std::string_view value);
    void writeInteger(std::string_view section, std::string_view key, std::int32_t value);
    void writeBool(std::string_view section, std::string_view key, bool value);
    void eraseSection(std::string_view section);

    // A name that the file can hold and give back: not empty, no blank at either end, no CR, LF
    // or NUL; a section name without "]" that does not end in a lone Shift-JIS lead byte (which
    // would swallow the closing "]"), a key without "=" and not starting with ";" or "[".
    static bool validSectionName(std::string_view section);
    static bool validKeyName(std::string_view key);

private:
    enum class LineKind { Other, Section, Key };
    struct Line {
        std::string text; // without its line end
        std::string end;  // "", "\n" or "\r\n"
        LineKind kind = LineKind::Other;
        std::string foldedName;     // section or key name, ASCII letters in lower case
        std::size_t valueStart = 0; // key lines: offset of the text after the first "="
    };

    static Line classify(std::string text, std::string end);
    // Index of the first header of section, or npos.
    std::size_t findSection(std::string_view foldedSection) const;
    // One past the last line of the section whose header is at header.
    std::size_t sectionEnd(std::size_t header) const;
    std::size_t findKey(std::size_t header, std::string_view foldedKey) const;
    // Gives the file's last line, which has none, a line end before a line is added after it.
    void terminate(Line& line) const;
    void appendLine(std::string text);
    void insertLine(std::size_t at, std::string text);

    std::vector<Line> m_lines;
    std::string m_lineEnd = "\r\n";
};

} // namespace dg
