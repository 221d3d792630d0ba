// dirgauge-report: loads a folder-information report exactly as the viewer does and prints its
// folder tree (or the loaded lines) for people and scripts.
#include "core/errors.h"
#include "core/numbers.h"
#include "core/report_session.h"
#include "core/user_texts.h"
#include "diag/debug_log.h"
#include "tools/report_output.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>
#if __has_include(<malloc.h>)
#include <malloc.h>
#endif

namespace {

constexpr int kExitOk = 0;
constexpr int kExitUsage = 1;
constexpr int kExitError = 2;

const char* const kUsage = "usage: dirgauge-report [--format tree|tsv|json|report] [--encoding utf-8|shift-jis]\n"
                           "                       [--log FILE] [--base FILE]\n"
                           "                       [--limits U1,U2,D1,D2] [--changed] FILE\n"
                           "       dirgauge-report --help\n";

const char* const kHelp = R"(NAME
       dirgauge-report - print the folder tree of a folder-information report

SYNOPSIS
       dirgauge-report [--format tree|tsv|json|report] [--encoding utf-8|shift-jis] [--log FILE] [--base FILE]
                       [--limits U1,U2,D1,D2] [--changed] FILE

DESCRIPTION
       Reads FILE (Shift-JIS text, or UTF-8 text when it starts with the byte-order mark; drive
       or POSIX paths; full or abbreviated form), checks it, expands the abbreviated
       form, fills root sizes given as "?" from their drive line, builds the folder tree and sorts
       it, exactly as the Dirgauge viewer loads a file, then prints it.

OPTIONS
       --format tree
              The default. One line per folder, indented two blanks per level: "(size) name",
              sizes right-aligned as the viewer shows them. Changed folders carry their class
              ([Ad], [U1], [U2], [D1], [D2]) and, on a terminal, the colours of their class.

       --format tsv
              One line per node in tree order (every node, expanded or not): absolute index,
              level, line index in the loaded report, change class (0, 1-5, 255) and label,
              separated by tabs and ended by LF. Labels are UTF-8 with their leading blanks.

       --format json
              The tsv facts of every node plus its parent's index, with the file name and the
              status text, as one JSON document.

       --format report
              The report's lines as the viewer holds them after loading (abbreviated form
              expanded, root sizes filled in), in the report's encoding (UTF-8 with its byte-order
              mark) with CR LF: turns an abbreviated report into a full one.

       --encoding utf-8|shift-jis
              With --format report: writes the lines in this encoding, UTF-8 with the byte-order
              mark or Shift-JIS. A line that the chosen encoding cannot hold (or whose bytes are
              no text of the report's own encoding) stops the conversion with status 2, naming
              the line.

       --log FILE
              Writes the debug lines the viewer would write for the same steps to FILE, with the
              start and end banners (Shift-JIS, CR LF).

       --base FILE
              Compares FILE (the shown report) with this older or newer report of the same drive,
              as the viewer's comparison does: every folder is classed as added (1, Ad), increased
              (2, U1), greatly increased (3, U2), decreased (4, D1), greatly decreased (5, D2) or
              unchanged (255). When no folder changed, "異なるサイズのフォルダはありません。" is
              printed on standard error and the status is still 0.

       --limits U1,U2,D1,D2
              The four percentage limits of the classes (default 10,30,10,30): a folder that grew
              by at least U2 percent of its base size is greatly increased, by at least U1 percent
              increased; likewise D2 and D1 for shrinking.

       --changed
              Prints only the folders of classes 1 to 5.

       --help Prints this page.

EXIT STATUS
       0      success
       1      usage error
       2      the report could not be read, was not recognised, or has a line the viewer refuses
              (a line with too few fields, or a size that is not a number); the viewer's own
              message is printed on standard error. Also: --encoding met a line it cannot convert.
)";

struct Options {
    std::string format = "tree";
    std::string logFile;
    std::string baseFile;
    std::string encoding; // empty: the report's own
    std::optional<dg::ChangeLimits> limits;
    bool changedOnly = false;
    std::string file;
};

// "U1,U2,D1,D2": four whole numbers.
std::optional<dg::ChangeLimits> parseLimits(const std::string& text)
{
    std::int32_t v[4];
    std::size_t start = 0;
    for (int k = 0; k < 4; ++k) {
        const std::size_t comma = text.find(',', start);
        if ((k < 3) != (comma != std::string::npos))
            return std::nullopt;
        const std::string part = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        const auto n = dg::parseInt64(part);
        if (!n || *n < INT32_MIN || *n > INT32_MAX || part.empty() || part[0] == ' ')
            return std::nullopt;
        v[k] = static_cast<std::int32_t>(*n);
        start = comma + 1;
    }
    return dg::ChangeLimits{v[0], v[1], v[2], v[3]};
}

int usageError(const std::string& what)
{
    std::fprintf(stderr, "dirgauge-report: %s\n%s", what.c_str(), kUsage);
    return kExitUsage;
}

