#include "ui/translations.h"

#include "core/translate.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace dg::ui {
namespace {

std::mutex g_mutex;
// The catalogues installTranslations installed last (owned by the application), and their
// language, which is part of every kept answer so that a change of language asks Qt anew.
std::vector<QTranslator*> g_installed;
std::string g_language;

bool installCatalogue(const QString& name, const QString& folder)
{
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (translator->load(name, folder) && QCoreApplication::installTranslator(translator)) {
        g_installed.push_back(translator);
        return true;
    }
    delete translator;
    return false;
}

} // namespace

QString qtTranslationsFolder()
{
    return QLibraryInfo::path(QLibraryInfo::TranslationsPath);
}

std::string_view translateThroughQt(std::string_view context, std::string_view source)
{
    // Few distinct texts are ever asked for; each answer stays for the life of the process, as
    // the Translator contract asks. The map's nodes do not move when it grows.
    static std::unordered_map<std::string, std::string> answers;
    const std::lock_guard lock(g_mutex);
    std::string key = g_language;
    key.push_back('\0');
    key.append(context).push_back('\0');
    key.append(source);
    if (const auto found = answers.find(key); found != answers.end())
        return found->second;
    const std::string contextText(context);
    const std::string sourceText(source);
    const QByteArray translated =
        QCoreApplication::translate(contextText.c_str(), sourceText.c_str()).toUtf8();
    return answers.emplace(std::move(key), translated.toStdString()).first->second;
}

InstalledTranslations installTranslations(i18n::UiLanguage language)
{
    InstalledTranslations installed;
    const std::lock_guard lock(g_mutex);
    for (QTranslator* previous : g_installed) {
        QCoreApplication::removeTranslator(previous);
        delete previous;
    }
    g_installed.clear();
    g_language = i18n::languageCode(language);
    const QString code = QString::fromLatin1(i18n::languageCode(language).data(),
                                             static_cast<qsizetype>(i18n::languageCode(language).size()));
    installed.own = installCatalogue(QStringLiteral("dirgauge_") + code, QStringLiteral(":/i18n"));
    if (language == i18n::UiLanguage::Japanese)
        installed.qt = installCatalogue(QStringLiteral("qtbase_ja"), qtTranslationsFolder());
    i18n::setTranslator(&translateThroughQt);
    return installed;
}

} // namespace dg::ui
