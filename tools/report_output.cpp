#include "tools/report_output.h"

#include "core/encoding.h"

#include "core/helper_thread.h"
#include "core/scope_exit.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <string_view>
#include <vector>

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

// Formats the nodes in absolute order, chunk by chunk, while the chunks before are written. The
// chunks go round `helpers` formatting threads (chunk k to helper k mod helpers), each with its
// own splitter; the tree and lines are only read. A ring of text buffers, each reused for every
// kRing-th chunk, keeps the output from touching fresh memory for each chunk. With no helper (or
// none to be had from the system) the chunks are formatted here, in turn.
template <class FormatNode>
void writeChunked(const ReportView& view, std::FILE* out, unsigned helpers, FormatNode formatNode)
{
    constexpr std::size_t kChunk = 4096;
    constexpr std::size_t kRing = 4; // two chunks ahead for each of two helpers
    constexpr std::size_t kAhead = 8;
    const std::size_t n = view.tree.nodeCount();
    const std::size_t chunks = (n + kChunk - 1) / kChunk;
    auto formatChunk = [&view, &formatNode, n](std::size_t chunk, std::string& text, std::string& scratch,
                                               FieldSplitter& splitter) {
        text.clear();
        // Room for the chunk at once: growing it step by step would copy it and touch fresh pages
        // each time.
        text.reserve(kChunk * 96);
        const std::size_t first = chunk * kChunk;
        for (std::size_t i = first; i < std::min(n, first + kChunk); ++i) {
            // Nodes in tree order read their lines all over the text: the line of a node a few
            // ahead is asked for now, so that it is in the cache when its turn comes.
            if (i + kAhead < n)
                __builtin_prefetch(view.lines[view.tree.lineIndex(view.tree.nodeAtAbsolute(i + kAhead))].data());
            const NodeId id = view.tree.nodeAtAbsolute(i);
            if (shown(view, id))
                formatNode(text, scratch, splitter, i, id);
        }
    };

    constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    struct Slot {
        std::string text;
        std::exception_ptr error;
        std::size_t next = kNone;      // the chunk that may be formatted into text now
        std::size_t formatted = kNone; // the chunk in text, not yet written
    };
    std::array<Slot, kRing> ring;
    for (std::size_t k = 0; k < kRing; ++k)
        ring[k].next = k;
    std::mutex mutex;
    std::condition_variable changed;
    bool stop = false;
    helpers = static_cast<unsigned>(std::min<std::size_t>({helpers, kRing, chunks}));

    // Helper h formats chunks h, h + helpers, ... each into its ring slot once the writer has
    // written that slot's previous chunk (chunk - kRing).
    auto helperWork = [&](unsigned h) {
        FieldSplitter splitter;
        std::string scratch;
        for (std::size_t chunk = h; chunk < chunks; chunk += helpers) {
            Slot& slot = ring[chunk % kRing];
            {
                std::unique_lock lock(mutex);
                changed.wait(lock, [&] { return stop || slot.next == chunk; });
                if (stop)
                    return;
            }
            std::exception_ptr error;
            try {
                formatChunk(chunk, slot.text, scratch, splitter);
            } catch (...) {
                error = std::current_exception();
            }
            {
                std::lock_guard lock(mutex);
                slot.error = error;
                slot.next = kNone;
                slot.formatted = chunk;
            }
            changed.notify_all();
            if (error)
                return;
        }
    };
    std::vector<std::unique_ptr<HelperThread>> threads;
    const auto stopHelpers = [&] {
        {
            std::lock_guard lock(mutex);
            stop = true;
        }
        changed.notify_all();
        for (auto& t : threads)
            t->join();
    };
    const ScopeExit joinOnExit(stopHelpers);
    for (unsigned h = 0; h < helpers; ++h) {
        auto thread = std::make_unique<HelperThread>([&helperWork, h] { helperWork(h); });
        if (!thread->running())
            break;
        threads.push_back(std::move(thread));
    }
    if (threads.empty() || threads.size() != helpers) {
        // Not every helper could be started: those that were stop, and this thread formats all.
        stopHelpers();
        threads.clear();
        FieldSplitter splitter;
        std::string scratch;
        std::string& text = ring[0].text;
        for (std::size_t chunk = 0; chunk < chunks; ++chunk) {
            formatChunk(chunk, text, scratch, splitter);
            put(out, text);
        }
        return;
    }
    for (std::size_t chunk = 0; chunk < chunks; ++chunk) {
        Slot& slot = ring[chunk % kRing];
        {
            std::unique_lock lock(mutex);
            changed.wait(lock, [&] { return slot.formatted == chunk; });
        }
        if (slot.error)
            std::rethrow_exception(slot.error);
        put(out, slot.text);
        {
            std::lock_guard lock(mutex);
            slot.formatted = kNone;
            slot.next = chunk + kRing;
        }
        changed.notify_all();
    }
}

void appendNumber(std::string& out, std::size_t value)
{
    char buf[24];
    const auto result = std::to_chars(buf, buf + sizeof buf, value);
    out.append(buf, result.ptr);
}

} // namespace

void writeTsv(const ReportView& view, std::FILE* out, unsigned helpers)
{
    writeChunked(view, out, helpers, [&view](std::string& text, std::string& label, FieldSplitter& splitter, std::size_t i, NodeId id) {
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

void writeTree(const ReportView& view, std::FILE* out, bool colour, unsigned helpers)
{
    writeChunked(view, out, helpers, [&view, colour](std::string& text, std::string& label, FieldSplitter& splitter, std::size_t, NodeId id) {
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
