// dirgauge-scan: writes a folder-information report of local folders, for the viewer to show and
// to compare with a report of the same folders taken at another time.
#include "scan/folder_table.h"
#include "scan/local_clock.h"
#include "scan/report_output.h"
#include "scan/report_writer.h"
#include "scan/snapshot.h"
#include "scan/walker.h"
#include "tools/argument_walk.h"
#include "tools/tool_translations.h"

#include "core/translate.h"

#include <atomic>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <exception>
#include <initializer_list>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace dg::scan;

constexpr int kExitOk = 0;
constexpr int kExitIncomplete = 1;
constexpr int kExitFailure = 2;

const char* const kUsage =
    "usage: dirgauge-scan [--form full|abbrev] [--encoding utf-8|shift-jis] [--disk-usage] [--cross-mounts]\n"
    "                     [--exclude PATTERN]... [--threads N] [--replace-unmappable] [-o FILE] PATH...\n"
    "       dirgauge-scan --help | --version\n";

const char* const kHelp = R"(NAME
       dirgauge-scan - write a folder-information report of local folders

SYNOPSIS
       dirgauge-scan [--form full|abbrev] [--encoding utf-8|shift-jis] [--disk-usage]
                     [--cross-mounts] [--exclude PATTERN]... [--threads N]
                     [--replace-unmappable] [-o FILE] PATH...

DESCRIPTION
       Walks each PATH and writes one report for the Dirgauge viewer: a header line with the
       host name and the local start time, then for each PATH, in the order given, a volume line
       (the folder's path and ":", the size of its file system in bytes and how full it is) and
       one line per folder below it, depth first, each folder before its subfolders, subfolders in
       the byte order of their names, and a closing line with the end time and the number of
       folders and files counted. The same tree always gives the same lines.

       A folder line holds the path, the total size of everything below the folder (the folder
       itself included), its creation date (left empty when the file system keeps none), its
       update date, both as local "yyyy/mm/dd hh:mm:ss", and its attributes: 16, plus 2 when the
       name starts with ".", plus 1 when the owner may not write the folder.

       Sizes are counted as du counts them: a file with several hard links once (in the first of
       its folders in the report), symbolic links
       not followed (their own size counts), folders on other file systems left out. A name with
       control characters (a line break, a tab) is written with visible replacements and a
       warning. A name that is not valid UTF-8 is written as it is.

OPTIONS
       --form full
              The default. Every folder line holds the full path.

       --form abbrev
              The abbreviated form: ">" marks stand for the folders above, a date equal to the one
              on the line before is left empty, attributes 16 are left empty; an unknown creation
              date is written as "-". A ">" at the start of a folder name, which would read as a
              mark, is written as the fullwidth "＞" with a warning.

       --encoding utf-8
              The default. UTF-8 with a byte-order mark, lines ended by LF.

       --encoding shift-jis
              Shift-JIS (code page 932), lines ended by CR LF. A folder name that code page 932
              cannot hold (or that is not valid UTF-8) is an error naming it, and nothing is
              written.

       --replace-unmappable
              With --encoding shift-jis: writes "?" for what code page 932 cannot hold instead.

       --disk-usage
              Counts the space allocated on disk (blocks of 512 bytes, as du does) instead of the
              apparent sizes of the files.

       --cross-mounts
              Enters folders on other file systems too.

       --exclude PATTERN
              Leaves out files and folders whose name matches the shell pattern (a pattern holding
              "/" is matched against the whole path). May be given several times.

       --threads N
              Reads folders on N threads (default: the number of processors).

       -o FILE
              Writes the report to FILE instead of standard output. The report is written under a
              temporary name beside FILE and renamed at the end, so an interrupted scan leaves no
              half report; a FILE that is not a regular file (such as /dev/null) is written
              directly.

       --help Prints this page.

       --version
              Prints the program's version.

       While standard error is a terminal, the progress (folders, files, bytes, rate and the
       folder being read) is shown there. Interrupting the scan removes the temporary file.

EXIT STATUS
       0      success
       1      some folders or files could not be read (each is named on standard error); the
              report holds what could be counted
       2      usage error, a PATH that is not a folder, a name that Shift-JIS cannot hold, or an
              output that cannot be written; no report is written
)";

