// The tsv and tree writers format on helper threads while they write: the output is the same
// byte for byte with no helper, one, two or more, for reports of fewer folders than one chunk,
// of a chunk boundary's worth and of many chunks, with some folders hidden by --changed.
#include "bench/posix_copy.h"
#include "bench/report_gen.h"
#include "core/collation.h"
#include "core/report_reader.h"
#include "core/tree_builder.h"
#include "tools/report_output.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace dg::tools {
namespace {

// What a writer puts out, caught through a temporary file.
template <class Write>
std::string captured(Write&& write)
{
    std::FILE* f = std::tmpfile();
    EXPECT_NE(f, nullptr);
    if (!f)
        return {};
    write(f);
    std::fflush(f);
    std::string out(static_cast<std::size_t>(std::ftell(f)), '\0');
    std::rewind(f);
    EXPECT_EQ(std::fread(out.data(), 1, out.size(), f), out.size());
    std::fclose(f);
    return out;
}

TEST(ReportOutput, HelperThreadsWriteWhatOneThreadWrites)
{
    for (const std::uint64_t folders : {1ull, 4095ull, 4096ull, 4097ull, 30000ull}) {
        bench::GenerateOptions options;
        options.folders = folders;
        options.seed = 5;
        const std::string sjis = bench::generateReport(options);
        for (const bool posix : {false, true}) {
            SCOPED_TRACE(std::to_string(folders) + (posix ? " folders, POSIX" : " folders"));
            LineList lines;
            lines.assignText(posix ? bench::posixUtf8Copy(sjis, "/data") : sjis);
            checkForm(lines);
            FieldSplitter splitter;
            FolderTree tree;
            CreateTree(lines, tree, splitter, nullptr);
            tree.sort(lines, NameCollator("en"));
            // Every third folder marked changed, so that --changed leaves gaps in every chunk.
            for (NodeId id = 0; id < tree.nodeCount(); ++id)
                tree.setChangeClass(id, id % 3 == 0 ? ChangeClass::Increased : ChangeClass::Unchanged);
            for (const bool changedOnly : {false, true}) {
                const ReportView view{lines, tree, "r.txt", "status", changedOnly};
                const std::string tsv = captured([&](std::FILE* f) { writeTsv(view, f, 0); });
                const std::string plain = captured([&](std::FILE* f) { writeTree(view, f, false, 0); });
                const std::string colour = captured([&](std::FILE* f) { writeTree(view, f, true, 0); });
                EXPECT_FALSE(tsv.empty());
                for (const unsigned helpers : {1u, 2u, 3u, 7u}) {
                    SCOPED_TRACE(std::to_string(helpers) + " helpers" + (changedOnly ? ", changed only" : ""));
                    EXPECT_EQ(captured([&](std::FILE* f) { writeTsv(view, f, helpers); }), tsv);
                    EXPECT_EQ(captured([&](std::FILE* f) { writeTree(view, f, false, helpers); }), plain);
                    EXPECT_EQ(captured([&](std::FILE* f) { writeTree(view, f, true, helpers); }), colour);
                }
            }
        }
    }
}

// A write that fails mid-way stops the helpers and reports the error, without hanging.
TEST(ReportOutput, FailedWriteStopsTheHelpers)
{
    bench::GenerateOptions options;
    options.folders = 20000;
    LineList lines;
    lines.assignText(bench::generateReport(options));
    checkForm(lines);
    FieldSplitter splitter;
    FolderTree tree;
    CreateTree(lines, tree, splitter, nullptr);
    const ReportView view{lines, tree, "r.txt", "status"};
    std::FILE* full = std::fopen("/dev/full", "w");
    if (!full)
        GTEST_SKIP() << "no /dev/full";
    std::setvbuf(full, nullptr, _IONBF, 0);
    for (const unsigned helpers : {0u, 2u}) {
        try {
            writeTsv(view, full, helpers);
            ADD_FAILURE() << "no error with " << helpers << " helpers";
        } catch (const OutputError& e) {
            EXPECT_EQ(e.error(), ENOSPC);
        }
    }
    std::fclose(full);
}

} // namespace
} // namespace dg::tools
