#include "partner/endpoint_dir.h"

#include "core/translate.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace dg::partner {

namespace {

bool isSet(const char* value)
{
    return value && *value;
}

// A reason in the user's language, "%1" … filled in with `args`.
std::string text(std::string_view marked, std::initializer_list<std::string_view> args)
{
    return i18n::format("dg::partner", marked, args);
}

std::string systemError(int error)
{
    return std::strerror(error);
}

} // namespace

std::filesystem::path endpointDirFor(const char* overrideDir, const char* runtimeDir, unsigned uid)
{
    if (isSet(overrideDir)) {
        std::error_code ec;
        auto absolute = std::filesystem::absolute(overrideDir, ec);
        return ec ? std::filesystem::path(overrideDir) : absolute;
    }
    // A relative runtime folder is not trusted: it would depend on the current folder.
    if (isSet(runtimeDir) && runtimeDir[0] == '/')
        return std::filesystem::path(runtimeDir) / "dirgauge";
    return std::filesystem::path("/tmp") / ("dirgauge-" + std::to_string(uid));
}

std::filesystem::path defaultEndpointDir()
{
    return endpointDirFor(std::getenv(std::string(kPartnerDirVariable).c_str()),
                          std::getenv("XDG_RUNTIME_DIR"), static_cast<unsigned>(::geteuid()));
}

DirCheck prepareEndpointDir(const std::filesystem::path& dir)
{
    DirCheck result{dir, {}};
    if (::mkdir(dir.c_str(), S_IRWXU) == 0) {
        // A restrictive umask may have taken the owner's own rights away; the folder is ours.
        if (::chmod(dir.c_str(), S_IRWXU) != 0) {
            result.error = text(DG_TRANSLATE_NOOP("dg::partner", "cannot set the mode of partner folder %1: %2"), {dir.string(), systemError(errno)});
            return result;
        }
    } else if (errno != EEXIST) {
        result.error = text(DG_TRANSLATE_NOOP("dg::partner", "cannot create partner folder %1: %2"), {dir.string(), systemError(errno)});
        return result;
    }
    // lstat, not stat: a symbolic link planted in a shared folder must not lead us elsewhere.
    struct stat info {};
    if (::lstat(dir.c_str(), &info) != 0) {
        result.error = text(DG_TRANSLATE_NOOP("dg::partner", "cannot examine partner folder %1: %2"), {dir.string(), systemError(errno)});
        return result;
    }
    if (!S_ISDIR(info.st_mode)) {
        result.error = text(DG_TRANSLATE_NOOP("dg::partner", "partner folder %1 is not a folder"), {dir.string()});
        return result;
    }
    if (info.st_uid != ::geteuid()) {
        result.error = text(DG_TRANSLATE_NOOP("dg::partner", "partner folder %1 belongs to another user (uid %2)"), {dir.string(), std::to_string(info.st_uid)});
        return result;
    }
    if ((info.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(info.st_mode & 07777));
        result.error = text(DG_TRANSLATE_NOOP("dg::partner", "partner folder %1 is open to other users (mode %2)"), {dir.string(), mode});
        return result;
    }
    return result;
}

std::string composeTitleFile(std::string_view utf8Title)
{
    std::string bytes;
    bytes.reserve(kWindowClass.size() + utf8Title.size() + 2);
    bytes += kWindowClass;
    bytes += '\n';
    bytes += utf8Title;
    bytes += '\n';
    return bytes;
}

std::optional<TitleFileContent> parseTitleFile(std::string_view bytes)
{
    const auto lineEnd = bytes.find('\n');
    if (lineEnd == std::string_view::npos)
        return std::nullopt;
    std::string_view windowClass = bytes.substr(0, lineEnd);
    if (!windowClass.empty() && windowClass.back() == '\r')
        windowClass.remove_suffix(1);
    std::string_view title = bytes.substr(lineEnd + 1);
    if (!title.empty() && title.back() == '\n')
        title.remove_suffix(1);
    return TitleFileContent{std::string(windowClass), std::string(title)};
}

} // namespace dg::partner
