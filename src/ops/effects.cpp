// Shadow, button, mosaic, the 5x5 neighbourhood filters and noise.  The neighbourhood filters
// read a work copy with a replicated two-pixel margin and sum each channel over 5x5 pixels as
// five-row column sums followed by five-column sums, rows in parallel.
#include "ops/effects.h"

#include "document/dib.h"
#include "document/selection.h"
#include "document/undo.h"
#include "ops/convolution.h"
#include "ops/geometry.h"
#include "ops/pixel_simd.h"
#include "ops/rows.h"
#include "ops/tone.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <vector>

namespace pixorama {

using namespace ops;

int32_t EffectColor(const DocumentState& doc, int item) {
    static constexpr uint32_t kFixed[5] = {0x000000, 0xFFFFFF, 0x0000FF, 0x00FF00, 0xFF0000};
    if (item == 0)
        return doc.ForeColor;
    if (item < 2 || item > 6)
        return doc.BackColor;
    const uint32_t packed = kFixed[item - 2]; // R + 256 G + 65536 B
    if (IsPaletteImage(doc.Dib))
        return static_cast<int32_t>(GetNearestPaletteIndex(doc.Dib.PaletteHandle, packed));
    return static_cast<int32_t>(packed);
}

namespace {

inline int32_t roundEven(double v) {
    return static_cast<int32_t>(std::nearbyint(v));
}

inline uint8_t* pixel24(const TDibRecord& d, int32_t x, int32_t y) {
    return ImageRow(d, y) + 3 * x;
}

} // namespace

void DrawShadow(DocumentState& doc, Host& host, int32_t dx, int32_t dy, int32_t tr, int32_t so,
                int32_t colour) {
    const TDibRecord& d = doc.Dib;
    if (!HasPixels(d) || !doc.HasSelection)
        return;
    const int32_t w = DibWidth(&d), h = DibHeight(&d);
    const TRect r = doc.SelRect;
    const int32_t y0 = std::max(r.Top + dy, 0), y1 = std::min(r.Bottom + dy, h - 1);
    const int32_t x0 = std::max(r.Left + dx, 0), x1 = std::min(r.Right + dx, w - 1);
    auto candidate = [&](int32_t x, int32_t y) {
        return MaskValue(doc, x, y) == 0 && MaskValue(doc, x - dx, y - dy) == 1;
    };
    host.SetProSatus(0);
    StepProgress progress(host, y1 - y0 + 1);
    if (IsPaletteImage(d)) {
        for (int32_t y = y0; y <= y1; ++y) {
            progress.at(y - y0);
            for (int32_t x = x0; x <= x1; ++x)
                if (candidate(x, y))
                    setpixel(&d, x, y, colour);
        }
        host.SetProSatus(0);
        return;
    }
    const int32_t c[3] = {(colour >> 16) & 255, (colour >> 8) & 255, colour & 255}; // B, G, R
    const int32_t hw = std::abs(r.Right - r.Left) / 2, hh = std::abs(r.Bottom - r.Top) / 2;
    const int32_t cx = r.Left + dx + hw, cy = r.Top + dy + hh;
    for (int32_t y = y0; y <= y1; ++y) {
        progress.at(y - y0);
        for (int32_t x = x0; x <= x1; ++x) {
            if (!candidate(x, y))
                continue;
            int32_t m = 0;
            if (hw != 0 && hh != 0) {
                const int64_t ax = std::abs(cx - x), ay = std::abs(cy - y);
                const int64_t box = std::max(ax * 100 / hw, ay * 100 / hh);
                const int64_t rad = int64_t{roundEven(std::sqrt(static_cast<double>(ax * ax + ay * ay)))} *
                                    100 / std::max(hw, hh);
                m = static_cast<int32_t>(std::min<int64_t>((box * (100 - so) + rad * so) / 100, 100));
            }
            const int32_t f = m > 100 - so ? (m - (100 - so)) * 100 / so : 0;
            uint8_t* p = pixel24(d, x, y);
            for (int k = 0; k < 3; ++k) {
                const int32_t v = p[k];
                const int32_t s = ((100 - f) * c[k] + f * v) / 100;
                p[k] = static_cast<uint8_t>(((100 - tr) * s + tr * v) / 100);
            }
        }
    }
    host.SetProSatus(0);
}

void Buttonize(DocumentState& doc, Host& host, int32_t bw, int32_t tr, bool solid,
               int32_t colour) {
    const TDibRecord& d = doc.Dib;
    if (!HasPixels(d) || !doc.HasSelection || DibBitsPerPixel(&d) != 24)
        return;
    const TRect r = doc.SelRect;
    const int32_t w = std::abs(r.Right - r.Left), h = std::abs(r.Bottom - r.Top);
    // a border of width 0 or a selection one pixel wide or high has no band to shade: the
    // formulas would divide by zero, so nothing changes
    if (bw <= 0 || w == 0 || h == 0)
        return;
    const int32_t cx = r.Left + w / 2, cy = r.Top + h / 2;
    // a vertical border that rounds to 0 still shades one row
    const int32_t bh = std::max(roundEven(static_cast<double>(bw) * h / w), 1);
    const int32_t c[3] = {(colour >> 16) & 255, (colour >> 8) & 255, colour & 255}; // B, G, R
    const int32_t iw = DibWidth(&d), ih = DibHeight(&d);
    host.SetProSatus(0);
    StepProgress progress(host, r.Bottom - r.Top + 1);
    for (int32_t y = r.Top; y <= r.Bottom; ++y) {
        progress.at(y - r.Top);
        if (y < 0 || y >= ih)
            continue;
        for (int32_t x = r.Left; x <= r.Right; ++x) {
            if (x < 0 || x >= iw || MaskValue(doc, x, y) != 1)
                continue;
            const int32_t dL = x - r.Left, dR = r.Right - x, dT = y - r.Top, dB = r.Bottom - y;
            if (!(dL <= bw || dR <= bw || dT <= bh || dB <= bh))
                continue;
            int32_t C, D;
            if (w > h) {
                C = std::abs(x - cx);
                D = std::abs(y - cy) * w / h;
            } else {
                C = std::abs(x - cx) * h / w;
                D = std::abs(y - cy);
            }
            // 0: left, 1: right, 2: top, 3: bottom, 4: left+bottom, 5: right+top, -1: none
            int shade = -1;
            int32_t e = 0;
            const bool diagonal = (x > cx && y < cy) || (y > cy && x < cx);
            if (D == C && diagonal) {
                if (dL <= bw) {
                    shade = 4;
                    e = dL * 100 / bw;
                } else if (dR <= bw) {
                    shade = 5;
                    e = dR * 100 / bw;
                }
            } else if (D > C) {
                if (dT <= bh) {
                    shade = 2;
                    e = dT * 100 / bh;
                } else if (dB <= bh) {
                    shade = 3;
                    e = dB * 100 / bh;
                }
            } else {
                if (dL <= bw) {
                    shade = 0;
                    e = dL * 100 / bw;
                } else if (dR <= bw) {
                    shade = 1;
                    e = dR * 100 / bw;
                }
            }
            if (shade < 0)
                continue;
            if (solid)
                e = 0;
            const int32_t j = std::min(e + tr, 100);
            uint8_t* p = pixel24(d, x, y);
            for (int k = 0; k < 3; ++k) {
                const int32_t ck = c[k];
                const int32_t lt = ck - (bw - dL) * ck / (2 * bw);
                const int32_t rt = ck - (2 * bw - dR) * ck / (2 * bw);
                const int32_t tp = ck - (bh - dT) * ck / (2 * bh);
                const int32_t bt = ck - (2 * bh - dB) * ck / (2 * bh);
                int32_t value = 0;
                switch (shade) {
                case 0: value = lt; break;
                case 1: value = rt; break;
                case 2: value = tp; break;
                case 3: value = bt; break;
                case 4: value = (lt + bt) >> 1; break;
                default: value = (rt + tp) >> 1; break;
                }
                p[k] = static_cast<uint8_t>((value * (100 - j) + j * p[k]) / 100);
            }
        }
    }
    host.SetProSatus(0);
}

void MosaikEffekt(DocumentState& doc, Host& host, int32_t bw, int32_t bh) {
    const TDibRecord& d = doc.Dib;
    if (!HasPixels(d) || bw <= 0 || bh <= 0)
        return;
    const int32_t w = DibWidth(&d), h = DibHeight(&d), bpp = DibBitsPerPixel(&d);
    host.SetProSatus(0);
    if (bpp == 1 || bpp == 4) {
        StepProgress progress(host, h);
        for (int32_t y = 0; y < h; ++y) {
            progress.at(y);
            for (int32_t x = 0; x < w; ++x)
                if (IsSelected(doc, x, y))
                    setpixel(&d, x, y, getpixel(&d, (x / bw) * bw, (y / bh) * bh));
        }
        host.SetProSatus(0);
        return;
    }
    const int32_t n = bpp == 24 ? 3 : 1;
    const SelectionRows sel(doc);
    // The value taken last runs on from row to row; without a selection every row takes its
    // first value at x = 0, so rows are independent and run in parallel.
    auto mosaicRow = [&](int32_t y, uint8_t* value) {
        bool skip;
        const uint8_t* mask = sel.row(y, skip);
        if (skip)
            return;
        const uint8_t* srcRow = ImageRow(d, (y / bh) * bh);
        uint8_t* row = ImageRow(d, y);
        for (int32_t x = 0; x < w; ++x) {
            if (mask != nullptr && !MaskBit(mask, x))
                continue;
            if (x % bw == 0)
                std::memcpy(value, srcRow + x * n, static_cast<size_t>(n));
            std::memcpy(row + x * n, value, static_cast<size_t>(n));
        }
    };
    if (!sel.active()) {
        ForEachRow(host, h, static_cast<size_t>(d.LineBytes), [&](int32_t y) {
            uint8_t value[3] = {0, 0, 0};
            mosaicRow(y, value);
        });
    } else {
        uint8_t value[3] = {0, 0, 0};
        StepProgress progress(host, h);
        for (int32_t y = 0; y < h; ++y) {
            progress.at(y);
            mosaicRow(y, value);
        }
    }
    host.SetProSatus(0);
}

namespace {

enum class Neighbourhood { Erode, Dilate, DelNoise };

// The work copy of the neighbourhood filters: the image two pixels in from every side, the margin
// repeating the outermost pixels, stored as three planes (blue, green, red) of (w + 4) x (h + 4)
// bytes so that sums of neighbours are sums of adjacent bytes.  Held in an 8-bit image record of
// three times the height so the raster library's allocation rules apply.
class WorkPlanes {
  public:
    WorkPlanes(const TDibRecord& img, int32_t w, int32_t h) : w_(w), h_(h) {
        newdib_unfilled(&rec_.get(), w + 4, 3 * (h + 4), 8, nullptr, 0);
        if (!rec_.ok())
            return;
        stride_ = static_cast<size_t>(rec_.get().LineBytes);
        for (int32_t y = 0; y < h; ++y) {
            const uint8_t* src = ImageRow(img, y);
            uint8_t* b = row(0, y + 2);
            uint8_t* g = row(1, y + 2);
            uint8_t* r = row(2, y + 2);
            int32_t x = 0;
            if (GeometryAvx2())
                x = splitRowAvx2(src, b + 2, g + 2, r + 2, w);
            for (; x < w; ++x) {
                b[x + 2] = src[3 * x];
                g[x + 2] = src[3 * x + 1];
                r[x + 2] = src[3 * x + 2];
            }
            for (uint8_t* p : {b, g, r}) {
                p[0] = p[1] = p[2];
                p[w + 2] = p[w + 3] = p[w + 1];
            }
        }
        for (int plane = 0; plane < 3; ++plane)
            for (int32_t m = 0; m < 2; ++m) {
                std::memcpy(row(plane, m), row(plane, 2), static_cast<size_t>(w) + 4);
                std::memcpy(row(plane, h + 2 + m), row(plane, h + 1), static_cast<size_t>(w) + 4);
            }
    }
    bool ok() const { return rec_.ok(); }
    // Row y (0 = top margin row) of a plane.
    uint8_t* row(int plane, int32_t y) const {
        return rec_.get().Bits + (static_cast<size_t>(plane) * static_cast<size_t>(h_ + 4) +
                                  static_cast<size_t>(y)) * stride_;
    }

