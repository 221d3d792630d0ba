// Two viewer windows in one process, paired over real sockets in a private endpoint folder: the
// hand-shake, tree events both ways without echo, the three reloads, the pair exit, a partner that
// has gone away, and what a misbehaving peer can send.
#include "main_window_fixture.h"

#include "core/encoding.h"
#include "partner/partner_endpoint.h"
#include "settings/comp_setting.h"
#include "settings/ini_file.h"
#include "ui/comp_settings_dialog.h"
#include "ui/endpoint_partner_link.h"
#include "ui/pair_placement.h"
#include "tests/support/temp_dir.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <QToolBar>
#include <QTimer>
#include <QTreeView>

#include <fstream>
#include <functional>

namespace dg::test {
namespace {
using ui::CommandId;
using ui::PartnerRequest;

QString sample(const char* name)
{
    return QString::fromUtf8(DG_SOURCE_DIR) + "/samples/" + name;
}

QString titleOf(const QString& fileName)
{
    return "Dirgauge - " + fileName;
}

// The real link, recording what arrives before the window handles it.
class RecordingEndpointLink : public ui::EndpointPartnerLink {
public:
    std::vector<PartnerRequest> received;

    void setReceiver(ui::PartnerReceiver receiver) override
    {
        if (!receiver) {
            ui::EndpointPartnerLink::setReceiver({});
            return;
        }
        ui::EndpointPartnerLink::setReceiver([this, receiver](const PartnerRequest& request) {
            received.push_back(request);
            receiver(request);
        });
    }
    std::size_t count(PartnerRequest::Kind kind) const
    {
        return static_cast<std::size_t>(std::count_if(received.begin(), received.end(),
                                                       [kind](const PartnerRequest& r) { return r.kind == kind; }));
    }
};

// Stands in for the process start: the viewer of the base file is already there (or comes later,
// or never).
class FakeLauncher : public ui::ViewerLauncher {
public:
    QStringList started;
    bool startResult = true;
    bool alive = true;
    std::function<void()> onStart;

    bool start(const QString& fileName) override
    {
        started.append(fileName);
        if (onStart)
            onStart();
        return startResult;
    }
    bool running() const override { return alive; }
};

// One viewer: its boxes, its link and its window (declared last: destroyed first).
struct Viewer {
    RecordingDialogs dialogs;
    RecordingEndpointLink link;
    FakeLauncher launcher;
    std::unique_ptr<ui::MainWindow> window;

    ui::MainWindow& w() { return *window; }
};

class MainWindowPartnerTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(qgetenv("QT_QPA_PLATFORM"), "offscreen"); }

    std::filesystem::path settingsPath() const { return folder.path() / "dirgauge.ini"; }
    std::filesystem::path partnerDir() const { return folder.path() / "partner"; }

    // A viewer with its own endpoint in the shared folder, showing file (if any), shown on screen.
    std::unique_ptr<Viewer> makeViewer(const QString& file = {}, const std::filesystem::path& dir = {})
    {
        auto viewer = std::make_unique<Viewer>();
        if (dir.empty())
            EXPECT_EQ(viewer->link.start(partnerDir()), "");
        else
            EXPECT_NE(viewer->link.start(dir), "");
        ui::ViewerContext context;
        context.settingsPath = settingsPath();
        context.debugLogBase = folder.path() / "dirgauge";
        context.collatorLocale = "ja";
        context.dialogs = &viewer->dialogs;
        context.partner = &viewer->link;
        context.launcher = &viewer->launcher;
        context.endProgram = [](int) { FAIL() << "the program was ended"; };
        viewer->window = std::make_unique<ui::MainWindow>(std::move(context));
        if (!file.isEmpty())
            viewer->window->guarded([&] { viewer->window->LoadFile(file); });
        viewer->window->show();
        return viewer;
    }

    // newer.txt in a, older.txt in b, a compares with b's file and so starts the pair.
    void makePair()
    {
        a = makeViewer(sample("newer.txt"));
        b = makeViewer(sample("older.txt"));
        a->w().guarded([&] { a->w().LoadBaseFile(sample("older.txt"), QStringLiteral("Y")); });
        ASSERT_EQ(b->w().baseName(), sample("newer.txt"));
        clearRecords();
    }

    void clearRecords()
    {
        for (Viewer* v : {a.get(), b.get()}) {
            if (!v)
                continue;
            v->link.received.clear();
            v->dialogs.clear();
        }
    }

