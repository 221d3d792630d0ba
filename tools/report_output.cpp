#include "tools/report_output.h"

#include "core/encoding.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <deque>
#include <future>
#include <string_view>
#include <system_error>

namespace dg::tools {
namespace {

bool shown(const ReportView& view, NodeId id)
{
    if (!view.changedOnly)
        return true;
    const auto c = static_cast<unsigned>(view.tree.changeClass(id));
    return c >= 1 && c <= 5;
}

const char* classCode(ChangeClass c)
{
    switch (c) {
    case ChangeClass::Added: return "Ad";
    case ChangeClass::Increased: return "U1";
    case ChangeClass::GreatlyIncreased: return "U2";
    case ChangeClass::Decreased: return "D1";
    case ChangeClass::GreatlyDecreased: return "D2";
    case ChangeClass::None:
    case ChangeClass::Unchanged: return nullptr;
    }
    return nullptr;
}

// ANSI colours close to the viewer's default class colours.
const char* classColour(ChangeClass c)
{
    switch (c) {
    case ChangeClass::Added: return "\x1b[90;43m";
    case ChangeClass::Increased: return "\x1b[35m";
    case ChangeClass::GreatlyIncreased: return "\x1b[31m";
    case ChangeClass::Decreased: return "\x1b[32m";
    case ChangeClass::GreatlyDecreased: return "\x1b[34m";
    case ChangeClass::None:
    case ChangeClass::Unchanged: return nullptr;
    }
    return nullptr;
}

void put(std::FILE* out, std::string_view text)
{
    errno = 0;
    if (std::fwrite(text.data(), 1, text.size(), out) != text.size())
        throw OutputError(errno != 0 ? errno : EIO);
}

void putJsonString(std::FILE* out, std::string_view text)
{
    std::string s = "\"";
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
        case '"': s += "\\\""; break;
        case '\\': s += "\\\\"; break;
        case '\n': s += "\\n"; break;
        case '\r': s += "\\r"; break;
        case '\t': s += "\\t"; break;
        default:
            if (c < 0x20) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", c);
                s += buf;
            } else {
                s.push_back(ch);
            }
        }
    }
    s.push_back('"');
    put(out, s);
}

// Formats the nodes in absolute order, chunk by chunk: two chunks are formatted on other threads
// while the one before them is written, so a report of millions of folders takes the time of
// about half its formatting. Each chunk has its own splitter; the tree and lines are only read.
template <class FormatNode>
void writeChunked(const ReportView& view, std::FILE* out, FormatNode formatNode)
{
    constexpr std::size_t kChunk = 4096;
    const std::size_t n = view.tree.nodeCount();
    auto formatChunk = [&view, &formatNode, n](std::size_t first) {
        FieldSplitter splitter;
        std::string text;
        std::string scratch;
        // Room for the chunk at once: growing it step by step would copy it and touch fresh pages
        // each time.
        text.reserve(kChunk * 96);
        for (std::size_t i = first; i < std::min(n, first + kChunk); ++i) {
            const NodeId id = view.tree.nodeAtAbsolute(i);
            if (shown(view, id))
                formatNode(text, scratch, splitter, i, id);
        }
        return text;
    };
    std::deque<std::future<std::string>> pending;
    std::size_t next = 0;
    auto launch = [&] {
        if (next < n) {
            try {
                pending.push_back(std::async(std::launch::async, formatChunk, next));
            } catch (const std::system_error&) {
                // No thread to be had: the chunk is formatted here when its turn comes.
                pending.push_back(std::async(std::launch::deferred, formatChunk, next));
            }
            next += kChunk;
        }
    };
    launch();
    launch();
    while (!pending.empty()) {
        const std::string text = pending.front().get();
        pending.pop_front();
        launch();
        put(out, text);
    }
}

void appendNumber(std::string& out, std::size_t value)
{
    char buf[24];
    const auto result = std::to_chars(buf, buf + sizeof buf, value);
    out.append(buf, result.ptr);
}

} // namespace

void writeTsv(const ReportView& view, std::FILE* out)
{
    writeChunked(view, out, [&view](std::string& text, std::string& label, FieldSplitter& splitter, std::size_t i, NodeId id) {
        appendNumber(text, i);
        text.push_back('\t');
        appendNumber(text, view.tree.level(id));
        text.push_back('\t');
        appendNumber(text, view.tree.lineIndex(id));
        text.push_back('\t');
        appendNumber(text, static_cast<unsigned>(view.tree.changeClass(id)));
        text.push_back('\t');
        label.clear();
        view.tree.appendLabel(label, id, view.lines, splitter);
        encoding::appendTextAsUtf8(text, view.lines.kind().encoding, label);
        text.push_back('\n');
    });
}

void writeTree(const ReportView& view, std::FILE* out, bool colour)
{
    writeChunked(view, out, [&view, colour](std::string& text, std::string& label, FieldSplitter& splitter, std::size_t, NodeId id) {
        const ChangeClass c = view.tree.changeClass(id);
        const char* code = classCode(c);
        const char* ansi = colour ? classColour(c) : nullptr;
        text.append(2 * view.tree.level(id), ' ');
        if (ansi)
            text.append(ansi);
        label.clear();
        view.tree.appendLabel(label, id, view.lines, splitter);
        encoding::appendTextAsUtf8(text, view.lines.kind().encoding, label);
        if (ansi)
            text.append("\x1b[0m");
        if (code)
            text.append("  [").append(code).append("]");
        text.push_back('\n');
    });
}

void writeJson(const ReportView& view, std::FILE* out)
{
    FieldSplitter splitter;
    put(out, "{\n  \"file\": ");
    putJsonString(out, view.fileName);
    put(out, ",\n  \"status\": ");
    putJsonString(out, view.statusText);
    put(out, ",\n  \"nodes\": [");
    bool first = true;
    for (std::size_t i = 0; i < view.tree.nodeCount(); ++i) {
        const NodeId id = view.tree.nodeAtAbsolute(i);
        if (!shown(view, id))
            continue;
        const NodeId parent = view.tree.parent(id);
        std::string head = first ? "\n    {" : ",\n    {";
        first = false;
        head += "\"index\": " + std::to_string(i) + ", \"level\": " + std::to_string(view.tree.level(id)) +
                ", \"line\": " + std::to_string(view.tree.lineIndex(id)) +
                ", \"class\": " + std::to_string(static_cast<unsigned>(view.tree.changeClass(id))) +
                ", \"parent\": " + (parent == kNoNode ? std::string("null") : std::to_string(view.tree.absoluteIndex(parent))) +
                ", \"label\": ";
        put(out, head);
        putJsonString(out, encoding::textToUtf8(view.lines.kind().encoding, view.tree.label(id, view.lines, splitter)));
        put(out, "}");
    }
    put(out, "\n  ]\n}\n");
}

void writeReportLines(const LineList& lines, std::FILE* out)
{
    if (lines.kind().utf8())
        put(out, kUtf8Mark);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        put(out, lines[i]);
        put(out, "\r\n");
    }
}

} // namespace dg::tools
