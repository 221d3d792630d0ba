#include "bench/earlier_report.h"

#include "core/encoding.h"
#include "core/sjis.h"

#include <algorithm>
#include <stdexcept>

namespace dg::bench::detail {

namespace {

constexpr std::size_t kMaxNameBytes = 1024; // the reader keeps at most this much after the marks
constexpr unsigned kMaxDepth = 4096;

// Report text in a message: the messages are UTF-8.
std::string shown(std::string_view sjisText)
{
    return encoding::sjisToUtf8(sjisText);
}

} // namespace

TextRef EarlierReport::pooled(std::string_view piece)
{
    const std::size_t offset = m_input.size() + m_pool.size();
    if (offset + piece.size() > std::numeric_limits<std::uint32_t>::max())
        fail("report too large");
    m_pool += piece;
    return {static_cast<std::uint32_t>(offset), static_cast<std::uint32_t>(piece.size())};
}

// The fields of a line as the core splits them, kept as references: into the input where the
// field is a piece of the line, into the pool where unquoting made a new text.
void EarlierReport::splitFields(std::string_view line)
{
    m_splitter.split(line);
    m_fieldCount = m_splitter.count();
    for (std::size_t k = 0; k < m_fieldCount && k < m_fields.size(); ++k) {
        const std::string_view field = m_splitter.get(k);
        const bool inLine = field.data() >= line.data() && field.data() + field.size() <= line.data() + line.size();
        m_fields[k] = inLine ? refTo(field) : pooled(field);
    }
}

EarlierReport::EarlierReport(std::string_view text) : m_fields(5)
{
    if (const std::size_t nul = text.find('\0'); nul != std::string_view::npos)
        text = text.substr(0, nul);
    if (text.size() >= std::numeric_limits<std::uint32_t>::max() / 2)
        throw std::runtime_error("report too large");
    m_input = text;
    m_sixteen = pooled("16");
    // Each line is handled once the next one is found: the last line is the closing line.
    std::string_view pending;
    std::size_t index = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = pos;
        while (end < text.size() && text[end] != '\r' && text[end] != '\n')
            ++end;
        std::size_t next = end;
        if (end < text.size())
            next += (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1;
        const std::string_view line = text.substr(pos, end - pos);
        if (index == 0) {
            if (sjis::findMarkerNoCase(line, "CHECK START AT") == std::string_view::npos)
                throw std::runtime_error("line 1: no \"CHECK START AT\" in the header line");
            m_header = line;
        } else if (index >= 2) {
            if (index == 2) {
                if (pending.size() < 2 || pending[1] != ':')
                    throw std::runtime_error("line 2: not a drive line");
                if (!line.empty() && line[0] == '>')
                    m_form = ReportForm::Abbreviated;
            }
            m_lineNumber = index; // 1-based number of the pending line
            dataLine(pending);
        }
        pending = line;
        ++index;
        pos = next;
    }
    if (index < 3)
        throw std::runtime_error("not a folder-information report: fewer than three lines");
    m_closing = pending;
}

// Each mark stands for the depth-list entry at its position; the text after the marks becomes
// the entry at the depth given by their number, and name refers to it.
void EarlierReport::expandMarks(TextRef field, TextRef& name)
{
    const std::string_view v = text(field);
    std::string& path = m_expanded;
    path.clear();
    name = sub(field, v.size(), 0);
    for (std::size_t k = 0; k < v.size(); ++k) {
        if (v[k] == '>') {
            if (k >= m_depthList.size())
                fail("\">\" mark at depth " + std::to_string(k) + " before any folder of it");
            path += text(m_depthList[k]);
            path += '\\';
            continue;
        }
        const std::size_t length = std::min(v.size() - k, kMaxNameBytes);
        if (m_depthList.size() < k + 1)
            m_depthList.resize(k + 1);
        m_depthList[k] = name = sub(field, k, length);
        path += text(name);
        break;
    }
}

void EarlierReport::dataLine(std::string_view line)
{
    splitFields(line);
    if (m_fieldCount < 2)
        fail("fewer than two fields");
    for (std::size_t k = m_fieldCount; k < m_fields.size(); ++k)
        m_fields[k] = TextRef{};
    TextRef name = m_fields[0];
    std::string_view path = text(m_fields[0]);
    if (m_form == ReportForm::Abbreviated) {
        expandMarks(m_fields[0], name);
        path = m_expanded;
    }
    if (path.size() < 2 || path[1] != ':')
        fail("path \"" + shown(path) + "\" does not start with a drive");

    Row row;
    if (path.size() == 2) {
        row.flags = kDriveRow;
        row.name = name;
        row.first = m_fields[1];
        row.second = m_fields[2];
        m_pathEnds.assign(1, 3);
        m_path.assign(path);
        m_path += '\\';
        m_afterDrive = true;
        m_rows.push_back(row);
        return;
    }

    const std::string_view size = text(m_fields[1]);
    if (size == "?") {
        row.flags |= kSizeUnknown;
    } else {
        std::size_t i = (!size.empty() && size[0] == '+') ? 1 : 0;
        if (i == size.size())
            fail("size \"" + shown(size) + "\" is not a number");
        for (; i < size.size(); ++i) {
            const char c = size[i];
            if (c < '0' || c > '9' || row.size > (kMaxSize - static_cast<unsigned>(c - '0')) / 10)
                fail("size \"" + shown(size) + "\" is not a number");
            row.size = row.size * 10 + static_cast<unsigned>(c - '0');
        }
    }
    row.first = m_fields[2];
    row.second = m_fields[3];
    row.attributes = m_fields[4];
    if (m_form == ReportForm::Abbreviated) {
        // Empty dates repeat the last date given in the field; empty attributes mean 16.
        if (row.first.length == 0)
            row.first = m_lastCreated;
        m_lastCreated = row.first;
        if (row.second.length == 0)
            row.second = m_lastUpdated;
        m_lastUpdated = row.second;
        if (row.attributes.length == 0)
            row.attributes = m_sixteen;
    }

    if (path.size() == 3) {
        if (path[2] != '\\' || !m_afterDrive || path.compare(0, 3, m_path) != 0)
            fail("root " + shown(path) + " does not follow its drive line");
        row.depth = 0;
        row.name = sub(name, name.length, 0);
        m_pathEnds.resize(1);
        m_afterDrive = false;
        m_rows.push_back(row);
        return;
    }

    // A folder: its depth is the number of "\" (a second byte 0x5C is not one), its parent the
    // last folder one level up, whose path must be the start of its own.
    std::size_t depth = 0;
    std::size_t lastSlash = 0;
    for (std::size_t i = sjis::findChar(path, '\\'); i != std::string::npos;
         i = sjis::findChar(path, '\\', i + 1)) {
        ++depth;
        lastSlash = i;
    }
    if (m_afterDrive || m_pathEnds.empty())
        fail("folder " + shown(path) + " before the root line of its drive");
    if (depth > m_pathEnds.size() || depth > kMaxDepth)
        fail("folder " + shown(path) + " does not follow the line of its parent folder");
    const std::size_t parentEnd = m_pathEnds[depth - 1];
    const std::size_t nameStart = depth == 1 ? parentEnd : parentEnd + 1;
    if (lastSlash + 1 != nameStart || lastSlash + 1 == path.size() ||
        path.compare(0, parentEnd, m_path, 0, parentEnd) != 0)
        fail("folder " + shown(path) + " does not follow the line of its parent folder");
    const std::size_t nameLength = path.size() - nameStart;
    row.name = sub(name, name.length - nameLength, nameLength);
    row.depth = static_cast<std::uint16_t>(depth);
    m_path = path;
    m_pathEnds.resize(depth);
    m_pathEnds.push_back(path.size());
    ++m_folders;
    m_rows.push_back(row);
}

} // namespace dg::bench::detail
