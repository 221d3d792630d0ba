// The catalogues in translations/ against the sources: lupdate finds no text they lack and none
// they keep in vain, and every text has a finished translation that keeps what the program
// relies on (its %n arguments, its line breaks, its menu accelerator, the blank that joins a
// piece to the text before it).
#include "tools/ts_catalogue.h"

#include "../support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <utility>

namespace dg::test {
namespace {

const char* const kCatalogues[] = {"dirgauge_en.ts", "dirgauge_ja.ts"};

using Key = std::pair<std::string, std::string>; // context, source

std::string catalogueFile(const char* name)
{
    return std::string(DG_SOURCE_DIR) + "/translations/" + name;
}

tools::Catalogue load(const std::string& path)
{
    std::string error;
    auto catalogue = tools::readCatalogueFile(path, &error);
    EXPECT_TRUE(catalogue) << path << ": " << error;
    return catalogue.value_or(tools::Catalogue{});
}

std::set<Key> keysOf(const tools::Catalogue& catalogue)
{
    std::set<Key> keys;
    for (const auto& m : catalogue.messages)
        if (m.type != "vanished" && m.type != "obsolete")
            keys.emplace(m.context, m.source);
    return keys;
}

std::string shown(const std::set<Key>& keys)
{
    std::string text;
    for (const auto& [context, source] : keys)
        text += "\n  " + context + " | " + source;
    return text;
}

TEST(CatalogueTest, TheCataloguesHoldExactlyTheTextsOfTheSources)
{
    TempDir dir;
    for (const char* name : kCatalogues)
        std::filesystem::copy_file(catalogueFile(name), dir.path() / name);
    const std::string command = std::string("\"") + DG_CMAKE + "\" -DLUPDATE=\"" + DG_LUPDATE + "\" -DSOURCE_DIR=\"" +
                                DG_SOURCE_DIR + "\" -DTS_DIR=\"" + dir.path().string() + "\" -P \"" + DG_SOURCE_DIR +
                                "/cmake/update_translations.cmake\" > \"" + (dir.path() / "lupdate.log").string() +
                                "\" 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    for (const char* name : kCatalogues) {
        SCOPED_TRACE(name);
        const std::set<Key> committed = keysOf(load(catalogueFile(name)));
        const std::set<Key> found = keysOf(load((dir.path() / name).string()));
        std::set<Key> missing, stale;
        std::set_difference(found.begin(), found.end(), committed.begin(), committed.end(), std::inserter(missing, missing.end()));
        std::set_difference(committed.begin(), committed.end(), found.begin(), found.end(), std::inserter(stale, stale.end()));
        EXPECT_TRUE(missing.empty()) << "texts of the sources missing from translations/" << name
                                     << " (run `make translations` and translate them):" << shown(missing);
        EXPECT_TRUE(stale.empty()) << "texts in translations/" << name << " that no source has any more:" << shown(stale);
        EXPECT_FALSE(found.empty());
    }
}

// "%1" … in `text`, sorted.
std::multiset<std::string> arguments(const std::string& text)
{
    std::multiset<std::string> found;
    for (std::size_t i = 0; i + 1 < text.size(); ++i)
        if (text[i] == '%' && text[i + 1] >= '1' && text[i + 1] <= '9')
            found.insert(text.substr(i, 2));
    return found;
}

// The menu accelerator: the letter after a single "&".
std::string accelerator(const std::string& text)
{
    std::string letters;
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] == '&' && text[i + 1] == '&')
            ++i;
        else if (text[i] == '&')
            letters.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(text[i + 1]))));
    }
    return letters;
}

TEST(CatalogueTest, EveryTextHasAFinishedTranslationThatKeepsWhatTheProgramNeeds)
{
    for (const char* name : kCatalogues) {
        SCOPED_TRACE(name);
        const tools::Catalogue catalogue = load(catalogueFile(name));
        ASSERT_FALSE(catalogue.messages.empty());
        std::set<Key> unfinished;
        for (const auto& m : catalogue.messages) {
            if (!m.finished() || m.translation.empty()) {
                unfinished.emplace(m.context, m.source);
                continue;
            }
            const std::string where = m.context + " | " + m.source + " -> " + m.translation;
            EXPECT_EQ(arguments(m.translation), arguments(m.source)) << where;
            EXPECT_EQ(std::count(m.translation.begin(), m.translation.end(), '\r'),
                      std::count(m.source.begin(), m.source.end(), '\r')) << where;
            EXPECT_EQ(std::count(m.translation.begin(), m.translation.end(), '\t'),
                      std::count(m.source.begin(), m.source.end(), '\t')) << where;
            EXPECT_EQ(accelerator(m.translation), accelerator(m.source)) << where;
            // A piece that follows a name (" - ファイルの…") keeps the blank that separates them.
            EXPECT_EQ(m.translation.front() == ' ', m.source.front() == ' ') << where;
        }
        EXPECT_TRUE(unfinished.empty()) << "texts without a finished translation:" << shown(unfinished);
    }
}

} // namespace
} // namespace dg::test
