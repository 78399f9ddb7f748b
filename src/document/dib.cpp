// Deep copies, records like another, new images and the image status text.
#include "document/dib.h"

#include "colour/std_palettes.h"

namespace pixorama {

TDibRecord MakeDIBCopy(const TDibRecord& src, Host& host) {
    TDibRecord copy;
    std::memset(&copy, 0, sizeof(copy));
    if (src.Bits == nullptr || src.Info == nullptr) return copy;
    int32_t n = DibColorCount(&src);
    if (n > 256) n = 0;
    newdib(&copy, DibWidth(&src), DibHeight(&src), DibBitsPerPixel(&src), src.Info, n);
    if (copy.Bits == nullptr) {
        host.MessageBox(kTextNoMemory, "", MB_ICONSTOP);
        return copy;
    }
    std::memcpy(copy.Bits, src.Bits, src.Info->bmiHeader.biSizeImage);
    return copy;
}

TDibRecord NewDibLike(const TDibRecord& src, int32_t width, int32_t height) {
    TDibRecord d;
    const int32_t n = DibColorCount(&src);
    newdib(&d, width, height, DibBitsPerPixel(&src), src.Info, n <= 256 ? n : 0);
    return d;
}

void SetPaletteColor(TDibRecord& dib, int index, uint32_t rgb) {
    DibSetPaletteColor(&dib, index, static_cast<uint8_t>(rgb >> 16), static_cast<uint8_t>(rgb >> 8),
                       static_cast<uint8_t>(rgb));
}

TDibRecord CreateNewImage(int32_t width, int32_t height, int32_t bpp) {
    TDibRecord d;
    newdib(&d, width, height, bpp, nullptr, 0);
    if (d.Bits == nullptr) return d;
    if (bpp == 4) {
        for (int i = 0; i < 16; ++i) SetPaletteColor(d, i, StdPalette16[i]);
        DibUpdatePaletteHandle(&d);
    } else if (bpp == 8) {
        for (int i = 0; i < 256; ++i) SetPaletteColor(d, i, StdPalette256[i]);
        DibUpdatePaletteHandle(&d);
    }
    std::memset(d.Bits, 255, d.Info->bmiHeader.biSizeImage);
    return d;
}

std::string ImageStatusText(const TDibRecord& dib) {
    return "Bild: " + std::to_string(DibWidth(&dib)) + " x " + std::to_string(DibHeight(&dib)) +
           " x " + std::to_string(DibColorCount(&dib)) + " - " +
           std::to_string(dib.Info ? dib.Info->bmiHeader.biSizeImage / 1024 : 0) + " KByte";
}

} // namespace pixorama
