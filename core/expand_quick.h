#pragma once
// The quick route of the abbreviated form's expansion, for the common data line: a folder below a
// root, written as five fields, plain or quoted without doubled quotes, separated by single commas.
// Such a line is cut into its fields in one scan, and its full form is written straight into the
// line list, its path assembled from the cached paths of the folders above it. Any other line
// (leading blanks, doubled quotes, more or fewer fields, a drive or root line, a name cut at 1024
// bytes) takes the general route: split, rewrite, join. The result is the same either way;
// report_reader_test and the fuzz target hold it against the expansion written plainly.
//
// Internal to report_reader.cpp.
#include "core/byte_scan.h"
#include "core/field_splitter.h"
#include "core/sjis.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace dg::quick {

inline constexpr std::size_t kMaxName = 1024; // longer names are cut, which the general route does

// The bytes that delimit fields: blanks (1..32), commas and double quotes, where they stand as
// characters of their own (not as the second byte of a double-byte character), in order.
struct Delimiters {
    static constexpr int kMax = 40;
    std::uint32_t pos[kMax];
    int count = 0;
};

inline bool isDelimiter(unsigned char c)
{
    return (c >= 1 && c <= 32) || c == ',' || c == '"';
}

// Mask of the delimiter bytes among the 16 at p (bit k for p[k]).
inline unsigned delimiterMask16(const char* p)
{
#if defined(__SSE2__)
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i blank = _mm_andnot_si128(_mm_cmpeq_epi8(v, _mm_setzero_si128()),
                                           _mm_cmpeq_epi8(_mm_min_epu8(v, _mm_set1_epi8(32)), v));
    const __m128i hit = _mm_or_si128(blank, _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8(',')),
                                                         _mm_cmpeq_epi8(v, _mm_set1_epi8('"'))));
    return static_cast<unsigned>(_mm_movemask_epi8(hit));
#else
    unsigned mask = 0;
    for (int k = 0; k < 16; ++k)
        if (isDelimiter(static_cast<unsigned char>(p[k])))
            mask |= 1u << k;
    return mask;
#endif
}

// Finds the delimiters of line; false when there are more than Delimiters::kMax. In UTF-8 text
// (utf8 true) every delimiter byte found stands for itself.
inline bool findDelimiters(std::string_view line, Delimiters& out, bool utf8 = false)
{
    const char* const p = line.data();
    const std::size_t n = line.size();
    out.count = 0;
    auto take = [&](std::size_t base, unsigned mask) {
        for (; mask; mask &= mask - 1) {
            const std::size_t q = base + static_cast<std::size_t>(std::countr_zero(mask));
            // A byte outside the lead range always ends a character, so the parity of the run of
            // lead-range bytes just before q tells whether q is the second byte of one.
            std::size_t run = 0;
            if (!utf8)
                while (run < q && sjis::isLeadByte(static_cast<unsigned char>(p[q - run - 1])))
                    ++run;
            if (run % 2)
                continue;
            if (out.count == Delimiters::kMax)
                return false;
            out.pos[out.count++] = static_cast<std::uint32_t>(q);
        }
        return true;
    };
    std::size_t i = 0;
    for (; i + 16 <= n; i += 16)
        if (!take(i, delimiterMask16(p + i)))
            return false;
    if (i < n) {
        char tail[16];
        std::memset(tail, 'a', sizeof tail);
        std::memcpy(tail, p + i, n - i);
        if (!take(i, delimiterMask16(tail)))
            return false;
    }
    return true;
}

// A field as the join writes it: as it stands, in quotes, or (text that holds a double quote of
// its own) through the general writer.
struct Field {
    enum Kind : unsigned char { Plain, Quoted, General };
    std::string_view text;
    Kind kind = Plain;
    TextEncoding enc = TextEncoding::ShiftJis; // for the general writer

    std::size_t joinedSize() const
    {
        return kind == Plain ? text.size() : kind == Quoted ? text.size() + 2 : FieldSplitter::joinedSize(text, enc);
    }
    char* write(char* w) const
    {
        if (kind == General)
            return FieldSplitter::writeJoined(w, text, enc);
        if (kind == Quoted)
            *w++ = '"';
        if (!text.empty())
            std::memcpy(w, text.data(), text.size());
        w += text.size();
        if (kind == Quoted)
            *w++ = '"';
        return w;
    }
    static Field judged(std::string_view text, TextEncoding enc)
    {
        const std::size_t joined = FieldSplitter::joinedSize(text, enc);
        return {text, joined == text.size() ? Plain : joined == text.size() + 2 ? Quoted : General, enc};
    }
};

// Cuts a line of exactly five fields as the splitter would, or returns false for any other shape.
// Fields from the line hold no double quote of their own, so they are Plain or Quoted.
inline bool splitFive(std::string_view line, Field (&f)[5], bool utf8 = false)
{
    Delimiters d;
    if (!findDelimiters(line, d, utf8))
        return false;
    const std::size_t n = line.size();
    std::size_t i = 0; // start of the field
    int s = 0;         // next delimiter at or after i
    for (int k = 0; k < 5; ++k) {
        const std::size_t next = s < d.count ? d.pos[s] : n;
        if (next == i && i < n && line[i] == '"') {
            // Quoted: up to the next double quote, which must not be doubled. Blanks and commas
            // inside keep the field in quotes when it is written back.
            int j = s + 1;
            while (j < d.count && line[d.pos[j]] != '"')
                ++j;
            if (j == d.count)
                return false;
            const std::size_t close = d.pos[j];
            if (close + 1 < n && line[close + 1] == '"')
                return false;
            f[k] = {line.substr(i + 1, close - i - 1), j > s + 1 ? Field::Quoted : Field::Plain};
            i = close + 1;
            s = j + 1;
        } else {
            // Unquoted: up to the next blank or comma; a quote inside, or a blank where the field
            // should start, is left to the general route.
            if ((next < n && line[next] != ',') || (i < n && line[i] == '"'))
                return false;
            f[k] = {line.substr(i, next - i), Field::Plain};
            i = next;
        }
        if (k == 4)
            return i == n;
        if (i == n || line[i] != ',')
            return false;
        ++s; // the comma
        ++i; // (a comma as the last byte leaves one final empty field)
    }
    return false;
}

