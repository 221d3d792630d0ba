#pragma once
// UserDialogs shown with Qt's own boxes: QMessageBox, QFileDialog, QColorDialog, QDialog::exec
// and QDesktopServices. Every box carries the application title as its caption.
#include "ui/user_dialogs.h"

#include <QPointer>
#include <QWidget>

namespace dg::ui {

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
