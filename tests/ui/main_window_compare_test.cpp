// The comparison in the viewer window: opening a base file and every way it can fail, the
// classes and the first changed folder, the progress window, the change colours and the two
// commands that move to the next changed folder.
#include "main_window_fixture.h"

#include "core/comparison.h"
#include "core/encoding.h"
#include "ui/change_delegate.h"
#include "ui/progress_window.h"

#include <QApplication>
#include <QBrush>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>

#include <algorithm>
#include <map>

namespace dg::test {
namespace {
using ui::CommandId;

const QString kUnrecognised = QStringLiteral(" - ファイルの内容を認識できません。");
const QString kNothingChanged = QStringLiteral("異なるサイズのフォルダはありません。");
const QString kNoneBelow = QStringLiteral("下方向に異なるサイズのフォルダはありません。");
const QString kNoneAbove = QStringLiteral("上方向に異なるサイズのフォルダはありません。");

QString sample(const char* name)
{
    return QString::fromUtf8(DG_SOURCE_DIR) + "/samples/" + name;
}

std::vector<ui::ProgressWindow*> progressWindows()
{
    std::vector<ui::ProgressWindow*> found;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* progress = qobject_cast<ui::ProgressWindow*>(widget))
            found.push_back(progress);
    return found;
}

// Records, for every message and error box, what progress windows existed at that moment.
class ProbingDialogs : public RecordingDialogs {
public:
    struct Probe {
        QString text;
        std::size_t progressWindows = 0;
        QString title;
        QString total;
        bool visible = false;
        QPoint center;
    };
    std::vector<Probe> probes;

    void message(const QString& text) override
    {
        probe(text);
        RecordingDialogs::message(text);
    }
    void error(const QString& text) override
    {
        probe(text);
        RecordingDialogs::error(text);
    }

private:
    void probe(const QString& text)
    {
        Probe p;
        p.text = text;
        const auto windows = progressWindows();
        p.progressWindows = windows.size();
        if (!windows.empty()) {
            p.title = windows.front()->windowTitle();
            p.total = windows.front()->totalText();
            p.visible = windows.front()->isVisible();
            p.center = windows.front()->frameGeometry().center();
        }
        probes.push_back(p);
    }
};

class MainWindowCompareTest : public ::testing::Test {
protected:
    std::unique_ptr<ui::MainWindow> makeWindow()
    {
        ui::ViewerContext context;
        context.settingsPath = folder.path() / "dirgauge.ini";
        context.debugLogBase = folder.path() / "dirgauge";
        context.collatorLocale = "ja";
        context.dialogs = &dialogs;
        context.partner = &partner;
        context.endProgram = [](int) { FAIL() << "the program was ended"; };
        return std::make_unique<ui::MainWindow>(std::move(context));
    }

    // A window showing samples/newer.txt compared with samples/older.txt.
    std::unique_ptr<ui::MainWindow> comparedSamples()
    {
        dialogs.clear();
        auto window = makeWindow();
        show(*window, sample("newer.txt"));
        compare(*window, sample("older.txt"));
        EXPECT_TRUE(dialogs.errors().isEmpty());
        dialogs.clear();
        dialogs.probes.clear();
        return window;
    }

    static void show(ui::MainWindow& window, const QString& file)
    {
        window.guarded([&] { window.LoadFile(file); });
    }
    static void compare(ui::MainWindow& window, const QString& base)
    {
        window.guarded([&] { window.LoadBaseFile(base, QStringLiteral("Y")); });
    }

    static bool enabled(const ui::MainWindow& window, CommandId id) { return window.action(id)->isEnabled(); }

    static void expectNoComparison(const ui::MainWindow& window)
    {
        EXPECT_TRUE(window.baseLines().empty());
        EXPECT_EQ(window.baseName(), "");
        EXPECT_EQ(window.statusPanel(1)->text(), "");
        EXPECT_EQ(window.statusHint(), "");
        EXPECT_TRUE(enabled(window, CommandId::Comp1));
        EXPECT_FALSE(enabled(window, CommandId::ExitWithComp1));
        EXPECT_FALSE(enabled(window, CommandId::CtrlUp1));
        EXPECT_FALSE(enabled(window, CommandId::CtrlDown1));
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
        EXPECT_TRUE(progressWindows().empty());
    }

