#include "core/tree_builder.h"

#include "core/encoding.h"
#include "core/errors.h"
#include "core/numbers.h"
#include "core/report_reader.h"
#include "core/translate.h"
#include "core/tree_names.h"

#include "core/helper_thread.h"
#include "core/system_file.h"

#include <algorithm>
#include <array>
#include <exception>
#include <new>
#include <optional>
#include <string>
#include <vector>

namespace dg {
namespace {

// W: the width of an L-digit number with a separator between groups of three.
int labelWidthFor(std::size_t sizeTextLength)
{
    const auto l = static_cast<long long>(sizeTextLength);
    const long long w = l + (l + 2) / 3 - 1;
    return static_cast<int>(std::min<long long>(w, 127));
}

[[noreturn]] void sizeError(std::size_t n, std::string_view line, TextEncoding enc, DebugSink* debug)
{
    // The log keeps the Japanese text in every language; the message is the user's language.
    static constexpr std::string_view kText = DG_TRANSLATE_NOOP("dg::texts", "%1行目のサイズがエラーです。終了します。");
    const std::string number = std::to_string(n);
    if (debug && debug->enabled()) {
        debug->out(encoding::utf8ToSjis(i18n::substitute(kText, {number})));
        debug->out(encoding::logText(enc, line));
    }
    throw SizeError(n, i18n::format("dg::texts", kText, {number}) + "\r" + encoding::textToUtf8(enc, line));
}

// The walk over the lines that makes the nodes, and the state it carries from line to line.
//
// A large report is walked as two halves on two threads. The first half builds its nodes straight
// into the tree. The second half starts without the first half's state and builds its nodes into
// arrays of its own: a parent it cannot find in its own level table is written as "the first
// half's last node at that level", a label width before its first root line as "the first half's
// last width", and both are filled in when the halves are joined. What it cannot do without the
// first half (a root size "?" before any drive line of its own) makes it give up, and that half
// is then walked again in order. Its line rewrites and debug lines are held until the join, so
// the tree, the lines, the debug lines and any error are those of one walk in order.
class TreeWalk {
public:
    // Thrown by a second half that needs what only the first half knows.
    struct NeedsFirstHalf {};

    // Nodes of a second half, with parents and widths still to be resolved.
    struct Half {
        LargeVector<NodeId> parent;
        LargeVector<std::uint32_t> line;
        LargeVector<std::int64_t> size;
        LargeVector<std::uint8_t> level;
        LargeVector<std::int8_t> width;
        std::size_t widthsPending = 0; // nodes before the half's first root line (if it has one)
        struct Rewrite {
            std::size_t line;
            std::string text;
        };
        std::vector<Rewrite> rewrites;
    };

    // A first half (tree given) or a second half (half given) over lines.
    TreeWalk(LineList& lines, FolderTree* tree, Half* half, DebugSink* debug)
        : m_lines(lines), m_tree(tree), m_half(half), m_debug(debug), m_posix(lines.kind().posix()),
          m_enc(lines.kind().encoding)
    {
        m_splitter.setEncoding(m_enc);
        for (unsigned k = 0; k < m_levelTable.size(); ++k)
            m_levelTable[k] = half ? kFromFirst + k : kNoNode;
        m_widthKnown = !half;
        m_driveKnown = !half;
    }

    // The second half's start, guessed for POSIX paths: the volume (and its size) of the last
    // volume line before it.
    void assumeVolume(std::string_view volume, std::string_view size)
    {
        m_volume.assign(volume);
        m_driveSize.assign(size);
        m_driveKnown = true;
        m_volumeGuessed = true;
    }
    bool volumeGuessed() const { return m_volumeGuessed; }
    bool matchesVolumeOf(const TreeWalk& first) const
    {
        return m_guessVolume == first.m_volume && m_guessDrive == first.m_driveSize;
    }
    void rememberGuess()
    {
        m_guessVolume = m_volume;
        m_guessDrive = m_driveSize;
    }

    void addTopNode() { m_levelTable[0] = m_tree->addNode(kNoNode, 0, 0, 0, 0); }

