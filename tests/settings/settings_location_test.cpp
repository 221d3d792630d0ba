#include "settings/settings_location.h"

#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace dg {
namespace {

using test::TempDir;

// Sets (or, for nullopt, clears) the variables the location depends on for one test and puts
// back what was there.
class Environment {
public:
    explicit Environment(const std::map<std::string, std::optional<std::string>>& values)
    {
        for (const char* name : {"DIRGAUGE_CONFIG_DIR", "XDG_CONFIG_HOME", "XDG_STATE_HOME", "HOME"}) {
            const char* old = std::getenv(name);
            m_old.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
            const auto it = values.find(name);
            set(name, it == values.end() ? std::nullopt : it->second);
        }
    }
    ~Environment()
    {
        for (const auto& [name, value] : m_old)
            set(name.c_str(), value);
    }
    Environment(const Environment&) = delete;
    Environment& operator=(const Environment&) = delete;

private:
    static void set(const char* name, const std::optional<std::string>& value)
    {
        if (value)
            ::setenv(name, value->c_str(), 1);
        else
            ::unsetenv(name);
    }
    std::vector<std::pair<std::string, std::optional<std::string>>> m_old;
};

TEST(SettingsLocation, FoldersFollowTheVariablesThePortableFileAndTheHomeFolder)
{
    TempDir dir;
    std::filesystem::create_directories(dir / "portable");
    test::writeBytes(dir / "portable" / "dirgauge.ini", "[Form]\r\n");
    std::filesystem::create_directories(dir / "installed");
    const auto home = dir / "home";
    const auto named = dir / "named" / "deeper";

    struct Case {
        const char* what;
        std::filesystem::path exe;
        std::map<std::string, std::optional<std::string>> env;
        std::filesystem::path settings;
        std::filesystem::path logs;
    };
    const Case cases[] = {
        {"the variable names one folder for both, even beside a settings file",
         dir / "portable" / "dirgauge",
         {{"DIRGAUGE_CONFIG_DIR", named.string()}, {"HOME", home.string()}}, named, named},
        {"a settings file beside the executable keeps the program folder portable",
         dir / "portable" / "dirgauge",
         {{"DIRGAUGE_CONFIG_DIR", ""}, {"HOME", home.string()}, {"XDG_CONFIG_HOME", (dir / "xc").string()}},
         dir / "portable", dir / "portable"},
        {"an installed program without one uses the XDG defaults under the home folder",
         dir / "installed" / "dirgauge", {{"HOME", home.string()}},
         home / ".config" / "dirgauge", home / ".local" / "state" / "dirgauge"},
        {"XDG_CONFIG_HOME and XDG_STATE_HOME are taken when absolute",
         dir / "installed" / "dirgauge",
         {{"HOME", home.string()}, {"XDG_CONFIG_HOME", (dir / "xc").string()}, {"XDG_STATE_HOME", (dir / "xs").string()}},
         dir / "xc" / "dirgauge", dir / "xs" / "dirgauge"},
        {"relative or empty XDG variables are ignored",
         dir / "installed" / "dirgauge",
         {{"HOME", home.string()}, {"XDG_CONFIG_HOME", "relative/config"}, {"XDG_STATE_HOME", ""}},
         home / ".config" / "dirgauge", home / ".local" / "state" / "dirgauge"},
        {"a writable program folder alone no longer holds the settings",
         dir / "dirgauge", {{"HOME", home.string()}},
         home / ".config" / "dirgauge", home / ".local" / "state" / "dirgauge"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Environment environment(c.env);
        const ConfigFolders folders = resolveConfigFolders(c.exe);
        EXPECT_EQ(folders.settings, c.settings);
        EXPECT_EQ(folders.logs, c.logs);
        EXPECT_TRUE(std::filesystem::is_directory(folders.settings));
        EXPECT_TRUE(std::filesystem::is_directory(folders.logs));
        EXPECT_EQ(settingsFilePath(c.exe), c.settings / "dirgauge.ini");
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "installed" / "dirgauge.ini")) << "nothing is written beside it";
}

TEST(SettingsLocation, FileIsNamedAfterTheExecutable)
{
    EXPECT_EQ(settingsFileName("/usr/bin/dirgauge"), "dirgauge.ini");
    EXPECT_EQ(settingsFileName("/opt/Dirgauge.exe"), "Dirgauge.ini");
    EXPECT_EQ(settingsFileName("my.viewer.bin"), "my.viewer.ini");
    EXPECT_EQ(executableBaseName("/usr/bin/dirgauge"), "dirgauge");
}

} // namespace
} // namespace dg
