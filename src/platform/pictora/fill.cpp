// Flood fill: the 4-connected region of colours near the seed colour is found span by span with
// an explicit stack and marked in a 1-bit record; only then is it painted (solid, a tiled
// pattern or one of four gradients over the region's bounding box), so the paint colour can
// never steer the search.
#include "draw_internal.h"

#include <immintrin.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

namespace pictora {
namespace {

inline bool bitAt(const uint8_t* row, int32_t x) {
    return (row[x >> 3] >> (7 - (x & 7))) & 1;
}

bool isOneBitOfSize(const TDibRecord* r, int32_t w, int32_t h) {
    return hasImage(r) && r->Info->bmiHeader.biBitCount == 1 && r->Info->bmiHeader.biWidth == w &&
           r->Info->bmiHeader.biHeight == h && r->LineBytes >= (w + 7) / 8;
}

// A scratch record that is freed on every way out.
struct ScratchDib {
    TDibRecord d{};
    ScratchDib() = default;
    ScratchDib(const ScratchDib&) = delete;
    ScratchDib& operator=(const ScratchDib&) = delete;
    ~ScratchDib() { deldib(&d); }
};

// First x in [a, b] whose bit is `want`, or b + 1; eight bytes at a time between the ends.
int32_t findBitRight(const uint8_t* row, int32_t a, int32_t b, bool want) {
    const uint8_t flip = want ? 0x00 : 0xFF;
    int32_t x = a;
    for (; x <= b && (x & 7) != 0; ++x)
        if (bitAt(row, x) == want)
            return x;
    for (; x + 63 <= b; x += 64) {
        uint64_t word;
        std::memcpy(&word, row + (x >> 3), 8);
        if (word != (want ? 0 : ~uint64_t{0}))
            break;
    }
    for (; x + 7 <= b; x += 8) {
        const unsigned byte = static_cast<uint8_t>(row[x >> 3] ^ flip);
        if (byte != 0)
            return x + __builtin_clz(byte) - 24; // the leftmost pixel is the high bit
    }
    for (; x <= b; ++x)
        if (bitAt(row, x) == want)
            return x;
    return b + 1;
}

// Last x in [a, b] whose bit is `want`, or a - 1.
int32_t findBitLeft(const uint8_t* row, int32_t a, int32_t b, bool want) {
    const uint8_t flip = want ? 0x00 : 0xFF;
    int32_t x = b;
    for (; x >= a && (x & 7) != 7; --x)
        if (bitAt(row, x) == want)
            return x;
    for (; x - 63 >= a; x -= 64) {
        uint64_t word;
        std::memcpy(&word, row + ((x - 63) >> 3), 8);
        if (word != (want ? 0 : ~uint64_t{0}))
            break;
    }
    for (; x - 7 >= a; x -= 8) {
        const unsigned byte = static_cast<uint8_t>(row[x >> 3] ^ flip);
        if (byte != 0)
            return x - __builtin_ctz(byte); // the rightmost pixel is the low bit
    }
    for (; x >= a; --x)
        if (bitAt(row, x) == want)
            return x;
    return a - 1;
}

// Which stored values belong to the region's colour: per channel for 24-bit images, per
// palette index (through the palette colours) otherwise.  For 24 bits each channel's values
// form one range; lo and hi repeat the three ranges (blue, green, red) over 64 pixels for the
// vector loops.
struct ColourTest {
    bool index[256] = {};
    bool red[256] = {}, green[256] = {}, blue[256] = {};
    alignas(64) uint8_t lo[192] = {};
    alignas(64) uint8_t hi[192] = {};
    SimdLevel simd = SimdLevel::Plain;
};

void buildColourTest(const TDibRecord& t, int32_t seed, int32_t tol, ColourTest& ct) {
    const int bpp = t.Info->bmiHeader.biBitCount;
    auto near = [tol](int a, int b) { return std::abs(a - b) <= tol; };
    if (bpp == 24) {
        const int r = seed & 0xFF, g = (seed >> 8) & 0xFF, b = (seed >> 16) & 0xFF;
        for (int i = 0; i < 256; ++i) {
            ct.red[i] = near(i, r);
            ct.green[i] = near(i, g);
            ct.blue[i] = near(i, b);
        }
        const int channel[3] = {b, g, r};
        for (int i = 0; i < 192; ++i) {
            const int c = channel[i % 3];
            ct.lo[i] = static_cast<uint8_t>(std::max(0, c - tol));
            ct.hi[i] = static_cast<uint8_t>(std::min(255, c + tol));
        }
        ct.simd = simdLevel();
        return;
    }
    const TRGBQuad* pal = t.Info->bmiColors;
    const TRGBQuad& s = pal[seed];
    for (int i = 0; i < (1 << bpp); ++i)
        ct.index[i] = near(pal[i].rgbRed, s.rgbRed) && near(pal[i].rgbGreen, s.rgbGreen) &&
                      near(pal[i].rgbBlue, s.rgbBlue);
}

template <int Bpp> inline bool colourMatches(const ColourTest& ct, const uint8_t* row, int32_t x) {
    if constexpr (Bpp == 24) {
        const uint8_t* p = row + static_cast<size_t>(x) * 3;
        return ct.blue[p[0]] && ct.green[p[1]] && ct.red[p[2]];
    } else if constexpr (Bpp == 8) {
        return ct.index[row[x]];
    } else if constexpr (Bpp == 4) {
        return ct.index[(x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4)];
    } else {
        return ct.index[bitAt(row, x)];
    }
}

// The vector loops pass whole blocks of matching 24-bit pixels (32 for AVX2, 64 for AVX-512):
// a byte is outside its channel's range when it lies above hi or below lo, which the saturating
// differences show.  They stop before the first block holding a pixel that does not match; the
// plain loop then finds it.
__attribute__((target("avx2"))) inline bool block32Matches(const ColourTest& ct, const uint8_t* p) {
    __m256i bad = _mm256_setzero_si256();
    for (int k = 0; k < 3; ++k) {
        const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32 * k));
        const __m256i lo = _mm256_load_si256(reinterpret_cast<const __m256i*>(ct.lo + 32 * k));
        const __m256i hi = _mm256_load_si256(reinterpret_cast<const __m256i*>(ct.hi + 32 * k));
        bad = _mm256_or_si256(bad, _mm256_or_si256(_mm256_subs_epu8(v, hi), _mm256_subs_epu8(lo, v)));
    }
    return _mm256_testz_si256(bad, bad) != 0;
}

