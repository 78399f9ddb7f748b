// Colour depth reduction: popularity palette with its 16-bit histogram and quicksort, the
// nearest-colour, ordered-dither and Floyd-Steinberg mappings, and the conversion cases.
#include "colour/depth_down.h"

#include "document/dib.h"
#include "document/parallel.h"
#include "document/simd_level.h"
#include "document/std_palettes.h"
#include "ops/rows.h"
#include "pictora_nearest.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

#include <emmintrin.h>

namespace pixorama {

using namespace ops;

const std::array<uint8_t, 64> DitherMatrix = {
    0,  38, 9,  47, 2,  40, 11, 50, //
    25, 12, 35, 22, 27, 15, 37, 24, //
    6,  44, 3,  41, 8,  47, 5,  43, //
    31, 19, 28, 15, 34, 21, 31, 18, //
    1,  39, 11, 49, 0,  39, 10, 48, //
    27, 14, 36, 23, 26, 13, 35, 23, //
    7,  46, 4,  43, 7,  45, 3,  42, //
    33, 20, 30, 17, 32, 19, 29, 16,
};

namespace {

std::array<uint8_t, 216> makeCubeToPalette() {
    std::array<uint8_t, 216> t{};
    for (int b = 0; b < 6; ++b)
        for (int g = 0; g < 6; ++g)
            for (int r = 0; r < 6; ++r) {
                const uint32_t rgb = (uint32_t(51 * r) << 16) | (uint32_t(51 * g) << 8) |
                                     uint32_t(51 * b);
                // the four cube colours the palette lacks lie next to a pure primary
                uint8_t index = (r == 1 && g == 0 && b == 5) || (r == 0 && g == 1 && b == 5) ? 252
                                                                                            : 250;
                for (int i = 0; i < 256; ++i)
                    if (StdPalette256[static_cast<size_t>(i)] == rgb) {
                        index = static_cast<uint8_t>(i);
                        break;
                    }
                t[static_cast<size_t>(r + 6 * g + 36 * b)] = index;
            }
    return t;
}

// Colour of a pixel of a palette source through its logical palette.
inline const TPaletteEntry& entryOf(const TDibRecord& d, int32_t index) {
    return d.Palette.palPalEntry[index & 255];
}

// The palette index of pixel x of a 1-, 4- or 8-bit row.
inline int32_t indexAt(const uint8_t* row, int32_t x, int bpp) {
    switch (bpp) {
    case 8:
        return row[x];
    case 4:
        return (x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4);
    default:
        return (row[x >> 3] >> (7 - (x & 7))) & 1;
    }
}

// Stores index at pixel x of a 1-, 4- or 8-bit row, as setpixel would.
inline void putIndex(uint8_t* row, int32_t x, int bpp, uint32_t index) {
    switch (bpp) {
    case 8:
        row[x] = static_cast<uint8_t>(index);
        break;
    case 4: {
        uint8_t& b = row[x >> 1];
        b = (x & 1) ? static_cast<uint8_t>((b & 0xF0) | (index & 0x0F))
                    : static_cast<uint8_t>((b & 0x0F) | ((index & 0x0F) << 4));
        break;
    }
    default: {
        const uint8_t bit = static_cast<uint8_t>(0x80 >> (x & 7));
        row[x >> 3] = (index & 1) ? (row[x >> 3] | bit) : (row[x >> 3] & ~bit);
        break;
    }
    }
}

inline uint32_t packRgb(uint32_t r, uint32_t g, uint32_t b) {
    return r | (g << 8) | (b << 16);
}

// Sets every entry of the target's palette (both copies) and makes a new handle.
void setPalette(TDibRecord& d, const uint32_t* rgb, int32_t n) {
    for (int32_t i = 0; i < n; ++i)
        SetPaletteColor(d, i, rgb[i]);
    DibUpdatePaletteHandle(&d);
}

inline uint32_t toRgb(const std::array<uint8_t, 3>& c) {
    return (uint32_t(c[0]) << 16) | (uint32_t(c[1]) << 8) | c[2];
}

// Case 1 and 2 with nearest colour: light pixels 1, dark ones 0.
void thresholdTo1Bit(const TDibRecord& src, const TDibRecord& dst, Host& host) {
    const int32_t w = DibWidth(&src), h = DibHeight(&src);
    const int bpp = DibBitsPerPixel(&src);
    ForEachRow(host, h, static_cast<size_t>(w) * 3, [&](int32_t y) {
        const uint8_t* s = ImageRow(src, y);
        uint8_t* t = ImageRow(dst, y);
        for (int32_t x = 0; x < w; ++x) {
            bool light;
            if (bpp == 24) {
                light = (s[3 * x] + s[3 * x + 1] + s[3 * x + 2]) / 3 >= 128;
            } else {
                const TPaletteEntry& e = entryOf(src, indexAt(s, x, bpp));
                light = Luminance(e.peRed, e.peGreen, e.peBlue) >= 128;
            }
            putIndex(t, x, 1, light ? 1u : 0u);
        }
    });
}

} // namespace

void NearestMap(const TDibRecord& src, const TDibRecord& dst, Host& host) {
    const int32_t w = DibWidth(&src), h = DibHeight(&src);
    const int sbpp = DibBitsPerPixel(&src), tbpp = DibBitsPerPixel(&dst);
    const HPALETTE pal = dst.PaletteHandle;
    // a palette source has at most 256 colours: map each entry once
    std::array<uint8_t, 256> viaEntry{};
    if (sbpp != 24)
        for (int i = 0; i < 256; ++i) {
            const TPaletteEntry& e = entryOf(src, i);
            viaEntry[static_cast<size_t>(i)] = static_cast<uint8_t>(
                GetNearestPaletteIndex(pal, packRgb(e.peRed, e.peGreen, e.peBlue)));
        }
    ForEachRow(host, h, static_cast<size_t>(w) * 3, [&](int32_t y) {
        const uint8_t* s = ImageRow(src, y);
        uint8_t* t = ImageRow(dst, y);
        if (sbpp == 24) {
            if (tbpp == 8) {
                GetNearestPaletteIndicesBgr(pal, s, w, t);
            } else {
                // a row of indices first, then packed two to a byte
                uint8_t chunk[1024];
                for (int32_t x0 = 0; x0 < w; x0 += 1024) {
                    const int32_t n = std::min<int32_t>(1024, w - x0);
                    GetNearestPaletteIndicesBgr(pal, s + 3 * static_cast<size_t>(x0), n, chunk);
                    for (int32_t i = 0; i < n; ++i)
                        putIndex(t, x0 + i, tbpp, chunk[i]);
                }
            }
        } else {
            for (int32_t x = 0; x < w; ++x)
                putIndex(t, x, tbpp, viaEntry[static_cast<size_t>(indexAt(s, x, sbpp))]);
        }
    });
}

namespace {

// Ordered dither of a 24-bit source onto StdPalette256.  The matrix phase starts at the
// buffer's first pixel (bottom-left), rows counted in the buffer.
void orderedDither(const TDibRecord& src, const TDibRecord& dst, Host& host) {
    const int32_t w = DibWidth(&src), h = DibHeight(&src);
    // level[t][c] = c div 51 + (c mod 51 > t), already weighted per channel
    static const auto levels = [] {
        std::array<std::array<uint8_t, 256>, 51> l{};
        for (int t = 0; t < 51; ++t)
            for (int c = 0; c < 256; ++c)
                l[static_cast<size_t>(t)][static_cast<size_t>(c)] =
                    static_cast<uint8_t>(c / 51 + (c % 51 > t ? 1 : 0));
        return l;
    }();
    // The progress counts buffer rows; ForEachRow hands out image rows, so j = h - 1 - y.
    ForEachRow(host, h, static_cast<size_t>(w) * 3, [&](int32_t y) {
        const int32_t j = h - 1 - y;
        const uint8_t* s = src.Bits + static_cast<size_t>(j) * static_cast<size_t>(src.LineBytes);
        uint8_t* t = dst.Bits + static_cast<size_t>(j) * static_cast<size_t>(dst.LineBytes);
        const uint8_t* l[8];
        for (int i = 0; i < 8; ++i)
            l[i] = levels[DitherMatrix[static_cast<size_t>(8 * i + (j & 7))]].data();
        for (int32_t x = 0; x < w; ++x, s += 3) {
            const uint8_t* lv = l[x & 7];
            t[x] = CubeToPalette[static_cast<size_t>(lv[s[2]] + 6 * lv[s[1]] + 36 * lv[s[0]])];
        }
    });
}

} // namespace

const std::array<uint8_t, 216> CubeToPalette = makeCubeToPalette();

TDepthDownChoice DepthDownChoice(int32_t bits, bool optimised, TDepthMethod method,
                                 bool windowsColours) {
    TDepthDownChoice c;
    c.Bits = bits;
    c.Colours = bits == 1 ? 2 : (bits == 4 ? 16 : 256);
    c.Optimised = bits != 1 && optimised;
    // ordered dithering is only offered with the standard 256-colour palette
    if (method == TDepthMethod::Ordered && !(bits == 8 && !c.Optimised))
        method = TDepthMethod::FloydSteinberg;
    c.Method = method;
    c.WindowsColours = windowsColours;
    return c;
}

TDepthDownChoice FreeDepthChoice(int32_t colours, bool floydSteinberg, bool windowsColours) {
    TDepthDownChoice c;
    c.Colours = std::clamp(colours, 2, 256);
    c.Bits = c.Colours > 16 ? 8 : 4;
    c.Optimised = true;
    c.Method = floydSteinberg ? TDepthMethod::FloydSteinberg : TDepthMethod::Nearest;
    c.WindowsColours = windowsColours;
    return c;
}

TDepthDownEnabling DepthDownEnabling(int32_t bits, bool optimisedChecked) {
    TDepthDownEnabling e;
    e.Methods = true;
    e.PaletteRadios = bits != 1;
    e.EightBitTarget = bits == 8;
    e.Dither = e.EightBitTarget && !optimisedChecked;
    e.WindowsColours = e.EightBitTarget && optimisedChecked;
    return e;
}

TColourCountRange FreeDepthRange(int32_t sourceBits, bool windowsColours) {
    TColourCountRange r;
    const bool boxEnabled = sourceBits != 8;
    r.Max = boxEnabled ? 256 : 16;
    r.Min = boxEnabled && windowsColours ? 22 : 2;
    return r;
}

void SortByCount(uint16_t* counter, uint16_t* key, int32_t lo, int32_t hi) {
    // the exact order of this quicksort decides which equally frequent colours win
    const uint16_t pivot = counter[(lo + hi) >> 1];
    int32_t i = lo, j = hi;
    do {
        while (counter[i] < pivot)
            ++i;
        while (pivot < counter[j])
            --j;
        if (i <= j) {
            std::swap(counter[i], counter[j]);
            std::swap(key[i], key[j]);
            ++i;
            --j;
        }
    } while (j >= i);
    if (lo < j)
        SortByCount(counter, key, lo, j);
    if (i < hi)
        SortByCount(counter, key, i, hi);
}

namespace {

constexpr int32_t kKeys = 32768;

// Calls fn(key) for every pixel of buffer row r, in order.
template <class F>
inline void forEachKey(const TDibRecord& dib, int32_t r, int32_t shift,
                       const std::array<uint16_t, 256>& entryKey, F&& fn) {
    const int32_t w = DibWidth(&dib);
    const int bpp = DibBitsPerPixel(&dib);
    const uint8_t* row = dib.Bits + static_cast<size_t>(r) * static_cast<size_t>(dib.LineBytes);
    if (bpp == 24) {
        for (int32_t x = 0; x < w; ++x, row += 3)
            fn((uint32_t(row[2] >> shift) << 10) | (uint32_t(row[1] >> shift) << 5) |
               uint32_t(row[0] >> shift));
    } else {
        for (int32_t x = 0; x < w; ++x)
            fn(entryKey[static_cast<size_t>(indexAt(row, x, bpp))]);
    }
}

// One counter step: a counter that has reached 65535 first halves all of them.
inline void addKey(uint16_t* c, uint32_t k) {
    if (c[k] == 65535)
        for (int32_t i = 0; i < kKeys; ++i)
            c[i] = static_cast<uint16_t>(c[i] >> 1);
    ++c[k];
}

// The count of a block of rows on its own, in counters too wide to overflow, with the keys it
// touched.
struct BlockCount {
    std::vector<uint32_t> n = std::vector<uint32_t>(kKeys, 0);
    std::vector<uint16_t> touched;
};

// The counters over every row as the plain loop leaves them, the blocks of rows counted on every
// core.  Halving makes the counters depend on the order of the pixels, so the blocks are merged
// in order: a block after which no counter would pass 65535 cannot have halved (every counter
// stays below 65535 before each of its steps), and adding its count is exactly what the steps
// would have done; a block that would pass it is counted again step by step.
void countInBlocks(const TDibRecord& dib, int32_t shift, const std::array<uint16_t, 256>& entryKey,
                   uint16_t* c, StepProgress& progress) {
    const int32_t w = DibWidth(&dib), h = DibHeight(&dib);
    const int32_t blockRows = std::max<int32_t>(1, (1 << 15) / std::max<int32_t>(w, 1));
    const int32_t blocks = (h + blockRows - 1) / blockRows;
    const int32_t batch = 4 * std::max<int32_t>(1, ThreadCount());
    std::vector<BlockCount> counts(static_cast<size_t>(std::min(batch, blocks)));
    for (int32_t b0 = 0; b0 < blocks; b0 += batch) {
        const int32_t nb = std::min(batch, blocks - b0);
        ParallelFor(nb, [&](int64_t i) {
            BlockCount& bc = counts[static_cast<size_t>(i)];
            uint32_t* n = bc.n.data();
            const int32_t r0 = (b0 + static_cast<int32_t>(i)) * blockRows;
            const int32_t r1 = std::min(h, r0 + blockRows);
            for (int32_t r = r0; r < r1; ++r)
                forEachKey(dib, r, shift, entryKey, [&](uint32_t k) {
                    if (n[k]++ == 0)
                        bc.touched.push_back(static_cast<uint16_t>(k));
                });
        });
        for (int32_t i = 0; i < nb; ++i) {
            BlockCount& bc = counts[static_cast<size_t>(i)];
            const int32_t r0 = (b0 + i) * blockRows;
            const int32_t r1 = std::min(h, r0 + blockRows);
            for (int32_t r = r0; r < r1; ++r)
                progress.at(r);
            bool passes = false;
            for (const uint16_t k : bc.touched)
                passes |= c[k] + bc.n[k] > 65535u;
            if (!passes) {
                for (const uint16_t k : bc.touched)
                    c[k] = static_cast<uint16_t>(c[k] + bc.n[k]);
            } else {
                for (int32_t r = r0; r < r1; ++r)
                    forEachKey(dib, r, shift, entryKey, [c](uint32_t k) { addKey(c, k); });
            }
            for (const uint16_t k : bc.touched)
                bc.n[k] = 0;
            bc.touched.clear();
        }
    }
}

// Images below this many pixels are counted in one pass on the calling thread.
constexpr int64_t kBlockCountPixels = int64_t{1} << 20;

} // namespace

std::vector<std::array<uint8_t, 3>> BuildPopularPalette(const TDibRecord& dib, Host& host,
                                                        int32_t count, int32_t shift) {
    std::vector<std::array<uint8_t, 3>> result;
    host.SetProSatus(0);
    std::vector<uint16_t> counter(kKeys, 0), key(kKeys);
    for (int32_t k = 0; k < kKeys; ++k)
        key[static_cast<size_t>(k)] = static_cast<uint16_t>(k);
    const int32_t w = DibWidth(&dib), h = DibHeight(&dib);
    // key of every palette entry, for 8-bit sources
    std::array<uint16_t, 256> entryKey{};
    for (int i = 0; i < 256; ++i) {
        const TPaletteEntry& e = dib.Palette.palPalEntry[i];
        entryKey[static_cast<size_t>(i)] = static_cast<uint16_t>(
            ((e.peRed >> shift) << 10) | ((e.peGreen >> shift) << 5) | (e.peBlue >> shift));
    }
    uint16_t* c = counter.data();
    StepProgress progress(host, h);
    if (HasPixels(dib)) {
        if (static_cast<int64_t>(w) * h >= kBlockCountPixels) {
            countInBlocks(dib, shift, entryKey, c, progress);
        } else {
            for (int32_t r = 0; r < h; ++r) {
                progress.at(r);
                forEachKey(dib, r, shift, entryKey, [c](uint32_t k) { addKey(c, k); });
            }
        }
    }
    SortByCount(counter.data(), key.data(), 0, kKeys - 1);
    count = std::clamp(count, 0, kKeys);
    result.reserve(static_cast<size_t>(count));
    for (int32_t k = 0; k < count; ++k) {
        const uint32_t kk = key[static_cast<size_t>(kKeys - 1 - k)];
        result.push_back({static_cast<uint8_t>((kk >> 10) << shift),
                          static_cast<uint8_t>(((kk >> 5) & 31) << shift),
                          static_cast<uint8_t>((kk & 31) << shift)});
    }
    host.SetProSatus(0);
    return result;
}

namespace {

// How many pixels ahead the vector path starts reading a memo line.
constexpr int32_t kFsAhead = 4;

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};

// Place of colour bgr (blue + 256 green + 65536 red) in a table laid out one fine cell of the
// raster library's tables (4 x 4 x 4 colours) per 64-byte line, in the order of its own tables:
// the top six bits of red, green, blue pick the line, their low two bits the byte.
inline uint32_t memoIndex(uint32_t bgr) {
    return (bgr & 0xFC0000) | ((bgr & 0xFC00) << 2) | ((bgr & 0xFC) << 4) | ((bgr >> 12) & 0x30) |
           ((bgr >> 6) & 0xC) | (bgr & 3);
}

// The nearest entry of the target's palette for every colour the diffusion asks for, remembered
// for the call in a table of 2^24 bytes (memoIndex).  Each pixel waits for the last one's answer,
// so what counts is the chain of dependent steps: here one read whose address comes straight
// from the colour.  Whether its line is filled is a bit tested beside it (a branch the processor
// predicts, off that chain).  A line is filled on first use from the library's table of the fine
// cell (one answer or 64), so the memo touches about as much memory as those tables (colours
// near each other share a line); the pages the diffusion never reaches are never backed.
class MemoNearest {
public:
    explicit MemoNearest(HPALETTE pal) : pal_(pal) {
        memo_.reset(static_cast<uint8_t*>(std::aligned_alloc(64, kColours)));
        if (memo_ != nullptr) {
            filled_.reset(static_cast<uint64_t*>(std::calloc(kLines / 64, sizeof(uint64_t))));
            if (filled_ == nullptr)
                memo_.reset();
        }
        if (memo_ != nullptr && GetNearestPaletteTables(pal, &cells_, &answers_) == 0)
            cells_ = nullptr; // no tables: lines are filled colour by colour
    }
    bool ok() const { return memo_ != nullptr; }

