// Display copies for screens of at most 256 colours: 24-bit images are dithered with a 4 x 4
// Bayer matrix onto a fixed palette (6 x 6 x 6 colour cube plus a grey ramp); palette images
// are copied to 8 bits with their own colours.  The XY form scales nearest-neighbour first.
#include "draw_internal.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

namespace pictora {
namespace {

constexpr int kBayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
constexpr int kCubeStep = 51; // cube levels 0, 51, ..., 255
constexpr int kCubeEntries = 216;
constexpr int kRampEntries = 40;

// Grey ramp entry j (palette index 216 + j): round((j + 1) * 255 / 41), 40 even steps strictly
// between black and white that never repeat one of the cube's six greys.
constexpr int rampGrey(int j) {
    return ((j + 1) * 255 * 2 + 41) / 82;
}

struct Tables {
    // per Bayer threshold and channel value: the cube level already weighted by its place in
    // the index (red * 36, green * 6, blue * 1)
    uint8_t red[16][256], green[16][256], blue[16][256];
    // per Bayer threshold and grey value: the palette index for a pixel with r == g == b
    uint8_t grey[16][256];
    TBitmapInfo info; // the fixed palette

    Tables() {
        std::memset(&info, 0, sizeof(info));
        for (int i = 0; i < kCubeEntries; ++i) {
            const int r = i / 36, g = (i / 6) % 6, b = i % 6;
            info.bmiColors[i] =
                TRGBQuad{static_cast<uint8_t>(b * kCubeStep), static_cast<uint8_t>(g * kCubeStep),
                         static_cast<uint8_t>(r * kCubeStep), 0};
        }
        for (int j = 0; j < kRampEntries; ++j) {
            const uint8_t v = static_cast<uint8_t>(rampGrey(j));
            info.bmiColors[kCubeEntries + j] = TRGBQuad{v, v, v, 0};
        }

        // Per channel v' = v + (bayer - 7.5) * 51 / 16, then the nearest cube level; in
        // integers (times 32) an exact half cannot occur, so no tie rule is needed.
        for (int t = 0; t < 16; ++t)
            for (int v = 0; v < 256; ++v) {
                const int num = 32 * v + (2 * t - 15) * kCubeStep + 16 * kCubeStep;
                const int level = std::min(num / (32 * kCubeStep), 5);
                red[t][v] = static_cast<uint8_t>(level * 36);
                green[t][v] = static_cast<uint8_t>(level * 6);
                blue[t][v] = static_cast<uint8_t>(level);
            }

        // Exact greys are dithered the same way between neighbouring greys of the whole
        // palette (cube greys and ramp), which is much finer than the cube alone; a grey
        // that is itself in the palette stays exact.
        struct Level {
            int value, index;
        };
        constexpr int kLevels = 6 + kRampEntries;
        Level levels[kLevels];
        for (int k = 0; k < 6; ++k)
            levels[k] = {k * kCubeStep, k * 43}; // cube index of (k, k, k)
        for (int j = 0; j < kRampEntries; ++j)
            levels[6 + j] = {rampGrey(j), kCubeEntries + j};
        std::sort(levels, levels + kLevels,
                  [](const Level& a, const Level& b) { return a.value < b.value; });
        int i = 0;
        for (int v = 0; v < 256; ++v) {
            while (i + 1 < kLevels && levels[i + 1].value <= v)
                ++i;
            for (int t = 0; t < 16; ++t) {
                int index = levels[i].index;
                if (levels[i].value != v) {
                    // upper level when v + (t - 7.5) * gap / 16 reaches the middle of the gap
                    const int gap = levels[i + 1].value - levels[i].value;
                    const int frac = v - levels[i].value;
                    if (32 * frac >= (31 - 2 * t) * gap)
                        index = levels[i + 1].index;
                }
                grey[t][v] = static_cast<uint8_t>(index);
            }
        }
    }
};

const Tables& tables() {
    static const Tables t;
    return t;
}

// One output row of a 24-bit source; Scaled reads the source columns through col.
template <bool Scaled>
void ditherRow(const Tables& tb, const uint8_t* srow, uint8_t* drow, int32_t width, int32_t j,
               const int32_t* col) {
    const uint8_t *red[4], *green[4], *blue[4], *grey[4];
    for (int k = 0; k < 4; ++k) {
        const int t = kBayer[j & 3][k];
        red[k] = tb.red[t];
        green[k] = tb.green[t];
        blue[k] = tb.blue[t];
        grey[k] = tb.grey[t];
    }
    for (int32_t i = 0; i < width; ++i) {
        const uint8_t* p = srow + static_cast<size_t>(Scaled ? col[i] : i) * 3;
        const uint8_t b = p[0], g = p[1], r = p[2];
        const int k = i & 3;
        drow[i] = (r == g && g == b) ? grey[k][r]
                                     : static_cast<uint8_t>(red[k][r] + green[k][g] + blue[k][b]);
    }
}

int32_t halftone(TDibRecord* out, const TDibRecord* src, int32_t width, int32_t height) {
    if (out == nullptr || out == src) // clearing out would destroy the source
        return 0;
    std::memset(out, 0, sizeof(*out));
    if (!hasImage(src) || width <= 0 || height <= 0)
        return 0;
    const int bpp = src->Info->bmiHeader.biBitCount;
    const int32_t sw = src->Info->bmiHeader.biWidth, sh = src->Info->bmiHeader.biHeight;
    if (!validDepth(bpp) || sw <= 0 || sh <= 0)
        return 0;

    const Tables& tb = tables();
    const bool made = bpp == 24 ? newdib(out, width, height, 8, &tb.info, 256)
                                : newdib(out, width, height, 8, src->Info, 1 << bpp);
    if (!made)
        return 0;

    std::vector<int32_t> column;
    try {
        column.resize(static_cast<size_t>(width));
    } catch (...) {
        deldib(out);
        return 0;
    }
    for (int32_t i = 0; i < width; ++i)
        column[static_cast<size_t>(i)] = static_cast<int32_t>(static_cast<int64_t>(i) * sw / width);

    const TDibRecord& s = *src;
    const TDibRecord& d = *out;
    const int32_t* col = column.data();
    const bool large = static_cast<int64_t>(width) * height > 65536; // threads cost more below
    forRows(0, height, large, [&](int32_t j) {
        const uint8_t* srow =
            rowPtr(s, static_cast<int32_t>(static_cast<int64_t>(j) * sh / height));
        uint8_t* drow = rowPtr(d, j);
        switch (bpp) {
        case 24:
            if (width == sw)
                ditherRow<false>(tb, srow, drow, width, j, col);
            else
                ditherRow<true>(tb, srow, drow, width, j, col);
            break;
        case 8:
            for (int32_t i = 0; i < width; ++i)
                drow[i] = srow[col[i]];
            break;
        case 4:
            for (int32_t i = 0; i < width; ++i) {
                const int32_t x = col[i];
                drow[i] =
                    static_cast<uint8_t>((x & 1) ? (srow[x >> 1] & 0x0F) : (srow[x >> 1] >> 4));
            }
            break;
        default:
            for (int32_t i = 0; i < width; ++i) {
                const int32_t x = col[i];
                drow[i] = static_cast<uint8_t>((srow[x >> 3] >> (7 - (x & 7))) & 1);
            }
            break;
        }
    });
    return 1;
}

} // namespace
} // namespace pictora

using namespace pictora;

extern "C" {

int32_t DIBHalftoneDIB(TDibRecord* out, const TDibRecord* src) {
    if (!hasImage(src)) {
        if (out != nullptr && out != src)
            std::memset(out, 0, sizeof(*out));
        return 0;
    }
    return halftone(out, src, src->Info->bmiHeader.biWidth, src->Info->bmiHeader.biHeight);
}

int32_t DIBHalftoneDIBXY(TDibRecord* out, const TDibRecord* src, int32_t width, int32_t height) {
    return halftone(out, src, width, height);
}

} // extern "C"
