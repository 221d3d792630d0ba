#pragma once
// The settings file on disk, shared by the two viewers of a pair. The text rules (sections, keys,
// values, what an edit changes) are IniDocument's; this class adds the file and the sharing.
//
// Nothing is cached: every read takes a fresh look at the file, so a viewer sees what its partner
// wrote a moment ago. Every write is applied to the file at once and completely: under an
// exclusive advisory lock (flock) on the folder that holds the file, the current file is read,
// the edit applied, the result written to "<file>.tmp", forced to disk and renamed over the file.
// Two viewers writing at the same moment therefore never lose each other's keys, a reader never
// sees half a file, and a crash leaves either the old or the new file. Readers take no lock.
//
// Why the folder: the file itself cannot carry the lock, since every write replaces it by a new
// inode, so a second writer that opened the file after the rename would lock the new inode while
// the first still holds the old one. The folder stays the same object across replacements, the
// lock needs no file of its own (nothing is left beside the settings after exit, or after a
// crash: the kernel releases the lock with its holder), and the ".tmp" name is only ever used
// under it. When the settings file is a symbolic link, the folder of the file at the end of the
// link is locked and that file replaced; the link stays.
//
// A missing file reads as empty (all defaults) and is created by the first write. A file that is
// not a regular one (a FIFO, a device; opened without waiting and never read), cannot be read, or
// is larger than kMaxFileSize, reads as empty too; writing to it is refused rather than replacing
// content we could not read.
#include "settings/ini_document.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace dg {

// A list of edits applied to the settings file together: one lock, one read, one replacement.
// Used where several keys belong together (a whole section, the exit), so that the partner
// never reads half of them and two viewers exiting at once do not interleave their sections.
// Recording an edit with an invalid name throws std::invalid_argument (see IniDocument).
class IniBatch {
public:
    void eraseSection(std::string_view section);
    void writeString(std::string_view section, std::string_view key, std::string_view value);
    void writeInteger(std::string_view section, std::string_view key, std::int32_t value);
    void writeBool(std::string_view section, std::string_view key, bool value);
    // Writes a text value given as UTF-8 (see IniDocument::readText). When the document held a
    // value for the key before this batch that reads as the same text, those bytes are written
    // instead, so a value kept in another encoding (Shift-JIS) goes back byte for byte while the
    // program has not changed it, even when the batch erases its section first.
    void writeText(std::string_view section, std::string_view key, std::string_view utf8Value);

    bool empty() const { return m_edits.empty(); }
    // Applies the edits in the order recorded.
    void applyTo(IniDocument& document) const;

private:
    struct Edit {
        bool erase = false; // erase section, or write key=value
        bool text = false;  // writeText: keep the stored bytes of the same text
        std::string section;
        std::string key;
        std::string value;
    };
    std::vector<Edit> m_edits;
};

class IniFile {
public:
    // Files larger than this are not settings files; they are read as empty and never replaced.
    static constexpr std::size_t kMaxFileSize = 16 * 1024 * 1024;

    // Opens the settings file at path (made absolute against the current folder; nothing is
    // touched on disk). The file and its folder need not exist.
    explicit IniFile(std::filesystem::path path);

    // The absolute path, as named in the error text.
    const std::filesystem::path& path() const { return m_path; }

    // The whole file as it is now, for reading several keys from one consistent state.
    IniDocument snapshot() const;

    // Single reads (IniDocument's rules; never fail, a missing file gives the default).
    std::int32_t readInteger(std::string_view section, std::string_view key,
                             std::int32_t defaultValue) const;
    bool readBool(std::string_view section, std::string_view key, bool defaultValue) const;
    std::string readString(std::string_view section, std::string_view key,
                           std::string_view defaultValue = {}) const;
    std::string readText(std::string_view section, std::string_view key,
                         std::string_view defaultValue = {}) const;

    // Single writes, each applied to the file at once. A write the system refuses (the folder
    // cannot be written, the file is read-only, the existing file cannot be read) throws
    // dg::UserError with the text "<full path> に書き込めません"; the file is then unchanged.
    void writeInteger(std::string_view section, std::string_view key, std::int32_t value);
    void writeBool(std::string_view section, std::string_view key, bool value);
    void writeString(std::string_view section, std::string_view key, std::string_view value);
    void eraseSection(std::string_view section);

    // Applies all edits of the batch in one replacement: either all of them reach the file or, on
    // the UserError above, none. An empty batch touches nothing.
    void commit(const IniBatch& batch);

    // Every write is on disk when it returns, so there is nothing left to flush; kept because
    // callers flush after their writes. Reports nothing.
    void flush() noexcept {}

private:
    [[noreturn]] void refuse() const;

    std::filesystem::path m_path;
};

} // namespace dg
