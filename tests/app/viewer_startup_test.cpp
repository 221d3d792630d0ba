// Start-up: the application title, the command line, where the settings live, the windows made
// in order, and the settings read at start and written back at exit.
#include "app/viewer_startup.h"

#include "main_window_fixture.h"

#include "ui/about_box.h"

#include <QAction>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>

namespace dg::app {
namespace {
using test::readFile;

TEST(ViewerStartup, TheApplicationTitleIsTheExecutablesNameCapitalised)
{
    EXPECT_EQ(applicationTitle("/usr/bin/dirgauge"), "Dirgauge");
    EXPECT_EQ(applicationTitle("/opt/DG/DIRGAUGE.EXE"), "Dirgauge");
    EXPECT_EQ(applicationTitle("build/app/dirGauge-test.bin"), "Dirgauge-test");
    EXPECT_EQ(applicationTitle("dirgauge"), "Dirgauge");
}

TEST(ViewerStartup, ParametersSkipEmptyArgumentsAndKeepTheBytesOfNames)
{
    EXPECT_EQ(parametersFromArguments({}), QStringList{});
    EXPECT_EQ(parametersFromArguments({"", "/tmp/表 1.txt", "b.txt"}), (QStringList{"/tmp/表 1.txt", "b.txt"}));
}

class ScopedVariable {
public:
    ScopedVariable(const char* name, const std::string& value) : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_old = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedVariable()
    {
        if (m_old)
            ::setenv(m_name, m_old->c_str(), 1);
        else
            ::unsetenv(m_name);
    }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

TEST(ViewerStartup, SettingsAndLogsFollowTheConfigFolder)
{
    test::TempFolder folder;
    {
        const ScopedVariable variable("DIRGAUGE_CONFIG_DIR", (folder.path() / "cfg").string());
        const ConfigFiles files = configFilesFor("/opt/dg/dirgauge");
        EXPECT_EQ(files.folder, folder.path() / "cfg");
        EXPECT_EQ(files.settingsPath, folder.path() / "cfg" / "dirgauge.ini");
        EXPECT_EQ(files.debugLogBase, folder.path() / "cfg" / "dirgauge");
        EXPECT_TRUE(std::filesystem::is_directory(folder.path() / "cfg"));
    }
    const ScopedVariable noVariable("DIRGAUGE_CONFIG_DIR", "");
    const ScopedVariable config("XDG_CONFIG_HOME", (folder.path() / "config").string());
    const ScopedVariable state("XDG_STATE_HOME", (folder.path() / "state").string());
    // Installed: the user's folders, logs apart from the settings.
    const ConfigFiles installed = configFilesFor("/nonexistent/bin/dirgauge");
    EXPECT_EQ(installed.settingsPath, folder.path() / "config" / "dirgauge" / "dirgauge.ini");
    EXPECT_EQ(installed.debugLogBase, folder.path() / "state" / "dirgauge" / "dirgauge");
    // Portable: a settings file beside the executable keeps both there.
    std::ofstream(folder.path() / "dirgauge.ini") << "[Form]\r\n";
    const ConfigFiles portable = configFilesFor(folder.path() / "dirgauge");
    EXPECT_EQ(portable.settingsPath, folder.path() / "dirgauge.ini");
    EXPECT_EQ(portable.debugLogBase, folder.path() / "dirgauge");
}

class ViewerStartupTest : public test::MainWindowTest {
protected:
    ViewerWindows start(const QStringList& parameters = {})
    {
        ui::ViewerContext context;
        context.settingsPath = settingsPath();
        context.debugLogBase = folder.path() / "dirgauge";
        context.parameters = parameters;
        context.dialogs = &dialogs;
        context.partner = &partner;
        context.endProgram = [this](int code) { endCodes.push_back(code); };
        return createViewerWindows(std::move(context));
    }
};

TEST_F(ViewerStartupTest, MakesTheWindowsInOrderWithTheDialogsHidden)
{
    ViewerWindows windows = start({goodReport()});
    ASSERT_TRUE(windows.main && windows.about && windows.compSettings);
    EXPECT_EQ(windows.compSettings->objectName(), "TForm3");
    EXPECT_FALSE(windows.about->isVisible());
    EXPECT_FALSE(windows.compSettings->isVisible());
    EXPECT_EQ(windows.main->treeModel()->rowCount(), 1);
    windows.main->action(ui::CommandId::About1)->trigger();
    EXPECT_EQ(dialogs.texts(test::RecordingDialogs::Kind::Modal), QStringList{"TAboutBox"});
}

TEST_F(ViewerStartupTest, WithoutASettingsFileTheDefaultsApplyAndExitWritesAllThreeSections)
{
    {
        ViewerWindows windows = start();
        EXPECT_EQ(windows.main->width(), 450);
        EXPECT_EQ(windows.main->height(), 669);
        EXPECT_TRUE(windows.main->synchro());
        EXPECT_FALSE(windows.main->debugSwitch());
        EXPECT_EQ(windows.main->compSetting(), CompSetting{});
        EXPECT_EQ(windows.main->currentName(), "");
    }
    const std::string ini = readFile(settingsPath());
    const auto form = ini.find("[Form]");
    const auto comp = ini.find("[Comp]");
    const auto env = ini.find("[Env]");
    ASSERT_NE(form, std::string::npos);
    EXPECT_LT(form, comp);
    EXPECT_LT(comp, env);
    EXPECT_NE(ini.find("Width=450"), std::string::npos);
    EXPECT_NE(ini.find("F3U1_BgColor=-16777211"), std::string::npos);
    EXPECT_NE(ini.find("Synchro=1"), std::string::npos);
    EXPECT_NE(ini.find("CurrentName="), std::string::npos);
    EXPECT_NE(ini.find("Debug=0"), std::string::npos);
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(ViewerStartupTest, StartReadsTheSettingsAndExitWritesThemBackInTheExitOrder)
{
    test::TempFolder other;
    const std::string shownLast = other.path().string() + "/logs/c.txt";
    std::filesystem::create_directories(folder.path());
    folder.writeBytes("dirgauge.ini", "[Other]\nkeep=me\n[form]\nwidth=500\nHeight=600\nTop=40\nLeft=30\nJunk=1\n"
                                      "[Comp]\nF3U1_Limit=0x14\nF3U2_Limit=abc\nSynchro=0\n[Env]\nCurrentName=" +
                                          shownLast + "\nDebug=1\n");
    {
        ViewerWindows windows = start();
        ui::MainWindow& window = *windows.main;
        EXPECT_EQ(window.width(), 500);
        EXPECT_EQ(window.height(), 600);
        EXPECT_EQ(window.x(), 30);
        EXPECT_EQ(window.y(), 40);
        EXPECT_EQ(window.compSetting().F3U1_Limit, 20);
        EXPECT_EQ(window.compSetting().F3U2_Limit, 30);
        EXPECT_FALSE(window.action(ui::CommandId::Synchro1)->isChecked());
        EXPECT_TRUE(window.action(ui::CommandId::Debug1)->isChecked());
        EXPECT_EQ(window.currentName().toStdString(), shownLast);

        // The Open dialog starts in the folder of the file shown last.
        window.action(ui::CommandId::Open1)->trigger();
        EXPECT_EQ(dialogs.openRequests.at(0).initialFolder.toStdString(), other.path().string() + "/logs");
        window.resize(520, 610);
    }
    const std::string ini = readFile(settingsPath());
    EXPECT_EQ(ini.rfind("[Other]\nkeep=me\n", 0), 0u) << ini;
    EXPECT_EQ(ini.find("Junk"), std::string::npos);
    const auto form = ini.find("[Form]\nWidth=520\nHeight=610\nTop=40\nLeft=30\n");
    const auto limit = ini.find("F3U1_Limit=20\nF3U2_Limit=30\n");
    const auto synchro = ini.find("Synchro=0\n[Env]\nCurrentName=" + shownLast + "\nDebug=1\n");
    EXPECT_NE(form, std::string::npos) << ini;
    EXPECT_LT(form, limit);
    EXPECT_LT(limit, synchro);
    EXPECT_NE(synchro, std::string::npos) << ini;
    // The switch was on, but nothing was logged: no log file.
    EXPECT_FALSE(std::filesystem::exists(folder.path() / "dirgauge01.log"));
}

TEST_F(ViewerStartupTest, ASettingsFileThatCannotBeWrittenIsReportedAtExitAndTheProgramStillEnds)
{
    std::filesystem::create_directories(settingsPath());
    {
        ViewerWindows windows = start();
    }
    EXPECT_EQ(dialogs.errors(), QStringList{QString::fromStdString(settingsPath().string()) + " に書き込めません"});
}

} // namespace
} // namespace dg::app
