#include "core/report_reader.h"

#include "core/byte_scan.h"
#include "core/encoding.h"
#include "core/errors.h"
#include "core/expand_quick.h"
#include "core/translate.h"
#include "core/helper_thread.h"
#include "core/sjis.h"
#include "core/system_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace dg {
namespace {

constexpr std::size_t kMaxCut = quick::kMaxName; // a name in the depth list is cut to this many bytes

} // namespace

void readReportFile(const std::string& path, LineList& lines)
{
    sys::FileBytes file = sys::readWholeFile(path);
    lines.assignText(std::move(file.bytes), file.length);
}

std::string ReportSource::messageName() const
{
    return standardInput ? path : sys::absolutePath(path);
}

void readReport(const ReportSource& source, LineList& lines)
{
    if (!source.standardInput) {
        readReportFile(source.path, lines);
        return;
    }
    sys::FileBytes input = sys::readWholeStream(0, source.path);
    lines.assignText(std::move(input.bytes), input.length);
}

FileOpenError outOfMemoryError(const ReportSource& source)
{
    return FileOpenError(source.messageName(), sys::systemReason(ENOMEM));
}


bool isVolumeLine(std::string_view line, FieldSplitter& splitter)
{
    // Cheap test first: the line's first field must start with "/" (after blanks or a quote).
    std::size_t i = 0;
    while (i < line.size() && static_cast<unsigned char>(line[i]) >= 1 && static_cast<unsigned char>(line[i]) <= 32)
        ++i;
    if (i < line.size() && line[i] == '"')
        ++i;
    if (i >= line.size() || line[i] != '/')
        return false;
    splitter.splitFirst(line, 4);
    return splitter.count() == 3 && posix::isVolumeField(splitter.get(0));
}

bool mayBeVolumeLine(std::string_view line, TextEncoding enc)
{
    if (line.empty() || static_cast<unsigned char>(line[0]) <= 32)
        return true;
    if (line[0] == '"')
        return line.find(":\"") != std::string_view::npos;
    // The field ends where the splitter ends it: at the first comma or blank, blanks included,
    // so "/data: ,9,1%" is a volume line as much as "/data:,9,1%".
    const std::size_t end = enc == TextEncoding::ShiftJis ? bytescan::findFirst<bytescan::FieldEnd>(line, 0)
                                                          : bytescan::findFirst<bytescan::FieldEnd, false>(line, 0);
    return end > 0 && line[end - 1] == ':';
}

FormCheck checkForm(LineList& lines)
{
    FormCheck check;
    if (lines.size() < 3)
        return check;
    const TextEncoding enc = lines.kind().encoding;
    const std::size_t pos = sjis::findMarkerNoCase(lines[0], kHeaderMarker, enc == TextEncoding::ShiftJis);
    if (pos == std::string_view::npos)
        return check;
    const std::string_view line1 = lines[1];
    FieldSplitter splitter;
    splitter.setEncoding(enc);
    check.posix = isVolumeLine(line1, splitter);
    if (!check.posix && (line1.size() < 2 || line1[1] != ':'))
        return check;
    lines.setKind({enc, check.posix ? PathKind::Posix : PathKind::Drive});
    check.recognised = true;
    check.markerPos = pos;
    check.abbreviated = !lines[2].empty() && lines[2][0] == '>';
    return check;
}

HeaderParts headerParts(std::string_view header, std::size_t markerPos)
{
    HeaderParts parts;
    parts.computer = header.substr(0, markerPos);
    const std::size_t after = markerPos + kHeaderMarker.size();
    if (after < header.size())
        parts.startTime = header.substr(after, 255);
    return parts;
}

std::string headerSummary(std::string_view header, std::size_t markerPos, std::string_view utf8Suffix,
                          TextEncoding enc)
{
    const HeaderParts parts = headerParts(header, markerPos);
    static constexpr std::string_view kComputer = DG_TRANSLATE_NOOP("dg::texts", "コンピュータ　：　");
    std::string text(i18n::translate("dg::texts", kComputer));
    encoding::appendTextAsUtf8(text, enc, parts.computer);
    encoding::appendTextAsUtf8(text, enc, parts.startTime);
    text.append(utf8Suffix);
    return text;
}

std::string_view headerFirstWord(std::string_view header, TextEncoding enc)
{
    const std::size_t blank = findCharIn(enc, header, ' ');
    return blank == std::string_view::npos ? header : header.substr(0, blank);
}

