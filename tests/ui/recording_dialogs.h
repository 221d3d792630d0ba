#pragma once
// UserDialogs for the widget tests: every box is recorded instead of shown, and the file chooser
// answers from a queue (an empty answer, or an empty queue, is a cancel).
#include "ui/user_dialogs.h"

#include <QDialog>
#include <QStringList>

#include <optional>
#include <vector>

namespace dg::test {

class RecordingDialogs : public ui::UserDialogs {
public:
    enum class Kind { Message, Error, OpenFile, Modal, Url };
    struct Shown {
        Kind kind;
        QString text; // the message, the dialog's object name, or the address
    };

    std::vector<Shown> shown;
    std::vector<ui::OpenFileRequest> openRequests;
    QStringList openAnswers;

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
        return QDialog::Accepted;
    }
    void openUrl(const QUrl& address) override { shown.push_back({Kind::Url, address.toString()}); }

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
