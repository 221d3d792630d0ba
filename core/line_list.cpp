#include "core/line_list.h"

#include "core/errors.h"
#include "core/helper_thread.h"
#include "core/system_file.h"
#include "core/translate.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <numeric>
#include <exception>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace dg {
namespace {

std::string lineTooLongText(std::size_t bytes)
{
    return i18n::format("dg::texts", DG_TRANSLATE_NOOP("dg::texts", "1 行が長すぎます (%1 バイト)"), {std::to_string(bytes)});
}

// The first arena chunk is small (most lists replace a few lines or none); later ones are large
// enough for huge pages.
constexpr std::size_t kArenaChunk = std::size_t{1} << 20;
constexpr std::size_t kLargeArenaChunk = std::size_t{8} << 20;
constexpr std::size_t kMaxLine = UINT32_MAX;
} // namespace

void LineList::clear()
{
    m_begin.clear();
    m_len.clear();
    m_begin.shrink_to_fit();
    m_len.shrink_to_fit();
    m_read.reset();
    m_readBegin = nullptr;
    m_readSize = 0;
    m_readLines = 0;
    m_blocks.clear();
    m_blockSizes.clear();
    m_arenaPos = nullptr;
    m_arenaLeft = 0;
    m_kind = {};
}

void LineList::setLine(std::size_t i, const char* p, std::size_t n)
{
    if (n > kMaxLine)
        throw UserError(lineTooLongText(n));
    m_begin[i] = p;
    m_len[i] = static_cast<std::uint32_t>(n);
}

namespace {

// Where each line of text[from, end) begins and how long it is, and where the text ends: at `end`,
// or at the first NUL byte before it.
struct ScannedLines {
    LargeVector<const char*> begin;
    LargeVector<std::uint32_t> len;
    std::size_t end = 0;
    bool nul = false;
};

// Mask of the bytes in p[0, 64) that are LF, CR or NUL (bit k for byte k).
inline std::uint64_t breakMask64(const char* p)
{
#if defined(__SSE2__)
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i cr = _mm_set1_epi8('\r');
    const __m128i zero = _mm_setzero_si128();
    std::uint64_t mask = 0;
    for (int k = 0; k < 4; ++k) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k));
        const __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, lf), _mm_cmpeq_epi8(v, cr)),
                                         _mm_cmpeq_epi8(v, zero));
        mask |= static_cast<std::uint64_t>(static_cast<std::uint32_t>(_mm_movemask_epi8(hit))) << (16 * k);
    }
    return mask;
#else
    std::uint64_t mask = 0;
    for (int k = 0; k < 64; ++k) {
        const char c = p[k];
        if (c == '\n' || c == '\r' || c == '\0')
            mask |= std::uint64_t{1} << k;
    }
    return mask;
#endif
}

// One pass over text[from, end) that stops at each LF, CR or NUL: a line ends at CR LF, a lone CR
// or a lone LF, a break at the very end makes no extra empty line, and a NUL ends the text.
// `from` must be the start of a line.
void scanLines(const char* text, std::size_t from, std::size_t end, ScannedLines& out, std::size_t expectedLines)
{
    out.begin.reserve(expectedLines);
    out.len.reserve(expectedLines);
    std::size_t lineStart = from;
    auto push = [&](std::size_t stop) {
        const std::size_t n = stop - lineStart;
        if (n > kMaxLine)
            throw UserError(lineTooLongText(n));
        out.begin.push_back(text + lineStart);
        out.len.push_back(static_cast<std::uint32_t>(n));
    };
    // Each break byte is handled where it stands; `skip` steps over the LF of a CR LF pair.
    std::size_t skip = static_cast<std::size_t>(-1);
    auto handle = [&](std::size_t q) -> bool {
        if (q == skip)
            return true;
        const char c = text[q];
        if (c == '\0') {
            end = q;
            out.nul = true;
            return false;
        }
        push(q);
        if (c == '\r' && q + 1 < end && text[q + 1] == '\n') {
            skip = q + 1;
            lineStart = q + 2;
        } else {
            lineStart = q + 1;
        }
        return true;
    };
    std::size_t i = from;
    bool going = true;
    for (; going && i + 64 <= end; i += 64) {
        for (std::uint64_t mask = breakMask64(text + i); mask; mask &= mask - 1) {
            if (!handle(i + static_cast<std::size_t>(std::countr_zero(mask)))) {
                going = false;
                break;
            }
        }
    }
    for (; going && i < end; ++i) {
        const char c = text[i];
        if ((c == '\n' || c == '\r' || c == '\0') && !handle(i))
            break;
    }
    if (lineStart < end)
        push(end);
    out.end = end;
}

