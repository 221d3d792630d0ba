// Reports of the second kind: UTF-8 text (byte-order mark) and POSIX paths, alone and beside
// Shift-JIS reports of drive paths.
#include "core/collation.h"
#include "core/comparison.h"
#include "core/encoding.h"
#include "core/errors.h"
#include "core/report_convert.h"
#include "core/report_reader.h"
#include "core/tree_builder.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace dg {
namespace {
using test::linesOf;

const std::string kMark = "\xEF\xBB\xBF";
const std::string kHeader = "host CHECK START AT 2026/12/09 10:20:30";
const std::string kEnd = "CHECK END AT 2026/12/09 10:40:00";
// The dates and attributes that end a folder line.
const std::string kRest = ",\"2025/01/04 09:12:44\",\"2026/12/08 18:11:02\",16";

std::string report(const std::vector<std::string>& data, bool utf8 = true)
{
    std::string text = (utf8 ? kMark : "") + kHeader + "\r\n";
    for (const auto& line : data)
        text += line + "\r\n";
    return text + kEnd + "\r\n";
}

// A report loaded as the viewer loads it.
struct Loaded {
    LineList lines;
    FolderTree tree;
    FieldSplitter splitter;
    test::RecordingSink debug;

    explicit Loaded(const std::string& text)
    {
        lines.assignText(text);
        const FormCheck check = checkForm(lines);
        EXPECT_TRUE(check.recognised);
        if (check.abbreviated)
            ExpandFullDescription(lines, splitter, &debug);
        CreateTree(lines, tree, splitter, &debug);
        tree.sort(lines, NameCollator("en"));
    }