    // The node whose line's first field is utf8Path.
    static NodeId nodeOf(Viewer& v, const std::string& utf8Path)
    {
        const TextEncoding enc = v.w().currentLines().kind().encoding;
        const std::string path = enc == TextEncoding::Utf8 ? utf8Path : encoding::utf8ToSjis(utf8Path);
        FieldSplitter splitter;
        splitter.setEncoding(enc);
        const FolderTree& tree = v.w().tree();
        for (NodeId id = 1; id < tree.nodeCount(); ++id) {
            splitter.splitFirst(v.w().currentLines()[tree.lineIndex(id)], 1);
            if (splitter.get(0) == path && tree.level(id) > 1)
                return id;
        }
        ADD_FAILURE() << "no node " << utf8Path;
        return kNoNode;
    }
    // The UTF-8 path of a folder node (its line's first field).
    static std::string pathOf(Viewer& v, NodeId node)
    {
        FieldSplitter splitter;
        const TextEncoding enc = v.w().currentLines().kind().encoding;
        splitter.setEncoding(enc);
        splitter.splitFirst(v.w().currentLines()[v.w().tree().lineIndex(node)], 1);
        return encoding::textToUtf8(enc, splitter.get(0));
    }
    // Expands the node's ancestors (which the partner follows), then forgets what was sent.
    void reveal(Viewer& v, NodeId node)
    {
        for (NodeId p = v.w().tree().parent(node); p != kNoNode; p = v.w().tree().parent(p))
            v.w().treeView()->expand(indexOf(v, p));
        settle();
        clearRecords();
    }
    // Expansions and collapses go to the partner once the view is done with them, from the event
    // loop: this lets them go.
    static void settle() { QCoreApplication::processEvents(); }
    static QModelIndex indexOf(Viewer& v, NodeId node) { return v.w().treeModel()->indexOf(node); }
    static NodeId selected(Viewer& v)
    {
        const QModelIndexList indexes = v.w().treeView()->selectionModel()->selectedIndexes();
        return indexes.isEmpty() ? kNoNode : v.w().treeModel()->nodeId(indexes.front());
    }
    static bool expanded(Viewer& v, NodeId node) { return v.w().treeView()->isExpanded(indexOf(v, node)); }
    static bool ancestorsExpanded(Viewer& v, NodeId node)
    {
        for (NodeId p = v.w().tree().parent(node); p != kNoNode; p = v.w().tree().parent(p))
            if (!expanded(v, p))
                return false;
        return true;
    }
    // Collapses every node of the tree but the top node, without telling anybody.
    static void collapseQuietly(Viewer& v)
    {
        const QSignalBlocker blocker(v.w().treeView());
        v.w().treeView()->collapseAll();
        v.w().treeView()->expand(indexOf(v, 0));
    }
    static std::size_t countClass(Viewer& v, ChangeClass cls)
    {
        std::size_t n = 0;
        for (NodeId node = 1; node < v.w().tree().nodeCount(); ++node)
            n += v.w().tree().changeClass(node) == cls ? 1 : 0;
        return n;
    }

    TempFolder folder;
    std::unique_ptr<Viewer> a;
    std::unique_ptr<Viewer> b;
};

TEST_F(MainWindowPartnerTest, TheHandShakeMakesTheSecondViewerCompareTheOtherWayBesideTheFirst)
{
    a = makeViewer(sample("newer.txt"));
    b = makeViewer(sample("older.txt"));
    a->w().move(100, 40);
    const QRect before = a->w().geometry();
    a->w().guarded([&] { a->w().LoadBaseFile(sample("older.txt"), QStringLiteral("Y")); });

    EXPECT_EQ(a->launcher.started, QStringList{sample("older.txt")});
    EXPECT_TRUE(b->launcher.started.isEmpty());
    EXPECT_EQ(a->w().baseName(), sample("older.txt"));
    EXPECT_EQ(b->w().baseName(), sample("newer.txt"));
    EXPECT_TRUE(a->w().action(CommandId::ExitWithComp1)->isEnabled());
    EXPECT_FALSE(b->w().action(CommandId::ExitWithComp1)->isEnabled());
    EXPECT_EQ(b->w().statusPanel(1)->text(), "比較中　同期");
    EXPECT_EQ(b->w().statusHint(), "コンピュータ　：　MYPC  2024/05/01 10:20:30 の情報と比較中");
    // Mirrored classes: each window calls added what only its own file has.
    EXPECT_EQ(a->w().tree().changeClass(nodeOf(*a, "C:\\Program Files\\新しいソフト")), ChangeClass::Added);
    EXPECT_EQ(b->w().tree().changeClass(nodeOf(*b, "C:\\Program Files\\ソフト工房")), ChangeClass::Added);
    std::size_t grown = 0;
    for (NodeId node = 1; node < a->w().tree().nodeCount(); ++node) {
        const ChangeClass inA = a->w().tree().changeClass(node);
        if (inA != ChangeClass::Increased && inA != ChangeClass::GreatlyIncreased)
            continue;
        ++grown;
        const ChangeClass inB = b->w().tree().changeClass(nodeOf(*b, pathOf(*a, node)));
        EXPECT_TRUE(inB == ChangeClass::Decreased || inB == ChangeClass::GreatlyDecreased) << pathOf(*a, node);
    }
    EXPECT_GT(grown, 0u);

    // One SetPartner carrying a's title, nothing back to a: b classified and selected while
    // handling it.
    ASSERT_EQ(b->link.received.size(), 1u);
    EXPECT_EQ(b->link.received[0].kind, PartnerRequest::Kind::SetPartner);
    EXPECT_EQ(b->link.received[0].senderTitle, titleOf(sample("newer.txt")));
    EXPECT_TRUE(a->link.received.empty());
    EXPECT_TRUE(a->dialogs.shown.empty());
    EXPECT_TRUE(b->dialogs.shown.empty());

    // Side by side on the primary screen, b at a's top and size.
    const int screenWidth = QGuiApplication::primaryScreen()->geometry().width();
    const ui::PairPlacement placement = ui::placePair(before.x(), before.width(), screenWidth);
    EXPECT_EQ(a->w().pos(), QPoint(placement.ownLeft, 40));
    EXPECT_EQ(b->w().pos(), QPoint(placement.partnerLeft, 40));
    EXPECT_EQ(b->w().size(), a->w().size());
}

