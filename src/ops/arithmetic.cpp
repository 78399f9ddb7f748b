// Image arithmetic: each source row is brought to blue, green, red bytes (palette images through
// their palette, missing pixels black, one channel spread over three when asked), then the two
// rows are combined byte by byte.  With divisor 1 the combination runs on AVX2 registers; the
// portable path looks every byte pair up in a table of all 65536 results of the formula.
#include "ops/arithmetic.h"

#include "document/dib.h"
#include "ops/rows.h"

#include <immintrin.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

namespace pixorama {

const std::array<const char*, kMathFunctionCount> kMathFunctionItems = {
    "Summe",          "Produkt",        "Dunkelerem Wert",
    "Differenz",      "Betrag der Differenz", "Hellerem Wert",
    "Durchschnitt",   "Logischem Und",  "Logischem Oder",
    "Logischem Exklusiv-Oder"};
const std::array<const char*, kMathFunctionCount> kMathFunctionCliNames = {
    "sum", "product", "darker", "difference", "absdiff", "lighter", "average", "and", "or", "xor"};
const std::array<const char*, 3> kMathChannelItems = {"Rot", "Grün", "Blau"};
const std::array<const char*, 3> kMathChannelCliNames = {"red", "green", "blue"};

int32_t MathValue(const TMathOptions& o, int32_t a, int32_t b) {
    int32_t v = 0;
    switch (o.Function) {
    case TMathFunction::Summe: v = a + b; break;
    case TMathFunction::Produkt: v = a * b; break;
    case TMathFunction::Dunkler: v = std::min(a, b); break;
    case TMathFunction::Differenz: v = a - b; break;
    case TMathFunction::BetragDerDifferenz: v = a > b ? a - b : b - a; break;
    case TMathFunction::Heller: v = std::max(a, b); break;
    case TMathFunction::Durchschnitt: v = (a + b) / 2; break;
    case TMathFunction::Und: v = a & b; break;
    case TMathFunction::Oder: v = a | b; break;
    case TMathFunction::ExklusivOder: v = a ^ b; break;
    }
    if (o.Divisor != 1 && o.Divisor != 0)
        v /= o.Divisor;
    v += o.Shift;
    if (o.Clip)
        return std::clamp(v, 0, 255);
    // wrap-around into 0..255: the remainder modulo 256, also for negative values
    return v & 255;
}

TMathSize MathResultSize(const TDibRecord& image1, const TDibRecord& image2) {
    return {std::max(DibWidth(&image1), DibWidth(&image2)),
            std::max(DibHeight(&image1), DibHeight(&image2))};
}

std::string MathDestSizeText(const TMathSize& size) {
    std::string text = "Ausgabegröße: ";
    text += std::to_string(size.Width);
    text += " x ";
    text += std::to_string(size.Height);
    return text;
}

int LastDocumentNamed(const std::vector<std::string>& names, const std::string& name) {
    for (size_t i = names.size(); i-- > 0;)
        if (names[i] == name)
            return static_cast<int>(i);
    return -1;
}

namespace {

using ops::ImageRow;

// A source as the rows read it.
struct Source {
    const TDibRecord* dib;
    int32_t width, height, bpp;
    uint8_t bgr[256][3]; // palette entries as blue, green, red
    bool allChannels;
    int channelByte; // 2 red, 1 green, 0 blue
};

Source makeSource(const TDibRecord& d, bool allChannels, int channel) {
    Source s{};
    s.dib = &d;
    s.width = DibWidth(&d);
    s.height = DibHeight(&d);
    s.bpp = DibBitsPerPixel(&d);
    for (int i = 0; i < 256; ++i) {
        const TPaletteEntry& e = d.Palette.palPalEntry[i];
        s.bgr[i][0] = e.peBlue;
        s.bgr[i][1] = e.peGreen;
        s.bgr[i][2] = e.peRed;
    }
    s.allChannels = allChannels;
    s.channelByte = 2 - std::clamp(channel, 0, 2);
    return s;
}

// Row y of the source as blue, green, red bytes over width pixels: straight from the image where
// it already is that, else written into buf.
const uint8_t* sourceRow(const Source& s, int32_t y, int32_t width, uint8_t* buf) {
    const size_t bytes = static_cast<size_t>(width) * 3;
    if (y >= s.height) {
        std::memset(buf, 0, bytes);
        return buf;
    }
    const uint8_t* row = ImageRow(*s.dib, y);
    if (s.bpp == 24 && s.allChannels && s.width == width)
        return row;
    const int32_t w = s.width;
    uint8_t* p = buf;
    switch (s.bpp) {
    case 24: std::memcpy(buf, row, static_cast<size_t>(w) * 3); break;
    case 8:
        for (int32_t x = 0; x < w; ++x, p += 3)
            std::memcpy(p, s.bgr[row[x]], 3);
        break;
    case 4:
        for (int32_t x = 0; x < w; ++x, p += 3)
            std::memcpy(p, s.bgr[(x & 1) ? row[x >> 1] & 15 : row[x >> 1] >> 4], 3);
        break;
    default:
        for (int32_t x = 0; x < w; ++x, p += 3)
            std::memcpy(p, s.bgr[(row[x >> 3] >> (7 - (x & 7))) & 1], 3);
        break;
    }
    std::memset(buf + static_cast<size_t>(w) * 3, 0, bytes - static_cast<size_t>(w) * 3);
    if (!s.allChannels)
        for (int32_t x = 0; x < w; ++x) {
            uint8_t* q = buf + 3 * static_cast<size_t>(x);
            const uint8_t c = q[s.channelByte];
            q[0] = q[1] = q[2] = c;
        }
    return buf;
}

// ---- combining two rows of bytes ----

void combinePlain(const uint8_t* a, const uint8_t* b, uint8_t* out, size_t n,
                  const uint8_t* table) {
    for (size_t i = 0; i < n; ++i)
        out[i] = table[(static_cast<size_t>(a[i]) << 8) | b[i]];
}

template <TMathFunction F>
__attribute__((target("avx2"))) inline __m256i value16(__m256i a, __m256i b) {
    if constexpr (F == TMathFunction::Summe)
        return _mm256_add_epi16(a, b);
    else if constexpr (F == TMathFunction::Produkt)
        return _mm256_mullo_epi16(a, b);
    else if constexpr (F == TMathFunction::Dunkler)
        return _mm256_min_epi16(a, b);
    else if constexpr (F == TMathFunction::Differenz)
        return _mm256_sub_epi16(a, b);
    else if constexpr (F == TMathFunction::BetragDerDifferenz)
        return _mm256_abs_epi16(_mm256_sub_epi16(a, b));
    else if constexpr (F == TMathFunction::Heller)
        return _mm256_max_epi16(a, b);
    else if constexpr (F == TMathFunction::Durchschnitt)
        return _mm256_srli_epi16(_mm256_add_epi16(a, b), 1);
    else if constexpr (F == TMathFunction::Und)
        return _mm256_and_si256(a, b);
    else if constexpr (F == TMathFunction::Oder)
        return _mm256_or_si256(a, b);
    else
        return _mm256_xor_si256(a, b);
}

// Shift and clipping or wrap-around of sixteen values.  Every value but a product lies in
// -255..510, so value + shift fits 16 signed bits and the signed-to-unsigned pack clips it; a
// product (up to 65025) is shifted with unsigned saturation.  Wrap-around only needs the value
// modulo 256, which 16-bit arithmetic keeps.
template <TMathFunction F>
__attribute__((target("avx2"))) inline __m256i finish16(__m256i v, bool clip, int32_t shift) {
    const __m256i s = _mm256_set1_epi16(static_cast<int16_t>(shift));
    if (!clip)
        return _mm256_and_si256(_mm256_add_epi16(v, s), _mm256_set1_epi16(255));
    if constexpr (F == TMathFunction::Produkt) {
        v = shift >= 0 ? _mm256_adds_epu16(v, s)
                       : _mm256_subs_epu16(v, _mm256_set1_epi16(static_cast<int16_t>(-shift)));
        return _mm256_min_epu16(v, _mm256_set1_epi16(255));
    } else {
        return _mm256_add_epi16(v, s);
    }
}

template <TMathFunction F>
__attribute__((target("avx2"))) size_t combineAvx2(const uint8_t* a, const uint8_t* b,
                                                   uint8_t* out, size_t n, bool clip,
                                                   int32_t shift) {
    size_t i = 0;
    for (; i + 32 <= n; i += 32) {
        const __m256i va = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(a + i));
        const __m256i vb = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b + i));
        const __m256i lo = finish16<F>(
            value16<F>(_mm256_cvtepu8_epi16(_mm256_castsi256_si128(va)),
                       _mm256_cvtepu8_epi16(_mm256_castsi256_si128(vb))),
            clip, shift);
        const __m256i hi = finish16<F>(
            value16<F>(_mm256_cvtepu8_epi16(_mm256_extracti128_si256(va, 1)),
                       _mm256_cvtepu8_epi16(_mm256_extracti128_si256(vb, 1))),
            clip, shift);
        const __m256i packed = _mm256_permute4x64_epi64(_mm256_packus_epi16(lo, hi), 0xD8);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), packed);
    }
    return i;
}

