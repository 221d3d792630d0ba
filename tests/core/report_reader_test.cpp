#include "core/errors.h"
#include "core/report_reader.h"
#include "plain_reference.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <utility>
#include <string>
#include <vector>

namespace dg {
namespace {
using test::sj;
using test::linesOf;
using test::listOf;

TEST(ReadReportFile, ReadsLinesAndReportsUnreadableFiles)
{
    test::TempDir dir;
    LineList lines;
    readReportFile(dir.file("r.txt", "H CHECK START AT x\r\nC:,1\r\nend\r\n"), lines);
    EXPECT_EQ(linesOf(lines), (std::vector<std::string>{"H CHECK START AT x", "C:,1", "end"}));

    const std::string missing = (dir.path() / "nope.txt").string();
    try {
        readReportFile(missing, lines);
        FAIL();
    } catch (const FileOpenError& e) {
        EXPECT_EQ(std::string(e.what()), "ファイル \"" + missing + "\". No such file or directory は開けません");
    }
    // A failed read leaves the earlier content alone.
    EXPECT_EQ(lines.size(), 3u);
    EXPECT_THROW(readReportFile(dir.path().string(), lines), FileOpenError);
    EXPECT_THROW(readReportFile("", lines), FileOpenError);
}

// Reading a pipe without a writer or an endless device used to block or run on forever: each read
// runs in a child process that an alarm ends, so that a hang fails the test instead of stopping it.
TEST(ReadReportFileDeathTest, RefusesPipesAndDevicesWithoutWaiting)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    test::TempDir dir;
    const std::string fifo = (dir.path() / "fifo").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path : {fifo, std::string("/dev/zero")}) {
        SCOPED_TRACE(path);
        const std::string expected = "ファイル \"" + path + "\". not a regular file は開けません";
        EXPECT_EXIT(
            {
                ::alarm(10);
                LineList lines;
                try {
                    readReportFile(path, lines);
                } catch (const FileOpenError& e) {
                    std::fputs(e.what(), stderr);
                    std::_Exit(e.what() == expected ? 0 : 1);
                }
                std::_Exit(2);
            },
            ::testing::ExitedWithCode(0), "not a regular file");
    }
}

TEST(ReadReportFile, SurvivesBinaryGarbageAndHugeLines)
{
    test::TempDir dir;
    std::string garbage;
    for (int i = 0; i < 100000; ++i)
        garbage.push_back(static_cast<char>((i * 7919) % 255 + 1));
    LineList lines;
    readReportFile(dir.file("g.bin", garbage), lines);
    EXPECT_FALSE(checkForm(lines).recognised);

    const std::string huge(10 << 20, 'A');
    readReportFile(dir.file("huge.txt", "PC CHECK START AT 1\r\nC:,1\r\n" + huge + "\x81"), lines);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[2].size(), huge.size() + 1);
}

TEST(ReadReportFile, LargeFilesReadInTwoHalvesGiveTheWholeText)
{
    // Of a file of several MiB, the second half is read on a second thread as far as it is in
    // memory, the rest in order after the first half. The lines must be those of the text in one
    // piece, the line that spans the middle included, whether the file is in memory, has just been
    // dropped from it (the second thread then finds nothing to take), or is partly in memory.
    test::TempDir dir;
    std::string text = "PC CHECK START AT 1\r\n";
    for (int i = 0; text.size() < (std::size_t{6} << 20) + 3; ++i)
        text += "C:\\folder" + std::to_string(i) + "," + std::to_string(i * 7) + ",,,\r\n";
    text += "end";
    const std::string path = dir.file("big.txt", text);
    LineList whole;
    whole.assignText(text);
    auto dropFromMemory = [&path](off_t from, off_t length) {
        const int fd = ::open(path.c_str(), O_RDONLY);
        ASSERT_GE(fd, 0);
        ::fdatasync(fd);
        ::posix_fadvise(fd, from, length, POSIX_FADV_DONTNEED);
        ::close(fd);
    };
    for (int round = 0; round < 3; ++round) {
        if (round == 1)
            dropFromMemory(0, 0);
        if (round == 2)
            dropFromMemory(static_cast<off_t>(text.size() * 3 / 4), 0);
        LineList read;
        readReportFile(path, read);
        ASSERT_EQ(read.size(), whole.size()) << round;
        for (std::size_t i = 0; i < whole.size(); ++i)
            ASSERT_EQ(read[i], whole[i]) << round << " line " << i;
    }
}

