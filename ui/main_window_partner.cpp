// The comparison pair: tree events sent to the partner (Synchronize) and applied from it
// (NodeSelect), the partner's other messages (the hand-shake, the three reloads, close), and the
// start of the comparison-source viewer that makes a pair.
#include "ui/main_window.h"

#include "core/scope_exit.h"
#include "settings/comp_setting.h"
#include "settings/ini_file.h"
#include "settings/settings_keys.h"
#include "ui/folder_tree_model.h"
#include "ui/pair_placement.h"

#include <QAction>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QTreeView>

#include <chrono>

namespace dg::ui {
namespace {

// How long the launching viewer waits for the comparison-source viewer to show its window. A
// viewer comes up in well under a second; a big report to show first takes longer.
constexpr std::chrono::milliseconds kStartWait{30000};
// How often it looks for that window meanwhile.
constexpr std::chrono::milliseconds kStartLookInterval{100};

// text without its first count characters (code points, so a character is never cut in half).
QString dropCharacters(const QString& text, qsizetype count)
{
    qsizetype at = 0;
    for (qsizetype dropped = 0; dropped < count && at < text.size(); ++dropped)
        at += text[at].isHighSurrogate() && at + 1 < text.size() && text[at + 1].isLowSurrogate() ? 2 : 1;
    return text.mid(at);
}

} // namespace

void MainWindow::connectPartner()
{
    m_partner->setReceiver([this](const PartnerRequest& request) { m_guard.run([&] { WndProc(request); }); });
    connect(m_tv1, &QTreeView::expanded, this,
            [this](const QModelIndex& index) { m_guard.run([&] { TV1Expanded(m_model->nodeId(index)); }); });
    connect(m_tv1, &QTreeView::collapsed, this,
            [this](const QModelIndex& index) { m_guard.run([&] { TV1Collapsed(m_model->nodeId(index)); }); });
}

void MainWindow::TV1Expanded(NodeId node)
{
    Synchronize(SyncKind::Expanded, node);
}

void MainWindow::TV1Collapsed(NodeId node)
{
    Synchronize(SyncKind::Collapsed, node);
}

void MainWindow::Synchronize(SyncKind kind, NodeId node)
{
    const FolderTree& tree = m_session.tree();
    if (m_session.baseName().empty() || !m_synchro || m_partner->isHandlingPartnerMessage() || node == kNoNode)
        return;
    if (m_model->rebuilding() || node >= tree.nodeCount())
        return;
    if (tree.changeClass(node) == ChangeClass::Added)
        return;
    // A splitter of its own: a tree event may come while the window's splitter is in use by an
    // operation that shows a box and so lets events run.
    FieldSplitter splitter;
    const std::string path = syncPathText(tree, m_session.shownLines(), splitter, node);
    m_partner->sendTreeEvent(partnerTitle(), makeEventWord(kind, tree.level(node)), path);
}

void MainWindow::WndProc(const PartnerRequest& request)
{
    using Kind = PartnerRequest::Kind;
    switch (request.kind) {
    case Kind::TreeEvent: WndCopyData(request); break;
    case Kind::SetPartner: WMSetPartner(request.senderTitle, request.geometry); break;
    case Kind::ReloadComp: WMReloadComp(); break;
    case Kind::ReloadDebug: WMReloadDebug(); break;
    case Kind::ReloadSynchro: WMReloadSynchro(); break;
    case Kind::Close: close(); break;
    }
}

void MainWindow::WndCopyData(const PartnerRequest& request)
{
    NodeSelect(request.eventWord, request.path);
}

void MainWindow::NodeSelect(std::uint32_t eventWord, std::string_view pathText)
{
    // A tree that is being rebuilt (a box shown in the middle of a load) is not looked at.
    if (m_model->rebuilding())
        return;
    FieldSplitter splitter;
    const NodeId target =
        findNodeByPath(m_session.tree(), m_session.shownLines(), splitter, eventLevel(eventWord), pathText);
    if (target == kNoNode)
        return;
    const QModelIndex index = m_model->indexOf(target);
    switch (eventKind(eventWord)) {
    case SyncKind::Collapsed: m_tv1->collapse(index); break;
    case SyncKind::Expanded: m_tv1->expand(index); break;
    case SyncKind::Change: m_tv1->setCurrentIndex(index); break;
    }
    expandAncestors(target);
    m_tv1->scrollTo(index);
}

void MainWindow::WMSetPartner(const QString& senderTitle, const std::optional<QRect>& geometry)
{
    // The launching viewer has placed this window beside its own; on this platform it cannot move
    // another process's window, so it says where.
    if (geometry) {
        move(geometry->topLeft());
        resize(geometry->size());
    }
    // The sender's file name follows "Dirgauge - "; the characters dropped are not compared.
    static const qsizetype kPrefixLength = QString::fromLatin1(kProgramName).size() + 3;
    LoadBaseFile(dropCharacters(senderTitle, kPrefixLength), QString::fromLatin1(kNoLaunch));
}

void MainWindow::WMReloadComp()
{
    if (!m_settings)
        return;
    m_compSetting = LoadIniCompSetting(*m_settings);
    // Re-classified only while a comparison is shown (against no base file every folder would
    // count as added) and the tree is whole.
    if (m_session.comparisonShown() && !m_model->rebuilding())
        SetColorInfo();
    m_tv1->viewport()->update();
}

void MainWindow::WMReloadDebug()
{
    if (!m_settings)
        return;
    const bool on =
        m_settings->readBool(settings_keys::kSectionEnv, settings_keys::kKeyDebug, settings_keys::kDefaultDebug);
    m_debugLog.setEnabled(on);
    syncDebugCheck();
    if (!on)
        m_debugLog.end();
}

void MainWindow::WMReloadSynchro()
{
    if (!m_settings)
        return;
    m_synchro = m_settings->readBool(settings_keys::kSectionComp, settings_keys::kKeySynchro,
                                     settings_keys::kDefaultSynchro);
    action(CommandId::Synchro1)->setChecked(m_synchro);
    showComparisonStatus();
}

void MainWindow::startComparisonSource()
{
    const QString title = partnerTitle();
    // No scan starts during the wait: its load would end the comparison being set up.
    action(CommandId::Scan1)->setEnabled(false);
    const ScopeExit scanAgain([this] { action(CommandId::Scan1)->setEnabled(true); });
    ViewerLauncher* launcher = m_context.launcher;
    const bool started = launcher && launcher->start(baseName());

    // The new viewer is looked for every kStartLookInterval. Meanwhile this window paints and
    // serves partner messages but takes no user input, as while it waits for a partner's answer.
    // The wait ends when the window is found, when the new viewer's process has ended, after
    // kStartWait, or when this window has been closed meanwhile (by a partner message).
    const bool wasShown = isVisible();
    const auto closedMeanwhile = [&] { return wasShown && !isVisible(); };
    bool found = m_partner->exists(title);
    QElapsedTimer waited;
    waited.start();
    while (!found && started && launcher->running() && waited.elapsed() < kStartWait.count() && !closedMeanwhile()) {
        QEventLoop pause;
        QTimer::singleShot(kStartLookInterval, &pause, [&pause] { pause.quit(); });
        // Anything but our own quit: the application is ending.
        if (pause.exec(QEventLoop::ExcludeUserInputEvents) != 0)
            break;
        found = m_partner->exists(title);
    }

    // A partner message handled during the wait may have ended this comparison or begun another;
    // the state is then that one's.
    if (partnerTitle() != title)
        return;
    action(CommandId::ExitWithComp1)->setEnabled(true);
    if (!found || closedMeanwhile())
        return;

    const QScreen* screen = QGuiApplication::primaryScreen();
    const int screenWidth = screen ? screen->geometry().width() : 2 * width();
    const PairPlacement placement = placePair(x(), width(), screenWidth);
    if (placement.ownLeft != x())
        move(placement.ownLeft, y());
    const QRect partnerGeometry(placement.partnerLeft, y(), width(), height());

    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    m_partner->sendSetPartner(title, windowTitle(), partnerGeometry);
    raise();
    activateWindow();
}

} // namespace dg::ui
