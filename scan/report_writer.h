#pragma once
// `ReportWriter`: writes a scanned `FolderTable` as a folder-information report.
//
// UTF-8 reports start with the byte-order mark and end lines with LF; Shift-JIS reports have no
// mark and end lines with CR LF, like the reports written on Windows. Both use POSIX paths: the
// volume line is the volume's path followed by ":", its file system size and usage ("33%"); each
// folder line holds the path (full form) or ">" marks standing for the folders above (abbreviated
// form), the subtree size, the creation date (empty in the full form when the file system keeps
// none, "-" in the abbreviated form, where an empty date repeats the one before), the update date
// and the attributes. Fields are joined by "," and quoted when they hold a byte 1..32, a double
// quote or a comma (inner quotes doubled).
//
// Call order: header() once, volume() for each volume in report order, closing() once. Output goes
// to the sink in blocks of about 1 MiB; the report text is never held whole.
#include "scan/folder_table.h"
#include "scan/local_clock.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace dg::scan {

enum class ReportForm { Full, Abbreviated };
enum class ReportEncoding { Utf8, ShiftJis };

class ByteSink {
public:
    virtual ~ByteSink() = default;
    virtual void write(std::string_view bytes) = 0;
};

struct ReportVolume {
    std::uint32_t root = kNoFolder;   // its name is the volume path
    std::uint64_t fileSystemBytes = 0;
    unsigned usagePercent = 0;
};

class ReportWriter {
public:
    ReportWriter(const FolderTable& table, ReportForm form, ReportEncoding encoding, ByteSink& sink);
    // Host and closing text are taken as they are (already in the report's encoding).
    void header(std::string_view host, std::int64_t startTime);
    void volume(const ReportVolume& volume);
    void closing(std::string_view text);

private:
    void folderLine(std::uint32_t id, std::string_view pathField);
    void field(std::string_view text);
    void endLine();
    void flushIfFull();

    const FolderTable& m_table;
    ReportForm m_form;
    ReportEncoding m_encoding;
    ByteSink& m_sink;
    LocalClock m_clock;
    std::string m_out;
    std::string m_lastCreated;
    std::string m_lastUpdated;
    bool m_firstField = true;
};

// Names made fit for the report, in place, before it is written.
struct NameProblems {
    std::vector<std::string> controlCharacters; // paths (as written) of names whose control characters were replaced
    std::vector<std::string> leadingMarks;      // paths (as written) of names whose leading ">" were replaced
    std::vector<std::string> unmappable;        // paths (UTF-8 as found) that code page 932 cannot hold
    std::uint64_t replacedUnmappable = 0;       // names written with "?" for what code page 932 cannot hold
};

// Replaces control characters (bytes 1..31 and 127) of every name by visible ones (U+2401..U+241F
// and U+2421 in UTF-8, "?" in Shift-JIS); in the abbreviated form, where a leading ">" would be read
// as a mark, the ">" at the start of a name by U+FF1E (fullwidth ">"); and, for Shift-JIS, converts
// every name from UTF-8. A name
// that is not valid UTF-8, or holds a character that code page 932 has not, is listed in
// unmappable and left alone, unless replaceUnmappable: then such characters become "?". The caller
// must not write a Shift-JIS report while unmappable is not empty.
NameProblems prepareNames(FolderTable& table, ReportForm form, ReportEncoding encoding, bool replaceUnmappable);

// Text in the report's encoding ("?" for what Shift-JIS cannot hold).
std::string reportText(std::string_view utf8, ReportEncoding encoding);

} // namespace dg::scan
