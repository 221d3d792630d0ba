#pragma once
// UserDialogs shown with Qt's own boxes: QMessageBox, QFileDialog, QColorDialog, QDialog::exec
// and QDesktopServices. Every box carries the application title as its caption.
#include "ui/user_dialogs.h"

#include <QFont>
#include <QPointer>
#include <QWidget>

#include <memory>

class QFileDialog;
class QMessageBox;

namespace dg::ui {

// The file chooser of a report, not shown yet. It takes any name typed in: a file that does not
// exist is the load's to report, with its own message, rather than the chooser's.
std::unique_ptr<QFileDialog> makeOpenFileDialog(QWidget* parent, const OpenFileRequest& request);

// A message box with an OK button, not shown yet: raw as messageContent makes it (line breaks,
// a column of values), in pathFont.
std::unique_ptr<QMessageBox> makeMessageBox(QWidget* parent, const QString& caption, const QString& raw,
                                            bool isError = false);

// base with a family list that draws U+005C as a backslash. IPAGothic, the Japanese font, draws
// that code as a yen sign, so a path in it would show "C:¥Users"; and where a Latin font comes
// first, the backslash beside Japanese characters may still fall to the Japanese font. A Latin
// family that has the backslash therefore goes first, then base's own families (Japanese text
// falls through to them), then IPAGothic.
QFont pathFont(const QFont& base);

class QtUserDialogs : public UserDialogs {
public:
    explicit QtUserDialogs(QString caption) : m_caption(std::move(caption)) {}

    // The window the boxes are modal to and centred on; may be left unset.
    void setParent(QWidget* parent) { m_parent = parent; }

    void message(const QString& text) override;
    void error(const QString& text) override;
    std::optional<QString> openFile(const OpenFileRequest& request) override;
    int execModal(QDialog& dialog) override;
    std::optional<QColor> chooseColor(const QColor& initial, QWidget* parent) override;
    void openUrl(const QUrl& address) override;
    std::optional<QString> chooseFolder(const FolderRequest& request) override;
    std::optional<QString> saveFile(const SaveFileRequest& request) override;

private:
    QString m_caption;
    QPointer<QWidget> m_parent; // not owned
};

} // namespace dg::ui
