// The command table made into actions, menus and the tool bar, and the handlers of the commands
// that do not load or show a report.
#include "ui/main_window.h"

#include "ui/about_box.h"

#include <QAction>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QIcon>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QThread>
#include <QToolBar>
#include <QUrl>

namespace dg::ui {
namespace {

// How long ExitWithComp1 waits after closing the partner before closing this window.
constexpr unsigned long kPartnerCloseWaitMs = 100;

} // namespace

void MainWindow::createCommands()
{
    for (const CommandSpec& entry : commandTable()) {
        auto* act = new QAction(commandText(entry.menuCaption), this);
        act->setObjectName(QString::fromLatin1(entry.name));
        act->setIconText(commandText(entry.toolCaption));
        act->setProperty("caption", commandText(entry.caption));
        const QString hint = commandText(entry.hint);
        act->setToolTip(hint.isEmpty() ? QString() : hint);
        act->setStatusTip(hint);
        act->setCheckable(entry.checkable);
        act->setEnabled(entry.enabledAtStart);
        if (entry.image != CommandImage::None)
            act->setIcon(QIcon(QString::fromLatin1(commandImagePath(entry.image))));
        act->setShortcuts(commandShortcuts(entry.id));
        act->setShortcutContext(Qt::WindowShortcut);
        // The action lives in the window, so its shortcut works wherever the focus is inside it.
        addAction(act);
        m_actions[static_cast<std::size_t>(entry.id)] = act;
    }

    connectCommand(CommandId::Open1, &MainWindow::Open1Click);
    connectCommand(CommandId::Comp1, &MainWindow::Comp1Click);
    connectCommand(CommandId::Scan1, &MainWindow::Scan1Click);
    connectCommand(CommandId::ExitWithComp1, &MainWindow::ExitWithComp1Click);
    connectCommand(CommandId::Exit1, &MainWindow::Exit1Click);
    connectCommand(CommandId::View2, &MainWindow::View2Click);
    connectCommand(CommandId::CtrlDown1, &MainWindow::CtrlDown1Execute);
    connectCommand(CommandId::CtrlUp1, &MainWindow::CtrlUp1Execute);
    connectCommand(CommandId::CSet1, &MainWindow::CSet1Click);
    connectCommand(CommandId::Synchro1, &MainWindow::Synchro1Execute);
    connectCommand(CommandId::About1, &MainWindow::About1Click);
    connectCommand(CommandId::Debug1, &MainWindow::Debug1Click);
    connectCommand(CommandId::Help1, &MainWindow::Help1Click);

    // One band at the top: the menu bar and, to its right, the tool bar.
    auto* band = new QWidget(this);
    band->setObjectName(QStringLiteral("CoolBar1"));
    auto* bandLayout = new QHBoxLayout(band);
    bandLayout->setContentsMargins(0, 0, 0, 0);
    bandLayout->setSpacing(0);

    m_menuBar = new QMenuBar(band);
    m_menuBar->setObjectName(QStringLiteral("MainMenu1"));
    for (const MenuSpec& menuSpec : menuTable()) {
        QMenu* menu = m_menuBar->addMenu(commandText(menuSpec.caption));
        for (const MenuEntry& entry : menuSpec.entries) {
            if (entry.separator)
                menu->addSeparator();
            else
                menu->addAction(action(entry.command));
        }
    }

    m_toolBar = new QToolBar(band);
    m_toolBar->setObjectName(QStringLiteral("ToolBar1"));
    m_toolBar->setIconSize(QSize(16, 16));
    m_toolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    m_toolBar->setFloatable(false);
    m_toolBar->setMovable(false);
    m_toolBar->setContentsMargins(0, 0, 0, 0);
    m_toolBar->layout()->setSpacing(0);
    for (const MenuEntry& entry : toolBarTable()) {
        if (entry.separator)
            m_toolBar->addSeparator();
        else
            m_toolBar->addAction(action(entry.command));
    }

    // The menu bar keeps its natural width; the tool bar takes what is left (its extension button
    // shows what does not fit in a narrow window).
    QFont menuFont = m_menuBar->font();
    menuFont.setPixelSize(12);
    m_menuBar->setFont(menuFont);
    m_menuBar->setStyleSheet(QStringLiteral("QMenuBar::item { padding: 2px 2px; }"));
    m_menuBar->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    m_toolBar->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Preferred);
    bandLayout->addWidget(m_menuBar);
    bandLayout->addWidget(m_toolBar);
    bandLayout->addStretch(1);
    setMenuWidget(band);
}

void MainWindow::connectCommand(CommandId id, void (MainWindow::*handler)())
{
    connect(action(id), &QAction::triggered, this, [this, handler] { m_guard.run([this, handler] { (this->*handler)(); }); });
}

void MainWindow::setCommandsEnabled(std::span<const CommandId> ids, bool enabled)
{
    for (const CommandId id : ids)
        action(id)->setEnabled(enabled);
}

OpenFileRequest MainWindow::reportFileRequest(const QString& initialFolder)
{
    OpenFileRequest request;
    request.title = QCoreApplication::translate("MainWindow", "フォルダ情報ファイルを開く");
    request.filterName = QCoreApplication::translate("MainWindow", "全てのファイル");
    request.initialFolder = initialFolder;
    return request;
}

void MainWindow::Open1Click()
{
    if (const auto chosen = m_dialogs.openFile(reportFileRequest(initialFolderOf(currentName()))))
        LoadFile(*chosen);
}

QString MainWindow::initialFolderOf(const QString& fileName)
{
    const qsizetype slash = fileName.lastIndexOf(QLatin1Char('/'));
    if (slash < 0)
        return {};
    if (slash == 0)
        return QStringLiteral("/");
    return fileName.left(slash);
}

void MainWindow::Exit1Click()
{
    close();
}

void MainWindow::About1Click()
{
    if (m_aboutBox)
        m_dialogs.execModal(*m_aboutBox);
}

QStringList MainWindow::documentationCandidates()
{
    return {QCoreApplication::applicationDirPath() + QStringLiteral("/../share/doc/dirgauge/README.md"),
            QStringLiteral(DG_INSTALLED_README), QStringLiteral(DG_SOURCE_README)};
}

void MainWindow::Help1Click()
{
    for (const QString& candidate : documentationCandidates()) {
        const QFileInfo file(candidate);
        if (file.isFile()) {
            m_dialogs.openUrl(QUrl::fromLocalFile(file.canonicalFilePath()));
            return;
        }
    }
    m_dialogs.message(QCoreApplication::translate("MainWindow", "説明書が見つかりません。"));
}

void MainWindow::Debug1Click()
{
    diag::DebugLog& log = m_diagnostics.log();
    const bool on = !log.enabled();
    log.setEnabled(on);
    syncDebugCheck();
    if (!on)
        log.end();
    m_settings.writeDebug(on);
    if (m_session.baseName().empty())
        return;
    // The check mark is painted before the partner is kept waiting for.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    m_partner->send(partnerTitle(), PartnerMessage::ReloadDebug);
}

void MainWindow::Synchro1Execute()
{
    m_settings.toggleSynchro();
    action(CommandId::Synchro1)->setChecked(m_settings.synchro());
    m_settings.writeSynchro();
    showComparisonStatus();
    if (m_session.baseName().empty())
        return;
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    m_partner->send(partnerTitle(), PartnerMessage::ReloadSynchro);
}

void MainWindow::ExitWithComp1Click()
{
    m_partner->send(partnerTitle(), PartnerMessage::Close);
    QThread::msleep(kPartnerCloseWaitMs);
    close();
}

} // namespace dg::ui
