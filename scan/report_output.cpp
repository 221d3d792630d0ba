#include "scan/report_output.h"

#include "core/translate.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dg::scan {
namespace {

// The temporary file a signal handler removes; empty when none. Written only while no signal
// handler can run with it half written (signals blocked).
char g_temporary[PATH_MAX + 64];

void onSignal(int sig)
{
    if (g_temporary[0])
        ::unlink(g_temporary);
    ::signal(sig, SIG_DFL);
    ::raise(sig);
}

void setTemporary(const std::string& path)
{
    sigset_t all;
    sigset_t old;
    sigfillset(&all);
    ::pthread_sigmask(SIG_BLOCK, &all, &old);
    const std::size_t n = path.size() < sizeof g_temporary ? path.size() : 0;
    std::memcpy(g_temporary, path.data(), n);
    g_temporary[n] = '\0';
    ::pthread_sigmask(SIG_SETMASK, &old, nullptr);
}

std::string failure(const std::string& name, int err)
{
    return dg::i18n::format("dg::scan", DG_TRANSLATE_NOOP("dg::scan", "cannot write %1: %2"), {name, std::strerror(err)});
}

std::string_view standardOutputName()
{
    static constexpr std::string_view kStandardOutput = DG_TRANSLATE_NOOP("dg::scan", "standard output");
    return dg::i18n::translate("dg::scan", kStandardOutput);
}

} // namespace

std::string standardOutputFailure(int err)
{
    return failure(std::string(standardOutputName()), err);
}

void ReportOutput::removeTemporaryOnSignals()
{
    for (const int sig : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction sa {};
        sa.sa_handler = onSignal;
        sigemptyset(&sa.sa_mask);
        ::sigaction(sig, &sa, nullptr);
    }
}

ReportOutput::ReportOutput(const std::string& path)
{
    if (path.empty()) {
        m_name = standardOutputName();
        m_fd = STDOUT_FILENO;
        return;
    }
    m_name = path;
    std::string target = path;
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        if (S_ISDIR(st.st_mode))
            throw OutputError(failure(path, EISDIR));
        m_fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        if (m_fd < 0)
            throw OutputError(failure(path, errno));
        m_ownsFd = true;
        return;
    }
    // A symbolic link to a regular file: the file it names is replaced, the link stays.
    struct stat lst {};
    if (::lstat(path.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode)) {
        if (char* real = ::realpath(path.c_str(), nullptr)) {
            target = real;
            std::free(real);
        }
    }
    const std::size_t slash = target.rfind('/');
    const std::string dir = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    std::string temporary = dir + "." + base + ".XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        throw OutputError(failure(path, errno));
    setTemporary(temporary);
    // mkostemp creates the file for its owner alone; a report gets the usual permissions.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    m_fd = fd;
    m_ownsFd = true;
    m_target = target;
    m_temporary = temporary;
}

ReportOutput::~ReportOutput()
{
    if (m_ownsFd && m_fd >= 0)
        ::close(m_fd);
    if (!m_temporary.empty()) {
        ::unlink(m_temporary.c_str());
        setTemporary({});
    }
}

void ReportOutput::write(std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(m_fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw OutputError(failure(m_name, n < 0 ? errno : EIO));
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

void ReportOutput::commit()
{
    if (!m_ownsFd)
        return;
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0)
        throw OutputError(failure(m_name, errno));
    if (m_temporary.empty())
        return;
    if (::rename(m_temporary.c_str(), m_target.c_str()) != 0)
        throw OutputError(failure(m_name, errno));
    m_temporary.clear();
    setTemporary({});
}

} // namespace dg::scan
