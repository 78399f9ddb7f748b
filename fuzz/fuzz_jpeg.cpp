// Fuzzes the JPEG reader through OpenDibMemory.  Whatever decodes must survive reading every
// pixel, and our writer's file of it must decode again at the same size; whatever fails must
// leave no image and no allocation behind.
#include "fuzz_common.h"

using namespace pictora;

namespace {

// Larger images are only decoded: reading, encoding and decoding them again would take the
// fuzzer's whole time budget without reaching new code.
constexpr int64_t kRoundTripPixels = 1 << 18;
constexpr int64_t kLargeFrame = 1 << 20;
constexpr uint64_t kLargeLimit = 4u << 20;

void roundTrip(const TDibRecord& dib) {
    fuzz::readEveryPixel(dib);
    if (fuzz::pixelCount(dib) > kRoundTripPixels)
        return;
    TDibRecord back{};
    if (!fuzz::writeAndReadBack(dib, encodeJpeg, 75, PICTORA_FORMAT_JPG, back) ||
        back.Bits == nullptr || DibWidth(&back) != DibWidth(&dib) ||
        DibHeight(&back) != DibHeight(&dib))
        std::abort();
    deldib(&back);
}

// Arithmetic-coded data may stop early and libjpeg then decodes zeros, so a few hundred bytes
// can declare a legal image of many megapixels whose decode takes seconds.  Such inputs are
// decoded under a tight allocation limit: the size checks still run, the long decode does not.
// Every FF Cx (x not 4, 8, C) counts, as libjpeg skips bytes before markers.
bool declaresLargeFrame(const uint8_t* data, size_t size) {
    for (size_t i = 0; i + 9 <= size; ++i) {
        if (data[i] != 0xFF || (data[i + 1] & 0xF0) != 0xC0)
            continue;
        const uint8_t kind = data[i + 1] & 0x0F;
        if (kind == 4 || kind == 8 || kind == 12)
            continue;
        const int64_t h = data[i + 5] << 8 | data[i + 6], w = data[i + 7] << 8 | data[i + 8];
        if (w * h > kLargeFrame)
            return true;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    PictoraSetAllocLimit(declaresLargeFrame(data, size) ? kLargeLimit : fuzz::kAllocLimit);
    // by content only when it looks like JPEG: other data would fuzz the other readers
    for (int format : {int(PICTORA_FORMAT_JPG), 0})
        if (format != 0 || sniffJpeg(data, size))
            fuzz::decode(data, size, format, roundTrip);
    return 0;
}
