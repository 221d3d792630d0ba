#pragma once
// One text panel of the status bar. It asks the status bar for the width it is given (the file
// summary's panel is widened to its text), and when the window is narrower it is cut off at the
// window's edge instead of forcing the window wider, as a panel of a native status bar is.
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

    QSize sizeHint() const override { return {m_width, QLabel::sizeHint().height()}; }
    QSize minimumSizeHint() const override { return {0, QLabel::minimumSizeHint().height()}; }

private:
    int m_width;
};

} // namespace dg::ui
