#pragma once
// `Walker`: reads one folder tree into a `FolderTable` on several threads.
//
// Each folder is opened relative to its parent's open descriptor, read with getdents64 into a large
// buffer, and every entry is measured with one statx relative to that descriptor. A folder's
// subfolders are sorted by the bytes of their names and published together, so the table's shape
// does not depend on the number of threads or on timing. Sizes count what du counts: apparent
// bytes of folders, regular files and symbolic links (`diskUsage`: allocated blocks × 512 of every
// entry), a file with several hard links once per walker, symbolic links never followed, folders
// on other file systems left out (unless `crossMounts`).
//
// Folder attributes: 16, plus 2 when the name starts with ".", plus 1 when the owner lacks write
// permission.
//
// Memory: one 48-byte record per folder plus the folder names; files cost nothing beyond a 32-byte
// slot (in a table kept at most three quarters full) per file with more than one link, however
// many links it has.
#include "scan/folder_table.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace dg::scan {

struct ScanOptions {
    bool diskUsage = false;
    bool crossMounts = false;
    std::vector<std::string> excludes; // shell patterns: names, or whole paths when holding "/"
    unsigned threads = 1;
};

class Walker {
public:
    // warn receives one message per problem (a folder or file that could not be read), from any
    // thread but never two at once.
    Walker(ScanOptions options, FolderTable& table, std::function<void(const std::string&)> warn);
    ~Walker();
    Walker(const Walker&) = delete;
    Walker& operator=(const Walker&) = delete;

    // Walks the folder at the absolute path and returns its root record; its name is the path. The
    // sizes are each folder's own until finish(). A root that cannot be opened is a warning and a
    // root record marked kUnreadable.
    std::uint32_t walk(const std::string& absolutePath);

    // After the last walk(): counts each file with several links in the folder that comes first in
    // report order (whichever thread saw it first), and turns own sizes into subtree totals.
    void finish();

    // Progress, safe to read from another thread during walk(); files() is exact after finish().
    std::uint64_t folders() const { return m_folders.load(std::memory_order_relaxed); }
    std::uint64_t files() const { return m_files.load(std::memory_order_relaxed); }
    std::uint64_t bytes() const { return m_bytes.load(std::memory_order_relaxed); }
    std::uint32_t currentFolder() const { return m_current.load(std::memory_order_acquire); }
    // The full path of a published folder (safe during walk() for currentFolder()).
    std::string pathOf(std::uint32_t id) const;

    // True when anything could not be read.
    bool hadErrors() const { return m_hadErrors.load(); }

    // Makes a walk() in progress return soon, from any thread: folders not yet read are left
    // unread, without warnings, and so is every later walk. The table then holds part of the tree
    // and is good for nothing but to be dropped.
    void cancel() { m_cancelled.store(true, std::memory_order_relaxed); }
    bool cancelled() const { return m_cancelled.load(std::memory_order_relaxed); }

private:
    struct Shared;
    struct Worker;
    void run(Worker& w);
    // Whether folder a comes before folder b in report order: depth first, the children of a
    // folder in table order, the roots in the order walked. Safe during walk() for the folders of
    // items taken and their ancestors, whose links to their parents are set before.
    bool comesFirst(std::uint32_t a, std::uint32_t b) const;

    ScanOptions m_options;
    FolderTable& m_table;
    std::function<void(const std::string&)> m_warn;
    std::unique_ptr<Shared> m_shared;
    std::vector<std::uint32_t> m_roots;
    std::atomic<std::uint64_t> m_folders{0};
    std::atomic<std::uint64_t> m_files{0};
    std::atomic<std::uint64_t> m_bytes{0};
    std::atomic<std::uint32_t> m_current{kNoFolder};
    std::atomic<bool> m_hadErrors{false};
    std::atomic<bool> m_cancelled{false};
};

} // namespace dg::scan
