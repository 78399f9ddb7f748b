// Fuzzes the BMP/DIB/RLE reader through OpenDibMemory.  Whatever decodes must survive reading
// every pixel and come back unchanged from a round trip through the writer; whatever fails
// must leave no image and no allocation behind.
#include "fuzz_common.h"

using namespace pictora;

namespace {

// An RLE stream of a few bytes may declare an image of hundreds of megabytes.  To keep one input
// well under a second, only images up to kPixelByPixel pixels are compared through getpixel, and
// only records up to kRoundTripBytes go through the writer; larger ones are compared as buffers
// or, beyond that, just decoded.
constexpr int64_t kPixelByPixel = 1 << 18;
constexpr size_t kRoundTripBytes = 16u << 20;

size_t bufferBytes(const TDibRecord& d) {
    return static_cast<size_t>(d.LineBytes) * static_cast<size_t>(DibHeight(&d));
}

bool samePixels(const TDibRecord& a, const TDibRecord& b) {
    // both records keep their padding and unused bits zero, so whole buffers compare
    if (!fuzz::sameShape(a, b) || a.LineBytes != b.LineBytes ||
        std::memcmp(a.Bits, b.Bits, bufferBytes(a)) != 0)
        return false;
    if (fuzz::pixelCount(a) <= kPixelByPixel && !fuzz::sameValues(a, b))
        return false;
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
    fuzz::readEveryPixel(dib);
    if (bufferBytes(dib) > kRoundTripBytes)
        return;
    // the round trip needs as much again as the first image: lift the limit meanwhile
    PictoraSetAllocLimit(0);
    TDibRecord back{};
    if (!fuzz::writeAndReadBack(dib, encodeBmp, 0, PICTORA_FORMAT_BMP, back) ||
        back.Bits == nullptr || !samePixels(dib, back))
        abort();
    deldib(&back);
    PictoraSetAllocLimit(fuzz::kAllocLimit);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::limitAllocationsOnce();
    // other formats belong to their own targets
    if (!sniffBmp(data, size))
        return 0;
    for (int32_t format : {PICTORA_FORMAT_AUTO, PICTORA_FORMAT_BMP})
        fuzz::decode(data, size, format, check);
    return 0;
}
