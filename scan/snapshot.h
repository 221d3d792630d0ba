#pragma once
// `SnapshotScan`: one folder scanned into one report file, the way `dirgauge-scan -o FILE PATH`
// does it (UTF-8, full form), for a program that runs the scan on a thread of its own while
// another thread shows the progress and may cancel it.
//
// The report is written under a temporary name beside the file and renamed at the end; a scan that
// fails or is cancelled leaves nothing behind. Folders and files that cannot be read are warnings,
// not failures: the report then holds what could be counted.
#include "scan/report_writer.h"
#include "scan/walker.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace dg::scan {

struct SnapshotProgress {
    std::uint64_t folders = 0;
    std::uint64_t files = 0;
    std::uint64_t bytes = 0;
    std::string currentFolder; // the folder being read; empty once the walk is over
};

struct SnapshotOutcome {
    enum class Result { Written, Cancelled, Failed };
    Result result = Result::Failed;
    std::string message;               // Failed: what went wrong, naming the folder or the file
    std::vector<std::string> warnings; // the first kKeptWarnings problems, in the order met
    std::uint64_t warningCount = 0;    // all of them
    std::uint64_t folders = 0;         // Written: what the report counts
    std::uint64_t files = 0;
};

class SnapshotScan {
public:
    static constexpr std::size_t kKeptWarnings = 20;

    // folder: the folder to scan (any path naming one); output: the report file to write.
    SnapshotScan(std::string folder, std::string output, ScanOptions options);
    SnapshotScan(const SnapshotScan&) = delete;
    SnapshotScan& operator=(const SnapshotScan&) = delete;

    // Runs the scan once, on the calling thread; throws nothing.
    SnapshotOutcome run();
    // From any thread: run() stops soon, removes what it has written and returns Cancelled.
    void cancel();
    // From any thread, at any time.
    SnapshotProgress progress() const;

private:
    SnapshotOutcome write(const std::string& folder);
    void warn(const std::string& text);

    std::string m_folder;
    std::string m_output;
    FolderTable m_table;
    Walker m_walker;
    std::atomic<bool> m_cancelled{false};
    // Guards the warnings and the end of the walk: the names may be rewritten after it, so the
    // folder being read is looked up only while it runs.
    mutable std::mutex m_mutex;
    bool m_walking = false;
    std::vector<std::string> m_warnings;
    std::uint64_t m_warningCount = 0;
};

// The parts of a report that do not come from the folders, shared with dirgauge-scan.
// The computer's name ("localhost" when it has none).
std::string hostName();
// The volume of the report whose root folder is root, scanned from path: its file system's size
// and usage (rounded up, as df shows it); zeros when the file system cannot be asked.
ReportVolume volumeOf(std::uint32_t root, const std::string& path);
// "CHECK END AT yyyy/mm/dd hh:mm:ss, N folders, M files".
std::string closingText(std::int64_t endTime, std::uint64_t folders, std::uint64_t files);

} // namespace dg::scan
