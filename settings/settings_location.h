#pragma once
// Where the settings file (and the numbered debug logs beside it) live, and what it is called.
#include <filesystem>
#include <string_view>

namespace dg {

// Names the folder outright when set and not empty; tests and scripts use it to run in isolation.
inline constexpr std::string_view kConfigDirVariable = "DIRGAUGE_CONFIG_DIR";

// The folder for the settings file and the debug logs:
// - the folder named by DIRGAUGE_CONFIG_DIR when it is set and not empty (created when missing);
// - else exeDir when this process may create files in it (a portable install, a build folder);
// - else userConfigDir, created when missing (the viewer passes Qt's AppConfigLocation).
// A folder that cannot be created is returned all the same: the first write to the settings file
// then reports that it cannot be written. Both viewers of a pair run the same executable and
// therefore get the same folder.
std::filesystem::path resolveConfigDir(const std::filesystem::path& exeDir,
                                       const std::filesystem::path& userConfigDir);

// The executable's file name without its extension: "/usr/bin/dirgauge" gives "dirgauge",
// "D:\\Apps\\Dirgauge.exe" (on Windows) "Dirgauge".
std::filesystem::path executableBaseName(const std::filesystem::path& exePath);

// The settings file's name: the executable's name with its extension replaced by ".ini", or
// ".ini" appended when it has none ("dirgauge" gives "dirgauge.ini").
std::filesystem::path settingsFileName(const std::filesystem::path& exePath);

// resolveConfigDir(exe's folder, userConfigDir) / settingsFileName(exePath).
std::filesystem::path settingsFilePath(const std::filesystem::path& exePath,
                                       const std::filesystem::path& userConfigDir);

} // namespace dg