std::string driveSizeDebugLine(std::string_view path, std::string_view driveSize)
{
    std::string line;
    line.reserve(40 + path.size() + driveSize.size());
    line.append("Folder ").append(path).append(" Size set to DriveSize ").append(driveSize);
    return line;
}

namespace {

// What the expansion carries from line to line: the depth list, the drive size, the last dates.
struct ExpandState {
    std::vector<std::string> depth; // entry k: the name stored at depth k
    std::string driveSize;
    std::string volumePath; // POSIX paths: the path of the last volume line
    std::string lastCreated;
    std::string lastUpdated;

    const std::string& entry(std::size_t k)
    {
        if (k >= depth.size())
            throw IndexError(static_cast<long long>(k));
        return depth[k];
    }
    void setEntry(std::size_t k, std::string_view text)
    {
        if (depth.size() < k + 1)
            depth.emplace_back();
        depth[k].assign(text);
    }
    std::string& drive() { return driveSize; }
    std::string& volume() { return volumePath; }
    std::string& created() { return lastCreated; }
    std::string& updated() { return lastUpdated; }
};

// The same for a report of POSIX paths: a mark at k stands for entry k and "/" (the volume "/"
// as entry 0 for just the one "/"); marks alone stand for the folder of the last one (">" for the
// root: the volume path itself). A volume line sets entry 0 to its path and gives the volume size
// to a root line of size "?".
// A folder line of the abbreviated form: empty dates repeat the last ones given, an empty
// attributes field means 16 (a folder).
template <class State>
void fillRepeatedFields(FieldSplitter& splitter, State& state)
{
    if (splitter.get(2).empty())
        splitter.replaceView(2, state.created());
    else
        state.created().assign(splitter.get(2));
    if (splitter.get(3).empty())
        splitter.replaceView(3, state.updated());
    else
        state.updated().assign(splitter.get(3));
    if (splitter.get(4).empty())
        splitter.replaceView(4, "16");
}

template <class State>
std::string_view expandPosixLine(FieldSplitter& splitter, State& state, std::string& path, DebugSink* debug)
{
    const std::string_view v = splitter.get(0);
    std::size_t k = 0;
    for (; k < v.size() && v[k] == '>'; ++k) {
        const std::string& entry = state.entry(k);
        if (k != 0 || entry != "/")
            path.append(entry);
        path.push_back('/');
    }
    const std::string_view rest = v.substr(k, kMaxCut);
    if (!rest.empty()) {
        path.append(rest);
        state.setEntry(k, rest);
    } else if (k > 0 && path.size() > 1) {
        path.pop_back();
    }
    splitter.replaceView(0, path);

    if (splitter.count() == 3 && posix::isVolumeField(path)) {
        state.volume().assign(posix::volumePath(path));
        state.setEntry(0, state.volume());
        state.drive().assign(splitter.get(1));
        return splitter.join();
    }
    if (splitter.get(1) == "?" && path == state.volume()) {
        splitter.replaceView(1, state.drive());
        if (debug && debug->enabled())
            debug->out(driveSizeDebugLine(encoding::logText(splitter.encoding(), path), state.drive()));
    }
    fillRepeatedFields(splitter, state);
    return splitter.join();
}

// Rewrites one data line into the full form (the steps of the expansion for one line).
template <class State>
std::string_view expandLine(std::string_view line, FieldSplitter& splitter, State& state, std::string& path,
                            DebugSink* debug, bool posixPaths)
{
    splitter.split(line);
    path.clear();
    if (posixPaths)
        return expandPosixLine(splitter, state, path, debug);
    const std::string_view v = splitter.get(0);
    for (std::size_t k = 0; k < v.size(); ++k) {
        if (v[k] == '>') {
            path.append(state.entry(k)).push_back('\\');
            continue;
        }
        const std::string_view rest = v.substr(k, kMaxCut);
        path.append(rest);
        state.setEntry(k, rest);
        break;
    }
    splitter.replaceView(0, path);

    if (path.size() == 2)
        state.drive().assign(splitter.get(1));
    if (path.size() == 3 && splitter.get(1) == "?") {
        splitter.replaceView(1, state.drive());
        debugOut(debug, driveSizeDebugLine(path, state.drive()));
    }
    if (path.size() > 2) {
        fillRepeatedFields(splitter, state);
    }
    return splitter.join();
}

// The state for expanding the second half of a report before the first half is done. What the
// second half reads before it sets it is taken from the nearest earlier line that set it, found by
// one backward look over the first half before either half starts (so no thread reads a line the
// other is rewriting). Every such value used is remembered, so that it can be checked against the
// first half's real state at its end.
class GuessedState {
public:
    struct Wrong {}; // nothing earlier to take a value from: the half is expanded again in order