  private:
    __attribute__((target("avx2"))) static int32_t splitRowAvx2(const uint8_t* src, uint8_t* b,
                                                                uint8_t* g, uint8_t* r, int32_t w) {
        int32_t x = 0;
        for (; x + 16 <= w; x += 16) {
            const Pixels16 v = load48(src + 3 * x);
            uint8_t* out[3] = {b, g, r};
            for (int ch = 0; ch < 3; ++ch)
                _mm_storeu_si128(reinterpret_cast<__m128i*>(out[ch] + x),
                                 _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(v.a, kGather.pick[ch][0]),
                                                           _mm_shuffle_epi8(v.b, kGather.pick[ch][1])),
                                              _mm_shuffle_epi8(v.c, kGather.pick[ch][2])));
        }
        return x;
    }

    int32_t w_, h_;
    size_t stride_ = 0;
    DibHolder rec_;
};

// Per thread: the five-row sums of the padded row and the 5 x 5 sums of the image row, per plane.
struct BoxRows {
    std::vector<uint16_t> col[3], box[3];
    explicit BoxRows(int32_t w) {
        for (int k = 0; k < 3; ++k) {
            col[k].resize(static_cast<size_t>(w) + 4);
            box[k].resize(static_cast<size_t>(w));
        }
    }
};

