#include "ui/qt_user_dialogs.h"

#include "ui/message_text.h"

#include <QColorDialog>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>

namespace dg::ui {
namespace {

void showBox(QWidget* parent, QMessageBox::Icon icon, const QString& caption, const QString& raw)
{
    const MessageContent content = messageContent(raw);
    QMessageBox box(icon, caption, content.text, QMessageBox::Ok, parent);
    box.setTextFormat(content.richText ? Qt::RichText : Qt::PlainText);
    box.setTextInteractionFlags(Qt::TextSelectableByMouse);
    box.exec();
}

} // namespace

void QtUserDialogs::message(const QString& text)
{
    showBox(m_parent, QMessageBox::NoIcon, m_caption, text);
}

void QtUserDialogs::error(const QString& text)
{
    showBox(m_parent, QMessageBox::Critical, m_caption, text);
}

std::optional<QString> QtUserDialogs::openFile(const OpenFileRequest& request)
{
    // One filter that shows every file: "*" rather than "*.*", which would hide names without a
    // dot on this platform.
    const QString filter = request.filterName + QStringLiteral(" (*)");
    const QString chosen = QFileDialog::getOpenFileName(m_parent, request.title, request.initialFolder, filter);
    if (chosen.isEmpty())
        return std::nullopt;
    return chosen;
}

int QtUserDialogs::execModal(QDialog& dialog)
{
    return dialog.exec();
}

std::optional<QColor> QtUserDialogs::chooseColor(const QColor& initial, QWidget* parent)
{
    const QColor chosen = QColorDialog::getColor(initial, parent ? parent : m_parent.data(), m_caption);
    if (!chosen.isValid())
        return std::nullopt;
    return chosen;
}

void QtUserDialogs::openUrl(const QUrl& address)
{
    QDesktopServices::openUrl(address);
}

std::optional<QString> QtUserDialogs::chooseFolder(const FolderRequest& request)
{
    const QString chosen = QFileDialog::getExistingDirectory(m_parent, request.title, request.initialFolder);
    if (chosen.isEmpty())
        return std::nullopt;
    return chosen;
}

std::optional<QString> QtUserDialogs::saveFile(const SaveFileRequest& request)
{
    const QString filter = request.filterName + QStringLiteral(" (*)");
    const QString chosen = QFileDialog::getSaveFileName(m_parent, request.title, request.proposedPath, filter);
    if (chosen.isEmpty())
        return std::nullopt;
    return chosen;
}

} // namespace dg::ui
