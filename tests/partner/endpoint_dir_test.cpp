#include "partner/endpoint_dir.h"

#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <optional>
#include <string>

namespace dg::partner {
namespace {

using test::TempDir;

mode_t modeOf(const std::filesystem::path& path)
{
    struct stat info {};
    EXPECT_EQ(::lstat(path.c_str(), &info), 0);
    return info.st_mode & 07777;
}

TEST(EndpointDir, ChosenFromOverrideThenRuntimeFolderThenTmp)
{
    struct Case {
        const char* overrideDir;
        const char* runtimeDir;
        std::string expected;
    };
    const Case cases[] = {
        {"/x/partners", "/run/user/1000", "/x/partners"},
        {nullptr, "/run/user/1000", "/run/user/1000/dirgauge"},
        {"", "/run/user/1000", "/run/user/1000/dirgauge"},
        {nullptr, nullptr, "/tmp/dirgauge-1000"},
        {nullptr, "", "/tmp/dirgauge-1000"},
        {nullptr, "relative/run", "/tmp/dirgauge-1000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(endpointDirFor(c.overrideDir, c.runtimeDir, 1000), std::filesystem::path(c.expected));
    }
    EXPECT_TRUE(endpointDirFor("rel", nullptr, 1).is_absolute());
}

TEST(EndpointDir, MissingFolderIsCreatedPrivate)
{
    TempDir dir;
    const auto folder = dir / "partners";
    const mode_t oldMask = ::umask(0);
    const DirCheck check = prepareEndpointDir(folder);
    ::umask(oldMask);
    EXPECT_TRUE(check.ok()) << check.error;
    EXPECT_EQ(modeOf(folder), 0700u);
    EXPECT_TRUE(prepareEndpointDir(folder).ok()); // and accepted again
}

TEST(EndpointDir, UnsafeFoldersAreRefusedAndLeftAlone)
{
    struct Case {
        const char* name;
        mode_t mode;
        const char* reason;
    };
    const Case cases[] = {
        {"group readable", 0750, "open to other users (mode 0750)"},
        {"world searchable", 0701, "open to other users (mode 0701)"},
        {"shared tmp style", 01777, "open to other users (mode 1777)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const auto folder = dir / "partners";
        ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
        ASSERT_EQ(::chmod(folder.c_str(), c.mode), 0);
        const DirCheck check = prepareEndpointDir(folder);
        EXPECT_FALSE(check.ok());
        EXPECT_NE(check.error.find(c.reason), std::string::npos) << check.error;
        EXPECT_EQ(modeOf(folder), c.mode);
    }
}

TEST(EndpointDir, LinksFilesAndMissingParentsAreRefused)
{
    TempDir dir;
    const auto real = dir / "real";
    ASSERT_EQ(::mkdir(real.c_str(), 0700), 0);
    const auto link = dir / "link";
    std::filesystem::create_directory_symlink(real, link);
    std::ofstream(dir / "file") << "x";

    EXPECT_NE(prepareEndpointDir(link).error.find("is not a folder"), std::string::npos);
    EXPECT_NE(prepareEndpointDir(dir / "file").error.find("is not a folder"), std::string::npos);
    EXPECT_NE(prepareEndpointDir(dir / "no" / "such").error.find("cannot create"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir / "no"));
}

TEST(EndpointDir, AnotherUsersFolderIsRefused)
{
    TempDir dir;
    std::filesystem::path folder;
    if (::geteuid() == 0) {
        folder = dir / "theirs";
        ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
        ASSERT_EQ(::chown(folder.c_str(), 65534, 65534), 0);
    } else {
        folder = "/"; // owned by root, never by a test user
    }
    const DirCheck check = prepareEndpointDir(folder);
    EXPECT_FALSE(check.ok());
    EXPECT_NE(check.error.find("belongs to another user"), std::string::npos) << check.error;
}

TEST(TitleFile, ComposedAsClassLineAndTitleLine)
{
    EXPECT_EQ(composeTitleFile("Dirgauge - /d/a.txt"), "TDgaForm1\nDirgauge - /d/a.txt\n");
}

TEST(TitleFile, ParsedLeniently)
{
    struct Case {
        std::string bytes;
        std::optional<std::string> windowClass;
        std::string title;
    };
    const Case cases[] = {
        {"TDgaForm1\nDirgauge - a.txt\n", "TDgaForm1", "Dirgauge - a.txt"},
        {"TDgaForm1\nDirgauge - a.txt", "TDgaForm1", "Dirgauge - a.txt"},
        {"TDgaForm1\r\nDirgauge - a.txt\n", "TDgaForm1", "Dirgauge - a.txt"},
        {"TDgaForm1\nDirgauge - two\nlines\n", "TDgaForm1", "Dirgauge - two\nlines"},
        {"TDgaForm1\n\n", "TDgaForm1", ""},
        {"TDgaForm1\n", "TDgaForm1", ""},
        {"Other\nDirgauge - a.txt\n", "Other", "Dirgauge - a.txt"},
        {"TDgaForm1", std::nullopt, ""},
        {"", std::nullopt, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        const auto parsed = parseTitleFile(c.bytes);
        ASSERT_EQ(parsed.has_value(), c.windowClass.has_value());
        if (parsed) {
            EXPECT_EQ(parsed->windowClass, *c.windowClass);
            EXPECT_EQ(parsed->title, c.title);
        }
    }
}

} // namespace
} // namespace dg::partner
