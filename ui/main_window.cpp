#include "ui/main_window.h"

#include "core/scope_exit.h"
#include "core/user_texts.h"
#include "settings/exit_settings.h"
#include "settings/settings_keys.h"
#include "ui/change_delegate.h"
#include "ui/file_name.h"
#include "ui/folder_tree_model.h"
#include "ui/status_panel.h"
#include "ui/stored_path.h"

#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHeaderView>
#include <QMimeData>
#include <QScreen>
#include <QStatusBar>
#include <QTreeView>

#include <climits>
#include <system_error>

namespace dg::ui {
namespace {

// The designed size: also what the settings file's "Width" and "Height" default to.
constexpr int kDesignedWidth = settings_keys::kDefaultWidth;
constexpr int kDesignedHeight = settings_keys::kDesignedHeight;
constexpr int kPanel0Width = 250;
constexpr int kPanel1Width = 50;
constexpr int kPanelPadding = 3; // each side of a status panel's text
constexpr int kTreeIndent = 19;
// Stands for "no value in the file" when reading the window's top and left, so that a window
// without a stored position is left where the window system puts it.
constexpr std::int32_t kNoPosition = INT32_MIN;

QString initialTitle()
{
    return QString::fromLatin1(MainWindow::kProgramName) + QCoreApplication::translate("MainWindow", " - フォルダ情報のオフライン表示");
}

std::filesystem::path toPath(const QString& name)
{
    return std::filesystem::path(fileNameBytes(name));
}

QString fromPath(const std::filesystem::path& path)
{
    return fileNameText(path.string());
}

} // namespace

MainWindow::MainWindow(ViewerContext context, QWidget* parent)
    : QMainWindow(parent),
      m_context(std::move(context)),
      m_dialogs(*m_context.dialogs),
      m_guard(m_dialogs, m_context.endProgram),
      m_partner(m_context.partner),
      m_session(m_context.collatorLocale),
      m_diagnostics(
          m_context.debugLogBase,
          [this](const std::string& message) { m_dialogs.message(QString::fromStdString(message)); },
          [this] { syncDebugCheck(); })
{
    m_session.setDebugSink(&m_diagnostics);
    buildLayout();
    connectPartner();
    const QStringList parameters = m_context.parameters;
    m_guard.run([&] { FormCreate(parameters); });
}

MainWindow::~MainWindow()
{
    // Messages that arrive from now on (the link may outlive the window) are dropped.
    m_partner->setReceiver({});
    FormDestroy();
}

void MainWindow::buildLayout()
{
    setObjectName(QStringLiteral("TDgaForm1"));
    setTitle(initialTitle());
    resize(kDesignedWidth, kDesignedHeight);
    setMinimumWidth(kDesignedWidth);

    createCommands();

    m_model = new FolderTreeModel(m_session.tree(), m_session.shownLines(), this);
    m_tv1 = new QTreeView(this);
    m_tv1->setObjectName(QStringLiteral("TV1"));
    m_tv1->setFont(treeFont());
    m_tv1->setModel(m_model);
    m_tv1->setHeaderHidden(true);
    m_tv1->setUniformRowHeights(true);
    m_tv1->setIndentation(kTreeIndent);
    m_tv1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tv1->setSelectionMode(QAbstractItemView::SingleSelection);
    m_tv1->setTextElideMode(Qt::ElideNone);
    m_tv1->header()->setStretchLastSection(false);
    m_tv1->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    // The selection stays visible without the focus: the partner's synchronised selection shows.
    QPalette treePalette = m_tv1->palette();
    for (const auto role : {QPalette::Highlight, QPalette::HighlightedText})
        treePalette.setColor(QPalette::Inactive, role, treePalette.color(QPalette::Active, role));
    m_tv1->setPalette(treePalette);
    // Change colours are given while BaseLines holds a base file, that is while a comparison is
    // shown; the classes left in the nodes after it has ended are not painted.
    m_model->setPalette(treePalette);
    m_model->setChangeColors(&m_settings.comp(), [this] { return m_session.comparisonShown(); });
    m_tv1->setItemDelegate(new ChangeDelegate(m_tv1));
    setCentralWidget(m_tv1);
    m_tv1->installEventFilter(this);
    connect(m_tv1->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { m_guard.run([this] { TV1Change(); }); });

    QStatusBar* sb1 = statusBar();
    sb1->setObjectName(QStringLiteral("SB1"));
    m_panel0 = new StatusPanel(kPanel0Width, sb1);
    m_panel0->setObjectName(QStringLiteral("Panel0"));
    m_panel0->setContentsMargins(kPanelPadding, 0, kPanelPadding, 0);
    m_panel0->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Preferred);
    // A long computer name must not push the comparison state out of the window: panel 0 gives
    // way, panel 1 keeps its whole text.
    m_panel0->setElided(true);
    m_panel1 = new StatusPanel(kPanel1Width, sb1);
    m_panel1->setObjectName(QStringLiteral("Panel1"));
    m_panel1->setContentsMargins(kPanelPadding, 0, kPanelPadding, 0);
    m_panel1->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    m_panel1->setKeepWhole(true);
    sb1->addWidget(m_panel0);
    sb1->addWidget(m_panel1, 1);
}

