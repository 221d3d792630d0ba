#pragma once
// Reading a folder-information report and bringing it into the full form.
//
// Order of use, as the viewer and the tools load a file:
//   readReportFile -> checkForm -> ExpandFullDescription (abbreviated form only)
//   and, for a base file in the full form, substituteDriveSizes. (The shown file's drive sizes are
//   substituted by the tree builder while it walks the lines.)
// Lines 1..count-2 are the data lines; the header (0) and the closing line are never rewritten.
#include "core/debug_sink.h"
#include "core/errors.h"
#include "core/field_splitter.h"
#include "core/line_list.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

namespace dg {

inline constexpr std::string_view kHeaderMarker = "CHECK START AT";

// Reads the whole file into lines, replacing their content only on success.
// Throws FileOpenError (full path and the system's reason) when it cannot be opened or read.
void readReportFile(const std::string& path, LineList& lines);

// Where a report is read from: the file at path, or the process's standard input to its end.
struct ReportSource {
    std::string path;
    bool standardInput = false;

    static ReportSource file(std::string path) { return {std::move(path), false}; }
    static ReportSource input() { return {std::string(kStandardInputName), true}; }
    // How messages name it: the full path, or "-" for the standard input.
    std::string messageName() const;

    static constexpr std::string_view kStandardInputName = "-";
};

// Reads the report from source into lines, as readReportFile does.
void readReport(const ReportSource& source, LineList& lines);

// The error that stands for memory running out while the report from source was being read or
// loaded: FileOpenError with its name and the system's words for ENOMEM.
FileOpenError outOfMemoryError(const ReportSource& source);

// The form check shared by both loading paths.
// A report is recognised when it has at least 3 lines, the marker in line 0, and either a volume
// line as line 1 (POSIX paths) or ":" as line 1's second byte (drive paths). The path kind found is
// recorded on the lines (their encoding came with the text).
struct FormCheck {
    bool recognised = false;   // see above
    std::size_t markerPos = 0; // 0-based byte position of the marker in line 0
    bool abbreviated = false;  // line 2 begins with ">"
    bool posix = false;        // line 1 is a volume line
};
FormCheck checkForm(LineList& lines);
inline FormCheck checkForm(LineList&& lines)
{
    return checkForm(lines);
}

// A volume line of a POSIX report: field 0 starts with "/" and ends with ":", exactly 3 fields.
// Leaves the line split (up to 4 fields) in splitter, whose encoding must be set.
bool isVolumeLine(std::string_view line, FieldSplitter& splitter);

// Quick pre-check for isVolumeLine from the bytes alone: false only when the line certainly is no
// volume line. Unquoted, field 0 (up to a comma or a blank) must end with ":"; quoted, the line
// must hold ':"' somewhere. Lines that start with a blank are always kept.
bool mayBeVolumeLine(std::string_view line, TextEncoding enc);

// The header's two parts around the marker: everything before it, and at most 255 bytes after it.
struct HeaderParts {
    std::string_view computer;
    std::string_view startTime;
};
HeaderParts headerParts(std::string_view header, std::size_t markerPos);

// "コンピュータ　：　" + computer part + start-time part + suffix, in UTF-8: the status text of a
// shown report (suffix " の情報") and the hint of a comparison (suffix " の情報と比較中"). The
// header is read in enc.
std::string headerSummary(std::string_view header, std::size_t markerPos, std::string_view utf8Suffix,
                          TextEncoding enc = TextEncoding::ShiftJis);

// Text before the header's first blank: the name of the tree's top node.
std::string_view headerFirstWord(std::string_view header, TextEncoding enc = TextEncoding::ShiftJis);

// Rewrites the data lines of an abbreviated report into the full form: ">" marks expanded from the
// depth list, empty dates repeated from the last line that gave them, empty attributes made "16",
// a root size "?" replaced by its drive's size (with the debug line). Throws IndexError for a line
// with too few fields or a mark deeper than any stored entry; lines before it stay rewritten.
void ExpandFullDescription(LineList& lines, FieldSplitter& splitter, DebugSink* debug);

// Full form: a root line whose size is "?" takes the size of the drive (or volume) line before it
// (with the debug line). Throws IndexError like ExpandFullDescription.
void substituteDriveSizes(LineList& lines, FieldSplitter& splitter, DebugSink* debug);

// "Folder <path> Size set to DriveSize <size>"
std::string driveSizeDebugLine(std::string_view path, std::string_view driveSize);

} // namespace dg
