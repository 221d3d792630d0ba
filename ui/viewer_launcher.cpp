#include "ui/viewer_launcher.h"

#include "ui/file_name.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;
#endif

namespace dg::ui {

#ifdef Q_OS_UNIX
namespace {

// Reads exactly size bytes; false at the end of the pipe or on an error.
bool readAll(int fd, void* data, std::size_t size)
{
    auto* p = static_cast<char*>(data);
    while (size > 0) {
        const ssize_t n = ::read(fd, p, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

void closePipe(int (&fds)[2])
{
    ::close(fds[0]);
    ::close(fds[1]);
}

// Runs executable with argv as a grandchild in a session of its own: the child in between ends at
// once and is reaped here, so the viewer is adopted by the system and never left as this process's
// zombie. Only async-signal-safe calls happen between fork() and execve(). Returns the viewer's
// process id, or 0 when it could not be started (fork refused, or the program would not run).
pid_t spawnDetached(const char* executable, char* const argv[])
{
    int pidPipe[2];
    int execPipe[2];
    if (::pipe2(pidPipe, O_CLOEXEC) != 0)
        return 0;
    if (::pipe2(execPipe, O_CLOEXEC) != 0) {
        closePipe(pidPipe);
        return 0;
    }
    const pid_t middle = ::fork();
    if (middle == 0) {
        ::setsid();
        const pid_t viewer = ::fork();
        if (viewer == 0) {
            ::execve(executable, argv, environ);
            const int error = errno;
            [[maybe_unused]] const ssize_t ignored = ::write(execPipe[1], &error, sizeof error);
            ::_exit(127);
        }
        [[maybe_unused]] const ssize_t ignored = ::write(pidPipe[1], &viewer, sizeof viewer);
        ::_exit(0);
    }
    ::close(pidPipe[1]);
    ::close(execPipe[1]);
    pid_t viewer = 0;
    if (middle > 0) {
        if (!readAll(pidPipe[0], &viewer, sizeof viewer) || viewer < 0)
            viewer = 0;
        int status = 0;
        while (::waitpid(middle, &status, 0) < 0 && errno == EINTR) {
        }
        // execve closes the pipe on success; an error number arrives when it failed.
        int error = 0;
        if (viewer > 0 && readAll(execPipe[0], &error, sizeof error))
            viewer = 0;
    }
    ::close(pidPipe[0]);
    ::close(execPipe[0]);
    return viewer;
}

} // namespace
#endif

ProcessViewerLauncher::ProcessViewerLauncher(std::string executable) : m_executable(std::move(executable)) {}

bool ProcessViewerLauncher::start(const QString& fileName)
{
    m_pid = 0;
    std::string program =
        m_executable.empty() ? QFile::encodeName(QCoreApplication::applicationFilePath()).toStdString() : m_executable;
#ifdef Q_OS_UNIX
    std::string dashes = "--";
    std::string name = fileNameBytes(fileName);
    char* const argv[] = {program.data(), dashes.data(), name.data(), nullptr};
    m_pid = spawnDetached(program.c_str(), argv);
#else
    qint64 pid = 0;
    if (QProcess::startDetached(QFile::decodeName(program.c_str()), {QStringLiteral("--"), fileName}, QString(), &pid))
        m_pid = pid;
#endif
    return m_pid > 0;
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
    // The viewer is not our child: after it ends it stays a zombie until whoever adopted it reaps
    // it, which in a container may be never. The state letter follows the ")" that ends the
    // command name in /proc/<pid>/stat.
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
