#include "scan/snapshot.h"

#include "core/translate.h"
#include "scan/local_clock.h"
#include "scan/report_output.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <exception>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace dg::scan {
namespace {

struct Cancelled {};

// Passes the report on to the output until the scan is cancelled.
class CancellableSink : public ByteSink {
public:
    CancellableSink(ByteSink& out, const std::atomic<bool>& cancelled) : m_out(out), m_cancelled(cancelled) {}
    void write(std::string_view bytes) override
    {
        if (m_cancelled.load(std::memory_order_relaxed))
            throw Cancelled{};
        m_out.write(bytes);
    }

private:
    ByteSink& m_out;
    const std::atomic<bool>& m_cancelled;
};

} // namespace

std::string hostName()
{
    char host[HOST_NAME_MAX + 1] = {};
    if (::gethostname(host, sizeof host - 1) != 0 || !host[0])
        return "localhost";
    return host;
}

ReportVolume volumeOf(std::uint32_t root, const std::string& path)
{
    ReportVolume v;
    v.root = root;
    struct statvfs fs {};
    if (::statvfs(path.c_str(), &fs) == 0) {
        const std::uint64_t used = (fs.f_blocks - fs.f_bfree) * std::uint64_t{fs.f_frsize};
        const std::uint64_t usable = used + fs.f_bavail * std::uint64_t{fs.f_frsize};
        v.fileSystemBytes = fs.f_blocks * std::uint64_t{fs.f_frsize};
        v.usagePercent = usable == 0 ? 0 : static_cast<unsigned>((used * 100 + usable - 1) / usable);
    }
    return v;
}

std::string closingText(std::int64_t endTime, std::uint64_t folders, std::uint64_t files)
{
    LocalClock clock;
    return "CHECK END AT " + clock.format(endTime) + ", " + std::to_string(folders) + " folders, "
           + std::to_string(files) + " files";
}

SnapshotScan::SnapshotScan(std::string folder, std::string output, ScanOptions options)
    : m_folder(std::move(folder)), m_output(std::move(output)),
      m_walker(std::move(options), m_table, [this](const std::string& text) { warn(text); })
{
}

void SnapshotScan::cancel()
{
    m_cancelled.store(true, std::memory_order_relaxed);
    m_walker.cancel();
}

void SnapshotScan::warn(const std::string& text)
{
    std::lock_guard lock(m_mutex);
    if (m_warnings.size() < kKeptWarnings)
        m_warnings.push_back(text);
    ++m_warningCount;
}

SnapshotProgress SnapshotScan::progress() const
{
    SnapshotProgress p;
    p.folders = m_walker.folders();
    p.files = m_walker.files();
    p.bytes = m_walker.bytes();
    std::lock_guard lock(m_mutex);
    const std::uint32_t current = m_walker.currentFolder();
    if (m_walking && current != kNoFolder)
        p.currentFolder = m_walker.pathOf(current);
    return p;
}

SnapshotOutcome SnapshotScan::run()
{
    SnapshotOutcome outcome;
    // The folder as an absolute path without "." or ".." or symbolic links: the report's volume.
    char* real = ::realpath(m_folder.c_str(), nullptr);
    if (!real) {
        outcome.message = m_folder + ": " + std::strerror(errno);
        return outcome;
    }
    const std::string folder = real;
    std::free(real);
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        outcome.message = m_folder + ": not a folder";
        return outcome;
    }
    try {
        outcome = write(folder);
    } catch (const Cancelled&) {
        outcome = SnapshotOutcome{};
        outcome.result = SnapshotOutcome::Result::Cancelled;
    } catch (const std::exception& e) {
        outcome = SnapshotOutcome{};
        outcome.message = e.what();
    }
    if (outcome.result == SnapshotOutcome::Result::Written) {
        std::lock_guard lock(m_mutex);
        outcome.warnings = m_warnings;
        outcome.warningCount = m_warningCount;
    }
    return outcome;
}

SnapshotOutcome SnapshotScan::write(const std::string& folder)
{
    // The output is opened first, so that one that cannot be written is found before the scan. Its
    // destructor removes the temporary file on every way out but commit().
    ReportOutput output(m_output);
    const std::int64_t start = std::time(nullptr);
    {
        std::lock_guard lock(m_mutex);
        m_walking = true;
    }
    const std::uint32_t root = m_walker.walk(folder);
    {
        std::lock_guard lock(m_mutex);
        m_walking = false;
    }
    if (m_cancelled.load(std::memory_order_relaxed))
        throw Cancelled{};
    const ReportVolume volume = volumeOf(root, folder);
    m_walker.finish();
    const std::int64_t end = std::time(nullptr);

    const NameProblems problems = prepareNames(m_table, ReportForm::Full, ReportEncoding::Utf8, false);
    for (const std::string& path : problems.controlCharacters)
        warn(dg::i18n::format("dg::scan", DG_TRANSLATE_NOOP("dg::scan", "control characters in a folder name replaced: %1"), {path}));

    CancellableSink sink(output, m_cancelled);
    ReportWriter writer(m_table, ReportForm::Full, ReportEncoding::Utf8, sink);
    writer.header(hostName(), start);
    writer.volume(volume);
    writer.closing(closingText(end, m_table.size(), m_walker.files()));
    if (m_cancelled.load(std::memory_order_relaxed))
        throw Cancelled{};
    output.commit();

    SnapshotOutcome outcome;
    outcome.result = SnapshotOutcome::Result::Written;
    outcome.folders = m_table.size();
    outcome.files = m_walker.files();
    return outcome;
}

} // namespace dg::scan
