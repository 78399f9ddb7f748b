// Brightness, contrast, saturation, highlight/midtone/shadow, gains, colourising and gamma.
#include "ops/corrections.h"

#include "colour/hsl.h"
#include "ops/linear_tables.h"
#include "ops/pixel_simd.h"
#include "ops/rows.h"

#include <algorithm>
#include <cmath>

namespace pixorama {

using namespace ops;

namespace {

struct MidShadow {
    int32_t hi, mid, sh;
};

MidShadow normalise(int32_t hi, int32_t mid, int32_t sh) {
    if (hi < sh)
        sh = hi;
    if (mid < sh)
        mid = sh;
    if (mid > hi)
        mid = hi;
    return {hi, mid, sh};
}

// The pixel loops read src and write dst: the same buffer, or two that do not overlap.
void highMidShadowPlain(const uint8_t* src, uint8_t* dst, size_t n, const uint8_t* lut, int32_t hi,
                        int32_t sh) {
    for (size_t i = 0; i < n; ++i, src += 3, dst += 3) {
        const int32_t l = Luminance(src[2], src[1], src[0]);
        if (l >= hi) {
            dst[0] = dst[1] = dst[2] = 255;
        } else if (l <= sh) {
            dst[0] = dst[1] = dst[2] = 0;
        } else {
            const uint8_t b = lut[src[0]], g = lut[src[1]], r = lut[src[2]];
            dst[0] = b, dst[1] = g, dst[2] = r;
        }
    }
}

// Needs 0 <= sh <= hi <= 255 and 0 <= mid <= 255: the shift is a saturating addition.
__attribute__((target("avx2"))) size_t highMidShadowAvx2(const uint8_t* srcPixels,
                                                         uint8_t* dstPixels, size_t n, int32_t hi,
                                                         int32_t mid, int32_t sh) {
    const Gather48& g = kGather;
    const __m128i vhi = _mm_set1_epi8(static_cast<char>(hi));
    const __m128i vsh = _mm_set1_epi8(static_cast<char>(sh));
    const int32_t d = mid - 128;
    const __m128i up = _mm_set1_epi8(static_cast<char>(d > 0 ? d : 0));
    const __m128i down = _mm_set1_epi8(static_cast<char>(d < 0 ? -d : 0));
    size_t i = 0;
    {
        // thirty-two pixels at a time, then sixteen
        const Gather96 g96 = makeGather96();
        const __m256i hi32 = _mm256_set1_epi8(static_cast<char>(hi));
        const __m256i sh32 = _mm256_set1_epi8(static_cast<char>(sh));
        const __m256i up32 = _mm256_broadcastsi128_si256(up);
        const __m256i down32 = _mm256_broadcastsi128_si256(down);
        for (; i + 32 <= n; i += 32) {
            const uint8_t* q = srcPixels + 3 * i;
            PrefetchAhead(q);
            const Pixels32 v = load96(q);
            const __m256i lum = luminance32(g96, v);
            const __m256i white = _mm256_cmpeq_epi8(_mm256_max_epu8(lum, hi32), lum);
            const __m256i black =
                _mm256_andnot_si256(white, _mm256_cmpeq_epi8(_mm256_min_epu8(lum, sh32), lum));
            Pixels32 out;
            const __m256i* src[3] = {&v.a, &v.b, &v.c};
            __m256i* dst[3] = {&out.a, &out.b, &out.c};
            for (int r = 0; r < 3; ++r) {
                const __m256i shifted = _mm256_subs_epu8(_mm256_adds_epu8(*src[r], up32), down32);
                const __m256i w = _mm256_shuffle_epi8(white, g96.spreadAll[r]);
                const __m256i b = _mm256_shuffle_epi8(black, g96.spreadAll[r]);
                *dst[r] = _mm256_or_si256(_mm256_andnot_si256(b, shifted), w);
            }
            store96(dstPixels + 3 * i, out);
        }
    }
    for (; i + 16 <= n; i += 16) {
        const uint8_t* q = srcPixels + 3 * i;
        const __m128i lum = luminance16(g, q);
        const __m128i white = _mm_cmpeq_epi8(_mm_max_epu8(lum, vhi), lum);
        const __m128i black = _mm_andnot_si128(white, _mm_cmpeq_epi8(_mm_min_epu8(lum, vsh), lum));
        for (int r = 0; r < 3; ++r) {
            const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(q + 16 * r));
            const __m128i shifted = _mm_subs_epu8(_mm_adds_epu8(x, up), down);
            const __m128i w = _mm_shuffle_epi8(white, g.spread[r]);
            const __m128i b = _mm_shuffle_epi8(black, g.spread[r]);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dstPixels + 3 * i + 16 * r),
                             _mm_or_si128(_mm_andnot_si128(b, shifted), w));
        }
    }
    return i;
}

