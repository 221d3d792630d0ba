#pragma once
// Errors that reach the user. Each carries the exact text the user sees, in UTF-8; the viewer's
// guard around every entry point from Qt shows it in the error box, the command-line tools print
// it on standard error.
#include <cstddef>
#include <stdexcept>
#include <string>

namespace dg {

class UserError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A field or depth-list entry that does not exist was read or written.
// Text: "リストのインデックスが範囲を超えています (N)".
class IndexError : public UserError {
public:
    explicit IndexError(long long index);
    long long index() const { return m_index; }

private:
    long long m_index;
};

// A file could not be opened or read. Text: ファイル "<full path>". <reason> は開けません
class FileOpenError : public UserError {
public:
    FileOpenError(const std::string& fullPath, const std::string& reason);
};

// A folder size that is neither "?" nor a number. The viewer and the tools end after showing it.
// Text: n + "行目のサイズがエラーです。終了します。" + CR + the line (converted to UTF-8).
class SizeError : public UserError {
public:
    SizeError(std::size_t lineIndex, const std::string& text) : UserError(text), m_line(lineIndex) {}
    std::size_t lineIndex() const { return m_line; }

private:
    std::size_t m_line;
};

} // namespace dg
