#include "settings/settings_location.h"

#include <cstdlib>
#include <pwd.h>
#include <string>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace dg {

namespace {

void createFolder(const std::filesystem::path& dir)
{
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
}

const char* variable(std::string_view name)
{
    const char* value = std::getenv(std::string(name).c_str());
    return value && *value ? value : nullptr;
}

// $HOME, else the password entry's home folder; empty when neither names one.
std::filesystem::path homeFolder()
{
    if (const char* home = variable("HOME"))
        return home;
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(static_cast<std::size_t>(size > 0 ? size : 16384));
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_dir &&
        *found->pw_dir)
        return found->pw_dir;
    return {};
}

// $name when it is an absolute path (relative ones are ignored, as the base-directory rules say),
// else home / fallback; empty when there is no home folder either.
std::filesystem::path baseFolder(std::string_view name, const std::filesystem::path& home,
                                 const std::filesystem::path& fallback)
{
    if (const char* value = variable(name); value && std::filesystem::path(value).is_absolute())
        return value;
    if (home.empty())
        return {};
    return home / fallback;
}

} // namespace

ConfigFolders resolveConfigFolders(const std::filesystem::path& exePath)
{
    if (const char* named = variable(kConfigDirVariable)) {
        const std::filesystem::path dir(named);
        createFolder(dir);
        return {dir, dir};
    }
    const std::filesystem::path exeDir = exePath.parent_path();
    std::error_code ec;
    if (!exeDir.empty() && std::filesystem::exists(std::filesystem::symlink_status(exeDir / settingsFileName(exePath), ec)))
        return {exeDir, exeDir};
    const std::filesystem::path home = homeFolder();
    const std::filesystem::path config = baseFolder("XDG_CONFIG_HOME", home, ".config");
    const std::filesystem::path state = baseFolder("XDG_STATE_HOME", home, std::filesystem::path(".local") / "state");
    if (config.empty() || state.empty())
        return {exeDir, exeDir};
    ConfigFolders folders{config / kUserFolderName, state / kUserFolderName};
    createFolder(folders.settings);
    createFolder(folders.logs);
    return folders;
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

std::filesystem::path settingsFilePath(const std::filesystem::path& exePath)
{
    return resolveConfigFolders(exePath).settings / settingsFileName(exePath);
}

} // namespace dg
