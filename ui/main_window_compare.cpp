// Comparing the shown report with a base report: choosing and loading the base file
// (Comp1Click, LoadBaseFile), classifying every folder against it (SetColorInfo) and moving the
// selection from one changed folder to the next (CtrlDown1Execute, CtrlUp1Execute).
#include "ui/main_window.h"

#include "core/comparison.h"
#include "core/encoding.h"
#include "core/report_reader.h"
#include "ui/folder_tree_model.h"
#include "ui/progress_window.h"
#include "ui/status_panel.h"

#include <QAction>
#include <QFile>
#include <QGuiApplication>
#include <QTreeView>

#include <memory>
#include <string>
#include <vector>

namespace dg::ui {
namespace {

// The busy cursor from construction until restore() or the end of the scope, whichever is first.
class BusyCursor {
public:
    BusyCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { restore(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

    void restore()
    {
        if (!m_active)
            return;
        m_active = false;
        QGuiApplication::restoreOverrideCursor();
    }

private:
    bool m_active = true;
};

// Holds the tree's painting off for a scope, so that it repaints once at the end with every
// class in place, however the scope is left.
class SuspendedUpdates {
public:
    explicit SuspendedUpdates(QTreeView& view) : m_view(view), m_wasEnabled(view.updatesEnabled())
    {
        m_view.setUpdatesEnabled(false);
    }
    ~SuspendedUpdates()
    {
        m_view.setUpdatesEnabled(m_wasEnabled);
        m_view.viewport()->update();
    }
    SuspendedUpdates(const SuspendedUpdates&) = delete;
    SuspendedUpdates& operator=(const SuspendedUpdates&) = delete;

private:
    QTreeView& m_view;
    bool m_wasEnabled;
};

} // namespace

void MainWindow::Comp1Click()
{
    const QString& folderOf = m_baseName.isEmpty() ? m_currentName : m_baseName;
    const auto chosen = m_dialogs.openFile(reportFileRequest(initialFolderOf(folderOf)));
    if (!chosen)
        return;
    LoadBaseFile(*chosen, QStringLiteral("Y"));
    m_tv1->viewport()->update();
}

void MainWindow::LoadBaseFile(const QString& fileName, const QString& launchFlag)
{
    DebugOut("Start LoadBaseFile, " + encoding::utf8ToSjis(fileName.toStdString()));
    if (fileName == m_currentName) {
        m_dialogs.message(QStringLiteral("同じファイルは比較できません。"));
        return;
    }
    BusyCursor busy;

    if (!m_baseName.isEmpty())
        m_partner->send(partnerTitle(), PartnerMessage::Close);
    m_baseName.clear();
    setPanel1Text(QString());
    setStatusHint(QString());
    setCommandsEnabled({CommandId::ExitWithComp1, CommandId::CtrlUp1, CommandId::CtrlDown1}, false);

    // BaseLines holds lines exactly while a comparison is shown (painting goes by that), so it is
    // emptied now and stays empty on every way out until the new comparison is in place: also
    // when the expansion or the classification stops with an error.
    m_baseLines.clear();
    struct EmptyUnlessShown {
        LineList& lines;
        bool shown = false;
        ~EmptyUnlessShown()
        {
            if (!shown)
                lines.clear();
        }
    } baseGuard{m_baseLines};

    readReportFile(QFile::encodeName(fileName).toStdString(), m_baseLines);
    const FormCheck check = checkForm(m_baseLines);
    if (!check.recognised) {
        m_baseLines.clear();
        m_dialogs.message(fileName + QStringLiteral(" - ファイルの内容を認識できません。"));
        return;
    }
    // The header as read: the sort below moves it.
    const QString hint = QString::fromStdString(
        headerSummary(m_baseLines[0], check.markerPos, " の情報と比較中", m_baseLines.kind().encoding));
    normaliseBaseLines(m_baseLines, check, m_fieldSplitter, &m_debugSink);
    matchBaseEncoding(m_baseLines, m_currentLines.kind().encoding);

    SetColorInfo();

    setPanel1Text(m_synchro ? QStringLiteral("比較中　同期") : QStringLiteral("比較中"));
    setStatusHint(hint);
    m_baseName = fileName;
    setCommandsEnabled({CommandId::CtrlUp1, CommandId::CtrlDown1}, true);
    baseGuard.shown = true;

    if (launchFlag == QLatin1String("Y"))
        startComparisonSource();

    busy.restore();
    DebugOut("End   LoadBaseFile, " + std::to_string(m_baseLines.size()) + " Lines");
}

void MainWindow::SetColorInfo()
{
    const ChangeLimits limits{m_compSetting.F3U1_Limit, m_compSetting.F3U2_Limit, m_compSetting.F3D1_Limit,
                              m_compSetting.F3D2_Limit};
    const SuspendedUpdates suspended(*m_tv1);
    const std::size_t nodes = m_tree.nodeCount();
    {
        // Released when the run ends, also by an error.
        const auto progress = std::make_unique<ProgressWindow>(this);
        progress->start(nodes > 0 ? nodes - 1 : 0);
        classifyTree(m_tree, m_currentLines, m_baseLines, limits, m_fieldSplitter, &m_debugSink,
                     [&progress](std::size_t d) { progress->step(d); });
    }
    // The class takes no part in the sibling order, so the tree's order (and every node id) is
    // what it was: the top level only needs opening again.
    if (nodes > 0)
        m_tv1->expand(m_model->indexOf(m_tree.nodeAtAbsolute(0)));
    const NodeId first = firstChangedNode(m_tree);
    if (first == kNoNode) {
        m_dialogs.message(QStringLiteral("異なるサイズのフォルダはありません。"));
        return;
    }
    revealNode(first);
}

void MainWindow::CtrlDown1Execute()
{
    const NodeId selected = selectedNode();
    if (selected == kNoNode)
        return;
    const NodeId next = nextChangedBelow(m_tree, m_tree.absoluteIndex(selected));
    if (next == kNoNode) {
        m_dialogs.message(QStringLiteral("下方向に異なるサイズのフォルダはありません。"));
        return;
    }
    revealNode(next);
}

void MainWindow::CtrlUp1Execute()
{
    const NodeId selected = selectedNode();
    if (selected == kNoNode)
        return;
    const NodeId next = nextChangedAbove(m_tree, m_tree.absoluteIndex(selected));
    if (next == kNoNode) {
        m_dialogs.message(QStringLiteral("上方向に異なるサイズのフォルダはありません。"));
        return;
    }
    revealNode(next);
}

NodeId MainWindow::selectedNode() const
{
    const QModelIndexList selected = m_tv1->selectionModel()->selectedIndexes();
    return selected.isEmpty() ? kNoNode : m_model->nodeId(selected.front());
}

void MainWindow::revealNode(NodeId node)
{
    std::vector<NodeId> ancestors;
    for (NodeId p = m_tree.parent(node); p != kNoNode; p = m_tree.parent(p))
        ancestors.push_back(p);
    for (auto it = ancestors.rbegin(); it != ancestors.rend(); ++it)
        m_tv1->expand(m_model->indexOf(*it));
    const QModelIndex index = m_model->indexOf(node);
    m_tv1->setCurrentIndex(index);
    m_tv1->scrollTo(index);
}

} // namespace dg::ui
