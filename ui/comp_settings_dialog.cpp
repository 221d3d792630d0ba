#include "ui/comp_settings_dialog.h"

#include "ui/main_window.h"
#include "ui/system_colors.h"
#include "ui/user_dialogs.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFontDatabase>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>

#include <limits>

namespace dg::ui {
namespace {

constexpr int kClientWidth = 377;
constexpr int kClientHeight = 253;
constexpr int kFontPixels = 12;

// Positions inside the sunken panel: one row of controls every kRowStep pixels.
constexpr int kPanelLeft = 8;
constexpr int kPanelTop = 8;
constexpr int kPanelWidth = 361;
constexpr int kPanelHeight = 196;
constexpr int kRowTop = 12;
constexpr int kRowStep = 36;
constexpr int kRowHeight = 22;
constexpr int kLabelLeft = 12;
constexpr int kLabelWidth = 158;
constexpr int kFieldLeft = 176;
constexpr int kFieldWidth = 30;
constexpr int kUnitLeft = 209;
constexpr int kUnitWidth = 40;
constexpr int kButtonLeft = 250;
constexpr int kButtonWidth = 50;
constexpr int kButtonGap = 4;
constexpr int kBottomButtonTop = 216;
constexpr int kBottomButtonWidth = 80;
constexpr int kBottomButtonHeight = 26;

// Red background of a rejected threshold (0x000000FF).
constexpr TColor kInvalidFieldColor = 0x000000FF;

const char* const kRowCaptions[CompSettingsDialog::kRowCount] = {
    QT_TRANSLATE_NOOP("CompSettingsDialog", "新たに追加されたフォルダ"),
    QT_TRANSLATE_NOOP("CompSettingsDialog", "増加したフォルダ"),
    QT_TRANSLATE_NOOP("CompSettingsDialog", "激増したフォルダ"),
    QT_TRANSLATE_NOOP("CompSettingsDialog", "減少したフォルダ"),
    QT_TRANSLATE_NOOP("CompSettingsDialog", "激減したフォルダ"),
};

// family at 12 pixels when it is installed, else fallback at 12 pixels.
QFont fontOrFallback(const QString& family, QFont fallback)
{
    QFont font = QFontDatabase::families().contains(family) ? QFont(family) : std::move(fallback);
    font.setPixelSize(kFontPixels);
    return font;
}

QFont dialogFont()
{
    const QString proportional = QStringLiteral("IPAPGothic");
    QFont fallback = QFontDatabase::families().contains(proportional) ? QFont(proportional) : QFont();
    return fontOrFallback(QString::fromUtf8("ＭＳ Ｐゴシック"), fallback);
}

// The sample labels use a fixed-pitch font; without the designed one, the tree's.
QFont sampleFont()
{
    return fontOrFallback(QString::fromUtf8("ＭＳ ゴシック"), MainWindow::treeFont());
}

std::optional<std::int32_t> digitsValue(QStringView digits, int base, bool negative)
{
    if (digits.isEmpty())
        return std::nullopt;
    // Accumulated as a magnitude that may reach 2^31 for the most negative value.
    const std::int64_t limit = negative ? std::int64_t{1} << 31 : std::numeric_limits<std::int32_t>::max();
    std::int64_t value = 0;
    for (const QChar c : digits) {
        const char16_t u = c.unicode();
        int digit = 0;
        if (u >= u'0' && u <= u'9')
            digit = u - u'0';
        else if (base == 16 && u >= u'a' && u <= u'f')
            digit = u - u'a' + 10;
        else if (base == 16 && u >= u'A' && u <= u'F')
            digit = u - u'A' + 10;
        else
            return std::nullopt;
        value = value * base + digit;
        if (value > limit)
            return std::nullopt;
    }
    return static_cast<std::int32_t>(negative ? -value : value);
}

} // namespace

CompSettingsDialog::CompSettingsDialog(UserDialogs& dialogs, QWidget* parent) : QDialog(parent), m_dialogs(dialogs)
{
    setObjectName(QStringLiteral("TForm3"));
    setWindowTitle(QCoreApplication::translate("CompSettingsDialog", "Dirgauge - 比較の設定"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowFlag(Qt::MSWindowsFixedSizeDialogHint, true);
    setFont(dialogFont());
    setFixedSize(kClientWidth, kClientHeight);

    m_panel = new QFrame(this);
    m_panel->setObjectName(QStringLiteral("Panel1"));
    m_panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_panel->setLineWidth(2);
    m_panel->setGeometry(kPanelLeft, kPanelTop, kPanelWidth, kPanelHeight);

    const QFont labelFont = sampleFont();
    // The dialog starts with the default settings. Its fields hold a valid entry, so an opening
    // that sets these same texts runs no check, and a stored limit that differs is checked
    // against them.
    const CompSetting defaults;
    for (std::size_t row = 0; row < kRowCount; ++row) {
        const int top = kRowTop + static_cast<int>(row) * kRowStep;
        const QString digit = QString::number(row);

        auto* label = new QLabel(QCoreApplication::translate("CompSettingsDialog", kRowCaptions[row]), m_panel);
        label->setObjectName(QStringLiteral("Label") + QString::number(row + 1));
        label->setFont(labelFont);
        label->setAutoFillBackground(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        label->setGeometry(kLabelLeft, top, kLabelWidth, kRowHeight);
        m_rows[row].label = label;
        m_rows[row].text = defaults.*kRowFields[row].text;
        m_rows[row].background = defaults.*kRowFields[row].background;
        paintRow(row);

        if (row > 0) {
            const std::size_t field = row - 1;
            auto* edit = new QLineEdit(QString::number(defaults.*kLimitFields[field]), m_panel);
            edit->setObjectName(QStringLiteral("Memo") + QString::number(field + 1));
            edit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            edit->setGeometry(kFieldLeft, top, kFieldWidth, kRowHeight);
            edit->setTextMargins(0, 0, 0, 0);
            connect(edit, &QLineEdit::textChanged, this, [this, edit] { Memo1Change(edit); });
            m_fields[field] = edit;

            auto* unit = new QLabel(QCoreApplication::translate("CompSettingsDialog", "%以上"), m_panel);
            unit->setObjectName(QStringLiteral("Label") + QString::number(field + 6));
            unit->setGeometry(kUnitLeft, top, kUnitWidth, kRowHeight);
            m_units[field] = unit;
        }

        auto* textButton = new QPushButton(QCoreApplication::translate("CompSettingsDialog", "文字色"), m_panel);
        textButton->setObjectName(QStringLiteral("Button") + digit);
        textButton->setGeometry(kButtonLeft, top, kButtonWidth, kRowHeight);
        textButton->setAutoDefault(false);
        connect(textButton, &QPushButton::clicked, this, [this, textButton] { Button0Click(textButton); });
        m_textButtons[row] = textButton;

        auto* backButton = new QPushButton(QCoreApplication::translate("CompSettingsDialog", "背景色"), m_panel);
        backButton->setObjectName(QStringLiteral("Button") + QString::number(row + kRowCount));
        backButton->setGeometry(kButtonLeft + kButtonWidth + kButtonGap, top, kButtonWidth, kRowHeight);
        backButton->setAutoDefault(false);
        connect(backButton, &QPushButton::clicked, this, [this, backButton] { Button5Click(backButton); });
        m_backButtons[row] = backButton;
    }

    const int buttonsLeft = (kClientWidth - 2 * kBottomButtonWidth - 2 * kButtonGap) / 2;
    m_ok = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), QStringLiteral("OK"), this);
    m_ok->setObjectName(QStringLiteral("BitBtn1"));
    m_ok->setGeometry(buttonsLeft, kBottomButtonTop, kBottomButtonWidth, kBottomButtonHeight);
    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);

    // Esc and the close box reject the dialog as Cancel does (QDialog's own handling).
    m_cancel = new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton), QCoreApplication::translate("CompSettingsDialog", "キャンセル"), this);
    m_cancel->setObjectName(QStringLiteral("BitBtn2"));
    m_cancel->setGeometry(buttonsLeft + kBottomButtonWidth + 2 * kButtonGap, kBottomButtonTop, kBottomButtonWidth,
                          kBottomButtonHeight);
    m_cancel->setAutoDefault(false);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

