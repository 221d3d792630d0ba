#include "bench/report_gen.h"

#include "core/encoding.h"
#include "core/sjis.h"
#include "tests/support/temp_dir.h"
#include "tests/tools/plain_fields.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace dg::bench {
namespace {

using test::plainFields;

// An independent reader for what the generator writes: CR LF lines, the field rules of the
// viewer, the expansion of the abbreviated form. Kept apart from the generator's own parser so
// that one cannot hide a mistake of the other.

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t end = text.find("\r\n", pos);
        if (end == std::string::npos) {
            ADD_FAILURE() << "text does not end with CR LF";
            break;
        }
        out.push_back(text.substr(pos, end - pos));
        pos = end + 2;
    }
    for (const std::string& line : out)
        EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << "lone CR or LF: " << line;
    return out;
}

bool isBlank(char c)
{
    return static_cast<unsigned char>(c) >= 1 && static_cast<unsigned char>(c) <= 32;
}

std::string joined(const std::vector<std::string>& parts)
{
    std::string out;
    for (std::size_t k = 0; k < parts.size(); ++k) {
        if (k > 0)
            out += ',';
        const std::string& f = parts[k];
        const auto special = [](char c) { return isBlank(c) || c == '"' || c == ','; };
        if (std::any_of(f.begin(), f.end(), special)) {
            out += '"';
            for (const char c : f)
                out += c == '"' ? std::string("\"\"") : std::string(1, c);
            out += '"';
        } else {
            out += f;
        }
    }
    return out;
}

// The data lines of a report in the full form (header and closing line left out).
std::vector<std::string> fullDataLines(const std::string& text)
{
    std::vector<std::string> all = lines(text);
    if (all.size() < 3)
        return {};
    std::vector<std::string> data(all.begin() + 1, all.end() - 1);
    if (data.size() < 2 || data[1].empty() || data[1][0] != '>')
        return data;
    std::vector<std::string> depthList;
    std::string lastCreated;
    std::string lastUpdated;
    for (std::string& line : data) {
        std::vector<std::string> f = plainFields(line);
        std::string path;
        const std::string& v = f.at(0);
        for (std::size_t k = 0; k < v.size(); ++k) {
            if (v[k] == '>') {
                path += depthList.at(k) + "\\";
                continue;
            }
            depthList.resize(std::max(depthList.size(), k + 1));
            depthList[k] = v.substr(k);
            path += depthList[k];
            break;
        }
        f[0] = path;
        if (path.size() > 2) {
            f.resize(std::max<std::size_t>(f.size(), 5));
            lastCreated = f[2] = f[2].empty() ? lastCreated : f[2];
            lastUpdated = f[3] = f[3].empty() ? lastUpdated : f[3];
            if (f[4].empty())
                f[4] = "16";
        }
        line = joined(f);
    }
    return data;
}

struct Folder {
    std::string path;
    std::optional<std::uint64_t> size;
    unsigned depth = 0;
};

unsigned depthOf(const std::string& path)
{
    if (path.size() == 3)
        return 0;
    unsigned depth = 0;
    for (std::size_t i = sjis::findChar(path, '\\'); i != std::string::npos;
         i = sjis::findChar(path, '\\', i + 1))
        ++depth;
    return depth;
}

std::string parentOf(const std::string& path)
{
    std::size_t last = 0;
    for (std::size_t i = sjis::findChar(path, '\\'); i != std::string::npos;
         i = sjis::findChar(path, '\\', i + 1))
        last = i;
    return path.substr(0, last == 2 ? 3 : last);
}

