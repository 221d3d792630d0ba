#pragma once
// `TAboutBox`: the program's name, version, maker and web page, and a short description. Made
// hidden at start-up and shown modally by the "バージョン情報" command. The web address is a link:
// underlined while the pointer moves over it (the underline goes when the pointer moves on the
// panel around it) and opened in the desktop's browser when clicked.
#include "dg_version.h"

#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;

namespace dg::ui {

class UserDialogs;

class AboutBox : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kProductName = "Dirgauge";
    static constexpr const char* kVersion = "Version " DG_VERSION;
    static constexpr const char* kMaker = "Dirgauge project";
    static constexpr const char* kUrl = "https://dirgauge.example.org/docs";

    // Link clicks go to dialogs.openUrl; dialogs must outlive the box.
    explicit AboutBox(UserDialogs& dialogs, QWidget* parent = nullptr);

    QLabel* urlLabel() const { return m_url; }
    QFrame* panel() const { return m_panel; }
    QPushButton* okButton() const { return m_ok; }
    bool urlUnderlined() const;

    // The pointer moved over the address: underline it.
    void URLMouseMove();
    // The pointer moved over the panel outside the address: remove the underline.
    void Panel1MouseMove();
    // The address was clicked: ask the desktop to open it. The box stays open.
    void URLClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void setUnderline(bool on);

    UserDialogs& m_dialogs; // not owned
    QFrame* m_panel = nullptr;
    QLabel* m_url = nullptr;
    QPushButton* m_ok = nullptr;
};

} // namespace dg::ui
