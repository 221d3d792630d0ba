#include "bench/report_gen.h"

#include "bench/report_writer.h"

#include <algorithm>
#include <array>
#include <stdexcept>
#include <vector>

namespace dg::bench {

namespace {

using detail::SplitMix64;

constexpr unsigned kMaxDepth = 20;

// The shape of the tree in depth-first order: each folder's depth (root 0) and total size.
// Built first because a folder's line, which carries its total, precedes its subfolders.
class ShapeBuilder {
public:
    ShapeBuilder(std::uint64_t seed, std::uint64_t folders) : m_random(seed)
    {
        m_depths.reserve(folders);
        m_sizes.reserve(folders);
        grow(0, folders);
    }

    std::vector<std::uint8_t> m_depths;
    std::vector<std::uint64_t> m_sizes;

private:
    // Adds a folder of the given depth and budget - 1 descendants; returns its total size.
    std::uint64_t grow(unsigned depth, std::uint64_t budget);
    std::uint64_t childBudget(unsigned depth, std::uint64_t remaining, bool wide, bool first);

    SplitMix64 m_random;
    bool m_wideSeen = false;
};

std::uint64_t ShapeBuilder::grow(unsigned depth, std::uint64_t budget)
{
    const std::size_t index = m_depths.size();
    m_depths.push_back(static_cast<std::uint8_t>(depth));
    m_sizes.push_back(0);
    std::uint64_t total = detail::ownFilesSize(m_random.next());
    std::uint64_t remaining = budget - 1;
    // Some folders with hundreds to tens of thousands of descendants hold mostly small
    // subfolders directly: a component store, a cache, a mail archive. Every drive big enough
    // has at least one.
    const bool wide = depth >= 2 && remaining >= 500 && remaining <= 50'000 &&
                      (!m_wideSeen || m_random.chance(50));
    m_wideSeen = m_wideSeen || wide;
    bool first = true;
    while (remaining > 0) {
        const std::uint64_t child = childBudget(depth, remaining, wide, first);
        total += grow(depth + 1, child);
        remaining -= child;
        first = false;
    }
    m_sizes[index] = total;
    return total;
}

std::uint64_t ShapeBuilder::childBudget(unsigned depth, std::uint64_t remaining, bool wide,
                                        bool first)
{
    if (depth + 1 >= kMaxDepth)
        return 1;
    // Now and then a folder has one subfolder that holds everything below it; such chains
    // (package caches, nested project folders) make the few deep paths.
    if (first && depth >= 3 && m_random.chance(100))
        return remaining;
    if (wide)
        return m_random.chance(900) ? 1 : std::min(remaining, 2 + m_random.below(11));
    // A child takes a random share of what is left, skewed towards small shares (u^4 for a
    // uniform u), which gives a few big subtrees and many small ones, and typical depths of 4
    // to 10 for a million folders. The top level takes bigger shares: a drive has few top
    // folders.
    const std::uint64_t u = m_random.next() >> 32;
    std::uint64_t share = u;
    if (depth > 0) {
        const std::uint64_t u2 = (u * u) >> 32;
        share = (u2 * u2) >> 32;
    }
    std::uint64_t child = (remaining * share) >> 32;
    if (depth > 0)
        child = child * 7 / 10;
    return std::clamp<std::uint64_t>(child, 1, remaining);
}

const char* attributesFor(SplitMix64& random)
{
    const std::uint64_t r = random.below(1000);
    if (r < 900)
        return "16";
    if (r < 940)
        return "18"; // hidden
    if (r < 960)
        return "17"; // read-only
    if (r < 975)
        return "48"; // archive
    if (r < 990)
        return "8208"; // not content-indexed
    if (r < 995)
        return "2064"; // compressed
    return "22"; // hidden, system
}

void checkOptions(const GenerateOptions& options)
{
    if (options.folders < 1 || options.folders > kMaxFolders)
        throw std::invalid_argument("folder count must be from 1 to " +
                                    std::to_string(kMaxFolders));
    if (options.drive < 'A' || options.drive > 'Z')
        throw std::invalid_argument("drive must be a letter from A to Z");
    const bool blankFree = std::none_of(options.computer.begin(), options.computer.end(),
                                        [](char c) {
                                            const auto b = static_cast<unsigned char>(c);
                                            return b <= 32;
                                        });
    if (options.computer.empty() || !blankFree)
        throw std::invalid_argument("computer name must be one word");
}

} // namespace

void generateReport(const GenerateOptions& options, const ChunkSink& sink)
{
    checkOptions(options);
    const ShapeBuilder shape(options.seed, options.folders);
    const std::vector<std::uint8_t>& depths = shape.m_depths;
    const std::vector<std::uint64_t>& sizes = shape.m_sizes;
    const std::uint64_t count = depths.size();

    SplitMix64 random(detail::hashOf(options.seed, 0x5EED));
    const std::int64_t start = detail::secondsFromCivil(2024, 5, 1, 10, 20, 30);
    const std::int64_t oldest = detail::secondsFromCivil(2015, 1, 1, 0, 0, 0);
    const auto end = start + 60 + static_cast<std::int64_t>(count / 1500);
    char stamp[detail::kTimestampLength];

    detail::ReportWriter writer(options.form, sink);
    detail::formatTimestamp(start, stamp);
    writer.rawLine(options.computer + " CHECK START AT " +
                   std::string(stamp, detail::kTimestampLength));

    const std::uint64_t usage = 35 + random.below(50);
    const std::uint64_t total = sizes[0];
    const std::uint64_t mebibyte = std::uint64_t{1} << 20;
    const std::uint64_t capacity = (total / usage * 100 / mebibyte + 1) * mebibyte;
    writer.drive(std::string{options.drive, ':'}, std::to_string(capacity),
                 std::to_string(usage) + "%");

    // Per depth: where the next subfolder's name starts in its table, the stride through the
    // table, and how many subfolders the current parent at that depth has so far.
    std::array<std::uint64_t, kMaxDepth + 2> nameStart{};
    std::array<std::uint64_t, kMaxDepth + 2> nameStride{};
    std::array<std::uint64_t, kMaxDepth + 2> ordinal{};
    std::string name;
    std::int64_t createdAt = 0;
    std::int64_t updatedAt = 0;
    char created[detail::kTimestampLength];
    char updated[detail::kTimestampLength];

    for (std::uint64_t i = 0; i < count; ++i) {
        const unsigned depth = depths[i];
        name.clear();
        if (depth == 1)
            detail::appendSiblingName(name, detail::kTopNames, nameStart[1], nameStride[1],
                                      ordinal[1]++);
        else if (depth > 1)
            detail::appendSiblingName(name, detail::kFolderNames, nameStart[depth],
                                      nameStride[depth], ordinal[depth]++);
        const std::uint64_t tableSize =
            depth == 0 ? detail::kTopNames.size() : detail::kFolderNames.size();
        const std::uint64_t h = detail::hashOf(options.seed, i);
        nameStart[depth + 1] = h % tableSize;
        nameStride[depth + 1] = 1 + (h >> 32) % (tableSize - 1);
        ordinal[depth + 1] = 0;

        // Folders made by one installation or copy share their dates, so runs of lines repeat
        // them (which the abbreviated form leaves out).
        if (i == 0 || !random.chance(550)) {
            createdAt = oldest + static_cast<std::int64_t>(
                                     random.below(static_cast<std::uint64_t>(start - oldest)));
            detail::formatTimestamp(createdAt, created);
        }
        if (i == 0 || updatedAt < createdAt || !random.chance(350)) {
            updatedAt = createdAt + static_cast<std::int64_t>(random.below(
                                        static_cast<std::uint64_t>(start - createdAt)));
            detail::formatTimestamp(updatedAt, updated);
        }
        const char* attributes = depth == 0 ? "22" : attributesFor(random);
        std::optional<std::uint64_t> size = sizes[i];
        if (depth == 0 && options.rootSizeUnknown)
            size.reset();
        writer.folder(depth, name, size, std::string_view(created, sizeof created),
                      std::string_view(updated, sizeof updated), attributes);
    }

    detail::formatTimestamp(end, stamp);
    writer.rawLine("CHECK END AT " + std::string(stamp, detail::kTimestampLength));
    writer.finish();
}

std::string generateReport(const GenerateOptions& options)
{
    checkOptions(options);
    std::string text;
    const std::uint64_t expected = std::min<std::uint64_t>(options.folders, 1u << 20) * 100;
    text.reserve(static_cast<std::size_t>(expected));
    generateReport(options, [&text](std::string_view chunk) { text += chunk; });
    return text;
}

} // namespace dg::bench