    // Walks lines [from, to).
    void walk(std::size_t from, std::size_t to)
    {
        for (std::size_t n = from; n < to; ++n) {
            const std::string_view text = m_lines[n];
            m_splitter.splitFirst(text, 2);
            std::string_view path = m_splitter.get(0);
            if (m_posix) {
                // Volume lines make no node; a root line is the one whose path is its volume's.
                if (posix::isVolumeField(path) && isVolumeLine(text, m_splitter)) {
                    m_volume.assign(posix::volumePath(m_splitter.get(0)));
                    m_driveSize.assign(m_splitter.get(1));
                    m_driveKnown = true;
                    continue;
                }
                std::string_view size = m_splitter.get(1);
                if (m_splitter.get(0) == m_volume) {
                    if (size == "?") {
                        fillRootSize(n, text, true);
                        path = m_splitter.get(0);
                        size = m_splitter.get(1);
                    }
                    setWidth(size);
                }
                addFolder(n, size, posix::levelOf(path, m_volume));
                continue;
            }
            if (path.size() == 2) {
                m_driveSize.assign(m_splitter.get(1));
                m_driveKnown = true;
                continue;
            }
            std::string_view size = m_splitter.get(1);
            if (path.size() == 3) {
                if (size == "?") {
                    fillRootSize(n, text, false);
                    path = m_splitter.get(0);
                    size = m_splitter.get(1);
                }
                setWidth(size);
            }
            addFolder(n, size, cutFolderName(path, m_enc).level);
        }
    }

    unsigned maxLevel() const { return m_maxLevel; }

    // Appends the nodes of the second half walked by second (after this first half).
    void join(const TreeWalk& second, Half& half)
    {
        const auto firstCount = static_cast<NodeId>(m_tree->nodeCount());
        for (NodeId& p : half.parent)
            p = p >= kFromFirst && p != kNoNode ? m_levelTable[p - kFromFirst] : p + firstCount;
        const std::size_t pending = second.m_widthKnown ? half.widthsPending : half.width.size();
        for (std::size_t i = 0; i < pending && i < half.width.size(); ++i)
            half.width[i] = static_cast<std::int8_t>(std::clamp(m_width, -1, 127));
        m_tree->appendNodes(half.parent, half.line, half.size, half.level, half.width);
        for (const Half::Rewrite& r : half.rewrites)
            m_lines.replace(r.line, r.text);
        m_maxLevel = std::max(m_maxLevel, second.m_maxLevel);
    }

private:
    // First-half ids at level k of the level table, as a second half refers to them.
    static constexpr NodeId kFromFirst = kNoNode - 1 - FolderTree::kMaxLevel - 1;

    // A root line whose size is "?" takes its drive's (or volume's) size: the line is rewritten
    // and the debug line written; the splitter is left holding the new line's first two fields.
    void fillRootSize(std::size_t n, std::string_view text, bool posixPath)
    {
        if (!m_driveKnown)
            throw NeedsFirstHalf{};
        m_splitter.split(text);
        m_splitter.replace(1, m_driveSize);
        const std::string_view joined = m_splitter.join();
        if (posixPath) {
            if (m_debug && m_debug->enabled())
                m_debug->out(driveSizeDebugLine(encoding::logText(m_enc, m_splitter.get(0)), m_driveSize));
        } else {
            debugOut(m_debug, driveSizeDebugLine(m_splitter.get(0), m_driveSize));
        }
        if (m_half) {
            m_half->rewrites.push_back({n, std::string(joined)});
            m_splitter.splitFirst(m_half->rewrites.back().text, 2);
        } else {
            m_lines.replace(n, joined);
            m_splitter.splitFirst(m_lines[n], 2);
        }
    }

    // Line n as the walk has made it (a second half holds its rewrites back).
    std::string_view lineText(std::size_t n) const
    {
        if (m_half && !m_half->rewrites.empty() && m_half->rewrites.back().line == n)
            return m_half->rewrites.back().text;
        return m_lines[n];
    }

    void setWidth(std::string_view size)
    {
        m_width = labelWidthFor(size.size());
        if (m_half && !m_widthKnown) {
            m_half->widthsPending = m_half->parent.size();
            m_widthKnown = true;
        }
    }

    // One node for line n at level, attached to the last node one level up.
    void addFolder(std::size_t n, std::string_view size, unsigned level)
    {
        // The level table ends at 255: deeper levels only come from runs of "\" (or "/") that no
        // real folder path has, and are refused like any other entry that does not exist.
        if (level > FolderTree::kMaxLevel)
            throw IndexError(static_cast<long long>(level));

        std::int64_t value = FolderTree::kUnknownSize;
        if (size != "?") {
            const auto parsed = parseInt64(size);
            if (!parsed)
                sizeError(n, lineText(n), m_enc, m_debug);
            value = *parsed;
        }
        const NodeId parent = m_levelTable[level - 1];
        if (m_half) {
            const auto id = static_cast<NodeId>(m_half->parent.size());
            m_half->parent.push_back(parent);
            m_half->line.push_back(static_cast<std::uint32_t>(n));
            m_half->size.push_back(value);
            m_half->level.push_back(static_cast<std::uint8_t>(level));
            m_half->width.push_back(static_cast<std::int8_t>(std::clamp(m_width, -1, 127)));
            m_levelTable[level] = id;
        } else {
            m_levelTable[level] = m_tree->addNode(parent, n, value, level, m_width);
        }
        m_maxLevel = std::max(m_maxLevel, level + 1);
    }

