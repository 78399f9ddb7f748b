// Places of minimised document windows ("&Symbole anordnen"): along the bottom of the work
// space from the left, a new row above when one is full.
#pragma once

#include <vector>

namespace pixorama {

struct IconPlace {
    int X = 0, Y = 0;
};
std::vector<IconPlace> ArrangeIcons(int count, int iconWidth, int iconHeight, int areaWidth,
                                    int areaHeight);

} // namespace pixorama
