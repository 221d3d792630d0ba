#include "settings/ini_file.h"

#include "core/errors.h"
#include "tests/settings/settings_test_support.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include "settings/file_replace.h"

#include <chrono>
#include <fcntl.h>
#include <functional>
#include <future>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace dg {
namespace {

using test::readBytes;
using test::refusal;
using test::refusedText;
using test::TempDir;
using test::writeBytes;

TEST(IniFile, MissingFileReadsDefaultsAndTheFirstWriteCreatesIt)
{
    TempDir dir;
    IniFile ini(dir / "dirgauge.ini");
    EXPECT_EQ(ini.readInteger("Form", "Width", 450), 450);
    EXPECT_TRUE(ini.readBool("Comp", "Synchro", true));
    EXPECT_EQ(ini.readString("Env", "CurrentName", "none"), "none");
    EXPECT_FALSE(std::filesystem::exists(dir / "dirgauge.ini"));

    ini.writeBool("Env", "Debug", true);
    EXPECT_EQ(readBytes(dir / "dirgauge.ini"), "[Env]\r\nDebug=1\r\n") << "a new file ends its lines with CR LF";
    EXPECT_FALSE(std::filesystem::exists(dir / "dirgauge.ini.tmp"));
}

TEST(IniFile, ReadsSeeWritesOfAnotherObjectAtOnce)
{
    TempDir dir;
    IniFile mine(dir / "dirgauge.ini");
    IniFile partner(dir / "dirgauge.ini");
    mine.writeInteger("Comp", "F3U1_Limit", 15);
    EXPECT_EQ(partner.readInteger("Comp", "F3U1_Limit", 10), 15);
    partner.writeBool("Comp", "Synchro", false);
    EXPECT_FALSE(mine.readBool("Comp", "Synchro", true));
    EXPECT_EQ(mine.readInteger("Comp", "F3U1_Limit", 10), 15);
}

TEST(IniFile, WritesKeepEverythingElseByteForByte)
{
    TempDir dir;
    const std::string before = "; hand made\r\n[Comp]\r\nF3U1_Limit = 10\r\nmine=\x83\x5D\r\n\r\n"
                               "[Other]\r\nkey=value\r\n";
    writeBytes(dir / "dirgauge.ini", before);
    IniFile ini(dir / "dirgauge.ini");
    ini.writeInteger("COMP", "f3u1_limit", 25);
    ini.writeBool("Comp", "Synchro", true);
    EXPECT_EQ(readBytes(dir / "dirgauge.ini"),
              "; hand made\r\n[Comp]\r\nF3U1_Limit=25\r\nmine=\x83\x5D\r\nSynchro=1\r\n\r\n"
              "[Other]\r\nkey=value\r\n");
}

TEST(IniFile, BatchIsAppliedInOneReplacement)
{
    TempDir dir;
    IniFile ini(dir / "dirgauge.ini");
    IniBatch batch;
    batch.writeInteger("Form", "Width", 1);
    batch.eraseSection("Form");
    batch.writeInteger("Form", "Height", 2);
    batch.writeString("Env", "CurrentName", "/tmp/a.txt");
    EXPECT_FALSE(batch.empty());
    ini.commit(batch);
    EXPECT_EQ(readBytes(dir / "dirgauge.ini"), "[Form]\r\nHeight=2\r\n[Env]\r\nCurrentName=/tmp/a.txt\r\n");

    ini.commit(IniBatch());
    EXPECT_EQ(ini.readInteger("Form", "Height", 0), 2);
}

TEST(IniFile, ExistingPermissionsAreKeptAndAStaleTempFileIsReplaced)
{
    TempDir dir;
    const auto file = dir / "dirgauge.ini";
    writeBytes(file, "[Form]\nWidth=1\n");
    ::chmod(file.c_str(), 0640);
    writeBytes(dir / "dirgauge.ini.tmp", "left over by a crash");
    IniFile ini(file);
    ini.writeInteger("Form", "Width", 2);
    struct stat info {};
    ASSERT_EQ(::stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    EXPECT_EQ(readBytes(file), "[Form]\nWidth=2\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "dirgauge.ini.tmp"));
}

TEST(IniFile, WritesGoThroughSymbolicLinksToTheirTarget)
{
    TempDir dir;
    std::filesystem::create_directories(dir / "store" / "deep");
    // A link to a file, a dangling link (the target is made by the first write) and a relative
    // chain of two links.
    writeBytes(dir / "store" / "linked.ini", "[Form]\nWidth=1\n");
    std::filesystem::create_symlink(dir / "store" / "linked.ini", dir / "link.ini");
    std::filesystem::create_symlink(dir / "store" / "new.ini", dir / "dangling.ini");
    writeBytes(dir / "store" / "deep" / "real.ini", "[Form]\r\nWidth=1\r\n");
    std::filesystem::create_symlink("deep/real.ini", dir / "store" / "hop.ini");
    std::filesystem::create_symlink("store/hop.ini", dir / "chain.ini");

    IniFile link(dir / "link.ini");
    link.writeInteger("Form", "Width", 3);
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.ini"));
    EXPECT_EQ(readBytes(dir / "store" / "linked.ini"), "[Form]\nWidth=3\n");

    IniFile dangling(dir / "dangling.ini");
    dangling.writeInteger("Form", "Width", 2);
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "dangling.ini"));
    EXPECT_EQ(readBytes(dir / "store" / "new.ini"), "[Form]\r\nWidth=2\r\n");

    IniFile chain(dir / "chain.ini");
    chain.writeInteger("Form", "Width", 3);
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "chain.ini"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "store" / "hop.ini"));
    EXPECT_EQ(readBytes(dir / "store" / "deep" / "real.ini"), "[Form]\r\nWidth=3\r\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "store" / "deep" / "real.ini.tmp"));
    EXPECT_EQ(file_replace::replacedFile(dir / "chain.ini"), dir / "store" / "deep" / "real.ini");

    // A loop of links is not a file: reads give the defaults, writes are refused.
    std::filesystem::create_symlink("loop2.ini", dir / "loop1.ini");
    std::filesystem::create_symlink("loop1.ini", dir / "loop2.ini");
    IniFile loop(dir / "loop1.ini");
    EXPECT_EQ(loop.readInteger("Form", "Width", 450), 450);
    EXPECT_EQ(refusal([&] { loop.writeInteger("Form", "Width", 4); }), refusedText(dir / "loop1.ini"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "loop1.ini"));
}

