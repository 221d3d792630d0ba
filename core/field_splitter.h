#pragma once
// `FieldSplitter`: splits one report line into its comma-separated fields and joins them back.
//
// Splitting: leading bytes 1..32 are skipped; a field that starts with a double quote runs to the
// next double quote that is not doubled (a doubled quote inside stands for one); any other field
// runs to the first comma or byte 1..32, so a blank ends an unquoted field and starts the next one.
// After a field, bytes 1..32 are skipped; a comma is skipped with the blanks after it, and a comma
// that is the last byte of the line adds one final empty field. An empty line has no fields.
// Scanning is multi-byte aware (a Shift-JIS lead byte takes the next byte with it); a splitter set
// to UTF-8 text scans byte by byte (no byte of a UTF-8 character is a delimiter).
//
// Joining: fields separated by ","; a field holding a byte 1..32, a double quote or a comma is
// written in double quotes with inner quotes doubled; a line of exactly one empty field is "".
//
// Fields are views into the split line (or into the splitter's own storage for unquoted or replaced
// text): the line must outlive the use of the fields. Nothing is allocated per line once the
// splitter has seen a line of the same size.
#include "core/report_kind.h"

#include <cstddef>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace dg {

class FieldSplitter {
public:
    // The encoding of the lines split and joined (Shift-JIS unless set). Functions that take a line
    // list and a splitter set it from the list.
    void setEncoding(TextEncoding enc) { m_encoding = enc; }
    TextEncoding encoding() const { return m_encoding; }

    // Splits the whole line.
    void split(std::string_view line);
    // Splits only the first maxFields fields (the rest of the line is ignored); fields 0..maxFields-1
    // come out exactly as from split().
    void splitFirst(std::string_view line, std::size_t maxFields);

    std::size_t count() const { return m_fields.size(); }
    // Field k; IndexError(k) when it does not exist.
    std::string_view get(std::size_t k) const;
    // Field k, or empty text when it does not exist.
    std::string_view getOr(std::size_t k) const { return k < m_fields.size() ? m_fields[k] : std::string_view{}; }
    // Replaces field k by a copy of text; IndexError(k) when it does not exist.
    void replace(std::size_t k, std::string_view text);
    // Replaces field k by text without copying it: text must outlive the use of the fields.
    void replaceView(std::size_t k, std::string_view text);

    // The fields joined back into one line; the view stays valid until the next call.
    std::string_view join();
    static void joinTo(const std::vector<std::string_view>& fields, std::string& out,
                       TextEncoding enc = TextEncoding::ShiftJis);
    // One field as a join writes it (quoted and with inner quotes doubled when needed): its size,
    // and writing it at w (returns the end of what was written).
    static std::size_t joinedSize(std::string_view field, TextEncoding enc = TextEncoding::ShiftJis);
    static char* writeJoined(char* w, std::string_view field, TextEncoding enc = TextEncoding::ShiftJis);

private:
    std::vector<std::string_view> m_fields;
    std::string m_unquoted;             // unescaped quoted fields of the current line
    std::deque<std::string> m_owned;    // replaced fields, one slot per field (a deque never moves them)
    std::string m_joined;
    TextEncoding m_encoding = TextEncoding::ShiftJis;
};

} // namespace dg
