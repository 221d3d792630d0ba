// The viewer's entry point: start-up order, the command line, the application title.
#include "app/viewer_startup.h"
#include "ui/partner_link.h"
#include "ui/qt_user_dialogs.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <optional>
#include <string>
#include <vector>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    const QString executable = QCoreApplication::applicationFilePath();
    QCoreApplication::setApplicationName(QFileInfo(executable).completeBaseName());

    const QString title = dg::app::applicationTitle(executable);
    const dg::app::ConfigFiles files = dg::app::configFilesFor(
        std::filesystem::path(QFile::encodeName(executable).toStdString()),
        std::filesystem::path(
            QFile::encodeName(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation)).toStdString()));

    dg::ui::QtUserDialogs dialogs(title);
    dg::ui::NullPartnerLink partner;
    std::optional<int> endCode;

    dg::ui::ViewerContext context;
    context.settingsPath = files.settingsPath;
    context.debugLogBase = files.debugLogBase;
    // QApplication has taken its own options (-platform, -style …) out of argv by now.
    context.parameters = dg::app::parametersFromArguments(std::vector<std::string>(argv + 1, argv + argc));
    context.dialogs = &dialogs;
    context.partner = &partner;
    // A size error ends the program once its message is dismissed: the event loop quits with the
    // code (also when it has not started yet) and the windows close normally, settings written.
    context.endProgram = [&endCode](int code) {
        endCode = code;
        QMetaObject::invokeMethod(qApp, [code] { QCoreApplication::exit(code); }, Qt::QueuedConnection);
    };

    dg::app::ViewerWindows windows = dg::app::createViewerWindows(std::move(context));
    dialogs.setParent(windows.main.get());
    if (endCode)
        return *endCode;
    windows.main->show();
    return QApplication::exec();
}
