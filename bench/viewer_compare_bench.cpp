// The viewer as the user meets it, in a main window (on the offscreen platform unless another is
// chosen): loading a synthetic report in the full and the abbreviated form until the tree has
// painted, five times each; then, showing the later report, LoadBaseFile reads, normalises and
// sorts the earlier report and classifies every node with the progress window up, five times.
// Prints each run and the medians.
//
// Usage: dirgauge-viewer-compare-bench [FOLDERS...]   (default 1000000)
#include "bench/bench_data.h"
#include "ui/main_window.h"
#include "ui/user_dialogs.h"

#include <QApplication>
#include <QFile>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

namespace dg::bench {
namespace {

constexpr int kRuns = 5;

// Nobody answers: a box during the benchmark is reported, since a good run shows none.
class SilentDialogs : public ui::UserDialogs {
public:
    void message(const QString& text) override { std::cerr << "message: " << text.toStdString() << '\n'; }
    void error(const QString& text) override { std::cerr << "error: " << text.toStdString() << '\n'; }
    std::optional<QString> openFile(const ui::OpenFileRequest&) override { return std::nullopt; }
    int execModal(QDialog&) override { return 0; }
    void openUrl(const QUrl&) override {}
};

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void run(std::uint64_t folders, const std::filesystem::path& configFolder)
{
    const QString shown = QFile::decodeName(QByteArray::fromStdString(benchLaterReport(folders)));
    const QString base = QFile::decodeName(QByteArray::fromStdString(benchReport(folders, ReportForm::Full)));

    SilentDialogs dialogs;
    ui::ViewerContext context;
    context.settingsPath = configFolder / "dirgauge.ini";
    context.debugLogBase = configFolder / "dirgauge";
    context.dialogs = &dialogs;
    context.endProgram = [](int code) { std::exit(code); };
    ui::MainWindow window(std::move(context));
    window.show();
    QApplication::processEvents();

    for (const ReportForm form : {ReportForm::Full, ReportForm::Abbreviated}) {
        const QString report = QFile::decodeName(QByteArray::fromStdString(benchReport(folders, form)));
        std::vector<double> loads;
        for (int i = 0; i < kRuns; ++i) {
            const auto begin = std::chrono::steady_clock::now();
            window.guarded([&] { window.LoadFile(report); });
            QApplication::processEvents(); // the first paint of the new tree
            loads.push_back(secondsSince(begin));
        }
        std::sort(loads.begin(), loads.end());
        std::printf("%llu folders: LoadFile (%s form) until painted, median of %d: %.3f s\n",
                    static_cast<unsigned long long>(folders), form == ReportForm::Full ? "full" : "abbreviated",
                    kRuns, loads[kRuns / 2]);
    }

    auto start = std::chrono::steady_clock::now();
    window.guarded([&] { window.LoadFile(shown); });
    QApplication::processEvents();
    std::printf("%llu folders: LoadFile of the later report %.3f s, %zu nodes\n",
                static_cast<unsigned long long>(folders), secondsSince(start), window.tree().nodeCount());

    std::vector<double> times;
    for (int i = 0; i < kRuns; ++i) {
        start = std::chrono::steady_clock::now();
        window.guarded([&] { window.LoadBaseFile(base, QString::fromLatin1(ui::MainWindow::kNoLaunch)); });
        QApplication::processEvents(); // the tree's one repaint
        times.push_back(secondsSince(start));
        std::printf("  LoadBaseFile run %d: %.3f s\n", i + 1, times.back());
    }
    std::sort(times.begin(), times.end());
    std::printf("%llu folders: LoadBaseFile with the progress window, median of %d: %.3f s (%zu base lines)\n",
                static_cast<unsigned long long>(folders), kRuns, times[kRuns / 2], window.baseLines().size());
    std::fflush(stdout);
}

} // namespace
} // namespace dg::bench

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);

    std::string pattern = (std::filesystem::temp_directory_path() / "dg_viewer_bench_XXXXXX").string();
    if (!::mkdtemp(pattern.data())) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::filesystem::path configFolder = pattern;

    std::vector<std::uint64_t> counts;
    for (int i = 1; i < argc; ++i)
        counts.push_back(std::strtoull(argv[i], nullptr, 10));
    if (counts.empty())
        counts.push_back(1'000'000);
    for (const std::uint64_t folders : counts)
        dg::bench::run(folders, configFolder);

    std::error_code ec;
    std::filesystem::remove_all(configFolder, ec);
    return 0;
}
