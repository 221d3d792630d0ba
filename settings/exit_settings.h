#pragma once
// What the main window reads from the settings file at start and writes back at exit: the window
// placement, the comparison settings with the synchronisation switch, the file shown last and the
// debug switch.
#include "settings/comp_setting.h"

#include <cstdint>
#include <string>

namespace dg {

class IniFile;

struct FormPlacement {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t top = 0;
    std::int32_t left = 0;

    bool operator==(const FormPlacement&) const = default;
};

struct StartSettings {
    FormPlacement placement;
    CompSetting comp;
    bool synchro = true;
    std::string currentName; // UTF-8 (see IniDocument::readText)
    bool debug = false;
};

// Everything start-up reads, from one look at the file. "Width" defaults to 450; "Height", "Top"
// and "Left" default to the window's current values, given in current. Never fails.
StartSettings readStartSettings(const IniFile& file, const FormPlacement& current);

// "Comp"/"Synchro" (default true) and "Env"/"Debug" (default false), as re-read when the partner
// says they changed.
bool readSynchro(const IniFile& file);
bool readDebug(const IniFile& file);

// The exit sequence: erase "Form" and write "Width", "Height", "Top", "Left"; erase "Comp" and
// write the fourteen comparison keys and "Synchro"; erase "Env" and write "CurrentName" and
// "Debug". Since each section is erased before it is written, the three go to the end of the file
// in this order with exactly these keys; other sections keep their bytes.
//
// currentName is UTF-8; while it reads the same as the value in the file, the file's bytes are kept
// (a name stored as Shift-JIS stays Shift-JIS). All of it is one replacement of the file, so two viewers exiting at the same moment leave one
// of them complete, never a mix. When the system refuses the write, dg::UserError
// "<full path> に書き込めません" is thrown and the file keeps its previous content: no part of the
// sequence is written (with single writes the first one would already have been refused).
void writeExitSettings(IniFile& file, const FormPlacement& placement, const CompSetting& comp,
                       bool synchro, const std::string& currentName, bool debug);

} // namespace dg