    // The node whose line's first field is utf8Path.
    static NodeId nodeOf(const ui::MainWindow& window, const std::string& utf8Path)
    {
        const std::string path = encoding::utf8ToSjis(utf8Path);
        FieldSplitter splitter;
        const FolderTree& tree = window.tree();
        for (NodeId id = 1; id < tree.nodeCount(); ++id) {
            splitter.splitFirst(window.currentLines()[tree.lineIndex(id)], 1);
            if (splitter.get(0) == path)
                return id;
        }
        ADD_FAILURE() << "no node " << utf8Path;
        return kNoNode;
    }

    static NodeId selected(const ui::MainWindow& window)
    {
        const QModelIndexList indexes = window.treeView()->selectionModel()->selectedIndexes();
        return indexes.isEmpty() ? kNoNode : window.treeModel()->nodeId(indexes.front());
    }
    static void select(ui::MainWindow& window, NodeId node)
    {
        window.treeView()->setCurrentIndex(window.treeModel()->indexOf(node));
    }
    static bool ancestorsExpanded(const ui::MainWindow& window, NodeId node)
    {
        for (NodeId p = window.tree().parent(node); p != kNoNode; p = window.tree().parent(p))
            if (!window.treeView()->isExpanded(window.treeModel()->indexOf(p)))
                return false;
        return true;
    }
    // The changed nodes in absolute order.
    static std::vector<NodeId> changedNodes(const ui::MainWindow& window)
    {
        std::vector<NodeId> nodes;
        for (std::size_t d = 1; d < window.tree().nodeCount(); ++d)
            if (window.tree().changeClass(window.tree().nodeAtAbsolute(d)) != ChangeClass::Unchanged)
                nodes.push_back(window.tree().nodeAtAbsolute(d));
        return nodes;
    }

