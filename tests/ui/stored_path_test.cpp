// The name under which a command-line file is shown.
#include "ui/stored_path.h"

#include "ui_test_support.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace dg::ui {
namespace {
namespace fs = std::filesystem;

TEST(StoredPath, RelativePathsBecomeAbsoluteAndNormalised)
{
    test::TempFolder folder;
    fs::create_directories(folder.path() / "Reports" / "May");
    folder.writeBytes("Reports/May/c.txt", "x");
    const fs::path previous = fs::current_path();
    fs::current_path(folder.path() / "Reports");

    const fs::path expected = folder.path() / "Reports" / "May" / "c.txt";
    EXPECT_EQ(ResolveStoredPath("May/c.txt"), expected);
    EXPECT_EQ(ResolveStoredPath("./May/../May/./c.txt"), expected);
    EXPECT_EQ(ResolveStoredPath("../Reports/May/c.txt"), expected);
    EXPECT_EQ(ResolveStoredPath(expected), expected);
    fs::current_path(previous);
}

TEST(StoredPath, NamesThatAreNotOnDiskStayAsGiven)
{
    test::TempFolder folder;
    EXPECT_EQ(ResolveStoredPath(folder.path() / "none" / "Of" / "these.txt"), folder.path() / "none" / "Of" / "these.txt");
}

TEST(StoredPath, AnEntryMatchedWithoutRegardToCaseGivesItsStoredSpelling)
{
    test::TempFolder folder;
    fs::create_directories(folder.path() / "Program Files");
    EXPECT_EQ(storedEntryName(folder.path(), "Program Files"), "Program Files");
    // What a case-insensitive volume reports for a name typed in other letters.
    EXPECT_EQ(storedEntryName(folder.path(), "PROGRAM FILES"), "Program Files");
    EXPECT_EQ(storedEntryName(folder.path(), "Programs"), std::nullopt);
    // Two entries that differ only in case: no guess.
    fs::create_directories(folder.path() / "PROGRAM FILES");
    EXPECT_EQ(storedEntryName(folder.path(), "program files"), std::nullopt);
    EXPECT_EQ(storedEntryName(folder.path(), "PROGRAM FILES"), "PROGRAM FILES");
    EXPECT_EQ(storedEntryName(folder.path() / "missing", "x"), std::nullopt);
}

} // namespace
} // namespace dg::ui
