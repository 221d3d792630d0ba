#include "diag/debug_log.h"

#include "core/errors.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using dg::diag::DebugLog;
using dg::diag::LogTime;

namespace {

// The banners as they must appear on disk, in Shift-JIS.
const std::string kStartBanner = "***** \x83\x66\x83\x6F\x83\x62\x83\x4F\x8F\x6F\x97\xCD\x82\xCC"
                                 "\x8A\x4A\x8E\x6E *****";
const std::string kEndBanner = "***** \x83\x66\x83\x6F\x83\x62\x83\x4F\x8F\x6F\x97\xCD\x82\xCC"
                               "\x8F\x49\x97\xB9 *****";
const std::string kTooMany = "ログファイル数が多すぎます。デバッグの指定を取り消します。";

using dg::test::readBytes;

std::string numbered(int n)
{
    return (n < 10 ? "dirgauge0" : "dirgauge") + std::to_string(n) + ".log";
}

class DebugLogTest : public ::testing::Test {
protected:
    void SetUp() override { renew(); }

    // A fresh empty folder and a clock started again, for the next row of a table.
    void renew()
    {
        m_temp = std::make_unique<dg::test::TempDir>();
        m_dir = m_temp->path();
        m_base = m_dir / "dirgauge";
        m_ticks = 0;
    }

    // Every call of the clock is one millisecond later, starting at 01/03 09:05:07.004.
    std::unique_ptr<DebugLog> makeLog(const fs::path& base)
    {
        return std::make_unique<DebugLog>(
            base, [this] { return LogTime{1, 3, 9, 5, 7, 4 + m_ticks++}; },
            [this](const std::string& message) { m_messages.push_back(message); });
    }
    std::unique_ptr<DebugLog> makeLog() { return makeLog(m_base); }

    // A log switched on that has been given these lines.
    std::unique_ptr<DebugLog> logOf(const fs::path& base, const std::vector<std::string>& lines)
    {
        auto log = makeLog(base);
        log->setEnabled(true);
        for (const std::string& line : lines)
            log->out(line);
        return log;
    }
    std::unique_ptr<DebugLog> logOf(const std::vector<std::string>& lines) { return logOf(m_base, lines); }

    std::set<std::string> entries() const
    {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(m_dir))
            names.insert(entry.path().filename().string());
        return names;
    }

    void touch(const std::string& name) const { std::ofstream(m_dir / name) << "old"; }

    std::unique_ptr<dg::test::TempDir> m_temp;
    fs::path m_dir;
    fs::path m_base;
    int m_ticks = 0;
    std::vector<std::string> m_messages;
};

TEST_F(DebugLogTest, SwitchOffCreatesNoFile)
{
    auto log = makeLog();
    for (int i = 0; i < 100; ++i)
        log->out("line");
    log->setEnabled(true);
    log->setEnabled(false);
    log->end();
    log->out("line");
    EXPECT_FALSE(log->isOpen());
    EXPECT_TRUE(entries().empty());
    EXPECT_TRUE(m_messages.empty());
}

TEST_F(DebugLogTest, TakesFirstFreeNumber)
{
    struct Case {
        const char* name;
        std::vector<int> present;
        bool asFolders;
        int expected;
    };
    std::vector<int> upTo98;
    for (int n = 1; n <= 98; ++n)
        upTo98.push_back(n);
    const std::vector<Case> cases = {
        {"none", {}, false, 1},
        {"01 to 05", {1, 2, 3, 4, 5}, false, 6},
        {"only 02", {2}, false, 1},
        {"gap at 02", {1, 3}, false, 2},
        {"folders count as taken", {1, 2}, true, 3},
        {"01 to 98", upTo98, false, 99},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        renew();
        for (int n : c.present) {
            if (c.asFolders)
                fs::create_directory(m_dir / numbered(n));
            else
                touch(numbered(n));
        }
        auto log = logOf({"x"});
        ASSERT_TRUE(log->isOpen());
        EXPECT_EQ(log->currentFile(), m_dir / numbered(c.expected));
        log->end();
        EXPECT_EQ(entries().size(), c.present.size() + 1);
        for (int n : c.present) {
            if (c.asFolders)
                continue;
            EXPECT_EQ(readBytes(m_dir / numbered(n)), "old") << "file " << n << " was touched";
        }
    }
}

TEST_F(DebugLogTest, AllNamesTakenReportsOnceAndSwitchesOff)
{
    for (int n = 1; n <= 99; ++n)
        touch(numbered(n));
    auto log = logOf({"first", "second"});
    log->end();
    EXPECT_EQ(m_messages, std::vector<std::string>{kTooMany});
    EXPECT_FALSE(log->enabled());
    EXPECT_FALSE(log->isOpen());
    EXPECT_EQ(entries().size(), 99u);
    EXPECT_EQ(readBytes(m_dir / "dirgauge01.log"), "old");
}

