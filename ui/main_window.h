#pragma once
// `TDgaForm1`: the viewer's main window. It shows a ReportSession (the shown report
// (`CurrentLines`), its folder tree and the comparison state, loaded by the sequence the tools
// share) and runs every user command. Start-up (FormCreate: settings,
// command line), loading (LoadFile), the commands and shut-down (FormDestroy: settings written
// back) are split over main_window*.cpp by concern.
//
// Every entry point from Qt (a command, a drop, a tree notification, creation and destruction)
// runs inside the window's ErrorGuard, so no exception crosses the event loop. The public
// handlers below run unguarded when called directly (tests call them through guarded()).
#include "core/folder_tree.h"
#include "core/line_list.h"
#include "core/report_session.h"
#include "core/sync_path.h"
#include "diag/debug_log.h"
#include "settings/comp_setting.h"
#include "settings/exit_settings.h"
#include "settings/viewer_settings.h"
#include "ui/commands.h"
#include "ui/error_guard.h"
#include "ui/pair_channel.h"
#include "ui/partner_link.h"
#include "ui/user_dialogs.h"
#include "ui/viewer_diagnostics.h"
#include "ui/viewer_launcher.h"

#include <QMainWindow>
#include <QStringList>

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

class QAction;
class QDialog;
class QMenuBar;
class QToolBar;
class QTreeView;

