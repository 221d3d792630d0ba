#include "tools/report_output.h"

#include "core/encoding.h"

#include <charconv>
#include <string_view>

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
    std::fwrite(text.data(), 1, text.size(), out);
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

} // namespace

static void appendNumber(std::string& out, std::size_t value)
{
    char buf[24];
    const auto result = std::to_chars(buf, buf + sizeof buf, value);
    out.append(buf, result.ptr);
}

void writeTsv(const ReportView& view, std::FILE* out)
{
    FieldSplitter splitter;
    std::string label;
    std::string line;
    for (std::size_t i = 0; i < view.tree.nodeCount(); ++i) {
        const NodeId id = view.tree.nodeAtAbsolute(i);
        if (!shown(view, id))
            continue;
        line.clear();
        appendNumber(line, i);
        line.push_back('\t');
        appendNumber(line, view.tree.level(id));
        line.push_back('\t');
        appendNumber(line, view.tree.lineIndex(id));
        line.push_back('\t');
        appendNumber(line, static_cast<unsigned>(view.tree.changeClass(id)));
        line.push_back('\t');
        label.clear();
        view.tree.appendLabel(label, id, view.lines, splitter);
        encoding::appendSjisAsUtf8(line, label);
        line.push_back('\n');
        put(out, line);
    }
}

void writeTree(const ReportView& view, std::FILE* out, bool colour)
{
    FieldSplitter splitter;
    std::string line;
    for (std::size_t i = 0; i < view.tree.nodeCount(); ++i) {
        const NodeId id = view.tree.nodeAtAbsolute(i);
        if (!shown(view, id))
            continue;
        const ChangeClass c = view.tree.changeClass(id);
        const char* code = classCode(c);
        const char* ansi = colour ? classColour(c) : nullptr;
        line.assign(2 * view.tree.level(id), ' ');
        if (ansi)
            line.append(ansi);
        line.append(encoding::sjisToUtf8(view.tree.label(id, view.lines, splitter)));
        if (ansi)
            line.append("\x1b[0m");
        if (code)
            line.append("  [").append(code).append("]");
        line.push_back('\n');
        put(out, line);
    }
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
        putJsonString(out, encoding::sjisToUtf8(view.tree.label(id, view.lines, splitter)));
        put(out, "}");
    }
    put(out, "\n  ]\n}\n");
}

void writeReportLines(const LineList& lines, std::FILE* out)
{
    for (std::size_t i = 0; i < lines.size(); ++i) {
        put(out, lines[i]);
        put(out, "\r\n");
    }
}

} // namespace dg::tools
