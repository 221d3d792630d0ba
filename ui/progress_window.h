#pragma once
// The comparison's progress window ("Dirgauge - 進行状況"): a running count of the folders
// compared against the total, and a bar. It is made for one run and released after it. The
// comparison does not let the event loop run, so the window repaints itself synchronously, at
// most about 30 times a second: a million-folder run is not slowed down by painting.
#include <QDialog>
#include <QElapsedTimer>

#include <cstddef>

class QLabel;
class QProgressBar;

namespace dg::ui {

class ProgressWindow : public QDialog {
    Q_OBJECT
public:
    // Centred on over; owned by the application (no parent), shown without blocking it.
    explicit ProgressWindow(QWidget* over);

    // Sets the total (N - 1 for a tree of N nodes), the bar to 0, and shows the window.
    void start(std::size_t total);
    // The run reached node d: the count and the bar show it; repainted when ~33 ms have passed
    // since the last paint, and always for the last node.
    void step(std::size_t d);

    QString countText() const;
    QString totalText() const;
    int barValue() const;
    int paintCount() const { return m_paints; }

private:
    void paintNow();

    QLabel* m_count;     // Label1, owned (child)
    QLabel* m_total;     // Label2, owned (child)
    QProgressBar* m_bar; // PB1, owned (child)
    QElapsedTimer m_sincePaint;
    std::size_t m_totalValue = 0;
    std::size_t m_position = 0;
    unsigned m_stepsSinceClock = 0; // steps since the clock was last read
    int m_paints = 0;
};

} // namespace dg::ui
