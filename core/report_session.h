#pragma once
// `ReportSession`: the shown report, the report it is compared with, the folder tree and the
// comparison, and the one sequence that loads them. The viewer and dirgauge-report both run
// their loads through it, so the steps, their debug lines and their messages are the same.
//
// load (LoadFile):
//   "Start LoadFile" -> base lines emptied (Listener::comparisonClosing when one was shown)
//   -> readReportFile (throws; nothing shown has changed yet) -> Listener::shownReplaced
//   -> tree emptied -> checkForm (unrecognised: outcome NotRecognised) -> ExpandFullDescription
//   -> Listener::shownRecognised -> CreateTree, sort -> Listener::shownLoaded -> "End   LoadFile"
// loadBase (LoadBaseFile):
//   "Start LoadBaseFile" -> same file as the shown one: outcome SameFile, nothing changed
//   -> Listener::baseLoadStarting, comparisonClosing, comparisonCleared -> the base report from
//   its source (read, checked, normalised; throws) -> unrecognised: outcome NotRecognised
//   -> base lines converted into the shown report's encoding when it differs (matchBaseEncoding)
//   -> Listener::classify (classifyTree) -> Listener::comparisonShown -> "End   LoadBaseFile"
// Past the same-file check, the base lines hold lines exactly while a comparison is shown: on
// every way out that is not a success they are empty.
// Memory running out on the way (std::bad_alloc) ends either as FileOpenError naming the file being
// loaded with the system's words for it, like a file that cannot be read.
#include "core/change_class.h"
#include "core/collation.h"
#include "core/comparison.h"
#include "core/debug_sink.h"
#include "core/field_splitter.h"
#include "core/folder_tree.h"
#include "core/line_list.h"
#include "core/report_reader.h"

#include <cstddef>
#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dg {

// What a load or a base load came to. message is the exact text to show (UTF-8), empty when
// there is none.
enum class LoadResult { Loaded, NotRecognised, SameFile };
struct LoadOutcome {
    LoadResult result = LoadResult::Loaded;
    std::string message;
};

// What a classification found: the first changed node in tree order (kNoNode: none), and the
// text to show when there is none.
struct ClassifyOutcome {
    NodeId firstChanged = kNoNode;
    std::string message;
};

// A base report read, checked and normalised: the part of a comparison that needs nothing of the
// shown report, so that it may also be made ahead, on another thread.
struct BaseReport {
    std::string fileName; // how messages name the file read (ReportSource::messageName)
    LineList lines;
    FormCheck check;
    std::string hint;                     // the header's summary as read (UTF-8), before the sort
    std::vector<std::string> debugLines;  // lines held back, written by the session in their place
    std::exception_ptr normaliseError;    // raised after some debug lines: rethrown after them
};

// Reads source, checks its form and, when recognised, normalises and sorts its lines; debug lines
// go to debug. Throws FileOpenError when the file cannot be read or memory runs out.
BaseReport readBaseReport(const ReportSource& source, DebugSink* debug);
inline BaseReport readBaseReport(const std::string& path, DebugSink* debug)
{
    return readBaseReport(ReportSource::file(path), debug);
}

class ReportSession {
public:
    struct Options {
        // Copies the lines of an expanded report into one block (the viewer keeps them long; a
        // tool that prints and ends saves the copy).
        bool compactExpanded = true;
    };

    // What a window does at the steps of a load. Every hook does nothing unless overridden; an
    // exception from a hook ends the load as an exception from its step would.
    class Listener {
    public:
        virtual ~Listener() = default;
        // A comparison shown (a base name is set) is about to end.
        virtual void comparisonClosing() {}
        // load: the new file has been read; what showed the old one is to be cleared.
        virtual void shownReplaced() {}
        // The tree is about to change / has changed (also when the change stopped with an error:
        // treeChanged must not throw). building: it is being built from the lines (else emptied).
        virtual void treeChanging(bool building) { (void)building; }
        virtual void treeChanged(bool building) { (void)building; }
        // load: the file is recognised and in the full form; summary is the status text.
        virtual void shownRecognised(const std::string& summary) { (void)summary; }
        // load: the tree is built and sorted, the shown name set.
        virtual void shownLoaded() {}
        // loadBase: past the same-file check.
        virtual void baseLoadStarting() {}
        // loadBase: the comparison state has been cleared (no base name).
        virtual void comparisonCleared() {}
        // loadBase: classify the tree against the base lines now held. The default runs
        // session.classify(limits) without progress.
        virtual void classify(ReportSession& session, const ChangeLimits& limits);
        // loadBase: the comparison is in place (base name set); hint is the base header's summary.
        virtual void comparisonShown(const std::string& hint) { (void)hint; }
    };

