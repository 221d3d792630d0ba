#include "core/field_splitter.h"

#include "core/byte_scan.h"
#include "core/errors.h"
#include "core/sjis.h"

#include <cstring>

namespace dg {
namespace {

constexpr bool isBlank(unsigned char c)
{
    return c >= 1 && c <= 32;
}

// End of the unquoted field that starts at i.
std::size_t unquotedEnd(std::string_view line, std::size_t i, TextEncoding enc)
{
    return enc == TextEncoding::ShiftJis ? bytescan::findFirst<bytescan::FieldEnd>(line, i)
                                         : bytescan::findFirst<bytescan::FieldEnd, false>(line, i);
}

bool needsQuotes(std::string_view v, TextEncoding enc)
{
    const std::size_t at = enc == TextEncoding::ShiftJis ? bytescan::findFirst<bytescan::NeedsQuote>(v, 0)
                                                         : bytescan::findFirst<bytescan::NeedsQuote, false>(v, 0);
    return at != v.size();
}

} // namespace

void FieldSplitter::split(std::string_view line)
{
    splitFirst(line, static_cast<std::size_t>(-1));
}

void FieldSplitter::splitFirst(std::string_view line, std::size_t maxFields)
{
    m_fields.clear();
    m_unquoted.clear();
    // Unescaped text is never longer than the line: reserving up front keeps earlier views valid.
    if (m_unquoted.capacity() < line.size())
        m_unquoted.reserve(line.size());

    const std::size_t n = line.size();
    const TextEncoding enc = m_encoding;
    auto at = [&](std::size_t i) { return static_cast<unsigned char>(line[i]); };
    std::size_t i = 0;
    while (i < n && isBlank(at(i)))
        ++i;
    while (i < n && m_fields.size() < maxFields) {
        if (at(i) == '"') {
            // Quoted field: up to the next quote that is not doubled, or the end of the line.
            // Without a doubled quote the text stands unchanged in the line and is viewed there.
            ++i;
            std::size_t q = findCharIn(enc, line, '"', i);
            std::string_view field;
            if (q == std::string_view::npos || q + 1 >= n || at(q + 1) != '"') {
                const std::size_t end = q == std::string_view::npos ? n : q;
                field = line.substr(i, end - i);
                i = q == std::string_view::npos ? n : q + 1;
            } else {
                const std::size_t from = m_unquoted.size();
                std::size_t runStart = i;
                for (;;) {
                    if (q == std::string_view::npos) {
                        m_unquoted.append(line.substr(runStart));
                        i = n;
                        break;
                    }
                    if (q + 1 < n && at(q + 1) == '"') {
                        m_unquoted.append(line.substr(runStart, q + 1 - runStart));
                        i = q + 2;
                        runStart = i;
                        q = findCharIn(enc, line, '"', i);
                        continue;
                    }
                    m_unquoted.append(line.substr(runStart, q - runStart));
                    i = q + 1;
                    break;
                }
                field = std::string_view(m_unquoted.data() + from, m_unquoted.size() - from);
            }
            m_fields.push_back(field);
        } else {
            const std::size_t start = i;
            i = unquotedEnd(line, i, enc);
            m_fields.push_back(line.substr(start, i - start));
        }
        while (i < n && isBlank(at(i)))
            ++i;
        if (i < n && at(i) == ',') {
            if (i == n - 1 && m_fields.size() < maxFields)
                m_fields.emplace_back();
            ++i;
            while (i < n && isBlank(at(i)))
                ++i;
        }
    }
}

std::string_view FieldSplitter::get(std::size_t k) const
{
    if (k >= m_fields.size())
        throw IndexError(static_cast<long long>(k));
    return m_fields[k];
}

void FieldSplitter::replace(std::size_t k, std::string_view text)
{
    if (k >= m_fields.size())
        throw IndexError(static_cast<long long>(k));
    if (m_owned.size() < m_fields.size())
        m_owned.resize(m_fields.size());
    m_owned[k].assign(text);
    m_fields[k] = m_owned[k];
}

std::size_t FieldSplitter::joinedSize(std::string_view v, TextEncoding enc)
{
    if (!needsQuotes(v, enc))
        return v.size();
    std::size_t quotes = 0;
    for (std::size_t q = findCharIn(enc, v, '"'); q != std::string_view::npos; q = findCharIn(enc, v, '"', q + 1))
        ++quotes;
    return v.size() + quotes + 2;
}

char* FieldSplitter::writeJoined(char* w, std::string_view v, TextEncoding enc)
{
    auto put = [&w](std::string_view text) {
        if (!text.empty())
            std::memcpy(w, text.data(), text.size());
        w += text.size();
    };
    if (!needsQuotes(v, enc)) {
        put(v);
        return w;
    }
    // Quoted: copy runs up to each double quote (never a trail byte) and double it.
    *w++ = '"';
    std::size_t from = 0;
    for (std::size_t q = findCharIn(enc, v, '"'); q != std::string_view::npos; q = findCharIn(enc, v, '"', q + 1)) {
        put(v.substr(from, q + 1 - from));
        *w++ = '"';
        from = q + 1;
    }
    put(v.substr(from));
    *w++ = '"';
    return w;
}

void FieldSplitter::joinTo(const std::vector<std::string_view>& fields, std::string& out, TextEncoding enc)
{
    if (fields.size() == 1 && fields[0].empty()) {
        out = "\"\"";
        return;
    }
    // Written through a pointer into a buffer sized for the worst case (every byte a doubled
    // quote), then cut to what was written: no per-byte growth checks.
    std::size_t bound = fields.size();
    for (const std::string_view v : fields)
        bound += 2 * v.size() + 2;
    out.resize(bound);
    char* const begin = out.data();
    char* w = begin;
    for (std::size_t f = 0; f < fields.size(); ++f) {
        if (f)
            *w++ = ',';
        w = writeJoined(w, fields[f], enc);
    }
    out.resize(static_cast<std::size_t>(w - begin));
}

void FieldSplitter::replaceView(std::size_t k, std::string_view text)
{
    if (k >= m_fields.size())
        throw IndexError(static_cast<long long>(k));
    m_fields[k] = text;
}

std::string_view FieldSplitter::join()
{
    joinTo(m_fields, m_joined, m_encoding);
    return m_joined;
}

} // namespace dg