    GuessedState(const LineList& lines, std::size_t first)
    {
        const bool posixPaths = lines.kind().posix();
        FieldSplitter scan;
        scan.setEncoding(lines.kind().encoding);
        // Depth entries and the drive size: the last setter of each, looking backwards.
        for (std::size_t n = first; n-- > 1;) {
            // Most lines repeat a depth already found: their marks, counted in the raw text (after
            // an opening quote), tell so without splitting them.
            const std::string_view raw = lines[n];
            const std::size_t open = !raw.empty() && raw[0] == '"' ? 1 : 0;
            std::size_t marks = open;
            while (marks < raw.size() && raw[marks] == '>')
                ++marks;
            marks -= open;
            if (marks > 0 && marks < m_before.size() && m_before[marks])
                continue;
            scan.splitFirst(raw, 1);
            const std::string_view v = scan.getOr(0);
            std::size_t k = 0;
            while (k < v.size() && v[k] == '>')
                ++k;
            std::string_view text = v.substr(k, kMaxCut);
            if (posixPaths && k == 0 && posix::isVolumeField(text)) {
                // A volume line sets entry 0 to its path, and the volume.
                const std::string field(text);
                scan.splitFirst(raw, 4);
                if (scan.count() == 3) {
                    const std::string_view volume = posix::volumePath(field);
                    if (m_before.empty())
                        m_before.resize(1);
                    if (!m_before[0])
                        m_before[0] = std::string(volume);
                    if (!m_beforeDrive) {
                        m_beforeDrive = std::string(scan.get(1));
                        m_beforeVolume = std::string(volume);
                    }
                    continue;
                }
                scan.splitFirst(raw, 1);
                text = scan.getOr(0).substr(k, kMaxCut);
            }
            if (!text.empty()) {
                if (m_before.size() < k + 1)
                    m_before.resize(k + 1);
                if (!m_before[k])
                    m_before[k] = std::string(text);
            }
            if (!posixPaths && k == 0 && text.size() == 2 && !m_beforeDrive) {
                scan.splitFirst(lines[n], 2);
                m_beforeDrive = std::string(scan.getOr(1));
            }
        }
        // The last dates: the nearest folder lines that gave them.
        for (std::size_t n = first; n-- > 1 && (!m_beforeCreated || !m_beforeUpdated);) {
            scan.splitFirst(lines[n], 4);
            const std::string_view v = scan.getOr(0);
            if (!posixPaths && !v.empty() && v[0] != '>' && v.size() <= 2)
                continue; // a drive line gives no dates
            if (posixPaths && scan.count() == 3 && posix::isVolumeField(v))
                continue; // nor does a volume line
            if (!m_beforeCreated && !scan.getOr(2).empty())
                m_beforeCreated = std::string(scan.getOr(2));
            if (!m_beforeUpdated && !scan.getOr(3).empty())
                m_beforeUpdated = std::string(scan.getOr(3));
        }
    }

    const std::string& entry(std::size_t k)
    {
        grow(k);
        if (!m_set[k]) {
            if (k >= m_before.size() || !m_before[k])
                throw Wrong{};
            m_depth[k] = *m_before[k];
            m_set[k] = 1;
            m_usedEntries.push_back(k);
        }
        return m_depth[k];
    }
    void setEntry(std::size_t k, std::string_view text)
    {
        grow(k);
        m_depth[k].assign(text);
        m_set[k] = 1;
    }
    std::string& drive() { return known(0, m_drive, m_beforeDrive); }
    std::string& volume() { return known(3, m_volume, m_beforeVolume); }
    std::string& created() { return known(1, m_created, m_beforeCreated); }
    std::string& updated() { return known(2, m_updated, m_beforeUpdated); }

    // True when every value taken from before equals what the first half left.
    bool matches(const ExpandState& real) const
    {
        for (const std::size_t k : m_usedEntries)
            if (k >= real.depth.size() || real.depth[k] != *m_before[k])
                return false;
        return (!m_used[0] || *m_beforeDrive == real.driveSize) &&
               (!m_used[1] || *m_beforeCreated == real.lastCreated) &&
               (!m_used[2] || *m_beforeUpdated == real.lastUpdated) &&
               (!m_used[3] || *m_beforeVolume == real.volumePath);
    }

private:
    void grow(std::size_t k)
    {
        if (m_depth.size() < k + 1) {
            m_depth.resize(k + 1);
            m_set.resize(k + 1, 0);
        }
    }

