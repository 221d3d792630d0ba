#include "app/test_script.h"

#include "ui/commands.h"
#include "ui/main_window.h"

#include <QAction>
#include <QDialog>
#include <QFile>

#include <cstdio>

namespace dg::app {
namespace {

void printLine(const char* kind, const QString& text)
{
    std::fprintf(stderr, "dirgauge: %s: %s\n", kind, text.toUtf8().constData());
    std::fflush(stderr);
}

} // namespace

std::vector<ScriptCommand> parseTestScript(const QString& text)
{
    std::vector<ScriptCommand> commands;
    for (QString line : text.split(QLatin1Char('\n'))) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const qsizetype blank = line.indexOf(QLatin1Char(' '));
        if (blank < 0)
            commands.push_back({line, QString()});
        else
            commands.push_back({line.left(blank), line.mid(blank + 1)});
    }
    return commands;
}

TestHook takeTestHook()
{
    TestHook hook;
    if (!qEnvironmentVariableIsSet(kTestScriptVariable))
        return hook;
    hook.active = true;
    const QString fileName = qEnvironmentVariable(kTestScriptVariable);
    qputenv(kTestScriptVariable, QByteArray());
    if (fileName.isEmpty())
        return hook;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        hook.problem = QStringLiteral("cannot read the test script %1: %2").arg(fileName, file.errorString());
        return hook;
    }
    hook.commands = parseTestScript(QString::fromUtf8(file.readAll()));
    return hook;
}

void ScriptedDialogs::message(const QString& text)
{
    printLine("message", text);
}

void ScriptedDialogs::error(const QString& text)
{
    printLine("error", text);
}

std::optional<QString> ScriptedDialogs::openFile(const ui::OpenFileRequest&)
{
    if (m_openAnswers.empty())
        return std::nullopt;
    QString answer = m_openAnswers.front();
    m_openAnswers.pop_front();
    return answer;
}

int ScriptedDialogs::execModal(QDialog& dialog)
{
    printLine("dialog", dialog.objectName());
    return QDialog::Rejected;
}

void ScriptedDialogs::openUrl(const QUrl& address)
{
    printLine("url", address.toString());
}

void runTestScript(ui::MainWindow& window, ScriptedDialogs& dialogs, const std::vector<ScriptCommand>& commands)
{
    for (const ScriptCommand& command : commands) {
        if (!window.isVisible())
            return;
        QAction* chosen = nullptr;
        for (const ui::CommandSpec& entry : ui::commandTable())
            if (command.name == QLatin1String(entry.name))
                chosen = window.action(entry.id);
        if (!chosen) {
            printLine("script", QStringLiteral("unknown command %1").arg(command.name));
            continue;
        }
        if (!chosen->isEnabled()) {
            printLine("script", QStringLiteral("command %1 is disabled").arg(command.name));
            continue;
        }
        if (!command.argument.isEmpty())
            dialogs.answerNextOpen(command.argument);
        chosen->trigger();
        dialogs.dropAnswers();
    }
}

} // namespace dg::app
