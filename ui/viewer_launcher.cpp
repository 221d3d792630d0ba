#include "ui/viewer_launcher.h"

#include <QCoreApplication>
#include <QProcess>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <fstream>
#include <string>
#include <sys/types.h>
#endif

namespace dg::ui {

bool ProcessViewerLauncher::start(const QString& fileName)
{
    qint64 pid = 0;
    if (!QProcess::startDetached(QCoreApplication::applicationFilePath(), {fileName}, QString(), &pid)) {
        m_pid = 0;
        return false;
    }
    m_pid = pid;
    return true;
}

bool ProcessViewerLauncher::running() const
{
    if (m_pid <= 0)
        return false;
#ifdef Q_OS_UNIX
    // Signal 0 checks for existence only. EPERM means the id exists under another user, which a
    // reused id might: it counts as running, and the wait's bound covers that.
    if (::kill(static_cast<pid_t>(m_pid), 0) != 0 && errno == ESRCH)
        return false;
#ifdef Q_OS_LINUX
    // A detached viewer is not our child: after it ends it stays a zombie until whoever adopted
    // it reaps it, which in a container may be never. The state letter follows the ")" that ends
    // the command name in /proc/<pid>/stat.
    std::ifstream stat("/proc/" + std::to_string(m_pid) + "/stat");
    std::string text;
    std::getline(stat, text);
    const auto close = text.rfind(')');
    if (close != std::string::npos && close + 2 < text.size()) {
        const char state = text[close + 2];
        if (state == 'Z' || state == 'X')
            return false;
    }
#endif
    return true;
#else
    return true;
#endif
}

} // namespace dg::ui
