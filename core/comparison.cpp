#include "core/comparison.h"

#include "core/change_percent.h"
#include "core/helper_thread.h"
#include "core/encoding.h"
#include "core/numbers.h"

#include <atomic>
#include <cstring>
#include <exception>

namespace dg {
namespace {

std::int64_t sizeOrMinusOne(std::string_view text)
{
    return parseInt64(text).value_or(-1);
}

// key against the first key.size() bytes of line (the whole line when shorter), plain byte order.
int comparePrefix(std::string_view key, std::string_view line)
{
    const std::size_t n = std::min(key.size(), line.size());
    if (n) {
        const int c = std::memcmp(key.data(), line.data(), n);
        if (c)
            return c;
    }
    return key.size() > line.size() ? 1 : 0;
}

} // namespace

void normaliseBaseLines(LineList& base, const FormCheck& check, FieldSplitter& splitter, DebugSink* debug)
{
    if (check.abbreviated)
        ExpandFullDescription(base, splitter, debug);
    else
        substituteDriveSizes(base, splitter, debug);
    base.sortBytewise();
}

void matchBaseEncoding(LineList& base, TextEncoding shown)
{
    const TextEncoding from = base.kind().encoding;
    if (from == shown)
        return;
    LineList converted;
    converted.reserve(base.size());
    std::string text;
    for (std::size_t i = 0; i < base.size(); ++i) {
        const bool exact = shown == TextEncoding::Utf8 ? encoding::sjisToUtf8Exact(base[i], text)
                                                       : encoding::utf8ToSjisExact(base[i], text);
        if (exact)
            converted.append(text);
    }
    converted.setKind({shown, base.kind().paths});
    converted.sortBytewise();
    base = std::move(converted);
}

long long FindBaseLine(const LineList& base, std::string_view key)
{
    if (base.empty())
        return -1;
    std::size_t low = 0;
    std::size_t high = base.size() - 1;
    for (;;) {
        const std::size_t middle = (low + high) / 2;
        const int c = comparePrefix(key, base[middle]);
        if (c == 0)
            return static_cast<long long>(middle);
        if (low == high)
            return -1;
        if (c < 0)
            high = middle;
        else
            low = middle + 1;
    }
}

void lookupKey(std::string_view currentLine, std::string_view field0, std::string& key)
{
    key.clear();
    const bool quoted = !currentLine.empty() && currentLine.front() == '"';
    if (quoted)
        key.push_back('"');
    key.append(field0);
    if (quoted)
        key.push_back('"');
    key.push_back(',');
}

ChangeClass classifySizes(std::int64_t current, std::int64_t base, const ChangeLimits& limits)
{
    // Differences are taken exactly: two 64-bit sizes can be further apart than 64 bits hold.
    const Int128 c = current;
    const Int128 b = base;
    if (c > b) {
        const std::int64_t pct = changePercent(c - b, base);
        if (pct >= limits.u2)
            return ChangeClass::GreatlyIncreased;
        if (pct >= limits.u1)
            return ChangeClass::Increased;
    } else if (c < b) {
        const std::int64_t pct = changePercent(b - c, base);
        if (pct >= limits.d2)
            return ChangeClass::GreatlyDecreased;
        if (pct >= limits.d1)
            return ChangeClass::Decreased;
    }
    return ChangeClass::Unchanged;
}

namespace {

// Classifies the nodes at absolute indices [from, to) and adds to counts.
void classifyRange(FolderTree& tree, const LineList& current, const LineList& base, const ChangeLimits& limits,
                   FieldSplitter& splitter, std::size_t from, std::size_t to,
                   const std::function<void(std::size_t)>& progress, ClassCounts& counts)
{
    std::string key;
    splitter.setEncoding(current.kind().encoding);
    const bool posixPaths = current.kind().posix();
    for (std::size_t d = from; d < to; ++d) {
        if (progress)
            progress(d);
        const NodeId id = tree.nodeAtAbsolute(d);
        tree.setChangeClass(id, ChangeClass::Unchanged);
        const std::string_view line = current[tree.lineIndex(id)];
        splitter.splitFirst(line, 2);
        const std::string_view path = splitter.get(0);
        if (!posixPaths && path.size() == 2)
            continue;
        const std::int64_t currentSize = sizeOrMinusOne(splitter.get(1));
        if (posixPaths && ((!line.empty() && line.front() == '"') || path.find('"') != std::string_view::npos)) {
            // POSIX names may hold double quotes: the key is field 0 as a join writes it (quoted,
            // inner quotes doubled), which is how a base line writes it too. (A field that stood
            // unquoted and holds no quote is written as it stands.)
            key.resize(FieldSplitter::joinedSize(path, current.kind().encoding) + 1);
            char* end = FieldSplitter::writeJoined(key.data(), path, current.kind().encoding);
            *end = ',';
        } else {
            lookupKey(line, path, key);
        }
        const long long found = FindBaseLine(base, key);
        if (found < 0) {
            tree.setChangeClass(id, ChangeClass::Added);
            ++counts.added;
            continue;
        }
        splitter.splitFirst(base[static_cast<std::size_t>(found)], 2);
        const std::int64_t baseSize = sizeOrMinusOne(splitter.get(1));
        const ChangeClass c = classifySizes(currentSize, baseSize, limits);
        tree.setChangeClass(id, c);
        switch (c) {
        case ChangeClass::Increased: ++counts.u1; break;
        case ChangeClass::GreatlyIncreased: ++counts.u2; break;
        case ChangeClass::Decreased: ++counts.d1; break;
        case ChangeClass::GreatlyDecreased: ++counts.d2; break;
        case ChangeClass::None:
        case ChangeClass::Added:
        case ChangeClass::Unchanged: break;
        }
    }
}

} // namespace

ClassCounts classifyTree(FolderTree& tree, const LineList& current, const LineList& base,
                         const ChangeLimits& limits, FieldSplitter& splitter, DebugSink* debug,
                         const std::function<void(std::size_t)>& progress, std::size_t twoHalvesFrom)
{
    if (debug && debug->enabled())
        debug->out("Start SetColorInfo, U1=" + std::to_string(limits.u1) + "%, U2=" + std::to_string(limits.u2) +
                   "%, D1=" + std::to_string(limits.d1) + "%, D2=" + std::to_string(limits.d2) + "%");
    ClassCounts counts;
    const std::size_t n = tree.nodeCount();
    // Nodes are independent of each other: a large tree is classified as two halves on two
    // threads. Only the lines and the base are shared, and only read; each half writes the
    // classes of its own nodes. The progress display is fed on this thread alone, with the
    // nodes done in both halves.
    if (n < twoHalvesFrom || n < 3) {
        classifyRange(tree, current, base, limits, splitter, 1, n, progress, counts);
    } else {
        const std::size_t middle = n / 2;
        ClassCounts second;
        std::exception_ptr secondError;
        std::atomic<std::size_t> secondDone{0};
        HelperThread worker([&] {
            try {
                FieldSplitter own;
                std::function<void(std::size_t)> done;
                if (progress)
                    done = [&secondDone, middle](std::size_t d) { secondDone.store(d - middle, std::memory_order_relaxed); };
                classifyRange(tree, current, base, limits, own, middle, n, done, second);
            } catch (...) {
                secondError = std::current_exception();
            }
        });
        std::function<void(std::size_t)> firstProgress;
        if (progress && worker.running())
            firstProgress = [&progress, &secondDone](std::size_t d) { progress(d + secondDone.load(std::memory_order_relaxed)); };
        else
            firstProgress = progress;
        // An error here is the earlier node's, as a walk in order would meet it first (the helper
        // is joined on the way out).
        classifyRange(tree, current, base, limits, splitter, 1, middle, firstProgress, counts);
        worker.join();
        if (!worker.running())
            classifyRange(tree, current, base, limits, splitter, middle, n, progress, second);
        if (secondError)
            std::rethrow_exception(secondError);
        if (worker.running() && progress)
            progress(n - 1); // the last node, as a walk in order ends
        counts.added += second.added;
        counts.u1 += second.u1;
        counts.u2 += second.u2;
        counts.d1 += second.d1;
        counts.d2 += second.d2;
    }
    if (debug && debug->enabled())
        debug->out("End   SetColorInfo, Ad=" + std::to_string(counts.added) + ", U1=" + std::to_string(counts.u1) +
                   ", U2=" + std::to_string(counts.u2) + ", D1=" + std::to_string(counts.d1) +
                   ", D2=" + std::to_string(counts.d2));
    return counts;
}

NodeId firstChangedNode(const FolderTree& tree)
{
    return nextChangedBelow(tree, 0);
}

NodeId nextChangedBelow(const FolderTree& tree, std::size_t i)
{
    for (std::size_t d = i + 1; d < tree.nodeCount(); ++d) {
        const NodeId id = tree.nodeAtAbsolute(d);
        if (tree.changeClass(id) != ChangeClass::Unchanged)
            return id;
    }
    return kNoNode;
}

NodeId nextChangedAbove(const FolderTree& tree, std::size_t i)
{
    for (std::size_t d = i; d-- > 1;) {
        const NodeId id = tree.nodeAtAbsolute(d);
        if (tree.changeClass(id) != ChangeClass::Unchanged)
            return id;
    }
    return kNoNode;
}

} // namespace dg