    // Every node in tree order, indented by level, labels in UTF-8.
    std::vector<std::string> dump()
    {
        std::vector<std::string> out;
        for (std::size_t d = 0; d < tree.nodeCount(); ++d) {
            const NodeId id = tree.nodeAtAbsolute(d);
            out.push_back(std::string(2 * tree.level(id), ' ') +
                          encoding::textToUtf8(lines.kind().encoding, tree.label(id, lines, splitter)));
        }
        return out;
    }
};

TEST(Utf8Report, TheMarkMakesAListUtf8AndIsNoPartOfLineZero)
{
    LineList lines;
    lines.assignText(kMark + "h CHECK START AT x\r\n/:,1,1%\r\n");
    EXPECT_TRUE(lines.kind().utf8());
    EXPECT_EQ(lines[0], "h CHECK START AT x");
    lines.assignText("h CHECK START AT x\r\n" + kMark);
    EXPECT_FALSE(lines.kind().utf8()); // only at the very start
    lines.assignText(kMark);
    EXPECT_TRUE(lines.kind().utf8());
    EXPECT_EQ(linesOf(lines), std::vector<std::string>{""});
    lines.clear();
    EXPECT_FALSE(lines.kind().utf8());
}

TEST(Utf8Report, FormCheckTellsVolumeLinesFromDriveLines)
{
    struct Case {
        std::string line1;
        bool recognised;
        bool posix;
    };
    const std::vector<Case> cases = {
        {"/home:,512,33%", true, true},
        {"/:,512,33%", true, true},
        {"\"/mnt/data disk:\",512,33%", true, true},
        {"  /home:,512,33%", true, true},
        {"/home:,512", false, false},            // a volume line has exactly 3 fields
        {"/home:,512,33%,x", false, false},
        {"/home,512,33%", false, false},          // no ":"
        {"home:,512,33%", false, false},          // not absolute
        {"C:,512,33%", true, false},
        {"/:,512", true, false},                 // ":" as second byte: the drive kind as before
    };
    for (const Case& c : cases) {
        LineList lines;
        lines.assignText(report({c.line1, ">,1,,,"}));
        const FormCheck check = checkForm(lines);
        EXPECT_EQ(check.recognised, c.recognised) << c.line1;
        EXPECT_EQ(check.posix, c.posix) << c.line1;
        EXPECT_EQ(lines.kind().posix(), c.posix) << c.line1;
    }
}

// Each case as a full and as an abbreviated report: both load to the same tree, debug lines and
// full-form lines.
TEST(PosixReport, GrammarEdgeCasesInBothForms)
{
    const std::string d1 = "\"2025/01/04 09:12:44\"";
    const std::string d2 = "\"2026/12/08 18:11:02\"";
    const std::string dates = d1 + "," + d2;
    struct Case {
        std::string name;
        std::vector<std::string> full;
        std::vector<std::string> abbreviated;
        std::vector<std::string> tree;
        std::vector<std::string> debug;
        // Lines the expansion writes back in their joined form, so the two forms' lines differ.
        bool expansionRejoins = false;
    };
    const std::vector<Case> cases = {
        {"the volume /",
         {"/:,100,5%", "/,?," + dates + ",16", "/etc,60," + dates + ",16", "/etc/apt,50," + dates + ",18",
          "/usr,40," + dates + ",16"},
         {"/:,100,5%", ">,?," + dates + ",", ">etc,60,,,", ">>apt,50,,,18", ">usr,40,,,"},
         {"host", "  (100) /", "    ( 60) etc", "      ( 50) apt", "    ( 40) usr"},
         {"Folder / Size set to DriveSize 100"}},
        {"a volume with a blank",
         {"\"/mnt/data disk:\",1000,50%", "\"/mnt/data disk\",900," + dates + ",16",
          "\"/mnt/data disk/a b\",10," + dates + ",16", "\"/mnt/data disk/a b/c\",5," + dates + ",16"},
         {"\"/mnt/data disk:\",1000,50%", ">,900," + dates + ",", "\">a b\",10,,,", ">>c,5,,,"},
         {"host", "  (900) /mnt/data disk", "    ( 10) a b", "      (  5) c"},
         {}},
        {"a volume with a double quote, its root in quotes",
         {"\"/mnt/a\"\"b:\",700,50%", "\"/mnt/a\"\"b\",?," + dates + ",16", "\"/mnt/a\"\"b/c\",5," + dates + ",16"},
         {"\"/mnt/a\"\"b:\",700,50%", ">,?," + dates + ",", ">c,5,,,"},
         {"host", "  (700) /mnt/a\"b", "    (  5) c"},
         {"Folder /mnt/a\"b Size set to DriveSize 700"}},
        {"two volumes, the second one /",
         {"/home:,5000,10%", "/home,?," + dates + ",16", "/home/alice,30," + dates + ",16", "/:,800,20%",
          "/,700," + dates + ",16", "/var,600," + dates + ",16", "/var/log,6," + dates + ",16"},
         {"/home:,5000,10%", ">,?," + dates + ",", ">alice,30,,,", "/:,800,20%", ">,700,,,", ">var,600,,,",
          ">>log,6,,,"},
         {"host", "  (5,000) /home", "    (   30) alice", "  (700) /", "    (600) var", "      (  6) log"},
         {"Folder /home Size set to DriveSize 5000"}},
        {"a volume line with a blank after its path",
         {"/data: ,9,1%", "/data,?," + dates + ",16", "/data/x,5," + dates + ",16"},
         {"/data: ,9,1%", ">,?," + dates + ",", ">x,5,,,"},
         {"host", "  (9) /data", "    (5) x"},
         {"Folder /data Size set to DriveSize 9"},
         true},
        {"names with any character but /",
         {"/home:,100,1%", "/home,99," + dates + ",16", "/home/あ,9," + dates + ",16",
          "\"/home/あ/\"\"q\"\" い, う\",8," + dates + ",16", "/home/a\\b:c,7," + dates + ",16",
          "/home/ー,6," + dates + ",16"},
         {"/home:,100,1%", ">,99," + dates + ",", ">あ,9,,,", "\">>\"\"q\"\" い, う\",8,,,", ">a\\b:c,7,,,",
          ">ー,6,,,"},
         {"host", "  (99) /home", "    ( 9) あ", "      ( 8) \"q\" い, う", "    ( 7) a\\b:c", "    ( 6) ー"},
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Loaded full(report(c.full));
        Loaded abbreviated(report(c.abbreviated));
        EXPECT_EQ(full.dump(), c.tree);
        EXPECT_EQ(abbreviated.dump(), c.tree);
        if (!c.expansionRejoins) {
            EXPECT_EQ(linesOf(abbreviated.lines), linesOf(full.lines));
        }
        auto debugOf = [](const Loaded& l) {
            std::vector<std::string> out;
            for (const auto& line : l.debug.lines)
                if (line.starts_with("Folder "))
                    out.push_back(line);
            return out;
        };
        EXPECT_EQ(debugOf(full), c.debug);
        EXPECT_EQ(debugOf(abbreviated), c.debug);
        // The base-file route fills the same root sizes.
        LineList base;
        base.assignText(report(c.full));
        checkForm(base);
        FieldSplitter splitter;
        substituteDriveSizes(base, splitter, nullptr);
        EXPECT_EQ(linesOf(base), linesOf(full.lines));
    }
}

TEST(PosixReport, TreesOfSingleVolumes)
{
    struct Case {
        const char* name;
        std::vector<std::string> data;
        std::vector<std::string> tree;
    };
    const Case cases[] = {
        {"equal sizes sort by locale-folded names",
         {"/h:,10,1%", "/h,9" + kRest, "/h/zoë,1" + kRest, "/h/Émile2,1" + kRest, "/h/b,1" + kRest,
          "/h/émile,1" + kRest, "/h/A,1" + kRest, "/h/big,2" + kRest},
         {"host", "  (9) /h", "    (2) big", "    (1) A", "    (1) b", "    (1) émile", "    (1) Émile2", "    (1) zoë"}},
        // Shown as replacement characters, kept as they are in the lines.
        {"invalid UTF-8",
         {"/h:,10,1%", "/h,9" + kRest, "/h/a\xFF\xE3\x81,1" + kRest},
         {"host", "  (9) /h", "    (1) a\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Loaded l(report(c.data));
        EXPECT_EQ(l.dump(), c.tree);
        for (std::size_t i = 0; i < c.data.size(); ++i)
            EXPECT_EQ(l.lines[i + 1], c.data[i]); // the full form is left as read
    }
}

TEST(Utf8Report, DebugLinesOfUtf8ReportsAreShiftJisWithEscapes)
{
    EXPECT_EQ(encoding::utf8ToSjisForLog("a表é\xFF📷"), "a" + test::sj("表") + "<U+00E9><0xFF><U+1F4F7>");
    EXPECT_EQ(encoding::logText(TextEncoding::ShiftJis, "\x83\x5C\xFF"), "\x83\x5C\xFF");
    {
        Loaded full(report({"/données/表:,100,1%", "/données/表,?" + kRest}));
        Loaded abbreviated(report({"/données/表:,100,1%", ">,?" + kRest}));
        const std::string expected = "Folder /donn<U+00E9>es/" + test::sj("表") + " Size set to DriveSize 100";
        EXPECT_EQ(full.debug.lines.at(1), expected);
        EXPECT_EQ(abbreviated.debug.lines.at(0), expected);
    }
    // A size that is no number: the message shows the line in UTF-8, the log in Shift-JIS.
    LineList lines;
    lines.assignText(report({"/h:,1,1%", "/h/é,x" + kRest}));
    checkForm(lines);
    FolderTree tree;
    FieldSplitter splitter;
    test::RecordingSink sink;
    try {
        CreateTree(lines, tree, splitter, &sink);
        FAIL();
    } catch (const SizeError& e) {
        EXPECT_NE(std::string(e.what()).find("/h/é,x"), std::string::npos) << e.what();
    }
    ASSERT_GE(sink.lines.size(), 3u);
    EXPECT_EQ(sink.lines[2], "/h/<U+00E9>,x" + kRest);
}

// A Shift-JIS report of drive paths whose names all have a UTF-8 form, or its UTF-8 copy, with
// extra lines (given in UTF-8) before the closing line in the list's own encoding.
LineList driveReport(bool utf8, const std::vector<std::string>& extra)
{
    LineList lines;
    lines.assignText(report({test::sj("C:,1000,5%"), test::sj("C:\\,900" + kRest), test::sj("C:\\ソフト,500" + kRest),
                             test::sj("C:\\ソフト\\表計算,300" + kRest), test::sj("\"C:\\a, b\",100" + kRest)},
                            false));
    if (utf8) {
        EXPECT_FALSE(convertReportLines(lines, TextEncoding::Utf8));
    }
    LineList withExtra;
    for (std::size_t i = 0; i + 1 < lines.size(); ++i)
        withExtra.append(lines[i]);
    for (const auto& e : extra)
        withExtra.append((utf8 ? e : encoding::utf8ToSjis(e)) + kRest);
    withExtra.append(lines[lines.size() - 1]);
    withExtra.setKind(lines.kind());
    return withExtra;
}

TEST(MixedComparison, BaseLinesAreMatchedInTheShownEncoding)
{
    struct Case {
        std::string name;
        bool shownUtf8;
        std::vector<std::string> shownExtra; // UTF-8 lines added to the shown report
        std::vector<std::string> baseExtra;  // and to the base report
        std::size_t added;
    };
    const std::vector<Case> cases = {
        {"Shift-JIS shown, UTF-8 base", false, {}, {}, 0},
        {"UTF-8 shown, Shift-JIS base", true, {}, {}, 0},
        {"a name only UTF-8 holds, in the shown report", true, {"C:\\Café,1"}, {}, 1},
        {"a name only UTF-8 holds, in the base: no match for its Shift-JIS look-alike", false,
         {"C:\\Caf?,1"}, {"C:\\Café,1"}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LineList shown = driveReport(c.shownUtf8, c.shownExtra);
        LineList base = driveReport(!c.shownUtf8, c.baseExtra);
        ASSERT_TRUE(checkForm(shown).recognised);
        const FormCheck baseCheck = checkForm(base);
        FieldSplitter splitter;
        FolderTree tree;
        CreateTree(shown, tree, splitter, nullptr);
        tree.sort(shown, NameCollator("en"));
        normaliseBaseLines(base, baseCheck, splitter, nullptr);
        matchBaseEncoding(base, shown.kind().encoding);
        EXPECT_EQ(base.kind().encoding, shown.kind().encoding);
        const ClassCounts counts = classifyTree(tree, shown, base, ChangeLimits{}, splitter, nullptr);
        EXPECT_EQ(counts.added, c.added);
        EXPECT_EQ(counts.u1 + counts.u2 + counts.d1 + counts.d2, 0u);
    }
}

TEST(ReportConversion, ConvertsBothWaysOrNamesTheFirstLineThatDoesNotFit)
{
    struct Case {
        std::string name;
        std::string text; // as held
        bool utf8;
        TextEncoding to;
        std::optional<std::size_t> bad;
    };
    const std::string h = kHeader + "\r\n";
    const std::vector<Case> cases = {
        {"Shift-JIS to UTF-8", h + test::sj("C:\\表計算,1\r\n") + kEnd, false, TextEncoding::Utf8, std::nullopt},
        {"UTF-8 to Shift-JIS", kMark + h + "/h/表計算,1\r\n" + kEnd, true, TextEncoding::ShiftJis, std::nullopt},
        {"same encoding: nothing to do, invalid bytes kept", kMark + h + "/h/\xFF,1\r\n" + kEnd, true,
         TextEncoding::Utf8, std::nullopt},
        {"a name Shift-JIS cannot hold", kMark + h + "/h/x\r\n/h/Café,1\r\n" + kEnd, true,
         TextEncoding::ShiftJis, 2},
        {"an emoji", kMark + h + "/h/\xF0\x9F\x93\xB7,1\r\n" + kEnd, true, TextEncoding::ShiftJis, 1},
        {"invalid UTF-8", kMark + h + "/h/\xE3\x81,1\r\n" + kEnd, true, TextEncoding::ShiftJis, 1},
        {"invalid Shift-JIS", h + "C:\\\x81\x20,1\r\n" + kEnd, false, TextEncoding::Utf8, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LineList lines;
        lines.assignText(c.text);
        ASSERT_EQ(lines.kind().utf8(), c.utf8);
        const std::vector<std::string> before = linesOf(lines);
        EXPECT_EQ(convertReportLines(lines, c.to), c.bad);
        if (c.bad) {
            EXPECT_EQ(linesOf(lines), before);
            EXPECT_EQ(lines.kind().utf8(), c.utf8);
            continue;
        }
        EXPECT_EQ(lines.kind().encoding, c.to);
        // And back again: the same bytes.
        EXPECT_FALSE(convertReportLines(lines, c.utf8 ? TextEncoding::Utf8 : TextEncoding::ShiftJis));
        EXPECT_EQ(linesOf(lines), before);
    }
}

} // namespace
} // namespace dg
