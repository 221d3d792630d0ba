#include "core/collation.h"
#include "core/encoding.h"
#include "core/report_reader.h"
#include "core/sync_path.h"
#include "core/tree_builder.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace dg {
namespace {
using test::sj;

// The dates and attributes that end a folder line.
const std::string kRest = ",\"2025/01/04 09:12:44\",\"2026/12/08 18:11:02\",16";

class SyncPath : public ::testing::Test {
protected:
    LineList lines;
    FolderTree tree;
    FieldSplitter splitter;

    void SetUp() override
    {
        for (const std::string& l : std::vector<std::string>{
                 "PC CHECK START AT 1", "C:,9,1%", "C:\\,9,a,b,16", "C:\\Windows,5,a,b,16",
                 "C:\\Windows\\System32,4,a,b,16", "C:\\" + sj("ソフト") + ",3,a,b,16",
                 "C:\\" + sj("ソフト") + "\\" + sj("表計算") + ",2,a,b,16", "C:\\windows,1,a,b,16",
                 "D:,9,1%", "D:\\,8,a,b,16", "end"})
            lines.append(l);
        CreateTree(lines, tree, splitter, nullptr);
        tree.sort(lines, NameCollator("en"));
    }

    NodeId find(unsigned level, const std::string& path) { return findNodeByPath(tree, lines, splitter, level, path); }
    std::string nameOf(NodeId id) { return id == kNoNode ? "<none>" : std::string(tree.name(id, lines, splitter)); }
};

TEST_F(SyncPath, PathTextDependsOnLevel)
{
    const NodeId top = tree.topLevel(0);
    const NodeId c = tree.child(top, 0);
    EXPECT_EQ(syncPathText(tree, lines, splitter, top), "PC");
    EXPECT_EQ(syncPathText(tree, lines, splitter, c), "C:");  // from the drive line before the root
    EXPECT_EQ(syncPathText(tree, lines, splitter, tree.child(c, 0)), "C:\\Windows");
}

TEST_F(SyncPath, FindsNodesByComponentsCaseSensitively)
{
    EXPECT_EQ(find(0, "anything"), tree.topLevel(0));
    EXPECT_EQ(nameOf(find(1, "D:")), "D:");
    EXPECT_EQ(nameOf(find(3, "C:\\Windows\\System32")), "System32");
    EXPECT_EQ(nameOf(find(2, "C:\\windows")), "windows");
    EXPECT_EQ(find(2, "C:\\WINDOWS"), kNoNode);
    EXPECT_EQ(find(3, "C:\\Windows\\Missing"), kNoNode);
    EXPECT_EQ(find(2, "E:\\Windows"), kNoNode);
    // A Shift-JIS name whose trail byte is "\" is one component.
    EXPECT_EQ(nameOf(find(3, "C:\\" + sj("ソフト") + "\\" + sj("表計算"))), sj("表計算"));
    // Fewer components than the level: the last one is matched again one level down.
    EXPECT_EQ(find(3, "C:\\Windows"), kNoNode);
}

TEST_F(SyncPath, RoundTripsEveryNode)
{
    for (NodeId id = 0; id < tree.nodeCount(); ++id)
        EXPECT_EQ(find(tree.level(id), syncPathText(tree, lines, splitter, id)), id) << nameOf(id);
}


// Two viewers, one showing a report and one its copy in the other encoding (and POSIX reports
// with volumes "/" and "/home"): every node a viewer sends is found by the other, and by itself.
TEST(SyncPathAcrossEncodings, EveryNodeIsFoundByBothViewers)
{
    struct Side {
        LineList lines;
        FolderTree tree;
        FieldSplitter splitter;
        explicit Side(const std::string& text)
        {
            lines.assignText(text);
            EXPECT_TRUE(checkForm(lines).recognised);
            CreateTree(lines, tree, splitter, nullptr);
            tree.sort(lines, NameCollator("en"));
        }
    };
    const std::string rest = kRest + "\r\n";
    const std::string u8 = "\xEF\xBB\xBF";
    const std::string sjisDrive = sj("PC CHECK START AT 1\r\nC:,9,1%\r\nC:\\,9" + rest + "C:\\ソフト,5" + rest +
                                     "C:\\ソフト\\表計算,4" + rest + "\"C:\\a b\",3" + rest + "end\r\n");
    const std::string posixText = "PC CHECK START AT 1\r\n/:,99,1%\r\n/,9" + rest + "/ソフト,5" + rest +
                                  "/ソフト/表計算,4" + rest + "\"/a b\",3" + rest + "/home:,50,1%\r\n/home,8" + rest +
                                  "/home/ソフト,7" + rest + "/home/ソフト/a\\b:c,2" + rest + "end\r\n";
    const std::vector<std::pair<std::string, std::string>> pairs = {
        {sjisDrive, u8 + encoding::sjisToUtf8(sjisDrive)},
        {sj(posixText), u8 + posixText},
    };
    for (const auto& [sjisText, utf8Text] : pairs) {
        Side a(sjisText);
        Side b(utf8Text);
        ASSERT_EQ(a.tree.nodeCount(), b.tree.nodeCount());
        for (const auto* from : {&a, &b}) {
            for (const auto* to : {&a, &b}) {
                for (NodeId id = 1; id < from->tree.nodeCount(); ++id) {
                    FieldSplitter splitter;
                    const std::string path = syncPathText(from->tree, from->lines, splitter, id);
                    EXPECT_EQ(path.starts_with(u8), from->lines.kind().utf8());
                    const NodeId found =
                        findNodeByPath(to->tree, to->lines, splitter, from->tree.level(id), path);
                    EXPECT_EQ(found, id) << path;
                }
            }
        }
    }
}

TEST(SyncPathAcrossEncodings, PosixPathsAndNamesTheReceiverCannotHold)
{
    LineList lines;
    lines.assignText(sj("PC CHECK START AT 1\r\n/home:,9,1%\r\n/home,9" + kRest + "\r\n/home/x,1" + kRest +
                        "\r\n/home/x/y,1" + kRest + "\r\nend\r\n"));
    checkForm(lines);
    FolderTree tree;
    FieldSplitter splitter;
    CreateTree(lines, tree, splitter, nullptr);
    const std::string u8 = "\xEF\xBB\xBF";
    auto nameOf = [&](unsigned level, const std::string& path) {
        const NodeId id = findNodeByPath(tree, lines, splitter, level, path);
        return id == kNoNode ? std::string("<none>") : std::string(tree.name(id, lines, splitter));
    };
    EXPECT_EQ(nameOf(1, "/home"), "/home");
    EXPECT_EQ(nameOf(2, "/home/x"), "x");
    EXPECT_EQ(nameOf(3, u8 + "/home/x/y"), "y");
    EXPECT_EQ(nameOf(2, "/home"), "<none>");     // fewer names than the level
    EXPECT_EQ(nameOf(2, "/homex"), "<none>");
    EXPECT_EQ(nameOf(3, "/home/x/y/z"), "<none>");
    EXPECT_EQ(nameOf(2, u8 + "/home/\xC3\xA9"), "<none>"); // "é": no Shift-JIS form
    EXPECT_EQ(nameOf(2, u8 + "/home/\xFF"), "<none>");     // no UTF-8
}

} // namespace
} // namespace dg
