// Drives the real dirgauge-report binary: formats, exit codes, messages and the debug log.
#include "bench/report_gen.h"
#include "core/encoding.h"
#include "../core/test_support.h"
#include "dg_version.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <locale.h>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace dg {
namespace {

struct ToolRun {
    int status = -1;
    std::string out;
    std::string err;
};

std::string slurp(const std::string& path)
{
    return test::readBytes(path);
}

std::string quoted(const std::string& s)
{
    std::string q = "'";
    for (const char c : s) {
        if (c == '\'')
            q += "'\\''";
        else
            q.push_back(c);
    }
    return q + "'";
}

class ReportTool : public ::testing::Test {
protected:
    test::TempDir dir;

    // seconds > 0: the run is ended after that long (status 124). The run has the C locale (the
    // system's reasons in English) unless env sets others; prefix comes before the tool in the
    // shell command (limits, traps), input replaces the empty standard input.
    ToolRun run(const std::string& args, int seconds = 0, const std::string& env = {}, const std::string& prefix = {},
                const std::string& input = "/dev/null")
    {
        const std::string out = (dir.path() / "out").string();
        const std::string err = (dir.path() / "err").string();
        const std::string limit = seconds > 0 ? "timeout " + std::to_string(seconds) + " " : std::string();
        const std::string cmd = prefix + "env -u LANGUAGE -u NO_COLOR LC_ALL=C " + env + " " + limit +
                                std::string(DG_REPORT_TOOL) + " " + args + " >" + out + " 2>" + err + " <" + input;
        const int raw = std::system(cmd.c_str());
        ToolRun r;
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        r.out = slurp(out);
        r.err = slurp(err);
        return r;
    }

    // What the tool prints on standard error for text.
    static std::string said(const std::string& text) { return "dirgauge-report: " + text + "\n"; }

