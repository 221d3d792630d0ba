#pragma once
// What two paired viewers say about a tree node, and how the receiver finds its own node.
// A tree event carries the node's level and a path text: the top node's label (level 0), the
// drive name from the drive line before a root line (level 1), or the folder's full path.
#include "core/field_splitter.h"
#include "core/folder_tree.h"
#include "core/line_list.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace dg {

enum class SyncKind { Change, Expanded, Collapsed };

// The 32-bit event word of a tree event: bits 0-23 the node's level, bit 30 "Expanded", bit 31
// "Collapsed"; a selection change sets neither. The values travel between viewers: stable.
inline constexpr std::uint32_t kLevelMask = 0x00FFFFFFu;
inline constexpr std::uint32_t kExpandedBit = 0x40000000u;
inline constexpr std::uint32_t kCollapsedBit = 0x80000000u;

// The word for kind at level; a level above kLevelMask keeps only its low 24 bits.
constexpr std::uint32_t makeEventWord(SyncKind kind, std::uint32_t level)
{
    std::uint32_t word = level & kLevelMask;
    switch (kind) {
    case SyncKind::Change: break;
    case SyncKind::Expanded: word |= kExpandedBit; break;
    case SyncKind::Collapsed: word |= kCollapsedBit; break;
    }
    return word;
}

constexpr std::uint32_t eventLevel(std::uint32_t word)
{
    return word & kLevelMask;
}

// The action a receiver takes: Collapsed when bit 31 is set (whatever bit 30 says), else Expanded
// when bit 30 is set, else Change (select).
constexpr SyncKind eventKind(std::uint32_t word)
{
    if (word & kCollapsedBit)
        return SyncKind::Collapsed;
    if (word & kExpandedBit)
        return SyncKind::Expanded;
    return SyncKind::Change;
}

// The path text a viewer sends for node: the report's bytes, preceded by the UTF-8 byte-order
// mark when the report is UTF-8 (a report of Shift-JIS text sends its bytes as they stand). For
// POSIX paths level 1 is the volume path ("/home") and deeper levels the full path.
std::string syncPathText(const FolderTree& tree, const LineList& lines, FieldSplitter& splitter, NodeId node);

// The node a received event names: level components of the path text (split at "\", multi-byte
// aware, at most 512 bytes kept after each split) matched byte for byte, letter case significant,
// against the names of the children in tree order, starting under the tree's first node. Level 0
// names the first node itself. kNoNode when any component is missing. A path text in the other
// encoding (told by the mark) is converted first; one that does not convert names no node.
// POSIX paths: the first root whose volume path starts the text, then "/"-separated names.
NodeId findNodeByPath(const FolderTree& tree, const LineList& lines, FieldSplitter& splitter, unsigned level,
                      std::string_view pathText);

} // namespace dg