    // Gives a base report for loadBase; throws what reading it throws.
    using BaseSource = std::function<BaseReport()>;

    // collatorLocale: ICU locale of the name order; empty: the user's locale.
    explicit ReportSession(const std::string& collatorLocale = {});
    ReportSession(const std::string& collatorLocale, Options options);
    ReportSession(const ReportSession&) = delete;
    ReportSession& operator=(const ReportSession&) = delete;

    // Where the debug lines go (not owned; null: nowhere).
    void setDebugSink(DebugSink* debug) { m_debug = debug; }
    DebugSink* debugSink() const { return m_debug; }

    // Makes the file at path the shown report; name is how messages and debug lines call it
    // (UTF-8). Throws FileOpenError, IndexError, SizeError as the steps do.
    LoadOutcome load(const std::string& name, const ReportSource& source, Listener& listener);
    LoadOutcome load(const std::string& name, const std::string& path, Listener& listener)
    {
        return load(name, ReportSource::file(path), listener);
    }
    // Compares the shown report with a base report named name, taken from source.
    LoadOutcome loadBase(const std::string& name, const BaseSource& source, const ChangeLimits& limits,
                         Listener& listener);
    // Same, the base file read from source (at path) on the way.
    LoadOutcome loadBase(const std::string& name, const ReportSource& source, const ChangeLimits& limits,
                         Listener& listener);
    LoadOutcome loadBase(const std::string& name, const std::string& path, const ChangeLimits& limits,
                         Listener& listener)
    {
        return loadBase(name, ReportSource::file(path), limits, listener);
    }
    // Classifies every node against the base lines (SetColorInfo's core). progress gets the
    // number of nodes done so far, as classifyTree gives it.
    ClassifyOutcome classify(const ChangeLimits& limits, const std::function<void(std::size_t)>& progress = {});

    // Empties the shown and base lines and forgets the base name; the tree is left alone.
    void clearReports();
    // Empties the tree (the caller brackets it for its views).
    void clearTree() { m_tree.clear(); }

    // Rewrites the shown lines in the encoding to (dirgauge-report --encoding): afterwards only the
    // lines are to be read, the tree no longer goes with their bytes. A line that cannot be
    // converted leaves them as they were and is returned (0-based).
    std::optional<std::size_t> convertShownLines(TextEncoding to);

    const LineList& shownLines() const { return m_shown; }
    const LineList& baseLines() const { return m_base; }
    const FolderTree& tree() const { return m_tree; }
    // The shown name: set by a successful load, or by the caller (a name remembered from last time).
    const std::string& shownName() const { return m_shownName; }
    void setShownName(std::string name) { m_shownName = std::move(name); }
    // The base name: set while a comparison is in place.
    const std::string& baseName() const { return m_baseName; }
    // A base report is held: the classes in the tree are those of a comparison shown.
    bool comparisonShown() const { return !m_base.empty(); }
    // The form check of the shown report's last load.
    const FormCheck& shownForm() const { return m_shownForm; }

    FieldSplitter& splitter() { return m_splitter; }
    const NameCollator& collator() const { return m_collator; }

private:
    LoadOutcome loadSteps(const std::string& name, const ReportSource& source, Listener& listener);
    LoadOutcome loadBaseSteps(const std::string& name, const BaseSource& source, const ChangeLimits& limits,
                              Listener& listener, std::string& fileName);
    void debugOut(std::string_view text) { dg::debugOut(m_debug, text); }

    Options m_options;
    DebugSink* m_debug = nullptr; // not owned
    LineList m_shown;
    LineList m_base;
    FolderTree m_tree;
    FieldSplitter m_splitter;
    NameCollator m_collator;
    FormCheck m_shownForm;
    std::string m_shownName;
    std::string m_baseName;
};

} // namespace dg
