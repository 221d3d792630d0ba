#include "core/report_reader.h"

#include "core/encoding.h"
#include "core/errors.h"
#include "core/sjis.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <sys/stat.h>

namespace dg {
namespace {

std::string fullPathOf(const std::string& path)
{
    if (path.empty())
        return path;
    std::error_code ec;
    const auto abs = std::filesystem::absolute(path, ec);
    return ec ? path : abs.string();
}

[[noreturn]] void throwOpenError(const std::string& path, int err)
{
    throw FileOpenError(fullPathOf(path), std::strerror(err));
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

constexpr std::size_t kMaxCut = 1024;

} // namespace

void readReportFile(const std::string& path, LineList& lines)
{
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file)
        throwOpenError(path, errno);
    struct stat st {};
    if (::fstat(fileno(file.get()), &st) != 0)
        throwOpenError(path, errno);
    if (S_ISDIR(st.st_mode))
        throwOpenError(path, EISDIR);

    // Regular files are read in one go at their size; anything else (a pipe, a device) grows.
    std::size_t capacity = S_ISREG(st.st_mode) ? static_cast<std::size_t>(st.st_size) + 1 : 1 << 16;
    std::unique_ptr<char[]> buffer(new char[capacity]); // not zeroed: read into
    std::size_t length = 0;
    for (;;) {
        if (length == capacity) {
            const std::size_t bigger = capacity * 2;
            std::unique_ptr<char[]> grown(new char[bigger]);
            std::memcpy(grown.get(), buffer.get(), length);
            buffer = std::move(grown);
            capacity = bigger;
        }
        const std::size_t got = std::fread(buffer.get() + length, 1, capacity - length, file.get());
        length += got;
        if (got == 0) {
            if (std::ferror(file.get()))
                throwOpenError(path, errno ? errno : EIO);
            break;
        }
    }
    lines.assignText(std::move(buffer), length);
}

FormCheck checkForm(const LineList& lines)
{
    FormCheck check;
    if (lines.size() < 3)
        return check;
    const std::size_t pos = sjis::findMarkerNoCase(lines[0], kHeaderMarker);
    if (pos == std::string_view::npos)
        return check;
    const std::string_view line1 = lines[1];
    if (line1.size() < 2 || line1[1] != ':')
        return check;
    check.recognised = true;
    check.markerPos = pos;
    check.abbreviated = !lines[2].empty() && lines[2][0] == '>';
    return check;
}

HeaderParts headerParts(std::string_view header, std::size_t markerPos)
{
    HeaderParts parts;
    parts.computer = header.substr(0, markerPos);
    const std::size_t after = markerPos + kHeaderMarker.size();
    if (after < header.size())
        parts.startTime = header.substr(after, 255);
    return parts;
}

std::string headerSummary(std::string_view header, std::size_t markerPos, std::string_view utf8Suffix)
{
    const HeaderParts parts = headerParts(header, markerPos);
    std::string text = "コンピュータ　：　";
    encoding::appendSjisAsUtf8(text, parts.computer);
    encoding::appendSjisAsUtf8(text, parts.startTime);
    text.append(utf8Suffix);
    return text;
}

std::string_view headerFirstWord(std::string_view header)
{
    const std::size_t blank = sjis::findChar(header, ' ');
    return blank == std::string_view::npos ? header : header.substr(0, blank);
}

std::string driveSizeDebugLine(std::string_view path, std::string_view driveSize)
{
    std::string line;
    line.reserve(40 + path.size() + driveSize.size());
    line.append("Folder ").append(path).append(" Size set to DriveSize ").append(driveSize);
    return line;
}

void ExpandFullDescription(LineList& lines, FieldSplitter& splitter, DebugSink* debug)
{
    std::vector<std::string> depth; // entry k: the name stored at depth k
    std::string driveSize;
    std::string lastCreated;
    std::string lastUpdated;
    std::string path;

    const std::size_t count = lines.size();
    // The header and the closing line move to the rewritten text first, so that the text as read
    // can be given back as the expansion passes it (the full form is about twice as long).
    if (count >= 2) {
        for (const std::size_t n : {std::size_t{0}, count - 1}) {
            const std::string copy(lines[n]);
            lines.replace(n, copy);
        }
    }
    constexpr std::size_t kReleaseEvery = 32768;
    for (std::size_t n = 1; n + 1 < count; ++n) {
        if (n % kReleaseEvery == 0)
            lines.releaseReadTextBefore(n);
        splitter.split(lines[n]);
        const std::string_view v = splitter.get(0);
        path.clear();
        for (std::size_t k = 0; k < v.size(); ++k) {
            if (v[k] == '>') {
                if (k >= depth.size())
                    throw IndexError(static_cast<long long>(k));
                path.append(depth[k]).push_back('\\');
                continue;
            }
            const std::string_view rest = v.substr(k, kMaxCut);
            path.append(rest);
            if (depth.size() < k + 1)
                depth.emplace_back();
            depth[k].assign(rest);
            break;
        }
        splitter.replaceView(0, path);

        if (path.size() == 2)
            driveSize.assign(splitter.get(1));
        if (path.size() == 3 && splitter.get(1) == "?") {
            splitter.replace(1, driveSize);
            debugOut(debug, driveSizeDebugLine(path, driveSize));
        }
        if (path.size() > 2) {
            if (splitter.get(2).empty())
                splitter.replaceView(2, lastCreated);
            else
                lastCreated.assign(splitter.get(2));
            if (splitter.get(3).empty())
                splitter.replaceView(3, lastUpdated);
            else
                lastUpdated.assign(splitter.get(3));
            if (splitter.get(4).empty())
                splitter.replaceView(4, "16");
        }
        lines.replace(n, splitter.join());
    }
}

void substituteDriveSizes(LineList& lines, FieldSplitter& splitter, DebugSink* debug)
{
    std::string driveSize;
    const std::size_t count = lines.size();
    for (std::size_t n = 1; n + 1 < count; ++n) {
        // Only drive and root lines read their size: most lines need their path field alone.
        splitter.splitFirst(lines[n], 1);
        const std::size_t pathSize = splitter.get(0).size();
        if (pathSize != 2 && pathSize != 3)
            continue;
        splitter.splitFirst(lines[n], 2);
        if (pathSize == 2) {
            driveSize.assign(splitter.get(1));
        } else if (splitter.get(1) == "?") {
            splitter.split(lines[n]);
            splitter.replace(1, driveSize);
            debugOut(debug, driveSizeDebugLine(splitter.get(0), driveSize));
            lines.replace(n, splitter.join());
        }
    }
}

} // namespace dg