// Sixty-four pixels at a time: white where the luminance sum reaches 100 hi, else black where
// it stays below 100 (sh + 1), compared before any division.
__attribute__((target("avx512f,avx512bw,avx512vbmi"))) size_t
highMidShadowVbmi(const uint8_t* src, uint8_t* dst, size_t n, int32_t hi, int32_t mid, int32_t sh) {
    const Permutes64& t = kPermutes64;
    const __m512i whiteFrom = _mm512_set1_epi16(static_cast<int16_t>(100 * hi - 1));
    const __m512i blackBelow = _mm512_set1_epi16(static_cast<int16_t>(100 * (sh + 1)));
    const int32_t d = mid - 128;
    const __m512i up = _mm512_set1_epi8(static_cast<char>(d > 0 ? d : 0));
    const __m512i down = _mm512_set1_epi8(static_cast<char>(d < 0 ? -d : 0));
    size_t i = 0;
    for (; i + 64 <= n; i += 64) {
        const uint8_t* q = src + 3 * i;
        PrefetchAhead(q, 3); // a 192-byte step: three lines
        const __m512i v[3] = {_mm512_loadu_si512(q), _mm512_loadu_si512(q + 64),
                              _mm512_loadu_si512(q + 128)};
        const __m512i s0 = weightedSums64(t, v[0], v[1], v[2], 0, kLumWeights);
        const __m512i s1 = weightedSums64(t, v[0], v[1], v[2], 1, kLumWeights);
        const __mmask64 white = _mm512_kunpackd(_mm512_cmpgt_epi16_mask(s1, whiteFrom),
                                                _mm512_cmpgt_epi16_mask(s0, whiteFrom));
        const __mmask64 dark = _mm512_kunpackd(_mm512_cmplt_epi16_mask(s1, blackBelow),
                                               _mm512_cmplt_epi16_mask(s0, blackBelow));
        const __mmask64 black = dark & ~white;
        const __m512i w = _mm512_movm_epi8(white), b = _mm512_movm_epi8(black);
        for (int r = 0; r < 3; ++r) {
            const __m512i shifted = _mm512_subs_epu8(_mm512_adds_epu8(v[r], up), down);
            // (shifted and not black) or white
            _mm512_storeu_si512(
                dst + 3 * i + 64 * r,
                _mm512_ternarylogic_epi32(spread64(t, b, r), shifted, spread64(t, w, r), 0xAE));
        }
    }
    return i;
}

void highMidShadowPixels(const uint8_t* src, uint8_t* dst, size_t n, const uint8_t* lut, int32_t hi,
                         int32_t mid, int32_t sh) {
    size_t done = 0;
    if (sh >= 0 && sh <= hi && hi <= 255 && mid >= 0 && mid <= 255) {
        if (PixelVbmi())
            done = highMidShadowVbmi(src, dst, n, hi, mid, sh);
        if (PixelAvx2())
            done += highMidShadowAvx2(src + 3 * done, dst + 3 * done, n - done, hi, mid, sh);
    }
    highMidShadowPlain(src + 3 * done, dst + 3 * done, n - done, lut, hi, sh);
}

