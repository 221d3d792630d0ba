#pragma once
// What the core needs of the operating system, behind one small interface: reading a whole report
// file or stream, the system's words for an error, memory for large arrays, and giving memory
// pages back. One implementation per system, chosen by the build (system_file_posix.cpp for Linux
// and the other POSIX systems).
#include <cstddef>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace dg::sys {

// Releases bytes from allocateBytes the way they were taken.
class LargeBytesRelease {
public:
    LargeBytesRelease() = default;
    explicit LargeBytesRelease(std::size_t bytes) : m_bytes(bytes) {}
    void operator()(char* p) const noexcept;

private:
    std::size_t m_bytes = 0;
};
// A buffer of bytes, in huge pages when it is large (a report's text).
using LargeBytes = std::unique_ptr<char[], LargeBytesRelease>;
// n bytes, not zeroed (at least one byte is allocated). Throws std::bad_alloc.
LargeBytes allocateBytes(std::size_t n);

struct FileBytes {
    LargeBytes bytes; // at least one byte allocated, also for an empty file
    std::size_t length = 0;
};

// Reads the plain file at path whole, as long as it was when opened: bytes appended meanwhile are
// not read, a file that shrank meanwhile is read to its new end. A file whose size is 0 is read to
// its end (the system's own files under /proc report no size). Opening never waits (a pipe
// without a writer, a device). Throws FileOpenError with the full path and the reason when the
// file cannot be opened or read, is a folder, or is anything but a plain file.
FileBytes readWholeFile(const std::string& path);

// Reads the open stream fd (standard input, a pipe) to its end. name is how messages call it.
// Throws FileOpenError with name and the reason when reading fails.
FileBytes readWholeStream(int fd, const std::string& name);

// path made absolute against the current folder (as typed otherwise: no links followed, nothing
// checked); path itself when that fails or path is empty.
std::string absolutePath(const std::string& path);

// The system's text for the error number err (errno), in the user's language where the C library
// has a translation that is valid UTF-8 (the program's own messages are UTF-8), else in English.
std::string systemReason(int err);

// Arrays and texts of kLargeFrom bytes or more get memory of their own (allocateLarge).
inline constexpr std::size_t kLargeFrom = std::size_t{256} << 10; // bytes
// The address sanitizer checks only memory from its own allocator: under it the large arrays come
// from operator new like the rest, so that it sees a step past their end.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kLargeMappings = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool kLargeMappings = false;
#else
inline constexpr bool kLargeMappings = true;
#endif
#else
inline constexpr bool kLargeMappings = true;
#endif

// Memory for a large array: a mapping of its own that starts on a huge-page boundary, advised
// huge pages, so that each whole 2 MiB of it costs one page fault instead of 512 (a fault is what
// fresh memory costs most on the virtual machines we run on). The end is rounded up to a whole
// huge page when that wastes less than 1.25 MiB; otherwise its last part has small pages.
// Throws std::bad_alloc when the system has no memory for it.
void* allocateLarge(std::size_t bytes);
// Gives back memory from allocateLarge(bytes).
void releaseLarge(void* p, std::size_t bytes) noexcept;

// The allocator of the large arrays: small ones come from operator new as usual.
template <class T>
struct LargeAllocator {
    using value_type = T;
    LargeAllocator() = default;
    template <class U>
    LargeAllocator(const LargeAllocator<U>&) noexcept {}
    T* allocate(std::size_t n)
    {
        if (n > std::size_t(-1) / sizeof(T))
            throw std::bad_array_new_length();
        const std::size_t bytes = n * sizeof(T);
        if (kLargeMappings && bytes >= kLargeFrom)
            return static_cast<T*>(allocateLarge(bytes));
        return std::allocator<T>{}.allocate(n);
    }
    void deallocate(T* p, std::size_t n) noexcept
    {
        const std::size_t bytes = n * sizeof(T);
        if (kLargeMappings && bytes >= kLargeFrom)
            releaseLarge(p, bytes);
        else
            std::allocator<T>{}.deallocate(p, n);
    }
    template <class U>
    bool operator==(const LargeAllocator<U>&) const noexcept { return true; }
};

// Gives the whole memory pages inside [from, to) of a buffer back to the system; their
// bytes are not to be read again. A hint: does nothing where the system offers no such call.
void releasePages(const char* from, const char* to);

} // namespace dg::sys

namespace dg {
// A plain array of many elements (one per line or folder of a report), in huge pages.
template <class T>
using LargeVector = std::vector<T, sys::LargeAllocator<T>>;

// Gives the memory of v back. (`v = {}` only empties it: the braces choose the assignment from an
// empty initializer list, which keeps the capacity.)
template <class Vector>
void releaseMemory(Vector& v)
{
    Vector().swap(v);
}
} // namespace dg
