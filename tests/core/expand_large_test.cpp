// Large generated reports: the abbreviated form expands to exactly the full form, and a large
// comparison classifies the same on two threads as in one walk.
#include "bench/posix_copy.h"
#include "bench/report_gen.h"
#include "core/collation.h"
#include "core/comparison.h"
#include "core/errors.h"
#include "core/tree_builder.h"
#include "core/report_reader.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <thread>

namespace dg {
namespace {

// The same generated drive in both forms.
struct BigPair {
    LineList full;
    LineList abbreviated;
    BigPair()
    {
        bench::GenerateOptions options;
        options.folders = 220'000; // past the size where the two halves expand on two threads
        options.seed = 5;
        full.assignText(bench::generateReport(options));
        options.form = bench::ReportForm::Abbreviated;
        abbreviated.assignText(bench::generateReport(options));
    }
};

TEST(ExpandLarge, AbbreviatedFormExpandsToTheFullForm)
{
    BigPair pair;
    ASSERT_TRUE(checkForm(pair.abbreviated).abbreviated);
    ASSERT_GT(pair.abbreviated.size(), 200'000u);
    FieldSplitter splitter;
    test::RecordingSink sink;
    ExpandFullDescription(pair.abbreviated, splitter, &sink);
    ASSERT_EQ(pair.abbreviated.size(), pair.full.size());
    for (std::size_t n = 0; n < pair.full.size(); ++n)
        ASSERT_EQ(pair.abbreviated[n], pair.full[n]) << "line " << n;
}

// The UTF-8 twin with POSIX paths, under a volume below the top and under "/": the two halves,
// the quick route and the guessed state give the full form too, and the tree matches the
// Shift-JIS one node for node.
TEST(ExpandLarge, Utf8PosixAbbreviatedFormExpandsToTheFullForm)
{
    bench::GenerateOptions options;
    options.folders = 220'000;
    options.seed = 7;
    options.rootSizeUnknown = true;
    const std::string sjisFull = bench::generateReport(options);
    options.form = bench::ReportForm::Abbreviated;
    const std::string sjisAbbrev = bench::generateReport(options);
    for (const std::string_view volume : {"/data", "/"}) {
        SCOPED_TRACE(std::string(volume));
        LineList full;
        LineList abbreviated;
        full.assignText(bench::posixUtf8Copy(sjisFull, volume));
        abbreviated.assignText(bench::posixUtf8Copy(sjisAbbrev, volume));
        ASSERT_TRUE(checkForm(full).posix);
        ASSERT_TRUE(checkForm(abbreviated).abbreviated);
        FieldSplitter splitter;
        test::RecordingSink fullSink, abbrevSink;
        substituteDriveSizes(full, splitter, &fullSink);
        ExpandFullDescription(abbreviated, splitter, &abbrevSink);
        EXPECT_EQ(fullSink.lines, abbrevSink.lines);
        ASSERT_EQ(fullSink.lines.size(), 1u);
        ASSERT_EQ(abbreviated.size(), full.size());
        for (std::size_t n = 0; n < full.size(); ++n)
            ASSERT_EQ(abbreviated[n], full[n]) << "line " << n;

        LineList sjis;
        sjis.assignText(sjisFull);
        checkForm(sjis);
        FolderTree posixTree, sjisTree;
        CreateTree(full, posixTree, splitter, nullptr);
        CreateTree(sjis, sjisTree, splitter, nullptr);
        ASSERT_EQ(posixTree.nodeCount(), sjisTree.nodeCount());
        for (NodeId id = 0; id < posixTree.nodeCount(); id += 97) {
            ASSERT_EQ(posixTree.level(id), sjisTree.level(id));
            ASSERT_EQ(posixTree.parent(id), sjisTree.parent(id));
            if (posixTree.level(id) > 1) {
                ASSERT_EQ(std::string(posixTree.name(id, full, splitter)),
                          encoding::sjisToUtf8(sjisTree.name(id, sjis, splitter)));
            }
        }
    }
}

TEST(ExpandLarge, IndexErrorLateInALargeReportKeepsEarlierLinesRewritten)
{
    BigPair pair;
    const std::size_t bad = 180'000; // in the second half
    const std::string asRead(pair.abbreviated[bad + 1]);
    pair.abbreviated.replace(bad, std::string(40, '>') + "x,1,,,");
    FieldSplitter splitter;
    try {
        ExpandFullDescription(pair.abbreviated, splitter, nullptr);
        FAIL();
    } catch (const IndexError&) {
    }
    for (std::size_t n = 1; n < bad; ++n)
        ASSERT_EQ(pair.abbreviated[n], pair.full[n]) << "line " << n;
    EXPECT_EQ(pair.abbreviated[bad], std::string(40, '>') + "x,1,,,");
    EXPECT_EQ(pair.abbreviated[bad + 1], asRead);
}

TEST(ExpandLarge, ErrorInTheFirstHalfLeavesTheWholeSecondHalfAsRead)
{
    BigPair pair;
    const std::size_t bad = 50'000;
    const std::string secondHalfLine(pair.abbreviated[200'000]);
    pair.abbreviated.replace(bad, std::string(40, '>') + "x,1,,,");
    FieldSplitter splitter;
    EXPECT_THROW(ExpandFullDescription(pair.abbreviated, splitter, nullptr), IndexError);
    EXPECT_EQ(pair.abbreviated[bad - 1], pair.full[bad - 1]);
    EXPECT_EQ(pair.abbreviated[200'000], secondHalfLine);
}

TEST(ExpandLarge, AWrongGuessForTheSecondHalfIsRedoneInOrder)
{
    // Just before the middle, a line whose marks expand to a two-byte path counts as a drive line
    // and gives no dates; looking backwards by the marks alone takes its dates. The second half's
    // empty dates must still repeat the dates of the last real folder line.
    const std::size_t total = 240'000;
    const std::size_t middle = 1 + (total - 2) / 2;
    LineList lines;
    lines.append("PC CHECK START AT 1");
    lines.append("C:,100,1%");
    lines.append(">,9,\"2019/01/01 00:00\",\"2019/01/02 00:00\",");
    for (std::size_t n = 3; n < middle - 2; ++n)
        lines.append(">a" + std::to_string(n) + ",1,\"2020/01/01 00:00\",\"2021/01/01 00:00\",");
    lines.append("X,5,p,q,16");          // a path of one byte: entry 0 becomes X, no dates
    lines.append(">,7,\"bad\",\"bad\",");  // X\ : two bytes, a drive line: no dates taken
    for (std::size_t n = middle; n + 1 < total; ++n)
        lines.append(">b" + std::to_string(n) + ",1,,,");
    lines.append("end");
    ASSERT_EQ(lines.size(), total);
    FieldSplitter splitter;
    ExpandFullDescription(lines, splitter, nullptr);
    EXPECT_EQ(lines[middle], "X\\b" + std::to_string(middle) + ",1,\"2020/01/01 00:00\",\"2021/01/01 00:00\",16");
    EXPECT_EQ(lines[total - 2], "X\\b" + std::to_string(total - 2) + ",1,\"2020/01/01 00:00\",\"2021/01/01 00:00\",16");
}

TEST(CompareLarge, TwoHalvesClassifyLikeOneWalk)
{
    bench::GenerateOptions options;
    options.folders = 150'000;
    options.seed = 9;
    const std::string earlier = bench::generateReport(options);
    bench::DeriveOptions derive;
    derive.shares = {0.05, 0.05, 0.05, 0.05};
    LineList current;
    current.assignText(bench::deriveLater(earlier, derive));
    LineList base;
    base.assignText(earlier);

    FieldSplitter splitter;
    FolderTree tree;
    CreateTree(current, tree, splitter, nullptr);
    tree.sort(current, NameCollator("en"));
    ASSERT_GT(tree.nodeCount(), 131'072u);
    normaliseBaseLines(base, checkForm(base), splitter, nullptr);

    // One walk in order, with its progress calls, is the reference.
    std::size_t visited = 0;
    const ClassCounts inOrder = classifyTree(tree, current, base, ChangeLimits{}, splitter, nullptr,
                                             [&visited](std::size_t) { ++visited; }, std::size_t(-1));
    std::vector<ChangeClass> expected;
    for (NodeId id = 0; id < tree.nodeCount(); ++id)
        expected.push_back(tree.changeClass(id));
    EXPECT_EQ(visited, tree.nodeCount() - 1);

    // Two halves on two threads, without and with a progress display fed on this thread.
    for (const bool withProgress : {false, true}) {
        SCOPED_TRACE(withProgress ? "with progress" : "without progress");
        for (NodeId id = 0; id < tree.nodeCount(); ++id)
            tree.setChangeClass(id, ChangeClass::None); // nothing of an earlier run may carry over
        const std::thread::id caller = std::this_thread::get_id();
        std::vector<std::size_t> steps;
        bool otherThread = false;
        std::function<void(std::size_t)> progress;
        if (withProgress)
            progress = [&](std::size_t d) {
                steps.push_back(d);
                otherThread |= std::this_thread::get_id() != caller;
            };
        const ClassCounts halves = classifyTree(tree, current, base, ChangeLimits{}, splitter, nullptr, progress);
        for (NodeId id = 0; id < tree.nodeCount(); ++id)
            ASSERT_EQ(tree.changeClass(id), expected[id]) << id;
        EXPECT_EQ(halves.added, inOrder.added);
        EXPECT_EQ(halves.u1, inOrder.u1);
        EXPECT_EQ(halves.u2, inOrder.u2);
        EXPECT_EQ(halves.d1, inOrder.d1);
        EXPECT_EQ(halves.d2, inOrder.d2);
        if (withProgress) {
            EXPECT_FALSE(otherThread);
            ASSERT_FALSE(steps.empty());
            EXPECT_TRUE(std::is_sorted(steps.begin(), steps.end()));
            EXPECT_GE(steps.front(), 1u);
            EXPECT_EQ(steps.back(), tree.nodeCount() - 1);
            EXPECT_GE(steps.size(), tree.nodeCount() / 2 - 1); // a call for every node of this thread's half
        }
    }
    EXPECT_GT(inOrder.added + inOrder.u1 + inOrder.u2 + inOrder.d1 + inOrder.d2, 1000u);
}

} // namespace
} // namespace dg
