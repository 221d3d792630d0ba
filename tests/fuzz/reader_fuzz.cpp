// Differential fuzzing of the report reader: each input is read as a report's text and as a list
// of data lines, and the reader's fast paths are held against the plainly written rules:
//  - the line scan (assignText) against a byte-by-byte split (a leading byte-order mark taken off
//    line 0); an input that starts with two 0xFF
//    bytes is repeated to several MiB first, so that the scan runs as two parts on two threads
//    (slow, so kept to inputs the fuzzer has to aim at);
//  - the abbreviated form's expansion (quick route and general route) against the plain rewrite;
//  - the full form's drive-size substitution against the rule applied to every line in full.
// Any difference aborts, which libFuzzer reports with the input that caused it.
#include "core/errors.h"
#include "core/field_splitter.h"
#include "core/line_list.h"
#include "core/report_reader.h"
#include "tests/core/plain_reference.h"
#include "tests/fuzz/fuzz_require.h"

#include <cstdint>
#include <string>
#include <vector>

namespace {
using namespace dg;

constexpr std::size_t kRepeatTo = (std::size_t{4} << 20) + 4096; // past the two-part threshold

void checkLineScan(const std::string& text)
{
    LineList list;
    list.assignText(text);
    std::vector<std::string> expected = test::plainSplit(text);
    // A leading UTF-8 byte-order mark is no part of line 0.
    if (!expected.empty() && expected[0].starts_with(kUtf8Mark))
        expected[0].erase(0, kUtf8Mark.size());
    require(list.size() == expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        require(list[i] == expected[i]);
}

// Runs a rewrite on two copies of the same report, the real one and the plain one, and requires
// the same lines and the same error.
template <class Real, class Plain>
void checkSame(const std::vector<std::string>& text, Real real, Plain plain)
{
    LineList a, b;
    for (const std::string& line : text) {
        a.append(line);
        b.append(line);
    }
    std::string errorA, errorB;
    try {
        real(a);
    } catch (const IndexError& e) {
        errorA = e.what();
    }
    try {
        plain(b);
    } catch (const IndexError& e) {
        errorB = e.what();
    }
    require(errorA == errorB);
    require(a.size() == b.size());
    for (std::size_t i = 0; i < a.size(); ++i)
        require(a[i] == b[i]);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    if (size > 2 && data[0] == 0xFF && data[1] == 0xFF) {
        std::string big;
        big.reserve(kRepeatTo + size);
        while (big.size() < kRepeatTo)
            big += input.substr(2);
        checkLineScan(big);
        return 0;
    }
    checkLineScan(input);

    std::vector<std::string> text = {"PC CHECK START AT 1", "C:,100,5%"};
    for (const std::string& line : test::plainSplit(input))
        text.push_back(line);
    text.push_back("end");
    checkSame(
        text,
        [](LineList& lines) {
            FieldSplitter s;
            ExpandFullDescription(lines, s, nullptr);
        },
        [](LineList& lines) { test::referenceExpand(lines); });
    checkSame(
        text,
        [](LineList& lines) {
            FieldSplitter s;
            substituteDriveSizes(lines, s, nullptr);
        },
        [](LineList& lines) { test::referenceSubstitute(lines); });
    return 0;
}
