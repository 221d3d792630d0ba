#pragma once
// The output formats of dirgauge-report, written from a loaded report and its sorted tree.
#include "core/field_splitter.h"
#include "core/folder_tree.h"
#include "core/line_list.h"

#include <cstdio>
#include <stdexcept>
#include <string>

namespace dg::tools {

// Writing the output failed (a full disk, a closed pipe): error is the errno of the failed write.
class OutputError : public std::runtime_error {
public:
    explicit OutputError(int error) : std::runtime_error("write failed"), m_error(error) {}
    int error() const { return m_error; }

private:
    int m_error;
};

struct ReportView {
    const LineList& lines;
    const FolderTree& tree;
    std::string fileName;   // as given on the command line
    std::string statusText; // UTF-8
    bool changedOnly = false;
};

// One line per node in absolute order: index, level, line index, class, label (UTF-8), tab-separated.
// tsv and tree are formatted on `helpers` threads while written (0: all on the calling thread);
// the output is the same for any number.
void writeTsv(const ReportView& view, std::FILE* out, unsigned helpers = 2);
// The writers below throw OutputError at the first write that fails.
// For people: labels indented by level, changed folders marked, ANSI colours when asked.
void writeTree(const ReportView& view, std::FILE* out, bool colour, unsigned helpers = 2);
// The tsv facts plus parent index, file name and status text, as one JSON document.
void writeJson(const ReportView& view, std::FILE* out);
// The lines as held after loading, in their encoding (UTF-8 with its byte-order mark) with CR LF.
void writeReportLines(const LineList& lines, std::FILE* out);

} // namespace dg::tools