__attribute__((target("avx2"))) inline __m256i widen16(const uint8_t* p) {
    return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
}
__attribute__((target("avx2"))) inline __m256i load16x16(const uint16_t* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

__attribute__((target("avx2"))) int32_t boxSumsAvx2(const uint8_t* const (&r)[5], uint16_t* col,
                                                    uint16_t* box, int32_t w) {
    int32_t k = 0;
    for (; k + 16 <= w + 4; k += 16) {
        const __m256i s = _mm256_add_epi16(
            _mm256_add_epi16(_mm256_add_epi16(widen16(r[0] + k), widen16(r[1] + k)),
                             _mm256_add_epi16(widen16(r[2] + k), widen16(r[3] + k))),
            widen16(r[4] + k));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(col + k), s);
    }
    for (; k < w + 4; ++k)
        col[k] = static_cast<uint16_t>(r[0][k] + r[1][k] + r[2][k] + r[3][k] + r[4][k]);
    int32_t x = 0;
    for (; x + 16 <= w; x += 16)
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(box + x),
                            _mm256_add_epi16(
                                _mm256_add_epi16(_mm256_add_epi16(load16x16(col + x), load16x16(col + x + 1)),
                                                 _mm256_add_epi16(load16x16(col + x + 2), load16x16(col + x + 3))),
                                load16x16(col + x + 4)));
    return x;
}

