// dirgauge-gen-tree: builds a folder tree for timing folder scanners: FOLDERS folders and FILES
// files below ROOT, the same tree for the same seed. Folder fan-out and file sizes vary; most files
// get their size by truncation (no blocks on disk), one in ten is written, a few are hard links.
// Usage: dirgauge-gen-tree ROOT FOLDERS FILES [SEED]
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: dirgauge-gen-tree ROOT FOLDERS FILES [SEED]\n");
        return 2;
    }
    const std::string root = argv[1];
    const std::size_t folders = std::strtoull(argv[2], nullptr, 10);
    const std::size_t files = std::strtoull(argv[3], nullptr, 10);
    std::mt19937_64 random(argc > 4 ? std::strtoull(argv[4], nullptr, 10) : 1);
    if (::mkdir(root.c_str(), 0755) != 0 && errno != EEXIST) {
        std::perror(root.c_str());
        return 1;
    }
    // Breadth first: each folder gets 0..8 subfolders until the count is reached.
    std::vector<std::string> paths{root};
    for (std::size_t next = 0; paths.size() < folders; next = (next + 1) % paths.size()) {
        const std::size_t children = random() % 9;
        for (std::size_t k = 0; k < children && paths.size() < folders; ++k) {
            std::string path = paths[next] + "/d" + std::to_string(random() % 1000000);
            if (::mkdir(path.c_str(), 0755) == 0)
                paths.push_back(std::move(path));
        }
    }
    const std::string block(4096, 'x');
    std::string lastFile;
    for (std::size_t f = 0; f < files; ++f) {
        const std::string& dir = paths[random() % paths.size()];
        const std::string path = dir + "/f" + std::to_string(f) + ".dat";
        if (f % 97 == 5 && !lastFile.empty()) {
            ::link(lastFile.c_str(), path.c_str());
            continue;
        }
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0) {
            std::perror(path.c_str());
            return 1;
        }
        const std::size_t size = random() % 20000;
        if (f % 10 == 0) {
            if (::write(fd, block.data(), size % block.size()) < 0)
                std::perror(path.c_str());
        } else if (::ftruncate(fd, static_cast<off_t>(size)) != 0) {
            std::perror(path.c_str());
        }
        ::close(fd);
        lastFile = path;
    }
    std::printf("%zu folders, %zu files under %s\n", paths.size(), files, root.c_str());
    return 0;
}
