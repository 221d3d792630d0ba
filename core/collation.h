#pragma once
// Order of folder names that tie on size: for Shift-JIS names, ASCII letters A-Z folded to lower
// case (double-byte characters left alone); for UTF-8 names, all letters folded to lower case by
// the locale's rules; then the user locale's collation with its default options (ICU).
#include <memory>
#include <string>
#include <string_view>

struct UCollator;

namespace dg {

class NameCollator {
public:
    // locale: an ICU locale id; empty means the user's locale (the C/POSIX locale maps to root).
    explicit NameCollator(const std::string& locale = {});
    ~NameCollator();
    NameCollator(const NameCollator&) = delete;
    NameCollator& operator=(const NameCollator&) = delete;

    // -1, 0 or 1 for two Shift-JIS names.
    int compare(std::string_view a, std::string_view b) const;
    // A byte key whose plain comparison gives the same order as compare().
    std::string sortKey(std::string_view name) const;
    // The key of a UTF-8 name: its letters folded by the locale, then the collation's key. Bytes
    // that are no UTF-8 count as U+FFFD.
    std::string sortKeyUtf8(std::string_view utf8Name) const;
    // False for the locales whose lower case of an ASCII letter is not the ASCII one (Turkish and
    // Azerbaijani "I").
    bool foldsAsciiPlainly() const { return m_plainAscii; }
    // The ICU locale id it was opened with: another collator opened with it orders alike (one for
    // another thread).
    const std::string& localeId() const { return m_locale; }

private:
    std::string keyOf16(const std::u16string& u) const;

    UCollator* m_collator = nullptr; // owned
    std::string m_locale;
    bool m_plainAscii = true;
};

} // namespace dg
