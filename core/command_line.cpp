#include "core/command_line.h"

#include "core/sjis.h"

namespace dg {
namespace {

constexpr bool isBlank(char c)
{
    const auto b = static_cast<unsigned char>(c);
    return b >= 1 && b <= 32;
}

// Reads the item that starts at pos (after the blanks and empty pairs before it) and moves pos
// past it.
std::string nextItem(std::string_view text, std::size_t& pos)
{
    const std::size_t n = text.size();
    for (;;) {
        while (pos < n && isBlank(text[pos]))
            ++pos;
        if (pos + 1 < n && text[pos] == '"' && text[pos + 1] == '"')
            pos += 2;
        else
            break;
    }
    std::string item;
    while (pos < n && !isBlank(text[pos])) {
        if (text[pos] == '"') {
            ++pos;
            while (pos < n && text[pos] != '"') {
                const std::size_t len = sjis::charLength(text, pos);
                item.append(text.substr(pos, len));
                pos += len;
            }
            if (pos < n)
                ++pos; // the closing quote
        } else {
            const std::size_t len = sjis::charLength(text, pos);
            item.append(text.substr(pos, len));
            pos += len;
        }
    }
    return item;
}

} // namespace

std::vector<std::string> splitCommandLine(std::string_view commandLine)
{
    const std::size_t nul = commandLine.find('\0');
    if (nul != std::string_view::npos)
        commandLine = commandLine.substr(0, nul);

    std::size_t pos = 0;
    nextItem(commandLine, pos); // the program name
    std::vector<std::string> parameters;
    for (;;) {
        std::string item = nextItem(commandLine, pos);
        if (item.empty())
            break;
        parameters.push_back(std::move(item));
    }
    return parameters;
}

std::vector<std::string> argumentParameters(const std::vector<std::string>& arguments)
{
    std::vector<std::string> parameters;
    for (const auto& argument : arguments) {
        if (!argument.empty())
            parameters.push_back(argument);
    }
    return parameters;
}

} // namespace dg