struct Options {
    ReportForm form = ReportForm::Full;
    ReportEncoding encoding = ReportEncoding::Utf8;
    bool replaceUnmappable = false;
    ScanOptions scan;
    std::string output;
    std::vector<std::string> paths;
};

// A message of this tool in the user's language, "%1" … filled in with `args`.
std::string text(std::string_view marked, std::initializer_list<std::string_view> args = {})
{
    return dg::i18n::format("dirgauge-scan", marked, args);
}

int usageError(const std::string& what)
{
    std::fprintf(stderr, "dirgauge-scan: %s\n%s", what.c_str(), kUsage);
    return kExitFailure;
}

std::optional<int> parseArgs(int argc, char** argv, Options& opt)
{
    const unsigned cores = std::thread::hardware_concurrency();
    opt.scan.threads = cores == 0 ? 1 : cores;
    dg::tools::ArgumentWalk args(argc, argv);
    while (args.next()) {
        const std::string& arg = args.arg();
        if (args.operand()) {
            opt.paths.push_back(arg);
            continue;
        }
        if (arg == "--help" || arg == "-h" || arg == "--version") {
            if (const int err = dg::tools::printPage(arg == "--version" ? "dirgauge-scan " DG_VERSION "\n" : kHelp)) {
                std::fprintf(stderr, "dirgauge-scan: %s\n", standardOutputFailure(err).c_str());
                return kExitFailure;
            }
            return kExitOk;
        }
        if (arg == "--disk-usage") {
            opt.scan.diskUsage = true;
        } else if (arg == "--cross-mounts") {
            opt.scan.crossMounts = true;
        } else if (arg == "--replace-unmappable") {
            opt.replaceUnmappable = true;
        } else if (arg == "--form" || arg == "--encoding" || arg == "--exclude" || arg == "--threads" || arg == "-o") {
            const auto v = args.value();
            if (!v)
                return usageError(text(DG_TRANSLATE_NOOP("dirgauge-scan", "%1 needs a value"), {arg}));
            if (arg == "--form") {
                if (*v != "full" && *v != "abbrev")
                    return usageError(text(DG_TRANSLATE_NOOP("dirgauge-scan", "unknown form %1 (full or abbrev)"), {*v}));
                opt.form = *v == "full" ? ReportForm::Full : ReportForm::Abbreviated;
            } else if (arg == "--encoding") {
                if (*v != "utf-8" && *v != "shift-jis")
                    return usageError(text(DG_TRANSLATE_NOOP("dirgauge-scan", "unknown encoding %1 (utf-8 or shift-jis)"), {*v}));
                opt.encoding = *v == "utf-8" ? ReportEncoding::Utf8 : ReportEncoding::ShiftJis;
            } else if (arg == "--exclude") {
                if (v->empty())
                    return usageError(text(DG_TRANSLATE_NOOP("dirgauge-scan", "--exclude needs a pattern")));
                opt.scan.excludes.push_back(*v);
            } else if (arg == "--threads") {
                char* end = nullptr;
                errno = 0;
                const long n = std::strtol(v->c_str(), &end, 10);
                if (v->empty() || *end || errno || n < 1 || n > 1024 || !std::isdigit(static_cast<unsigned char>((*v)[0])))
                    return usageError(text(DG_TRANSLATE_NOOP("dirgauge-scan", "--threads needs a whole number from 1 to 1024")));
                opt.scan.threads = static_cast<unsigned>(n);
            } else {
                if (v->empty())
                    return usageError(text(DG_TRANSLATE_NOOP("dirgauge-scan", "-o needs a file name")));
                opt.output = *v;
            }
        } else {
            return usageError(text(DG_TRANSLATE_NOOP("dirgauge-scan", "unknown option %1"), {arg}));
        }
    }
    if (opt.paths.empty())
        return usageError(text(DG_TRANSLATE_NOOP("dirgauge-scan", "no folder given")));
    if (opt.replaceUnmappable && opt.encoding != ReportEncoding::ShiftJis)
        return usageError(text(DG_TRANSLATE_NOOP("dirgauge-scan", "--replace-unmappable needs --encoding shift-jis")));
    return std::nullopt;
}