// Writes leave nothing beside the settings file: the lock is taken on the folder, not on a file
// of its own. A writer waits while another process (here: another open file description, which
// flock treats the same) holds that lock.
TEST(IniFile, WritesLockTheFolderAndLeaveNoLockFile)
{
    TempDir dir;
    const auto path = dir / "dirgauge.ini";
    IniFile ini(path);
    ini.writeInteger("Form", "Width", 1);
    ini.writeString("Env", "CurrentName", "a");
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"dirgauge.ini"});

    auto held = std::make_unique<file_replace::FolderLock>(dir.path());
    ASSERT_TRUE(held->held());
    auto writer = std::async(std::launch::async, [&] { IniFile(path).writeInteger("Form", "Width", 2); });
    EXPECT_EQ(writer.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout);
    EXPECT_EQ(ini.readInteger("Form", "Width", 0), 1);
    held.reset();
    ASSERT_EQ(writer.wait_for(std::chrono::seconds(20)), std::future_status::ready);
    writer.get();
    EXPECT_EQ(ini.readInteger("Form", "Width", 0), 2);
}

// A settings file that is a FIFO without a writer, or a device that never ends, reads as the
// defaults at once and is never replaced. Each read runs on its own thread with a bound; should it
// hang, a writer is opened to let it go, so the test fails instead of hanging.
TEST(IniFile, FifoAndDeviceReadAsDefaultsWithoutWaitingAndAreNotReplaced)
{
    TempDir dir;
    const auto fifo = dir / "fifo.ini";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const auto zero = dir / "zero.ini";
    std::filesystem::create_symlink("/dev/zero", zero);

    for (const auto& path : {fifo, zero}) {
        SCOPED_TRACE(path.string());
        IniFile ini(path);
        auto read = std::async(std::launch::async, [&] { return ini.readInteger("Form", "Width", 450); });
        if (read.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
            ADD_FAILURE() << "the read did not return";
            const int unblock = ::open(path.c_str(), O_WRONLY | O_NONBLOCK);
            read.wait();
            if (unblock >= 0)
                ::close(unblock);
            continue;
        }
        EXPECT_EQ(read.get(), 450);
        EXPECT_EQ(file_replace::readWholeFile(path, IniFile::kMaxFileSize).status,
                  file_replace::ReadStatus::NotRegular);
        EXPECT_EQ(file_replace::describe(file_replace::ReadStatus::NotRegular), "not a regular file");
        EXPECT_EQ(refusal([&] { ini.writeInteger("Form", "Width", 1); }), refusedText(path));
    }
    struct stat info {};
    ASSERT_EQ(::lstat(fifo.c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
    EXPECT_TRUE(std::filesystem::is_symlink(zero));
}

TEST(IniFile, TwoProcessesWritingAtOnceLoseNothing)
{
    TempDir dir;
    const auto path = dir / "dirgauge.ini";
    constexpr int kWrites = 150;
    const auto writeMany = [&](const char* section) {
        IniFile ini(path);
        for (int i = 0; i < kWrites; ++i) {
            ini.writeInteger(section, "Key" + std::to_string(i), i);
            // A reader never meets a half-written file: every earlier key of ours is there.
            if (ini.readInteger(section, "Key0", -1) != 0)
                return false;
        }
        return true;
    };

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        bool ok = false;
        try {
            ok = writeMany("Child");
        } catch (...) {
        }
        ::_exit(ok ? 0 : 1);
    }
    bool parentOk = false;
    EXPECT_NO_THROW(parentOk = writeMany("Parent"));
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(parentOk);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);

    const IniDocument doc = IniFile(path).snapshot();
    int missing = 0;
    for (int i = 0; i < kWrites; ++i) {
        missing += doc.readInteger("Child", "Key" + std::to_string(i), -1) != i;
        missing += doc.readInteger("Parent", "Key" + std::to_string(i), -1) != i;
    }
    EXPECT_EQ(missing, 0);
}

