#include "settings/settings_location.h"

#include "settings/file_replace.h"

#include <cstdlib>
#include <string>
#include <system_error>

namespace dg {

namespace {

void createFolder(const std::filesystem::path& dir)
{
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
}

} // namespace

std::filesystem::path resolveConfigDir(const std::filesystem::path& exeDir,
                                       const std::filesystem::path& userConfigDir)
{
    const std::string variable(kConfigDirVariable);
    if (const char* named = std::getenv(variable.c_str()); named && *named) {
        std::filesystem::path dir(named);
        createFolder(dir);
        return dir;
    }
    if (file_replace::isWritableDirectory(exeDir) || userConfigDir.empty())
        return exeDir;
    createFolder(userConfigDir);
    return userConfigDir;
}

std::filesystem::path executableBaseName(const std::filesystem::path& exePath)
{
    return exePath.filename().replace_extension();
}

std::filesystem::path settingsFileName(const std::filesystem::path& exePath)
{
    std::filesystem::path name = executableBaseName(exePath);
    name += ".ini";
    return name;
}

std::filesystem::path settingsFilePath(const std::filesystem::path& exePath,
                                       const std::filesystem::path& userConfigDir)
{
    return resolveConfigDir(exePath.parent_path(), userConfigDir) / settingsFileName(exePath);
}

} // namespace dg
