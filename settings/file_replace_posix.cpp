#include "settings/file_replace.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dg::file_replace {

namespace {

// Opens with O_CLOEXEC so that a viewer starting its partner process does not hand it our
// descriptors (and with them our lock).
int openRetrying(const char* path, int flags, mode_t mode = 0)
{
    int fd = -1;
    do {
        fd = ::open(path, flags | O_CLOEXEC, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

bool writeAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// The file that is really replaced: the target of a symbolic link, so that a settings file kept
// elsewhere and linked into place stays linked.
std::filesystem::path replacedFile(const std::filesystem::path& path)
{
    std::error_code ec;
    if (std::filesystem::is_symlink(path, ec)) {
        auto target = std::filesystem::canonical(path, ec);
        if (!ec)
            return target;
    }
    return path;
}

void syncFolder(const std::filesystem::path& file)
{
    std::filesystem::path folder = file.parent_path();
    if (folder.empty())
        folder = ".";
    const int fd = openRetrying(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return;
    // Best effort: the rename has happened; a folder that cannot be synced changes nothing.
    ::fsync(fd);
    ::close(fd);
}

} // namespace

ReadResult readWholeFile(const std::filesystem::path& path, std::size_t maxSize)
{
    ReadResult result;
    const int fd = openRetrying(path.c_str(), O_RDONLY);
    if (fd < 0) {
        result.status = errno == ENOENT ? ReadStatus::Missing : ReadStatus::Failed;
        return result;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) ||
        static_cast<std::size_t>(info.st_size) > maxSize) {
        ::close(fd);
        return result;
    }
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(info.st_size));
    char buffer[16384];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ::close(fd);
            return result;
        }
        if (n == 0)
            break;
        bytes.append(buffer, static_cast<std::size_t>(n));
        if (bytes.size() > maxSize) {
            ::close(fd);
            return result;
        }
    }
    ::close(fd);
    result.status = ReadStatus::Ok;
    result.bytes = std::move(bytes);
    return result;
}

ExclusiveLock::ExclusiveLock(const std::filesystem::path& lockPath)
{
    const int fd = openRetrying(lockPath.c_str(), O_RDWR | O_CREAT, 0666);
    if (fd < 0)
        return;
    int rc = 0;
    do {
        rc = ::flock(fd, LOCK_EX);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        ::close(fd);
        return;
    }
    m_fd = fd;
}

ExclusiveLock::~ExclusiveLock()
{
    if (m_fd >= 0)
        ::close(m_fd); // closing the only descriptor releases the lock
}

bool mayReplace(const std::filesystem::path& path)
{
    const std::filesystem::path file = replacedFile(path);
    if (::access(file.c_str(), F_OK) != 0)
        return errno == ENOENT;
    return ::access(file.c_str(), W_OK) == 0;
}

std::filesystem::path tempPathFor(const std::filesystem::path& path)
{
    std::filesystem::path temp = path;
    temp += ".tmp";
    return temp;
}

bool replaceFile(const std::filesystem::path& path, std::string_view bytes)
{
    const std::filesystem::path file = replacedFile(path);
    const std::filesystem::path temp = tempPathFor(file);

    struct stat existing {};
    const bool exists = ::stat(file.c_str(), &existing) == 0;

    // Any file already there is left over from a writer that crashed: we hold the lock.
    ::unlink(temp.c_str());
    const int fd = openRetrying(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
    if (fd < 0)
        return false;
    bool ok = true;
    if (exists)
        ok = ::fchmod(fd, existing.st_mode & 07777) == 0;
    ok = ok && writeAll(fd, bytes) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(temp.c_str(), file.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        return false;
    }
    syncFolder(file);
    return true;
}

bool isWritableDirectory(const std::filesystem::path& dir)
{
    std::error_code ec;
    return !dir.empty() && std::filesystem::is_directory(dir, ec) &&
           ::access(dir.c_str(), W_OK | X_OK) == 0;
}

} // namespace dg::file_replace
