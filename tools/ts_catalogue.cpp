#include "tools/ts_catalogue.h"

#include <cstdint>
#include <fstream>
#include <iterator>
#include <sstream>

namespace dg::tools {
namespace {

void appendUtf8(std::string& out, std::uint32_t c)
{
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

std::optional<std::uint32_t> parseNumber(std::string_view digits, int base)
{
    if (digits.empty() || digits.size() > 8)
        return std::nullopt;
    std::uint32_t value = 0;
    for (const char ch : digits) {
        int d = -1;
        if (ch >= '0' && ch <= '9')
            d = ch - '0';
        else if (base == 16 && ch >= 'a' && ch <= 'f')
            d = ch - 'a' + 10;
        else if (base == 16 && ch >= 'A' && ch <= 'F')
            d = ch - 'A' + 10;
        if (d < 0)
            return std::nullopt;
        value = value * static_cast<std::uint32_t>(base) + static_cast<std::uint32_t>(d);
    }
    if (value > 0x10FFFF)
        return std::nullopt;
    return value;
}

// Decodes "&amp;", "&#x3000;" … in text between tags.
bool appendDecoded(std::string& out, std::string_view text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '&') {
            out.push_back(text[i]);
            continue;
        }
        const std::size_t semi = text.find(';', i);
        if (semi == std::string_view::npos)
            return false;
        const std::string_view name = text.substr(i + 1, semi - i - 1);
        if (name == "amp")
            out.push_back('&');
        else if (name == "lt")
            out.push_back('<');
        else if (name == "gt")
            out.push_back('>');
        else if (name == "quot")
            out.push_back('"');
        else if (name == "apos")
            out.push_back('\'');
        else if (name.starts_with("#x") || name.starts_with("#X")) {
            const auto c = parseNumber(name.substr(2), 16);
            if (!c)
                return false;
            appendUtf8(out, *c);
        } else if (name.starts_with("#")) {
            const auto c = parseNumber(name.substr(1), 10);
            if (!c)
                return false;
            appendUtf8(out, *c);
        } else {
            return false;
        }
        i = semi;
    }
    return true;
}

// The value of attribute `name` in a tag's text ("translation type=\"unfinished\""), decoded.
std::optional<std::string> attribute(std::string_view tag, std::string_view name)
{
    std::size_t at = 0;
    while ((at = tag.find(name, at)) != std::string_view::npos) {
        const bool startsWord = at > 0 && (tag[at - 1] == ' ' || tag[at - 1] == '\t' || tag[at - 1] == '\n');
        std::size_t p = at + name.size();
        if (startsWord && p < tag.size() && tag[p] == '=' && p + 1 < tag.size() && (tag[p + 1] == '"' || tag[p + 1] == '\'')) {
            const char quote = tag[p + 1];
            const std::size_t end = tag.find(quote, p + 2);
            if (end == std::string_view::npos)
                return std::nullopt;
            std::string value;
            if (!appendDecoded(value, tag.substr(p + 2, end - p - 2)))
                return std::nullopt;
            return value;
        }
        at = p;
    }
    return std::nullopt;
}

std::string_view tagName(std::string_view tag)
{
    const std::size_t end = tag.find_first_of(" \t\r\n/");
    return tag.substr(0, end);
}

} // namespace

std::optional<Catalogue> readCatalogue(std::string_view xml, std::string* error)
{
    const auto fail = [error](std::string why) -> std::optional<Catalogue> {
        if (error)
            *error = std::move(why);
        return std::nullopt;
    };
    Catalogue catalogue;
    std::vector<std::string> open; // element names from the root down
    std::string text;              // the text of the innermost element so far
    std::string context;
    CatalogueMessage message;
    bool sawRoot = false;
    std::size_t i = 0;
    while (i < xml.size()) {
        const std::size_t lt = xml.find('<', i);
        if (!appendDecoded(text, xml.substr(i, (lt == std::string_view::npos ? xml.size() : lt) - i)))
            return fail("bad character reference near offset " + std::to_string(i));
        if (lt == std::string_view::npos)
            break;
        if (xml.substr(lt, 4) == "<!--") {
            const std::size_t end = xml.find("-->", lt);
            if (end == std::string_view::npos)
                return fail("unterminated comment");
            i = end + 3;
            continue;
        }
        const std::size_t gt = xml.find('>', lt);
        if (gt == std::string_view::npos)
            return fail("unterminated tag at offset " + std::to_string(lt));
        std::string_view tag = xml.substr(lt + 1, gt - lt - 1);
        i = gt + 1;
        if (tag.starts_with('?') || tag.starts_with('!'))
            continue;
        if (tag.starts_with('/')) {
            const std::string_view name = tagName(tag.substr(1));
            if (open.empty() || open.back() != name)
                return fail("unexpected </" + std::string(name) + ">");
            open.pop_back();
            const std::string_view parent = open.empty() ? std::string_view() : std::string_view(open.back());
            if (name == "name" && parent == "context")
                context = text;
            else if (name == "source" && parent == "message")
                message.source = text;
            else if (name == "translation" && parent == "message")
                message.translation = text;
            else if (name == "message") {
                message.context = context;
                catalogue.messages.push_back(std::move(message));
                message = {};
            }
            text.clear();
            continue;
        }
        const bool selfClosing = tag.ends_with('/');
        if (selfClosing)
            tag.remove_suffix(1);
        const std::string_view name = tagName(tag);
        if (name == "byte") {
            // A control character in a text: <byte value="xd"/>.
            const auto value = attribute(tag, "value");
            const auto c = value && value->starts_with('x') ? parseNumber(std::string_view(*value).substr(1), 16)
                                                            : std::nullopt;
            if (!c || *c > 0x7F)
                return fail("bad <byte> element");
            text.push_back(static_cast<char>(*c));
            continue;
        }
        if (name == "TS") {
            sawRoot = true;
            catalogue.language = attribute(tag, "language").value_or("");
            catalogue.sourceLanguage = attribute(tag, "sourcelanguage").value_or("");
        } else if (name == "translation") {
            message.type = attribute(tag, "type").value_or("");
        } else if (name == "numerusform") {
            return fail("plural forms are not used by this program");
        }
        if (name == "source" || name == "translation" || name == "name")
            text.clear();
        if (!selfClosing)
            open.emplace_back(name);
        else if (name == "translation")
            message.translation.clear();
    }
    if (!sawRoot)
        return fail("no <TS> element");
    if (!open.empty())
        return fail("<" + open.back() + "> is not closed");
    return catalogue;
}

std::optional<Catalogue> readCatalogueFile(const std::string& path, std::string* error)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (error)
            *error = "cannot read " + path;
        return std::nullopt;
    }
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return readCatalogue(bytes.str(), error);
}

} // namespace dg::tools
