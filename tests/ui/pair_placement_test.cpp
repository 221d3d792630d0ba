#include "ui/pair_placement.h"

#include <gtest/gtest.h>

#include <climits>

namespace dg::ui {
namespace {

TEST(PairPlacement, ThePartnerGoesBesideTheCentredPairOrTheLeftEdgeByTheRoomThereIs)
{
    struct Case {
        int left, width, screen;
        int ownLeft, partnerLeft;
    };
    const Case cases[] = {
        {100, 450, 1024, 100, 550}, // room from its left: only the partner moves
        {124, 450, 1024, 124, 574}, // exactly enough room
        {600, 450, 1024, 62, 512},  // room on the screen: centred on half its width
        {125, 450, 1024, 62, 512},  // one pixel short
        {0, 450, 900, 0, 450},      // both fit exactly
        {10, 450, 899, 0, 450},     // one pixel short of room for both: the left edge
        {300, 450, 901, 0, 450},    // 901/2 = 450, 450 - 450 = 0
        {100, 450, 800, 0, 450},    // no room for both
        {-300, 450, 1024, -300, 150}, // a window partly off the left edge keeps its place
        {INT_MAX - 10, 450, 1024, 62, 512}, // a stored position far off screen overflows nothing
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.left << " " << c.width << " " << c.screen);
        const PairPlacement p = placePair(c.left, c.width, c.screen);
        EXPECT_EQ(p.ownLeft, c.ownLeft);
        EXPECT_EQ(p.partnerLeft, c.partnerLeft);
    }
}

} // namespace
} // namespace dg::ui