TEST_F(MainWindowPartnerTest, TreeEventsFollowInBothDirectionsWithoutEcho)
{
    ASSERT_NO_FATAL_FAILURE(makePair());
    struct Step {
        const char* what;
        bool fromA;
        std::function<void(Viewer& from, Viewer& to)> act;
    };
    // A trail byte equal to "\" (能 is 0x94 0x5C) inside a name that is hidden in the receiver.
    const std::string deep = "C:\\Windows\\System32\\機能";
    const std::vector<Step> steps = {
        {"select a hidden folder", true,
         [&](Viewer& from, Viewer& to) {
             collapseQuietly(to);
             from.w().treeView()->setCurrentIndex(indexOf(from, nodeOf(from, deep)));
             settle(); // the view opens the ancestors of its new current node
             EXPECT_EQ(selected(to), nodeOf(to, deep));
             EXPECT_TRUE(ancestorsExpanded(to, nodeOf(to, deep)));
         }},
        {"expand", false,
         [&](Viewer& from, Viewer& to) {
             const NodeId node = nodeOf(to, "C:\\Users\\田中\\ピクチャ");
             const NodeId before = selected(to);
             ASSERT_FALSE(expanded(to, node));
             from.w().treeView()->expand(indexOf(from, nodeOf(from, "C:\\Users\\田中\\ピクチャ")));
             settle();
             EXPECT_TRUE(expanded(to, node));
             EXPECT_EQ(selected(to), before); // expanding does not select
         }},
        {"collapse", true,
         [&](Viewer& from, Viewer& to) {
             const NodeId node = nodeOf(to, "C:\\Users\\田中\\ピクチャ");
             const NodeId child = nodeOf(to, "C:\\Users\\田中\\ピクチャ\\2023");
             ASSERT_TRUE(expanded(to, node));
             to.w().treeView()->expand(indexOf(to, child));
             settle();
             to.link.received.clear();
             from.link.received.clear();
             from.w().treeView()->collapse(indexOf(from, nodeOf(from, "C:\\Users\\田中\\ピクチャ")));
             settle();
             EXPECT_FALSE(expanded(to, node));
             EXPECT_TRUE(expanded(to, child)); // its own children stay as they were
         }},
        {"select the drive", false,
         [&](Viewer& from, Viewer& to) {
             const NodeId drive = from.w().tree().child(0, 0);
             from.w().treeView()->setCurrentIndex(indexOf(from, drive));
             EXPECT_EQ(selected(to), to.w().tree().child(0, 0));
         }},
        {"select the top node", true,
         [&](Viewer& from, Viewer& to) {
             from.w().treeView()->setCurrentIndex(indexOf(from, 0));
             EXPECT_EQ(selected(to), 0u);
         }},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        Viewer& from = step.fromA ? *a : *b;
        Viewer& to = step.fromA ? *b : *a;
        clearRecords();
        step.act(from, to);
        // Selecting a hidden node opens its ancestors first: those expansions go along.
        EXPECT_GE(to.link.count(PartnerRequest::Kind::TreeEvent), 1u);
        EXPECT_EQ(to.link.count(PartnerRequest::Kind::TreeEvent), to.link.received.size());
        EXPECT_TRUE(from.link.received.empty()) << "echoed back";
        EXPECT_TRUE(from.dialogs.shown.empty());
        EXPECT_TRUE(to.dialogs.shown.empty());
    }
}

// Rows the view shows (every row an expanded parent lets through), as the user scrolls them.
int shownRows(QTreeView& view)
{
    int rows = 0;
    for (QModelIndex index = view.model()->index(0, 0); index.isValid(); index = view.indexBelow(index))
        ++rows;
    return rows;
}