constexpr std::size_t kParallelScanFrom = std::size_t{4} << 20; // bytes; smaller texts are scanned in one pass
constexpr std::size_t kExpectedLineBytes = 48;

} // namespace

void LineList::assignText(sys::LargeBytes bytes, std::size_t length)
{
    clear();
    const char* text = bytes.get();
    // A large text is scanned as two parts on two threads. The second part starts right after the
    // first LF at or after the middle, so that no break (CR LF in particular) straddles the cut;
    // a NUL in the first part ends the text there and makes the second part's lines void.
    std::size_t cut = length;
    if (length >= kParallelScanFrom) {
        const std::size_t middle = length / 2;
        if (const void* lf = std::memchr(text + middle, '\n', length - middle))
            cut = static_cast<std::size_t>(static_cast<const char*>(lf) - text) + 1;
    }
    ScannedLines first;
    ScannedLines second;
    if (cut == length) {
        scanLines(text, 0, length, first, length / kExpectedLineBytes + 16);
    } else {
        std::exception_ptr secondError;
        HelperThread worker([&] {
            try {
                scanLines(text, cut, length, second, (length - cut) / kExpectedLineBytes + 16);
            } catch (...) {
                secondError = std::current_exception();
            }
        });
        scanLines(text, 0, cut, first, cut / kExpectedLineBytes + 16); // an error: joined on the way out
        worker.join();
        if (!worker.running() && !first.nul)
            scanLines(text, cut, length, second, (length - cut) / kExpectedLineBytes + 16);
        if (!first.nul && secondError)
            std::rethrow_exception(secondError);
    }
    // The index is copied into arrays of its exact size (allocated before the parts' larger ones
    // are freed, so that the allocator hands out fresh pages rather than keeping the freed ones).
    const bool both = cut != length && !first.nul;
    const std::size_t lineCount = first.begin.size() + (both ? second.begin.size() : 0);
    m_begin.reserve(lineCount);
    m_len.reserve(lineCount);
    m_begin.assign(first.begin.begin(), first.begin.end());
    m_len.assign(first.len.begin(), first.len.end());
    if (both) {
        m_begin.insert(m_begin.end(), second.begin.begin(), second.begin.end());
        m_len.insert(m_len.end(), second.len.begin(), second.len.end());
        first.end = second.end;
    }

    m_read = std::move(bytes);
    m_readBegin = m_read.get();
    m_readSize = first.end;
    m_readLines = m_begin.size();
    if (m_readLines == 0)
        m_read.reset();
    // The byte-order mark says the text is UTF-8; it is not part of line 0.
    if (!m_begin.empty() && std::string_view(m_begin[0], m_len[0]).starts_with(kUtf8Mark)) {
        m_begin[0] += kUtf8Mark.size();
        m_len[0] -= static_cast<std::uint32_t>(kUtf8Mark.size());
        m_kind.encoding = TextEncoding::Utf8;
    }
}

void LineList::assignText(std::string_view text)
{
    sys::LargeBytes bytes = sys::allocateBytes(text.size());
    if (!text.empty())
        std::memcpy(bytes.get(), text.data(), text.size());
    assignText(std::move(bytes), text.size());
}

void LineList::reserve(std::size_t n)
{
    m_begin.reserve(n);
    m_len.reserve(n);
}

char* LineList::allocate(std::size_t n)
{
    if (n > m_arenaLeft) {
        const std::size_t chunk = std::max(n, m_blocks.empty() ? kArenaChunk : kLargeArenaChunk);
        m_blocks.push_back(sys::allocateBytes(chunk)); // not zeroed: always written first
        m_blockSizes.push_back(chunk);
        m_arenaPos = m_blocks.back().get();
        m_arenaLeft = chunk;
    }
    char* p = m_arenaPos;
    m_arenaPos += n;
    m_arenaLeft -= n;
    return p;
}

