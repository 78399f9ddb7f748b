// Small hand-made images for the operation tests.
#pragma once

#include "document/dib.h"
#include "document/document_state.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

namespace pixorama::testing {

// A 24-bit image whose pixel (x, y) is f(x, y) as 0xBBGGRR (the pixel value convention).
inline TDibRecord Make24(int32_t w, int32_t h, const std::function<int32_t(int32_t, int32_t)>& f) {
    TDibRecord d;
    newdib(&d, w, h, 24, nullptr, 0);
    for (int32_t y = 0; y < h && d.Bits; ++y)
        for (int32_t x = 0; x < w; ++x)
            setpixel(&d, x, y, f(x, y));
    return d;
}

inline int32_t Rgb(int32_t r, int32_t g, int32_t b) {
    return r | (g << 8) | (b << 16);
}
inline int32_t RedOf(int32_t v) {
    return v & 255;
}
inline int32_t GreenOf(int32_t v) {
    return (v >> 8) & 255;
}
inline int32_t BlueOf(int32_t v) {
    return (v >> 16) & 255;
}

// A palette image of bpp bits with the given colours (0xRRGGBB, the rest of the table black)
// and pixel (x, y) = index(x, y).
inline TDibRecord MakePalette(int bpp, const std::vector<uint32_t>& colours,
                              const std::function<int32_t(int32_t, int32_t)>& index, int32_t w = 5,
                              int32_t h = 3) {
    TDibRecord d;
    newdib(&d, w, h, bpp, nullptr, 0);
    if (d.Bits == nullptr)
        return d;
    const int n = DibColorCount(&d);
    for (int i = 0; i < n; ++i)
        SetPaletteColor(d, i,
                        i < static_cast<int>(colours.size()) ? colours[static_cast<size_t>(i)] : 0);
    DibUpdatePaletteHandle(&d);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            setpixel(&d, x, y, index(x, y));
    return d;
}

inline void Attach(DocumentState& doc, const TDibRecord& d) {
    ASSERT_TRUE(AttachImage(doc, d));
}

inline std::vector<uint8_t> PixelBytes(const TDibRecord& d) {
    return std::vector<uint8_t>(d.Bits, d.Bits + d.Info->bmiHeader.biSizeImage);
}

// Palette entry i as 0xRRGGBB, checked against the colour table.
inline uint32_t PaletteColour(const TDibRecord& d, int i) {
    const TPaletteEntry& e = d.Palette.palPalEntry[i];
    const TRGBQuad& q = d.Info->bmiColors[i];
    EXPECT_EQ(e.peRed, q.rgbRed) << "entry " << i;
    EXPECT_EQ(e.peGreen, q.rgbGreen) << "entry " << i;
    EXPECT_EQ(e.peBlue, q.rgbBlue) << "entry " << i;
    return (uint32_t(e.peRed) << 16) | (uint32_t(e.peGreen) << 8) | e.peBlue;
}

// Marks the rectangle (inclusive) as the selection.
inline void SelectRect(DocumentState& doc, int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    std::memset(doc.SelMask.Bits, 0, doc.SelMask.Info->bmiHeader.biSizeImage);
    recht_filled(&doc.SelMask, x0, y0, x1, y1, 1);
    doc.HasSelection = true;
}

struct AllocLimit {
    explicit AllocLimit(uint64_t bytes) { PictoraSetAllocLimit(bytes); }
    ~AllocLimit() { PictoraSetAllocLimit(0); }
};

} // namespace pixorama::testing