TEST_F(MainWindowPartnerTest, ExpandAllOpensEveryFolderInBothWindows)
{
    // "*" expands every folder below the current one, one expansion after another inside the
    // view; each goes to the partner, which must not leave the sender's own view half done.
    for (const bool synchro : {true, false}) {
        SCOPED_TRACE(synchro);
        ASSERT_NO_FATAL_FAILURE(makePair());
        if (a->w().synchro() != synchro)
            a->w().guarded([&] { a->w().Synchro1Execute(); });
        ASSERT_EQ(b->w().synchro(), synchro);
        collapseQuietly(*a);
        collapseQuietly(*b);
        QTreeView& view = *a->w().treeView();
        view.setFocus();
        view.setCurrentIndex(indexOf(*a, 0));
        QTest::keyClick(&view, Qt::Key_Asterisk);
        const int all = static_cast<int>(a->w().tree().nodeCount());
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 5000 && shownRows(view) < all)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        settle();
        EXPECT_EQ(shownRows(view), all);
        // The partner opens every folder it has that the sender has as well (added folders are
        // not sent); with the switch off it stays as it was.
        std::size_t opened = 0;
        std::size_t same = 0;
        FieldSplitter splitter;
        for (NodeId node = 1; node < b->w().tree().nodeCount(); ++node) {
            if (b->w().tree().childCount(node) == 0)
                continue;
            const std::string path = encoding::utf8ToSjis(pathOf(*b, node));
            const NodeId there = findNodeByPath(a->w().tree(), a->w().currentLines(), splitter,
                                                b->w().tree().level(node), path);
            if (there == kNoNode || a->w().tree().changeClass(there) == ChangeClass::Added)
                continue;
            ++same;
            opened += expanded(*b, node) ? 1 : 0;
        }
        EXPECT_GT(same, 10u);
        EXPECT_EQ(opened, synchro ? same : 0u);
        EXPECT_TRUE(a->link.received.empty()) << "echoed back";
        EXPECT_TRUE(a->dialogs.shown.empty());
        EXPECT_TRUE(b->dialogs.shown.empty());
        a.reset();
        b.reset();
    }
}

// a shows newer.txt, b a UTF-8 copy of older.txt: the comparison matches across the encodings and
// tree events follow both ways, names with a "\" trail byte included.
TEST_F(MainWindowPartnerTest, ViewersOfReportsInDifferentEncodingsStayInStep)
{
    const std::string copy = (folder.path() / "older-utf8.txt").string();
    {
        std::ofstream out(copy, std::ios::binary);
        out << "\xEF\xBB\xBF" << encoding::sjisToUtf8(test::readBytes(sample("older.txt").toStdString()));
    }
    const QString copyName = QString::fromStdString(copy);
    a = makeViewer(sample("newer.txt"));
    b = makeViewer(copyName);
    a->w().guarded([&] { a->w().LoadBaseFile(copyName, QStringLiteral("Y")); });
    ASSERT_EQ(b->w().baseName(), sample("newer.txt"));
    EXPECT_EQ(a->w().tree().changeClass(nodeOf(*a, "C:\\Program Files\\新しいソフト")), ChangeClass::Added);
    EXPECT_EQ(b->w().tree().changeClass(nodeOf(*b, "C:\\Program Files\\ソフト工房")), ChangeClass::Added);
    EXPECT_EQ(a->w().tree().changeClass(nodeOf(*a, "C:\\Windows\\System32\\機能")), ChangeClass::Unchanged);
    const std::string deep = "C:\\Windows\\System32\\機能";
    for (const bool fromA : {true, false}) {
        Viewer& from = fromA ? *a : *b;
        Viewer& to = fromA ? *b : *a;
        collapseQuietly(to);
        clearRecords();
        from.w().treeView()->setCurrentIndex(indexOf(from, nodeOf(from, deep)));
        EXPECT_EQ(selected(to), nodeOf(to, deep)) << fromA;
        EXPECT_TRUE(ancestorsExpanded(to, nodeOf(to, deep)));
        from.w().treeView()->setCurrentIndex(indexOf(from, from.w().tree().child(0, 0)));
        EXPECT_EQ(selected(to), to.w().tree().child(0, 0));
        EXPECT_TRUE(to.dialogs.shown.empty());
    }
}

