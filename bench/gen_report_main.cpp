// dirgauge-gen-report: writes synthetic folder-information reports for benchmarks and tests.
#include "bench/report_gen.h"

#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace {

constexpr const char* kUsage =
    R"(Usage: dirgauge-gen-report --folders N [OPTIONS] -o OUT
       dirgauge-gen-report --later-of FILE [CHANGES] [OPTIONS] -o OUT

Writes a synthetic folder-information report (Shift-JIS, CR LF): one drive shaped like a system
drive, or a later report of the drive in FILE. The same arguments always give the same bytes.

  --folders N           folder lines to write, the root line included (1 to 100000000);
                        a k or M suffix multiplies by 1000 or 1000000
  --later-of FILE       derive a later report of the same drive from the report FILE
  --form full|abbrev    full or abbreviated form (default: full; with --later-of: FILE's form)
  --seed S              seed of the random choices (default 1)
  --computer NAME       computer name in the header (default BENCH-PC)
  --drive LETTER        drive letter (default C)
  --root-size-unknown   write the root line's size as "?"
  -o, --output OUT      the file to write, "-" for standard output
  -v, --verbose         say on standard error what was written
  -h, --help            show this text

CHANGES, in percent of FILE's folders below the root (default 0 each):
  --added P             new folders, each right after its parent's line
  --removed P           folders without subfolders taken away
  --grown P             folders grown by 11-28 % or 32-100 %
  --shrunk P            folders shrunk by 11-28 % or 32-49 %
  --later-by DAYS       how much later the derived listing starts (default 30)
)";

struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct Arguments {
    dg::bench::GenerateOptions generate;
    dg::bench::DeriveOptions derive;
    std::optional<std::string> laterOf;
    bool foldersGiven = false;
    bool changesGiven = false;
    bool driveOptionsGiven = false;
    std::optional<dg::bench::ReportForm> form;
    std::string output;
    bool verbose = false;
};

std::uint64_t parseCount(std::string_view option, std::string_view text)
{
    std::uint64_t multiplier = 1;
    if (!text.empty() && (text.back() == 'k' || text.back() == 'K'))
        multiplier = 1000;
    else if (!text.empty() && text.back() == 'M')
        multiplier = 1'000'000;
    if (multiplier != 1)
        text.remove_suffix(1);
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty() ||
        value > std::numeric_limits<std::uint64_t>::max() / multiplier)
        throw UsageError(std::string(option) + ": not a whole number: " + std::string(text));
    return value * multiplier;
}

double parsePercent(std::string_view option, std::string_view text)
{
    if (!text.empty() && text.back() == '%')
        text.remove_suffix(1);
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty() ||
        !(value >= 0 && value <= 100))
        throw UsageError(std::string(option) + ": a percentage from 0 to 100 is needed, not " +
                         std::string(text));
    return value / 100.0;
}