// Reads the folders of a report and checks what every report of ours promises: depth-first
// order (each folder continues the path of the folder open one level up), a folder's size at
// least the sum of its subfolders' sizes, no path twice (ignoring ASCII case, as Windows does).
testing::AssertionResult readConsistent(const std::string& text, std::vector<Folder>& folders)
{
    folders.clear();
    std::vector<Folder*> open;
    std::vector<std::uint64_t> childSums;
    std::set<std::string> seen;
    std::string failure;
    auto closeTo = [&](std::size_t depth) {
        while (open.size() > depth) {
            const Folder* done = open.back();
            const std::uint64_t children = childSums.back();
            open.pop_back();
            childSums.pop_back();
            if (done->size && *done->size < children)
                failure = done->path + " is smaller than its subfolders";
            if (!childSums.empty() && done->size)
                childSums.back() += *done->size;
        }
    };
    std::vector<std::string> data = fullDataLines(text);
    folders.reserve(data.size());
    for (const std::string& line : data) {
        const std::vector<std::string> f = plainFields(line);
        if (f.at(0).size() == 2) {
            closeTo(0);
            continue;
        }
        Folder folder;
        folder.path = f.at(0);
        folder.depth = depthOf(folder.path);
        if (f.at(1) != "?")
            folder.size = std::stoull(f.at(1));
        closeTo(folder.depth);
        if (open.size() != folder.depth)
            return testing::AssertionFailure() << folder.path << " skips a level";
        if (folder.depth > 0) {
            const std::string prefix = open.back()->path + (folder.depth > 1 ? "\\" : "");
            if (folder.path.compare(0, prefix.size(), prefix) != 0)
                return testing::AssertionFailure() << folder.path << " is not under " << prefix;
        }
        if (!seen.insert(sjis::foldAsciiLower(folder.path)).second)
            return testing::AssertionFailure() << "path twice: " << folder.path;
        folders.push_back(folder);
        open.push_back(&folders.back());
        childSums.push_back(0);
    }
    closeTo(0);
    if (!failure.empty())
        return testing::AssertionFailure() << failure;
    return testing::AssertionSuccess();
}

GenerateOptions options(std::uint64_t folders, std::uint64_t seed = 1,
                        ReportForm form = ReportForm::Full)
{
    GenerateOptions o;
    o.folders = folders;
    o.seed = seed;
    o.form = form;
    return o;
}

TEST(ReportGenerator, SameOptionsGiveSameBytesAndSeedsDiffer)
{
    for (const ReportForm form : {ReportForm::Full, ReportForm::Abbreviated}) {
        const std::string a = generateReport(options(3000, 7, form));
        EXPECT_EQ(a, generateReport(options(3000, 7, form)));
        EXPECT_NE(a, generateReport(options(3000, 8, form)));
    }
    // Chunked output carries the same bytes as the string.
    std::string chunked;
    generateReport(options(3000, 7), [&](std::string_view chunk) { chunked += chunk; });
    EXPECT_EQ(chunked, generateReport(options(3000, 7)));
}

TEST(ReportGenerator, WritesHeaderDriveRootFoldersAndClosingLine)
{
    for (const std::uint64_t count : {1u, 2u, 17u, 1000u}) {
        for (const ReportForm form : {ReportForm::Full, ReportForm::Abbreviated}) {
            SCOPED_TRACE(std::to_string(count));
            const std::vector<std::string> all = lines(generateReport(options(count, 3, form)));
            ASSERT_EQ(all.size(), count + 3);
            EXPECT_EQ(all.front().rfind("BENCH-PC CHECK START AT ", 0), 0u) << all.front();
            EXPECT_EQ(all[1].rfind("C:,", 0), 0u) << all[1];
            EXPECT_EQ(all.back().rfind("CHECK END AT ", 0), 0u) << all.back();
            EXPECT_EQ(plainFields(all[2]).at(0), form == ReportForm::Full ? "C:\\" : ">");
        }
    }
}

bool isTimestamp(const std::string& text)
{
    static const std::string kPattern = "0000/00/00 00:00:00";
    if (text.size() != kPattern.size())
        return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (kPattern[i] == '0' ? !std::isdigit(static_cast<unsigned char>(text[i]))
                               : text[i] != kPattern[i])
            return false;
    }
    return true;
}

TEST(ReportGenerator, FolderLinesHaveFiveFieldsWithDatesAndAttributes)
{
    // Dates hold a blank, so they must be quoted or the reader would split them in two.
    const std::string abbreviated = generateReport(options(2000, 8, ReportForm::Abbreviated));
    for (const std::string& text : {generateReport(options(2000, 8)), abbreviated}) {
        const std::vector<std::string> data = fullDataLines(text);
        for (std::size_t n = 1; n < data.size(); ++n) {
            const std::vector<std::string> f = plainFields(data[n]);
            ASSERT_EQ(f.size(), 5u) << data[n];
            EXPECT_TRUE(isTimestamp(f[2]) && isTimestamp(f[3])) << data[n];
            EXPECT_LE(f[2], f[3]) << "updated before created: " << data[n];
            EXPECT_LE(f[3], "2024/05/01 10:20:30") << "updated after the listing: " << data[n];
            EXPECT_TRUE(!f[4].empty() && f[4].find_first_not_of("0123456789") == std::string::npos)
                << data[n];
        }
    }
}

