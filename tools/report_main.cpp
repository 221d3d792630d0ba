// dirgauge-report: loads a folder-information report exactly as the viewer does and prints its
// folder tree (or the loaded lines) for people and scripts.
#include "core/errors.h"
#include "core/numbers.h"
#include "core/report_session.h"
#include "core/system_file.h"
#include "core/translate.h"
#include "core/user_texts.h"
#include "diag/debug_log.h"
#include "tools/argument_walk.h"
#include "tools/report_output.h"
#include "tools/tool_translations.h"

#include "dg_version.h"

#include <cerrno>
#include <clocale>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <future>
#include <initializer_list>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <unistd.h>
#include <vector>
#if __has_include(<malloc.h>)
#include <malloc.h>
#endif

namespace {

constexpr int kExitOk = 0;
constexpr int kExitUsage = 1;
constexpr int kExitError = 2;

constexpr const char* kProgram = "dirgauge-report";

const char* const kUsage = "usage: dirgauge-report [--format tree|tsv|json|report] [--encoding utf-8|shift-jis]\n"
                           "                       [--color auto|always|never] [--log FILE] [--base FILE|-]\n"
                           "                       [--limits U1,U2,D1,D2] [--changed] FILE|-\n"
                           "       dirgauge-report --help | --version\n";

const char* const kHelp = R"(NAME
       dirgauge-report - print the folder tree of a folder-information report

SYNOPSIS
       dirgauge-report [--format tree|tsv|json|report] [--encoding utf-8|shift-jis]
                       [--color auto|always|never] [--log FILE] [--base FILE|-]
                       [--limits U1,U2,D1,D2] [--changed] FILE|-

DESCRIPTION
       Reads FILE (Shift-JIS text, or UTF-8 text when it starts with the byte-order mark; drive
       or POSIX paths; full or abbreviated form), checks it, expands the abbreviated
       form, fills root sizes given as "?" from their drive line, builds the folder tree and sorts
       it, exactly as the Dirgauge viewer loads a file, then prints it. FILE "-" reads the report
       from standard input (a file really named "-" is given as ./-).

OPTIONS
       --format tree
              The default. One line per folder, indented two blanks per level: "(size) name",
              sizes right-aligned as the viewer shows them. Changed folders carry their class
              ([Ad], [U1], [U2], [D1], [D2]) and, when colour is on, the colours of their class.

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

       --color auto|always|never, --color=WHEN
              Colours of the changed folders in the tree format. auto (the default) colours when
              standard output is a terminal, TERM is not "dumb" and the NO_COLOR environment
              variable is unset or empty; always and never override both.

       --log FILE
              Writes the debug lines the viewer would write for the same steps to FILE, with the
              start and end banners (Shift-JIS, CR LF).

       --base FILE
              Compares FILE (the shown report) with this older or newer report of the same drive,
              as the viewer's comparison does: every folder is classed as added (1, Ad), increased
              (2, U1), greatly increased (3, U2), decreased (4, D1), greatly decreased (5, D2) or
              unchanged (255). When no folder changed, "異なるサイズのフォルダはありません。" is
              printed on standard error and the status is still 0. "-" reads the base report from
              standard input (then FILE cannot be "-" as well).

       --limits U1,U2,D1,D2
              The four percentage limits of the classes (default 10,30,10,30): a folder that grew
              by at least U2 percent of its base size is greatly increased, by at least U1 percent
              increased; likewise D2 and D1 for shrinking.

       --changed
              Prints only the folders of classes 1 to 5.

       --help Prints this page.

       --version
              Prints the version.

DIAGNOSTICS
       Messages go to standard error, each after "dirgauge-report: ": the viewer's own message
       text for a report that cannot be read or loaded (the system's reason in the language of
       the locale where the C library has one), or the reason the output could not be written.

EXIT STATUS
       0      success
       1      usage error
       2      the report could not be read, was not recognised, or has a line the viewer refuses
              (a line with too few fields, or a size that is not a number); --encoding met a line
              it cannot convert; memory ran out; or the output could not be written (a full disk,
              a closed pipe). The reason is printed on standard error.
)";

enum class Colour { Auto, Always, Never };

struct Options {
    std::string format = "tree";
    std::string logFile;
    std::string baseFile;
    std::string encoding; // empty: the report's own
    std::optional<dg::ChangeLimits> limits;
    bool changedOnly = false;
    Colour colour = Colour::Auto;
    std::string file;
};

bool isStandardInput(const std::string& name)
{
    return name == dg::ReportSource::kStandardInputName;
}

dg::ReportSource sourceOf(const std::string& name)
{
    return isStandardInput(name) ? dg::ReportSource::input() : dg::ReportSource::file(name);
}

