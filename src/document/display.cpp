// DrawDib and its roads: the row routines for 24- and 8-bit images on a true-colour screen, the
// halftone road for a palette screen, and the stretch for 1/4-bit images and printers.  Only the
// part of the destination that lies on the surface is computed.
#include "document/display.h"

#include "document/parallel.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace pixorama {
namespace {

// The exact quotient to the nearest integer, halves to the even neighbour.
int32_t nearest(double numerator, double denominator) {
    return static_cast<int32_t>(std::nearbyint(numerator / denominator));
}

inline uint32_t pack(uint8_t r, uint8_t g, uint8_t b) {
    return 0xFF000000u | (uint32_t{r} << 16) | (uint32_t{g} << 8) | b;
}

// Four bytes from any address; on a little-endian machine B, G, R, x read as 0xxxRRGGBB.
static_assert(std::endian::native == std::endian::little, "pixel words assume little-endian");
inline uint32_t load32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

inline uint32_t applyRop(uint32_t rop, uint32_t src, uint32_t dst) {
    switch (rop) {
    case SRCPAINT:
        return src | dst;
    case SRCAND:
        return src & dst;
    case SRCINVERT:
        return (src ^ dst) | 0xFF000000u;
    case NOTSRCCOPY:
        return ~src | 0xFF000000u;
    default:
        return src;
    }
}

// The colours a palette screen can show: every colour becomes the nearest entry of the palette
// selected into the device.  Without a selected palette (or on a true-colour device) colours
// pass unchanged.
class ColourMap {
  public:
    ColourMap(const DisplaySurface& dc, const DisplayPalette* selected) {
        if (dc.device == DeviceKind::Screen && dc.bitsPerPixel <= 8 && selected != nullptr &&
            selected->entries != nullptr && selected->handle != nullptr &&
            PaletteEntryCount(selected->handle) > 0)
            palette_ = selected;
    }
    bool active() const { return palette_ != nullptr; }
    uint32_t operator()(uint8_t r, uint8_t g, uint8_t b) const {
        if (palette_ == nullptr)
            return pack(r, g, b);
        const uint32_t i = GetNearestPaletteIndex(
            palette_->handle, uint32_t{r} | (uint32_t{g} << 8) | (uint32_t{b} << 16));
        const TPaletteEntry& e = palette_->entries->palPalEntry[i & 0xFF];
        return pack(e.peRed, e.peGreen, e.peBlue);
    }

  private:
    const DisplayPalette* palette_ = nullptr;
};

// Converts up to count adjacent B, G, R pixels into screen pixels, 16 at a time, reading no
// further than `available` pixels from src; returns how many it converted (the caller does the
// rest).
#if defined(__x86_64__) || defined(__i386__)
__attribute__((target("ssse3"))) int32_t convertRun24Ssse3(const uint8_t* src, uint32_t* out,
                                                           int32_t count, int32_t available) {
    const __m128i spread = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    const __m128i opaque = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    int32_t i = 0;
    // a 16-byte read at pixel i + 12 ends at byte 3 i + 52: within 3 * available
    for (; i + 16 <= count && i + 18 <= available; i += 16) {
        const uint8_t* p = src + static_cast<size_t>(i) * 3;
        for (int q = 0; q < 4; ++q) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 12 * q));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i + 4 * q),
                             _mm_or_si128(_mm_shuffle_epi8(v, spread), opaque));
        }
    }
    return i;
}

// Gathers count B, G, R pixels at the byte offsets col[0..count) of src, 8 at a time; every
// offset must leave a fourth byte readable.  Returns how many it converted.
__attribute__((target("avx2"))) int32_t gather24Avx2(const uint8_t* src, const int32_t* col,
                                                     uint32_t* out, int32_t count) {
    const __m256i opaque = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
    const __m256i low = _mm256_set1_epi32(0x00FFFFFF);
    int32_t i = 0;
    for (; i + 8 <= count; i += 8) {
        const __m256i offsets = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(col + i));
        const __m256i words = _mm256_i32gather_epi32(reinterpret_cast<const int*>(src), offsets, 1);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i),
                            _mm256_or_si256(_mm256_and_si256(words, low), opaque));
    }
    return i;
}
#endif

