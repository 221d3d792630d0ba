#pragma once
// What the viewer process sets up before its main window exists: the application title, where
// the settings file and the debug logs live, the command-line parameter, and the windows made in
// start-up order. main() and the screenshot tool share it; the start-up tests drive it directly.
#include "ui/comp_settings_dialog.h"
#include "ui/main_window.h"

#include <QString>
#include <QStringList>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace dg::ui {
class AboutBox;
}

namespace dg::app {

// The executable's file name without its extension, first letter upper case and the rest lower
// case: "/usr/bin/dirgauge" gives "Dirgauge". Message boxes carry it as their caption.
QString applicationTitle(const QString& executablePath);

// The command-line parameters among the program's arguments (the program name not included):
// empty arguments are skipped, and each name is decoded as the file system encodes names.
QStringList parametersFromArguments(const std::vector<std::string>& arguments);

// Where this executable keeps its settings file and debug logs (see resolveConfigFolders:
// DIRGAUGE_CONFIG_DIR, else beside the executable when its settings file is there, else the
// user's XDG configuration and state folders).
struct ConfigFiles {
    std::filesystem::path folder;       // the settings file's folder
    std::filesystem::path logFolder;    // the debug logs' folder
    std::filesystem::path settingsPath; // <folder>/<name>.ini
    std::filesystem::path debugLogBase; // <logFolder>/<name>: logs <name>01.log ...
};
ConfigFiles configFilesFor(const std::filesystem::path& executablePath);

// The windows of one viewer process. They are made in start-up order (the main window, whose
// creation runs FormCreate, then the About box, then the comparison-settings dialog, both
// hidden) and destroyed main window first, whose destruction runs FormDestroy.
struct ViewerWindows {
    std::unique_ptr<ui::AboutBox> about;
    std::unique_ptr<ui::CompSettingsDialog> compSettings;
    std::unique_ptr<ui::MainWindow> main; // declared last: destroyed first

    ViewerWindows();
    ViewerWindows(ViewerWindows&&) noexcept;
    ViewerWindows& operator=(ViewerWindows&&) noexcept;
    ~ViewerWindows();
};
ViewerWindows createViewerWindows(ui::ViewerContext context);

} // namespace dg::app
