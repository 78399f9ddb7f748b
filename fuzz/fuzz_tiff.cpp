// Fuzzes the TIFF reader through OpenDibMemory.  Whatever decodes must survive reading every
// pixel and come back unchanged from a round trip through our writer; whatever fails must leave
// no image and no allocation behind.
#include "fuzz_common.h"

#include "codecs/isolated.h"

#include <cstdarg>

#include <tiffio.h>

using namespace pictora;

namespace {

// Larger images are only decoded: a few bytes of Group 4 or Deflate data can declare millions of
// pixels, and reading, encoding and decoding them again would not reach new code.
constexpr int64_t kRoundTripPixels = 1 << 18;
constexpr uint64_t kLargeImage = 1 << 22;
constexpr uint64_t kLargeLimit = 4u << 20;

void roundTrip(const TDibRecord& dib) {
    fuzz::readEveryPixel(dib);
    if (fuzz::pixelCount(dib) > kRoundTripPixels)
        return;
    TDibRecord back{};
    if (!fuzz::writeAndReadBack(dib, encodeTiff, 0, PICTORA_FORMAT_TIF, back) ||
        back.Bits == nullptr || !fuzz::sameShape(dib, back) || !fuzz::sameValues(dib, back) ||
        !fuzz::sameBothTables(dib, back))
        std::abort();
    deldib(&back);
}

// Deflate, LZW or fax data of a few kilobytes can describe a legal image of tens of megapixels,
// whose conversion alone takes seconds under the sanitizers.  Such inputs are decoded under a
// tight allocation limit: the size checks still run, the long decode does not.  The size is
// read with libtiff itself, as the reader sees it.
struct Stream {
    const uint8_t* data;
    uint64_t size, pos;
};

tmsize_t readStream(thandle_t h, void* buf, tmsize_t n) {
    auto* s = static_cast<Stream*>(h);
    const uint64_t k =
        std::min<uint64_t>(static_cast<uint64_t>(n), s->size - std::min(s->pos, s->size));
    if (k > 0)
        std::memcpy(buf, s->data + s->pos, static_cast<size_t>(k));
    s->pos += k;
    return static_cast<tmsize_t>(k);
}
tmsize_t writeNothing(thandle_t, void*, tmsize_t) {
    return -1;
}
toff_t seekStream(thandle_t h, toff_t off, int whence) {
    auto* s = static_cast<Stream*>(h);
    s->pos = whence == SEEK_SET ? off : whence == SEEK_CUR ? s->pos + off : s->size + off;
    return s->pos;
}
int closeStream(thandle_t) {
    return 0;
}
toff_t sizeStream(thandle_t h) {
    return static_cast<Stream*>(h)->size;
}
int quiet(TIFF*, void*, const char*, const char*, va_list) {
    return 1;
}

bool declaresLargeImage(const uint8_t* data, size_t size) {
    Stream stream{data, size, 0};
    TIFFOpenOptions* opts = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetErrorHandlerExtR(opts, quiet, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(opts, quiet, nullptr);
    TIFF* tif = TIFFClientOpenExt("fuzz", "rm", &stream, readStream, writeNothing, seekStream,
                                  closeStream, sizeStream, nullptr, nullptr, opts);
    TIFFOpenOptionsFree(opts);
    if (tif == nullptr)
        return false;
    uint32_t w = 0, h = 0;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h);
    TIFFClose(tif);
    return uint64_t{w} * h > kLargeImage;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // libtiff runs in this process here, so that the fuzzer sees what would end the child
    SetCodecIsolation(false);
    PictoraSetAllocLimit(declaresLargeImage(data, size) ? kLargeLimit : fuzz::kAllocLimit);
    // by content only when it looks like TIFF: other data would fuzz the other readers
    for (int format : {int(PICTORA_FORMAT_TIF), 0})
        if (format != 0 || sniffTiff(data, size))
            fuzz::decode(data, size, format, roundTrip);
    return 0;
}
