// Copy, cut, delete and the pastes, on the document and a ClipboardContent.
#include "tools/clipboard.h"

#include "document/dib.h"
#include "document/selection.h"
#include "document/undo.h"
#include "tools/floating.h"

#include <algorithm>
#include <cstring>

namespace pixorama {

namespace {

uint8_t* rowOf(const TDibRecord& d, int32_t y) {
    return d.Bits + static_cast<size_t>(DibHeight(&d) - 1 - y) * static_cast<size_t>(d.LineBytes);
}

// The message of a failed read of the clipboard; true when the result is usable.
bool reportBlock(BlockResult r, Host& host) {
    if (r == BlockResult::Ok)
        return true;
    host.MessageBox(r == BlockResult::NoMemory ? kTextNoMemory : kTextBadClipboard, "",
                    MB_ICONSTOP);
    return false;
}

// Every selected pixel of the box becomes BackColor.
void clearSelected(DocumentState& doc) {
    const TDibRecord& dib = doc.Dib;
    const int32_t W = DibWidth(&dib), H = DibHeight(&dib), bpp = DibBitsPerPixel(&dib);
    const TRect& s = doc.SelRect;
    const int32_t l = std::max(s.Left, 0), t = std::max(s.Top, 0);
    const int32_t r = std::min(s.Right, W - 1), b = std::min(s.Bottom, H - 1);
    const uint8_t bgr[3] = {static_cast<uint8_t>(doc.BackColor >> 16),
                            static_cast<uint8_t>(doc.BackColor >> 8),
                            static_cast<uint8_t>(doc.BackColor)};
    for (int32_t y = t; y <= b; ++y) {
        const uint8_t* m = rowOf(doc.SelMask, y);
        uint8_t* row = rowOf(dib, y);
        for (int32_t x = l; x <= r; ++x) {
            if (!((m[x >> 3] >> (7 - (x & 7))) & 1))
                continue;
            if (bpp == 24)
                std::memcpy(row + static_cast<size_t>(x) * 3, bgr, 3);
            else
                setpixel(&dib, x, y, doc.BackColor);
        }
    }
}

} // namespace

bool CopyToClipboard(DocumentState& doc, Host& host, ClipboardContent& clip) {
    if (doc.Dib.Bits == nullptr)
        return false;
    if (BuildCopyBlocks(doc, clip))
        return true;
    host.MessageBox(kTextNoMemory, "", MB_ICONSTOP);
    return false;
}

void DeleteSelection(DocumentState& doc, Host& host, MouseView& view) {
    if (doc.Dib.Bits == nullptr)
        return;
    SaveForUndo(doc, host);
    const bool piece = doc.Floating || doc.FloatDib.Bits != nullptr;
    if (piece && doc.FloatBackground.Bits != nullptr) {
        // the piece goes, and with it the part of the image it covered comes back
        CopyImagePixels(doc.Dib, doc.FloatBackground);
        FillMask(doc, 0);
        doc.HasSelection = false;
        DropFloating(doc);
        if (doc.MouseMode == kModeMoving || doc.MouseMode == kModePlacing) {
            // a piece still moving or waiting for its click ends with it
            doc.MouseMode = 0;
            doc.Tracking = false;
            if (doc.CaptureTaken) {
                view.ReleaseCapture();
                doc.CaptureTaken = false;
            }
        }
    } else if (!doc.HasSelection) {
        doc.SelRect = {0, 0, DibWidth(&doc.Dib) - 1, DibHeight(&doc.Dib) - 1};
        recht_filled(&doc.Dib, 0, 0, DibWidth(&doc.Dib) - 1, DibHeight(&doc.Dib) - 1,
                     doc.BackColor);
    } else {
        clearSelected(doc);
    }
    host.UpdateMenuItems();
    host.Updatehistogramm();
    view.Repaint();
}

bool CutToClipboard(DocumentState& doc, Host& host, MouseView& view, ClipboardContent& clip) {
    if (!CopyToClipboard(doc, host, clip))
        return false;
    DeleteSelection(doc, host, view);
    return true;
}

bool PasteAsNewImage(const ClipboardContent& clip, Host& host, TDibRecord& out) {
    if (!clip.HasImage()) {
        std::memset(&out, 0, sizeof(out));
        return false;
    }
    return reportBlock(DecodeClipboardImage(clip, out), host);
}

bool PasteAlsAuswahl(DocumentState& doc, Host& host, MouseView& view, const ClipboardContent& clip,
                     bool transparent) {
    if (doc.Dib.Bits == nullptr || !clip.HasImage())
        return false;
    DibHolder source;
    if (!reportBlock(DecodeClipboardImage(clip, source.get()), host))
        return false;
    DibHolder mask;
    bool hasMask = false;
    if (clip.Selection && clip.Dib) {
        const BlockResult r = ParseSelectionBlock(clip.Selection->data(), clip.Selection->size(),
                                                  mask.get());
        // a shape of another size than the image would be read beyond its rows
        if (r == BlockResult::Bad || (r == BlockResult::Ok &&
                                      (DibWidth(&mask.get()) != DibWidth(&source.get()) ||
                                       DibHeight(&mask.get()) != DibHeight(&source.get())))) {
            host.MessageBox(kTextBadClipboard, "", MB_ICONSTOP);
            return false;
        }
        // without memory for the shape the piece is pasted as a rectangle
        hasMask = r == BlockResult::Ok;
    }
    if (DibBitsPerPixel(&source.get()) != DibBitsPerPixel(&doc.Dib) &&
        !MakeCompatibleDib(doc.Dib, source.get())) {
        // a piece of another depth cannot be laid into the image
        host.MessageBox(kTextNoMemory, "", MB_ICONSTOP);
        return false;
    }
    SaveForUndo(doc, host);
    // InitDraging owns piece and mask from here, also when it fails
    const TDibRecord shape = hasMask ? mask.release() : TDibRecord{};
    const bool ok = InitDraging(doc, host, view, source.release(), shape, hasMask, transparent,
                                kModePlacing, true);
    host.UpdateMenuItems();
    view.Repaint();
    return ok;
}

} // namespace pixorama