__attribute__((target("avx512f,avx512bw"))) inline bool block64Matches(const ColourTest& ct,
                                                                      const uint8_t* p) {
    __m512i bad = _mm512_setzero_si512();
    for (int k = 0; k < 3; ++k) {
        const __m512i v = _mm512_loadu_si512(p + 64 * k);
        const __m512i lo = _mm512_load_si512(ct.lo + 64 * k);
        const __m512i hi = _mm512_load_si512(ct.hi + 64 * k);
        bad = _mm512_or_si512(bad, _mm512_or_si512(_mm512_subs_epu8(v, hi), _mm512_subs_epu8(lo, v)));
    }
    return _mm512_test_epi64_mask(bad, bad) == 0;
}

__attribute__((target("avx2"))) int32_t passRightAvx2(const ColourTest& ct, const uint8_t* row,
                                                      int32_t x, int32_t b) {
    for (; x + 31 <= b && block32Matches(ct, row + 3 * static_cast<size_t>(x)); x += 32) {
    }
    return x;
}
__attribute__((target("avx2"))) int32_t passLeftAvx2(const ColourTest& ct, const uint8_t* row,
                                                     int32_t a, int32_t x) {
    for (; x - 31 >= a && block32Matches(ct, row + 3 * static_cast<size_t>(x - 31)); x -= 32) {
    }
    return x;
}
__attribute__((target("avx512f,avx512bw"))) int32_t passRightAvx512(const ColourTest& ct,
                                                                    const uint8_t* row, int32_t x,
                                                                    int32_t b) {
    for (; x + 63 <= b && block64Matches(ct, row + 3 * static_cast<size_t>(x)); x += 64) {
    }
    return passRightAvx2(ct, row, x, b);
}
__attribute__((target("avx512f,avx512bw"))) int32_t passLeftAvx512(const ColourTest& ct,
                                                                   const uint8_t* row, int32_t a,
                                                                   int32_t x) {
    for (; x - 63 >= a && block64Matches(ct, row + 3 * static_cast<size_t>(x - 63)); x -= 64) {
    }
    return passLeftAvx2(ct, row, a, x);
}

