#pragma once
// `CreateTree`: builds the folder tree from the lines of a checked, full-form report.
#include "core/debug_sink.h"
#include "core/field_splitter.h"
#include "core/folder_tree.h"
#include "core/line_list.h"

#include <cstddef>

namespace dg {

struct TreeBuildInfo {
    std::size_t nodeCount = 0; // top node included
    unsigned maxLevel = 0;     // deepest folder level + 1; 0 without folders
};

// Rebuilds tree from lines: the top node named after the header's first word, one node per root
// and folder line (drive lines make none), each attached to the last node created one level up
// (or to the top level when there is none). A root line whose size is "?" takes its drive's size
// (the line is rewritten and the debug line written). Writes "Start CreateTree" and
// "End   CreateTree, N Nodes, MaxLevel=M". The tree is left unsorted.
//
// Throws IndexError for a data line with fewer than two fields or a level of 256 or more (the
// nodes built so far stay), and SizeError for a size that is neither "?" nor a number (after its
// two debug lines).
//
// A report of twoHalvesFrom lines or more is walked as two halves on two threads (one thread when
// the system refuses a second); the result is the same.
inline constexpr std::size_t kTreeTwoHalvesFrom = 100'000;
TreeBuildInfo CreateTree(LineList& lines, FolderTree& tree, FieldSplitter& splitter, DebugSink* debug,
                         std::size_t twoHalvesFrom = kTreeTwoHalvesFrom);

} // namespace dg