    static std::string sample(const char* name) { return quoted(std::string(DG_SOURCE_DIR) + "/samples/" + name); }
};

TEST_F(ReportTool, TsvListsEveryNodeInTreeOrder)
{
    const ToolRun r = run("--format tsv " + sample("full.txt"));
    ASSERT_EQ(r.status, 0) << r.err;
    std::istringstream lines(r.out);
    std::string line;
    std::size_t index = 0;
    while (std::getline(lines, line)) {
        // index, level, line, class, label
        std::istringstream fields(line);
        std::string f[5];
        for (int k = 0; k < 4; ++k)
            std::getline(fields, f[k], '\t');
        std::getline(fields, f[4]);
        EXPECT_EQ(f[0], std::to_string(index)) << line;
        EXPECT_EQ(f[3], "0") << line;
        if (index == 0) {
            EXPECT_EQ(f[1], "0");
            EXPECT_EQ(f[2], "0");
        } else {
            EXPECT_EQ(f[4].front(), '(') << line;
        }
        ++index;
    }
    EXPECT_GT(index, 10u);
    EXPECT_NE(r.out.find("\t(  "), std::string::npos) << "labels keep their leading blanks";
}

TEST_F(ReportTool, ReportFormatTurnsTheAbbreviatedFormIntoTheFullOne)
{
    const ToolRun abbrev = run("--format report " + sample("abbrev.txt"));
    const ToolRun full = run("--format report " + sample("full.txt"));
    ASSERT_EQ(abbrev.status, 0) << abbrev.err;
    ASSERT_EQ(full.status, 0) << full.err;
    EXPECT_EQ(abbrev.out, full.out);
    EXPECT_NE(abbrev.out.find("\r\n"), std::string::npos);
    EXPECT_EQ(abbrev.out.find(",?,"), std::string::npos) << "root sizes are filled in";
}

TEST_F(ReportTool, TreeAndJsonCarryTheSameNodes)
{
    const ToolRun tree = run(sample("newer.txt"));
    const ToolRun json = run("--format json " + sample("newer.txt"));
    const ToolRun tsv = run("--format tsv " + sample("newer.txt"));
    ASSERT_EQ(tree.status, 0);
    ASSERT_EQ(json.status, 0);
    const auto count = [](const std::string& s, const std::string& what) {
        std::size_t n = 0;
        for (std::size_t p = s.find(what); p != std::string::npos; p = s.find(what, p + 1))
            ++n;
        return n;
    };
    EXPECT_EQ(count(tree.out, "\n"), count(tsv.out, "\n"));
    EXPECT_EQ(count(json.out, "\"index\": "), count(tsv.out, "\n"));
    EXPECT_NE(json.out.find("\"status\": \"コンピュータ　：　"), std::string::npos);
    EXPECT_NE(json.out.find("\"parent\": null"), std::string::npos);
    EXPECT_EQ(tree.out.find("\x1b["), std::string::npos) << "no colours when not a terminal";
}

// In both languages: the viewer's texts are Japanese as written or their English translation, the
// tool's own texts English as written or their Japanese translation.
TEST_F(ReportTool, ErrorsPrintTheViewersMessageAndExitWithTwo)
{
    const std::string missing = (dir.path() / "missing.txt").string();
    const std::string twoLines = dir.file("two.txt", "PC CHECK START AT 1\r\nC:,1\r\n");
    const std::string idx = dir.file("idx.txt", "PC CHECK START AT 1\r\nC:,1,1%\r\n>,1,a,b,\r\n>>>x,1,,,\r\nend\r\n");
    const std::string size = dir.file("size.txt", "PC CHECK START AT 1\r\nC:,1,1%\r\nC:\\,1,a,b,16\r\nC:\\x,1x,a,b,16\r\nend\r\n");
    const std::string unchanged = dir.file("copy.txt", slurp(std::string(DG_SOURCE_DIR) + "/samples/newer.txt"));
    struct Case {
        std::string args;
        int status;
        std::string japanese;
        std::string english;
    };
    const Case cases[] = {
        {quoted(missing), 2, "ファイル \"" + missing + "\". No such file or directory は開けません",
         "File \"" + missing + "\" cannot be opened. No such file or directory"},
        {quoted(twoLines), 2, twoLines + " - ファイルの内容を認識できません。",
         twoLines + " - The contents of the file are not recognised."},
        {quoted(idx), 2, "リストのインデックスが範囲を超えています (1)", "List index out of bounds (1)"},
        {quoted(size), 2, "3行目のサイズがエラーです。終了します。\rC:\\x,1x,a,b,16",
         "The size on line 3 is not valid. The program ends.\rC:\\x,1x,a,b,16"},
        {"--base " + sample("newer.txt") + " " + sample("newer.txt"), 2, "同じファイルは比較できません。",
         "A file cannot be compared with itself."},
        {"--format tsv --changed --base " + quoted(unchanged) + " " + sample("newer.txt"), 0,
         "異なるサイズのフォルダはありません。", "No folder differs in size."},
        {"--format nope " + sample("full.txt"), 1, "不明な形式 nope", "unknown format nope"},
        {"--limits 1,2 " + sample("full.txt"), 1, "--limits には四つの整数を指定します: U1,U2,D1,D2",
         "--limits needs four whole numbers: U1,U2,D1,D2"},
    };
    for (const Case& c : cases) {
        for (const auto& [language, text] : {std::pair{"ja", c.japanese}, std::pair{"en", c.english}}) {
            SCOPED_TRACE(c.args + " in " + language);
            const ToolRun r = run(c.args, 0, std::string("DIRGAUGE_LANG=") + language);
            EXPECT_EQ(r.status, c.status);
            if (c.status == 1) {
                EXPECT_TRUE(r.err.starts_with(said(text) + "usage: dirgauge-report")) << r.err;
            } else {
                EXPECT_EQ(r.err, said(text));
            }
            if (c.status == 2) {
                EXPECT_TRUE(r.out.empty());
            }
        }
    }
    // Without a DIRGAUGE_LANG of ja or en the locale decides; C is English.
    EXPECT_EQ(run(quoted(idx), 0, "DIRGAUGE_LANG=").err, said("List index out of bounds (1)"));
    EXPECT_EQ(run(quoted(idx), 0, "DIRGAUGE_LANG= LANGUAGE=ja_JP").err, said("リストのインデックスが範囲を超えています (1)"));
}

TEST_F(ReportTool, PipesAndDevicesAreRefusedAsShownAndAsBaseFile)
{
    // A pipe without a writer used to block the tool and /dev/zero to fill the memory: each run is
    // ended by `timeout` (status 124) should it hang again.
    const std::string fifo = (dir.path() / "fifo").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path : {fifo, std::string("/dev/zero")}) {
        SCOPED_TRACE(path);
        const std::string refused = said("ファイル \"" + path + "\". not a regular file は開けません");
        ToolRun r = run(quoted(path), 20);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err, refused);
        EXPECT_TRUE(r.out.empty());
        r = run("--base " + quoted(path) + " " + sample("newer.txt"), 20);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err, refused);
        EXPECT_TRUE(r.out.empty());
    }
}

