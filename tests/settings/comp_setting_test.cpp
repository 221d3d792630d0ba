#include "settings/comp_setting.h"

#include "core/errors.h"
#include "settings/ini_file.h"
#include "tests/settings/settings_test_support.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <string>

namespace dg {
namespace {

using test::readBytes;
using test::TempDir;
using test::writeBytes;

const std::string kDefaultComp = "[Comp]\n" + test::kDefaultCompKeys + "Synchro=1\n";

TEST(TColor, SystemColoursAndDecimalForms)
{
    EXPECT_TRUE(isSystemColor(kClWindow));
    EXPECT_EQ(systemColorIndex(kClWindow), 5u);
    EXPECT_EQ(systemColorIndex(kClGrayText), 17u);
    EXPECT_FALSE(isSystemColor(0x000000FF));
    EXPECT_FALSE(isSystemColor(0x80000005));
    EXPECT_EQ(colorToDecimal(0xFF000005), "-16777211");
    EXPECT_EQ(colorToDecimal(0xFF000011), "-16777199");
    EXPECT_EQ(colorToDecimal(0x000000FF), "255");
    EXPECT_EQ(colorFromInteger(-16777211), kClWindow);
}

TEST(CompSetting, MissingFileGivesTheDefaultsAndSavingWritesTheirDecimalForms)
{
    TempDir dir;
    IniFile ini(dir / "dirgauge.ini");
    const CompSetting loaded = LoadIniCompSetting(ini);
    EXPECT_EQ(loaded, CompSetting{});
    EXPECT_EQ(loaded.F3Ad_ChColor, 0xFF000011u);
    EXPECT_EQ(loaded.F3U1_BgColor, 0xFF000005u);
    EXPECT_EQ(loaded.F3D2_Limit, 30);

    SaveIniCompSetting(ini, loaded, true);
    EXPECT_EQ(readBytes(dir / "dirgauge.ini"), test::crlf(kDefaultComp));
}

TEST(CompSetting, SaveReplacesTheWholeSectionAndLeavesOthersAlone)
{
    TempDir dir;
    writeBytes(dir / "dirgauge.ini",
               "[Comp]\nOldKey=1\nF3U1_Limit=99\n[Env]\r\nCurrentName=a b\r\n");
    IniFile ini(dir / "dirgauge.ini");
    CompSetting setting;
    setting.F3U2_ChColor = 0x000000FF;
    setting.F3D1_Limit = 15;
    SaveIniCompSetting(ini, setting, false);

    std::string expected = "[Env]\r\nCurrentName=a b\r\n" + kDefaultComp;
    expected.replace(expected.find("F3D1_Limit=10"), 13, "F3D1_Limit=15");
    expected.replace(expected.find("Synchro=1"), 9, "Synchro=0");
    // New lines take the ending of the file's first line as read (LF), not of the kept lines.
    EXPECT_EQ(readBytes(dir / "dirgauge.ini"), expected);
    EXPECT_EQ(LoadIniCompSetting(ini), setting);
    EXPECT_FALSE(ini.readBool("Comp", "Synchro", true));
}

TEST(CompSetting, RoundTripsEveryField)
{
    TempDir dir;
    IniFile ini(dir / "dirgauge.ini");
    CompSetting setting;
    setting.F3Ad_ChColor = 0x00123456;
    setting.F3Ad_BgColor = 0xFF000008;
    setting.F3U1_ChColor = 0x00000001;
    setting.F3U1_BgColor = 0x00FFFFFF;
    setting.F3U2_ChColor = 0;
    setting.F3U2_BgColor = 0x00ABCDEF;
    setting.F3D1_ChColor = 0xFF00000F;
    setting.F3D1_BgColor = 0x00010203;
    setting.F3D2_ChColor = 0x00FEDCBA;
    setting.F3D2_BgColor = 0x00000080;
    setting.F3U1_Limit = 1;
    setting.F3U2_Limit = 999;
    setting.F3D1_Limit = 2;
    setting.F3D2_Limit = 3;
    SaveIniCompSetting(ini, setting, true);
    EXPECT_EQ(LoadIniCompSetting(ini), setting);
}

TEST(CompSetting, HandEditedValues)
{
    struct Case {
        const char* line;
        std::int32_t expectedU1Limit;
        bool synchro;
    };
    const Case cases[] = {
        {"F3U1_Limit=0x14", 20, true}, {"F3U1_Limit=$14", 20, true}, {"f3u1_limit=20", 20, true},
        {"F3U1_Limit=abc", 10, true},  {"F3U1_Limit=", 10, true},    {"F3U1_Limit=0", 0, true},
        {"F3U1_Limit=-5", -5, true},   {"F3U1_Limit=1000", 1000, true}, {"F3U1_Limit=99999999999", 10, true},
        // The switch reads as a boolean: any integer but 0 is on, and what is no integer the default.
        {"Synchro=0", 10, false}, {"Synchro=1", 10, true}, {"Synchro=2", 10, true},
        {"Synchro=yes", 10, true}, {"Synchro=-1", 10, true},
    };
    TempDir dir;
    for (const Case& c : cases) {
        writeBytes(dir / "dirgauge.ini", std::string("[comp]\n") + c.line + "\n");
        const IniFile ini(dir / "dirgauge.ini");
        const CompSetting loaded = LoadIniCompSetting(ini);
        EXPECT_EQ(loaded.F3U1_Limit, c.expectedU1Limit) << c.line;
        EXPECT_EQ(loaded.F3U2_Limit, 30) << c.line;
        EXPECT_EQ(ini.readBool("Comp", "Synchro", true), c.synchro) << c.line;
    }

    writeBytes(dir / "dirgauge.ini", "[Comp]\nF3Ad_BgColor=0xFF000005\nF3U2_ChColor=4278190085\n");
    const CompSetting colours = LoadIniCompSetting(IniFile(dir / "dirgauge.ini"));
    EXPECT_EQ(colours.F3Ad_BgColor, kClWindow);
    EXPECT_EQ(colours.F3U2_ChColor, 0x000000FFu); // beyond 32 bits signed: the default
}

TEST(CompSetting, RefusedSaveRaisesAndLeavesTheFile)
{
    TempDir dir;
    writeBytes(dir / "dirgauge.ini", "[Comp]\nF3U1_Limit=12\n");
    std::filesystem::create_directory(dir / "dirgauge.ini.tmp");
    IniFile ini(dir / "dirgauge.ini");
    EXPECT_EQ(test::refusal([&] { SaveIniCompSetting(ini, CompSetting{}, true); }),
              test::refusedText(dir / "dirgauge.ini"));
    EXPECT_EQ(readBytes(dir / "dirgauge.ini"), "[Comp]\nF3U1_Limit=12\n");
}

} // namespace
} // namespace dg
