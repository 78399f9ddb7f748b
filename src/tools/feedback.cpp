// XOR feedback of gestures and the marching ants.
#include "tools/feedback.h"

#include "document/dib.h"
#include "tools/brush.h"
#include "tools/mouse_dispatch.h"

#include <algorithm>

namespace pixorama {

namespace {

constexpr uint32_t kWhite = 0xFFFFFFFFu, kBlack = 0xFF000000u;

// Marks of the gesture's pixels in a 1-bit record covering dc; points are shifted by dc's
// corner so the raster library clips them.
void markGesture(const TDibRecord& marks, const DocumentState& doc, int typ, int cloneMode,
                 int32_t dx, int32_t dy) {
    const TPoint a{doc.AnchorPt.X - dx, doc.AnchorPt.Y - dy};
    const TPoint e{doc.DrawnPt.X - dx, doc.DrawnPt.Y - dy};
    switch (doc.MouseMode) {
    case kModeLine:
        // the end point itself stays untouched, as a line drawn to a point does not reach it
        line(&marks, a.X, a.Y, e.X, e.Y, 1);
        setpixel(&marks, e.X, e.Y, 0);
        break;
    case kModeShape:
    case kModeGeoSel: {
        const bool round = typ == 2 || typ == 3;
        // rectangle: corners a and e, right and bottom outside; ellipse: up to e - (1, 1)
        const int32_t ex = round ? e.X - 1 : e.X, ey = round ? e.Y - 1 : e.Y;
        const int32_t l = std::min(a.X, ex), r = std::max(a.X, ex);
        const int32_t t = std::min(a.Y, ey), b = std::max(a.Y, ey);
        if (r <= l || b <= t)
            break;
        if (round)
            ellipse(&marks, l, t, r - 1, b - 1, 1);
        else
            rechteck(&marks, l, t, r - 1, b - 1, 1);
        break;
    }
    case kModeStroke:
        if (doc.CloneStroke) {
            const TPoint c = CloneMarkerCentre(doc, cloneMode);
            const int32_t x = c.X - dx, y = c.Y - dy;
            line(&marks, x - 10, y - 10, x + 10, y + 10, 1);
            line(&marks, x + 10, y - 10, x - 10, y + 10, 1);
        }
        break;
    case kModeFreeSel:
        if (!doc.FreePoly.Lists.empty()) {
            const std::vector<TPoint>& p = doc.FreePoly.Lists[0];
            for (size_t k = 0; k + 1 < p.size(); ++k)
                line(&marks, p[k].X - dx, p[k].Y - dy, p[k + 1].X - dx, p[k + 1].Y - dy, 1);
            if (p.size() == 1)
                setpixel(&marks, p[0].X - dx, p[0].Y - dy, 1);
        }
        break;
    default:
        break;
    }
}

void fillBlock(DisplaySurface& dc, int32_t x0, int32_t y0, int32_t x1, int32_t y1,
               uint32_t colour) {
    x0 = std::max(x0, dc.left);
    y0 = std::max(y0, dc.top);
    x1 = std::min(x1, dc.left + dc.width);
    y1 = std::min(y1, dc.top + dc.height);
    if (x1 <= x0)
        return;
    for (int32_t y = y0; y < y1; ++y) {
        uint32_t* row = dc.pixels + static_cast<ptrdiff_t>(y - dc.top) * dc.stride - dc.left;
        std::fill(row + x0, row + x1, colour);
    }
}

} // namespace

bool HasGestureFeedback(const DocumentState& doc) {
    return doc.Tracking &&
           (doc.MouseMode == kModeLine || doc.MouseMode == kModeShape ||
            doc.MouseMode == kModeGeoSel || doc.MouseMode == kModeFreeSel ||
            (doc.MouseMode == kModeStroke && doc.CloneStroke));
}

void DrawGestureFeedback(DisplaySurface& dc, const DocumentState& doc, int typ, int cloneMode) {
    if (dc.pixels == nullptr || dc.width <= 0 || dc.height <= 0 || !HasGestureFeedback(doc))
        return;
    DibHolder marks;
    if (!newdib(&marks.get(), dc.width, dc.height, 1, nullptr, 0))
        return;
    markGesture(marks.get(), doc, typ, cloneMode, dc.left, dc.top);
    for (int32_t y = 0; y < dc.height; ++y) {
        const uint8_t* m = marks->Bits + static_cast<size_t>(dc.height - 1 - y) *
                                             static_cast<size_t>(marks->LineBytes);
        uint32_t* row = dc.pixels + static_cast<ptrdiff_t>(y) * dc.stride;
        for (int32_t x = 0; x < dc.width; ++x) {
            if ((x & 7) == 0 && m[x >> 3] == 0) {
                x += 7;
                continue;
            }
            if ((m[x >> 3] >> (7 - (x & 7))) & 1)
                row[x] ^= 0x00FFFFFFu;
        }
    }
}

void DrawSelection(DisplaySurface& dc, const DocumentState& doc) {
    if (dc.pixels == nullptr || !doc.HasSelection || doc.SelOutline.empty())
        return;
    const int zi = doc.ZoomIn, zo = doc.ZoomOut, p = doc.AntsPhase;
    const int32_t h = DibHeight(&doc.Dib);
    // image rows that can reach the surface
    const int32_t first = std::max<int32_t>(dc.top * zo / zi - 1, 0);
    const int32_t last = std::min<int32_t>((dc.top + dc.height) * zo / zi + 1, h - 1);
    if (last < first)
        return;
    size_t from = 0, to = doc.SelOutline.size();
    if (doc.SelOutlineRowStart.size() == static_cast<size_t>(h) + 1) {
        // points of row y are found while scanning rows y - 1 and y
        from = doc.SelOutlineRowStart[static_cast<size_t>(std::max(first - 1, 0))];
        to = doc.SelOutlineRowStart[static_cast<size_t>(last + 1)];
    }
    for (size_t k = from; k < to; ++k) {
        const TPoint& q = doc.SelOutline[k];
        if (q.Y < first || q.Y > last)
            continue;
        const int32_t sx = q.X * zi / zo, sy = q.Y * zi / zo;
        if (zi > 1) {
            const bool white = ((p + q.X) / 5 + (p + q.Y) / 5) % 2 == 1;
            fillBlock(dc, sx, sy, sx + zi, sy + zi, white ? kWhite : kBlack);
        } else {
            if (sx < dc.left || sy < dc.top || sx >= dc.left + dc.width ||
                sy >= dc.top + dc.height)
                continue;
            const bool white = ((p + sx) / 5 + sy / 5) % 2 == 1;
            dc.pixels[static_cast<ptrdiff_t>(sy - dc.top) * dc.stride + (sx - dc.left)] =
                white ? kWhite : kBlack;
        }
    }
}

bool Timer1Timer(DocumentState& doc) {
    if (!doc.HasSelection || doc.Tracking)
        return false;
    doc.AntsPhase = doc.AntsPhase + 1 == 10 ? 0 : doc.AntsPhase + 1;
    return true;
}

} // namespace pixorama