    std::string& known(int which, std::string& value, const std::optional<std::string>& before)
    {
        if (!m_known[which]) {
            if (!before)
                throw Wrong{};
            m_known[which] = true;
            m_used[which] = true;
            value = *before;
        }
        return value;
    }

    std::vector<std::optional<std::string>> m_before;
    std::optional<std::string> m_beforeDrive, m_beforeCreated, m_beforeUpdated, m_beforeVolume;
    std::vector<std::string> m_depth;
    std::vector<char> m_set;
    std::vector<std::size_t> m_usedEntries;
    std::string m_drive, m_created, m_updated, m_volume;
    bool m_known[4] = {false, false, false, false};
    bool m_used[4] = {false, false, false, false};
};

// One thread's means of expanding lines: the quick route where it applies, the general one else.
class Route {
public:
    Route(FieldSplitter& splitter, ReportKind kind) : m_quick(kind), m_splitter(splitter), m_posix(kind.posix())
    {
        m_splitter.setEncoding(kind.encoding);
    }

    // Expands line and hands the result to put(size, write), where write(char*) writes it.
    template <class State, class Put>
    void expand(std::string_view line, State& state, DebugSink* debug, Put&& put)
    {
        if (m_quick.expand(line, state, put))
            return;
        m_quick.forget();
        const std::string_view full = expandLine(line, m_splitter, state, m_path, debug, m_posix);
        put(full.size(), [full](char* w) {
            if (!full.empty())
                std::memcpy(w, full.data(), full.size());
        });
    }

private:
    quick::Expander m_quick;
    FieldSplitter& m_splitter;
    std::string m_path;
    bool m_posix;
};

constexpr std::size_t kTwoHalvesFrom = 200'000; // lines; smaller reports expand in one pass

} // namespace

void ExpandFullDescription(LineList& lines, FieldSplitter& splitter, DebugSink* debug)
{
    const std::size_t count = lines.size();
    // The header and the closing line move to the rewritten text first, so that the text as read
    // can be given back as the expansion passes it (the full form is about twice as long).
    if (count >= 2) {
        for (const std::size_t n : {std::size_t{0}, count - 1}) {
            const std::string copy(lines[n]);
            lines.replace(n, copy);
        }
    }
    const std::size_t last = count >= 2 ? count - 1 : 1; // data lines: 1 .. count-2
    ExpandState state;
    const ReportKind kind = lines.kind();
    Route route(splitter, kind);
    constexpr std::size_t kReleaseEvery = 32768;
    auto expandInOrder = [&](std::size_t from, std::size_t to) {
        for (std::size_t n = from; n < to; ++n) {
            if (n % kReleaseEvery == 0)
                lines.releaseReadTextBefore(n);
            route.expand(lines[n], state, debug,
                         [&](std::size_t size, auto&& write) { lines.replaceWritten(n, size, write); });
        }
    };
    if (count < kTwoHalvesFrom) {
        expandInOrder(1, last);
        return;
    }

    // Large reports: a second thread expands the second half at once, from a guessed state, into
    // lines of its own; the first half is expanded here as usual. When the guesses prove right,
    // the second half's lines are taken over; otherwise it is expanded again in order. Either way
    // the result, the debug lines and any error are those of one pass in order.
    const std::size_t middle = 1 + (last - 1) / 2;
    LineList secondLines;
    secondLines.reserve(last - middle);
    HeldDebugLines secondDebug(debug && debug->enabled());
    GuessedState guessed(lines, middle);
    bool guessFailed = false;
    std::exception_ptr secondError;
    HelperThread second([&] {
        try {
            FieldSplitter ownSplitter;
            Route own(ownSplitter, kind);
            // The text as read of this half stays until the end: if a guess proves wrong, the
            // half is expanded again from it.
            for (std::size_t n = middle; n < last; ++n)
                own.expand(lines[n], guessed, &secondDebug,
                           [&](std::size_t size, auto&& write) { secondLines.appendWritten(size, write); });
        } catch (const GuessedState::Wrong&) {
            guessFailed = true;
        } catch (...) {
            secondError = std::current_exception();
        }
    });
    expandInOrder(1, middle); // an error: the helper is joined on the way out
    second.join();
    if (!second.running() || guessFailed || !guessed.matches(state)) {
        expandInOrder(middle, last);
        return;
    }
    secondDebug.replayTo(debug);
    lines.adoptLines(middle, std::move(secondLines));
    if (secondError)
        std::rethrow_exception(secondError);
}

