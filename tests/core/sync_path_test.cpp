#include "core/collation.h"
#include "core/sync_path.h"
#include "core/tree_builder.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace dg {
namespace {
using test::sj;

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

} // namespace
} // namespace dg