std::optional<std::int32_t> CompSettingsDialog::thresholdValue(const QString& text)
{
    QStringView rest(text);
    bool negative = false;
    if (!rest.isEmpty() && (rest.front() == u'+' || rest.front() == u'-')) {
        negative = rest.front() == u'-';
        rest = rest.mid(1);
    }
    if (!rest.isEmpty() && rest.front() == u'$')
        return digitsValue(rest.mid(1), 16, negative);
    return digitsValue(rest, 10, negative);
}

void CompSettingsDialog::setRowColors(int row, TColor text, TColor background)
{
    Row& r = m_rows[static_cast<std::size_t>(row)];
    r.text = text;
    r.background = background;
    paintRow(static_cast<std::size_t>(row));
}

void CompSettingsDialog::paintRow(std::size_t row)
{
    const Row& r = m_rows[row];
    QPalette palette = r.label->palette();
    palette.setColor(QPalette::WindowText, toQColor(r.text, this->palette()));
    palette.setColor(QPalette::Window, toQColor(r.background, this->palette()));
    r.label->setPalette(palette);
}

void CompSettingsDialog::setThresholdText(int field, const QString& text)
{
    m_fields[static_cast<std::size_t>(field)]->setText(text);
}

std::optional<std::array<std::int32_t, CompSettingsDialog::kFieldCount>> CompSettingsDialog::limits() const
{
    std::array<std::int32_t, kFieldCount> values{};
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        const auto value = thresholdValue(m_fields[i]->text());
        if (!value)
            return std::nullopt;
        values[i] = *value;
    }
    return values;
}

