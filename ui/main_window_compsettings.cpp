// The comparison-settings command: the dialog filled from CompSetting, shown, and its values
// stored, re-classified and passed on to the partner on OK.
#include "ui/main_window.h"

#include "ui/comp_settings_dialog.h"

#include <QCoreApplication>

namespace dg::ui {

void MainWindow::CSet1Click()
{
    if (!m_compSettingsDialog)
        return;
    CompSettingsDialog& dialog = *m_compSettingsDialog;
    CompSetting& comp = m_settings.comp();
    for (int row = 0; row < CompSettingsDialog::kRowCount; ++row) {
        const auto& fields = CompSettingsDialog::kRowFields[static_cast<std::size_t>(row)];
        dialog.setRowColors(row, comp.*fields.text, comp.*fields.background);
    }
    // In field order: each field whose text changes is checked as it is set, so a bad stored
    // limit in a later field is the one that shows red.
    for (int field = 0; field < CompSettingsDialog::kFieldCount; ++field)
        dialog.setThresholdText(
            field, QString::number(comp.*CompSettingsDialog::kLimitFields[static_cast<std::size_t>(field)]));

    if (m_dialogs.execModal(dialog) != QDialog::Accepted)
        return;
    // OK is enabled only while all four fields hold integers; anything else counts as a cancel.
    const auto limits = dialog.limits();
    if (!limits)
        return;

    for (int row = 0; row < CompSettingsDialog::kRowCount; ++row) {
        const auto& fields = CompSettingsDialog::kRowFields[static_cast<std::size_t>(row)];
        comp.*fields.text = dialog.rowTextColor(row);
        comp.*fields.background = dialog.rowBackgroundColor(row);
    }
    for (std::size_t field = 0; field < limits->size(); ++field)
        comp.*CompSettingsDialog::kLimitFields[field] = (*limits)[field];
    m_settings.saveComp();

    if (m_session.baseName().empty())
        return;
    SetColorInfo();
    QCoreApplication::processEvents();
    m_partner->send(partnerTitle(), PartnerMessage::ReloadComp);
    raise();
    activateWindow();
}

} // namespace dg::ui
