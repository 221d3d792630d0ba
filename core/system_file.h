#pragma once
// What the core needs of the operating system, behind one small interface: reading a whole report
// file and giving memory pages back. One implementation per system, chosen by the build
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
// not read, a file that shrank meanwhile is read to its new end. Opening never waits (a pipe
// without a writer, a device). Throws FileOpenError with the full path and the reason when the
// file cannot be opened or read, is a folder, or is anything but a plain file.
FileBytes readWholeFile(const std::string& path);

// Gives the whole memory pages inside [from, to) of a buffer from new[] back to the system; their
// bytes are not to be read again. A hint: does nothing where the system offers no such call.
void releasePages(const char* from, const char* to);

} // namespace dg::sys
