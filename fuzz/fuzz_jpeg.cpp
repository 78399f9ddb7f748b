// Fuzzes the JPEG reader through OpenDibMemory.  Whatever decodes must survive reading every
// pixel, and our writer's file of it must decode again at the same size; whatever fails must
// leave no image and no allocation behind.
#include "internal.h"

#include <cstdlib>

using namespace pictora;

namespace {

volatile uint32_t gSink;
// Larger images are only decoded: reading, encoding and decoding them again would take the
// fuzzer's whole time budget without reaching new code.
constexpr int64_t kRoundTripPixels = 1 << 18;
constexpr int64_t kLargeFrame = 1 << 20;
constexpr uint64_t kLimit = 256u << 20, kLargeLimit = 4u << 20;

void roundTrip(const TDibRecord& dib) {
    const int32_t w = DibWidth(&dib), h = DibHeight(&dib);
    if (int64_t{w} * h > kRoundTripPixels)
        return;
    uint32_t sum = 0;
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            sum += static_cast<uint32_t>(getpixel(&dib, x, y));
    gSink = sum;
    std::vector<uint8_t> file;
    std::string error;
    if (!encodeJpeg(dib, 75, file, error))
        std::abort();
    TDibRecord back;
    if (!OpenDibMemory(&back, file.data(), file.size(), PICTORA_FORMAT_JPG, nullptr, nullptr))
        std::abort();
    if (DibWidth(&back) != w || DibHeight(&back) != h)
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
    static const uint64_t base = PictoraAllocatedBytes();
    PictoraSetAllocLimit(declaresLargeFrame(data, size) ? kLargeLimit : kLimit);
    // by content only when it looks like JPEG: other data would fuzz the other readers
    for (int format : {int(PICTORA_FORMAT_JPG), 0}) {
        if (format == 0 && !sniffJpeg(data, size))
            continue;
        TDibRecord dib;
        if (OpenDibMemory(&dib, data, size, format, nullptr, nullptr)) {
            roundTrip(dib);
        } else if (dib.Bits != nullptr || DibErrorText(&dib)[0] == '\0') {
            std::abort();
        }
        deldib(&dib);
        if (PictoraAllocatedBytes() != base)
            std::abort();
    }
    return 0;
}
