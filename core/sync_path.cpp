#include "core/sync_path.h"

#include "core/encoding.h"
#include "core/sjis.h"

namespace dg {

std::string syncPathText(const FolderTree& tree, const LineList& lines, FieldSplitter& splitter, NodeId node)
{
    const ReportKind kind = lines.kind();
    std::string text = kind.utf8() ? std::string(kUtf8Mark) : std::string();
    const unsigned level = tree.level(node);
    if (level == 0)
        return text + tree.label(node, lines, splitter);
    // Drive paths: level 1 is the drive line's "C:". POSIX paths: the root line's path is the
    // volume path itself.
    const std::size_t line = tree.lineIndex(node) - (level == 1 && !kind.posix() ? 1 : 0);
    splitter.setEncoding(kind.encoding);
    splitter.splitFirst(lines[line], 1);
    return text.append(splitter.getOr(0));
}

namespace {

// The child of parent named name, or kNoNode.
NodeId childNamed(const FolderTree& tree, const LineList& lines, FieldSplitter& splitter, NodeId parent,
                  std::string_view name)
{
    for (std::size_t r = 0; r < tree.childCount(parent); ++r) {
        const NodeId child = tree.child(parent, r);
        if (tree.name(child, lines, splitter).substr(0, 512) == name)
            return child;
    }
    return kNoNode;
}

// POSIX paths: a root whose volume path the text starts with (followed by "/" or its end), then
// the names after it separated by "/", level - 1 of them. Of several roots the first that holds
// the whole path.
NodeId findPosixNode(const FolderTree& tree, const LineList& lines, FieldSplitter& splitter, NodeId first,
                     unsigned level, std::string_view path)
{
    for (std::size_t r = 0; r < tree.childCount(first); ++r) {
        NodeId current = tree.child(first, r);
        const std::string volume(tree.name(current, lines, splitter));
        if (level == 1) {
            if (volume == path)
                return current;
            continue;
        }
        const std::string_view prefix = posix::volumePrefix(volume);
        if (path.size() <= prefix.size() || !path.starts_with(prefix) || path[prefix.size()] != '/')
            continue;
        std::string_view rest = path.substr(prefix.size() + 1);
        for (unsigned step = 1; step < level && current != kNoNode; ++step) {
            const std::size_t slash = step + 1 < level ? rest.find('/') : std::string_view::npos;
            if (step + 1 < level && slash == std::string_view::npos) {
                current = kNoNode;
                break;
            }
            current = childNamed(tree, lines, splitter, current, rest.substr(0, slash));
            if (slash != std::string_view::npos)
                rest.remove_prefix(slash + 1);
        }
        if (current != kNoNode)
            return current;
    }
    return kNoNode;
}

} // namespace

NodeId findNodeByPath(const FolderTree& tree, const LineList& lines, FieldSplitter& splitter, unsigned level,
                      std::string_view pathText)
{
    if (tree.topLevelCount() == 0)
        return kNoNode;
    const NodeId first = tree.topLevel(0);
    if (level == 0)
        return first;
    // A path from a viewer showing a report of the other encoding is read in this one's; a name
    // this report's encoding cannot hold is in no folder of it.
    const ReportKind kind = lines.kind();
    const bool utf8Path = pathText.starts_with(kUtf8Mark);
    if (utf8Path)
        pathText.remove_prefix(kUtf8Mark.size());
    std::string converted;
    if (utf8Path != kind.utf8()) {
        const bool exact = utf8Path ? encoding::utf8ToSjisExact(pathText, converted)
                                    : encoding::sjisToUtf8Exact(pathText, converted);
        if (!exact)
            return kNoNode;
        pathText = converted;
    }
    if (kind.posix())
        return findPosixNode(tree, lines, splitter, first, level, pathText);

    std::string_view rest = pathText;
    NodeId current = kNoNode;
    for (unsigned step = 0; step < level; ++step) {
        std::string_view component = rest;
        const std::size_t p = findCharIn(kind.encoding, rest, '\\');
        if (p != std::string_view::npos) {
            component = rest.substr(0, p);
            rest = rest.substr(p + 1, 512);
        }
        const NodeId match = childNamed(tree, lines, splitter, current == kNoNode ? first : current, component);
        if (match == kNoNode)
            return kNoNode;
        current = match;
    }
    return current;
}

} // namespace dg