int32_t gather24(const uint8_t* src, const int32_t* col, uint32_t* out, int32_t count) {
#if defined(__x86_64__) || defined(__i386__)
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (avx2)
        return gather24Avx2(src, col, out, count);
#else
    (void)src, (void)col, (void)out, (void)count;
#endif
    return 0;
}

int32_t convertRun24(const uint8_t* src, uint32_t* out, int32_t count, int32_t available) {
#if defined(__x86_64__) || defined(__i386__)
    static const bool ssse3 = __builtin_cpu_supports("ssse3");
    if (ssse3)
        return convertRun24Ssse3(src, out, count, available);
#else
    (void)src, (void)out, (void)count, (void)available;
#endif
    return 0;
}

// Screen colours of a colour table.
void tableColours(const TBitmapInfo& info, const ColourMap& map, uint32_t (&lut)[256]) {
    for (int i = 0; i < 256; ++i) {
        const TRGBQuad& q = info.bmiColors[i];
        lut[i] = map(q.rgbRed, q.rgbGreen, q.rgbBlue);
    }
}

// The destination rows and columns (relative to xd, yd) that lie on the surface.
struct Visible {
    int32_t i0, i1, k0, k1; // [i0, i1) x [k0, k1)
    bool empty() const { return i0 >= i1 || k0 >= k1; }
};
Visible visiblePart(const DisplaySurface& dc, int32_t xd, int32_t yd, int32_t wd, int32_t hd) {
    Visible v;
    v.i0 = static_cast<int32_t>(std::max<int64_t>(0, int64_t{dc.left} - xd));
    v.i1 = static_cast<int32_t>(std::min<int64_t>(wd, int64_t{dc.left} + dc.width - xd));
    v.k0 = static_cast<int32_t>(std::max<int64_t>(0, int64_t{dc.top} - yd));
    v.k1 = static_cast<int32_t>(std::min<int64_t>(hd, int64_t{dc.top} + dc.height - yd));
    return v;
}

// The nearest-neighbour mapping of the whole, unclipped rectangle: destination point
// (xd + i, yd + k) shows source column xs + ws * i div wd and source row top + hs * k div hd
// (top counted from the image's top).  Clipping only decides which destination points are
// drawn, so every depth shows image pixel x over the same screen columns whatever part of the
// image is drawn.
struct Mapping {
    int32_t xd, yd, wd, hd;
    int32_t xs, top, ws, hs;
    int64_t column(int64_t x) const { return xs + int64_t{ws} * (x - xd) / wd; }
    int64_t row(int64_t y) const { return top + int64_t{hs} * (y - yd) / hd; }
};

inline uint32_t* destRow(const DisplaySurface& dc, int32_t xd, int32_t yd, int32_t k) {
    return dc.pixels + static_cast<ptrdiff_t>(yd + k - dc.top) * dc.stride + (xd - dc.left);
}

// Runs body(k0, k1) over [k0, k1) split into one contiguous run per thread, so that each run
// can reuse the row it drew last.  A screen's view is drawn on one thread: it takes a millisecond
// or two, and waiting for a second thread on a busy machine would cost more; printer pages and
// other large areas use both cores.
constexpr int64_t kThreadedPixels = int64_t{1} << 23;
template <class Body> void forRowRuns(int32_t k0, int32_t k1, int64_t work, Body body) {
    if (work >= kThreadedPixels && k1 - k0 >= 2) {
        const int64_t rows = k1 - k0;
        const int32_t n = static_cast<int32_t>(std::min<int64_t>(ThreadCount(), rows));
        ParallelFor(n, [&](int64_t t) {
            const int32_t a = k0 + static_cast<int32_t>(rows * t / n);
            const int32_t b = k0 + static_cast<int32_t>(rows * (t + 1) / n);
            if (a < b)
                body(a, b);
        });
        return;
    }
    body(k0, k1);
}