// Functions whose plain byte result needs neither shift nor clipping: one instruction each.
__attribute__((target("avx2"))) size_t combineBytesAvx2(const uint8_t* a, const uint8_t* b,
                                                        uint8_t* out, size_t n, TMathFunction f) {
    size_t i = 0;
    for (; i + 32 <= n; i += 32) {
        const __m256i va = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(a + i));
        const __m256i vb = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b + i));
        __m256i r;
        switch (f) {
        case TMathFunction::Summe: r = _mm256_adds_epu8(va, vb); break; // clipped sum
        case TMathFunction::Dunkler: r = _mm256_min_epu8(va, vb); break;
        case TMathFunction::Heller: r = _mm256_max_epu8(va, vb); break;
        case TMathFunction::Und: r = _mm256_and_si256(va, vb); break;
        case TMathFunction::Oder: r = _mm256_or_si256(va, vb); break;
        default: r = _mm256_xor_si256(va, vb); break;
        }
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), r);
    }
    return i;
}

// The combination of one row: the table for the bytes no vector path takes.
class RowCombiner {
  public:
    explicit RowCombiner(const TMathOptions& o) : o_(o), table_(65536) {
        for (int32_t a = 0; a < 256; ++a)
            for (int32_t b = 0; b < 256; ++b)
                table_[static_cast<size_t>(a << 8 | b)] = static_cast<uint8_t>(MathValue(o, a, b));
        vector_ = ops::PixelAvx2() && o.Divisor == 1;
        const TMathFunction f = o.Function;
        bytewise_ = o.Shift == 0 &&
                    ((f == TMathFunction::Summe && o.Clip) || f == TMathFunction::Dunkler ||
                     f == TMathFunction::Heller || f == TMathFunction::Und ||
                     f == TMathFunction::Oder || f == TMathFunction::ExklusivOder);
    }

