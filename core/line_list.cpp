#include "core/line_list.h"

#include "core/errors.h"

#include <algorithm>
#include <cstring>
#include <numeric>
#include <thread>

#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace dg {
namespace {
constexpr std::size_t kArenaChunk = std::size_t{1} << 20;
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
}

void LineList::setLine(std::size_t i, const char* p, std::size_t n)
{
    if (n > kMaxLine)
        throw UserError("1 行が長すぎます (" + std::to_string(n) + " バイト)");
    m_begin[i] = p;
    m_len[i] = static_cast<std::uint32_t>(n);
}

void LineList::assignText(std::unique_ptr<char[]> bytes, std::size_t length)
{
    clear();
    const char* text = bytes.get();
    if (const void* nul = length ? std::memchr(text, '\0', length) : nullptr)
        length = static_cast<std::size_t>(static_cast<const char*>(nul) - text);

    // One pass: memchr finds each LF; a CR inside the stretch before it is a lone CR (a break of its
    // own) unless it directly precedes the LF.
    m_begin.reserve(length / 48 + 16);
    m_len.reserve(length / 48 + 16);
    auto push = [this](const char* p, std::size_t n) {
        m_begin.push_back(nullptr);
        m_len.push_back(0);
        setLine(m_begin.size() - 1, p, n);
    };
    const char* pos = text;
    const char* const end = text + length;
    while (pos < end) {
        const char* lf = static_cast<const char*>(std::memchr(pos, '\n', static_cast<std::size_t>(end - pos)));
        const char* stop = lf ? lf : end;
        // Lone CRs before the LF (or before the end of the text).
        for (;;) {
            const char* cr = static_cast<const char*>(std::memchr(pos, '\r', static_cast<std::size_t>(stop - pos)));
            if (!cr)
                break;
            if (lf && cr + 1 == lf)
                break; // CR LF
            push(pos, static_cast<std::size_t>(cr - pos));
            pos = cr + 1;
        }
        if (!lf) {
            if (pos < end)
                push(pos, static_cast<std::size_t>(end - pos));
            break;
        }
        const char* lineEnd = (lf > pos && lf[-1] == '\r') ? lf - 1 : lf;
        push(pos, static_cast<std::size_t>(lineEnd - pos));
        pos = lf + 1;
    }
    m_begin.shrink_to_fit();
    m_len.shrink_to_fit();

    m_read = std::move(bytes);
    m_readBegin = m_read.get();
    m_readSize = length;
    m_readLines = m_begin.size();
    if (m_readLines == 0)
        m_read.reset();
}

void LineList::assignText(std::string_view text)
{
    auto bytes = std::make_unique<char[]>(text.size() ? text.size() : 1);
    if (!text.empty())
        std::memcpy(bytes.get(), text.data(), text.size());
    assignText(std::move(bytes), text.size());
}

char* LineList::allocate(std::size_t n)
{
    if (n > m_arenaLeft) {
        const std::size_t chunk = std::max(n, kArenaChunk);
        m_blocks.push_back(std::unique_ptr<char[]>(new char[chunk])); // not zeroed: always written first
        m_blockSizes.push_back(chunk);
        m_arenaPos = m_blocks.back().get();
        m_arenaLeft = chunk;
    }
    char* p = m_arenaPos;
    m_arenaPos += n;
    m_arenaLeft -= n;
    return p;
}

void LineList::append(std::string_view line)
{
    char* p = allocate(line.size());
    if (!line.empty())
        std::memcpy(p, line.data(), line.size());
    m_begin.push_back(nullptr);
    m_len.push_back(0);
    setLine(m_begin.size() - 1, p, line.size());
}

void LineList::replace(std::size_t i, std::string_view text)
{
    char* p = allocate(text.size());
    if (!text.empty())
        std::memcpy(p, text.data(), text.size());
    const bool wasRead = m_read && inReadBuffer(m_begin[i]);
    setLine(i, p, text.size());
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
#if defined(__linux__)
    if (!m_read || i >= size() || !inReadBuffer(m_begin[i]))
        return;
    // Whole pages strictly inside the read buffer and before line i.
    const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    const auto from = (reinterpret_cast<std::uintptr_t>(m_readBegin) + page - 1) & ~(page - 1);
    const auto to = reinterpret_cast<std::uintptr_t>(m_begin[i]) & ~(page - 1);
    if (to > from)
        ::madvise(reinterpret_cast<void*>(from), to - from, MADV_DONTNEED);
#else
    (void)i;
#endif
}

void LineList::sortBytewise()
{
    std::vector<std::string_view> views(size());
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
        std::thread second([&] { std::sort(middle, views.end()); });
        std::sort(views.begin(), middle);
        second.join();
        std::vector<std::string_view> merged(views.size());
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
    std::unique_ptr<char[]> bytes(new char[total ? total : 1]);
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
