// The viewer's own options: --help and --version answer first, "--" ends the options, an unknown
// long option is refused, and every other argument names a file.
#include "app/viewer_options.h"

#include "dg_version.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace dg::app {
namespace {

using Action = ViewerOptions::Action;
using Args = std::vector<std::string>;

TEST(ViewerOptions, ActionsAndFilesOfArgumentLists)
{
    struct Case {
        Args arguments;
        Action action;
        Args files;
        std::string unknown;
    };
    const Case cases[] = {
        {{}, Action::Show, {}, ""},
        {{"a.txt"}, Action::Show, {"a.txt"}, ""},
        {{"a.txt", "b.txt"}, Action::Show, {"a.txt", "b.txt"}, ""},
        {{"--help"}, Action::Help, {}, ""},
        {{"-h"}, Action::Help, {}, ""},
        {{"--version"}, Action::Version, {}, ""},
        // The first of the two wins; either wins over an unknown option anywhere (Qt's own
        // options are still in the raw arguments when they are read the first time).
        {{"--version", "--help"}, Action::Version, {}, ""},
        {{"--help", "--version"}, Action::Help, {}, ""},
        {{"--platform", "offscreen", "--version"}, Action::Version, {"offscreen"}, "--platform"},
        {{"a.txt", "--help"}, Action::Help, {"a.txt"}, ""},
        // After "--" everything is a file name, "--" itself is not.
        {{"--", "--help"}, Action::Show, {"--help"}, ""},
        {{"--", "--"}, Action::Show, {"--"}, ""},
        {{"a.txt", "--", "-h", "--x"}, Action::Show, {"a.txt", "-h", "--x"}, ""},
        // An unknown long option is refused, the first one named.
        {{"--verbose"}, Action::Unknown, {}, "--verbose"},
        {{"a.txt", "--x", "--y"}, Action::Unknown, {"a.txt"}, "--x"},
        {{"--help=me"}, Action::Unknown, {}, "--help=me"},
        // Single dashes are left to be file names: "-" and names such as "-old.txt".
        {{"-"}, Action::Show, {"-"}, ""},
        {{"-old.txt"}, Action::Show, {"-old.txt"}, ""},
        {{""}, Action::Show, {""}, ""},
    };
    for (const Case& c : cases) {
        std::string shown;
        for (const std::string& a : c.arguments)
            shown += "[" + a + "]";
        const ViewerOptions options = parseViewerOptions(c.arguments);
        EXPECT_EQ(options.action, c.action) << shown;
        EXPECT_EQ(options.files, c.files) << shown;
        EXPECT_EQ(options.unknownOption, c.unknown) << shown;
    }
}

TEST(ViewerOptions, VersionAndUsageName)
{
    EXPECT_EQ(versionText("dirgauge"), std::string("dirgauge ") + DG_VERSION + "\n");
    const std::string usage = usageText("dirgauge");
    EXPECT_EQ(usage.rfind("usage: dirgauge [REPORT]\n", 0), 0u) << usage;
    for (const char* option : {"--help", "--version", "--"})
        EXPECT_NE(usage.find(option), std::string::npos) << option;
}

} // namespace
} // namespace dg::app
