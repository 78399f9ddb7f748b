// Fuzzes the BMP/DIB/RLE reader through OpenDibMemory.  Whatever decodes must survive reading
// every pixel and come back unchanged from a round trip through the writer; whatever fails
// must leave no image and no allocation behind.
#include "internal.h"

#include <cstdlib>
#include <cstring>

using namespace pictora;

namespace {

constexpr uint64_t kLimit = 256u << 20;
volatile int32_t gSink;

// An RLE stream of a few bytes may declare an image of hundreds of megabytes.  To keep one input
// well under a second, only images up to kPixelByPixel pixels are read through getpixel, and
// only records up to kRoundTripBytes go through the writer; larger ones are compared as buffers
// or, beyond that, just decoded.
constexpr int64_t kPixelByPixel = 1 << 18;
constexpr size_t kRoundTripBytes = 16u << 20;

size_t bufferBytes(const TDibRecord& d) {
    return static_cast<size_t>(d.LineBytes) * static_cast<size_t>(DibHeight(&d));
}

bool samePixels(const TDibRecord& a, const TDibRecord& b) {
    const int32_t w = DibWidth(&a), h = DibHeight(&a);
    if (DibWidth(&b) != w || DibHeight(&b) != h || DibBitsPerPixel(&a) != DibBitsPerPixel(&b) ||
        a.LineBytes != b.LineBytes)
        return false;
    // both records keep their padding and unused bits zero, so whole buffers compare
    if (std::memcmp(a.Bits, b.Bits, bufferBytes(a)) != 0)
        return false;
    if (int64_t{w} * h <= kPixelByPixel) {
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x)
                if (getpixel(&a, x, y) != getpixel(&b, x, y))
                    return false;
    }
    const int colours = DibBitsPerPixel(&a) <= 8 ? 1 << DibBitsPerPixel(&a) : 0;
    for (int i = 0; i < colours; ++i) {
        const TPaletteEntry &p = a.Palette.palPalEntry[i], &q = b.Palette.palPalEntry[i];
        const TRGBQuad& c = a.Info->bmiColors[i];
        if (p.peRed != q.peRed || p.peGreen != q.peGreen || p.peBlue != q.peBlue ||
            p.peRed != c.rgbRed || p.peGreen != c.rgbGreen || p.peBlue != c.rgbBlue)
            return false;
    }
    return true;
}

void check(const TDibRecord& dib) {
    const int32_t w = DibWidth(&dib), h = DibHeight(&dib);
    if (int64_t{w} * h <= kPixelByPixel) {
        int32_t sum = 0;
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x)
                sum += getpixel(&dib, x, y);
        gSink = sum;
    }

    if (bufferBytes(dib) > kRoundTripBytes)
        return;
    // the round trip needs as much again as the first image: lift the limit meanwhile
    PictoraSetAllocLimit(0);
    std::vector<uint8_t> bytes;
    std::string error;
    if (!encodeBmp(dib, 0, bytes, error))
        abort();
    TDibRecord back{};
    if (OpenDibMemory(&back, bytes.data(), bytes.size(), PICTORA_FORMAT_BMP, nullptr, nullptr) !=
            1 ||
        !samePixels(dib, back))
        abort();
    deldib(&back);
    PictoraSetAllocLimit(kLimit);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool limited = [] {
        PictoraSetAllocLimit(kLimit);
        return true;
    }();
    (void)limited;
    // other formats belong to their own targets
    if (!sniffBmp(data, size))
        return 0;
    for (int32_t format : {PICTORA_FORMAT_AUTO, PICTORA_FORMAT_BMP}) {
        const uint64_t before = PictoraAllocatedBytes();
        TDibRecord dib{};
        if (OpenDibMemory(&dib, data, size, format, nullptr, nullptr) == 1) {
            check(dib);
        } else if (dib.Bits != nullptr || DibErrorText(&dib)[0] == '\0' ||
                   PictoraAllocatedBytes() != before) {
            abort();
        }
        deldib(&dib);
        if (PictoraAllocatedBytes() != before)
            abort();
    }
    return 0;
}