// The 5 x 5 sums of image row y in every plane.
void boxSums(const WorkPlanes& work, int32_t y, int32_t w, BoxRows& rows, bool avx2) {
    for (int plane = 0; plane < 3; ++plane) {
        const uint8_t* const r[5] = {work.row(plane, y), work.row(plane, y + 1),
                                     work.row(plane, y + 2), work.row(plane, y + 3),
                                     work.row(plane, y + 4)};
        uint16_t* col = rows.col[plane].data();
        uint16_t* box = rows.box[plane].data();
        int32_t x = 0;
        if (avx2) {
            x = boxSumsAvx2(r, col, box, w);
        } else {
            for (int32_t k = 0; k < w + 4; ++k)
                col[k] = static_cast<uint16_t>(r[0][k] + r[1][k] + r[2][k] + r[3][k] + r[4][k]);
        }
        for (; x < w; ++x)
            box[x] = static_cast<uint16_t>(col[x] + col[x + 1] + col[x + 2] + col[x + 3] + col[x + 4]);
    }
}

// One pixel by the rules: s are the sums (blue, green, red), c the pixel as it was.
inline void neighbourhoodPixel(Neighbourhood kind, int32_t threshold, const int32_t (&s)[3],
                               const uint8_t (&c)[3], uint8_t* p) {
    switch (kind) {
    case Neighbourhood::Erode:
        if ((30 * s[2] + 59 * s[1] + 11 * s[0]) / 2500 < 96)
            for (int k = 0; k < 3; ++k)
                p[k] = static_cast<uint8_t>(s[k] / 50);
        break;
    case Neighbourhood::Dilate: {
        const int32_t sum = 30 * s[2] + 59 * s[1] + 11 * s[0];
        if (sum / 2500 > 160)
            p[0] = p[1] = p[2] = static_cast<uint8_t>(std::min(sum / 2000, 255));
        break;
    }
    case Neighbourhood::DelNoise: {
        const int32_t a[3] = {s[0] / 25, s[1] / 25, s[2] / 25};
        if (std::abs(a[2] - c[2]) > threshold || std::abs(a[1] - c[1]) > threshold ||
            std::abs(a[0] - c[0]) > threshold)
            for (int k = 0; k < 3; ++k)
                p[k] = static_cast<uint8_t>(a[k]);
        break;
    }
    }
}

