// Geometric, free-hand and magic-wand selections.
#include "tools/selection_tools.h"

#include "document/dib.h"
#include "document/undo.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace pixorama {

namespace {

uint8_t* rowOf(const TDibRecord& d, int32_t y) {
    return d.Bits + static_cast<size_t>(DibHeight(&d) - 1 - y) * static_cast<size_t>(d.LineBytes);
}

// Sets mask pixels x0 <= x < x1 of image row y to value.
void maskSpan(const TDibRecord& mask, int32_t y, int32_t x0, int32_t x1, int32_t value) {
    uint8_t* row = rowOf(mask, y);
    for (int32_t x = x0; x < x1; ++x) {
        const uint8_t bit = static_cast<uint8_t>(0x80 >> (x & 7));
        if (value != 0)
            row[x >> 3] |= bit;
        else
            row[x >> 3] &= static_cast<uint8_t>(~bit);
    }
}

} // namespace

void BeginSelectionGesture(DocumentState& doc, Host& host) {
    SaveForUndo(doc, host);
    FinishDraging(doc);
}

void GeometricSelection(DocumentState& doc, Host& host, int shape, SelectionMode mode, int32_t x0,
                        int32_t y0, int32_t x1, int32_t y1) {
    if (mode == SelectionMode::Replace)
        FillMask(doc, 0);
    const int32_t value = mode == SelectionMode::Subtract ? 0 : 1;
    if (shape == kShapeEllipse || shape == kShapeKreis)
        FilledEllipse(&doc.SelMask, x0, y0, x1, y1, value);
    else
        recht_filled(&doc.SelMask, x0, y0, x1, y1, value);
    UpdateSelddib(doc, host);
}

void FillPolygon(const TDibRecord& mask, const std::vector<TPoint>& points, int32_t value) {
    if (mask.Bits == nullptr || points.empty())
        return;
    const int32_t w = DibWidth(&mask), h = DibHeight(&mask);
    const size_t n = points.size();
    // interior: pixel centres at integer points, edges counted half-open in y
    int32_t top = points[0].Y, bottom = points[0].Y;
    for (const TPoint& p : points) {
        top = std::min(top, p.Y);
        bottom = std::max(bottom, p.Y);
    }
    top = std::max(top, 0);
    bottom = std::min(bottom, h - 1);
    std::vector<double> xs;
    for (int32_t y = top; y <= bottom; ++y) {
        xs.clear();
        for (size_t k = 0; k < n; ++k) {
            const TPoint& a = points[k];
            const TPoint& b = points[(k + 1) % n];
            if (a.Y == b.Y)
                continue;
            const int32_t lo = std::min(a.Y, b.Y), hi = std::max(a.Y, b.Y);
            if (y < lo || y >= hi)
                continue;
            xs.push_back(a.X + static_cast<double>(y - a.Y) * (b.X - a.X) / (b.Y - a.Y));
        }
        std::sort(xs.begin(), xs.end());
        for (size_t k = 0; k + 1 < xs.size(); k += 2) {
            const double l = std::max(std::ceil(xs[k]), 0.0);
            const double r = std::min(std::ceil(xs[k + 1]), static_cast<double>(w));
            if (r > l)
                maskSpan(mask, y, static_cast<int32_t>(l), static_cast<int32_t>(r), value);
        }
    }
    // outline: every edge, the closing one included
    for (size_t k = 0; k < n; ++k) {
        const TPoint& a = points[k];
        const TPoint& b = points[(k + 1) % n];
        line(&mask, a.X, a.Y, b.X, b.Y, value);
    }
}

void FreeSelection(DocumentState& doc, Host& host, const std::vector<TPoint>& points,
                   SelectionMode mode) {
    if (mode == SelectionMode::Replace)
        FillMask(doc, 0);
    FillPolygon(doc.SelMask, points, mode == SelectionMode::Subtract ? 0 : 1);
    UpdateSelddib(doc, host);
}

void MagicWand(DocumentState& doc, Host& host, int32_t x, int32_t y, int32_t tolerance,
               SelectionMode mode) {
    const int32_t m = mode == SelectionMode::Subtract ? 0 : 1;
    if (mode == SelectionMode::Replace)
        FillMask(doc, 0);
    const int32_t w = DibWidth(&doc.Dib), h = DibHeight(&doc.Dib);
    const int32_t bpp = DibBitsPerPixel(&doc.Dib);
    DibHolder copy, work;
    newdib_unfilled(&copy.get(), w, h, bpp, doc.Dib.Info, PaletteEntries(doc.Dib));
    newdib(&work.get(), w, h, 1, nullptr, 0);
    if (!copy.ok() || !work.ok()) {
        host.MessageBox(kTextNoMemory, "", MB_ICONSTOP);
        return;
    }
    CopyImagePixels(copy.get(), doc.Dib);
    const int32_t seed = getpixel(&copy.get(), x, y);
    const int32_t fillColour = seed != 0 ? 0 : DibColorCount(&doc.Dib) - 1;
    filldib(&copy.get(), x, y, fillColour, 0, tolerance, &doc.SelMask, 0, &work.get(),
            PICTORA_FILL_SOLID, 0, &doc.SelMask);
    // the reached pixels are those the fill changed
    const size_t rowBytes = (static_cast<size_t>(w) * static_cast<size_t>(bpp) + 7) / 8;
    for (int32_t j = 0; j < h; ++j) {
        const uint8_t* a = rowOf(doc.Dib, j);
        const uint8_t* b = rowOf(copy.get(), j);
        if (std::memcmp(a, b, rowBytes) == 0)
            continue;
        uint8_t* mrow = rowOf(doc.SelMask, j);
        for (int32_t i = 0; i < w; ++i) {
            bool differs;
            if (bpp == 24)
                differs = std::memcmp(a + 3 * static_cast<size_t>(i), b + 3 * static_cast<size_t>(i), 3) != 0;
            else if (bpp == 8)
                differs = a[i] != b[i];
            else
                differs = getpixel(&doc.Dib, i, j) != getpixel(&copy.get(), i, j);
            if (!differs)
                continue;
            const uint8_t bit = static_cast<uint8_t>(0x80 >> (i & 7));
            if (m != 0)
                mrow[i >> 3] |= bit;
            else
                mrow[i >> 3] &= static_cast<uint8_t>(~bit);
        }
    }
    UpdateSelddib(doc, host);
}

} // namespace pixorama
