// Benchmarks of the loading and comparison core on synthetic reports of up to millions of
// folders. Run through `make bench`, which prints medians of several repetitions.
#include "bench/bench_data.h"
#include "core/collation.h"
#include "core/comparison.h"
#include "core/report_reader.h"
#include "core/tree_builder.h"

#include <benchmark/benchmark.h>

#include <stdexcept>

namespace dg::bench {
namespace {

constexpr std::uint64_t kMillion = 1'000'000;

FormCheck readChecked(const std::string& path, LineList& lines)
{
    readReportFile(path, lines);
    const FormCheck check = checkForm(lines);
    if (!check.recognised)
        throw std::runtime_error("not a report: " + path);
    return check;
}

// Bytes of the text as a file would hold it: line text plus CR LF.
double expandedTextBytes(const LineList& lines)
{
    return static_cast<double>(lines.textBytes() + 2 * lines.size());
}

// The last argument of every benchmark: 0 for the Shift-JIS report of drive paths, 1 for its
// UTF-8 twin with POSIX paths.
ReportText textArg(const benchmark::State& state, int index)
{
    return state.range(index) ? ReportText::Utf8Posix : ReportText::ShiftJisDrive;
}

// Reading the abbreviated form and expanding it to full paths.
void BM_ReadExpandAbbreviated(benchmark::State& state)
{
    const std::string path =
        benchReport(static_cast<std::uint64_t>(state.range(0)), ReportForm::Abbreviated, textArg(state, 1));
    double memoryRatio = 0;
    for (auto _ : state) {
        LineList lines;
        FieldSplitter splitter;
        const FormCheck check = readChecked(path, lines);
        if (check.abbreviated)
            ExpandFullDescription(lines, splitter, nullptr);
        memoryRatio = static_cast<double>(lines.memoryBytes()) / expandedTextBytes(lines);
        benchmark::DoNotOptimize(lines.size());
    }
    state.counters["memory_per_text"] = memoryRatio;
}

// Reading the full form and filling root sizes given as "?".
void BM_ReadSubstituteFull(benchmark::State& state)
{
    const std::string path = benchReport(static_cast<std::uint64_t>(state.range(0)), ReportForm::Full, textArg(state, 1));
    double memoryRatio = 0;
    for (auto _ : state) {
        LineList lines;
        FieldSplitter splitter;
        readChecked(path, lines);
        substituteDriveSizes(lines, splitter, nullptr);
        memoryRatio = static_cast<double>(lines.memoryBytes()) / expandedTextBytes(lines);
        benchmark::DoNotOptimize(lines.size());
    }
    state.counters["memory_per_text"] = memoryRatio;
}

// Everything the viewer does to show a file: read, check, expand, build the tree, sort it.
void BM_LoadTree(benchmark::State& state)
{
    const ReportForm form = state.range(1) ? ReportForm::Abbreviated : ReportForm::Full;
    const std::string path = benchReport(static_cast<std::uint64_t>(state.range(0)), form, textArg(state, 2));
    const NameCollator collator;
    double treeBytesPerNode = 0;
    for (auto _ : state) {
        LineList lines;
        FieldSplitter splitter;
        FolderTree tree;
        const FormCheck check = readChecked(path, lines);
        if (check.abbreviated)
            ExpandFullDescription(lines, splitter, nullptr);
        CreateTree(lines, tree, splitter, nullptr);
        tree.sort(lines, collator);
        treeBytesPerNode = static_cast<double>(tree.memoryBytes()) / static_cast<double>(tree.nodeCount());
    }
    state.counters["tree_bytes_per_node"] = treeBytesPerNode;
}

// A comparison: read, normalise and sort the base file, classify every node. The shown file's
// tree is built once outside the timing, as it is when the user opens a base file.
void BM_Compare(benchmark::State& state)
{
    const auto folders = static_cast<std::uint64_t>(state.range(0));
    const std::string shown = benchLaterReport(folders, textArg(state, 1));
    const std::string basePath = benchReport(folders, ReportForm::Full, textArg(state, 1));
    LineList lines;
    FieldSplitter splitter;
    FolderTree tree;
    readChecked(shown, lines);
    CreateTree(lines, tree, splitter, nullptr);
    tree.sort(lines, NameCollator());
    std::size_t changed = 0;
    for (auto _ : state) {
        LineList base;
        const FormCheck check = readChecked(basePath, base);
        normaliseBaseLines(base, check, splitter, nullptr);
        const ClassCounts counts = classifyTree(tree, lines, base, ChangeLimits{}, splitter, nullptr);
        changed = counts.added + counts.u1 + counts.u2 + counts.d1 + counts.d2;
    }
    state.counters["changed"] = static_cast<double>(changed);
    state.counters["nodes"] = static_cast<double>(tree.nodeCount());
}

void repeated(benchmark::internal::Benchmark* b)
{
    b->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(5)->ReportAggregatesOnly(true);
}

BENCHMARK(BM_ReadExpandAbbreviated)->Args({kMillion, 0})->Args({kMillion, 1})->Apply(repeated);
BENCHMARK(BM_ReadSubstituteFull)->Args({kMillion, 0})->Args({kMillion, 1})->Apply(repeated);
BENCHMARK(BM_LoadTree)
    ->Args({kMillion, 0, 0})
    ->Args({kMillion, 1, 0})
    ->Args({kMillion, 0, 1})
    ->Args({kMillion, 1, 1})
    ->Apply(repeated);
BENCHMARK(BM_Compare)
    ->Args({100'000, 0})
    ->Args({kMillion, 0})
    ->Args({kMillion, 1})
    ->Args({3 * kMillion, 0})
    ->Apply(repeated);

} // namespace
} // namespace dg::bench

BENCHMARK_MAIN();