TEST(ReportGenerator, AbbreviatedFormExpandsToTheFullForm)
{
    const std::string full = generateReport(options(5000, 11));
    const std::string abbreviated = generateReport(options(5000, 11, ReportForm::Abbreviated));
    EXPECT_LT(abbreviated.size(), full.size() * 2 / 3);
    const std::vector<std::string> abbreviatedLines = lines(abbreviated);
    ASSERT_GT(abbreviatedLines.size(), 3u);
    // Line 2 tells the form; later lines leave repeated dates and attributes 16 empty.
    EXPECT_EQ(abbreviatedLines[2][0], '>');
    EXPECT_NE(abbreviated.find(",,,\r\n"), std::string::npos);
    EXPECT_EQ(fullDataLines(abbreviated), fullDataLines(full));
}

TEST(ReportGenerator, TreeIsConsistentAndShapedLikeASystemDrive)
{
    const std::string text = generateReport(options(15000, 5));
    std::vector<Folder> folders;
    ASSERT_TRUE(readConsistent(text, folders));
    ASSERT_EQ(folders.size(), 15000u);

    std::map<std::string, std::size_t> children;
    unsigned maxDepth = 0;
    std::size_t deep = 0;
    for (const Folder& f : folders) {
        maxDepth = std::max(maxDepth, f.depth);
        deep += f.depth >= 4 ? 1 : 0;
        if (f.depth > 0)
            ++children[parentOf(f.path)];
    }
    std::size_t wide = 0;
    for (const auto& [parent, count] : children)
        wide += count >= 200 ? 1 : 0;
    EXPECT_LE(maxDepth, 20u);
    EXPECT_GE(maxDepth, 8u);
    EXPECT_GT(deep, folders.size() / 2) << "most folders should sit 4 or more levels down";
    EXPECT_GE(wide, 1u) << "a few folders should be very wide";
    EXPECT_LE(children["C:\\"], 30u) << "a drive has few top folders";
}

TEST(ReportGenerator, NamesAreValidShiftJisWithBackslashTrailBytesAndQuotes)
{
    const std::string text = generateReport(options(8000, 2));
    std::vector<Folder> folders;
    ASSERT_TRUE(readConsistent(text, folders));
    bool trailBackslash = false;
    bool quoted = false;
    for (const Folder& f : folders) {
        const std::string utf8 = encoding::sjisToUtf8(f.path);
        ASSERT_EQ(utf8.find("\xEF\xBF\xBD"), std::string::npos) << "not Shift-JIS: " << utf8;
        ASSERT_EQ(encoding::utf8ToSjis(utf8), f.path) << utf8;
        for (std::size_t i = 0; i + 1 < f.path.size(); i += sjis::charLength(f.path, i))
            trailBackslash |= sjis::isLeadByte(static_cast<unsigned char>(f.path[i])) &&
                              f.path[i + 1] == '\\';
        quoted |= f.path.find_first_of(" ,") != std::string::npos;
    }
    EXPECT_TRUE(trailBackslash) << "no name with a 0x5C second byte";
    EXPECT_TRUE(quoted) << "no path that needs quotes";
}

TEST(ReportGenerator, OptionsShapeTheHeaderDriveAndRootLine)
{
    GenerateOptions o = options(10);
    o.computer = "PC-9";
    o.drive = 'D';
    o.rootSizeUnknown = true;
    const std::vector<std::string> all = lines(generateReport(o));
    EXPECT_EQ(all[0].rfind("PC-9 CHECK START AT ", 0), 0u);
    EXPECT_EQ(plainFields(all[1]).at(0), "D:");
    EXPECT_EQ(plainFields(all[2]).at(0), "D:\\");
    EXPECT_EQ(plainFields(all[2]).at(1), "?");
    EXPECT_EQ(plainFields(all[3]).at(0).rfind("D:\\", 0), 0u);
}

TEST(ReportGenerator, RejectsOptionsOutOfRange)
{
    GenerateOptions none = options(0);
    GenerateOptions tooMany = options(kMaxFolders + 1);
    GenerateOptions blankName = options(5);
    blankName.computer = "MY PC";
    GenerateOptions badDrive = options(5);
    badDrive.drive = 'c';
    for (const GenerateOptions& o : {none, tooMany, blankName, badDrive})
        EXPECT_THROW(generateReport(o), std::invalid_argument);
}

DeriveOptions shares(double added, double removed, double grown, double shrunk)
{
    DeriveOptions o;
    o.shares = {added, removed, grown, shrunk};
    return o;
}