// Every message on standard error names the program first.
void message(const std::string& text)
{
    std::fprintf(stderr, "%s: %s\n", kProgram, text.c_str());
}

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

// A message of this tool in the user's language, "%1" … filled in with `args`.
std::string text(std::string_view marked, std::initializer_list<std::string_view> args = {})
{
    return dg::i18n::format("dirgauge-report", marked, args);
}

int usageError(const std::string& what)
{
    std::fprintf(stderr, "%s: %s\n%s", kProgram, what.c_str(), kUsage);
    return kExitUsage;
}

int writeFailed(int err)
{
    message(text(DG_TRANSLATE_NOOP("dirgauge-report", "cannot write the output: %1"), {dg::sys::systemReason(err)}));
    return kExitError;
}

std::optional<Colour> parseColour(const std::string& text)
{
    if (text == "auto")
        return Colour::Auto;
    if (text == "always")
        return Colour::Always;
    if (text == "never")
        return Colour::Never;
    return std::nullopt;
}

std::optional<int> parseArgs(int argc, char** argv, Options& opt)
{
    std::vector<std::string> positional;
    dg::tools::ArgumentWalk args(argc, argv);
    while (args.next()) {
        const std::string& arg = args.arg();
        if (args.operand()) {
            positional.push_back(arg);
            continue;
        }
        if (arg == "--help" || arg == "-h" || arg == "--version") {
            if (const int err = dg::tools::printPage(arg == "--version" ? "dirgauge-report " DG_VERSION "\n" : kHelp))
                return writeFailed(err);
            return kExitOk;
        }
        if (arg == "--changed") {
            opt.changedOnly = true;
        } else if (arg.starts_with("--color=") || arg == "--color") {
            const auto v = arg == "--color" ? args.value() : std::optional<std::string>(arg.substr(8));
            const auto colour = v ? parseColour(*v) : std::nullopt;
            if (!colour)
                return usageError(text(DG_TRANSLATE_NOOP("dirgauge-report", "--color needs auto, always or never")));
            opt.colour = *colour;
        } else if (arg == "--format" || arg == "--log" || arg == "--base" || arg == "--limits" ||
                   arg == "--encoding") {
            const auto v = args.value();
            if (!v)
                return usageError(text(DG_TRANSLATE_NOOP("dirgauge-report", "%1 needs a value"), {arg}));
            if (arg == "--limits") {
                opt.limits = parseLimits(*v);
                if (!opt.limits)
                    return usageError(text(DG_TRANSLATE_NOOP("dirgauge-report", "--limits needs four whole numbers: U1,U2,D1,D2")));
            } else if (arg == "--encoding") {
                if (*v != "utf-8" && *v != "shift-jis")
                    return usageError(text(DG_TRANSLATE_NOOP("dirgauge-report", "--encoding needs utf-8 or shift-jis")));
                opt.encoding = *v;
            } else {
                (arg == "--format" ? opt.format : arg == "--log" ? opt.logFile : opt.baseFile) = *v;
            }
        } else {
            return usageError(text(DG_TRANSLATE_NOOP("dirgauge-report", "unknown option %1"), {arg}));
        }
    }
    if (opt.format != "tree" && opt.format != "tsv" && opt.format != "json" && opt.format != "report")
        return usageError(text(DG_TRANSLATE_NOOP("dirgauge-report", "unknown format %1"), {opt.format}));
    if (positional.size() != 1)
        return usageError(positional.empty() ? text(DG_TRANSLATE_NOOP("dirgauge-report", "no report file given"))
                                              : text(DG_TRANSLATE_NOOP("dirgauge-report", "only one report file can be given")));
    opt.file = positional.front();
    if (!opt.encoding.empty() && opt.format != "report")
        return usageError(text(DG_TRANSLATE_NOOP("dirgauge-report", "--encoding needs --format report")));
    if ((opt.limits || opt.changedOnly) && opt.baseFile.empty())
        return usageError(text(DG_TRANSLATE_NOOP("dirgauge-report", "--limits and --changed need --base")));
    if (isStandardInput(opt.file) && isStandardInput(opt.baseFile))
        return usageError(text(DG_TRANSLATE_NOOP("dirgauge-report", "the standard input can give only one report: FILE or --base")));
    return std::nullopt;
}

bool colourWanted(Colour colour)
{
    if (colour != Colour::Auto)
        return colour == Colour::Always;
    const char* noColour = std::getenv("NO_COLOR");
    const char* term = std::getenv("TERM");
    return ::isatty(STDOUT_FILENO) != 0 && (noColour == nullptr || *noColour == '\0') &&
           !(term != nullptr && std::string_view(term) == "dumb");
}