// Three planes of sixteen bytes (blue, green, red) as sixteen pixels at p.
struct InterleaveMasks {
    __m128i m[3][3]; // [destination register][plane]
};
InterleaveMasks makeInterleaveMasks() {
    InterleaveMasks r;
    for (int d = 0; d < 3; ++d)
        for (int ch = 0; ch < 3; ++ch) {
            alignas(16) int8_t m[16];
            for (int i = 0; i < 16; ++i) {
                const int ob = 16 * d + i;
                m[i] = ob % 3 == ch ? static_cast<int8_t>(ob / 3) : int8_t{-128};
            }
            std::memcpy(&r.m[d][ch], m, 16);
        }
    return r;
}
const InterleaveMasks kInterleave = makeInterleaveMasks();

__attribute__((target("avx2"))) inline void interleave48(uint8_t* p, const __m128i (&planes)[3]) {
    for (int d = 0; d < 3; ++d)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p + 16 * d),
                         _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(planes[0], kInterleave.m[d][0]),
                                                   _mm_shuffle_epi8(planes[1], kInterleave.m[d][1])),
                                      _mm_shuffle_epi8(planes[2], kInterleave.m[d][2])));
}

// Sixteen pixels from x on at a time while they lie in [x, x1); returns where it stopped.  The
// divisions by 25, 50 and 2000 are multiplications exact for the sums' range (at most 6375 per
// channel, 637500 weighted).
__attribute__((target("avx2"))) int32_t neighbourhoodAvx2(Neighbourhood kind, int32_t threshold,
                                                          const BoxRows& rows,
                                                          const uint8_t* const (&centre)[3],
                                                          uint8_t* row, int32_t x, int32_t x1) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i wRG = _mm256_set1_epi32((59 << 16) | 30), wB = _mm256_set1_epi32(11);
    const __m256i magic = _mm256_set1_epi16(5243);
    for (; x + 16 <= x1; x += 16) {
        __m256i s[3], c[3];
        for (int k = 0; k < 3; ++k) {
            s[k] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(rows.box[k].data() + x));
            c[k] = _mm256_cvtepu8_epi16(
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(centre[k] + x)));
        }
        __m256i take, v[3];
        if (kind == Neighbourhood::DelNoise) {
            const __m256i t = _mm256_set1_epi16(static_cast<int16_t>(threshold));
            take = zero;
            for (int k = 0; k < 3; ++k) {
                v[k] = _mm256_srli_epi16(_mm256_mulhi_epu16(s[k], magic), 1); // / 25
                take = _mm256_or_si256(
                    take, _mm256_cmpgt_epi16(_mm256_abs_epi16(_mm256_sub_epi16(v[k], c[k])), t));
            }
        } else {
            // the weighted sum 30 R + 59 G + 11 B in 32 bits, in the order packs restores
            const __m256i lo = _mm256_add_epi32(
                _mm256_madd_epi16(_mm256_unpacklo_epi16(s[2], s[1]), wRG),
                _mm256_madd_epi16(_mm256_unpacklo_epi16(s[0], zero), wB));
            const __m256i hi = _mm256_add_epi32(
                _mm256_madd_epi16(_mm256_unpackhi_epi16(s[2], s[1]), wRG),
                _mm256_madd_epi16(_mm256_unpackhi_epi16(s[0], zero), wB));
            if (kind == Neighbourhood::Erode) {
                const __m256i limit = _mm256_set1_epi32(96 * 2500);
                take = _mm256_packs_epi32(_mm256_cmpgt_epi32(limit, lo),
                                          _mm256_cmpgt_epi32(limit, hi));
                for (int k = 0; k < 3; ++k)
                    v[k] = _mm256_srli_epi16(_mm256_mulhi_epu16(s[k], magic), 2); // / 50
            } else {
                const __m256i limit = _mm256_set1_epi32(161 * 2500 - 1);
                take = _mm256_packs_epi32(_mm256_cmpgt_epi32(lo, limit),
                                          _mm256_cmpgt_epi32(hi, limit));
                // sum / 2000 = (sum / 16) / 125, the first at most 39843
                const __m256i q16 = _mm256_packus_epi32(_mm256_srli_epi32(lo, 4),
                                                        _mm256_srli_epi32(hi, 4));
                const __m256i grey = _mm256_min_epu16(
                    _mm256_srli_epi16(_mm256_mulhi_epu16(q16, _mm256_set1_epi16(-31981)), 6),
                    _mm256_set1_epi16(255)); // 33555
                v[0] = v[1] = v[2] = grey;
            }
        }
        __m128i out[3];
        for (int k = 0; k < 3; ++k) {
            const __m256i mixed = _mm256_blendv_epi8(c[k], v[k], take);
            out[k] = _mm_packus_epi16(_mm256_castsi256_si128(mixed),
                                      _mm256_extracti128_si256(mixed, 1));
        }
        interleave48(row + 3 * x, out);
    }
    return x;
}

