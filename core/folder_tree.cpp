#include "core/folder_tree.h"

#include "core/collation.h"
#include "core/numbers.h"
#include "core/report_reader.h"
#include "core/system_file.h"
#include "core/tree_names.h"

#include <algorithm>
#include <cstring>

namespace dg {

void FolderTree::clear()
{
    *this = FolderTree();
}

void FolderTree::reserve(std::size_t n)
{
    sys::reserveLarge(m_parent, n);
    sys::reserveLarge(m_line, n);
    sys::reserveLarge(m_size, n);
    sys::reserveLarge(m_level, n);
    sys::reserveLarge(m_width, n);
    sys::reserveLarge(m_class, n);
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

void FolderTree::finishBuild()
{
    if (!m_listsBuilt)
        buildChildLists();
    renumberDepthFirst();
}

void FolderTree::buildChildLists()
{
    const std::size_t n = nodeCount();
    // Count children per parent, turn the counts into end offsets, then place each child (in
    // creation order, which is report order) into its parent's slice.
    sys::reserveLarge(m_childEnd, n);
    m_childEnd.assign(n, 0);
    for (std::size_t id = 0; id < n; ++id)
        if (m_parent[id] != kNoNode)
            ++m_childEnd[m_parent[id]];
    std::uint32_t total = 0;
    for (std::size_t id = 0; id < n; ++id) {
        total += m_childEnd[id];
        m_childEnd[id] = total;
    }
    sys::reserveLarge(m_children, total);
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
    sys::reserveLarge(m_row, n);
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

void FolderTree::renumberDepthFirst()
{
    const std::size_t n = nodeCount();
    // newId[old]: the node's position in a depth-first walk of the current child lists.
    std::vector<NodeId> newId(n, kNoNode);
    {
        std::vector<NodeId> stack;
        NodeId next = 0;
        for (std::size_t t = m_topLevel.size(); t-- > 0;)
            stack.push_back(m_topLevel[t]);
        while (!stack.empty()) {
            const NodeId id = stack.back();
            stack.pop_back();
            newId[id] = next++;
            for (std::size_t b = m_childEnd[id]; b-- > childBegin(id);)
                stack.push_back(m_children[b]);
        }
    }
    bool identity = true;
    for (std::size_t id = 0; id < n && identity; ++id)
        identity = newId[id] == id;
    if (identity)
        return;

    // Move every node's fields to its new place in place, cycle by cycle, so the renumbering
    // needs no second copy of the arrays.
    std::vector<bool> placed(n, false);
    for (std::size_t start = 0; start < n; ++start) {
        if (placed[start] || newId[start] == start) {
            placed[start] = true;
            continue;
        }
        NodeId parent = m_parent[start];
        std::uint32_t line = m_line[start];
        std::int64_t size = m_size[start];
        std::uint8_t cls = m_class[start];
        std::uint8_t level = m_level[start];
        std::int8_t width = m_width[start];
        std::size_t pos = newId[start];
        while (!placed[pos]) {
            std::swap(parent, m_parent[pos]);
            std::swap(line, m_line[pos]);
            std::swap(size, m_size[pos]);
            std::swap(cls, m_class[pos]);
            std::swap(level, m_level[pos]);
            std::swap(width, m_width[pos]);
            placed[pos] = true;
            pos = newId[pos];
        }
    }
    for (NodeId& p : m_parent)
        if (p != kNoNode)
            p = newId[p];
    for (NodeId& t : m_topLevel)
        t = newId[t];
    // Child lists rebuilt from the parents keep the sibling order, which the depth-first
    // numbering preserves.
    buildChildLists();
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

void FolderTree::sort(const LineList& lines, const NameCollator& collator)
{
    if (!m_listsBuilt)
        buildChildLists();
    FieldSplitter splitter;
    const bool utf8 = lines.kind().utf8();
    struct Tied {
        std::string key;
        NodeId id;
    };
    std::vector<Tied> tied;

    auto sortSlice = [&](NodeId* first, NodeId* last) {
        // The top node's label has no "(": it goes after every other node of its level.
        NodeId* end = std::stable_partition(first, last, [this](NodeId id) { return !isTopNode(id); });
        std::stable_sort(first, end, [this](NodeId a, NodeId b) { return sortSize(a) > sortSize(b); });
        for (NodeId* run = first; run < end;) {
            NodeId* runEnd = run + 1;
            while (runEnd < end && sortSize(*runEnd) == sortSize(*run))
                ++runEnd;
            if (runEnd - run > 1) {
                tied.clear();
                bool plain = true;
                for (NodeId* p = run; p < runEnd; ++p) {
                    const std::string_view nm = name(*p, lines, splitter).substr(0, 255);
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
                if (!plain)
                    for (auto& t : tied)
                        t.key = utf8 ? collator.sortKeyUtf8(t.key) : collator.sortKey(t.key);
                std::stable_sort(tied.begin(), tied.end(), [](const Tied& a, const Tied& b) { return a.key < b.key; });
                for (std::size_t i = 0; i < tied.size(); ++i)
                    run[i] = tied[i].id;
            }
            run = runEnd;
        }
    };

    const std::size_t n = nodeCount();
    for (std::size_t id = 0; id < n; ++id) {
        const std::size_t b = childBegin(static_cast<NodeId>(id));
        if (m_childEnd[id] - b > 1)
            sortSlice(m_children.data() + b, m_children.data() + m_childEnd[id]);
    }
    if (m_topLevel.size() > 1)
        sortSlice(m_topLevel.data(), m_topLevel.data() + m_topLevel.size());
    renumberDepthFirst();
    computeRows();
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