QFont MainWindow::treeFont()
{
    constexpr int kPixelSize = 13;
    const QString preferred = QStringLiteral("IPAGothic");
    QFont font;
    if (QFontDatabase::families().contains(preferred)) {
        font = QFont(preferred);
    } else {
        font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        font.setStyleHint(QFont::TypeWriter);
    }
    font.setPixelSize(kPixelSize);
    return font;
}

void MainWindow::setTitle(const QString& title)
{
    setWindowTitle(title);
    m_partner->titleChanged(title);
}

QString MainWindow::partnerTitle() const
{
    return QString::fromLatin1(kProgramName) + QStringLiteral(" - ") + baseName();
}

void MainWindow::setPanel0Text(const QString& text, bool fitWidth)
{
    if (fitWidth)
        m_panel0->setPanelWidth(m_panel0->fontMetrics().horizontalAdvance(text) + 2 * kPanelPadding +
                                2 * m_panel0->frameWidth());
    m_panel0->setPanelText(text);
}

void MainWindow::setPanel1Text(const QString& text)
{
    m_panel1->setPanelText(text);
}

void MainWindow::setStatusHint(const QString& hint)
{
    statusBar()->setToolTip(hint);
}

QString MainWindow::statusHint() const
{
    return statusBar()->toolTip();
}

void MainWindow::showComparisonStatus()
{
    if (m_session.baseName().empty())
        setPanel1Text(QString());
    else
        // Synchronised only where a partner can be reached at all.
        setPanel1Text(uiText(texts::tr(m_settings.synchro() && m_partner->unavailableReason().isEmpty()
                                                ? texts::kComparingSynchro
                                                : texts::kComparing)));
}

void MainWindow::syncDebugCheck()
{
    action(CommandId::Debug1)->setChecked(m_diagnostics.log().enabled());
}

void MainWindow::FormCreate(const QStringList& parameters)
{
    // One look at the file for everything start-up reads; a missing or unreadable value keeps
    // what the window has (its top and left: where the window system puts it).
    const StartSettings start = m_settings.open(m_context.settingsPath, {width(), height(), kNoPosition, kNoPosition});
    applyPlacement(start.placement);
    action(CommandId::Synchro1)->setChecked(m_settings.synchro());
    m_session.setShownName(start.currentName); // a file name: bytes, as the settings file holds them
    m_diagnostics.log().setEnabled(start.debug);
    syncDebugCheck();
    m_session.clearReports();
    setAcceptDrops(true);
    setCommandsEnabled(kReportCommands, false);

    if (parameters.isEmpty())
        return;
    if (parameters.size() > 1)
        m_dialogs.message(QCoreApplication::translate("MainWindow", "指定できるファイル名は一つだけです。"));
    const QString& parameter = parameters.front();
    // A parameter that names no file is loaded all the same, under its absolute name, so that the
    // message says which file could not be read.
    LoadFile(fromPath(ResolveStoredPath(toPath(parameter))));
}

void MainWindow::applyPlacement(const FormPlacement& p)
{
    resize(p.width, p.height);
    if (p.top == kNoPosition || p.left == kNoPosition)
        return;
    // A position left over from a screen that is gone would put the window out of reach: it is
    // used only when the window's top edge lands on one of the screens.
    const QRect wanted(p.left, p.top, width(), height());
    for (const QScreen* screen : QGuiApplication::screens()) {
        if (screen->availableGeometry().intersects(QRect(wanted.left(), wanted.top(), wanted.width(), 1))) {
            move(p.left, p.top);
            return;
        }
    }
}

void MainWindow::FormDestroy()
{
    if (m_destroyed)
        return;
    m_destroyed = true;
    m_guard.run([this] { m_diagnostics.log().end(); });
    m_guard.run([this] {
        m_settings.writeExit({width(), height(), y(), x()}, m_session.shownName(), m_diagnostics.log().enabled());
    });
    m_settings.close();
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event)
{
    QStringList names;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile())
            names.append(fileNameOfUrl(url));
    }
    if (names.isEmpty())
        return;
    event->acceptProposedAction();
    m_guard.run([&] { WMDropFiles(names); });
}

void MainWindow::WMDropFiles(const QStringList& fileNames)
{
    if (fileNames.isEmpty())
        return;
    if (fileNames.size() > 1)
        m_dialogs.message(QCoreApplication::translate("MainWindow", "ドロップできるファイルは一つだけです。"));
    // Loaded as dropped: the desktop hands over absolute names already. The window comes to the
    // front also when the load fails.
    try {
        LoadFile(fileNames.front());
    } catch (...) {
        raise();
        activateWindow();
        throw;
    }
    raise();
    activateWindow();
}

} // namespace dg::ui
