#pragma once
// UserDialogs for the widget tests: every box is recorded instead of shown, and the file, folder
// and colour choosers answer from queues (an empty answer, or an empty queue, is a cancel). The
// chooser of a file to write answers from its own queue: nothing is a cancel, an empty text takes
// the proposed path. A modal dialog is accepted at once unless onModal acts on it and gives the
// result.
#include "ui/user_dialogs.h"

#include <QDialog>
#include <QStringList>

#include <deque>
#include <functional>
#include <optional>
#include <vector>

namespace dg::test {

class RecordingDialogs : public ui::UserDialogs {
public:
    enum class Kind { Message, Error, OpenFile, Modal, Url, Color, Folder, SaveFile };
    struct Shown {
        Kind kind;
        QString text; // the message, the dialog's object name, the address, or the preset colour
    };

    std::vector<Shown> shown;
    std::vector<ui::OpenFileRequest> openRequests;
    QStringList openAnswers;
    // Runs in place of a modal dialog's event loop; returns the dialog's result code.
    std::function<int(QDialog&)> onModal;
    std::deque<std::optional<QColor>> colorAnswers;
    std::vector<QColor> colorPresets; // the colour each chooser was preset with
    std::vector<ui::FolderRequest> folderRequests;
    QStringList folderAnswers;
    std::vector<ui::SaveFileRequest> saveRequests;
    std::deque<std::optional<QString>> saveAnswers;

    void message(const QString& text) override { shown.push_back({Kind::Message, text}); }
    void error(const QString& text) override { shown.push_back({Kind::Error, text}); }
    std::optional<QString> openFile(const ui::OpenFileRequest& request) override
    {
        shown.push_back({Kind::OpenFile, request.title});
        openRequests.push_back(request);
        const QString answer = openAnswers.isEmpty() ? QString() : openAnswers.takeFirst();
        if (answer.isEmpty())
            return std::nullopt;
        return answer;
    }
    int execModal(QDialog& dialog) override
    {
        shown.push_back({Kind::Modal, dialog.objectName()});
        return onModal ? onModal(dialog) : QDialog::Accepted;
    }
    std::optional<QColor> chooseColor(const QColor& initial, QWidget*) override
    {
        shown.push_back({Kind::Color, initial.name()});
        colorPresets.push_back(initial);
        if (colorAnswers.empty())
            return std::nullopt;
        const std::optional<QColor> answer = colorAnswers.front();
        colorAnswers.pop_front();
        return answer;
    }
    void openUrl(const QUrl& address) override { shown.push_back({Kind::Url, address.toString()}); }
    std::optional<QString> chooseFolder(const ui::FolderRequest& request) override
    {
        shown.push_back({Kind::Folder, request.title});
        folderRequests.push_back(request);
        const QString answer = folderAnswers.isEmpty() ? QString() : folderAnswers.takeFirst();
        if (answer.isEmpty())
            return std::nullopt;
        return answer;
    }
    std::optional<QString> saveFile(const ui::SaveFileRequest& request) override
    {
        shown.push_back({Kind::SaveFile, request.title});
        saveRequests.push_back(request);
        if (saveAnswers.empty())
            return std::nullopt;
        const std::optional<QString> answer = saveAnswers.front();
        saveAnswers.pop_front();
        if (answer && answer->isEmpty())
            return request.proposedPath;
        return answer;
    }

    QStringList texts(Kind kind) const
    {
        QStringList out;
        for (const auto& s : shown)
            if (s.kind == kind)
                out.append(s.text);
        return out;
    }
    QStringList messages() const { return texts(Kind::Message); }
    QStringList errors() const { return texts(Kind::Error); }
    void clear() { shown.clear(); }
};

} // namespace dg::test
