// The viewer as the user meets it, in a main window (on the offscreen platform unless another is
// chosen): loading a synthetic report in the full and the abbreviated form until the tree has
// painted, five times each; then, showing the later report, LoadBaseFile reads, normalises and
// sorts the earlier report and classifies every node with the progress window up, five times.
// Prints each run and the medians, and with DIRGAUGE_NCDU_SECONDS set (ncdu's load of the same
// folders, from the same run) each median's ratio to it.
//
// Usage: dirgauge-viewer-compare-bench [FOLDERS...]   (default 1000000)
//        dirgauge-viewer-compare-bench --load FILE    (one LoadFile until painted, then exit: for
//                                                      the peak memory of the whole process)
#include "bench/bench_data.h"
#include "ui/main_window.h"
#include "ui/user_dialogs.h"

#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QTreeView>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
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

// Counts the paint events of the tree's viewport.
class PaintWatch : public QObject {
public:
    explicit PaintWatch(QTreeView* view) : m_view(view) { view->viewport()->installEventFilter(this); }
    int paints() const { return m_paints; }
    // Processes events until the viewport has painted after `before` paints (or 10 s went by).
    void waitForPaint(int before) const
    {
        const auto start = std::chrono::steady_clock::now();
        m_view->viewport()->update();
        while (m_paints == before && secondsSince(start) < 10)
            QApplication::processEvents(QEventLoop::AllEvents, 5);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && watched == m_view->viewport())
            ++m_paints;
        return false;
    }

private:
    QTreeView* m_view;
    int m_paints = 0;
};

// " (0.42 x ncdu)" when ncdu's figure of this run is known.
std::string ratioText(double seconds)
{
    const char* env = std::getenv("DIRGAUGE_NCDU_SECONDS");
    const double ncdu = env ? std::atof(env) : 0;
    if (ncdu <= 0)
        return {};
    char text[64];
    std::snprintf(text, sizeof text, "  = %.2f x ncdu (%.3f s)", seconds / ncdu, ncdu);
    return text;
}

ui::ViewerContext benchContext(SilentDialogs& dialogs, const std::filesystem::path& configFolder)
{
    ui::ViewerContext context;
    context.settingsPath = configFolder / "dirgauge.ini";
    context.debugLogBase = configFolder / "dirgauge";
    context.dialogs = &dialogs;
    context.endProgram = [](int code) { std::exit(code); };
    return context;
}

// One LoadFile of path until painted.
void loadOnce(const std::string& path, const std::filesystem::path& configFolder)
{
    SilentDialogs dialogs;
    ui::MainWindow window(benchContext(dialogs, configFolder));
    window.show();
    QApplication::processEvents();
    const PaintWatch watch(window.treeView());
    const int before = watch.paints();
    const auto begin = std::chrono::steady_clock::now();
    window.guarded([&] { window.LoadFile(QFile::decodeName(QByteArray::fromStdString(path))); });
    watch.waitForPaint(before);
    std::printf("LoadFile of %s until painted: %.3f s, %zu nodes\n", path.c_str(), secondsSince(begin),
                window.tree().nodeCount());
    std::fflush(stdout);
}

void run(std::uint64_t folders, const std::filesystem::path& configFolder)
{
    const QString shown = QFile::decodeName(QByteArray::fromStdString(benchLaterReport(folders)));
    const QString base = QFile::decodeName(QByteArray::fromStdString(benchReport(folders, ReportForm::Full)));

    SilentDialogs dialogs;
    ui::MainWindow window(benchContext(dialogs, configFolder));
    window.show();
    QApplication::processEvents();
    const PaintWatch watch(window.treeView());

    for (const ReportForm form : {ReportForm::Full, ReportForm::Abbreviated}) {
        const QString report = QFile::decodeName(QByteArray::fromStdString(benchReport(folders, form)));
        std::vector<double> loads;
        for (int i = 0; i < kRuns; ++i) {
            const int before = watch.paints();
            const auto begin = std::chrono::steady_clock::now();
            window.guarded([&] { window.LoadFile(report); });
            watch.waitForPaint(before); // the first paint of the new tree
            loads.push_back(secondsSince(begin));
        }
        std::sort(loads.begin(), loads.end());
        std::printf("%llu folders: LoadFile (%s form) until painted, median of %d: %.3f s%s\n",
                    static_cast<unsigned long long>(folders), form == ReportForm::Full ? "full" : "abbreviated",
                    kRuns, loads[kRuns / 2], ratioText(loads[kRuns / 2]).c_str());
    }

    auto start = std::chrono::steady_clock::now();
    int before = watch.paints();
    window.guarded([&] { window.LoadFile(shown); });
    watch.waitForPaint(before);
    std::printf("%llu folders: LoadFile of the later report %.3f s, %zu nodes\n",
                static_cast<unsigned long long>(folders), secondsSince(start), window.tree().nodeCount());

    std::vector<double> times;
    for (int i = 0; i < kRuns; ++i) {
        before = watch.paints();
        start = std::chrono::steady_clock::now();
        window.guarded([&] { window.LoadBaseFile(base, QString::fromLatin1(ui::MainWindow::kNoLaunch)); });
        watch.waitForPaint(before); // the tree's one repaint
        times.push_back(secondsSince(start));
        std::printf("  LoadBaseFile run %d: %.3f s\n", i + 1, times.back());
    }
    std::sort(times.begin(), times.end());
    std::printf("%llu folders: LoadBaseFile with the progress window, median of %d: %.3f s (%zu base lines)%s\n",
                static_cast<unsigned long long>(folders), kRuns, times[kRuns / 2], window.baseLines().size(),
                ratioText(times[kRuns / 2]).c_str());
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

    if (argc == 3 && std::string_view(argv[1]) == "--load") {
        dg::bench::loadOnce(argv[2], configFolder);
    } else {
        std::vector<std::uint64_t> counts;
        for (int i = 1; i < argc; ++i)
            counts.push_back(std::strtoull(argv[i], nullptr, 10));
        if (counts.empty())
            counts.push_back(1'000'000);
        for (const std::uint64_t folders : counts)
            dg::bench::run(folders, configFolder);
    }

    std::error_code ec;
    std::filesystem::remove_all(configFolder, ec);
    return 0;
}
