#include "bench/report_gen.h"

#include "bench/earlier_report.h"
#include "bench/report_writer.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <tuple>
#include <unordered_set>
#include <utility>
#include <vector>

namespace dg::bench {

namespace {

using namespace detail;

constexpr std::uint64_t kMaxChangeableSize = std::uint64_t{1} << 60;

std::uint64_t addSaturated(std::uint64_t a, std::uint64_t b)
{
    return a > kMaxSize - std::min(b, kMaxSize) ? kMaxSize : a + b;
}

std::int64_t addSaturated(std::int64_t a, std::int64_t b)
{
    constexpr std::int64_t hi = std::numeric_limits<std::int64_t>::max();
    constexpr std::int64_t lo = std::numeric_limits<std::int64_t>::min();
    if (b > 0 && a > hi - b)
        return hi;
    if (b < 0 && a < lo - b)
        return lo;
    return a + b;
}

// Marks folders with subfolders, and those whose own files are at least half of their size.
void markStructure(std::vector<Row>& rows)
{
    std::vector<std::size_t> open;
    std::vector<std::uint64_t> childSums;
    auto closeTo = [&](std::size_t depth) {
        while (open.size() > depth) {
            Row& row = rows[open.back()];
            const std::uint64_t children = childSums.back();
            open.pop_back();
            childSums.pop_back();
            const bool known = (row.flags & kSizeUnknown) == 0;
            const std::uint64_t own = row.size - std::min(row.size, children);
            if (known && row.size >= 100 && row.size <= kMaxChangeableSize && own * 2 >= row.size)
                row.flags |= kChangeable;
            if (!childSums.empty() && known)
                childSums.back() = addSaturated(childSums.back(), row.size);
        }
    };
    for (std::size_t i = 0; i < rows.size(); ++i) {
        Row& row = rows[i];
        if (row.flags & kDriveRow) {
            closeTo(0);
            continue;
        }
        closeTo(row.depth);
        if (row.depth > 0)
            rows[open[row.depth - 1]].flags |= kHasChildren;
        open.push_back(i);
        childSums.push_back(0);
    }
    closeTo(0);
}

std::uint64_t shareOf(double share, std::uint64_t count)
{
    return static_cast<std::uint64_t>(std::floor(share * static_cast<double>(count) + 0.5));
}

// Selection sampling: visits candidates in order and takes each with the probability
// wanted-left / candidates-left, so that exactly min(wanted, candidates) are taken, spread evenly.
template <typename IsCandidate, typename Take>
std::uint64_t selectEvenly(std::vector<Row>& rows, SplitMix64& random, std::uint64_t wanted,
                           IsCandidate isCandidate, Take take)
{
    std::uint64_t candidates = 0;
    for (const Row& row : rows)
        candidates += isCandidate(row) ? 1 : 0;
    std::uint64_t left = std::min(wanted, candidates);
    const std::uint64_t taken = left;
    for (Row& row : rows) {
        if (left == 0)
            break;
        if (!isCandidate(row))
            continue;
        if (random.below(candidates) < left) {
            take(row);
            --left;
        }
        --candidates;
    }
    return taken;
}

std::uint64_t changeOf(std::uint64_t size, unsigned percent)
{
    return size / 100 * percent + size % 100 * percent / 100;
}

std::uint64_t addedSize(std::uint64_t seed, std::size_t row, std::uint32_t k)
{
    return detail::ownFilesSize(detail::hashOf(seed, row, 1000 + k));
}

std::uint64_t nameKey(std::size_t parent, std::string_view name)
{
    std::uint64_t h = 0xCBF29CE484222325ULL;
    for (const char c : name) {
        const char folded = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        h = (h ^ static_cast<unsigned char>(folded)) * 0x100000001B3ULL;
    }
    return detail::hashOf(h, parent);
}

std::string shiftedLine(std::string_view line, std::int64_t seconds)
{
    std::string out(line);
    const std::size_t pos = detail::findLastTimestamp(line);
    std::int64_t at = 0;
    if (pos != std::string_view::npos && detail::parseTimestamp(line, pos, at))
        detail::formatTimestamp(at + seconds, out.data() + pos);
    return out;
}

bool isFolder(const Row& row)
{
    return (row.flags & kDriveRow) == 0;
}

bool isBelowRoot(const Row& row)
{
    return isFolder(row) && row.depth > 0;
}

// Picks grown and shrunk folders in one even pass, so that neither kind crowds out the other,
// among the folders that can change on their own. Returns the numbers picked.
std::pair<std::uint64_t, std::uint64_t> pickChanges(std::vector<Row>& rows, SplitMix64& random,
                                                    std::uint64_t grow, std::uint64_t shrink)
{
    const auto isCandidate = [](const Row& row) {
        return isBelowRoot(row) && (row.flags & (kRemoved | kChangeable)) == kChangeable;
    };
    std::uint64_t candidates = 0;
    for (const Row& row : rows)
        candidates += isCandidate(row) ? 1 : 0;
    grow = std::min(grow, candidates);
    shrink = std::min(shrink, candidates - grow);
    const std::pair picked{grow, shrink};
    for (Row& row : rows) {
        if (grow + shrink == 0)
            break;
        if (!isCandidate(row))
            continue;
        const std::uint64_t r = random.below(candidates--);
        // Half of the changes stay between the default limits of 10 % and 30 %, half go
        // beyond 30 %.
        const bool small = random.chance(500);
        if (r < grow) {
            row.flags |= kGrown | kTouched;
            row.percent = static_cast<std::uint8_t>(small ? 11 + random.below(18)
                                                          : 32 + random.below(69));
            --grow;
        } else if (r < grow + shrink) {
            row.flags |= kShrunk | kTouched;
            row.percent = static_cast<std::uint8_t>(small ? 11 + random.below(18)
                                                          : 32 + random.below(18));
            --shrink;
        }
    }
    return picked;
}

// Gives every folder its new size: its own change plus the changes below it. The parents of
// removed folders get a new update date.
void applySizeChanges(std::vector<Row>& rows, std::uint64_t seed)
{
    struct Open {
        std::size_t row;
        std::int64_t delta;
    };
    std::vector<Open> open;
    auto closeTo = [&](std::size_t depth) {
        while (open.size() > depth) {
            const Open done = open.back();
            open.pop_back();
            Row& row = rows[done.row];
            if ((row.flags & kSizeUnknown) == 0) {
                const std::int64_t size =
                    addSaturated(static_cast<std::int64_t>(row.size), done.delta);
                row.size = size < 0 ? 0 : static_cast<std::uint64_t>(size);
            }
            if (!open.empty())
                open.back().delta = addSaturated(open.back().delta, done.delta);
        }
    };
    for (std::size_t i = 0; i < rows.size(); ++i) {
        Row& row = rows[i];
        if (row.flags & kDriveRow) {
            closeTo(0);
            continue;
        }
        closeTo(row.depth);
        if (row.flags & kRemoved) {
            Open& parent = open.back();
            rows[parent.row].flags |= kTouched;
            if ((row.flags & kSizeUnknown) == 0)
                parent.delta = addSaturated(parent.delta, -static_cast<std::int64_t>(row.size));
            continue;
        }
        std::int64_t delta = 0;
        if (row.flags & kGrown)
            delta = static_cast<std::int64_t>(changeOf(row.size, row.percent));
        else if (row.flags & kShrunk)
            delta = -static_cast<std::int64_t>(changeOf(row.size, row.percent));
        for (std::uint32_t k = 0; k < row.added; ++k)
            delta = addSaturated(delta, static_cast<std::int64_t>(addedSize(seed, i, k)));
        open.push_back({i, delta});
    }
    closeTo(0);
}

// Keys of the names already used below the folders that get new subfolders.
std::unordered_set<std::uint64_t> namesBelowNewFolders(const EarlierReport& report)
{
    std::unordered_set<std::uint64_t> taken;
    std::vector<std::size_t> parents;
    for (std::size_t i = 0; i < report.m_rows.size(); ++i) {
        const Row& row = report.m_rows[i];
        if (row.flags & kDriveRow) {
            parents.clear();
            continue;
        }
        parents.resize(row.depth);
        if (row.depth > 0 && report.m_rows[parents.back()].added > 0)
            taken.insert(nameKey(parents.back(), report.text(row.name)));
        parents.push_back(i);
    }
    return taken;
}

// Writes the later report: every folder not removed, with its new size, each added folder
// right after its parent.
std::uint64_t writeLater(const EarlierReport& report, const DeriveOptions& options,
                         std::unordered_set<std::uint64_t>& taken, const ChunkSink& sink)
{
    std::int64_t earlierStart = detail::secondsFromCivil(2024, 5, 1, 10, 20, 30);
    if (const std::size_t pos = detail::findLastTimestamp(report.m_header);
        pos != std::string_view::npos)
        detail::parseTimestamp(report.m_header, pos, earlierStart);
    // New dates fall into the last 30 days before the later listing, after the earlier one.
    const std::int64_t laterStart = earlierStart + options.laterBySeconds;
    const auto span = static_cast<std::uint64_t>(
        std::clamp<std::int64_t>(options.laterBySeconds, 1, 30 * 86'400));
    auto dateOf = [&](std::size_t row, std::uint64_t k, char* out) {
        const auto back = static_cast<std::int64_t>(detail::hashOf(options.seed, row, k) % span);
        detail::formatTimestamp(laterStart - back, out);
        return std::string_view(out, detail::kTimestampLength);
    };

    detail::ReportWriter writer(options.form.value_or(report.m_form), sink);
    writer.rawLine(shiftedLine(report.m_header, options.laterBySeconds));
    std::uint64_t written = 0;
    std::string name;
    char updated[detail::kTimestampLength];
    char created[detail::kTimestampLength];
    const std::vector<Row>& rows = report.m_rows;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const Row& row = rows[i];
        if (row.flags & kDriveRow) {
            writer.drive(report.text(row.name), report.text(row.first), report.text(row.second));
            continue;
        }
        if (row.flags & kRemoved)
            continue;
        const std::string_view update =
            (row.flags & kTouched) ? dateOf(i, 0, updated) : report.text(row.second);
        std::optional<std::uint64_t> size;
        if ((row.flags & kSizeUnknown) == 0)
            size = row.size;
        writer.folder(row.depth, report.text(row.name), size, report.text(row.first), update,
                      report.text(row.attributes));
        ++written;
        for (std::uint32_t k = 0; k < row.added; ++k) {
            const std::uint64_t h = detail::hashOf(options.seed, i, 2000 + k);
            const std::string_view word = detail::kFolderNames[h % detail::kFolderNames.size()];
            for (std::uint64_t suffix = 0;; ++suffix) {
                name.assign(word);
                if (suffix > 0)
                    name += '_' + std::to_string(suffix);
                if (taken.insert(nameKey(i, name)).second)
                    break;
            }
            const std::string_view date = dateOf(i, 3000 + k, created);
            writer.folder(row.depth + 1u, name, addedSize(options.seed, i, k), date, date, "16");
            ++written;
        }
    }
    writer.rawLine(shiftedLine(report.m_closing, options.laterBySeconds));
    writer.finish();
    return written;
}

} // namespace

DeriveStats deriveLater(std::string_view earlier, const DeriveOptions& options,
                        const ChunkSink& sink)
{
    const ChangeShares& shares = options.shares;
    for (const double share : {shares.added, shares.removed, shares.grown, shares.shrunk}) {
        if (!(share >= 0.0 && share <= 1.0))
            throw std::invalid_argument("change shares must be from 0 to 1");
    }
    if (options.laterBySeconds < 0)
        throw std::invalid_argument("the later report cannot be older");

    EarlierReport report(earlier);
    std::vector<Row>& rows = report.m_rows;
    markStructure(rows);
    SplitMix64 random(detail::hashOf(options.seed, 0xDE217E));
    DeriveStats stats;
    stats.earlierFolders =
        static_cast<std::uint64_t>(std::count_if(rows.begin(), rows.end(), isFolder));

    stats.removed = selectEvenly(
        rows, random, shareOf(shares.removed, report.m_folders),
        [](const Row& row) { return isBelowRoot(row) && (row.flags & kHasChildren) == 0; },
        [](Row& row) { row.flags |= kRemoved; });
    std::tie(stats.grown, stats.shrunk) =
        pickChanges(rows, random, shareOf(shares.grown, report.m_folders),
                    shareOf(shares.shrunk, report.m_folders));
    // New folders go below any folder that stays; a folder may get more than one when there
    // are fewer such folders than new ones.
    const std::uint64_t wantedAdded = shareOf(shares.added, report.m_folders);
    while (stats.added < wantedAdded) {
        const std::uint64_t taken = selectEvenly(
            rows, random, wantedAdded - stats.added,
            [](const Row& row) { return isFolder(row) && (row.flags & kRemoved) == 0; },
            [](Row& row) {
                ++row.added;
                row.flags |= kTouched;
            });
        if (taken == 0)
            break;
        stats.added += taken;
    }

    applySizeChanges(rows, options.seed);
    std::unordered_set<std::uint64_t> taken = namesBelowNewFolders(report);
    stats.laterFolders = writeLater(report, options, taken, sink);
    return stats;
}

std::string deriveLater(std::string_view earlier, const DeriveOptions& options, DeriveStats* stats)
{
    std::string text;
    text.reserve(earlier.size() + earlier.size() / 4);
    const DeriveStats result =
        deriveLater(earlier, options, [&text](std::string_view chunk) { text += chunk; });
    if (stats != nullptr)
        *stats = result;
    return text;
}

} // namespace dg::bench
