#pragma once
// Where the two windows of a comparison pair go when the launching viewer has started the
// comparison-source viewer: side by side, both at the launching window's top and size, on the
// primary screen whose width is given. Plain arithmetic in pixels.
namespace dg::ui {

struct PairPlacement {
    int ownLeft = 0;     // the launching window's new left (unchanged when it stays)
    int partnerLeft = 0; // the comparison-source window's left
};

// With the launching window at left, width pixels wide, on a screen screenWidth pixels wide:
// - room for both from left on: the partner goes right beside it, the launching window stays;
// - else room for both on the screen: the pair is centred, meeting at half the screen width
//   (rounded toward zero);
// - else the launching window goes to the screen's left edge and the partner beside it.
PairPlacement placePair(int left, int width, int screenWidth);

} // namespace dg::ui
