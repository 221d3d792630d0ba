#include "settings/viewer_settings.h"

#include "settings/ini_file.h"
#include "settings/settings_keys.h"

namespace dg {

ViewerSettings::ViewerSettings() = default;
ViewerSettings::~ViewerSettings() = default;

StartSettings ViewerSettings::open(const std::filesystem::path& path, const FormPlacement& current)
{
    m_file = std::make_unique<IniFile>(path);
    const StartSettings start = readStartSettings(*m_file, current);
    m_comp = start.comp;
    m_synchro = start.synchro;
    return start;
}

void ViewerSettings::writeSynchro()
{
    m_file->writeBool(settings_keys::kSectionComp, settings_keys::kKeySynchro, m_synchro);
    m_file->flush();
}

void ViewerSettings::writeDebug(bool on)
{
    m_file->writeBool(settings_keys::kSectionEnv, settings_keys::kKeyDebug, on);
    m_file->flush();
}

void ViewerSettings::saveComp()
{
    SaveIniCompSetting(*m_file, m_comp, m_synchro);
}

bool ViewerSettings::reloadComp()
{
    if (!m_file)
        return false;
    m_comp = LoadIniCompSetting(*m_file);
    return true;
}

bool ViewerSettings::reloadSynchro()
{
    if (!m_file)
        return false;
    m_synchro =
        m_file->readBool(settings_keys::kSectionComp, settings_keys::kKeySynchro, settings_keys::kDefaultSynchro);
    return true;
}

std::optional<bool> ViewerSettings::readDebug() const
{
    if (!m_file)
        return std::nullopt;
    return m_file->readBool(settings_keys::kSectionEnv, settings_keys::kKeyDebug, settings_keys::kDefaultDebug);
}

void ViewerSettings::writeExit(const FormPlacement& placement, const std::string& currentName, bool debug)
{
    if (!m_file)
        return;
    writeExitSettings(*m_file, placement, m_comp, m_synchro, currentName, debug);
    m_file->flush();
}

void ViewerSettings::close()
{
    m_file.reset();
}

} // namespace dg
