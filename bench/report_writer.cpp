#include "bench/report_writer.h"

#include <charconv>
#include <filesystem>
#include <stdexcept>

namespace dg::bench::detail {

// Shift-JIS bytes; the comment shows each Japanese name. Several names hold a character whose
// second byte is "\" (0x5C): ソ, 表, 能, 十, 予, 構, 申, 貼. No name ends in "_" and a number, and
// no two differ only in the case of ASCII letters, so appendSiblingName() stays unique.
const std::array<std::string_view, 11> kTopNames = {
    "Windows",
    "Program Files",
    "Program Files (x86)",
    "ProgramData",
    "Users",
    "PerfLogs",
    "$Recycle.Bin",
    "System Volume Information",
    "Intel",
    "\x83\x68\x83\x89\x83\x43\x83\x6f", // ドライバ
    "\x8d\xec\x8b\xc6\x97\x70", // 作業用
};
const std::array<std::string_view, 101> kFolderNames = {
    "System32",
    "Microsoft",
    "Common Files",
    "AppData",
    "Local",
    "Roaming",
    "Temp",
    "Cache",
    "Logs",
    "Config",
    "Packages",
    "Data",
    "bin",
    "lib",
    "include",
    "src",
    "obj",
    "Debug",
    "Release",
    "x64",
    "x86",
    "en-US",
    "ja-JP",
    "assets",
    "images",
    "icons",
    "fonts",
    "docs",
    "backup",
    "archive",
    "old",
    "tools",
    "plugins",
    "modules",
    "node_modules",
    ".git",
    "objects",
    "refs",
    "Resources",
    "Themes",
    "drivers",
    "Setup",
    "Update",
    "Installer",
    "Profiles",
    "Extensions",
    "Sessions",
    "History",
    "Thumbnails",
    "Shared",
    "Acme, Inc",
    "New Folder",
    "2023",
    "2024",
    "\x83\x5c\x83\x74\x83\x67", // ソフト
    "\x95\x5c\x8c\x76\x8e\x5a", // 表計算
    "\x8b\x40\x94\x5c", // 機能
    "\x97\x5c\x92\xe8\x95\x5c", // 予定表
    "\x83\x68\x83\x4c\x83\x85\x83\x81\x83\x93\x83\x67", // ドキュメント
    "\x8e\xca\x90\x5e", // 写真
    "\x83\x5f\x83\x45\x83\x93\x83\x8d\x81\x5b\x83\x68", // ダウンロード
    "\x83\x66\x83\x58\x83\x4e\x83\x67\x83\x62\x83\x76", // デスクトップ
    "\x89\xb9\x8a\x79", // 音楽
    "\x83\x72\x83\x66\x83\x49", // ビデオ
    "\x8c\xa9\x90\xcf\x8f\x91", // 見積書
    "\x90\xbf\x8b\x81\x8f\x91", // 請求書
    "\x89\xef\x8b\x63\x8e\x91\x97\xbf", // 会議資料
    "\x8b\x63\x8e\x96\x98\x5e", // 議事録
    "\x97\xb7\x8d\x73", // 旅行
    "\x89\xc6\x91\xb0", // 家族
    "\x8e\x64\x8e\x96", // 仕事
    "\x90\xdd\x92\xe8", // 設定
    "\x94\x5c\x97\xcd\x8a\x4a\x94\xad", // 能力開発
    "\x8f\x5c\x8e\xfc\x94\x4e", // 十周年
    "\x8d\x5c\x90\xac", // 構成
    "\x95\x5c\x8e\xa6", // 表示
    "\x83\x5c\x81\x5b\x83\x58", // ソース
    "\x83\x65\x83\x58\x83\x67", // テスト
    "\x83\x66\x81\x5b\x83\x5e", // データ
    "\x95\xdb\x91\xb6", // 保存
    "\x8d\xec\x8b\xc6\x92\x86", // 作業中
    "\x89\xdf\x8b\x8e\x95\xaa", // 過去分
    "\x8e\xe6\x88\xb5\x90\xe0\x96\xbe\x8f\x91", // 取扱説明書
    "\x90\x5c\x90\xbf\x8f\x91\x97\xde", // 申請書類
    "\x94\x4e\x89\xea\x8f\xf3", // 年賀状
    "\x83\x41\x83\x8b\x83\x6f\x83\x80", // アルバム
    "\x90\x56\x82\xb5\x82\xa2\x83\x74\x83\x48\x83\x8b\x83\x5f\x81\x5b", // 新しいフォルダー
    "\x83\x6f\x83\x62\x83\x4e\x83\x41\x83\x62\x83\x76", // バックアップ
    "\x8b\xa4\x97\x4c", // 共有
    "\x95\xf1\x8d\x90\x8f\x91", // 報告書
    "\x97\x5c\x8e\x5a", // 予算
    "\x91\x66\x8d\xde", // 素材
    "\x93\x5c\x82\xe8\x95\x74\x82\xaf", // 貼り付け
    "\x8d\x5c\x91\xa2\x8c\x76\x8e\x5a", // 構造計算
    "\xbf\xcc\xc4\xb3\xaa\xb1", // ｿﾌﾄｳｪｱ
    "\x90\x56\x8b\x4b\x81\x40\x8e\x91\x97\xbf", // 新規　資料
    "\x8c\xa9\x90\xcf\x20\x32\x30\x32\x34", // 見積 2024
    "\x83\x51\x81\x5b\x83\x80", // ゲーム
    "\x83\x76\x83\x8d\x83\x57\x83\x46\x83\x4e\x83\x67", // プロジェクト
    "\x88\xf3\x8d\xfc\x97\x70", // 印刷用
    "\x95\x5c\x8f\xb2", // 表彰
};
std::uint64_t ownFilesSize(std::uint64_t random)
{
    // The magnitude in bits of a folder's own files, by share of folders: empty 1/16, up to
    // 64 KiB about a half, up to 4 MiB most of the rest, with a rare multi-gigabyte folder.
    static constexpr std::array<std::uint8_t, 64> kMagnitude = {
        0,  0,  0,  0,  8,  9,  10, 10, 11, 11, 12, 12, 12, 13, 13, 13,
        14, 14, 14, 14, 15, 15, 15, 15, 16, 16, 16, 16, 16, 17, 17, 17,
        17, 17, 18, 18, 18, 18, 19, 19, 19, 19, 20, 20, 20, 20, 21, 21,
        21, 22, 22, 22, 23, 23, 24, 19, 20, 17, 20, 18, 16, 14, 12, 10,
    };
    unsigned bits = kMagnitude[random & 63];
    if (((random >> 6) & 1023) == 0)
        bits += 8; // a game, a disk image, a video collection
    if (bits == 0)
        return 0;
    return (random >> 16) & ((std::uint64_t{1} << bits) - 1);
}

namespace {

// Days since 1970-01-01 of a proleptic Gregorian date, and back (after H. Hinnant's
// chrono-compatible algorithms; integer arithmetic only).
std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2 ? 1 : 0;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void civilFromDays(std::int64_t z, std::int64_t& y, unsigned& m, unsigned& d)
{
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2 ? 1 : 0);
}

void putDigits(char* out, std::int64_t value, int width)
{
    for (int i = width - 1; i >= 0; --i) {
        out[i] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
}

bool readDigits(std::string_view text, std::size_t pos, std::size_t count, int& value)
{
    value = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const char c = text[pos + i];
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    return true;
}

} // namespace

std::int64_t secondsFromCivil(int year, int month, int day, int hour, int minute, int second)
{
    return daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) * 86400 +
           hour * 3600 + minute * 60 + second;
}

