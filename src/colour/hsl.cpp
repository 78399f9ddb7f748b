// HSL conversion, pixel colours and the colour field.
#include "colour/hsl.h"

#include <algorithm>

namespace pixorama {

namespace {

int32_t limit255(int32_t v) {
    return std::clamp(v, 0, 255);
}

} // namespace

void HslToRgb(int32_t h, int32_t s, int32_t l, int32_t& R, int32_t& G, int32_t& B) {
    h = limit255(h);
    s = limit255(s);
    l = limit255(l);
    const int32_t hh = h * 1535 / 255;
    int32_t c[3];
    if (hh <= 255) {
        c[0] = 255, c[1] = hh, c[2] = 0;
    } else if (hh <= 511) {
        c[0] = 511 - hh, c[1] = 255, c[2] = 0;
    } else if (hh <= 767) {
        c[0] = 0, c[1] = 255, c[2] = hh - 512;
    } else if (hh <= 1023) {
        c[0] = 0, c[1] = 1023 - hh, c[2] = 255;
    } else if (hh <= 1279) {
        c[0] = hh - 1024, c[1] = 0, c[2] = 255;
    } else {
        c[0] = 255, c[1] = 0, c[2] = 1535 - hh;
    }
    for (int32_t& v : c) {
        v = (v * s + (255 - s) * 128) / 255;
        // every product below is non-negative, so the shifts are plain divisions by 128
        if (l > 127)
            v = v + ((255 - v) * (l - 127) >> 7);
        else if (l < 127)
            v = v - ((127 - l) * v >> 7);
    }
    R = c[0], G = c[1], B = c[2];
}

TRgb PixelToRgb(const DocumentState& doc, int32_t v) {
    TRgb c;
    if (doc.Dib.Info == nullptr)
        return c;
    if (DibColorCount(&doc.Dib) <= 256) {
        if (v < 0 || v > 255)
            return c;
        const TPaletteEntry& e = doc.Dib.Palette.palPalEntry[v];
        c.R = e.peRed, c.G = e.peGreen, c.B = e.peBlue;
    } else {
        c.R = v & 255, c.G = (v >> 8) & 255, c.B = (v >> 16) & 255;
    }
    return c;
}

int32_t RgbToPixel(const DocumentState& doc, const TRgb& c) {
    const int32_t packed = PackRgb(c);
    if (doc.Dib.Info == nullptr || DibColorCount(&doc.Dib) > 256)
        return packed;
    return static_cast<int32_t>(
        GetNearestPaletteIndex(doc.Dib.PaletteHandle, static_cast<uint32_t>(packed)));
}

TDibRecord MakeColorField(Host& host) {
    TDibRecord field;
    newdib(&field, kColorFieldWidth, kColorFieldHeight, 24, nullptr, 0);
    if (field.Bits == nullptr) {
        host.MessageBox(kTextColorFieldNoMemory, "", MB_ICONSTOP);
        return field;
    }
    for (int32_t y = 0; y < kColorFieldHeight; ++y)
        for (int32_t x = 0; x < kColorFieldWidth; ++x)
            setpixel(&field, x, y, PackRgb(HslToRgb(y * 255 / 95, 255, x * 255 / 47)));
    return field;
}

bool ColorFieldPick(int32_t x, int32_t y, TRgb& colour) {
    if (x < kColorFieldLeft || x > kColorFieldWidth || y < 0 || y > kColorFieldHeight - 1)
        return false;
    colour = HslToRgb(y * 255 / 95, 255, (x - kColorFieldLeft) * 255 / 47);
    return true;
}

int32_t PaletteSwatchAt(int32_t x, int32_t y, int32_t colourCount) {
    const int32_t rows = colourCount / 2;
    for (int32_t j = 0; j < 2; ++j) {
        if (x < j * 12 + 5 || x > j * 12 + 15)
            continue;
        for (int32_t i = 0; i < rows; ++i)
            if (y >= i * 12 + 5 && y <= i * 12 + 15)
                return i * 2 + j;
    }
    return -1;
}

TRect PaletteSwatchRect(int32_t index) {
    const int32_t i = index / 2, j = index % 2;
    return {j * 12 + 5, i * 12 + 5, j * 12 + 15, i * 12 + 15};
}

TPanelPick PanelPickAt(const DocumentState& doc, int32_t x, int32_t y) {
    TPanelPick pick;
    if (doc.Dib.Info == nullptr)
        return pick;
    const int32_t n = DibColorCount(&doc.Dib);
    if (n > 256) {
        if (ColorFieldPick(x, y, pick.Colour))
            pick.Value = PackRgb(pick.Colour);
        return pick;
    }
    pick.Value = PaletteSwatchAt(x, y, n);
    if (pick.Value >= 0)
        pick.Colour = PixelToRgb(doc, pick.Value);
    return pick;
}

} // namespace pixorama
