#include "settings/ini_document.h"

#include "core/encoding.h"

#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

namespace dg {
namespace {

TEST(ParseProfileInteger, FollowsTheProfileRules)
{
    struct Case {
        const char* text;
        std::optional<std::int32_t> expected;
    };
    const Case cases[] = {
        {"10", 10},
        {"-16777211", -16777211},
        {"+7", 7},
        {"  42\t", 42},
        {"0x14", 20},
        {"0X1f", 31},
        {"$14", 20},
        {"-$1", -1},
        {"0xFF000005", static_cast<std::int32_t>(0xFF000005u)},
        {"0xFFFFFFFF", -1},
        {"0x0000000014", 20},
        {"2147483647", 2147483647},
        {"-2147483648", INT32_MIN},
        {"0010", 10},
        // Not a number, or too large for 32 bits: the caller's default.
        {"", std::nullopt},
        {"abc", std::nullopt},
        {"yes", std::nullopt},
        {"12abc", std::nullopt},
        {"1 2", std::nullopt},
        {"0x", std::nullopt},
        {"0xg1", std::nullopt},
        {"$", std::nullopt},
        {"-", std::nullopt},
        {"-0x14", std::nullopt},
        {"2147483648", std::nullopt},
        {"-2147483649", std::nullopt},
        {"4278190085", std::nullopt},
        {"0x100000000", std::nullopt},
        {"99999999999999999999999", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(parseProfileInteger(c.text), c.expected) << '"' << c.text << '"';
}

// Reading integers and booleans: names match without regard to ASCII case, the first of a
// duplicated section or key counts, comments and lines without "=" are no keys, a Shift-JIS
// trail byte neither ends a section name nor is folded, and a missing or unreadable value gives
// the caller's default.
TEST(IniDocument, ReadsFollowTheProfileRules)
{
    struct Case {
        const char* text;
        const char* section;
        const char* key;
        bool asBool; // readBool instead of readInteger
        int fallback;
        int expected;
    };
    const char* const cased = "[comp]\nf3u1_limit=0x14\n[FORM]\n  Width = 800  \n";
    const char* const bools = "[Comp]\nA=0\nB=2\nC=yes\nD=-1\nE=\n";
    const char* const kana = "[\x83\x5D" "A]\nKey=5\n[\x83\x41]\nKey=1\n"; // 0x83 0x5D ends in "]"
    const Case cases[] = {
        {cased, "Comp", "F3U1_Limit", false, 10, 20},
        {cased, "Form", "WIDTH", false, 450, 800},
        {cased, "Form", "Height", false, 669, 669},
        {cased, "Env", "Width", false, 1, 1},
        {bools, "Comp", "A", true, 1, 0},
        {bools, "Comp", "B", true, 0, 1},
        {bools, "Comp", "C", true, 1, 1},
        {bools, "Comp", "C", true, 0, 0},
        {bools, "Comp", "D", true, 0, 1},
        {bools, "Comp", "E", true, 1, 1},
        {bools, "Comp", "Missing", true, 0, 0},
        {"[Env]\nDebug=1\ndebug=0\n[env]\nDebug=0\n", "Env", "Debug", true, 0, 1},
        {";Width=1\n[Form]\n;Width=2\nWidth\n# note\nWidth=3\n", "Form", "Width", false, 0, 3},
        {kana, "\x83\x5D" "A", "key", false, 0, 5},
        {kana, "\x83\x5D" "a", "key", false, 0, 5},
        {kana, "\x83\x61", "Key", false, 0, 0}, // 0x83 0x41 is another katakana than 0x83 0x61
    };
    for (const Case& c : cases) {
        const IniDocument doc(c.text);
        const int read = c.asBool ? doc.readBool(c.section, c.key, c.fallback != 0) : doc.readInteger(c.section, c.key, c.fallback);
        EXPECT_EQ(read, c.expected) << c.text << " [" << c.section << "] " << c.key;
    }
}

TEST(IniDocument, ValuesAreReadUpTo2047BytesWithoutSplittingACharacter)
{
    const std::string longValue(3000, 'x');
    IniDocument doc;
    doc.writeString("Env", "CurrentName", longValue);
    EXPECT_EQ(doc.readString("Env", "CurrentName", ""), std::string(2047, 'x'));
    EXPECT_EQ(doc.findValue("Env", "CurrentName"), longValue);

    const std::string exact(2047, 'y');
    doc.writeString("Env", "CurrentName", exact);
    EXPECT_EQ(doc.readString("Env", "CurrentName", ""), exact);

    // 2046 single bytes and then a double-byte character: byte 2047 would be its lead byte alone.
    const std::string mixed = std::string(2046, 'z') + "\x82\xA0" + "tail";
    doc.writeString("Env", "CurrentName", mixed);
    EXPECT_EQ(doc.readString("Env", "CurrentName", ""), std::string(2046, 'z'));
}

TEST(IniDocument, StringValuesRoundTrip)
{
    const std::string values[] = {
        "C:\\data\\\x95\\\x5C.txt", // a Shift-JIS trail byte equal to a backslash
        "/home/user/report 1.txt",
        " leading blank",
        "trailing blank ",
        "\"quoted\"",
        "\"",
        "a=b=c",
        "[NotASection]",
        "",
    };
    for (const std::string& value : values) {
        IniDocument doc;
        doc.writeString("Env", "CurrentName", value);
        const IniDocument reread(doc.bytes());
        EXPECT_EQ(reread.readString("Env", "CurrentName", "default"), value) << value;
    }
}

TEST(IniDocument, LineBreaksInAValueCannotInjectLines)
{
    IniDocument doc("[Comp]\nF3U1_Limit=10\n");
    doc.writeString("Env", "CurrentName", "a.txt\n[Comp]\nF3U1_Limit=0");
    const IniDocument reread(doc.bytes());
    EXPECT_EQ(reread.readString("Env", "CurrentName", ""), "a.txt");
    EXPECT_EQ(reread.readInteger("Comp", "F3U1_Limit", -1), 10);
    EXPECT_EQ(doc.bytes(), "[Comp]\nF3U1_Limit=10\n[Env]\nCurrentName=a.txt\n");
}

TEST(IniDocument, EditsFollowTheProfileRules)
{
    struct Case {
        const char* name;
        std::string before;
        const char* section;
        const char* key;
        std::string after;
    };
    const std::string crlf = "; kept\r\n[Form]\r\nWidth=1\r\n\r\n[Other]\r\nX=1\r\n";
    const Case cases[] = {
        {"replace in place keeps key spelling and line end",
         "[form]\r\n  width = 1 \r\nTop=2\r\n", "Form", "Width", "[form]\r\nwidth=800\r\nTop=2\r\n"},
        {"new key goes after the last non-blank line of its section",
         crlf, "Form", "Height", "; kept\r\n[Form]\r\nWidth=1\r\nHeight=800\r\n\r\n[Other]\r\nX=1\r\n"},
        {"new section goes to the end, last line gets its ending",
         "[Other]\nX=1", "Form", "Height", "[Other]\nX=1\n[Form]\nHeight=800\n"},
        {"empty file: CR LF, the format's own", "", "Form", "Height", "[Form]\r\nHeight=800\r\n"},
        {"no line end yet: CR LF", "; note", "Form", "Height", "; note\r\n[Form]\r\nHeight=800\r\n"},
        {"new lines take the ending of the first line: CR LF", "[A]\r\nX=1\nY=2\n", "B", "Z",
         "[A]\r\nX=1\nY=2\n[B]\r\nZ=800\r\n"},
        {"new lines take the ending of the first line: LF", "[A]\nX=1\r\n", "B", "Z", "[A]\nX=1\r\n[B]\nZ=800\n"},
    };
    for (const Case& c : cases) {
        IniDocument doc(c.before);
        doc.writeInteger(c.section, c.key, 800);
        EXPECT_EQ(doc.bytes(), c.after) << c.name;
    }
    // A last line ending in a lone CR keeps its CR as text: it gets a CR LF of its own.
    IniDocument lone("[A]\nX=1\r");
    lone.writeInteger("B", "Z", 3);
    EXPECT_EQ(lone.findValue("A", "X"), "1\r");
    EXPECT_EQ(IniDocument(lone.bytes()).findValue("A", "X"), "1\r");
}

TEST(IniDocument, TextValuesAreUtf8OrElseShiftJis)
{
    const IniDocument doc("[Env]\nA=/data/\xE6\x96\xB0.txt\nB=\x93\xFA\x96{\x8C\xEA\nC=\xFF\xFEx\nD=plain\nE=\xED\xA0\x80\n");
    EXPECT_EQ(doc.readText("Env", "A", ""), "/data/新.txt");
    EXPECT_EQ(doc.readText("Env", "B", ""), "日本語");
    EXPECT_EQ(doc.readText("Env", "C", ""), "\xFF\xFEx"); // neither: kept as it is
    EXPECT_EQ(doc.readText("Env", "D", ""), "plain");
    EXPECT_EQ(doc.readText("Env", "Missing", "def"), "def");
    // The check that decides between the two: a surrogate, an overlong form, a sequence cut
    // short, past U+10FFFF, one that is well formed.
    for (const auto& [text, valid] : {std::pair{"\xED\xA0\x80", false}, {"\xC0\xAF", false}, {"\xE6\x96", false},
                                      {"\xF4\x90\x80\x80", false}, {"\xF0\x9F\x98\x80", true}})
        EXPECT_EQ(encoding::isValidUtf8(text), valid) << testing::PrintToString(text);
}

TEST(IniDocument, EraseSectionRemovesEverySectionOfThatNameAndNothingElse)
{
    const std::string text = "top comment\n"
                             "[Comp]\nF3U1_Limit=0\n; note\n\n"
                             "[Mine]\r\nkey = value \r\n"
                             "[COMP]\nF3U1_Limit=5\n"
                             "[Last]\nA=\x83\x5D\n";
    IniDocument doc(text);
    doc.eraseSection("comp");
    EXPECT_EQ(doc.bytes(), "top comment\n[Mine]\r\nkey = value \r\n[Last]\nA=\x83\x5D\n");
    doc.writeInteger("Comp", "F3U1_Limit", 20);
    EXPECT_EQ(doc.readInteger("Comp", "F3U1_Limit", 10), 20);
    doc.eraseSection("NotThere");
    EXPECT_EQ(IniDocument(doc.bytes()).bytes(), doc.bytes());
}

TEST(IniDocument, ByteOrderMarkBeforeTheFirstSectionIsKept)
{
    IniDocument doc("\xEF\xBB\xBF[Form]\nWidth=700\n");
    EXPECT_EQ(doc.readInteger("Form", "Width", 450), 700);
    doc.eraseSection("Form");
    doc.writeInteger("Form", "Width", 500);
    EXPECT_EQ(doc.bytes(), "\xEF\xBB\xBF\n[Form]\nWidth=500\n");
}

TEST(IniDocument, UnchangedTextIsReproducedExactly)
{
    const std::string text = "\r\n  ; c\r\n[A]\r\nk=v\n\n[B] trailing\nx = \x83\x5C \r\nstray\r\nno end";
    EXPECT_EQ(IniDocument(text).bytes(), text);
}

TEST(IniDocument, RejectsNamesTheFileCannotHold)
{
    IniDocument doc;
    // "\x93" at the end would take the closing "]" as its trail byte.
    for (const char* section : {"", " Form", "Form ", "Fo]rm", "Fo\nrm", "Form\x93"})
        EXPECT_THROW(doc.writeInteger(section, "Width", 1), std::invalid_argument) << section;
    for (const char* key : {"", "Wi=dth", ";Width", "[Width", "Width\r"})
        EXPECT_THROW(doc.writeInteger("Form", key, 1), std::invalid_argument) << key;
    EXPECT_THROW(doc.eraseSection(""), std::invalid_argument);
    EXPECT_EQ(doc.bytes(), "");
}

} // namespace
} // namespace dg
