#pragma once
// A hook for the process tests, which run real viewers with nobody at the screen: the environment
// variable DIRGAUGE_TEST_SCRIPT.
//
// - Set, even to nothing: the viewer shows no box. Messages and errors are written to standard
//   error as "dirgauge: message: <text>" / "dirgauge: error: <text>", a modal dialog counts as
//   cancelled, the file chooser answers from the script (else as cancelled).
// - Set to a file name: once its window is shown, the viewer runs the commands in that file, one a
//   line: a command's name as the command table spells it (Open1, Comp1, ExitWithComp1, Synchro1,
//   Debug1, CtrlDown1, ...), optionally followed by one blank and a file name that answers the file
//   chooser the command opens. Empty lines and lines starting with "#" are skipped; an unknown
//   command is reported on standard error and skipped. Each command runs as if chosen from the
//   menu, to its end (a comparison waits for its partner), before the next.
//
// The viewer reads the variable once at start and leaves it set but empty in its own
// environment: a viewer it starts (the comparison-source viewer) shows no boxes either but runs
// no script.
#include "ui/user_dialogs.h"

#include <QString>
#include <QStringList>

#include <deque>
#include <optional>
#include <vector>

namespace dg::ui {
class MainWindow;
}

namespace dg::app {

inline constexpr const char* kTestScriptVariable = "DIRGAUGE_TEST_SCRIPT";

struct ScriptCommand {
    QString name;     // the command's name
    QString argument; // answers the file chooser; empty: none
};

// The commands of a script's text (UTF-8).
std::vector<ScriptCommand> parseTestScript(const QString& text);

struct TestHook {
    bool active = false;                 // the variable was set
    std::vector<ScriptCommand> commands; // the script's commands, if it named a readable file
    QString problem;                     // why a named script was not read (for standard error)
};

// Reads DIRGAUGE_TEST_SCRIPT (and the file it names), then sets it to nothing.
TestHook takeTestHook();

// The boxes of a viewer under test: written to standard error, never shown.
class ScriptedDialogs : public ui::UserDialogs {
public:
    // The answer of the next file chooser (one chooser takes one answer).
    void answerNextOpen(const QString& fileName) { m_openAnswers.push_back(fileName); }
    // Forgets answers that no chooser took.
    void dropAnswers() { m_openAnswers.clear(); }

    void message(const QString& text) override;
    void error(const QString& text) override;
    std::optional<QString> openFile(const ui::OpenFileRequest& request) override;
    int execModal(QDialog& dialog) override;
    void openUrl(const QUrl& address) override;

private:
    std::deque<QString> m_openAnswers;
};

// Runs the commands on window, in order, as menu choices (a disabled command is reported and
// skipped). Stops early when the window has been closed by one of them.
void runTestScript(ui::MainWindow& window, ScriptedDialogs& dialogs, const std::vector<ScriptCommand>& commands);

} // namespace dg::app
