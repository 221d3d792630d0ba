#pragma once
// The one guard around every entry point from Qt: command handlers, drops, tree notifications,
// start-up and shut-down. It catches what a handler throws and shows it, so no exception ever
// crosses the Qt event loop:
// - dg::SizeError: its text in a message box, then the program ends with exit code 1;
// - any other dg::UserError (or std::exception): its text in the error box; the program runs on.
#include "ui/user_dialogs.h"

#include <functional>
#include <utility>

namespace dg::ui {

class ErrorGuard {
public:
    // Ends the program with the given exit code. The viewer quits its event loop; tests record it.
    using EndProgram = std::function<void(int exitCode)>;

    ErrorGuard(UserDialogs& dialogs, EndProgram endProgram)
        : m_dialogs(dialogs), m_endProgram(std::move(endProgram))
    {
    }

    // Runs action; true when it returned normally, false when it threw (after the box).
    template <typename Action>
    bool run(Action&& action) noexcept
    {
        try {
            std::forward<Action>(action)();
            return true;
        } catch (...) {
            handleCurrentException();
            return false;
        }
    }

private:
    // Shows the exception being handled; never throws.
    void handleCurrentException() noexcept;

    UserDialogs& m_dialogs; // not owned
    EndProgram m_endProgram;
};

} // namespace dg::ui
