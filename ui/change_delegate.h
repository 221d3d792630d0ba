#pragma once
// Paints the folder tree's items in the colours of their change class while a comparison is
// shown: text and background from the comparison settings, exchanged for a selected changed
// folder. Unchanged folders, the top node and every item without a comparison keep the normal
// colours (and the normal highlight when selected).
#include "core/folder_tree.h"
#include "settings/comp_setting.h"

#include <QStyledItemDelegate>

#include <functional>

namespace dg::ui {

class ChangeDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    // tree and settings are read at paint time (not owned); comparing() says whether a comparison
    // is shown. Item indexes carry node ids as their internal id.
    ChangeDelegate(const FolderTree& tree, const CompSetting& settings, std::function<bool()> comparing,
                   QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    struct Colors {
        QColor text;
        QColor background;
        bool custom = false; // false: paint as usual
    };
    // The colours an item gets; palette gives the normal and highlight colours.
    Colors colorsFor(NodeId node, bool selected, const QPalette& palette) const;

private:
    const FolderTree& m_tree;      // not owned
    const CompSetting& m_settings; // not owned
    std::function<bool()> m_comparing;
};

} // namespace dg::ui
