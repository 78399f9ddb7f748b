// Arrangement of minimised windows, and the cascade.
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

std::vector<CascadeRect> CascadeWindows(const std::vector<CascadeSize>& sizes, int areaWidth,
                                        int areaHeight, int step, int minWidth, int minHeight) {
    std::vector<CascadeRect> rects;
    step = std::max(step, 1);
    int offset = 0;
    for (const CascadeSize& s : sizes) {
        if (offset > 0 && (offset + minWidth > areaWidth || offset + minHeight > areaHeight))
            offset = 0;
        CascadeRect r;
        r.X = offset;
        r.Y = offset;
        r.Width = std::max(1, std::min(s.Width, areaWidth - offset));
        r.Height = std::max(1, std::min(s.Height, areaHeight - offset));
        rects.push_back(r);
        offset += step;
    }
    return rects;
}

} // namespace pixorama