namespace {

// False when the line's first field is certainly longer than 3 bytes, judged from its first few
// bytes alone. A quoted field of at most 3 bytes holds at most 6 bytes (every one a doubled
// quote) before its closing quote; an unquoted one ends at a comma or blank within its first 4.
// Looser than the splitter's rules in both cases (any quote or break byte keeps the line), never
// stricter, so the lines it drops could not have been drive or root lines.
bool firstFieldMayBeShort(std::string_view line)
{
    std::size_t i = 0;
    while (i < line.size() && static_cast<unsigned char>(line[i]) >= 1 && static_cast<unsigned char>(line[i]) <= 32)
        ++i;
    const std::string_view rest = line.substr(i);
    if (!rest.empty() && rest[0] == '"')
        return rest.size() < 8 || rest.substr(1, 7).find('"') != std::string_view::npos;
    if (rest.size() < 4)
        return true;
    for (std::size_t k = 0; k < 4; ++k)
        if (static_cast<unsigned char>(rest[k]) <= 32 || rest[k] == ',')
            return true;
    return false;
}

} // namespace

namespace {

// substituteDriveSizes for POSIX paths: volume lines give the size, the root line after one (its
// path the volume path) takes it when its own is "?". A line is split only when its bytes allow
// either: a volume line passes mayBeVolumeLine, a root line starts with the volume path and a
// comma or blank (each possibly in quotes); lines that start with a blank are always looked at.
void substituteVolumeSizes(LineList& lines, FieldSplitter& splitter, DebugSink* debug)
{
    std::string volumeSize;
    std::string volume;
    const TextEncoding enc = lines.kind().encoding;
    const std::size_t count = lines.size();
    for (std::size_t n = 1; n + 1 < count; ++n) {
        const std::string_view line = lines[n];
        if (!line.empty() && line[0] == '"') {
            // Quoted: a root line starts with the volume path in quotes.
            const std::string_view inner = line.substr(1);
            const bool mayBeRoot = volume.find('"') != std::string::npos || // written with doubled quotes
                                   (!volume.empty() && inner.size() > volume.size() && inner.starts_with(volume) &&
                                    inner[volume.size()] == '"');
            if (!mayBeRoot && !mayBeVolumeLine(line, enc))
                continue;
        } else if (!line.empty() && static_cast<unsigned char>(line[0]) > 32) {
            // Unquoted: a root line is the volume path up to a comma or a blank.
            const bool mayBeRoot = !volume.empty() && line.size() > volume.size() && line.starts_with(volume) &&
                                   (line[volume.size()] == ',' || (static_cast<unsigned char>(line[volume.size()]) >= 1 &&
                                                                    static_cast<unsigned char>(line[volume.size()]) <= 32));
            if (!mayBeRoot && !mayBeVolumeLine(line, enc))
                continue;
        }
        if (isVolumeLine(line, splitter)) {
            volume.assign(posix::volumePath(splitter.get(0)));
            volumeSize.assign(splitter.get(1));
            continue;
        }
        splitter.splitFirst(line, 2);
        if (splitter.count() < 2 || splitter.get(1) != "?" || splitter.get(0) != volume)
            continue;
        splitter.split(line);
        splitter.replace(1, volumeSize);
        if (debug && debug->enabled())
            debug->out(driveSizeDebugLine(encoding::logText(lines.kind().encoding, splitter.get(0)), volumeSize));
        lines.replace(n, splitter.join());
    }
}

} // namespace

void substituteDriveSizes(LineList& lines, FieldSplitter& splitter, DebugSink* debug)
{
    splitter.setEncoding(lines.kind().encoding);
    if (lines.kind().posix()) {
        substituteVolumeSizes(lines, splitter, debug);
        return;
    }
    std::string driveSize;
    const std::size_t count = lines.size();
    for (std::size_t n = 1; n + 1 < count; ++n) {
        // Only drive and root lines (a path of 2 or 3 bytes) read their size.
        if (!firstFieldMayBeShort(lines[n]))
            continue;
        splitter.splitFirst(lines[n], 1);
        const std::size_t pathSize = splitter.get(0).size();
        if (pathSize != 2 && pathSize != 3)
            continue;
        splitter.splitFirst(lines[n], 2);
        if (pathSize == 2) {
            driveSize.assign(splitter.get(1));
        } else if (splitter.get(1) == "?") {
            splitter.split(lines[n]);
            splitter.replace(1, driveSize);
            debugOut(debug, driveSizeDebugLine(splitter.get(0), driveSize));
            lines.replace(n, splitter.join());
        }
    }
}

} // namespace dg
