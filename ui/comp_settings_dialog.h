#pragma once
// `TForm3`: the comparison-settings dialog. One row per change class (added, increased, greatly
// increased, decreased, greatly decreased) with a sample label in the class's colours, the two
// colour buttons and, for the four classes with a limit, a percentage field. The main window's
// CSet1Click fills it from the comparison settings, shows it and takes the values back on OK.
//
// Made hidden at start-up and reused: it keeps its last texts and colours between openings. It
// starts with the default limits and colours, and OK enabled.
//
// Threshold fields are single-line edits, so "the first line" of a field is its whole text, and
// the OK button is enabled only after a change that left all four fields valid. A confirmed
// dialog therefore always yields four integers (limits()).
#include "settings/comp_setting.h"

#include <QDialog>

#include <array>
#include <cstdint>
#include <optional>

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

namespace dg::ui {

class UserDialogs;

class CompSettingsDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kRowCount = 5;   // sample labels Label1..Label5
    static constexpr int kFieldCount = 4; // threshold fields Memo1..Memo4 (rows 2 to 5)
    static constexpr int kMaxThreshold = 999;

    // The CompSetting fields shown in each row, top to bottom, and behind Memo1..Memo4.
    struct RowFields {
        TColor CompSetting::*text;
        TColor CompSetting::*background;
    };
    static constexpr std::array<RowFields, kRowCount> kRowFields{{
        {&CompSetting::F3Ad_ChColor, &CompSetting::F3Ad_BgColor},
        {&CompSetting::F3U1_ChColor, &CompSetting::F3U1_BgColor},
        {&CompSetting::F3U2_ChColor, &CompSetting::F3U2_BgColor},
        {&CompSetting::F3D1_ChColor, &CompSetting::F3D1_BgColor},
        {&CompSetting::F3D2_ChColor, &CompSetting::F3D2_BgColor},
    }};
    static constexpr std::array<std::int32_t CompSetting::*, kFieldCount> kLimitFields{
        &CompSetting::F3U1_Limit, &CompSetting::F3U2_Limit, &CompSetting::F3D1_Limit, &CompSetting::F3D2_Limit};

    // Colour choices go to dialogs.chooseColor; dialogs must outlive the dialog.
    explicit CompSettingsDialog(UserDialogs& dialogs, QWidget* parent = nullptr);

    // The value of a threshold text: an optional "+" or "-", then decimal digits, or hexadecimal
    // digits after "$"; nothing before or after, and within the 32-bit signed range. Nothing
    // when the text is no such integer (an empty text included).
    static std::optional<std::int32_t> thresholdValue(const QString& text);

    // Row 0..4: the sample label shows its caption in text on background. The colours are kept
    // as given, so a system colour stays a system colour until a colour is chosen for it.
    void setRowColors(int row, TColor text, TColor background);
    TColor rowTextColor(int row) const { return m_rows[static_cast<std::size_t>(row)].text; }
    TColor rowBackgroundColor(int row) const { return m_rows[static_cast<std::size_t>(row)].background; }

    // Field 0..3 (Memo1..Memo4). Setting a text that differs from the field's runs Memo1Change
    // for it; setting the text it already holds runs nothing, so the field keeps its colour.
    void setThresholdText(int field, const QString& text);
    // The four thresholds in field order; nothing unless every field holds an integer.
    std::optional<std::array<std::int32_t, kFieldCount>> limits() const;
    // Whether the field shows the red background of a rejected entry.
    bool fieldMarkedInvalid(int field) const;

    // Change handler of the four threshold fields: checks the changed field (1 to 999) and the
    // whole entry (every field a non-zero integer, Memo1 <= Memo2, Memo3 <= Memo4). Valid: every
    // field gets the normal window background and OK is enabled. Not valid: the changed field
    // turns red and OK is disabled; the other fields keep their colours.
    void Memo1Change(QLineEdit* field);
    // Text-colour buttons Button0..Button4 (row N+1 for ButtonN) and background buttons
    // Button5..Button9 (row N-4): the colour chooser starts at the label's current colour; a
    // confirmed choice becomes the label's colour. Any other button does nothing.
    void Button0Click(QPushButton* button);
    void Button5Click(QPushButton* button);

    QFrame* panel() const { return m_panel; }
    QLabel* sampleLabel(int row) const { return m_rows[static_cast<std::size_t>(row)].label; }
    QLabel* unitLabel(int field) const { return m_units[static_cast<std::size_t>(field)]; }
    QLineEdit* thresholdField(int field) const { return m_fields[static_cast<std::size_t>(field)]; }
    QPushButton* textColorButton(int row) const { return m_textButtons[static_cast<std::size_t>(row)]; }
    QPushButton* backgroundButton(int row) const { return m_backButtons[static_cast<std::size_t>(row)]; }
    QPushButton* okButton() const { return m_ok; }
    QPushButton* cancelButton() const { return m_cancel; }

protected:
    void changeEvent(QEvent* event) override;

private:
    struct Row {
        QLabel* label = nullptr;
        TColor text = 0;
        TColor background = 0;
    };

    void paintRow(std::size_t row);
    void markField(std::size_t field, bool invalid);
    int fieldIndex(const QLineEdit* field) const;

    UserDialogs& m_dialogs; // not owned
    QFrame* m_panel = nullptr;
    std::array<Row, kRowCount> m_rows{};
    std::array<QLineEdit*, kFieldCount> m_fields{};
    std::array<bool, kFieldCount> m_fieldInvalid{};
    std::array<QLabel*, kFieldCount> m_units{};
    std::array<QPushButton*, kRowCount> m_textButtons{};
    std::array<QPushButton*, kRowCount> m_backButtons{};
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
};

} // namespace dg::ui
