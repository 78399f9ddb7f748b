// The harness the fuzz targets share: decoding under the allocation limit, the checks on a failed
// decode, reading every pixel, and the write-and-read-back round trip with its comparisons.
// Each fuzz_NAME.cpp keeps only what belongs to its format.
#pragma once

#include "internal.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace fuzz {

// Huge declared sizes must fail cleanly instead of exhausting memory.
constexpr uint64_t kAllocLimit = 256u << 20;

inline void limitAllocationsOnce() {
    static const bool limited = [] {
        PictoraSetAllocLimit(kAllocLimit);
        return true;
    }();
    (void)limited;
}

inline uint64_t pixelCount(const TDibRecord& d) {
    return static_cast<uint64_t>(DibWidth(&d)) * static_cast<uint64_t>(DibHeight(&d));
}

// Decodes data as format.  A success hands the image to onImage; a failure must leave no image
// and a message.  Either way nothing may stay allocated afterwards.
template <class OnImage>
void decode(const uint8_t* data, size_t size, int format, OnImage&& onImage) {
    const uint64_t before = PictoraAllocatedBytes();
    TDibRecord dib{};
    if (OpenDibMemory(&dib, data, size, format, nullptr, nullptr) != 0)
        onImage(static_cast<const TDibRecord&>(dib));
    else if (dib.Bits != nullptr || DibErrorText(&dib)[0] == '\0' ||
             PictoraAllocatedBytes() != before)
        std::abort();
    deldib(&dib);
    if (PictoraAllocatedBytes() != before)
        std::abort();
}

