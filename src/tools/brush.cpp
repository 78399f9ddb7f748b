// Brush engine: shape and falloff of a dab, the walk along a segment, and the per-pixel tests
// and blending of the four brush modes.
#include "tools/brush.h"

#include "colour/hsl.h"
#include "document/dib.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace pixorama {

TBrushParams BrushParamsOf(const TToolOptions& o) {
    TBrushParams p;
    p.Size = o.Size;
    p.Hard = o.Hard;
    p.Dens = o.Dens;
    p.Opacity = o.Opacity;
    p.Tol = o.Tol;
    p.Form = o.Form;
    p.CloneMode = o.CloneMode;
    p.RetouchMode = o.RetouchMode;
    return p;
}

TDabExtent DabExtent(int32_t size) {
    TDabExtent e{-(size / 2), size / 2};
    if (e.Hi - e.Lo + 1 > size)
        ++e.Lo;
    return e;
}

bool MakeBrushDab(TBrushDab& dab, const TBrushParams& p, int32_t bitsPerPixel) {
    const int32_t S = std::clamp(p.Size, 1, 200);
    dab.Size = S;
    dab.Extent = DabExtent(S);
    // the form drawn with 0 into a shape that starts all 1 (outside)
    DibHolder shape;
    if (!newdib(&shape.get(), S, S, 1, nullptr, 0))
        return false;
    std::fill(shape->Bits, shape->Bits + static_cast<size_t>(shape->LineBytes) * S, uint8_t{0xFF});
    if (S == 1)
        recht_filled(&shape.get(), 0, 0, 1, 1, 0);
    const int32_t W = S, H = S;
    switch (p.Form) {
    case 0:
        recht_filled(&shape.get(), 0, 0, W, H, 0);
        break;
    case 1:
        FilledEllipse(&shape.get(), 0, 0, W - 1, H - 1, 0);
        break;
    case 2:
        line(&shape.get(), 0, 0, W, H, 0);
        line(&shape.get(), 0, 1, W, H + 1, 0);
        break;
    case 3:
        line(&shape.get(), 0, H, W, 0, 0);
        line(&shape.get(), 1, H, W + 1, 0, 0);
        break;
    case 4:
        recht_filled(&shape.get(), 0, H / 3, W, 2 * H / 3, 0);
        break;
    default:
        recht_filled(&shape.get(), W / 3, 0, 2 * W / 3, H, 0);
        break;
    }
    const size_t n = static_cast<size_t>(S) * static_cast<size_t>(S);
    dab.Shape.assign(n, 0);
    for (int32_t y = 0; y < S; ++y)
        for (int32_t x = 0; x < S; ++x)
            dab.Shape[static_cast<size_t>(y) * S + x] = getpixel(&shape.get(), x, y) == 0;
    dab.Map.clear();
    if (bitsPerPixel == 24 && S > 3) {
        dab.Map.assign(n, 0);
        const int32_t lo = dab.Extent.Lo, hi = dab.Extent.Hi;
        const int32_t hard = std::clamp(p.Hard, 0, 100);
        for (int32_t i = lo; i <= hi; ++i)
            for (int32_t j = lo; j <= hi; ++j) {
                int32_t d;
                if (p.Form == 1) {
                    const auto r = static_cast<int32_t>(std::nearbyint(std::sqrt(double(i * i + j * j))));
                    d = hi == 0 ? 0 : r * 100 / hi;
                } else {
                    d = hi == 0 ? 0 : (std::abs(i) + std::abs(j)) * 100 / (2 * hi);
                }
                d = std::min(d, 100);
                dab.Map[static_cast<size_t>(j - lo) * S + static_cast<size_t>(i - lo)] =
                    static_cast<uint8_t>(d * (100 - hard) / 100);
            }
    }
    return true;
}

