#include "ui/progress_window.h"

#include "core/numbers.h"

#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>

namespace dg::ui {
namespace {
constexpr int kRepaintMs = 33;
constexpr unsigned kClockEvery = 256;
// The bar counts in ints; totals beyond that are scaled down.
constexpr std::size_t kBarMax = 1'000'000'000;
} // namespace

ProgressWindow::ProgressWindow(QWidget* over) : QDialog(nullptr, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName("TForm4");
    setWindowTitle(QCoreApplication::translate("ProgressWindow", "Dirgauge - 進行状況"));
    setFixedSize(446, 81);
    setModal(false);
    setAttribute(Qt::WA_ShowWithoutActivating);

    auto* comparing = new QLabel(QCoreApplication::translate("ProgressWindow", "比較しています…"), this);
    comparing->move(24, 15);
    auto* folders = new QLabel(QCoreApplication::translate("ProgressWindow", "フォルダ数"), this);
    folders->move(272, 15);
    m_count = new QLabel(this);
    m_count->setObjectName("Label1");
    m_count->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_count->setGeometry(300, 15, 69, m_count->sizeHint().height());
    m_total = new QLabel(this);
    m_total->setObjectName("Label2");
    m_total->setGeometry(374, 15, 70, m_count->sizeHint().height());
    m_bar = new QProgressBar(this);
    m_bar->setObjectName("PB1");
    m_bar->setGeometry(23, 44, 402, 17);
    m_bar->setTextVisible(false);

    if (over) {
        const QRect r = over->frameGeometry();
        move(r.center() - QPoint(width() / 2, height() / 2));
    }
}

void ProgressWindow::start(std::size_t total)
{
    m_totalValue = total;
    m_position = 0;
    m_stepsSinceClock = 0;
    m_bar->setRange(0, static_cast<int>(std::min(total, kBarMax)));
    m_bar->setValue(0);
    m_total->setText(QString::fromStdString("/ " + FormatNumber(static_cast<std::int64_t>(total))));
    m_count->clear();
    show();
    paintNow();
}

void ProgressWindow::step(std::size_t d)
{
    m_position = d;
    if (d == m_totalValue || !m_sincePaint.isValid()) {
        paintNow();
        return;
    }
    // Reading the clock costs more than most steps of a run (a million folders, a million
    // readings): it is read every kClockEvery steps, which still come many times a millisecond.
    if (++m_stepsSinceClock < kClockEvery)
        return;
    m_stepsSinceClock = 0;
    if (m_sincePaint.elapsed() >= kRepaintMs)
        paintNow();
}

void ProgressWindow::paintNow()
{
    m_count->setText(QString::fromStdString(FormatNumber(static_cast<std::int64_t>(m_position))));
    const std::size_t scaled =
        m_totalValue > kBarMax ? static_cast<std::size_t>(static_cast<double>(m_position) / static_cast<double>(m_totalValue) * kBarMax)
                               : m_position;
    m_bar->setValue(static_cast<int>(scaled));
    if (isVisible())
        repaint();
    ++m_paints;
    m_sincePaint.restart();
}

QString ProgressWindow::countText() const
{
    return m_count->text();
}

QString ProgressWindow::totalText() const
{
    return m_total->text();
}

int ProgressWindow::barValue() const
{
    return m_bar->value();
}

} // namespace dg::ui
