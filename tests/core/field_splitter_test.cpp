#include "core/errors.h"
#include "core/field_splitter.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
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

// Lines and the fields the comma-text rules give them. Every row is also split in part and split
// again after a join, below.
struct SplitCase {
    std::string line;
    std::vector<std::string> fields;
};
const std::vector<SplitCase> kSplitCases = {
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
    {"C:\\,?", {"C:\\", "?"}},
    {"C:\\,", {"C:\\", ""}},
    {"C:", {"C:"}},
    {"\"a b\",\"c,d\",e", {"a b", "c,d", "e"}},
    {"\"C:\\My Docs\\a,b\",12,2020/01/01 00:00,2020/01/02 00:00,16",
     {"C:\\My Docs\\a,b", "12", "2020/01/01", "00:00", "2020/01/02", "00:00", "16"}},
    {"C:\\x,\"\",,", {"C:\\x", "", "", ""}},
    {"\"\"\"q\"\"\",1", {"\"q\"", "1"}},
    // Report lines never hold NUL (it ends the text), but the splitter must not stall on one.
    {std::string("a\0b,c", 5), {std::string("a\0b", 3), "c"}},
    // 0x81 0x2C is not valid Shift-JIS, but a lead byte still takes the next byte with it, so the
    // comma inside the pair does not split.
    {"C:\\" + test::sj("ソフト") + std::string("\x81,x", 3) + ",5",
     {"C:\\" + test::sj("ソフト") + std::string("\x81,x", 3), "5"}},
};

TEST(FieldSplitter, SplitsByCommaTextRules)
{
    FieldSplitter s;
    for (const auto& c : kSplitCases) {
        s.split(c.line); // fields are views into the line: it must outlive them
        EXPECT_EQ(fieldsOf(s), c.fields) << "line: [" << c.line << "]";
    }
    const std::string nul("a\0b,c", 5);
    s.split(nul);
    EXPECT_EQ(std::string(s.join()), nul);
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
    for (const auto& c : kSplitCases) {
        s.split(c.line);
        const std::string joined(s.join());
        s.split(joined);
        EXPECT_EQ(std::string(s.join()), joined) << "line: [" << c.line << "]";
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
    FieldSplitter part;
    for (const auto& c : kSplitCases) {
        for (std::size_t most = 1; most <= 3; ++most) {
            part.splitFirst(c.line, most);
            const auto end = c.fields.begin() + static_cast<std::ptrdiff_t>(std::min(most, c.fields.size()));
            EXPECT_EQ(fieldsOf(part), std::vector<std::string>(c.fields.begin(), end))
                << "line: [" << c.line << "], " << most << " fields";
        }
    }
}

} // namespace
} // namespace dg