std::optional<int> parseArgs(int argc, char** argv, Options& opt)
{
    std::vector<std::string> positional;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> std::optional<std::string> {
            if (i + 1 >= argc)
                return std::nullopt;
            return std::string(argv[++i]);
        };
        if (arg == "--help" || arg == "-h") {
            std::fputs(kHelp, stdout);
            return kExitOk;
        }
        if (arg == "--changed") {
            opt.changedOnly = true;
        } else if (arg == "--format" || arg == "--log" || arg == "--base" || arg == "--limits" ||
                   arg == "--encoding") {
            const auto v = value();
            if (!v)
                return usageError(arg + " needs a value");
            if (arg == "--limits") {
                opt.limits = parseLimits(*v);
                if (!opt.limits)
                    return usageError("--limits needs four whole numbers: U1,U2,D1,D2");
            } else if (arg == "--encoding") {
                if (*v != "utf-8" && *v != "shift-jis")
                    return usageError("--encoding needs utf-8 or shift-jis");
                opt.encoding = *v;
            } else {
                (arg == "--format" ? opt.format : arg == "--log" ? opt.logFile : opt.baseFile) = *v;
            }
        } else if (arg == "--") {
            for (++i; i < argc; ++i)
                positional.emplace_back(argv[i]);
        } else if (arg.size() > 1 && arg[0] == '-') {
            return usageError("unknown option " + arg);
        } else {
            positional.push_back(arg);
        }
    }
    if (opt.format != "tree" && opt.format != "tsv" && opt.format != "json" && opt.format != "report")
        return usageError("unknown format " + opt.format);
    if (positional.size() != 1)
        return usageError(positional.empty() ? "no report file given" : "only one report file can be given");
    opt.file = positional.front();
    if (!opt.encoding.empty() && opt.format != "report")
        return usageError("--encoding needs --format report");
    if ((opt.limits || opt.changedOnly) && opt.baseFile.empty())
        return usageError("--limits and --changed need --base");
    return std::nullopt;
}

// How the tool follows a load: the classification prints its "nothing changed" text.
class ToolListener : public dg::ReportSession::Listener {
public:
    void classify(dg::ReportSession& session, const dg::ChangeLimits& limits) override
    {
        const dg::ClassifyOutcome outcome = session.classify(limits);
        if (!outcome.message.empty())
            std::fprintf(stderr, "%s\n", outcome.message.c_str());
    }
};

// The base report does not depend on the shown one: it is read, checked and sorted on another
// thread while the shown report is loaded, its debug lines held to be written in their place.
dg::BaseReport prepareBase(const std::string& file, bool logging)
{
    dg::HeldDebugLines held(logging);
    dg::BaseReport base = dg::readBaseReport(file, &held);
    base.debugLines = held.take();
    return base;
}

int run(const Options& opt)
{
    std::unique_ptr<dg::diag::DebugLog> log;
    if (!opt.logFile.empty()) {
        log = std::make_unique<dg::diag::DebugLog>(
            opt.logFile, dg::diag::DebugLog::Clock{},
            [](const std::string& message) { std::fprintf(stderr, "%s\n", message.c_str()); });
        log->setFixedFile(opt.logFile);
        log->setEnabled(true);
    }

    std::future<dg::BaseReport> pendingBase;
    if (!opt.baseFile.empty() && opt.baseFile != opt.file)
        pendingBase = std::async(std::launch::async, prepareBase, opt.baseFile, log != nullptr);

    // The lines are printed and the process ends: no copy of expanded lines into one block.
    dg::ReportSession session({}, dg::ReportSession::Options{.compactExpanded = false});
    session.setDebugSink(log.get());
    ToolListener listener;
    const auto failed = [](const dg::LoadOutcome& outcome) {
        if (outcome.result == dg::LoadResult::Loaded)
            return false;
        std::fprintf(stderr, "%s\n", outcome.message.c_str());
        return true;
    };
    if (failed(session.load(opt.file, opt.file, listener)))
        return kExitError;
    if (!opt.baseFile.empty()) {
        const auto source = [&pendingBase] { return pendingBase.get(); }; // rethrows a read error
        if (failed(session.loadBase(opt.baseFile, source, opt.limits.value_or(dg::ChangeLimits{}), listener)))
            return kExitError;
    }

    if (!opt.encoding.empty()) {
        const auto to = opt.encoding == "utf-8" ? dg::TextEncoding::Utf8 : dg::TextEncoding::ShiftJis;
        if (const auto bad = session.convertShownLines(to)) {
            std::fprintf(stderr, "dirgauge-report: line %zu cannot be written in %s\n", *bad + 1, opt.encoding.c_str());
            return kExitError;
        }
    }
    const dg::LineList& lines = session.shownLines();
    dg::tools::ReportView view{lines, session.tree(), opt.file,
                               dg::headerSummary(lines[0], session.shownForm().markerPos, dg::texts::kShownSuffix,
                                                 lines.kind().encoding),
                               opt.changedOnly};
    if (opt.format == "tsv")
        dg::tools::writeTsv(view, stdout);
    else if (opt.format == "json")
        dg::tools::writeJson(view, stdout);
    else if (opt.format == "report")
        dg::tools::writeReportLines(lines, stdout);
    else
        dg::tools::writeTree(view, stdout, ::isatty(STDOUT_FILENO) != 0);
    if (log)
        log->end();
    return kExitOk;
}

} // namespace

int main(int argc, char** argv)
{
    Options opt;
    if (const auto early = parseArgs(argc, argv, opt))
        return *early;
#if defined(M_MMAP_THRESHOLD)
    // Blocks of 256 KiB and more come straight from the system and go back to it when freed.
    // (By default the threshold rises after the first large free, and the heaps then keep
    // freed output buffers, raising the peak a little differently on every run.)
    mallopt(M_MMAP_THRESHOLD, 256 * 1024);
#endif
    // A large buffer keeps writing millions of lines cheap.
    static char buffer[1 << 16];
    std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
    try {
        const int status = run(opt);
        if (std::fflush(stdout) != 0)
            return kExitError;
        return status;
    } catch (const dg::UserError& e) {
        std::fflush(stdout);
        std::fprintf(stderr, "%s\n", e.what());
        return kExitError;
    } catch (const std::exception& e) {
        std::fflush(stdout);
        std::fprintf(stderr, "dirgauge-report: %s\n", e.what());
        return kExitError;
    }
}
