// Expanding a large generated abbreviated report gives exactly its full form.
#include "bench/report_gen.h"
#include "core/errors.h"
#include "core/report_reader.h"
#include "test_support.h"

#include <gtest/gtest.h>

namespace dg {
namespace {

// The same generated drive in both forms.
struct BigPair {
    LineList full;
    LineList abbreviated;
    BigPair()
    {
        bench::GenerateOptions options;
        options.folders = 120'000;
        options.seed = 5;
        full.assignText(bench::generateReport(options));
        options.form = bench::ReportForm::Abbreviated;
        abbreviated.assignText(bench::generateReport(options));
    }
};

TEST(ExpandLarge, AbbreviatedFormExpandsToTheFullForm)
{
    BigPair pair;
    ASSERT_TRUE(checkForm(pair.abbreviated).abbreviated);
    ASSERT_GT(pair.abbreviated.size(), 65'536u);
    FieldSplitter splitter;
    test::RecordingSink sink;
    ExpandFullDescription(pair.abbreviated, splitter, &sink);
    ASSERT_EQ(pair.abbreviated.size(), pair.full.size());
    for (std::size_t n = 0; n < pair.full.size(); ++n)
        ASSERT_EQ(pair.abbreviated[n], pair.full[n]) << "line " << n;
}

TEST(ExpandLarge, IndexErrorLateInALargeReportKeepsEarlierLinesRewritten)
{
    BigPair pair;
    const std::size_t bad = 100'000;
    const std::string asRead(pair.abbreviated[bad + 1]);
    pair.abbreviated.replace(bad, std::string(40, '>') + "x,1,,,");
    FieldSplitter splitter;
    try {
        ExpandFullDescription(pair.abbreviated, splitter, nullptr);
        FAIL();
    } catch (const IndexError&) {
    }
    for (std::size_t n = 1; n < bad; ++n)
        ASSERT_EQ(pair.abbreviated[n], pair.full[n]) << "line " << n;
    EXPECT_EQ(pair.abbreviated[bad], std::string(40, '>') + "x,1,,,");
    EXPECT_EQ(pair.abbreviated[bad + 1], asRead);
}

} // namespace
} // namespace dg
