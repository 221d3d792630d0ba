// Scanning a folder from the viewer: the snapshot's default place and name, the report written
// where the user chose and handed to LoadFile, cancel and failure leaving no file, the warnings
// box, when the command is enabled, and the scanned folders in the tree.
#include "main_window_fixture.h"

#include "core/encoding.h"
#include "tests/support/temp_dir.h"
#include "ui/scan_progress_window.h"
#include "ui/scan_runner.h"

#include <QApplication>
#include <QPushButton>
#include <QTimer>

#include <map>
#include <sys/stat.h>
#include <unistd.h>

namespace dg::test {
namespace {
using ui::CommandId;
namespace fs = std::filesystem;

QString qpath(const fs::path& p)
{
    return QFile::decodeName(QByteArray::fromStdString(p.string()));
}

// Sets an environment variable for one scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const QByteArray& value) : m_name(name), m_had(qEnvironmentVariableIsSet(name))
    {
        m_old = qgetenv(name);
        qputenv(name, value);
    }
    ~ScopedEnv()
    {
        if (m_had)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }

private:
    const char* m_name;
    bool m_had;
    QByteArray m_old;
};

ui::ScanProgressWindow* progressWindow()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* p = qobject_cast<ui::ScanProgressWindow*>(w); p && p->isVisible())
            return p;
    return nullptr;
}

TEST(SnapshotPlaceTest, TheDataFolderAndANameFromTheFolderAndTheMinute)
{
    struct Case {
        const char* xdg;
        const char* expected;
    };
    const Case cases[] = {
        {"", "/home/u/.local/share/dirgauge/snapshots"},
        {"/data/", "/data/dirgauge/snapshots"},
        {"relative/data", "/home/u/.local/share/dirgauge/snapshots"}, // not absolute: ignored
    };
    for (const Case& c : cases)
        EXPECT_EQ(ui::defaultSnapshotFolder(QString::fromUtf8(c.xdg), QStringLiteral("/home/u")),
                  QString::fromUtf8(c.expected))
            << c.xdg;

    TempFolder folder;
    const QDateTime time(QDate(2026, 12, 9), QTime(10, 20, 59));
    const QString at = folder.qpath();
    EXPECT_EQ(ui::snapshotPath(at, QStringLiteral("/home"), time), at + "/home-2026-12-09-1020.txt");
    EXPECT_EQ(ui::snapshotPath(at, QStringLiteral("/srv/写真 2/"), time), at + "/写真 2-2026-12-09-1020.txt");
    EXPECT_EQ(ui::snapshotPath(at, QStringLiteral("/"), time), at + "/root-2026-12-09-1020.txt");
    EXPECT_EQ(ui::snapshotPath(at, QStringLiteral("/home/u/.config"), time), at + "/config-2026-12-09-1020.txt");
    // A second scan in the same minute does not take the first one's name.
    folder.writeBytes("home-2026-12-09-1020.txt", "x");
    folder.writeBytes("home-2026-12-09-1020-2.txt", "x");
    EXPECT_EQ(ui::snapshotPath(at, QStringLiteral("/home"), time), at + "/home-2026-12-09-1020-3.txt");
}

TEST(ScanWarningTextTest, TheCountTheFirstFiveAndHowManyMore)
{
    const std::string head = "読めなかったフォルダやファイルが ";
    struct Case {
        std::uint64_t count;
        std::size_t kept;
        int lines;
        const char* last;
    };
    const Case cases[] = {
        {1, 1, 2, "cannot read folder /t/0: Permission denied"},
        {5, 5, 6, "cannot read folder /t/4: Permission denied"},
        {6, 6, 7, "…ほか 1 件"},
        {1000, 20, 7, "…ほか 995 件"},
    };
    for (const Case& c : cases) {
        scan::SnapshotOutcome outcome;
        outcome.result = scan::SnapshotOutcome::Result::Written;
        outcome.warningCount = c.count;
        for (std::size_t k = 0; k < c.kept; ++k)
            outcome.warnings.push_back("cannot read folder /t/" + std::to_string(k) + ": Permission denied");
        const QStringList lines = ui::scanWarningText(outcome).split('\r');
        ASSERT_EQ(lines.size(), c.lines) << c.count;
        EXPECT_TRUE(lines[0].startsWith(QString::fromStdString(head + std::to_string(c.count) + " 件"))) << c.count;
        EXPECT_EQ(lines.back(), QString::fromUtf8(c.last));
    }
}

