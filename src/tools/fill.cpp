// Fill tool and the pattern conversion.
#include "tools/fill.h"

#include "colour/hsl.h"
#include "document/dib.h"
#include "document/undo.h"

namespace pixorama {

TDibRecord MakePatternCompatible(const TDibRecord& I, const TDibRecord& Q) {
    const int32_t qbpp = DibBitsPerPixel(&Q), ibpp = DibBitsPerPixel(&I);
    TDibRecord R{};
    if (Q.Bits == nullptr || I.Bits == nullptr)
        return R;
    if (qbpp == ibpp && qbpp > 8) {
        newdib_unfilled(&R, DibWidth(&Q), DibHeight(&Q), qbpp, nullptr, 0);
        CopyImagePixels(R, Q);
        return R;
    }
    newdib(&R, DibWidth(&Q), DibHeight(&Q), ibpp, I.Info, PaletteEntries(I));
    if (R.Bits == nullptr)
        return R;
    const bool iPalette = DibColorCount(&I) <= 256, qPalette = DibColorCount(&Q) <= 256;
    for (int32_t y = 0; y < DibHeight(&Q); ++y)
        for (int32_t x = 0; x < DibWidth(&Q); ++x) {
            const int32_t v = getpixel(&Q, x, y);
            int32_t rgb = v; // a 24-bit pixel is its colour
            if (qPalette) {
                const TRGBQuad& q = Q.Info->bmiColors[v & 0xFF];
                rgb = q.rgbRed | (q.rgbGreen << 8) | (q.rgbBlue << 16);
            }
            setpixel(&R, x, y,
                     iPalette ? static_cast<int32_t>(GetNearestPaletteIndex(
                                    I.PaletteHandle, static_cast<uint32_t>(rgb)))
                              : rgb);
        }
    return R;
}

bool FillAt(DocumentState& doc, Host& host, const TFillParams& p, const TDibRecord* pattern,
            int32_t x, int32_t y) {
    const bool usePattern = p.Style == PICTORA_FILL_PATTERN;
    if (usePattern && (pattern == nullptr || pattern->Bits == nullptr)) {
        host.MessageBox(kTextChoosePatternFirst, "", MB_ICONSTOP);
        return false;
    }
    DibHolder P;
    if (usePattern) {
        P.get() = MakePatternCompatible(doc.Dib, *pattern);
        if (!P.ok()) {
            host.MessageBox(kTextNoMemory, "", MB_ICONSTOP);
            return false;
        }
    }
    DibHolder K;
    newdib(&K.get(), DibWidth(&doc.Dib), DibHeight(&doc.Dib), 1, nullptr, 0);
    if (!K.ok()) {
        host.MessageBox(kTextNoMemory, "", MB_ICONSTOP);
        return false;
    }
    SaveForUndo(doc, host);
    filldib(&doc.Dib, x, y, doc.PaintColor, doc.OtherColor, p.Tol, &doc.SelMask,
            doc.HasSelection ? 1 : 0, &K.get(), p.Style, p.Direction, &P.get());
    return true;
}

} // namespace pixorama
