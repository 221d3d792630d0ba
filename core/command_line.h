#pragma once
// The viewer's command line: the program name and at most one parameter, the report to show.
//
// Two sources give the parameters. Where the system hands the program one command-line string
// (Windows), splitCommandLine takes it apart by these rules:
// - before each item, bytes 1..32 are skipped, and so is every pair of adjacent double quotes
//   standing there (an empty quoted item);
// - an item runs to the next byte 1..32 outside quotes, or to the end;
// - a double quote opens a quoted stretch that ends at the next double quote or at the end of the
//   text; blanks inside belong to the item, the quotes themselves do not;
// - a Shift-JIS double-byte character is stepped over as a whole, so its second byte never counts
//   as a quote or a separator; a NUL byte ends the text;
// - the first item is the program name; counting stops at the first empty item.
// Where the shell has already split the line (POSIX argv), argumentParameters applies the same
// counting to the given arguments.
#include <string>
#include <string_view>
#include <vector>

namespace dg {

// The parameters of a command-line string, without the program name, up to the first empty one.
std::vector<std::string> splitCommandLine(std::string_view commandLine);

// The parameters among already split arguments (the program name not included). An empty
// argument is skipped, as an empty quoted pair is skipped in a command-line string.
std::vector<std::string> argumentParameters(const std::vector<std::string>& arguments);

} // namespace dg