    uint32_t operator()(uint32_t bgr) const {
        const uint32_t i = memoIndex(bgr);
        const uint32_t line = i >> 6;
        if (__builtin_expect(((filled_[line >> 6] >> (line & 63)) & 1) == 0, 0))
            fill(line);
        return memo_[i];
    }
    void prefetch(uint32_t bgr) const { __builtin_prefetch(memo_.get() + memoIndex(bgr)); }

private:
    static constexpr size_t kColours = size_t{1} << 24;
    static constexpr size_t kLines = kColours / 64;

    __attribute__((noinline)) void fill(uint32_t line) const {
        uint8_t* out = memo_.get() + static_cast<size_t>(line) * 64;
        // the line is the library's fine cell of the same number
        const uint32_t r0 = (line >> 12) << 2, g0 = ((line >> 6) & 63) << 2, b0 = (line & 63) << 2;
        const uint32_t first = r0 | (g0 << 8) | (b0 << 16); // the library's order
        bool done = false;
        if (cells_ != nullptr) {
            uint32_t v = __atomic_load_n(cells_ + line, __ATOMIC_ACQUIRE);
            if (v == 0) { // not looked at yet: a query does, and publishes the cell
                GetNearestPaletteIndex(pal_, first);
                v = __atomic_load_n(cells_ + line, __ATOMIC_ACQUIRE);
            }
            if (v - 1u < 256u) {
                std::memset(out, static_cast<int>(v - 1u), 64);
                done = true;
            } else if (v - PICTORA_NEAREST_TABLE_BASE < PICTORA_NEAREST_TABLES) {
                std::memcpy(out, answers_ + static_cast<size_t>(v - PICTORA_NEAREST_TABLE_BASE) * 64,
                            64);
                done = true;
            }
        }
        if (!done) // every table is taken, or there are none: each colour on its own
            for (uint32_t s = 0; s < 64; ++s)
                out[s] = static_cast<uint8_t>(GetNearestPaletteIndex(
                    pal_, (r0 + (s >> 4)) | ((g0 + ((s >> 2) & 3)) << 8) | ((b0 + (s & 3)) << 16)));
        filled_[line >> 6] |= uint64_t{1} << (line & 63);
    }

