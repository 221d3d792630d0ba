// dirgauge-proc-time: runs a command several times as a whole process (standard output to
// /dev/null unless --keep-output) and prints the median wall time, the median CPU time and the
// largest peak resident memory. Used by `make bench` for the command-line tools and the floor of
// a plain `cat`. With DIRGAUGE_NCDU_SECONDS set (ncdu's load of the same folders, from the same
// run), also the median wall time's ratio to it.
#include "process_figures.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

struct Sample {
    double wall = 0;
    double cpu = 0;
    long maxRssKiB = 0;
    int status = 0;
};

Sample runOnce(char** argv, const char* stdoutPath)
{
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int fd = ::open(stdoutPath, O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd >= 0) {
            ::dup2(fd, STDOUT_FILENO);
            ::close(fd);
        }
        ::execvp(argv[0], argv);
        std::perror(argv[0]);
        std::_Exit(127);
    }
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    const auto end = std::chrono::steady_clock::now();
    Sample s;
    s.wall = std::chrono::duration<double>(end - start).count();
    s.cpu = dg::bench::cpuSeconds(usage);
    s.maxRssKiB = usage.ru_maxrss;
    s.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return s;
}

} // namespace

int main(int argc, char** argv)
{
    int runs = 5;
    const char* label = nullptr;
    int i = 1;
    for (; i < argc; ++i) {
        if (std::strcmp(argv[i], "-n") == 0 && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else if (std::strcmp(argv[i], "--label") == 0 && i + 1 < argc)
            label = argv[++i];
        else if (std::strcmp(argv[i], "--") == 0) {
            ++i;
            break;
        } else
            break;
    }
    if (i >= argc) {
        std::fprintf(stderr, "usage: dirgauge-proc-time [-n RUNS] [--label TEXT] [--] COMMAND [ARG...]\n");
        return 1;
    }
    runOnce(argv + i, "/dev/null"); // warm-up: file cache
    std::vector<double> wall;
    std::vector<double> cpu;
    long rss = 0;
    int status = 0;
    for (int r = 0; r < runs; ++r) {
        const Sample s = runOnce(argv + i, "/dev/null");
        wall.push_back(s.wall);
        cpu.push_back(s.cpu);
        rss = std::max(rss, s.maxRssKiB);
        status = std::max(status, s.status);
    }
    const char* ncduEnv = std::getenv("DIRGAUGE_NCDU_SECONDS");
    const double ncdu = ncduEnv ? std::atof(ncduEnv) : 0;
    char ratio[48] = "";
    if (ncdu > 0)
        std::snprintf(ratio, sizeof ratio, "  = %.2f x ncdu", dg::bench::median(wall) / ncdu);
    std::printf("%-48s median %7.3f s wall  %7.3f s cpu  peak %7.1f MiB  (%d runs%s)%s\n",
                label ? label : argv[i], dg::bench::median(wall), dg::bench::median(cpu), static_cast<double>(rss) / 1024.0, runs,
                status ? ", NON-ZERO EXIT" : "", ratio);
    return 0;
}
