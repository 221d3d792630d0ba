#pragma once
// Synthetic folder-information reports for benchmarks and tests.
//
// generateReport() writes a report of one drive shaped like a real system drive: a handful of
// top-level folders, typical depth 4 to 10 with a few chains down to depth 20, a few very wide
// folders with thousands of subfolders, ASCII and Japanese names (Shift-JIS bytes, some with a
// "\" (0x5C) second byte, some needing quotes), sizes that add up (a folder's size is its own
// files plus its subfolders). deriveLater() turns such a report (or any well-formed report) into
// a later report of the same drive with given shares of folders added, removed, grown and shrunk.
//
// The output depends only on the options: the random numbers come from a generator implemented
// here, integer arithmetic only, so the same options give the same bytes on every platform.
// Text is produced in chunks and handed to a sink, so a report of millions of folders is never
// held in memory as a whole; the generator keeps 9 bytes per folder while it writes.
#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace dg::bench {

enum class ReportForm {
    Full,        // every line holds the full path; every date and attribute is written
    Abbreviated, // ">" marks for the leading folders, repeated dates and attributes 16 left empty
};

// Receives the report text in order, in chunks of about a megabyte.
using ChunkSink = std::function<void(std::string_view)>;

struct GenerateOptions {
    std::uint64_t seed = 1;
    std::uint64_t folders = 1000; // folder lines, the root line included; 1 to kMaxFolders
    ReportForm form = ReportForm::Full;
    std::string computer = "BENCH-PC"; // first word of the header line; must not be empty
    char drive = 'C';                  // drive letter A to Z
    bool rootSizeUnknown = false;      // write the root line's size as "?"
};

inline constexpr std::uint64_t kMaxFolders = 100'000'000;

// Change shares of deriveLater(), each a fraction from 0 to 1 of the earlier report's folders
// below the root. Removed folders are taken from the folders without subfolders; grown and
// shrunk folders are distinct folders whose own files make up at least half of their size, each
// changed by 11-28 % or 32-100 % (grown) and 11-28 % or 32-49 % (shrunk) of its size, so
// that each lands clearly inside one class of the viewer's default limits (10 % and 30 %).
// Added folders are new folders without subfolders, each placed directly after the line of
// its parent. When a report has fewer suitable folders than asked, fewer are changed.
struct ChangeShares {
    double added = 0;
    double removed = 0;
    double grown = 0;
    double shrunk = 0;
};

struct DeriveOptions {
    ChangeShares shares;
    std::uint64_t seed = 1;
    std::optional<ReportForm> form;             // default: the form of the earlier report
    std::int64_t laterBySeconds = 30 * 86'400; // the later listing's start, after the earlier one
};

// What deriveLater() did; folder counts include root lines.
struct DeriveStats {
    std::uint64_t earlierFolders = 0;
    std::uint64_t laterFolders = 0;
    std::uint64_t added = 0;
    std::uint64_t removed = 0;
    std::uint64_t grown = 0;
    std::uint64_t shrunk = 0;
};

// Writes a report: header line, drive line, root line, options.folders - 1 folder lines in
// depth-first order with unique sibling names, closing line; CR LF after every line.
// Throws std::invalid_argument for options out of range. Whatever the sink throws passes through.
void generateReport(const GenerateOptions& options, const ChunkSink& sink);
std::string generateReport(const GenerateOptions& options);

// Writes the later report derived from the earlier report text (full or abbreviated form, one
// or more drives, any line ends). The header and closing times move by options.laterBySeconds;
// the sizes of the ancestors of every changed folder follow; changed folders and the parents of
// added and removed ones get a new update date; sibling names stay unique (ignoring ASCII case).
// Folder lines keep their order, so the output stays in depth-first order. Fields after the
// attributes are not carried over.
// Throws std::invalid_argument for shares outside 0 to 1, and std::runtime_error with a message
// naming the line ("line 12: ...") for text that is not a consistent report.
DeriveStats deriveLater(std::string_view earlier, const DeriveOptions& options,
                        const ChunkSink& sink);
std::string deriveLater(std::string_view earlier, const DeriveOptions& options,
                        DeriveStats* stats = nullptr);

// A sink that writes to a file (or to standard output for the path "-").
class ReportFile {
public:
    // Throws std::runtime_error when the file cannot be created.
    explicit ReportFile(const std::string& path);
    ~ReportFile();
    ReportFile(const ReportFile&) = delete;
    ReportFile& operator=(const ReportFile&) = delete;

    // Throws std::runtime_error when writing fails.
    void write(std::string_view chunk);
    // Flushes and closes; throws std::runtime_error when that fails. Called by the destructor
    // too, which swallows the error.
    void close();
    ChunkSink sink()
    {
        return [this](std::string_view chunk) { write(chunk); };
    }

private:
    std::string m_path;
    std::FILE* m_file = nullptr; // owned unless it is stdout
};

// Reads a whole file; throws std::runtime_error when it cannot be read.
std::string readWholeFile(const std::string& path);

} // namespace dg::bench
