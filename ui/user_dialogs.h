#pragma once
// Every box the viewer shows to the user goes through this interface: messages, the error box,
// the file and folder choosers, the colour chooser, modal dialogs and the web browser. The window asks; the
// Qt implementation shows real boxes, and the widget tests answer with a recording fake instead
// of blocking.
#include <QColor>
#include <QString>
#include <QUrl>

#include <optional>

class QDialog;
class QWidget;

namespace dg::ui {

struct OpenFileRequest {
    QString title;         // the dialog's title
    QString filterName;    // the one filter's name; it matches every file
    QString initialFolder; // empty: the system chooses
};

struct FolderRequest {
    QString title;         // the dialog's title
    QString initialFolder; // empty: the system chooses
};

struct SaveFileRequest {
    QString title;        // the dialog's title
    QString filterName;   // the one filter's name; it matches every file
    QString proposedPath; // the folder the dialog starts in and the name it proposes
};

class UserDialogs {
public:
    virtual ~UserDialogs() = default;

    // A modal message box with an OK button; returns when it is dismissed. The text may hold
    // "\r" line breaks and tabs that line values up in a column.
    virtual void message(const QString& text) = 0;
    // The error box of the error guard: modal, OK, returns when dismissed.
    virtual void error(const QString& text) = 0;
    // The file chooser; the chosen file's full path, or nothing when the user cancels.
    virtual std::optional<QString> openFile(const OpenFileRequest& request) = 0;
    // Shows dialog modally and returns its result code when it is closed.
    virtual int execModal(QDialog& dialog) = 0;
    // The colour chooser, modal to parent and preset with initial; the chosen colour, or nothing
    // when the user cancels. A viewer with nobody to ask (a tool that never opens the
    // comparison settings) may keep this default, which answers as a cancel.
    virtual std::optional<QColor> chooseColor([[maybe_unused]] const QColor& initial,
                                              [[maybe_unused]] QWidget* parent)
    {
        return std::nullopt;
    }
    // The folder chooser; the chosen folder's full path, or nothing when the user cancels. The
    // default answers as a cancel, for viewers with nobody to ask.
    virtual std::optional<QString> chooseFolder([[maybe_unused]] const FolderRequest& request)
    {
        return std::nullopt;
    }
    // The chooser of a file to write, which asks before it names an existing file; the chosen
    // full path, or nothing when the user cancels. The default answers as a cancel.
    virtual std::optional<QString> saveFile([[maybe_unused]] const SaveFileRequest& request)
    {
        return std::nullopt;
    }
    // Asks the desktop to open address (a web page in the browser). Failure is not reported.
    virtual void openUrl(const QUrl& address) = 0;
};

} // namespace dg::ui
