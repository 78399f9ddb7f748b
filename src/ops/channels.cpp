// Channel split and combine.  24-bit rows are taken apart and put together sixteen pixels at a
// time with byte shuffles where the processor has AVX2; palette images go through a table of
// their 256 entries.
#include "ops/channels.h"

#include "document/dib.h"
#include "ops/pixel_simd.h"
#include "ops/rows.h"

#include <immintrin.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

namespace pixorama {

std::array<std::string, 3> SplitChannelNames(int counter) {
    const std::string n = std::to_string(counter);
    std::array<std::string, 3> names = {"Rot", "Grün", "Blau"};
    for (std::string& s : names)
        s += n;
    return names;
}

namespace {

using ops::ImageRow;

// Palette index of pixel x of a row of a 1-, 4- or 8-bit image.
inline uint8_t indexAt(const uint8_t* row, int32_t x, int bpp) {
    if (bpp == 8)
        return row[x];
    if (bpp == 4)
        return (x & 1) ? row[x >> 1] & 15 : row[x >> 1] >> 4;
    return (row[x >> 3] >> (7 - (x & 7))) & 1;
}

// Blue, green and red of sixteen pixels (48 bytes) into three rows.
__attribute__((target("avx2"))) int32_t splitAvx2(const uint8_t* src, int32_t w, uint8_t* r,
                                                  uint8_t* g, uint8_t* b) {
    const ops::Gather48& k = ops::kGather;
    int32_t x = 0;
    for (; x + 16 <= w; x += 16) {
        const ops::Pixels16 v = ops::load48(src + 3 * x);
        uint8_t* dst[3] = {b, g, r};
        for (int ch = 0; ch < 3; ++ch) {
            const __m128i c = _mm_or_si128(
                _mm_or_si128(_mm_shuffle_epi8(v.a, k.pick[ch][0]), _mm_shuffle_epi8(v.b, k.pick[ch][1])),
                _mm_shuffle_epi8(v.c, k.pick[ch][2]));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dst[ch] + x), c);
        }
    }
    return x;
}

// Where the bytes of sixteen pixels come from when three rows are put together: destination
// register d takes from plane p the bytes of mask place[d][p].
struct Scatter48 {
    __m128i place[3][3];
};

Scatter48 makeScatter() {
    Scatter48 s;
    for (int d = 0; d < 3; ++d)
        for (int plane = 0; plane < 3; ++plane) {
            alignas(16) int8_t m[16];
            for (int j = 0; j < 16; ++j) {
                const int byte = 16 * d + j;
                m[j] = byte % 3 == plane ? static_cast<int8_t>(byte / 3) : int8_t{-128};
            }
            std::memcpy(&s.place[d][plane], m, 16);
        }
    return s;
}

const Scatter48 kScatter = makeScatter();

__attribute__((target("avx2"))) int32_t combineAvx2(const uint8_t* b, const uint8_t* g,
                                                    const uint8_t* r, int32_t w, uint8_t* dst) {
    int32_t x = 0;
    for (; x + 16 <= w; x += 16) {
        const __m128i planes[3] = {_mm_loadu_si128(reinterpret_cast<const __m128i*>(b + x)),
                                   _mm_loadu_si128(reinterpret_cast<const __m128i*>(g + x)),
                                   _mm_loadu_si128(reinterpret_cast<const __m128i*>(r + x))};
        for (int d = 0; d < 3; ++d) {
            const __m128i v =
                _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(planes[0], kScatter.place[d][0]),
                                          _mm_shuffle_epi8(planes[1], kScatter.place[d][1])),
                             _mm_shuffle_epi8(planes[2], kScatter.place[d][2]));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 3 * x + 16 * d), v);
        }
    }
    return x;
}

__attribute__((target("avx2"))) int32_t luminanceAvx2(const uint8_t* src, int32_t w,
                                                      uint8_t* out) {
    int32_t x = 0;
    for (; x + 16 <= w; x += 16)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x),
                         ops::luminance16(ops::kGather, src + 3 * x));
    return x;
}

// One source of a combine: its luminance row by row.
struct LumSource {
    const TDibRecord* dib;
    int bpp;
    uint8_t lum[256]; // luminance of each palette entry
    bool identity;    // an 8-bit image whose entry i has luminance i: its rows are their own

    explicit LumSource(const TDibRecord& d) : dib(&d), bpp(DibBitsPerPixel(&d)), identity(bpp == 8) {
        for (int i = 0; i < 256; ++i) {
            const TPaletteEntry& e = d.Palette.palPalEntry[i];
            lum[i] = static_cast<uint8_t>(ops::Luminance(e.peRed, e.peGreen, e.peBlue));
            identity = identity && lum[i] == i;
        }
    }

    const uint8_t* row(int32_t y, int32_t w, uint8_t* buf) const {
        const uint8_t* src = ImageRow(*dib, y);
        if (identity)
            return src;
        if (bpp == 24) {
            int32_t x = ops::PixelAvx2() ? luminanceAvx2(src, w, buf) : 0;
            for (; x < w; ++x)
                buf[x] = static_cast<uint8_t>(
                    ops::Luminance(src[3 * x + 2], src[3 * x + 1], src[3 * x]));
        } else {
            for (int32_t x = 0; x < w; ++x)
                buf[x] = lum[indexAt(src, x, bpp)];
        }
        return buf;
    }
};

} // namespace

