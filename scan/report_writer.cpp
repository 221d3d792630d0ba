#include "scan/report_writer.h"

#include <charconv>
#include <memory>
#include <optional>
#include <stdexcept>
#include <unicode/ucnv.h>
#include <unicode/ustring.h>

namespace dg::scan {
namespace {

constexpr std::size_t kBlock = 1 << 20;

bool isControl(unsigned char c)
{
    return (c >= 1 && c < 32) || c == 127;
}

bool needsQuotes(std::string_view text)
{
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if ((c >= 1 && c <= 32) || c == '"' || c == ',')
            return true;
    }
    return false;
}

std::string replaceControls(std::string_view name, ReportEncoding encoding)
{
    std::string out;
    for (const char ch : name) {
        const auto c = static_cast<unsigned char>(ch);
        if (!isControl(c)) {
            out.push_back(ch);
        } else if (encoding == ReportEncoding::ShiftJis) {
            out.push_back('?');
        } else {
            // The Control Pictures block: U+2400 + c, and U+2421 for DEL.
            out += "\xE2\x90";
            out.push_back(static_cast<char>(c == 127 ? 0xA1 : 0x80 + c));
        }
    }
    return out;
}

struct ConverterClose {
    void operator()(UConverter* c) const { ucnv_close(c); }
};

// UTF-8 to code page 932; nullopt when the text is not valid UTF-8 or holds a character that code
// page 932 has not (unless replace, which writes "?" for those).
class Cp932Encoder {
public:
    explicit Cp932Encoder(bool replace) : m_replace(replace)
    {
        UErrorCode status = U_ZERO_ERROR;
        m_conv.reset(ucnv_open("windows-31j", &status));
        if (U_FAILURE(status) || !m_conv)
            throw std::runtime_error("the code page 932 converter is not available");
        status = U_ZERO_ERROR;
        if (replace)
            ucnv_setSubstChars(m_conv.get(), "?", 1, &status);
        else
            ucnv_setFromUCallBack(m_conv.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    }

    std::optional<std::string> encode(std::string_view utf8)
    {
        UErrorCode status = U_ZERO_ERROR;
        m_utf16.resize(utf8.size() + 1);
        int32_t len = 0;
        int32_t subs = 0;
        if (m_replace)
            u_strFromUTF8WithSub(m_utf16.data(), static_cast<int32_t>(m_utf16.size()), &len, utf8.data(),
                                 static_cast<int32_t>(utf8.size()), 0xFFFD, &subs, &status);
        else
            u_strFromUTF8(m_utf16.data(), static_cast<int32_t>(m_utf16.size()), &len, utf8.data(),
                          static_cast<int32_t>(utf8.size()), &status);
        if (U_FAILURE(status))
            return std::nullopt;
        std::string out(static_cast<std::size_t>(len) * 2 + 4, '\0');
        ucnv_reset(m_conv.get());
        status = U_ZERO_ERROR;
        const int32_t n = ucnv_fromUChars(m_conv.get(), out.data(), static_cast<int32_t>(out.size()),
                                          m_utf16.data(), len, &status);
        if (U_FAILURE(status))
            return std::nullopt;
        out.resize(static_cast<std::size_t>(n));
        return out;
    }

private:
    bool m_replace;
    std::unique_ptr<UConverter, ConverterClose> m_conv;
    std::vector<UChar> m_utf16;
};

} // namespace

std::string reportText(std::string_view utf8, ReportEncoding encoding)
{
    if (encoding == ReportEncoding::Utf8)
        return std::string(utf8);
    return Cp932Encoder(true).encode(utf8).value_or(std::string(utf8));
}

NameProblems prepareNames(FolderTable& table, ReportForm form, ReportEncoding encoding, bool replaceUnmappable)
{
    NameProblems problems;
    std::optional<Cp932Encoder> encoder;
    std::optional<Cp932Encoder> strict; // tells which names the replacing encoder changed
    if (encoding == ReportEncoding::ShiftJis)
        encoder.emplace(replaceUnmappable);
    if (encoding == ReportEncoding::ShiftJis && replaceUnmappable)
        strict.emplace(false);
    // Last to first: a folder's parents come before it, so their names are still as found when a
    // problem with this one is reported.
    for (std::uint32_t id = table.size(); id-- > 0;) {
        const std::string_view name = table.name(id);
        bool control = false;
        bool plain = true;
        for (const char ch : name) {
            control = control || isControl(static_cast<unsigned char>(ch));
            plain = plain && static_cast<unsigned char>(ch) < 0x80;
        }
        const bool marks = form == ReportForm::Abbreviated && !name.empty() && name.front() == '>';
        if (!control && !marks && (encoding == ReportEncoding::Utf8 || plain))
            continue;
        std::string text = control ? replaceControls(name, encoding) : std::string(name);
        std::string shown = replaceControls(name, ReportEncoding::Utf8);
        if (marks) {
            const std::size_t n = text.find_first_not_of('>');
            std::string fullwidth;
            for (std::size_t k = 0; k < (n == std::string::npos ? text.size() : n); ++k)
                fullwidth += "\xEF\xBC\x9E";
            text.replace(0, fullwidth.size() / 3, fullwidth);
            shown.replace(0, fullwidth.size() / 3, fullwidth);
            plain = false;
        }
        if (control || marks) {
            std::string path = table[id].parent == kNoFolder ? std::string() : folderPath(table, table[id].parent);
            if (!path.empty() && path.back() != '/')
                path.push_back('/');
            if (control)
                problems.controlCharacters.push_back(path + shown);
            if (marks)
                problems.leadingMarks.push_back(path + shown);
        }
        if (encoder && !plain) {
            std::optional<std::string> converted = encoder->encode(text);
            if (!converted) {
                problems.unmappable.push_back(folderPath(table, id));
                continue;
            }
            if (strict && !strict->encode(text))
                ++problems.replacedUnmappable;
            text = std::move(*converted);
        }
        table.setName(id, text);
    }
    return problems;
}

ReportWriter::ReportWriter(const FolderTable& table, ReportForm form, ReportEncoding encoding, ByteSink& sink)
    : m_table(table), m_form(form), m_encoding(encoding), m_sink(sink)
{
    m_out.reserve(kBlock + 64 * 1024);
}

void ReportWriter::field(std::string_view text)
{
    if (!m_firstField)
        m_out.push_back(',');
    m_firstField = false;
    if (!needsQuotes(text)) {
        m_out.append(text);
        return;
    }
    m_out.push_back('"');
    for (const char c : text) {
        m_out.push_back(c);
        if (c == '"')
            m_out.push_back('"');
    }
    m_out.push_back('"');
}

void ReportWriter::endLine()
{
    if (m_encoding == ReportEncoding::ShiftJis)
        m_out.push_back('\r');
    m_out.push_back('\n');
    m_firstField = true;
    flushIfFull();
}

void ReportWriter::flushIfFull()
{
    if (m_out.size() >= kBlock) {
        m_sink.write(m_out);
        m_out.clear();
    }
}

void ReportWriter::header(std::string_view host, std::int64_t startTime)
{
    if (m_encoding == ReportEncoding::Utf8)
        m_out += "\xEF\xBB\xBF";
    m_out.append(host);
    m_out += " CHECK START AT ";
    char date[64];
    m_out.append(date, m_clock.format(startTime, date));
    endLine();
}

void ReportWriter::closing(std::string_view text)
{
    m_out.append(text);
    endLine();
    m_sink.write(m_out);
    m_out.clear();
}

void ReportWriter::folderLine(std::uint32_t id, std::string_view pathField)
{
    const ScannedFolder& f = m_table[id];
    field(pathField);
    char number[24];
    const auto size = std::to_chars(number, number + sizeof number, f.bytes);
    field(std::string_view(number, static_cast<std::size_t>(size.ptr - number)));

    char created[64];
    char updated[64];
    std::string_view createdText;
    std::string_view updatedText;
    if (f.btime != kNoTime)
        createdText = std::string_view(created, static_cast<std::size_t>(m_clock.format(f.btime, created) - created));
    if (f.mtime != kNoTime)
        updatedText = std::string_view(updated, static_cast<std::size_t>(m_clock.format(f.mtime, updated) - updated));
    if (m_form == ReportForm::Full) {
        field(createdText);
        field(updatedText);
        const auto a = std::to_chars(number, number + sizeof number, unsigned{f.attributes});
        field(std::string_view(number, static_cast<std::size_t>(a.ptr - number)));
        return endLine();
    }
    // Abbreviated: a date equal to the last one given in its field is left empty, so an unknown
    // date must be written as something ("-"), never as an empty field.
    auto repeated = [this](std::string_view text, std::string& last) {
        if (text.empty())
            text = "-";
        if (text == last) {
            field({});
        } else {
            field(text);
            last.assign(text);
        }
    };
    repeated(createdText, m_lastCreated);
    repeated(updatedText, m_lastUpdated);
    if (f.attributes == 16) {
        field({});
    } else {
        const auto a = std::to_chars(number, number + sizeof number, unsigned{f.attributes});
        field(std::string_view(number, static_cast<std::size_t>(a.ptr - number)));
    }
    endLine();
}

void ReportWriter::volume(const ReportVolume& volume)
{
    const std::string_view volumePath = m_table.name(volume.root);
    std::string text(volumePath);
    text.push_back(':');
    field(text);
    char number[24];
    const auto size = std::to_chars(number, number + sizeof number, volume.fileSystemBytes);
    field(std::string_view(number, static_cast<std::size_t>(size.ptr - number)));
    const auto pct = std::to_chars(number, number + sizeof number, volume.usagePercent);
    *pct.ptr = '%';
    field(std::string_view(number, static_cast<std::size_t>(pct.ptr + 1 - number)));
    endLine();
    // The root line gives its dates in full, so that no reader can take a repeated date from a
    // line of another volume (or from the volume line's third field).
    m_lastCreated.clear();
    m_lastUpdated.clear();

    const bool full = m_form == ReportForm::Full;
    // The path field of the folder being written: the full path, or marks and the name.
    std::string path(full ? volumePath : ">");
    folderLine(volume.root, path);

    struct Frame {
        std::uint32_t next;
        std::uint32_t end;
        std::size_t pathLen; // the parent's path field length (full form) or depth (abbreviated)
    };
    std::vector<Frame> stack;
    const ScannedFolder& root = m_table[volume.root];
    if (root.childCount > 0)
        stack.push_back(Frame{root.firstChild, root.firstChild + root.childCount, full ? path.size() : 1});
    while (!stack.empty()) {
        Frame& top = stack.back();
        if (top.next == top.end) {
            stack.pop_back();
            continue;
        }
        const std::uint32_t id = top.next++;
        if (full) {
            path.resize(top.pathLen);
            if (path.back() != '/')
                path.push_back('/');
        } else {
            path.assign(top.pathLen, '>');
        }
        path.append(m_table.name(id));
        const std::size_t depth = top.pathLen;
        folderLine(id, path);
        const ScannedFolder& f = m_table[id];
        if (f.childCount > 0)
            stack.push_back(Frame{f.firstChild, f.firstChild + f.childCount, full ? path.size() : depth + 1});
    }
}

} // namespace dg::scan
