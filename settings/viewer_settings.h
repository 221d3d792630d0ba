#pragma once
// The viewer's settings state: the settings file, the comparison settings and the synchronisation
// switch, with the reads and writes the window makes of them (start-up, the switches, the reloads
// asked for by the partner viewer, and shut-down).
#include "settings/comp_setting.h"
#include "settings/exit_settings.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace dg {

class IniFile;

class ViewerSettings {
public:
    ViewerSettings();
    ~ViewerSettings();
    ViewerSettings(const ViewerSettings&) = delete;
    ViewerSettings& operator=(const ViewerSettings&) = delete;

    // Opens the settings file (which need not exist) and reads everything start-up needs in one
    // look; a missing or unreadable value keeps what current says. The comparison settings and
    // the synchronisation switch take the values read.
    StartSettings open(const std::filesystem::path& path, const FormPlacement& current);
    // False before open() and after close().
    bool isOpen() const { return m_file != nullptr; }

    const CompSetting& comp() const { return m_comp; }
    // The comparison-settings dialog writes its values here; saveComp() stores them.
    CompSetting& comp() { return m_comp; }
    bool synchro() const { return m_synchro; }

    // Flips the synchronisation switch in memory only; writeSynchro() stores it.
    void toggleSynchro() { m_synchro = !m_synchro; }
    // Store the switch / the debug switch / the comparison settings in the file. The file must be
    // open. A refused write throws; the values are then held in memory only.
    void writeSynchro();
    void writeDebug(bool on);
    void saveComp();

    // The partner asked this viewer to re-read a value. Each does nothing and returns false (or
    // nothing) when the file is not open.
    bool reloadComp();
    bool reloadSynchro();
    std::optional<bool> readDebug() const;

    // Writes the settings kept at shut-down, in the exit order, and flushes. Does nothing when
    // the file is not open.
    void writeExit(const FormPlacement& placement, const std::string& currentName, bool debug);
    // Releases the file.
    void close();

private:
    std::unique_ptr<IniFile> m_file;
    CompSetting m_comp;
    bool m_synchro = true;
};

} // namespace dg
