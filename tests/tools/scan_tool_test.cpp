// Drives the real dirgauge-scan binary on trees built here: sizes against du, the unreadable
// folder as an unprivileged user, names that need care, bad command lines and outputs, and
// byte-for-byte repeatability.
#include "tests/support/temp_dir.h"
#include "tests/tools/plain_fields.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace dg {
namespace {

namespace fs = std::filesystem;
using test::plainFields;

struct ToolRun {
    int status = -1;
    std::string out;
    std::string err;
};

std::string quoted(const std::string& s)
{
    std::string q = "'";
    for (const char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::vector<std::string> linesOf(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

class ScanTool : public ::testing::Test {
protected:
    test::TempDir dir;
    fs::path tree = dir.path() / "tree";

    // Runs a shell command line, capturing standard output and error.
    ToolRun shell(const std::string& command)
    {
        const std::string out = (dir.path() / "stdout").string();
        const std::string err = (dir.path() / "stderr").string();
        const int raw = std::system((command + " >" + out + " 2>" + err + " </dev/null").c_str());
        ToolRun r;
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        r.out = test::readBytes(out);
        r.err = test::readBytes(err);
        return r;
    }
    ToolRun scan(const std::string& args, const std::string& prefix = "")
    {
        return shell(prefix + DG_SCAN_TOOL + " " + args);
    }

    // Folders and files that make sizes interesting (6 files once the hard links are counted once):
    // hard links (inside and across folders),
    // symbolic links to a file and to a folder, a sparse file, an empty folder, a deep chain.
    void buildTree()
    {
        fs::create_directories(tree / "docs" / "deep" / "er" / "est");
        fs::create_directories(tree / "empty");
        fs::create_directories(tree / "links");
        test::writeBytes(tree / "docs" / "a.txt", std::string(5000, 'a'));
        test::writeBytes(tree / "docs" / "deep" / "b.bin", std::string(70000, 'b'));
        test::writeBytes(tree / "docs" / "deep" / "er" / "est" / "c", "c");
        fs::create_hard_link(tree / "docs" / "a.txt", tree / "links" / "a-again.txt");
        fs::create_hard_link(tree / "docs" / "a.txt", tree / "docs" / "a-twice.txt");
        fs::create_symlink("../docs/deep/b.bin", tree / "links" / "to-file");
        fs::create_symlink("../docs", tree / "links" / "to-folder");
        {
            std::ofstream sparse(tree / "sparse.img", std::ios::binary);
            sparse.seekp(10 << 20);
            sparse.put('x');
        }
    }

    std::uint64_t du(const fs::path& path, const std::string& options, const std::string& prefix = "")
    {
        const ToolRun r = shell(prefix + "du -s -B1 " + options + " " + quoted(path.string()));
        return std::stoull(r.out);
    }
};

TEST_F(ScanTool, SizesEqualDuForBothMeasures)
{
    buildTree();
    fs::create_directories(dir.path() / "second" / "x");
    test::writeBytes(dir.path() / "second" / "x" / "f", std::string(12345, 'f'));
    for (const auto& [scanOption, duOption] :
         {std::pair{"", "--apparent-size"}, std::pair{"--disk-usage", ""},
          std::pair{"--exclude '*.bin' --exclude links", "--apparent-size --exclude='*.bin' --exclude=links"}}) {
        for (const char* threads : {"1", "3"}) {
            const ToolRun r = scan(std::string(scanOption) + " --threads " + threads + " " + quoted(tree.string()) + " "
                               + quoted((dir.path() / "second").string()));
            ASSERT_EQ(r.status, 0) << r.err;
            const auto lines = linesOf(r.out);
            ASSERT_GE(lines.size(), 6U);
            // Each volume line is followed by its root line.
            std::vector<std::uint64_t> roots;
            for (std::size_t k = 1; k + 1 < lines.size(); ++k) {
                const auto f = plainFields(lines[k]);
                if (f.size() == 3 && f[0].back() == ':')
                    roots.push_back(std::stoull(plainFields(lines[k + 1])[1]));
            }
            ASSERT_EQ(roots.size(), 2U) << r.out;
            EXPECT_EQ(roots[0], du(tree, duOption)) << scanOption << " threads " << threads;
            EXPECT_EQ(roots[1], du(dir.path() / "second", duOption)) << scanOption;
        }
    }
}

TEST_F(ScanTool, WritesFoldersDepthFirstInNameOrderWithTheirAttributes)
{
    buildTree();
    fs::create_directories(tree / ".hidden");
    fs::create_directories(tree / "B upper");
    fs::permissions(tree / "empty", fs::perms::owner_write, fs::perm_options::remove);
    const ToolRun r = scan("--form full " + quoted(tree.string()));
    ASSERT_EQ(r.status, 0) << r.err;
    const auto lines = linesOf(r.out);
    const std::string t = tree.string();
    const std::vector<std::pair<std::string, std::string>> expected = {
        {t, "16"},           {t + "/.hidden", "18"},       {t + "/B upper", "16"},
        {t + "/docs", "16"}, {t + "/docs/deep", "16"},     {t + "/docs/deep/er", "16"},
        {t + "/docs/deep/er/est", "16"}, {t + "/empty", "17"}, {t + "/links", "16"},
    };
    ASSERT_EQ(lines.size(), expected.size() + 3) << r.out;
    EXPECT_EQ(lines[0].substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_NE(lines[0].find(" CHECK START AT "), std::string::npos);
    EXPECT_EQ(plainFields(lines[1])[0], t + ":");
    for (std::size_t k = 0; k < expected.size(); ++k) {
        const auto f = plainFields(lines[k + 2]);
        ASSERT_EQ(f.size(), 5U) << lines[k + 2];
        EXPECT_EQ(f[0], expected[k].first);
        EXPECT_EQ(f[4], expected[k].second) << f[0];
        EXPECT_EQ(f[3].size(), 19U) << f[0];
    }
    EXPECT_EQ(lines.back().substr(0, 13), "CHECK END AT ");
    EXPECT_NE(lines.back().find(", 9 folders, 6 files"), std::string::npos) << lines.back();
}

TEST_F(ScanTool, UnreadableFolderIsListedWithAWarningAndStatusOne)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to run the scanner as the user nobody";
    if (shell("command -v setpriv").status != 0)
        GTEST_SKIP() << "setpriv is not installed: no way to run the scanner unprivileged";
    buildTree();
    fs::create_directories(tree / "locked" / "inside");
    test::writeBytes(tree / "locked" / "inside" / "f", std::string(3000, 'x'));
    fs::permissions(tree / "locked", fs::perms::none);
    fs::permissions(dir.path(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec
                                    | fs::perms::others_read | fs::perms::others_exec);
    const std::string nobody = "setpriv --reuid=65534 --regid=65534 --clear-groups ";
    const ToolRun r = scan(quoted(tree.string()), nobody);
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find(tree.string() + "/locked"), std::string::npos) << r.err;
    const auto lines = linesOf(r.out);
    bool listed = false;
    for (const auto& line : lines)
        listed = listed || plainFields(line)[0] == tree.string() + "/locked";
    EXPECT_TRUE(listed) << r.out;
    EXPECT_EQ(std::stoull(plainFields(lines[2])[1]), du(tree, "--apparent-size", nobody));
}

TEST_F(ScanTool, NamesWithControlCharactersOrInvalidUtf8)
{
    fs::create_directories(tree / "line\nbreak");
    fs::create_directories(tree / "bad\xFF\xFEname");
    const ToolRun r = scan(quoted(tree.string()));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find(tree.string() + "/bad\xFF\xFEname,"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(tree.string() + "/line\xE2\x90\x8A" "break,"), std::string::npos) << r.out;
    EXPECT_EQ(linesOf(r.out).size(), 6U);
    EXPECT_NE(r.err.find("control characters"), std::string::npos) << r.err;
}

TEST_F(ScanTool, ShiftJisWritesWhatCodePage932HoldsAndRefusesTheRest)
{
    fs::create_directories(tree / "\xE6\x97\xA5\xE6\x9C\xAC");
    const fs::path out = dir.path() / "report.txt";
    ToolRun r = scan("--encoding shift-jis -o " + quoted(out.string()) + " " + quoted(tree.string()));
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string sjis = test::readBytes(out);
    EXPECT_NE(sjis.find("/\x93\xFA\x96\x7B,"), std::string::npos);
    EXPECT_NE(sjis.find("\r\n"), std::string::npos);

    fs::create_directories(tree / "smile\xF0\x9F\x98\x80");
    fs::remove(out);
    r = scan("--encoding shift-jis -o " + quoted(out.string()) + " " + quoted(tree.string()));
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find(tree.string() + "/smile\xF0\x9F\x98\x80"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(out));
    r = scan("--encoding shift-jis --replace-unmappable " + quoted(tree.string()));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("/smile?,"), std::string::npos);
}

TEST_F(ScanTool, BadCommandLinesAndOutputsLeaveNoReport)
{
    buildTree();
    const std::string t = quoted(tree.string());
    const fs::path missingDir = dir.path() / "no-such-folder" / "r.txt";
    struct Case {
        std::string args;
        std::string message;
    };
    const Case cases[] = {
        {"", "no folder given"},
        {"--form short " + t, "unknown form"},
        {"--encoding latin1 " + t, "unknown encoding"},
        {"--threads 0 " + t, "--threads"},
        {"--threads x " + t, "--threads"},
        {"--bogus " + t, "unknown option --bogus"},
        {"-o", "-o needs a value"},
        {"--replace-unmappable " + t, "needs --encoding shift-jis"},
        {quoted((dir.path() / "absent").string()), "No such file"},
        {quoted((tree / "docs" / "a.txt").string()), "not a folder"},
        {"-o " + quoted(missingDir.string()) + " " + t, "cannot write"},
        {"-o " + quoted(dir.path().string()) + " " + t, "cannot write"},
    };
    for (const Case& c : cases) {
        const ToolRun r = scan(c.args);
        EXPECT_EQ(r.status, 2) << c.args;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << c.args << ": " << r.err;
        EXPECT_TRUE(r.out.empty()) << c.args;
    }
    EXPECT_FALSE(fs::exists(missingDir.parent_path()));
    // The output folder holds only the tree and the captured streams: no temporary file.
    for (const auto& e : fs::directory_iterator(dir.path()))
        EXPECT_TRUE(e.path() == tree || e.path().filename().string().rfind("std", 0) == 0) << e.path();
}

TEST_F(ScanTool, RepeatedScansGiveTheSameBytesWhateverTheThreads)
{
    buildTree();
    // Hard links to one file from many folders: it must count in the first of them in report
    // order, whichever thread sees it first.
    for (int k = 0; k < 40; ++k) {
        const fs::path sub = tree / "many" / ("d" + std::to_string(k * 7919 % 40)) / "sub";
        fs::create_directories(sub);
        fs::create_hard_link(tree / "docs" / "deep" / "b.bin", sub / "b-link");
    }
    auto body = [](const std::string& out) {
        // Without the header and closing lines, which hold the times.
        const std::size_t first = out.find('\n') + 1;
        const std::size_t last = out.rfind('\n', out.size() - 2) + 1;
        return out.substr(first, last - first);
    };
    const fs::path file = dir.path() / "r.txt";
    test::writeBytes(file, "old report");
    const ToolRun one = scan("--threads 1 -o " + quoted(file.string()) + " " + quoted(tree.string()));
    ASSERT_EQ(one.status, 0) << one.err;
    const std::string written = test::readBytes(file);
    for (const char* form : {"full", "abbrev"}) {
        const ToolRun a = scan(std::string("--form ") + form + " --threads 1 " + quoted(tree.string()));
        const ToolRun b = scan(std::string("--form ") + form + " --threads 4 " + quoted(tree.string()));
        ASSERT_EQ(a.status, 0) << a.err;
        EXPECT_EQ(body(a.out), body(b.out)) << form;
        if (std::string(form) == "full") {
            EXPECT_EQ(body(a.out), body(written));
        }
    }
    EXPECT_EQ(scan("-o /dev/null " + quoted(tree.string())).status, 0);
    const ToolRun help = scan("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("SYNOPSIS"), std::string::npos);
    EXPECT_EQ(scan("--version").out, std::string("dirgauge-scan ") + DG_VERSION + "\n");
    // A page that cannot be written (a full disk) is no success.
    for (const char* page : {"--help", "--version"}) {
        const ToolRun full = shell(std::string("( LC_ALL=C ") + DG_SCAN_TOOL + " " + page + " >/dev/full )");
        EXPECT_EQ(full.status, 2) << page;
        EXPECT_EQ(full.err, "dirgauge-scan: cannot write standard output: No space left on device\n") << page;
    }
}

TEST_F(ScanTool, ALinkedFileCountsInTheFirstOfItsFoldersInReportOrder)
{
    // Each file linked from two places; the row says where it must not count: deeper but earlier
    // (a/deep/x before b), a folder before its subfolder (c before c/sub), byte order of names
    // (m/B before m/a), and the roots in the order given (second before tree).
    const fs::path second = dir.path() / "second";
    auto file = [](const fs::path& path, std::size_t bytes) {
        fs::create_directories(path.parent_path());
        test::writeBytes(path, std::string(bytes, 'x'));
    };
    auto link = [](const fs::path& from, const fs::path& to) {
        fs::create_directories(to.parent_path());
        fs::create_hard_link(from, to);
    };
    file(tree / "b" / "one", 1000);
    link(tree / "b" / "one", tree / "a" / "deep" / "x" / "one");
    file(tree / "c" / "sub" / "two", 300);
    link(tree / "c" / "sub" / "two", tree / "c" / "two");
    file(tree / "m" / "a" / "three", 50);
    link(tree / "m" / "a" / "three", tree / "m" / "B" / "three");
    file(tree / "b" / "four", 7);
    link(tree / "b" / "four", second / "four");
    const std::vector<std::pair<std::string, std::uint64_t>> notCounted = {
        {"a/deep/x", 0}, {"b", 1007}, {"c", 0}, {"c/sub", 300}, {"m/B", 0}, {"m/a", 50}};
    for (const char* threads : {"1", "4"}) {
        const ToolRun r = scan(std::string("--threads ") + threads + " " + quoted(second.string()) + " " + quoted(tree.string()));
        ASSERT_EQ(r.status, 0) << r.err;
        std::map<std::string, std::uint64_t> sizes;
        for (const std::string& line : linesOf(r.out))
            if (const auto f = plainFields(line); f.size() == 5)
                sizes[f[0]] = std::stoull(f[1]);
        EXPECT_EQ(sizes[second.string()], du(second, "--apparent-size")) << threads;
        for (const auto& [folder, bytes] : notCounted)
            EXPECT_EQ(sizes[(tree / folder).string()], du(tree / folder, "--apparent-size") - bytes) << folder << " threads " << threads;
    }
}

// Expands an abbreviated report the way a reader does (marks, repeated dates, empty attributes)
// and gives the data lines as field lists.
std::vector<std::vector<std::string>> expandAbbreviated(const std::vector<std::string>& lines)
{
    std::vector<std::vector<std::string>> out;
    std::vector<std::string> depth;
    std::string created;
    std::string updated;
    for (std::size_t n = 1; n + 1 < lines.size(); ++n) {
        auto f = plainFields(lines[n]);
        if (f.size() == 3 && f[0].front() == '/' && f[0].back() == ':') {
            depth = {f[0].substr(0, f[0].size() - 1)};
            out.push_back(f);
            continue;
        }
        std::string path;
        std::size_t k = 0;
        for (; k < f[0].size() && f[0][k] == '>'; ++k)
            path += k == 0 && depth[0] == "/" ? std::string("/") : depth.at(k) + "/";
        if (k < f[0].size()) {
            depth.resize(k + 1);
            depth[k] = f[0].substr(k);
            path += depth[k];
        } else if (path.size() > 1) {
            path.pop_back(); // a root line of marks only is the volume path itself
        }
        f[0] = path;
        created = f[2].empty() ? created : f[2];
        updated = f[3].empty() ? updated : f[3];
        f[2] = created;
        f[3] = updated;
        if (f[4].empty())
            f[4] = "16";
        out.push_back(f);
    }
    return out;
}

TEST_F(ScanTool, AbbreviatedFormExpandsToTheFullForm)
{
    buildTree();
    fs::create_directories(tree / "docs" / "with, comma" / "x");
    fs::create_directories(tree / "links" / "deep" / "q");
    fs::create_directories(tree / "docs" / "a \"quoted\" name" / "y" / "z");
    const std::string path = tree.string();
    const ToolRun full = scan("--threads 2 " + quoted(path));
    const ToolRun abbrev = scan("--threads 2 --form abbrev " + quoted(path));
    ASSERT_EQ(full.status, 0) << full.err;
    ASSERT_EQ(abbrev.status, 0) << abbrev.err;
    const auto fullLines = linesOf(full.out);
    const auto expanded = expandAbbreviated(linesOf(abbrev.out));
    ASSERT_EQ(expanded.size() + 2, fullLines.size());
    for (std::size_t k = 0; k < expanded.size(); ++k) {
        auto want = plainFields(fullLines[k + 1]);
        if (want.size() == 5 && want[2].empty())
            want[2] = "-"; // an unknown creation date
        ASSERT_EQ(expanded[k], want) << fullLines[k + 1];
    }
}

TEST_F(ScanTool, InterruptedScanLeavesNoTemporaryFile)
{
    // A scan of a large system folder, interrupted early; whether the signal comes before or
    // after the end, no temporary file may remain.
    const fs::path out = dir.path() / "usr.txt";
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::execl(DG_SCAN_TOOL, DG_SCAN_TOOL, "--threads", "1", "-o", out.c_str(), "/usr", static_cast<char*>(nullptr));
        std::_Exit(127);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ::kill(pid, SIGINT);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (WIFSIGNALED(status)) {
        EXPECT_EQ(WTERMSIG(status), SIGINT);
        EXPECT_FALSE(fs::exists(out));
    }
    for (const auto& e : fs::directory_iterator(dir.path()))
        EXPECT_EQ(e.path(), out) << "left behind: " << e.path();
}

} // namespace
} // namespace dg