void formatTimestamp(std::int64_t seconds, char* out)
{
    std::int64_t days = seconds / 86400;
    std::int64_t rest = seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    std::int64_t y = 0;
    unsigned m = 0;
    unsigned d = 0;
    civilFromDays(days, y, m, d);
    if (y < 0 || y > 9999)
        y = y < 0 ? 0 : 9999;
    putDigits(out, y, 4);
    out[4] = '/';
    putDigits(out + 5, m, 2);
    out[7] = '/';
    putDigits(out + 8, d, 2);
    out[10] = ' ';
    putDigits(out + 11, rest / 3600, 2);
    out[13] = ':';
    putDigits(out + 14, rest / 60 % 60, 2);
    out[16] = ':';
    putDigits(out + 17, rest % 60, 2);
}

bool parseTimestamp(std::string_view text, std::size_t pos, std::int64_t& seconds)
{
    if (pos + kTimestampLength > text.size())
        return false;
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    const bool digits = readDigits(text, pos, 4, y) && readDigits(text, pos + 5, 2, mo) &&
                        readDigits(text, pos + 8, 2, d) && readDigits(text, pos + 11, 2, h) &&
                        readDigits(text, pos + 14, 2, mi) && readDigits(text, pos + 17, 2, s);
    if (!digits || text[pos + 4] != '/' || text[pos + 7] != '/' || text[pos + 10] != ' ' ||
        text[pos + 13] != ':' || text[pos + 16] != ':')
        return false;
    if (mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s > 59)
        return false;
    seconds = secondsFromCivil(y, mo, d, h, mi, s);
    return true;
}

std::size_t findLastTimestamp(std::string_view text)
{
    std::int64_t ignored = 0;
    for (std::size_t pos = text.size(); pos >= kTimestampLength; --pos) {
        if (parseTimestamp(text, pos - kTimestampLength, ignored))
            return pos - kTimestampLength;
    }
    return std::string_view::npos;
}

bool needsQuotes(std::string_view field)
{
    for (const char c : field) {
        const auto b = static_cast<unsigned char>(c);
        // A Shift-JIS second byte is 0x40 or above, so this byte test cannot misfire inside a
        // double-byte character.
        if ((b >= 1 && b <= 32) || b == '"' || b == ',')
            return true;
    }
    return false;
}

namespace {
constexpr std::size_t kChunkSize = std::size_t{1} << 20;
} // namespace

ReportWriter::ReportWriter(ReportForm form, const ChunkSink& sink) : m_form(form), m_sink(sink)
{
    m_buffer.reserve(kChunkSize + 4096);
}

