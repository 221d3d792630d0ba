#pragma once
// `ReportOutput`: where a report goes. Standard output; or a file, written under a temporary name
// beside it and renamed over it by commit(), so that an interrupted or failed scan never leaves half
// a report under the real name. A name that exists and is not a regular file (such as /dev/null) is
// written directly.
#include "scan/report_writer.h"

#include <stdexcept>
#include <string>

namespace dg::scan {

// Writing failed; what() names the file and the reason.
class OutputError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The message for standard output that could not be written, err (errno) saying why.
std::string standardOutputFailure(int err);

class ReportOutput : public ByteSink {
public:
    // Standard output when path is empty. Throws OutputError when the file cannot be created.
    explicit ReportOutput(const std::string& path);
    // Removes the temporary file unless committed.
    ~ReportOutput() override;
    ReportOutput(const ReportOutput&) = delete;
    ReportOutput& operator=(const ReportOutput&) = delete;

    // Throws OutputError.
    void write(std::string_view bytes) override;
    // Closes the file and gives it its real name. Throws OutputError.
    void commit();

    // Makes SIGINT, SIGTERM and SIGHUP remove the temporary file of the output that is open at
    // the time before the process ends as the signal would end it.
    static void removeTemporaryOnSignals();

private:
    std::string m_name;     // for messages: the real name, or "standard output"
    std::string m_target;   // the real name when writing under a temporary one
    std::string m_temporary;
    int m_fd = -1;
    bool m_ownsFd = false;
};

} // namespace dg::scan
