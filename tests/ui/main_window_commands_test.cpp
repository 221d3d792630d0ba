// The main window's commands driven through their actions: details, opening, dropping, the
// switches, About and Exit, and the command line handed to FormCreate.
#include "main_window_fixture.h"

#include "ui/about_box.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>
#include <QDropEvent>
#include <QMimeData>
#include <QTest>

#include <utility>

namespace dg::test {
namespace {
using ui::CommandId;

class MainWindowCommandsTest : public MainWindowTest {
protected:
    // Selects the node at the path of rows from the top level.
    static QModelIndex select(ui::MainWindow& window, std::initializer_list<int> rows)
    {
        QModelIndex index;
        for (const int row : rows)
            index = window.treeModel()->index(row, 0, index);
        window.treeView()->setCurrentIndex(index);
        return index;
    }
};

TEST_F(MainWindowCommandsTest, DetailsShowTheNodesLineUnchanged)
{
    auto window = makeWindow();
    load(*window, goodReport());
    dialogs.clear();
    struct Case {
        std::initializer_list<int> rows;
        QString text;
    };
    const Case cases[] = {
        {{0}, "コンピュータ　：　MYPC  2024/05/01 10:20:30 の情報"},
        {{0, 0}, "ドライブ\t： C:\r\r使用率\t： 33%"},
        {{0, 0, 1, 0},
         "フォルダ　\t： C:\\Program Files\\ソフト\r\r作成日付　\t： 2020/01/02 03:04:05\r"
         "更新日付　\t： 2024/04/20 21:00:00\r属性 (2066)　\t： Hidden Directory Compressed "},
        {{0, 0, 0, 0},
         "フォルダ　\t： C:\\Users\\表計算\r\r作成日付　\t： 2019/04/01 09:12:44\r"
         "更新日付　\t： 2024/04/29 08:00:00\r属性 (128)　\t： "},
    };
    for (const auto& c : cases) {
        dialogs.clear();
        select(*window, c.rows);
        ASSERT_TRUE(window->action(CommandId::View2)->isEnabled());
        window->action(CommandId::View2)->trigger();
        EXPECT_EQ(dialogs.messages(), QStringList{c.text});
    }
}

// A UTF-8 report of POSIX paths: labels, status text and details in its own encoding, the volume
// node named by its path, the details with the real paths.
TEST_F(MainWindowCommandsTest, AUtf8PosixReportShowsItsPathsAndNames)
{
    auto window = makeWindow();
    load(*window, QString::fromUtf8(DG_SOURCE_DIR) + "/samples/posix-full.txt");
    EXPECT_EQ(window->statusPanel(0)->text(), QStringLiteral("コンピュータ　：　devbox  2026/12/09 10:20:30 の情報"));
    const QModelIndex top = window->treeModel()->index(0, 0);
    EXPECT_EQ(childLabels(*window, top), QStringList{"(512,110,190,592) /home"});
    const QModelIndex alice = window->treeModel()->index(0, 0, window->treeModel()->index(0, 0, top));
    EXPECT_EQ(childLabels(*window, alice),
              (QStringList{"(  2,966,465,962) 📷 写真", "(  1,365,698,502) .cache", "(    374,559,929) ドキュメント",
                           "(    143,652,027) my docs"}));
    const struct {
        std::initializer_list<int> rows;
        QString text;
    } cases[] = {
        {{0, 0}, "ドライブ\t： /home\r\r使用率\t： 33%"},
        {{0, 0, 0, 3},
         "フォルダ　\t： /home/alice/my docs\r\r作成日付　\t： 2025/02/01 10:00:00\r"
         "更新日付　\t： 2026/11/30 08:00:00\r属性 (16)　\t： Directory "},
    };
    for (const auto& c : cases) {
        dialogs.clear();
        select(*window, c.rows);
        window->action(CommandId::View2)->trigger();
        EXPECT_EQ(dialogs.messages(), QStringList{c.text});
    }
}

TEST_F(MainWindowCommandsTest, View2FollowsTheSelectionAndEnterShowsTheDetails)
{
    auto window = makeWindow();
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    load(*window, goodReport());
    EXPECT_FALSE(window->action(CommandId::View2)->isEnabled());
    window->treeView()->setFocus();

    // After a load the top node is current but not selected: Enter (and the keypad's) selects
    // it and shows its details.
    for (const auto& [key, modifier] : {std::pair{Qt::Key_Return, Qt::NoModifier}, std::pair{Qt::Key_Enter, Qt::KeypadModifier}}) {
        load(*window, goodReport());
        ASSERT_FALSE(window->treeView()->selectionModel()->hasSelection());
        ASSERT_EQ(window->treeView()->currentIndex(), window->treeModel()->index(0, 0));
        dialogs.clear();
        QTest::keyClick(window->treeView(), key, modifier);
        EXPECT_EQ(window->treeView()->selectionModel()->selectedIndexes(),
                  QModelIndexList{window->treeModel()->index(0, 0)});
        EXPECT_TRUE(window->action(CommandId::View2)->isEnabled());
        EXPECT_EQ(dialogs.messages(), QStringList{window->statusPanel(0)->text()});
    }

    dialogs.clear();
    select(*window, {0, 0});
    EXPECT_TRUE(window->action(CommandId::View2)->isEnabled());
    QTest::keyClick(window->treeView(), Qt::Key_Return);
    QTest::keyClick(window->treeView(), Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(dialogs.messages().size(), 2);

    window->treeView()->clearSelection();
    EXPECT_FALSE(window->action(CommandId::View2)->isEnabled());
    select(*window, {0});
    load(*window, goodReport()); // every load starts with View2 off
    EXPECT_FALSE(window->action(CommandId::View2)->isEnabled());
}

TEST_F(MainWindowCommandsTest, OpenStartsInTheShownFilesFolderAndCancelChangesNothing)
{
    auto window = makeWindow();
    window->action(CommandId::Open1)->trigger();
    ASSERT_EQ(dialogs.openRequests.size(), 1u);
    EXPECT_EQ(dialogs.openRequests[0].title, "フォルダ情報ファイルを開く");
    EXPECT_EQ(dialogs.openRequests[0].filterName, "全てのファイル");
    EXPECT_EQ(dialogs.openRequests[0].initialFolder, "");
    EXPECT_EQ(window->windowTitle(), "Dirgauge - フォルダ情報のオフライン表示");

    const QString file = goodReport();
    load(*window, file);
    window->action(CommandId::Open1)->trigger();
    EXPECT_EQ(dialogs.openRequests[1].initialFolder, folder.qpath());
    EXPECT_EQ(window->windowTitle(), "Dirgauge - " + file);

    EXPECT_EQ(ui::MainWindow::initialFolderOf("/data/logs/c.txt"), "/data/logs");
    EXPECT_EQ(ui::MainWindow::initialFolderOf("/c.txt"), "/");
    EXPECT_EQ(ui::MainWindow::initialFolderOf("c.txt"), "");
}

TEST_F(MainWindowCommandsTest, DroppingSeveralFilesSaysSoOnceAndLoadsTheFirst)
{
    auto window = makeWindow();
    const QString first = goodReport();
    const QString second = folder.writeReport("second.txt", goodReportLines());
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(first), QUrl::fromLocalFile(second), QUrl::fromLocalFile(second)});
    // As the desktop delivers a drop: the drag enters the window, then it is dropped there.
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window.get(), &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window.get(), &drop);

