#pragma once
// Starting the comparison-source viewer: another viewer process of this program showing the base
// file. The window starts it through this interface, so that tests can stand in for the process.
#include <QString>

#include <cstdint>
#include <string>

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

// Starts this program's own executable (or `executable`, when given) in a session of its own, so
// that the new viewer outlives this one and a Ctrl+C in this one's terminal does not reach it. It
// inherits the environment and the current folder. The file name goes after "--" and as the bytes
// it stands for (see file_name.h): a name that starts with "-" is not taken for an option, and one
// that is not UTF-8 reaches the new viewer unchanged.
class ProcessViewerLauncher : public ViewerLauncher {
public:
    explicit ProcessViewerLauncher(std::string executable = {});
    bool start(const QString& fileName) override;
    // Asks the system whether the process still exists. Where that cannot be asked, a started
    // viewer counts as running (the caller's wait has its own bound).
    bool running() const override;

private:
    std::string m_executable;
    std::int64_t m_pid = 0;
};

} // namespace dg::ui
