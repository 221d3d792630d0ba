// The Qt model over the folder tree: Qt's own model checks, O(1) parents, and nothing visible
// while a rebuild is under way.
#include "ui/folder_tree_model.h"

#include "core/collation.h"
#include "core/encoding.h"
#include "core/tree_builder.h"

#include <QAbstractItemModelTester>
#include <QBrush>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>

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

// Turns every complaint of Qt's model checker (category "qt.modeltest") into a test failure while
// it lives; other messages go on to the handler that was there before.
class ModelCheckFailures {
public:
    ModelCheckFailures() { s_previous = qInstallMessageHandler(&handle); }
    ~ModelCheckFailures() { qInstallMessageHandler(s_previous); }
    ModelCheckFailures(const ModelCheckFailures&) = delete;
    ModelCheckFailures& operator=(const ModelCheckFailures&) = delete;

private:
    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& message)
    {
        if (context.category && std::string_view(context.category).starts_with("qt.modeltest")) {
            ADD_FAILURE() << "model check: " << message.toStdString();
            return;
        }
        if (s_previous)
            s_previous(type, context, message);
    }
    static inline QtMessageHandler s_previous = nullptr;
};

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
    CompSetting colors;
    bool comparing = false;
};

TEST_F(FolderTreeModelTest, PassesQtsModelChecksAcrossARebuild)
{
    const ModelCheckFailures failures;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Warning);
    build(50);
    build(3);
    EXPECT_EQ(model.rowCount(), 1);
    EXPECT_EQ(model.columnCount(), 1);
    // The checker walks what a view would walk: make it look at every node.
    comparing = true;
    model.setChangeColors(&colors, [this] { return comparing; });
    for (NodeId id = 0; id < tree.nodeCount(); ++id)
        (void)model.data(model.indexOf(id), Qt::BackgroundRole);
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

TEST_F(FolderTreeModelTest, ChangedFoldersAnswerTheirClassColoursOnlyWhileComparing)
{
    build(2);
    colors.F3U1_ChColor = 0x00332211; // 0x00BBGGRR
    colors.F3U1_BgColor = 0x00665544;
    colors.F3Ad_ChColor = 0xFF000008; // system colour 8: the palette's text
    colors.F3Ad_BgColor = 0x00000000;
    QPalette palette;
    palette.setColor(QPalette::Text, QColor(1, 2, 3));
    model.setPalette(palette);
    const QModelIndex top = model.index(0, 0);
    const QModelIndex c = model.index(0, 0, top);
    const QModelIndex hyou = model.index(1, 0, c);
    const QModelIndex soft = model.index(0, 0, hyou);
    tree.setChangeClass(model.nodeId(top), ChangeClass::Increased);
    tree.setChangeClass(model.nodeId(c), ChangeClass::Unchanged);
    tree.setChangeClass(model.nodeId(hyou), ChangeClass::Increased);
    tree.setChangeClass(model.nodeId(soft), ChangeClass::Added);
    const auto color = [](const QModelIndex& index, int role) -> std::optional<QColor> {
        const QVariant v = index.data(role);
        if (!v.isValid())
            return std::nullopt;
        return v.value<QBrush>().color();
    };
    // Without colours set the model has none to give; then while not comparing, neither.
    EXPECT_FALSE(color(hyou, Qt::ForegroundRole));
    model.setChangeColors(&colors, [this] { return comparing; });
    EXPECT_FALSE(color(hyou, Qt::ForegroundRole));
    comparing = true;
    struct Case {
        QModelIndex index;
        std::optional<QColor> text;
        std::optional<QColor> background;
    };
    const Case cases[] = {
        {top, std::nullopt, std::nullopt}, // the top node never
        {c, std::nullopt, std::nullopt},   // unchanged
        {hyou, QColor(0x11, 0x22, 0x33), QColor(0x44, 0x55, 0x66)},
        {soft, QColor(1, 2, 3), QColor(0, 0, 0)},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(model.data(k.index).toString().toStdString());
        EXPECT_EQ(color(k.index, Qt::ForegroundRole), k.text);
        EXPECT_EQ(color(k.index, Qt::BackgroundRole), k.background);
    }
    // The colours follow the settings as they are when asked.
    colors.F3U1_BgColor = 0x000000FF;
    EXPECT_EQ(color(hyou, Qt::BackgroundRole), QColor(255, 0, 0));
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
