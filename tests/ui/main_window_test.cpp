// The main window before and after loading a report, and after each way a load can fail.
#include "main_window_fixture.h"

#include "core/encoding.h"

#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>

namespace dg::test {
namespace {
using ui::CommandId;

const QString kUnrecognised = QStringLiteral(" - ファイルの内容を認識できません。");

TEST_F(MainWindowTest, StartsEmptyWithTheDesignedTitleAndOnlyTheAlwaysEnabledCommands)
{
    auto window = makeWindow();
    EXPECT_EQ(window->objectName(), "TDgaForm1");
    EXPECT_EQ(window->windowTitle(), "Dirgauge - フォルダ情報のオフライン表示");
    EXPECT_EQ(window->width(), 450);
    EXPECT_EQ(window->height(), 669);
    EXPECT_EQ(window->minimumWidth(), 450);
    EXPECT_EQ(window->treeModel()->rowCount(), 0);
    EXPECT_EQ(window->statusPanel(0)->panelWidth(), 250);
    EXPECT_TRUE(dialogs.shown.empty());

    for (const auto& entry : ui::commandTable())
        EXPECT_EQ(enabled(*window, entry.id), entry.id != CommandId::Comp1 && entry.id != CommandId::ExitWithComp1 &&
                                                 entry.id != CommandId::View2 && entry.id != CommandId::CtrlDown1 &&
                                                 entry.id != CommandId::CtrlUp1)
            << entry.name;
    EXPECT_TRUE(window->action(CommandId::Synchro1)->isChecked());
    EXPECT_FALSE(window->action(CommandId::Debug1)->isChecked());
}

TEST_F(MainWindowTest, MenusAndToolBarShowTheCommandsWithTheirCaptionsHintsAndKeys)
{
    auto window = makeWindow();
    struct Expected {
        CommandId id;
        const char* text;
        const char* hint;
        QList<QKeySequence> keys;
        bool image;
    };
    const Expected expected[] = {
        {CommandId::Open1, "開く...(&O)", "開く", {QKeySequence(Qt::CTRL | Qt::Key_O)}, true},
        {CommandId::Comp1, "比較元を開く(&C)...", "比較元を開く", {}, true},
        {CommandId::Scan1, "フォルダをスキャン...(&S)", "フォルダをスキャン", {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)}, false},
        {CommandId::ExitWithComp1, "比較元も終了(&W)", "比較元も終了", {}, true},
        {CommandId::Exit1, "終了(&X)", "終了", {QKeySequence(Qt::CTRL | Qt::Key_Q)}, false},
        {CommandId::View2, "情報(&F)", "情報", {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)}, true},
        {CommandId::CtrlDown1, "下の異なるフォルダへ(&D)", "下の異なるフォルダへ", {QKeySequence(Qt::CTRL | Qt::Key_Down)}, true},
        {CommandId::CtrlUp1, "上の異なるフォルダへ(&U)", "上の異なるフォルダへ", {QKeySequence(Qt::CTRL | Qt::Key_Up)}, true},
        {CommandId::CSet1, "比較の設定(&C)", "比較の設定", {}, false},
        {CommandId::Synchro1, "比較同期モード(&S)", "", {}, false},
        {CommandId::About1, "バージョン情報(&A)", "バージョン情報", {}, false},
        {CommandId::Debug1, "デバッグ(&Z)", "デバッグ", {}, false},
        {CommandId::Help1, "ヘルプ(&H)", "ヘルプ", {QKeySequence(Qt::Key_F1)}, false},
    };
    for (const auto& e : expected) {
        const QAction* act = window->action(e.id);
        EXPECT_EQ(act->text(), QString::fromUtf8(e.text));
        EXPECT_EQ(act->statusTip(), QString::fromUtf8(e.hint));
        if (*e.hint) {
            EXPECT_EQ(act->toolTip(), QString::fromUtf8(e.hint));
        }
        EXPECT_EQ(act->shortcuts(), e.keys) << e.text;
        EXPECT_EQ(!act->icon().isNull(), e.image) << e.text;
        if (e.image) {
            EXPECT_FALSE(act->icon().pixmap(16, 16).isNull()) << e.text;
        }
    }
    EXPECT_EQ(window->action(CommandId::Comp1)->iconText(), "比較元を開く(&Z)...");
    EXPECT_EQ(window->action(CommandId::Comp1)->property("caption").toString(), "比較元を開く...(&O)");

