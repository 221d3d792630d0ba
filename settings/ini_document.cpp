#include "settings/ini_document.h"

#include "core/encoding.h"
#include "core/sjis.h"

#include <stdexcept>

namespace dg {

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

constexpr bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view trimBlanks(std::string_view text)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

std::optional<std::uint32_t> parseHexDigits(std::string_view digits)
{
    if (digits.empty())
        return std::nullopt;
    std::uint64_t value = 0;
    for (char c : digits) {
        unsigned digit = 0;
        if (c >= '0' && c <= '9')
            digit = static_cast<unsigned>(c - '0');
        else if (c >= 'a' && c <= 'f')
            digit = static_cast<unsigned>(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F')
            digit = static_cast<unsigned>(c - 'A' + 10);
        else
            return std::nullopt;
        value = value * 16 + digit;
        if (value > 0xFFFFFFFFu)
            return std::nullopt;
    }
    return static_cast<std::uint32_t>(value);
}

// Two's-complement reinterpretation, so that 0xFF000005 reads as the colour it names.
constexpr std::int32_t fromBits(std::uint32_t bits)
{
    return static_cast<std::int32_t>(bits);
}

bool hasLineBreakOrNul(std::string_view text)
{
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

// The text a string value is stored as (see the header).
std::string encodeValue(std::string_view value)
{
    const std::size_t cut = value.find_first_of(std::string_view("\r\n\0", 3));
    if (cut != std::string_view::npos)
        value = value.substr(0, cut);
    const bool needsQuotes =
        !value.empty() && (isBlank(value.front()) || isBlank(value.back()) ||
                           (value.size() >= 2 && value.front() == '"' && value.back() == '"'));
    if (!needsQuotes)
        return std::string(value);
    std::string quoted;
    quoted.reserve(value.size() + 2);
    quoted += '"';
    quoted += value;
    quoted += '"';
    return quoted;
}

std::string decodeValue(std::string_view stored)
{
    stored = trimBlanks(stored);
    if (stored.size() >= 2 && stored.front() == '"' && stored.back() == '"')
        stored = stored.substr(1, stored.size() - 2);
    return std::string(stored);
}

// At most kMaxIniValueLength bytes, without splitting a double-byte character.
std::string cutToMaxLength(std::string value)
{
    if (value.size() <= kMaxIniValueLength)
        return value;
    std::size_t end = 0;
    while (end < kMaxIniValueLength) {
        const std::size_t next = end + sjis::charLength(value, end);
        if (next > kMaxIniValueLength)
            break;
        end = next;
    }
    value.resize(end);
    return value;
}

void requireSection(std::string_view section)
{
    if (!IniDocument::validSectionName(section))
        throw std::invalid_argument("invalid settings section name: " + std::string(section));
}

void requireKey(std::string_view key)
{
    if (!IniDocument::validKeyName(key))
        throw std::invalid_argument("invalid settings key name: " + std::string(key));
}

bool validName(std::string_view name)
{
    return !name.empty() && !isBlank(name.front()) && !isBlank(name.back()) &&
           !hasLineBreakOrNul(name);
}

} // namespace

std::optional<std::int32_t> parseProfileInteger(std::string_view text)
{
    text = trimBlanks(text);
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        const auto bits = parseHexDigits(text.substr(2));
        if (!bits)
            return std::nullopt;
        return fromBits(*bits);
    }
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (!text.empty() && text.front() == '$') {
        const auto bits = parseHexDigits(text.substr(1));
        if (!bits)
            return std::nullopt;
        // Negation in 32-bit two's complement: "-$1" is -1, like the hexadecimal it names.
        return fromBits(negative ? 0u - *bits : *bits);
    }
    if (text.empty())
        return std::nullopt;
    const std::int64_t limit = negative ? std::int64_t{2147483648} : std::int64_t{2147483647};
    std::int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > limit)
            return std::nullopt;
    }
    return static_cast<std::int32_t>(negative ? -value : value);
}

std::string formatProfileInteger(std::int32_t value)
{
    return std::to_string(value);
}

std::string settingsTextToUtf8(std::string_view stored)
{
    if (encoding::isValidUtf8(stored))
        return std::string(stored);
    // The conversion marks every byte that is not Shift-JIS with U+FFFD; the input cannot hold
    // that character itself, since it is not UTF-8.
    std::string converted = encoding::sjisToUtf8(stored);
    if (converted.find("\xEF\xBF\xBD") != std::string::npos)
        return std::string(stored);
    return converted;
}

