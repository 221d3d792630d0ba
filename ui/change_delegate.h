#pragma once
// Paints the folder tree's items in the change colours the model gives (Qt::ForegroundRole and
// Qt::BackgroundRole), exchanged for a selected item: what a role cannot say. Items without
// change colours are painted as usual (with the normal highlight when selected).
#include <QColor>
#include <QStyledItemDelegate>

namespace dg::ui {

class ChangeDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    struct Colors {
        QColor text;
        QColor background;
        bool custom = false; // false: paint as usual
    };
    // The colours an item is painted in: its change colours, exchanged when selected.
    static Colors colorsFor(const QModelIndex& index, bool selected);
};

} // namespace dg::ui