TEST_F(ReportTool, UsageErrorsExitWithOne)
{
    for (const std::string args : {"", "--format xml a.txt", "--bogus a.txt", "a.txt b.txt", "--log"}) {
        const ToolRun r = run(args);
        EXPECT_EQ(r.status, 1) << args;
        EXPECT_NE(r.err.find("usage: dirgauge-report"), std::string::npos) << args;
    }
    const ToolRun help = run("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("EXIT STATUS"), std::string::npos);
}

TEST_F(ReportTool, LogHoldsTheViewersDebugLines)
{
    const std::string log = (dir.path() / "dbg.log").string();
    const ToolRun r = run("--format tsv --log " + quoted(log) + " " + sample("full.txt"));
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string text = encoding::sjisToUtf8(slurp(log));
    std::istringstream in(text);
    std::vector<std::string> lines;
    for (std::string l; std::getline(in, l);) {
        ASSERT_FALSE(l.empty());
        EXPECT_EQ(l.back(), '\r');
        lines.push_back(l.substr(19, l.size() - 20)); // drop "mm/dd hh:mm:ss.zzz " and CR
    }
    ASSERT_GE(lines.size(), 6u);
    EXPECT_EQ(lines.front(), "***** デバッグ出力の開始 *****");
    EXPECT_EQ(lines[1], "Start LoadFile, " + std::string(DG_SOURCE_DIR) + "/samples/full.txt");
    EXPECT_EQ(lines[2], "Start CreateTree");
    EXPECT_EQ(lines[3], "Folder C:\\ Size set to DriveSize 255953203200");
    EXPECT_EQ(lines[4].rfind("End   CreateTree, ", 0), 0u);
    EXPECT_EQ(lines[5].rfind("End   LoadFile, ", 0), 0u);
    EXPECT_EQ(lines.back(), "***** デバッグ出力の終了 *****");
}

TEST_F(ReportTool, BaseComparisonClassesTheBundledPair)
{
    const ToolRun r = run("--format tsv --base " + sample("older.txt") + " " + sample("newer.txt"));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.err.empty()) << r.err;
    std::size_t perClass[256] = {};
    std::istringstream lines(r.out);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        std::string f;
        for (int k = 0; k < 4; ++k)
            std::getline(fields, f, '\t');
        ++perClass[std::stoi(f)];
    }
    EXPECT_EQ(perClass[0], 1u) << "only the top node stays unclassified";
    for (int c = 1; c <= 5; ++c)
        EXPECT_GT(perClass[c], 0u) << "class " << c;
    EXPECT_GT(perClass[255], 0u);

    // The other direction finds the folder that exists only in the older report.
    const ToolRun back = run("--format tsv --changed --base " + sample("newer.txt") + " " + sample("older.txt"));
    ASSERT_EQ(back.status, 0) << back.err;
    EXPECT_NE(back.out.find("\t1\t("), std::string::npos);

    // --changed keeps classes 1-5 only; the tree format marks them.
    const ToolRun changed = run("--changed --base " + sample("older.txt") + " " + sample("newer.txt"));
    ASSERT_EQ(changed.status, 0);
    std::istringstream tl(changed.out);
    for (std::string line; std::getline(tl, line);)
        EXPECT_NE(line.find("  ["), std::string::npos) << line;
}

