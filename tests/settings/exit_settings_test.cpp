#include "settings/exit_settings.h"

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

const std::string& kCompDefaults = test::kDefaultCompKeys;

TEST(ExitSettings, NoFileStartsWithDefaultsAndExitWritesAllThreeSections)
{
    TempDir dir;
    IniFile ini(dir / "dirgauge.ini");
    const FormPlacement current{300, 669, 40, 50};
    const StartSettings start = readStartSettings(ini, current);
    EXPECT_EQ(start.placement, (FormPlacement{450, 669, 40, 50}));
    EXPECT_EQ(start.comp, CompSetting{});
    EXPECT_TRUE(start.synchro);
    EXPECT_EQ(start.currentName, "");
    EXPECT_FALSE(start.debug);

    writeExitSettings(ini, start.placement, start.comp, start.synchro, start.currentName,
                      start.debug);
    EXPECT_EQ(readBytes(dir / "dirgauge.ini"),
              test::crlf("[Form]\nWidth=450\nHeight=669\nTop=40\nLeft=50\n"
                         "[Comp]\n" + kCompDefaults + "Synchro=1\n"
                         "[Env]\nCurrentName=\nDebug=0\n"));
    const StartSettings again = readStartSettings(ini, FormPlacement{});
    EXPECT_EQ(again.placement, start.placement);
}

TEST(ExitSettings, ExitOrderDropsUnlistedKeysAndKeepsOtherSectionsByteForByte)
{
    TempDir dir;
    const std::string mine = "[Mine]\r\n; my notes \x83\x5D\r\nkey = value \r\n\r\n";
    const std::string last = "[zLast]\nA=1";
    writeBytes(dir / "dirgauge.ini", "; top\r\n[env]\r\nCurrentName=old\r\nStale=1\r\n" + mine +
                                         "[COMP]\r\nF3U1_Limit=0x14\r\nUnknown=3\r\n"
                                         "[Form]\r\nWidth=10\r\nExtra=4\r\n" + last);
    IniFile ini(dir / "dirgauge.ini");
    const StartSettings start = readStartSettings(ini, FormPlacement{1, 2, 3, 4});
    EXPECT_EQ(start.placement, (FormPlacement{10, 2, 3, 4}));
    EXPECT_EQ(start.comp.F3U1_Limit, 20);
    EXPECT_EQ(start.currentName, "old");

    CompSetting comp;
    comp.F3U1_Limit = 20;
    writeExitSettings(ini, FormPlacement{800, 600, -5, 7}, comp, false, "/data/new report.txt",
                      true);
    std::string compText = kCompDefaults;
    compText.replace(compText.find("F3U1_Limit=10"), 13, "F3U1_Limit=20");
    std::string expected = "; top\r\n" + mine + last + "\r\n" +
                           "[Form]\r\nWidth=800\r\nHeight=600\r\nTop=-5\r\nLeft=7\r\n[Comp]\r\n";
    expected += test::crlf(compText) + "Synchro=0\r\n[Env]\r\nCurrentName=/data/new report.txt\r\nDebug=1\r\n";
    EXPECT_EQ(readBytes(dir / "dirgauge.ini"), expected);
}

TEST(ExitSettings, TheViewerThatExitsLastDecides)
{
    TempDir dir;
    IniFile first(dir / "dirgauge.ini");
    IniFile second(dir / "dirgauge.ini");
    writeExitSettings(first, FormPlacement{100, 200, 0, 0}, CompSetting{}, true, "/a/old.txt",
                      false);
    writeExitSettings(second, FormPlacement{500, 600, 0, 500}, CompSetting{}, true, "/a/new.txt",
                      false);
    const StartSettings start = readStartSettings(first, FormPlacement{});
    EXPECT_EQ(start.placement, (FormPlacement{500, 600, 0, 500}));
    EXPECT_EQ(start.currentName, "/a/new.txt");
}

