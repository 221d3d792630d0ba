// Real viewer processes on the offscreen platform, each test in its own settings and endpoint
// folders: a viewer that compares starts the comparison-source viewer, which compares the other
// way, and both close together; a tool speaking the protocol drives a viewer alone. No test waits
// without a bound, and every viewer a test started is killed when the test ends.
#include "app/test_script.h"
#include "core/encoding.h"
#include "partner/partner_endpoint.h"

#include "tests/support/temp_dir.h"
#include "ui_test_support.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <sys/stat.h>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace dg::test {
namespace {

constexpr int kBoundMs = 15000;

bool waitUntil(const std::function<bool()>& done, int timeoutMs = kBoundMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(20);
    }
    return done();
}

std::vector<std::filesystem::path> filesEndingWith(const std::filesystem::path& dir, const std::string& suffix)
{
    std::vector<std::filesystem::path> found;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
        if (it->path().filename().string().ends_with(suffix))
            found.push_back(it->path());
    std::sort(found.begin(), found.end());
    return found;
}

// Ids of the running processes whose command line mentions text (the test's private folder).
std::vector<pid_t> processesMentioning(const std::string& text)
{
    std::vector<pid_t> ids;
    std::error_code ec;
    for (std::filesystem::directory_iterator it("/proc", ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::string status;
        std::getline(std::ifstream(it->path() / "stat"), status);
        const auto close = status.rfind(')');
        if (close == std::string::npos || close + 2 >= status.size() || status[close + 2] == 'Z')
            continue; // ended; only its parent's reaping is missing
        if (readFile(it->path() / "cmdline").find(text) != std::string::npos)
            ids.push_back(static_cast<pid_t>(std::stoi(name)));
    }
    return ids;
}

class PairProcessTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(configDir());
        newer = folder.writeBytes("newer.txt", readFile(std::string(DG_SOURCE_DIR) + "/samples/newer.txt"));
        older = folder.writeBytes("older.txt", readFile(std::string(DG_SOURCE_DIR) + "/samples/older.txt"));
    }

    void TearDown() override
    {
        for (QProcess* process : started) {
            if (process->state() != QProcess::NotRunning) {
                process->kill();
                process->waitForFinished(2000);
            }
            delete process;
        }
        // The comparison-source viewers were started by a viewer, not by us.
        for (const pid_t id : processesMentioning(folder.path().string())) {
            ADD_FAILURE() << "a viewer was still running: " << id;
            ::kill(id, SIGKILL);
        }
    }

    std::filesystem::path configDir() const { return folder.path() / "config"; }
    std::filesystem::path partnerDir() const { return folder.path() / "partner"; }

    // A viewer started as a user starts it, with the file as its one parameter.
    QProcess& startViewer(const QString& file, const QString& script)
    {
        auto* process = new QProcess;
        started.push_back(process);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        environment.insert("DIRGAUGE_CONFIG_DIR", QString::fromStdString(configDir().string()));
        environment.insert("DIRGAUGE_PARTNER_DIR", QString::fromStdString(partnerDir().string()));
        environment.insert(app::kTestScriptVariable, script);
        process->setProcessEnvironment(environment);
        process->setWorkingDirectory(folder.qpath());
        process->start(QString::fromUtf8(DG_VIEWER), {file});
        EXPECT_TRUE(process->waitForStarted(kBoundMs));
        return *process;
    }

    QString writeScript(const std::string& text) const { return folder.writeBytes("script.txt", text); }

    // The debug logs, in number order, as UTF-8.
    std::vector<std::string> logs() const
    {
        std::vector<std::string> texts;
        for (const auto& path : filesEndingWith(configDir(), ".log"))
            texts.push_back(encoding::sjisToUtf8(readFile(path)));
        return texts;
    }

    bool noEndpointLeft() const
    {
        return filesEndingWith(partnerDir(), ".title").empty() && filesEndingWith(partnerDir(), ".sock").empty();
    }

    static bool finished(QProcess& process, int timeoutMs = kBoundMs)
    {
        return waitUntil([&] { return process.state() == QProcess::NotRunning; }, timeoutMs);
    }

    static std::string boxesOf(QProcess& process)
    {
        std::string boxes;
        for (const QByteArray& line : process.readAllStandardError().split('\n'))
            if (line.startsWith("dirgauge: "))
                boxes += line.toStdString() + "\n";
        return boxes;
    }

    TempFolder folder;
    QString newer;
    QString older;
    std::vector<QProcess*> started;
};

