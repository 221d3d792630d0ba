#include "core/encoding.h"

#include "core/sjis.h"

#include <unicode/ucnv.h>
#include <unicode/ustring.h>

#include <array>
#include <cstdio>
#include <memory>

namespace dg::encoding {
namespace {

// ICU's "windows-31j" is code page 932 as Windows maps it (NEC and IBM extensions included).
constexpr const char* kCodePage = "windows-31j";

// UTF-8 of every single- and double-byte code, decoded once through ICU, so that converting
// millions of labels costs one table lookup per character.
class DecodeTable {
public:
    DecodeTable()
    {
        UErrorCode status = U_ZERO_ERROR;
        UConverter* conv = ucnv_open(kCodePage, &status);
        if (U_FAILURE(status))
            conv = nullptr;
        for (unsigned b = 0; b < 256; ++b) {
            const char in[1] = {static_cast<char>(b)};
            m_single[b] = decode(conv, in, 1);
        }
        for (unsigned lead = 0; lead < 256; ++lead) {
            if (!sjis::isLeadByte(static_cast<unsigned char>(lead)))
                continue;
            for (unsigned trail = 0; trail < 256; ++trail) {
                const char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
                m_double[index(lead, trail)] = decode(conv, in, 2);
            }
        }
        if (conv)
            ucnv_close(conv);
    }

    // Like append, but returns 0 (appending nothing) for a byte that starts no valid character.
    std::size_t appendExact(std::string_view text, std::size_t i, std::string& out) const
    {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
            return 1;
        }
        const Entry* e = &m_single[c];
        std::size_t len = 1;
        if (sjis::isLeadByte(c)) {
            if (i + 1 >= text.size())
                return 0;
            e = &m_double[index(c, static_cast<unsigned char>(text[i + 1]))];
            len = 2;
        }
        if (!e->len)
            return 0;
        out.append(e->bytes.data(), e->len);
        return len;
    }

    // Appends the UTF-8 of the character at text[i] and returns its byte length.
    std::size_t append(std::string_view text, std::size_t i, std::string& out) const
    {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
            return 1;
        }
        if (sjis::isLeadByte(c) && i + 1 < text.size()) {
            const auto& e = m_double[index(c, static_cast<unsigned char>(text[i + 1]))];
            if (e.len) {
                out.append(e.bytes.data(), e.len);
                return 2;
            }
        }
        const auto& e = m_single[c];
        out.append(e.len ? e.bytes.data() : kReplacement, e.len ? e.len : 3);
        return 1;
    }

private:
    struct Entry {
        std::array<char, 4> bytes{};
        unsigned char len = 0; // 0: not a valid character
    };
    static constexpr const char* kReplacement = "\xEF\xBF\xBD";

    static std::size_t index(unsigned lead, unsigned trail)
    {
        const unsigned row = lead <= 0x9F ? lead - 0x81 : lead - 0xE0 + 31;
        return row * 256 + trail;
    }

    static Entry decode(UConverter* conv, const char* in, int32_t len)
    {
        Entry e;
        if (!conv)
            return e;
        ucnv_reset(conv);
        UErrorCode status = U_ZERO_ERROR;
        ucnv_setToUCallBack(conv, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
        UChar u[4];
        const int32_t n = ucnv_toUChars(conv, u, 4, in, len, &status);
        if (U_FAILURE(status) || n <= 0 || n > 2 || (n == 1 && u[0] == 0xFFFD) || (len == 2 && n != 1))
            return e;
        char utf8[8];
        int32_t out = 0;
        status = U_ZERO_ERROR;
        u_strToUTF8(utf8, 8, &out, u, n, &status);
        if (U_FAILURE(status) || out > 4)
            return e;
        for (int32_t k = 0; k < out; ++k)
            e.bytes[static_cast<std::size_t>(k)] = utf8[k];
        e.len = static_cast<unsigned char>(out);
        return e;
    }

    std::array<Entry, 256> m_single;
    std::array<Entry, 60 * 256> m_double;
};

const DecodeTable& decodeTable()
{
    static const DecodeTable table;
    return table;
}

} // namespace

std::string sjisToUtf8(std::string_view sjis)
{
    std::string out;
    out.reserve(sjis.size() + sjis.size() / 2);
    appendSjisAsUtf8(out, sjis);
    return out;
}

void appendSjisAsUtf8(std::string& out, std::string_view sjis)
{
    const DecodeTable& table = decodeTable();
    for (std::size_t i = 0; i < sjis.size();) {
        // Runs of ASCII go across in one piece.
        std::size_t j = i;
        while (j < sjis.size() && static_cast<unsigned char>(sjis[j]) < 0x80)
            ++j;
        if (j > i) {
            out.append(sjis.substr(i, j - i));
            i = j;
            continue;
        }
        i += table.append(sjis, i, out);
    }
}

bool sjisToUtf8Exact(std::string_view sjis, std::string& out)
{
    out.clear();
    const DecodeTable& table = decodeTable();
    for (std::size_t i = 0; i < sjis.size();) {
        const std::size_t len = table.appendExact(sjis, i, out);
        if (!len)
            return false;
        i += len;
    }
    return true;
}