std::vector<TPoint> BrushLinePoints(int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    std::vector<TPoint> pts;
    const bool alongX = std::abs(x1 - x0) >= std::abs(y1 - y0);
    // walk from the end with the smaller coordinate on the walking axis
    const bool reversed = alongX ? x1 < x0 : y1 < y0;
    const TPoint a = reversed ? TPoint{x1, y1} : TPoint{x0, y0};
    const TPoint b = reversed ? TPoint{x0, y0} : TPoint{x1, y1};
    const int32_t major = alongX ? b.X - a.X : b.Y - a.Y;
    const int32_t minor = alongX ? std::abs(b.Y - a.Y) : std::abs(b.X - a.X);
    const int32_t step = alongX ? (b.Y >= a.Y ? 1 : -1) : (b.X >= a.X ? 1 : -1);
    int32_t e = 2 * minor - major;
    int32_t m = alongX ? a.Y : a.X;
    pts.reserve(static_cast<size_t>(major) + 1);
    for (int32_t k = 0; k <= major; ++k) {
        const TPoint p = alongX ? TPoint{a.X + k, m} : TPoint{m, a.Y + k};
        // dabs are laid from (x0, y0) towards (x1, y1)
        pts.push_back(reversed ? TPoint{x0 + x1 - p.X, y0 + y1 - p.Y} : p);
        if (e >= 0) {
            m += step;
            e += 2 * (minor - major);
        } else {
            e += 2 * minor;
        }
    }
    return pts;
}

namespace {

uint8_t* pixelAt(const TDibRecord& d, int32_t x, int32_t y) {
    return d.Bits + static_cast<size_t>(DibHeight(&d) - 1 - y) * static_cast<size_t>(d.LineBytes) +
           3 * static_cast<size_t>(x);
}

// What plotting a pixel needs, read once per dab.
struct PlotTarget {
    const TDibRecord& dib;
    int32_t width, height;
    bool palette;
    int32_t opacity;
    const uint8_t* map; // nullptr without falloff
    int32_t size;
};

// Writes colour c at (x, y) with the falloff and transparency (24-bit) or as an index.
inline void plotBrushPixel(const PlotTarget& t, int32_t x, int32_t y, int32_t left, int32_t top,
                           int32_t c) {
    if (x < 0 || y < 0 || x >= t.width || y >= t.height)
        return;
    if (t.palette) {
        setpixel(&t.dib, x, y, c);
        return;
    }
    uint8_t* px = pixelAt(t.dib, x, y);
    const int32_t h =
        t.map == nullptr
            ? 0
            : t.map[static_cast<size_t>(y - top) * static_cast<size_t>(t.size) + static_cast<size_t>(x - left)];
    const int32_t T = t.opacity;
    const int32_t a = h == 0 ? T : h + (100 - h) * T / 100;
    const int32_t nr = c & 0xFF, ng = (c >> 8) & 0xFF, nb = (c >> 16) & 0xFF;
    px[0] = static_cast<uint8_t>(((100 - a) * nb + a * px[0]) / 100);
    px[1] = static_cast<uint8_t>(((100 - a) * ng + a * px[1]) / 100);
    px[2] = static_cast<uint8_t>(((100 - a) * nr + a * px[2]) / 100);
}

bool inImage(const TDibRecord& d, int32_t x, int32_t y) {
    return x >= 0 && y >= 0 && x < DibWidth(&d) && y < DibHeight(&d);
}

int32_t lighten(int32_t v, int32_t by) {
    const auto ch = [by](int32_t c) { return std::clamp(c + by, 0, 255); };
    return ch(v & 0xFF) | (ch((v >> 8) & 0xFF) << 8) | (ch((v >> 16) & 0xFF) << 16);
}

} // namespace

