#include "settings/ini_file.h"

#include "core/errors.h"
#include "settings/file_replace.h"

#include <stdexcept>

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
    m_edits.push_back(Edit{true, std::string(section), {}, {}});
}

void IniBatch::writeString(std::string_view section, std::string_view key, std::string_view value)
{
    if (key.empty())
        throw std::invalid_argument("empty settings key name");
    requireNames(section, key);
    m_edits.push_back(Edit{false, std::string(section), std::string(key), std::string(value)});
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
    for (const Edit& edit : m_edits) {
        if (edit.erase)
            document.eraseSection(edit.section);
        else
            document.writeString(edit.section, edit.key, edit.value);
    }
}

IniFile::IniFile(std::filesystem::path path) : m_path(makeAbsolute(std::move(path)))
{
    m_lockPath = m_path;
    m_lockPath += ".lock";
}

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
    const file_replace::ExclusiveLock lock(m_lockPath);
    if (!lock.held())
        refuse();
    // Read under the lock, so that an edit made by the partner since our last look is kept.
    const auto current = file_replace::readWholeFile(m_path, kMaxFileSize);
    if (current.status == file_replace::ReadStatus::Failed || !file_replace::mayReplace(m_path))
        refuse();
    IniDocument document(current.bytes);
    batch.applyTo(document);
    if (!file_replace::replaceFile(m_path, document.bytes()))
        refuse();
}

void IniFile::refuse() const
{
    throw UserError(m_path.string() + " に書き込めません");
}

} // namespace dg
