// dirgauge-ncdu-bench: the yardstick of the viewer's load figures. Writes the folders of a report
// as an ncdu JSON export (once, cached beside the report), then times ncdu loading that export
// into memory and showing its browser: ncdu runs on a pseudo-terminal, the clock stops when its
// browser has drawn the status line ("Total disk usage"), and a "q" then ends it. Prints the
// median wall time until drawn and the median CPU time of the whole process.
//
// Usage: dirgauge-ncdu-bench [-n RUNS] REPORT EXPORT
//   EXPORT is written from REPORT when it does not exist yet.
#include "bench/process_figures.h"
#include "core/encoding.h"
#include "core/folder_tree.h"
#include "core/report_reader.h"
#include "core/tree_builder.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <pty.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

void appendJsonString(std::string& out, std::string_view text)
{
    out.push_back('"');
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out.push_back('\\');
            out.push_back(c);
        } else if (u < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", u);
            out.append(buf);
        } else {
            out.push_back(c);
        }
    }
    out.push_back('"');
}

// ncdu's export: [1,2,{metadata},[{root info},child,...]] where a folder with sub-folders is an
// array of its info and its children, and one without is its info alone. ncdu sums the sizes
// itself, so every folder gets its own share: its size less its sub-folders' ("?" counts as 0).
void writeExport(const std::string& reportPath, const std::string& exportPath)
{
    dg::LineList lines;
    dg::readReportFile(reportPath, lines);
    const dg::FormCheck check = dg::checkForm(lines);
    if (!check.recognised)
        throw std::runtime_error("not a report: " + reportPath);
    dg::FieldSplitter splitter;
    if (check.abbreviated)
        dg::ExpandFullDescription(lines, splitter, nullptr);
    dg::FolderTree tree;
    dg::CreateTree(lines, tree, splitter, nullptr);

    const std::size_t n = tree.nodeCount();
    std::vector<std::int64_t> own(n);
    for (dg::NodeId id = 0; id < n; ++id)
        own[id] = tree.sizeUnknown(id) ? 0 : tree.size(id);
    for (dg::NodeId id = 0; id < n; ++id)
        if (const dg::NodeId p = tree.parent(id); p != dg::kNoNode)
            own[p] -= tree.sizeUnknown(id) ? 0 : tree.size(id);

    const std::string tmp = exportPath + ".tmp";
    std::ofstream file(tmp, std::ios::binary);
    std::string out = R"([1,2,{"progname":"dirgauge-bench","progver":"1","timestamp":0},[{"name":"/"})";
    std::vector<dg::NodeId> open{dg::kNoNode}; // folders whose array is open; the root first
    auto info = [&](dg::NodeId id) {
        out.append("{\"name\":");
        appendJsonString(out, dg::encoding::textToUtf8(lines.kind().encoding, tree.name(id, lines, splitter)));
        const std::string size = std::to_string(std::max<std::int64_t>(own[id], 0));
        out.append(",\"asize\":").append(size).append(",\"dsize\":").append(size).push_back('}');
    };
    // Node ids are depth-first order: a node's parent is open when it comes.
    for (dg::NodeId id = 0; id < n; ++id) {
        while (open.back() != tree.parent(id)) {
            out.push_back(']');
            open.pop_back();
        }
        out.push_back(',');
        if (tree.childCount(id) > 0) {
            out.push_back('[');
            info(id);
            open.push_back(id);
        } else {
            info(id);
        }
        if (out.size() > (1u << 20)) {
            file.write(out.data(), static_cast<std::streamsize>(out.size()));
            out.clear();
        }
    }
    out.append(open.size(), ']');
    out.append("]\n");
    file.write(out.data(), static_cast<std::streamsize>(out.size()));
    file.close();
    if (!file)
        throw std::runtime_error("cannot write " + tmp);
    std::filesystem::rename(tmp, exportPath);
}

struct Sample {
    double wall = -1; // until the browser had drawn its status line; -1: it never did
    double cpu = 0;
};

Sample runNcdu(const std::string& exportPath)
{
    Sample s;
    winsize size{};
    size.ws_row = 40;
    size.ws_col = 120;
    int master = -1;
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::forkpty(&master, nullptr, nullptr, &size);
    if (pid < 0) {
        std::perror("forkpty");
        return s;
    }
    if (pid == 0) {
        ::setenv("TERM", "xterm", 1);
        ::execlp("ncdu", "ncdu", "-0", "--ignore-config", "-f", exportPath.c_str(), static_cast<char*>(nullptr));
        std::perror("ncdu");
        std::_Exit(127);
    }
    // Read everything ncdu draws (a full pseudo-terminal would stop it), look for the status line.
    static constexpr std::string_view kDrawn = "Total disk usage";
    std::string tail;
    char buf[65536];
    bool quit = false;
    for (;;) {
        const ssize_t got = ::read(master, buf, sizeof buf);
        if (got <= 0) {
            if (got < 0 && errno == EINTR)
                continue;
            break; // EIO: the child has gone
        }
        if (quit)
            continue;
        tail.append(buf, static_cast<std::size_t>(got));
        if (tail.find(kDrawn) != std::string::npos) {
            s.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            quit = true;
            const char q = 'q';
            if (::write(master, &q, 1) != 1)
                std::perror("write");
        } else if (tail.size() > kDrawn.size()) {
            tail.erase(0, tail.size() - kDrawn.size());
        }
    }
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    ::close(master);
    s.cpu = dg::bench::cpuSeconds(usage);
    return s;
}

} // namespace

int main(int argc, char** argv)
{
    int runs = 5;
    int i = 1;
    if (i + 1 < argc && std::strcmp(argv[i], "-n") == 0) {
        runs = std::max(1, std::atoi(argv[i + 1]));
        i += 2;
    }
    if (argc - i != 2) {
        std::fprintf(stderr, "usage: dirgauge-ncdu-bench [-n RUNS] REPORT EXPORT\n");
        return 1;
    }
    const std::string report = argv[i];
    const std::string exportPath = argv[i + 1];
    try {
        if (!std::filesystem::exists(exportPath))
            writeExport(report, exportPath);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "dirgauge-ncdu-bench: %s\n", e.what());
        return 1;
    }
    runNcdu(exportPath); // warm-up: file cache
    std::vector<double> wall;
    std::vector<double> cpu;
    for (int r = 0; r < runs; ++r) {
        const Sample s = runNcdu(exportPath);
        if (s.wall < 0) {
            std::fprintf(stderr, "dirgauge-ncdu-bench: ncdu never showed its browser\n");
            return 1;
        }
        wall.push_back(s.wall);
        cpu.push_back(s.cpu);
    }
    std::printf("ncdu -f %s: load until drawn, median of %d: %.3f s wall  %.3f s cpu\n",
                std::filesystem::path(exportPath).filename().c_str(), runs, dg::bench::median(wall), dg::bench::median(cpu));
    return 0;
}
