#include "core/errors.h"

#include "core/translate.h"

namespace dg {

IndexError::IndexError(long long index)
    : UserError(i18n::format("dg::texts", DG_TRANSLATE_NOOP("dg::texts", "リストのインデックスが範囲を超えています (%1)"),
                             {std::to_string(index)})),
      m_index(index)
{
}

FileOpenError::FileOpenError(const std::string& fullPath, const std::string& reason)
    : UserError(i18n::format("dg::texts", DG_TRANSLATE_NOOP("dg::texts", "ファイル \"%1\". %2 は開けません"), {fullPath, reason}))
{
}

} // namespace dg
