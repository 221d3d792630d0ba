// The shown report: loading it (LoadFile), the tree that shows it, and the details of a node.
#include "ui/main_window.h"

#include "core/encoding.h"
#include "core/report_reader.h"
#include "core/tree_builder.h"
#include "ui/folder_info.h"
#include "ui/folder_tree_model.h"
#include "ui/status_panel.h"

#include <QAction>
#include <QFile>
#include <QGuiApplication>
#include <QTreeView>

#include <string>

namespace dg::ui {

void MainWindow::LoadFile(const QString& fileName)
{
    const std::string sjisName = encoding::utf8ToSjis(fileName.toStdString());
    DebugOut("Start LoadFile, " + sjisName);
    m_baseLines.clear();
    if (!m_baseName.isEmpty())
        m_partner->send(partnerTitle(), PartnerMessage::Close);

    // A file that cannot be read stops here, before anything shown has changed.
    readReportFile(QFile::encodeName(fileName).toStdString(), m_currentLines);

    setTitle(QString::fromLatin1(kProgramName));
    setPanel0Text(QString(), false);
    setPanel1Text(QString());
    setStatusHint(QString());
    clearTree();
    m_baseName.clear();
    setCommandsEnabled({CommandId::Comp1, CommandId::ExitWithComp1, CommandId::View2, CommandId::CtrlUp1,
                        CommandId::CtrlDown1},
                       false);

    const FormCheck check = checkForm(m_currentLines);
    if (!check.recognised) {
        m_dialogs.message(fileName + QStringLiteral(" - ファイルの内容を認識できません。"));
        return;
    }
    if (check.abbreviated) {
        ExpandFullDescription(m_currentLines, m_fieldSplitter, &m_debugSink);
        m_currentLines.compact();
    }

    setTitle(QString::fromLatin1(kProgramName) + QStringLiteral(" - ") + fileName);
    setPanel0Text(QString::fromStdString(
                      headerSummary(m_currentLines[0], check.markerPos, " の情報", m_currentLines.kind().encoding)),
                  true);

    buildTree();

    m_currentName = fileName;
    action(CommandId::Comp1)->setEnabled(true);
    DebugOut("End   LoadFile, " + std::to_string(m_currentLines.size()) + " Lines");
}

void MainWindow::clearTree()
{
    m_model->beginRebuild();
    m_tree.clear();
    m_model->endRebuild();
}

void MainWindow::buildTree()
{
    // Repainting is suspended (the model is empty to the view) and the busy cursor shown while
    // the tree is built and sorted; both are restored whether the build ends normally or not.
    // After an error the nodes built so far stay, unsorted, as the builder left them.
    m_model->beginRebuild();
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        CreateTree(m_currentLines, m_tree, m_fieldSplitter, &m_debugSink);
        m_tree.sort(m_currentLines, m_collator);
    } catch (...) {
        QGuiApplication::restoreOverrideCursor();
        m_model->endRebuild();
        throw;
    }
    QGuiApplication::restoreOverrideCursor();
    m_model->endRebuild();
    m_tv1->expand(m_model->index(0, 0));
}

void MainWindow::TV1Change()
{
    action(CommandId::View2)->setEnabled(m_tv1->selectionModel()->hasSelection());
    Synchronize(SyncKind::Change, selectedNode());
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
    unsigned depth = 0;
    for (NodeId p = m_tree.parent(node); p != kNoNode; p = m_tree.parent(p))
        ++depth;
    if (depth == 0) {
        m_dialogs.message(m_panel0->text());
        return;
    }
    // A drive root shows its drive line, the line just before the root line.
    std::size_t line = m_tree.lineIndex(node);
    if (depth == 1 && line > 0)
        --line;
    const std::string_view text = line < m_currentLines.size() ? m_currentLines[line] : std::string_view{};
    m_fieldSplitter.setEncoding(m_currentLines.kind().encoding);
    const std::string details = depth == 1 ? driveDetails(text, m_fieldSplitter, m_currentLines.kind())
                                           : folderDetails(text, m_fieldSplitter, m_currentLines.kind());
    m_dialogs.message(QString::fromStdString(details));
}

} // namespace dg::ui