TEST_F(ReportTool, BaseComparisonReportsItsOwnFailuresAndTheQuietCase)
{
    ToolRun r = run("--base " + sample("newer.txt") + " " + sample("newer.txt"));
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, said("同じファイルは比較できません。"));

    const std::string bad = dir.file("bad.txt", "no header\r\nC:,1\r\nx\r\n");
    r = run("--base " + quoted(bad) + " " + sample("newer.txt"));
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, said(bad + " - ファイルの内容を認識できません。"));

    // Limits nothing reaches: only added folders remain; an identical copy changes nothing at all.
    r = run("--format tsv --changed --limits 1000,1000,1000,1000 --base " + sample("older.txt") + " " +
            sample("newer.txt"));
    EXPECT_EQ(r.status, 0);
    std::istringstream lines(r.out);
    for (std::string line; std::getline(lines, line);)
        EXPECT_NE(line.find("\t1\t("), std::string::npos) << line;

    const std::string copy = dir.file("copy.txt", slurp(std::string(DG_SOURCE_DIR) + "/samples/newer.txt"));
    r = run("--format tsv --changed --base " + quoted(copy) + " " + sample("newer.txt"));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, said("異なるサイズのフォルダはありません。"));
    EXPECT_TRUE(r.out.empty());

    for (const std::string args : {"--limits 1,2,3 --base a b", "--limits 1,2,3,x --base a b", "--changed b"}) {
        r = run(args);
        EXPECT_EQ(r.status, 1) << args;
    }
}

} // namespace
} // namespace dg

namespace dg {
namespace {

TEST_F(ReportTool, VersionStandardInputAndColour)
{
    ToolRun r = run("--version");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "dirgauge-report " DG_VERSION "\n");

    // "-" reads the report, or the base report, from standard input: the same output as the file.
    const std::string older = std::string(DG_SOURCE_DIR) + "/samples/older.txt";
    const std::string newer = std::string(DG_SOURCE_DIR) + "/samples/newer.txt";
    const ToolRun fromFiles = run("--format json --base " + quoted(older) + " " + quoted(newer));
    ASSERT_EQ(fromFiles.status, 0) << fromFiles.err;
    r = run("--format json --base - " + quoted(newer), 0, {}, {}, quoted(older));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, fromFiles.out);
    r = run("--format tsv --base " + quoted(older) + " -", 0, {}, {}, quoted(newer));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, run("--format tsv --base " + quoted(older) + " " + quoted(newer)).out);
    EXPECT_EQ(run("--base - -").status, 1);
    // A shown report that fails does not wait for the base on standard input to end (the
    // input's writer here stays for 3 s, the tool is given 2).
    const std::string missing = quoted((dir.path() / "missing.txt").string());
    const int raw = std::system(("(sleep 3; echo) | env LC_ALL=C timeout 2 " + std::string(DG_REPORT_TOOL) + " --base - " +
                                 missing + " >/dev/null 2>/dev/null").c_str());
    EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, 2);
    r = run("-", 0, {}, {}, quoted(dir.file("short.txt", "x\r\n")));
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, said("- - ファイルの内容を認識できません。"));

    // Colours of the changed folders: asked for, refused, and by default only on a terminal
    // without NO_COLOR.
    const std::string compare = "--changed --base " + quoted(older) + " " + quoted(newer);
    const auto coloured = [](const ToolRun& t) { return t.out.find("\x1b[") != std::string::npos; };
    EXPECT_TRUE(coloured(run("--color always " + compare, 0, "NO_COLOR=1")));
    EXPECT_TRUE(coloured(run("--color=always " + compare)));
    EXPECT_FALSE(coloured(run("--color never " + compare)));
    EXPECT_FALSE(coloured(run(compare))); // not a terminal
    EXPECT_EQ(run("--color sometimes " + compare).status, 1);
    if (std::system("command -v script >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "script(1) is not installed: the terminal cases of --color auto are not checked";
    const auto onTerminal = [&](const std::string& env) {
        // script gives the tool a terminal as its standard output and copies what it wrote.
        const std::string typescript = (dir.path() / "typescript").string();
        const std::string cmd = "env -u NO_COLOR " + env + " TERM=xterm script -qec " +
                                quoted(std::string(DG_REPORT_TOOL) + " " + compare) + " " + quoted(typescript) +
                                " >/dev/null 2>&1 </dev/null";
        EXPECT_EQ(std::system(cmd.c_str()), 0);
        return slurp(typescript).find("\x1b[3") != std::string::npos;
    };
    EXPECT_TRUE(onTerminal(""));
    EXPECT_FALSE(onTerminal("NO_COLOR=1"));
    EXPECT_TRUE(onTerminal("NO_COLOR="));
}

TEST_F(ReportTool, AnOutputThatCannotBeWrittenIsReported)
{
    // A full disk.
    const std::string tool = DG_REPORT_TOOL;
    const std::string err = (dir.path() / "err").string();
    int raw = std::system(("env LC_ALL=C DIRGAUGE_LANG=en " + tool + " --format tsv " + sample("full.txt") + " >/dev/full 2>" + err).c_str());
    EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, 2);
    EXPECT_EQ(slurp(err), said("cannot write the output: No space left on device"));
    raw = std::system(("env LC_ALL=C DIRGAUGE_LANG=ja " + tool + " --format tsv " + sample("full.txt") + " >/dev/full 2>" + err).c_str());
    EXPECT_EQ(slurp(err), said("出力を書き込めません: No space left on device"));
    // The pages asked for as well: one that was not written is no success.
    for (const char* page : {"--help", "--version"}) {
        raw = std::system(("env LC_ALL=C DIRGAUGE_LANG=en " + tool + " " + page + " >/dev/full 2>" + err).c_str());
        EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, 2) << page;
        EXPECT_EQ(slurp(err), said("cannot write the output: No space left on device")) << page;
    }

    // A pipe whose reader has gone, with SIGPIPE ignored (as a parent may leave it).
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    ::close(fds[0]);
    const auto previous = std::signal(SIGPIPE, SIG_IGN);
    raw = std::system(("env LC_ALL=C DIRGAUGE_LANG=en " + tool + " " + sample("full.txt") + " >&" + std::to_string(fds[1]) + " 2>" + err).c_str());
    std::signal(SIGPIPE, previous);
    ::close(fds[1]);
    EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, 2);
    EXPECT_EQ(slurp(err), said("cannot write the output: Broken pipe"));
}