TEST_F(MainWindowPartnerTest, TheEventWordAndPathFollowTheNodesLevel)
{
    ASSERT_NO_FATAL_FAILURE(makePair());
    const NodeId folderNode = nodeOf(*a, "C:\\Users\\田中\\ピクチャ");
    reveal(*a, folderNode);
    a->w().treeView()->collapse(indexOf(*a, folderNode));
    settle();
    b->link.received.clear();
    a->w().treeView()->expand(indexOf(*a, folderNode));
    a->w().treeView()->collapse(indexOf(*a, folderNode));
    a->w().treeView()->setCurrentIndex(indexOf(*a, folderNode));
    a->w().treeView()->setCurrentIndex(indexOf(*a, a->w().tree().child(0, 0)));
    const std::string path = encoding::utf8ToSjis("C:\\Users\\田中\\ピクチャ");
    const std::vector<std::pair<std::uint32_t, std::string>> expected = {
        {0x40000004u, path}, {0x80000004u, path}, {4u, path}, {1u, "C:"}};
    std::vector<std::pair<std::uint32_t, std::string>> got;
    for (const PartnerRequest& r : b->link.received)
        got.emplace_back(r.eventWord, r.path);
    EXPECT_EQ(got, expected);
}

TEST_F(MainWindowPartnerTest, NewlyAddedFoldersSendNothing)
{
    ASSERT_NO_FATAL_FAILURE(makePair());
    const NodeId added = nodeOf(*a, "C:\\Program Files\\新しいソフト");
    ASSERT_EQ(a->w().tree().changeClass(added), ChangeClass::Added);
    reveal(*a, added);
    const NodeId before = selected(*b);
    a->w().treeView()->setCurrentIndex(indexOf(*a, added));
    a->w().treeView()->expand(indexOf(*a, added));
    a->w().treeView()->collapse(indexOf(*a, added));
    EXPECT_TRUE(b->link.received.empty());
    EXPECT_EQ(selected(*b), before);
}

TEST_F(MainWindowPartnerTest, AWindowWithTheSwitchOffSendsNothingButFollowsItsPartner)
{
    IniFile settings(settingsPath());
    settings.writeBool("Comp", "Synchro", false);
    a = makeViewer(sample("newer.txt"));
    settings.writeBool("Comp", "Synchro", true);
    b = makeViewer(sample("older.txt"));
    a->w().guarded([&] { a->w().LoadBaseFile(sample("older.txt"), QStringLiteral("Y")); });
    ASSERT_FALSE(a->w().synchro());
    ASSERT_TRUE(b->w().synchro());
    EXPECT_EQ(a->w().statusPanel(1)->text(), "比較中");
    clearRecords();

    const std::string path = "C:\\Users\\田中\\ダウンロード";
    const NodeId beforeB = selected(*b);
    a->w().treeView()->setCurrentIndex(indexOf(*a, nodeOf(*a, path)));
    EXPECT_TRUE(b->link.received.empty());
    EXPECT_EQ(selected(*b), beforeB);

    const std::string other = "C:\\Windows\\Temp";
    reveal(*b, nodeOf(*b, other));
    b->w().treeView()->setCurrentIndex(indexOf(*b, nodeOf(*b, other)));
    EXPECT_EQ(a->link.count(PartnerRequest::Kind::TreeEvent), 1u);
    EXPECT_EQ(selected(*a), nodeOf(*a, other));
    EXPECT_TRUE(b->link.received.empty());
}

TEST_F(MainWindowPartnerTest, TheSynchroSwitchAndItsPanelFollowInBothWindows)
{
    ASSERT_NO_FATAL_FAILURE(makePair());
    for (const bool on : {false, true}) {
        SCOPED_TRACE(on);
        b->w().action(CommandId::Synchro1)->trigger();
        for (Viewer* v : {a.get(), b.get()}) {
            EXPECT_EQ(v->w().synchro(), on);
            EXPECT_EQ(v->w().action(CommandId::Synchro1)->isChecked(), on);
            EXPECT_EQ(v->w().statusPanel(1)->text(), on ? "比較中　同期" : "比較中");
        }
    }
    EXPECT_EQ(a->link.count(PartnerRequest::Kind::ReloadSynchro), 2u);
    EXPECT_TRUE(b->link.received.empty());
}

TEST_F(MainWindowPartnerTest, TheDebugSwitchFollowsAndTurningItOffEndsBothLogs)
{
    IniFile(settingsPath()).writeBool("Env", "Debug", true);
    ASSERT_NO_FATAL_FAILURE(makePair());
    ASSERT_TRUE(a->w().debugLog().isOpen());
    ASSERT_TRUE(b->w().debugLog().isOpen());
    const std::filesystem::path logOfB = b->w().debugLog().currentFile();

    a->w().action(CommandId::Debug1)->trigger();
    for (Viewer* v : {a.get(), b.get()}) {
        EXPECT_FALSE(v->w().debugSwitch());
        EXPECT_FALSE(v->w().action(CommandId::Debug1)->isChecked());
        EXPECT_FALSE(v->w().debugLog().isOpen());
    }
    EXPECT_NE(readFile(logOfB).find("Start LoadBaseFile, " + encoding::utf8ToSjis(sample("newer.txt").toStdString())),
              std::string::npos);

    b->w().action(CommandId::Debug1)->trigger();
    EXPECT_TRUE(a->w().debugSwitch());
    EXPECT_TRUE(a->w().action(CommandId::Debug1)->isChecked());
    EXPECT_EQ(a->link.count(PartnerRequest::Kind::ReloadDebug), 1u);
    EXPECT_EQ(b->link.count(PartnerRequest::Kind::ReloadDebug), 1u);
}