bool CompSettingsDialog::fieldMarkedInvalid(int field) const
{
    return m_fieldInvalid[static_cast<std::size_t>(field)];
}

void CompSettingsDialog::markField(std::size_t field, bool invalid)
{
    m_fieldInvalid[field] = invalid;
    if (!invalid) {
        // An empty palette inherits the dialog's: the window background (system colour 5).
        m_fields[field]->setPalette(QPalette());
        return;
    }
    QPalette palette;
    palette.setColor(QPalette::Base, toQColor(kInvalidFieldColor, this->palette()));
    m_fields[field]->setPalette(palette);
}

int CompSettingsDialog::fieldIndex(const QLineEdit* field) const
{
    for (std::size_t i = 0; i < kFieldCount; ++i)
        if (m_fields[i] == field)
            return static_cast<int>(i);
    return -1;
}

void CompSettingsDialog::Memo1Change(QLineEdit* field)
{
    const int changed = fieldIndex(field);
    if (changed < 0)
        return;
    const auto own = thresholdValue(field->text());
    const std::int32_t v = own.value_or(0);
    bool valid = !field->text().isEmpty() && v >= 1 && v <= kMaxThreshold;
    const auto values = limits();
    if (!values) {
        valid = false;
    } else {
        for (const std::int32_t value : *values)
            valid = valid && value != 0;
        valid = valid && (*values)[0] <= (*values)[1] && (*values)[2] <= (*values)[3];
    }

    if (valid) {
        for (std::size_t i = 0; i < kFieldCount; ++i)
            markField(i, false);
    } else {
        markField(static_cast<std::size_t>(changed), true);
    }
    m_ok->setEnabled(valid);
}

void CompSettingsDialog::Button0Click(QPushButton* button)
{
    for (std::size_t row = 0; row < kRowCount; ++row) {
        if (m_textButtons[row] != button)
            continue;
        Row& r = m_rows[row];
        if (const auto chosen = m_dialogs.chooseColor(toQColor(r.text, palette()), this)) {
            r.text = fromQColor(*chosen);
            paintRow(row);
        }
        return;
    }
}

void CompSettingsDialog::Button5Click(QPushButton* button)
{
    for (std::size_t row = 0; row < kRowCount; ++row) {
        if (m_backButtons[row] != button)
            continue;
        Row& r = m_rows[row];
        if (const auto chosen = m_dialogs.chooseColor(toQColor(r.background, palette()), this)) {
            r.background = fromQColor(*chosen);
            paintRow(row);
        }
        return;
    }
}

void CompSettingsDialog::changeEvent(QEvent* event)
{
    // System colours follow a change of the desktop's colours while the dialog exists.
    if (event->type() == QEvent::PaletteChange) {
        for (std::size_t row = 0; row < kRowCount; ++row)
            paintRow(row);
    }
    QDialog::changeEvent(event);
}

} // namespace dg::ui
