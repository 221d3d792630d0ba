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
    // O_NONBLOCK: opening a FIFO without a writer would wait for one; O_NOCTTY: a terminal named
    // here must not become ours. Neither changes how a regular file is read.
    const int fd = openRetrying(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        result.status = errno == ENOENT ? ReadStatus::Missing : ReadStatus::Failed;
        return result;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        ::close(fd);
        return result;
    }
    if (!S_ISREG(info.st_mode)) {
        ::close(fd);
        result.status = ReadStatus::NotRegular;
        return result;
    }
    const auto size = static_cast<std::size_t>(info.st_size);
    if (size > maxSize) {
        ::close(fd);
        return result;
    }
    // The size at opening bounds the read: a file that another program keeps appending to ends
    // there instead of being read on and on.
    std::string bytes(size, '\0');
    std::size_t filled = 0;
    while (filled < size) {
        const ssize_t n = ::read(fd, bytes.data() + filled, size - filled);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ::close(fd);
            return result;
        }
        if (n == 0)
            break; // shrunk meanwhile: what is there is the file
        filled += static_cast<std::size_t>(n);
    }
    ::close(fd);
    bytes.resize(filled);
    result.status = ReadStatus::Ok;
    result.bytes = std::move(bytes);
    return result;
}

std::string_view describe(ReadStatus status)
{
    switch (status) {
    case ReadStatus::Ok: return "read";
    case ReadStatus::Missing: return "no such file";
    case ReadStatus::NotRegular: return "not a regular file";
    case ReadStatus::Failed: break;
    }
    return "cannot be read";
}

std::filesystem::path replacedFile(const std::filesystem::path& path)
{
    constexpr int kMaxLinks = 40; // as the system itself follows at most
    std::filesystem::path file = path;
    for (int hop = 0; hop < kMaxLinks; ++hop) {
        std::error_code ec;
        if (!std::filesystem::is_symlink(std::filesystem::symlink_status(file, ec)))
            return file;
        const std::filesystem::path target = std::filesystem::read_symlink(file, ec);
        if (ec)
            return path;
        file = target.is_absolute() ? target : file.parent_path() / target;
    }
    return path;
}

FolderLock::FolderLock(const std::filesystem::path& folder)
{
    const std::filesystem::path dir = folder.empty() ? std::filesystem::path(".") : folder;
    const int fd = openRetrying(dir.c_str(), O_RDONLY | O_DIRECTORY);
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

FolderLock::~FolderLock()
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
    if (exists && !S_ISREG(existing.st_mode))
        return false;

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
