#pragma once
// Helpers of the widget tests: a private temporary folder, report files written in Shift-JIS with
// CR LF from UTF-8 lines, and a partner link that records what the window sends.
#include "core/encoding.h"
#include "ui/partner_link.h"

#include <QFile>
#include <QString>
#include <QStringList>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include <ostream>

// Readable QStrings in GoogleTest's failure messages.
QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QStringList& texts, std::ostream* out)
{
    *out << '{';
    for (qsizetype i = 0; i < texts.size(); ++i) {
        *out << (i ? ", " : "");
        PrintTo(texts[i], out);
    }
    *out << '}';
}
QT_END_NAMESPACE

namespace dg::test {

class TempFolder {
public:
    TempFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "dg_ui_XXXXXX").string();
        m_path = ::mkdtemp(pattern.data());
    }
    ~TempFolder()
    {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    QString qpath() const { return QFile::decodeName(QByteArray::fromStdString(m_path.string())); }

    // Writes bytes to name in the folder and returns the file's full path.
    QString writeBytes(const std::string& name, const std::string& bytes) const
    {
        const auto p = m_path / name;
        std::ofstream(p, std::ios::binary) << bytes;
        return QFile::decodeName(QByteArray::fromStdString(p.string()));
    }
    // A report: each UTF-8 line converted to Shift-JIS and ended with CR LF.
    QString writeReport(const std::string& name, const std::vector<std::string>& utf8Lines) const
    {
        std::string bytes;
        for (const auto& line : utf8Lines)
            bytes += encoding::utf8ToSjis(line) + "\r\n";
        return writeBytes(name, bytes);
    }

private:
    std::filesystem::path m_path;
};

inline std::string readFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class RecordingPartner : public ui::PartnerLink {
public:
    bool found = false;
    std::vector<std::pair<QString, ui::PartnerMessage>> sent;
    QStringList titles;

    bool send(const QString& partnerTitle, ui::PartnerMessage message) override
    {
        sent.emplace_back(partnerTitle, message);
        return found;
    }
    void titleChanged(const QString& title) override { titles.append(title); }
};

} // namespace dg::test
