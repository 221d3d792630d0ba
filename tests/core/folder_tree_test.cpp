#include "core/collation.h"
#include "core/errors.h"
#include "core/folder_tree.h"
#include "core/tree_builder.h"
#include "core/tree_names.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace dg {
namespace {
using test::sj;

struct Built {
    LineList lines;
    FolderTree tree;
    FieldSplitter splitter;
    TreeBuildInfo info;
    test::RecordingSink sink;

    explicit Built(const std::vector<std::string>& text, bool sorted = true)
    {
        for (const auto& l : text)
            lines.append(l);
        info = CreateTree(lines, tree, splitter, &sink);
        if (sorted)
            tree.sort(lines, NameCollator("en"));
    }

    // Labels in absolute order, indented by level.
    std::vector<std::string> walk()
    {
        std::vector<std::string> out;
        for (std::size_t i = 0; i < tree.nodeCount(); ++i) {
            const NodeId id = tree.nodeAtAbsolute(i);
            EXPECT_EQ(tree.absoluteIndex(id), i);
            out.push_back(std::string(tree.level(id), '.') + tree.label(id, lines, splitter));
        }
        return out;
    }
};

TEST(CreateTree, LabelsRightAlignSizesToTheRootWidth)
{
    Built b({"PC1 CHECK START AT 2024", "C:,200000000,5%", "C:\\,123456789,a,b,16", "C:\\Big,100000000,a,b,16",
             "C:\\Small,1234,a,b,16", "C:\\Q,?,a,b,16", "end"});
    EXPECT_EQ(b.walk(), (std::vector<std::string>{
                            "PC1",
                            ".(123,456,789) C:",
                            "..(100,000,000) Big",
                            "..(      1,234) Small",  // 9 digits: width 11, six blanks
                            "..(          ?) Q",      // "?" after every size, right-aligned
                        }));
    EXPECT_EQ(b.info.nodeCount, 5u);
    EXPECT_EQ(b.info.maxLevel, 3u);
    EXPECT_EQ(b.sink.lines.front(), "Start CreateTree");
    EXPECT_EQ(b.sink.lines.back(), "End   CreateTree, 5 Nodes, MaxLevel=3");
}

TEST(CreateTree, WidthTableAndSixteenBlankCap)
{
    struct Case {
        std::string rootSize;
        std::string childLabel; // label of a child of size 5
    };
    const std::vector<Case> cases = {
        {"1", "(5) x"},
        {"123456789", "(          5) x"},
        {"123456789012", "(              5) x"},         // W 15
        {"1234567890123", "(                5) x"},       // W 17: 16 blanks
        {"12345678901234", "(                5) x"},      // W 18: still only 16 blanks
    };
    for (const auto& c : cases) {
        Built b({"PC CHECK START AT 1", "C:,1,1%", "C:\\," + c.rootSize + ",a,b,16", "C:\\x,5,a,b,16", "end"});
        EXPECT_EQ(b.tree.label(b.tree.nodeAtAbsolute(2), b.lines, b.splitter), c.childLabel) << c.rootSize;
    }
}

TEST(CreateTree, RootQuestionMarkTakesTheDriveSizeAndRewritesTheLine)
{
    Built b({"PC CHECK START AT 1", "C:,5000,9%", "C:\\,?,a,b,16", "C:\\x,10,a,b,16", "end"});
    EXPECT_EQ(b.lines[2], "C:\\,5000,a,b,16");
    EXPECT_EQ(b.tree.label(b.tree.nodeAtAbsolute(1), b.lines, b.splitter), "(5,000) C:");
    EXPECT_EQ(b.sink.lines[1], "Folder C:\\ Size set to DriveSize 5000");
}

TEST(CreateTree, SkippedLevelAttachesToTheLastNodeOneLevelUpInAnyBranch)
{
    Built b({"PC CHECK START AT 1", "C:,9,1%", "C:\\,9,a,b,16", "C:\\A,5,a,b,16", "C:\\A\\B,4,a,b,16",
             "C:\\Z,3,a,b,16", "C:\\Y\\W\\V,1,a,b,16", "end"});
    // V (level 4) hangs under B, the last level-3 node, although its path runs through Z's branch.
    EXPECT_EQ(b.walk(), (std::vector<std::string>{"PC", ".(9) C:", "..(5) A", "...(4) B", "....(1) V", "..(3) Z"}));
    EXPECT_EQ(b.info.maxLevel, 5u);
}

TEST(CreateTree, LevelWithoutParentGoesToTheTopLevelAfterwardsSortedBeforeTheTopNode)
{
    Built b({"PC CHECK START AT 1", "C:\\Orphan\\x,7,a,b,16", "C:,9,1%", "C:\\,9,a,b,16", "end"});
    ASSERT_EQ(b.tree.topLevelCount(), 2u);
    // The top node's label has no "(": it sorts after every other node of its level.
    EXPECT_EQ(b.walk(), (std::vector<std::string>{"...(7) x", "PC", ".(9) C:"}));
}

TEST(CreateTree, TiesSortByNameIgnoringAsciiCase)
{
    Built b({"PC CHECK START AT 1", "C:,9,1%", "C:\\,9,a,b,16", "C:\\beta,5,a,b,16", "C:\\Alpha,5,a,b,16",
             "C:\\alpha2,5,a,b,16", "C:\\Gamma_x,5,a,b,16", "C:\\zero,0,a,b,16", "C:\\neg,-1,a,b,16",
             "C:\\unk,?,a,b,16", "end"});
    EXPECT_EQ(b.walk(), (std::vector<std::string>{"PC", ".(9) C:", "..(5) Alpha", "..(5) alpha2", "..(5) beta",
                                                  "..(5) Gamma_x", "..(0) zero", "..(-1) neg", "..(?) unk"}));
}

TEST(CreateTree, TrailBytesEqualToBackslashDoNotCutNames)
{
    const std::string soft = sj("ソフト");
    const std::string table = sj("表計算");
    Built b({"PC CHECK START AT 1", "C:,9,1%", "C:\\,9,a,b,16", "C:\\" + soft + ",5,a,b,16",
             "C:\\" + soft + "\\" + table + ",4,a,b,16", "end"});
    EXPECT_EQ(b.walk(), (std::vector<std::string>{"PC", ".(9) C:", "..(5) " + soft, "...(4) " + table}));
}

TEST(CreateTree, BadSizeIsASizeErrorWithTheLine)
{
    for (const std::string size : {"abc", "", "1.5", "99999999999999999999"}) {
        LineList lines;
        for (const std::string l : {"PC CHECK START AT 1", "C:,9,1%", "C:\\,9,a,b,16"})
            lines.append(l);
        lines.append("C:\\x," + size + ",a,b,16");
        lines.append("end");
        FolderTree tree;
        FieldSplitter s;
        test::RecordingSink sink;
        try {
            CreateTree(lines, tree, s, &sink);
            FAIL() << size;
        } catch (const SizeError& e) {
            EXPECT_EQ(e.lineIndex(), 3u);
            EXPECT_EQ(std::string(e.what()), "3行目のサイズがエラーです。終了します。\rC:\\x," + size + ",a,b,16");
        }
        ASSERT_EQ(sink.lines.size(), 3u);
        EXPECT_EQ(sink.lines[1], "3" + sj("行目のサイズがエラーです。終了します。"));
        EXPECT_EQ(sink.lines[2], "C:\\x," + size + ",a,b,16");
    }
}

TEST(CreateTree, RootQuestionMarkWithoutDriveIsASizeError)
{
    LineList lines;
    for (const std::string l : {"PC CHECK START AT 1", "X:\\,?,a,b,16", "end"})
        lines.append(l);
    FolderTree tree;
    FieldSplitter s;
    EXPECT_THROW(CreateTree(lines, tree, s, nullptr), SizeError);
}

TEST(CreateTree, IndexErrorsKeepTheNodesBuiltSoFar)
{
    struct Case {
        std::string bad;
        long long index;
    };
    const std::vector<Case> cases = {
        {"", 0},
        {"C:\\short", 1},
        {"C:" + std::string(255, '\\') + "x,1", 256},  // level 256: beyond the level table
        {"C:" + std::string(256, '\\') + "x,1", 257},
    };
    for (const auto& c : cases) {
        LineList lines;
        for (const std::string l : {"PC CHECK START AT 1", "C:,9,1%", "C:\\,9,a,b,16", "C:\\a,1,a,b,16"})
            lines.append(l);
        lines.append(c.bad);
        lines.append("C:\\b,1,a,b,16");
        lines.append("end");
        FolderTree tree;
        FieldSplitter s;
        try {
            CreateTree(lines, tree, s, nullptr);
            FAIL() << c.bad;
        } catch (const IndexError& e) {
            EXPECT_EQ(e.index(), c.index);
        }
        EXPECT_EQ(tree.nodeCount(), 3u);
        ASSERT_EQ(tree.childCount(0), 1u);
        EXPECT_EQ(tree.childCount(tree.child(0, 0)), 1u);
    }
}

TEST(CreateTree, DeepestAcceptedLevelIs255)
{
    // Only runs of "\" reach such depths: the cut rule keeps at most 255 bytes after each "\".
    Built b({"PC CHECK START AT 1", "C:,9,1%", "C:\\,9,a,b,16", "C:" + std::string(254, '\\') + "x,1,a,b,16", "end"});
    EXPECT_EQ(b.info.maxLevel, 256u);
    // The orphan sorts before the top node: absolute index 0.
    EXPECT_EQ(b.tree.level(b.tree.nodeAtAbsolute(0)), 255u);
    // A long real path loses its deeper separators to that 255-byte cut.
    std::string path = "C:";
    for (int i = 0; i < 200; ++i)
        path += "\\d";
    Built deep({"PC CHECK START AT 1", "C:,9,1%", "C:\\,9,a,b,16", path + ",1,a,b,16", "end"});
    EXPECT_EQ(deep.info.maxLevel, 130u);
}

// The cut rule as written: up to 256 times, the text after the first "\\" (at most 255 bytes).
CutName referenceCut(std::string_view path, TextEncoding enc = TextEncoding::ShiftJis)
{
    CutName cut;
    if (path.size() == 3)
        path = path.substr(0, 2);
    for (int i = 0; i < 256; ++i) {
        const std::size_t p = findCharIn(enc, path, '\\');
        if (p == std::string_view::npos)
            break;
        path = path.substr(p + 1, 255);
        ++cut.level;
    }
    cut.name = path;
    return cut;
}

TEST(CutFolderName, OnePassMatchesTheRuleOnAwkwardPaths)
{
    std::mt19937 rng(7);
    // Bytes that matter: "\\", lead bytes (some of which are also trail bytes), "\\" as a trail byte.
    const char alphabet[] = {'\\', '\\', 'a', 'b', '\x83', '\x5C', '\x95', '\xE0', '\x40', 'C', ':'};
    for (int round = 0; round < 20000; ++round) {
        const std::size_t length = rng() % (round % 10 == 0 ? 1200 : 40);
        std::string path;
        for (std::size_t i = 0; i < length; ++i)
            path.push_back(alphabet[rng() % sizeof alphabet]);
        const CutName fast = cutFolderName(path);
        const CutName slow = referenceCut(path);
        ASSERT_EQ(fast.level, slow.level) << round;
        ASSERT_EQ(fast.name, slow.name) << round;
    }
    EXPECT_EQ(cutFolderName(std::string(300, '\\')).level, 257u);

    // Long runs of plain ASCII between the awkward bytes (the cut steps over eight such bytes at
    // a time), in both encodings, separators and lead bytes at every offset of such a step.
    for (int round = 0; round < 20000; ++round) {
        const std::size_t pieces = rng() % (round % 10 == 0 ? 60 : 8);
        std::string path;
        for (std::size_t k = 0; k < pieces; ++k) {
            path.append(rng() % 24, static_cast<char>('a' + rng() % 26));
            path.push_back(alphabet[rng() % sizeof alphabet]);
        }
        for (const TextEncoding enc : {TextEncoding::ShiftJis, TextEncoding::Utf8}) {
            const CutName fast = cutFolderName(path, enc);
            const CutName slow = referenceCut(path, enc);
            ASSERT_EQ(fast.level, slow.level) << round;
            ASSERT_EQ(fast.name, slow.name) << round;
        }
    }
}

TEST(FolderTree, LineIndicesBeyond24BitsStayExact)
{
    // The tree keeps full line indices; a 24-bit packing would wrap 16,777,216 to 0.
    FolderTree tree;
    tree.addNode(kNoNode, 0, 0, 0, 0);
    tree.addNode(0, 16'777'216 + 5, 1, 1, 1);
    tree.finishBuild();
    EXPECT_EQ(tree.lineIndex(1), 16'777'221u);
}

TEST(FolderTree, RenumberingKeepsEveryNodesFieldsTogether)
{
    // Sorting reverses the report order here, so every node moves; each keeps its own line,
    // size, level and parent.
    Built b({"PC CHECK START AT 1", "C:,9,1%", "C:\\,9,a,b,16", "C:\\a,1,a,b,16", "C:\\a\\x,1,a,b,16",
             "C:\\b,2,a,b,16", "C:\\b\\y,2,a,b,16", "C:\\c,3,a,b,16", "C:\\c\\z,3,a,b,16", "end"});
    EXPECT_EQ(b.walk(), (std::vector<std::string>{"PC", ".(9) C:", "..(3) c", "...(3) z", "..(2) b", "...(2) y",
                                                  "..(1) a", "...(1) x"}));
    for (NodeId id = 1; id < b.tree.nodeCount(); ++id) {
        const std::string line(b.lines[b.tree.lineIndex(id)]);
        const NodeId parent = b.tree.parent(id);
        EXPECT_EQ(b.tree.child(parent, b.tree.row(id)), id);
        if (b.tree.level(id) == 3) {
            EXPECT_EQ(b.lines[b.tree.lineIndex(parent)], line.substr(0, 4) + line.substr(6)) << line;
        }
    }
}

TEST(FolderTree, AbsoluteIndexCountsCollapsedNodesInDepthFirstOrder)
{
    Built b({"PC CHECK START AT 1", "C:,9,1%", "C:\\,9,a,b,16", "C:\\small,1,a,b,16", "C:\\big,8,a,b,16",
             "C:\\big\\in,7,a,b,16", "D:,9,1%", "D:\\,3,a,b,16", "end"});
    EXPECT_EQ(b.walk(), (std::vector<std::string>{"PC", ".(9) C:", "..(8) big", "...(7) in", "..(1) small",
                                                  ".(3) D:"}));
    const NodeId big = b.tree.nodeAtAbsolute(2);
    EXPECT_EQ(b.tree.row(big), 0u);
    EXPECT_EQ(b.tree.parent(big), b.tree.nodeAtAbsolute(1));
    EXPECT_EQ(b.tree.lineIndex(big), 4u);
}

} // namespace
} // namespace dg