    LineList& m_lines;
    FolderTree* m_tree;
    Half* m_half;
    DebugSink* m_debug;
    bool m_posix;
    TextEncoding m_enc;
    FieldSplitter m_splitter;
    std::array<NodeId, FolderTree::kMaxLevel + 1> m_levelTable{};
    int m_width = 0;
    bool m_widthKnown = true;
    std::string m_driveSize;
    bool m_driveKnown = true;
    std::string m_volume; // POSIX paths: the path of the last volume line
    bool m_volumeGuessed = false;
    std::string m_guessVolume, m_guessDrive;
    unsigned m_maxLevel = 0;
};

// POSIX paths: the volume line nearest before line `before`, lines split only where
// mayBeVolumeLine lets them through. False when there is none.
bool lastVolumeBefore(const LineList& lines, std::size_t before, std::string& volume, std::string& size)
{
    FieldSplitter splitter;
    splitter.setEncoding(lines.kind().encoding);
    for (std::size_t n = before; n-- > 1;) {
        const std::string_view line = lines[n];
        if (!mayBeVolumeLine(line, lines.kind().encoding))
            continue;
        if (isVolumeLine(line, splitter)) {
            volume.assign(posix::volumePath(splitter.get(0)));
            size.assign(splitter.get(1));
            return true;
        }
    }
    return false;
}

} // namespace

TreeBuildInfo CreateTree(LineList& lines, FolderTree& tree, FieldSplitter& splitter, DebugSink* debug,
                         std::size_t twoHalvesFrom)
{
    debugOut(debug, "Start CreateTree");
    // Each half has a splitter of its own; the caller's is left set to the report's encoding.
    splitter.setEncoding(lines.kind().encoding);
    tree.clear();
    tree.reserve(lines.size());
    TreeBuildInfo info;
    TreeWalk first(lines, &tree, nullptr, debug);
    first.addTopNode();

    const std::size_t count = lines.size();
    const std::size_t last = count >= 2 ? count - 1 : 1; // data lines: 1 .. count-2
    try {
        if (count < twoHalvesFrom || last < 3) {
            first.walk(1, last);
        } else {
            const std::size_t middle = 1 + (last - 1) / 2;
            TreeWalk::Half half;
            HeldDebugLines secondDebug(debug && debug->enabled());
            TreeWalk second(lines, nullptr, &half, &secondDebug);
            bool possible = true;
            if (lines.kind().posix()) {
                std::string volume, size;
                possible = lastVolumeBefore(lines, middle, volume, size);
                if (possible) {
                    second.assumeVolume(volume, size);
                    second.rememberGuess();
                }
            }
            bool gaveUp = !possible;
            std::exception_ptr secondError;
            std::optional<HelperThread> helper;
            if (possible) {
                helper.emplace([&] {
                    try {
                        half.parent.reserve(last - middle);
                        half.line.reserve(last - middle);
                        half.size.reserve(last - middle);
                        half.level.reserve(last - middle);
                        half.width.reserve(last - middle);
                        second.walk(middle, last);
                    } catch (const TreeWalk::NeedsFirstHalf&) {
                        gaveUp = true;
                    } catch (const std::bad_alloc&) {
                        gaveUp = true; // no room for a half of its own: walked in order instead
                    } catch (...) {
                        secondError = std::current_exception();
                    }
                });
            }
            first.walk(1, middle); // an error: the helper is joined on the way out
            if (helper)
                helper->join();
            if (!helper || !helper->running() || gaveUp ||
                (second.volumeGuessed() && !second.matchesVolumeOf(first))) {
                half = {};
                first.walk(middle, last);
            } else {
                secondDebug.replayTo(debug);
                first.join(second, half);
                if (secondError)
                    std::rethrow_exception(secondError);
            }
        }
    } catch (...) {
        tree.finishBuild();
        throw;
    }
    info.maxLevel = first.maxLevel();
    tree.finishBuild();
    info.nodeCount = tree.nodeCount();
    debugOut(debug, "End   CreateTree, " + std::to_string(info.nodeCount) + " Nodes, MaxLevel=" +
                        std::to_string(info.maxLevel));
    return info;
}

} // namespace dg
