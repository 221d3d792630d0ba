#include "core/tree_builder.h"

#include "core/encoding.h"
#include "core/errors.h"
#include "core/numbers.h"
#include "core/report_reader.h"
#include "core/translate.h"
#include "core/tree_names.h"

#include <array>
#include <string>

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

} // namespace

TreeBuildInfo CreateTree(LineList& lines, FolderTree& tree, FieldSplitter& splitter, DebugSink* debug)
{
    debugOut(debug, "Start CreateTree");
    tree.clear();
    tree.reserve(lines.size());
    TreeBuildInfo info;
    int width = 0;
    std::string driveSize;
    std::array<NodeId, FolderTree::kMaxLevel + 1> levelTable;
    levelTable.fill(kNoNode);

    levelTable[0] = tree.addNode(kNoNode, 0, 0, 0, 0);

    // One node for line n at level, attached to the last node one level up.
    auto addFolder = [&](std::size_t n, std::string_view size, unsigned level) {
        // The level table ends at 255: deeper levels only come from runs of "\" (or "/") that no
        // real folder path has, and are refused like any other entry that does not exist.
        if (level > FolderTree::kMaxLevel)
            throw IndexError(static_cast<long long>(level));

        std::int64_t value = FolderTree::kUnknownSize;
        if (size != "?") {
            const auto parsed = parseInt64(size);
            if (!parsed)
                sizeError(n, lines[n], lines.kind().encoding, debug);
            value = *parsed;
        }
        const NodeId parent = levelTable[level - 1];
        levelTable[level] = tree.addNode(parent, n, value, level, width);
        info.maxLevel = std::max(info.maxLevel, level + 1);
    };

    const std::size_t count = lines.size();
    const bool posixPaths = lines.kind().posix();
    splitter.setEncoding(lines.kind().encoding);
    std::string volume; // POSIX paths: the path of the last volume line
    try {
        for (std::size_t n = 1; n + 1 < count; ++n) {
            splitter.splitFirst(lines[n], 2);
            std::string_view path = splitter.get(0);
            if (posixPaths) {
                // Volume lines make no node; a root line is the one whose path is its volume's.
                if (posix::isVolumeField(path) && isVolumeLine(lines[n], splitter)) {
                    volume.assign(posix::volumePath(splitter.get(0)));
                    driveSize.assign(splitter.get(1));
                    continue;
                }
                if (splitter.get(0) == volume) {
                    if (splitter.get(1) == "?") {
                        splitter.split(lines[n]);
                        splitter.replace(1, driveSize);
                        lines.replace(n, splitter.join());
                        if (debug && debug->enabled())
                            debug->out(driveSizeDebugLine(encoding::logText(lines.kind().encoding, splitter.get(0)),
                                                          driveSize));
                        splitter.splitFirst(lines[n], 2);
                    }
                    width = labelWidthFor(splitter.get(1).size());
                }
                addFolder(n, splitter.get(1), posix::levelOf(splitter.get(0), volume));
                continue;
            }
            if (path.size() == 2) {
                driveSize.assign(splitter.get(1));
                continue;
            }
            std::string_view size = splitter.get(1);
            if (path.size() == 3) {
                if (size == "?") {
                    splitter.split(lines[n]);
                    splitter.replace(1, driveSize);
                    lines.replace(n, splitter.join());
                    debugOut(debug, driveSizeDebugLine(splitter.get(0), driveSize));
                    splitter.splitFirst(lines[n], 2);
                    path = splitter.get(0);
                    size = splitter.get(1);
                }
                width = labelWidthFor(size.size());
            }
            addFolder(n, size, cutFolderName(path, lines.kind().encoding).level);
        }
    } catch (...) {
        tree.finishBuild();
        throw;
    }
    tree.finishBuild();
    info.nodeCount = tree.nodeCount();
    debugOut(debug, "End   CreateTree, " + std::to_string(info.nodeCount) + " Nodes, MaxLevel=" +
                        std::to_string(info.maxLevel));
    return info;
}

} // namespace dg
