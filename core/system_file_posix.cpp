// POSIX: open/fstat/pread, and on Linux preadv2 with RWF_NOWAIT and madvise.
#include "core/system_file.h"

#include "core/encoding.h"
#include "core/errors.h"
#include "core/helper_thread.h"
#include "core/scope_exit.h"
#include "core/user_texts.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <new>
#include <string_view>

#include <fcntl.h>
#include <langinfo.h>
#include <locale.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

namespace dg::sys {
namespace {

[[noreturn]] void throwOpenError(const std::string& path, const std::string& reason)
{
    throw FileOpenError(absolutePath(path), reason);
}

[[noreturn]] void throwOpenError(const std::string& path, int err)
{
    throwOpenError(path, systemReason(err));
}

// Reads up to n bytes at offset until they are all there or the file ends; false on an error.
bool preadFully(int fd, char* to, std::size_t n, std::size_t offset, std::size_t& got, int& err)
{
    got = 0;
    while (got < n) {
        const ssize_t r = ::pread(fd, to + got, n - got, static_cast<off_t>(offset + got));
        if (r < 0) {
            if (errno == EINTR)
                continue;
            err = errno;
            return false;
        }
        if (r == 0)
            break;
        got += static_cast<std::size_t>(r);
    }
    return true;
}

// Reads what the system already holds in memory of n bytes at offset, stopping at the first part
// that would have to come from the disk (or at any error: the caller reads the rest itself).
// Returns the bytes read, from the start. Two threads reading two places of a file that is not in
// memory yet would make a spinning disk seek back and forth between them, so only cached parts are
// read side by side.
std::size_t readCachedPart(int fd, char* to, std::size_t n, std::size_t offset)
{
    std::size_t got = 0;
#if defined(RWF_NOWAIT)
    while (got < n) {
        iovec part{to + got, n - got};
        const ssize_t r = ::preadv2(fd, &part, 1, static_cast<off_t>(offset + got), RWF_NOWAIT);
        if (r <= 0)
            break;
        got += static_cast<std::size_t>(r);
    }
#else
    (void)fd;
    (void)to;
    (void)n;
    (void)offset;
#endif
    return got;
}

constexpr std::size_t kParallelReadFrom = std::size_t{4} << 20; // bytes

} // namespace

FileBytes readWholeFile(const std::string& path)
{
    // Not waiting at the open: a pipe without a writer would otherwise block it for good. The
    // flag changes nothing for a plain file, the only kind read.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        throwOpenError(path, errno);
    const ScopeExit closer([fd] { ::close(fd); });
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        throwOpenError(path, errno);
    if (S_ISDIR(st.st_mode))
        throwOpenError(path, EISDIR);
    // A pipe, a socket or a device has no end to read to (or no end at all, as /dev/zero).
    if (!S_ISREG(st.st_mode))
        throwOpenError(path, std::string(texts::kNotRegularFile));

    // A plain file that says it is empty may still have contents (/proc, some network and FUSE
    // file systems report no size): it is read to its end instead.
    if (st.st_size == 0)
        return readWholeStream(fd, path);

    // The file is read at the size it has now. Of a large one, the second half is copied on a
    // second thread as far as it is already in memory (the copy and the faulting-in of fresh pages
    // then split across the cores).
    const std::size_t size = static_cast<std::size_t>(st.st_size);
    FileBytes file;
    file.bytes = allocateBytes(size + 1); // not zeroed: read into
    std::size_t gotFirst = 0;
    int err = 0;
    if (size < kParallelReadFrom) {
        if (!preadFully(fd, file.bytes.get(), size, 0, gotFirst, err))
            throwOpenError(path, err);
        file.length = gotFirst;
        return file;
    }
    const std::size_t half = size / 2;
    std::size_t gotSecond = 0; // what the helper read of the second half, from its start
    HelperThread helper([&] { gotSecond = readCachedPart(fd, file.bytes.get() + half, size - half, half); });
    const bool okFirst = preadFully(fd, file.bytes.get(), half, 0, gotFirst, err);
    helper.join(); // not started: gotSecond stays 0 and the second half is read below
    if (!okFirst)
        throwOpenError(path, err);
    if (gotFirst < half) { // the file shrank while it was read
        file.length = gotFirst;
        return file;
    }
    // Whatever the helper could not take from memory is read here, in order after the first half.
    std::size_t gotRest = 0;
    const std::size_t from = half + gotSecond;
    if (!preadFully(fd, file.bytes.get() + from, size - from, from, gotRest, err))
        throwOpenError(path, err);
    file.length = from + gotRest;
    return file;
}

FileBytes readWholeStream(int fd, const std::string& name)
{
    std::size_t capacity = std::size_t{1} << 20;
    FileBytes stream;
    stream.bytes = allocateBytes(capacity);
    for (;;) {
        if (stream.length == capacity) {
            // Doubled, so that the copies add up to at most the bytes read.
            LargeBytes larger = allocateBytes(2 * capacity);
            std::memcpy(larger.get(), stream.bytes.get(), stream.length);
            stream.bytes = std::move(larger);
            capacity *= 2;
        }
        const ssize_t r = ::read(fd, stream.bytes.get() + stream.length, capacity - stream.length);
        if (r > 0) {
            stream.length += static_cast<std::size_t>(r);
        } else if (r == 0) {
            return stream;
        } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
            // A stream left non-blocking by whoever opened it: wait until it has more.
            pollfd ready{fd, POLLIN, 0};
            ::poll(&ready, 1, -1);
        } else if (errno != EINTR) {
            throw FileOpenError(name, systemReason(errno));
        }
    }
}

