// Fuzzes the GIF reader: every decoded image is read pixel by pixel, written with the GIF
// writer and read back, which must succeed and give the same pixels and colours.
#include "internal.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

// Same size, depth, colour table and pixels (bits past the last pixel of a row do not count).
static bool samePixels(const TDibRecord& a, const TDibRecord& b) {
    const int32_t w = DibWidth(&a), h = DibHeight(&a), bpp = DibBitsPerPixel(&a);
    if (DibWidth(&b) != w || DibHeight(&b) != h || DibBitsPerPixel(&b) != bpp)
        return false;
    if (bpp <= 8 && std::memcmp(a.Info->bmiColors, b.Info->bmiColors,
                                sizeof(TRGBQuad) * DibColorCount(&a)) != 0)
        return false;
    const size_t bits = static_cast<size_t>(w) * bpp;
    const size_t full = bits / 8;
    const uint8_t mask = static_cast<uint8_t>(0xFF00 >> (bits % 8));
    for (int32_t y = 0; y < h; ++y) {
        const uint8_t* ra = pictora::rowPtr(a, y);
        const uint8_t* rb = pictora::rowPtr(b, y);
        if (std::memcmp(ra, rb, full) != 0)
            return false;
        if (mask != 0 && ((ra[full] ^ rb[full]) & mask) != 0)
            return false;
    }
    return true;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool limited = [] {
        PictoraSetAllocLimit(256u << 20);
        return true;
    }();
    (void)limited;
    for (int format : {0, static_cast<int>(PICTORA_FORMAT_GIF)}) {
        TDibRecord dib{};
        if (OpenDibMemory(&dib, data, size, format, nullptr, nullptr) == 0) {
            if (dib.Bits != nullptr || DibErrorText(&dib)[0] == '\0')
                std::abort();
            continue;
        }
        // every pixel's bytes are read row by row, 8 at a time (getpixel per pixel is too slow
        // for the fuzzer's time limit on large images); values through getpixel on a diagonal
        const int32_t w = DibWidth(&dib), h = DibHeight(&dib);
        const size_t used = (static_cast<size_t>(w) * DibBitsPerPixel(&dib) + 7) / 8;
        uint64_t sum = 0;
        for (int32_t y = 0; y < h; ++y) {
            const uint8_t* row = pictora::rowPtr(dib, y);
            size_t i = 0;
            for (uint64_t v; i + 8 <= used; i += 8) {
                std::memcpy(&v, row + i, 8);
                sum += v;
            }
            for (; i < used; ++i)
                sum += row[i];
        }
        const int32_t colours = DibColorCount(&dib); // 2^bpp; 2^24 for true colour
        for (int32_t i = 0; i < std::max(w, h); ++i) {
            const int32_t v = getpixel(&dib, i % w, i % h);
            if (v < 0 || v >= colours)
                std::abort();
        }
        asm volatile("" : : "r"(sum)); // the reads above must happen

        // large images skip the round trip: it tests nothing that small ones do not and would
        // exceed the fuzzer's time limit
        const bool small = static_cast<uint64_t>(w) * static_cast<uint64_t>(h) <= (1u << 20);
        std::vector<uint8_t> bytes;
        std::string error;
        const bool writable = DibBitsPerPixel(&dib) != 24; // GIF holds at most 256 colours
        if (small && writable && pictora::encodeGif(dib, 0, bytes, error)) {
            TDibRecord back{};
            // the limit may refuse the copy when the first image nearly filled it
            if (OpenDibMemory(&back, bytes.data(), bytes.size(), PICTORA_FORMAT_GIF, nullptr,
                              nullptr) == 0 &&
                std::string(DibErrorText(&back)) != pictora::kTextNoMemory)
                std::abort();
            if (back.Bits != nullptr && !samePixels(dib, back))
                std::abort();
            deldib(&back);
        }
        deldib(&dib);
    }
    return 0;
}
