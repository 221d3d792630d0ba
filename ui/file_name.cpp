#include "ui/file_name.h"

#include "core/encoding.h"

#include <QByteArray>
#include <QFile>
#include <QUrl>

#include <filesystem>
#include <optional>
#include <system_error>

namespace dg::ui {
namespace {

constexpr char16_t kEscapeBase = 0xDC00;

bool isEscapedByte(char16_t unit)
{
    return unit >= kEscapeBase + 0x80 && unit <= kEscapeBase + 0xFF;
}

bool exists(const std::string& path)
{
    std::error_code ec;
    return std::filesystem::symlink_status(path, ec).type() != std::filesystem::file_type::not_found && !ec;
}

} // namespace

QString fileNameText(std::string_view bytes)
{
    QString text;
    text.reserve(static_cast<qsizetype>(bytes.size()));
    while (!bytes.empty()) {
        const std::size_t n = encoding::utf8SequenceLength(bytes);
        if (n == 0) {
            text.append(QChar(static_cast<char16_t>(kEscapeBase + static_cast<unsigned char>(bytes[0]))));
            bytes.remove_prefix(1);
        } else {
            text.append(QString::fromUtf8(bytes.data(), static_cast<qsizetype>(n)));
            bytes.remove_prefix(n);
        }
    }
    return text;
}

std::string fileNameBytes(const QString& name)
{
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(name.size()));
    qsizetype runStart = 0; // start of the stretch of ordinary text not yet converted
    const auto flush = [&](qsizetype end) {
        if (end > runStart)
            bytes += name.mid(runStart, end - runStart).toStdString();
    };
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t unit = name[i].unicode();
        const bool paired = i > 0 && name[i - 1].isHighSurrogate();
        if (isEscapedByte(unit) && !paired) {
            flush(i);
            bytes.push_back(static_cast<char>(unit - kEscapeBase));
            runStart = i + 1;
        }
    }
    flush(name.size());
    return bytes;
}

QString fileNameOfUrl(const QUrl& url)
{
    if (!url.isLocalFile())
        return {};
    // The path as the URL carries it, percent-encoded: decoded to bytes without Qt's UTF-8 step.
    const QByteArray encoded = url.path(QUrl::FullyEncoded).toLatin1();
    const QByteArray bytes = QByteArray::fromPercentEncoding(encoded);
    return fileNameText(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

QString recoverDecodedName(const QString& name)
{
    if (!name.contains(QChar::ReplacementCharacter) || exists(fileNameBytes(name)))
        return name;
    const QStringList parts = name.split(QLatin1Char('/'));
    std::string resolved;
    for (qsizetype k = 0; k < parts.size(); ++k) {
        const QString& part = parts[k];
        if (k > 0)
            resolved.push_back('/');
        if (!part.contains(QChar::ReplacementCharacter)) {
            resolved += fileNameBytes(part);
            continue;
        }
        // The one entry of the folder so far whose name Qt shows as this component.
        std::error_code ec;
        std::optional<std::string> match;
        int matches = 0;
        const std::filesystem::path folder = resolved.empty() ? std::filesystem::path(".") : std::filesystem::path(resolved);
        for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
            const std::string entry = it->path().filename().string();
            if (QFile::decodeName(QByteArray::fromStdString(entry)) == part) {
                match = entry;
                ++matches;
            }
        }
        if (matches != 1)
            return name;
        resolved += *match;
    }
    return fileNameText(resolved);
}

} // namespace dg::ui
