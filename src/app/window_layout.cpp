// Arrangement of minimised windows.
#include "app/window_layout.h"

#include <algorithm>

namespace pixorama {

std::vector<IconPlace> ArrangeIcons(int count, int iconWidth, int iconHeight, int areaWidth,
                                    int areaHeight) {
    std::vector<IconPlace> places;
    if (count <= 0 || iconWidth <= 0 || iconHeight <= 0)
        return places;
    const int perRow = std::max(1, areaWidth / iconWidth);
    for (int i = 0; i < count; ++i)
        places.push_back({(i % perRow) * iconWidth, areaHeight - (i / perRow + 1) * iconHeight});
    return places;
}

} // namespace pixorama