TEST(FormCheck, AcceptsOnlyTheReportShape)
{
    struct Case {
        std::vector<std::string> lines;
        bool recognised;
        bool abbreviated;
    };
    const std::vector<Case> cases = {
        {{"PC check start at 1", "C:,1", "C:\\,1"}, true, false},
        {{"PC CHECK START AT 1", "C:,1", ">,1"}, true, true},
        {{"PC CHECK START AT 1", "C:,1"}, false, false},
        {{"PC CHECK STAR AT 1", "C:,1", "x"}, false, false},
        {{"PC CHECK START AT 1", "C", "x"}, false, false},
        {{"PC CHECK START AT 1", "", "x"}, false, false},
        {{"PC CHECK START AT 1", "CC,1", "x"}, false, false},
        {{"PC CHECK START AT 1", "C:,1", ""}, true, false},
    };
    for (const auto& c : cases) {
        const FormCheck check = checkForm(listOf(c.lines));
        EXPECT_EQ(check.recognised, c.recognised) << c.lines[0] << "|" << c.lines[1];
        if (check.recognised) {
            EXPECT_EQ(check.abbreviated, c.abbreviated);
        }
    }
}

TEST(FormCheck, HeaderPartsKeepBlanksAndCase)
{
    const std::string header = "PC1 check start at 2020/01/02 03:04";
    const FormCheck check = checkForm(listOf({header, "C:,1", "x"}));
    ASSERT_TRUE(check.recognised);
    const HeaderParts parts = headerParts(header, check.markerPos);
    EXPECT_EQ(parts.computer, "PC1 ");
    EXPECT_EQ(parts.startTime, " 2020/01/02 03:04");
    EXPECT_EQ(headerFirstWord(header), "PC1");
    const std::string longTail = "X CHECK START AT" + std::string(300, 't');
    EXPECT_EQ(headerParts(longTail, 2).startTime.size(), 255u);
    EXPECT_EQ(headerParts("X CHECK START AT", 2).startTime, "");
}

const std::vector<std::string> kAbbreviated = {
    "PC CHECK START AT 2024/05/01",
    "C:,1000,50%",
    ">,?,2019/01/01,2024/05/01,22",
    ">Docs,300,2019/02/02,2024/04/04,",
    ">>Work,200,,,17",
    ">Old,50,,2024/03/03,",
    "D:,2000,10%",
    ">,?,2018/01/01,2018/01/02,16",
    "\">My Data\",7,,,",
    "CHECK END",
};

TEST(ExpandFullDescription, ExpandsMarksDatesAttributesAndDriveSizes)
{
    LineList lines = listOf(kAbbreviated);
    FieldSplitter s;
    test::RecordingSink sink;
    ExpandFullDescription(lines, s, &sink);
    EXPECT_EQ(linesOf(lines), (std::vector<std::string>{
                                  "PC CHECK START AT 2024/05/01",
                                  "C:,1000,50%",
                                  "C:\\,1000,2019/01/01,2024/05/01,22",
                                  "C:\\Docs,300,2019/02/02,2024/04/04,16",
                                  "C:\\Docs\\Work,200,2019/02/02,2024/04/04,17",
                                  "C:\\Old,50,2019/02/02,2024/03/03,16",
                                  "D:,2000,10%",
                                  "D:\\,2000,2018/01/01,2018/01/02,16",
                                  "\"D:\\My Data\",7,2018/01/01,2018/01/02,16",
                                  "CHECK END",
                              }));
    EXPECT_EQ(sink.lines, (std::vector<std::string>{"Folder C:\\ Size set to DriveSize 1000",
                                                    "Folder D:\\ Size set to DriveSize 2000"}));
}