// First x in [a, b] whose colour does not match, or b + 1.
template <int Bpp>
int32_t mismatchRight(const ColourTest& ct, const uint8_t* row, int32_t a, int32_t b) {
    int32_t x = a;
    if constexpr (Bpp == 24) {
        if (ct.simd == SimdLevel::Avx512)
            x = passRightAvx512(ct, row, x, b);
        else if (ct.simd == SimdLevel::Avx2)
            x = passRightAvx2(ct, row, x, b);
    }
    while (x <= b && colourMatches<Bpp>(ct, row, x))
        ++x;
    return x;
}

// Last x in [a, b] whose colour does not match, or a - 1.
template <int Bpp>
int32_t mismatchLeft(const ColourTest& ct, const uint8_t* row, int32_t a, int32_t b) {
    int32_t x = b;
    if constexpr (Bpp == 24) {
        if (ct.simd == SimdLevel::Avx512)
            x = passLeftAvx512(ct, row, a, x);
        else if (ct.simd == SimdLevel::Avx2)
            x = passLeftAvx2(ct, row, a, x);
    }
    while (x >= a && colourMatches<Bpp>(ct, row, x))
        --x;
    return x;
}

struct Region {
    int64_t count = 0;
    int32_t x0 = 0, y0 = 0, x1 = -1, y1 = -1; // bounding box, inclusive
};

struct Span {
    int32_t l, r, y;
};

// Marks the region in work (already cleared) and returns its size and bounding box.  The seed
// must be open (inside the mask when one is used).
template <int Bpp, bool UseMask>
Region searchRegion(const TDibRecord& t, const TDibRecord& work, const TDibRecord* mask,
                    const ColourTest& ct, int32_t sx, int32_t sy) {
    const int32_t w = t.Info->bmiHeader.biWidth, h = t.Info->bmiHeader.biHeight;
    struct Rows {
        const uint8_t* pix;
        const uint8_t* mask;
        uint8_t* mark;
    };
    auto rowsOf = [&](int32_t y) {
        return Rows{rowPtr(t, y), UseMask ? rowPtr(*mask, y) : nullptr, rowPtr(work, y)};
    };
    auto open = [&](const Rows& r, int32_t x) {
        if (bitAt(r.mark, x))
            return false;
        if constexpr (UseMask)
            if (!bitAt(r.mask, x))
                return false;
        return colourMatches<Bpp>(ct, r.pix, x);
    };
    // first x in [a, b] that is not open, or b + 1: unmarked, inside the mask, matching colour
    auto closedRight = [&](const Rows& r, int32_t a, int32_t b) {
        b = findBitRight(r.mark, a, b, true) - 1;
        if constexpr (UseMask)
            b = findBitRight(r.mask, a, b, false) - 1;
        return mismatchRight<Bpp>(ct, r.pix, a, b);
    };
    // last x in [a, b] that is not open, or a - 1
    auto closedLeft = [&](const Rows& r, int32_t a, int32_t b) {
        a = findBitLeft(r.mark, a, b, true) + 1;
        if constexpr (UseMask)
            a = findBitLeft(r.mask, a, b, false) + 1;
        return mismatchLeft<Bpp>(ct, r.pix, a, b);
    };

    Region reg;
    reg.x0 = reg.x1 = sx;
    reg.y0 = reg.y1 = sy;
    std::vector<Span> stack;
    // takes the widest open run through the open pixel x on row y, marks it and queues it;
    // returns its end
    auto claim = [&](const Rows& r, int32_t y, int32_t x) {
        const int32_t l = closedLeft(r, 0, x - 1) + 1;
        const int32_t e = closedRight(r, x + 1, w - 1) - 1;
        setBits(r.mark, l, e);
        reg.count += e - l + 1;
        reg.x0 = std::min(reg.x0, l);
        reg.x1 = std::max(reg.x1, e);
        reg.y0 = std::min(reg.y0, y);
        reg.y1 = std::max(reg.y1, y);
        stack.push_back({l, e, y});
        return e;
    };

    claim(rowsOf(sy), sy, sx);
    while (!stack.empty()) {
        const Span s = stack.back();
        stack.pop_back();
        for (const int32_t ny : {s.y - 1, s.y + 1}) {
            if (ny < 0 || ny >= h)
                continue;
            const Rows r = rowsOf(ny);
            for (int32_t x = s.l; x <= s.r; ++x) {
                // pixels already in the region are passed many at once
                x = findBitRight(r.mark, x, s.r, false);
                if (x > s.r)
                    break;
                if (open(r, x))
                    x = claim(r, ny, x) + 1; // x + 1 is closed: skip it as well
            }
        }
    }
    return reg;
}

