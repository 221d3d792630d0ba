#pragma once
// The Qt model of the folder tree: a thin adapter over dg::FolderTree with one column. An index
// carries its node id as internalId; parent() is O(1) from the tree's stored parent and row.
// No Qt object or cached text exists per node: labels are made from the report line when the
// view asks for a visible row, so a report of millions of folders costs the view nothing until
// its rows are seen.
//
// The window changes the tree only between beginRebuild() and endRebuild() (one model reset per
// load). While a rebuild is under way the model is empty to every caller, so a repaint that
// happens meanwhile (a message box shown while the tree is being built) never reads a tree that
// is half made.
//
// While a comparison is shown, a changed folder below the top node answers Qt::ForegroundRole
// and Qt::BackgroundRole with the colours of its class from the comparison settings (system
// colours taken from the palette given); every other item answers neither.
#include "core/field_splitter.h"
#include "core/folder_tree.h"
#include "core/line_list.h"
#include "settings/comp_setting.h"

#include <QAbstractItemModel>
#include <QPalette>

#include <functional>

namespace dg::ui {

class FolderTreeModel : public QAbstractItemModel {
    Q_OBJECT
public:
    // The tree and the lines belong to the window and must outlive the model.
    FolderTreeModel(const FolderTree& tree, const LineList& lines, QObject* parent = nullptr);

    // The change colours: settings and comparing() are read when asked (not owned; comparing()
    // says whether a comparison is shown). Without them no item has change colours.
    void setChangeColors(const CompSetting* settings, std::function<bool()> comparing);
    // The palette the system colours of the settings are taken from (the view's).
    void setPalette(const QPalette& palette) { m_palette = palette; }

    void beginRebuild();
    void endRebuild();
    bool rebuilding() const { return m_rebuilding; }

    // The node of a valid index of this model; kNoNode for an invalid one.
    NodeId nodeId(const QModelIndex& index) const;
    // The index of a node of the tree (invalid for kNoNode or while rebuilding).
    QModelIndex indexOf(NodeId id) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    bool validNode(NodeId id) const { return !m_rebuilding && id < m_tree.nodeCount(); }
    QVariant changeColor(NodeId id, int role) const;

    const FolderTree& m_tree; // not owned
    const LineList& m_lines;  // not owned
    mutable FieldSplitter m_splitter; // scratch for making labels
    bool m_rebuilding = false;
    const CompSetting* m_colors = nullptr; // not owned
    std::function<bool()> m_comparing;
    QPalette m_palette;
};

} // namespace dg::ui
