// File names that are not UTF-8 (Shift-JIS bytes, say) pass through the viewer unchanged: the
// command line, a drop, the file dialog's choice, the partner's message and the settings.
#include "main_window_fixture.h"

#include "ui/endpoint_partner_link.h"
#include "ui/file_name.h"
#include "ui/viewer_launcher.h"

#include <QFile>
#include <QTemporaryDir>
#include <QUrl>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>
#include <sys/stat.h>

namespace dg::test {
namespace {

using ui::fileNameBytes;
using ui::fileNameText;

// "日本語 dir" in Shift-JIS: not UTF-8 at all.
const std::string kSjisName = "\x93\xfa\x96\x7b\x8c\xea dir";

TEST(FileNameTest, EveryByteStringSurvivesTheRoundTripAndUtf8ReadsAsQtReadsIt)
{
    const std::vector<std::string> names = {
        "/tmp/plain.txt",
        "/tmp/\xe6\x97\xa5\xe6\x9c\xac.txt", // UTF-8 日本
        "/tmp/" + kSjisName,
        "\xed\xb2\x80",     // a surrogate written as UTF-8: not well-formed
        "\xc0\xaf",         // overlong "/"
        "\xf0\x9f\x98\x80", // a supplementary character (a surrogate pair in the QString)
        "\xf0\x9f\x98",     // the same cut short
        "a\xff\xfe" "b",
    };
    for (const std::string& name : names) {
        EXPECT_EQ(fileNameBytes(fileNameText(name)), name);
        if (QString::fromUtf8(name.c_str()).toStdString() == name) {
            EXPECT_EQ(fileNameText(name), QString::fromUtf8(name.c_str())) << name;
        }
    }
    std::string everyByte;
    for (int b = 1; b < 256; ++b)
        everyByte.push_back(static_cast<char>(b));
    EXPECT_EQ(fileNameBytes(fileNameText(everyByte)), everyByte);
    // A name Qt decoded is spoilt; the escaped one is not.
    EXPECT_NE(QFile::encodeName(QFile::decodeName(QByteArray::fromStdString(kSjisName))).toStdString(), kSjisName);
}

// The second viewer is a real process that gets the name after "--", as the bytes it stands for,
// and is not left behind as a zombie of this one; a program that cannot run is reported.
TEST(FileNameTest, TheLauncherPassesTheNameBytesAfterTheEndOfOptions)
{
    const QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string folder = dir.path().toStdString();
    const std::string script = folder + "/viewer.sh";
    std::ofstream(script) << "#!/bin/sh\nfor a in \"$@\"; do printf '%s|' \"$a\"; done > " << folder << "/args.tmp\n"
                          << "mv " << folder << "/args.tmp " << folder << "/args\n";
    ASSERT_EQ(::chmod(script.c_str(), 0755), 0);

    for (const std::string& name : {"/tmp/" + kSjisName, std::string("-style"), std::string("--help")}) {
        SCOPED_TRACE(name);
        std::remove((folder + "/args").c_str());
        ui::ProcessViewerLauncher launcher(script);
        ASSERT_TRUE(launcher.start(fileNameText(name)));
        std::string args;
        for (int i = 0; i < 500 && args.empty(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            std::ostringstream text;
            text << std::ifstream(folder + "/args").rdbuf();
            args = text.str();
        }
        EXPECT_EQ(args, "--|" + name + "|");
        bool ended = false;
        for (int i = 0; i < 500 && !ended; ++i) {
            ended = !launcher.running();
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        EXPECT_TRUE(ended);
    }
    ui::ProcessViewerLauncher missing(folder + "/no-such-program");
    EXPECT_FALSE(missing.start(QStringLiteral("report.txt")));
    EXPECT_FALSE(missing.running());
}

TEST(FileNameTest, TheSetPartnerPayloadCarriesTheTitlesBytes)
{
    const QString title = QStringLiteral("Dirgauge - ") + fileNameText("/r/" + kSjisName);
    const std::string payload = ui::composeSetPartnerPayload(title, QRect(1, 2, 300, 400));
    EXPECT_EQ(payload, "Dirgauge - /r/" + kSjisName + "\n1,2,300,400");
    EXPECT_EQ(ui::parseSetPartnerPayload(payload).senderTitle, title);
}

class NonUtf8NameTest : public MainWindowTest {
protected:
    // The good report under a name of Shift-JIS bytes, in a folder of such a name.
    std::string writeSjisReport()
    {
        const std::filesystem::path sub = folder.path() / kSjisName;
        std::filesystem::create_directories(sub);
        const std::string path = (sub / (kSjisName + ".txt")).string();
        std::string bytes;
        for (const auto& line : goodReportLines())
            bytes += encoding::utf8ToSjis(line) + "\r\n";
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    void expectShown(const ui::MainWindow& window, const std::string& path)
    {
        EXPECT_TRUE(dialogs.shown.empty()) << dialogs.errors().join("|").toStdString();
        EXPECT_EQ(window.session().shownName(), path);
        EXPECT_EQ(window.windowTitle(), "Dirgauge - " + fileNameText(path));
        EXPECT_EQ(window.treeModel()->rowCount(), 1);
    }
};

TEST_F(NonUtf8NameTest, TheCommandLineADropTheDialogAndTheSettingsKeepTheBytes)
{
    const std::string path = writeSjisReport();
    {
        // The command line, as start-up decodes it.
        auto window = makeWindow({fileNameText(path)});
        expectShown(*window, path);
        // The dialog answers with a name Qt decoded itself; the viewer finds the file it means.
        const QString spoilt = QFile::decodeName(QByteArray::fromStdString(path));
        EXPECT_EQ(ui::recoverDecodedName(spoilt), fileNameText(path));
        EXPECT_EQ(ui::recoverDecodedName(QStringLiteral("/no/such/\uFFFD")), QStringLiteral("/no/such/\uFFFD"));
    }
    // The settings file is handed the bytes, and the next start hands them back.
    auto again = makeWindow();
    EXPECT_EQ(again->session().shownName(), path);
    EXPECT_EQ(again->currentName(), fileNameText(path));

    // A drop: the URL's percent-encoded bytes, not Qt's UTF-8 reading of them.
    const QUrl dropped = QUrl::fromEncoded("file://" + QByteArray::fromStdString(path).toPercentEncoding("/"));
    EXPECT_EQ(ui::fileNameOfUrl(dropped), fileNameText(path));
    EXPECT_EQ(ui::fileNameOfUrl(QUrl(QStringLiteral("https://example.org/a"))), QString());
    auto dropTarget = makeWindow();
    dropTarget->guarded([&] { dropTarget->WMDropFiles({ui::fileNameOfUrl(dropped)}); });
    expectShown(*dropTarget, path);
}

} // namespace
} // namespace dg::test