// Nearest-neighbour rows of a 24- or 8-bit record over destination (xd, yd, wd, hd), one row
// at a time, through mapping m.  Columns outside the image show a zero pixel; rows outside it
// zeros.
void drawRows(DisplaySurface& dc, int32_t xd, int32_t yd, int32_t wd, int32_t hd,
              const TDibRecord& dib, const Mapping& m, const ColourMap& map) {
    const Visible v = visiblePart(dc, xd, yd, wd, hd);
    if (v.empty())
        return;
    const int32_t W = DibWidth(&dib), H = DibHeight(&dib);
    const int bpp = DibBitsPerPixel(&dib);
    const int bytes = bpp == 8 ? 1 : 3;
    const int64_t lineBytes = dib.LineBytes;
    const int32_t n = v.i1 - v.i0;

    // byte offset of each visible destination column's source pixel; the columns are in
    // ascending order, so those inside the image form one run [a, e)
    std::vector<int32_t> col;
    try {
        col.resize(static_cast<size_t>(n));
    } catch (const std::bad_alloc&) {
        return; // no row image: the area stays undrawn
    }
    int32_t a = n, e = 0, words = 0; // words: columns before the image's last pixel
    for (int32_t i = 0; i < n; ++i) {
        const int64_t c = m.column(int64_t{xd} + v.i0 + i);
        if (c < 0 || c >= W)
            continue;
        col[static_cast<size_t>(i)] = static_cast<int32_t>(c) * bytes;
        a = std::min(a, i);
        e = i + 1;
        if (c < W - 1)
            words = i + 1;
    }
    if (a >= e)
        a = e = words = 0;
    const int32_t* colp = col.data();
    const bool identity = m.ws == m.wd; // 1:1 columns: one straight run

    uint32_t lut[256];
    uint32_t zero;
    if (bpp == 8) {
        tableColours(*dib.Info, map, lut);
        zero = lut[0];
    } else {
        zero = map(0, 0, 0);
    }
    const bool plain24 = bpp == 24 && !map.active();

    forRowRuns(v.k0, v.k1, int64_t{n} * (v.k1 - v.k0), [&](int32_t ka, int32_t kb) {
        int64_t prev = -1;
        const uint32_t* prevOut = nullptr;
        for (int32_t k = ka; k < kb; ++k) {
            uint32_t* out = destRow(dc, xd, yd, k) + v.i0;
            const int64_t b = H - 1 - m.row(int64_t{yd} + k); // buffer row, from the bottom
            if (b < 0 || b > H - 1) {
                std::fill(out, out + n, zero);
                continue;
            }
            if (b == prev && prevOut != nullptr) {
                std::memcpy(out, prevOut, sizeof(uint32_t) * static_cast<size_t>(n));
                prevOut = out;
                continue;
            }
            const uint8_t* src = dib.Bits + b * lineBytes;
            std::fill(out, out + a, zero);
            std::fill(out + e, out + n, zero);
            if (bpp == 8) {
                for (int32_t i = a; i < e; ++i)
                    out[i] = lut[src[colp[i]]];
            } else if (plain24) {
                // B, G, R and the byte after them read as one word is the screen pixel once
                // the top byte is set; the image's last pixel is read bytewise so that nothing
                // past the buffer is touched
                int32_t i = a;
                if (identity) {
                    i += convertRun24(src + colp[a], out + a, words - a, W - colp[a] / 3);
                    const uint8_t* p = src + colp[i];
                    for (; i < words; ++i, p += 3)
                        out[i] = load32(p) | 0xFF000000u;
                } else {
                    i += gather24(src, colp + a, out + a, words - a);
                    for (; i < words; ++i)
                        out[i] = load32(src + colp[i]) | 0xFF000000u;
                }
                for (; i < e; ++i) {
                    const uint8_t* p = src + colp[i];
                    out[i] = pack(p[2], p[1], p[0]);
                }
            } else {
                for (int32_t i = a; i < e; ++i) {
                    const uint8_t* p = src + colp[i];
                    out[i] = map(p[2], p[1], p[0]);
                }
            }
            prev = b;
            prevOut = out;
        }
    });
}

