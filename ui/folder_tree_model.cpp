#include "ui/folder_tree_model.h"

#include "core/encoding.h"
#include "ui/system_colors.h"

#include <QBrush>

#include <limits>

namespace dg::ui {
namespace {

int toInt(std::size_t n)
{
    // QAbstractItemModel counts rows in int; a sibling list cannot hold more than a report has
    // lines, and line indices fit in 32 bits.
    return n > static_cast<std::size_t>(std::numeric_limits<int>::max()) ? std::numeric_limits<int>::max()
                                                                         : static_cast<int>(n);
}

} // namespace

FolderTreeModel::FolderTreeModel(const FolderTree& tree, const LineList& lines, QObject* parent)
    : QAbstractItemModel(parent), m_tree(tree), m_lines(lines)
{
}

void FolderTreeModel::setChangeColors(const CompSetting* settings, std::function<bool()> comparing)
{
    m_colors = settings;
    m_comparing = std::move(comparing);
}

void FolderTreeModel::beginRebuild()
{
    beginResetModel();
    m_rebuilding = true;
}

void FolderTreeModel::endRebuild()
{
    m_rebuilding = false;
    endResetModel();
}

NodeId FolderTreeModel::nodeId(const QModelIndex& index) const
{
    if (!index.isValid() || index.model() != this)
        return kNoNode;
    const auto id = static_cast<NodeId>(index.internalId());
    return validNode(id) ? id : kNoNode;
}

QModelIndex FolderTreeModel::indexOf(NodeId id) const
{
    if (!validNode(id))
        return {};
    return createIndex(toInt(m_tree.row(id)), 0, static_cast<quintptr>(id));
}

QModelIndex FolderTreeModel::index(int row, int column, const QModelIndex& parent) const
{
    if (m_rebuilding || row < 0 || column != 0)
        return {};
    if (!parent.isValid()) {
        if (static_cast<std::size_t>(row) >= m_tree.topLevelCount())
            return {};
        return createIndex(row, 0, static_cast<quintptr>(m_tree.topLevel(static_cast<std::size_t>(row))));
    }
    const NodeId p = nodeId(parent);
    if (p == kNoNode || static_cast<std::size_t>(row) >= m_tree.childCount(p))
        return {};
    return createIndex(row, 0, static_cast<quintptr>(m_tree.child(p, static_cast<std::size_t>(row))));
}

QModelIndex FolderTreeModel::parent(const QModelIndex& child) const
{
    const NodeId id = nodeId(child);
    if (id == kNoNode)
        return {};
    const NodeId p = m_tree.parent(id);
    if (p == kNoNode)
        return {};
    return createIndex(toInt(m_tree.row(p)), 0, static_cast<quintptr>(p));
}

int FolderTreeModel::rowCount(const QModelIndex& parent) const
{
    if (m_rebuilding)
        return 0;
    if (!parent.isValid())
        return toInt(m_tree.topLevelCount());
    if (parent.column() != 0)
        return 0;
    const NodeId id = nodeId(parent);
    return id == kNoNode ? 0 : toInt(m_tree.childCount(id));
}

int FolderTreeModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() && parent.column() != 0 ? 0 : 1;
}

bool FolderTreeModel::hasChildren(const QModelIndex& parent) const
{
    return rowCount(parent) > 0;
}

QVariant FolderTreeModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole && role != Qt::ForegroundRole && role != Qt::BackgroundRole)
        return {};
    const NodeId id = nodeId(index);
    if (id == kNoNode)
        return {};
    if (role != Qt::DisplayRole)
        return changeColor(id, role);
    return QString::fromStdString(
        encoding::textToUtf8(m_lines.kind().encoding, m_tree.label(id, m_lines, m_splitter)));
}

QVariant FolderTreeModel::changeColor(NodeId id, int role) const
{
    if (!m_colors || !m_comparing || !m_comparing() || m_tree.level(id) == 0)
        return {};
    const CompSetting& s = *m_colors;
    TColor text = 0;
    TColor back = 0;
    switch (m_tree.changeClass(id)) {
    case ChangeClass::Added: text = s.F3Ad_ChColor; back = s.F3Ad_BgColor; break;
    case ChangeClass::Increased: text = s.F3U1_ChColor; back = s.F3U1_BgColor; break;
    case ChangeClass::GreatlyIncreased: text = s.F3U2_ChColor; back = s.F3U2_BgColor; break;
    case ChangeClass::Decreased: text = s.F3D1_ChColor; back = s.F3D1_BgColor; break;
    case ChangeClass::GreatlyDecreased: text = s.F3D2_ChColor; back = s.F3D2_BgColor; break;
    case ChangeClass::None:
    case ChangeClass::Unchanged: return {};
    }
    return QBrush(toQColor(role == Qt::ForegroundRole ? text : back, m_palette));
}

Qt::ItemFlags FolderTreeModel::flags(const QModelIndex& index) const
{
    if (nodeId(index) == kNoNode)
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

} // namespace dg::ui
