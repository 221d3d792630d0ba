#pragma once
// Helpers shared by the settings tests: the default comparison keys as a new file holds them, and
// the refusal a write that cannot be made raises.
#include "core/errors.h"

#include <filesystem>
#include <string>

namespace dg::test {

// The fourteen comparison-setting keys with their default values, as the settings file holds them.
inline const std::string kDefaultCompKeys = "F3Ad_ChColor=-16777199\n"
                                            "F3Ad_BgColor=65535\n"
                                            "F3U1_ChColor=16711935\n"
                                            "F3U1_BgColor=-16777211\n"
                                            "F3U2_ChColor=255\n"
                                            "F3U2_BgColor=-16777211\n"
                                            "F3D1_ChColor=65280\n"
                                            "F3D1_BgColor=-16777211\n"
                                            "F3D2_ChColor=16711680\n"
                                            "F3D2_BgColor=-16777211\n"
                                            "F3U1_Limit=10\n"
                                            "F3U2_Limit=30\n"
                                            "F3D1_Limit=10\n"
                                            "F3D2_Limit=30\n";

// text with every LF made CR LF: a settings file created new ends its lines so.
inline std::string crlf(std::string text)
{
    for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 2))
        text.insert(at, 1, '\r');
    return text;
}

// The text of the UserError a refused write of the settings file raises.
inline std::string refusedText(const std::filesystem::path& path)
{
    return path.string() + " に書き込めません";
}

// Runs the write and returns the text of the UserError it throws (empty when none).
template <typename Write>
std::string refusal(Write&& write)
{
    try {
        write();
    } catch (const UserError& e) {
        return e.what();
    }
    return {};
}

} // namespace dg::test
