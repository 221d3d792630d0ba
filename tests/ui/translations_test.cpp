// The viewer in both languages: its own catalogues, Qt's Japanese catalogue for the standard
// buttons and dialogs, and the texts of the Qt-free layers through the installed translator.
#include "main_window_fixture.h"

#include "core/translate.h"
#include "core/user_texts.h"
#include "partner/endpoint_dir.h"
#include "ui/comp_settings_dialog.h"
#include "ui/translations.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>

namespace dg::test {
namespace {

class TranslationsTest : public MainWindowTest {
protected:
    // Back to the texts as written, for the tests that run after these in the same process.
    void TearDown() override
    {
        ui::installTranslations(i18n::UiLanguage::Japanese);
        i18n::setTranslator(nullptr);
    }

    static QStringList menuTitles(ui::MainWindow& window)
    {
        QStringList titles;
        for (QAction* menu : window.findChild<QMenuBar*>()->actions())
            titles << menu->text();
        return titles;
    }
    static QString cancelText()
    {
        QDialogButtonBox box(QDialogButtonBox::Cancel);
        return box.button(QDialogButtonBox::Cancel)->text();
    }
};

// One table over both languages: what each catalogue is expected to change, and what it must leave.
TEST_F(TranslationsTest, EachLanguageShowsItsOwnTextsEverywhere)
{
    struct Case {
        i18n::UiLanguage language;
        bool qtCatalogue;
        QStringList menus;
        QString twoParameters; // a message box text
        QString cancel;        // Qt's own standard button
        std::string_view sameFile; // a text of the core
        std::string_view scanOutput; // an English text of the scanner
        QString title;               // the window before a report is loaded
        std::string notAFolder;      // the end of a partner channel's reason, an English text
    };
    const Case cases[] = {
        {i18n::UiLanguage::Japanese, true, {"ファイル(&F)", "表示(&V)", "オプション(&O)", "ヘルプ(&H)"},
         "指定できるファイル名は一つだけです。", "キャンセル", "同じファイルは比較できません。", "標準出力",
         "Dirgauge - フォルダ情報のオフライン表示", " はフォルダではありません"},
        {i18n::UiLanguage::English, false, {"&File", "&View", "&Options", "&Help"},
         "Only one file name can be given.", "Cancel", "A file cannot be compared with itself.", "standard output",
         "Dirgauge - Offline Folder Report Viewer", " is not a folder"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(i18n::languageCode(c.language)));
        const ui::InstalledTranslations installed = ui::installTranslations(c.language);
        EXPECT_TRUE(installed.own);
        EXPECT_EQ(installed.qt, c.qtCatalogue) << "Qt's catalogues in " << ui::qtTranslationsFolder().toStdString();
        EXPECT_EQ(cancelText(), c.cancel);
        EXPECT_EQ(texts::tr(texts::kSameFile), c.sameFile);
        EXPECT_EQ(i18n::translate("dg::scan", "standard output"), c.scanOutput);
        const std::string reason = partner::prepareEndpointDir(goodReport().toStdString()).error;
        EXPECT_TRUE(reason.ends_with(c.notAFolder)) << reason;

        dialogs.clear();
        auto window = makeWindow({goodReport(), folder.writeReport("other.txt", goodReportLines())});
        EXPECT_EQ(menuTitles(*window), c.menus);
        EXPECT_EQ(dialogs.messages(), QStringList{c.twoParameters});
        EXPECT_EQ(makeWindow()->windowTitle(), c.title);
    }
}

// Qt's file dialog (the one Qt draws itself) speaks Japanese under Japanese: its labels come from
// qtbase_ja.qm, and stay English without it.
TEST_F(TranslationsTest, QtsOwnFileDialogFollowsTheLanguage)
{
    for (const auto& [language, fileNameLabel] : {std::pair{i18n::UiLanguage::Japanese, QStringLiteral("ファイル名")},
                                                  std::pair{i18n::UiLanguage::English, QStringLiteral("File name")}}) {
        SCOPED_TRACE(std::string(i18n::languageCode(language)));
        ui::installTranslations(language);
        QFileDialog dialog;
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        QStringList labels;
        for (const QLabel* label : dialog.findChildren<QLabel*>())
            labels << label->text().remove(QLatin1Char('&'));
        EXPECT_TRUE(std::any_of(labels.begin(), labels.end(), [&](const QString& t) { return t.startsWith(fileNameLabel); }))
            << labels.join(QLatin1Char('|')).toStdString();
    }
}

// The comparison settings keep their designed, fixed geometry: every caption must fit its place in
// both languages (an English caption is easily twice as wide as its Japanese source).
TEST_F(TranslationsTest, TheComparisonSettingsCaptionsFitTheirPlacesInBothLanguages)
{
    for (const i18n::UiLanguage language : {i18n::UiLanguage::Japanese, i18n::UiLanguage::English}) {
        SCOPED_TRACE(std::string(i18n::languageCode(language)));
        ui::installTranslations(language);
        ui::CompSettingsDialog dialog(dialogs);
        int checked = 0;
        for (const QWidget* widget : dialog.findChildren<QWidget*>()) {
            QString text;
            int padding = 0;
            if (const auto* label = qobject_cast<const QLabel*>(widget)) {
                text = label->text();
            } else if (const auto* button = qobject_cast<const QPushButton*>(widget)) {
                text = button->text();
                padding = 6 + (button->icon().isNull() ? 0 : button->iconSize().width() + 4);
            }
            if (text.isEmpty())
                continue;
            ++checked;
            const int needed = widget->fontMetrics().horizontalAdvance(text) + padding;
            EXPECT_LE(needed, widget->width()) << widget->objectName().toStdString() << " \"" << text.toStdString() << "\"";
        }
        EXPECT_GE(checked, 5 + 4 + 10 + 2);
    }
}

} // namespace
} // namespace dg::test
