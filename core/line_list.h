#pragma once
// A report held as one list of lines (`CurrentLines`, `BaseLines`).
//
// The text read from a file stays in one buffer; each line is a pointer and a byte length into it.
// A replaced line is appended to a chunked arena, so a replacement never moves other lines. The
// read buffer is freed as soon as no line points into it any more (the abbreviated form, once
// expanded, lives wholly in the arena), so a report of millions of lines costs its text plus
// 12 bytes a line.
#include "core/report_kind.h"
#include "core/system_file.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace dg {

class LineList {
public:
    LineList() = default;
    LineList(const LineList&) = delete;
    LineList& operator=(const LineList&) = delete;
    LineList(LineList&&) noexcept = default;
    LineList& operator=(LineList&&) noexcept = default;

    std::size_t size() const { return m_begin.size(); }
    bool empty() const { return m_begin.empty(); }
    std::string_view operator[](std::size_t i) const { return {m_begin[i], m_len[i]}; }

    void clear();

    // The report's encoding and path kind. assignText sets the encoding (UTF-8 when the text
    // starts with the byte-order mark, which it leaves out of line 0); the form check sets the
    // path kind. Every function that reads the lines reads them by it.
    const ReportKind& kind() const { return m_kind; }
    void setKind(const ReportKind& kind) { m_kind = kind; }

    // Takes ownership of `bytes` and splits them into lines: a line ends at CR LF, a lone CR or a
    // lone LF; a break at the very end makes no extra empty line; a NUL byte ends the text. A
    // leading UTF-8 byte-order mark makes the list UTF-8 and is left out of line 0.
    void assignText(sys::LargeBytes bytes, std::size_t length);
    void assignText(std::string_view text); // copies

    // Makes room in the index for n lines, so that appending them never regrows it.
    void reserve(std::size_t n);

    // Appends a line (copied).
    void append(std::string_view line);

    // Replaces line i by a copy of text. Views of other lines stay valid.
    void replace(std::size_t i, std::string_view text);

    // Like replace and append, for a line of n bytes that write(char*) puts straight into the
    // list's own storage (no copy through a buffer of the caller's).
    template <class Write>
    void replaceWritten(std::size_t i, std::size_t n, Write&& write)
    {
        char* p = allocate(n);
        write(p);
        placeReplacement(i, p, n);
    }
    template <class Write>
    void appendWritten(std::size_t n, Write&& write)
    {
        char* p = allocate(n);
        write(p);
        m_begin.push_back(nullptr);
        m_len.push_back(0);
        setLine(m_begin.size() - 1, p, n);
    }

    // Sorts all lines ascending by plain byte comparison (a prefix sorts before the longer line).
    void sortBytewise();

    // Takes over the lines of other (which must hold only appended lines) as lines at, at+1, ...
    // of this list, replacing them without copying their text.
    void adoptLines(std::size_t at, LineList&& other);

    // Tells the list that no line before line i points into the text as read any more (they
    // have all been replaced), so the memory of that part can go back to the system at once
    // instead of when the whole text is freed. A hint: it changes no line.
    void releaseReadTextBefore(std::size_t i);


    // Moves every live line into one buffer of exactly their size; invalidates earlier views.
    void compact();

    // Bytes held: text buffers plus the per-line index.
    std::size_t memoryBytes() const;
    // Bytes of line text (without line ends).
    std::size_t textBytes() const;

private:
    char* allocate(std::size_t n);
    void setLine(std::size_t i, const char* p, std::size_t n);
    void placeReplacement(std::size_t i, const char* p, std::size_t n);
    bool inReadBuffer(const char* p) const { return p >= m_readBegin && p <= m_readBegin + m_readSize; }

    LargeVector<const char*> m_begin;
    LargeVector<std::uint32_t> m_len;
    sys::LargeBytes m_read; // the text as read; lines point into it until replaced
    const char* m_readBegin = nullptr;
    std::size_t m_readSize = 0;
    std::size_t m_readLines = 0;    // lines still pointing into m_read
    std::vector<sys::LargeBytes> m_blocks; // arena chunks (or the compacted text)
    std::vector<std::size_t> m_blockSizes;
    char* m_arenaPos = nullptr;
    std::size_t m_arenaLeft = 0;
    ReportKind m_kind;
};

} // namespace dg
