// Unchecked pixel access for the library's own loops (callers clip first).
#pragma once

#include "internal.h"

#include <cstring>

namespace pictora {

// (x, y) must lie inside the image.
int32_t readPixel(const TDibRecord& d, int32_t x, int32_t y);
void writePixel(const TDibRecord& d, int32_t x, int32_t y, int32_t v);
// Sets x0..x1 (inclusive, clipped) of row y.
void fillSpan(const TDibRecord& d, int32_t y, int32_t x0, int32_t x1, int32_t v);

// Sets bits l..r (inclusive, l <= r) of a 1-bit row to on, whole bytes at a time.
inline void setBits(uint8_t* row, int32_t l, int32_t r, bool on = true) {
    const int32_t bl = l >> 3, br = r >> 3;
    uint8_t ml = static_cast<uint8_t>(0xFF >> (l & 7));
    const uint8_t mr = static_cast<uint8_t>(0xFF << (7 - (r & 7)));
    if (bl == br)
        ml &= mr;
    auto put = [on](uint8_t& b, uint8_t mask) {
        b = static_cast<uint8_t>(on ? b | mask : b & ~mask);
    };
    put(row[bl], ml);
    if (bl == br)
        return;
    std::memset(row + bl + 1, on ? 0xFF : 0x00, static_cast<size_t>(br - bl - 1));
    put(row[br], mr);
}

} // namespace pictora
