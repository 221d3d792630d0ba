#include "core/encoding.h"
#include "core/sjis.h"
#include "test_support.h"

#include <gtest/gtest.h>

namespace dg {
namespace {
using test::sj;

TEST(Sjis, FindCharStepsOverDoubleByteCharacters)
{
    constexpr auto npos = std::string::npos;
    struct Case {
        const char* what;
        std::string text;
        char wanted;
        std::size_t from;
        std::size_t expected;
    };
    // ソ is 0x83 0x5C, 表 is 0x95 0x5C, 能 is 0x94 0x5C: a trail byte equal to "\\" is no separator.
    // 0x83 is both a lead byte and a valid trail byte: only the parity of a run tells them apart.
    const Case cases[] = {
        {"ソフト", sj("ソフト") + "\\x", '\\', 0, 6},
        {"表計算", sj("表計算") + "\\x", '\\', 0, 6},
        {"機能", sj("機能") + "\\x", '\\', 0, 4},
        {"ソ alone", sj("ソ"), '\\', 0, npos},
        {"even run", std::string("\x83\x83\x5C", 3), '\\', 0, 2},
        {"odd run", std::string("\x83\x83\x83\x5C", 4), '\\', 0, npos},
        {"odd run after a start", std::string("a\\\x83\x83\x83\x5C\\", 7), '\\', 2, 6},
        {"no look before the start", std::string("\x83\x5C\x5C", 3), '\\', 2, 2},
        {"lead byte at the end stands alone", std::string("ab\x83", 3), '\x83', 0, 2},
        {"absent", std::string("ab\x83", 3), 'z', 0, npos},
    };
    for (const Case& c : cases)
        EXPECT_EQ(sjis::findChar(c.text, c.wanted, c.from), c.expected) << c.what;
    EXPECT_EQ(sjis::charLength(std::string("ab\x83", 3), 2), 1u);
}

TEST(Sjis, MarkerIsFoundWithoutRegardToCaseOnCharacterBoundariesOnly)
{
    EXPECT_EQ(sjis::findMarkerNoCase("PC1 check start at 2020", "CHECK START AT"), 4u);
    EXPECT_EQ(sjis::findMarkerNoCase("PC1 CHECK START", "CHECK START AT"), std::string::npos);
    // 0x83 0x43 is one double-byte character: the "C" inside it must not start a match.
    const std::string tricky = std::string("\x83") + "CHECK START AT";
    EXPECT_EQ(sjis::findMarkerNoCase(tricky, "CHECK START AT"), std::string::npos);
    const std::string ok = std::string("\x83\x43") + "CHECK START AT";
    EXPECT_EQ(sjis::findMarkerNoCase(ok, "CHECK START AT"), 2u);
}

TEST(Sjis, FoldsOnlyAsciiLetters)
{
    const std::string mixed = "ABC" + sj("ソ") + "Z";
    EXPECT_EQ(sjis::foldAsciiLower(mixed), "abc" + sj("ソ") + "z");
    // Full-width Ａ (0x82 0x60) is left alone; its trail byte 0x60 is no letter anyway, but 0x82 0x41
    // style pairs must not be folded either.
    const std::string pair("\x82\x41", 2);
    EXPECT_EQ(sjis::foldAsciiLower(pair), pair);
}

TEST(Encoding, RoundTripsJapaneseAndReplacesInvalidBytes)
{
    const std::string utf8 = "C:\\ソフト\\表計算";
    EXPECT_EQ(encoding::sjisToUtf8(encoding::utf8ToSjis(utf8)), utf8);
    const std::string bad("a\x81", 2); // lead byte without trail
    const std::string out = encoding::sjisToUtf8(bad);
    EXPECT_EQ(out.substr(0, 1), "a");
    EXPECT_GT(out.size(), 1u);
}

TEST(Encoding, Utf8SequencesAreWellFormedOrRefused)
{
    // Each text with the length of its first sequence (0: refused).
    const struct {
        std::string text;
        std::size_t length;
    } cases[] = {
        {"", 0},
        {"a", 1},
        {"\x7f", 1},
        {"\xc2\x80", 2},
        {"\xc1\xbf", 0},         // overlong
        {"\xe3\x81\x82x", 3},    // あ
        {"\xe0\x9f\xbf", 0},     // overlong
        {"\xed\x9f\xbf", 3},     // U+D7FF
        {"\xed\xa0\x80", 0},     // a surrogate
        {"\xf0\x9f\x98\x80", 4},
        {"\xf0\x8f\xbf\xbf", 0}, // overlong
        {"\xf4\x8f\xbf\xbf", 4}, // U+10FFFF
        {"\xf4\x90\x80\x80", 0}, // above U+10FFFF
        {"\xe3\x81", 0},          // cut short
        {"\x80", 0},
        {"\x93\xfa", 0},          // Shift-JIS 日
    };
    for (const auto& c : cases) {
        EXPECT_EQ(encoding::utf8SequenceLength(c.text), c.length) << testing::PrintToString(c.text);
        if (c.length == c.text.size()) {
            EXPECT_EQ(encoding::isValidUtf8(c.text), c.length > 0 || c.text.empty());
        }
    }
    EXPECT_TRUE(encoding::isValidUtf8("ファイル \"C:\\x\"."));
    EXPECT_FALSE(encoding::isValidUtf8("ok\x93\xfa"));
}

} // namespace
} // namespace dg