Arguments parseArguments(int argc, char** argv)
{
    Arguments args;
    for (int i = 1; i < argc; ++i) {
        const std::string_view option = argv[i];
        auto value = [&]() -> std::string_view {
            if (i + 1 >= argc)
                throw UsageError(std::string(option) + " needs a value");
            return argv[++i];
        };
        if (option == "-h" || option == "--help") {
            std::fputs(kUsage, stdout);
            std::exit(0);
        } else if (option == "--folders") {
            args.generate.folders = parseCount(option, value());
            args.foldersGiven = true;
        } else if (option == "--later-of") {
            args.laterOf = std::string(value());
        } else if (option == "--form") {
            const std::string_view form = value();
            if (form == "full")
                args.form = dg::bench::ReportForm::Full;
            else if (form == "abbrev")
                args.form = dg::bench::ReportForm::Abbreviated;
            else
                throw UsageError("--form: full or abbrev, not " + std::string(form));
        } else if (option == "--seed") {
            args.generate.seed = args.derive.seed = parseCount(option, value());
        } else if (option == "--computer") {
            args.generate.computer = std::string(value());
            args.driveOptionsGiven = true;
        } else if (option == "--drive") {
            const std::string_view drive = value();
            if (drive.size() != 1 || drive[0] < 'A' || drive[0] > 'Z')
                throw UsageError("--drive: a letter from A to Z, not " + std::string(drive));
            args.generate.drive = drive[0];
            args.driveOptionsGiven = true;
        } else if (option == "--root-size-unknown") {
            args.generate.rootSizeUnknown = true;
            args.driveOptionsGiven = true;
        } else if (option == "--added") {
            args.derive.shares.added = parsePercent(option, value());
            args.changesGiven = true;
        } else if (option == "--removed") {
            args.derive.shares.removed = parsePercent(option, value());
            args.changesGiven = true;
        } else if (option == "--grown") {
            args.derive.shares.grown = parsePercent(option, value());
            args.changesGiven = true;
        } else if (option == "--shrunk") {
            args.derive.shares.shrunk = parsePercent(option, value());
            args.changesGiven = true;
        } else if (option == "--later-by") {
            const std::uint64_t days = parseCount(option, value());
            if (days > 36'500)
                throw UsageError("--later-by: at most 36500 days");
            args.derive.laterBySeconds = static_cast<std::int64_t>(days) * 86'400;
            args.changesGiven = true;
        } else if (option == "-o" || option == "--output") {
            args.output = std::string(value());
        } else if (option == "-v" || option == "--verbose") {
            args.verbose = true;
        } else {
            throw UsageError("unknown argument " + std::string(option));
        }
    }
    if (args.output.empty())
        throw UsageError("no output file (-o OUT)");
    if (args.laterOf) {
        if (args.foldersGiven || args.driveOptionsGiven)
            throw UsageError("--later-of takes the drive from FILE: no --folders, --computer, "
                             "--drive or --root-size-unknown with it");
    } else {
        if (!args.foldersGiven)
            throw UsageError("--folders N or --later-of FILE is needed");
        if (args.changesGiven)
            throw UsageError(
                "--added, --removed, --grown, --shrunk and --later-by need --later-of");
    }
    return args;
}

std::string write(const Arguments& args, const std::string& earlier,
                  const dg::bench::ChunkSink& sink)
{
    if (args.laterOf) {
        dg::bench::DeriveOptions options = args.derive;
        options.form = args.form;
        const dg::bench::DeriveStats stats = dg::bench::deriveLater(earlier, options, sink);
        return std::to_string(stats.laterFolders) + " folders (earlier " +
               std::to_string(stats.earlierFolders) + "; added " + std::to_string(stats.added) +
               ", removed " + std::to_string(stats.removed) + ", grown " +
               std::to_string(stats.grown) + ", shrunk " + std::to_string(stats.shrunk) + ")";
    }
    dg::bench::GenerateOptions options = args.generate;
    options.form = args.form.value_or(dg::bench::ReportForm::Full);
    dg::bench::generateReport(options, sink);
    return std::to_string(options.folders) + " folders";
}

int run(const Arguments& args)
{
    const auto started = std::chrono::steady_clock::now();
    // The earlier report is read whole before the output is opened, so that it may even be
    // the same file.
    const std::string earlier = args.laterOf ? dg::bench::readWholeFile(*args.laterOf) : "";
    // Opened with the first chunk: options or an earlier report that are rejected leave no
    // file behind and touch no existing one.
    std::optional<dg::bench::ReportFile> file;
    std::uint64_t bytes = 0;
    const dg::bench::ChunkSink sink = [&](std::string_view chunk) {
        if (!file)
            file.emplace(args.output);
        bytes += chunk.size();
        file->write(chunk);
    };
    std::string summary;
    try {
        summary = write(args, earlier, sink);
        file->close();
    } catch (...) {
        if (file) {
            // No half-written report is left behind.
            try {
                file->close();
            } catch (const std::runtime_error&) {
            }
            if (args.output != "-")
                std::remove(args.output.c_str());
        }
        throw;
    }
    if (args.verbose) {
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - started;
        std::fprintf(stderr, "dirgauge-gen-report: wrote %s: %s, %llu bytes in %.3f s\n",
                     args.output.c_str(), summary.c_str(),
                     static_cast<unsigned long long>(bytes), elapsed.count());
    }
    return 0;
}

int usageFailure(const char* what)
{
    std::fprintf(stderr, "dirgauge-gen-report: %s\nTry dirgauge-gen-report --help.\n", what);
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    try {
        return run(parseArguments(argc, argv));
    } catch (const UsageError& e) {
        return usageFailure(e.what());
    } catch (const std::invalid_argument& e) { // an option value out of range
        return usageFailure(e.what());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "dirgauge-gen-report: %s\n", e.what());
        return 1;
    }
}