template <int Bpp>
Region searchDepth(const TDibRecord& t, const TDibRecord& work, const TDibRecord* mask,
                   const ColourTest& ct, int32_t sx, int32_t sy) {
    return mask ? searchRegion<Bpp, true>(t, work, mask, ct, sx, sy)
                : searchRegion<Bpp, false>(t, work, mask, ct, sx, sy);
}

// Calls fn(a, b) for every run a..b of marked pixels of a work row between x0 and x1.
template <class Fn> void forEachRun(const uint8_t* row, int32_t x0, int32_t x1, Fn&& fn) {
    for (int32_t x = x0; x <= x1;) {
        const int32_t a = findBitRight(row, x, x1, true);
        if (a > x1)
            return;
        const int32_t b = findBitRight(row, a, x1, false) - 1;
        fn(a, b);
        x = b + 1;
    }
}

// Gradient positions are fixed-point: t = q / kOne.
constexpr int64_t kOne = 65536;
constexpr double kTwoPi = 6.283185307179586476925286766559;

// Rounds num / den to the nearest multiple of 1 / kOne (halves up); 0 for an empty range.
inline int64_t fracQ(int64_t num, int64_t den) {
    return den <= 0 ? 0 : (num * kOne + den / 2) / den;
}

// Direction of travel from the 'from' side to the 'to' side, y pointing down.
struct Dir {
    int ex, ey;
};
constexpr Dir kDirs[8] = {{1, 1}, {0, 1}, {-1, 1}, {-1, 0}, {-1, -1}, {0, -1}, {1, -1}, {1, 0}};

// What a region is painted with.
class Painter {
  public:
    Painter(const TDibRecord& t, int32_t style, int32_t direction, int32_t value1, int32_t value2,
            const TDibRecord* pattern)
        : t_(t), bpp_(t.Info->bmiHeader.biBitCount), value1_(value1) {
        // unknown styles paint solid, directions are taken modulo 8
        style_ = style >= PICTORA_FILL_SOLID && style <= PICTORA_FILL_RADIAL ? style
                                                                             : PICTORA_FILL_SOLID;
        dir_ = ((direction % 8) + 8) % 8;
        for (int i = 0; i < 96; i += 3) {
            solid24_[i] = static_cast<uint8_t>(value1 >> 16);
            solid24_[i + 1] = static_cast<uint8_t>(value1 >> 8);
            solid24_[i + 2] = static_cast<uint8_t>(value1);
        }
        if (style_ == PICTORA_FILL_PATTERN)
            preparePattern(pattern);
        if (style_ >= PICTORA_FILL_LINEAR)
            prepareGradient(value1, value2); // may throw
    }

    void setBox(const Region& reg) {
        bx0_ = reg.x0;
        by0_ = reg.y0;
        bx1_ = reg.x1;
        by1_ = reg.y1;
        w_ = bx1_ - bx0_;
        h_ = by1_ - by0_;
        const Dir d = kDirs[dir_];
        if (d.ex != 0 && d.ey != 0) {
            // diagonals start at a corner of the box
            sunX_ = -d.ex * w_;
            sunY_ = -d.ey * h_;
        } else {
            sunX_ = -d.ex;
            sunY_ = -d.ey;
        }
    }