void neighbourhoodFilter(DocumentState& doc, Host& host, Neighbourhood kind, int32_t threshold) {
    TDibRecord& img = doc.Dib;
    if (!HasPixels(img) || IsPaletteImage(img))
        return;
    SaveForUndo(doc, host);
    const int32_t w = DibWidth(&img), h = DibHeight(&img);
    std::optional<WorkPlanes> work;
    work.emplace(img, w, h);
    if (!work->ok()) {
        host.MessageBox(kTextFilterNoMemory, "Fehler", MB_ICONSTOP);
        return;
    }
    const bool avx2 = GeometryAvx2();
    const SelectionRows sel(doc);
    host.SetProSatus(0);
    ForEachRowBlock(host, h, static_cast<size_t>(w) * 3, 16, [&](int32_t ya, int32_t yb) {
        BoxRows rows(w);
        for (int32_t y = ya; y < yb; ++y) {
            bool skip;
            const uint8_t* mask = sel.row(y, skip);
            if (skip)
                continue;
            boxSums(*work, y, w, rows, avx2);
            uint8_t* row = ImageRow(img, y);
            const uint8_t* const centre[3] = {work->row(0, y + 2) + 2, work->row(1, y + 2) + 2,
                                              work->row(2, y + 2) + 2};
            ForSelectedRuns(mask, w, [&](int32_t x0, int32_t x1) {
                int32_t x = avx2 ? neighbourhoodAvx2(kind, threshold, rows, centre, row, x0, x1) : x0;
                for (; x < x1; ++x) {
                    const int32_t s[3] = {rows.box[0][x], rows.box[1][x], rows.box[2][x]};
                    const uint8_t c[3] = {centre[0][x], centre[1][x], centre[2][x]};
                    neighbourhoodPixel(kind, threshold, s, c, row + 3 * x);
                }
            });
        }
    });
    host.SetProSatus(0);
    work.reset(); // before the histogram is counted
    host.Updatehistogramm();
}

} // namespace