// Standard error is shared by warnings (from walker threads) and the progress line.
std::mutex g_stderr;
bool g_progressShown = false;

void clearProgressLocked()
{
    if (g_progressShown) {
        std::fputs("\r\033[K", stderr);
        g_progressShown = false;
    }
}

void warn(const std::string& text)
{
    std::lock_guard lock(g_stderr);
    clearProgressLocked();
    std::fprintf(stderr, "dirgauge-scan: %s\n", text.c_str());
}

std::string grouped(std::uint64_t n)
{
    std::string digits = std::to_string(n);
    for (std::size_t k = digits.size(); k > 3; k -= 3)
        digits.insert(k - 3, ",");
    return digits;
}

std::string humanBytes(double bytes)
{
    const char* units[] = {"B", "KiB", "MiB", "GiB", "TiB", "PiB"};
    std::size_t u = 0;
    while (bytes >= 1024 && u + 1 < std::size(units)) {
        bytes /= 1024;
        ++u;
    }
    char text[32];
    std::snprintf(text, sizeof text, u == 0 ? "%.0f %s" : "%.1f %s", bytes, units[u]);
    return text;
}

// Shows the walker's counters on the terminal at most ten times a second.
class Progress {
public:
    explicit Progress(const Walker& walker) : m_walker(walker)
    {
        m_thread = std::thread([this] { loop(); });
    }
    ~Progress()
    {
        {
            std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_wake.notify_all();
        m_thread.join();
        std::lock_guard lock(g_stderr);
        clearProgressLocked();
    }
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

private:
    void loop()
    {
        const auto start = std::chrono::steady_clock::now();
        std::unique_lock lock(m_mutex);
        while (!m_wake.wait_for(lock, std::chrono::milliseconds(100), [this] { return m_stop; })) {
            const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            const std::uint64_t files = m_walker.files();
            std::string line = grouped(m_walker.folders()) + " folders, " + grouped(files) + " files, "
                               + humanBytes(static_cast<double>(m_walker.bytes())) + ", "
                               + grouped(static_cast<std::uint64_t>(static_cast<double>(files) / (seconds > 0 ? seconds : 1)))
                               + " files/s";
            const std::uint32_t current = m_walker.currentFolder();
            if (current != kNoFolder)
                line += "  " + m_walker.pathOf(current);
            struct winsize ws {};
            const std::size_t width = ::ioctl(STDERR_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 1 ? ws.ws_col - 1U : 79U;
            if (line.size() > width) {
                // Cut at a character boundary so the terminal shows no broken character.
                std::size_t cut = width;
                while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80)
                    --cut;
                line.resize(cut);
            }
            for (char& c : line)
                if (static_cast<unsigned char>(c) < 32 || c == 127)
                    c = '?';
            std::lock_guard out(g_stderr);
            std::fprintf(stderr, "\r\033[K%s", line.c_str());
            std::fflush(stderr);
            g_progressShown = true;
        }
    }

    const Walker& m_walker;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stop = false;
    std::thread m_thread;
};

// A folder of each PATH, as an absolute path without "." or ".." or symbolic links.
std::optional<std::vector<std::string>> resolvePaths(const std::vector<std::string>& paths)
{
    std::vector<std::string> out;
    for (const std::string& p : paths) {
        char* real = ::realpath(p.c_str(), nullptr);
        if (!real) {
            std::fprintf(stderr, "dirgauge-scan: %s: %s\n", p.c_str(), std::strerror(errno));
            return std::nullopt;
        }
        out.emplace_back(real);
        std::free(real);
        struct stat st {};
        if (::stat(out.back().c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
            std::fprintf(stderr, "dirgauge-scan: %s\n", text(DG_TRANSLATE_NOOP("dirgauge-scan", "%1: not a folder"), {p}).c_str());
            return std::nullopt;
        }
    }
    return out;
}

void raiseOpenFileLimit()
{
    struct rlimit rl {};
    if (::getrlimit(RLIMIT_NOFILE, &rl) == 0 && rl.rlim_cur < rl.rlim_max) {
        rl.rlim_cur = rl.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &rl);
    }
}

int run(const Options& opt)
{
    const auto paths = resolvePaths(opt.paths);
    if (!paths)
        return kExitFailure;
    // The output is opened first: an output that cannot be written is found before the scan.
    ReportOutput output(opt.output);
    raiseOpenFileLimit();

    const std::int64_t start = std::time(nullptr);
    FolderTable table;
    Walker walker(opt.scan, table, warn);
    std::vector<ReportVolume> volumes;
    {
        std::optional<Progress> progress;
        if (::isatty(STDERR_FILENO))
            progress.emplace(walker);
        for (const std::string& path : *paths) {
            const std::uint32_t root = walker.walk(path);
            volumes.push_back(volumeOf(root, path));
        }
        walker.finish();
    }
    const std::int64_t end = std::time(nullptr);

    const NameProblems problems = prepareNames(table, opt.form, opt.encoding, opt.replaceUnmappable);
    for (const std::string& path : problems.controlCharacters)
        warn(text(DG_TRANSLATE_NOOP("dirgauge-scan", "control characters in a folder name replaced: %1"), {path}));
    for (const std::string& path : problems.leadingMarks)
        warn(text(DG_TRANSLATE_NOOP("dirgauge-scan", "\">\" at the start of a folder name replaced by \"%2\" (the abbreviated form reads \">\" as a mark): %1"), {path, "\xEF\xBC\x9E"}));
    if (!problems.unmappable.empty()) {
        std::size_t shown = 0;
        for (const std::string& path : problems.unmappable) {
            if (++shown > 20) {
                warn(text(DG_TRANSLATE_NOOP("dirgauge-scan", "... and %1 more"), {std::to_string(problems.unmappable.size() - 20)}));
                break;
            }
            warn(text(DG_TRANSLATE_NOOP("dirgauge-scan", "folder name not writable in Shift-JIS: %1"), {path}));
        }
        warn(text(DG_TRANSLATE_NOOP("dirgauge-scan", "no report written; --replace-unmappable writes \"?\" for such characters")));
        return kExitFailure;
    }
    if (problems.replacedUnmappable > 0)
        warn(text(DG_TRANSLATE_NOOP("dirgauge-scan", "%1 folder names written with \"?\" for characters Shift-JIS cannot hold"), {std::to_string(problems.replacedUnmappable)}));

    ReportWriter writer(table, opt.form, opt.encoding, output);
    writer.header(reportText(hostName(), opt.encoding), start);
    for (const ReportVolume& v : volumes)
        writer.volume(v);
    writer.closing(closingText(end, table.size(), walker.files()));
    output.commit();
    return walker.hadErrors() ? kExitIncomplete : kExitOk;
}

} // namespace

int main(int argc, char** argv)
{
    dg::tools::installToolTranslations();
    Options opt;
    if (const auto early = parseArgs(argc, argv, opt))
        return *early;
    ReportOutput::removeTemporaryOnSignals();
    try {
        return run(opt);
    } catch (const OutputError& e) {
        warn(e.what());
        return kExitFailure;
    } catch (const std::exception& e) {
        warn(e.what());
        return kExitFailure;
    }
}