    HPALETTE pal_;
    const uint16_t* cells_ = nullptr;
    const uint8_t* answers_ = nullptr;
    std::unique_ptr<uint8_t[], FreeDeleter> memo_;
    std::unique_ptr<uint64_t[], FreeDeleter> filled_;
};

// The library's call for every pixel, when there is no memory for the memo.
struct CallNearest {
    HPALETTE pal;
    uint32_t operator()(uint32_t bgr) const {
        return GetNearestPaletteIndex(pal, ((bgr >> 16) & 255) | (bgr & 0xFF00) | ((bgr & 255) << 16));
    }
    void prefetch(uint32_t) const {}
};

// The source colour of pixel x as blue + 256 green + 65536 red.
template <bool Src24>
inline uint32_t sourceBgr(const TDibRecord& source, const uint8_t* srow, int sbpp, int32_t x,
                          int32_t w) {
    if constexpr (Src24) {
        const uint8_t* p = srow + 3 * static_cast<size_t>(x);
        uint32_t v = 0;
        // four bytes at once, except at the row's end where the fourth may lie past the buffer
        if (__builtin_expect(x + 1 < w, 1))
            std::memcpy(&v, p, 4);
        else
            std::memcpy(&v, p, 3);
        return v & 0xFFFFFF;
    } else {
        const TPaletteEntry& e = entryOf(source, indexAt(srow, x, sbpp));
        return e.peBlue | (uint32_t{e.peGreen} << 8) | (uint32_t{e.peRed} << 16);
    }
}

// One row of the diffusion, one channel after the other.  Each error slot of the next row
// collects e(k-1) + 5 e(k) + 3 e(k+1) of three neighbours, and the next pixel gets 7 e(k): both
// are carried in registers and stored once.  Every partial sum fits the 16-bit slots (at most
// 16 * 255 in size), so adding in 32 bits and storing once gives the same values as adding into
// the slots step by step.  Slots of three values (blue, green, red).
template <int TBpp, bool Src24, class Nearest>
void diffuseRowPlain(const TDibRecord& source, const uint8_t* srow, int sbpp, uint8_t* trow,
                     int32_t w, bool leftToRight, const int16_t* cur, int16_t* nxt,
                     const TPaletteEntry* tpal, const Nearest& nearest) {
    // 7 e of the previous pixel, and the next-row slots W-k and W-k+1 so far
    int32_t sevenB = 0, sevenG = 0, sevenR = 0;
    int32_t p0B = 0, p0G = 0, p0R = 0, p1B = 0, p1G = 0, p1R = 0;
    // (sum + 8) div 16 truncating toward zero, then the clamp to 0..255
    auto value = [](int32_t src, int32_t sum) { return std::clamp(src + (sum + 8) / 16, 0, 255); };
    for (int32_t k = 0; k < w; ++k) {
        const int32_t x = leftToRight ? k : w - 1 - k;
        const uint32_t src = sourceBgr<Src24>(source, srow, sbpp, x, w);
        const int16_t* c = cur + 3 * (k + 1);
        const int32_t vB = value(static_cast<int32_t>(src & 255), c[0] + sevenB);
        const int32_t vG = value(static_cast<int32_t>((src >> 8) & 255), c[1] + sevenG);
        const int32_t vR = value(static_cast<int32_t>(src >> 16), c[2] + sevenR);
        const uint32_t index = nearest(static_cast<uint32_t>(vB) | (static_cast<uint32_t>(vG) << 8) |
                                       (static_cast<uint32_t>(vR) << 16));
        putIndex(trow, x, TBpp, index);
        const TPaletteEntry& p = tpal[index & 255];
        const int32_t eB = vB - p.peBlue, eG = vG - p.peGreen, eR = vR - p.peRed;
        int16_t* done = nxt + 3 * (w - k + 1); // slot W-k+1 is complete now
        done[0] = static_cast<int16_t>(p1B + 3 * eB);
        done[1] = static_cast<int16_t>(p1G + 3 * eG);
        done[2] = static_cast<int16_t>(p1R + 3 * eR);
        p1B = p0B + 5 * eB;
        p1G = p0G + 5 * eG;
        p1R = p0R + 5 * eR;
        p0B = eB;
        p0G = eG;
        p0R = eR;
        sevenB = 7 * eB;
        sevenG = 7 * eG;
        sevenR = 7 * eR;
    }
    // slot 1 has no pixel ahead of it; slot 0 is a guard
    nxt[3] = static_cast<int16_t>(p1B);
    nxt[4] = static_cast<int16_t>(p1G);
    nxt[5] = static_cast<int16_t>(p1R);
    nxt[0] = static_cast<int16_t>(p0B);
    nxt[1] = static_cast<int16_t>(p0G);
    nxt[2] = static_cast<int16_t>(p0R);
}

// The same row with the three channels side by side in the 16-bit lanes of one SSE2 register:
// slots of four values (blue, green, red and a lane that stays 0: its source, error and palette
// lanes are all 0).  The same arithmetic: the lanes never overflow, since every slot fits 16 bits
// as above, and the clamp packs the lanes to bytes that read directly as the memo's index.
template <int TBpp, bool Src24, class Nearest>
void diffuseRowSse2(const TDibRecord& source, const uint8_t* srow, int sbpp, uint8_t* trow,
                    int32_t w, bool leftToRight, const int16_t* cur, int16_t* nxt,
                    const int16_t* tpal4, const Nearest& nearest) {
    const __m128i eight = _mm_set1_epi16(8), fifteen = _mm_set1_epi16(15);
    const __m128i zero = _mm_setzero_si128(), top = _mm_set1_epi16(255);
    __m128i seven = zero, p0 = zero, p1 = zero;
    auto slot = [](const int16_t* row, int32_t s) {
        return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + 4 * static_cast<size_t>(s)));
    };
    auto store = [](int16_t* row, int32_t s, __m128i v) {
        _mm_storel_epi64(reinterpret_cast<__m128i*>(row + 4 * static_cast<size_t>(s)), v);
    };
    // (sum + 8) div 16 truncating toward zero (negative sums get 15 added before the shift),
    // added to the source and clamped
    auto value = [&](__m128i src, __m128i sum) {
        sum = _mm_add_epi16(sum, eight);
        const __m128i q = _mm_srai_epi16(
            _mm_add_epi16(sum, _mm_and_si128(_mm_srai_epi16(sum, 15), fifteen)), 4);
        return _mm_min_epi16(_mm_max_epi16(_mm_add_epi16(src, q), zero), top);
    };
    auto sourceAt = [&](int32_t x) {
        return _mm_unpacklo_epi8(
            _mm_cvtsi32_si128(static_cast<int>(sourceBgr<Src24>(source, srow, sbpp, x, w))), zero);
    };
    auto packed = [](__m128i v) {
        return static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(v, v)));
    };
    for (int32_t k = 0; k < w; ++k) {
        const int32_t x = leftToRight ? k : w - 1 - k;
        if (k + kFsAhead < w) {
            // the memo line of a pixel further on, from its source and the row above's error
            const int32_t xa = leftToRight ? k + kFsAhead : w - 1 - k - kFsAhead;
            nearest.prefetch(packed(value(sourceAt(xa), slot(cur, k + kFsAhead + 1))));
        }
        const __m128i src = sourceAt(x);
        const __m128i v = value(src, _mm_add_epi16(slot(cur, k + 1), seven));
        const uint32_t index = nearest(packed(v));
        putIndex(trow, x, TBpp, index);
        const __m128i e = _mm_sub_epi16(v, slot(tpal4, static_cast<int32_t>(index & 255)));
        const __m128i twoE = _mm_add_epi16(e, e);
        store(nxt, w - k + 1, _mm_add_epi16(p1, _mm_add_epi16(twoE, e)));  // + 3 e
        p1 = _mm_add_epi16(p0, _mm_add_epi16(_mm_add_epi16(twoE, twoE), e)); // + 5 e
        p0 = e;
        seven = _mm_sub_epi16(_mm_slli_epi16(e, 3), e);
    }
    store(nxt, 1, p1);
    store(nxt, 0, p0);
}

