#include "ui/stored_path.h"

#include <algorithm>
#include <system_error>

namespace dg::ui {
namespace {

bool equalsIgnoringAsciiCase(const std::string& a, const std::string& b)
{
    auto fold = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return fold(x) == fold(y); });
}

} // namespace

std::optional<std::string> storedEntryName(const std::filesystem::path& dir, const std::string& name)
{
    std::error_code ec;
    std::filesystem::directory_iterator it(dir, ec);
    if (ec)
        return std::nullopt;
    std::optional<std::string> folded;
    int foldedMatches = 0;
    for (; it != std::filesystem::directory_iterator(); it.increment(ec)) {
        if (ec)
            break;
        std::string entry = it->path().filename().string();
        if (entry == name)
            return entry;
        if (equalsIgnoringAsciiCase(entry, name)) {
            folded = std::move(entry);
            ++foldedMatches;
        }
    }
    if (foldedMatches == 1)
        return folded;
    return std::nullopt;
}

std::filesystem::path ResolveStoredPath(const std::filesystem::path& path)
{
    std::error_code ec;
    std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    if (ec)
        return path;
    absolute = absolute.lexically_normal();

    std::filesystem::path resolved = absolute.root_path();
    for (const auto& component : absolute.relative_path()) {
        const std::string name = component.string();
        if (name.empty()) { // a trailing separator
            resolved += std::filesystem::path::preferred_separator;
            continue;
        }
        const auto stored = storedEntryName(resolved, name);
        resolved /= stored ? *stored : name;
    }
    return resolved;
}

} // namespace dg::ui
