// Page geometry of printing: integer arithmetic on device pixels, 64-bit so that a large page
// times a large image cannot overflow.
#include "app/print_layout.h"

#include <algorithm>
#include <cmath>

namespace pixorama {

namespace {

int32_t percentOf(int32_t side, int percent) {
    // nearest, halves to the even neighbour
    return static_cast<int32_t>(std::nearbyint(static_cast<double>(side) * percent / 100.0));
}

int clampPercent(double x) {
    if (!(x >= kPrintPercentMin)) return kPrintPercentMin; // also NaN
    if (x >= kPrintPercentMax) return kPrintPercentMax;
    return static_cast<int>(x); // truncated
}

} // namespace

TPageRect PrintImageRect(int32_t pageWidth, int32_t pageHeight, int32_t imageWidth,
                         int32_t imageHeight, const TPrintOptions& options) {
    TPageRect r;
    if (pageWidth <= 0 || pageHeight <= 0 || imageWidth <= 0 || imageHeight <= 0) return r;
    const int64_t pw = pageWidth, ph = pageHeight, iw = imageWidth, ih = imageHeight;
    if (options.UseFull) {
        int64_t w = pw, h = ph;
        if (options.Sverh) {
            const int64_t c = pw * ih / iw;
            if (ph < c)
                w = ph * iw / ih;
            else
                h = c;
        }
        r.w = static_cast<int32_t>(w);
        r.h = static_cast<int32_t>(h);
    } else {
        r.w = percentOf(pageWidth, options.Breite);
        r.h = percentOf(pageHeight, options.Hoch);
    }
    r.w = std::max<int32_t>(r.w, 1);
    r.h = std::max<int32_t>(r.h, 1);
    if (options.Zentr) {
        r.x = (pageWidth - r.w) / 2;
        r.y = (pageHeight - r.h) / 2;
    }
    return r;
}

TPrintPreview PrintPreviewLayout(int32_t boxWidth, int32_t boxHeight, int32_t pageWidth,
                                 int32_t pageHeight, int32_t imageWidth, int32_t imageHeight,
                                 const TPrintOptions& options) {
    TPrintPreview p;
    if (pageWidth <= 0 || pageHeight <= 0) return p;
    int64_t pw, ph;
    if (pageHeight < pageWidth) { // landscape
        pw = boxWidth;
        ph = pw * pageHeight / pageWidth;
    } else {
        ph = boxHeight;
        pw = ph * pageWidth / pageHeight;
    }
    p.page.w = static_cast<int32_t>(pw);
    p.page.h = static_cast<int32_t>(ph);
    p.page.x = (boxWidth - p.page.w) / 2;
    p.page.y = (boxHeight - p.page.h) / 2;
    p.image = PrintImageRect(p.page.w, p.page.h, imageWidth, imageHeight, options);
    p.image.x += p.page.x;
    p.image.y += p.page.y;
    return p;
}

int CoupledHochPercent(int breite, int32_t pageWidth, int32_t pageHeight, int32_t imageWidth,
                       int32_t imageHeight) {
    if (pageHeight <= 0 || imageWidth <= 0) return kPrintPercentMax;
    // in this order, in floating point
    const double x = static_cast<double>(imageHeight) * breite / imageWidth * pageWidth / pageHeight;
    return clampPercent(x);
}

int CoupledBreitePercent(int hoch, int32_t pageWidth, int32_t pageHeight, int32_t imageWidth,
                         int32_t imageHeight) {
    if (pageWidth <= 0 || imageHeight <= 0) return kPrintPercentMax;
    const double x = static_cast<double>(imageWidth) * hoch / imageHeight * pageHeight / pageWidth;
    return clampPercent(x);
}

} // namespace pixorama

namespace pixorama {

int32_t PrintBandHeight(int32_t width) {
    constexpr int64_t kBandPixels = int64_t{1} << 22;
    if (width <= 0) return 1;
    return static_cast<int32_t>(std::max<int64_t>(1, kBandPixels / width));
}

} // namespace pixorama
