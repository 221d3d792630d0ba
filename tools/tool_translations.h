#pragma once
// How the command-line tools speak the user's language without Qt: the catalogues of
// translations/ are compiled into sorted tables at build time (catalogue_table_main.cpp), and the
// translator of core/translate.h looks texts up in the table of the chosen language.
#include "core/ui_language.h"

#include <cstddef>
#include <span>
#include <string_view>

namespace dg::tools {

struct CatalogueEntry {
    const char* context;
    const char* source;
    const char* translation;
};

namespace catalogues {
// Generated: sorted by context, then source, byte-wise; translations only where one is written.
extern const CatalogueEntry kEnglish[];  // the Japanese texts in English
extern const std::size_t kEnglishCount;
extern const CatalogueEntry kJapanese[]; // the English texts in Japanese
extern const std::size_t kJapaneseCount;
} // namespace catalogues

// The table of `language`.
std::span<const CatalogueEntry> catalogueOf(i18n::UiLanguage language);

// The translation of `source` in `context` in `table`, or `source` when it has none.
std::string_view lookUp(std::span<const CatalogueEntry> table, std::string_view context, std::string_view source);

// Chooses the language from the environment (core/ui_language.h) and installs the matching
// translator for the Qt-free layers. Call it first thing in main(). Returns the language.
i18n::UiLanguage installToolTranslations();

} // namespace dg::tools