TEST(ExitSettings, SwitchesAreReadBackWithTheirDefaults)
{
    TempDir dir;
    IniFile ini(dir / "dirgauge.ini");
    EXPECT_TRUE(readSynchro(ini));
    EXPECT_FALSE(readDebug(ini));
    writeBytes(dir / "dirgauge.ini", "[Comp]\nSynchro=0\n[Env]\nDebug=5\n");
    EXPECT_FALSE(readSynchro(ini));
    EXPECT_TRUE(readDebug(ini));
}

// A stored name in Shift-JIS (as a settings file from a Japanese system holds it) reads as its
// text and goes back byte for byte while unchanged; what the program writes itself is UTF-8.
TEST(ExitSettings, CurrentNameKeepsItsBytesUntilTheProgramChangesIt)
{
    const std::string sjisName = "C:\\\x93\xfa\x96{\x8c\xea dir\\\x95\x5c.txt"; // C:\日本語 dir\表.txt
    const std::string utf8Name = "C:\\日本語 dir\\表.txt";
    struct Case {
        const char* what;
        std::string stored;     // the value in the file before
        std::string read;       // what start-up reads (UTF-8)
        std::string written;    // what the viewer gives back at exit
        std::string storedNext; // the value in the file after
    };
    const Case cases[] = {
        {"Shift-JIS, unchanged: the same bytes", sjisName, utf8Name, utf8Name, sjisName},
        {"Shift-JIS, changed: UTF-8", sjisName, utf8Name, "/data/新.txt", "/data/新.txt"},
        {"UTF-8 stays UTF-8", "/data/新.txt", "/data/新.txt", "/data/新.txt", "/data/新.txt"},
        {"neither UTF-8 nor Shift-JIS: kept as it is", "/a\xff\xfe", "/a\xff\xfe", "/a\xff\xfe", "/a\xff\xfe"},
        {"quoted with blanks", "\" \x95\x5c \"", " 表 ", " 表 ", "\" \x95\x5c \""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        writeBytes(dir / "dirgauge.ini", "[Env]\r\nCurrentName=" + c.stored + "\r\nDebug=0\r\n");
        IniFile ini(dir / "dirgauge.ini");
        const StartSettings start = readStartSettings(ini, FormPlacement{});
        EXPECT_EQ(start.currentName, c.read);
        writeExitSettings(ini, start.placement, start.comp, start.synchro, c.written, false);
        const std::string bytes = readBytes(dir / "dirgauge.ini");
        EXPECT_NE(bytes.find("[Env]\r\nCurrentName=" + c.storedNext + "\r\nDebug=0\r\n"), std::string::npos) << bytes;
    }
}

// A name that is a real file's name in Shift-JIS bytes stays those bytes: decoding it would name
// a file that does not exist.
TEST(ExitSettings, CurrentNameOfAnExistingFileKeepsItsBytes)
{
    TempDir dir;
    const std::string sjisFile = (dir / "\x95\x5c.txt").string(); // 表.txt in Shift-JIS bytes
    writeBytes(sjisFile, "x");
    writeBytes(dir / "dirgauge.ini", "[Env]\r\nCurrentName=" + sjisFile + "\r\nDebug=0\r\n");
    IniFile ini(dir / "dirgauge.ini");
    const StartSettings start = readStartSettings(ini, FormPlacement{});
    EXPECT_EQ(start.currentName, sjisFile);
    writeExitSettings(ini, start.placement, start.comp, start.synchro, start.currentName, false);
    EXPECT_NE(readBytes(dir / "dirgauge.ini").find("CurrentName=" + sjisFile + "\r\n"), std::string::npos);
}

TEST(ExitSettings, RefusedExitWritesNothing)
{
    TempDir dir;
    writeBytes(dir / "plain", "x");
    IniFile ini(dir / "plain" / "dirgauge.ini");
    EXPECT_EQ(test::refusal([&] { writeExitSettings(ini, FormPlacement{}, CompSetting{}, true, "", false); }),
              test::refusedText(dir / "plain" / "dirgauge.ini"));
}

} // namespace
} // namespace dg