namespace dg::ui {

class AboutBox;
class CompSettingsDialog;
class FolderTreeModel;
class StatusPanel;

// What the window needs from the process that makes it.
struct ViewerContext {
    std::filesystem::path settingsPath; // the settings file (need not exist)
    std::filesystem::path debugLogBase; // folder + executable name: logs are <base>01.log ...
    QStringList parameters;             // command-line parameters, program name not included
    std::string collatorLocale;         // ICU locale of the name order; empty: the user's locale
    UserDialogs* dialogs = nullptr;     // not owned; required
    PartnerLink* partner = nullptr;     // not owned; null: no partner is ever found
    ViewerLauncher* launcher = nullptr; // not owned; null: no comparison-source viewer can be started
    ErrorGuard::EndProgram endProgram;  // ends the program after a size error
};

// A text of the core (UTF-8) for a widget or a box.
inline QString uiText(std::string_view utf8)
{
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // The window title's program name; the partner lookup depends on "Dirgauge - " + file name.
    static constexpr const char* kProgramName = "Dirgauge";
    // LoadBaseFile's launch flag: kLaunchSource starts the comparison-source viewer as well.
    static constexpr const char* kLaunchSource = "Y";
    static constexpr const char* kNoLaunch = "N";

    // Builds the window and runs FormCreate (which may load the file named on the command line).
    explicit MainWindow(ViewerContext context, QWidget* parent = nullptr);
    // Runs FormDestroy unless it has run already.
    ~MainWindow() override;

    // The About box and the comparison-settings dialog, made after this window (not owned).
    void setAboutBox(AboutBox* about) { m_aboutBox = about; }
    void setCompSettingsDialog(CompSettingsDialog* dialog) { m_compSettingsDialog = dialog; }

    // Runs action inside the window's error guard; false when it threw (after the box).
    bool guarded(const std::function<void()>& action) { return m_guard.run(action); }

    // Start-up, in the documented order: settings, placement, switches, lists, drops, command
    // states, then the command-line parameter. Called by the constructor.
    void FormCreate(const QStringList& parameters);
    // Shut-down: ends the debug log, writes the settings in the exit order, releases the file.
    // Each of the two steps is guarded on its own, so a failed log does not lose the settings.
    void FormDestroy();

    // Makes fileName the shown report (the 21 loading steps). Throws what the error guard shows.
    void LoadFile(const QString& fileName);
    // Files dropped on the window: more than one gives a message; the first one is loaded.
    void WMDropFiles(const QStringList& fileNames);

    void Open1Click();
    void Exit1Click();
    void View2Click();
    void ShowFolderInfo(NodeId node);
    void About1Click();
    void Debug1Click();
    // Opens the documentation with the desktop's viewer: the README installed beside the
    // program (<prefix>/share/doc/dirgauge), else the one of the installation this build is for,
    // else the one of the source tree it was built from.
    void Help1Click();
    // Those candidates, first choice first.
    static QStringList documentationCandidates();
    void Synchro1Execute();
    void ExitWithComp1Click();
    // The comparison (main_window_compare.cpp). Comp1Click asks for a base file, starting in the
    // folder of BaseName (else of CurrentName), and compares the shown report with it.
    void Comp1Click();
    // Ends the comparison shown (closing the partner) and makes fileName the base file: read,
    // checked, normalised, sorted into BaseLines and classified against. A file that is the shown
    // one is refused with nothing changed; an unrecognised one gives its message; an unreadable
    // one throws. After any failure past the same-file check no comparison is active and
    // BaseLines is empty. The busy cursor is shown meanwhile and restored on every way out.
    // launchFlag kLaunchSource asks for the comparison-source viewer to be started as well.
    void LoadBaseFile(const QString& fileName, const QString& launchFlag);
    // Scans a folder into a new report and shows it (main_window_scan.cpp): asks for the folder and
    // for the file to save (proposed in the snapshot folder), scans in the background behind a
    // progress window that can cancel, shows the warnings of the scan in one box, and then loads
    // the saved report with LoadFile. A cancelled or failed scan leaves no file and changes nothing.
    void Scan1Click();
    // Select and reveal the next changed folder below / above the selected one in tree order
    // (inside collapsed branches too, never the top node, no wrap-around), or say there is none.
    // Nothing happens without a selection.
    void CtrlDown1Execute();
    void CtrlUp1Execute();
    // The comparison settings: the dialog filled from CompSetting and shown; on OK the values go
    // back into CompSetting and the settings file, and during a comparison this viewer
    // re-classifies and the partner is told to re-read them. Cancel stores nothing. A refused
    // settings write throws (the error guard shows it): the new values are then held in memory
    // only, and nothing is re-classified or sent.
    void CSet1Click();
    // The tree's selection changed: View2 is enabled exactly while a node is selected, and the
    // selected node goes to the partner (Synchronize).
    void TV1Change();

    // The pair (main_window_partner.cpp). Synchronize sends the partner one tree event for node,
    // unless no comparison is active, the synchronisation switch is off, this window is handling
    // a message of the partner (so nothing echoes), node is kNoNode, or the node is a newly added
    // folder. No partner found: nothing is sent, nothing is reported.
    void Synchronize(SyncKind kind, NodeId node);
    // The tree expanded / collapsed node, by the user or by the program.
    void TV1Expanded(NodeId node);
    void TV1Collapsed(NodeId node);
    // One message received from the partner (or from a tool speaking the protocol). The window
    // runs it inside its error guard; called directly (tests) it throws what the guard shows.
    void WndProc(const PartnerRequest& request);
    // A tree event: NodeSelect with its event word and path text.
    void WndCopyData(const PartnerRequest& request);
    // Finds the node the path text names at the event word's level and collapses it, expands it
    // by one level or selects it, then makes it visible (its ancestors expanded, scrolled to). A
    // path this tree does not have is ignored; nothing is ever reported.
    void NodeSelect(std::uint32_t eventWord, std::string_view pathText);
    // Classifies every shown folder against BaseLines with the current CompSetting, then re-sorts
    // and repaints the tree (main_window_compare.cpp).
    void SetColorInfo();

    QAction* action(CommandId id) const { return m_actions[static_cast<std::size_t>(id)]; }
    QTreeView* treeView() const { return m_tv1; }
    FolderTreeModel* treeModel() const { return m_model; }
    QMenuBar* commandMenuBar() const { return m_menuBar; }
    QToolBar* commandToolBar() const { return m_toolBar; }
    StatusPanel* statusPanel(int panel) const { return panel == 0 ? m_panel0 : m_panel1; }
    QString statusHint() const;

    const ReportSession& session() const { return m_session; }
    const LineList& currentLines() const { return m_session.shownLines(); }
    const LineList& baseLines() const { return m_session.baseLines(); }
    const FolderTree& tree() const { return m_session.tree(); }
    // The session holds file names as bytes (see file_name.h).
    QString currentName() const;
    QString baseName() const;
    const CompSetting& compSetting() const { return m_settings.comp(); }
    bool synchro() const { return m_settings.synchro(); }
    bool debugSwitch() const { return m_diagnostics.log().enabled(); }
    diag::DebugLog& debugLog() { return m_diagnostics.log(); }
    const std::filesystem::path& settingsPath() const { return m_context.settingsPath; }

    // The folder the Open dialog starts in for a shown file: the part before the last "/", "/"
    // for a file directly in the root, empty when the name has no folder part.
    static QString initialFolderOf(const QString& fileName);
    // The tree font: IPAGothic, 13 pixels, or another installed fixed-pitch font of that size.
    static QFont treeFont();

protected:
    // Enter on the tree's current item while nothing is selected (right after a load) selects it
    // and shows its details; with a selection, Enter is View2's key.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // What the window does at the steps of a load (main_window_load.cpp).
    class SessionSteps;

    // main_window.cpp
    void buildLayout();
    void setTitle(const QString& title);
    QString partnerTitle() const;
    void setPanel0Text(const QString& text, bool fitWidth);
    void setPanel1Text(const QString& text);
    void setStatusHint(const QString& hint);
    // Panel 1 says whether a comparison is shown, and whether it is synchronised.
    void showComparisonStatus();
    void syncDebugCheck();
    void applyPlacement(const FormPlacement& placement);

    // main_window_commands.cpp
    void createCommands();
    void connectCommand(CommandId id, void (MainWindow::*handler)());
    void setCommandsEnabled(std::span<const CommandId> ids, bool enabled);
    // The file chooser of a report (shown or base file), starting in initialFolder.
    static OpenFileRequest reportFileRequest(const QString& initialFolder);

    // main_window_compare.cpp
    NodeId selectedNode() const;
    // The class limits of CompSetting.
    ChangeLimits changeLimits() const;
    // Expands the node's collapsed ancestors, selects it (through TV1Change) and scrolls to it.
    void revealNode(NodeId node);
    // Expands the node's ancestors, the top one first.
    void expandAncestors(NodeId node);

    // main_window_partner.cpp
    // Registers the partner receiver and the tree's expand and collapse notifications.
    void connectPartner();
    // Starts the comparison-source viewer on BaseName, waits for it, places the two windows and
    // makes it this viewer's partner (the hand-shake).
    void startComparisonSource();
    // Sends the tree events queued by Synchronize that still belong to the comparison shown.
    void sendQueuedTreeEvents();
    void WMSetPartner(const QString& senderTitle, const std::optional<QRect>& geometry);
    void WMReloadComp();
    void WMReloadDebug();
    void WMReloadSynchro();

    // The services the window was made with: dialogs, launcher, paths, parameters.
    ViewerContext m_context;
    UserDialogs& m_dialogs; // not owned
    ErrorGuard m_guard;

    PairChannel m_partner; // the partner link and the tree events waiting for it
    ReportSession m_session;
    ViewerSettings m_settings;
    // Forwards the core's progress lines to the log and keeps the Debug1 check mark equal to the
    // switch, which the log turns off by itself when it cannot open a file.
    ViewerDiagnostics m_diagnostics;
    bool m_destroyed = false;

    std::array<QAction*, kCommandCount> m_actions{}; // owned by the window (Qt parent)
    QMenuBar* m_menuBar = nullptr;
    QToolBar* m_toolBar = nullptr;
    QTreeView* m_tv1 = nullptr;
    FolderTreeModel* m_model = nullptr;
    StatusPanel* m_panel0 = nullptr;
    StatusPanel* m_panel1 = nullptr;
    AboutBox* m_aboutBox = nullptr;             // not owned
    CompSettingsDialog* m_compSettingsDialog = nullptr; // not owned
};

} // namespace dg::ui