// Colourising depends only on the lightness: one colour per level.
struct ColourTable {
    Lut b, g, r;
};

inline uint32_t lightness(const uint8_t* p) {
    return 30u * p[2] / 100u + 59u * p[1] / 100u + 11u * p[0] / 100u;
}

// Each channel of the colour of lightness l is a fixed value v moved towards white above 127 and
// towards black below: v + ((255 - v) (l - 127) >> 7), v - (v (127 - l) >> 7).  Where the table
// is exactly that (checked entry by entry), the colour is computed from l instead of looked up.
struct ColourLines {
    bool exact = false;
    int16_t v[3] = {0, 0, 0}; // blue, green, red at l = 127
};

int32_t towardsLevel(int32_t v, int32_t l) {
    return l >= 127 ? v + ((255 - v) * (l - 127) >> 7) : v - ((127 - l) * v >> 7);
}

ColourLines colourLines(const ColourTable& t) {
    ColourLines c;
    const Lut* tables[3] = {&t.b, &t.g, &t.r};
    for (int ch = 0; ch < 3; ++ch) {
        c.v[ch] = (*tables[ch])[127];
        for (int32_t l = 0; l < 256; ++l)
            if (towardsLevel(c.v[ch], l) != (*tables[ch])[static_cast<size_t>(l)])
                return c;
    }
    c.exact = true;
    return c;
}

// The lightness, then the three colour tables, thirty-two pixels at a time.
__attribute__((target("avx2"))) size_t colorizeAvx2(const uint8_t* src, uint8_t* dst, size_t n,
                                                    const ColourTable& t) {
    const Gather96 g = makeGather96();
    const Lut32 tb = makeLut32(t.b.data()), tg = makeLut32(t.g.data()), tr = makeLut32(t.r.data());
    size_t i = 0;
    for (; i + 32 <= n; i += 32) {
        const uint8_t* q = src + 3 * i;
        PrefetchAhead(q);
        const __m256i l = lightness32(g, load96(q));
        store96(dst + 3 * i, merge32(g, lookup32(tb, l), lookup32(tg, l), lookup32(tr, l)));
    }
    return i;
}

// The three channels of sixteen lightness values l (words) through their lines.
struct ColourWords {
    __m256i c[3];
};

__attribute__((target("avx2"))) inline ColourWords colourWords(__m256i l, const __m256i v[3],
                                                               const __m256i w[3]) {
    const __m256i diff = _mm256_sub_epi16(l, _mm256_set1_epi16(127));
    // |l - 127| * 512 (l is at most 254): (dist * room) >> 16 is |l - 127| * room >> 7
    const __m256i dist = _mm256_slli_epi16(_mm256_abs_epi16(diff), 9);
    const __m256i upper = _mm256_cmpgt_epi16(diff, _mm256_setzero_si256());
    ColourWords out;
    for (int ch = 0; ch < 3; ++ch) {
        // the distance to white above 127, to black below
        const __m256i room = _mm256_blendv_epi8(v[ch], w[ch], upper);
        const __m256i move = _mm256_mulhi_epu16(dist, room);
        out.c[ch] = _mm256_add_epi16(v[ch], _mm256_sign_epi16(move, diff));
    }
    return out;
}

