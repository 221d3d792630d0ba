#pragma once
// Comparing the shown report with a base report: the base lines, the search for a folder's base
// line, `SetColorInfo`'s classification of every node, and the walks to the next changed folder.
//
// Order of use (the viewer's LoadBaseFile and dirgauge-report --base):
//   readReportFile(base) -> checkForm -> normaliseBaseLines -> matchBaseEncoding -> classifyTree
//   -> firstChangedNode (select it, or say that nothing changed)
#include "core/debug_sink.h"
#include "core/field_splitter.h"
#include "core/folder_tree.h"
#include "core/line_list.h"
#include "core/report_reader.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace dg {

// The four percentage limits of the comparison settings, used as they are.
struct ChangeLimits {
    std::int32_t u1 = 10;
    std::int32_t u2 = 30;
    std::int32_t d1 = 10;
    std::int32_t d2 = 30;
};

struct ClassCounts {
    std::size_t added = 0;
    std::size_t u1 = 0;
    std::size_t u2 = 0;
    std::size_t d1 = 0;
    std::size_t d2 = 0;
};

// Brings checked base lines into the sorted full form: the abbreviated form expanded (which also
// fills root sizes), or root sizes filled in the full form; then every line, header and closing
// line included, sorted by plain byte order. Throws IndexError like the expansion.
void normaliseBaseLines(LineList& base, const FormCheck& check, FieldSplitter& splitter, DebugSink* debug);

// Brings sorted base lines into the shown report's encoding (nothing to do when they are in it
// already) and sorts them again. A line that does not convert exactly (a name the shown encoding
// cannot hold, or bytes that are no text) is left out: its folder counts as removed, and a
// folder of the shown report by that name as added.
void matchBaseEncoding(LineList& base, TextEncoding shown);

// Index of a line of sorted base lines that begins with key, or -1: a binary search on line
// prefixes of the key's length; of several matching lines, the one the halving meets first.
long long FindBaseLine(const LineList& base, std::string_view key);

// The text a base line must begin with to describe the folder of a current line: field 0 and a
// comma, field 0 in double quotes when the current line itself begins with one.
void lookupKey(std::string_view currentLine, std::string_view field0, std::string& key);

// Classifies every node but the top one (absolute indices 1 to N-1) against the sorted base lines
// and returns the counts. Writes the start and end debug lines. The tree is not re-sorted: classes
// do not take part in the sibling order. A tree of twoHalvesFrom nodes or more is classified as
// two halves on two threads. progress(d), always called on the calling thread, tells that about d
// nodes are done: before node d is visited in one walk; in two halves d is 1 + the nodes done in
// both, never decreasing, and the last call is progress(N-1).
inline constexpr std::size_t kClassifyTwoHalvesFrom = std::size_t{1} << 17;
ClassCounts classifyTree(FolderTree& tree, const LineList& current, const LineList& base,
                         const ChangeLimits& limits, FieldSplitter& splitter, DebugSink* debug,
                         const std::function<void(std::size_t)>& progress = {},
                         std::size_t twoHalvesFrom = kClassifyTwoHalvesFrom);

// The class of one folder whose sizes are current and base (a size that is no number is -1).
ChangeClass classifySizes(std::int64_t current, std::int64_t base, const ChangeLimits& limits);

// The first node in absolute order from 1 whose class is not "unchanged", or kNoNode.
NodeId firstChangedNode(const FolderTree& tree);
// The next changed node below / above absolute index i, never index 0, never wrapping; kNoNode
// when there is none.
NodeId nextChangedBelow(const FolderTree& tree, std::size_t i);
NodeId nextChangedAbove(const FolderTree& tree, std::size_t i);

} // namespace dg