    // The menus and the tool bar, separators written as "-".
    QStringList menus;
    for (QAction* menuAction : window->commandMenuBar()->actions()) {
        QString entry = menuAction->text() + ":";
        for (QAction* item : menuAction->menu()->actions())
            entry += item->isSeparator() ? QStringLiteral(" -") : " " + item->objectName();
        menus.append(entry);
    }
    EXPECT_EQ(menus, (QStringList{"ファイル(&F): Open1 Comp1 Scan1 - ExitWithComp1 Exit1",
                                  "表示(&V): View2 - CtrlDown1 CtrlUp1", "オプション(&O): CSet1 Synchro1",
                                  "ヘルプ(&H): About1 - Debug1"}));
    QStringList tools;
    for (QAction* item : window->commandToolBar()->actions())
        tools.append(item->isSeparator() ? QStringLiteral("-") : item->objectName());
    EXPECT_EQ(tools, (QStringList{"Open1", "Comp1", "ExitWithComp1", "-", "View2", "CtrlDown1", "CtrlUp1"}));
    EXPECT_EQ(window->commandToolBar()->toolButtonStyle(), Qt::ToolButtonIconOnly);
}

TEST_F(MainWindowTest, AGoodReportNamesTheFileAndShowsTheSortedTree)
{
    auto window = makeWindow();
    const QString file = goodReport();
    dialogs.openAnswers.push_back(file);
    window->action(CommandId::Open1)->trigger();

    EXPECT_EQ(dialogs.shown.size(), 1u); // the file chooser, nothing else
    EXPECT_EQ(window->windowTitle(), "Dirgauge - " + file);
    EXPECT_EQ(partner.titles.back(), "Dirgauge - " + file);
    const QString status = QStringLiteral("コンピュータ　：　MYPC  2024/05/01 10:20:30 の情報");
    EXPECT_EQ(window->statusPanel(0)->text(), status);
    const int textWidth = window->statusPanel(0)->fontMetrics().horizontalAdvance(status);
    EXPECT_GE(window->statusPanel(0)->panelWidth(), textWidth);
    EXPECT_LT(window->statusPanel(0)->panelWidth(), textWidth + 20);
    EXPECT_EQ(window->statusPanel(1)->text(), "");
    EXPECT_EQ(window->statusHint(), "");
    EXPECT_EQ(window->currentName(), file);
    EXPECT_EQ(loadCommands(*window), (std::vector<bool>{true, false, false, false, false}));
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);

    const auto* model = window->treeModel();
    ASSERT_EQ(model->rowCount(), 1);
    const QModelIndex top = model->index(0, 0);
    EXPECT_EQ(label(*window, top), "MYPC");
    EXPECT_TRUE(window->treeView()->isExpanded(top));
    EXPECT_EQ(childLabels(*window, top), QStringList{"(118,101,360,871) C:"});
    const QModelIndex drive = model->index(0, 0, top);
    EXPECT_FALSE(window->treeView()->isExpanded(drive));
    EXPECT_EQ(childLabels(*window, drive), (QStringList{"( 35,647,833,031) Users", "(  5,153,535,662) Program Files"}));
    EXPECT_EQ(childLabels(*window, model->index(1, 0, drive)), QStringList{"(          1,234) ソフト"});
}

TEST_F(MainWindowTest, TheHeaderMarkerMayBeLowerCaseAndTheStatusKeepsTheHeaderAsRead)
{
    auto window = makeWindow();
    auto lines = goodReportLines();
    lines[0] = "Tanaka-PC check start at 2024/05/01 10:20:30";
    load(*window, folder.writeReport("lower.txt", lines));
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(window->statusPanel(0)->text(), "コンピュータ　：　Tanaka-PC  2024/05/01 10:20:30 の情報");
    EXPECT_EQ(label(*window, window->treeModel()->index(0, 0)), "Tanaka-PC");
}

TEST_F(MainWindowTest, ALongStatusTextIsCutOffAtTheWindowsEdgeInsteadOfWideningIt)
{
    auto window = makeWindow();
    window->show();
    auto lines = goodReportLines();
    lines[0] += std::string(240, 'x');
    load(*window, folder.writeReport("long.txt", lines));
    QCoreApplication::processEvents();
    EXPECT_GT(window->statusPanel(0)->panelWidth(), 1000);
    EXPECT_EQ(window->width(), 450);
    EXPECT_LE(window->minimumSizeHint().width(), 450);
    EXPECT_LE(window->statusPanel(0)->width(), 450);
}