// The lightness, then the colour computed from it, thirty-two pixels at a time.
__attribute__((target("avx2"))) size_t colorizeLinesAvx2(const uint8_t* src, uint8_t* dst, size_t n,
                                                         const ColourLines& c) {
    const Gather96 g = makeGather96();
    const __m256i zero = _mm256_setzero_si256();
    __m256i v[3], w[3];
    for (int ch = 0; ch < 3; ++ch) {
        v[ch] = _mm256_set1_epi16(c.v[ch]);
        w[ch] = _mm256_set1_epi16(static_cast<int16_t>(255 - c.v[ch]));
    }
    size_t i = 0;
    for (; i + 32 <= n; i += 32) {
        const uint8_t* q = src + 3 * i;
        PrefetchAhead(q);
        const Pixels32 px = load96(q);
        const __m256i b = channel32(g, 0, px), gr = channel32(g, 1, px), r = channel32(g, 2, px);
        const ColourWords lo = colourWords(lightnessWords(_mm256_unpacklo_epi8(r, zero),
                                                          _mm256_unpacklo_epi8(gr, zero),
                                                          _mm256_unpacklo_epi8(b, zero)),
                                           v, w);
        const ColourWords hi = colourWords(lightnessWords(_mm256_unpackhi_epi8(r, zero),
                                                          _mm256_unpackhi_epi8(gr, zero),
                                                          _mm256_unpackhi_epi8(b, zero)),
                                           v, w);
        store96(dst + 3 * i, merge32(g, _mm256_packus_epi16(lo.c[0], hi.c[0]),
                                     _mm256_packus_epi16(lo.c[1], hi.c[1]),
                                     _mm256_packus_epi16(lo.c[2], hi.c[2])));
    }
    return i;
}

// Sixty-four pixels (192 bytes, three 64-byte registers) at a time: byte permutes gather each
// channel and put the colour back; lightness and colour as in the AVX2 loop, in 32 words.
struct Permutes192 {
    __m512i pick[3];  // channel c of pixel i: byte 3 i + c of the 192
    __m512i place[3]; // byte j of output register d: channel (64 d + j) % 3 of its pixel
    __mmask64 fromC[3], fromR[3]; // bytes taken from the third register / from the red bytes
};

Permutes192 makePermutes192() {
    Permutes192 t;
    for (int k = 0; k < 3; ++k) {
        alignas(64) uint8_t pick[64], place[64];
        __mmask64 fromC = 0, fromR = 0;
        for (int i = 0; i < 64; ++i) {
            const int at = 3 * i + k; // channel k of pixel i
            pick[i] = static_cast<uint8_t>(at & 127);
            if (at >= 128)
                fromC |= __mmask64{1} << i;
            const int byte = 64 * k + i; // output register k, byte i
            const int ch = byte % 3, pixel = byte / 3;
            // blue and green from a pair of registers (index bit 6 picks green), red alone
            place[i] = static_cast<uint8_t>(ch == 2 ? pixel : pixel + (ch == 1 ? 64 : 0));
            if (ch == 2)
                fromR |= __mmask64{1} << i;
        }
        std::memcpy(&t.pick[k], pick, 64);
        std::memcpy(&t.place[k], place, 64);
        t.fromC[k] = fromC;
        t.fromR[k] = fromR;
    }
    return t;
}

__attribute__((target("avx512f,avx512bw"))) inline __m512i percentOfByte512(__m512i x, int k) {
    return _mm512_mulhi_epu16(x, _mm512_set1_epi16(static_cast<int16_t>(kPercentOfByte[k])));
}

__attribute__((target("avx512f,avx512bw"))) inline __m512i lightnessWords512(__m512i r, __m512i g,
                                                                             __m512i b) {
    return _mm512_add_epi16(_mm512_add_epi16(percentOfByte512(r, 0), percentOfByte512(g, 1)),
                            percentOfByte512(b, 2));
}

// Bytes 0..7 (half 0) or 8..15 (half 1) of each 16-byte lane as words.
__attribute__((target("avx512f,avx512bw"))) inline __m512i wordsOf(__m512i x, int half) {
    return half == 0 ? _mm512_unpacklo_epi8(x, _mm512_setzero_si512())
                     : _mm512_unpackhi_epi8(x, _mm512_setzero_si512());
}

// A 256-entry table in four 64-byte registers, looked up 64 bytes at a time.
struct Table256 {
    __m512i t[4];
};

