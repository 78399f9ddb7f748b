// Pixel access and the drawing primitives: lines, rectangles and ellipses, all with inclusive
// corners, corners in any order and silent clipping at the record's border.
#include "draw_internal.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace pictora {

int32_t readPixel(const TDibRecord& d, int32_t x, int32_t y) {
    const uint8_t* row = rowPtr(d, y);
    switch (d.Info->bmiHeader.biBitCount) {
    case 1:
        return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case 4:
        return (x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4);
    case 8:
        return row[x];
    case 24: {
        const uint8_t* p = row + static_cast<size_t>(x) * 3;
        return p[2] | (p[1] << 8) | (p[0] << 16);
    }
    default:
        return 0;
    }
}

void writePixel(const TDibRecord& d, int32_t x, int32_t y, int32_t v) {
    uint8_t* row = rowPtr(d, y);
    switch (d.Info->bmiHeader.biBitCount) {
    case 1: {
        const uint8_t bit = static_cast<uint8_t>(0x80 >> (x & 7));
        if (v & 1)
            row[x >> 3] |= bit;
        else
            row[x >> 3] &= static_cast<uint8_t>(~bit);
        break;
    }
    case 4: {
        uint8_t& b = row[x >> 1];
        if (x & 1)
            b = static_cast<uint8_t>((b & 0xF0) | (v & 0x0F));
        else
            b = static_cast<uint8_t>((b & 0x0F) | ((v & 0x0F) << 4));
        break;
    }
    case 8:
        row[x] = static_cast<uint8_t>(v);
        break;
    case 24: {
        uint8_t* p = row + static_cast<size_t>(x) * 3;
        p[0] = static_cast<uint8_t>(v >> 16);
        p[1] = static_cast<uint8_t>(v >> 8);
        p[2] = static_cast<uint8_t>(v);
        break;
    }
    default:
        break;
    }
}

void fillSpan(const TDibRecord& d, int32_t y, int32_t x0, int32_t x1, int32_t v) {
    const int32_t w = d.Info->bmiHeader.biWidth;
    x0 = std::max(x0, 0);
    x1 = std::min(x1, w - 1);
    if (x0 > x1 || y < 0 || y >= d.Info->bmiHeader.biHeight) return;
    uint8_t* row = rowPtr(d, y);
    switch (d.Info->bmiHeader.biBitCount) {
    case 8:
        std::fill(row + x0, row + x1 + 1, static_cast<uint8_t>(v));
        return;
    case 24: {
        const uint8_t b = static_cast<uint8_t>(v >> 16), g = static_cast<uint8_t>(v >> 8),
                      r = static_cast<uint8_t>(v);
        for (uint8_t* p = row + static_cast<size_t>(x0) * 3; p <= row + static_cast<size_t>(x1) * 3;
             p += 3) {
            p[0] = b;
            p[1] = g;
            p[2] = r;
        }
        return;
    }
    case 4: {
        // odd ends nibble by nibble, whole bytes between
        if (x0 & 1)
            writePixel(d, x0++, y, v);
        if (x0 <= x1 && !(x1 & 1))
            writePixel(d, x1--, y, v);
        if (x0 < x1) {
            const uint8_t both = static_cast<uint8_t>((v & 0x0F) * 0x11);
            std::memset(row + (x0 >> 1), both, static_cast<size_t>((x1 - x0 + 1) >> 1));
        }
        return;
    }
    case 1:
        setBits(row, x0, x1, v & 1);
        return;
    default:
        return;
    }
}