TEST_F(ReportTool, SystemReasonsFollowTheLocale)
{
    const std::string missing = (dir.path() / "missing.txt").string();
    EXPECT_EQ(run(quoted(missing)).err, said("ファイル \"" + missing + "\". No such file or directory は開けません"));
    const locale_t japanese = ::newlocale(LC_ALL_MASK, "ja_JP.UTF-8", static_cast<locale_t>(nullptr));
    if (japanese == static_cast<locale_t>(nullptr))
        GTEST_SKIP() << "the ja_JP.UTF-8 locale is not generated (scripts/setup-deps generates it as root): "
                        "the Japanese system texts are not checked";
    const std::string expected = ::strerror_l(ENOENT, japanese);
    ::freelocale(japanese);
    if (expected == "No such file or directory")
        GTEST_SKIP() << "the C library has no Japanese texts installed (Debian: libc-l10n)";
    EXPECT_EQ(expected, "そのようなファイルやディレクトリはありません");
    for (const std::string env : {"LC_ALL=ja_JP.UTF-8", "LC_ALL= LANG=ja_JP.UTF-8", "LC_ALL= LANG=C LC_MESSAGES=ja_JP.UTF-8 LC_CTYPE=ja_JP.UTF-8"}) {
        const ToolRun r = run(quoted(missing), 0, env);
        EXPECT_EQ(r.err, said("ファイル \"" + missing + "\". " + expected + " は開けません")) << env;
    }
    // Japanese texts in a character set without Japanese (ASCII: all "?") give way to English.
    EXPECT_EQ(run(quoted(missing), 0, "LC_ALL= LANG=C LC_MESSAGES=ja_JP.UTF-8").err,
              said("ファイル \"" + missing + "\". No such file or directory は開けません"));
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif

TEST_F(ReportTool, MemoryRunningOutNamesTheFile)
{
    if (kAddressSanitizer)
        GTEST_SKIP() << "an address-space limit stops AddressSanitizer itself";
    // A sparse file of 4 GiB read under a 1 GiB address-space limit: the buffer cannot be had.
    const std::string big = (dir.path() / "big.txt").string();
    ASSERT_EQ(::truncate(dir.file("big.txt", "").c_str(), off_t{4} << 30), 0);
    const ToolRun r = run(quoted(big), 60, {}, "ulimit -v 1000000; ");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, said("ファイル \"" + big + "\". Cannot allocate memory は開けません"));
    const ToolRun base = run("--base " + quoted(big) + " " + sample("newer.txt"), 60, {}, "ulimit -v 1000000; ");
    EXPECT_EQ(base.status, 2);
    EXPECT_EQ(base.err, r.err);
}