TEST_F(MainWindowTest, ALongComputerNameIsCutWithItsFullTextAsTooltipAndPanel1StaysVisible)
{
    auto window = makeWindow();
    window->show();
    auto lines = goodReportLines();
    lines[0] = "DESKTOP-7F3K2LQ-経理部 CHECK START AT 2024/05/01 10:20:30";
    load(*window, folder.writeReport("long.txt", lines));
    window->guarded([&] { window->LoadBaseFile(goodReport(), QString::fromLatin1(ui::MainWindow::kNoLaunch)); });
    QCoreApplication::processEvents();
    ASSERT_EQ(window->width(), 450);
    const ui::StatusPanel* panel0 = window->statusPanel(0);
    const ui::StatusPanel* panel1 = window->statusPanel(1);
    ASSERT_EQ(panel1->text(), "比較中　同期");
    // Panel 1 shows its whole text inside the window.
    EXPECT_GE(panel1->contentsRect().width(), panel1->fontMetrics().horizontalAdvance(panel1->text()));
    EXPECT_LE(panel1->mapTo(window.get(), QPoint(panel1->width(), 0)).x(), window->width());
    // Panel 0 is cut, its full text the tooltip; the details of the top node are the full text.
    EXPECT_TRUE(panel0->isCut());
    EXPECT_TRUE(panel0->text().contains("DESKTOP-7F3K2LQ-経理部"));
    EXPECT_EQ(panel0->toolTip(), panel0->text());

    // A short name fits: no tooltip.
    load(*window, goodReport());
    QCoreApplication::processEvents();
    EXPECT_FALSE(panel0->isCut());
    EXPECT_EQ(panel0->toolTip(), "");
}

TEST_F(MainWindowTest, AnUnrecognisedFileGivesTheMessageAndLeavesNothingShown)
{
    const std::vector<std::vector<std::string>> bad = {
        {"MYPC CHECK START AT 2024/05/01", "C:,1,1%"},               // two lines
        {"MYPC 2024/05/01", "C:,1,1%", "C:\\,1,a,b,16", "END"},      // no marker
        {"MYPC CHECK START AT 2024/05/01", "C", "C:\\,1,a,b,16", "END"}, // line 1 too short
        {"MYPC CHECK START AT 2024/05/01", "CC:,1", "C:\\,1,a,b,16", "END"},
    };
    auto window = makeWindow();
    const QString good = goodReport();
    load(*window, good);
    for (std::size_t i = 0; i < bad.size(); ++i) {
        SCOPED_TRACE(i);
        dialogs.clear();
        const QString file = folder.writeReport("bad" + std::to_string(i) + ".txt", bad[i]);
        load(*window, file);
        EXPECT_EQ(dialogs.messages(), QStringList{file + kUnrecognised});
        EXPECT_TRUE(dialogs.errors().isEmpty());
        EXPECT_EQ(window->windowTitle(), "Dirgauge");
        EXPECT_EQ(window->treeModel()->rowCount(), 0);
        EXPECT_EQ(window->statusPanel(0)->text(), "");
        EXPECT_EQ(loadCommands(*window), (std::vector<bool>(5, false)));
        EXPECT_EQ(window->currentName(), good);
        EXPECT_EQ(window->currentLines().size(), bad[i].size());
    }
}

TEST_F(MainWindowTest, AnUnreadableFileChangesNothingShown)
{
    auto window = makeWindow();
    const QString good = goodReport();
    load(*window, good);
    const QString missing = folder.qpath() + "/missing.txt";
    dialogs.openAnswers.push_back(missing);
    window->action(CommandId::Open1)->trigger();

    EXPECT_EQ(dialogs.errors(), QStringList{"ファイル \"" + missing + "\". No such file or directory は開けません"});
    EXPECT_EQ(window->windowTitle(), "Dirgauge - " + good);
    EXPECT_EQ(window->treeModel()->rowCount(), 1);
    EXPECT_TRUE(window->statusPanel(0)->text().startsWith("コンピュータ"));
    EXPECT_EQ(window->currentName(), good);
    EXPECT_EQ(loadCommands(*window), (std::vector<bool>{true, false, false, false, false}));
    EXPECT_EQ(window->currentLines().size(), goodReportLines().size());
}

