#include "core/folder_tree.h"

#include "core/collation.h"
#include "core/helper_thread.h"
#include "core/numbers.h"
#include "core/report_reader.h"
#include "core/system_file.h"
#include "core/tree_names.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <optional>
#include <type_traits>

namespace dg {

void FolderTree::clear()
{
    *this = FolderTree();
}

void FolderTree::reserve(std::size_t n)
{
    m_parent.reserve(n);
    m_line.reserve(n);
    m_size.reserve(n);
    m_level.reserve(n);
    m_width.reserve(n);
    m_class.reserve(n);
}

NodeId FolderTree::addNode(NodeId parent, std::size_t lineIndex, std::int64_t size, unsigned level, int labelWidth)
{
    const auto id = static_cast<NodeId>(m_parent.size());
    m_parent.push_back(parent);
    m_line.push_back(static_cast<std::uint32_t>(lineIndex));
    m_size.push_back(size);
    m_level.push_back(static_cast<std::uint8_t>(std::min(level, kMaxLevel)));
    m_width.push_back(static_cast<std::int8_t>(std::clamp(labelWidth, -1, 127)));
    m_class.push_back(static_cast<std::uint8_t>(ChangeClass::None));
    if (parent == kNoNode)
        m_topLevel.push_back(id);
    m_listsBuilt = false;
    return id;
}

void FolderTree::appendNodes(const LargeVector<NodeId>& parent, const LargeVector<std::uint32_t>& line,
                             const LargeVector<std::int64_t>& size, const LargeVector<std::uint8_t>& level,
                             const LargeVector<std::int8_t>& width)
{
    const auto first = static_cast<NodeId>(m_parent.size());
    m_parent.insert(m_parent.end(), parent.begin(), parent.end());
    m_line.insert(m_line.end(), line.begin(), line.end());
    m_size.insert(m_size.end(), size.begin(), size.end());
    m_level.insert(m_level.end(), level.begin(), level.end());
    m_width.insert(m_width.end(), width.begin(), width.end());
    m_class.resize(m_parent.size(), static_cast<std::uint8_t>(ChangeClass::None));
    for (std::size_t i = 0; i < parent.size(); ++i)
        if (parent[i] == kNoNode)
            m_topLevel.push_back(first + static_cast<NodeId>(i));
    m_listsBuilt = false;
}

void FolderTree::finishBuild()
{
    if (!m_listsBuilt)
        buildChildLists();
    // Child lists made from the parents are in id order: a tree whose ids are already a
    // depth-first order of them (a report's lines come so) needs no renumbering.
    if (!inDepthFirstOrder())
        renumberDepthFirst();
}

bool FolderTree::inDepthFirstOrder() const
{
    // Each node's parent must be the node before it or one of that node's ancestors, and the top
    // level must come in id order.
    std::vector<NodeId> path;
    for (std::size_t id = 0; id < m_parent.size(); ++id) {
        const NodeId p = m_parent[id];
        while (!path.empty() && path.back() != p)
            path.pop_back();
        if (p != kNoNode && path.empty())
            return false;
        path.push_back(static_cast<NodeId>(id));
    }
    return std::is_sorted(m_topLevel.begin(), m_topLevel.end());
}

void FolderTree::buildChildLists()
{
    const std::size_t n = nodeCount();
    // Count children per parent, turn the counts into end offsets, then place each child (in
    // creation order, which is report order) into its parent's slice.
    m_childEnd.assign(n, 0);
    for (std::size_t id = 0; id < n; ++id)
        if (m_parent[id] != kNoNode)
            ++m_childEnd[m_parent[id]];
    std::uint32_t total = 0;
    for (std::size_t id = 0; id < n; ++id) {
        total += m_childEnd[id];
        m_childEnd[id] = total;
    }
    m_children.assign(total, kNoNode);
    // Place each child from the back, so every slice keeps creation (report) order; afterwards
    // m_childEnd[p] holds the begin of p's slice, which is the end of p-1's.
    for (std::size_t id = n; id-- > 0;) {
        const NodeId p = m_parent[id];
        if (p != kNoNode)
            m_children[--m_childEnd[p]] = static_cast<NodeId>(id);
    }
    for (std::size_t id = 0; id < n; ++id)
        m_childEnd[id] = (id + 1 < n) ? m_childEnd[id + 1] : total;
    m_row.assign(n, 0);
    m_listsBuilt = true;
    computeRows();
}

void FolderTree::computeRows()
{
    const std::size_t n = nodeCount();
    for (std::size_t id = 0; id < n; ++id)
        for (std::size_t b = childBegin(static_cast<NodeId>(id)), r = 0; b < m_childEnd[id]; ++b, ++r)
            m_row[m_children[b]] = static_cast<std::uint32_t>(r);
    for (std::size_t r = 0; r < m_topLevel.size(); ++r)
        m_row[m_topLevel[r]] = static_cast<std::uint32_t>(r);
}

bool FolderTree::renumberDepthFirst()
{
    const std::size_t n = nodeCount();
    // The rows are not needed on the way and are made again after it: they go first, so that the
    // renumbering fits in the memory they held and the child lists' (for 10 million folders the
    // peak is what counts).
    releaseMemory(m_row);
    // order[k]: the node that comes k-th in a depth-first walk of the current child lists, which
    // becomes node k. The top level keeps its order.
    LargeVector<NodeId> order;
    order.reserve(n);
    {
        std::vector<NodeId> stack;
        for (std::size_t t = m_topLevel.size(); t-- > 0;)
            stack.push_back(m_topLevel[t]);
        while (!stack.empty()) {
            const NodeId id = stack.back();
            stack.pop_back();
            order.push_back(id);
            for (std::size_t b = m_childEnd[id]; b-- > childBegin(id);)
                stack.push_back(m_children[b]);
        }
    }
    bool identity = order.size() == n;
    for (std::size_t k = 0; k < order.size() && identity; ++k)
        identity = order[k] == k;
    if (identity) {
        m_row.assign(n, 0);
        return false;
    }

    // The child lists are made again from the parents below.
    releaseMemory(m_children);
    releaseMemory(m_childEnd);
    m_listsBuilt = false;
    {
        LargeVector<NodeId> newId;
        newId.resize(n);
        for (std::size_t k = 0; k < order.size(); ++k)
            newId[order[k]] = static_cast<NodeId>(k);
        LargeVector<NodeId> parent;
        parent.reserve(n);
        for (const NodeId old : order) {
            const NodeId p = m_parent[old];
            parent.push_back(p == kNoNode ? kNoNode : newId[p]);
        }
        m_parent.swap(parent);
        for (NodeId& t : m_topLevel)
            t = newId[t];
    }

    // Every other array is gathered into a new one in the new order, one at a time (the peak
    // memory is what counts for the largest reports), each by two threads.
    auto gather = [&order](auto& v) {
        std::remove_reference_t<decltype(v)> moved;
        moved.resize(order.size());
        auto gatherRange = [&](std::size_t from, std::size_t to) {
            for (std::size_t k = from; k < to; ++k)
                moved[k] = v[order[k]];
        };
        const std::size_t half = order.size() / 2;
        HelperThread helper([&] { gatherRange(half, order.size()); });
        gatherRange(0, half);
        helper.join();
        if (!helper.running())
            gatherRange(half, order.size());
        v.swap(moved);
    };
    gather(m_size);
    gather(m_line);
    gather(m_class);
    gather(m_level);
    gather(m_width);
    releaseMemory(order);
    // Child lists rebuilt from the parents keep the sibling order, which the depth-first
    // numbering preserves.
    buildChildLists();
    return true;
}

namespace {

// Names made only of digits and lower-case ASCII letters collate in byte order in every locale, so
// a tie among such names needs no collation key.
bool isPlainName(std::string_view folded)
{
    for (const char c : folded)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z')))
            return false;
    return true;
}

} // namespace

void FolderTree::sort(const LineList& lines, const NameCollator& collator, std::size_t twoRangesFrom)
{
    if (!m_listsBuilt)
        buildChildLists();
    const bool utf8 = lines.kind().utf8();
    struct Tied {
        std::string key;
        NodeId id;
    };
    // What one thread needs to sort slices: its own splitter and tie list, and a collator. A
    // second thread opens a collator of its own for the same locale when it first needs one, as
    // one collator is not to be used by two threads at once.
    struct Sorter {
        FieldSplitter splitter;
        std::vector<Tied> tied;
        const NameCollator* shared = nullptr;
        std::optional<NameCollator> own;
        const NameCollator& collatorFor(const NameCollator& main)
        {
            if (shared)
                return *shared;
            if (!own)
                own.emplace(main.localeId());
            return *own;
        }
    };
    auto bySize = [this](NodeId a, NodeId b) { return sortSize(a) > sortSize(b); };

    auto sortSlice = [&](Sorter& sorter, NodeId* first, NodeId* last) {
        // The top node's label has no "(": it goes after every other node of its level.
        NodeId* end = last;
        if (std::any_of(first, last, [this](NodeId id) { return isTopNode(id); }))
            end = std::stable_partition(first, last, [this](NodeId id) { return !isTopNode(id); });
        if (end - first <= 16) {
            // Most sibling lists are short: an insertion sort, stable too, without a buffer.
            for (NodeId* i = first + 1; i < end; ++i) {
                const NodeId id = *i;
                NodeId* j = i;
                for (; j > first && bySize(id, *(j - 1)); --j)
                    *j = *(j - 1);
                *j = id;
            }
        } else {
            std::stable_sort(first, end, bySize);
        }
        std::vector<Tied>& tied = sorter.tied;
        for (NodeId* run = first; run < end;) {
            NodeId* runEnd = run + 1;
            while (runEnd < end && sortSize(*runEnd) == sortSize(*run))
                ++runEnd;
            if (runEnd - run > 1) {
                tied.clear();
                bool plain = true;
                for (NodeId* p = run; p < runEnd; ++p) {
                    const std::string_view nm = name(*p, lines, sorter.splitter).substr(0, 255);
                    // UTF-8 names: letters are folded by the locale, which for names of ASCII
                    // letters and digits is the plain folding in all but a few locales.
                    std::string folded = utf8 ? std::string(nm) : sjis::foldAsciiLower(nm);
                    if (utf8 && collator.foldsAsciiPlainly())
                        for (char& c : folded)
                            if (c >= 'A' && c <= 'Z')
                                c = static_cast<char>(c - 'A' + 'a');
                    plain = plain && (!utf8 || collator.foldsAsciiPlainly()) && isPlainName(folded);
                    tied.push_back({std::move(folded), *p});
                }
                if (!plain) {
                    const NameCollator& keys = sorter.collatorFor(collator);
                    for (auto& t : tied)
                        t.key = utf8 ? keys.sortKeyUtf8(t.key) : keys.sortKey(t.key);
                }
                std::stable_sort(tied.begin(), tied.end(), [](const Tied& a, const Tied& b) { return a.key < b.key; });
                for (std::size_t i = 0; i < tied.size(); ++i)
                    run[i] = tied[i].id;
            }
            run = runEnd;
        }
    };
    // The children of nodes [from, to): their slices are apart, so two threads sort two ranges.
    auto sortRange = [&](Sorter& sorter, std::size_t from, std::size_t to) {
        for (std::size_t id = from; id < to; ++id) {
            const std::size_t b = childBegin(static_cast<NodeId>(id));
            if (m_childEnd[id] - b > 1)
                sortSlice(sorter, m_children.data() + b, m_children.data() + m_childEnd[id]);
        }
    };

    const std::size_t n = nodeCount();
    Sorter sorter;
    sorter.shared = &collator;
    if (n < twoRangesFrom || n < 2) {
        sortRange(sorter, 0, n);
    } else {
        // Split where about half of all children lie before.
        const std::size_t half = m_children.size() / 2;
        const auto middle = static_cast<std::size_t>(
            std::upper_bound(m_childEnd.begin(), m_childEnd.end(), static_cast<std::uint32_t>(half)) -
            m_childEnd.begin());
        Sorter second;
        std::exception_ptr secondError;
        HelperThread helper([&] {
            try {
                sortRange(second, middle, n);
            } catch (...) {
                secondError = std::current_exception();
            }
        });
        sortRange(sorter, 0, middle); // an error: the helper is joined on the way out
        helper.join();
        if (!helper.running())
            sortRange(sorter, middle, n);
        if (secondError)
            std::rethrow_exception(secondError);
    }
    if (m_topLevel.size() > 1)
        sortSlice(sorter, m_topLevel.data(), m_topLevel.data() + m_topLevel.size());
    if (!renumberDepthFirst())
        computeRows(); // the order of some siblings changed, but not the depth-first numbering
}

std::string_view FolderTree::name(NodeId id, const LineList& lines, FieldSplitter& splitter) const
{
    const ReportKind kind = lines.kind();
    if (isTopNode(id))
        return headerFirstWord(lines[0], kind.encoding);
    splitter.setEncoding(kind.encoding);
    splitter.splitFirst(lines[m_line[id]], 1);
    if (kind.posix())
        return posix::nameOf(splitter.getOr(0), m_level[id]);
    return cutFolderName(splitter.getOr(0), kind.encoding).name;
}

std::string FolderTree::sizeText(NodeId id) const
{
    std::string text;
    if (sizeUnknown(id))
        text = "?";
    else
        appendFormattedNumber(text, m_size[id]);
    const int width = m_width[id];
    const auto len = static_cast<int>(text.size());
    if (len < width)
        text.insert(0, static_cast<std::size_t>(std::min(16, width - len)), ' ');
    return text;
}

std::string FolderTree::label(NodeId id, const LineList& lines, FieldSplitter& splitter) const
{
    std::string out;
    appendLabel(out, id, lines, splitter);
    return out;
}

void FolderTree::appendLabel(std::string& out, NodeId id, const LineList& lines, FieldSplitter& splitter) const
{
    if (isTopNode(id)) {
        out.append(name(id, lines, splitter));
        return;
    }
    out.push_back('(');
    // The size text right-aligned to the width: at most 16 blanks before it.
    const std::size_t sizeStart = out.size();
    if (sizeUnknown(id))
        out.push_back('?');
    else
        appendFormattedNumber(out, m_size[id]);
    const auto len = static_cast<int>(out.size() - sizeStart);
    if (len < m_width[id])
        out.insert(sizeStart, static_cast<std::size_t>(std::min(16, m_width[id] - len)), ' ');
    out.append(") ").append(name(id, lines, splitter));
}

std::size_t FolderTree::memoryBytes() const
{
    return m_parent.capacity() * sizeof(NodeId) + m_line.capacity() * 4 + m_size.capacity() * 8 +
           m_row.capacity() * 4 + m_childEnd.capacity() * 4 + m_children.capacity() * 4 +
           m_class.capacity() +
           m_level.capacity() + m_width.capacity() + m_topLevel.capacity() * 4;
}

} // namespace dg