template <int TBpp, class Nearest>
void diffuseRow(bool sse2, const TDibRecord& source, const uint8_t* srow, int sbpp, uint8_t* trow,
                int32_t w, bool leftToRight, const int16_t* cur, int16_t* nxt,
                const TPaletteEntry* tpal, const int16_t* tpal4, const Nearest& nearest) {
    if (sse2) {
        if (sbpp == 24)
            diffuseRowSse2<TBpp, true>(source, srow, sbpp, trow, w, leftToRight, cur, nxt, tpal4,
                                       nearest);
        else
            diffuseRowSse2<TBpp, false>(source, srow, sbpp, trow, w, leftToRight, cur, nxt, tpal4,
                                        nearest);
    } else {
        if (sbpp == 24)
            diffuseRowPlain<TBpp, true>(source, srow, sbpp, trow, w, leftToRight, cur, nxt, tpal,
                                        nearest);
        else
            diffuseRowPlain<TBpp, false>(source, srow, sbpp, trow, w, leftToRight, cur, nxt, tpal,
                                         nearest);
    }
}

template <class Nearest>
void diffuseRows(const TDibRecord& source, const TDibRecord& target, Host& host,
                 const Nearest& nearest) {
    const int32_t w = DibWidth(&source), h = DibHeight(&source);
    const int sbpp = DibBitsPerPixel(&source), tbpp = DibBitsPerPixel(&target);
    const TPaletteEntry* tpal = target.Palette.palPalEntry;
    const bool sse2 = SimdAtLeast(SimdLevel::Sse2);
    // the target palette as four 16-bit lanes (blue, green, red, 0) per entry
    alignas(16) int16_t tpal4[4 * 256];
    for (int i = 0; i < 256; ++i) {
        tpal4[4 * i] = tpal[i].peBlue;
        tpal4[4 * i + 1] = tpal[i].peGreen;
        tpal4[4 * i + 2] = tpal[i].peRed;
        tpal4[4 * i + 3] = 0;
    }
    // errors times 16, one slot (blue, green, red, and 0 for the vector path) per column and a
    // guard slot at each end
    const size_t slots = (sse2 ? 4 : 3) * (static_cast<size_t>(w) + 2);
    std::vector<int16_t> e0(slots, 0), e1(slots, 0);
    bool flag = false;
    StepProgress progress(host, h);
    for (int32_t y = 0; y < h; ++y) {
        progress.at(y);
        const bool leftToRight = !flag;
        const int16_t* cur = leftToRight ? e0.data() : e1.data();
        int16_t* nxt = leftToRight ? e1.data() : e0.data();
        flag = !flag;
        const uint8_t* srow = ImageRow(source, y);
        uint8_t* trow = ImageRow(target, y);
        switch (tbpp) {
        case 8:
            diffuseRow<8>(sse2, source, srow, sbpp, trow, w, leftToRight, cur, nxt, tpal, tpal4,
                          nearest);
            break;
        case 4:
            diffuseRow<4>(sse2, source, srow, sbpp, trow, w, leftToRight, cur, nxt, tpal, tpal4,
                          nearest);
            break;
        default:
            diffuseRow<1>(sse2, source, srow, sbpp, trow, w, leftToRight, cur, nxt, tpal, tpal4,
                          nearest);
            break;
        }
    }
}

} // namespace

