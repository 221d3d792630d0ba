#pragma once
// One text panel of the status bar. It asks the status bar for the width it is given (the file
// summary's panel is widened to its text), and when the window is narrower it is cut off at the
// window's edge instead of forcing the window wider, as a panel of a native status bar is.
//
// A panel may instead end its text with "…" where it is cut (the full text then is its tooltip),
// and a panel may keep its whole text: the status bar then gives it that width first, so that a
// long text beside it cannot push it out of the window.
#include <QLabel>

namespace dg::ui {

class StatusPanel : public QLabel {
public:
    StatusPanel(int width, QWidget* parent) : QLabel(parent), m_width(width) {}

    int panelWidth() const { return m_width; }
    void setPanelWidth(int width)
    {
        m_width = width;
        updateGeometry();
    }

    // Cut text ends with "…", and the full text is the tooltip while it is cut.
    void setElided(bool elided) { m_elided = elided; }
    // The whole text is this panel's minimum width.
    void setKeepWhole(bool keep)
    {
        m_keepWhole = keep;
        updateGeometry();
    }
    // Sets the text (and the tooltip that goes with it).
    void setPanelText(const QString& text);
    // Whether the text shown is cut.
    bool isCut() const;

    QSize sizeHint() const override { return {m_width, QLabel::sizeHint().height()}; }
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void updateToolTip();

    int m_width;
    bool m_elided = false;
    bool m_keepWhole = false;
};

} // namespace dg::ui
