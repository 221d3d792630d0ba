// The comparison pair: tree events sent to the partner (Synchronize) and applied from it
// (NodeSelect), the partner's other messages (the hand-shake, the three reloads, close), and the
// start of the comparison-source viewer that makes a pair.
#include "ui/main_window.h"

#include "core/scope_exit.h"
#include "settings/comp_setting.h"
#include "ui/folder_tree_model.h"
#include "ui/pair_placement.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QWindow>
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
    if (m_session.baseName().empty() || !m_settings.synchro() || m_partner->isHandlingPartnerMessage() || node == kNoNode)
        return;
    if (m_model->rebuilding() || node >= tree.nodeCount())
        return;
    if (tree.changeClass(node) == ChangeClass::Added)
        return;
    // A splitter of its own: a tree event may come while the window's splitter is in use by an
    // operation that shows a box and so lets events run.
    FieldSplitter splitter;
    m_partner.queueTreeEvent(partnerTitle(), makeEventWord(kind, tree.level(node)),
                             syncPathText(tree, m_session.shownLines(), splitter, node));
    // A send waits for the partner and lets events run meanwhile. An expansion may be one of many
    // that the view makes in a row ("*" expands a whole branch), and events run inside that would
    // leave the view's own rows half laid out: expansions and collapses go once the view is done
    // (from the event loop, in order). A selection is a single change: it goes at once, after
    // whatever is still waiting.
    if (kind == SyncKind::Change) {
        sendQueuedTreeEvents();
    } else if (m_partner.postDelivery()) {
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_partner.deliveryStarted();
                m_guard.run([this] { sendQueuedTreeEvents(); });
            },
            Qt::QueuedConnection);
    }
}

void MainWindow::sendQueuedTreeEvents()
{
    m_partner.sendQueuedTreeEvents([this](const QString& eventPartner) {
        return !m_session.baseName().empty() && eventPartner == partnerTitle();
    });
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
    if (!m_settings.reloadComp())
        return;
    // Re-classified only while a comparison is shown (against no base file every folder would
    // count as added) and the tree is whole.
    if (m_session.comparisonShown() && !m_model->rebuilding())
        SetColorInfo();
    m_tv1->viewport()->update();
}

void MainWindow::WMReloadDebug()
{
    const std::optional<bool> read = m_settings.readDebug();
    if (!read)
        return;
    const bool on = *read;
    m_diagnostics.log().setEnabled(on);
    syncDebugCheck();
    if (!on)
        m_diagnostics.log().end();
}

void MainWindow::WMReloadSynchro()
{
    if (!m_settings.reloadSynchro())
        return;
    action(CommandId::Synchro1)->setChecked(m_settings.synchro());
    showComparisonStatus();
}

namespace {

// While the launching viewer waits for the comparison-source viewer, its window stays alive
// (painted, serving partner messages) but takes no command: every key, click, wheel turn, drop
// and shortcut aimed at it is swallowed, not queued, so nothing fires after the wait. Esc and the
// close box end the wait; the window closes after it. Boxes of other windows (a partner message
// may show one meanwhile) work as usual.
class SourceWaitFilter : public QObject {
public:
    explicit SourceWaitFilter(QWidget& window) : m_window(window) {}

    bool cancelled() const { return m_cancelled; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const QEvent::Type type = event->type();
        if (type == QEvent::Close && watched == &m_window) {
            m_cancelled = true;
            event->ignore(); // closed once the wait has ended
            return true;
        }
        if (type == QEvent::Shortcut) {
            const auto* action = qobject_cast<QAction*>(watched);
            if ((action && action->parent() == &m_window) || inWindow(watched))
                return true;
            return false;
        }
        if (!isUserInput(type) || !inWindow(watched))
            return false;
        if (type == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
            m_cancelled = true;
        return true;
    }

private:
    static bool isUserInput(QEvent::Type type)
    {
        switch (type) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TabletPress:
        case QEvent::TabletRelease: return true;
        default: return false;
        }
    }

    bool inWindow(QObject* watched) const
    {
        if (const auto* widget = qobject_cast<QWidget*>(watched))
            return widget->window() == &m_window;
        if (const auto* window = qobject_cast<QWindow*>(watched))
            return window == m_window.windowHandle();
        return false;
    }

    QWidget& m_window;
    bool m_cancelled = false;
};

} // namespace

void MainWindow::startComparisonSource()
{
    const QString title = partnerTitle();
    // Without a partner channel the two windows could not find each other: the second one would
    // open unpaired on top of this one. The comparison stays in this window; the user is told why
    // once.
    if (const QString why = m_partner->unavailableReason(); !why.isEmpty()) {
        action(CommandId::ExitWithComp1)->setEnabled(true);
        if (m_partner.firstCannotPair()) {
            m_dialogs.message(QCoreApplication::translate(
                                  "MainWindow", "比較元のウィンドウと連動できないため、比較はこのウィンドウだけに表示します。\r理由: %1")
                                  .arg(why));
        }
        return;
    }
    // No scan starts during the wait: its load would end the comparison being set up.
    action(CommandId::Scan1)->setEnabled(false);
    const ScopeExit scanAgain([this] { action(CommandId::Scan1)->setEnabled(true); });
    ViewerLauncher* launcher = m_context.launcher;
    const bool started = launcher && launcher->start(baseName());

    // The new viewer is looked for every kStartLookInterval. The wait ends when the window is
    // found, when the new viewer's process has ended, after kStartWait, when the user cancels it
    // (Esc, the close box), or when this window has been closed meanwhile (by a partner message).
    const bool wasShown = isVisible();
    const auto closedMeanwhile = [&] { return wasShown && !isVisible(); };
    bool found = m_partner->exists(title);
    bool cancelled = false;
    if (!found && started && launcher->running()) {
        SourceWaitFilter filter(*this);
        qApp->installEventFilter(&filter);
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        setPanel1Text(QCoreApplication::translate("MainWindow", "比較元の表示を待っています（Esc で中止）"));
        const ScopeExit restore([&] {
            qApp->removeEventFilter(&filter);
            QGuiApplication::restoreOverrideCursor();
            showComparisonStatus();
        });
        QElapsedTimer waited;
        waited.start();
        while (!found && launcher->running() && waited.elapsed() < kStartWait.count() && !closedMeanwhile() &&
               !filter.cancelled()) {
            QEventLoop pause;
            QTimer::singleShot(kStartLookInterval, &pause, [&pause] { pause.quit(); });
            // Anything but our own quit: the application is ending.
            if (pause.exec() != 0)
                break;
            if (!filter.cancelled())
                found = m_partner->exists(title);
        }
        cancelled = filter.cancelled();
    }
    if (cancelled && !closedMeanwhile()) {
        // The user gave up on the pair: the window closes as asked, once this command is over.
        QMetaObject::invokeMethod(this, [this] { close(); }, Qt::QueuedConnection);
        return;
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