    // Paints a..b of row y (inside the image).  Called from several threads at once, one row
    // each: nothing here allocates or throws.
    void paintRun(int32_t y, int32_t a, int32_t b) const {
        switch (style_) {
        case PICTORA_FILL_SOLID:
            if (bpp_ == 24)
                fillRun24(rowPtr(t_, y) + 3 * static_cast<size_t>(a), b - a + 1);
            else
                fillSpan(t_, y, a, b, value1_);
            return;
        case PICTORA_FILL_PATTERN:
            for (int32_t x = a; x <= b; ++x)
                put(y, x, patternValue(x, y));
            return;
        default:
            for (int32_t x = a; x <= b; ++x)
                put(y, x, lut_[static_cast<size_t>(gradientQ(x, y))]);
            return;
        }
    }

  private:
    // n pixels of value1 from p on, 32 pixels (96 bytes) per copy
    void fillRun24(uint8_t* p, int32_t n) const {
        for (; n >= 32; n -= 32, p += 96)
            std::memcpy(p, solid24_, 96);
        std::memcpy(p, solid24_, 3 * static_cast<size_t>(n));
    }

    void put(int32_t y, int32_t x, int32_t v) const {
        if (bpp_ == 24) {
            uint8_t* p = rowPtr(t_, y) + static_cast<size_t>(x) * 3;
            p[0] = static_cast<uint8_t>(v >> 16);
            p[1] = static_cast<uint8_t>(v >> 8);
            p[2] = static_cast<uint8_t>(v);
        } else if (bpp_ == 8) {
            rowPtr(t_, y)[x] = static_cast<uint8_t>(v);
        } else {
            writePixel(t_, x, y, v);
        }
    }

    static int32_t rgbOf(const TRGBQuad& q) {
        return q.rgbRed | (q.rgbGreen << 8) | (q.rgbBlue << 16);
    }

    int32_t nearestIndex(int32_t rgb) const {
        return static_cast<int32_t>(
            GetNearestPaletteIndex(t_.PaletteHandle, static_cast<uint32_t>(rgb)));
    }

    void preparePattern(const TDibRecord* p) {
        if (!hasImage(p) || !validDepth(p->Info->bmiHeader.biBitCount) ||
            p->Info->bmiHeader.biWidth <= 0 || p->Info->bmiHeader.biHeight <= 0) {
            style_ = PICTORA_FILL_SOLID; // a pattern without pixels fills with value1
            return;
        }
        pat_ = p;
        pw_ = p->Info->bmiHeader.biWidth;
        ph_ = p->Info->bmiHeader.biHeight;
        const int pbpp = p->Info->bmiHeader.biBitCount;
        if (pbpp == bpp_) {
            patMode_ = PatRaw;
        } else if (pbpp <= 8) {
            // different depth: go through the pattern's colours
            patMode_ = PatTable;
            for (int i = 0; i < (1 << pbpp); ++i) {
                const int32_t rgb = rgbOf(p->Info->bmiColors[i]);
                patMap_[i] = bpp_ == 24 ? rgb : nearestIndex(rgb);
            }
        } else {
            patMode_ = PatNearest; // 24-bit pattern on a palette image
        }
    }

    int32_t patternValue(int32_t x, int32_t y) const {
        const int32_t v = readPixel(*pat_, x % pw_, y % ph_);
        switch (patMode_) {
        case PatTable:
            return patMap_[v];
        case PatNearest:
            return nearestIndex(v);
        default:
            return v;
        }
    }

