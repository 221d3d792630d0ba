#include "core/field_splitter.h"

#include "core/byte_scan.h"
#include "core/errors.h"
#include "core/sjis.h"

namespace dg {
namespace {

constexpr bool isBlank(unsigned char c)
{
    return c >= 1 && c <= 32;
}

// Byte classes for the scans below: a byte that ends an unquoted field (a comma or 1..32), a byte
// that forces quoting when joined (those and the double quote), and Shift-JIS lead bytes, which
// take the next byte with them.
enum : unsigned char { kPlain = 0, kStop = 1, kQuote = 2, kLead = 3 };

struct ByteTable {
    unsigned char split[256];
    unsigned char join[256];
    constexpr ByteTable() : split(), join()
    {
        for (unsigned c = 0; c < 256; ++c) {
            const auto b = static_cast<unsigned char>(c);
            split[c] = sjis::isLeadByte(b) ? kLead : (b == ',' || isBlank(b)) ? kStop : kPlain;
            join[c] = sjis::isLeadByte(b) ? kLead : (b == ',' || b == '"' || isBlank(b)) ? kQuote : kPlain;
        }
    }
};
constexpr ByteTable kBytes;

// End of the unquoted field that starts at i.
std::size_t unquotedEnd(std::string_view line, std::size_t i)
{
    const std::size_t n = line.size();
    while (i < n) {
        if (i + 8 <= n && bytescan::plainForSplit(bytescan::load8(line.data() + i))) {
            i += 8;
            continue;
        }
        const unsigned char cls = kBytes.split[static_cast<unsigned char>(line[i])];
        if (cls == kPlain)
            ++i;
        else if (cls == kLead)
            i += (i + 1 < n) ? 2 : 1;
        else
            break;
    }
    return i;
}

bool needsQuotes(std::string_view v)
{
    const std::size_t n = v.size();
    for (std::size_t i = 0; i < n;) {
        if (i + 8 <= n && bytescan::plainForJoin(bytescan::load8(v.data() + i))) {
            i += 8;
            continue;
        }
        const unsigned char cls = kBytes.join[static_cast<unsigned char>(v[i])];
        if (cls == kPlain)
            ++i;
        else if (cls == kLead)
            i += 2;
        else
            return true;
    }
    return false;
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
    auto at = [&](std::size_t i) { return static_cast<unsigned char>(line[i]); };
    std::size_t i = 0;
    while (i < n && isBlank(at(i)))
        ++i;
    while (i < n && m_fields.size() < maxFields) {
        if (at(i) == '"') {
            // Quoted field: up to the next quote that is not doubled, or the end of the line.
            // Without a doubled quote the text stands unchanged in the line and is viewed there.
            ++i;
            std::size_t q = sjis::findChar(line, '"', i);
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
                        q = sjis::findChar(line, '"', i);
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
            i = unquotedEnd(line, i);
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

void FieldSplitter::joinTo(const std::vector<std::string_view>& fields, std::string& out)
{
    out.clear();
    if (fields.size() == 1 && fields[0].empty()) {
        out = "\"\"";
        return;
    }
    for (std::size_t f = 0; f < fields.size(); ++f) {
        if (f)
            out.push_back(',');
        const std::string_view v = fields[f];
        if (!needsQuotes(v)) {
            out.append(v);
            continue;
        }
        // Quoted: copy runs up to each double quote (never a trail byte) and double it.
        out.push_back('"');
        std::size_t from = 0;
        for (std::size_t q = sjis::findChar(v, '"'); q != std::string_view::npos; q = sjis::findChar(v, '"', q + 1)) {
            out.append(v.substr(from, q + 1 - from)).push_back('"');
            from = q + 1;
        }
        out.append(v.substr(from)).push_back('"');
    }
}

void FieldSplitter::replaceView(std::size_t k, std::string_view text)
{
    if (k >= m_fields.size())
        throw IndexError(static_cast<long long>(k));
    m_fields[k] = text;
}

std::string_view FieldSplitter::join()
{
    joinTo(m_fields, m_joined);
    return m_joined;
}

} // namespace dg
