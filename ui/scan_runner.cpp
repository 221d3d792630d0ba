#include "ui/scan_runner.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace dg::ui {

ScanRunner::ScanRunner(const QString& folder, const QString& output, QObject* parent) : QObject(parent)
{
    scan::ScanOptions options;
    const unsigned cores = std::thread::hardware_concurrency();
    options.threads = cores == 0 ? 1 : cores;
    m_scan = std::make_unique<scan::SnapshotScan>(QFile::encodeName(folder).toStdString(),
                                                  QFile::encodeName(output).toStdString(), options);
}

ScanRunner::~ScanRunner()
{
    if (m_thread.joinable()) {
        m_scan->cancel();
        m_thread.join();
    }
}

void ScanRunner::start()
{
    m_thread = std::thread([this] {
        m_outcome = m_scan->run();
        m_done.store(true, std::memory_order_release);
        // Delivered on this object's thread; dropped if the object is gone by then.
        QMetaObject::invokeMethod(this, &ScanRunner::finished, Qt::QueuedConnection);
    });
}

void ScanRunner::cancel()
{
    m_scan->cancel();
}

const scan::SnapshotOutcome& ScanRunner::wait()
{
    if (m_thread.joinable())
        m_thread.join();
    return m_outcome;
}

QString defaultSnapshotFolder(const QString& xdgDataHome, const QString& home)
{
    const QString data = QDir::isAbsolutePath(xdgDataHome) ? xdgDataHome : home + QStringLiteral("/.local/share");
    return QDir::cleanPath(data + QStringLiteral("/dirgauge/snapshots"));
}

QString snapshotPath(const QString& snapshots, const QString& folder, const QDateTime& time)
{
    QString name = QFileInfo(QDir::cleanPath(folder)).fileName();
    // A hidden folder's report is not hidden itself.
    while (name.startsWith(QLatin1Char('.')))
        name.remove(0, 1);
    if (name.isEmpty())
        name = QStringLiteral("root");
    const QString stem = QDir(snapshots).filePath(name + QLatin1Char('-') + time.toString(QStringLiteral("yyyy-MM-dd-HHmm")));
    QString path = stem + QStringLiteral(".txt");
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = stem + QLatin1Char('-') + QString::number(n) + QStringLiteral(".txt");
    return path;
}

QString scanWarningText(const scan::SnapshotOutcome& outcome)
{
    QString text = QCoreApplication::translate("ScanRunner", "読めなかったフォルダやファイルが %1 件あります。レポートには読めた分だけを書きました。")
                       .arg(outcome.warningCount);
    for (std::size_t k = 0; k < outcome.warnings.size() && k < kScanWarningsShown; ++k)
        text += QLatin1Char('\r') + QString::fromUtf8(outcome.warnings[k].data(), static_cast<qsizetype>(outcome.warnings[k].size()));
    if (outcome.warningCount > kScanWarningsShown)
        text += QCoreApplication::translate("ScanRunner", "\r…ほか %1 件").arg(outcome.warningCount - kScanWarningsShown);
    return text;
}

} // namespace dg::ui
