#include "ui/change_delegate.h"

#include "ui/system_colors.h"

#include <QPainter>

namespace dg::ui {

ChangeDelegate::ChangeDelegate(const FolderTree& tree, const CompSetting& settings,
                               std::function<bool()> comparing, QObject* parent)
    : QStyledItemDelegate(parent), m_tree(tree), m_settings(settings), m_comparing(std::move(comparing))
{
}

ChangeDelegate::Colors ChangeDelegate::colorsFor(NodeId node, bool selected, const QPalette& palette) const
{
    Colors c;
    if (!m_comparing() || node >= m_tree.nodeCount() || m_tree.level(node) == 0)
        return c;
    const ChangeClass cls = m_tree.changeClass(node);
    if (cls == ChangeClass::Unchanged)
        return c;
    c.text = palette.color(selected ? QPalette::HighlightedText : QPalette::Text);
    c.background = palette.color(selected ? QPalette::Highlight : QPalette::Base);
    TColor text = 0;
    TColor back = 0;
    bool classColors = true;
    switch (cls) {
    case ChangeClass::Added: text = m_settings.F3Ad_ChColor; back = m_settings.F3Ad_BgColor; break;
    case ChangeClass::Increased: text = m_settings.F3U1_ChColor; back = m_settings.F3U1_BgColor; break;
    case ChangeClass::GreatlyIncreased: text = m_settings.F3U2_ChColor; back = m_settings.F3U2_BgColor; break;
    case ChangeClass::Decreased: text = m_settings.F3D1_ChColor; back = m_settings.F3D1_BgColor; break;
    case ChangeClass::GreatlyDecreased: text = m_settings.F3D2_ChColor; back = m_settings.F3D2_BgColor; break;
    case ChangeClass::None:
    case ChangeClass::Unchanged: classColors = false; break;
    }
    if (classColors) {
        c.text = toQColor(text, palette);
        c.background = toQColor(back, palette);
    }
    if (selected)
        std::swap(c.text, c.background);
    c.custom = true;
    return c;
}

void ChangeDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const bool selected = option.state.testFlag(QStyle::State_Selected);
    const Colors c = colorsFor(static_cast<NodeId>(index.internalId()), selected, option.palette);
    if (!c.custom) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    // Paint the item as unselected over our own background, in our own text colour.
    QStyleOptionViewItem opt(option);
    opt.state &= ~QStyle::State_Selected;
    opt.backgroundBrush = c.background;
    opt.palette.setColor(QPalette::Text, c.text);
    opt.palette.setColor(QPalette::HighlightedText, c.text);
    painter->fillRect(option.rect, c.background);
    QStyledItemDelegate::paint(painter, opt, index);
}

} // namespace dg::ui
