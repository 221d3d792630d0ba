#include "core/sync_path.h"

#include "core/sjis.h"

namespace dg {

std::string syncPathText(const FolderTree& tree, const LineList& lines, FieldSplitter& splitter, NodeId node)
{
    const unsigned level = tree.level(node);
    if (level == 0)
        return tree.label(node, lines, splitter);
    const std::size_t line = tree.lineIndex(node) - (level == 1 ? 1 : 0);
    splitter.splitFirst(lines[line], 1);
    return std::string(splitter.getOr(0));
}

NodeId findNodeByPath(const FolderTree& tree, const LineList& lines, FieldSplitter& splitter, unsigned level,
                      std::string_view pathText)
{
    if (tree.topLevelCount() == 0)
        return kNoNode;
    const NodeId first = tree.topLevel(0);
    if (level == 0)
        return first;
    std::string_view rest = pathText;
    NodeId current = kNoNode;
    for (unsigned step = 0; step < level; ++step) {
        std::string_view component = rest;
        const std::size_t p = sjis::findChar(rest, '\\');
        if (p != std::string_view::npos) {
            component = rest.substr(0, p);
            rest = rest.substr(p + 1, 512);
        }
        const NodeId parent = current == kNoNode ? first : current;
        NodeId match = kNoNode;
        for (std::size_t r = 0; r < tree.childCount(parent) && match == kNoNode; ++r) {
            const NodeId child = tree.child(parent, r);
            if (tree.name(child, lines, splitter).substr(0, 512) == component)
                match = child;
        }
        if (match == kNoNode)
            return kNoNode;
        current = match;
    }
    return current;
}

} // namespace dg
