#include "settings/viewer_settings.h"

#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace dg {
namespace {

using test::readBytes;
using test::TempDir;
using test::writeBytes;

// Two viewers on one settings file: what one writes, the other reads back when told to reload;
// a closed one reads and writes nothing.
TEST(ViewerSettings, SwitchesWrittenByOneViewerAreReloadedByTheOther)
{
    TempDir dir;
    const auto path = dir / "dirgauge.ini";
    writeBytes(path, "[Comp]\r\nF3U1_Limit=30\r\nSynchro=0\r\n[Env]\r\nDebug=1\r\nCurrentName=/r.txt\r\n");

    ViewerSettings mine;
    ViewerSettings other;
    EXPECT_FALSE(mine.isOpen());
    EXPECT_FALSE(mine.reloadComp());
    EXPECT_FALSE(mine.reloadSynchro());
    EXPECT_EQ(mine.readDebug(), std::nullopt);

    const StartSettings start = mine.open(path, FormPlacement{1, 2, 3, 4});
    other.open(path, FormPlacement{});
    EXPECT_TRUE(mine.isOpen());
    EXPECT_EQ(start.currentName, "/r.txt");
    EXPECT_EQ(mine.comp().F3U1_Limit, 30);
    EXPECT_EQ(mine.comp(), start.comp);
    EXPECT_FALSE(mine.synchro());
    EXPECT_EQ(mine.readDebug(), true);

    other.toggleSynchro();
    other.writeSynchro();
    other.writeDebug(false);
    other.comp().F3U1_Limit = 55;
    other.saveComp();
    EXPECT_FALSE(mine.synchro()); // nothing changes until the reload
    ASSERT_TRUE(mine.reloadSynchro());
    EXPECT_TRUE(mine.synchro());
    ASSERT_TRUE(mine.reloadComp());
    EXPECT_EQ(mine.comp().F3U1_Limit, 55);
    EXPECT_EQ(mine.readDebug(), false);

    // Flipped in memory only until written.
    mine.toggleSynchro();
    ASSERT_TRUE(other.reloadSynchro());
    EXPECT_TRUE(other.synchro());

    mine.writeExit(FormPlacement{450, 669, 10, 20}, "/next.txt", true);
    const std::string written = readBytes(path);
    EXPECT_NE(written.find("Synchro=0\r\n"), std::string::npos);
    EXPECT_NE(written.find("CurrentName=/next.txt\r\nDebug=1\r\n"), std::string::npos);

    mine.close();
    EXPECT_FALSE(mine.isOpen());
    EXPECT_FALSE(mine.reloadComp());
    mine.writeExit(FormPlacement{1, 1, 1, 1}, "/gone.txt", false); // closed: nothing written
    EXPECT_EQ(readBytes(path), written);
}

} // namespace
} // namespace dg
