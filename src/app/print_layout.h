// Where an image goes on a printed page and in the page preview of the print dialog: the two
// size modes, aspect ratio, centring, and the coupling of the two percentages.
#pragma once

#include <cstdint>

namespace pixorama {

// The choices of the print dialog.
struct TPrintOptions {
    bool UseFull = true;  // "Seite voll nutzen"; false = "Benutzerdefiniert"
    int Breite = 50;      // width in percent of the page (1 .. 100)
    int Hoch = 50;        // height in percent of the page (1 .. 100)
    bool Sverh = true;    // "Seitenverhältnis beibehalten"
    bool Zentr = true;    // "Zentrierte Ausgabe"
};

inline constexpr int kPrintPercentMin = 1;
inline constexpr int kPrintPercentMax = 100;

struct TPageRect {
    int32_t x = 0, y = 0, w = 0, h = 0;
    bool operator==(const TPageRect&) const = default;
};

// The image's rectangle on a page of pageWidth x pageHeight device pixels (the printable area)
// for an image of imageWidth x imageHeight.  An image never shrinks to nothing: a side that
// rounds to 0 is drawn 1 device pixel wide.
TPageRect PrintImageRect(int32_t pageWidth, int32_t pageHeight, int32_t imageWidth,
                         int32_t imageHeight, const TPrintOptions& options);

// The preview: the page (white) fitted into the paint box, centred, and the image on it.
struct TPrintPreview {
    TPageRect page;
    TPageRect image;
};
TPrintPreview PrintPreviewLayout(int32_t boxWidth, int32_t boxHeight, int32_t pageWidth,
                                 int32_t pageHeight, int32_t imageWidth, int32_t imageHeight,
                                 const TPrintOptions& options);

// The height percentage that keeps the image's proportions for a typed width percentage
// (and, with the sides exchanged, the width for a typed height), limited to 1 .. 100 as the spin
// edit limits it.
int CoupledHochPercent(int breite, int32_t pageWidth, int32_t pageHeight, int32_t imageWidth,
                       int32_t imageHeight);
int CoupledBreitePercent(int hoch, int32_t pageWidth, int32_t pageHeight, int32_t imageWidth,
                         int32_t imageHeight);

} // namespace pixorama

namespace pixorama {

// Rows of one band when a page rectangle width pixels wide is drawn band by band, so that no
// band holds more than about 4 million pixels (at least one row).
int32_t PrintBandHeight(int32_t width);

} // namespace pixorama
