// Differential fuzzing of the tree build and the comparison on small reports. The input is two
// lists of data lines, the shown report's and the base report's, separated by the first DEL byte
// (0x7F); each gets a header line and a closing line. Against the plainly written rules:
//  - CreateTree: one node per data line that is not a drive line, at the level the cut rule gives,
//    under the last node made one level up (the top node for level 1), with the line's size;
//  - the sort: siblings never get larger going down (the top node last of the top level), every
//    node keeps its parent, and absolute indices follow the tree top down (parent before
//    children, children in row order);
//  - classifyTree: a folder without any base line starting with its key ("path," or the quoted
//    path) is added, else its class is one that a matching base line gives;
//  - the walks to the next changed folder against a plain scan;
//  - the path a viewer sends for a node leads the partner's tree to a node at that level whose
//    name is the path's last component.
// Any difference aborts, which libFuzzer reports with the input that caused it.
#include "core/collation.h"
#include "core/comparison.h"
#include "core/errors.h"
#include "core/field_splitter.h"
#include "core/folder_tree.h"
#include "core/line_list.h"
#include "core/numbers.h"
#include "core/report_reader.h"
#include "core/sjis.h"
#include "core/sync_path.h"
#include "core/tree_builder.h"
#include "core/tree_names.h"
#include "tests/fuzz/fuzz_require.h"

#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace {
using namespace dg;

const NameCollator& collator()
{
    static const NameCollator instance("en");
    return instance;
}

void loadReport(LineList& lines, std::string_view header, std::string_view data)
{
    std::string text(header);
    text += "\r\n";
    text += data;
    text += "\r\nend\r\n";
    lines.assignText(text);
}

// Brings the shown report into the full form as loading does; false when it is refused.
bool prepareCurrent(LineList& lines, FieldSplitter& splitter)
{
    const FormCheck check = checkForm(lines);
    if (!check.recognised)
        return false;
    try {
        if (check.abbreviated)
            ExpandFullDescription(lines, splitter, nullptr);
    } catch (const IndexError&) {
        return false;
    }
    return true;
}

struct PlainNode {
    std::size_t line = 0;
    std::size_t parentLine = 0; // SIZE_MAX: top level
    unsigned level = 0;
    std::int64_t size = 0;
};

// The nodes CreateTree must make (after it has rewritten the lines), in line order.
std::vector<PlainNode> plainNodes(const LineList& lines)
{
    std::vector<PlainNode> nodes;
    std::vector<std::size_t> lastAtLevel(FolderTree::kMaxLevel + 1, SIZE_MAX);
    lastAtLevel[0] = 0;
    nodes.push_back({0, SIZE_MAX, 0, 0});
    FieldSplitter s;
    for (std::size_t n = 1; n + 1 < lines.size(); ++n) {
        s.split(lines[n]);
        const std::string_view path = s.get(0);
        if (path.size() == 2)
            continue;
        const std::string_view sizeText = s.get(1);
        const unsigned level = cutFolderName(path).level;
        PlainNode node;
        node.line = n;
        node.level = level;
        node.parentLine = lastAtLevel[level - 1];
        node.size = sizeText == "?" ? FolderTree::kUnknownSize : *parseInt64(sizeText);
        lastAtLevel[level] = n;
        nodes.push_back(node);
    }
    return nodes;
}

void checkTopDown(const FolderTree& tree, NodeId id, std::size_t& next, bool sorted)
{
    require(tree.absoluteIndex(id) == next++);
    for (std::size_t row = 0; row < tree.childCount(id); ++row) {
        const NodeId child = tree.child(id, row);
        require(tree.parent(child) == id && tree.row(child) == row);
        if (sorted && row > 0)
            require(tree.sortSize(tree.child(id, row - 1)) >= tree.sortSize(child));
        checkTopDown(tree, child, next, sorted);
    }
}

void checkTree(const FolderTree& tree, const LineList& lines, bool sorted)
{
    const std::vector<PlainNode> expected = plainNodes(lines);
    require(tree.nodeCount() == expected.size());
    std::vector<NodeId> byLine(lines.size(), kNoNode);
    for (NodeId id = 0; id < tree.nodeCount(); ++id) {
        require(tree.lineIndex(id) < lines.size() && byLine[tree.lineIndex(id)] == kNoNode);
        byLine[tree.lineIndex(id)] = id;
    }
    for (const PlainNode& node : expected) {
        const NodeId id = byLine[node.line];
        require(id != kNoNode);
        require(tree.level(id) == node.level && tree.size(id) == node.size);
        const NodeId parent = tree.parent(id);
        if (node.parentLine == SIZE_MAX)
            require(parent == kNoNode);
        else
            require(parent != kNoNode && tree.lineIndex(parent) == node.parentLine);
    }
    std::size_t next = 0;
    for (std::size_t row = 0; row < tree.topLevelCount(); ++row) {
        const NodeId id = tree.topLevel(row);
        require(tree.parent(id) == kNoNode && tree.row(id) == row);
        // The top node (its label has no size) goes after every other node of the top level.
        if (sorted && tree.isTopNode(id))
            require(row + 1 == tree.topLevelCount());
        else if (sorted && row > 0)
            require(tree.sortSize(tree.topLevel(row - 1)) >= tree.sortSize(id));
        checkTopDown(tree, id, next, sorted);
    }
    require(next == tree.nodeCount());
}