namespace {

inline bool inside(const TDibRecord& d, int64_t x, int64_t y) {
    return x >= 0 && y >= 0 && x < d.Info->bmiHeader.biWidth && y < d.Info->bmiHeader.biHeight;
}

// Horizontal extent of the filled ellipse inscribed in the inclusive rectangle
// [x1, x1 + w - 1] x [y1, y1 + h - 1] on row y.  A pixel belongs to it when its centre satisfies
// X^2 h^2 + Y^2 w^2 <= w^2 h^2 with X = 2(x - x1) + 1 - w, Y = 2(y - y1) + 1 - h (everything
// doubled so that it stays integral).  So that a very flat or very narrow ellipse still touches
// all four sides of its rectangle, the middle row(s) always span the full width and every row
// keeps at least the middle column(s).  Returns false for rows outside the rectangle.
bool ellipseSpan(int64_t x1, int64_t y1, int64_t w, int64_t h, int64_t y, int64_t& left,
                 int64_t& right) {
    using u128 = unsigned __int128;
    if (y < y1 || y > y1 + h - 1) return false;
    const int64_t Y = 2 * (y - y1) + 1 - h;
    const int64_t absY = Y < 0 ? -Y : Y;
    int64_t X = -1; // largest |X| (with the parity of w - 1) inside the ellipse
    if (absY <= 1) {
        X = w - 1;
    } else if (w >= (int64_t{1} << 30) || h >= (int64_t{1} << 30)) {
        // far beyond any image: the exact products would overflow; long double is plenty here
        const long double fy = static_cast<long double>(Y) / static_cast<long double>(h);
        X = static_cast<int64_t>(static_cast<long double>(w) * std::sqrt(1.0L - fy * fy));
        if (((X ^ (w - 1)) & 1) != 0) X -= 1;
    } else {
        const u128 ww = static_cast<u128>(w) * static_cast<u128>(w);
        const u128 hh = static_cast<u128>(h) * static_cast<u128>(h);
        const u128 rest = ww * hh - static_cast<u128>(absY) * static_cast<u128>(absY) * ww;
        auto fits = [&](int64_t v) { return static_cast<u128>(v) * static_cast<u128>(v) * hh <= rest; };
        // start from a floating estimate and correct it exactly
        X = static_cast<int64_t>(std::sqrt(static_cast<double>(rest) / static_cast<double>(hh)));
        if (((X ^ (w - 1)) & 1) != 0) X -= 1;
        if (X < 0) X = (w - 1) & 1;
        while (X + 2 <= w - 1 && fits(X + 2)) X += 2;
        while (X >= 0 && !fits(X)) X -= 2;
    }
    if (X < 0) X = (w - 1) & 1; // at least the middle column(s)
    // X = 2(x - x1) + 1 - w  =>  x = x1 + (X + w - 1) / 2
    right = x1 + (X + w - 1) / 2;
    left = x1 + (-X + w - 1) / 2;
    return true;
}

void normalise(int32_t& x1, int32_t& y1, int32_t& x2, int32_t& y2) {
    if (x1 > x2) std::swap(x1, x2);
    if (y1 > y2) std::swap(y1, y2);
}

void drawEllipse(const TDibRecord& d, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t v,
                 bool filled) {
    normalise(x1, y1, x2, y2);
    const int64_t w = static_cast<int64_t>(x2) - x1 + 1, h = static_cast<int64_t>(y2) - y1 + 1;
    const int64_t H = d.Info->bmiHeader.biHeight;
    const int64_t W = d.Info->bmiHeader.biWidth;
    const int64_t ya = std::max<int64_t>(y1, 0), yb = std::min<int64_t>(y2, H - 1);
    auto clampX = [&](int64_t x) { return static_cast<int32_t>(std::clamp<int64_t>(x, -1, W)); };
    for (int64_t y = ya; y <= yb; ++y) {
        int64_t l, r;
        if (!ellipseSpan(x1, y1, w, h, y, l, r)) continue;
        if (filled) {
            fillSpan(d, static_cast<int32_t>(y), clampX(l), clampX(r), v);
            continue;
        }
        // outline: pixels of this row's span not covered by the span above or below, plus the
        // two ends (a pixel with a 4-neighbour outside the shape)
        int64_t la = 0, ra = -1, lb = 0, rb = -1;
        const bool hasAbove = y > y1 && ellipseSpan(x1, y1, w, h, y - 1, la, ra);
        const bool hasBelow = y < y2 && ellipseSpan(x1, y1, w, h, y + 1, lb, rb);
        // interior pixels: strictly inside this span and inside both neighbour spans
        int64_t il = l + 1, ir = r - 1;
        if (hasAbove) {
            il = std::max(il, la);
            ir = std::min(ir, ra);
        } else {
            ir = il - 1;
        }
        if (hasBelow) {
            il = std::max(il, lb);
            ir = std::min(ir, rb);
        } else {
            ir = il - 1;
        }
        if (il > ir) {
            fillSpan(d, static_cast<int32_t>(y), clampX(l), clampX(r), v);
        } else {
            fillSpan(d, static_cast<int32_t>(y), clampX(l), clampX(il - 1), v);
            fillSpan(d, static_cast<int32_t>(y), clampX(ir + 1), clampX(r), v);
        }
    }
}

} // namespace
} // namespace pictora

using namespace pictora;