struct Changes {
    std::size_t added = 0, removed = 0, grown = 0, shrunk = 0, same = 0;
};

// Classifies the later report's folders against the earlier one the way the viewer's default
// limits would: grown or shrunk means by 10 % or more.
Changes compare(const std::vector<Folder>& earlier, const std::vector<Folder>& later)
{
    std::map<std::string, std::uint64_t> before;
    for (const Folder& f : earlier)
        before[f.path] = f.size.value_or(0);
    Changes c;
    std::set<std::string> present;
    for (const Folder& f : later) {
        present.insert(f.path);
        const auto it = before.find(f.path);
        if (it == before.end()) {
            ++c.added;
            continue;
        }
        const std::uint64_t b = it->second;
        const std::uint64_t a = f.size.value_or(0);
        if (a > b && (a - b) * 100 > 9 * b) // the change rounded up is 10 % or more
            ++c.grown;
        else if (b > a && (b - a) * 100 > 9 * b)
            ++c.shrunk;
        else
            ++c.same;
    }
    for (const Folder& f : earlier)
        c.removed += present.count(f.path) == 0 ? 1 : 0;
    return c;
}

TEST(ReportDeriver, ChangesRoughlyTheAskedShares)
{
    const std::string earlier = generateReport(options(8000, 4));
    std::vector<Folder> before;
    ASSERT_TRUE(readConsistent(earlier, before));
    const std::size_t base = before.size() - 1; // folders below the root
    const std::size_t five = base / 20;

    using Kind = std::size_t Changes::*;
    struct Case {
        const char* name;
        DeriveOptions options;
        Kind kind;
        std::vector<Kind> none; // a parent may grow with an added folder, never shrink
    };
    const Case cases[] = {
        {"added", shares(0.05, 0, 0, 0), &Changes::added, {&Changes::removed, &Changes::shrunk}},
        {"removed", shares(0, 0.05, 0, 0), &Changes::removed, {&Changes::added, &Changes::grown}},
        {"grown", shares(0, 0, 0.05, 0), &Changes::grown,
         {&Changes::added, &Changes::removed, &Changes::shrunk}},
        {"shrunk", shares(0, 0, 0, 0.05), &Changes::shrunk,
         {&Changes::added, &Changes::removed, &Changes::grown}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DeriveStats stats;
        const std::string later = deriveLater(earlier, c.options, &stats);
        std::vector<Folder> after;
        ASSERT_TRUE(readConsistent(later, after));
        const Changes changes = compare(before, after);
        // Added and removed folders are exact; a grown or shrunk folder may carry an ancestor
        // over the limit with it.
        EXPECT_GE(changes.*c.kind, five);
        EXPECT_LE(changes.*c.kind, five + five / 2);
        for (const Kind other : c.none)
            EXPECT_EQ(changes.*other, 0u);
        EXPECT_EQ(stats.earlierFolders, before.size());
        EXPECT_EQ(stats.laterFolders, after.size());
    }
}

TEST(ReportDeriver, AllChangesTogetherKeepTheReportConsistent)
{
    for (const ReportForm form : {ReportForm::Full, ReportForm::Abbreviated}) {
        const std::string earlier = generateReport(options(4000, 6, form));
        DeriveStats stats;
        const std::string later = deriveLater(earlier, shares(0.05, 0.05, 0.05, 0.05), &stats);
        EXPECT_EQ(later, deriveLater(earlier, shares(0.05, 0.05, 0.05, 0.05)));
        std::vector<Folder> before;
        std::vector<Folder> after;
        ASSERT_TRUE(readConsistent(earlier, before));
        ASSERT_TRUE(readConsistent(later, after));
        EXPECT_EQ(stats.added, 200u);
        EXPECT_EQ(stats.removed, 200u);
        EXPECT_EQ(stats.grown + stats.shrunk, 400u);
        EXPECT_EQ(after.size(), before.size());
        const Changes changes = compare(before, after);
        EXPECT_EQ(changes.added, 200u);
        EXPECT_EQ(changes.removed, 200u);
        // The later report keeps the earlier one's form unless asked otherwise.
        EXPECT_EQ(lines(later)[2][0] == '>', form == ReportForm::Abbreviated);
    }
}

TEST(ReportDeriver, AbbreviatedAndFullInputGiveTheSameLaterReport)
{
    const std::string full = generateReport(options(4000, 9));
    const std::string abbreviated = generateReport(options(4000, 9, ReportForm::Abbreviated));
    const DeriveOptions o = shares(0.1, 0.1, 0.1, 0.1);
    EXPECT_EQ(fullDataLines(deriveLater(full, o)), fullDataLines(deriveLater(abbreviated, o)));
    DeriveOptions asFull = o;
    asFull.form = ReportForm::Full;
    EXPECT_EQ(deriveLater(abbreviated, asFull), deriveLater(full, o));
}

TEST(ReportDeriver, MovesTheListingTimesAndKeepsTheDrive)
{
    const std::string earlier = generateReport(options(100, 1));
    const std::vector<std::string> later = lines(deriveLater(earlier, shares(0, 0, 0, 0)));
    EXPECT_EQ(later.front(), "BENCH-PC CHECK START AT 2024/05/31 10:20:30");
    EXPECT_EQ(later.back().rfind("CHECK END AT 2024/05/31 ", 0), 0u) << later.back();
    EXPECT_EQ(later[1], lines(earlier)[1]);
    // No change asked: the folder lines stay as they were.
    EXPECT_EQ(std::vector<std::string>(later.begin() + 1, later.end() - 1),
              fullDataLines(earlier));
}

TEST(ReportDeriver, ReadsTheBundledSamples)
{
    for (const char* name : {"full.txt", "abbrev.txt", "two-drives.txt", "older.txt"}) {
        SCOPED_TRACE(name);
        const std::string earlier = test::readBytes(std::string(DG_SOURCE_DIR) + "/samples/" + name);
        ASSERT_FALSE(earlier.empty());
        std::vector<Folder> before;
        std::vector<Folder> after;
        ASSERT_TRUE(readConsistent(earlier, before));
        DeriveStats stats;
        const std::string later = deriveLater(earlier, shares(0.2, 0.2, 0.2, 0.2), &stats);
        ASSERT_TRUE(readConsistent(later, after));
        EXPECT_EQ(stats.earlierFolders, before.size());
        EXPECT_GT(stats.added + stats.removed + stats.grown + stats.shrunk, 0u);
        // A root whose size is "?" keeps it.
        const auto unknown = [](const Folder& f) { return !f.size; };
        EXPECT_EQ(std::count_if(after.begin(), after.end(), unknown),
                  std::count_if(before.begin(), before.end(), unknown));
    }
}

TEST(ReportDeriver, RejectsTextThatIsNotAConsistentReport)
{
    const std::string head = "PC CHECK START AT 2024/05/01 10:20:30\r\nC:,1000,5%\r\n";
    const std::string tail = "CHECK END\r\n";
    struct Case {
        std::string text;
        std::string message;
    };
    const Case cases[] = {
        {"", "fewer than three lines"},
        {"PC START\r\nC:,1,1%\r\nEND\r\n", "CHECK START AT"},
        {"PC CHECK START AT x\r\nC:,1,1%\r\n", "fewer than three lines"},
        {"PC CHECK START AT x\r\nXYZ\r\nEND\r\n", "line 2: not a drive line"},
        {head + "C:\\,abc,a,b,22\r\n" + tail, "line 3: size \"abc\""},
        {head + "C:\\,-5,a,b,22\r\n" + tail, "line 3: size"},
        {head + "C:\\,99999999999999999999,a,b,22\r\n" + tail, "line 3: size"},
        {head + "C:\\Windows,5,a,b,16\r\n" + tail, "line 3: folder C:\\Windows before the root"},
        {head + "C:\\,5,a,b,22\r\nC:\\A\\B,1,a,b,16\r\n" + tail,
         "line 4: folder C:\\A\\B does not follow"},
        {head + "C:\\,5,a,b,22\r\nC:\\A,3,a,b,16\r\nC:\\B\\C,1,a,b,16\r\n" + tail, "line 5"},
        {head + "D:\\,5,a,b,22\r\n" + tail, "line 3: root D:\\ does not follow its drive line"},
        {head + ">,5,a,b,22\r\n>>A,1,,,\r\n" + tail, "line 4: \">\" mark at depth 1"},
        {head + "C:\\,5\r\nx\r\n" + tail, "line 4: fewer than two fields"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        try {
            deriveLater(c.text, shares(0.1, 0.1, 0.1, 0.1));
            ADD_FAILURE() << "accepted";
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
        }
    }
    const std::string report = generateReport(options(10));
    for (const double bad : {-0.1, 1.5})
        EXPECT_THROW(deriveLater(report, shares(bad, 0, 0, 0)), std::invalid_argument);
}

} // namespace
} // namespace dg::bench
