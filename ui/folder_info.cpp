#include "ui/folder_info.h"

#include "core/encoding.h"
#include "core/numbers.h"

#include <QCoreApplication>

#include <cstdint>
#include <limits>

namespace dg::ui {
namespace {

std::string utf8(std::string_view text, TextEncoding enc)
{
    return encoding::textToUtf8(enc, text);
}

// A label of the details in the user's language.
std::string translated(const char* text)
{
    return QCoreApplication::translate("FolderInfo", text).toStdString();
}

} // namespace

std::string attributeNames(std::string_view attributesField)
{
    struct Bit {
        std::uint32_t mask;
        const char* name;
    };
    static constexpr Bit kBits[] = {
        {0x1, "ReadOnly "}, {0x2, "Hidden "},   {0x4, "System "},
        {0x10, "Directory "}, {0x20, "Archive "}, {0x800, "Compressed "},
    };
    const auto value = parseInt64(attributesField);
    if (!value || *value < std::numeric_limits<std::int32_t>::min() || *value > std::numeric_limits<std::int32_t>::max())
        return {};
    const auto bits = static_cast<std::uint32_t>(static_cast<std::int32_t>(*value));
    std::string names;
    for (const Bit& bit : kBits) {
        if (bits & bit.mask)
            names += bit.name;
    }
    return names;
}

std::string driveDetails(std::string_view driveLine, FieldSplitter& splitter, ReportKind kind)
{
    const TextEncoding enc = kind.encoding;
    splitter.split(driveLine);
    std::string text = translated(QT_TRANSLATE_NOOP("FolderInfo", "ドライブ\t： "));
    // A volume line's path without the ":" that ends it there.
    const std::string_view drive = splitter.getOr(0);
    text += utf8(kind.posix() && posix::isVolumeField(drive) ? posix::volumePath(drive) : drive, enc);
    text += "\r\r";
    text += translated(QT_TRANSLATE_NOOP("FolderInfo", "使用率\t： "));
    text += utf8(splitter.getOr(2), enc);
    return text;
}

std::string folderDetails(std::string_view folderLine, FieldSplitter& splitter, ReportKind kind)
{
    const TextEncoding enc = kind.encoding;
    splitter.split(folderLine);
    std::string text = translated(QT_TRANSLATE_NOOP("FolderInfo", "フォルダ　\t： "));
    text += utf8(splitter.getOr(0), enc);
    text += "\r\r";
    text += translated(QT_TRANSLATE_NOOP("FolderInfo", "作成日付　\t： "));
    text += utf8(splitter.getOr(2), enc);
    text += "\r";
    text += translated(QT_TRANSLATE_NOOP("FolderInfo", "更新日付　\t： "));
    text += utf8(splitter.getOr(3), enc);
    text += "\r";
    text += translated(QT_TRANSLATE_NOOP("FolderInfo", "属性 ("));
    text += utf8(splitter.getOr(4), enc);
    text += translated(QT_TRANSLATE_NOOP("FolderInfo", ")　\t： "));
    text += attributeNames(splitter.getOr(4));
    return text;
}

} // namespace dg::ui
