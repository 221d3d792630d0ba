#include "core/report_session.h"

#include "core/encoding.h"
#include "core/report_convert.h"
#include "core/scope_exit.h"
#include "core/system_file.h"
#include "core/tree_builder.h"
#include "core/user_texts.h"

#include <cerrno>
#include <new>
#include <utility>

namespace dg {
namespace {

// A name for the debug log, which is Shift-JIS: a UTF-8 name converted, any other kept as its
// bytes (a file name that is not UTF-8 is most likely in the code page already).
std::string logName(const std::string& name)
{
    return encoding::isValidUtf8(name) ? encoding::utf8ToSjis(name) : name;
}

std::string notRecognised(const std::string& name)
{
    std::string text = name;
    text += texts::tr(texts::kNotRecognised);
    return text;
}

} // namespace

BaseReport readBaseReport(const ReportSource& source, DebugSink* debug)
try {
    BaseReport base;
    base.fileName = source.messageName();
    readReport(source, base.lines);
    base.check = checkForm(base.lines);
    if (!base.check.recognised)
        return base;
    // The header as read: the sort moves it.
    base.hint = headerSummary(base.lines[0], base.check.markerPos, texts::tr(texts::kBaseSuffix), base.lines.kind().encoding);
    FieldSplitter splitter;
    try {
        normaliseBaseLines(base.lines, base.check, splitter, debug);
    } catch (...) {
        base.normaliseError = std::current_exception();
    }
    return base;
} catch (const std::bad_alloc&) {
    throw outOfMemoryError(source);
}

void ReportSession::Listener::classify(ReportSession& session, const ChangeLimits& limits)
{
    session.classify(limits);
}

ReportSession::ReportSession(const std::string& collatorLocale) : ReportSession(collatorLocale, Options{}) {}

ReportSession::ReportSession(const std::string& collatorLocale, Options options)
    : m_options(options), m_collator(collatorLocale)
{
}

void ReportSession::clearReports()
{
    m_baseName.clear();
    m_shown.clear();
    m_base.clear();
}

LoadOutcome ReportSession::load(const std::string& name, const ReportSource& source, Listener& listener)
{
    try {
        return loadSteps(name, source, listener);
    } catch (const std::bad_alloc&) {
        throw outOfMemoryError(source);
    }
}

LoadOutcome ReportSession::loadSteps(const std::string& name, const ReportSource& source, Listener& listener)
{
    debugOut("Start LoadFile, " + logName(name));
    m_base.clear();
    if (!m_baseName.empty())
        listener.comparisonClosing();

    // A file that cannot be read stops here, before anything shown has changed.
    readReport(source, m_shown);
    listener.shownReplaced();
    listener.treeChanging(false);
    m_tree.clear();
    listener.treeChanged(false);
    m_baseName.clear();

    m_shownForm = checkForm(m_shown);
    if (!m_shownForm.recognised)
        return {LoadResult::NotRecognised, notRecognised(name)};
    if (m_shownForm.abbreviated) {
        ExpandFullDescription(m_shown, m_splitter, m_debug);
        if (m_options.compactExpanded)
            m_shown.compact();
    }
    listener.shownRecognised(
        headerSummary(m_shown[0], m_shownForm.markerPos, texts::tr(texts::kShownSuffix), m_shown.kind().encoding));

    {
        // After an error the nodes built so far stay, unsorted, as the builder left them.
        listener.treeChanging(true);
        const ScopeExit changed([&listener] { listener.treeChanged(true); });
        CreateTree(m_shown, m_tree, m_splitter, m_debug);
        m_tree.sort(m_shown, m_collator);
    }

    m_shownName = name;
    listener.shownLoaded();
    debugOut("End   LoadFile, " + std::to_string(m_shown.size()) + " Lines");
    return {};
}

LoadOutcome ReportSession::loadBase(const std::string& name, const ReportSource& source, const ChangeLimits& limits,
                                    Listener& listener)
{
    return loadBase(name, [&] { return readBaseReport(source, m_debug); }, limits, listener);
}

LoadOutcome ReportSession::loadBase(const std::string& name, const BaseSource& source, const ChangeLimits& limits,
                                    Listener& listener)
{
    std::string fileName = name; // the base file's name in messages, once it has been read
    try {
        return loadBaseSteps(name, source, limits, listener, fileName);
    } catch (const std::bad_alloc&) {
        throw FileOpenError(fileName, sys::systemReason(ENOMEM));
    }
}

LoadOutcome ReportSession::loadBaseSteps(const std::string& name, const BaseSource& source, const ChangeLimits& limits,
                                         Listener& listener, std::string& fileName)
{
    debugOut("Start LoadBaseFile, " + logName(name));
    if (name == m_shownName)
        return {LoadResult::SameFile, std::string(texts::tr(texts::kSameFile))};
    listener.baseLoadStarting();
    if (!m_baseName.empty())
        listener.comparisonClosing();
    m_baseName.clear();
    listener.comparisonCleared();

    // Painting goes by whether base lines are held, so they are emptied now and stay empty on
    // every way out until the new comparison is in place: also when reading, the normalisation
    // or the classification stops with an error.
    m_base.clear();
    ScopeExit baseGuard([this] { m_base.clear(); });

    BaseReport base = source();
    fileName = base.fileName;
    if (!base.check.recognised)
        return {LoadResult::NotRecognised, notRecognised(name)};
    for (const std::string& line : base.debugLines)
        debugOut(line);
    if (base.normaliseError)
        std::rethrow_exception(base.normaliseError);
    // A base report in the other encoding is compared in the shown one (converted and sorted
    // again): here, because a base made ahead does not know the shown report.
    matchBaseEncoding(base.lines, m_shown.kind().encoding);
    m_base = std::move(base.lines);

    listener.classify(*this, limits);

    m_baseName = name;
    baseGuard.release();
    listener.comparisonShown(base.hint);
    debugOut("End   LoadBaseFile, " + std::to_string(m_base.size()) + " Lines");
    return {};
}

std::optional<std::size_t> ReportSession::convertShownLines(TextEncoding to)
{
    return convertReportLines(m_shown, to);
}

ClassifyOutcome ReportSession::classify(const ChangeLimits& limits, const std::function<void(std::size_t)>& progress)
{
    classifyTree(m_tree, m_shown, m_base, limits, m_splitter, m_debug, progress);
    ClassifyOutcome outcome;
    outcome.firstChanged = firstChangedNode(m_tree);
    if (outcome.firstChanged == kNoNode)
        outcome.message = texts::tr(texts::kNoChanges);
    return outcome;
}

} // namespace dg
