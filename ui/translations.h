#pragma once
// The viewer's languages: its own catalogues (built from translations/*.ts and embedded in the
// program) and Qt's, so that the file dialog and the standard buttons speak the same language as
// the windows around them.
#include "core/ui_language.h"

#include <QString>

#include <string_view>

namespace dg::ui {

// What installTranslations loaded.
struct InstalledTranslations {
    bool own = false; // the program's catalogue for the language
    bool qt = false;  // Qt's own catalogue (qtbase_ja.qm; English needs none)
};

// Installs into the running application the catalogues of `language`: under Japanese the texts
// are their own sources, so only the Japanese catalogue of the English source texts (the
// scanner's messages) and Qt's Japanese catalogue are loaded; under English the English
// catalogue. Also installs the translator of the Qt-free layers (core/translate.h), so that their
// texts follow too. Call it after the QCoreApplication exists, from its thread; a second call
// replaces the catalogues of the first.
InstalledTranslations installTranslations(i18n::UiLanguage language);

// Where Qt's own catalogues live (QLibraryInfo::TranslationsPath).
QString qtTranslationsFolder();

// The translator installTranslations gives the Qt-free layers: QCoreApplication::translate, with
// each answer kept for the rest of the process.
std::string_view translateThroughQt(std::string_view context, std::string_view source);

} // namespace dg::ui
