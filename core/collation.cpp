#include "core/collation.h"

#include "core/encoding.h"
#include "core/sjis.h"

#include <unicode/ucol.h>
#include <unicode/uloc.h>
#include <unicode/ustring.h>

#include <cstring>
#include <vector>

namespace dg {
namespace {

std::string userLocale()
{
    const char* def = uloc_getDefault();
    // ICU maps the C/POSIX locale to en_US_POSIX, whose collation is plain code-point order for
    // ASCII; a user without a locale gets the root collation instead.
    if (!def || std::strncmp(def, "en_US_POSIX", 11) == 0 || std::strcmp(def, "c") == 0)
        return "";
    return def;
}

std::u16string toUtf16(std::string_view sjisName)
{
    const std::string utf8 = encoding::sjisToUtf8(sjis::foldAsciiLower(sjisName));
    std::u16string out(utf8.size() + 1, u'\0');
    int32_t len = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8(reinterpret_cast<UChar*>(out.data()), static_cast<int32_t>(out.size()), &len, utf8.data(),
                  static_cast<int32_t>(utf8.size()), &status);
    out.resize(U_SUCCESS(status) ? static_cast<std::size_t>(len) : 0);
    return out;
}

} // namespace

NameCollator::NameCollator(const std::string& locale)
{
    UErrorCode status = U_ZERO_ERROR;
    const std::string id = locale.empty() ? userLocale() : locale;
    m_locale = id;
    const std::string lang = id.substr(0, id.find_first_of("_-@"));
    m_plainAscii = lang != "tr" && lang != "az";
    m_collator = ucol_open(id.c_str(), &status);
    if (U_FAILURE(status)) {
        status = U_ZERO_ERROR;
        m_collator = ucol_open("", &status);
    }
}

NameCollator::~NameCollator()
{
    if (m_collator)
        ucol_close(m_collator);
}

int NameCollator::compare(std::string_view a, std::string_view b) const
{
    const std::u16string ua = toUtf16(a);
    const std::u16string ub = toUtf16(b);
    if (!m_collator)
        return ua < ub ? -1 : (ua == ub ? 0 : 1);
    const UCollationResult r = ucol_strcoll(m_collator, reinterpret_cast<const UChar*>(ua.data()),
                                            static_cast<int32_t>(ua.size()),
                                            reinterpret_cast<const UChar*>(ub.data()),
                                            static_cast<int32_t>(ub.size()));
    return r == UCOL_LESS ? -1 : (r == UCOL_EQUAL ? 0 : 1);
}

std::string NameCollator::sortKeyUtf8(std::string_view utf8Name) const
{
    std::u16string u(utf8Name.size() + 1, u'\0');
    int32_t len = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8WithSub(reinterpret_cast<UChar*>(u.data()), static_cast<int32_t>(u.size()), &len, utf8Name.data(),
                         static_cast<int32_t>(utf8Name.size()), 0xFFFD, nullptr, &status);
    u.resize(U_SUCCESS(status) ? static_cast<std::size_t>(len) : 0);
    // Lower case can be longer than the text (a few letters become two); one retry with the size
    // asked for.
    std::u16string lower(u.size() + 8, u'\0');
    for (int attempt = 0; attempt < 2; ++attempt) {
        status = U_ZERO_ERROR;
        const int32_t need = u_strToLower(reinterpret_cast<UChar*>(lower.data()), static_cast<int32_t>(lower.size()),
                                          reinterpret_cast<const UChar*>(u.data()), static_cast<int32_t>(u.size()),
                                          m_locale.c_str(), &status);
        if (status == U_BUFFER_OVERFLOW_ERROR) {
            lower.assign(static_cast<std::size_t>(need) + 1, u'\0');
            continue;
        }
        lower.resize(U_SUCCESS(status) ? static_cast<std::size_t>(need) : 0);
        break;
    }
    return keyOf16(lower);
}

std::string NameCollator::sortKey(std::string_view name) const
{
    return keyOf16(toUtf16(name));
}

std::string NameCollator::keyOf16(const std::u16string& u) const
{
    if (!m_collator) {
        std::string raw;
        for (const char16_t c : u) {
            raw.push_back(static_cast<char>(c >> 8));
            raw.push_back(static_cast<char>(c & 0xFF));
        }
        return raw;
    }
    std::string key(u.size() * 4 + 16, '\0');
    for (;;) {
        const int32_t need = ucol_getSortKey(m_collator, reinterpret_cast<const UChar*>(u.data()),
                                             static_cast<int32_t>(u.size()),
                                             reinterpret_cast<uint8_t*>(key.data()),
                                             static_cast<int32_t>(key.size()));
        if (need <= static_cast<int32_t>(key.size())) {
            key.resize(need > 0 ? static_cast<std::size_t>(need) - 1 : 0); // drop the terminating 0
            return key;
        }
        key.assign(static_cast<std::size_t>(need), '\0');
    }
}

} // namespace dg