// Reads every pixel's bytes row by row, 8 at a time (getpixel per pixel is too slow for the
// fuzzer's time limit on large images), and checks the values getpixel gives on a diagonal.
inline void readEveryPixel(const TDibRecord& dib) {
    const int32_t w = DibWidth(&dib), h = DibHeight(&dib);
    const size_t used = (static_cast<size_t>(w) * DibBitsPerPixel(&dib) + 7) / 8;
    uint64_t sum = 0;
    // a few bytes of RLE may declare hundreds of megabytes: past 16 MB read only the first and
    // the last row (they bound the buffer), so that one input stays far below the time limit
    const size_t total = used * static_cast<size_t>(h);
    const int32_t step = total > (16u << 20) ? std::max(h - 1, 1) : 1;
    for (int32_t y = 0; y < h; y = (y + step < h || y == h - 1) ? y + step : h - 1) {
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
    // at most 4096 points along the diagonal: a side may be a million pixels long
    const int32_t side = std::max(w, h);
    const int32_t stride = side > 4096 ? side / 4096 : 1;
    for (int32_t i = 0; i < side; i += stride) {
        const int32_t v = getpixel(&dib, i % w, i % h);
        if (v < 0 || v >= colours)
            std::abort();
    }
    asm volatile("" : : "r"(sum)); // the reads above must happen
}

// Writes dib with encode and reads the bytes back as format into back (deldib it).  False when
// the writer refused; a failed read leaves back without bits and with its message.
inline bool writeAndReadBack(const TDibRecord& dib, pictora::EncodeFn encode, int quality,
                             int format, TDibRecord& back) {
    std::vector<uint8_t> bytes;
    std::string error;
    back = TDibRecord{};
    if (!encode(dib, quality, bytes, error))
        return false;
    OpenDibMemory(&back, bytes.data(), bytes.size(), format, nullptr, nullptr);
    return true;
}

inline bool sameShape(const TDibRecord& a, const TDibRecord& b) {
    return DibWidth(&a) == DibWidth(&b) && DibHeight(&a) == DibHeight(&b) &&
           DibBitsPerPixel(&a) == DibBitsPerPixel(&b);
}

// Same value through getpixel at every pixel.
inline bool sameValues(const TDibRecord& a, const TDibRecord& b) {
    const int32_t w = DibWidth(&a), h = DibHeight(&a);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            if (getpixel(&a, x, y) != getpixel(&b, x, y))
                return false;
    return true;
}

// Same bits in every row (bits past the last pixel of a row do not count).
inline bool sameRowBits(const TDibRecord& a, const TDibRecord& b) {
    const size_t bits = static_cast<size_t>(DibWidth(&a)) * DibBitsPerPixel(&a);
    const size_t full = bits / 8;
    const uint8_t mask = static_cast<uint8_t>(0xFF00 >> (bits % 8));
    for (int32_t y = 0; y < DibHeight(&a); ++y) {
        const uint8_t* ra = pictora::rowPtr(a, y);
        const uint8_t* rb = pictora::rowPtr(b, y);
        if (std::memcmp(ra, rb, full) != 0)
            return false;
        if (mask != 0 && ((ra[full] ^ rb[full]) & mask) != 0)
            return false;
    }
    return true;
}

// Same colour tables; entryBytes 3 compares blue, green and red only, 4 the reserved byte too.
// True for true colour.
inline bool sameColourTable(const TDibRecord& a, const TDibRecord& b, size_t entryBytes = 3) {
    const int colours = DibBitsPerPixel(&a) <= 8 ? 1 << DibBitsPerPixel(&a) : 0;
    for (int i = 0; i < colours; ++i)
        if (std::memcmp(&a.Info->bmiColors[i], &b.Info->bmiColors[i], entryBytes) != 0)
            return false;
    return true;
}

// Both tables of a record (header colours and palette entries) agree with the other record's.
inline bool sameBothTables(const TDibRecord& a, const TDibRecord& b) {
    const int colours = DibBitsPerPixel(&a) <= 8 ? 1 << DibBitsPerPixel(&a) : 0;
    return std::memcmp(a.Info->bmiColors, b.Info->bmiColors, sizeof(TRGBQuad) * colours) == 0 &&
           std::memcmp(a.Palette.palPalEntry, b.Palette.palPalEntry,
                       sizeof(TPaletteEntry) * colours) == 0;
}

// The round trip of the formats whose writer keeps every depth: the writer may only refuse
// sides beyond 65535, the read-back must succeed with the same size, depth and bits, and the
// colours must match unless keepsColours says the format cannot keep them.
inline void roundTripAnyDepth(const TDibRecord& d, pictora::EncodeFn encode, int format,
                              bool keepsColours = true) {
    // large images test nothing that small ones do not, and would exceed the time limit
    if (pixelCount(d) > (1u << 20))
        return;
    TDibRecord back{};
    if (!writeAndReadBack(d, encode, 0, format, back)) {
        if (DibWidth(&d) <= 65535 && DibHeight(&d) <= 65535)
            std::abort();
        return;
    }
    // same size and depth: equal row bits mean equal values, and comparing them is fast
    if (back.Bits == nullptr || !sameShape(d, back) || !sameRowBits(d, back) ||
        (d.HasPalette && keepsColours && !sameColourTable(d, back)))
        std::abort();
    deldib(&back);
}

// The round trip of the lossless writers that may refuse an image: what they write must read
// back with the same size, depth, colour table and bits.  Large images skip it: it tests nothing
// that small ones do not and would exceed the fuzzer's time limit.
inline void roundTripIfWritten(const TDibRecord& dib, pictora::EncodeFn encode, int format) {
    TDibRecord back{};
    if (pixelCount(dib) > (1u << 20) || !writeAndReadBack(dib, encode, 0, format, back))
        return;
    // the limit may refuse the copy when the first image nearly filled it
    if (back.Bits == nullptr && std::string(DibErrorText(&back)) != pictora::kTextNoMemory)
        std::abort();
    if (back.Bits != nullptr && !(sameShape(dib, back) && sameColourTable(dib, back, 4) &&
                                  sameRowBits(dib, back)))
        std::abort();
    deldib(&back);
}

} // namespace fuzz
