// The tree built in two halves on two threads is the tree of one walk in order: same nodes,
// parents, sizes, levels and label widths, same rewritten lines, same debug lines, same error;
// and the same again after the sort, done on two threads against one. Checked on generated reports (both forms, drive and POSIX
// paths) and on small hand-made reports cut at every line, so that each awkward line falls at and
// around the point where the second half starts.
#include "bench/posix_copy.h"
#include "bench/report_gen.h"
#include "core/collation.h"
#include "core/errors.h"
#include "core/report_reader.h"
#include "core/tree_builder.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

namespace dg {
namespace {

constexpr std::size_t kOneWalk = std::numeric_limits<std::size_t>::max();

// Everything a build leaves behind, in a form that compares.
struct Built {
    std::vector<std::string> nodes; // one row per node, in id order
    std::vector<std::string> top;
    std::vector<std::string> lines;
    std::vector<std::string> debug;
    std::string error;
    std::string info;

    bool operator==(const Built&) const = default;
};

std::string rowOf(const FolderTree& tree, NodeId id)
{
    const NodeId p = tree.parent(id);
    return std::to_string(p == kNoNode ? -1 : static_cast<long long>(p)) + " " + std::to_string(tree.lineIndex(id)) +
           " " + std::to_string(tree.size(id)) + " " + std::to_string(tree.level(id)) + " " +
           std::to_string(tree.labelWidth(id)) + " " + std::to_string(tree.row(id)) + " " +
           std::to_string(tree.childCount(id));
}

Built build(const std::string& text, std::size_t twoHalvesFrom, bool sorted)
{
    LineList lines;
    lines.assignText(text);
    const FormCheck check = checkForm(lines);
    FieldSplitter splitter;
    test::RecordingSink sink;
    FolderTree tree;
    Built out;
    try {
        if (check.abbreviated)
            ExpandFullDescription(lines, splitter, &sink);
        sink.lines.clear(); // the expansion's own lines are not the builder's
        const TreeBuildInfo info = CreateTree(lines, tree, splitter, &sink, twoHalvesFrom);
        out.info = std::to_string(info.nodeCount) + "/" + std::to_string(info.maxLevel);
        if (sorted)
            tree.sort(lines, NameCollator("en"), twoHalvesFrom == kOneWalk ? kOneWalk : 1);
    } catch (const SizeError& e) {
        out.error = std::string("SizeError ") + e.what();
    } catch (const IndexError& e) {
        out.error = "IndexError " + std::to_string(e.index());
    }
    for (NodeId id = 0; id < tree.nodeCount(); ++id)
        out.nodes.push_back(rowOf(tree, id));
    for (std::size_t t = 0; t < tree.topLevelCount(); ++t)
        out.top.push_back(std::to_string(tree.topLevel(t)));
    for (std::size_t n = 0; n < lines.size(); ++n)
        out.lines.emplace_back(lines[n]);
    out.debug = sink.lines;
    return out;
}

// The first difference between two builds, for the failure message.
std::string firstDifference(const Built& a, const Built& b)
{
    auto diff = [](const char* what, const std::vector<std::string>& x, const std::vector<std::string>& y) {
        for (std::size_t i = 0; i < std::max(x.size(), y.size()); ++i) {
            const std::string u = i < x.size() ? x[i] : "(none)";
            const std::string v = i < y.size() ? y[i] : "(none)";
            if (u != v)
                return std::string(what) + " " + std::to_string(i) + ": one walk [" + u + "], two halves [" + v + "]";
        }
        return std::string();
    };
    for (const std::string& d : {diff("node", a.nodes, b.nodes), diff("top", a.top, b.top),
                                 diff("line", a.lines, b.lines), diff("debug", a.debug, b.debug)})
        if (!d.empty())
            return d;
    return "error [" + a.error + "] / [" + b.error + "], info [" + a.info + "] / [" + b.info + "]";
}

void expectSameBuilds(const std::string& text, const std::string& label)
{
    for (const bool sorted : {false, true}) {
        const Built one = build(text, kOneWalk, sorted);
        const Built two = build(text, 1, sorted);
        ASSERT_TRUE(one == two) << label << (sorted ? " (sorted)" : "") << ": " << firstDifference(one, two);
    }
}

std::string joinLines(const std::vector<std::string>& lines, std::size_t count)
{
    std::string text;
    for (std::size_t i = 0; i < count && i < lines.size(); ++i)
        text.append(lines[i]).append("\r\n");
    return text;
}

// Every prefix of the report's lines ending in the closing line: the second half starts at each
// line in turn.
void expectSameAtEveryCut(const std::vector<std::string>& lines, const std::string& label)
{
    for (std::size_t count = 4; count <= lines.size(); ++count) {
        std::string text = joinLines(lines, count);
        text.append("END\r\n");
        expectSameBuilds(text, label + ", " + std::to_string(count) + " lines");
    }
}

TEST(TreeBuilderHalves, GeneratedReportsBuildAsInOneWalk)
{
    for (const bool unknownRoot : {false, true}) {
        bench::GenerateOptions options;
        options.folders = 3000;
        options.seed = 11;
        options.rootSizeUnknown = unknownRoot;
        for (const bench::ReportForm form : {bench::ReportForm::Full, bench::ReportForm::Abbreviated}) {
            options.form = form;
            const std::string sjis = bench::generateReport(options);
            const std::string label = std::string(form == bench::ReportForm::Full ? "full" : "abbreviated") +
                                      (unknownRoot ? ", root ?" : "");
            expectSameBuilds(sjis, label);
            expectSameBuilds(bench::posixUtf8Copy(sjis, "/data"), label + ", POSIX /data");
            expectSameBuilds(bench::posixUtf8Copy(sjis, "/"), label + ", POSIX /");
        }
    }
}

TEST(TreeBuilderHalves, AwkwardDriveLinesAtTheSplit)
{
    const std::string d = "\"2020/01/01 00:00:00\",\"2020/01/01 00:00:00\",16";
    // Two drives, "?" roots whose drive line is in the other half, a folder of unknown size,
    // Shift-JIS names with a "\" trail byte, a folder with no parent line, deep folders, and
    // widths that change with each drive.
    std::vector<std::string> lines = {
        "PC CHECK START AT 2024/01/01",
        "C:,1000,10%",
        "C:\\,?," + d,
        "C:\\a,500," + d,
        "C:\\a\\b,?," + d,
        "C:\\a\\b\\c,100," + d,
        "C:\\" + test::sj("表示") + ",7," + d,
        "C:\\" + test::sj("表示") + "\\x,3," + d,
        "C:\\x-1,7," + d, // ties on size: names that need collation keys
        "\"C:\\B b\",7," + d,
        "C:\\a_2,7," + d,
        "D:,123456789012,50%",
        "D:\\,?," + d,
        "D:\\p\\q\\r,9," + d, // no parent lines: attached to the last node one level up
        "D:\\p,8," + d,
        "C:\\z,1," + d,       // a folder line of another drive without its root line
        "E:,5,1%",
        "\"E:\\with blank\",4," + d,
        "E:\\,?," + d,
        "E:\\d1\\d2\\d3\\d4\\d5\\d6,2," + d,
    };
    expectSameAtEveryCut(lines, "drive paths");
}

TEST(TreeBuilderHalves, ErrorsInEitherHalfStopAsInOneWalk)
{
    const std::string d = "\"2020/01/01 00:00:00\",\"2020/01/01 00:00:00\",16";
    std::string deep = "C:";
    for (int i = 0; i < 260; ++i)
        deep += "\\d";
    for (const std::string& bad : {std::string("C:\\bad,12x4,") + d, deep + ",1," + d, std::string("C:\\short"),
                                   std::string("C:\\,notanumber,") + d}) {
        std::vector<std::string> lines = {"PC CHECK START AT 2024/01/01", "C:,1000,10%", "C:\\,?," + d};
        for (int i = 0; i < 6; ++i)
            lines.push_back("C:\\f" + std::to_string(i) + "," + std::to_string(10 * i) + "," + d);
        lines.insert(lines.begin() + 5, bad);
        expectSameAtEveryCut(lines, bad.substr(0, 20));
    }
    // A drive size that is no number reaches the root line's rewrite, whichever half it is in.
    expectSameAtEveryCut({"PC CHECK START AT 2024/01/01", "C:,big,10%", "C:\\a,1," + d, "C:\\b,2," + d, "C:\\,?," + d,
                          "C:\\c,3," + d},
                         "drive size no number");
}

TEST(TreeBuilderHalves, AwkwardPosixLinesAtTheSplit)
{
    const std::string d = "\"2020/01/01 00:00:00\",\"2020/01/01 00:00:00\",16";
    std::vector<std::string> lines = {
        "\xEF\xBB\xBFPC CHECK START AT 2024/01/01",
        "/:,1000,10%",
        "/,?," + d,
        "/etc,5," + d,
        "/etc/x,?," + d,
        "\"/home:\",77,3%", // a volume line in quotes
        "/home,?," + d,
        "/home/alice,40," + d,
        "/home/alice/deep/er,4," + d,
        "/data: ,9,1%",     // a volume field ended by a blank
        "/data,?," + d,
        "/data/x,2," + d,
        "/elsewhere/y,1," + d, // outside its volume
        "/srv:,12,2%",
        "/srv/a,3," + d,       // before its root line
        "/srv,?," + d,
    };
    expectSameAtEveryCut(lines, "POSIX paths");
}

} // namespace
} // namespace dg