TEST_F(MainWindowTest, AnIndexErrorWhileExpandingStopsWithAnEmptyTree)
{
    auto window = makeWindow();
    const QString good = goodReport();
    load(*window, good);
    const QString file = folder.writeReport("deep.txt", {"MYPC CHECK START AT 2024/05/01", "C:,100,1%",
                                                         ">,100,a,b,16", ">A,50,,,", ">>>>Deep,1,,,", "END"});
    load(*window, file);
    EXPECT_EQ(dialogs.errors(), QStringList{"リストのインデックスが範囲を超えています (2)"});
    EXPECT_EQ(window->windowTitle(), "Dirgauge");
    EXPECT_EQ(window->treeModel()->rowCount(), 0);
    EXPECT_EQ(window->statusPanel(0)->text(), "");
    EXPECT_EQ(window->currentName(), good);
    EXPECT_EQ(loadCommands(*window), (std::vector<bool>(5, false)));
}

TEST_F(MainWindowTest, AnIndexErrorInsideTheTreeBuildKeepsTheNodesBuiltSoFar)
{
    auto window = makeWindow();
    const QString good = goodReport();
    load(*window, good);
    const QString file = folder.writeReport("short.txt", {"MYPC CHECK START AT 2024/05/01", "C:,100,1%",
                                                          "C:\\,100,a,b,16", "C:\\A,60,a,b,16", "C:\\B", "END"});
    load(*window, file);
    EXPECT_EQ(dialogs.errors(), QStringList{"リストのインデックスが範囲を超えています (1)"});
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(window->windowTitle(), "Dirgauge - " + file);
    EXPECT_EQ(window->statusPanel(0)->text(), "コンピュータ　：　MYPC  2024/05/01 の情報");
    EXPECT_EQ(window->currentName(), good);
    EXPECT_EQ(loadCommands(*window), (std::vector<bool>(5, false)));
    const auto* model = window->treeModel();
    ASSERT_EQ(model->rowCount(), 1);
    const QModelIndex drive = model->index(0, 0, model->index(0, 0));
    EXPECT_EQ(label(*window, drive), "(100) C:");
    EXPECT_EQ(childLabels(*window, drive), QStringList{"( 60) A"});
}

TEST_F(MainWindowTest, ASizeThatIsNotANumberEndsTheProgramAfterItsMessage)
{
    auto window = makeWindow();
    const QString file = folder.writeReport("size.txt", {"MYPC CHECK START AT 2024/05/01", "C:,100,1%",
                                                         "C:\\,100,a,b,16", "C:\\表,12x,a,b,16", "END"});
    load(*window, file);
    EXPECT_EQ(dialogs.messages(), QStringList{"3行目のサイズがエラーです。終了します。\rC:\\表,12x,a,b,16"});
    EXPECT_TRUE(dialogs.errors().isEmpty());
    EXPECT_EQ(endCodes, std::vector<int>{1});
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(MainWindowTest, AnAbbreviatedReportIsExpandedBeforeTheTreeIsBuilt)
{
    auto window = makeWindow();
    const QString file = folder.writeReport(
        "abbrev.txt", {"MYPC CHECK START AT 2024/05/01", "C:,5000,40%", ">,?,\"2019/04/01\",\"2024/05/01\",22",
                       ">Docs,300,,,", ">>Work,200,,\"2024/06/01\",", "END"});
    load(*window, file);
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(window->windowTitle(), "Dirgauge - " + file);
    EXPECT_EQ(window->currentLines()[4], "C:\\Docs\\Work,200,2019/04/01,2024/06/01,16");
    const auto* model = window->treeModel();
    const QModelIndex drive = model->index(0, 0, model->index(0, 0));
    EXPECT_EQ(label(*window, drive), "(5,000) C:");
    EXPECT_EQ(childLabels(*window, drive), QStringList{"(  300) Docs"});
}

TEST_F(MainWindowTest, TheDebugLogGetsTheLoadLinesInShiftJis)
{
    auto window = makeWindow();
    window->action(CommandId::Debug1)->trigger();
    EXPECT_TRUE(window->debugSwitch());
    const QString file = folder.writeReport("表.txt", goodReportLines());
    load(*window, file);
    window->action(CommandId::Debug1)->trigger(); // off: the log ends
    EXPECT_FALSE(window->action(CommandId::Debug1)->isChecked());

    const std::string log = readFile(folder.path() / "dirgauge01.log");
    const std::string name = encoding::utf8ToSjis(file.toStdString());
    EXPECT_NE(log.find("Start LoadFile, " + name + "\r\n"), std::string::npos);
    EXPECT_NE(log.find("Start CreateTree\r\n"), std::string::npos);
    EXPECT_NE(log.find("End   LoadFile, 8 Lines\r\n"), std::string::npos);
    EXPECT_NE(log.find(encoding::utf8ToSjis("***** デバッグ出力の終了 *****")), std::string::npos);
}

} // namespace
} // namespace dg::test
