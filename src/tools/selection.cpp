// Selection outline, the three selection commands and the geometric selection.
#include "tools/selection.h"

#include "document/undo.h"
#include "ops/rows.h"

#include <cstring>
#include <new>

namespace pixorama {

namespace {

// A placed floating piece is already drawn into the image: merging only ends it.
void mergeFloating(DocumentState& doc) {
    if (doc.Floating)
        DropFloating(doc);
}

void fillMask(DocumentState& doc, uint8_t value) {
    if (doc.SelMask.Bits != nullptr && doc.SelMask.Info != nullptr)
        std::memset(doc.SelMask.Bits, value, doc.SelMask.Info->bmiHeader.biSizeImage);
}

} // namespace

void AddOutlinePoint(DocumentState& doc, Host& host, int32_t x, int32_t y) {
    if (x < 0 || y < 0 || x >= DibWidth(&doc.Dib) || y >= DibHeight(&doc.Dib))
        return;
    try {
        doc.SelOutline.push_back({x, y});
    } catch (const std::bad_alloc&) {
        host.MessageBox("Exception in UpdateSelection add point", "dd", MB_OK);
        return;
    }
    TRect& r = doc.SelRect;
    if (x < r.Left)
        r.Left = x;
    if (y < r.Top)
        r.Top = y;
    if (x > r.Right)
        r.Right = x;
    if (y > r.Bottom)
        r.Bottom = y;
    doc.HasSelection = true;
}

void UpdateSelddib(DocumentState& doc, Host& host) {
    doc.SelOutline.clear();
    doc.AntsPhase = 0;
    const int32_t w = DibWidth(&doc.Dib), h = DibHeight(&doc.Dib);
    doc.SelRect = {w - 1, h - 1, 0, 0};
    doc.HasSelection = false;
    if (ops::HasPixels(doc.Dib) && ops::MaskFitsImage(doc)) {
        for (int32_t i = 0; i < h; ++i) {
            const uint8_t* cur = ops::ImageRow(doc.SelMask, i);
            const uint8_t* below = i + 1 < h ? ops::ImageRow(doc.SelMask, i + 1) : nullptr;
            const bool borderRow = i == 0 || i == h - 1;
            for (int32_t j = 0; j < w; ++j) {
                // eight pixels with nothing selected here, below or just to the right add nothing
                if ((j & 7) == 0 && cur[j >> 3] == 0 && (below == nullptr || below[j >> 3] == 0) &&
                    (j + 8 >= w || !ops::MaskBit(cur, j + 8))) {
                    j += 7;
                    continue;
                }
                const int v = ops::MaskBit(cur, j);
                if (borderRow || j == 0 || j == w - 1) {
                    if (v == 1)
                        AddOutlinePoint(doc, host, j, i);
                    continue;
                }
                const int r = ops::MaskBit(cur, j + 1);
                if (v == 0 && r == 1)
                    AddOutlinePoint(doc, host, j + 1, i);
                else if (v == 1 && r == 0)
                    AddOutlinePoint(doc, host, j, i);
                const int b = ops::MaskBit(below, j);
                if (v == 0 && b == 1)
                    AddOutlinePoint(doc, host, j, i + 1);
                else if (v == 1 && b == 0)
                    AddOutlinePoint(doc, host, j, i);
            }
        }
    }
    host.UpdateMenuItems();
}

void SelectAll(DocumentState& doc, Host& host) {
    SaveForUndo(doc, host);
    mergeFloating(doc);
    fillMask(doc, 0xFF);
    UpdateSelddib(doc, host);
}

void SelectNone(DocumentState& doc, Host& host) {
    SaveForUndo(doc, host);
    mergeFloating(doc);
    fillMask(doc, 0);
    doc.HasSelection = false;
    host.UpdateMenuItems();
}

void InvertSelection(DocumentState& doc, Host& host) {
    SaveForUndo(doc, host);
    mergeFloating(doc);
    if (doc.SelMask.Bits != nullptr && doc.SelMask.Info != nullptr) {
        uint8_t* p = doc.SelMask.Bits;
        const size_t n = doc.SelMask.Info->bmiHeader.biSizeImage;
        for (size_t k = 0; k < n; ++k)
            p[k] = static_cast<uint8_t>(~p[k]);
    }
    UpdateSelddib(doc, host);
}

void BeginSelectionGesture(DocumentState& doc, Host& host) {
    SaveForUndo(doc, host);
    mergeFloating(doc);
}

void GeometricSelection(DocumentState& doc, Host& host, int shape, SelectionMode mode, int32_t x0,
                        int32_t y0, int32_t x1, int32_t y1) {
    if (mode == SelectionMode::Replace)
        fillMask(doc, 0);
    const int32_t value = mode == SelectionMode::Subtract ? 0 : 1;
    if (shape == kShapeEllipse || shape == kShapeKreis)
        FilledEllipse(&doc.SelMask, x0, y0, x1, y1, value);
    else
        recht_filled(&doc.SelMask, x0, y0, x1, y1, value);
    UpdateSelddib(doc, host);
}

} // namespace pixorama
