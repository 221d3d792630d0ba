#include "scan/walker.h"

#include "core/translate.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <fnmatch.h>
#include <mutex>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <thread>
#include <unistd.h>

namespace dg::scan {
namespace {

// One getdents64 call fills this much; large folders then take few calls.
constexpr std::size_t kDirBuffer = 256 * 1024;
constexpr int kStatFlags = AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT | AT_STATX_DONT_SYNC;
constexpr unsigned kStatMask = STATX_TYPE | STATX_MODE | STATX_NLINK | STATX_INO | STATX_SIZE | STATX_BLOCKS
                               | STATX_MTIME | STATX_BTIME;
constexpr int kOpenFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

// An open folder whose subfolders still have to be opened relative to it; the last of them closes it.
struct DirHandle {
    int fd = -1;
    std::atomic<std::uint32_t> refs{0};
};

struct Item {
    std::uint32_t folder = kNoFolder;
    DirHandle* parent = nullptr; // nullptr: fd is open already (a root)
    int fd = -1;
};

// The files with several links, each once with the folder it counts in: of all folders it was
// seen in, the first in report order (`before` says which of two comes first). Memory grows with
// the files, not with their links (a tree of rotating backups links each file many times). In
// shards by inode, so that threads rarely wait for each other; each shard a table of 32-byte slots
// with open addressing, at most three quarters full.
class LinkTable {
public:
    struct File {
        std::uint64_t dev = 0;
        std::uint64_t ino = 0;
        std::uint64_t bytes = 0;
        std::uint32_t folder = kNoFolder; // kNoFolder: an empty slot
    };

    template <class Before>
    void add(const File& file, Before before)
    {
        const std::uint64_t h = hashOf(file);
        Shard& shard = m_shards[h >> 60];
        std::lock_guard lock(shard.mutex);
        if ((shard.used + 1) * 4 > shard.slots.size() * 3)
            grow(shard);
        File* slot = find(shard.slots, file, h);
        if (slot->folder == kNoFolder) {
            *slot = file;
            ++shard.used;
        } else if (before(file.folder, slot->folder)) {
            slot->folder = file.folder;
            slot->bytes = file.bytes;
        }
    }

    // Calls visit(file) for each file; the table is not to change meanwhile.
    template <class Visit>
    void forEach(Visit visit) const
    {
        for (const Shard& shard : m_shards)
            for (const File& f : shard.slots)
                if (f.folder != kNoFolder)
                    visit(f);
    }

private:
    static constexpr std::size_t kShards = 16;
    struct Shard {
        std::mutex mutex;
        std::vector<File> slots;
        std::size_t used = 0;
    };

    // The top bits choose the shard, the bottom ones the slot.
    static std::uint64_t hashOf(const File& f)
    {
        std::uint64_t x = f.dev * 0x9E3779B97F4A7C15ULL ^ f.ino;
        x ^= x >> 30;
        x *= 0xBF58476D1CE4E5B9ULL;
        x ^= x >> 27;
        x *= 0x94D049BB133111EBULL;
        return x ^ (x >> 31);
    }
    // The slot of file's inode, or the empty slot where it goes (the table is never full).
    static File* find(std::vector<File>& slots, const File& file, std::uint64_t h)
    {
        const std::size_t mask = slots.size() - 1;
        for (std::size_t k = h & mask;; k = (k + 1) & mask) {
            File& slot = slots[k];
            if (slot.folder == kNoFolder || (slot.ino == file.ino && slot.dev == file.dev))
                return &slot;
        }
    }
    static void grow(Shard& shard)
    {
        std::vector<File> larger(shard.slots.empty() ? 64 : shard.slots.size() * 2);
        for (const File& f : shard.slots)
            if (f.folder != kNoFolder)
                *find(larger, f, hashOf(f)) = f;
        shard.slots.swap(larger);
    }