TEST_F(DebugLogTest, UncreatableFileReportsOpenErrorAndSwitchesOff)
{
    touch("plain_file");
    const std::vector<fs::path> bases = {
        m_dir / "missing_folder" / "dirgauge",
        m_dir / "plain_file" / "dirgauge",
    };
    for (const fs::path& base : bases) {
        SCOPED_TRACE(base.string());
        m_messages.clear();
        auto log = logOf(base, {"first", "second"});
        const std::string expected = base.string()
                                     + "01.log のオープンエラーです。\r\nデバッグの指定を取り消します。";
        EXPECT_EQ(m_messages, std::vector<std::string>{expected});
        EXPECT_FALSE(log->enabled());
        EXPECT_FALSE(log->isOpen());
    }
}

// However the log ends, the file holds each line once after its own timestamp, between one start
// and one end banner.
TEST_F(DebugLogTest, WritesExactBytesWithOwnTimestampsAndOneEndBanner)
{
    // "表示" ends in the trail byte 0x5C; the raw bytes must pass through unchanged.
    const std::string text = "Start LoadFile, C:\\\x95\x5C\x8E\xA6\x5C\x81\x40x.txt";
    const std::string expected = "01/03 09:05:07.004 " + kStartBanner + "\r\n"
                                 + "01/03 09:05:07.005 " + text + "\r\n"
                                 + "01/03 09:05:07.006 \r\n"
                                 + "01/03 09:05:07.007 " + kEndBanner + "\r\n";
    const std::pair<const char*, void (*)(std::unique_ptr<DebugLog>&)> endings[] = {
        {"ended", [](std::unique_ptr<DebugLog>& log) { log->end(); }},
        {"ended twice", [](std::unique_ptr<DebugLog>& log) {
             log->end();
             log->end();
         }},
        {"destroyed", [](std::unique_ptr<DebugLog>& log) { log.reset(); }},
    };
    for (const auto& [name, finish] : endings) {
        SCOPED_TRACE(name);
        renew();
        auto log = logOf({text, ""});
        finish(log);
        EXPECT_EQ(readBytes(m_dir / "dirgauge01.log"), expected);
    }
}

TEST_F(DebugLogTest, SystemClockGivesWellFormedTimestamp)
{
    const LogTime now = DebugLog::localNow();
    EXPECT_TRUE(std::regex_match(DebugLog::timestamp(now),
                                 std::regex(R"(\d\d/\d\d \d\d:\d\d:\d\d\.\d\d\d )")));
    EXPECT_GE(now.month, 1);
    EXPECT_LE(now.month, 12);
}

TEST_F(DebugLogTest, SwitchingOnAgainStartsNextFile)
{
    auto log = logOf({"one"});
    log->setEnabled(false);
    log->end();
    log->out("dropped");
    log->setEnabled(true);
    log->out("two");
    log->end();

    EXPECT_EQ(entries(), (std::set<std::string>{"dirgauge01.log", "dirgauge02.log"}));
    const std::string first = readBytes(m_dir / "dirgauge01.log");
    const std::string second = readBytes(m_dir / "dirgauge02.log");
    EXPECT_NE(first.find("one\r\n"), std::string::npos);
    EXPECT_EQ(first.find("dropped"), std::string::npos);
    EXPECT_EQ(second.find("one"), std::string::npos);
    EXPECT_EQ(second.rfind("01/03 09:05:07.", 0), 0u);
    EXPECT_EQ(second.substr(19, kStartBanner.size()), kStartBanner);
    EXPECT_NE(second.find("two\r\n"), std::string::npos);
}

TEST_F(DebugLogTest, FolderRemovedWhileLoggingDoesNotCrash)
{
    const fs::path folder = m_dir / "logs";
    fs::create_directory(folder);
    auto log = logOf(folder / "dirgauge", {"before"});
    fs::remove_all(folder);
    log->out("after");
    log->end();
    EXPECT_TRUE(m_messages.empty());

    log->out("reopen");
    ASSERT_EQ(m_messages.size(), 1u);
    EXPECT_NE(m_messages[0].find("dirgauge01.log のオープンエラーです。"), std::string::npos);
    EXPECT_FALSE(log->enabled());
}

// A write that fails (here: past the file-size limit) raises the I/O error once, then the log is
// closed and the switch off, so the following steps are not failed as well. Run in a child
// process so that the lowered limit touches nothing else.
TEST_F(DebugLogTest, WriteFailureRaisesIoErrorAndSwitchesOff)
{
    EXPECT_EXIT(
        {
            std::signal(SIGXFSZ, SIG_IGN);
            rlimit limit{};
            getrlimit(RLIMIT_FSIZE, &limit);
            limit.rlim_cur = 4096;
            setrlimit(RLIMIT_FSIZE, &limit);
            auto log = logOf({});
            std::string message;
            try {
                log->out(std::string(256 * 1024, 'x'));
            } catch (const dg::UserError& e) {
                message = e.what();
            }
            const bool ok = message == "I/O エラー (" + std::to_string(EFBIG) + ")"
                            && !log->enabled() && !log->isOpen();
            log->out("dropped");
            std::_Exit(ok && !log->isOpen() ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

} // namespace
