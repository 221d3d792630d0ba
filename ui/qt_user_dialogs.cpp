#include "ui/qt_user_dialogs.h"

#include "ui/file_name.h"
#include "ui/message_text.h"

#include <QColorDialog>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>

namespace dg::ui {

std::unique_ptr<QFileDialog> makeOpenFileDialog(QWidget* parent, const OpenFileRequest& request)
{
    // One filter that shows every file: "*" rather than "*.*", which would hide names without a
    // dot on this platform.
    auto dialog = std::make_unique<QFileDialog>(parent, request.title, request.initialFolder,
                                                request.filterName + QStringLiteral(" (*)"));
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    // AnyFile: no "File not found" check of a typed name (ExistingFile would make one).
    dialog->setFileMode(QFileDialog::AnyFile);
    return dialog;
}

std::unique_ptr<QMessageBox> makeMessageBox(QWidget* parent, const QString& caption, const QString& raw, bool isError)
{
    const MessageContent content = messageContent(raw);
    auto box = std::make_unique<QMessageBox>(isError ? QMessageBox::Critical : QMessageBox::NoIcon, caption,
                                             content.text, QMessageBox::Ok, parent);
    box->setTextFormat(content.richText ? Qt::RichText : Qt::PlainText);
    box->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // The details of a folder show its path.
    box->setFont(pathFont(box->font()));
    return box;
}

QFont pathFont(const QFont& base)
{
    QStringList families{QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans"),
                         QStringLiteral("Noto Sans")};
    for (const QString& family : base.families().isEmpty() ? QStringList{base.family()} : base.families()) {
        if (!families.contains(family))
            families.append(family);
    }
    if (!families.contains(QStringLiteral("IPAGothic")))
        families.append(QStringLiteral("IPAGothic"));
    QFont font = base;
    font.setFamilies(families);
    return font;
}

void QtUserDialogs::message(const QString& text)
{
    makeMessageBox(m_parent, m_caption, text)->exec();
}

void QtUserDialogs::error(const QString& text)
{
    makeMessageBox(m_parent, m_caption, text, true)->exec();
}

std::optional<QString> QtUserDialogs::openFile(const OpenFileRequest& request)
{
    const std::unique_ptr<QFileDialog> dialog = makeOpenFileDialog(m_parent, request);
    if (dialog->exec() != QDialog::Accepted)
        return std::nullopt;
    const QStringList chosen = dialog->selectedFiles();
    if (chosen.isEmpty() || chosen.front().isEmpty())
        return std::nullopt;
    // The dialog shows names through Qt's decoding, which spoils bytes that are not UTF-8.
    return recoverDecodedName(chosen.front());
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