namespace {

// key=value, built by appending: GCC 12 warns falsely (-Wrestrict) about chained operator+ here.
std::string keyValueLine(std::string_view key, std::string_view value)
{
    std::string line;
    line.reserve(key.size() + 1 + value.size());
    line.append(key).append("=").append(value);
    return line;
}

} // namespace

IniDocument::IniDocument(std::string_view bytes)
{
    bool lineEndChosen = false;
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        const std::size_t newline = bytes.find('\n', pos);
        std::string_view body;
        std::string_view end; // a literal: GCC 12 misreads a short std::string here (-Wmaybe-uninitialized)
        if (newline == std::string_view::npos) {
            body = bytes.substr(pos);
            pos = bytes.size();
        } else {
            body = bytes.substr(pos, newline - pos);
            end = "\n";
            if (!body.empty() && body.back() == '\r') {
                body.remove_suffix(1);
                end = "\r\n";
            }
            pos = newline + 1;
            if (!lineEndChosen) {
                m_lineEnd = std::string(end);
                lineEndChosen = true;
            }
        }
        if (m_lines.empty() && body.starts_with(kUtf8Bom)) {
            // The mark stays in the file as a line of its own that belongs to no section.
            m_lines.push_back(classify(std::string(kUtf8Bom), {}));
            body.remove_prefix(kUtf8Bom.size());
        }
        m_lines.push_back(classify(std::string(body), std::string(end)));
    }
}

IniDocument::Line IniDocument::classify(std::string text, std::string end)
{
    Line line;
    line.text = std::move(text);
    line.end = std::move(end);

    const std::string_view view = line.text;
    std::size_t start = 0;
    while (start < view.size() && isBlank(view[start]))
        ++start;
    const std::string_view rest = view.substr(start);
    if (rest.starts_with('[')) {
        const std::size_t close = sjis::findChar(rest, ']', 1);
        if (close != std::string_view::npos) {
            line.kind = LineKind::Section;
            line.foldedName = sjis::foldAsciiLower(trimBlanks(rest.substr(1, close - 1)));
        }
        return line;
    }
    if (rest.starts_with(';'))
        return line;
    // "=" (0x3D) is below every trail byte, so a plain search cannot land inside a character.
    const std::size_t equals = rest.find('=');
    if (equals != std::string_view::npos) {
        line.kind = LineKind::Key;
        line.foldedName = sjis::foldAsciiLower(trimBlanks(rest.substr(0, equals)));
        line.valueStart = start + equals + 1;
    }
    return line;
}

std::string IniDocument::bytes() const
{
    std::string out;
    for (const Line& line : m_lines) {
        out += line.text;
        out += line.end;
    }
    return out;
}

std::size_t IniDocument::findSection(std::string_view foldedSection) const
{
    for (std::size_t i = 0; i < m_lines.size(); ++i)
        if (m_lines[i].kind == LineKind::Section && m_lines[i].foldedName == foldedSection)
            return i;
    return std::string::npos;
}

std::size_t IniDocument::sectionEnd(std::size_t header) const
{
    std::size_t i = header + 1;
    while (i < m_lines.size() && m_lines[i].kind != LineKind::Section)
        ++i;
    return i;
}

std::size_t IniDocument::findKey(std::size_t header, std::string_view foldedKey) const
{
    const std::size_t end = sectionEnd(header);
    for (std::size_t i = header + 1; i < end; ++i)
        if (m_lines[i].kind == LineKind::Key && m_lines[i].foldedName == foldedKey)
            return i;
    return std::string::npos;
}

bool IniDocument::hasSection(std::string_view section) const
{
    return findSection(sjis::foldAsciiLower(section)) != std::string::npos;
}

std::optional<std::string> IniDocument::findValue(std::string_view section,
                                                  std::string_view key) const
{
    const std::size_t header = findSection(sjis::foldAsciiLower(section));
    if (header == std::string::npos)
        return std::nullopt;
    const std::size_t at = findKey(header, sjis::foldAsciiLower(key));
    if (at == std::string::npos)
        return std::nullopt;
    const Line& line = m_lines[at];
    return decodeValue(std::string_view(line.text).substr(line.valueStart));
}

