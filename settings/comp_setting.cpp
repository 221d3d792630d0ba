#include "settings/comp_setting.h"

#include "settings/ini_file.h"
#include "settings/settings_keys.h"

#include <array>
#include <string_view>

namespace dg {

namespace {

struct ColorKey {
    std::string_view key;
    TColor CompSetting::*field;
};

struct LimitKey {
    std::string_view key;
    std::int32_t CompSetting::*field;
};

// The file order: the ten colours, then the four thresholds.
constexpr std::array<ColorKey, 10> kColorKeys{{
    {"F3Ad_ChColor", &CompSetting::F3Ad_ChColor},
    {"F3Ad_BgColor", &CompSetting::F3Ad_BgColor},
    {"F3U1_ChColor", &CompSetting::F3U1_ChColor},
    {"F3U1_BgColor", &CompSetting::F3U1_BgColor},
    {"F3U2_ChColor", &CompSetting::F3U2_ChColor},
    {"F3U2_BgColor", &CompSetting::F3U2_BgColor},
    {"F3D1_ChColor", &CompSetting::F3D1_ChColor},
    {"F3D1_BgColor", &CompSetting::F3D1_BgColor},
    {"F3D2_ChColor", &CompSetting::F3D2_ChColor},
    {"F3D2_BgColor", &CompSetting::F3D2_BgColor},
}};

constexpr std::array<LimitKey, 4> kLimitKeys{{
    {"F3U1_Limit", &CompSetting::F3U1_Limit},
    {"F3U2_Limit", &CompSetting::F3U2_Limit},
    {"F3D1_Limit", &CompSetting::F3D1_Limit},
    {"F3D2_Limit", &CompSetting::F3D2_Limit},
}};

} // namespace

std::string colorToDecimal(TColor color)
{
    return formatProfileInteger(colorToInteger(color));
}

CompSetting LoadIniCompSetting(const IniDocument& document)
{
    using settings_keys::kSectionComp;
    const CompSetting defaults;
    CompSetting setting;
    for (const ColorKey& entry : kColorKeys) {
        const std::int32_t fallback = colorToInteger(defaults.*entry.field);
        setting.*entry.field =
            colorFromInteger(document.readInteger(kSectionComp, entry.key, fallback));
    }
    for (const LimitKey& entry : kLimitKeys)
        setting.*entry.field = document.readInteger(kSectionComp, entry.key, defaults.*entry.field);
    return setting;
}

CompSetting LoadIniCompSetting(const IniFile& file)
{
    return LoadIniCompSetting(file.snapshot());
}

void appendCompSetting(IniBatch& batch, const CompSetting& setting, bool synchro)
{
    using settings_keys::kSectionComp;
    batch.eraseSection(kSectionComp);
    for (const ColorKey& entry : kColorKeys)
        batch.writeInteger(kSectionComp, entry.key, colorToInteger(setting.*entry.field));
    for (const LimitKey& entry : kLimitKeys)
        batch.writeInteger(kSectionComp, entry.key, setting.*entry.field);
    batch.writeBool(kSectionComp, settings_keys::kKeySynchro, synchro);
}

void SaveIniCompSetting(IniFile& file, const CompSetting& setting, bool synchro)
{
    IniBatch batch;
    appendCompSetting(batch, setting, synchro);
    file.commit(batch);
    file.flush();
}

} // namespace dg
