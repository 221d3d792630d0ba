#include "ui/pair_placement.h"

namespace dg::ui {

PairPlacement placePair(int left, int width, int screenWidth)
{
    // In 64 bits: a stored placement far off screen must not overflow the sums.
    const long long s = screenWidth;
    const long long l = left;
    const long long w = width;
    if (s >= l + 2 * w)
        return {left, static_cast<int>(l + w)};
    if (s >= 2 * w) {
        const long long half = s / 2;
        return {static_cast<int>(half - w), static_cast<int>(half)};
    }
    return {0, width};
}

} // namespace dg::ui