void checkClasses(const FolderTree& tree, const LineList& current, const LineList& base, const ChangeLimits& limits)
{
    FieldSplitter s;
    for (NodeId id = 1; id < tree.nodeCount(); ++id) {
        const std::string_view line = current[tree.lineIndex(id)];
        s.split(line);
        const std::string path(s.get(0));
        if (path.size() == 2) {
            require(tree.changeClass(id) == ChangeClass::Unchanged);
            continue;
        }
        const std::int64_t size = parseInt64(s.get(1)).value_or(-1);
        const std::string key = line.starts_with('"') ? "\"" + path + "\"," : path + ",";
        std::set<ChangeClass> possible;
        for (std::size_t n = 0; n < base.size(); ++n) {
            if (!base[n].starts_with(key))
                continue;
            s.split(base[n]);
            possible.insert(classifySizes(size, parseInt64(s.getOr(1)).value_or(-1), limits));
        }
        if (possible.empty())
            require(tree.changeClass(id) == ChangeClass::Added);
        else
            require(possible.count(tree.changeClass(id)) == 1);
    }

    const auto changed = [&](std::size_t i) { return tree.changeClass(tree.nodeAtAbsolute(i)) != ChangeClass::Unchanged; };
    NodeId first = kNoNode;
    for (std::size_t i = 1; i < tree.nodeCount() && first == kNoNode; ++i)
        if (changed(i))
            first = tree.nodeAtAbsolute(i);
    require(firstChangedNode(tree) == first);
    for (std::size_t i = 0; i < tree.nodeCount(); ++i) {
        NodeId below = kNoNode;
        for (std::size_t j = i + 1; j < tree.nodeCount() && below == kNoNode; ++j)
            if (changed(j))
                below = tree.nodeAtAbsolute(j);
        NodeId above = kNoNode;
        for (std::size_t j = i; j-- > 1 && above == kNoNode;)
            if (changed(j))
                above = tree.nodeAtAbsolute(j);
        require(nextChangedBelow(tree, i) == below);
        require(nextChangedAbove(tree, i) == above);
    }
}

void checkSyncPaths(const FolderTree& tree, const LineList& lines)
{
    FieldSplitter s;
    for (NodeId id = 0; id < tree.nodeCount(); ++id) {
        const std::string text = syncPathText(tree, lines, s, id);
        const NodeId found = findNodeByPath(tree, lines, s, tree.level(id), text);
        if (tree.level(id) == 0) {
            // Level 0 names the first node of the top level, whatever text came with it.
            require(found == tree.topLevel(0));
            continue;
        }
        // Level 1 sends the drive line before the root line; a root without one (a broken report)
        // sends whatever line stands there, which need not lead back.
        if (tree.level(id) == 1) {
            s.split(lines[tree.lineIndex(id) - 1]);
            if (tree.lineIndex(id) < 2 || s.get(0).size() != 2)
                continue;
        }
        // Folder names are matched as they stand, so the node found is one at that level whose
        // name is the path's last component (the tree hangs nodes under the last node one level
        // up, so in a report out of order it need not be the node the path came from).
        if (found == kNoNode)
            continue; // names cut at 255 bytes or runs of "\\" cannot be walked back: allowed
        require(tree.level(found) == tree.level(id));
        std::size_t last = 0;
        for (std::size_t i = 0; i < text.size(); i += sjis::charLength(text, i))
            if (text[i] == '\\')
                last = i + 1;
        const std::string_view component = std::string_view(text).substr(last);
        if (component.size() <= 255 && text.size() <= 512)
            require(tree.name(found, lines, s) == component);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > 4096)
        return 0;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t del = input.find('\x7f');
    const std::string_view currentData = input.substr(0, del);
    const std::string_view baseData = del == std::string_view::npos ? currentData : input.substr(del + 1);

    LineList current;
    FieldSplitter splitter;
    loadReport(current, "NEW CHECK START AT 2024/01/01", currentData);
    if (!prepareCurrent(current, splitter))
        return 0;
    FolderTree tree;
    try {
        CreateTree(current, tree, splitter, nullptr);
    } catch (const IndexError&) {
        return 0;
    } catch (const SizeError&) {
        return 0;
    }
    checkTree(tree, current, false);
    tree.sort(current, collator());
    checkTree(tree, current, true);
    checkSyncPaths(tree, current);

    LineList base;
    loadReport(base, "OLD CHECK START AT 2023/01/01", baseData);
    const FormCheck check = checkForm(base);
    if (!check.recognised)
        return 0;
    try {
        normaliseBaseLines(base, check, splitter, nullptr);
    } catch (const IndexError&) {
        return 0;
    }
    const ChangeLimits limits{static_cast<std::int32_t>(size % 50), 30, static_cast<std::int32_t>(size % 17), 30};
    try {
        classifyTree(tree, current, base, limits, splitter, nullptr);
    } catch (const IndexError&) {
        return 0;
    }
    checkClasses(tree, current, base, limits);
    return 0;
}