TEST_F(MainWindowPartnerTest, NewComparisonSettingsReclassifyBothWindows)
{
    ASSERT_NO_FATAL_FAILURE(makePair());
    ui::CompSettingsDialog dialog(a->dialogs);
    a->w().setCompSettingsDialog(&dialog);
    const std::size_t addedInB = countClass(*b, ChangeClass::Added);
    ASSERT_GT(countClass(*b, ChangeClass::Decreased) + countClass(*b, ChangeClass::GreatlyDecreased), 0u);

    // At 999 percent no folder of the samples has grown or shrunk enough to count.
    a->dialogs.onModal = [&dialog](QDialog&) {
        for (int field = 0; field < ui::CompSettingsDialog::kFieldCount; ++field)
            dialog.setThresholdText(field, QStringLiteral("999"));
        return int(QDialog::Accepted);
    };
    a->w().action(CommandId::CSet1)->trigger();

    EXPECT_EQ(b->link.count(PartnerRequest::Kind::ReloadComp), 1u);
    for (Viewer* v : {a.get(), b.get()}) {
        EXPECT_EQ(v->w().compSetting().F3D1_Limit, 999);
        EXPECT_EQ(countClass(*v, ChangeClass::Decreased) + countClass(*v, ChangeClass::GreatlyDecreased), 0u);
        EXPECT_EQ(countClass(*v, ChangeClass::Increased), 0u);
        EXPECT_TRUE(v->dialogs.errors().isEmpty());
    }
    EXPECT_EQ(countClass(*b, ChangeClass::Added), addedInB);
    EXPECT_TRUE(a->link.received.empty());
}

TEST_F(MainWindowPartnerTest, ExitWithCompClosesBothWindows)
{
    ASSERT_NO_FATAL_FAILURE(makePair());
    QElapsedTimer clock;
    clock.start();
    a->w().action(CommandId::ExitWithComp1)->trigger();
    EXPECT_GE(clock.elapsed(), 100);
    EXPECT_FALSE(a->w().isVisible());
    EXPECT_FALSE(b->w().isVisible());
    EXPECT_EQ(b->link.count(PartnerRequest::Kind::Close), 1u);
    EXPECT_TRUE(a->dialogs.shown.empty());
    EXPECT_TRUE(b->dialogs.shown.empty());
}

TEST_F(MainWindowPartnerTest, APartnerThatHasGoneAwayIsNotNoticed)
{
    ASSERT_NO_FATAL_FAILURE(makePair());
    b.reset();
    // And what a crashed partner leaves behind: its title file without anybody listening.
    const std::filesystem::path stale = partnerDir() / "000000000000001-0000000000000001.title";
    std::ofstream(stale) << "TDgaForm1\n" << titleOf(sample("older.txt")).toStdString() << "\n";
    const NodeId node = nodeOf(*a, "C:\\Windows\\System32");
    a->w().treeView()->setCurrentIndex(indexOf(*a, node));
    a->w().treeView()->expand(indexOf(*a, node));
    a->w().treeView()->collapse(indexOf(*a, node));
    a->w().action(CommandId::Synchro1)->trigger();
    a->w().action(CommandId::Debug1)->trigger();
    EXPECT_EQ(selected(*a), node);
    EXPECT_EQ(a->w().statusPanel(1)->text(), "比較中");
    EXPECT_EQ(a->w().baseName(), sample("older.txt"));
    EXPECT_TRUE(a->dialogs.shown.empty());
    EXPECT_FALSE(std::filesystem::exists(stale)); // removed on the way

    a->w().action(CommandId::ExitWithComp1)->trigger();
    EXPECT_FALSE(a->w().isVisible());
    EXPECT_TRUE(a->dialogs.shown.empty());
}

TEST_F(MainWindowPartnerTest, LoadingAnotherFileClosesThePartnerEvenFromTheComparisonSource)
{
    ASSERT_NO_FATAL_FAILURE(makePair());
    b->w().guarded([&] { b->w().LoadFile(sample("full.txt")); });
    EXPECT_EQ(a->link.count(PartnerRequest::Kind::Close), 1u);
    EXPECT_FALSE(a->w().isVisible());
    EXPECT_TRUE(b->w().isVisible());
    EXPECT_EQ(b->w().baseName(), "");
}