TEST_F(PairProcessTest, TheComparisonSourceViewerComparesTheOtherWayAndBothCloseTogether)
{
    writeBytes(configDir() / "dirgauge.ini", "[Env]\nDebug=1\n");
    QProcess& launching =
        startViewer(newer, writeScript("Comp1 " + older.toStdString() + "\nExitWithComp1\n"));

    ASSERT_TRUE(finished(launching)) << "the launching viewer did not close";
    EXPECT_EQ(launching.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(launching.exitCode(), 0);
    EXPECT_EQ(boxesOf(launching), "");
    EXPECT_TRUE(waitUntil([&] { return noEndpointLeft() && processesMentioning(folder.path().string()).empty(); }))
        << "the comparison-source viewer did not close";

    const std::vector<std::string> texts = logs();
    ASSERT_EQ(texts.size(), 2u);
    const std::string showNewer = "Start LoadFile, " + newer.toStdString() + "\r\n";
    const std::string showOlder = "Start LoadFile, " + older.toStdString() + "\r\n";
    const std::string baseNewer = "Start LoadBaseFile, " + newer.toStdString() + "\r\n";
    const std::string baseOlder = "Start LoadBaseFile, " + older.toStdString() + "\r\n";
    const std::string& first = texts[0].find(showNewer) != std::string::npos ? texts[0] : texts[1];
    const std::string& second = &first == &texts[0] ? texts[1] : texts[0];
    EXPECT_NE(first.find(showNewer), std::string::npos) << first;
    EXPECT_NE(first.find(baseOlder), std::string::npos) << first;
    EXPECT_NE(second.find(showOlder), std::string::npos) << second;
    EXPECT_NE(second.find(baseNewer), std::string::npos) << second;
    EXPECT_EQ(second.find("Start LoadBaseFile, " + older.toStdString()), std::string::npos) << second;
    for (const std::string& text : texts) {
        EXPECT_NE(text.find("End   LoadBaseFile, 60 Lines"), std::string::npos) << text;
        EXPECT_NE(text.find("***** デバッグ出力の終了 *****"), std::string::npos) << "not closed normally";
    }
}

// A settings file that is a FIFO without a writer, or a link to a device that never ends, does not
// keep the viewer from starting: it starts with the defaults, and its exit reports that the
// settings cannot be written, leaving the file what it was.
TEST_F(PairProcessTest, ASettingsFileThatIsAFifoOrADeviceDoesNotStopTheViewer)
{
    std::filesystem::create_directories(configDir());
    const auto settings = configDir() / "dirgauge.ini";
    for (const bool fifo : {true, false}) {
        SCOPED_TRACE(fifo ? "FIFO" : "/dev/zero");
        std::filesystem::remove(settings);
        if (fifo)
            ASSERT_EQ(::mkfifo(settings.c_str(), 0600), 0);
        else
            std::filesystem::create_symlink("/dev/zero", settings);
        QProcess& viewer = startViewer(newer, writeScript("Exit1\n"));
        if (!finished(viewer)) {
            ADD_FAILURE() << "the viewer did not start and close";
            viewer.kill();
            viewer.waitForFinished(kBoundMs);
            continue;
        }
        EXPECT_EQ(boxesOf(viewer), "dirgauge: error: " + settings.string() + " に書き込めません\n");
        EXPECT_EQ(std::filesystem::is_fifo(std::filesystem::symlink_status(settings)), fifo);
        EXPECT_EQ(std::filesystem::is_symlink(settings), !fifo);
    }
}

TEST_F(PairProcessTest, AToolPairsAViewerWithAFileAndClosesIt)
{
    // An empty script: the viewer shows no boxes and runs nothing.
    writeBytes(configDir() / "dirgauge.ini", "[Env]\nDebug=1\n");
    QProcess& viewer = startViewer(older, QString());
    partner::PartnerEndpoint tool;
    ASSERT_EQ(tool.start(partnerDir()), "");
    const QString title = "Dirgauge - " + older;
    ASSERT_TRUE(waitUntil([&] { return tool.findPartner(title).has_value(); }));

    // A SetPartner as a launching viewer sends it, and one with a title that is no viewer's.
    EXPECT_TRUE(tool.send(title, partner::MessageNumber::SetPartner, 0, ("Dirgauge - " + newer).toStdString()));
    EXPECT_TRUE(tool.send(title, partner::MessageNumber::CopyData, 3, "C:\\Windows\\System32"));
    EXPECT_TRUE(tool.send(title, partner::MessageNumber::CopyData, 9, std::string("\x81\\\xFF", 3)));
    EXPECT_TRUE(tool.send(title, partner::MessageNumber::Close));
    ASSERT_TRUE(finished(viewer)) << "the viewer did not close";
    EXPECT_EQ(viewer.exitCode(), 0);
    EXPECT_EQ(boxesOf(viewer), "");
    EXPECT_FALSE(tool.findPartner(title));
    tool.stop();
    EXPECT_TRUE(noEndpointLeft());
    const std::vector<std::string> texts = logs();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_NE(texts[0].find("Start LoadBaseFile, " + newer.toStdString() + "\r\n"), std::string::npos);
    EXPECT_NE(texts[0].find("End   LoadBaseFile, 60 Lines"), std::string::npos);
}

// A partner's hand-shake names the file to compare with by its window title. A title naming a pipe
// without a writer or an endless device must not stall the receiver: it answers at once and says
// the file cannot be opened, and it keeps answering afterwards.
TEST_F(PairProcessTest, AHandShakeNamingAPipeOrADeviceIsAnsweredWithTheCannotOpenMessage)
{
    const std::filesystem::path fifo = folder.path() / "pipe.txt";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    QProcess& viewer = startViewer(older, QString());
    partner::PartnerEndpoint tool;
    ASSERT_EQ(tool.start(partnerDir()), "");
    // A receiver that blocks sends no sign of life: the send gives up after this instead of
    // waiting for the test's own time limit.
    tool.setReplyTimeout(std::chrono::milliseconds(5000));
    const QString title = "Dirgauge - " + older;
    ASSERT_TRUE(waitUntil([&] { return tool.findPartner(title).has_value(); }));

    for (const std::string& named : {fifo.string(), std::string("/dev/zero")}) {
        SCOPED_TRACE(named);
        QElapsedTimer clock;
        clock.start();
        EXPECT_TRUE(tool.send(title, partner::MessageNumber::SetPartner, 0, "Dirgauge - " + named));
        EXPECT_LT(clock.elapsed(), 5000);
        std::string boxes;
        EXPECT_TRUE(waitUntil([&] {
            boxes += boxesOf(viewer);
            return boxes.find("not a regular file") != std::string::npos;
        })) << boxes;
        EXPECT_NE(boxes.find("ファイル \"" + named + "\""), std::string::npos) << boxes;
        EXPECT_NE(boxes.find("は開けません"), std::string::npos) << boxes;
    }
    EXPECT_TRUE(tool.send(title, partner::MessageNumber::Close));
    ASSERT_TRUE(finished(viewer)) << "the viewer did not close";
    EXPECT_EQ(viewer.exitCode(), 0);
    tool.stop();
}

TEST_F(PairProcessTest, APartnerFolderOpenToOthersIsExplainedInABoxAndNoSecondViewerStarts)
{
    std::filesystem::create_directory(partnerDir());
    std::filesystem::permissions(partnerDir(), std::filesystem::perms::all);
    QProcess& viewer = startViewer(newer, writeScript("Comp1 " + older.toStdString() + "\nExit1\n"));
    ASSERT_TRUE(finished(viewer));
    EXPECT_EQ(viewer.exitCode(), 0);
    const std::string boxes = boxesOf(viewer);
    EXPECT_NE(boxes.find("dirgauge: message: 比較元のウィンドウと連動できないため"), std::string::npos) << boxes;
    // The reason is the partner channel's own, translated as well (the tests run in Japanese).
    EXPECT_NE(boxes.find("理由: 連動用フォルダ " + partnerDir().string() + " は他のユーザーにも開かれています (モード 0777)"),
              std::string::npos)
        << boxes;
    EXPECT_TRUE(processesMentioning(folder.path().string()).empty());
}

TEST_F(PairProcessTest, ABaseFileThatCannotBeReadIsReportedAndTheViewerStaysAlone)
{
    QProcess& viewer =
        startViewer(newer, writeScript("Comp1 " + folder.qpath().toStdString() + "/missing.txt\nBogus\nExit1\n"));
    ASSERT_TRUE(finished(viewer));
    const std::string boxes = boxesOf(viewer);
    EXPECT_NE(boxes.find("dirgauge: error: ファイル \""), std::string::npos) << boxes;
    EXPECT_NE(boxes.find("dirgauge: script: unknown command Bogus"), std::string::npos) << boxes;
    EXPECT_TRUE(processesMentioning(folder.path().string()).empty());
}

TEST(TestScript, CommandsTakeTheRestOfTheLineAsTheChoosersAnswer)
{
    const auto commands = app::parseTestScript("# pairs\r\nComp1 /tmp/a b.txt\r\n\nExitWithComp1\n");
    ASSERT_EQ(commands.size(), 2u);
    EXPECT_EQ(commands[0].name, "Comp1");
    EXPECT_EQ(commands[0].argument, "/tmp/a b.txt");
    EXPECT_EQ(commands[1].name, "ExitWithComp1");
    EXPECT_EQ(commands[1].argument, "");
}

} // namespace
} // namespace dg::test