__attribute__((target("avx512f,avx512bw,avx512vbmi"))) inline Table256
loadTable256(const Lut& lut) {
    return {{_mm512_loadu_si512(lut.data()), _mm512_loadu_si512(lut.data() + 64),
             _mm512_loadu_si512(lut.data() + 128), _mm512_loadu_si512(lut.data() + 192)}};
}

__attribute__((target("avx512f,avx512bw,avx512vbmi"))) inline __m512i lookup256(const Table256& t,
                                                                                __m512i x) {
    const __m512i lo = _mm512_permutex2var_epi8(t.t[0], x, t.t[1]);
    const __m512i hi = _mm512_permutex2var_epi8(t.t[2], x, t.t[3]);
    return _mm512_mask_blend_epi8(_mm512_movepi8_mask(x), lo, hi);
}

// The lightness of sixty-four pixels, then their colour looked up.
__attribute__((target("avx512f,avx512bw,avx512vbmi"))) size_t
colorizeVbmi64(const uint8_t* src, uint8_t* dst, size_t n, const ColourTable& ct) {
    static const Permutes192 t = makePermutes192();
    const Table256 tb = loadTable256(ct.b), tg = loadTable256(ct.g), tr = loadTable256(ct.r);
    size_t i = 0;
    for (; i + 64 <= n; i += 64) {
        const uint8_t* q = src + 3 * i;
        PrefetchAhead(q, 3); // a 192-byte step: three lines
        const __m512i a = _mm512_loadu_si512(q), b = _mm512_loadu_si512(q + 64),
                      c = _mm512_loadu_si512(q + 128);
        __m512i chan[3];
        for (int k = 0; k < 3; ++k)
            chan[k] = _mm512_mask_permutexvar_epi8(_mm512_permutex2var_epi8(a, t.pick[k], b),
                                                   t.fromC[k], t.pick[k], c);
        const __m512i l = _mm512_packus_epi16(
            lightnessWords512(wordsOf(chan[2], 0), wordsOf(chan[1], 0), wordsOf(chan[0], 0)),
            lightnessWords512(wordsOf(chan[2], 1), wordsOf(chan[1], 1), wordsOf(chan[0], 1)));
        const __m512i out[3] = {lookup256(tb, l), lookup256(tg, l), lookup256(tr, l)};
        for (int k = 0; k < 3; ++k)
            _mm512_storeu_si512(
                dst + 3 * i + 64 * k,
                _mm512_mask_permutexvar_epi8(_mm512_permutex2var_epi8(out[0], t.place[k], out[1]),
                                             t.fromR[k], t.place[k], out[2]));
    }
    return i;
}

// src and dst are the same or do not overlap.
void colorizePixels(const uint8_t* src, uint8_t* dst, size_t n, const ColourTable& t,
                    const ColourLines& c) {
    size_t done = PixelVbmi() ? colorizeVbmi64(src, dst, n, t) : 0;
    if (PixelAvx2())
        done += c.exact ? colorizeLinesAvx2(src + 3 * done, dst + 3 * done, n - done, c)
                        : colorizeAvx2(src + 3 * done, dst + 3 * done, n - done, t);
    for (size_t i = done; i < n; ++i) {
        const uint32_t l = lightness(src + 3 * i);
        dst[3 * i] = t.b[l], dst[3 * i + 1] = t.g[l], dst[3 * i + 2] = t.r[l];
    }
}

} // namespace

uint8_t BrightnessValue(int32_t v, int32_t b) {
    return Clamp255(v + b);
}

uint8_t ContrastValue(int32_t v, int32_t c) {
    if (c <= 100)
        return Clamp255(c * (v - 127) / 100 + 127);
    const int32_t k = 200 - c;
    if (v < 128)
        return Clamp255(v * k / 100);
    return Clamp255(255 - k * (255 - v) / 100);
}

uint8_t SaturationValue(int32_t v, int32_t s) {
    return Clamp255((v - 128) * (s + 100) / 100 + 128);
}