// Value of the pixel in buffer row b (from the bottom), column c of a record, as a screen colour.
inline uint32_t pixelColour(const TDibRecord& dib, int bpp, int64_t b, int32_t c,
                            const uint32_t (&lut)[256], const ColourMap& map) {
    const uint8_t* row = dib.Bits + b * dib.LineBytes;
    switch (bpp) {
    case 24: {
        const uint8_t* p = row + static_cast<size_t>(c) * 3;
        return map(p[2], p[1], p[0]);
    }
    case 8:
        return lut[row[c]];
    case 4:
        return lut[(c & 1) ? (row[c >> 1] & 0x0F) : (row[c >> 1] >> 4)];
    default:
        return lut[(row[c >> 3] >> (7 - (c & 7))) & 1];
    }
}

// 1- and 4-bit images and printers: the same nearest-neighbour mapping as the rows, with the
// raster operation.
void drawStretch(DisplaySurface& dc, int32_t xd, int32_t yd, int32_t wd, int32_t hd,
                 const TDibRecord& dib, const Mapping& m, uint32_t rop, const ColourMap& map) {
    const Visible v = visiblePart(dc, xd, yd, wd, hd);
    if (v.empty())
        return;
    const int32_t W = DibWidth(&dib), H = DibHeight(&dib);
    const int bpp = DibBitsPerPixel(&dib);
    uint32_t lut[256];
    if (bpp <= 8)
        tableColours(*dib.Info, map, lut);

    std::vector<int32_t> col;
    try {
        col.resize(static_cast<size_t>(v.i1 - v.i0));
    } catch (const std::bad_alloc&) {
        return;
    }
    for (int32_t i = v.i0; i < v.i1; ++i) {
        const int64_t c = m.column(int64_t{xd} + i);
        col[static_cast<size_t>(i - v.i0)] = (c >= 0 && c < W) ? static_cast<int32_t>(c) : -1;
    }
    const int32_t n = v.i1 - v.i0;
    forRowRuns(v.k0, v.k1, int64_t{n} * (v.k1 - v.k0), [&](int32_t ka, int32_t kb) {
        for (int32_t k = ka; k < kb; ++k) {
            const int64_t b = H - 1 - m.row(int64_t{yd} + k); // buffer row, from the bottom
            if (b < 0 || b >= H)
                continue;
            uint32_t* out = destRow(dc, xd, yd, k) + v.i0;
            for (int32_t i = 0; i < n; ++i) {
                const int32_t c = col[static_cast<size_t>(i)];
                if (c < 0)
                    continue;
                out[i] = applyRop(rop, pixelColour(dib, bpp, b, c, lut, map), out[i]);
            }
        }
    });
}

// Stretch of an 8-bit halftone copy t: destination column i takes t's column x + sw * i div wd,
// destination row k t's row top + sh * k div hd (top counted from t's top).
void drawFromHalftone(DisplaySurface& dc, int32_t xd, int32_t yd, int32_t wd, int32_t hd,
                      const TDibRecord& t, int32_t x, int32_t top, int32_t sw, int32_t sh,
                      uint32_t rop, const uint32_t (&lut)[256]) {
    const Visible v = visiblePart(dc, xd, yd, wd, hd);
    if (v.empty())
        return;
    const int32_t tw = DibWidth(&t), th = DibHeight(&t);
    const int32_t n = v.i1 - v.i0;
    std::vector<int32_t> col;
    try {
        col.resize(static_cast<size_t>(n));
    } catch (const std::bad_alloc&) {
        return;
    }
    for (int32_t i = v.i0; i < v.i1; ++i) {
        const int64_t c = x + int64_t{sw} * i / wd;
        col[static_cast<size_t>(i - v.i0)] = (c >= 0 && c < tw) ? static_cast<int32_t>(c) : -1;
    }
    forRowRuns(v.k0, v.k1, int64_t{n} * (v.k1 - v.k0), [&](int32_t ka, int32_t kb) {
        for (int32_t k = ka; k < kb; ++k) {
            const int64_t row = top + int64_t{sh} * k / hd; // from t's top
            if (row < 0 || row >= th)
                continue;
            const uint8_t* src = t.Bits + (th - 1 - row) * int64_t{t.LineBytes};
            uint32_t* out = destRow(dc, xd, yd, k) + v.i0;
            for (int32_t i = 0; i < n; ++i) {
                const int32_t c = col[static_cast<size_t>(i)];
                if (c >= 0)
                    out[i] = applyRop(rop, lut[src[c]], out[i]);
            }
        }
    });
}

