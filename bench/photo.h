// A photo-like 24-bit test image for the benchmarks: smooth colour gradients with some blobs
// and a little noise, so that codecs and colour lookups see realistic, not random, data.
#pragma once

#include <pictora.h>

#include <cmath>
#include <cstdint>
#include <random>

namespace bench {

constexpr int kPhotoWidth = 6000;
constexpr int kPhotoHeight = 4000;

// Fills a new 24-bit record of w x h; Bits is NULL if it cannot be made.
inline TDibRecord MakePhoto(int w = kPhotoWidth, int h = kPhotoHeight, uint32_t seed = 1) {
    TDibRecord d;
    if (!newdib(&d, w, h, 24, nullptr, 0)) return d;
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> noise(-6, 6);
    for (int y = 0; y < h; ++y) {
        uint8_t* row = d.Bits + static_cast<size_t>(h - 1 - y) * d.LineBytes;
        for (int x = 0; x < w; ++x) {
            const double fx = static_cast<double>(x) / w, fy = static_cast<double>(y) / h;
            const double blob = std::sin(fx * 9.0) * std::cos(fy * 7.0);
            auto chan = [&](double base) {
                const int v = static_cast<int>(base) + noise(rng);
                return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
            };
            row[3 * x + 2] = chan(128 + 100 * blob * fx);
            row[3 * x + 1] = chan(40 + 180 * fy + 30 * blob);
            row[3 * x + 0] = chan(200 - 150 * fx * fy + 40 * blob);
        }
    }
    return d;
}

} // namespace bench
