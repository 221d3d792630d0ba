// The Qt model over the folder tree: Qt's own model checks, O(1) parents, and nothing visible
// while a rebuild is under way.
#include "ui/folder_tree_model.h"

#include "core/collation.h"
#include "core/encoding.h"
#include "core/tree_builder.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <string>

namespace dg::ui {
namespace {

LineList reportLines(std::size_t wideFolders)
{
    LineList lines;
    lines.append("PC CHECK START AT 2024/05/01");
    lines.append("C:,9000000,1%");
    lines.append("C:\\,5000000,a,b,16");
    lines.append(encoding::utf8ToSjis("C:\\表,3000,a,b,16"));
    lines.append(encoding::utf8ToSjis("C:\\表\\ソフト,?,a,b,16"));
    lines.append("C:\\Wide,4000000,a,b,16");
    for (std::size_t i = 0; i < wideFolders; ++i)
        lines.append("C:\\Wide\\f" + std::to_string(i) + "," + std::to_string(i) + ",a,b,16");
    lines.append("D:,100,1%");
    lines.append("D:\\,?,a,b,16");
    lines.append("END");
    return lines;
}

class FolderTreeModelTest : public ::testing::Test {
protected:
    void build(std::size_t wideFolders)
    {
        lines = reportLines(wideFolders);
        model.beginRebuild();
        CreateTree(lines, tree, splitter, nullptr);
        tree.sort(lines, collator);
        model.endRebuild();
    }

    LineList lines;
    FolderTree tree;
    FieldSplitter splitter;
    NameCollator collator{"ja"};
    FolderTreeModel model{tree, lines};
};

TEST_F(FolderTreeModelTest, PassesQtsModelChecksAcrossARebuild)
{
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Warning);
    build(50);
    build(3);
    EXPECT_EQ(model.rowCount(), 1);
    EXPECT_EQ(model.columnCount(), 1);
}

TEST_F(FolderTreeModelTest, EveryNodeMapsToOneIndexAndBack)
{
    build(200);
    ASSERT_EQ(tree.nodeCount(), 206u);
    for (NodeId id = 0; id < tree.nodeCount(); ++id) {
        const QModelIndex index = model.indexOf(id);
        ASSERT_TRUE(index.isValid());
        EXPECT_EQ(model.nodeId(index), id);
        const QModelIndex parent = model.parent(index);
        EXPECT_EQ(model.index(index.row(), 0, parent), index);
        EXPECT_EQ(model.nodeId(parent), tree.parent(id));
    }
    EXPECT_FALSE(model.indexOf(kNoNode).isValid());
    EXPECT_FALSE(model.indexOf(static_cast<NodeId>(tree.nodeCount())).isValid());
}

TEST_F(FolderTreeModelTest, ShowsLabelsInUtf8AndCannotBeEdited)
{
    build(0);
    const QModelIndex top = model.index(0, 0);
    EXPECT_EQ(model.data(top).toString(), "PC");
    const QModelIndex c = model.index(0, 0, top);
    EXPECT_EQ(model.data(c).toString(), "(5,000,000) C:");
    EXPECT_EQ(model.data(model.index(1, 0, top)).toString(), "(100) D:");
    const QModelIndex hyou = model.index(1, 0, c);
    EXPECT_EQ(model.data(hyou).toString(), "(    3,000) 表");
    EXPECT_EQ(model.data(model.index(0, 0, hyou)).toString(), "(        ?) ソフト");
    EXPECT_EQ(model.flags(hyou), Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    EXPECT_FALSE(model.data(hyou, Qt::EditRole).isValid());
}

TEST_F(FolderTreeModelTest, IsEmptyWhileRebuildingAndResetsOncePerBuild)
{
    build(5);
    QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
    const QModelIndex old = model.index(0, 0);
    model.beginRebuild();
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_FALSE(model.index(0, 0).isValid());
    EXPECT_FALSE(model.data(old).isValid());
    EXPECT_FALSE(model.hasChildren());
    tree.clear(); // the tree may be torn down meanwhile
    EXPECT_EQ(model.rowCount(old), 0);
    CreateTree(lines, tree, splitter, nullptr);
    tree.sort(lines, collator);
    model.endRebuild();
    EXPECT_EQ(resets.count(), 1);
    EXPECT_EQ(model.rowCount(), 1);
}

} // namespace
} // namespace dg::ui
