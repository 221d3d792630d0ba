#pragma once
// Section and key names of the settings file and the defaults that go with them. Every reader
// and writer of the file takes its names from here, so the viewer, the pair commands and the
// debug switch agree on them byte for byte.
#include <cstdint>
#include <string_view>

namespace dg::settings_keys {

inline constexpr std::string_view kSectionForm = "Form";
inline constexpr std::string_view kSectionComp = "Comp";
inline constexpr std::string_view kSectionEnv = "Env";

inline constexpr std::string_view kKeyWidth = "Width";
inline constexpr std::string_view kKeyHeight = "Height";
inline constexpr std::string_view kKeyTop = "Top";
inline constexpr std::string_view kKeyLeft = "Left";

inline constexpr std::string_view kKeySynchro = "Synchro";
inline constexpr std::string_view kKeyCurrentName = "CurrentName";
inline constexpr std::string_view kKeyDebug = "Debug";

inline constexpr std::int32_t kDefaultWidth = 450;
// The designed height of the main window, the default of "Height" before the window exists.
inline constexpr std::int32_t kDesignedHeight = 669;
inline constexpr bool kDefaultSynchro = true;
inline constexpr bool kDefaultDebug = false;

} // namespace dg::settings_keys
