#pragma once
// The earlier report as the deriver reads it: one compact row per drive or folder line, its
// texts kept as references into the report. Internal to dg_report_gen.
#include "bench/report_gen.h"
#include "core/field_splitter.h"

#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace dg::bench::detail {

inline constexpr std::uint64_t kMaxSize =
    static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());

// A piece of text: offsets below the earlier report's size point into it, higher ones into a
// side pool for the few fields that had to be rewritten (quoted text with doubled quotes).
struct TextRef {
    std::uint32_t offset = 0;
    std::uint32_t length = 0;
};

// What a row is, and what the deriver decided for it.
enum RowFlag : std::uint8_t {
    kDriveRow = 1,
    kSizeUnknown = 2, // the size field is "?"
    kHasChildren = 4,
    kChangeable = 8, // own files are at least half of the size, so it can grow or shrink alone
    kRemoved = 16,
    kGrown = 32,
    kShrunk = 64,
    kTouched = 128, // gets a new update date
};

// One drive or folder line of the earlier report. 48 bytes, no heap object per line.
struct Row {
    std::uint64_t size = 0;
    TextRef name;       // folder name, empty for a root; the drive ("C:") for a drive line
    TextRef first;      // creation date; the drive size for a drive line
    TextRef second;     // update date; the usage rate for a drive line
    TextRef attributes; // empty for a drive line
    std::uint32_t added = 0; // new subfolders to place right after this folder
    std::uint16_t depth = 0; // root 0
    std::uint8_t flags = 0;
    std::uint8_t percent = 0; // change of a grown or shrunk folder
};

// The earlier report, split into rows. Checks what the later report relies on: the header,
// a drive line before each root line, a root line before the folders of a drive, and every
// folder path continuing the path of the folder listed as its parent.
class EarlierReport {
public:
    // Reads a whole report (full or abbreviated form, any line ends, a NUL ends the text). The
    // text must outlive this object. Throws std::runtime_error naming the first line (counted
    // from 1) that does not fit.
    explicit EarlierReport(std::string_view text);

    // The text a reference of this report stands for.
    std::string_view text(TextRef ref) const
    {
        if (ref.offset < m_input.size())
            return m_input.substr(ref.offset, ref.length);
        return std::string_view(m_pool).substr(ref.offset - m_input.size(), ref.length);
    }

    std::vector<Row> m_rows; // drive and folder lines in report order
    std::string_view m_header;
    std::string_view m_closing;
    ReportForm m_form = ReportForm::Full;
    std::uint64_t m_folders = 0; // folder lines below a root: the base of the change shares

private:
    [[noreturn]] void fail(const std::string& what) const
    {
        throw std::runtime_error("line " + std::to_string(m_lineNumber) + ": " + what);
    }
    TextRef refTo(std::string_view piece) const
    {
        return {static_cast<std::uint32_t>(piece.data() - m_input.data()),
                static_cast<std::uint32_t>(piece.size())};
    }
    TextRef pooled(std::string_view piece);
    TextRef sub(TextRef ref, std::size_t from, std::size_t length) const
    {
        return {static_cast<std::uint32_t>(ref.offset + from), static_cast<std::uint32_t>(length)};
    }
    void splitFields(std::string_view line);
    void dataLine(std::string_view line);
    // Resolves the ">" marks of an abbreviated path field into m_expanded.
    void expandMarks(TextRef field, TextRef& name);

    std::string_view m_input;
    std::string m_pool;
    std::size_t m_lineNumber = 0;
    std::vector<TextRef> m_fields;    // of the current line, at most five
    std::size_t m_fieldCount = 0;
    FieldSplitter m_splitter;
    std::vector<TextRef> m_depthList; // abbreviated form: the text stored at each depth
    std::string m_expanded;           // abbreviated form: full path of the current line
    TextRef m_lastCreated;
    TextRef m_lastUpdated;
    TextRef m_sixteen;
    std::string m_path;                 // full path of the last folder
    std::vector<std::size_t> m_pathEnds; // its length at each depth
    bool m_afterDrive = false;
};

} // namespace dg::bench::detail
