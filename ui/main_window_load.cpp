// The shown report: loading it (LoadFile) and a base report (LoadBaseFile) through the session,
// the widgets kept in step with its steps, the tree that shows it, and the details of a node.
#include "ui/main_window.h"

#include "core/scope_exit.h"

#include "ui/file_name.h"
#include "ui/folder_info.h"
#include "ui/folder_tree_model.h"
#include "ui/status_panel.h"

#include <QAction>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QTreeView>

#include <optional>
#include <string>

namespace dg::ui {

// The widgets at the steps of a load: title, status panels, commands, the model around every
// change of the tree, the busy cursor, the partner told when a comparison ends.
class MainWindow::SessionSteps : public ReportSession::Listener {
public:
    SessionSteps(MainWindow& window, const QString& fileName, bool launchSource = false)
        : m_window(window), m_fileName(fileName), m_launchSource(launchSource)
    {
    }

    void comparisonClosing() override
    {
        m_window.m_partner->send(m_window.partnerTitle(), PartnerMessage::Close);
    }

    void shownReplaced() override
    {
        m_window.setTitle(QString::fromLatin1(kProgramName));
        m_window.setPanel0Text(QString(), false);
        m_window.setPanel1Text(QString());
        m_window.setStatusHint(QString());
        m_window.setCommandsEnabled(kReportCommands, false);
    }

    // Repainting is suspended (the model is empty to the view) while the tree changes, and the
    // busy cursor shown while it is built and sorted.
    void treeChanging(bool building) override
    {
        m_window.m_model->beginRebuild();
        if (building)
            QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    }

    void treeChanged(bool building) override
    {
        if (building)
            QGuiApplication::restoreOverrideCursor();
        m_window.m_model->endRebuild();
    }

    void shownRecognised(const std::string& summary) override
    {
        m_window.setTitle(QString::fromLatin1(kProgramName) + QStringLiteral(" - ") + m_fileName);
        m_window.setPanel0Text(QString::fromStdString(summary), true);
    }

    void shownLoaded() override
    {
        const QModelIndex top = m_window.m_model->index(0, 0);
        m_window.m_tv1->expand(top);
        // The top node is the keyboard's current item, not selected: Enter selects it.
        m_window.m_tv1->selectionModel()->setCurrentIndex(top, QItemSelectionModel::NoUpdate);
        m_window.action(CommandId::Comp1)->setEnabled(true);
    }

    void baseLoadStarting() override
    {
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        m_busy.emplace(&QGuiApplication::restoreOverrideCursor);
    }

    void comparisonCleared() override
    {
        m_window.setPanel1Text(QString());
        m_window.setStatusHint(QString());
        m_window.setCommandsEnabled(kComparisonCommands, false);
    }

    void classify(ReportSession&, const ChangeLimits&) override { m_window.SetColorInfo(); }

    void comparisonShown(const std::string& hint) override
    {
        m_window.showComparisonStatus();
        m_window.setStatusHint(QString::fromStdString(hint));
        m_window.setCommandsEnabled(kChangeStepCommands, true);
        if (m_launchSource)
            m_window.startComparisonSource();
        m_busy.reset();
    }

private:
    MainWindow& m_window;
    const QString& m_fileName;
    bool m_launchSource;
    // The busy cursor of a base load, until the comparison is in place or the load has ended.
    std::optional<ScopeExit<void (*)()>> m_busy;
};

QString MainWindow::currentName() const
{
    return fileNameText(m_session.shownName());
}

QString MainWindow::baseName() const
{
    return fileNameText(m_session.baseName());
}

void MainWindow::LoadFile(const QString& fileName)
{
    SessionSteps steps(*this, fileName);
    const std::string name = fileNameBytes(fileName);
    const LoadOutcome outcome = m_session.load(name, name, steps);
    if (outcome.result != LoadResult::Loaded)
        m_dialogs.message(QString::fromStdString(outcome.message));
}

void MainWindow::LoadBaseFile(const QString& fileName, const QString& launchFlag)
{
    SessionSteps steps(*this, fileName, launchFlag == QLatin1String(kLaunchSource));
    const std::string name = fileNameBytes(fileName);
    const LoadOutcome outcome = m_session.loadBase(name, name, changeLimits(), steps);
    if (outcome.result != LoadResult::Loaded)
        m_dialogs.message(QString::fromStdString(outcome.message));
}

void MainWindow::TV1Change()
{
    action(CommandId::View2)->setEnabled(m_tv1->selectionModel()->hasSelection());
    Synchronize(SyncKind::Change, selectedNode());
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_tv1 && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        const QModelIndex current = m_tv1->currentIndex();
        // With a selection View2's shortcut has taken the key already; this is the case of the
        // current item that is not selected, where View2 is off.
        if (enter && current.isValid() && !m_tv1->selectionModel()->hasSelection()) {
            m_tv1->selectionModel()->select(current, QItemSelectionModel::ClearAndSelect);
            m_guard.run([this] { View2Click(); });
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::View2Click()
{
    const QModelIndexList selected = m_tv1->selectionModel()->selectedIndexes();
    if (selected.isEmpty())
        return;
    const NodeId node = m_model->nodeId(selected.front());
    if (node != kNoNode)
        ShowFolderInfo(node);
}

void MainWindow::ShowFolderInfo(NodeId node)
{
    // The node's level in the tree as shown: a folder line that found no node above it stands at
    // the top level and is shown like the top node.
    const FolderTree& tree = m_session.tree();
    unsigned depth = 0;
    for (NodeId p = tree.parent(node); p != kNoNode; p = tree.parent(p))
        ++depth;
    if (depth == 0) {
        m_dialogs.message(m_panel0->text());
        return;
    }
    // A drive root shows its drive line, the line just before the root line.
    const LineList& lines = m_session.shownLines();
    std::size_t line = tree.lineIndex(node);
    if (depth == 1 && line > 0)
        --line;
    const std::string_view text = line < lines.size() ? lines[line] : std::string_view{};
    FieldSplitter& splitter = m_session.splitter();
    splitter.setEncoding(lines.kind().encoding);
    const std::string details =
        depth == 1 ? driveDetails(text, splitter, lines.kind()) : folderDetails(text, splitter, lines.kind());
    m_dialogs.message(QString::fromStdString(details));
}

} // namespace dg::ui
