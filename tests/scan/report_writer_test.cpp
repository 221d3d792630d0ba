// The report writer's lines for hand-made folder tables: paths, quoting, both forms, and the
// names made fit for UTF-8 and Shift-JIS.
#include "scan/report_writer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace dg::scan {
namespace {

class StringSink : public ByteSink {
public:
    std::string text;
    void write(std::string_view bytes) override { text.append(bytes); }
};

struct Node {
    int parent; // index into the list, -1 for the root
    std::string name;
    std::uint64_t bytes;
    std::int64_t btime;
    std::uint8_t attributes;
};

// Builds a table from nodes listed parent first, children of one parent next to each other.
FolderTable tableOf(const std::vector<Node>& nodes)
{
    FolderTable table;
    for (std::size_t k = 0; k < nodes.size(); ++k) {
        const auto id = table.allocate(1);
        table.setName(id, nodes[k].name);
        ScannedFolder& f = table[id];
        f.bytes = nodes[k].bytes;
        f.mtime = 86400;
        f.btime = nodes[k].btime;
        f.attributes = nodes[k].attributes;
        if (nodes[k].parent >= 0) {
            ScannedFolder& p = table[static_cast<std::uint32_t>(nodes[k].parent)];
            f.parent = static_cast<std::uint32_t>(nodes[k].parent);
            if (p.childCount++ == 0)
                p.firstChild = id;
        }
    }
    return table;
}

std::string report(const FolderTable& table, ReportForm form, ReportEncoding encoding = ReportEncoding::Utf8)
{
    StringSink sink;
    ReportWriter writer(table, form, encoding, sink);
    writer.header("host", 0);
    writer.volume(ReportVolume{0, 1000, 33});
    writer.closing("END");
    return sink.text;
}

class ReportWriterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::setenv("TZ", "UTC0", 1);
        ::tzset();
    }
};

TEST_F(ReportWriterTest, WritesBothFormsWithPathsQuotingAndRepeats)
{
    struct Case {
        const char* root;
        ReportForm form;
        const char* expected;
    };
    const Case cases[] = {
        {"/home", ReportForm::Full,
         "\xEF\xBB\xBFhost CHECK START AT 1970/01/01 00:00:00\n"
         "/home:,1000,33%\n"
         "/home,100,\"1970/01/01 00:00:00\",\"1970/01/02 00:00:00\",16\n"
         "\"/home/my docs\",60,\"1970/01/01 00:00:00\",\"1970/01/02 00:00:00\",16\n"
         "\"/home/my docs/a,\"\"b\"\"\",10,,\"1970/01/02 00:00:00\",17\n"
         "/home/.cache,40,\"1970/01/01 00:00:00\",\"1970/01/02 00:00:00\",18\n"
         "END\n"},
        {"/", ReportForm::Full,
         "\xEF\xBB\xBFhost CHECK START AT 1970/01/01 00:00:00\n"
         "/:,1000,33%\n"
         "/,100,\"1970/01/01 00:00:00\",\"1970/01/02 00:00:00\",16\n"
         "\"/my docs\",60,\"1970/01/01 00:00:00\",\"1970/01/02 00:00:00\",16\n"
         "\"/my docs/a,\"\"b\"\"\",10,,\"1970/01/02 00:00:00\",17\n"
         "/.cache,40,\"1970/01/01 00:00:00\",\"1970/01/02 00:00:00\",18\n"
         "END\n"},
        {"/home", ReportForm::Abbreviated,
         "\xEF\xBB\xBFhost CHECK START AT 1970/01/01 00:00:00\n"
         "/home:,1000,33%\n"
         ">,100,\"1970/01/01 00:00:00\",\"1970/01/02 00:00:00\",\n"
         "\">my docs\",60,,,\n"
         "\">>a,\"\"b\"\"\",10,-,,17\n"
         ">.cache,40,\"1970/01/01 00:00:00\",,18\n"
         "END\n"},
    };
    for (const Case& c : cases) {
        const FolderTable table = tableOf({{-1, c.root, 100, 0, 16},
                                           {0, "my docs", 60, 0, 16},
                                           {0, ".cache", 40, 0, 18},
                                           {1, "a,\"b\"", 10, kNoTime, 17}});
        EXPECT_EQ(report(table, c.form), c.expected) << c.root;
    }
}

