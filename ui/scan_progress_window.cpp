#include "ui/scan_progress_window.h"

#include "core/numbers.h"

#include <QCoreApplication>
#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <array>

namespace dg::ui {
namespace {

QString grouped(std::uint64_t n)
{
    return QString::fromStdString(FormatNumber(static_cast<std::int64_t>(std::min<std::uint64_t>(n, INT64_MAX))));
}

} // namespace

ScanProgressWindow::ScanProgressWindow(const QString& folder, QWidget* over)
    : QDialog(nullptr, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName("ScanProgress");
    setWindowTitle(QCoreApplication::translate("ScanProgressWindow", "Dirgauge - スキャン中"));
    setWindowModality(Qt::ApplicationModal);
    setFixedWidth(446);

    auto* layout = new QVBoxLayout(this);
    m_state = new QLabel(QCoreApplication::translate("ScanProgressWindow", "スキャンしています… ") + folder, this);
    m_state->setObjectName("ScanState");
    m_counts = new QLabel(this);
    m_counts->setObjectName("ScanCounts");
    m_current = new QLabel(this);
    m_current->setObjectName("ScanCurrent");
    m_current->setTextFormat(Qt::PlainText);
    m_state->setTextFormat(Qt::PlainText);
    m_bar = new QProgressBar(this);
    m_bar->setRange(0, 0); // how much is left is unknown: a busy bar
    m_bar->setTextVisible(false);
    auto* buttons = new QDialogButtonBox(this);
    m_cancel = buttons->addButton(QCoreApplication::translate("ScanProgressWindow", "キャンセル"), QDialogButtonBox::RejectRole);
    m_cancel->setObjectName("ScanCancel");
    connect(buttons, &QDialogButtonBox::rejected, this, &ScanProgressWindow::reject);
    layout->addWidget(m_state);
    layout->addWidget(m_counts);
    layout->addWidget(m_current);
    layout->addWidget(m_bar);
    layout->addWidget(buttons);
    showProgress({});

    adjustSize();
    if (over) {
        const QRect r = over->frameGeometry();
        move(r.center() - QPoint(width() / 2, height() / 2));
    }
}

void ScanProgressWindow::showProgress(const scan::SnapshotProgress& progress)
{
    m_counts->setText(QCoreApplication::translate("ScanProgressWindow", "フォルダ %1　ファイル %2　%3")
                          .arg(grouped(progress.folders), grouped(progress.files), byteText(progress.bytes)));
    const QString current = QString::fromUtf8(progress.currentFolder.data(), static_cast<qsizetype>(progress.currentFolder.size()));
    // A long path keeps its start and its end.
    m_current->setText(m_current->fontMetrics().elidedText(current, Qt::ElideMiddle, width() - 24));
    m_current->setToolTip(current);
}

QString ScanProgressWindow::countText() const
{
    return m_counts->text();
}

QString ScanProgressWindow::currentText() const
{
    return m_current->toolTip();
}

QString ScanProgressWindow::byteText(std::uint64_t bytes)
{
    static constexpr std::array<const char*, 6> kUnits{"B", "KiB", "MiB", "GiB", "TiB", "PiB"};
    if (bytes < 1024)
        return QString::number(bytes) + QStringLiteral(" B");
    double value = static_cast<double>(bytes);
    std::size_t unit = 0;
    while (value >= 1024 && unit + 1 < kUnits.size()) {
        value /= 1024;
        ++unit;
    }
    return QString::number(value, 'f', 1) + QLatin1Char(' ') + QLatin1String(kUnits[unit]);
}

void ScanProgressWindow::reject()
{
    // The window stays until the scan has stopped; it only says so.
    if (m_cancelRequested)
        return;
    m_cancelRequested = true;
    m_state->setText(QCoreApplication::translate("ScanProgressWindow", "中止しています…"));
    m_cancel->setEnabled(false);
    emit cancelled();
}

void ScanProgressWindow::finish()
{
    m_finished = true;
    close();
}

void ScanProgressWindow::closeEvent(QCloseEvent* event)
{
    if (m_finished) {
        event->accept();
        return;
    }
    event->ignore();
    reject();
}

} // namespace dg::ui
