// The viewer's entry point: start-up order, the command line, the application title.
#include "app/test_script.h"
#include "app/viewer_options.h"
#include "app/viewer_startup.h"
#include "ui/endpoint_partner_link.h"
#include "ui/qt_user_dialogs.h"
#include "ui/translations.h"
#include "ui/viewer_launcher.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

int main(int argc, char* argv[])
{
    // --help and --version answer before Qt starts, so they work without a display.
    if (const dg::app::ViewerOptions asked = dg::app::parseViewerOptions(std::vector<std::string>(argv + 1, argv + argc));
        asked.action == dg::app::ViewerOptions::Action::Help || asked.action == dg::app::ViewerOptions::Action::Version) {
        const std::string text = asked.action == dg::app::ViewerOptions::Action::Help ? dg::app::usageText("dirgauge")
                                                                                     : dg::app::versionText("dirgauge");
        std::fputs(text.c_str(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }

    // Qt reads its own options (-platform, -style …) from every argument and does not stop at
    // "--", so it gets only those before it: a file named "-reverse" after "--" stays a file name.
    const int endOfOptions = static_cast<int>(std::find(argv + 1, argv + argc, std::string_view("--")) - argv);
    int qtArgc = endOfOptions;
    QApplication application(qtArgc, argv);
    dg::ui::installTranslations(dg::i18n::uiLanguageFromEnvironment());
    // QApplication has taken its own options out of the first qtArgc arguments by now.
    std::vector<std::string> arguments(argv + 1, argv + qtArgc);
    arguments.insert(arguments.end(), argv + endOfOptions, argv + argc);
    const dg::app::ViewerOptions options = dg::app::parseViewerOptions(arguments);
    if (options.action == dg::app::ViewerOptions::Action::Unknown) {
        const QString text = QCoreApplication::translate("dirgauge", "unknown option %1 (dirgauge --help shows the usage)")
                                 .arg(QString::fromLocal8Bit(options.unknownOption));
        std::fprintf(stderr, "dirgauge: %s\n", text.toLocal8Bit().constData());
        return 2;
    }
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/app/dirgauge.svg")));
    const QString executable = QCoreApplication::applicationFilePath();
    QCoreApplication::setApplicationName(QFileInfo(executable).completeBaseName());

    const QString title = dg::app::applicationTitle(executable);
    const dg::app::ConfigFiles files =
        dg::app::configFilesFor(std::filesystem::path(QFile::encodeName(executable).toStdString()));

    dg::ui::QtUserDialogs qtDialogs(title);
    const dg::app::TestHook testHook = dg::app::takeTestHook();
    dg::app::ScriptedDialogs scriptedDialogs;
    if (!testHook.problem.isEmpty())
        std::fprintf(stderr, "dirgauge: %s\n", testHook.problem.toUtf8().constData());
    dg::ui::UserDialogs& dialogs = testHook.active ? static_cast<dg::ui::UserDialogs&>(scriptedDialogs) : qtDialogs;

    // The line to the partner viewer. Without it the viewer works alone: it finds no partner and
    // no other viewer finds it.
    dg::ui::EndpointPartnerLink partner;
    if (const QString why = partner.start(); !why.isEmpty())
        std::fprintf(stderr, "dirgauge: %s\n",
                     QCoreApplication::translate("dirgauge", "no partner channel, this viewer works alone: %1")
                         .arg(why)
                         .toLocal8Bit()
                         .constData());
    dg::ui::ProcessViewerLauncher launcher;
    std::optional<int> endCode;

    dg::ui::ViewerContext context;
    context.settingsPath = files.settingsPath;
    context.debugLogBase = files.debugLogBase;
    context.parameters = dg::app::parametersFromArguments(options.files);
    context.dialogs = &dialogs;
    context.partner = &partner;
    context.launcher = &launcher;
    // A size error ends the program once its message is dismissed: the event loop quits with the
    // code (also when it has not started yet) and the windows close normally, settings written.
    context.endProgram = [&endCode](int code) {
        endCode = code;
        QMetaObject::invokeMethod(qApp, [code] { QCoreApplication::exit(code); }, Qt::QueuedConnection);
    };

    dg::app::ViewerWindows windows = dg::app::createViewerWindows(std::move(context));
    qtDialogs.setParent(windows.main.get());
    if (endCode)
        return *endCode;
    windows.main->show();
    if (!testHook.commands.empty()) {
        QTimer::singleShot(0, windows.main.get(), [&] {
            dg::app::runTestScript(*windows.main, scriptedDialogs, testHook.commands);
        });
    }
    return QApplication::exec();
}