bool SplittTORGB(const TDibRecord& src, Host& host, std::array<TDibRecord, 3>& out) {
    for (TDibRecord& d : out)
        std::memset(&d, 0, sizeof(d));
    if (!ops::HasPixels(src))
        return false;
    const int32_t w = DibWidth(&src), h = DibHeight(&src);
    const int bpp = DibBitsPerPixel(&src);
    DibHolder r, g, b;
    newdib_unfilled(&r.get(), w, h, 8, nullptr, 0);
    newdib_unfilled(&g.get(), w, h, 8, nullptr, 0);
    newdib_unfilled(&b.get(), w, h, 8, nullptr, 0);
    if (!r.ok() || !g.ok() || !b.ok()) {
        host.MessageBox(kTextNoMemory, "", MB_ICONSTOP);
        return false;
    }
    uint8_t pal[256][3]; // red, green, blue of each entry
    for (int i = 0; i < 256; ++i) {
        const TPaletteEntry& e = src.Palette.palPalEntry[i];
        pal[i][0] = e.peRed;
        pal[i][1] = e.peGreen;
        pal[i][2] = e.peBlue;
    }
    const size_t pad = static_cast<size_t>(r->LineBytes) - static_cast<size_t>(w);
    const TDibRecord &rd = r.get(), &gd = g.get(), &bd = b.get();
    host.SetProSatus(0);
    ops::ForEachRow(host, h, static_cast<size_t>(w) * 3, [&](int32_t y) {
        const uint8_t* s = ImageRow(src, y);
        uint8_t* pr = ImageRow(rd, y);
        uint8_t* pg = ImageRow(gd, y);
        uint8_t* pb = ImageRow(bd, y);
        if (bpp == 24) {
            int32_t x = ops::PixelAvx2() ? splitAvx2(s, w, pr, pg, pb) : 0;
            for (; x < w; ++x) {
                pb[x] = s[3 * x];
                pg[x] = s[3 * x + 1];
                pr[x] = s[3 * x + 2];
            }
        } else {
            for (int32_t x = 0; x < w; ++x) {
                const uint8_t* e = pal[indexAt(s, x, bpp)];
                pr[x] = e[0];
                pg[x] = e[1];
                pb[x] = e[2];
            }
        }
        std::memset(pr + w, 0, pad);
        std::memset(pg + w, 0, pad);
        std::memset(pb + w, 0, pad);
    });
    host.SetProSatus(0);
    out = {r.release(), g.release(), b.release()};
    return true;
}

TDibRecord CombineFromRGB(const TDibRecord& red, const TDibRecord& green, const TDibRecord& blue,
                          Host& host) {
    TDibRecord none{};
    const int32_t w = DibWidth(&red), h = DibHeight(&red);
    if (DibWidth(&green) != w || DibWidth(&blue) != w || DibHeight(&green) != h ||
        DibHeight(&blue) != h) {
        host.MessageBox(kTextCombineSizes, "", MB_ICONSTOP);
        return none;
    }
    if (!ops::HasPixels(red) || !ops::HasPixels(green) || !ops::HasPixels(blue))
        return none;
    DibHolder result;
    newdib_unfilled(&result.get(), w, h, 24, nullptr, 0);
    if (!result.ok()) {
        host.MessageBox(kTextNoMemory, "", MB_ICONSTOP);
        return none;
    }
    try {
        const LumSource sources[3] = {LumSource(blue), LumSource(green), LumSource(red)};
        const size_t rowBytes = static_cast<size_t>(w) * 3;
        const size_t pad = static_cast<size_t>(result->LineBytes) - rowBytes;
        const auto slots = static_cast<size_t>(std::max(1, ThreadCount()));
        std::vector<uint8_t> scratch(slots * 3 * static_cast<size_t>(w));
        const TDibRecord& out = result.get();
        host.SetProSatus(0);
        ops::ForEachRowBlock(host, h, rowBytes, 16, [&](int32_t y0, int32_t y1, int32_t slot) {
            uint8_t* buf = scratch.data() + static_cast<size_t>(slot) * 3 * static_cast<size_t>(w);
            for (int32_t y = y0; y < y1; ++y) {
                const uint8_t* p[3];
                for (size_t c = 0; c < 3; ++c)
                    p[c] = sources[c].row(y, w, buf + c * static_cast<size_t>(w));
                uint8_t* dst = ImageRow(out, y);
                int32_t x = ops::PixelAvx2() ? combineAvx2(p[0], p[1], p[2], w, dst) : 0;
                for (; x < w; ++x) {
                    dst[3 * x] = p[0][x];
                    dst[3 * x + 1] = p[1][x];
                    dst[3 * x + 2] = p[2][x];
                }
                std::memset(dst + rowBytes, 0, pad);
            }
        });
    } catch (const std::bad_alloc&) {
        host.SetProSatus(0);
        host.MessageBox(kTextNoMemory, "", MB_ICONSTOP);
        return none;
    }
    host.SetProSatus(0);
    return result.release();
}

} // namespace pixorama
