#include "core/field_splitter.h"

#include "core/errors.h"
#include "core/sjis.h"

namespace dg {
namespace {

constexpr bool isBlank(unsigned char c)
{
    return c >= 1 && c <= 32;
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
            ++i;
            const std::size_t from = m_unquoted.size();
            std::size_t runStart = i;
            for (;;) {
                const std::size_t q = sjis::findChar(line, '"', i);
                if (q == std::string_view::npos) {
                    m_unquoted.append(line.substr(runStart));
                    i = n;
                    break;
                }
                if (q + 1 < n && at(q + 1) == '"') {
                    m_unquoted.append(line.substr(runStart, q + 1 - runStart));
                    i = q + 2;
                    runStart = i;
                    continue;
                }
                m_unquoted.append(line.substr(runStart, q - runStart));
                i = q + 1;
                break;
            }
            const std::string_view field(m_unquoted.data() + from, m_unquoted.size() - from);
            m_fields.push_back(field);
        } else {
            const std::size_t start = i;
            while (i < n) {
                const unsigned char c = at(i);
                if (c == ',' || isBlank(c))
                    break;
                i += sjis::charLength(line, i);
            }
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
        bool quote = false;
        for (std::size_t i = 0; i < v.size();) {
            const auto c = static_cast<unsigned char>(v[i]);
            if (isBlank(c) || c == '"' || c == ',') {
                quote = true;
                break;
            }
            i += sjis::charLength(v, i);
        }
        if (!quote) {
            out.append(v);
            continue;
        }
        out.push_back('"');
        for (std::size_t i = 0; i < v.size();) {
            const std::size_t len = sjis::charLength(v, i);
            if (len == 1 && v[i] == '"')
                out.push_back('"');
            out.append(v.substr(i, len));
            i += len;
        }
        out.push_back('"');
    }
}

std::string_view FieldSplitter::join()
{
    joinTo(m_fields, m_joined);
    return m_joined;
}

} // namespace dg
