// The byte-order sort of a line list against std::sort of the same lines as strings: lines that
// share long prefixes, are prefixes of each other, repeat, hold bytes of 0x80 and more, are empty;
// lists of every small size and a list large enough to be sorted as two halves on two threads.
#include "core/line_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace dg {
namespace {

std::vector<std::string> randomLines(std::mt19937& rng, std::size_t count, std::size_t sharedPrefix)
{
    const std::string prefix(sharedPrefix, 'p');
    const char alphabet[] = {'a', 'b', '\\', ',', ' ', '\x81', '\xFF', '\x7F', 'A'};
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < count; ++i) {
        if (!lines.empty() && rng() % 8 == 0) { // a repeat, or a prefix, of an earlier line
            const std::string& earlier = lines[rng() % lines.size()];
            lines.push_back(rng() % 2 ? earlier : earlier.substr(0, rng() % (earlier.size() + 1)));
            continue;
        }
        std::string line = rng() % 16 == 0 ? std::string() : prefix;
        const std::size_t extra = rng() % 12;
        for (std::size_t k = 0; k < extra; ++k)
            line.push_back(alphabet[rng() % sizeof alphabet]);
        lines.push_back(line);
    }
    return lines;
}

void expectSortedLikeStrings(const std::vector<std::string>& lines, const std::string& label)
{
    std::string text;
    for (const std::string& line : lines)
        text.append(line).push_back('\n');
    LineList list;
    list.assignText(text);
    ASSERT_EQ(list.size(), lines.size()) << label;
    list.sortBytewise();
    std::vector<std::string> expected = lines;
    std::sort(expected.begin(), expected.end(), [](const std::string& a, const std::string& b) {
        return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
            return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
        });
    });
    for (std::size_t i = 0; i < expected.size(); ++i)
        ASSERT_EQ(list[i], expected[i]) << label << ", line " << i;
}

TEST(LineSort, SortsLikeStringsInByteOrder)
{
    std::mt19937 rng(3);
    for (const std::size_t count : {1u, 2u, 15u, 16u, 17u, 40u, 1000u})
        for (const std::size_t shared : {0u, 3u, 250u, 300u})
            for (int round = 0; round < 5; ++round)
                expectSortedLikeStrings(randomLines(rng, count, shared),
                                        std::to_string(count) + " lines, " + std::to_string(shared) + " shared");
    // Past the size sorted as two halves on two threads and merged.
    expectSortedLikeStrings(randomLines(rng, 140'000, 20), "two halves");
}

} // namespace
} // namespace dg
