#include "settings/ini_document.h"

#include "core/encoding.h"

#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>
#include <string>

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

TEST(IniDocument, MatchesSectionsAndKeysWithoutRegardToCase)
{
    const IniDocument doc("[comp]\nf3u1_limit=0x14\n[FORM]\n  Width = 800  \n");
    EXPECT_EQ(doc.readInteger("Comp", "F3U1_Limit", 10), 20);
    EXPECT_EQ(doc.readInteger("Form", "WIDTH", 450), 800);
    EXPECT_EQ(doc.readInteger("Form", "Height", 669), 669);
    EXPECT_EQ(doc.readInteger("Env", "Width", 1), 1);
}

TEST(IniDocument, ReadsBooleansAsIntegers)
{
    const IniDocument doc("[Comp]\nA=0\nB=2\nC=yes\nD=-1\nE=\n");
    EXPECT_FALSE(doc.readBool("Comp", "A", true));
    EXPECT_TRUE(doc.readBool("Comp", "B", false));
    EXPECT_TRUE(doc.readBool("Comp", "C", true));
    EXPECT_FALSE(doc.readBool("Comp", "C", false));
    EXPECT_TRUE(doc.readBool("Comp", "D", false));
    EXPECT_TRUE(doc.readBool("Comp", "E", true));
    EXPECT_FALSE(doc.readBool("Comp", "Missing", false));
}

TEST(IniDocument, FirstOfDuplicateKeysAndSectionsCounts)
{
    const IniDocument doc("[Env]\nDebug=1\ndebug=0\n[env]\nDebug=0\n");
    EXPECT_TRUE(doc.readBool("Env", "Debug", false));
}

TEST(IniDocument, CommentsAndStrayLinesAreNotKeys)
{
    const IniDocument doc(";Width=1\n[Form]\n;Width=2\nWidth\n# note\nWidth=3\n");
    EXPECT_EQ(doc.readInteger("Form", "Width", 0), 3);
}

TEST(IniDocument, ShiftJisTrailByteEqualToBracketDoesNotEndASectionName)
{
    // 0x83 0x5D is a katakana whose trail byte is "]".
    const std::string name = "\x83\x5D" "A";
    const IniDocument doc("[" + name + "]\nKey=5\n");
    EXPECT_EQ(doc.readInteger(name, "key", 0), 5);
    EXPECT_EQ(doc.readInteger("\x83\x5D" "a", "key", 0), 5);
    // A trail byte equal to "A" is not folded: the katakana 0x83 0x41 differs from 0x83 0x61.
    const IniDocument kana("[\x83\x41]\nKey=1\n");
    EXPECT_EQ(kana.readInteger("\x83\x61", "Key", 0), 0);
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
        std::string after;
    };
    const std::string crlf = "; kept\r\n[Form]\r\nWidth=1\r\n\r\n[Other]\r\nX=1\r\n";
    const Case cases[] = {
        {"replace in place keeps key spelling and line end",
         "[form]\r\n  width = 1 \r\nTop=2\r\n", "[form]\r\nwidth=800\r\nTop=2\r\n"},
        {"new key goes after the last non-blank line of its section",
         crlf, "; kept\r\n[Form]\r\nWidth=1\r\nHeight=800\r\n\r\n[Other]\r\nX=1\r\n"},
        {"new section goes to the end, last line gets its ending",
         "[Other]\nX=1", "[Other]\nX=1\n[Form]\nHeight=800\n"},
        {"empty file: CR LF, the format's own", "", "[Form]\r\nHeight=800\r\n"},
        {"no line end yet: CR LF", "; note", "; note\r\n[Form]\r\nHeight=800\r\n"},
    };
    for (const Case& c : cases) {
        IniDocument doc(c.before);
        if (std::string(c.name).starts_with("replace"))
            doc.writeInteger("Form", "Width", 800);
        else
            doc.writeInteger("Form", "Height", 800);
        EXPECT_EQ(doc.bytes(), c.after) << c.name;
    }
}

TEST(IniDocument, NewLinesTakeTheEndingOfTheFirstLine)
{
    IniDocument crlf("[A]\r\nX=1\nY=2\n");
    crlf.writeInteger("B", "Z", 3);
    EXPECT_EQ(crlf.bytes(), "[A]\r\nX=1\nY=2\n[B]\r\nZ=3\r\n");

    IniDocument lf("[A]\nX=1\r\n");
    lf.writeInteger("B", "Z", 3);
    EXPECT_EQ(lf.bytes(), "[A]\nX=1\r\n[B]\nZ=3\n");

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
    EXPECT_FALSE(encoding::isValidUtf8("\xED\xA0\x80")); // a surrogate
    EXPECT_FALSE(encoding::isValidUtf8("\xC0\xAF"));     // overlong
    EXPECT_FALSE(encoding::isValidUtf8("\xE6\x96"));     // cut short
    EXPECT_TRUE(encoding::isValidUtf8("\xF0\x9F\x98\x80"));
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
