// Reports too large for the sanitizer run (label "volume"): line indices beyond 24 bits.
#include "core/collation.h"
#include "core/report_reader.h"
#include "core/tree_builder.h"
#include "test_support.h"

#include <gtest/gtest.h>

namespace dg {
namespace {

TEST(Volume, NodesBeyondLine16777215PointAtTheirOwnLines)
{
    // 16,777,300 drive lines (which make no nodes) push the folders past the 24-bit line range:
    // packed into 24 bits, line 16,777,217 would become line 1.
    constexpr std::size_t kDrives = 16'777'300;
    std::string text = "PC CHECK START AT 1\r\n";
    text.reserve(kDrives * 6 + 200);
    for (std::size_t i = 0; i < kDrives; ++i)
        text += "C:,9\r\n";
    text += "C:\\,9,a,b,16\r\nC:\\big,8,a,b,16\r\nC:\\small,1,a,b,16\r\nend\r\n";
    test::TempDir dir;
    const std::string path = dir.file("wide.txt", text);
    text.clear();
    text.shrink_to_fit();

    LineList lines;
    readReportFile(path, lines);
    ASSERT_TRUE(checkForm(lines).recognised);
    FolderTree tree;
    FieldSplitter splitter;
    const TreeBuildInfo info = CreateTree(lines, tree, splitter, nullptr);
    tree.sort(lines, NameCollator("en"));
    ASSERT_EQ(info.nodeCount, 4u);
    const NodeId big = tree.nodeAtAbsolute(2);
    EXPECT_EQ(tree.lineIndex(big), kDrives + 2);
    EXPECT_EQ(lines[tree.lineIndex(big)], "C:\\big,8,a,b,16");
    EXPECT_EQ(tree.label(big, lines, splitter), "(8) big");
    EXPECT_EQ(tree.label(tree.nodeAtAbsolute(3), lines, splitter), "(1) small");
}

} // namespace
} // namespace dg