    EXPECT_EQ(dialogs.messages(), QStringList{"ドロップできるファイルは一つだけです。"});
    EXPECT_EQ(window->windowTitle(), "Dirgauge - " + first);

    // The dropped name is used as given, without a check: a missing file is a read error.
    dialogs.clear();
    window->guarded([&] { window->WMDropFiles({folder.qpath() + "/gone.txt"}); });
    EXPECT_EQ(dialogs.errors().size(), 1);
    EXPECT_EQ(window->windowTitle(), "Dirgauge - " + first);
}

TEST_F(MainWindowCommandsTest, TwoParametersGiveTheMessageThenTheFirstIsShown)
{
    const QString first = goodReport();
    auto window = makeWindow({first, folder.writeReport("other.txt", goodReportLines())});
    EXPECT_EQ(dialogs.messages(), QStringList{"指定できるファイル名は一つだけです。"});
    EXPECT_EQ(window->windowTitle(), "Dirgauge - " + first);
    EXPECT_EQ(window->currentName(), first);
}

TEST_F(MainWindowCommandsTest, ARelativeParameterIsShownUnderItsAbsoluteName)
{
    goodReport();
    std::filesystem::create_directories(folder.path() / "sub");
    const QString previous = QDir::currentPath();
    QDir::setCurrent(folder.qpath() + "/sub");
    auto window = makeWindow({"./../good.txt"});
    QDir::setCurrent(previous);
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(window->windowTitle(), "Dirgauge - " + folder.qpath() + "/good.txt");
}

