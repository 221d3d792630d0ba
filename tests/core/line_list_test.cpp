#include "core/line_list.h"
#include "plain_reference.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

#include <string>
#include <vector>

namespace dg {
namespace {
using test::linesOf;


TEST(LineList, SplitsAtEveryKindOfLineBreak)
{
    struct Case {
        std::string text;
        std::vector<std::string> lines;
    };
    const std::vector<Case> cases = {
        {"", {}},
        {"a", {"a"}},
        {"a\r\n", {"a"}},
        {"a\n", {"a"}},
        {"a\r", {"a"}},
        {"a\r\nb\nc\rd", {"a", "b", "c", "d"}},
        {"a\n\nb", {"a", "", "b"}},
        {"a\r\r\n", {"a", ""}},
        {"\n", {""}},
        {"a\n\r\nb\r\n", {"a", "", "b"}},
        {std::string("ab\0cd\nef", 8), {"ab"}},        // NUL ends the text
        {std::string("x\ny\n\0\nz", 7), {"x", "y"}},
    };
    for (const auto& c : cases) {
        LineList list;
        list.assignText(c.text);
        EXPECT_EQ(linesOf(list), c.lines) << "text: " << c.text;
    }
}

TEST(LineList, LargeTextsSplitAsTwoPartsLikeOnePass)
{
    // Texts of several MiB are scanned in two parts on two threads, cut after the first LF past
    // the middle. Every kind of break lands near the cut across the rounds, and a NUL in either
    // part ends the text where it stands.
    const std::vector<std::string> breaks = {"\r\n", "\n", "\r", "\r\r\n", "\n\r", "\n\n"};
    std::uint32_t x = 7;
    auto next = [&x] { return x = x * 1664525u + 1013904223u; };
    for (int round = 0; round < 12; ++round) {
        std::string text;
        while (text.size() < (std::size_t{5} << 20)) {
            text.append(next() % 150, static_cast<char>('a' + round));
            text.append(breaks[(next() >> 8) % breaks.size()]);
        }
        const std::size_t middle = text.size() / 2;
        if (round % 4 == 1)
            text.replace(middle - 2, breaks[round % breaks.size()].size(), breaks[round % breaks.size()]);
        if (round % 4 == 2)
            text[middle / 2] = '\0';                         // first part
        if (round % 4 == 3)
            text[middle + 1000 + static_cast<std::size_t>(round)] = '\0'; // second part
        if (round == 4)
            text.push_back('z');                             // no break at the very end
        LineList list;
        list.assignText(text);
        const std::vector<std::string> expected = test::plainSplit(text);
        ASSERT_EQ(list.size(), expected.size()) << round;
        for (std::size_t i = 0; i < expected.size(); ++i)
            ASSERT_EQ(list[i], expected[i]) << round << " line " << i;
    }
}

TEST(LineList, ReplaceKeepsOtherLinesAndSurvivesCompaction)
{
    LineList list;
    list.assignText("zero\none\ntwo");
    const std::string big(3 << 20, 'x'); // larger than one arena chunk
    list.replace(1, "ONE");
    list.replace(2, big);
    list.replace(0, "");
    EXPECT_EQ(linesOf(list), (std::vector<std::string>{"", "ONE", big}));
    list.compact();
    EXPECT_EQ(linesOf(list), (std::vector<std::string>{"", "ONE", big}));
    EXPECT_LT(list.memoryBytes(), big.size() + 1024);
}

TEST(LineList, SortsWholeLinesBytewiseWithPrefixFirst)
{
    LineList list;
    // 0x83 sorts after ASCII (bytes compare unsigned), "C:\A" before "C:\A,..." before "C:\AB".
    list.assignText("C:\\AB,20\n\x83\x5C\nC:\\A,10\nC:\\A\nC:\\A\nc:\\a\n");
    list.sortBytewise();
    EXPECT_EQ(linesOf(list), (std::vector<std::string>{"C:\\A", "C:\\A", "C:\\A,10", "C:\\AB,20", "c:\\a",
                                                       "\x83\x5C"}));
}

TEST(LineList, LargeListsSortToTheSameOrder)
{
    // Large lists sort in two halves on two threads and merge: compare with one plain sort.
    std::vector<std::string> texts;
    std::uint32_t x = 12345;
    for (int i = 0; i < 300000; ++i) {
        x = x * 1103515245u + 12345u;
        texts.push_back("C:\\d" + std::to_string(x % 5000) + "\\" + std::to_string(x % 977) + ((x & 1) ? "\x83\x5C" : ""));
    }
    LineList list;
    for (const auto& t : texts)
        list.append(t);
    list.sortBytewise();
    std::sort(texts.begin(), texts.end());
    ASSERT_EQ(list.size(), texts.size());
    for (std::size_t i = 0; i < texts.size(); ++i)
        ASSERT_EQ(list[i], texts[i]) << i;
}

TEST(LineList, AppendBuildsAListFromNothing)
{
    LineList list;
    for (int i = 0; i < 1000; ++i)
        list.append(std::to_string(i));
    ASSERT_EQ(list.size(), 1000u);
    EXPECT_EQ(list[999], "999");
    EXPECT_EQ(list.textBytes(), 10u + 90 * 2 + 900 * 3);
}


// The memory of the large arrays and texts: sizes about each threshold are whole and writable to
// their last byte, the large ones start on a huge-page boundary, a vector keeps its elements as it
// grows from small to large memory, and a size the system cannot give is std::bad_alloc.
TEST(LargeMemory, SizesAboutTheThresholdsAreWholeAndAligned)
{
    constexpr std::size_t kHuge = std::size_t{2} << 20;
    for (const std::size_t n : {std::size_t{1}, sys::kLargeFrom - 1, sys::kLargeFrom, kHuge - 1, kHuge, kHuge + 1,
                                kHuge + kHuge / 8 * 3 - 1, kHuge + kHuge / 8 * 3, 5 * kHuge + 7}) {
        sys::LargeBytes bytes = sys::allocateBytes(n);
        ASSERT_NE(bytes.get(), nullptr) << n;
        if (sys::kLargeMappings && n >= sys::kLargeFrom) {
            EXPECT_EQ(reinterpret_cast<std::uintptr_t>(bytes.get()) % kHuge, 0u) << n;
        }
        std::fill(bytes.get(), bytes.get() + n, static_cast<char>(n));
        EXPECT_EQ(std::count(bytes.get(), bytes.get() + n, static_cast<char>(n)), static_cast<std::ptrdiff_t>(n)) << n;
    }

    LargeVector<std::uint32_t> grown;
    for (std::uint32_t i = 0; i < 600'000; ++i)
        grown.push_back(i * 7);
    for (std::uint32_t i = 0; i < 600'000; i += 997)
        ASSERT_EQ(grown[i], i * 7);
    grown.resize(10);
    grown.shrink_to_fit();
    EXPECT_EQ(grown.back(), 63u);

    if (sys::kLargeMappings) { // the address sanitizer ends the process on such a size instead
        EXPECT_THROW(sys::allocateBytes(std::size_t{1} << 60), std::bad_alloc);
        EXPECT_THROW(sys::allocateBytes(std::size_t(-1) - 5), std::bad_alloc);
    }
}

} // namespace
} // namespace dg