TEST(ExpandFullDescription, IndexErrorLeavesEarlierLinesRewrittenAndLaterOnesAsRead)
{
    struct Case {
        std::string badLine;
        long long index;
    };
    const std::vector<Case> cases = {
        {">>>Deep,1,a,b,16", 1},  // a mark deeper than any stored entry (only C: is stored)
        {">Short,1,a", 3},        // too few fields for a folder line
        {"", 0},                  // an empty data line
        {"E:", 1},                // a drive line without its size
    };
    for (const auto& c : cases) {
        LineList lines = listOf({"PC CHECK START AT 1", "C:,1,1%", ">,?,a,b,", c.badLine, ">After,1,,,", "end"});
        FieldSplitter s;
        try {
            ExpandFullDescription(lines, s, nullptr);
            FAIL() << c.badLine;
        } catch (const IndexError& e) {
            EXPECT_EQ(e.index(), c.index) << c.badLine;
        }
        EXPECT_EQ(lines[2], "C:\\,1,a,b,16");
        EXPECT_EQ(lines[3], c.badLine);
        EXPECT_EQ(lines[4], ">After,1,,,");
    }
}

// Single lines of both rewrites: what each line becomes, what the debug log says (when a sink is
// given) and the index of an IndexError that stops the rewrite.
TEST(ReportRewrites, LinesTakeTheirExpectedForm)
{
    using Rewrite = void (*)(LineList&, FieldSplitter&, DebugSink*);
    const Rewrite expand = ExpandFullDescription, substitute = substituteDriveSizes;
    const std::string longName(1500, 'n'), soft = sj("ソフト"), table = sj("表計算");
    struct Case {
        const char* name;
        Rewrite rewrite;
        std::vector<std::string> input;
        std::vector<std::pair<std::size_t, std::string>> expected; // line index, text afterwards
        std::optional<std::vector<std::string>> log;                // nullopt: no sink
        std::optional<long long> error;                             // the IndexError's index
    };
    const Case cases[] = {
        // A one-letter drive name makes "Q\\r" three bytes long: a root line, whose "?" takes the
        // last drive size, however ordinary the line looks. (The one-byte "Q" line gives no dates:
        // only folder lines do.)
        {"any three-byte path is a root line", expand,
         {"PC CHECK START AT 1", "C:,1000,50%", "Q,7,a,b,1", ">r,?,,,", ">rs,?,,,", "end"},
         {{3, "Q\\r,1000,,,16"}, {4, "Q\\rs,?,,,16"}},
         std::vector<std::string>{"Folder Q\\r Size set to DriveSize 1000"}, std::nullopt},
        {"names cut at 1024 bytes in the path and the depth list", expand,
         {"PC CHECK START AT 1", "C:,1,1%", ">" + longName + ",1,a,b,16", ">>child,1,a,b,16", "end"},
         {{2, "C:\\" + longName.substr(0, 1024) + ",1,a,b,16"},
          {3, "C:\\" + longName.substr(0, 1024) + "\\child,1,a,b,16"}},
         std::nullopt, std::nullopt},
        {"header and closing line untouched", expand,
         {"PC CHECK START AT 1", "C:,1,1%", ">,?,a,b,", ">x,1,,,", "\"broken"},
         {{0, "PC CHECK START AT 1"}, {4, "\"broken"}}, std::nullopt, std::nullopt},
        {"Japanese names with backslash trail bytes", expand,
         {"PC CHECK START AT 1", "C:,9,1%", ">,9,a,b,", ">" + soft + ",5,,,", ">>" + table + ",4,,,", "end"},
         {{3, "C:\\" + soft + ",5,a,b,16"}, {4, "C:\\" + soft + "\\" + table + ",4,a,b,16"}},
         std::nullopt, std::nullopt},
        {"root question marks from their own drive", substitute,
         {"PC CHECK START AT 1", "C:,100,1%", "C:\\,?,a,b,16", "C:\\x,?,a,b,16", "D:,200,1%", "D:\\,?,a,b,16",
          "\"D:\\a b\",5,,,", "?,?"},
         {{2, "C:\\,100,a,b,16"},
          {3, "C:\\x,?,a,b,16"}, // only root lines take the drive size
          {5, "D:\\,200,a,b,16"},
          {6, "\"D:\\a b\",5,,,"}, // untouched lines keep their own quoting and fields
          {7, "?,?"}},
         std::vector<std::string>{"Folder C:\\ Size set to DriveSize 100", "Folder D:\\ Size set to DriveSize 200"},
         std::nullopt},
        {"root before any drive gets an empty size", substitute,
         {"PC CHECK START AT 1", "C:\\,?,a,b,16", "x", "end"}, {{1, "C:\\,,a,b,16"}}, std::nullopt,
         std::nullopt},
        {"drive line without its size", substitute, {"PC CHECK START AT 1", "C:", "C:\\,?,a,b,16", "end"}, {},
         std::nullopt, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LineList lines = listOf(c.input);
        FieldSplitter s;
        test::RecordingSink sink;
        std::optional<long long> error;
        try {
            c.rewrite(lines, s, c.log ? &sink : nullptr);
        } catch (const IndexError& e) {
            error = e.index();
        }
        EXPECT_EQ(error, c.error);
        for (const auto& [index, text] : c.expected)
            EXPECT_EQ(lines[index], text) << "line " << index;
        if (c.log) {
            EXPECT_EQ(sink.lines, *c.log);
        }
    }
}

// Runs a rewrite and gives the message of the IndexError that stopped it (empty: none).
template <class Rewrite>
std::string errorOf(LineList& lines, Rewrite rewrite)
{
    try {
        rewrite(lines);
    } catch (const IndexError& e) {
        return e.what();
    }
    return {};
}

// Picks entries of lists by a fixed pseudo-random sequence, the same on every run.
struct Picker {
    std::uint32_t x;
    const std::string& operator()(const std::vector<std::string>& v)
    {
        x = x * 1664525u + 1013904223u;
        return v[(x >> 8) % v.size()];
    }
};

TEST(SubstituteDriveSizes, FindsDriveAndRootLinesHoweverTheirPathIsWritten)
{
    // Most lines are passed over by a look at their first bytes; drive and root paths written
    // with quotes, doubled quotes, blanks or double-byte characters must still be found. Each
    // result is held against the rule applied to every line in full.
    const std::vector<std::string> paths = {"C:", "C:\\", "\"C:\"", "\"C:\\\"", "  C:\\", "\"\"\"\"\"\"", "\"\"\"\"",
                                            "\"a\"\"b\"", "C:\\x", "\"C:\\ab\"", "ab", "a b", "a,", sj("表"),
                                            sj("表") + "x", "\"" + sj("表") + "\"", "\x81,", "\"C:", "\"", "", "\"C:\\\"\"\"", "abcd"};
    const std::vector<std::string> sizes = {"?", "12", "\"?\"", " ?", "", "?x"};
    Picker pick{5};
    for (int round = 0; round < 300; ++round) {
        std::vector<std::string> text = {"PC CHECK START AT 1"};
        for (int i = 0; i < 10; ++i)
            text.push_back(pick(paths) + "," + pick(sizes) + ",a,b,16");
        text.push_back("end");
        LineList lines = listOf(text), expected = listOf(text);
        const std::string error = errorOf(lines, [](LineList& l) {
            FieldSplitter s;
            substituteDriveSizes(l, s, nullptr);
        });
        ASSERT_EQ(error, errorOf(expected, test::referenceSubstitute)) << round;
        if (error.empty()) {
            ASSERT_EQ(linesOf(lines), linesOf(expected)) << round;
        }
    }
}

TEST(ExpandFullDescription, MatchesThePlainRewriteOnAwkwardLines)
{
    // Lines are built from pieces that the joined form treats differently: quotes that are needed
    // or not, doubled quotes, blanks around commas, empty and extra fields, "?" sizes.
    // Double-byte names include second bytes that are themselves in the lead range (亜 is 88 9F)
    // or equal to "\\" (ソ), and broken ones whose lead byte takes a comma or quote with it.
    const std::string a = test::sj("亜"), so = test::sj("ソ");
    std::string manyBlanks = "\">";
    for (int i = 0; i < 30; ++i)
        manyBlanks += "a b ";
    manyBlanks += "\"";
    const std::vector<std::string> paths = {">a", ">>b", ">", "\">c d\"", "\">e\"", ">f\"g", "D:", ">>" + test::sj("表"), " >h",
                                            ">\"i\"\"j\"", ">" + a, ">>" + a + a, "\">" + so + " x\"", ">\x81,y", ">>\x81\"z",
                                            ">>>>deep", ">>>" + a, "\">s,t\"", ">" + std::string(1030, 'n'),
                                            ">>" + std::string(1023, 'm') + a, manyBlanks, ">>>", "\">>u\"\"v\"", ">w>x",
                                            ">" + std::string(40, 'p') + "\"" + a + "\"", "\">q\x81 \"", "Q", ">r"};
    const std::vector<std::string> sizes = {"1", "?", "\"2\"", "", " 3", "\"\"", "\"4 5\"", a};
    const std::vector<std::string> dates = {"", "\"2020/01/01 00:00\"", "x", "\"y\"", "\"a\"\"b c\"", "\"" + a + " 1\"", a,
                                            "\"\"", "\"\x81 \""};
    const std::vector<std::string> tails = {"", ",", ",extra", ", spaced", ",\"q r\",,", ",1,2,3,4,5", " ", ",\"\""};
    Picker pick{99};
    for (int round = 0; round < 400; ++round) {
        std::vector<std::string> text = {"PC CHECK START AT 1", "C:,100,5%", ">,?,\"2019/01/01 00:00\",\"2019/01/02 00:00\",",
                                         ">a,1,,,", ">>b,1,,,"};
        for (int i = 0; i < 12; ++i)
            text.push_back(pick(paths) + "," + pick(sizes) + "," + pick(dates) + "," + pick(dates) + "," +
                           (pick.x % 3 ? "" : "17") + pick(tails));
        text.push_back("end");
        LineList fast = listOf(text), plain = listOf(text);
        const std::string fastError = errorOf(fast, [](LineList& l) {
            FieldSplitter s;
            ExpandFullDescription(l, s, nullptr);
        });
        ASSERT_EQ(fastError, errorOf(plain, test::referenceExpand)) << round;
        ASSERT_EQ(linesOf(fast), linesOf(plain)) << round;
    }
}

TEST(ExpandFullDescription, LargeAwkwardReportsMatchThePlainRewrite)
{
    // Past 200,000 lines the expansion runs in two halves on two threads; both mix the quick route
    // and the general one. Marks never go deeper than any entry stored, so no error stops the run
    // early, but now and then they reach an entry set long before (stale, as the depth list keeps it).
    const std::string a = test::sj("亜"), so = test::sj("ソ");
    const std::vector<std::string> names = {"plain", a + so, "\"with blank\"", "\"comma,in\"", "\"q\"\"uote\"",
                                            std::string(1100, 'L'), std::string(1023, 'c') + a, "\x81\"", "x"};
    const std::vector<std::string> dates = {"", "", "\"2020/01/01 00:00:00\"", "\"2021/02/03 04:05:06\"", "\"a\"\"b\"", a};
    std::vector<std::string> text = {"PC CHECK START AT 1", "C:,100,5%", ">,?,\"2019/01/01 00:00\",\"2019/01/02 00:00\","};
    std::uint32_t x = 4242;
    auto next = [&x] { return x = x * 1664525u + 1013904223u; };
    std::size_t depth = 1, deepest = 1; // marks up to depth are followed as usual, up to deepest now and then
    while (text.size() < 230'000) {
        const std::size_t marks = 1 + (next() >> 8) % (next() % 20 ? depth : deepest);
        std::string name = names[(next() >> 9) % names.size()];
        const bool quoted = name[0] == '"';
        std::string line = (quoted ? "\"" + std::string(marks, '>') + name.substr(1) : std::string(marks, '>') + name) + "," +
                           std::to_string(next() % 100000) + "," + dates[(next() >> 7) % dates.size()] + "," +
                           dates[(next() >> 6) % dates.size()] + "," + ((next() & 3) ? "" : "17");
        if (next() % 50 == 0)
            line += ",extra";
        text.push_back(line);
        depth = std::min<std::size_t>(marks + 1, 12);
        deepest = std::max(deepest, depth);
    }
    text.push_back("end");
    LineList fast = listOf(text);
    LineList plain = listOf(text);
    FieldSplitter s;
    ExpandFullDescription(fast, s, nullptr);
    test::referenceExpand(plain);
    ASSERT_EQ(fast.size(), plain.size());
    for (std::size_t i = 0; i < plain.size(); ++i)
        ASSERT_EQ(fast[i], plain[i]) << i;
}

// The system's own files report a size of 0 although they have contents.
TEST(ReadReportFile, AFileThatReportsNoSizeIsReadToItsEnd)
{
    LineList lines;
    readReportFile("/proc/self/status", lines);
    ASSERT_GT(lines.size(), 3u);
    EXPECT_TRUE(lines[0].starts_with("Name:")) << lines[0];
}

} // namespace
} // namespace dg