std::string absolutePath(const std::string& path)
{
    if (path.empty())
        return path;
    std::error_code ec;
    const auto abs = std::filesystem::absolute(path, ec);
    return ec ? path : abs.string();
}

std::string systemReason(int err)
{
    // strerror speaks the language of LC_MESSAGES in the character set of LC_CTYPE (when the
    // program has called setlocale): in any other character set than UTF-8 (with "?" for what
    // ASCII lacks, or in EUC-JP) it would be garbled inside the program's messages, so the
    // English text is taken then.
    if (const char* codeset = ::nl_langinfo(CODESET); codeset != nullptr && std::string_view(codeset) == "UTF-8") {
        std::string local = std::strerror(err);
        if (encoding::isValidUtf8(local))
            return local;
    }
    static const locale_t english = ::newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    if (english != static_cast<locale_t>(nullptr))
        return ::strerror_l(err, english);
    return "error " + std::to_string(err);
}

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;

// The length mapped for an array of the given bytes (see allocateLarge).
std::size_t largeMappingLength(std::size_t bytes)
{
    const std::size_t tail = bytes % kHugePage;
    if (tail == 0 || tail >= kHugePage / 8 * 3)
        return bytes + (tail == 0 ? 0 : kHugePage - tail);
    const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    return (bytes + page - 1) / page * page;
}

} // namespace

void* allocateLarge(std::size_t bytes)
{
    const std::size_t length = largeMappingLength(bytes);
    if (length < bytes || length > std::size_t(-1) - kHugePage)
        throw std::bad_alloc();
    // Mapped with a huge page of room to spare, then the parts before the first boundary and after
    // the length are given back.
    void* raw = ::mmap(nullptr, length + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED)
        throw std::bad_alloc();
    const auto rawStart = reinterpret_cast<std::uintptr_t>(raw);
    const auto start = (rawStart + kHugePage - 1) & ~(std::uintptr_t{kHugePage} - 1);
    if (start > rawStart)
        ::munmap(raw, start - rawStart);
    if (const std::uintptr_t after = rawStart + length + kHugePage - (start + length); after > 0)
        ::munmap(reinterpret_cast<void*>(start + length), after);
#if defined(MADV_HUGEPAGE)
    ::madvise(reinterpret_cast<void*>(start), length, MADV_HUGEPAGE);
#endif
    return reinterpret_cast<void*>(start);
}

void releaseLarge(void* p, std::size_t bytes) noexcept
{
    if (p != nullptr)
        ::munmap(p, largeMappingLength(bytes));
}

void LargeBytesRelease::operator()(char* p) const noexcept
{
    if (kLargeMappings && m_bytes >= kLargeFrom)
        releaseLarge(p, m_bytes);
    else
        delete[] p;
}

LargeBytes allocateBytes(std::size_t n)
{
    const std::size_t bytes = n ? n : 1;
    if (kLargeMappings && bytes >= kLargeFrom)
        return LargeBytes(static_cast<char*>(allocateLarge(bytes)), LargeBytesRelease(bytes));
    return LargeBytes(new char[bytes], LargeBytesRelease(bytes));
}

void releasePages(const char* from, const char* to)
{
#if defined(MADV_DONTNEED)
    const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    const auto first = (reinterpret_cast<std::uintptr_t>(from) + page - 1) & ~(page - 1);
    const auto last = reinterpret_cast<std::uintptr_t>(to) & ~(page - 1);
    if (last > first)
        ::madvise(reinterpret_cast<void*>(first), last - first, MADV_DONTNEED);
#else
    (void)from;
    (void)to;
#endif
}

} // namespace dg::sys
