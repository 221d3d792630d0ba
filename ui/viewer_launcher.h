#pragma once
// Starting the comparison-source viewer: another viewer process of this program showing the base
// file. The window starts it through this interface, so that tests can stand in for the process.
#include <QString>

#include <cstdint>

namespace dg::ui {

class ViewerLauncher {
public:
    virtual ~ViewerLauncher() = default;

    // Starts a viewer showing fileName (its one command-line parameter). False when it could not
    // be started.
    virtual bool start(const QString& fileName) = 0;

    // Whether the viewer started last may still come up: false once its process has ended, or
    // when none was started.
    virtual bool running() const = 0;
};

// Starts this program's own executable, detached: the new viewer outlives this one when the user
// closes only this one. It inherits the environment and the current folder.
class ProcessViewerLauncher : public ViewerLauncher {
public:
    bool start(const QString& fileName) override;
    // Asks the system whether the process still exists. Where that cannot be asked, a started
    // viewer counts as running (the caller's wait has its own bound).
    bool running() const override;

private:
    std::int64_t m_pid = 0;
};

} // namespace dg::ui
