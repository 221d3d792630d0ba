#include "app/viewer_startup.h"

#include "core/command_line.h"
#include "settings/settings_location.h"
#include "ui/about_box.h"
#include "ui/file_name.h"

#include <QFile>
#include <QFileInfo>

namespace dg::app {

QString applicationTitle(const QString& executablePath)
{
    const QString name = QFileInfo(executablePath).completeBaseName();
    return name.left(1).toUpper() + name.mid(1).toLower();
}

QStringList parametersFromArguments(const std::vector<std::string>& arguments)
{
    QStringList parameters;
    for (const std::string& parameter : argumentParameters(arguments))
        parameters.append(ui::fileNameText(parameter));
    return parameters;
}

ConfigFiles configFilesFor(const std::filesystem::path& executablePath)
{
    const ConfigFolders folders = resolveConfigFolders(executablePath);
    ConfigFiles files;
    files.folder = folders.settings;
    files.logFolder = folders.logs;
    files.settingsPath = files.folder / settingsFileName(executablePath);
    files.debugLogBase = files.logFolder / executableBaseName(executablePath);
    return files;
}

ViewerWindows::ViewerWindows() = default;
ViewerWindows::ViewerWindows(ViewerWindows&&) noexcept = default;
ViewerWindows& ViewerWindows::operator=(ViewerWindows&&) noexcept = default;
ViewerWindows::~ViewerWindows()
{
    main.reset();
}

ViewerWindows createViewerWindows(ui::ViewerContext context)
{
    ui::UserDialogs& dialogs = *context.dialogs;
    ViewerWindows windows;
    windows.main = std::make_unique<ui::MainWindow>(std::move(context));
    windows.about = std::make_unique<ui::AboutBox>(dialogs);
    windows.compSettings = std::make_unique<ui::CompSettingsDialog>(dialogs);
    windows.main->setAboutBox(windows.about.get());
    windows.main->setCompSettingsDialog(windows.compSettings.get());
    return windows;
}

} // namespace dg::app
