#pragma once
// The scanned folders as plain records in arrays that never move, so that walker threads can fill
// records while others read those already published, and the report writer can walk the tree.
//
// Every folder is one 48-byte `ScannedFolder`; its name lives in a shared byte arena. The children
// of a folder are allocated together, in report order (byte order of their names), so a folder
// names them by the range [firstChild, firstChild + childCount). A child's id is always larger than
// its parent's, which lets totals be summed by one backward pass.
//
// Growing (allocate, allocateName) is not thread-safe: the caller holds one lock for it. Reading a
// record or a name is safe from any thread once its id has been handed over under that lock.
#include <cstdint>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace dg::scan {

constexpr std::int64_t kNoTime = INT64_MIN;
constexpr std::uint32_t kNoFolder = UINT32_MAX;

struct ScannedFolder {
    std::uint64_t nameRef = 0;     // offset into the name arena
    std::uint64_t bytes = 0;       // own size and files; after the walk, the whole subtree
    std::int64_t mtime = kNoTime;  // seconds since the epoch
    std::int64_t btime = kNoTime;  // creation (birth) time, kNoTime when the file system has none
    std::uint32_t parent = kNoFolder;
    std::uint32_t firstChild = 0;
    std::uint32_t childCount = 0;
    std::uint16_t nameLen = 0;
    std::uint8_t attributes = 16;
    std::uint8_t flags = 0;        // kUnreadable
};
static_assert(sizeof(ScannedFolder) == 48);

constexpr std::uint8_t kUnreadable = 1;

// Fixed-size chunks behind a fixed table of chunk pointers: elements never move.
template <class T, unsigned kChunkShift, unsigned kMaxChunks>
class ChunkedArray {
public:
    ChunkedArray() : m_chunks(std::make_unique<std::unique_ptr<T[]>[]>(kMaxChunks)) {}

    T& operator[](std::uint64_t i) { return m_chunks[i >> kChunkShift][i & kMask]; }
    const T& operator[](std::uint64_t i) const { return m_chunks[i >> kChunkShift][i & kMask]; }
    T* at(std::uint64_t i) { return &m_chunks[i >> kChunkShift][i & kMask]; }
    const T* at(std::uint64_t i) const { return &m_chunks[i >> kChunkShift][i & kMask]; }

    // Makes [0, n) addressable.
    void reserve(std::uint64_t n)
    {
        while (m_allocatedChunks * kChunkSize < n) {
            if (m_allocatedChunks == kMaxChunks)
                throw std::length_error("too many folders");
            m_chunks[m_allocatedChunks++] = std::make_unique_for_overwrite<T[]>(kChunkSize);
        }
    }

    static constexpr std::uint64_t kChunkSize = std::uint64_t{1} << kChunkShift;

private:
    static constexpr std::uint64_t kMask = kChunkSize - 1;
    std::unique_ptr<std::unique_ptr<T[]>[]> m_chunks;
    std::uint64_t m_allocatedChunks = 0;
};

class FolderTable {
public:
    std::uint32_t size() const { return m_size; }
    ScannedFolder& operator[](std::uint32_t id) { return m_folders[id]; }
    const ScannedFolder& operator[](std::uint32_t id) const { return m_folders[id]; }

    // n new records (default values); returns the first id. Caller holds the growth lock.
    std::uint32_t allocate(std::uint32_t n)
    {
        if (n > UINT32_MAX - 1 - m_size)
            throw std::length_error("too many folders");
        const std::uint32_t first = m_size;
        m_folders.reserve(std::uint64_t{m_size} + n);
        for (std::uint32_t k = 0; k < n; ++k)
            m_folders[first + k] = ScannedFolder{};
        m_size += n;
        return first;
    }

    // Stores a copy of name and returns its reference. Caller holds the growth lock.
    std::uint64_t allocateName(std::string_view name)
    {
        if (name.size() > kNameChunk)
            throw std::length_error("name too long");
        if (name.empty())
            return 0;
        if (m_namePos + name.size() > m_nameChunks * kNameChunk) {
            // Names never straddle two chunks.
            m_namePos = m_nameChunks * kNameChunk;
            m_names.reserve(m_namePos + kNameChunk);
            ++m_nameChunks;
        }
        const std::uint64_t ref = m_namePos;
        std::memcpy(m_names.at(ref), name.data(), name.size());
        m_namePos += name.size();
        return ref;
    }

    std::string_view name(std::uint32_t id) const
    {
        const ScannedFolder& f = m_folders[id];
        if (f.nameLen == 0)
            return {};
        return {m_names.at(f.nameRef), f.nameLen};
    }
    // Replaces the name (a copy is stored). Caller holds the growth lock.
    void setName(std::uint32_t id, std::string_view name)
    {
        if (name.size() > UINT16_MAX)
            throw std::length_error("name too long");
        m_folders[id].nameRef = allocateName(name);
        m_folders[id].nameLen = static_cast<std::uint16_t>(name.size());
    }

    // Bytes of names stored, for the memory figures.
    std::uint64_t nameBytes() const { return m_namePos; }

private:
    static constexpr std::uint64_t kNameChunk = 1 << 20;
    ChunkedArray<ScannedFolder, 16, 65536> m_folders;
    ChunkedArray<char, 20, 65536> m_names;
    std::uint32_t m_size = 0;
    std::uint64_t m_namePos = 0;
    std::uint64_t m_nameChunks = 0;
};

// The full path of a folder: its root's name (an absolute path) and the names below it, joined by
// "/" (under the root "/" just "/" + names).
inline std::string folderPath(const FolderTable& table, std::uint32_t id)
{
    std::vector<std::string_view> parts;
    for (std::uint32_t f = id; f != kNoFolder; f = table[f].parent)
        parts.push_back(table.name(f));
    std::string path(parts.back());
    for (std::size_t k = parts.size() - 1; k-- > 0;) {
        if (path.empty() || path.back() != '/')
            path.push_back('/');
        path.append(parts[k]);
    }
    return path;
}

} // namespace dg::scan
