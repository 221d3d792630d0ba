#include "settings/exit_settings.h"

#include "settings/ini_file.h"
#include "settings/settings_keys.h"

#include <filesystem>
#include <system_error>

namespace dg {

using namespace settings_keys;

namespace {

// The shown file's name. File names are bytes here: a stored name that names an existing file as
// it stands is taken as it is, even when it is not UTF-8 (a file named in Shift-JIS bytes);
// any other value is read as text, so the Shift-JIS name of a settings file from a Japanese
// system reads as the characters it holds.
std::string readCurrentName(const IniDocument& document)
{
    std::string stored = document.readString(kSectionEnv, kKeyCurrentName, "");
    std::error_code error;
    if (!stored.empty() && std::filesystem::exists(std::filesystem::path(stored), error))
        return stored;
    return document.readText(kSectionEnv, kKeyCurrentName, "");
}

} // namespace

StartSettings readStartSettings(const IniFile& file, const FormPlacement& current)
{
    const IniDocument document = file.snapshot();
    StartSettings settings;
    settings.placement.width = document.readInteger(kSectionForm, kKeyWidth, kDefaultWidth);
    settings.placement.height = document.readInteger(kSectionForm, kKeyHeight, current.height);
    settings.placement.top = document.readInteger(kSectionForm, kKeyTop, current.top);
    settings.placement.left = document.readInteger(kSectionForm, kKeyLeft, current.left);
    settings.comp = LoadIniCompSetting(document);
    settings.synchro = document.readBool(kSectionComp, kKeySynchro, kDefaultSynchro);
    settings.currentName = readCurrentName(document);
    settings.debug = document.readBool(kSectionEnv, kKeyDebug, kDefaultDebug);
    return settings;
}

bool readSynchro(const IniFile& file)
{
    return file.readBool(kSectionComp, kKeySynchro, kDefaultSynchro);
}

bool readDebug(const IniFile& file)
{
    return file.readBool(kSectionEnv, kKeyDebug, kDefaultDebug);
}

void writeExitSettings(IniFile& file, const FormPlacement& placement, const CompSetting& comp,
                       bool synchro, const std::string& currentName, bool debug)
{
    IniBatch batch;
    batch.eraseSection(kSectionForm);
    batch.writeInteger(kSectionForm, kKeyWidth, placement.width);
    batch.writeInteger(kSectionForm, kKeyHeight, placement.height);
    batch.writeInteger(kSectionForm, kKeyTop, placement.top);
    batch.writeInteger(kSectionForm, kKeyLeft, placement.left);
    appendCompSetting(batch, comp, synchro);
    batch.eraseSection(kSectionEnv);
    batch.writeText(kSectionEnv, kKeyCurrentName, currentName);
    batch.writeBool(kSectionEnv, kKeyDebug, debug);
    file.commit(batch);
    file.flush();
}

} // namespace dg
