// Lift, move, drop, detach and merge of the floating piece.
#include "tools/floating.h"

#include "document/dib.h"
#include "document/selection.h"
#include "document/zoom.h"

#include <algorithm>
#include <cstring>

namespace pixorama {

namespace {

int32_t toImage(const DocumentState& doc, int32_t v) {
    return v * doc.ZoomOut / doc.ZoomIn;
}
int32_t toScreen(const DocumentState& doc, int32_t v) {
    return v * doc.ZoomIn / doc.ZoomOut;
}

uint8_t* rowOf(const TDibRecord& d, int32_t y) {
    return d.Bits + static_cast<size_t>(DibHeight(&d) - 1 - y) * static_cast<size_t>(d.LineBytes);
}

// The piece record and its 1-bit shape, sized to the selection's box.
bool makePieceRecords(const DocumentState& doc, TDibRecord& piece, TDibRecord& mask) {
    const TRect& r = doc.SelRect;
    const int32_t w = r.Right - r.Left + 1, h = r.Bottom - r.Top + 1;
    std::memset(&piece, 0, sizeof(piece));
    std::memset(&mask, 0, sizeof(mask));
    newdib(&piece, w, h, DibBitsPerPixel(&doc.Dib), doc.Dib.Info, PaletteEntries(doc.Dib));
    if (piece.Bits == nullptr)
        return false;
    newdib(&mask, w, h, 1, nullptr, 0);
    if (mask.Bits == nullptr) {
        deldib(&piece);
        return false;
    }
    return true;
}

// Copies the selected pixels of the selection's box into the piece and the mask values into
// its shape; lift also leaves BackColor where the pixels were.
void copySelection(DocumentState& doc, TDibRecord& piece, TDibRecord& mask, bool lift) {
    const TRect& r = doc.SelRect;
    for (int32_t y = r.Top; y <= r.Bottom; ++y)
        for (int32_t x = r.Left; x <= r.Right; ++x) {
            const int32_t m = getpixel(&doc.SelMask, x, y);
            if (m == 1) {
                setpixel(&piece, x - r.Left, y - r.Top, getpixel(&doc.Dib, x, y));
                if (lift)
                    setpixel(&doc.Dib, x, y, doc.BackColor);
            }
            setpixel(&mask, x - r.Left, y - r.Top, m);
        }
}

// The piece and its shape cut from the selection's box (lift leaves the BackColor hole);
// false with the shortage message when they cannot be made.
bool cutPiece(DocumentState& doc, Host& host, TDibRecord& piece, TDibRecord& mask, bool lift) {
    if (!makePieceRecords(doc, piece, mask)) {
        host.MessageBox(kTextNoMemory, "", MB_ICONSTOP);
        return false;
    }
    copySelection(doc, piece, mask, lift);
    return true;
}

// A copy of the image's pixels for FloatBackground; without pixels when memory is short.
TDibRecord copyOfImage(const DocumentState& doc) {
    TDibRecord background;
    std::memset(&background, 0, sizeof(background));
    newdib_unfilled(&background, DibWidth(&doc.Dib), DibHeight(&doc.Dib),
                    DibBitsPerPixel(&doc.Dib), doc.Dib.Info, PaletteEntries(doc.Dib));
    CopyImagePixels(background, doc.Dib);
    return background;
}

bool selectionBoxValid(const DocumentState& doc) {
    return doc.SelRect.Right >= doc.SelRect.Left && doc.SelRect.Bottom >= doc.SelRect.Top;
}

// The part of the image a piece at (ox, oy) covers; empty when it lies outside.
TRect pieceRect(const DocumentState& doc, int32_t ox, int32_t oy) {
    const int64_t l = std::max<int64_t>(ox, 0), t = std::max<int64_t>(oy, 0);
    const int64_t r = std::min<int64_t>(int64_t{ox} + DibWidth(&doc.FloatDib),
                                        DibWidth(&doc.Dib)) - 1;
    const int64_t b = std::min<int64_t>(int64_t{oy} + DibHeight(&doc.FloatDib),
                                        DibHeight(&doc.Dib)) - 1;
    if (r < l || b < t)
        return {0, 0, -1, -1};
    return {static_cast<int32_t>(l), static_cast<int32_t>(t), static_cast<int32_t>(r),
            static_cast<int32_t>(b)};
}

// Dib := FloatBackground, in the rectangle only (whole bytes of each row).
void restoreRect(DocumentState& doc, const TRect& r) {
    if (r.Right < r.Left || r.Bottom < r.Top)
        return;
    const int32_t bpp = DibBitsPerPixel(&doc.Dib);
    const size_t from = static_cast<size_t>(r.Left) * static_cast<size_t>(bpp) / 8;
    const size_t to = (static_cast<size_t>(r.Right) + 1) * static_cast<size_t>(bpp) / 8 +
                      ((static_cast<size_t>(r.Right) + 1) * static_cast<size_t>(bpp) % 8 != 0);
    for (int32_t y = r.Top; y <= r.Bottom; ++y)
        std::memcpy(rowOf(doc.Dib, y) + from, rowOf(doc.FloatBackground, y) + from, to - from);
}

// Dib := FloatBackground before the piece is laid again: the whole image, or only where the
// moving piece was laid last time.
void restoreBackground(DocumentState& doc) {
    if (doc.FloatDrawnValid)
        restoreRect(doc, doc.FloatDrawn);
    else
        CopyImagePixels(doc.Dib, doc.FloatBackground);
}

// A piece that turns transparent pixels into holes needs a shape to keep them in.
void ensureFloatMask(DocumentState& doc) {
    if (doc.FloatHasMask)
        return;
    TDibRecord m;
    newdib(&m, DibWidth(&doc.FloatDib), DibHeight(&doc.FloatDib), 1, nullptr, 0);
    if (m.Bits == nullptr)
        return;
    std::memset(m.Bits, 0xFF, static_cast<size_t>(m.LineBytes) * static_cast<size_t>(DibHeight(&m)));
    deldib(&doc.FloatMask);
    doc.FloatMask = m;
    doc.FloatHasMask = true;
}

// Opaque piece rows of 8- and 24-bit images, copied a row span at a time.
void layOpaqueBytes(DocumentState& doc, int32_t ox, int32_t oy, bool useMask) {
    const TRect r = pieceRect(doc, ox, oy);
    if (r.Right < r.Left)
        return;
    const size_t bytes = DibBitsPerPixel(&doc.Dib) / 8;
    for (int32_t y = r.Top; y <= r.Bottom; ++y) {
        const int32_t j = y - oy;
        const uint8_t* src = rowOf(doc.FloatDib, j);
        uint8_t* dst = rowOf(doc.Dib, y);
        const int32_t i0 = r.Left - ox, i1 = r.Right - ox;
        if (!useMask) {
            std::memcpy(dst + static_cast<size_t>(r.Left) * bytes, src + static_cast<size_t>(i0) * bytes,
                        static_cast<size_t>(i1 - i0 + 1) * bytes);
            continue;
        }
        const uint8_t* m = rowOf(doc.FloatMask, j);
        for (int32_t i = i0; i <= i1; ++i) {
            if (!((m[i >> 3] >> (7 - (i & 7))) & 1))
                continue;
            std::memcpy(dst + static_cast<size_t>(ox + i) * bytes, src + static_cast<size_t>(i) * bytes,
                        bytes);
        }
    }
}

} // namespace

void LayFloatPiece(DocumentState& doc, int32_t ox, int32_t oy, bool draw, bool mark) {
    const TDibRecord& p = doc.FloatDib;
    if (p.Bits == nullptr || doc.Dib.Bits == nullptr)
        return;
    const int32_t pw = DibWidth(&p), ph = DibHeight(&p);
    if (doc.FloatTransparent && mark)
        ensureFloatMask(doc);
    const bool hasMask = doc.FloatHasMask && doc.FloatMask.Bits != nullptr;
    auto inPiece = [&](int32_t i, int32_t j) {
        return !hasMask || getpixel(&doc.FloatMask, i, j) == 1;
    };
    if (doc.FloatTransparent) {
        for (int32_t i = 0; i < pw; ++i)
            for (int32_t j = 0; j < ph; ++j) {
                if (!inPiece(i, j))
                    continue;
                const int32_t c = getpixel(&p, i, j);
                if (c != doc.BackColor) {
                    setpixel(&doc.Dib, ox + i, oy + j, c);
                    if (mark)
                        setpixel(&doc.SelMask, ox + i, oy + j, 1);
                } else if (mark) {
                    setpixel(&doc.SelMask, ox + i, oy + j, 0);
                    setpixel(&doc.FloatMask, i, j, 0);
                }
            }
        if (mark)
            doc.FloatTransparent = false;
        return;
    }
    if (draw) {
        const int32_t bpp = DibBitsPerPixel(&doc.Dib);
        if (bpp == 8 || bpp == 24) {
            layOpaqueBytes(doc, ox, oy, hasMask);
        } else {
            for (int32_t i = 0; i < pw; ++i)
                for (int32_t j = 0; j < ph; ++j)
                    if (inPiece(i, j))
                        setpixel(&doc.Dib, ox + i, oy + j, getpixel(&p, i, j));
        }
    }
    if (mark)
        for (int32_t i = 0; i < pw; ++i)
            for (int32_t j = 0; j < ph; ++j)
                if (inPiece(i, j))
                    setpixel(&doc.SelMask, ox + i, oy + j, 1);
}

void DrawDragedDib(DocumentState& doc, int32_t x, int32_t y, bool draw, bool mark) {
    LayFloatPiece(doc, toImage(doc, x), toImage(doc, y), draw, mark);
}

bool InitDraging(DocumentState& doc, Host& host, MouseView& view, const TDibRecord& piece,
                 const TDibRecord& mask, bool hasMask, bool transparent, int mode,
                 bool resetOffset) {
    if (resetOffset)
        doc.DragOffset = {0, 0};
    FinishDraging(doc);
    const TDibRecord background = copyOfImage(doc);
    if (background.Bits == nullptr) {
        TDibRecord p = piece, m = mask;
        deldib(&p);
        if (hasMask)
            deldib(&m);
        host.MessageBox(kTextNoMemory, "", MB_ICONSTOP);
        return false;
    }
    DropFloating(doc); // records of an earlier move that never floated
    doc.FloatBackground = background;
    doc.MouseMode = mode;
    doc.Tracking = true;
    if (!doc.CaptureTaken)
        doc.CaptureTaken = view.TakeCapture();
    doc.FloatTransparent = transparent;
    doc.FloatDib = piece;
    doc.FloatHasMask = hasMask;
    if (hasMask)
        doc.FloatMask = mask;
    FillMask(doc, 0);
    doc.HasSelection = false;
    doc.FloatDrawnValid = false;
    return true;
}

void StartMoveSelection(DocumentState& doc, Host& host, MouseView& view, int32_t X, int32_t Y) {
    if (!doc.Floating) {
        if (!selectionBoxValid(doc))
            return;
        TDibRecord piece, mask;
        if (!cutPiece(doc, host, piece, mask, true))
            return;
        doc.DragOffset = {toScreen(doc, doc.SelRect.Left) - X, toScreen(doc, doc.SelRect.Top) - Y};
        if (!InitDraging(doc, host, view, piece, mask, true, false, kModeMoving, false))
            return;
    } else {
        RefreshFloatDib(doc);
        doc.MouseMode = kModeMoving;
        doc.Tracking = true;
        doc.CurPt = {X, Y};
        doc.DragOffset = {toScreen(doc, doc.FloatPos.X) - X, toScreen(doc, doc.FloatPos.Y) - Y};
        if (!doc.CaptureTaken)
            doc.CaptureTaken = view.TakeCapture();
        FillMask(doc, 0);
        doc.HasSelection = false;
        doc.FloatDrawnValid = false;
    }
    MoveFloatPreview(doc, view, X, Y);
}

void MoveFloatPreview(DocumentState& doc, MouseView& view, int32_t X, int32_t Y) {
    restoreBackground(doc);
    const int32_t ox = toImage(doc, doc.DragOffset.X + X);
    const int32_t oy = toImage(doc, doc.DragOffset.Y + Y);
    LayFloatPiece(doc, ox, oy, true, false);
    doc.FloatDrawn = pieceRect(doc, ox, oy);
    doc.FloatDrawnValid = true;
    view.Repaint();
}

void DropFloat(DocumentState& doc, Host& host, MouseView& view, int32_t X, int32_t Y) {
    doc.MouseMode = 0;
    doc.Tracking = false;
    if (doc.CaptureTaken) {
        view.ReleaseCapture();
        doc.CaptureTaken = false;
    }
    restoreBackground(doc);
    const int32_t ox = toImage(doc, doc.DragOffset.X + X);
    const int32_t oy = toImage(doc, doc.DragOffset.Y + Y);
    LayFloatPiece(doc, ox, oy, true, true);
    doc.FloatPos = {ox, oy};
    doc.FloatDrawnValid = false;
    UpdateSelddib(doc, host);
    doc.Floating = true;
    // the menus were refreshed by the outline before the piece counted as floating
    host.UpdateMenuItems();
    view.Repaint();
}

void RefreshFloatDib(DocumentState& doc) {
    const TDibRecord& p = doc.FloatDib;
    const int32_t pw = DibWidth(&p), ph = DibHeight(&p);
    const int32_t L = doc.FloatPos.X, T = doc.FloatPos.Y;
    for (int32_t i = 0; i < pw; ++i)
        for (int32_t j = 0; j < ph; ++j)
            if (getpixel(&doc.SelMask, L + i, T + j) == 1)
                setpixel(&p, i, j, getpixel(&doc.Dib, L + i, T + j));
}

void MakeSelectionDragable(DocumentState& doc, Host& host) {
    if (doc.Floating || !selectionBoxValid(doc)) {
        host.MessageBox(kTextNoMemory, "", MB_ICONSTOP);
        return;
    }
    TDibRecord piece, mask;
    if (!cutPiece(doc, host, piece, mask, false))
        return;
    const TDibRecord background = copyOfImage(doc);
    if (background.Bits == nullptr) {
        deldib(&piece);
        deldib(&mask);
        host.MessageBox(kTextNoMemory, "", MB_ICONSTOP);
        return;
    }
    DropFloating(doc);
    doc.FloatBackground = background;
    doc.FloatTransparent = false;
    doc.FloatDib = piece;
    doc.FloatMask = mask;
    doc.FloatHasMask = true;
    doc.Floating = true;
    doc.FloatPos = {doc.SelRect.Left, doc.SelRect.Top};
}

} // namespace pixorama
