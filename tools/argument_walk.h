#pragma once
// What the command-line tools read of their arguments alike: options one at a time, a value taken
// from the argument after its option, "--" ending the options, and the --help and --version pages.
#include <cerrno>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

namespace dg::tools {

class ArgumentWalk {
public:
    ArgumentWalk(int argc, char** argv) : m_argc(argc), m_argv(argv) {}

    // Steps to the next argument; false after the last. "--" is stepped over: every argument
    // after it is an operand, also one that starts with "-".
    bool next()
    {
        if (++m_i >= m_argc)
            return false;
        m_arg = m_argv[m_i];
        if (!m_operandsOnly && m_arg == "--") {
            m_operandsOnly = true;
            return next();
        }
        return true;
    }
    const std::string& arg() const { return m_arg; }
    // An operand rather than an option: after "--", "-" alone (standard input), or not led by "-".
    bool operand() const { return m_operandsOnly || m_arg.size() < 2 || m_arg[0] != '-'; }
    // The argument after the current option, as its value; nullopt when the option is the last.
    std::optional<std::string> value()
    {
        if (m_i + 1 >= m_argc)
            return std::nullopt;
        return std::string(m_argv[++m_i]);
    }

private:
    int m_argc;
    char** m_argv;
    int m_i = 0;
    std::string m_arg;
    bool m_operandsOnly = false;
};

// Writes a page asked for (--help, --version) to standard output: 0 once all of it is out, else
// the error number (a full disk, a closed pipe), which must not end the tool with success.
inline int printPage(std::string_view page)
{
    errno = 0;
    std::fwrite(page.data(), 1, page.size(), stdout);
    if (std::fflush(stdout) == 0 && !std::ferror(stdout))
        return 0;
    return errno != 0 ? errno : EIO;
}

} // namespace dg::tools
