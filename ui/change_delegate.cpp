#include "ui/change_delegate.h"

#include <QApplication>
#include <QBrush>
#include <QPainter>

namespace dg::ui {

ChangeDelegate::Colors ChangeDelegate::colorsFor(const QModelIndex& index, bool selected)
{
    Colors c;
    const QVariant text = index.data(Qt::ForegroundRole);
    const QVariant background = index.data(Qt::BackgroundRole);
    if (!text.isValid() || !background.isValid())
        return c;
    c.text = text.value<QBrush>().color();
    c.background = background.value<QBrush>().color();
    if (selected)
        std::swap(c.text, c.background);
    c.custom = true;
    return c;
}

void ChangeDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const Colors c = colorsFor(index, option.state.testFlag(QStyle::State_Selected));
    if (!c.custom) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    // Paint the item as unselected over our own background, in our own text colour. The option is
    // filled from the model first (as the base class would), so that the colours set here win.
    QStyleOptionViewItem opt(option);
    initStyleOption(&opt, index);
    opt.state &= ~QStyle::State_Selected;
    opt.backgroundBrush = c.background;
    opt.palette.setColor(QPalette::Text, c.text);
    opt.palette.setColor(QPalette::HighlightedText, c.text);
    painter->fillRect(option.rect, c.background);
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
}

} // namespace dg::ui