// One thread's quick route. It keeps the joined paths of the depth list's entries, and how the last
// dates are written, for as long as only it changes them.
class Expander {
public:
    // The kind of the lines expanded: the encoding for the scans, the path kind for how the depth
    // list's entries are joined ("\" after each; for POSIX paths "/" after each, the volume "/"
    // giving just the one "/").
    explicit Expander(ReportKind kind = {}) : m_kind(kind), m_sep(kind.posix() ? '/' : '\\') {}

    // After a line took the general route: the depth list and the last dates may have changed.
    void forget()
    {
        m_valid = 0;
        m_createdKnown = m_updatedKnown = false;
    }

    // Writes the full form of line through put(size, write) and returns true, or returns false
    // having changed nothing that the general route would not change in the same way.
    template <class State, class Put>
    bool expand(std::string_view line, State& state, Put&& put)
    {
        Field f[5];
        if (!splitFive(line, f, m_kind.utf8()))
            return false;
        std::size_t marks = 0;
        while (marks < f[0].text.size() && f[0].text[marks] == '>')
            ++marks;
        const std::string_view name = f[0].text.substr(marks);
        if (marks == 0 || name.empty() || name.size() > kMaxName)
            return false;
        if (marks > m_valid && !extend(marks, state))
            return false;
        const std::size_t pathSize = m_end[marks] + name.size();
        // Drive and root lines take the general route: for drive paths those of 2 or 3 bytes, for
        // POSIX paths any line whose size is "?" (the root that takes its volume's size).
        if (m_kind.posix() ? f[1].text == "?" : pathSize <= 3)
            return false;

        // The same changes to the depth list and the last dates as the general route makes.
        state.setEntry(marks, name);
        m_buf.resize(m_end[marks]);
        m_buf.append(name).push_back(m_sep);
        setPrefix(marks + 1, m_buf.size(), m_quoted[marks] || f[0].kind != Field::Plain);
        m_valid = marks + 1;
        const Field path{std::string_view(m_buf.data(), pathSize), m_quoted[marks + 1] ? Field::Quoted : Field::Plain};
        lastDate(f[2], state.created(), m_created, m_createdKnown);
        lastDate(f[3], state.updated(), m_updated, m_updatedKnown);
        if (f[4].text.empty())
            f[4] = {"16", Field::Plain, m_kind.encoding};

        std::size_t size = path.joinedSize() + 4;
        for (int k = 1; k < 5; ++k)
            size += f[k].joinedSize();
        put(size, [&](char* w) {
            w = path.write(w);
            for (int k = 1; k < 5; ++k) {
                *w++ = ',';
                w = f[k].write(w);
            }
        });
        return true;
    }

private:
    // An empty date is written as the last one given; a given one becomes the last.
    void lastDate(Field& field, std::string& last, Field::Kind& lastKind, bool& known) const
    {
        if (field.text.empty()) {
            if (!known) {
                lastKind = Field::judged(last, m_kind.encoding).kind;
                known = true;
            }
            field = {last, lastKind, m_kind.encoding};
        } else {
            last.assign(field.text);
            lastKind = field.kind;
            known = true;
        }
    }

    void setPrefix(std::size_t k, std::size_t end, bool quoted)
    {
        if (m_end.size() < k + 1) {
            m_end.resize(k + 1);
            m_quoted.resize(k + 1);
        }
        m_end[k] = static_cast<std::uint32_t>(end);
        m_quoted[k] = quoted ? 1 : 0;
    }

    // Caches the paths for up to `marks` marks from the depth list, read as the general route
    // reads it (errors included). False for an entry with a double quote, which the join would
    // have to double. (An entry cut inside a double-byte character is fine: its open lead byte
    // takes the "\" after it, and the next entry still starts on a character of its own.)
    template <class State>
    bool extend(std::size_t marks, State& state)
    {
        for (std::size_t k = m_valid; k < marks; ++k) {
            const std::string& entry = state.entry(k);
            if (entry.find('"') != std::string::npos) {
                m_valid = k;
                return false;
            }
            m_buf.resize(m_end[k]);
            if (m_kind.posix() && k == 0 && entry == "/")
                m_buf.push_back('/');
            else
                m_buf.append(entry).push_back(m_sep);
            setPrefix(k + 1, m_buf.size(), m_quoted[k] || Field::judged(entry, m_kind.encoding).kind != Field::Plain);
            m_valid = k + 1;
        }
        return true;
    }

    ReportKind m_kind;
    char m_sep;                             // what follows each entry in a path
    std::string m_buf;                      // entry 0 "\" entry 1 "\" ... for the cached prefixes
    std::vector<std::uint32_t> m_end{0};    // m_end[k]: bytes of the path prefix for k marks
    std::vector<unsigned char> m_quoted{0}; // m_quoted[k]: a path under that prefix is quoted
    std::size_t m_valid = 0;                // prefixes for 0..m_valid marks are cached
    Field::Kind m_created = Field::Plain, m_updated = Field::Plain;
    bool m_createdKnown = false, m_updatedKnown = false;
};

} // namespace dg::quick
