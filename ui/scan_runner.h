#pragma once
// `ScanRunner`: one folder scanned into a report file on a thread of its own, so that the window
// stays responsive; the scan reads the folders on several threads of its own. The runner can be
// asked for the progress at any time and cancelled; a cancelled or failed scan leaves no file.
//
// Also where such reports are saved by default, and under what name.
#include "scan/snapshot.h"

#include <QDateTime>
#include <QObject>
#include <QString>

#include <atomic>
#include <memory>
#include <thread>

namespace dg::ui {

class ScanRunner : public QObject {
    Q_OBJECT
public:
    // folder: the folder to scan; output: the report file to write (replaced when the scan ends).
    ScanRunner(const QString& folder, const QString& output, QObject* parent = nullptr);
    // Cancels a scan still running and waits for its thread.
    ~ScanRunner() override;

    // Starts the scan; finished() follows on this object's thread once it has ended.
    void start();
    // From this object's thread: the scan stops soon and removes what it has written.
    void cancel();
    // True once the scan has ended (finished() may still be on its way).
    bool done() const { return m_done.load(std::memory_order_acquire); }
    scan::SnapshotProgress progress() const { return m_scan->progress(); }
    // Waits for the scan to end and gives its outcome.
    const scan::SnapshotOutcome& wait();

signals:
    void finished();

private:
    std::unique_ptr<scan::SnapshotScan> m_scan;
    std::thread m_thread;
    std::atomic<bool> m_done{false};
    scan::SnapshotOutcome m_outcome; // written by the thread, read after it is joined
};

// Where snapshots are saved unless the user chooses otherwise: dirgauge/snapshots in the user's
// data folder, xdgDataHome (the XDG_DATA_HOME variable) when it is an absolute path, else
// home/.local/share.
QString defaultSnapshotFolder(const QString& xdgDataHome, const QString& home);
// The proposed file for a scan of folder at time in snapshots: the folder's name, the date and the
// minute ("home-2026-12-09-1020.txt"; "root-…" for "/"), with "-2", "-3" … added when a file of
// that name exists already.
QString snapshotPath(const QString& snapshots, const QString& folder, const QDateTime& time);

// The box after a scan that could not read everything: how many problems, the first
// kScanWarningsShown of them, and how many more ("\r" between lines).
inline constexpr std::size_t kScanWarningsShown = 5;
QString scanWarningText(const scan::SnapshotOutcome& outcome);

} // namespace dg::ui
