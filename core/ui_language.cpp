#include "core/ui_language.h"

#include <cstdlib>

namespace dg::i18n {

UiLanguage uiLanguage(const EnvironmentLookup& environment)
{
    const auto value = [&environment](const char* name) {
        const char* text = environment(name);
        return std::string_view(text != nullptr ? text : "");
    };
    const std::string_view forced = value("DIRGAUGE_LANG");
    if (forced == "ja")
        return UiLanguage::Japanese;
    if (forced == "en")
        return UiLanguage::English;
    for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
        std::string_view setting = value(name);
        if (std::string_view(name) == "LANGUAGE")
            setting = setting.substr(0, setting.find(':'));
        if (!setting.empty())
            return setting.starts_with("ja") ? UiLanguage::Japanese : UiLanguage::English;
    }
    return UiLanguage::English;
}

UiLanguage uiLanguageFromEnvironment()
{
    return uiLanguage([](const char* name) { return static_cast<const char*>(std::getenv(name)); });
}

std::string_view languageCode(UiLanguage language)
{
    switch (language) {
    case UiLanguage::Japanese:
        return "ja";
    case UiLanguage::English:
        return "en";
    }
    return "en";
}

} // namespace dg::i18n