TEST_F(MainWindowPartnerTest, TheLaunchingViewerWaitsForASlowViewerAndGivesUpOnOneThatEnded)
{
    a = makeViewer(sample("newer.txt"));
    // Comes up a little later, as a started process would; a keeps serving its endpoint meanwhile.
    a->launcher.onStart = [this] {
        QTimer::singleShot(300, [this] { b = makeViewer(sample("older.txt")); });
    };
    a->w().guarded([&] { a->w().LoadBaseFile(sample("older.txt"), QStringLiteral("Y")); });
    ASSERT_TRUE(b);
    EXPECT_EQ(b->w().baseName(), sample("newer.txt"));
    EXPECT_TRUE(a->w().action(CommandId::ExitWithComp1)->isEnabled());

    // A start that fails, and a process that ends without a window: the comparison stays, no
    // hand-shake, ExitWithComp1 enabled all the same, and no long wait.
    for (const bool startResult : {false, true}) {
        SCOPED_TRACE(startResult);
        auto c = makeViewer(sample("two-drives.txt"));
        c->launcher.startResult = startResult;
        c->launcher.alive = false;
        QElapsedTimer clock;
        clock.start();
        c->w().guarded([&] { c->w().LoadBaseFile(sample("full.txt"), QStringLiteral("Y")); });
        EXPECT_LT(clock.elapsed(), 2000);
        EXPECT_EQ(c->w().baseName(), sample("full.txt"));
        EXPECT_TRUE(c->w().action(CommandId::ExitWithComp1)->isEnabled());
        EXPECT_EQ(c->launcher.started, QStringList{sample("full.txt")});
    }
}

TEST_F(MainWindowPartnerTest, TheLaunchingViewerStaysAliveWhileItWaitsAndEscOrTheCloseBoxEndTheWait)
{
    // The comparison-source viewer never shows up: the window waits, busy, saying so; commands
    // are refused and not replayed; Esc or the close box end the wait at once and close it.
    for (const bool byEscape : {true, false}) {
        SCOPED_TRACE(byEscape);
        auto c = makeViewer(sample("newer.txt"));
        ui::MainWindow& w = c->w();
        w.activateWindow();
        QString statusMeanwhile;
        Qt::CursorShape cursorMeanwhile = Qt::ArrowCursor;
        NodeId selectedMeanwhile = kNoNode;
        QTimer::singleShot(300, [&] {
            selectedMeanwhile = selected(*c);
            statusMeanwhile = w.statusPanel(1)->text();
            if (const QCursor* cursor = QGuiApplication::overrideCursor())
                cursorMeanwhile = cursor->shape();
            // Open, compare and the tree: refused while waiting.
            QTest::keyClick(w.treeView(), Qt::Key_O, Qt::ControlModifier);
            for (QAction* act : {w.action(CommandId::Open1), w.action(CommandId::Comp1)}) {
                if (QWidget* button = w.commandToolBar()->widgetForAction(act))
                    QTest::mouseClick(button, Qt::LeftButton);
            }
            QTest::keyClick(w.treeView(), Qt::Key_Down);
        });
        QTimer::singleShot(600, [&] {
            if (byEscape)
                QTest::keyClick(w.treeView(), Qt::Key_Escape);
            else
                w.close();
        });
        QElapsedTimer clock;
        clock.start();
        w.guarded([&] { w.LoadBaseFile(sample("older.txt"), QStringLiteral("Y")); });
        EXPECT_LT(clock.elapsed(), 5000) << "the wait was not cancelled";
        EXPECT_EQ(c->launcher.started, QStringList{sample("older.txt")});
        EXPECT_EQ(statusMeanwhile, "比較元の表示を待っています（Esc で中止）");
        EXPECT_EQ(cursorMeanwhile, Qt::WaitCursor);
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
        QTest::qWait(200);
        EXPECT_FALSE(w.isVisible()) << "the window did not close after the wait";
        EXPECT_TRUE(c->dialogs.shown.empty()) << "a command refused meanwhile ran later";
        EXPECT_NE(selectedMeanwhile, kNoNode); // the first changed folder
        EXPECT_EQ(selected(*c), selectedMeanwhile) << "a key pressed meanwhile moved the selection";
    }
}

