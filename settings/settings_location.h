#pragma once
// Where the settings file and the numbered debug logs live, and what the settings file is called.
#include <filesystem>
#include <string_view>

namespace dg {

// Names one folder for both the settings file and the debug logs when set and not empty; tests
// and scripts use it to run in isolation.
inline constexpr std::string_view kConfigDirVariable = "DIRGAUGE_CONFIG_DIR";

// The folder name under the user's configuration and state folders.
inline constexpr std::string_view kUserFolderName = "dirgauge";

struct ConfigFolders {
    std::filesystem::path settings; // holds the settings file
    std::filesystem::path logs;     // holds the debug logs
};

// The folders for an executable at exePath, in this order:
// - DIRGAUGE_CONFIG_DIR when it is set and not empty: that one folder for both;
// - the executable's folder for both when the settings file (settingsFileName) is already there:
//   a program folder copied with its settings keeps working as it always did;
// - else $XDG_CONFIG_HOME/dirgauge for the settings and $XDG_STATE_HOME/dirgauge for the logs;
//   an unset, empty or relative XDG_CONFIG_HOME means ~/.config, XDG_STATE_HOME ~/.local/state.
//   Without a home folder (HOME unset and no password entry) the executable's folder is used.
// The folders are created when missing; one that cannot be created is returned all the same (the
// first write then reports it). Both viewers of a pair run the same executable and therefore get
// the same folders.
ConfigFolders resolveConfigFolders(const std::filesystem::path& exePath);

// The executable's file name without its extension: "/usr/bin/dirgauge" gives "dirgauge",
// "D:\\Apps\\Dirgauge.exe" (on Windows) "Dirgauge".
std::filesystem::path executableBaseName(const std::filesystem::path& exePath);

// The settings file's name: the executable's name with its extension replaced by ".ini", or
// ".ini" appended when it has none ("dirgauge" gives "dirgauge.ini").
std::filesystem::path settingsFileName(const std::filesystem::path& exePath);

// resolveConfigFolders(exePath).settings / settingsFileName(exePath).
std::filesystem::path settingsFilePath(const std::filesystem::path& exePath);

} // namespace dg