TEST_F(ReportWriterTest, ShiftJisReportHasNoMarkAndEndsLinesWithCrLf)
{
    FolderTable table = tableOf({{-1, "/data", 5, 0, 16}, {0, "\xE6\x97\xA5\xE6\x9C\xAC", 5, 0, 16}});
    const NameProblems problems = prepareNames(table, ReportForm::Full, ReportEncoding::ShiftJis, false);
    EXPECT_TRUE(problems.unmappable.empty());
    EXPECT_EQ(report(table, ReportForm::Full, ReportEncoding::ShiftJis),
              "host CHECK START AT 1970/01/01 00:00:00\r\n"
              "/data:,1000,33%\r\n"
              "/data,5,\"1970/01/01 00:00:00\",\"1970/01/02 00:00:00\",16\r\n"
              "/data/\x93\xFA\x96\x7B,5,\"1970/01/01 00:00:00\",\"1970/01/02 00:00:00\",16\r\n"
              "END\r\n");
}

TEST_F(ReportWriterTest, NamesAreMadeFitForEachEncoding)
{
    struct Case {
        std::string name;
        ReportForm form;
        ReportEncoding encoding;
        bool replace;
        std::string written;     // the name afterwards (unchanged when unmappable)
        bool control;
        bool unmappable;
    };
    const std::string smile = "\xF0\x9F\x98\x80";
    const Case cases[] = {
        {"plain", ReportForm::Full, ReportEncoding::Utf8, false, "plain", false, false},
        {"a\nb\x7F", ReportForm::Full, ReportEncoding::Utf8, false, "a\xE2\x90\x8A" "b\xE2\x90\xA1", true, false},
        {"bad\xFF\xFE", ReportForm::Full, ReportEncoding::Utf8, false, "bad\xFF\xFE", false, false},
        {"tab\there", ReportForm::Full, ReportEncoding::ShiftJis, false, "tab?here", true, false},
        {"\xE3\x81\x82", ReportForm::Full, ReportEncoding::ShiftJis, false, "\x82\xA0", false, false},
        {"x" + smile, ReportForm::Full, ReportEncoding::ShiftJis, false, "x" + smile, false, true},
        {"x" + smile, ReportForm::Full, ReportEncoding::ShiftJis, true, "x?", false, false},
        {"bad\xFF", ReportForm::Full, ReportEncoding::ShiftJis, false, "bad\xFF", false, true},
        {"bad\xFF", ReportForm::Full, ReportEncoding::ShiftJis, true, "bad?", false, false},
        {">>a>", ReportForm::Full, ReportEncoding::Utf8, false, ">>a>", false, false},
        {">>a>", ReportForm::Abbreviated, ReportEncoding::Utf8, false, "\xEF\xBC\x9E\xEF\xBC\x9E" "a>", false, false},
        {">a", ReportForm::Abbreviated, ReportEncoding::ShiftJis, false, "\x81\x84" "a", false, false},
    };
    for (const Case& c : cases) {
        FolderTable table = tableOf({{-1, "/r", 0, 0, 16}, {0, c.name, 0, 0, 16}});
        const NameProblems p = prepareNames(table, c.form, c.encoding, c.replace);
        EXPECT_EQ(table.name(1), c.written) << c.name;
        EXPECT_EQ(p.controlCharacters.size(), c.control ? 1U : 0U) << c.name;
        ASSERT_EQ(p.unmappable.size(), c.unmappable ? 1U : 0U) << c.name;
        if (c.unmappable) {
            EXPECT_EQ(p.unmappable[0], "/r/" + c.name);
        }
        EXPECT_EQ(table.name(0), "/r");
    }
}

} // namespace
} // namespace dg::scan
