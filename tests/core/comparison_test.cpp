#include "core/collation.h"
#include "core/comparison.h"
#include "core/errors.h"
#include "core/tree_builder.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace dg {
namespace {
using test::listOf;


TEST(FindBaseLine, FindsExactPrefixesOnly)
{
    const LineList base = listOf({"C:\\A,10", "C:\\AB,20"});
    EXPECT_EQ(FindBaseLine(base, "C:\\AB,"), 1);
    EXPECT_EQ(FindBaseLine(base, "C:\\A,"), 0);
    EXPECT_EQ(FindBaseLine(base, "C:\\B,"), -1);
    EXPECT_EQ(FindBaseLine(base, "c:\\a,"), -1);  // letter case must agree
    EXPECT_EQ(FindBaseLine(LineList{}, "x"), -1);
    // Of several equal prefixes, the one met first: the middle of 0..4.
    EXPECT_EQ(FindBaseLine(listOf({"C:\\A,1", "C:\\A,2", "C:\\A,3", "C:\\A,4", "C:\\B,5"}), "C:\\A,"), 2);
}

TEST(FindBaseLine, SearchesEveryPositionOfALargeList)
{
    std::vector<std::string> lines;
    for (int i = 0; i < 1000; ++i)
        lines.push_back("C:\\d" + std::to_string(100000 + i) + "," + std::to_string(i));
    LineList base = listOf(lines);
    base.sortBytewise();
    for (int i = 0; i < 1000; ++i)
        EXPECT_EQ(FindBaseLine(base, "C:\\d" + std::to_string(100000 + i) + ","), i);
    EXPECT_EQ(FindBaseLine(base, "C:\\d099999,"), -1);
    EXPECT_EQ(FindBaseLine(base, "C:\\d101000,"), -1);
    EXPECT_EQ(FindBaseLine(base, "C:\\d1"), 499);  // every line matches: the first middle wins
}

TEST(LookupKey, QuotesTheFieldWhenTheLineIsQuoted)
{
    std::string key;
    lookupKey("\"C:\\a b\",1", "C:\\a b", key);
    EXPECT_EQ(key, "\"C:\\a b\",");
    lookupKey("C:\\ab,1", "C:\\ab", key);
    EXPECT_EQ(key, "C:\\ab,");
}

TEST(ClassifySizes, LimitsAreReachedWithAtLeast)
{
    struct Case {
        std::int64_t current;
        std::int64_t base;
        ChangeLimits limits;
        ChangeClass expected;
    };
    const ChangeLimits def;
    const Case cases[] = {
        {110, 100, def, ChangeClass::Increased},
        {109, 100, def, ChangeClass::Unchanged},
        {130, 100, {10, 31, 10, 30}, ChangeClass::GreatlyIncreased},  // 130/100 is 31
        {90, 100, def, ChangeClass::Decreased},
        {70, 100, {10, 30, 10, 31}, ChangeClass::GreatlyDecreased},
        {100, 100, def, ChangeClass::Unchanged},
        {0, 0, def, ChangeClass::Unchanged},
        {5, 0, {10, 999, 10, 30}, ChangeClass::GreatlyIncreased},
        {5, 0, {1000, 1000, 10, 30}, ChangeClass::Unchanged},
        {-1, 0, def, ChangeClass::GreatlyDecreased},   // an unreadable current size against 0
        {50, -1, def, ChangeClass::Unchanged},         // an unreadable base: negative percent
    };
    for (const auto& c : cases)
        EXPECT_EQ(classifySizes(c.current, c.base, c.limits), c.expected) << c.current << " vs " << c.base;
}

struct Compared {
    LineList current;
    LineList base;
    FolderTree tree;
    FieldSplitter splitter;
    test::RecordingSink sink;
    ClassCounts counts;

    Compared(const std::vector<std::string>& cur, const std::vector<std::string>& bas, ChangeLimits limits = {})
        : current(listOf(cur)), base(listOf(bas))
    {
        CreateTree(current, tree, splitter, nullptr);
        tree.sort(current, NameCollator("en"));
        const FormCheck check = checkForm(base);
        EXPECT_TRUE(check.recognised);
        normaliseBaseLines(base, check, splitter, &sink);
        counts = classifyTree(tree, current, base, limits, splitter, &sink);
    }

