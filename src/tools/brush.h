// The brush engine: a stroke segment of dabs along a digital line, with the brush's shape,
// its hardness falloff, density and transparency, and the four modes (plain brush, clone,
// replace, retouch) that decide which pixels of a dab take which colour.
#pragma once

#include "document/document_state.h"
#include "document/host.h"
#include "tools/mouse_view.h"

#include <cstdint>
#include <vector>

namespace pixorama {

// The brush's parameters, read from the options panel each time a segment is laid.
struct TBrushParams {
    int32_t Size = 7, Hard = 50, Dens = 100, Opacity = 0, Tol = 25;
    int Form = 1, CloneMode = 0, RetouchMode = 0;
};
TBrushParams BrushParamsOf(const TToolOptions& o);

// Dab extent of size S: offsets lo..hi on each axis, S of them.
struct TDabExtent {
    int32_t Lo = 0, Hi = 0;
};
TDabExtent DabExtent(int32_t size);

// The brush's S x S shape (true = inside) and, for 24-bit images with S > 3, its falloff map
// (how much of the old pixel survives, 0..100; empty otherwise).  Both are built once per
// segment.
struct TBrushDab {
    int32_t Size = 1;
    TDabExtent Extent;
    std::vector<uint8_t> Shape; // S * S, row by row, 1 = inside
    std::vector<uint8_t> Map;   // S * S or empty
    bool inside(int32_t dx, int32_t dy) const {
        return Shape[static_cast<size_t>(dy) * static_cast<size_t>(Size) + static_cast<size_t>(dx)] != 0;
    }
};
// False (nothing to paint) when the shape cannot be made.
bool MakeBrushDab(TBrushDab& dab, const TBrushParams& p, int32_t bitsPerPixel);

// One segment of a stroke from (x0, y0) to (x1, y1) in image points: a dab at every point of the
// digital line, both ends included, laid from (x0, y0) on.
void BrushLine(DocumentState& doc, Host& host, const TBrushParams& p, int32_t x0, int32_t y0,
               int32_t x1, int32_t y1, int32_t colour);

// The points BrushLine lays dabs on, in the order it lays them.
std::vector<TPoint> BrushLinePoints(int32_t x0, int32_t y0, int32_t x1, int32_t y1);

// One dab centred on (x, y); (sx, sy) is the segment's first point.
void SetBrushPixel(DocumentState& doc, Host& host, const TBrushParams& p, const TBrushDab& dab,
                   int32_t x, int32_t y, int32_t sx, int32_t sy, int32_t colour);

// Clone marker: the centre of its cross in screen points, from the document's clone state and
// the latest mouse point.
TPoint CloneMarkerCentre(const DocumentState& doc, int cloneMode);

} // namespace pixorama
