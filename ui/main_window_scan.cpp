// Scanning a folder into a new report (a snapshot) and showing it: the folder and the file asked
// for, the scan run in the background behind its progress window, and the saved report loaded
// like any other.
#include "ui/main_window.h"

#include "ui/scan_progress_window.h"
#include "ui/scan_runner.h"

#include <QCoreApplication>
#include <QAction>
#include <QDateTime>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTimer>

namespace dg::ui {
namespace {

// How often the progress window shows the counts (at most ten times a second).
constexpr int kProgressIntervalMs = 100;

QString scanText(const std::string& utf8)
{
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

} // namespace

void MainWindow::Scan1Click()
{
    FolderRequest folderRequest;
    folderRequest.title = QCoreApplication::translate("MainWindow", "スキャンするフォルダを選ぶ");
    folderRequest.initialFolder = QDir::homePath();
    const std::optional<QString> folder = m_dialogs.chooseFolder(folderRequest);
    if (!folder)
        return;

    const QString snapshots = defaultSnapshotFolder(qEnvironmentVariable("XDG_DATA_HOME"), QDir::homePath());
    // Made now so that the save dialog can start in it; when it cannot be made, the dialog starts
    // elsewhere and the scan's write says why.
    QDir().mkpath(snapshots);
    SaveFileRequest saveRequest;
    saveRequest.title = QCoreApplication::translate("MainWindow", "フォルダ情報ファイルの保存先");
    saveRequest.filterName = QCoreApplication::translate("MainWindow", "全てのファイル");
    saveRequest.proposedPath = snapshotPath(snapshots, *folder, QDateTime::currentDateTime());
    const std::optional<QString> target = m_dialogs.saveFile(saveRequest);
    if (!target)
        return;

    // The scan runs on its own thread; this one keeps painting and serving the partner, and the
    // progress window (modal) takes the user's input. The scan stops when the user cancels, when
    // this window is closed meanwhile (by a partner message) or when the application ends.
    ScanRunner runner(*folder, *target);
    ScanProgressWindow progress(*folder, this);
    QEventLoop loop;
    bool stopped = false;
    const auto stop = [&] {
        stopped = true;
        runner.cancel();
    };
    const bool wasShown = isVisible();
    QTimer tick;
    tick.setInterval(kProgressIntervalMs);
    connect(&tick, &QTimer::timeout, &progress, [&] {
        progress.showProgress(runner.progress());
        if (wasShown && !isVisible() && !stopped)
            stop();
    });
    connect(&progress, &ScanProgressWindow::cancelled, &loop, stop);
    connect(&runner, &ScanRunner::finished, &loop, &QEventLoop::quit);
    runner.start();
    progress.show();
    tick.start();
    while (!runner.done()) {
        // Anything but our own quit: the application is ending.
        if (loop.exec() != 0 && !stopped)
            stop();
    }
    tick.stop();
    const scan::SnapshotOutcome& outcome = runner.wait();
    progress.finish();

    // A window closed between two looks at it takes the scan with it all the same.
    if (wasShown && !isVisible())
        stopped = true;
    using Result = scan::SnapshotOutcome::Result;
    if (stopped) {
        // A cancel that came as the last bytes were written: the report is taken back all the same.
        if (outcome.result == Result::Written)
            QFile::remove(*target);
        return;
    }
    switch (outcome.result) {
    case Result::Cancelled: return;
    case Result::Failed:
        m_dialogs.message(QCoreApplication::translate("MainWindow", "フォルダをスキャンできませんでした。\r") + scanText(outcome.message));
        return;
    case Result::Written: break;
    }
    if (outcome.warningCount > 0)
        m_dialogs.message(scanWarningText(outcome));
    LoadFile(*target);
}

} // namespace dg::ui
