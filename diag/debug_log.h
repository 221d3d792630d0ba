#pragma once
// The numbered debug log. While its switch is on, every line goes to a log file named after the
// executable with a two-digit number, NAME01.log to NAME99.log, taking the first number that is
// free when the log opens. A file is always created new, never appended to, so earlier logs are
// kept. Each file starts and ends with a banner line; every line carries the local time.
//
// Lines are Shift-JIS bytes and are written exactly as given, each followed by CR LF. Writes are
// buffered; the file is complete once end() has closed it.
//
// Not thread-safe: the viewer and the tools log from one thread.
#include "core/debug_sink.h"

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <utility>

namespace dg::diag {

// A local time as the log writes it. month is 1 to 12.
struct LogTime {
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

class DebugLog : public DebugSink {
public:
    using Clock = std::function<LogTime()>;
    // Receives a message the user must see (UTF-8); the viewer shows it in a message box.
    using MessageHandler = std::function<void(const std::string& utf8Message)>;

    static constexpr int kMaxFiles = 99;

    // basePath is the folder plus the executable's name without its extension: "/tmp/x/dirgauge"
    // gives /tmp/x/dirgauge01.log and so on. Without a clock the local time of the system is
    // used; without a handler the failure messages are dropped (the switch still goes off).
    // The switch starts off.
    explicit DebugLog(std::filesystem::path basePath, Clock clock = {},
                      MessageHandler onMessage = {});
    // Ends an open log as end() does, but never throws: a failure there is ignored.
    ~DebugLog() override;

    DebugLog(const DebugLog&) = delete;
    DebugLog& operator=(const DebugLog&) = delete;

    // The switch. Turning it off does not close an open log: the caller follows with end(), as
    // the debug command does, so that the end banner is written at the moment it chooses.
    void setEnabled(bool on) { m_enabled = on; }
    bool enabled() const override { return m_enabled; }

    // Appends one line when the switch is on, opening a new numbered file first when none is
    // open; does nothing (and creates nothing) while the switch is off.
    // When all 99 names are taken or the file cannot be created, the handler gets the message,
    // the switch goes off and the line is dropped; nothing is thrown.
    // A write failure on the open file closes it, turns the switch off and throws UserError
    // "I/O エラー (n)" with the system's error number, so that one full disk does not fail every
    // later step as well.
    void out(std::string_view text) override;

    // Writes the end banner and closes the file when a log is open; otherwise does nothing.
    // Throws UserError "I/O エラー (n)" when the banner or the close fails; the log is closed
    // either way.
    void end();

    bool isOpen() const { return m_file != nullptr; }
    // The file being written, empty while no log is open.
    const std::filesystem::path& currentFile() const { return m_currentFile; }

    void setMessageHandler(MessageHandler onMessage) { m_onMessage = std::move(onMessage); }

    // Writes to exactly this file (created or truncated) instead of the next numbered one; the
    // command-line tools use it for their --log option.
    void setFixedFile(std::filesystem::path file) { m_fixedFile = std::move(file); }

    // The base path for an executable whose logs go into folder: folder / the executable's file
    // name without its extension.
    static std::filesystem::path basePathFor(const std::filesystem::path& folder,
                                             const std::filesystem::path& executable);
    // The system's local time now.
    static LogTime localNow();
    // "mm/dd hh:mm:ss.zzz " with the trailing blank.
    static std::string timestamp(const LogTime& time);

private:
    // Creates the first free numbered file; false (after the message) when none could be made.
    bool open();
    void begin(std::FILE* file, const std::filesystem::path& path);
    void writeLine(std::string_view text);
    void report(const std::string& utf8Message);
    [[noreturn]] void failWrite(int errorNumber);
    void closeQuietly();

    std::filesystem::path m_basePath;
    Clock m_clock;
    MessageHandler m_onMessage;
    bool m_enabled = false;
    std::FILE* m_file = nullptr; // owned
    std::filesystem::path m_currentFile;
    std::filesystem::path m_fixedFile;
};

} // namespace dg::diag
