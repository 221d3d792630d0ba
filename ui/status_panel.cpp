#include "ui/status_panel.h"

#include <QPainter>
#include <QStyle>

namespace dg::ui {

void StatusPanel::setPanelText(const QString& text)
{
    setText(text);
    updateGeometry();
    updateToolTip();
}

bool StatusPanel::isCut() const
{
    return fontMetrics().horizontalAdvance(text()) > contentsRect().width();
}

QSize StatusPanel::minimumSizeHint() const
{
    const int height = QLabel::minimumSizeHint().height();
    if (!m_keepWhole)
        return {0, height};
    const QMargins margins = contentsMargins();
    return {fontMetrics().horizontalAdvance(text()) + margins.left() + margins.right() + 2 * frameWidth(), height};
}

void StatusPanel::paintEvent(QPaintEvent* event)
{
    if (!m_elided || !isCut()) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    drawFrame(&painter);
    const QRect area = contentsRect();
    const QString shown = fontMetrics().elidedText(text(), Qt::ElideRight, area.width());
    style()->drawItemText(&painter, area, static_cast<int>(alignment()), palette(), isEnabled(), shown, foregroundRole());
}

void StatusPanel::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    updateToolTip();
}

void StatusPanel::updateToolTip()
{
    if (m_elided)
        setToolTip(isCut() ? text() : QString());
}

} // namespace dg::ui
