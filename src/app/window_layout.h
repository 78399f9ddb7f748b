// Places of minimised document windows ("&Symbole anordnen"): along the bottom of the work
// space from the left, a new row above when one is full.  Cascading ("Ü&berlappend").
#pragma once

#include <vector>

namespace pixorama {

struct IconPlace {
    int X = 0, Y = 0;
};
std::vector<IconPlace> ArrangeIcons(int count, int iconWidth, int iconHeight, int areaWidth,
                                    int areaHeight);

// Cascade: window k goes step pixels further right and down than window k - 1, keeping its own
// size where the work space has room for it and losing only what would run past its right or
// bottom side.  When the next step would leave less than minWidth x minHeight, the stair
// starts again at the top left.
struct CascadeRect {
    int X = 0, Y = 0, Width = 0, Height = 0;
};
struct CascadeSize {
    int Width = 0, Height = 0;
};
std::vector<CascadeRect> CascadeWindows(const std::vector<CascadeSize>& sizes, int areaWidth,
                                        int areaHeight, int step, int minWidth, int minHeight);

} // namespace pixorama