// Each refused write names the settings file by its full path and leaves what is there as it was:
// the file's bytes, a folder in its place, or nothing.
TEST(IniFile, RefusedWritesRaiseTheFullPathAndChangeNothing)
{
    namespace fs = std::filesystem;
    using Path = const fs::path&;
    const auto widthOne = [](Path p) { writeBytes(p, "[Form]\nWidth=1\n"); };
    const auto tempIsAFolder = [&](Path p) {
        widthOne(p);
        fs::create_directory(p.string() + ".tmp");
    };
    const auto parentIsAFile = [](Path p) { writeBytes(p.parent_path(), "x"); };
    struct Case {
        const char* name;
        const char* file; // in the test's folder
        std::function<void(Path)> prepare;
        std::function<void(IniFile&)> write;
        int width; // what reading Form/Width then gives (450: the default)
    };
    const Case cases[] = {
        {"parent is a file", "plain/dirgauge.ini", parentIsAFile,
         [](IniFile& ini) { ini.writeInteger("Form", "Width", 1); }, 450},
        {"parent is a file, erasing", "plain/dirgauge.ini", parentIsAFile,
         [](IniFile& ini) { ini.eraseSection("Form"); }, 450},
        {"temporary name taken by a folder", "dirgauge.ini", tempIsAFolder,
         [](IniFile& ini) { ini.writeString("Env", "CurrentName", "a"); }, 1},
        {"a batch, temporary name taken by a folder", "dirgauge.ini", tempIsAFolder,
         [](IniFile& ini) {
             IniBatch batch;
             batch.eraseSection("Form");
             batch.writeInteger("Form", "Width", 2);
             ini.commit(batch);
         },
         1},
        // Its content cannot be read, so it is not replaced.
        {"settings name taken by a folder", "folder.ini", [](Path p) { fs::create_directory(p); },
         [](IniFile& ini) { ini.writeBool("Env", "Debug", true); }, 450},
        {"oversized file", "dirgauge.ini",
         [](Path p) {
             std::string big = "[Form]\nWidth=1\n";
             big.resize(IniFile::kMaxFileSize + 1, ';');
             writeBytes(p, big);
         },
         [](IniFile& ini) { ini.writeInteger("Form", "Width", 2); }, 450},
        {"read-only file", "dirgauge.ini",
         [&](Path p) {
             widthOne(p);
             ::chmod(p.c_str(), 0444);
         },
         [](IniFile& ini) { ini.writeInteger("Form", "Width", 2); }, 1},
    };
    const auto state = [](Path p) {
        return fs::is_directory(p) ? std::string("<folder>") : fs::exists(p) ? readBytes(p) : std::string("<none>");
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (std::string(c.name) == "read-only file" && ::geteuid() == 0)
            continue; // permission bits do not stop root
        TempDir dir;
        const fs::path path = dir / c.file;
        c.prepare(path);
        const std::string before = state(path);
        IniFile ini(path);
        EXPECT_EQ(refusal([&] { c.write(ini); }), refusedText(path));
        EXPECT_EQ(state(path), before);
        EXPECT_EQ(ini.readInteger("Form", "Width", 450), c.width);
    }
}

} // namespace
} // namespace dg
