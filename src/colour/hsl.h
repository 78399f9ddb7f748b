// Hue-saturation-lightness to RGB as the colour field, the palette editor and colourising use
// it, the colour of a pixel value, and the fixed colour field of the colour panel.
#pragma once

#include "document/document_state.h"
#include "document/host.h"

#include <cstdint>

namespace pixorama {

struct TRgb {
    int32_t R = 0, G = 0, B = 0;
    bool operator==(const TRgb&) const = default;
};

// h, s, l in 0..255 (values outside are limited to it); 127 is the neutral lightness.
void HslToRgb(int32_t h, int32_t s, int32_t l, int32_t& R, int32_t& G, int32_t& B);
inline TRgb HslToRgb(int32_t h, int32_t s, int32_t l) {
    TRgb c;
    HslToRgb(h, s, l, c.R, c.G, c.B);
    return c;
}
// Packs as a 24-bit pixel value: R + 256 G + 65536 B.
inline int32_t PackRgb(const TRgb& c) {
    return c.R | (c.G << 8) | (c.B << 16);
}

// The colour of pixel value v of the document's image: its palette entry for palette images,
// the unpacked value for 24-bit images.  A palette index outside 0..255 gives black.
TRgb PixelToRgb(const DocumentState& doc, int32_t v);

// The pixel value of colour c in the document's image: the nearest palette entry for palette
// images, the packed colour for 24-bit images (the way back of PixelToRgb).
int32_t RgbToPixel(const DocumentState& doc, const TRgb& c);

// The colour field: 48 x 96, hue downwards, lightness to the right.
inline constexpr int32_t kColorFieldWidth = 48;
inline constexpr int32_t kColorFieldHeight = 96;
// The colour panel's paint box shows it from x = 2, stretched to 50 pixels, in a box 4 pixels
// wider than the field.
inline constexpr int32_t kColorFieldLeft = 2;
inline constexpr int32_t kColorFieldShownWidth = 50;
inline constexpr int32_t kColorFieldBoxWidth = kColorFieldWidth + 4;
// Makes and fills it; without memory the start-up message is shown and the record has nil Bits.
TDibRecord MakeColorField(Host& host);
// The colour picked by a click at (x, y) of the colour panel's paint box (the field is drawn at
// x = 2, stretched to 50 pixels).  False outside 2 <= x <= 48, 0 <= y <= 95.
bool ColorFieldPick(int32_t x, int32_t y, TRgb& colour);

// The palette strip of palette images: two columns of 10 x 10 swatches on a 12-pixel pitch.
// The entry under paint-box point (x, y) (both swatch edges included), or -1 between swatches
// and outside; colourCount is the document's 2, 16 or 256.
int32_t PaletteSwatchAt(int32_t x, int32_t y, int32_t colourCount);
// The strip's size: 29 wide, (colourCount div 2) * 12 + 5 high.
inline constexpr int32_t kPaletteStripWidth = 29;
inline int32_t PaletteStripHeight(int32_t colourCount) {
    return colourCount / 2 * 12 + 5;
}
// Swatch of entry index: Left/Top its first pixel, Right/Bottom the last one (edges included,
// as for the clicks).
TRect PaletteSwatchRect(int32_t index);

// What point (x, y) of the colour panel's paint box picks for the document: the packed colour
// on the colour field (images of more than 256 colours), the entry's index on the palette
// strip; Value -1 for nothing.  Colour: the picked colour.
struct TPanelPick {
    int32_t Value = -1;
    TRgb Colour;
};
TPanelPick PanelPickAt(const DocumentState& doc, int32_t x, int32_t y);

inline constexpr const char* kTextColorFieldNoMemory =
    "Fehler: Zuwenig Speicher! Dieses Programm wird mit so wenig Speicher nicht richtig arbeiten "
    "können!";

} // namespace pixorama