    // One pixel value per fixed-point position: the per-channel blend rounded to nearest
    // (halves up), mapped to the nearest palette entry on palette images.
    void prepareGradient(int32_t value1, int32_t value2) {
        int r1, g1, b1, r2, g2, b2;
        if (bpp_ == 24) {
            r1 = value1 & 0xFF, g1 = (value1 >> 8) & 0xFF, b1 = (value1 >> 16) & 0xFF;
            r2 = value2 & 0xFF, g2 = (value2 >> 8) & 0xFF, b2 = (value2 >> 16) & 0xFF;
        } else {
            const int maskIdx = (1 << bpp_) - 1;
            const TRGBQuad& c1 = t_.Info->bmiColors[value1 & maskIdx];
            const TRGBQuad& c2 = t_.Info->bmiColors[value2 & maskIdx];
            r1 = c1.rgbRed, g1 = c1.rgbGreen, b1 = c1.rgbBlue;
            r2 = c2.rgbRed, g2 = c2.rgbGreen, b2 = c2.rgbBlue;
        }
        lut_.resize(static_cast<size_t>(kOne) + 1);
        auto blend = [](int64_t c1, int64_t c2, int64_t q) {
            return static_cast<int32_t>((c1 * (kOne - q) + c2 * q + kOne / 2) / kOne);
        };
        int32_t lastRgb = -1, lastValue = 0;
        for (int64_t q = 0; q <= kOne; ++q) {
            const int32_t rgb =
                blend(r1, r2, q) | (blend(g1, g2, q) << 8) | (blend(b1, b2, q) << 16);
            if (bpp_ == 24) {
                lut_[static_cast<size_t>(q)] = rgb;
                continue;
            }
            // the blend moves monotonically, so consecutive positions mostly share a colour
            if (rgb != lastRgb) {
                lastRgb = rgb;
                lastValue = nearestIndex(rgb);
            }
            lut_[static_cast<size_t>(q)] = lastValue;
        }
    }

    // Position of pixel (x, y) in the gradient, 0..kOne.  Offsets from the box centre are
    // doubled so that they stay integral.
    int64_t gradientQ(int32_t x, int32_t y) const {
        const Dir d = kDirs[dir_];
        const int64_t X = 2 * static_cast<int64_t>(x) - (bx0_ + bx1_);
        const int64_t Y = 2 * static_cast<int64_t>(y) - (by0_ + by1_);
        // directions 0..3 put value1 in the centre, 4..7 on the rim (rectangular and radial)
        const bool reverse = dir_ >= 4;
        switch (style_) {
        case PICTORA_FILL_LINEAR: {
            // projection onto the corner-to-corner (or edge-to-edge) vector of the box
            const int64_t wx = d.ex != 0 ? w_ : 0, wy = d.ey != 0 ? h_ : 0;
            const int64_t px = d.ex > 0 ? x - bx0_ : bx1_ - x;
            const int64_t py = d.ey > 0 ? y - by0_ : by1_ - y;
            return fracQ(px * wx + py * wy, wx * wx + wy * wy);
        }
        case PICTORA_FILL_RECTANGULAR: {
            const int64_t ax = std::llabs(X), ay = std::llabs(Y);
            int64_t q;
            if (w_ > 0 && h_ > 0)
                q = fracQ(std::max(ax * h_, ay * w_), w_ * h_);
            else if (w_ > 0)
                q = fracQ(ax, w_);
            else
                q = fracQ(ay, h_);
            return reverse ? kOne - q : q;
        }
        case PICTORA_FILL_SUNBURST: {
            // clockwise angle on screen from the start vector; exact 0 on the start ray
            const int64_t cross = sunX_ * Y - sunY_ * X;
            const int64_t dot = sunX_ * X + sunY_ * Y;
            double a = std::atan2(static_cast<double>(cross), static_cast<double>(dot));
            if (a < 0)
                a += kTwoPi;
            const double q = std::nearbyint(a * (static_cast<double>(kOne) / kTwoPi));
            return std::clamp<int64_t>(static_cast<int64_t>(q), 0, kOne);
        }
        default: { // radial: distance from the centre over the centre-to-corner distance
            const int64_t r2 = w_ * w_ + h_ * h_;
            int64_t q = 0;
            if (r2 > 0) {
                const double f =
                    std::sqrt(static_cast<double>(X * X + Y * Y) / static_cast<double>(r2));
                q = std::clamp<int64_t>(static_cast<int64_t>(std::nearbyint(f * kOne)), 0, kOne);
            }
            return reverse ? kOne - q : q;
        }
        }
    }

    enum PatMode { PatRaw, PatTable, PatNearest };