bool utf8ToSjisExact(std::string_view utf8, std::string& out)
{
    out.clear();
    if (utf8.empty())
        return true;
    UErrorCode status = U_ZERO_ERROR;
    UConverter* from = ucnv_open("UTF-8", &status);
    UConverter* to = ucnv_open(kCodePage, &status);
    if (U_SUCCESS(status)) {
        ucnv_setToUCallBack(from, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
        ucnv_setFromUCallBack(to, UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    }
    if (U_SUCCESS(status)) {
        out.resize(utf8.size() * 2 + 8);
        char* target = out.data();
        const char* source = utf8.data();
        ucnv_convertEx(to, from, &target, out.data() + out.size(), &source, utf8.data() + utf8.size(), nullptr,
                       nullptr, nullptr, nullptr, true, true, &status);
        out.resize(static_cast<std::size_t>(target - out.data()));
    }
    if (from)
        ucnv_close(from);
    if (to)
        ucnv_close(to);
    // A round trip catches the characters ICU maps to a substitute code without an error.
    std::string back;
    return U_SUCCESS(status) && sjisToUtf8Exact(out, back) && back == utf8;
}

namespace {

// Length of the valid UTF-8 character at text[i], or 0.
std::size_t utf8CharLength(std::string_view text, std::size_t i)
{
    const auto at = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char c = at(i);
    std::size_t len = 0;
    unsigned char lo = 0x80, hi = 0xBF; // allowed range of the second byte
    if (c >= 0xC2 && c <= 0xDF) {
        len = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        len = 3;
        if (c == 0xE0)
            lo = 0xA0;
        if (c == 0xED)
            hi = 0x9F; // no surrogates
    } else if (c >= 0xF0 && c <= 0xF4) {
        len = 4;
        if (c == 0xF0)
            lo = 0x90;
        if (c == 0xF4)
            hi = 0x8F;
    } else {
        return 0;
    }
    if (i + len > text.size() || at(i + 1) < lo || at(i + 1) > hi)
        return 0;
    for (std::size_t k = 2; k < len; ++k)
        if ((at(i + k) & 0xC0) != 0x80)
            return 0;
    return len;
}

} // namespace

void appendValidUtf8(std::string& out, std::string_view text)
{
    for (std::size_t i = 0; i < text.size();) {
        std::size_t j = i;
        while (j < text.size() && static_cast<unsigned char>(text[j]) < 0x80)
            ++j;
        if (j > i) {
            out.append(text.substr(i, j - i));
            i = j;
            continue;
        }
        const std::size_t len = utf8CharLength(text, i);
        if (len) {
            out.append(text.substr(i, len));
            i += len;
        } else {
            out.append("\xEF\xBF\xBD");
            ++i;
        }
    }
}

std::string utf8ToSjisForLog(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    std::string one;
    char hex[16];
    for (std::size_t i = 0; i < utf8.size();) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
            ++i;
            continue;
        }
        const std::size_t len = utf8CharLength(utf8, i);
        if (!len) {
            std::snprintf(hex, sizeof hex, "<0x%02X>", c);
            out += hex;
            ++i;
            continue;
        }
        if (utf8ToSjisExact(utf8.substr(i, len), one)) {
            out += one;
        } else {
            char32_t cp = c & (len == 2 ? 0x1F : len == 3 ? 0x0F : 0x07);
            for (std::size_t k = 1; k < len; ++k)
                cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
            std::snprintf(hex, sizeof hex, "<U+%04X>", static_cast<unsigned>(cp));
            out += hex;
        }
        i += len;
    }
    return out;
}

std::string logText(TextEncoding enc, std::string_view text)
{
    return enc == TextEncoding::Utf8 ? utf8ToSjisForLog(text) : std::string(text);
}

void appendTextAsUtf8(std::string& out, TextEncoding enc, std::string_view text)
{
    if (enc == TextEncoding::Utf8)
        appendValidUtf8(out, text);
    else
        appendSjisAsUtf8(out, text);
}

std::string textToUtf8(TextEncoding enc, std::string_view text)
{
    std::string out;
    out.reserve(text.size() + text.size() / 2);
    appendTextAsUtf8(out, enc, text);
    return out;
}

std::string utf8ToSjis(std::string_view utf8)
{
    if (utf8.empty())
        return {};
    UErrorCode status = U_ZERO_ERROR;
    std::string out(utf8.size() * 2 + 8, '\0');
    const int32_t len = ucnv_convert(kCodePage, "UTF-8", out.data(), static_cast<int32_t>(out.size()),
                                     utf8.data(), static_cast<int32_t>(utf8.size()), &status);
    if (U_FAILURE(status))
        return std::string(utf8);
    out.resize(static_cast<std::size_t>(len));
    return out;
}

std::size_t utf8SequenceLength(std::string_view text)
{
    if (text.empty())
        return 0;
    const auto byte = [&text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80)
        return 1;
    std::size_t length = 0;
    unsigned char low = 0x80; // the second byte's range, narrowed against overlong forms and surrogates
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;
        else if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (text.size() < length || byte(1) < low || byte(1) > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i)
        if (byte(i) < 0x80 || byte(i) > 0xBF)
            return 0;
    return length;
}

bool isValidUtf8(std::string_view text)
{
    while (!text.empty()) {
        const std::size_t n = utf8SequenceLength(text);
        if (n == 0)
            return false;
        text.remove_prefix(n);
    }
    return true;
}

} // namespace dg::encoding