void DibErodeFilter(DocumentState& doc, Host& host) {
    neighbourhoodFilter(doc, host, Neighbourhood::Erode, 0);
}

void DibDilateFilter(DocumentState& doc, Host& host) {
    neighbourhoodFilter(doc, host, Neighbourhood::Dilate, 0);
}

void DelNoise(DocumentState& doc, Host& host, int32_t threshold) {
    neighbourhoodFilter(doc, host, Neighbourhood::DelNoise, threshold);
}

void AddNoise(DocumentState& doc, Host& host, int32_t s, int32_t p) {
    const TDibRecord& d = doc.Dib;
    if (!HasPixels(d) || IsPaletteImage(d))
        return;
    const int32_t w = DibWidth(&d), h = DibHeight(&d);
    const SelectionRows sel(doc);
    host.SetProSatus(0);
    StepProgress progress(host, h);
    // one generator in row order: the draws depend on every earlier pixel
    for (int32_t y = 0; y < h; ++y) {
        progress.at(y);
        bool skip;
        const uint8_t* mask = sel.row(y, skip);
        if (skip)
            continue;
        uint8_t* row = ImageRow(d, y);
        ForSelectedRuns(mask, w, [&](int32_t x0, int32_t x1) {
            for (int32_t x = x0; x < x1; ++x) {
                if (host.RandomInt(100) >= p)
                    continue;
                uint8_t* px = row + 3 * x;
                for (int k = 0; k < 3; ++k)
                    px[k] = Clamp255(px[k] + host.RandomInt(s) - s / 2);
            }
        });
    }
    host.SetProSatus(0);
}

void ShadowCommand(DocumentState& doc, Host& host, int32_t dx, int32_t dy, int32_t transparency,
                   int32_t softness, int colorItem) {
    if (!HasPixels(doc.Dib) || !doc.HasSelection || doc.Floating)
        return;
    const int32_t colour = EffectColor(doc, colorItem);
    RunCommand(doc, host, [&] { DrawShadow(doc, host, dx, dy, transparency, softness, colour); });
}

void ButtonCommand(DocumentState& doc, Host& host, int32_t width, int32_t transparency,
                   bool solid, int colorItem) {
    if (!HasPixels(doc.Dib) || !doc.HasSelection || doc.Floating ||
        DibBitsPerPixel(&doc.Dib) != 24)
        return;
    const int32_t colour = EffectColor(doc, colorItem);
    RunCommand(doc, host, [&] { Buttonize(doc, host, width, transparency, solid, colour); });
}

void MosaicCommand(DocumentState& doc, Host& host, int32_t bw, int32_t bh) {
    if (!HasPixels(doc.Dib) || DibBitsPerPixel(&doc.Dib) != 24)
        return;
    RunCommand(doc, host, [&] { MosaikEffekt(doc, host, bw, bh); });
}

void AddNoiseCommand(DocumentState& doc, Host& host, int32_t strength, int32_t probability) {
    if (!HasPixels(doc.Dib) || IsPaletteImage(doc.Dib))
        return;
    RunCommand(doc, host, [&] { AddNoise(doc, host, strength, probability); });
}

} // namespace pixorama
