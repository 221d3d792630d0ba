#include "tools/tool_translations.h"

#include "core/translate.h"

#include <algorithm>
#include <tuple>

namespace dg::tools {
namespace {

std::span<const CatalogueEntry> g_table;

std::string_view translateFromTable(std::string_view context, std::string_view source)
{
    return lookUp(g_table, context, source);
}

} // namespace

std::span<const CatalogueEntry> catalogueOf(i18n::UiLanguage language)
{
    switch (language) {
    case i18n::UiLanguage::English:
        return {catalogues::kEnglish, catalogues::kEnglishCount};
    case i18n::UiLanguage::Japanese:
        return {catalogues::kJapanese, catalogues::kJapaneseCount};
    }
    return {};
}

std::string_view lookUp(std::span<const CatalogueEntry> table, std::string_view context, std::string_view source)
{
    const auto key = std::tie(context, source);
    const auto found = std::lower_bound(table.begin(), table.end(), key, [](const CatalogueEntry& e, const auto& k) {
        return std::tuple(std::string_view(e.context), std::string_view(e.source)) < k;
    });
    if (found != table.end() && found->context == context && found->source == source)
        return found->translation;
    return source;
}

i18n::UiLanguage installToolTranslations()
{
    const i18n::UiLanguage language = i18n::uiLanguageFromEnvironment();
    g_table = catalogueOf(language);
    i18n::setTranslator(&translateFromTable);
    return language;
}

} // namespace dg::tools
