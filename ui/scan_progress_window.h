#pragma once
// The progress window of a folder scan ("Dirgauge - スキャン中"): the folders, files and bytes
// counted so far, the folder being read, a busy bar and a cancel button. It blocks input to the
// other windows while it is shown but leaves the event loop running. Cancelling (the button,
// Escape or closing the window) asks once for the scan to stop; the window stays until the caller
// releases it.
#include "scan/snapshot.h"

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

namespace dg::ui {

class ScanProgressWindow : public QDialog {
    Q_OBJECT
public:
    // Centred on over; owned by the caller (no parent).
    ScanProgressWindow(const QString& folder, QWidget* over);

    void showProgress(const scan::SnapshotProgress& progress);
    // The scan has ended: the window closes (as a close, so that the application ends when it was
    // the last window shown).
    void finish();
    bool cancelRequested() const { return m_cancelRequested; }

    QString countText() const;
    QString currentText() const;
    QPushButton* cancelButton() const { return m_cancel; }

    // Byte count as people read it: "512 B", "1.5 KiB", "2.0 GiB".
    static QString byteText(std::uint64_t bytes);

signals:
    void cancelled();

public slots:
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QLabel* m_state;
    QLabel* m_counts;
    QLabel* m_current;
    QProgressBar* m_bar;
    QPushButton* m_cancel;
    bool m_cancelRequested = false;
    bool m_finished = false;
};

} // namespace dg::ui