extern "C" {

int32_t getpixel(const TDibRecord* dib, int32_t x, int32_t y) {
    if (!hasImage(dib) || !inside(*dib, x, y)) return 0;
    return readPixel(*dib, x, y);
}

void setpixel(const TDibRecord* dib, int32_t x, int32_t y, int32_t value) {
    if (!hasImage(dib) || !inside(*dib, x, y)) return;
    writePixel(*dib, x, y, value);
}

void line(const TDibRecord* dib, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t value) {
    if (!hasImage(dib)) return;
    const TDibRecord& d = *dib;
    const int64_t W = d.Info->bmiHeader.biWidth, H = d.Info->bmiHeader.biHeight;
    // nothing to draw when the line's bounding box misses the image
    if (std::max(x1, x2) < 0 || std::max(y1, y2) < 0 || std::min(x1, x2) >= W ||
        std::min(y1, y2) >= H)
        return;
    // Bresenham in closed form along the major axis: step k puts the minor coordinate at
    // start + round(k * dminor / dmajor), halves rounded up.  Always walking from the end with the
    // smaller major coordinate makes line(a, b) and line(b, a) the same pixels, and the closed
    // form lets us visit only the steps that can land inside the image, however long the line.
    const bool xMajor = std::llabs(int64_t{x2} - x1) >= std::llabs(int64_t{y2} - y1);
    int64_t a1 = xMajor ? x1 : y1, b1 = xMajor ? y1 : x1;
    int64_t a2 = xMajor ? x2 : y2, b2 = xMajor ? y2 : x2;
    if (a1 > a2) {
        std::swap(a1, a2);
        std::swap(b1, b2);
    }
    const int64_t da = a2 - a1; // >= 0
    const int64_t db = std::llabs(b2 - b1);
    const int64_t sb = b2 >= b1 ? 1 : -1;
    const int64_t amax = xMajor ? W - 1 : H - 1, bmax = xMajor ? H - 1 : W - 1;
    auto minorAt = [&](int64_t k) -> int64_t {
        if (da == 0) return b1;
        const __int128 num = static_cast<__int128>(2) * k * db + da;
        return b1 + sb * static_cast<int64_t>(num / (2 * static_cast<__int128>(da)));
    };
    // steps whose major coordinate is inside
    int64_t kLo = std::max<int64_t>(0, -a1), kHi = std::min<int64_t>(da, amax - a1);
    // the minor coordinate is monotone in k: narrow the range to where it is inside too
    auto firstWhere = [&](int64_t lo, int64_t hi, auto pred) { // first k in [lo, hi] with pred
        while (lo < hi) {
            const int64_t mid = lo + (hi - lo) / 2;
            if (pred(mid))
                hi = mid;
            else
                lo = mid + 1;
        }
        return lo;
    };
    if (kLo > kHi) return;
    // before the inside part the minor coordinate is below 0 (sb > 0) or above bmax (sb < 0)
    auto beforeEnd = [&](int64_t k) {
        const int64_t b = minorAt(k);
        return sb > 0 ? b >= 0 : b <= bmax;
    };
    auto afterEnd = [&](int64_t k) {
        const int64_t b = minorAt(k);
        return sb > 0 ? b > bmax : b < 0;
    };
    kLo = firstWhere(kLo, kHi, beforeEnd);
    const int64_t kEnd = afterEnd(kHi) ? firstWhere(kLo, kHi, afterEnd) - 1 : kHi;
    for (int64_t k = kLo; k <= kEnd; ++k) {
        const int64_t a = a1 + k, b = minorAt(k);
        if (b < 0 || b > bmax)
            continue;
        const int32_t x = static_cast<int32_t>(xMajor ? a : b), y = static_cast<int32_t>(xMajor ? b : a);
        writePixel(d, x, y, value);
    }
}

void rechteck(const TDibRecord* dib, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
              int32_t value) {
    if (!hasImage(dib)) return;
    normalise(x1, y1, x2, y2);
    fillSpan(*dib, y1, x1, x2, value);
    fillSpan(*dib, y2, x1, x2, value);
    const int32_t ya = std::max(y1, 0), yb = std::min(y2, dib->Info->bmiHeader.biHeight - 1);
    for (int32_t y = ya; y <= yb; ++y) {
        if (inside(*dib, x1, y)) writePixel(*dib, x1, y, value);
        if (inside(*dib, x2, y)) writePixel(*dib, x2, y, value);
    }
}

void recht_filled(const TDibRecord* dib, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                  int32_t value) {
    if (!hasImage(dib)) return;
    normalise(x1, y1, x2, y2);
    const int32_t ya = std::max(y1, 0), yb = std::min(y2, dib->Info->bmiHeader.biHeight - 1);
    for (int32_t y = ya; y <= yb; ++y) fillSpan(*dib, y, x1, x2, value);
}

void ellipse(const TDibRecord* dib, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
             int32_t value) {
    if (!hasImage(dib)) return;
    drawEllipse(*dib, x1, y1, x2, y2, value, false);
}

void FilledEllipse(const TDibRecord* dib, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                   int32_t value) {
    if (!hasImage(dib)) return;
    drawEllipse(*dib, x1, y1, x2, y2, value, true);
}

} // extern "C"
