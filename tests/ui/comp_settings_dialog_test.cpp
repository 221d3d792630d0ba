// The comparison-settings dialog: checking the thresholds as they are typed, the colour buttons,
// and CSet1 filling the dialog from the settings and storing them on OK only.
#include "main_window_fixture.h"

#include "ui/comp_settings_dialog.h"
#include "ui/system_colors.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace dg::test {
namespace {
using ui::CommandId;
using ui::CompSettingsDialog;

const QColor kPureRed(255, 0, 0);

// Replaces field's content the way a user does: select all, then type (an empty text is a Delete
// of the selection; text that has no key on the keyboard is pasted).
void type(QLineEdit* field, const QString& text)
{
    field->setFocus();
    field->selectAll();
    bool ascii = true;
    for (const QChar c : text)
        ascii = ascii && c.unicode() < 0x80;
    if (text.isEmpty())
        QTest::keyClick(field, Qt::Key_Delete);
    else if (ascii)
        QTest::keyClicks(field, text);
    else
        field->insert(text);
}

QColor fieldBackground(const CompSettingsDialog& dialog, int field)
{
    return dialog.thresholdField(field)->palette().color(QPalette::Base);
}

QStringList fieldTexts(const CompSettingsDialog& dialog)
{
    QStringList texts;
    for (int field = 0; field < CompSettingsDialog::kFieldCount; ++field)
        texts.append(dialog.thresholdField(field)->text());
    return texts;
}

std::vector<bool> redFields(const CompSettingsDialog& dialog)
{
    std::vector<bool> red;
    for (int field = 0; field < CompSettingsDialog::kFieldCount; ++field)
        red.push_back(dialog.fieldMarkedInvalid(field));
    return red;
}

class CompSettingsDialogTest : public MainWindowTest {
protected:
    // A new dialog: it holds the default thresholds.
    std::unique_ptr<CompSettingsDialog> defaultDialog() { return std::make_unique<CompSettingsDialog>(dialogs); }

    std::unique_ptr<ui::MainWindow> makeWindowWithDialog()
    {
        auto window = makeWindow();
        window->setCompSettingsDialog(&settingsDialog);
        return window;
    }

    // Triggers CSet1; while the dialog is shown, act runs on it and then closeWith is clicked.
    void openSettings(ui::MainWindow& window, const std::function<void(CompSettingsDialog&)>& act,
                      QPushButton* (CompSettingsDialog::*closeWith)() const)
    {
        dialogs.onModal = [&](QDialog& shown) {
            EXPECT_EQ(&shown, &settingsDialog);
            shown.setResult(QDialog::Rejected);
            shown.show();
            act(settingsDialog);
            if (shown.isVisible())
                QTest::mouseClick((settingsDialog.*closeWith)(), Qt::LeftButton);
            if (shown.isVisible())
                shown.reject(); // a disabled button does not close it
            return shown.result();
        };
        window.action(CommandId::CSet1)->trigger();
        dialogs.onModal = nullptr;
    }

    std::string compSection() const
    {
        const std::string text = readFile(settingsPath());
        const std::size_t start = text.find("[Comp]");
        if (start == std::string::npos)
            return {};
        const std::size_t end = text.find('[', start + 1);
        return text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    }

