// Deep copies, new images and the image status text.
#include "document/dib.h"

#include "document/parallel.h"
#include "document/std_palettes.h"

#include <algorithm>

namespace pixorama {

void CopyBytesParallel(uint8_t* dst, const uint8_t* src, size_t bytes) {
    // A fresh buffer costs a page fault per page on first touch; faulting and copying on both
    // cores halves the time of the undo copy every command takes.
    constexpr size_t kChunk = size_t{4} << 20;
    const int64_t chunks = static_cast<int64_t>((bytes + kChunk - 1) / kChunk);
    if (chunks <= 1) {
        std::memcpy(dst, src, bytes);
        return;
    }
    ParallelFor(chunks, [&](int64_t i) {
        const size_t from = static_cast<size_t>(i) * kChunk;
        std::memcpy(dst + from, src + from, std::min(kChunk, bytes - from));
    });
}

bool CopyImagePixels(TDibRecord& dst, const TDibRecord& src) {
    if (dst.Bits == nullptr || src.Bits == nullptr || dst.Info == nullptr || src.Info == nullptr ||
        DibWidth(&dst) != DibWidth(&src) || DibHeight(&dst) != DibHeight(&src) ||
        DibBitsPerPixel(&dst) != DibBitsPerPixel(&src))
        return false;
    CopyBytesParallel(dst.Bits, src.Bits,
                      static_cast<size_t>(src.LineBytes) * static_cast<size_t>(DibHeight(&src)));
    return true;
}

TDibRecord MakeDIBCopy(const TDibRecord& src, Host& host) {
    TDibRecord copy;
    std::memset(&copy, 0, sizeof(copy));
    if (src.Bits == nullptr || src.Info == nullptr) return copy;
    newdib_unfilled(&copy, DibWidth(&src), DibHeight(&src), DibBitsPerPixel(&src), src.Info,
                    PaletteEntries(src));
    if (copy.Bits == nullptr) {
        host.MessageBox(kTextNoMemory, "", MB_ICONSTOP);
        return copy;
    }
    // the whole header: an undo level must give back the density a loaded file carried
    copy.Info->bmiHeader = src.Info->bmiHeader;
    CopyBytesParallel(copy.Bits, src.Bits, src.Info->bmiHeader.biSizeImage);
    return copy;
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