void drawHalftone(DisplaySurface& dc, const DrawRects& r, const TDibRecord& dib, uint32_t rop,
                  const DisplayPalette* selected) {
    const int32_t W = DibWidth(&dib), H = DibHeight(&dib);
    const bool reduced = r.ws > r.wd || r.hd < r.hs;
    TDibRecord t;
    if (reduced)
        DIBHalftoneDIBXY(&t, &dib, nearest(static_cast<double>(W) * r.wd, r.ws),
                         nearest(static_cast<double>(H) * r.hd, r.hs));
    else
        DIBHalftoneDIB(&t, &dib);
    if (t.Bits == nullptr)
        return; // the area stays undrawn
    DibHolder hold(t);
    uint32_t lut[256];
    tableColours(*t.Info, ColourMap(dc, selected), lut);
    const int32_t tw = DibWidth(&t), th = DibHeight(&t);
    if (reduced) {
        // the copy already has the destination's scale: a 1:1 block from it
        const int32_t x = nearest(static_cast<double>(tw) * r.xs, W);
        const int32_t y = nearest(static_cast<double>(th) * r.ys, H); // from t's bottom
        drawFromHalftone(dc, r.xd, r.yd, r.wd, r.hd, t, x, th - y - r.hd, r.wd, r.hd, rop, lut);
    } else {
        drawFromHalftone(dc, r.xd, r.yd, r.wd, r.hd, t, r.xs, th - r.ys - r.hs, r.ws, r.hs, rop,
                         lut);
    }
}

} // namespace

int ScreenBitsPerPixel() {
    const char* v = std::getenv("PIXORAMA_SCREEN_BITS");
    return (v != nullptr && std::strcmp(v, "8") == 0) ? 8 : 24;
}

DrawRects ClipDrawRects(int32_t W, int32_t H, DrawRects r) {
    if (r.ws <= 0 || r.hs <= 0 || r.wd <= 0 || r.hd <= 0)
        return r;
    if (W < r.xs + r.ws) {
        const int32_t c = W - r.xs;
        r.wd = nearest(static_cast<double>(r.wd) * c, r.ws);
        r.ws = c;
        if (r.ws <= 0)
            return r;
    }
    if (r.ys < 0) {
        r.hd = nearest(static_cast<double>(r.hs + r.ys) * r.hd, r.hs);
        r.hs = r.hs + r.ys;
        r.ys = 0;
        if (r.hs <= 0)
            return r;
    }
    if (H < r.hs + r.ys) {
        const int32_t c = H - r.ys;
        const int32_t h2 = nearest(static_cast<double>(r.hd) * c, r.hs);
        r.yd = r.yd + r.hd - h2;
        r.hd = h2;
        r.hs = c;
        if (r.hs <= 0)
            return r;
    }
    if (r.xs < 0) {
        const int32_t w2 = nearest(static_cast<double>(r.xs + r.ws) * r.wd, r.ws);
        r.xd = r.xd + r.wd - w2;
        r.wd = w2;
        r.ws = r.ws + r.xs;
        r.xs = 0;
    }
    return r;
}

DrawPath ChooseDrawPath(int bpp, const DisplaySurface& dc, bool halftone) {
    if (bpp == 24 && dc.bitsPerPixel <= 8 && halftone)
        return DrawPath::Halftone;
    if (dc.device != DeviceKind::Printer) {
        if (bpp == 24)
            return DrawPath::Rows24;
        if (bpp == 8)
            return DrawPath::Rows8;
    }
    return DrawPath::Stretch;
}

