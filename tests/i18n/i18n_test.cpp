#include "core/translate.h"
#include "core/ui_language.h"
#include "tools/tool_translations.h"
#include "tools/ts_catalogue.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <tuple>

namespace dg::test {
namespace {

using i18n::UiLanguage;

TEST(UiLanguageTest, TheOverrideThenTheFirstSetLocaleVariableDecides)
{
    struct Case {
        std::map<std::string, std::string> env;
        UiLanguage expected;
    };
    const Case cases[] = {
        {{}, UiLanguage::English},
        {{{"LANG", "C"}}, UiLanguage::English},
        {{{"LANG", "POSIX"}}, UiLanguage::English},
        {{{"LANG", "ja_JP.UTF-8"}}, UiLanguage::Japanese},
        {{{"LANG", "ja"}}, UiLanguage::Japanese},
        {{{"LANG", "en_US.UTF-8"}}, UiLanguage::English},
        {{{"LANG", "jam"}}, UiLanguage::Japanese}, // "starts with ja", as the rule says
        {{{"LANG", "de_DE.UTF-8"}}, UiLanguage::English},
        // The order LANGUAGE, LC_ALL, LC_MESSAGES, LANG; empty ones do not count.
        {{{"LC_ALL", "en_US.UTF-8"}, {"LANG", "ja_JP.UTF-8"}}, UiLanguage::English},
        {{{"LC_ALL", ""}, {"LANG", "ja_JP.UTF-8"}}, UiLanguage::Japanese},
        {{{"LC_MESSAGES", "ja_JP.UTF-8"}, {"LANG", "C"}}, UiLanguage::Japanese},
        {{{"LC_ALL", "C"}, {"LC_MESSAGES", "ja_JP.UTF-8"}}, UiLanguage::English},
        {{{"LANGUAGE", "ja:en"}, {"LC_ALL", "C"}}, UiLanguage::Japanese},
        {{{"LANGUAGE", "en:ja"}, {"LANG", "ja_JP.UTF-8"}}, UiLanguage::English},
        {{{"LANGUAGE", ""}, {"LANG", "ja_JP.UTF-8"}}, UiLanguage::Japanese},
        {{{"LANGUAGE", ":ja"}, {"LANG", "C"}}, UiLanguage::English}, // its first entry is empty
        // DIRGAUGE_LANG ja or en overrides everything; any other value is ignored.
        {{{"DIRGAUGE_LANG", "en"}, {"LANGUAGE", "ja"}, {"LANG", "ja_JP.UTF-8"}}, UiLanguage::English},
        {{{"DIRGAUGE_LANG", "ja"}, {"LANG", "C"}}, UiLanguage::Japanese},
        {{{"DIRGAUGE_LANG", "ja"}}, UiLanguage::Japanese},
        {{{"DIRGAUGE_LANG", "fr"}, {"LANG", "ja_JP.UTF-8"}}, UiLanguage::Japanese},
        {{{"DIRGAUGE_LANG", ""}, {"LANG", "en_GB.UTF-8"}}, UiLanguage::English},
        {{{"DIRGAUGE_LANG", "JA"}}, UiLanguage::English},
    };
    for (const Case& c : cases) {
        std::string shown;
        for (const auto& [name, value] : c.env)
            shown += name + "=" + value + " ";
        const auto lookup = [&c](const char* name) -> const char* {
            const auto found = c.env.find(name);
            return found == c.env.end() ? nullptr : found->second.c_str();
        };
        EXPECT_EQ(i18n::uiLanguage(lookup), c.expected) << shown;
    }
}

std::string_view shouting(std::string_view, std::string_view source)
{
    if (source == "%1 と %2")
        return "%2 and %1";
    if (source == "x")
        return "X";
    return source;
}

TEST(TranslateTest, TextsGoThroughTheInstalledTranslatorAndArgumentsAreFilledInOnce)
{
    i18n::setTranslator(nullptr);
    EXPECT_EQ(i18n::translate("c", "x"), "x");
    EXPECT_EQ(i18n::format("c", "%1 と %2", {"a", "b"}), "a と b");
    i18n::setTranslator(&shouting);
    EXPECT_EQ(i18n::translate("c", "x"), "X");
    EXPECT_EQ(i18n::format("c", "%1 と %2", {"a", "b"}), "b and a");
    i18n::setTranslator(nullptr);

    struct Case {
        std::string_view text;
        std::vector<std::string_view> args;
        std::string expected;
    };
    const Case cases[] = {
        {"%1 に書き込めません", {"/tmp/a%2b"}, "/tmp/a%2b に書き込めません"}, // an argument is never read again
        {"%2%1", {"a", "b"}, "ba"},
        {"100%", {}, "100%"},
        {"%以上", {}, "%以上"},
        {"%3 stays", {"a"}, "%3 stays"},
        {"%1%1", {"x"}, "xx"},
        {"end %", {"x"}, "end %"},
        {"", {"x"}, ""},
    };
    for (const Case& c : cases) {
        std::string got;
        switch (c.args.size()) {
        case 0: got = i18n::substitute(c.text, {}); break;
        case 1: got = i18n::substitute(c.text, {c.args[0]}); break;
        default: got = i18n::substitute(c.text, {c.args[0], c.args[1]}); break;
        }
        EXPECT_EQ(got, c.expected) << c.text;
    }
}

// The compiled tables answer every text of their catalogue, in their own order.
TEST(ToolTranslationsTest, TheCompiledTablesAnswerEveryCatalogueText)
{
    for (const auto& [language, file] : {std::pair{UiLanguage::English, "dirgauge_en.ts"},
                                         std::pair{UiLanguage::Japanese, "dirgauge_ja.ts"}}) {
        std::string error;
        const auto catalogue = tools::readCatalogueFile(std::string(DG_SOURCE_DIR) + "/translations/" + file, &error);
        ASSERT_TRUE(catalogue) << error;
        const auto table = tools::catalogueOf(language);
        EXPECT_EQ(table.size(), catalogue->messages.size()) << file;
        for (std::size_t k = 1; k < table.size(); ++k)
            EXPECT_TRUE(std::tuple(std::string_view(table[k - 1].context), std::string_view(table[k - 1].source)) <
                        std::tuple(std::string_view(table[k].context), std::string_view(table[k].source)))
                << table[k].context << " | " << table[k].source;
        for (const tools::CatalogueMessage& m : catalogue->messages)
            EXPECT_EQ(tools::lookUp(table, m.context, m.source), m.translation) << m.context << " | " << m.source;
        // A text the catalogue does not hold, or holds in another context, is its own source.
        EXPECT_EQ(tools::lookUp(table, "dg::texts", "no such text"), "no such text");
        EXPECT_EQ(tools::lookUp(table, "no such context", "同じファイルは比較できません。"), "同じファイルは比較できません。");
        EXPECT_EQ(tools::lookUp({}, "dg::texts", "x"), "x");
    }
}

TEST(TsCatalogueTest, ReadsWhatLupdateWritesAndRefusesBrokenFiles)
{
    const std::string good = R"(<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ja">
<context>
    <name>dg::texts</name>
    <message>
        <source>比較中&#x3000;同期 &quot;a&quot; &amp; &lt;b&gt;</source>
        <translation>Comparing &amp; &#65;</translation>
    </message>
    <message>
        <source>%1 です。<byte value="xd"/>
次</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>gone</source>
        <translation type="vanished">weg</translation>
    </message>
</context>
</TS>
)";
    std::string error;
    const auto c = tools::readCatalogue(good, &error);
    ASSERT_TRUE(c) << error;
    EXPECT_EQ(c->language, "en");
    EXPECT_EQ(c->sourceLanguage, "ja");
    ASSERT_EQ(c->messages.size(), 3U);
    EXPECT_EQ(c->messages[0].context, "dg::texts");
    EXPECT_EQ(c->messages[0].source, "比較中\u3000同期 \"a\" & <b>");
    EXPECT_EQ(c->messages[0].translation, "Comparing & A");
    EXPECT_TRUE(c->messages[0].finished());
    EXPECT_EQ(c->messages[1].source, "%1 です。\r\n次");
    EXPECT_FALSE(c->messages[1].finished());
    EXPECT_EQ(c->messages[2].type, "vanished");

    for (const char* bad : {"", "<TS><context><name>x</name></TS>", "<TS>&bogus;</TS>", "<TS><message><source>a",
                            "<TS><byte value=\"zz\"/></TS>", "<TS>&#x110000;</TS>", "<TS><numerusform>a</numerusform></TS>"}) {
        error.clear();
        EXPECT_FALSE(tools::readCatalogue(bad, &error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
}

} // namespace
} // namespace dg::test
