#include "bench/bench_data.h"

#include "bench/posix_copy.h"

#include <cstdlib>
#include <filesystem>

namespace dg::bench {
namespace {

std::filesystem::path dataFolder()
{
    const char* env = std::getenv("DIRGAUGE_BENCH_DATA");
    std::filesystem::path folder = env && *env ? env : "bench-data";
    std::filesystem::create_directories(folder);
    return folder;
}

// Writes to a temporary name and renames, so an interrupted run leaves no half file behind.
template <class Write>
std::string cached(const std::string& name, Write write)
{
    const std::filesystem::path path = dataFolder() / name;
    if (!std::filesystem::exists(path)) {
        const std::filesystem::path tmp = path.string() + ".tmp";
        {
            ReportFile file(tmp.string());
            write(file);
            file.close();
        }
        std::filesystem::rename(tmp, path);
    }
    return path.string();
}

// The UTF-8 POSIX twin of a Shift-JIS report file, cached beside it.
std::string posixTwin(const std::string& sjisPath)
{
    const std::string name = std::filesystem::path(sjisPath).filename().string();
    return cached("posix-" + name, [&](ReportFile& file) { file.write(posixUtf8Copy(readWholeFile(sjisPath), "/data")); });
}

} // namespace

std::string benchReport(std::uint64_t folders, ReportForm form, ReportText text)
{
    if (text == ReportText::Utf8Posix)
        return posixTwin(benchReport(folders, form));
    const std::string name =
        "report-" + std::to_string(folders) + (form == ReportForm::Full ? "-full.txt" : "-abbrev.txt");
    return cached(name, [&](ReportFile& file) {
        GenerateOptions options;
        options.folders = folders;
        options.form = form;
        options.rootSizeUnknown = true;
        generateReport(options, file.sink());
    });
}

std::string benchLaterReport(std::uint64_t folders, ReportText text)
{
    if (text == ReportText::Utf8Posix)
        return posixTwin(benchLaterReport(folders));
    const std::string earlier = benchReport(folders, ReportForm::Full);
    return cached("report-" + std::to_string(folders) + "-later.txt", [&](ReportFile& file) {
        DeriveOptions options;
        options.shares = {0.05, 0.05, 0.05, 0.05};
        deriveLater(readWholeFile(earlier), options, file.sink());
    });
}

} // namespace dg::bench
