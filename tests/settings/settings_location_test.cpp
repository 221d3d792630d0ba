#include "settings/settings_location.h"

#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace dg {
namespace {

using test::TempDir;

// Sets or clears DIRGAUGE_CONFIG_DIR for one test and puts back what was there.
class ConfigDirVariable {
public:
    explicit ConfigDirVariable(const char* value)
    {
        if (const char* old = std::getenv("DIRGAUGE_CONFIG_DIR"))
            m_old = old;
        if (value)
            ::setenv("DIRGAUGE_CONFIG_DIR", value, 1);
        else
            ::unsetenv("DIRGAUGE_CONFIG_DIR");
    }
    ~ConfigDirVariable()
    {
        if (m_old)
            ::setenv("DIRGAUGE_CONFIG_DIR", m_old->c_str(), 1);
        else
            ::unsetenv("DIRGAUGE_CONFIG_DIR");
    }
    ConfigDirVariable(const ConfigDirVariable&) = delete;
    ConfigDirVariable& operator=(const ConfigDirVariable&) = delete;

private:
    std::optional<std::string> m_old;
};

TEST(SettingsLocation, VariableNamesTheFolderOutrightAndCreatesIt)
{
    TempDir dir;
    const auto named = dir / "named" / "deeper";
    ConfigDirVariable variable(named.c_str());
    EXPECT_EQ(resolveConfigDir(dir.path(), dir / "user"), named);
    EXPECT_TRUE(std::filesystem::is_directory(named));
    EXPECT_FALSE(std::filesystem::exists(dir / "user"));
}

TEST(SettingsLocation, WritableExecutableFolderComesFirst)
{
    TempDir dir;
    ConfigDirVariable variable("");
    EXPECT_EQ(resolveConfigDir(dir.path(), dir / "user"), dir.path());
    EXPECT_FALSE(std::filesystem::exists(dir / "user"));
}

TEST(SettingsLocation, UnusableExecutableFolderFallsBackToTheUserFolder)
{
    TempDir dir;
    ConfigDirVariable variable(nullptr);
    test::writeBytes(dir / "plain", "x");
    for (const auto& exeDir : {dir / "plain", dir / "missing", std::filesystem::path()}) {
        const auto user = dir / "user" / "dirgauge";
        EXPECT_EQ(resolveConfigDir(exeDir, user), user) << exeDir;
        EXPECT_TRUE(std::filesystem::is_directory(user));
    }
}

TEST(SettingsLocation, FileIsNamedAfterTheExecutable)
{
    EXPECT_EQ(settingsFileName("/usr/bin/dirgauge"), "dirgauge.ini");
    EXPECT_EQ(settingsFileName("/opt/Dirgauge.exe"), "Dirgauge.ini");
    EXPECT_EQ(settingsFileName("my.viewer.bin"), "my.viewer.ini");
    EXPECT_EQ(executableBaseName("/usr/bin/dirgauge"), "dirgauge");

    TempDir dir;
    ConfigDirVariable variable(nullptr);
    EXPECT_EQ(settingsFilePath(dir / "dirgauge", dir / "user"), dir / "dirgauge.ini");
}

} // namespace
} // namespace dg
