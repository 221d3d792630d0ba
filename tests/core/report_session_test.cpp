// The load sequence shared by the viewer and dirgauge-report: its outcomes and texts, the order
// of the steps a window follows, and the base lines held exactly while a comparison is shown.
#include "core/errors.h"
#include "core/report_session.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <stdexcept>
#include <utility>
#include <string>
#include <vector>

namespace dg {
namespace {

std::string sample(const std::string& name)
{
    return std::string(DG_SOURCE_DIR) + "/samples/" + name;
}

// Records the steps, and can throw from classify to stop a base load midway.
class RecordingListener : public ReportSession::Listener {
public:
    std::vector<std::string> steps;
    bool failClassify = false;

    void comparisonClosing() override { steps.emplace_back("closing"); }
    void shownReplaced() override { steps.emplace_back("replaced"); }
    void treeChanging(bool building) override { steps.emplace_back(building ? "build{" : "clear{"); }
    void treeChanged(bool building) override { steps.emplace_back(building ? "}build" : "}clear"); }
    void shownRecognised(const std::string& summary) override { steps.push_back("recognised " + summary); }
    void shownLoaded() override { steps.emplace_back("loaded"); }
    void baseLoadStarting() override { steps.emplace_back("starting"); }
    void comparisonCleared() override { steps.emplace_back("cleared"); }
    void classify(ReportSession& session, const ChangeLimits& limits) override
    {
        steps.emplace_back("classify");
        if (failClassify)
            throw UserError("stopped");
        Listener::classify(session, limits);
    }
    void comparisonShown(const std::string& hint) override { steps.push_back("shown " + hint); }
};

using Steps = std::vector<std::string>;

TEST(ReportSession, LoadRunsTheStepsInOrderAndSaysWhatItCameTo)
{
    struct Case {
        const char* file;
        LoadResult result;
        Steps steps;
    };
    const Case cases[] = {
        {"older.txt", LoadResult::Loaded, {"replaced", "clear{", "}clear", "", "build{", "}build", "loaded"}},
        {"abbrev.txt", LoadResult::Loaded, {"replaced", "clear{", "}clear", "", "build{", "}build", "loaded"}},
        {"README.md", LoadResult::NotRecognised, {"replaced", "clear{", "}clear"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        test::RecordingSink debug;
        ReportSession session("ja");
        session.setDebugSink(&debug);
        RecordingListener listener;
        const LoadOutcome outcome = session.load(c.file, sample(c.file), listener);
        EXPECT_EQ(outcome.result, c.result);
        ASSERT_EQ(listener.steps.size(), c.steps.size());
        for (std::size_t i = 0; i < c.steps.size(); ++i) {
            if (!c.steps[i].empty())
                EXPECT_EQ(listener.steps[i], c.steps[i]);
            else
                EXPECT_EQ(listener.steps[i].rfind("recognised コンピュータ　：　", 0), 0u) << listener.steps[i];
        }
        ASSERT_FALSE(debug.lines.empty());
        EXPECT_EQ(debug.lines.front(), std::string("Start LoadFile, ") + c.file);
        if (c.result == LoadResult::Loaded) {
            EXPECT_EQ(outcome.message, "");
            EXPECT_EQ(session.shownName(), c.file);
            EXPECT_GT(session.tree().nodeCount(), 1u);
            EXPECT_EQ(debug.lines.back(), "End   LoadFile, " + std::to_string(session.shownLines().size()) + " Lines");
        } else {
            EXPECT_EQ(outcome.message, std::string(c.file) + " - ファイルの内容を認識できません。");
            EXPECT_EQ(session.shownName(), "");
            EXPECT_EQ(session.tree().nodeCount(), 0u);
        }
    }
}

TEST(ReportSession, AFileThatCannotBeReadChangesNothingShown)
{
    ReportSession session("ja");
    RecordingListener listener;
    session.load("older.txt", sample("older.txt"), listener);
    const std::size_t lines = session.shownLines().size();
    const std::size_t nodes = session.tree().nodeCount();
    listener.steps.clear();
    EXPECT_THROW(session.load("nope", sample("nope.txt"), listener), FileOpenError);
    EXPECT_TRUE(listener.steps.empty());
    EXPECT_EQ(session.shownLines().size(), lines);
    EXPECT_EQ(session.tree().nodeCount(), nodes);
    EXPECT_EQ(session.shownName(), "older.txt");
}

TEST(ReportSession, BaseLinesAreHeldExactlyWhileAComparisonIsShown)
{
    struct Case {
        const char* name;
        std::string path;
        bool failClassify;
        LoadResult result; // kThrows: the load throws
        Steps steps;
        const char* message;
    };
    constexpr auto kThrows = static_cast<LoadResult>(-1);
    const Case cases[] = {
        {"newer.txt", sample("newer.txt"), false, LoadResult::SameFile, {}, "同じファイルは比較できません。"},
        {"older.txt", sample("older.txt"), false, LoadResult::Loaded,
         {"starting", "cleared", "classify", "shown コンピュータ　：　MYPC  2024/04/01 10:21:15 の情報と比較中"}, ""},
        {"README.md", sample("README.md"), false, LoadResult::NotRecognised, {"starting", "cleared"},
         "README.md - ファイルの内容を認識できません。"},
        {"nope", sample("nope.txt"), false, kThrows, {"starting", "cleared"}, ""},
        {"older.txt", sample("older.txt"), true, kThrows, {"starting", "cleared", "classify"}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name + std::string(c.failClassify ? " failing" : ""));
        test::RecordingSink debug;
        ReportSession session("ja");
        session.setDebugSink(&debug);
        RecordingListener listener;
        ASSERT_EQ(session.load("newer.txt", sample("newer.txt"), listener).result, LoadResult::Loaded);
        listener.steps.clear();
        debug.lines.clear();
        listener.failClassify = c.failClassify;
        if (c.result == kThrows) {
            EXPECT_ANY_THROW(session.loadBase(c.name, c.path, ChangeLimits{}, listener));
        } else {
            const LoadOutcome outcome = session.loadBase(c.name, c.path, ChangeLimits{}, listener);
            EXPECT_EQ(outcome.result, c.result);
            EXPECT_EQ(outcome.message, c.message);
        }
        EXPECT_EQ(listener.steps, c.steps);
        ASSERT_FALSE(debug.lines.empty());
        EXPECT_EQ(debug.lines.front(), std::string("Start LoadBaseFile, ") + c.name);
        const bool shown = c.result == LoadResult::Loaded;
        EXPECT_EQ(session.comparisonShown(), shown);
        EXPECT_EQ(session.baseName(), shown ? c.name : "");
        if (shown) {
            EXPECT_EQ(debug.lines.back(),
                      "End   LoadBaseFile, " + std::to_string(session.baseLines().size()) + " Lines");
        }
    }
}

TEST(ReportSession, ANewReportEndsTheComparisonAndABaseMadeAheadComparesTheSame)
{
    // The tool reads the base on another thread with its debug lines held back; the result, the
    // classes and the debug lines must be those of the base read in place.
    test::RecordingSink inPlaceDebug;
    ReportSession inPlace("ja");
    inPlace.setDebugSink(&inPlaceDebug);
    RecordingListener listener;
    inPlace.load("newer.txt", sample("newer.txt"), listener);
    ASSERT_EQ(inPlace.loadBase("older.txt", sample("older.txt"), ChangeLimits{}, listener).result, LoadResult::Loaded);

    test::RecordingSink aheadDebug;
    ReportSession ahead("ja", ReportSession::Options{.compactExpanded = false});
    ahead.setDebugSink(&aheadDebug);
    HeldDebugLines held(true);
    BaseReport made = readBaseReport(sample("older.txt"), &held);
    made.debugLines = held.take();
    ReportSession::Listener quiet;
    ahead.load("newer.txt", sample("newer.txt"), quiet);
    const auto source = [&made] { return std::move(made); };
    ASSERT_EQ(ahead.loadBase("older.txt", source, ChangeLimits{}, quiet).result, LoadResult::Loaded);

    EXPECT_EQ(aheadDebug.lines, inPlaceDebug.lines);
    ASSERT_EQ(ahead.tree().nodeCount(), inPlace.tree().nodeCount());
    for (NodeId n = 0; n < inPlace.tree().nodeCount(); ++n)
        EXPECT_EQ(ahead.tree().changeClass(n), inPlace.tree().changeClass(n)) << n;
    EXPECT_EQ(test::linesOf(ahead.baseLines()), test::linesOf(inPlace.baseLines()));

    listener.steps.clear();
    inPlace.load("older.txt", sample("older.txt"), listener);
    ASSERT_FALSE(listener.steps.empty());
    EXPECT_EQ(listener.steps.front(), "closing");
    EXPECT_FALSE(inPlace.comparisonShown());
    EXPECT_EQ(inPlace.baseName(), "");
}

TEST(ReportSession, TheDebugLogNamesTheFileInShiftJis)
{
    // A UTF-8 name is converted; a name that is not UTF-8 (Shift-JIS bytes) is kept as it is.
    const std::string sjisName = "/r/\x93\xfa\x96\x7b.txt";
    for (const auto& [name, logged] : {std::pair<std::string, std::string>{"/r/日本.txt", test::sj("/r/日本.txt")},
                                       {sjisName, sjisName}}) {
        ReportSession session("ja");
        test::RecordingSink debug;
        session.setDebugSink(&debug);
        RecordingListener listener;
        session.load(name, sample("older.txt"), listener);
        session.loadBase(name + "x", sample("newer.txt"), ChangeLimits{}, listener);
        ASSERT_FALSE(debug.lines.empty());
        EXPECT_EQ(debug.lines.front(), "Start LoadFile, " + logged);
        EXPECT_NE(std::find(debug.lines.begin(), debug.lines.end(), "Start LoadBaseFile, " + logged + "x"),
                  debug.lines.end());
    }
}

TEST(ReportSession, ABaseInTheOtherEncodingIsComparedInTheShownOne)
{
    // UTF-8 copies of both samples: every pairing of encodings gives the classes, status text and
    // hint of the Shift-JIS pair, and the base lines are held in the shown report's encoding.
    test::TempDir dir;
    const auto utf8Copy = [&dir](const std::string& name) {
        const std::string path = (dir.path() / name).string();
        test::writeBytes(path, "\xEF\xBB\xBF" + encoding::sjisToUtf8(test::readBytes(sample(name))));
        return path;
    };
    const std::string newerUtf8 = utf8Copy("newer.txt");
    const std::string olderUtf8 = utf8Copy("older.txt");
    struct Run {
        std::map<std::string, ChangeClass> classes; // by UTF-8 path
        Steps steps;
        TextEncoding baseEncoding = TextEncoding::ShiftJis;
    };
    const auto compare = [](const std::string& shown, const std::string& base) {
        ReportSession session("ja");
        RecordingListener listener;
        session.load("shown", shown, listener);
        EXPECT_EQ(session.loadBase("base", base, ChangeLimits{}, listener).result, LoadResult::Loaded);
        Run run;
        run.steps = listener.steps;
        run.baseEncoding = session.baseLines().kind().encoding;
        FieldSplitter splitter;
        const LineList& lines = session.shownLines();
        splitter.setEncoding(lines.kind().encoding);
        for (NodeId n = 1; n < session.tree().nodeCount(); ++n) {
            splitter.splitFirst(lines[session.tree().lineIndex(n)], 1);
            run.classes[encoding::textToUtf8(lines.kind().encoding, splitter.get(0))] = session.tree().changeClass(n);
        }
        return run;
    };
    const Run reference = compare(sample("newer.txt"), sample("older.txt"));
    ASSERT_GT(reference.classes.size(), 10u);
    struct Case {
        std::string shown, base;
        TextEncoding shownEncoding;
    };
    const Case cases[] = {
        {sample("newer.txt"), olderUtf8, TextEncoding::ShiftJis},
        {newerUtf8, sample("older.txt"), TextEncoding::Utf8},
        {newerUtf8, olderUtf8, TextEncoding::Utf8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shown + " / " + c.base);
        const Run run = compare(c.shown, c.base);
        EXPECT_EQ(run.baseEncoding, c.shownEncoding);
        EXPECT_EQ(run.classes, reference.classes);
        EXPECT_EQ(run.steps, reference.steps);
    }
}

} // namespace
} // namespace dg
