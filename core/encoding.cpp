#include "core/encoding.h"

#include "core/sjis.h"

#include <unicode/ucnv.h>
#include <unicode/ustring.h>

#include <array>
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
