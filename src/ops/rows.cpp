// Table lookups over pixel runs, shared by the point operations.  Processors with byte
// permutes over 64-byte registers look up 64 bytes at a time.
#include "ops/rows.h"

#include <immintrin.h>

namespace pixorama::ops {

namespace {

bool hasVbmi() {
    return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
           __builtin_cpu_supports("avx512vbmi");
}

bool kVbmi = hasVbmi();

struct Table512 {
    __m512i t0, t1, t2, t3;
};

__attribute__((target("avx512f,avx512bw,avx512vbmi"))) inline Table512
loadTable(const uint8_t* lut) {
    return {_mm512_loadu_si512(lut), _mm512_loadu_si512(lut + 64), _mm512_loadu_si512(lut + 128),
            _mm512_loadu_si512(lut + 192)};
}

__attribute__((target("avx512f,avx512bw,avx512vbmi"))) inline __m512i lookup(const Table512& t,
                                                                             __m512i x) {
    const __m512i lo = _mm512_permutex2var_epi8(t.t0, x, t.t1);
    const __m512i hi = _mm512_permutex2var_epi8(t.t2, x, t.t3);
    return _mm512_mask_blend_epi8(_mm512_movepi8_mask(x), lo, hi);
}

__attribute__((target("avx512f,avx512bw,avx512vbmi"))) size_t lutBytesVbmi(uint8_t* p, size_t n,
                                                                           const uint8_t* lut) {
    const Table512 t = loadTable(lut);
    size_t i = 0;
    for (; i + 64 <= n; i += 64)
        _mm512_storeu_si512(p + i, lookup(t, _mm512_loadu_si512(p + i)));
    return i;
}

// Three tables taking turns byte by byte (blue, green, red); p starts on a pixel.
__attribute__((target("avx512f,avx512bw,avx512vbmi"))) size_t
lutPixelsVbmi(uint8_t* p, size_t n, const uint8_t* lutB, const uint8_t* lutG, const uint8_t* lutR) {
    const Table512 tb = loadTable(lutB), tg = loadTable(lutG), tr = loadTable(lutR);
    // the channel of byte j of a block starting at offset o is (o + j) % 3; 64 % 3 == 1
    __mmask64 green[3] = {0, 0, 0}, red[3] = {0, 0, 0};
    for (int phase = 0; phase < 3; ++phase)
        for (int j = 0; j < 64; ++j) {
            const int c = (phase + j) % 3;
            if (c == 1)
                green[phase] |= __mmask64{1} << j;
            if (c == 2)
                red[phase] |= __mmask64{1} << j;
        }
    // three registers are 64 whole pixels
    size_t i = 0;
    for (; i + 192 <= n; i += 192)
        for (int phase = 0; phase < 3; ++phase) {
            uint8_t* q = p + i + 64 * phase;
            const __m512i x = _mm512_loadu_si512(q);
            __m512i r = lookup(tb, x);
            r = _mm512_mask_blend_epi8(green[phase], r, lookup(tg, x));
            r = _mm512_mask_blend_epi8(red[phase], r, lookup(tr, x));
            _mm512_storeu_si512(q, r);
        }
    return i;
}

} // namespace

bool gPixelAvx2 = CpuHasAvx2();

void SetPixelSimd(bool enabled) {
    kVbmi = enabled && hasVbmi();
    gPixelAvx2 = enabled && CpuHasAvx2();
}

void LutBytes(uint8_t* p, size_t n, const uint8_t* lut) {
    size_t i = kVbmi ? lutBytesVbmi(p, n, lut) : 0;
    for (; i + 8 <= n; i += 8) {
        const uint8_t a0 = lut[p[i]], a1 = lut[p[i + 1]], a2 = lut[p[i + 2]], a3 = lut[p[i + 3]];
        const uint8_t a4 = lut[p[i + 4]], a5 = lut[p[i + 5]], a6 = lut[p[i + 6]],
                      a7 = lut[p[i + 7]];
        p[i] = a0, p[i + 1] = a1, p[i + 2] = a2, p[i + 3] = a3;
        p[i + 4] = a4, p[i + 5] = a5, p[i + 6] = a6, p[i + 7] = a7;
    }
    for (; i < n; ++i)
        p[i] = lut[p[i]];
}

void LutPixels(uint8_t* p, size_t pixels, const uint8_t* lutB, const uint8_t* lutG,
               const uint8_t* lutR) {
    if (kVbmi) {
        const size_t done = lutPixelsVbmi(p, pixels * 3, lutB, lutG, lutR);
        p += done;
        pixels -= done / 3;
    }
    for (size_t i = 0; i < pixels; ++i, p += 3) {
        const uint8_t b = lutB[p[0]], g = lutG[p[1]], r = lutR[p[2]];
        p[0] = b, p[1] = g, p[2] = r;
    }
}

void ApplyLuts(DocumentState& doc, Host& host, const Lut& lutB, const Lut& lutG, const Lut& lutR) {
    if (lutB == lutG && lutG == lutR) {
        ApplyPixelRun(doc, host, [&](uint8_t* p, int32_t n) {
            LutBytes(p, static_cast<size_t>(n) * 3, lutB.data());
        });
    } else {
        ApplyPixelRun(doc, host, [&](uint8_t* p, int32_t n) {
            LutPixels(p, static_cast<size_t>(n), lutB.data(), lutG.data(), lutR.data());
        });
    }
}

} // namespace pixorama::ops
