#pragma once
// The folder tree of a shown report, as plain arrays indexed by node id.
//
// Nodes are added in report order. Once the tree is finished (finishBuild) or sorted, node ids are
// renumbered to the absolute index: each node's position in a depth-first walk of the tree, every
// node counted whether expanded or not. So the absolute index and the node at an index are both
// the id itself, and walks in tree order read the arrays front to back. Ids change only when the
// tree is finished or sorted; the viewer sorts once per loaded report.
//
// Per node the tree holds 31 bytes (parent, line index, parsed size, row, child list, change
// class, level, label width); labels are derived from the line on demand.
#include "core/change_class.h"
#include "core/field_splitter.h"
#include "core/line_list.h"
#include "core/system_file.h"

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

namespace dg {

class NameCollator;

using NodeId = std::uint32_t;
inline constexpr NodeId kNoNode = std::numeric_limits<NodeId>::max();

class FolderTree {
public:
    // Sizes written "?" are held as this value and compare as -1.
    static constexpr std::int64_t kUnknownSize = std::numeric_limits<std::int64_t>::min();
    static constexpr unsigned kMaxLevel = 255;

    void clear();
    // Reserves room for about n nodes (the builder passes the line count).
    void reserve(std::size_t n);

    // Adds a node as the last child of parent (kNoNode: at the top level) and returns its id, valid
    // until the tree is finished.
    NodeId addNode(NodeId parent, std::size_t lineIndex, std::int64_t size, unsigned level, int labelWidth);

    // Adds nodes given as arrays, as addNode would one by one (parents are ids of this tree).
    void appendNodes(const LargeVector<NodeId>& parent, const LargeVector<std::uint32_t>& line,
                     const LargeVector<std::int64_t>& size, const LargeVector<std::uint8_t>& level,
                     const LargeVector<std::int8_t>& width);

    // Makes the child lists and absolute indices of an unsorted tree usable (the builder calls it,
    // also after an error, so a partly built tree can be shown).
    void finishBuild();

    // Sorts the children of every node and the top level with the sibling order (larger size first,
    // "?" after every size of 0 or more, equal sizes by folder name: ASCII letters folded, then the
    // collator), then recomputes rows and absolute indices.
    // A tree of twoRangesFrom nodes or more is sorted on two threads (one thread when the system
    // refuses a second); the order is the same.
    static constexpr std::size_t kSortTwoRangesFrom = 50'000;
    void sort(const LineList& lines, const NameCollator& collator, std::size_t twoRangesFrom = kSortTwoRangesFrom);

    std::size_t nodeCount() const { return m_parent.size(); }
    bool empty() const { return m_parent.empty(); }

    std::size_t topLevelCount() const { return m_topLevel.size(); }
    NodeId topLevel(std::size_t row) const { return m_topLevel[row]; }
    NodeId parent(NodeId id) const { return m_parent[id]; }
    std::size_t childCount(NodeId id) const { return m_childEnd[id] - childBegin(id); }
    NodeId child(NodeId id, std::size_t row) const { return m_children[childBegin(id) + row]; }
    // Position among the siblings (of the top level for a top-level node).
    std::size_t row(NodeId id) const { return m_row[id]; }
    unsigned level(NodeId id) const { return m_level[id]; }
    std::size_t lineIndex(NodeId id) const { return m_line[id]; }
    std::int64_t size(NodeId id) const { return m_size[id]; }
    bool sizeUnknown(NodeId id) const { return m_size[id] == kUnknownSize; }
    // The size as the sibling order reads it: "?" is -1.
    std::int64_t sortSize(NodeId id) const { return sizeUnknown(id) ? -1 : m_size[id]; }
    int labelWidth(NodeId id) const { return m_width[id]; }
    // The node named after the computer: the header line's node at level 0.
    bool isTopNode(NodeId id) const { return m_line[id] == 0 && m_level[id] == 0; }

    ChangeClass changeClass(NodeId id) const { return static_cast<ChangeClass>(m_class[id]); }
    void setChangeClass(NodeId id, ChangeClass c) { m_class[id] = static_cast<std::uint8_t>(c); }

    std::size_t absoluteIndex(NodeId id) const { return id; }
    NodeId nodeAtAbsolute(std::size_t index) const { return static_cast<NodeId>(index); }

    // The node's folder name (what the cut rule leaves of its path; the drive for a root line), or,
    // for the top node, the header's first word. Views the line or the splitter.
    std::string_view name(NodeId id, const LineList& lines, FieldSplitter& splitter) const;
    // "(" + right-aligned size text + ") " + name, or the name alone for the top node.
    std::string label(NodeId id, const LineList& lines, FieldSplitter& splitter) const;
    // The same label appended to out, for callers that write millions of them.
    void appendLabel(std::string& out, NodeId id, const LineList& lines, FieldSplitter& splitter) const;
    // The size text of the label: FormatNumber of the size, or "?", right-aligned to the width.
    std::string sizeText(NodeId id) const;

    // Bytes held by the arrays (capacity), for the memory benchmark.
    std::size_t memoryBytes() const;

private:
    std::size_t childBegin(NodeId id) const { return id == 0 ? 0 : m_childEnd[id - 1]; }
    void buildChildLists();
    void computeRows();
    // The ids are a depth-first order of child lists in id order.
    bool inDepthFirstOrder() const;
    // Renumbers to the depth-first order of the child lists; false when that is the order already.
    bool renumberDepthFirst();

    LargeVector<NodeId> m_parent;
    LargeVector<std::uint32_t> m_line;
    LargeVector<std::int64_t> m_size;
    LargeVector<std::uint32_t> m_row;
    LargeVector<std::uint32_t> m_childEnd;  // children of id: m_children[childBegin(id) .. m_childEnd[id])
    LargeVector<NodeId> m_children;
    LargeVector<std::uint8_t> m_class;
    LargeVector<std::uint8_t> m_level;
    LargeVector<std::int8_t> m_width;
    std::vector<NodeId> m_topLevel;
    bool m_listsBuilt = false;
};

} // namespace dg
