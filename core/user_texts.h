#pragma once
// The texts that loading and comparing show the user, in UTF-8, in one place: the viewer shows
// them in its boxes and status bar, dirgauge-report prints them on standard error. Each is the
// Japanese source text of its translation; tr() gives it in the user's language.
#include "core/translate.h"

#include <string_view>

namespace dg::texts {

// After the file name: the file is not a folder-information report.
inline constexpr std::string_view kNotRecognised = DG_TRANSLATE_NOOP("dg::texts", " - ファイルの内容を認識できません。");
// The base file chosen is the shown one.
inline constexpr std::string_view kSameFile = DG_TRANSLATE_NOOP("dg::texts", "同じファイルは比較できません。");
// A comparison found no folder whose size differs.
inline constexpr std::string_view kNoChanges = DG_TRANSLATE_NOOP("dg::texts", "異なるサイズのフォルダはありません。");
// Moving to the next changed folder found none in that direction.
inline constexpr std::string_view kNoChangeBelow = DG_TRANSLATE_NOOP("dg::texts", "下方向に異なるサイズのフォルダはありません。");
inline constexpr std::string_view kNoChangeAbove = DG_TRANSLATE_NOOP("dg::texts", "上方向に異なるサイズのフォルダはありません。");

// After the header's computer and start time: the status text of a shown report, and the hint of
// the report it is compared with.
inline constexpr std::string_view kShownSuffix = DG_TRANSLATE_NOOP("dg::texts", " の情報");
inline constexpr std::string_view kBaseSuffix = DG_TRANSLATE_NOOP("dg::texts", " の情報と比較中");

// The status panel while a comparison is shown, with and without synchronisation.
inline constexpr std::string_view kComparing = DG_TRANSLATE_NOOP("dg::texts", "比較中");
inline constexpr std::string_view kComparingSynchro = DG_TRANSLATE_NOOP("dg::texts", "比較中　同期");

// The reason given for a file that is a pipe, a device or anything else but a plain file. It
// stands where the system's own reason (strerror) stands, and stays as it is in every language.
inline constexpr std::string_view kNotRegularFile = "not a regular file";

// One of the texts above in the user's language.
inline std::string_view tr(std::string_view text)
{
    return i18n::translate("dg::texts", text);
}

} // namespace dg::texts
