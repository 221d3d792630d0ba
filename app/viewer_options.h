#pragma once
// The viewer's own command-line options. The viewer takes one report to show and no options of
// its own beyond --help and --version; Qt's options (-platform, -style …) are Qt's business.
//
// main() reads the arguments twice: first the raw arguments, before the application object
// exists, so that --help and --version answer without a display; then what Qt has left, where an
// argument that still looks like a long option ("--name") is a mistake rather than a file name.
// "--" ends the options: every argument after it is a file name, whatever it looks like.
#include <string>
#include <string_view>
#include <vector>

namespace dg::app {

struct ViewerOptions {
    enum class Action {
        Show,    // show the files (none: an empty window)
        Help,    // print usageText() on standard output
        Version, // print versionText() on standard output
        Unknown, // an unknown long option: complain on standard error
    };
    Action action = Action::Show;
    std::string unknownOption;      // the first unknown option (Action::Unknown)
    std::vector<std::string> files; // the arguments that name files, in order
};

// --help (-h) and --version win over everything else, the first one given wins over the other;
// then an unknown long option; else the arguments are file names.
ViewerOptions parseViewerOptions(const std::vector<std::string>& arguments);

// "dirgauge 2.7" and the usage page, for the program named programName.
std::string versionText(std::string_view programName);
std::string usageText(std::string_view programName);

} // namespace dg::app