void ReportWriter::field(std::string_view text)
{
    if (!needsQuotes(text)) {
        m_buffer += text;
        return;
    }
    m_buffer += '"';
    for (std::size_t quote = text.find('"'); quote != std::string_view::npos;
         quote = text.find('"')) {
        m_buffer.append(text.substr(0, quote + 1));
        m_buffer += '"';
        text.remove_prefix(quote + 1);
    }
    m_buffer += text;
    m_buffer += '"';
}

void ReportWriter::endLine()
{
    m_buffer += "\r\n";
    if (m_buffer.size() >= kChunkSize) {
        m_sink(m_buffer);
        m_buffer.clear();
    }
}

void ReportWriter::rawLine(std::string_view text)
{
    m_buffer += text;
    endLine();
}

void ReportWriter::drive(std::string_view drive, std::string_view size, std::string_view usage)
{
    m_path.assign(drive);
    m_pathEnds.assign(1, drive.size() + 1);
    m_pathQuoted.assign(1, needsQuotes(drive) ? 1 : 0);
    field(drive);
    m_buffer += ',';
    field(size);
    m_buffer += ',';
    field(usage);
    endLine();
}

void ReportWriter::folder(unsigned depth, std::string_view name, std::optional<std::uint64_t> size,
                          std::string_view created, std::string_view updated,
                          std::string_view attributes)
{
    if (m_pathEnds.empty() || depth > m_pathEnds.size())
        throw std::logic_error("report writer: folder line without its parent");
    const bool abbreviated = m_form == ReportForm::Abbreviated;
    if (depth == 0) {
        m_path.resize(m_pathEnds[0] - 1);
        m_path += '\\';
        m_pathEnds.resize(1);
        m_pathQuoted.resize(1);
        m_buffer += abbreviated ? ">" : m_pathQuoted[0] ? "\"" + m_path + "\"" : m_path;
    } else {
        m_path.resize(m_pathEnds[depth - 1]);
        if (depth > 1)
            m_path += '\\';
        m_path += name;
        m_pathEnds.resize(depth);
        m_pathEnds.push_back(m_path.size());
        m_pathQuoted.resize(depth);
        m_pathQuoted.push_back(m_pathQuoted[depth - 1] || needsQuotes(name) ? 1 : 0);
        if (abbreviated) {
            // The marks go inside the quotes: the quotes belong to the whole field.
            if (needsQuotes(name)) {
                m_scratch.assign(depth, '>');
                m_scratch += name;
                field(m_scratch);
            } else {
                m_buffer.append(depth, '>');
                m_buffer += name;
            }
        } else {
            field(m_path);
        }
    }
    m_buffer += ',';
    if (size) {
        char digits[24];
        const auto end = std::to_chars(digits, digits + sizeof digits, *size).ptr;
        m_buffer.append(digits, end);
    } else {
        m_buffer += '?';
    }
    m_buffer += ',';
    if (abbreviated) {
        // An empty field repeats the last date given in it; attributes 16 may be left empty.
        if (created != m_lastCreated) {
            field(created);
            m_lastCreated.assign(created);
        }
        m_buffer += ',';
        if (updated != m_lastUpdated) {
            field(updated);
            m_lastUpdated.assign(updated);
        }
        m_buffer += ',';
        if (attributes != "16")
            field(attributes);
    } else {
        field(created);
        m_buffer += ',';
        field(updated);
        m_buffer += ',';
        field(attributes);
    }
    endLine();
}

void ReportWriter::finish()
{
    if (!m_buffer.empty())
        m_sink(m_buffer);
    m_buffer.clear();
}

} // namespace dg::bench::detail

namespace dg::bench {

ReportFile::ReportFile(const std::string& path) : m_path(path)
{
    if (path == "-") {
        m_file = stdout;
        return;
    }
    m_file = std::fopen(path.c_str(), "wb");
    if (m_file == nullptr)
        throw std::runtime_error("cannot create " + path);
}

ReportFile::~ReportFile()
{
    try {
        close();
    } catch (const std::runtime_error&) {
        // The owner that cares calls close() itself and sees the error.
    }
}

void ReportFile::write(std::string_view chunk)
{
    if (m_file == nullptr)
        throw std::runtime_error("write to closed file " + m_path);
    if (std::fwrite(chunk.data(), 1, chunk.size(), m_file) != chunk.size())
        throw std::runtime_error("cannot write " + m_path);
}

void ReportFile::close()
{
    if (m_file == nullptr)
        return;
    std::FILE* file = m_file;
    m_file = nullptr;
    const bool failed = file == stdout ? std::fflush(file) != 0 : std::fclose(file) != 0;
    if (failed)
        throw std::runtime_error("cannot write " + m_path);
}

std::string readWholeFile(const std::string& path)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        throw std::runtime_error("cannot open " + path);
    std::string text;
    std::error_code ec;
    if (const auto size = std::filesystem::file_size(path, ec); !ec)
        text.reserve(static_cast<std::size_t>(size));
    char chunk[1 << 16];
    std::size_t n = 0;
    while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        text.append(chunk, n);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed)
        throw std::runtime_error("cannot read " + path);
    return text;
}

} // namespace dg::bench