namespace {
// Writes a copy of text where a line list asks for it.
auto copyOf(std::string_view text)
{
    return [text](char* p) {
        if (!text.empty())
            std::memcpy(p, text.data(), text.size());
    };
}
} // namespace

void LineList::append(std::string_view line)
{
    appendWritten(line.size(), copyOf(line));
}

void LineList::replace(std::size_t i, std::string_view text)
{
    replaceWritten(i, text.size(), copyOf(text));
}

void LineList::placeReplacement(std::size_t i, const char* p, std::size_t n)
{
    const bool wasRead = m_read && inReadBuffer(m_begin[i]);
    setLine(i, p, n);
    if (wasRead && --m_readLines == 0)
        m_read.reset();
}

void LineList::adoptLines(std::size_t at, LineList&& other)
{
    for (std::size_t j = 0; j < other.size(); ++j) {
        const std::size_t i = at + j;
        const bool wasRead = m_read && inReadBuffer(m_begin[i]);
        m_begin[i] = other.m_begin[j];
        m_len[i] = other.m_len[j];
        if (wasRead && --m_readLines == 0)
            m_read.reset();
    }
    for (std::size_t b = 0; b < other.m_blocks.size(); ++b) {
        m_blocks.push_back(std::move(other.m_blocks[b]));
        m_blockSizes.push_back(other.m_blockSizes[b]);
    }
    other.m_blocks.clear();
    other.m_blockSizes.clear();
    other.m_begin.clear();
    other.m_len.clear();
    other.m_arenaPos = nullptr;
    other.m_arenaLeft = 0;
}

void LineList::releaseReadTextBefore(std::size_t i)
{
    if (!m_read || i >= size() || !inReadBuffer(m_begin[i]))
        return;
    // Whole pages strictly inside the read buffer and before line i.
    sys::releasePages(m_readBegin, m_begin[i]);
}

void LineList::sortBytewise()
{
    LargeVector<std::string_view> views;
    views.resize(size());
    for (std::size_t i = 0; i < size(); ++i)
        views[i] = (*this)[i];
    // std::string_view's operator< is a plain unsigned byte comparison (char_traits<char>::compare
    // compares as unsigned char), a prefix before the longer text. A large list is sorted as two
    // halves on two threads and merged: the same order, in about half the time on two cores.
    constexpr std::size_t kParallelFrom = 1 << 17;
    if (views.size() < kParallelFrom) {
        std::sort(views.begin(), views.end());
    } else {
        const auto middle = views.begin() + static_cast<std::ptrdiff_t>(views.size() / 2);
        HelperThread second([&] { std::sort(middle, views.end()); });
        std::sort(views.begin(), middle);
        second.join();
        if (!second.running())
            std::sort(middle, views.end());
        LargeVector<std::string_view> merged;
        merged.resize(views.size());
        std::merge(views.begin(), middle, middle, views.end(), merged.begin());
        views.swap(merged);
    }
    for (std::size_t i = 0; i < views.size(); ++i) {
        m_begin[i] = views[i].data();
        m_len[i] = static_cast<std::uint32_t>(views[i].size());
    }
}

void LineList::compact()
{
    const std::size_t total = textBytes();
    sys::LargeBytes bytes = sys::allocateBytes(total);
    char* p = bytes.get();
    for (std::size_t i = 0; i < size(); ++i) {
        if (m_len[i])
            std::memcpy(p, m_begin[i], m_len[i]);
        m_begin[i] = p;
        p += m_len[i];
    }
    m_read.reset();
    m_readLines = 0;
    m_blocks.clear();
    m_blockSizes.clear();
    m_blocks.push_back(std::move(bytes));
    m_blockSizes.push_back(total);
    m_arenaPos = nullptr;
    m_arenaLeft = 0;
}

std::size_t LineList::memoryBytes() const
{
    return (m_read ? m_readSize : 0) + std::accumulate(m_blockSizes.begin(), m_blockSizes.end(), std::size_t{0}) +
           m_begin.capacity() * sizeof(const char*) + m_len.capacity() * sizeof(std::uint32_t);
}

std::size_t LineList::textBytes() const
{
    return std::accumulate(m_len.begin(), m_len.end(), std::size_t{0});
}

} // namespace dg
