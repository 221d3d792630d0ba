#pragma once
// Which language the programs speak: Japanese (the texts as written) or English.
#include <functional>
#include <string_view>

namespace dg::i18n {

enum class UiLanguage { Japanese, English };

// Reads an environment variable: its value, or nullptr when it is not set.
using EnvironmentLookup = std::function<const char*(const char* name)>;

// DIRGAUGE_LANG=ja or en decides outright (any other value is ignored). Otherwise the first of
// LANGUAGE (a colon list: its first entry), LC_ALL, LC_MESSAGES and LANG that is set and not empty
// decides: Japanese when it starts with "ja", English for anything else (C, POSIX, en_US.UTF-8 …)
// and when none is set.
UiLanguage uiLanguage(const EnvironmentLookup& environment);

// The same, from the process's environment.
UiLanguage uiLanguageFromEnvironment();

// "ja" or "en": the suffix of the catalogues (dirgauge_ja.qm, qtbase_ja.qm).
std::string_view languageCode(UiLanguage language);

} // namespace dg::i18n
