#include "app/viewer_options.h"

#include "dg_version.h"

namespace dg::app {

ViewerOptions parseViewerOptions(const std::vector<std::string>& arguments)
{
    ViewerOptions options;
    bool optionsEnded = false;
    bool asked = false; // --help or --version seen
    for (const std::string& argument : arguments) {
        if (optionsEnded) {
            options.files.push_back(argument);
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "--help" || argument == "-h" || argument == "--version") {
            if (!asked)
                options.action = argument == "--version" ? ViewerOptions::Action::Version : ViewerOptions::Action::Help;
            asked = true;
        } else if (argument.size() > 2 && argument.starts_with("--")) {
            if (options.unknownOption.empty())
                options.unknownOption = argument;
        } else {
            options.files.push_back(argument);
        }
    }
    if (!asked && !options.unknownOption.empty())
        options.action = ViewerOptions::Action::Unknown;
    return options;
}

std::string versionText(std::string_view programName)
{
    return std::string(programName) + " " DG_VERSION "\n";
}

std::string usageText(std::string_view programName)
{
    const std::string name(programName);
    return "usage: " + name + " [REPORT]\n"
           "       " + name + " --help | --version\n"
           "\n"
           "Shows a folder-size report (Shift-JIS, or UTF-8 with a byte-order mark) as a tree\n"
           "ordered by size. Compare it with an older or newer report of the same folders from the\n"
           "File menu. Without REPORT the window opens empty.\n"
           "\n"
           "  -h, --help     print this page and exit\n"
           "      --version  print the version and exit\n"
           "      --         end of options: the next argument is the report even if it starts with -\n"
           "\n"
           "Qt's own options (-platform, -style, ...) are accepted as well. See " + name + "(1).\n";
}

} // namespace dg::app
