#include "settings/ini_file.h"

#include "core/errors.h"
#include "core/translate.h"
#include "settings/file_replace.h"

#include <optional>
#include <stdexcept>
#include <vector>

namespace dg {

namespace {

std::filesystem::path makeAbsolute(std::filesystem::path path)
{
    std::error_code ec;
    auto absolute = std::filesystem::absolute(path, ec);
    return ec ? path : absolute;
}

void requireNames(std::string_view section, std::string_view key)
{
    if (!IniDocument::validSectionName(section))
        throw std::invalid_argument("invalid settings section name: " + std::string(section));
    if (!key.empty() && !IniDocument::validKeyName(key))
        throw std::invalid_argument("invalid settings key name: " + std::string(key));
}

} // namespace

void IniBatch::eraseSection(std::string_view section)
{
    requireNames(section, {});
    m_edits.push_back(Edit{true, false, std::string(section), {}, {}});
}

void IniBatch::writeString(std::string_view section, std::string_view key, std::string_view value)
{
    if (key.empty())
        throw std::invalid_argument("empty settings key name");
    requireNames(section, key);
    m_edits.push_back(Edit{false, false, std::string(section), std::string(key), std::string(value)});
}

void IniBatch::writeText(std::string_view section, std::string_view key, std::string_view utf8Value)
{
    writeString(section, key, utf8Value);
    m_edits.back().text = true;
}

void IniBatch::writeInteger(std::string_view section, std::string_view key, std::int32_t value)
{
    writeString(section, key, formatProfileInteger(value));
}

void IniBatch::writeBool(std::string_view section, std::string_view key, bool value)
{
    writeString(section, key, value ? "1" : "0");
}

void IniBatch::applyTo(IniDocument& document) const
{
    // The stored bytes of the text values, as the document held them before any edit.
    std::vector<std::optional<std::string>> kept(m_edits.size());
    for (std::size_t i = 0; i < m_edits.size(); ++i) {
        const Edit& edit = m_edits[i];
        if (!edit.text)
            continue;
        auto stored = document.findValue(edit.section, edit.key);
        if (stored && document.readText(edit.section, edit.key, {}) == edit.value)
            kept[i] = std::move(stored);
    }
    for (std::size_t i = 0; i < m_edits.size(); ++i) {
        const Edit& edit = m_edits[i];
        if (edit.erase)
            document.eraseSection(edit.section);
        else
            document.writeString(edit.section, edit.key, kept[i] ? *kept[i] : edit.value);
    }
}

IniFile::IniFile(std::filesystem::path path) : m_path(makeAbsolute(std::move(path))) {}

IniDocument IniFile::snapshot() const
{
    const auto read = file_replace::readWholeFile(m_path, kMaxFileSize);
    if (read.status != file_replace::ReadStatus::Ok)
        return IniDocument();
    return IniDocument(read.bytes);
}

std::int32_t IniFile::readInteger(std::string_view section, std::string_view key,
                                  std::int32_t defaultValue) const
{
    return snapshot().readInteger(section, key, defaultValue);
}

bool IniFile::readBool(std::string_view section, std::string_view key, bool defaultValue) const
{
    return snapshot().readBool(section, key, defaultValue);
}

std::string IniFile::readText(std::string_view section, std::string_view key,
                              std::string_view defaultValue) const
{
    return snapshot().readText(section, key, defaultValue);
}

std::string IniFile::readString(std::string_view section, std::string_view key,
                                std::string_view defaultValue) const
{
    return snapshot().readString(section, key, defaultValue);
}

void IniFile::writeInteger(std::string_view section, std::string_view key, std::int32_t value)
{
    IniBatch batch;
    batch.writeInteger(section, key, value);
    commit(batch);
}

void IniFile::writeBool(std::string_view section, std::string_view key, bool value)
{
    IniBatch batch;
    batch.writeBool(section, key, value);
    commit(batch);
}

void IniFile::writeString(std::string_view section, std::string_view key, std::string_view value)
{
    IniBatch batch;
    batch.writeString(section, key, value);
    commit(batch);
}

void IniFile::eraseSection(std::string_view section)
{
    IniBatch batch;
    batch.eraseSection(section);
    commit(batch);
}

void IniFile::commit(const IniBatch& batch)
{
    if (batch.empty())
        return;
    // Both viewers replace the same file (the end of the link chain), so both lock its folder.
    const file_replace::FolderLock lock(file_replace::replacedFile(m_path).parent_path());
    if (!lock.held())
        refuse();
    // Read under the lock, so that an edit made by the partner since our last look is kept.
    const auto current = file_replace::readWholeFile(m_path, kMaxFileSize);
    // Only a readable regular file, or none at all, is replaced: a FIFO, a device or a file we
    // could not read keeps what it is.
    if ((current.status != file_replace::ReadStatus::Ok && current.status != file_replace::ReadStatus::Missing) ||
        !file_replace::mayReplace(m_path))
        refuse();
    IniDocument document(current.bytes);
    batch.applyTo(document);
    if (!file_replace::replaceFile(m_path, document.bytes()))
        refuse();
}

void IniFile::refuse() const
{
    throw UserError(i18n::format("dg::settings", DG_TRANSLATE_NOOP("dg::settings", "%1 に書き込めません"), {m_path.string()}));
}

} // namespace dg
