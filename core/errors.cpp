#include "core/errors.h"

namespace dg {

IndexError::IndexError(long long index)
    : UserError("リストのインデックスが範囲を超えています (" + std::to_string(index) + ")"), m_index(index)
{
}

FileOpenError::FileOpenError(const std::string& fullPath, const std::string& reason)
    : UserError("ファイル \"" + fullPath + "\". " + reason + " は開けません")
{
}

} // namespace dg
