// Wide lines and shapes of the line and shape tools.
#include "tools/line_shape.h"

#include <cmath>
#include <cstdlib>

namespace pixorama {

void DrawWideLine(const TDibRecord& target, int32_t x0, int32_t y0, int32_t x1, int32_t y1,
                  int32_t w, int32_t value) {
    const int32_t dx = x1 - x0, dy = y1 - y0;
    // a rough direction angle in degrees, enough to turn the offsets across the line
    double theta;
    if (std::abs(dy) <= std::abs(dx))
        theta = dx == 0 ? 45.0 : 45.0 * dy / dx;
    else
        theta = 90.0 - 45.0 * dx / dy;
    const double s = std::sin(theta * M_PI / 180.0), c = std::cos(theta * M_PI / 180.0);
    const int32_t from = -(w / 2) + (w % 2 == 0 ? 1 : 0), to = w / 2;
    int32_t pa = 0, pb = 0;
    for (int32_t k = from; k <= to; ++k) {
        const auto a = static_cast<int32_t>(std::nearbyint(s * k));
        const auto b = static_cast<int32_t>(std::nearbyint(c * k));
        if (k == from) {
            pa = a;
            pb = b;
        }
        line(&target, x0 - a, y0 + b, x1 - a, y1 + b, value);
        line(&target, x0 - pa, y0 + b, x1 - pa, y1 + b, value);
        line(&target, x0 - a, y0 + pb, x1 - a, y1 + pb, value);
        pa = a;
        pb = b;
    }
}

void DrawToolShape(const TDibRecord& target, int typ, int stil, int32_t x0, int32_t y0,
                   int32_t x1, int32_t y1, int32_t value) {
    const bool filled = stil == 1;
    if (typ == 2 || typ == 3) {
        if (filled)
            FilledEllipse(&target, x0, y0, x1, y1, value);
        else
            ellipse(&target, x0, y0, x1, y1, value);
    } else if (filled) {
        recht_filled(&target, x0, y0, x1, y1, value);
    } else {
        rechteck(&target, x0, y0, x1, y1, value);
    }
}

} // namespace pixorama
