#pragma once
// Pieces shared by the report generator and the later-report deriver: the fixed random-number
// generator, date arithmetic, the name tables and the line writer for both report forms.
// Internal to dg_report_gen.
#include "bench/report_gen.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace dg::bench::detail {

// splitmix64: tiny, fast and fully specified, so a seed gives the same numbers everywhere.
class SplitMix64 {
public:
    explicit SplitMix64(std::uint64_t seed) : m_state(seed) {}
    std::uint64_t next()
    {
        m_state += 0x9E3779B97F4A7C15ULL;
        return finalize(m_state);
    }
    // A number from 0 to n - 1 (n > 0). The modulo bias is far below anything a benchmark sees.
    std::uint64_t below(std::uint64_t n) { return next() % n; }
    // True with the probability perMille / 1000.
    bool chance(std::uint64_t perMille) { return below(1000) < perMille; }

    static std::uint64_t finalize(std::uint64_t z)
    {
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }

private:
    std::uint64_t m_state;
};

// A stateless hash of a few numbers, for values that must be found again without replaying a
// random sequence.
inline std::uint64_t hashOf(std::uint64_t a, std::uint64_t b, std::uint64_t c = 0)
{
    return SplitMix64::finalize(a ^ SplitMix64::finalize(b + 0x632BE59BD9B4E019ULL * (c + 1)));
}

// Size in bytes of one folder's own files: mostly kilobytes to megabytes, now and then
// gigabytes, sometimes nothing.
std::uint64_t ownFilesSize(std::uint64_t random);

// Seconds since 1970-01-01 00:00:00 (no time zones: report times are local wall-clock times).
std::int64_t secondsFromCivil(int year, int month, int day, int hour, int minute, int second);
// Writes "YYYY/MM/DD hh:mm:ss" (19 bytes) into out.
void formatTimestamp(std::int64_t seconds, char* out);
inline constexpr std::size_t kTimestampLength = 19;
// Reads "YYYY/MM/DD hh:mm:ss" at pos of text; false when it is not there.
bool parseTimestamp(std::string_view text, std::size_t pos, std::int64_t& seconds);
// Position of the last timestamp in text, or npos.
std::size_t findLastTimestamp(std::string_view text);

// Name tables (Shift-JIS bytes). Both have a prime number of entries, so that stepping through
// one with any stride from 1 to size - 1 visits every entry once.
extern const std::array<std::string_view, 11> kTopNames;    // folders right below the root
extern const std::array<std::string_view, 101> kFolderNames; // everywhere else

// Appends the folder name number `ordinal` of a parent whose names start at `start` and step by
// `stride` (1 to size - 1) through the table. The first size siblings get distinct table words;
// later ones get the word plus "_" and a number, so siblings never share a name.
template <std::size_t N>
void appendSiblingName(std::string& out, const std::array<std::string_view, N>& table,
                       std::uint64_t start, std::uint64_t stride, std::uint64_t ordinal)
{
    out += table[(start + ordinal * stride) % N];
    if (const std::uint64_t round = ordinal / N; round > 0) {
        out += '_';
        out += std::to_string(round);
    }
}

// Writes report lines in the full or the abbreviated form and hands the text to a sink in
// chunks. Lines must come in report order: the header, then per drive a drive line followed by
// its root line (depth 0) and folder lines in depth-first order (a folder of depth d follows
// its parent of depth d - 1), then the closing line. Fields are quoted where a blank, a control
// character, a comma or a double quote requires it.
class ReportWriter {
public:
    ReportWriter(ReportForm form, const ChunkSink& sink);

    void rawLine(std::string_view text); // header and closing line, written as given
    void drive(std::string_view drive, std::string_view size, std::string_view usage);
    // size std::nullopt writes "?". Throws std::logic_error when depth skips a level.
    void folder(unsigned depth, std::string_view name, std::optional<std::uint64_t> size,
                std::string_view created, std::string_view updated, std::string_view attributes);
    // Hands the rest of the text to the sink.
    void finish();

private:
    void field(std::string_view text);
    void endLine();

    ReportForm m_form;
    const ChunkSink& m_sink;
    std::string m_buffer;
    std::string m_path;                  // full path of the last folder written
    std::vector<std::size_t> m_pathEnds; // length of the path at each depth
    std::vector<char> m_pathQuoted;      // whether the path at each depth needs quotes
    std::string m_lastCreated;           // abbreviated form: last date given in each field
    std::string m_lastUpdated;
    std::string m_scratch;
};

bool needsQuotes(std::string_view field);

} // namespace dg::bench::detail