TEST(ScanCommandTest, NoTwoCommandsShareAKeyOrAMnemonicOfTheFileMenu)
{
    std::map<QString, QString> keys;
    for (const ui::CommandSpec& entry : ui::commandTable())
        for (const QKeySequence& key : ui::commandShortcuts(entry.id))
            EXPECT_TRUE(keys.emplace(key.toString(), QString::fromLatin1(entry.name)).second)
                << key.toString().toStdString() << " " << entry.name;
    // Nor the keys of the Open, Exit and help commands.
    for (const QKeySequence& key : ui::commandShortcuts(CommandId::Scan1))
        for (const QKeySequence& taken : {QKeySequence(Qt::CTRL | Qt::Key_O), QKeySequence(Qt::CTRL | Qt::Key_Q),
                                          QKeySequence(Qt::Key_F1)})
            EXPECT_NE(key, taken);

    std::map<QChar, QString> mnemonics;
    for (const ui::MenuEntry& entry : ui::menuTable().front().entries) {
        if (entry.separator)
            continue;
        const QString caption = QString::fromUtf8(ui::commandSpec(entry.command).menuCaption);
        const qsizetype amp = caption.indexOf('&');
        ASSERT_GE(amp, 0) << caption.toStdString();
        EXPECT_TRUE(mnemonics.emplace(caption[amp + 1].toUpper(), caption).second) << caption.toStdString();
    }
}

class MainWindowScanTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        fs::create_directories(tree() / "docs" / "old");
        fs::create_directories(tree() / "music");
        std::ofstream(tree() / "docs" / "a.txt") << std::string(300, 'a');
        fs::create_directories(out());
    }
    fs::path tree() const { return folder.path() / "scanned"; }
    fs::path out() const { return folder.path() / "out"; }

    // Scans through the command with the debug log on; returns the log.
    std::string scanWithLog(ui::MainWindow& window)
    {
        window.action(CommandId::Debug1)->trigger();
        window.action(CommandId::Scan1)->trigger();
        window.action(CommandId::Debug1)->trigger();
        return readFile(folder.path() / "dirgauge01.log");
    }
    static bool loadStarted(const std::string& log, const QString& file)
    {
        return log.find("Start LoadFile, " + encoding::utf8ToSjis(file.toStdString()) + "\r\n") != std::string::npos;
    }
};

TEST_F(MainWindowScanTest, TheReportIsSavedInTheSnapshotFolderAndLoaded)
{
    const ScopedEnv data("XDG_DATA_HOME", QFile::encodeName(qpath(folder.path() / "data")));
    auto window = makeWindow();
    EXPECT_TRUE(window->action(CommandId::Scan1)->isEnabled());
    dialogs.folderAnswers.append(qpath(tree()));
    dialogs.saveAnswers.push_back(QString()); // the proposed place
    const std::string log = scanWithLog(*window);

    ASSERT_EQ(dialogs.folderRequests.size(), 1u);
    EXPECT_EQ(dialogs.folderRequests[0].title, "スキャンするフォルダを選ぶ");
    ASSERT_EQ(dialogs.saveRequests.size(), 1u);
    const QString saved = dialogs.saveRequests[0].proposedPath;
    const QString snapshots = qpath(folder.path() / "data" / "dirgauge" / "snapshots");
    EXPECT_TRUE(saved.startsWith(snapshots + "/scanned-" + QDate::currentDate().toString("yyyy-MM-dd"))) << saved.toStdString();
    EXPECT_TRUE(saved.endsWith(".txt"));

    // The report, and nothing else, in the snapshot folder, loaded as if opened: its folders are
    // in the tree.
    const fs::path report = QFile::encodeName(saved).toStdString();
    EXPECT_EQ(entries(report.parent_path()), std::vector<std::string>{report.filename().string()});
    EXPECT_TRUE(loadStarted(log, saved));
    ASSERT_EQ(window->windowTitle(), "Dirgauge - " + saved);
    EXPECT_EQ(window->currentName(), saved);
    const auto* model = window->treeModel();
    ASSERT_EQ(model->rowCount(), 1);
    QStringList names;
    std::function<void(const QModelIndex&)> collect = [&](const QModelIndex& parent) {
        for (int row = 0; row < model->rowCount(parent); ++row) {
            const QModelIndex child = model->index(row, 0, parent);
            const QString label = model->data(child).toString();
            names.append(label.mid(label.indexOf(") ") + 2));
            collect(child);
        }
    };
    collect(model->index(0, 0));
    EXPECT_TRUE(names.contains("docs")) << names.join(", ").toStdString();
    EXPECT_TRUE(names.contains("old"));
    EXPECT_TRUE(names.contains("music"));
    EXPECT_TRUE(dialogs.errors().isEmpty());
    EXPECT_TRUE(window->action(CommandId::Scan1)->isEnabled());
    EXPECT_EQ(progressWindow(), nullptr);
}