void FloydSteinbergMap(const TDibRecord& source, const TDibRecord& target, Host& host) {
    if (!HasPixels(source) || !HasPixels(target))
        return;
    host.SetProSatus(0);
    const HPALETTE pal = target.PaletteHandle;
    const MemoNearest memo(pal);
    if (memo.ok())
        diffuseRows(source, target, host, memo);
    else
        diffuseRows(source, target, host, CallNearest{pal});
    host.SetProSatus(0);
}

bool DepthDownTo(DocumentState& doc, Host& host, const TDepthDownChoice& choice) {
    TDibRecord& src = doc.Dib;
    bool replaced = false;
    if (HasPixels(src)) {
        const int32_t s = DibBitsPerPixel(&src);
        const int32_t bits = choice.Bits;
        const bool hasCase = (bits == 1 && (s == 24 || s == 8 || s == 4)) ||
                             (bits == 4 && (s == 24 || s == 8)) || (bits == 8 && s == 24);
        DibHolder target;
        if (hasCase && newdib(&target.get(), DibWidth(&src), DibHeight(&src), bits, nullptr, 0) &&
            target->DibHandle != 0) {
            TDibRecord& t = target.get();
            const TDepthMethod m = choice.Method;
            const int32_t p = std::clamp(choice.Colours, 2, bits == 4 ? 16 : 256);
            if (bits == 1) {
                if (m != TDepthMethod::Nearest)
                    FloydSteinbergMap(src, t, host);
                else
                    thresholdTo1Bit(src, t, host);
            } else if (bits == 4) {
                uint32_t pal[16];
                if (choice.Optimised) {
                    const auto popular = BuildPopularPalette(src, host, p, 5);
                    std::fill(pal, pal + 16, toRgb(popular[0]));
                    for (int32_t i = 0; i < p; ++i)
                        pal[i] = toRgb(popular[static_cast<size_t>(i)]);
                } else {
                    std::copy(StdPalette16.begin(), StdPalette16.end(), pal);
                }
                setPalette(t, pal, 16);
                if (m == TDepthMethod::FloydSteinberg)
                    FloydSteinbergMap(src, t, host);
                else
                    NearestMap(src, t, host);
            } else {
                uint32_t pal[256];
                std::copy(StdPalette256.begin(), StdPalette256.end(), pal);
                if (choice.Optimised && choice.WindowsColours) {
                    std::fill(pal + 10, pal + 246, StdPalette256[0]);
                    const auto popular = BuildPopularPalette(src, host, p - 20, 4);
                    for (size_t i = 0; i < popular.size(); ++i)
                        pal[10 + i] = toRgb(popular[i]);
                } else if (choice.Optimised) {
                    const auto popular = BuildPopularPalette(src, host, p, 4);
                    std::fill(pal, pal + 256, toRgb(popular[0]));
                    for (int32_t i = 0; i < p; ++i)
                        pal[i] = toRgb(popular[static_cast<size_t>(i)]);
                }
                setPalette(t, pal, 256);
                if (m == TDepthMethod::Ordered)
                    orderedDither(src, t, host);
                else if (m == TDepthMethod::FloydSteinberg)
                    FloydSteinbergMap(src, t, host);
                else
                    NearestMap(src, t, host);
            }
            // a floating piece is already drawn into the image: it ends here, and its records of
            // the old depth go
            FinishDraging(doc);
            deldib(&src);
            src = target.release();
            doc.ForeColor = 0;
            doc.BackColor = (1 << bits) - 1;
            replaced = true;
        }
    }
    host.UpdateMenuItems();
    host.SetProSatus(0);
    return replaced;
}

} // namespace pixorama
