#pragma once
// What the core needs of the operating system, behind one small interface: reading a whole report
// file or stream, the system's words for an error, and giving memory pages back. One implementation per system, chosen by the build
// (system_file_posix.cpp for Linux and the other POSIX systems).
#include <cstddef>
#include <memory>
#include <string>

namespace dg::sys {

struct FileBytes {
    std::unique_ptr<char[]> bytes; // at least one byte allocated, also for an empty file
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

// Asks the system to back the memory [p, p + n) of a large fresh buffer with huge pages where it
// can, so that filling it takes a few hundred page faults instead of one per 4 KiB. A hint: does
// nothing where the system offers no such call.
void adviseHugePages(const void* p, std::size_t n);

// Reserves room for n elements in the vector v, advising huge pages for a large one (before any
// element is written: the advice only helps pages not yet touched).
template <class Vector>
void reserveLarge(Vector& v, std::size_t n)
{
    v.reserve(n);
    adviseHugePages(v.data(), v.capacity() * sizeof(typename Vector::value_type));
}

// Gives the whole memory pages inside [from, to) of a buffer from new[] back to the system; their
// bytes are not to be read again. A hint: does nothing where the system offers no such call.
void releasePages(const char* from, const char* to);

} // namespace dg::sys