    ChangeClass classOf(const std::string& name)
    {
        for (NodeId id = 0; id < tree.nodeCount(); ++id)
            if (tree.name(id, current, splitter) == name)
                return tree.changeClass(id);
        ADD_FAILURE() << name;
        return ChangeClass::None;
    }
};

const std::vector<std::string> kOlder = {
    "OLD CHECK START AT 2023", "C:,9000,5%", "C:\\,?,a,b,16", "C:\\grow,100,a,b,16", "C:\\boom,100,a,b,16",
    "C:\\shrink,100,a,b,16", "C:\\crash,100,a,b,16", "C:\\same,100,a,b,16", "C:\\gone,5,a,b,16",
    "\"C:\\my docs\",10,a,b,16", "end"};
const std::vector<std::string> kNewer = {
    "NEW CHECK START AT 2024", "C:,9000,5%", "C:\\,9500,a,b,16", "C:\\grow,115,a,b,16", "C:\\boom,200,a,b,16",
    "C:\\shrink,85,a,b,16", "C:\\crash,10,a,b,16", "C:\\same,100,a,b,16", "C:\\new,7,a,b,16",
    "\"C:\\my docs\",10,a,b,16", "end"};

TEST(ClassifyTree, ClassifiesEveryFolderAndCountsClasses)
{
    Compared c(kNewer, kOlder);
    EXPECT_EQ(c.tree.changeClass(0), ChangeClass::None) << "the top node is never visited";
    EXPECT_EQ(c.classOf("C:"), ChangeClass::Unchanged);  // 9500 vs 9000 (the drive size): 6%
    EXPECT_EQ(c.classOf("grow"), ChangeClass::Increased);
    EXPECT_EQ(c.classOf("boom"), ChangeClass::GreatlyIncreased);
    EXPECT_EQ(c.classOf("shrink"), ChangeClass::Decreased);
    EXPECT_EQ(c.classOf("crash"), ChangeClass::GreatlyDecreased);
    EXPECT_EQ(c.classOf("same"), ChangeClass::Unchanged);
    EXPECT_EQ(c.classOf("new"), ChangeClass::Added);
    EXPECT_EQ(c.classOf("my docs"), ChangeClass::Unchanged);  // quoted path matches quoted line
    EXPECT_EQ(c.counts.added, 1u);
    EXPECT_EQ(c.counts.u1, 1u);
    EXPECT_EQ(c.counts.u2, 1u);
    EXPECT_EQ(c.counts.d1, 1u);
    EXPECT_EQ(c.counts.d2, 1u);
    EXPECT_EQ(c.sink.lines.front(), "Folder C:\\ Size set to DriveSize 9000");
    EXPECT_EQ(c.sink.lines[1], "Start SetColorInfo, U1=10%, U2=30%, D1=10%, D2=30%");
    EXPECT_EQ(c.sink.lines.back(), "End   SetColorInfo, Ad=1, U1=1, U2=1, D1=1, D2=1");
}

TEST(ClassifyTree, TheOtherDirectionMirrorsAddedFolders)
{
    Compared c(kOlder, kNewer);
    EXPECT_EQ(c.classOf("gone"), ChangeClass::Added);
    EXPECT_EQ(c.classOf("boom"), ChangeClass::GreatlyDecreased);  // 100 against 200: 50%
    EXPECT_EQ(c.classOf("crash"), ChangeClass::GreatlyIncreased); // 100 against 10: 900%
}

TEST(ClassifyTree, QuotedAndUnquotedPathsDoNotMatchEachOther)
{
    std::vector<std::string> cur = kNewer;
    cur[9] = "C:\\quoted,10,a,b,16";
    std::vector<std::string> bas = kOlder;
    bas[9] = "\"C:\\quoted\",10,a,b,16";
    Compared c(cur, bas);
    EXPECT_EQ(c.classOf("quoted"), ChangeClass::Added);
}

TEST(ClassifyTree, RerunWithOtherLimitsLeavesNothingBehind)
{
    Compared c(kNewer, kOlder);
    const ChangeLimits high{1000, 1000, 1000, 1000};
    const ClassCounts again = classifyTree(c.tree, c.current, c.base, high, c.splitter, nullptr);
    EXPECT_EQ(again.u1 + again.u2 + again.d1 + again.d2, 0u);
    EXPECT_EQ(again.added, 1u);
    EXPECT_EQ(c.classOf("grow"), ChangeClass::Unchanged);
    EXPECT_EQ(c.classOf("new"), ChangeClass::Added);
}

TEST(Navigation, WalksAbsoluteIndicesWithoutWrapping)
{
    Compared c(kNewer, kOlder);
    // Absolute order: 0 NEW, 1 C:, then by size: boom 200, grow 115, same 100, shrink 85, crash 10,
    // my docs 10, new 7.
    const auto abs = [&](NodeId id) { return id == kNoNode ? -1L : static_cast<long>(c.tree.absoluteIndex(id)); };
    EXPECT_EQ(abs(firstChangedNode(c.tree)), 2);
    EXPECT_EQ(abs(nextChangedBelow(c.tree, 2)), 3);
    EXPECT_EQ(abs(nextChangedBelow(c.tree, 3)), 5);  // skips the unchanged "same"
    EXPECT_EQ(abs(nextChangedBelow(c.tree, 8)), -1); // the last node: nothing below
    EXPECT_EQ(abs(nextChangedBelow(c.tree, 6)), 8);
    EXPECT_EQ(abs(nextChangedAbove(c.tree, 5)), 3);
    EXPECT_EQ(abs(nextChangedAbove(c.tree, 2)), -1); // node 1 (C:) is unchanged, 0 never visited
    EXPECT_EQ(abs(nextChangedAbove(c.tree, 1)), -1);
    EXPECT_EQ(abs(nextChangedAbove(c.tree, 0)), -1);
}

TEST(Navigation, NothingChangedMeansNoFirstNode)
{
    Compared c(kOlder, kOlder);
    EXPECT_EQ(firstChangedNode(c.tree), kNoNode);
    EXPECT_EQ(c.sink.lines.back(), "End   SetColorInfo, Ad=0, U1=0, U2=0, D1=0, D2=0");
}

TEST(ClassifyTree, TopNodeOnlyVisitsNothing)
{
    Compared c({"PC CHECK START AT 1", "C:,1,1%", "end"}, kOlder);
    EXPECT_EQ(c.tree.nodeCount(), 1u);
    EXPECT_EQ(firstChangedNode(c.tree), kNoNode);
}

} // namespace
} // namespace dg