    CompSettingsDialog settingsDialog{dialogs};
};

TEST_F(CompSettingsDialogTest, TheChangedFieldIsHeldToOneTo999AndEveryFieldToANonZeroInteger)
{
    struct Case {
        int field;
        QString text;
        bool valid;
    };
    const Case cases[] = {
        {1, "0", false},       {0, "1", true},           {1, "999", true},      {1, "1000", false},
        {2, "", false},        {3, "abc", false},        {3, "3O", false},      {1, "-5", false},
        {0, "+7", true},       {1, "$14", true},         {1, "$3E8", false},    {0, " 5", false},
        {0, "5 ", false},      {0, "0x14", false},       {3, "０３", false},    {2, "9999999999", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString() + " in Memo" + std::to_string(c.field + 1));
        auto dialog = defaultDialog();
        ASSERT_TRUE(dialog->okButton()->isEnabled());
        type(dialog->thresholdField(c.field), c.text);
        EXPECT_EQ(dialog->thresholdField(c.field)->text(), c.text);
        EXPECT_EQ(dialog->okButton()->isEnabled(), c.valid);
        std::vector<bool> expectedRed(CompSettingsDialog::kFieldCount, false);
        expectedRed[static_cast<std::size_t>(c.field)] = !c.valid;
        EXPECT_EQ(redFields(*dialog), expectedRed);
        EXPECT_EQ(fieldBackground(*dialog, c.field), c.valid ? dialog->palette().color(QPalette::Base) : kPureRed);
    }
}

TEST_F(CompSettingsDialogTest, ALimitAboveItsGreaterLimitStaysRedUntilTheOtherIsRaised)
{
    auto dialog = defaultDialog();
    type(dialog->thresholdField(0), "40"); // Memo2 holds 30
    EXPECT_EQ(redFields(*dialog), (std::vector<bool>{true, false, false, false}));
    EXPECT_FALSE(dialog->okButton()->isEnabled());

    type(dialog->thresholdField(1), "50");
    EXPECT_EQ(redFields(*dialog), (std::vector<bool>{false, false, false, false}));
    for (int field = 0; field < CompSettingsDialog::kFieldCount; ++field)
        EXPECT_EQ(fieldBackground(*dialog, field), dialog->palette().color(QPalette::Base));
    EXPECT_TRUE(dialog->okButton()->isEnabled());

    type(dialog->thresholdField(3), "9"); // Memo3 holds 10
    EXPECT_EQ(redFields(*dialog), (std::vector<bool>{false, false, false, true}));
    EXPECT_FALSE(dialog->okButton()->isEnabled());
}

TEST_F(CompSettingsDialogTest, RedFieldsKeepTheirColourUntilTheWholeEntryIsValid)
{
    auto dialog = defaultDialog();
    type(dialog->thresholdField(0), "0");
    type(dialog->thresholdField(2), "x");
    EXPECT_EQ(redFields(*dialog), (std::vector<bool>{true, false, true, false}));
    type(dialog->thresholdField(0), "5"); // in range, but Memo3 is still no number
    EXPECT_EQ(redFields(*dialog), (std::vector<bool>{true, false, true, false}));
    EXPECT_FALSE(dialog->okButton()->isEnabled());
    type(dialog->thresholdField(2), "10");
    EXPECT_EQ(redFields(*dialog), (std::vector<bool>{false, false, false, false}));
    EXPECT_TRUE(dialog->okButton()->isEnabled());
    EXPECT_EQ(dialog->limits(), (std::array<std::int32_t, 4>{5, 30, 10, 30}));
}

TEST_F(CompSettingsDialogTest, ANegativeLimitLeftInAnotherFieldPassesOnceAnotherFieldChanges)
{
    auto dialog = defaultDialog();
    type(dialog->thresholdField(2), "-5");
    EXPECT_FALSE(dialog->okButton()->isEnabled());
    type(dialog->thresholdField(0), "20");
    EXPECT_TRUE(dialog->okButton()->isEnabled());
    EXPECT_EQ(redFields(*dialog), (std::vector<bool>{false, false, false, false}));
    EXPECT_EQ(dialog->limits(), (std::array<std::int32_t, 4>{20, 30, -5, 30}));
}

TEST_F(CompSettingsDialogTest, EachColourButtonChangesItsOwnRowFromTheRowsColour)
{
    // Every row starts with colours of its own, so a change to the wrong row shows.
    for (int row = 0; row < CompSettingsDialog::kRowCount; ++row)
        settingsDialog.setRowColors(row, static_cast<TColor>(row), 0x00101010 + static_cast<TColor>(row));
    const auto allColors = [this] {
        std::vector<TColor> colors;
        for (int row = 0; row < CompSettingsDialog::kRowCount; ++row) {
            colors.push_back(settingsDialog.rowTextColor(row));
            colors.push_back(settingsDialog.rowBackgroundColor(row));
        }
        return colors;
    };
    for (int button = 0; button < 2 * CompSettingsDialog::kRowCount; ++button) {
        SCOPED_TRACE(button);
        const bool text = button < CompSettingsDialog::kRowCount;
        const int row = text ? button : button - CompSettingsDialog::kRowCount;
        QPushButton* pushed = settingsDialog.findChild<QPushButton*>(QStringLiteral("Button%1").arg(button));
        ASSERT_NE(pushed, nullptr);
        const TColor before = text ? settingsDialog.rowTextColor(row) : settingsDialog.rowBackgroundColor(row);
        std::vector<TColor> expected = allColors();
        const QColor chosen(10 * button, 100, 200);
        dialogs.colorPresets.clear();
        dialogs.colorAnswers = {chosen};
        QTest::mouseClick(pushed, Qt::LeftButton);
        ASSERT_EQ(dialogs.colorPresets.size(), 1u);
        EXPECT_EQ(ui::fromQColor(dialogs.colorPresets[0]), before);
        const TColor after = text ? settingsDialog.rowTextColor(row) : settingsDialog.rowBackgroundColor(row);
        EXPECT_EQ(after, ui::fromQColor(chosen));
        const QPalette shown = settingsDialog.sampleLabel(row)->palette();
        EXPECT_EQ(shown.color(text ? QPalette::WindowText : QPalette::Window), chosen);
        expected[static_cast<std::size_t>(2 * row + (text ? 0 : 1))] = after;
        EXPECT_EQ(allColors(), expected);
        // A cancelled chooser changes nothing.
        QTest::mouseClick(pushed, Qt::LeftButton);
        EXPECT_EQ(text ? settingsDialog.rowTextColor(row) : settingsDialog.rowBackgroundColor(row), after);
    }
}

TEST_F(CompSettingsDialogTest, DefaultSettingsOpenWithTheirLimitsAndColoursAndOkEnabled)
{
    auto window = makeWindowWithDialog();
    openSettings(
        *window,
        [](CompSettingsDialog& dialog) {
            EXPECT_EQ(fieldTexts(dialog), (QStringList{"10", "30", "10", "30"}));
            EXPECT_TRUE(dialog.okButton()->isEnabled());
            EXPECT_EQ(redFields(dialog), (std::vector<bool>{false, false, false, false}));
            const QPalette own = dialog.palette();
            const QPalette label1 = dialog.sampleLabel(0)->palette();
            EXPECT_EQ(label1.color(QPalette::WindowText), own.color(QPalette::Disabled, QPalette::Text));
            EXPECT_EQ(label1.color(QPalette::Window), QColor(255, 255, 0));
            const QPalette label3 = dialog.sampleLabel(2)->palette();
            EXPECT_EQ(label3.color(QPalette::WindowText), kPureRed);
            EXPECT_EQ(label3.color(QPalette::Window), own.color(QPalette::Base));
        },
        &CompSettingsDialog::cancelButton);
    EXPECT_EQ(dialogs.texts(RecordingDialogs::Kind::Modal), QStringList{"TForm3"});
    EXPECT_FALSE(std::filesystem::exists(settingsPath()));
}

TEST_F(CompSettingsDialogTest, AStoredZeroLimitOpensWithTheLastFieldRedAndCannotBeConfirmed)
{
    folder.writeBytes("dirgauge.ini", "[Comp]\r\nF3D2_Limit=0\r\n");
    const std::string before = readFile(settingsPath());
    auto window = makeWindowWithDialog();
    const auto expectOpenedRed = [](CompSettingsDialog& dialog) {
        EXPECT_EQ(fieldTexts(dialog), (QStringList{"10", "30", "10", "0"}));
        EXPECT_EQ(redFields(dialog), (std::vector<bool>{false, false, false, true}));
        EXPECT_EQ(fieldBackground(dialog, 3), kPureRed);
        EXPECT_FALSE(dialog.okButton()->isEnabled());
    };
    openSettings(*window, expectOpenedRed, &CompSettingsDialog::okButton);
    // The second opening sets the texts the fields already hold: the field keeps its colour.
    openSettings(*window, expectOpenedRed, &CompSettingsDialog::okButton);
    EXPECT_EQ(readFile(settingsPath()), before);
    EXPECT_EQ(window->compSetting().F3D2_Limit, 0);
}

TEST_F(CompSettingsDialogTest, CancelAfterChoosingColoursStoresNothingAndTheNextOpeningShowsTheStoredOnes)
{
    auto window = makeWindowWithDialog();
    const CompSetting stored = window->compSetting();
    dialogs.colorAnswers = {QColor(1, 2, 3), QColor(4, 5, 6)};
    openSettings(
        *window,
        [](CompSettingsDialog& dialog) {
            QTest::mouseClick(dialog.textColorButton(0), Qt::LeftButton);
            QTest::mouseClick(dialog.backgroundButton(3), Qt::LeftButton);
            type(dialog.thresholdField(1), "70");
            EXPECT_EQ(dialog.rowTextColor(0), 0x00030201u);
            EXPECT_EQ(dialog.rowBackgroundColor(3), 0x00060504u);
        },
        &CompSettingsDialog::cancelButton);
    EXPECT_EQ(window->compSetting(), stored);
    EXPECT_FALSE(std::filesystem::exists(settingsPath()));

    openSettings(
        *window,
        [&](CompSettingsDialog& dialog) {
            EXPECT_EQ(dialog.rowTextColor(0), stored.F3Ad_ChColor);
            EXPECT_EQ(dialog.rowBackgroundColor(3), stored.F3D1_BgColor);
            EXPECT_EQ(dialog.sampleLabel(3)->palette().color(QPalette::Window), dialog.palette().color(QPalette::Base));
            EXPECT_EQ(fieldTexts(dialog), (QStringList{"10", "30", "10", "30"}));
        },
        &CompSettingsDialog::cancelButton);
}

TEST_F(CompSettingsDialogTest, EscClosesTheDialogAsCancel)
{
    auto window = makeWindowWithDialog();
    openSettings(
        *window,
        [](CompSettingsDialog& dialog) {
            type(dialog.thresholdField(0), "20");
            QTest::keyClick(&dialog, Qt::Key_Escape);
            EXPECT_FALSE(dialog.isVisible());
        },
        &CompSettingsDialog::okButton);
    EXPECT_EQ(window->compSetting().F3U1_Limit, 10);
    EXPECT_FALSE(std::filesystem::exists(settingsPath()));
}

TEST_F(CompSettingsDialogTest, OkWithoutAComparisonSavesTheSectionExactlyAndSendsNothing)
{
    auto window = makeWindowWithDialog();
    window->action(CommandId::Synchro1)->trigger(); // the section carries the current check mark
    partner.sent.clear();
    dialogs.colorAnswers = {kPureRed};
    openSettings(
        *window,
        [](CompSettingsDialog& dialog) {
            QTest::mouseClick(dialog.backgroundButton(1), Qt::LeftButton);
            type(dialog.thresholdField(0), "15");
            type(dialog.thresholdField(3), "$2D");
            ASSERT_TRUE(dialog.okButton()->isEnabled());
        },
        &CompSettingsDialog::okButton);

    // A settings file created new ends its lines with CR LF.
    EXPECT_EQ(compSection(), "[Comp]\r\n"
                             "F3Ad_ChColor=-16777199\r\n"
                             "F3Ad_BgColor=65535\r\n"
                             "F3U1_ChColor=16711935\r\n"
                             "F3U1_BgColor=255\r\n"
                             "F3U2_ChColor=255\r\n"
                             "F3U2_BgColor=-16777211\r\n"
                             "F3D1_ChColor=65280\r\n"
                             "F3D1_BgColor=-16777211\r\n"
                             "F3D2_ChColor=16711680\r\n"
                             "F3D2_BgColor=-16777211\r\n"
                             "F3U1_Limit=15\r\n"
                             "F3U2_Limit=30\r\n"
                             "F3D1_Limit=10\r\n"
                             "F3D2_Limit=45\r\n"
                             "Synchro=0\r\n");
    EXPECT_EQ(window->compSetting().F3U1_BgColor, 0x000000FFu);
    EXPECT_EQ(window->compSetting().F3U2_BgColor, kClWindow);
    EXPECT_EQ(window->compSetting().F3D2_Limit, 45);
    EXPECT_TRUE(partner.sent.empty());
    EXPECT_TRUE(dialogs.errors().isEmpty());
}

TEST_F(CompSettingsDialogTest, OkDuringAComparisonReclassifiesAndTellsThePartner)
{
    const QString samples = QString::fromUtf8(DG_SOURCE_DIR) + "/samples/";
    auto window = makeWindowWithDialog();
    window->guarded([&] { window->LoadFile(samples + "newer.txt"); });
    window->guarded([&] { window->LoadBaseFile(samples + "older.txt", QStringLiteral("N")); });
    ASSERT_EQ(window->baseName(), samples + "older.txt");
    const auto count = [&window](ChangeClass cls) {
        std::size_t n = 0;
        for (NodeId node = 1; node < window->tree().nodeCount(); ++node)
            n += window->tree().changeClass(node) == cls ? 1 : 0;
        return n;
    };
    ASSERT_GT(count(ChangeClass::Increased), 0u);
    ASSERT_GT(count(ChangeClass::Decreased) + count(ChangeClass::GreatlyDecreased), 0u);
    const std::size_t added = count(ChangeClass::Added);
    partner.sent.clear();
    dialogs.clear();

    // With every limit at 999 no folder can shrink that much, and every growth that reaches the
    // first limit also reaches the second.
    openSettings(
        *window,
        [](CompSettingsDialog& dialog) {
            for (int field : {1, 0, 3, 2})
                type(dialog.thresholdField(field), "999");
        },
        &CompSettingsDialog::okButton);
    EXPECT_EQ(window->compSetting().F3D2_Limit, 999);
    EXPECT_NE(compSection().find("F3U1_Limit=999\r\n"), std::string::npos);
    EXPECT_EQ(count(ChangeClass::Increased), 0u);
    EXPECT_EQ(count(ChangeClass::Decreased) + count(ChangeClass::GreatlyDecreased), 0u);
    EXPECT_EQ(count(ChangeClass::Added), added);
    ASSERT_EQ(partner.sent.size(), 1u);
    EXPECT_EQ(partner.sent[0].first, "Dirgauge - " + samples + "older.txt");
    EXPECT_EQ(partner.sent[0].second, ui::PartnerMessage::ReloadComp);
    EXPECT_TRUE(dialogs.errors().isEmpty());
}

TEST_F(CompSettingsDialogTest, ARefusedSettingsWriteIsReported)
{
    std::filesystem::create_directories(settingsPath()); // a folder where the file should be
    auto window = makeWindowWithDialog();
    openSettings(*window, [](CompSettingsDialog&) {}, &CompSettingsDialog::okButton);
    EXPECT_EQ(dialogs.errors(), QStringList{QString::fromStdString(settingsPath().string()) + " に書き込めません"});
    EXPECT_TRUE(partner.sent.empty());
}

} // namespace
} // namespace dg::test