uint8_t GammaValue(int32_t v, double gamma) {
    const double x = 2.0 * v - 256.0 * power(v / 256.0, gamma);
    const double n = std::nearbyint(x); // halves to the even neighbour
    return n < 0 ? 0 : (n > 255 ? 255 : static_cast<uint8_t>(n));
}

void Helligkeit(DocumentState& doc, Host& host, int32_t brightness) {
    if (!HasPixels(doc.Dib))
        return;
    ApplyChannelLut(doc, host, MakeLut([=](int32_t v) { return BrightnessValue(v, brightness); }));
}

void Kontrast(DocumentState& doc, Host& host, int32_t contrast) {
    if (!HasPixels(doc.Dib))
        return;
    // a line through (127, 127), or below 200 two lines towards black and white
    const LinearForm form =
        contrast <= 100 ? Line(127, 127, contrast, 100)
                        : LinearForm{{0, 255}, {0, 255}, {200 - contrast, 200 - contrast}, 100};
    ApplyLinearLut(doc, host, MakeLut([=](int32_t v) { return ContrastValue(v, contrast); }), form);
}

void Saettigung(DocumentState& doc, Host& host, int32_t saturation) {
    if (!HasPixels(doc.Dib) || !IsPaletteOr24(doc.Dib))
        return;
    ApplyLinearLut(doc, host, MakeLut([=](int32_t v) { return SaturationValue(v, saturation); }),
                   Line(128, 128, saturation + 100, 100));
}

void HighMidShadow(DocumentState& doc, Host& host, int32_t highlight, int32_t midtone,
                   int32_t shadow) {
    if (!IsPaletteOr24(doc.Dib))
        return;
    const MidShadow m = normalise(highlight, midtone, shadow);
    const Lut shift = MakeLut([&](int32_t v) { return Clamp255(v + m.mid - 128); });
    ApplyPixelRun(doc, host, [&](const uint8_t* src, uint8_t* dst, int32_t n) {
        highMidShadowPixels(src, dst, static_cast<size_t>(n), shift.data(), m.hi, m.mid, m.sh);
    });
}

void RedGreenBlue(DocumentState& doc, Host& host, int32_t red, int32_t green, int32_t blue) {
    if (!IsPaletteOr24(doc.Dib))
        return;
    auto gain = [](int32_t percent) {
        return MakeLut([=](int32_t v) { return Clamp255(v * (percent + 100) / 100); });
    };
    ApplyLinearLuts(doc, host, gain(blue), gain(green), gain(red), Line(0, 0, blue + 100, 100),
                    Line(0, 0, green + 100, 100), Line(0, 0, red + 100, 100));
}

void Colorize(DocumentState& doc, Host& host, int32_t hue, int32_t saturation) {
    if (!IsPaletteOr24(doc.Dib))
        return;
    ColourTable t;
    for (int32_t l = 0; l < 256; ++l) {
        const TRgb c = HslToRgb(hue, saturation, l);
        const size_t i = static_cast<size_t>(l);
        t.r[i] = static_cast<uint8_t>(c.R), t.g[i] = static_cast<uint8_t>(c.G),
        t.b[i] = static_cast<uint8_t>(c.B);
    }
    const ColourLines lines = colourLines(t);
    ApplyPixelRun(doc, host, [&](const uint8_t* src, uint8_t* dst, int32_t n) {
        colorizePixels(src, dst, static_cast<size_t>(n), t, lines);
    });
}

void Gamma(DocumentState& doc, Host& host, double gamma) {
    if (!HasPixels(doc.Dib) || !IsPaletteOr24(doc.Dib))
        return;
    ApplyChannelLut(doc, host, MakeLut([=](int32_t v) { return GammaValue(v, gamma); }));
}

void HelligkeitKontrastSaettigung(DocumentState& doc, Host& host, int32_t brightness,
                                  int32_t contrast, int32_t saturation) {
    Helligkeit(doc, host, brightness);
    Kontrast(doc, host, contrast);
    Saettigung(doc, host, saturation);
}

} // namespace pixorama
