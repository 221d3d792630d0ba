#include "core/command_line.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace dg {
namespace {
using Params = std::vector<std::string>;
using test::sj;

TEST(SplitCommandLine, SplitsByBlanksAndQuotesAndStopsAtTheFirstEmptyParameter)
{
    struct Case {
        const char* line;
        Params expected;
    };
    const Case cases[] = {
        {"", {}},
        {"dirgauge.exe", {}},
        {"dirgauge.exe   \t ", {}},
        {"dirgauge.exe a.txt", {"a.txt"}},
        {"\"C:\\Program Files\\dg.exe\" a.txt", {"a.txt"}},
        {"dg.exe a.txt b.txt", {"a.txt", "b.txt"}},
        {"dg.exe \"C:\\My Docs\\r 1.txt\"", {"C:\\My Docs\\r 1.txt"}},
        // Quotes may stand anywhere inside a parameter and are dropped.
        {"dg.exe C:\\\"My Docs\"\\r.txt", {"C:\\My Docs\\r.txt"}},
        // An unclosed quote runs to the end of the line, blanks included.
        {"dg.exe \"C:\\My Docs\\r.txt", {"C:\\My Docs\\r.txt"}},
        {"dg.exe \"C:\\a b\\ c ", {"C:\\a b\\ c "}},
        // Empty pairs before a parameter are skipped, also several in a row.
        {"dg.exe \"\" a.txt", {"a.txt"}},
        {"dg.exe \"\"\"\" \"\"a.txt", {"a.txt"}},
        // A lone quote at the end makes an empty parameter: counting stops there.
        {"dg.exe a.txt \"", {"a.txt"}},
        // Control characters separate like blanks.
        {"dg.exe\x01" "a.txt\x1f" "b", {"a.txt", "b"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(splitCommandLine(c.line), c.expected) << '[' << c.line << ']';

    // A NUL byte ends the text.
    const std::string withNul("dg.exe a\0b c", 12);
    EXPECT_EQ(splitCommandLine(withNul), (Params{"a"}));
}

TEST(SplitCommandLine, StepsOverDoubleByteCharactersAsAWhole)
{
    // "表" is 0x95 0x5C and "ソ" 0x83 0x5C: trail bytes equal to "\" must not matter, and a lead
    // byte followed by a quote byte or a blank keeps that byte as its trail.
    const std::string hyou = sj("表");
    const std::string line = "dg.exe C:\\" + hyou + "\\a.txt \"D:\\" + sj("ソフト") + " x\\b.txt\"";
    EXPECT_EQ(splitCommandLine(line),
              (Params{"C:\\" + hyou + "\\a.txt", "D:\\" + sj("ソフト") + " x\\b.txt"}));

    const std::string leadThenQuote = std::string("dg.exe \"a\x81") + "\" b\"";
    EXPECT_EQ(splitCommandLine(leadThenQuote), (Params{"a\x81\" b"}));
    const std::string leadThenBlank = std::string("dg.exe a\x81 b");
    EXPECT_EQ(splitCommandLine(leadThenBlank), (Params{"a\x81 b"}));
    // A lead byte at the very end stands alone.
    EXPECT_EQ(splitCommandLine("dg.exe a\x81"), (Params{"a\x81"}));
}

TEST(ArgumentParameters, SkipsEmptyArgumentsAndKeepsQuotesAsPartOfTheName)
{
    EXPECT_EQ(argumentParameters({}), Params{});
    EXPECT_EQ(argumentParameters({"", "/tmp/a b.txt", "", "x"}), (Params{"/tmp/a b.txt", "x"}));
    EXPECT_EQ(argumentParameters({"/tmp/say \"hi\".txt"}), (Params{"/tmp/say \"hi\".txt"}));
}

} // namespace
} // namespace dg
