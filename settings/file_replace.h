#pragma once
// The few file-system operations the settings file needs, kept behind one small seam so that a
// port only has to supply this file's implementation (file_replace_posix.cpp here; a Windows port
// would use LockFileEx and MoveFileEx/ReplaceFile).
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace dg::file_replace {

enum class ReadStatus { Ok, Missing, Failed };

struct ReadResult {
    ReadStatus status = ReadStatus::Failed;
    std::string bytes; // the whole file when status is Ok, else empty
};

// The whole content of a regular file. A file that does not exist is Missing; one that cannot be
// opened or read, a folder, or a file larger than maxSize is Failed.
ReadResult readWholeFile(const std::filesystem::path& path, std::size_t maxSize);

// An exclusive advisory lock held on a lock file (created when missing and never removed, since
// removing a lock file races with the next locker). Blocks until the lock is free. Released by
// the destructor.
class ExclusiveLock {
public:
    explicit ExclusiveLock(const std::filesystem::path& lockPath);
    ~ExclusiveLock();
    ExclusiveLock(const ExclusiveLock&) = delete;
    ExclusiveLock& operator=(const ExclusiveLock&) = delete;

    // False when the lock file could not be created or locked.
    bool held() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

// True when the file does not exist, or exists and this process may write to it.
bool mayReplace(const std::filesystem::path& path);

// Replaces the file's content by bytes so that any reader sees either the old or the new file,
// whole: writes tempPath, forces it to disk, renames it over path (over the file a symbolic link
// points to, so the link stays) and forces the folder entry to disk. An existing file keeps its
// permission bits; a new one gets the usual ones. A temporary file left by an earlier crash is
// replaced. The caller holds the lock that makes tempPath its own. False when any step fails;
// the file is then unchanged and the temporary file removed.
bool replaceFile(const std::filesystem::path& path, std::string_view bytes);

// The temporary file replaceFile writes for path: path with ".tmp" appended.
std::filesystem::path tempPathFor(const std::filesystem::path& path);

// True when dir is an existing folder in which this process may create files.
bool isWritableDirectory(const std::filesystem::path& dir);

} // namespace dg::file_replace
