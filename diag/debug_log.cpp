#include "diag/debug_log.h"

#include "core/encoding.h"
#include "core/errors.h"
#include "core/translate.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <ctime>
#include <system_error>

namespace dg::diag {
namespace {

constexpr std::size_t kBufferSize = 64 * 1024;

const std::string& startBanner()
{
    static const std::string banner = encoding::utf8ToSjis("***** デバッグ出力の開始 *****");
    return banner;
}

const std::string& endBanner()
{
    static const std::string banner = encoding::utf8ToSjis("***** デバッグ出力の終了 *****");
    return banner;
}

std::string ioErrorText(int errorNumber)
{
    return i18n::format("dg::diag", DG_TRANSLATE_NOOP("dg::diag", "I/O エラー (%1)"), {std::to_string(errorNumber)});
}

std::string openErrorText(const std::string& fileName)
{
    return i18n::format("dg::diag", DG_TRANSLATE_NOOP("dg::diag", "%1 のオープンエラーです。\r\nデバッグの指定を取り消します。"),
                        {fileName});
}

// errno after a failed C library call; EIO when the library left it unset.
int lastError()
{
    return errno != 0 ? errno : EIO;
}

std::string utf8Name(const std::filesystem::path& path)
{
    const std::u8string name = path.u8string();
    return std::string(name.begin(), name.end());
}

std::filesystem::path candidateName(const std::filesystem::path& basePath, int number)
{
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "%02d.log", number);
    std::filesystem::path name = basePath;
    name += suffix;
    return name;
}

// Creates the file only when nothing of that name exists ("x"), so two viewers opening their
// logs at the same moment never share or truncate one file. Binary mode keeps CR LF as written.
// A fixed file (the tools' --log) is created or truncated instead.
std::FILE* createFile(const std::filesystem::path& path, bool onlyNew)
{
    errno = 0;
#ifdef _WIN32
    return _wfopen(path.c_str(), onlyNew ? L"wbx" : L"wb");
#else
    return std::fopen(path.c_str(), onlyNew ? "wbx" : "wb");
#endif
}

} // namespace

DebugLog::DebugLog(std::filesystem::path basePath, Clock clock, MessageHandler onMessage)
    : m_basePath(std::move(basePath)), m_clock(std::move(clock)), m_onMessage(std::move(onMessage))
{
}

DebugLog::~DebugLog()
{
    try {
        end();
    } catch (...) {
        closeQuietly();
    }
}

void DebugLog::out(std::string_view text)
{
    if (!m_enabled)
        return;
    if (!m_file && !open())
        return;
    writeLine(text);
}

void DebugLog::end()
{
    if (!m_file)
        return;
    std::string line = timestamp(m_clock ? m_clock() : localNow());
    line += endBanner();
    line += "\r\n";
    int error = 0;
    errno = 0;
    if (std::fwrite(line.data(), 1, line.size(), m_file) != line.size())
        error = lastError();
    std::FILE* file = m_file;
    m_file = nullptr;
    m_currentFile.clear();
    errno = 0;
    if (std::fclose(file) != 0 && error == 0)
        error = lastError();
    if (error != 0)
        throw UserError(ioErrorText(error));
}

std::filesystem::path DebugLog::basePathFor(const std::filesystem::path& folder,
                                            const std::filesystem::path& executable)
{
    return folder / executable.filename().stem();
}

LogTime DebugLog::localNow()
{
    using namespace std::chrono;
    const auto now = system_clock::now();
    const auto wholeSeconds = floor<seconds>(now);
    const auto millis = duration_cast<milliseconds>(now - wholeSeconds).count();
    const std::time_t seconds = system_clock::to_time_t(wholeSeconds);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &seconds);
#else
    localtime_r(&seconds, &local);
#endif
    return LogTime{local.tm_mon + 1, local.tm_mday,  local.tm_hour,
                   local.tm_min,     local.tm_sec, static_cast<int>(millis)};
}

std::string DebugLog::timestamp(const LogTime& time)
{
    char text[80];
    const int length = std::snprintf(text, sizeof text, "%02d/%02d %02d:%02d:%02d.%03d ", time.month,
                                     time.day, time.hour, time.minute, time.second,
                                     time.millisecond);
    if (length <= 0)
        return {};
    return std::string(text, std::min(static_cast<std::size_t>(length), sizeof text - 1));
}

bool DebugLog::open()
{
    if (!m_fixedFile.empty()) {
        if (std::FILE* file = createFile(m_fixedFile, false)) {
            begin(file, m_fixedFile);
            return true;
        }
        report(openErrorText(utf8Name(m_fixedFile)));
        return false;
    }
    for (int number = 1; number <= kMaxFiles; ++number) {
        const std::filesystem::path candidate = candidateName(m_basePath, number);
        if (std::FILE* file = createFile(candidate, true)) {
            begin(file, candidate);
            return true;
        }
        const int error = errno;
        std::error_code ignored;
        // Anything of that name, be it a file, a folder or a dangling link, keeps its number.
        if (error == EEXIST || std::filesystem::symlink_status(candidate, ignored).type()
                                   != std::filesystem::file_type::not_found)
            continue;
        report(openErrorText(utf8Name(candidate)));
        return false;
    }
    static constexpr std::string_view kTooMany =
        DG_TRANSLATE_NOOP("dg::diag", "ログファイル数が多すぎます。デバッグの指定を取り消します。");
    report(std::string(i18n::translate("dg::diag", kTooMany)));
    return false;
}

void DebugLog::begin(std::FILE* file, const std::filesystem::path& path)
{
    std::setvbuf(file, nullptr, _IOFBF, kBufferSize);
    m_file = file;
    m_currentFile = path;
    writeLine(startBanner());
}

void DebugLog::writeLine(std::string_view text)
{
    std::string line = timestamp(m_clock ? m_clock() : localNow());
    line += text;
    line += "\r\n";
    errno = 0;
    if (std::fwrite(line.data(), 1, line.size(), m_file) != line.size())
        failWrite(lastError());
}

// The switch goes off before the handler runs, so a message box that lets other code log
// meanwhile cannot bring the same message up again.
void DebugLog::report(const std::string& utf8Message)
{
    m_enabled = false;
    if (m_onMessage)
        m_onMessage(utf8Message);
}

void DebugLog::failWrite(int errorNumber)
{
    closeQuietly();
    m_enabled = false;
    throw UserError(ioErrorText(errorNumber));
}

void DebugLog::closeQuietly()
{
    if (m_file)
        std::fclose(m_file);
    m_file = nullptr;
    m_currentFile.clear();
}

} // namespace dg::diag
