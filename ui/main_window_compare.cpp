// Comparing the shown report with a base report: choosing the base file (Comp1Click; the load
// itself, LoadBaseFile, runs through the session in main_window_load.cpp), classifying every
// folder against it (SetColorInfo) and moving the selection from one changed folder to the next
// (CtrlDown1Execute, CtrlUp1Execute).
#include "ui/main_window.h"

#include "core/comparison.h"
#include "core/scope_exit.h"
#include "core/user_texts.h"
#include "ui/folder_tree_model.h"
#include "ui/progress_window.h"

#include <QTreeView>

#include <memory>
#include <vector>

namespace dg::ui {

void MainWindow::Comp1Click()
{
    const QString folderOf = m_session.baseName().empty() ? currentName() : baseName();
    const auto chosen = m_dialogs.openFile(reportFileRequest(initialFolderOf(folderOf)));
    if (!chosen)
        return;
    LoadBaseFile(*chosen, QString::fromLatin1(kLaunchSource));
    m_tv1->viewport()->update();
}

ChangeLimits MainWindow::changeLimits() const
{
    const CompSetting& comp = m_settings.comp();
    return {comp.F3U1_Limit, comp.F3U2_Limit, comp.F3D1_Limit, comp.F3D2_Limit};
}

void MainWindow::SetColorInfo()
{
    // The tree's painting is held off, so that it repaints once at the end with every class in
    // place, however this is left.
    const bool wasEnabled = m_tv1->updatesEnabled();
    m_tv1->setUpdatesEnabled(false);
    const ScopeExit repaint([this, wasEnabled] {
        m_tv1->setUpdatesEnabled(wasEnabled);
        m_tv1->viewport()->update();
    });
    const std::size_t nodes = m_session.tree().nodeCount();
    ClassifyOutcome outcome;
    {
        // Released when the run ends, also by an error.
        const auto progress = std::make_unique<ProgressWindow>(this);
        progress->start(nodes > 0 ? nodes - 1 : 0);
        outcome = m_session.classify(changeLimits(), [&progress](std::size_t d) { progress->step(d); });
    }
    // The class takes no part in the sibling order, so the tree's order (and every node id) is
    // what it was: the top level only needs opening again.
    if (nodes > 0)
        m_tv1->expand(m_model->indexOf(m_session.tree().nodeAtAbsolute(0)));
    if (outcome.firstChanged == kNoNode) {
        m_dialogs.message(QString::fromStdString(outcome.message));
        return;
    }
    revealNode(outcome.firstChanged);
}

void MainWindow::CtrlDown1Execute()
{
    const NodeId selected = selectedNode();
    if (selected == kNoNode)
        return;
    const FolderTree& tree = m_session.tree();
    const NodeId next = nextChangedBelow(tree, tree.absoluteIndex(selected));
    if (next == kNoNode) {
        m_dialogs.message(uiText(texts::tr(texts::kNoChangeBelow)));
        return;
    }
    revealNode(next);
}

void MainWindow::CtrlUp1Execute()
{
    const NodeId selected = selectedNode();
    if (selected == kNoNode)
        return;
    const FolderTree& tree = m_session.tree();
    const NodeId next = nextChangedAbove(tree, tree.absoluteIndex(selected));
    if (next == kNoNode) {
        m_dialogs.message(uiText(texts::tr(texts::kNoChangeAbove)));
        return;
    }
    revealNode(next);
}

NodeId MainWindow::selectedNode() const
{
    const QModelIndexList selected = m_tv1->selectionModel()->selectedIndexes();
    return selected.isEmpty() ? kNoNode : m_model->nodeId(selected.front());
}

void MainWindow::expandAncestors(NodeId node)
{
    const FolderTree& tree = m_session.tree();
    std::vector<NodeId> ancestors;
    for (NodeId p = tree.parent(node); p != kNoNode; p = tree.parent(p))
        ancestors.push_back(p);
    for (auto it = ancestors.rbegin(); it != ancestors.rend(); ++it)
        m_tv1->expand(m_model->indexOf(*it));
}

void MainWindow::revealNode(NodeId node)
{
    expandAncestors(node);
    const QModelIndex index = m_model->indexOf(node);
    m_tv1->setCurrentIndex(index);
    m_tv1->scrollTo(index);
}

} // namespace dg::ui
