// One folder scanned into one report file, as the viewer runs it: what the file holds, that a
// cancelled or failed scan leaves nothing behind (not even the temporary file), and the progress
// read from another thread while the scan runs.
#include "scan/snapshot.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace dg::scan {
namespace {

namespace fs = std::filesystem;
using Result = SnapshotOutcome::Result;
using test::entries;

ScanOptions twoThreads()
{
    ScanOptions o;
    o.threads = 2;
    return o;
}

std::vector<std::string> linesOf(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1)
        lines.push_back(text.substr(start, nl - start));
    if (start < text.size())
        lines.push_back(text.substr(start));
    return lines;
}

class SnapshotTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directories(tree / "b" / "deep");
        fs::create_directories(tree / "a");
        fs::create_directories(out);
        test::writeBytes(tree / "a" / "f", std::string(100, 'x'));
        test::writeBytes(tree / "b" / "deep" / "g", std::string(1000, 'y'));
        test::writeBytes(tree / "top", std::string(10, 'z'));
    }

    test::TempDir dir;
    fs::path tree = dir / "tree";
    fs::path out = dir / "out";
};

TEST_F(SnapshotTest, WritesTheWholeReportUnderTheRealNameOnly)
{
    const std::string report = (out / "r.txt").string();
    // Through a path with "." and a trailing "/": the volume is the folder's real path.
    SnapshotScan scan((tree / "." ).string() + "/", report, twoThreads());
    const SnapshotOutcome outcome = scan.run();
    ASSERT_EQ(outcome.result, Result::Written) << outcome.message;
    EXPECT_EQ(outcome.folders, 4u);
    EXPECT_EQ(outcome.files, 3u);
    EXPECT_EQ(outcome.warningCount, 0u);
    EXPECT_EQ(entries(out), std::vector<std::string>{"r.txt"});

    const std::string text = test::readBytes(report);
    ASSERT_EQ(text.substr(0, 3), "\xEF\xBB\xBF");
    const std::vector<std::string> lines = linesOf(text.substr(3));
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[0].substr(0, hostName().size() + 1), hostName() + " ");
    EXPECT_NE(lines[0].find(" CHECK START AT "), std::string::npos);
    const std::string root = fs::canonical(tree).string();
    EXPECT_EQ(lines[1].substr(0, root.size() + 2), root + ":,");
    EXPECT_EQ(lines[1].back(), '%');
    // Depth first, each folder before its subfolders; sizes are the subtree totals.
    const std::vector<std::string> paths = {root, root + "/a", root + "/b", root + "/b/deep"};
    for (std::size_t k = 0; k < paths.size(); ++k)
        EXPECT_EQ(lines[2 + k].substr(0, paths[k].size() + 1), paths[k] + ",") << lines[2 + k];
    EXPECT_EQ(lines[6].substr(0, 13), "CHECK END AT ");
    EXPECT_NE(lines[6].find(", 4 folders, 3 files"), std::string::npos);
}

TEST_F(SnapshotTest, ACancelledOrFailedScanLeavesNoFile)
{
    {
        SCOPED_TRACE("cancelled before it ran");
        SnapshotScan scan(tree.string(), (out / "r.txt").string(), twoThreads());
        scan.cancel();
        const SnapshotOutcome outcome = scan.run();
        EXPECT_EQ(outcome.result, Result::Cancelled);
        EXPECT_TRUE(entries(out).empty());
    }
    struct Case {
        const char* what;
        fs::path folder;
        fs::path output;
        std::string inMessage;
    };
    const Case cases[] = {
        {"no such folder", dir / "missing", out / "r.txt", (dir / "missing").string()},
        {"a file, not a folder", tree / "top", out / "r.txt", "not a folder"},
        {"an output folder that does not exist", tree, out / "no" / "r.txt", (out / "no" / "r.txt").string()},
        {"an output that is a folder", tree, out, out.string()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SnapshotScan scan(c.folder.string(), c.output.string(), twoThreads());
        const SnapshotOutcome outcome = scan.run();
        EXPECT_EQ(outcome.result, Result::Failed);
        EXPECT_NE(outcome.message.find(c.inMessage), std::string::npos) << outcome.message;
        EXPECT_TRUE(entries(out).empty());
    }
}

TEST_F(SnapshotTest, CancelFromAnotherThreadStopsTheWalkAndRemovesTheTemporaryFile)
{
    // A tree wide enough that the walk is still running when the cancel comes.
    for (int k = 0; k < 100; ++k)
        fs::create_directories(tree / "wide" / std::to_string(k) / "x");
    SnapshotScan scan(tree.string(), (out / "r.txt").string(), twoThreads());
    std::atomic<bool> sawTemporary{false};
    std::thread canceller([&] {
        // Watches the progress (never a torn path) until the temporary file is there.
        while (!sawTemporary) {
            const SnapshotProgress p = scan.progress();
            if (!p.currentFolder.empty()) {
                EXPECT_EQ(p.currentFolder.rfind(fs::canonical(tree).string(), 0), 0u) << p.currentFolder;
            }
            sawTemporary = !entries(out).empty();
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        scan.cancel();
    });
    const SnapshotOutcome outcome = scan.run();
    canceller.join();
    // The walk may have ended before the cancel; the file must not be there either way unless it
    // was written in full.
    if (outcome.result == Result::Written) {
        EXPECT_EQ(entries(out), std::vector<std::string>{"r.txt"});
    } else {
        EXPECT_EQ(outcome.result, Result::Cancelled);
        EXPECT_TRUE(entries(out).empty());
    }
    EXPECT_TRUE(scan.progress().currentFolder.empty());
}

} // namespace
} // namespace dg::scan