    TempFolder folder;
    ProbingDialogs dialogs;
    RecordingPartner partner;
};

TEST_F(MainWindowCompareTest, ComparingTheSamplesClassifiesSelectsAndPublishesTheComparison)
{
    for (const bool synchro : {true, false}) {
        SCOPED_TRACE(synchro);
        dialogs.clear();
        auto window = makeWindow();
        if (!synchro)
            window->guarded([&] { window->Synchro1Execute(); });
        show(*window, sample("newer.txt"));
        compare(*window, sample("older.txt"));

        EXPECT_TRUE(dialogs.shown.empty());
        EXPECT_EQ(window->statusPanel(1)->text(), synchro ? "比較中　同期" : "比較中");
        EXPECT_EQ(window->statusHint(), "コンピュータ　：　MYPC  2024/04/01 10:21:15 の情報と比較中");
        EXPECT_EQ(window->baseName(), sample("older.txt"));
        EXPECT_TRUE(enabled(*window, CommandId::CtrlUp1));
        EXPECT_TRUE(enabled(*window, CommandId::CtrlDown1));
        EXPECT_TRUE(enabled(*window, CommandId::Comp1));
        // Enabled once the comparison-source viewer was to be started, even when it could not be.
        EXPECT_TRUE(enabled(*window, CommandId::ExitWithComp1));
        EXPECT_TRUE(partner.sent.empty());
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
        EXPECT_TRUE(window->treeView()->updatesEnabled());

        // Every line of the base file, sorted byte-wise, header and closing line included.
        const LineList& base = window->baseLines();
        ASSERT_EQ(base.size(), 60u);
        std::vector<std::string_view> lines;
        for (std::size_t i = 0; i < base.size(); ++i)
            lines.push_back(base[i]);
        EXPECT_TRUE(std::is_sorted(lines.begin(), lines.end()));
        EXPECT_NE(std::find(lines.begin(), lines.end(), "MYPC CHECK START AT 2024/04/01 10:21:15"), lines.end());
    }
}

TEST_F(MainWindowCompareTest, TheClassesFollowTheSizesAndTheFirstChangedFolderIsRevealed)
{
    auto window = comparedSamples();
    const struct {
        const char* path;
        ChangeClass expected;
    } cases[] = {
        {"C:\\", ChangeClass::Unchanged},                              // -0.5 %
        {"C:\\PerfLogs", ChangeClass::Unchanged},                      // 0 against 0
        {"C:\\Program Files\\新しいソフト", ChangeClass::Added},
        {"C:\\Program Files\\新しいソフト\\表示機能", ChangeClass::Added},
        {"C:\\Users\\田中\\AppData\\Local\\Temp", ChangeClass::Increased},  // +15 %
        {"C:\\Users\\田中\\ダウンロード", ChangeClass::GreatlyIncreased},   // +42 %
        {"C:\\Users\\田中\\ドキュメント", ChangeClass::Unchanged},          // +7.8 %
        {"C:\\Program Files", ChangeClass::Decreased},                  // -10.98 % rounds up to 11
        {"C:\\$Recycle.Bin", ChangeClass::GreatlyDecreased},            // exactly -60 %
    };
    for (const auto& c : cases)
        EXPECT_EQ(window->tree().changeClass(nodeOf(*window, c.path)), c.expected) << c.path;
    EXPECT_EQ(window->tree().changeClass(0), ChangeClass::None); // the top node is not visited

    // In tree order the first changed folder lies four levels down a collapsed branch.
    const NodeId first = nodeOf(*window, "C:\\Program Files (x86)\\Steam\\steamapps\\common\\ゲームB");
    EXPECT_EQ(window->tree().changeClass(first), ChangeClass::Decreased);
    EXPECT_EQ(selected(*window), first);
    EXPECT_TRUE(ancestorsExpanded(*window, first));
    EXPECT_TRUE(window->action(CommandId::View2)->isEnabled()); // the selection went through TV1Change
}

TEST_F(MainWindowCompareTest, EveryFailedLoadLeavesTheStateItDescribes)
{
    const QString missing = folder.qpath() + "/missing.txt";
    const QString twoLines = folder.writeReport("two.txt", {"MYPC CHECK START AT 2024/04/01", "C:,1,1%"});
    const QString noMarker = folder.writeReport("nomark.txt", {"MYPC 2024/04/01", "C:,1,1%", "C:\\,1,a,b,16", "END"});
    const QString noColon = folder.writeReport("nocolon.txt",
                                               {"MYPC CHECK START AT 2024/04/01", "CC:,1", "C:\\,1,a,b,16", "END"});
    const QString deepMark = folder.writeReport(
        "deep.txt", {"MYPC CHECK START AT 2024/04/01", "C:,100,1%", ">,100,a,b,16", ">>>>Deep,1,,,", "END"});
    struct Case {
        QString file;
        QStringList messages;
        QStringList errors;
    };
    const Case cases[] = {
        {twoLines, {twoLines + kUnrecognised}, {}},
        {noMarker, {noMarker + kUnrecognised}, {}},
        {noColon, {noColon + kUnrecognised}, {}},
        {missing, {}, {"ファイル \"" + missing + "\". No such file or directory は開けません"}},
        {deepMark, {}, {"リストのインデックスが範囲を超えています (1)"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file.toStdString());
        auto window = comparedSamples();
        partner.sent.clear();
        const NodeId changed = selected(*window);
        compare(*window, c.file);

        EXPECT_EQ(dialogs.messages(), c.messages);
        EXPECT_EQ(dialogs.errors(), c.errors);
        expectNoComparison(*window);
        // The earlier comparison's partner was closed before the file was read.
        ASSERT_EQ(partner.sent.size(), 1u);
        EXPECT_EQ(partner.sent[0].first, "Dirgauge - " + sample("older.txt"));
        EXPECT_EQ(partner.sent[0].second, ui::PartnerMessage::Close);
        // The classes stay in the nodes, but the model gives no colours for them any more.
        EXPECT_NE(window->tree().changeClass(changed), ChangeClass::Unchanged);
        const QModelIndex index = window->treeModel()->indexOf(changed);
        EXPECT_FALSE(index.data(Qt::ForegroundRole).isValid());
        EXPECT_FALSE(index.data(Qt::BackgroundRole).isValid());
        EXPECT_FALSE(ui::ChangeDelegate::colorsFor(index, false).custom);
    }
}

TEST_F(MainWindowCompareTest, TheShownFileItselfIsRefusedAndTheComparisonStays)
{
    auto window = comparedSamples();
    partner.sent.clear();
    compare(*window, sample("newer.txt"));
    EXPECT_EQ(dialogs.messages(), QStringList{"同じファイルは比較できません。"});
    EXPECT_TRUE(partner.sent.empty());
    EXPECT_EQ(window->baseName(), sample("older.txt"));
    EXPECT_EQ(window->baseLines().size(), 60u);
    EXPECT_EQ(window->statusPanel(1)->text(), "比較中　同期");
    EXPECT_TRUE(enabled(*window, CommandId::CtrlDown1));
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(MainWindowCompareTest, AnErrorInsideTheClassificationReleasesTheProgressWindowAndEndsTheComparison)
{
    // The shown folder C:\q" is looked up as "C:\q"", and the base line that begins so is one
    // unterminated quoted field: reading its size fails.
    auto window = makeWindow();
    show(*window, folder.writeReport("current.txt", {"MYPC CHECK START AT 2024/05/01 10:00", "C:,1000,1%",
                                                     "C:\\,500,a,b,22", "\"C:\\q\"\"\",100,a,b,16", "END"}));
    ASSERT_TRUE(dialogs.shown.empty());
    const QString base = folder.writeReport(
        "base.txt", {"MYPC CHECK START AT 2024/04/01 10:00", "C:,1000,1%", "C:\\,500,a,b,22", "\"C:\\q\"\",100,,,16", "END"});
    window->action(CommandId::Debug1)->trigger();
    compare(*window, base);
    window->action(CommandId::Debug1)->trigger();

    ASSERT_EQ(dialogs.errors(), QStringList{"リストのインデックスが範囲を超えています (1)"});
    ASSERT_EQ(dialogs.probes.size(), 1u);
    EXPECT_EQ(dialogs.probes[0].progressWindows, 0u); // released before the error box
    EXPECT_TRUE(window->treeView()->updatesEnabled());
    expectNoComparison(*window);
    const std::string log = readFile(folder.path() / "dirgauge01.log");
    EXPECT_NE(log.find("Start SetColorInfo"), std::string::npos);
    EXPECT_EQ(log.find("End   SetColorInfo"), std::string::npos);
    EXPECT_EQ(log.find("End   LoadBaseFile"), std::string::npos);
}

TEST_F(MainWindowCompareTest, TheProgressWindowCountsTheRunCentredOnTheWindowAndIsReleasedAfterIt)
{
    auto window = comparedSamples();
    // Every log name taken: the first line of the run gives a message while the window is up.
    for (int n = 1; n <= 99; ++n)
        folder.writeBytes("dirgauge" + std::string(n < 10 ? "0" : "") + std::to_string(n) + ".log", "");
    window->debugLog().setEnabled(true);
    window->guarded([&] { window->SetColorInfo(); });

    ASSERT_EQ(dialogs.probes.size(), 1u);
    const auto& probe = dialogs.probes[0];
    EXPECT_EQ(probe.text, "ログファイル数が多すぎます。デバッグの指定を取り消します。");
    EXPECT_EQ(probe.progressWindows, 1u);
    EXPECT_TRUE(probe.visible);
    EXPECT_EQ(probe.title, "Dirgauge - 進行状況");
    EXPECT_EQ(probe.total, "/ " + QString::number(window->tree().nodeCount() - 1));
    EXPECT_LE((probe.center - window->frameGeometry().center()).manhattanLength(), 4);
    EXPECT_TRUE(progressWindows().empty());
}

TEST_F(MainWindowCompareTest, AProgressWindowRepaintsAFewTimesASecondAndShowsTheLastNode)
{
    ui::ProgressWindow progress(nullptr);
    constexpr std::size_t kTotal = 2'000'000;
    QElapsedTimer clock;
    clock.start();
    progress.start(kTotal);
    EXPECT_EQ(progress.totalText(), "/ 2,000,000");
    for (std::size_t d = 1; d <= kTotal; ++d)
        progress.step(d);
    const auto elapsedMs = clock.elapsed();
    EXPECT_LE(progress.paintCount(), elapsedMs / 33 + 3);
    EXPECT_EQ(progress.countText(), "2,000,000");
    EXPECT_EQ(progress.barValue(), static_cast<int>(kTotal));
}

TEST_F(MainWindowCompareTest, NothingChangedSaysSoAndLeavesNoClassOfTheEarlierRun)
{
    auto window = comparedSamples();
    const QString copy = folder.writeBytes("newer-copy.txt", readFile(sample("newer.txt").toStdString()));
    compare(*window, copy);
    EXPECT_EQ(dialogs.messages(), QStringList{kNothingChanged});
    EXPECT_EQ(dialogs.probes.at(0).progressWindows, 0u);
    EXPECT_TRUE(changedNodes(*window).empty());
    EXPECT_EQ(window->baseName(), copy);
    EXPECT_TRUE(enabled(*window, CommandId::CtrlDown1));

    // An abbreviated base file is expanded first and matches the full form folder for folder.
    dialogs.clear();
    show(*window, sample("full.txt"));
    compare(*window, sample("abbrev.txt"));
    EXPECT_EQ(dialogs.messages(), QStringList{kNothingChanged});
    EXPECT_TRUE(changedNodes(*window).empty());
}

TEST_F(MainWindowCompareTest, TheLimitsOfTheSettingsDecideTheClasses)
{
    struct Case {
        const char* limits; // U1, U2, D1, D2
        ChangeClass temp, downloads, program, recycle;
    };
    using C = ChangeClass;
    const Case cases[] = {
        // Temp +15 %, ダウンロード +42 %, Program Files -10.98 % (11), $Recycle.Bin exactly -60 %,
        // which the extended precision makes 61
        {"10,30,10,30", C::Increased, C::GreatlyIncreased, C::Decreased, C::GreatlyDecreased},
        {"15,43,11,62", C::Increased, C::Increased, C::Decreased, C::Decreased},
        {"16,42,12,60", C::Unchanged, C::GreatlyIncreased, C::Unchanged, C::GreatlyDecreased},
        {"1000,1000,1000,1000", C::Unchanged, C::Unchanged, C::Unchanged, C::Unchanged},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.limits);
        const QStringList limits = QString::fromLatin1(c.limits).split(',');
        folder.writeBytes("dirgauge.ini", "[Comp]\r\nF3U1_Limit=" + limits[0].toStdString() +
                                              "\r\nF3U2_Limit=" + limits[1].toStdString() + "\r\nF3D1_Limit=" +
                                              limits[2].toStdString() + "\r\nF3D2_Limit=" + limits[3].toStdString() +
                                              "\r\n");
        auto window = comparedSamples();
        const FolderTree& tree = window->tree();
        EXPECT_EQ(tree.changeClass(nodeOf(*window, "C:\\Users\\田中\\AppData\\Local\\Temp")), c.temp);
        EXPECT_EQ(tree.changeClass(nodeOf(*window, "C:\\Users\\田中\\ダウンロード")), c.downloads);
        EXPECT_EQ(tree.changeClass(nodeOf(*window, "C:\\Program Files")), c.program);
        EXPECT_EQ(tree.changeClass(nodeOf(*window, "C:\\$Recycle.Bin")), c.recycle);
        EXPECT_EQ(tree.changeClass(nodeOf(*window, "C:\\Program Files\\新しいソフト")), C::Added);
    }
}

TEST_F(MainWindowCompareTest, TheCommandsWalkTheChangedFoldersInTreeOrderWithoutWrapping)
{
    auto window = comparedSamples();
    const std::vector<NodeId> changed = changedNodes(*window);
    ASSERT_GE(changed.size(), 5u);

    // Down from the top node visits every changed folder in order, then stops.
    select(*window, 0);
    for (const NodeId expected : changed) {
        window->action(CommandId::CtrlDown1)->trigger();
        ASSERT_EQ(selected(*window), expected);
    }
    EXPECT_TRUE(dialogs.shown.empty());
    window->action(CommandId::CtrlDown1)->trigger();
    EXPECT_EQ(dialogs.messages(), QStringList{kNoneBelow});
    EXPECT_EQ(selected(*window), changed.back());

    // And up again, never reaching the top node.
    dialogs.clear();
    for (auto it = changed.rbegin() + 1; it != changed.rend(); ++it) {
        window->action(CommandId::CtrlUp1)->trigger();
        ASSERT_EQ(selected(*window), *it);
    }
    window->action(CommandId::CtrlUp1)->trigger();
    EXPECT_EQ(dialogs.messages(), QStringList{kNoneAbove});
    EXPECT_EQ(selected(*window), changed.front());
}

TEST_F(MainWindowCompareTest, TheCommandsAtTheEndsOfTheTreeSayThereIsNothingFurther)
{
    auto window = comparedSamples();
    const NodeId last = static_cast<NodeId>(window->tree().nodeCount() - 1);
    struct Case {
        NodeId start;
        bool down;
        QStringList messages;
    };
    const Case cases[] = {
        {last, true, {kNoneBelow}},
        {1, false, {kNoneAbove}},
        {0, false, {kNoneAbove}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.start);
        dialogs.clear();
        select(*window, c.start);
        window->action(c.down ? CommandId::CtrlDown1 : CommandId::CtrlUp1)->trigger();
        EXPECT_EQ(dialogs.messages(), c.messages);
        EXPECT_EQ(selected(*window), c.start);
    }

    // From the last node the nearest changed folder above is found.
    dialogs.clear();
    select(*window, last);
    window->action(CommandId::CtrlUp1)->trigger();
    EXPECT_EQ(selected(*window), changedNodes(*window).back());

    // Without a selection neither command does anything.
    dialogs.clear();
    window->treeView()->selectionModel()->clearSelection();
    window->action(CommandId::CtrlDown1)->trigger();
    window->action(CommandId::CtrlUp1)->trigger();
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(selected(*window), kNoNode);
}

TEST_F(MainWindowCompareTest, AChangedFolderInsideACollapsedBranchIsSelectedAndRevealed)
{
    auto window = comparedSamples();
    window->resize(450, 200);
    window->show();
    QTreeView& view = *window->treeView();
    view.collapseAll();
    const NodeId root = nodeOf(*window, "C:\\");
    select(*window, root);
    window->action(CommandId::CtrlDown1)->trigger();
    const NodeId found = selected(*window);
    EXPECT_EQ(found, changedNodes(*window).front());
    EXPECT_TRUE(ancestorsExpanded(*window, found));
    EXPECT_TRUE(view.viewport()->rect().contains(view.visualRect(window->treeModel()->indexOf(found))));

    // Upward from the last node into another collapsed branch, too.
    const NodeId lastChanged = changedNodes(*window).back();
    select(*window, static_cast<NodeId>(window->tree().nodeCount() - 1));
    view.collapseAll();
    ASSERT_FALSE(ancestorsExpanded(*window, lastChanged));
    window->action(CommandId::CtrlUp1)->trigger();
    EXPECT_EQ(selected(*window), lastChanged);
    EXPECT_TRUE(ancestorsExpanded(*window, lastChanged));
}

TEST_F(MainWindowCompareTest, EachClassIsPaintedInItsColoursExchangedWhenSelected)
{
    auto window = comparedSamples();
    ASSERT_NE(qobject_cast<ui::ChangeDelegate*>(window->treeView()->itemDelegate()), nullptr);
    QPalette palette;
    palette.setColor(QPalette::Base, QColor(250, 250, 250));
    palette.setColor(QPalette::Text, QColor(10, 10, 10));
    palette.setColor(QPalette::Highlight, QColor(0, 0, 128));
    palette.setColor(QPalette::HighlightedText, QColor(255, 255, 254));
    palette.setColor(QPalette::Disabled, QPalette::Text, QColor(128, 128, 128));
    window->treeModel()->setPalette(palette);
    const QColor base(250, 250, 250);
    const QColor grey(128, 128, 128);
    struct Case {
        const char* path;
        QColor text;
        QColor background;
    };
    const Case cases[] = {
        {"C:\\Program Files\\新しいソフト", grey, QColor(255, 255, 0)},          // added
        {"C:\\Users\\田中\\AppData\\Local\\Temp", QColor(255, 0, 255), base},      // U1
        {"C:\\Users\\田中\\ダウンロード", QColor(255, 0, 0), base},                // U2
        {"C:\\Program Files", QColor(0, 255, 0), base},                            // D1
        {"C:\\$Recycle.Bin", QColor(0, 0, 255), base},                             // D2
    };
    const auto color = [](const QModelIndex& index, int role) { return index.data(role).value<QBrush>().color(); };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        const QModelIndex index = window->treeModel()->indexOf(nodeOf(*window, c.path));
        // What the model says, read as any view reads it.
        EXPECT_EQ(color(index, Qt::ForegroundRole), c.text);
        EXPECT_EQ(color(index, Qt::BackgroundRole), c.background);
        // What the delegate paints: the same, exchanged for a selected item.
        const auto normal = ui::ChangeDelegate::colorsFor(index, false);
        EXPECT_TRUE(normal.custom);
        EXPECT_EQ(normal.text, c.text);
        EXPECT_EQ(normal.background, c.background);
        const auto chosen = ui::ChangeDelegate::colorsFor(index, true);
        EXPECT_TRUE(chosen.custom);
        EXPECT_EQ(chosen.text, c.background);
        EXPECT_EQ(chosen.background, c.text);
    }
    // Unchanged folders and the top node keep the normal colours, selected or not.
    for (const NodeId node : {nodeOf(*window, "C:\\PerfLogs"), NodeId{0}}) {
        const QModelIndex index = window->treeModel()->indexOf(node);
        EXPECT_FALSE(index.data(Qt::ForegroundRole).isValid());
        EXPECT_FALSE(index.data(Qt::BackgroundRole).isValid());
        for (const bool selectedItem : {false, true})
            EXPECT_FALSE(ui::ChangeDelegate::colorsFor(index, selectedItem).custom);
    }
}

TEST_F(MainWindowCompareTest, TheTreeIsPaintedInTheClassColoursOnlyWhileTheComparisonLasts)
{
    auto window = comparedSamples();
    window->show();
    QTreeView& view = *window->treeView();
    const NodeId added = nodeOf(*window, "C:\\Program Files\\新しいソフト");
    view.scrollTo(window->treeModel()->indexOf(added));
    const QRect rect = view.visualRect(window->treeModel()->indexOf(added));
    ASSERT_TRUE(view.viewport()->rect().contains(rect));
    const QPoint corner = rect.topLeft() + QPoint(1, 1);

    EXPECT_EQ(view.viewport()->grab().toImage().pixelColor(corner), QColor(255, 255, 0));

    // A refused base file ends the comparison; the node keeps its class but loses its colours.
    compare(*window, folder.writeReport("two.txt", {"MYPC CHECK START AT 2024/04/01", "C:,1,1%"}));
    ASSERT_EQ(window->tree().changeClass(added), ChangeClass::Added);
    ASSERT_EQ(view.visualRect(window->treeModel()->indexOf(added)), rect);
    EXPECT_EQ(view.viewport()->grab().toImage().pixelColor(corner), view.palette().color(QPalette::Base));
}

TEST_F(MainWindowCompareTest, LoadingAFileEndsTheComparison)
{
    auto window = comparedSamples();
    partner.sent.clear();
    show(*window, sample("older.txt"));
    EXPECT_TRUE(dialogs.shown.empty());
    expectNoComparison(*window);
    ASSERT_EQ(partner.sent.size(), 1u);
    EXPECT_EQ(partner.sent[0].first, "Dirgauge - " + sample("older.txt"));
    EXPECT_EQ(partner.sent[0].second, ui::PartnerMessage::Close);
    for (NodeId id = 0; id < window->tree().nodeCount(); ++id)
        ASSERT_EQ(window->tree().changeClass(id), ChangeClass::None);
}

TEST_F(MainWindowCompareTest, TheBaseFileIsChosenStartingInTheFolderOfTheLastFileCompared)
{
    auto window = makeWindow();
    show(*window, sample("newer.txt"));
    const QString base = folder.writeBytes("older.txt", readFile(sample("older.txt").toStdString()));
    dialogs.openAnswers = {base, QString()};
    window->action(CommandId::Comp1)->trigger();
    window->action(CommandId::Comp1)->trigger(); // cancelled

    ASSERT_EQ(dialogs.openRequests.size(), 2u);
    EXPECT_EQ(dialogs.openRequests[0].title, "フォルダ情報ファイルを開く");
    EXPECT_EQ(dialogs.openRequests[0].filterName, "全てのファイル");
    EXPECT_EQ(dialogs.openRequests[0].initialFolder, QString::fromUtf8(DG_SOURCE_DIR) + "/samples");
    EXPECT_EQ(dialogs.openRequests[1].initialFolder, folder.qpath());
    EXPECT_EQ(window->baseName(), base);
    EXPECT_EQ(window->statusPanel(1)->text(), "比較中　同期");
    EXPECT_TRUE(partner.sent.empty());
}

TEST_F(MainWindowCompareTest, TheDebugLogFollowsTheBaseFileInShiftJis)
{
    // The base file's root size "?" takes the drive's size, so the root counts as shrunk.
    auto window = makeWindow();
    show(*window, sample("newer.txt"));
    std::string older = readFile(sample("older.txt").toStdString());
    const std::string root = "C:\\,118673299597,";
    older.replace(older.find(root), root.size(), "C:\\,?,");
    const QString base = folder.writeBytes("古い.txt", older);
    window->action(CommandId::Debug1)->trigger();
    compare(*window, base);
    window->action(CommandId::Debug1)->trigger();
    ASSERT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(window->tree().changeClass(nodeOf(*window, "C:\\")), ChangeClass::GreatlyDecreased);
    EXPECT_EQ(selected(*window), nodeOf(*window, "C:\\"));

    std::map<ChangeClass, int> counts;
    for (const NodeId id : changedNodes(*window))
        ++counts[window->tree().changeClass(id)];
    const std::string log = readFile(folder.path() / "dirgauge01.log");
    const std::string expected[] = {
        "Start LoadBaseFile, " + encoding::utf8ToSjis(base.toStdString()),
        "Folder C:\\ Size set to DriveSize 511101108224",
        "Start SetColorInfo, U1=10%, U2=30%, D1=10%, D2=30%",
        "End   SetColorInfo, Ad=" + std::to_string(counts[ChangeClass::Added]) +
            ", U1=" + std::to_string(counts[ChangeClass::Increased]) +
            ", U2=" + std::to_string(counts[ChangeClass::GreatlyIncreased]) +
            ", D1=" + std::to_string(counts[ChangeClass::Decreased]) +
            ", D2=" + std::to_string(counts[ChangeClass::GreatlyDecreased]),
        "End   LoadBaseFile, 60 Lines",
    };
    std::size_t at = 0;
    for (const auto& line : expected) {
        const std::size_t found = log.find(line + "\r\n", at);
        ASSERT_NE(found, std::string::npos) << line;
        at = found + line.size();
    }
    EXPECT_EQ(counts[ChangeClass::Added], 3);
}

TEST_F(MainWindowCompareTest, AWindowShowingNoTreeComparesWithNothingToClassify)
{
    // A viewer whose own file was refused can still be handed a base file by its partner.
    auto window = makeWindow();
    show(*window, folder.writeReport("two.txt", {"MYPC CHECK START AT 2024/04/01", "C:,1,1%"}));
    dialogs.clear();
    ASSERT_EQ(window->tree().nodeCount(), 0u);
    window->guarded([&] { window->LoadBaseFile(sample("older.txt"), QStringLiteral("N")); });
    EXPECT_EQ(dialogs.messages(), QStringList{kNothingChanged});
    EXPECT_TRUE(dialogs.errors().isEmpty());
    EXPECT_EQ(window->baseName(), sample("older.txt"));
    EXPECT_EQ(window->statusPanel(1)->text(), "比較中　同期");
}

TEST_F(MainWindowCompareTest, TheHintKeepsTheBaseHeaderAsWrittenAroundAMarkerInAnyCase)
{
    auto window = makeWindow();
    show(*window, folder.writeReport("good.txt", goodReportLines()));
    auto lines = goodReportLines();
    lines[0] = "PC1 check start at 2020/01/02 03:04";
    compare(*window, folder.writeReport("base.txt", lines));
    EXPECT_EQ(dialogs.messages(), QStringList{kNothingChanged});
    EXPECT_EQ(window->statusHint(), "コンピュータ　：　PC1  2020/01/02 03:04 の情報と比較中");
}

} // namespace
} // namespace dg::test
