#pragma once
// The few file-system operations the settings file needs, kept behind one small seam so that a
// port only has to supply this file's implementation (file_replace_posix.cpp here; a Windows port
// would use LockFileEx and MoveFileEx/ReplaceFile).
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace dg::file_replace {

enum class ReadStatus { Ok, Missing, NotRegular, Failed };

struct ReadResult {
    ReadStatus status = ReadStatus::Failed;
    std::string bytes; // the whole file when status is Ok, else empty
};

// The whole content of a regular file, as long as it was when opened: a file that grows while it
// is read is read to that size, never on without end. A file that does not exist is Missing. A
// FIFO, a device, a socket or a folder is NotRegular: it is opened without waiting for a writer
// (a FIFO would otherwise block the open) and never read. One that cannot be opened or read, or
// is larger than maxSize, is Failed.
ReadResult readWholeFile(const std::filesystem::path& path, std::size_t maxSize);

// The reason text for a status that is not Ok: "not a regular file" for NotRegular.
std::string_view describe(ReadStatus status);

// The file a write to path really replaces: path itself, or, when path is a symbolic link, the
// file at the end of the chain of links (which need not exist yet). Relative links are taken
// from the folder of the link. A loop or a chain of more than 40 links gives path itself.
std::filesystem::path replacedFile(const std::filesystem::path& path);

// An exclusive advisory lock that leaves nothing behind on disk: flock(2) on the folder that holds
// the file (opened read-only). The folder is not replaced when the file is, so every process that
// replaces that file locks the same object, while a lock on the file itself would be lost with
// the old file's inode at each replacement. No lock file is created, so none is left over after
// exit or a crash; the kernel drops the lock when the holder ends. Blocks until the lock is free.
// Released by the destructor.
class FolderLock {
public:
    explicit FolderLock(const std::filesystem::path& folder);
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    // False when the folder could not be opened or locked.
    bool held() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

// True when the file does not exist, or exists and this process may write to it.
bool mayReplace(const std::filesystem::path& path);

// Replaces the file's content by bytes so that any reader sees either the old or the new file,
// whole: writes tempPath, forces it to disk, renames it over the file (over replacedFile(path),
// so a symbolic link stays a link) and forces the folder entry to disk. An existing file keeps
// its permission bits; a new one gets the usual ones. An existing file that is not a regular one
// is never replaced. A temporary file left by an earlier crash is replaced: the caller holds the
// FolderLock of replacedFile(path)'s folder, which makes tempPath its own. False when any step
// fails; the file is then unchanged and the temporary file removed.
bool replaceFile(const std::filesystem::path& path, std::string_view bytes);

// The temporary file replaceFile writes for path: path with ".tmp" appended.
std::filesystem::path tempPathFor(const std::filesystem::path& path);

// True when dir is an existing folder in which this process may create files.
bool isWritableDirectory(const std::filesystem::path& dir);

} // namespace dg::file_replace