// How the tool follows a load: the classification prints its "nothing changed" text.
class ToolListener : public dg::ReportSession::Listener {
public:
    void classify(dg::ReportSession& session, const dg::ChangeLimits& limits) override
    {
        const dg::ClassifyOutcome outcome = session.classify(limits);
        if (!outcome.message.empty())
            message(outcome.message);
    }
};

// The base report does not depend on the shown one: it is read, checked and sorted on another
// thread while the shown report is loaded, its debug lines held to be written in their place.
dg::BaseReport prepareBase(const dg::ReportSource& source, bool logging)
{
    dg::HeldDebugLines held(logging);
    dg::BaseReport base = dg::readBaseReport(source, &held);
    base.debugLines = held.take();
    return base;
}

int run(const Options& opt)
{
    std::unique_ptr<dg::diag::DebugLog> log;
    if (!opt.logFile.empty()) {
        log = std::make_unique<dg::diag::DebugLog>(
            opt.logFile, dg::diag::DebugLog::Clock{},
            [](const std::string& text) { message(text); });
        log->setFixedFile(opt.logFile);
        log->setEnabled(true);
    }

    // A base from standard input is read only once the shown report has loaded: read ahead, a
    // shown report that fails would leave the tool waiting for the end of the input.
    std::future<dg::BaseReport> pendingBase;
    if (!opt.baseFile.empty() && opt.baseFile != opt.file) {
        const dg::ReportSource base = sourceOf(opt.baseFile);
        try {
            pendingBase = std::async(base.standardInput ? std::launch::deferred : std::launch::async, prepareBase,
                                     base, log != nullptr);
        } catch (const std::system_error&) {
            // No second thread to be had: the base is read when it is needed, on this one.
            pendingBase = std::async(std::launch::deferred, prepareBase, base, log != nullptr);
        }
    }

    // The lines are printed and the process ends: no copy of expanded lines into one block.
    dg::ReportSession session({}, dg::ReportSession::Options{.compactExpanded = false});
    session.setDebugSink(log.get());
    ToolListener listener;
    const auto failed = [](const dg::LoadOutcome& outcome) {
        if (outcome.result == dg::LoadResult::Loaded)
            return false;
        message(outcome.message);
        return true;
    };
    if (failed(session.load(opt.file, sourceOf(opt.file), listener)))
        return kExitError;
    if (!opt.baseFile.empty()) {
        const auto source = [&pendingBase] { return pendingBase.get(); }; // rethrows a read error
        if (failed(session.loadBase(opt.baseFile, source, opt.limits.value_or(dg::ChangeLimits{}), listener)))
            return kExitError;
    }

    if (!opt.encoding.empty()) {
        const auto to = opt.encoding == "utf-8" ? dg::TextEncoding::Utf8 : dg::TextEncoding::ShiftJis;
        if (const auto bad = session.convertShownLines(to)) {
            message(text(DG_TRANSLATE_NOOP("dirgauge-report", "line %1 cannot be written in %2"), {std::to_string(*bad + 1), opt.encoding}));
            return kExitError;
        }
    }
    const dg::LineList& lines = session.shownLines();
    dg::tools::ReportView view{lines, session.tree(), opt.file,
                               dg::headerSummary(lines[0], session.shownForm().markerPos, dg::texts::tr(dg::texts::kShownSuffix),
                                                 lines.kind().encoding),
                               opt.changedOnly};
    if (opt.format == "tsv")
        dg::tools::writeTsv(view, stdout);
    else if (opt.format == "json")
        dg::tools::writeJson(view, stdout);
    else if (opt.format == "report")
        dg::tools::writeReportLines(lines, stdout);
    else
        dg::tools::writeTree(view, stdout, colourWanted(opt.colour));
    if (log)
        log->end();
    return kExitOk;
}

} // namespace

int main(int argc, char** argv)
{
    // The system's reasons in the user's language (LC_MESSAGES, in the character set of
    // LC_CTYPE); numbers and everything else stay as the program formats them.
    std::setlocale(LC_CTYPE, "");
    std::setlocale(LC_MESSAGES, "");
    dg::tools::installToolTranslations();
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
        errno = 0;
        if (std::fflush(stdout) != 0 || std::ferror(stdout))
            return writeFailed(errno != 0 ? errno : EIO);
        return status;
    } catch (const dg::tools::OutputError& e) {
        return writeFailed(e.error());
    } catch (const dg::UserError& e) {
        std::fflush(stdout);
        message(e.what());
        return kExitError;
    } catch (const std::bad_alloc&) {
        // Past the load (the load names its own file): the output of the report ran out of memory.
        std::fflush(stdout);
        message(dg::outOfMemoryError(sourceOf(opt.file)).what());
        return kExitError;
    } catch (const std::exception& e) {
        std::fflush(stdout);
        message(e.what());
        return kExitError;
    }
}