TEST_F(MainWindowPartnerTest, ARefusedPartnerFolderIsExplainedOnceAndNoSynchronisationIsClaimed)
{
    const std::filesystem::path loose = folder.path() / "loose";
    std::filesystem::create_directory(loose);
    std::filesystem::permissions(loose, std::filesystem::perms::all);
    const std::filesystem::path link = folder.path() / "link";
    std::filesystem::create_directory_symlink(partnerDir().parent_path(), link);
    struct Case {
        std::filesystem::path dir;
        const char* reason;
    };
    for (const Case& c : {Case{loose, "(mode 0777)"}, Case{link, "is not a folder"}}) {
        SCOPED_TRACE(c.dir.string());
        auto v = makeViewer(sample("newer.txt"), c.dir);
        for (int time = 0; time < 2; ++time) {
            v->w().guarded([&] { v->w().LoadBaseFile(sample("older.txt"), QStringLiteral("Y")); });
            EXPECT_EQ(v->w().baseName(), sample("older.txt"));
            EXPECT_EQ(v->w().statusPanel(1)->text(), "比較中");
        }
        // Told once, with the reason; no second viewer started on top of this one.
        const QStringList messages = v->dialogs.messages();
        ASSERT_EQ(messages.size(), 1) << messages.join('|').toStdString();
        EXPECT_TRUE(messages[0].startsWith("比較元のウィンドウと連動できないため")) << messages[0].toStdString();
        EXPECT_TRUE(messages[0].contains(QString::fromLatin1(c.reason))) << messages[0].toStdString();
        EXPECT_TRUE(v->launcher.started.isEmpty());
        EXPECT_TRUE(v->w().action(CommandId::ExitWithComp1)->isEnabled());
    }
}

// What any local program could send: a tool endpoint in the same folder.
class PartnerRobustnessTest : public MainWindowPartnerTest {
protected:
    bool toolSend(const QString& title, partner::MessageNumber message, std::uint32_t word, const std::string& payload)
    {
        partner::PartnerEndpoint tool;
        EXPECT_EQ(tool.start(partnerDir()), "");
        return tool.send(title, message, word, payload);
    }
};

TEST_F(PartnerRobustnessTest, TreeEventsForPathsTheTreeDoesNotHaveChangeNothing)
{
    b = makeViewer(sample("older.txt"));
    const NodeId node = nodeOf(*b, "C:\\Windows\\Temp");
    b->w().treeView()->setCurrentIndex(indexOf(*b, node));
    const std::string trail = encoding::utf8ToSjis("C:\\Windows\\System32\\機能");
    const std::vector<std::pair<std::uint32_t, std::string>> events = {
        {3, "C:\\Windows\\NoSuchFolder"},
        {3, "c:\\windows\\system32"},                 // letter case differs
        {4, trail.substr(0, trail.size() - 1)},       // cut inside a double-byte character
        {5, trail + "\\"},                            // more levels than components
        {0x40FFFFFF, std::string(4000, '\\')},
        {2, std::string("\xFF\x00\x81", 3)},
        {7, ""},
    };
    for (const auto& [word, path] : events) {
        SCOPED_TRACE(word);
        EXPECT_TRUE(toolSend(titleOf(sample("older.txt")), partner::MessageNumber::CopyData, word, path));
        EXPECT_EQ(selected(*b), node);
    }
    EXPECT_TRUE(b->dialogs.shown.empty());
    // A tool may select too: anything that reaches the window is a tree event.
    EXPECT_TRUE(toolSend(titleOf(sample("older.txt")), partner::MessageNumber::CopyData, 4, trail));
    EXPECT_EQ(selected(*b), nodeOf(*b, "C:\\Windows\\System32\\機能"));
}

TEST_F(PartnerRobustnessTest, ASetPartnerWithAForeignTitleReportsTheUnreadableFile)
{
    b = makeViewer(sample("older.txt"));
    EXPECT_TRUE(toolSend(titleOf(sample("older.txt")), partner::MessageNumber::SetPartner, 0, "Some other window"));
    ASSERT_EQ(b->dialogs.errors().size(), 1);
    EXPECT_TRUE(b->dialogs.errors()[0].contains("window\". ")) << b->dialogs.errors()[0].toStdString();
    EXPECT_TRUE(b->dialogs.errors()[0].endsWith(" は開けません"));
    EXPECT_EQ(b->w().baseName(), "");
    EXPECT_TRUE(b->w().baseLines().empty());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(PartnerRobustnessTest, ReloadsWithoutAComparisonOnlyReadTheSettings)
{
    b = makeViewer(sample("older.txt"));
    CompSetting setting;
    setting.F3U1_Limit = 5;
    IniFile settings(settingsPath());
    SaveIniCompSetting(settings, setting, false);
    const QString title = titleOf(sample("older.txt"));
    EXPECT_TRUE(toolSend(title, partner::MessageNumber::ReloadComp, 0, {}));
    EXPECT_TRUE(toolSend(title, partner::MessageNumber::ReloadSynchro, 0, {}));
    EXPECT_EQ(b->w().compSetting().F3U1_Limit, 5);
    EXPECT_FALSE(b->w().synchro());
    EXPECT_EQ(b->w().statusPanel(1)->text(), "");
    EXPECT_EQ(countClass(*b, ChangeClass::Added), 0u); // not classified against nothing
    EXPECT_TRUE(b->dialogs.shown.empty());
}

} // namespace
} // namespace dg::test