TEST_F(MainWindowScanTest, CancellingAnyStepLeavesNoFileAndLoadsNothing)
{
    auto window = makeWindow();
    const QString target = qpath(out() / "r.txt");
    {
        SCOPED_TRACE("no folder chosen");
        const std::string log = scanWithLog(*window);
        EXPECT_TRUE(dialogs.saveRequests.empty());
        EXPECT_EQ(log.find("Start LoadFile"), std::string::npos);
    }
    {
        SCOPED_TRACE("no file chosen");
        dialogs.folderAnswers.append(qpath(tree()));
        const std::string log = scanWithLog(*window);
        EXPECT_EQ(dialogs.saveRequests.size(), 1u);
        EXPECT_EQ(log.find("Start LoadFile"), std::string::npos);
    }
    {
        // A large folder, so that the scan is still running when the button is pressed; the
        // window takes the click while the scan runs.
        SCOPED_TRACE("cancelled in the progress window");
        dialogs.folderAnswers.append(QStringLiteral("/usr"));
        dialogs.saveAnswers.push_back(target);
        bool shown = false;
        QTimer::singleShot(0, [&] {
            ui::ScanProgressWindow* progress = progressWindow();
            shown = progress && progress->cancelButton()->isEnabled();
            if (progress)
                progress->cancelButton()->click();
        });
        const std::string log = scanWithLog(*window);
        EXPECT_TRUE(shown);
        EXPECT_EQ(log.find("Start LoadFile"), std::string::npos);
    }
    EXPECT_TRUE(entries(out()).empty());
    EXPECT_TRUE(dialogs.messages().isEmpty());
    EXPECT_EQ(progressWindow(), nullptr);
    EXPECT_EQ(window->windowTitle(), "Dirgauge - フォルダ情報のオフライン表示");
}

TEST_F(MainWindowScanTest, AWindowClosedDuringTheScanStopsItAndLoadsNothing)
{
    auto window = makeWindow();
    window->show();
    dialogs.folderAnswers.append(QStringLiteral("/usr"));
    dialogs.saveAnswers.push_back(qpath(out() / "r.txt"));
    // As the partner's close message does while the scan runs.
    QTimer::singleShot(0, [&] { window->close(); });
    const std::string log = scanWithLog(*window);
    EXPECT_EQ(log.find("Start LoadFile"), std::string::npos);
    EXPECT_TRUE(entries(out()).empty());
    EXPECT_TRUE(dialogs.messages().isEmpty());
    EXPECT_EQ(progressWindow(), nullptr);
}

TEST_F(MainWindowScanTest, AReportThatCannotBeWrittenIsAMessageAndNoLoad)
{
    auto window = makeWindow();
    const QString target = qpath(out() / "missing" / "r.txt");
    dialogs.folderAnswers.append(qpath(tree()));
    dialogs.saveAnswers.push_back(target);
    const std::string log = scanWithLog(*window);
    ASSERT_EQ(dialogs.messages().size(), 1);
    EXPECT_TRUE(dialogs.messages()[0].startsWith("フォルダをスキャンできませんでした。\r"));
    EXPECT_TRUE(dialogs.messages()[0].contains(target));
    EXPECT_EQ(log.find("Start LoadFile"), std::string::npos);
    EXPECT_TRUE(entries(out()).empty());
}

// The comparison-source wait takes no scan: its load would end the comparison being set up.
class CheckingLauncher : public ui::ViewerLauncher {
public:
    std::function<void()> onStart;
    bool start(const QString&) override
    {
        onStart();
        return false;
    }
    bool running() const override { return false; }
};

TEST_F(MainWindowScanTest, TheCommandIsOffOnlyWhileTheComparisonSourceIsAwaited)
{
    CheckingLauncher launcher;
    ui::ViewerContext context;
    context.settingsPath = settingsPath();
    context.debugLogBase = folder.path() / "dirgauge";
    context.collatorLocale = "ja";
    context.dialogs = &dialogs;
    context.partner = &partner;
    context.launcher = &launcher;
    context.endProgram = [this](int code) { endCodes.push_back(code); };
    ui::MainWindow window(std::move(context));
    std::vector<bool> during;
    launcher.onStart = [&] { during.push_back(window.action(CommandId::Scan1)->isEnabled()); };
    const QString shown = goodReport();
    const QString base = folder.writeReport("base.txt", goodReportLines());
    load(window, shown);
    EXPECT_TRUE(window.action(CommandId::Scan1)->isEnabled());
    window.guarded([&] { window.LoadBaseFile(base, QStringLiteral("Y")); });
    EXPECT_EQ(during, std::vector<bool>{false});
    EXPECT_TRUE(window.action(CommandId::Scan1)->isEnabled());
    EXPECT_EQ(window.baseName(), base);
}

} // namespace
} // namespace dg::test