void SetBrushPixel(DocumentState& doc, Host& host, const TBrushParams& p, const TBrushDab& dab,
                   int32_t x, int32_t y, int32_t sx, int32_t sy, int32_t colour) {
    const int32_t S = dab.Size;
    int32_t left = x - S / 2, top = y - S / 2;
    const int32_t right = x + S / 2, bottom = y + S / 2;
    if (right - left + 1 > S)
        ++left;
    if (bottom - top + 1 > S)
        ++top;
    const TDibRecord& d = doc.Dib;
    const bool selection = doc.HasSelection;
    auto selected = [&](int32_t i, int32_t j) {
        return !selection || getpixel(&doc.SelMask, i, j) == 1;
    };
    // a density of 100 passes every pixel without a draw
    auto dense = [&]() { return p.Dens >= 100 || host.RandomInt(100) < p.Dens; };
    const PlotTarget target{d,
                            DibWidth(&d),
                            DibHeight(&d),
                            DibColorCount(&d) <= 256,
                            p.Opacity,
                            dab.Map.empty() ? nullptr : dab.Map.data(),
                            S};
    const TRgb replace = PixelToRgb(doc, doc.ReplaceColor);
    const TPoint strokeStart{doc.CloneStrokeStart.X * doc.ZoomOut / doc.ZoomIn,
                             doc.CloneStrokeStart.Y * doc.ZoomOut / doc.ZoomIn};
    const TPoint cloneRef = p.CloneMode == 0 ? doc.CloneFirstDest : strokeStart;
    for (int32_t i = left; i <= right; ++i)
        for (int32_t j = top; j <= bottom; ++j) {
            if (!dab.inside(i - left, j - top))
                continue;
            int32_t c = colour;
            if (doc.CloneStroke) {
                if (!selected(i, j) || !dense())
                    continue;
                const int32_t srcX = doc.CloneSource.X + i - cloneRef.X;
                const int32_t srcY = doc.CloneSource.Y + j - cloneRef.Y;
                if (!inImage(d, srcX, srcY))
                    continue;
                c = getpixel(&d, srcX, srcY);
            } else if (doc.ReplaceStroke) {
                if (!selected(i, j))
                    continue;
                const TRgb here = PixelToRgb(doc, getpixel(&d, i, j));
                if (std::abs(here.R - replace.R) > p.Tol || std::abs(here.G - replace.G) > p.Tol ||
                    std::abs(here.B - replace.B) > p.Tol)
                    continue;
                if (!dense())
                    continue;
            } else if (doc.RetouchStroke) {
                if (!dense() || !selected(i, j))
                    continue;
                switch (p.RetouchMode) {
                case 0:
                    c = lighten(getpixel(&d, i, j), 8);
                    break;
                case 1:
                    c = lighten(getpixel(&d, i, j), -8);
                    break;
                case 2: {
                    const int32_t ry = host.RandomInt(S);
                    const int32_t rx = host.RandomInt(S);
                    c = getpixel(&d, sx + (left - x) + S / 2 - rx, sy + (top - y) + S / 2 - ry);
                    break;
                }
                default: {
                    const int32_t ry = host.RandomInt(S);
                    const int32_t rx = host.RandomInt(S);
                    c = getpixel(&d, i + S / 2 - rx, j + S / 2 - ry);
                    break;
                }
                }
            } else {
                if (!dense() || !selected(i, j))
                    continue;
            }
            plotBrushPixel(target, i, j, left, top, c);
        }
}

void BrushLine(DocumentState& doc, Host& host, const TBrushParams& p, int32_t x0, int32_t y0,
               int32_t x1, int32_t y1, int32_t colour) {
    if (doc.Dib.Bits == nullptr)
        return;
    TBrushDab dab;
    if (!MakeBrushDab(dab, p, DibBitsPerPixel(&doc.Dib)))
        return;
    for (const TPoint& pt : BrushLinePoints(x0, y0, x1, y1))
        SetBrushPixel(doc, host, p, dab, pt.X, pt.Y, x0, y0, colour);
}

TPoint CloneMarkerCentre(const DocumentState& doc, int cloneMode) {
    const int zi = doc.ZoomIn, zo = doc.ZoomOut;
    const TPoint ref = cloneMode == 0
                           ? TPoint{doc.CloneFirstDest.X * zi / zo, doc.CloneFirstDest.Y * zi / zo}
                           : doc.CloneStrokeStart;
    return {doc.CloneSource.X * zi / zo + (doc.CurPt.X - ref.X),
            doc.CloneSource.Y * zi / zo + (doc.CurPt.Y - ref.Y)};
}

} // namespace pixorama
