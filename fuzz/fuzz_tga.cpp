// Fuzz target of the Targa reader: every input either fails with a message and no image, or
// gives a complete image that our own writer stores and the reader gets back unchanged.
#include "internal.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

void decodeAndRoundTrip(const uint8_t* data, size_t size, int format) {
    TDibRecord d{};
    if (!OpenDibMemory(&d, data, size, format, nullptr, nullptr)) {
        if (d.Bits != nullptr || DibErrorText(&d)[0] == '\0')
            std::abort();
        return;
    }
    const int32_t w = DibWidth(&d), h = DibHeight(&d);
    uint64_t sum = 0;
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            sum += static_cast<uint32_t>(getpixel(&d, x, y));
    if (sum == UINT64_MAX)
        std::abort(); // keeps the reads

    std::vector<uint8_t> file;
    std::string error;
    if (!pictora::encodeTga(d, 0, file, error)) {
        if (w <= 65535 && h <= 65535)
            std::abort(); // every depth fits; only size can refuse
        deldib(&d);
        return;
    }
    TDibRecord back{};
    if (!OpenDibMemory(&back, file.data(), file.size(), PICTORA_FORMAT_TGA, nullptr, nullptr))
        std::abort();
    if (DibWidth(&back) != w || DibHeight(&back) != h ||
        DibBitsPerPixel(&back) != DibBitsPerPixel(&d))
        std::abort();
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            if (getpixel(&back, x, y) != getpixel(&d, x, y))
                std::abort();
    for (int i = 0; d.HasPalette && i < DibColorCount(&d); ++i)
        if (std::memcmp(&back.Info->bmiColors[i], &d.Info->bmiColors[i], 3) != 0)
            std::abort();
    deldib(&back);
    deldib(&d);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool limited = [] {
        PictoraSetAllocLimit(256u << 20); // huge declared sizes fail instead of exhausting memory
        return true;
    }();
    (void)limited;
    decodeAndRoundTrip(data, size, 0);
    decodeAndRoundTrip(data, size, PICTORA_FORMAT_TGA);
    return 0;
}
