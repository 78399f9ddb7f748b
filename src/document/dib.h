// Core helpers around the raster library's image record: ownership, deep copies, new images
// and the status text.
#pragma once

#include "document/host.h"

#include <pictora.h>

#include <cstring>
#include <string>
#include <utility>

namespace pixorama {

// Owns one record for the length of a scope, so that no early return leaks a scratch image.
class DibHolder {
  public:
    DibHolder() { std::memset(&dib_, 0, sizeof(dib_)); }
    explicit DibHolder(const TDibRecord& d) : dib_(d) {}
    ~DibHolder() { deldib(&dib_); }
    DibHolder(const DibHolder&) = delete;
    DibHolder& operator=(const DibHolder&) = delete;

    TDibRecord& get() { return dib_; }
    const TDibRecord& get() const { return dib_; }
    TDibRecord* operator->() { return &dib_; }
    bool ok() const { return dib_.Bits != nullptr; }
    // Gives the record away; the holder is empty afterwards.
    TDibRecord release() {
        TDibRecord d = dib_;
        std::memset(&dib_, 0, sizeof(dib_));
        return d;
    }

  private:
    TDibRecord dib_;
};

// memcpy on every core (for whole images).
void CopyBytesParallel(uint8_t* dst, const uint8_t* src, size_t bytes);

// The colour table entries of a palette image (2, 16 or 256); 0 for a 24-bit image.
inline int32_t PaletteEntries(const TDibRecord& dib) {
    const int32_t n = DibColorCount(&dib);
    return n <= 256 ? n : 0;
}

// Copies src's pixel buffer into dst when both have the same size and depth; false otherwise.
bool CopyImagePixels(TDibRecord& dst, const TDibRecord& src);

// Deep copy of src.  A source without pixels gives a record without pixels and no message; a
// copy that cannot be made shows the shortage message and comes back with nil Bits.
TDibRecord MakeDIBCopy(const TDibRecord& src, Host& host);

// Writes colour i (0xRRGGBB) into the colour table and the palette (no new handle).
void SetPaletteColor(TDibRecord& dib, int index, uint32_t rgb);

// A new image as the New dialog makes it: standard palettes for 4 and 8 bits, every byte 255.
// bpp is 1, 4, 8 or 24.  On failure the record has nil Bits.
TDibRecord CreateNewImage(int32_t width, int32_t height, int32_t bpp);

// "Bild: 640 x 480 x 16777216 - 900 KByte"
std::string ImageStatusText(const TDibRecord& dib);

} // namespace pixorama
