#pragma once
// The table of the main window's named commands. Menus, the tool bar, shortcuts, hints and the
// enabled and checked states all come from this one table; the window builds one QAction per
// entry and connects it to its handler.
#include <QKeySequence>
#include <QList>
#include <QString>

#include <array>
#include <cstddef>

namespace dg::ui {

enum class CommandId : int {
    Open1,
    Comp1,
    Scan1,
    ExitWithComp1,
    Exit1,
    View2,
    CtrlDown1,
    CtrlUp1,
    CSet1,
    Synchro1,
    About1,
    Debug1,
    // Opens the documentation (F1). In no menu and not on the tool bar, which stay as designed.
    Help1, // the last: kCommandCount follows from it
};
inline constexpr std::size_t kCommandCount = static_cast<std::size_t>(CommandId::Help1) + 1;

// The commands that need a shown report, off until one is loaded and whenever one is replaced.
inline constexpr std::array<CommandId, 5> kReportCommands{CommandId::Comp1, CommandId::ExitWithComp1, CommandId::View2,
                                                          CommandId::CtrlUp1, CommandId::CtrlDown1};
// The commands of a comparison in place, off while a base file is loaded.
inline constexpr std::array<CommandId, 3> kComparisonCommands{CommandId::ExitWithComp1, CommandId::CtrlUp1,
                                                              CommandId::CtrlDown1};
// Of those, the ones a comparison enables by itself (ExitWithComp1 waits for the partner).
inline constexpr std::array<CommandId, 2> kChangeStepCommands{CommandId::CtrlUp1, CommandId::CtrlDown1};

// Tool-bar images, numbered as the command table numbers them.
enum class CommandImage : int {
    None = -1,
    Open = 0,
    Compare = 1,
    ExitWithCompare = 2,
    Details = 3,
    PreviousChange = 4,
    NextChange = 5,
};

struct CommandSpec {
    CommandId id;
    const char* name;        // the action's object name
    const char* caption;     // the command's own caption
    const char* menuCaption; // what the menu shows
    const char* toolCaption; // the tool-bar button's text (hidden; buttons show images only)
    const char* hint;        // tool tip and status tip; empty for none
    CommandImage image;
    bool enabledAtStart;
    bool checkable;
};

// The commands in table order (entry i has the id i).
const std::array<CommandSpec, kCommandCount>& commandTable();
const CommandSpec& commandSpec(CommandId id);

// The keys that trigger the command anywhere in the main window (Enter for View2 is both the
// main Return key and the keypad's Enter). Besides the designed ones, the desktop's usual keys
// for commands that have none: Ctrl+O opens, Ctrl+Q ends, F1 shows the documentation.
QList<QKeySequence> commandShortcuts(CommandId id);

// A caption, menu title or hint of the tables here in the user's language.
QString commandText(const char* text);

// Resource path of the image's icon (":/icons/…svg"), empty for CommandImage::None.
const char* commandImagePath(CommandImage image);

// Menus of the menu bar, left to right; each entry a command or a separator.
struct MenuEntry {
    bool separator;
    CommandId command;
};
struct MenuSpec {
    const char* caption;
    QList<MenuEntry> entries;
};
const QList<MenuSpec>& menuTable();
// The tool bar, left to right.
const QList<MenuEntry>& toolBarTable();

} // namespace dg::ui