    const TDibRecord& t_;
    int bpp_;
    int32_t value1_;
    uint8_t solid24_[96] = {}; // value1 as 32 pixels of blue, green, red
    int style_ = PICTORA_FILL_SOLID;
    int dir_ = 0;
    // pattern
    const TDibRecord* pat_ = nullptr;
    int32_t pw_ = 1, ph_ = 1;
    PatMode patMode_ = PatRaw;
    int32_t patMap_[256] = {};
    // gradient
    std::vector<int32_t> lut_;
    int64_t bx0_ = 0, by0_ = 0, bx1_ = 0, by1_ = 0, w_ = 0, h_ = 0;
    int64_t sunX_ = 0, sunY_ = 0;
};

int64_t fillRegion(const TDibRecord& t, int32_t x, int32_t y, int32_t value1, int32_t value2,
                   int32_t tolerance, const TDibRecord* mask, const TDibRecord* work, int32_t style,
                   int32_t direction, const TDibRecord* pattern) {
    const int32_t w = t.Info->bmiHeader.biWidth, h = t.Info->bmiHeader.biHeight;
    const int bpp = t.Info->bmiHeader.biBitCount;

    // everything that can fail comes before the first pixel changes
    Painter painter(t, style, direction, value1, value2, pattern);
    ScratchDib scratch;
    const TDibRecord* marks = work;
    // the marks must not overwrite anything that is read
    if (!isOneBitOfSize(work, w, h) || work->Bits == t.Bits ||
        (mask != nullptr && work->Bits == mask->Bits) ||
        (pattern != nullptr && work->Bits == pattern->Bits)) {
        if (!newdib(&scratch.d, w, h, 1, nullptr, 0))
            return 0;
        marks = &scratch.d;
    } else {
        std::memset(work->Bits, 0, static_cast<size_t>(work->LineBytes) * static_cast<size_t>(h));
    }

    ColourTest ct;
    buildColourTest(t, readPixel(t, x, y), std::max(tolerance, 0), ct);

    Region reg;
    switch (bpp) {
    case 1:
        reg = searchDepth<1>(t, *marks, mask, ct, x, y);
        break;
    case 4:
        reg = searchDepth<4>(t, *marks, mask, ct, x, y);
        break;
    case 8:
        reg = searchDepth<8>(t, *marks, mask, ct, x, y);
        break;
    default:
        reg = searchDepth<24>(t, *marks, mask, ct, x, y);
        break;
    }

    painter.setBox(reg);
    const TDibRecord& m = *marks;
    forRows(reg.y0, reg.y1 + 1, reg.count > 65536, [&](int32_t row) {
        forEachRun(rowPtr(m, row), reg.x0, reg.x1,
                   [&](int32_t a, int32_t b) { painter.paintRun(row, a, b); });
    });
    return reg.count;
}

} // namespace
} // namespace pictora

using namespace pictora;

extern "C" {

int32_t filldib(const TDibRecord* target, int32_t x, int32_t y, int32_t value1, int32_t value2,
                int32_t tolerance, const TDibRecord* mask, int32_t useMask, const TDibRecord* work,
                int32_t style, int32_t direction, const TDibRecord* pattern) {
    if (!hasImage(target) || !validDepth(target->Info->bmiHeader.biBitCount))
        return 0;
    const int32_t w = target->Info->bmiHeader.biWidth, h = target->Info->bmiHeader.biHeight;
    if (x < 0 || y < 0 || x >= w || y >= h)
        return 0;
    const TDibRecord* m = nullptr;
    if (useMask == 1) {
        // no usable mask means no pixel lies inside it
        if (!isOneBitOfSize(mask, w, h))
            return 0;
        if (!bitAt(rowPtr(*mask, y), x))
            return 0;
        m = mask;
    }
    try {
        const int64_t n = fillRegion(*target, x, y, value1, value2, tolerance, m, work, style,
                                     direction, pattern);
        return static_cast<int32_t>(std::min<int64_t>(n, INT32_MAX));
    } catch (...) {
        return 0; // memory short before anything was painted
    }
}

} // extern "C"