TEST_F(ReportTool, WithoutASecondThreadTheWorkIsDoneOnOne)
{
    if (kAddressSanitizer)
        GTEST_SKIP() << "an address-space limit stops AddressSanitizer itself";
    // Reports large enough for every two-thread path: reading and scanning (4 MB and more), the
    // expansion of the abbreviated form, the sort of the base lines and the classification.
    bench::GenerateOptions options;
    options.folders = 150'000;
    options.form = bench::ReportForm::Abbreviated;
    const std::string earlierText = bench::generateReport(options);
    ASSERT_GE(earlierText.size(), std::size_t{4} << 20);
    const std::string earlier = dir.file("earlier.txt", earlierText);
    bench::DeriveOptions derive;
    derive.shares = {0.01, 0.01, 0.02, 0.02};
    const std::string later = dir.file("later.txt", bench::deriveLater(earlierText, derive));
    const std::string args = "--format tsv --base " + quoted(earlier) + " " + quoted(later);
    const ToolRun normal = run(args, 120);
    ASSERT_EQ(normal.status, 0) << normal.err;
    // A thread's stack is as large as the stack limit: with one larger than the address space
    // allows, no thread can be started.
    const ToolRun single = run(args, 120, {}, "ulimit -v 3000000; ulimit -s 6000000; ");
    EXPECT_EQ(single.status, 0) << single.err;
    EXPECT_TRUE(single.err.empty()) << single.err;
    EXPECT_TRUE(single.out == normal.out);
}

// --encoding with --format report: both directions, the round trip, and the refusal.
TEST_F(ReportTool, EncodingConvertsReportsBothWaysAndRefusesNamesThatDoNotFit)
{
    const std::string mark = "\xEF\xBB\xBF";
    for (const char* name : {"full.txt", "abbrev.txt", "two-drives.txt"}) {
        SCOPED_TRACE(name);
        const ToolRun plain = run("--format report " + sample(name));
        ASSERT_EQ(plain.status, 0) << plain.err;
        const ToolRun toUtf8 = run("--format report --encoding utf-8 " + sample(name));
        ASSERT_EQ(toUtf8.status, 0) << toUtf8.err;
        EXPECT_EQ(toUtf8.out, mark + encoding::sjisToUtf8(plain.out));
        const std::string copy = dir.file("copy.txt", toUtf8.out);
        // The UTF-8 copy loads to the same tree, and converts back to the same bytes.
        EXPECT_EQ(run("--format tsv " + quoted(copy)).out, run("--format tsv " + sample(name)).out);
        EXPECT_EQ(run("--format report --encoding shift-jis " + quoted(copy)).out, plain.out);
        // Compared with each other, every folder matches.
        const ToolRun changed = run("--changed --format tsv --base " + sample(name) + " " + quoted(copy));
        EXPECT_EQ(changed.status, 0);
        EXPECT_EQ(changed.out, "");
    }
    // A UTF-8 report: the round trip through --format report keeps the tree and the bytes.
    for (const char* name : {"posix-full.txt", "posix-abbrev.txt"}) {
        SCOPED_TRACE(name);
        const ToolRun full = run("--format report " + sample(name));
        ASSERT_EQ(full.status, 0) << full.err;
        EXPECT_TRUE(full.out.starts_with(mark));
        const std::string copy = dir.file("copy.txt", full.out);
        EXPECT_EQ(run("--format tsv " + quoted(copy)).out, run("--format tsv " + sample(name)).out);
        EXPECT_EQ(run("--format report " + quoted(copy)).out, full.out);
        EXPECT_EQ(run("--format report --encoding utf-8 " + quoted(copy)).out, full.out);
        const ToolRun refused = run("--format report --encoding shift-jis " + sample(name));
        EXPECT_EQ(refused.status, 2);
        EXPECT_EQ(refused.out, "");
        EXPECT_EQ(refused.err, "dirgauge-report: 13 行目は shift-jis で書けません\n");
    }
    EXPECT_EQ(run("--encoding utf-8 " + sample("full.txt")).status, 1);
    EXPECT_EQ(run("--format report --encoding latin1 " + sample("full.txt")).status, 1);
}

} // namespace
} // namespace dg
