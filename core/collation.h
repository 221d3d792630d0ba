#pragma once
// Order of folder names that tie on size: ASCII letters A-Z folded to lower case (double-byte
// characters left alone), then the user locale's collation with its default options (ICU).
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

private:
    UCollator* m_collator = nullptr; // owned
};

} // namespace dg