TEST_F(MainWindowCommandsTest, AParameterThatIsNoFileIsReportedAsUnreadableUnderItsName)
{
    // The message names the file as given, made absolute (a relative name against the current
    // folder).
    const QString previous = QDir::currentPath();
    QDir::setCurrent(folder.qpath());
    const struct {
        QString parameter;
        QString error;
    } cases[] = {
        {folder.qpath() + "/missing.txt", "ファイル \"" + folder.qpath() + "/missing.txt\". No such file or directory は開けません"},
        {"missing.txt", "ファイル \"" + folder.qpath() + "/missing.txt\". No such file or directory は開けません"},
        {folder.qpath(), "ファイル \"" + folder.qpath() + "\". Is a directory は開けません"},
    };
    for (const auto& c : cases) {
        dialogs.clear();
        auto window = makeWindow({c.parameter});
        EXPECT_EQ(dialogs.errors(), QStringList{c.error});
        EXPECT_EQ(window->windowTitle(), "Dirgauge - フォルダ情報のオフライン表示");
        EXPECT_FALSE(window->action(CommandId::Comp1)->isEnabled());
    }
    QDir::setCurrent(previous);
}

TEST_F(MainWindowCommandsTest, TheDesktopsUsualKeysOpenEndAndShowTheDocumentation)
{
    // Keys pressed in the tree, where the focus is: Ctrl+O asks for a file, F1 opens the
    // documentation, Ctrl+Q closes the window; the designed keys are checked with the
    // command table.
    auto window = makeWindow();
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    load(*window, goodReport());
    window->treeView()->setFocus();
    dialogs.clear();

    QTest::keyClick(window->treeView(), Qt::Key_O, Qt::ControlModifier);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].kind, RecordingDialogs::Kind::OpenFile);

    dialogs.clear();
    QTest::keyClick(window->treeView(), Qt::Key_F1);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].kind, RecordingDialogs::Kind::Url);
    // The first candidate that exists: in a build tree, the source tree's README.
    QString expected;
    for (const QString& candidate : ui::MainWindow::documentationCandidates()) {
        if (QFileInfo(candidate).isFile()) {
            expected = QUrl::fromLocalFile(QFileInfo(candidate).canonicalFilePath()).toString();
            break;
        }
    }
    EXPECT_EQ(dialogs.shown[0].text, expected);
    EXPECT_TRUE(dialogs.shown[0].text.endsWith("/README.md")) << dialogs.shown[0].text.toStdString();

    QTest::keyClick(window->treeView(), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_FALSE(window->isVisible());
}

TEST_F(MainWindowCommandsTest, TheDebugSwitchIsWrittenAtOnceAndCreatesNoLogByItself)
{
    auto window = makeWindow();
    window->action(CommandId::Debug1)->trigger();
    EXPECT_TRUE(window->action(CommandId::Debug1)->isChecked());
    EXPECT_NE(readFile(settingsPath()).find("Debug=1"), std::string::npos);
    window->action(CommandId::Debug1)->trigger();
    EXPECT_FALSE(window->action(CommandId::Debug1)->isChecked());
    EXPECT_NE(readFile(settingsPath()).find("Debug=0"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "dirgauge01.log"));
    EXPECT_TRUE(partner.sent.empty());
}

TEST_F(MainWindowCommandsTest, TheSynchroSwitchIsWrittenAtOnceAndLeavesPanel1Empty)
{
    auto window = makeWindow();
    window->action(CommandId::Synchro1)->trigger();
    EXPECT_FALSE(window->action(CommandId::Synchro1)->isChecked());
    EXPECT_FALSE(window->synchro());
    EXPECT_NE(readFile(settingsPath()).find("Synchro=0"), std::string::npos);
    EXPECT_EQ(window->statusPanel(1)->text(), "");
    EXPECT_TRUE(partner.sent.empty());
}

TEST_F(MainWindowCommandsTest, ASettingsFileThatCannotBeWrittenIsReportedAndTheSwitchStays)
{
    std::filesystem::create_directories(settingsPath()); // a folder where the file should be
    auto window = makeWindow();
    window->action(CommandId::Debug1)->trigger();
    EXPECT_EQ(dialogs.errors(), QStringList{QString::fromStdString(settingsPath().string()) + " に書き込めません"});
    EXPECT_TRUE(window->debugSwitch());
    EXPECT_TRUE(window->action(CommandId::Debug1)->isChecked());
}

TEST_F(MainWindowCommandsTest, AboutShowsTheAboutBoxAndExitClosesTheWindow)
{
    auto window = makeWindow();
    ui::AboutBox about(dialogs);
    window->setAboutBox(&about);
    window->action(CommandId::About1)->trigger();
    EXPECT_EQ(dialogs.texts(RecordingDialogs::Kind::Modal), QStringList{"TAboutBox"});

    window->show();
    ASSERT_TRUE(window->isVisible());
    window->action(CommandId::Exit1)->trigger();
    EXPECT_FALSE(window->isVisible());
}

} // namespace
} // namespace dg::test