void DrawDib(DisplaySurface& dc, int32_t xd, int32_t yd, int32_t wd, int32_t hd,
             const TDibRecord& dib, int32_t xs, int32_t ys, int32_t ws, int32_t hs, bool halftone,
             uint32_t rop, bool ownPalette, const DisplayPalette& palette) {
    if (dib.Bits == nullptr || dib.Info == nullptr || dc.pixels == nullptr)
        return;
    const int32_t W = DibWidth(&dib), H = DibHeight(&dib);
    if (W <= 0 || H <= 0)
        return;
    const DrawRects r = ClipDrawRects(W, H, {xd, yd, wd, hd, xs, ys, ws, hs});
    if (r.empty() || r.xs < 0 || r.ys < 0 || r.xs + r.ws > W || r.ys + r.hs > H)
        return;

    // the palette selected into the device: the record's own or the given one
    const DisplayPalette own{&dib.Palette, dib.PaletteHandle};
    const DisplayPalette* chosen = ownPalette ? &own : &palette;
    const DisplayPalette* selected = dib.HasPalette == 1 ? chosen : nullptr;

    const int bpp = DibBitsPerPixel(&dib);
    const Mapping m{xd, yd, wd, hd, xs, H - ys - hs, ws, hs};
    switch (ChooseDrawPath(bpp, dc, halftone)) {
    case DrawPath::Halftone:
        // the halftone copy is shown through the chosen palette whatever the record carries
        drawHalftone(dc, r, dib, rop, chosen);
        break;
    case DrawPath::Rows24:
    case DrawPath::Rows8:
        drawRows(dc, r.xd, r.yd, r.wd, r.hd, dib, m, ColourMap(dc, selected));
        break;
    case DrawPath::Stretch:
        drawStretch(dc, r.xd, r.yd, r.wd, r.hd, dib, m, rop, ColourMap(dc, selected));
        break;
    }
}

void ScreenEllipse(DisplaySurface& dc, int32_t left, int32_t top, int32_t right, int32_t bottom,
                   uint32_t xorColour) {
    if (dc.pixels == nullptr)
        return;
    if (left > right)
        std::swap(left, right);
    if (top > bottom)
        std::swap(top, bottom);
    const int32_t w = right - left, h = bottom - top;
    if (w <= 0 || h <= 0)
        return;
    // the outline the raster library draws, in a 1-bit scratch image of the band's size
    DibHolder shape;
    if (!newdib(&shape.get(), w, h, 1, nullptr, 0))
        return;
    ellipse(&shape.get(), 0, 0, w - 1, h - 1, 1);
    const int32_t y0 = std::max(top, dc.top), y1 = std::min(bottom, dc.top + dc.height);
    const int32_t x0 = std::max(left, dc.left), x1 = std::min(right, dc.left + dc.width);
    for (int32_t y = y0; y < y1; ++y) {
        uint32_t* row = dc.pixels + static_cast<ptrdiff_t>(y - dc.top) * dc.stride - dc.left;
        for (int32_t x = x0; x < x1; ++x)
            if (getpixel(&shape.get(), x - left, y - top) == 1)
                row[x] ^= xorColour & 0x00FFFFFFu;
    }
}

PaintGeometry PaintBox1Geometry(int32_t hp, int32_t vp, int32_t clientWidth, int32_t clientHeight,
                                int zoomIn, int zoomOut) {
    const int32_t z = std::max(zoomIn, 1), d = std::max(zoomOut, 1);
    PaintGeometry g;
    g.x0 = (hp / z) * z;
    g.y0 = (vp / z) * z;
    g.cw = (clientWidth + hp % z + z - 1) / z * z;
    g.ch = (clientHeight + vp % z + z - 1) / z * z;
    g.sx = g.x0 * d / z;
    g.sy = g.y0 * d / z;
    g.sw = g.cw * d / z;
    g.sh = g.ch * d / z;
    return g;
}

void PaintBox1Paint(DisplaySurface& dc, const DocumentState& doc, int32_t hp, int32_t vp,
                    int32_t clientWidth, int32_t clientHeight, bool ownPalette,
                    const DisplayPalette& palette) {
    if (doc.Dib.Bits == nullptr)
        return;
    const int32_t H = DibHeight(&doc.Dib);
    const PaintGeometry g =
        PaintBox1Geometry(hp, vp, clientWidth, clientHeight, doc.ZoomIn, doc.ZoomOut);
    DrawDib(dc, g.x0, g.y0, g.cw, g.ch, doc.Dib, g.sx, H - g.sh - g.sy, g.sw, g.sh, true, SRCCOPY,
            ownPalette, palette);
}

} // namespace pixorama
