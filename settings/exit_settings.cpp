#include "settings/exit_settings.h"

#include "settings/ini_file.h"
#include "settings/settings_keys.h"

namespace dg {

using namespace settings_keys;

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
    settings.currentName = document.readText(kSectionEnv, kKeyCurrentName, "");
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