    std::array<Shard, kShards> m_shards;
};

std::uint8_t attributesOf(std::string_view name, std::uint32_t mode)
{
    std::uint8_t a = 16;
    if (!name.empty() && name.front() == '.')
        a |= 2;
    if ((mode & S_IWUSR) == 0)
        a |= 1;
    return a;
}

std::string_view lastComponent(std::string_view path)
{
    while (path.size() > 1 && path.back() == '/')
        path.remove_suffix(1);
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::int64_t birthOf(const struct statx& st)
{
    return (st.stx_mask & STATX_BTIME) ? static_cast<std::int64_t>(st.stx_btime.tv_sec) : kNoTime;
}

} // namespace

struct Walker::Shared {
    std::mutex mutex; // guards the table's growth, the stack, outstanding and the handle pool
    std::condition_variable wake;
    std::vector<Item> stack;
    std::uint64_t outstanding = 0; // items pushed and not yet finished
    std::deque<DirHandle> handles;
    std::vector<DirHandle*> freeHandles;
    LinkTable links;
    std::mutex warnMutex;
    std::uint64_t volumeDev = 0;
    std::vector<std::string> namePatterns;
    std::vector<std::string> pathPatterns;
};

struct Walker::Worker {
    struct Sub {
        std::uint32_t nameOffset;
        std::uint16_t nameLen;
        std::uint8_t attributes;
        std::uint64_t bytes;
        std::int64_t mtime;
        std::int64_t btime;
    };
    std::vector<char> buffer = std::vector<char>(kDirBuffer);
    std::vector<Sub> subs;
    std::vector<std::uint32_t> order;
    std::string names;
    std::string nameZ;
    std::vector<DirHandle*> freed;
};

Walker::Walker(ScanOptions options, FolderTable& table, std::function<void(const std::string&)> warn)
    : m_options(std::move(options)), m_table(table), m_warn(std::move(warn)), m_shared(std::make_unique<Shared>())
{
    for (const std::string& p : m_options.excludes)
        (p.find('/') == std::string::npos ? m_shared->namePatterns : m_shared->pathPatterns).push_back(p);
    if (m_options.threads == 0)
        m_options.threads = 1;
}

Walker::~Walker() = default;

std::string Walker::pathOf(std::uint32_t id) const
{
    return folderPath(m_table, id);
}

bool Walker::comesFirst(std::uint32_t a, std::uint32_t b) const
{
    auto depth = [this](std::uint32_t id) {
        unsigned d = 0;
        for (; m_table[id].parent != kNoFolder; id = m_table[id].parent)
            ++d;
        return d;
    };
    unsigned da = depth(a);
    unsigned db = depth(b);
    // Up to the same depth: a folder comes before everything inside it.
    for (; da > db; --da)
        if ((a = m_table[a].parent) == b)
            return false;
    for (; db > da; --db)
        if ((b = m_table[b].parent) == a)
            return true;
    // Up to two children of one folder (or two roots): the one made first comes first.
    while (m_table[a].parent != m_table[b].parent) {
        a = m_table[a].parent;
        b = m_table[b].parent;
    }
    return a < b;
}

void Walker::finish()
{
    std::uint64_t files = 0;
    m_shared->links.forEach([&](const LinkTable::File& f) {
        m_table[f.folder].bytes += f.bytes;
        ++files;
    });
    m_files.fetch_add(files, std::memory_order_relaxed);

    // Totals: a child's id is always larger than its parent's.
    for (std::uint32_t id = m_table.size(); id-- > 0;) {
        if (m_table[id].parent != kNoFolder)
            m_table[m_table[id].parent].bytes += m_table[id].bytes;
    }
}

std::uint32_t Walker::walk(const std::string& absolutePath)
{
    Shared& s = *m_shared;
    const std::uint32_t root = m_table.allocate(1);
    m_roots.push_back(root);
    m_table.setName(root, absolutePath);
    ScannedFolder& r = m_table[root];
    r.parent = kNoFolder;

    const int fd = ::open(absolutePath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const int openError = errno;
    struct statx st {};
    const bool stated = fd >= 0 ? ::statx(fd, "", AT_EMPTY_PATH | kStatFlags, kStatMask, &st) == 0
                                : ::statx(AT_FDCWD, absolutePath.c_str(), kStatFlags & ~AT_SYMLINK_NOFOLLOW,
                                          kStatMask, &st) == 0;
    if (stated) {
        r.attributes = attributesOf(lastComponent(absolutePath), st.stx_mode);
        r.mtime = st.stx_mtime.tv_sec;
        r.btime = birthOf(st);
        r.bytes = m_options.diskUsage ? st.stx_blocks * 512 : st.stx_size;
        s.volumeDev = makedev(st.stx_dev_major, st.stx_dev_minor);
    }
    m_folders.fetch_add(1, std::memory_order_relaxed);
    if (fd < 0) {
        r.flags |= kUnreadable;
        m_hadErrors = true;
        std::lock_guard lock(s.warnMutex);
        m_warn(dg::i18n::format("dg::scan", DG_TRANSLATE_NOOP("dg::scan", "cannot read folder %1: %2"),
                                {absolutePath, std::strerror(openError)}));
        return root;
    }

    s.stack.push_back(Item{root, nullptr, fd});
    s.outstanding = 1;
    std::vector<std::thread> threads;
    for (unsigned k = 1; k < m_options.threads; ++k)
        threads.emplace_back([this] {
            Worker w;
            run(w);
        });
    {
        Worker w;
        run(w);
    }
    for (std::thread& t : threads)
        t.join();
    m_current.store(kNoFolder, std::memory_order_release);
    return root;
}

void Walker::run(Worker& w)
{
    Shared& s = *m_shared;
    // Waits for a folder to read; false once every folder is done.
    const auto takeNext = [&s](Item& next) {
        std::unique_lock lock(s.mutex);
        s.wake.wait(lock, [&] { return !s.stack.empty() || s.outstanding == 0; });
        if (s.stack.empty())
            return false;
        next = s.stack.back();
        s.stack.pop_back();
        return true;
    };
    Item item;
    if (!takeNext(item))
        return;
    for (;;) {
        const std::uint32_t id = item.folder;
        m_current.store(id, std::memory_order_release);
        int fd = item.fd;
        int openError = 0;
        // A cancelled walk still takes every folder off the stack, so that the open folders are
        // closed and the threads meet at the end, but reads none of them.
        const bool stop = cancelled();
        if (item.parent) {
            if (!stop) {
                w.nameZ.assign(m_table.name(id));
                fd = ::openat(item.parent->fd, w.nameZ.c_str(), kOpenFlags);
                if (fd < 0 && (errno == EMFILE || errno == ENFILE))
                    fd = ::open(pathOf(id).c_str(), kOpenFlags);
                openError = errno;
            }
            if (item.parent->refs.fetch_sub(1, std::memory_order_acq_rel) == 1) {
                ::close(item.parent->fd);
                w.freed.push_back(item.parent);
            }
        } else if (stop && fd >= 0) {
            ::close(fd);
            fd = -1;
        }

        std::uint64_t fileBytes = 0;
        std::uint64_t fileCount = 0;
        std::uint64_t subBytes = 0;
        w.subs.clear();
        w.names.clear();
        auto warn = [&](const std::string& text) {
            m_hadErrors = true;
            std::lock_guard lock(s.warnMutex);
            m_warn(text);
        };
        if (fd < 0 && !stop) {
            m_table[id].flags |= kUnreadable;
            warn("cannot read folder " + pathOf(id) + ": " + std::strerror(openError));
        }
        while (fd >= 0 && !cancelled()) {
            const long n = ::syscall(SYS_getdents64, fd, w.buffer.data(), w.buffer.size());
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                m_table[id].flags |= kUnreadable;
                warn("cannot read folder " + pathOf(id) + ": " + std::strerror(errno));
                break;
            }
            if (n == 0)
                break;
            for (long pos = 0; pos < n;) {
                // struct linux_dirent64: d_ino (8), d_off (8), d_reclen (2), d_type (1), d_name.
                const char* d = w.buffer.data() + pos;
                std::uint16_t reclen;
                std::memcpy(&reclen, d + 16, sizeof reclen);
                pos += reclen;
                const char* name = d + 19;
                if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
                    continue;
                const std::size_t len = std::strlen(name);
                if (!s.namePatterns.empty() || !s.pathPatterns.empty()) {
                    bool skip = false;
                    for (const std::string& p : s.namePatterns)
                        skip = skip || ::fnmatch(p.c_str(), name, 0) == 0;
                    if (!skip && !s.pathPatterns.empty()) {
                        std::string path = pathOf(id);
                        if (path.back() != '/')
                            path.push_back('/');
                        path.append(name, len);
                        for (const std::string& p : s.pathPatterns)
                            skip = skip || ::fnmatch(p.c_str(), path.c_str(), FNM_PATHNAME) == 0;
                    }
                    if (skip)
                        continue;
                }
                struct statx st;
                if (::statx(fd, name, kStatFlags, kStatMask, &st) != 0) {
                    // An entry removed since the folder was read is simply gone.
                    if (errno != ENOENT)
                        warn("cannot read " + pathOf(id) + "/" + name + ": " + std::strerror(errno));
                    continue;
                }
                const bool isDir = S_ISDIR(st.stx_mode);
                const std::uint64_t own = m_options.diskUsage ? st.stx_blocks * 512
                                          : (isDir || S_ISREG(st.stx_mode) || S_ISLNK(st.stx_mode)) ? st.stx_size
                                                                                                      : 0;
                if (isDir) {
                    if (!m_options.crossMounts && makedev(st.stx_dev_major, st.stx_dev_minor) != s.volumeDev)
                        continue;
                    w.subs.push_back(Worker::Sub{static_cast<std::uint32_t>(w.names.size()),
                                                 static_cast<std::uint16_t>(len), attributesOf(name, st.stx_mode),
                                                 own, st.stx_mtime.tv_sec, birthOf(st)});
                    w.names.append(name, len);
                    subBytes += own;
                } else {
                    if (st.stx_nlink > 1) {
                        // Counted once by finish(), in the folder that comes first in the report.
                        s.links.add(LinkTable::File{makedev(st.stx_dev_major, st.stx_dev_minor), st.stx_ino, own, id},
                                    [this](std::uint32_t a, std::uint32_t b) { return comesFirst(a, b); });
                        continue;
                    }
                    fileBytes += own;
                    ++fileCount;
                }
            }
        }

        // Subfolders in the byte order of their names, whatever order the folder gave them in.
        const auto count = static_cast<std::uint32_t>(w.subs.size());
        w.order.resize(count);
        for (std::uint32_t k = 0; k < count; ++k)
            w.order[k] = k;
        auto nameOf = [&](std::uint32_t k) {
            return std::string_view(w.names).substr(w.subs[k].nameOffset, w.subs[k].nameLen);
        };
        std::sort(w.order.begin(), w.order.end(), [&](std::uint32_t a, std::uint32_t b) { return nameOf(a) < nameOf(b); });

        m_folders.fetch_add(count, std::memory_order_relaxed);
        m_files.fetch_add(fileCount, std::memory_order_relaxed);
        m_bytes.fetch_add(fileBytes + subBytes, std::memory_order_relaxed);

        bool more = false;
        bool done = false;
        bool took = false;
        {
            std::lock_guard lock(s.mutex);
            s.freeHandles.insert(s.freeHandles.end(), w.freed.begin(), w.freed.end());
            std::uint32_t first = 0;
            if (count > 0) {
                first = m_table.allocate(count);
                for (std::uint32_t k = 0; k < count; ++k) {
                    const Worker::Sub& sub = w.subs[w.order[k]];
                    ScannedFolder& f = m_table[first + k];
                    f.parent = id;
                    f.nameRef = m_table.allocateName(nameOf(w.order[k]));
                    f.nameLen = sub.nameLen;
                    f.bytes = sub.bytes;
                    f.mtime = sub.mtime;
                    f.btime = sub.btime;
                    f.attributes = sub.attributes;
                }
                DirHandle* h;
                if (s.freeHandles.empty()) {
                    h = &s.handles.emplace_back();
                } else {
                    h = s.freeHandles.back();
                    s.freeHandles.pop_back();
                }
                h->fd = fd;
                h->refs.store(count, std::memory_order_relaxed);
                // Pushed last to first, so the first name is taken next: the walk runs roughly in
                // report order and keeps few folders open.
                for (std::uint32_t k = count; k-- > 0;)
                    s.stack.push_back(Item{first + k, h, -1});
            }
            ScannedFolder& self = m_table[id];
            self.firstChild = first;
            self.childCount = count;
            self.bytes += fileBytes;
            s.outstanding += count;
            --s.outstanding;
            if (!s.stack.empty()) {
                item = s.stack.back();
                s.stack.pop_back();
                took = true;
            }
            more = !s.stack.empty();
            done = s.outstanding == 0;
        }
        w.freed.clear();
        if (count == 0 && fd >= 0)
            ::close(fd);
        if (more || done)
            s.wake.notify_all();
        if (!took && !takeNext(item))
            return;
    }
}

} // namespace dg::scan