    void operator()(const uint8_t* a, const uint8_t* b, uint8_t* out, size_t n) const {
        size_t done = 0;
        if (vector_)
            done = bytewise_ ? combineBytesAvx2(a, b, out, n, o_.Function) : avx2(a, b, out, n);
        combinePlain(a + done, b + done, out + done, n - done, table_.data());
    }

  private:
    size_t avx2(const uint8_t* a, const uint8_t* b, uint8_t* out, size_t n) const {
        const bool c = o_.Clip;
        const int32_t s = o_.Shift;
        switch (o_.Function) {
        case TMathFunction::Summe: return combineAvx2<TMathFunction::Summe>(a, b, out, n, c, s);
        case TMathFunction::Produkt: return combineAvx2<TMathFunction::Produkt>(a, b, out, n, c, s);
        case TMathFunction::Dunkler: return combineAvx2<TMathFunction::Dunkler>(a, b, out, n, c, s);
        case TMathFunction::Differenz:
            return combineAvx2<TMathFunction::Differenz>(a, b, out, n, c, s);
        case TMathFunction::BetragDerDifferenz:
            return combineAvx2<TMathFunction::BetragDerDifferenz>(a, b, out, n, c, s);
        case TMathFunction::Heller: return combineAvx2<TMathFunction::Heller>(a, b, out, n, c, s);
        case TMathFunction::Durchschnitt:
            return combineAvx2<TMathFunction::Durchschnitt>(a, b, out, n, c, s);
        case TMathFunction::Und: return combineAvx2<TMathFunction::Und>(a, b, out, n, c, s);
        case TMathFunction::Oder: return combineAvx2<TMathFunction::Oder>(a, b, out, n, c, s);
        case TMathFunction::ExklusivOder:
            return combineAvx2<TMathFunction::ExklusivOder>(a, b, out, n, c, s);
        }
        return 0;
    }

    TMathOptions o_;
    std::vector<uint8_t> table_;
    bool vector_ = false, bytewise_ = false;
};

} // namespace

TDibRecord MatheDib(const TDibRecord& image1, const TDibRecord& image2, const TMathOptions& o,
                    Host& host) {
    TDibRecord none{};
    const TMathSize size = MathResultSize(image1, image2);
    if (size.Width <= 0 || size.Height <= 0 || !ops::HasPixels(image1) || !ops::HasPixels(image2))
        return none;
    DibHolder result;
    newdib_unfilled(&result.get(), size.Width, size.Height, 24, nullptr, 0);
    if (!result.ok()) {
        host.MessageBox(kTextMathNoImage, "", MB_ICONSTOP);
        return none;
    }
    try {
        const size_t rowBytes = static_cast<size_t>(size.Width) * 3;
        const size_t pad = static_cast<size_t>(result->LineBytes) - rowBytes;
        const Source s1 = makeSource(image1, o.AllChannels, o.Channel1);
        const Source s2 = makeSource(image2, o.AllChannels, o.Channel2);
        const RowCombiner combine(o);
        const auto slots = static_cast<size_t>(std::max(1, ThreadCount()));
        std::vector<uint8_t> scratch(slots * 2 * rowBytes);
        const TDibRecord& out = result.get();
        host.SetProSatus(0);
        ops::ForEachRowBlock(host, size.Height, rowBytes, 16,
                             [&](int32_t y0, int32_t y1, int32_t slot) {
                                 uint8_t* buf1 = scratch.data() + static_cast<size_t>(slot) * 2 * rowBytes;
                                 uint8_t* buf2 = buf1 + rowBytes;
                                 for (int32_t y = y0; y < y1; ++y) {
                                     uint8_t* dst = ImageRow(out, y);
                                     combine(sourceRow(s1, y, size.Width, buf1),
                                             sourceRow(s2, y, size.Width, buf2), dst, rowBytes);
                                     std::memset(dst + rowBytes, 0, pad);
                                 }
                             });
    } catch (const std::bad_alloc&) {
        host.SetProSatus(0);
        host.MessageBox(kTextMathNoImage, "", MB_ICONSTOP);
        return none;
    }
    host.SetProSatus(0);
    return result.release();
}

} // namespace pixorama
