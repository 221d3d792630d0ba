#include "core/errors.h"
#include "core/field_splitter.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace dg {
namespace {

std::vector<std::string> fieldsOf(const FieldSplitter& s)
{
    std::vector<std::string> out;
    for (std::size_t i = 0; i < s.count(); ++i)
        out.emplace_back(s.get(i));
    return out;
}

TEST(FieldSplitter, SplitsByCommaTextRules)
{
    struct Case {
        std::string line;
        std::vector<std::string> fields;
    };
    const std::vector<Case> cases = {
        {"", {}},
        {"   ", {}},
        {"a", {"a"}},
        {"a,b", {"a", "b"}},
        {"a,,,", {"a", "", "", ""}},
        {"name,other,,,", {"name", "other", "", "", ""}},  // five fields
        {"a,", {"a", ""}},
        {",", {"", ""}},
        {",a", {"", "a"}},
        {"C:\\Program Files\\x,10", {"C:\\Program", "Files\\x", "10"}},  // a blank ends a field
        {"\"C:\\Program Files\\A,B\",123", {"C:\\Program Files\\A,B", "123"}},
        {"\"say \"\"hi\"\"\",1", {"say \"hi\"", "1"}},
        {"\"\"", {""}},
        {"\"unclosed, text", {"unclosed, text"}},
        {"  a  ,  b  ", {"a", "b"}},
        {"a\tb", {"a", "b"}},
        {"a , ", {"a"}},          // the comma is not the last byte: no extra field
        {"\"a\"b,c", {"a", "b", "c"}},
    };
    FieldSplitter s;
    for (const auto& c : cases) {
        s.split(c.line);
        EXPECT_EQ(fieldsOf(s), c.fields) << "line: [" << c.line << "]";
    }
}

TEST(FieldSplitter, NulBytesAreOrdinaryFieldBytes)
{
    // Report lines never hold NUL (it ends the text), but the splitter must not stall on one.
    FieldSplitter s;
    const std::string line("a\0b,c", 5); // fields are views into the line: it must outlive them
    s.split(line);
    ASSERT_EQ(s.count(), 2u);
    EXPECT_EQ(s.get(0), std::string("a\0b", 3));
    EXPECT_EQ(std::string(s.join()), std::string("a\0b,c", 5));
}

TEST(FieldSplitter, LongFieldsAcrossWordBoundaries)
{
    // The scans test eight bytes at a time: specials at every offset must still be found.
    FieldSplitter s;
    for (std::size_t pos = 0; pos < 24; ++pos) {
        std::string field(24, 'x');
        field[pos] = ' ';
        const std::string line = "\"" + field + "\",1";
        s.split(line);
        ASSERT_EQ(s.count(), 2u);
        EXPECT_EQ(std::string(s.join()), "\"" + field + "\",1") << pos;
        s.split(field);
        EXPECT_EQ(s.count(), (pos == 0 || pos == 23) ? 1u : 2u) << pos;
    }
}

TEST(FieldSplitter, TrailByteNeverEndsAField)
{
    FieldSplitter s;
    // 0x81 0x2C is not valid Shift-JIS, but a lead byte still takes the next byte with it, so the
    // comma inside the pair does not split.
    const std::string line = "C:\\" + test::sj("ソフト") + std::string("\x81,x", 3) + ",5";
    s.split(line);
    ASSERT_EQ(s.count(), 2u);
    EXPECT_EQ(s.get(1), "5");
}

TEST(FieldSplitter, JoinQuotesOnlyWhereNeeded)
{
    struct Case {
        std::vector<std::string> fields;
        std::string line;
    };
    const std::vector<Case> cases = {
        {{"a", "b"}, "a,b"},
        {{""}, "\"\""},
        {{"", ""}, ","},
        {{"a", "", "c"}, "a,,c"},
        {{"C:\\Program Files"}, "\"C:\\Program Files\""},
        {{"A,B"}, "\"A,B\""},
        {{"say \"hi\""}, "\"say \"\"hi\"\"\""},
        {{"tab\there"}, "\"tab\there\""},
        {{test::sj("表")}, test::sj("表")},
    };
    for (const auto& c : cases) {
        std::vector<std::string_view> views(c.fields.begin(), c.fields.end());
        std::string out;
        FieldSplitter::joinTo(views, out);
        EXPECT_EQ(out, c.line);
    }
}

TEST(FieldSplitter, SplitThenJoinIsStableForRewrittenLines)
{
    FieldSplitter s;
    for (const std::string line : {"\"C:\\My Docs\\a,b\",12,2020/01/01 00:00,2020/01/02 00:00,16",
                                   "C:\\x,\"\",,", "\"\"\"q\"\"\",1"}) {
        s.split(line);
        const std::string joined(s.join());
        s.split(joined);
        EXPECT_EQ(std::string(s.join()), joined);
    }
}

TEST(FieldSplitter, MissingFieldIsAnIndexError)
{
    FieldSplitter s;
    s.split("C:\\x");
    EXPECT_EQ(s.get(0), "C:\\x");
    try {
        (void)s.get(1);
        FAIL() << "no error";
    } catch (const IndexError& e) {
        EXPECT_EQ(e.index(), 1);
        EXPECT_STREQ(e.what(), "リストのインデックスが範囲を超えています (1)");
    }
    EXPECT_THROW(s.replace(3, "x"), IndexError);
    s.split("");
    EXPECT_THROW((void)s.get(0), IndexError);
}

TEST(FieldSplitter, ReplacedFieldsStayValidWhileOthersAreReplaced)
{
    FieldSplitter s;
    s.split("a,b,c,d,e,f,g,h");
    for (std::size_t k = 0; k < 8; ++k)
        s.replace(k, std::string(20, static_cast<char>('A' + k)));
    EXPECT_EQ(s.get(0), std::string(20, 'A'));
    EXPECT_EQ(s.get(7), std::string(20, 'H'));
}

TEST(FieldSplitter, SplitFirstMatchesFullSplitForItsFields)
{
    FieldSplitter full;
    FieldSplitter part;
    for (const std::string line : {"C:\\,?", "C:\\,", "C:", "\"a b\",\"c,d\",e", "x,y,z"}) {
        full.split(line);
        part.splitFirst(line, 2);
        ASSERT_EQ(part.count(), std::min<std::size_t>(2, full.count())) << line;
        for (std::size_t k = 0; k < part.count(); ++k)
            EXPECT_EQ(part.get(k), full.get(k)) << line;
    }
}

} // namespace
} // namespace dg