std::string IniDocument::readString(std::string_view section, std::string_view key,
                                    std::string_view defaultValue) const
{
    auto value = findValue(section, key);
    if (!value)
        return std::string(defaultValue);
    return cutToMaxLength(std::move(*value));
}

std::int32_t IniDocument::readInteger(std::string_view section, std::string_view key,
                                      std::int32_t defaultValue) const
{
    const auto value = findValue(section, key);
    if (!value)
        return defaultValue;
    return parseProfileInteger(cutToMaxLength(*value)).value_or(defaultValue);
}

std::string IniDocument::readText(std::string_view section, std::string_view key,
                                  std::string_view defaultValue) const
{
    const auto value = findValue(section, key);
    if (!value)
        return std::string(defaultValue);
    return settingsTextToUtf8(cutToMaxLength(*value));
}

bool IniDocument::readBool(std::string_view section, std::string_view key, bool defaultValue) const
{
    return readInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void IniDocument::terminate(Line& line) const
{
    if (!line.end.empty())
        return;
    // A last line that ends in a lone CR keeps it as text: an LF after it would make the two a
    // line end, so it gets a whole CR LF of its own.
    line.end = line.text.ends_with('\r') ? "\r\n" : m_lineEnd;
}

void IniDocument::appendLine(std::string text)
{
    if (!m_lines.empty())
        terminate(m_lines.back());
    m_lines.push_back(classify(std::move(text), m_lineEnd));
}

void IniDocument::insertLine(std::size_t at, std::string text)
{
    if (at == m_lines.size()) {
        appendLine(std::move(text));
        return;
    }
    m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(at),
                   classify(std::move(text), m_lineEnd));
}

void IniDocument::writeString(std::string_view section, std::string_view key,
                              std::string_view value)
{
    requireSection(section);
    requireKey(key);
    const std::string stored = encodeValue(value);

    const std::size_t header = findSection(sjis::foldAsciiLower(section));
    if (header == std::string::npos) {
        std::string sectionLine = "[";
        sectionLine.append(section).append("]");
        appendLine(std::move(sectionLine));
        appendLine(keyValueLine(key, stored));
        return;
    }
    const std::size_t at = findKey(header, sjis::foldAsciiLower(key));
    if (at != std::string::npos) {
        Line& line = m_lines[at];
        // Keep the key as the file spells it; only the value changes.
        const std::string_view before = std::string_view(line.text).substr(0, line.valueStart - 1);
        std::string text = keyValueLine(trimBlanks(before), stored);
        line = classify(std::move(text), std::move(line.end));
        return;
    }
    std::size_t last = header;
    const std::size_t end = sectionEnd(header);
    for (std::size_t i = header + 1; i < end; ++i)
        if (!trimBlanks(m_lines[i].text).empty())
            last = i;
    terminate(m_lines[last]);
    insertLine(last + 1, keyValueLine(key, stored));
}

void IniDocument::writeInteger(std::string_view section, std::string_view key, std::int32_t value)
{
    writeString(section, key, formatProfileInteger(value));
}

void IniDocument::writeBool(std::string_view section, std::string_view key, bool value)
{
    writeString(section, key, value ? "1" : "0");
}

void IniDocument::eraseSection(std::string_view section)
{
    requireSection(section);
    const std::string folded = sjis::foldAsciiLower(section);
    for (std::size_t header = findSection(folded); header != std::string::npos;
         header = findSection(folded)) {
        m_lines.erase(m_lines.begin() + static_cast<std::ptrdiff_t>(header),
                      m_lines.begin() + static_cast<std::ptrdiff_t>(sectionEnd(header)));
    }
}

bool IniDocument::validSectionName(std::string_view section)
{
    if (!validName(section) || sjis::findChar(section, ']') != std::string_view::npos)
        return false;
    // A name that ends in a lone lead byte would take the closing "]" as its trail byte, and the
    // header would no longer read as one.
    std::size_t last = 0;
    for (std::size_t i = 0; i < section.size(); i += sjis::charLength(section, i))
        last = i;
    return !sjis::isLeadByte(static_cast<unsigned char>(section[last])) || last + 1 < section.size();
}

bool IniDocument::validKeyName(std::string_view key)
{
    return validName(key) && key.find('=') == std::string_view::npos && key.front() != ';' &&
           key.front() != '[';
}

} // namespace dg
