// Helpers several codecs share (see codec_util.h).
#include "codec_util.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace pictora {

std::string damaged(const char* what) {
    return std::string(kTextDamaged) + ": " + what;
}

bool checkEncodable(const TDibRecord& dib, const char* formatName, std::string& error) {
    if (!hasImage(&dib)) {
        error = kTextNoImage;
        return false;
    }
    const int bpp = dib.Info->bmiHeader.biBitCount;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24) {
        error = std::string("Diese Farbtiefe kann nicht als ") + formatName + " gespeichert werden";
        return false;
    }
    return true;
}

bool checkSides(int32_t width, int32_t height, int32_t maxSide, const char* formatName,
                std::string& error, bool otherFits) {
    if (width <= 0 || height <= 0 || width > maxSide || height > maxSide || !otherFits) {
        error = std::string("Das Bild ist zu groß für das ") + formatName + "-Format";
        return false;
    }
    return true;
}

int depthForColours(int count) {
    if (count <= 2)
        return 1;
    if (count <= 16)
        return 4;
    return 8;
}

int32_t dpiToPelsPerMeter(uint32_t dpi) {
    return static_cast<int32_t>((uint64_t{dpi} * 10000u + 127u) / 254u);
}

void setDensity(TDibRecord& d, int64_t xPelsPerMeter, int64_t yPelsPerMeter) {
    if (xPelsPerMeter > 0 && yPelsPerMeter > 0 && xPelsPerMeter <= INT32_MAX &&
        yPelsPerMeter <= INT32_MAX) {
        d.Info->bmiHeader.biXPelsPerMeter = static_cast<int32_t>(xPelsPerMeter);
        d.Info->bmiHeader.biYPelsPerMeter = static_cast<int32_t>(yPelsPerMeter);
    }
}

void rgbTriplesToColours(const uint8_t* rgb, int count, TRGBQuad* colours) {
    for (int i = 0; i < count; ++i, rgb += 3)
        colours[i] = TRGBQuad{rgb[2], rgb[1], rgb[0], 0};
}

void putRgbTriples(uint8_t* dst, const TRGBQuad* colours, int count) {
    for (int i = 0; i < count; ++i, dst += 3) {
        dst[0] = colours[i].rgbRed;
        dst[1] = colours[i].rgbGreen;
        dst[2] = colours[i].rgbBlue;
    }
}

void appendRgbTriples(std::vector<uint8_t>& out, const TRGBQuad* colours, int count) {
    const size_t at = out.size();
    out.resize(at + 3 * static_cast<size_t>(count));
    putRgbTriples(out.data() + at, colours, count);
}

namespace {

// Index tables for 1- and 4-bit rows: out-of-range values map to 0, which keeps the packing
// loops free of branches.
struct IndexTable {
    uint8_t v[256];
};
constexpr IndexTable kNibbleTable = [] {
    IndexTable t{};
    for (int v = 0; v < 16; ++v)
        t.v[v] = static_cast<uint8_t>(v);
    return t;
}();
constexpr IndexTable kBitTable = [] {
    IndexTable t{};
    t.v[1] = 1;
    return t;
}();
constexpr const uint8_t* kNibble = kNibbleTable.v;
constexpr const uint8_t* kBit = kBitTable.v;

} // namespace

void packIndices(const uint8_t* src, int32_t width, int bpp, uint8_t* dst) {
    const size_t n = static_cast<size_t>(width);
    if (bpp == 8) {
        std::memcpy(dst, src, n);
        return;
    }
    const uint8_t* end = src + n;
    if (bpp == 4) {
        for (; end - src >= 2; src += 2)
            *dst++ = static_cast<uint8_t>(kNibble[src[0]] << 4 | kNibble[src[1]]);
        if (src < end)
            *dst = static_cast<uint8_t>(kNibble[src[0]] << 4);
        return;
    }
    for (; end - src >= 8; src += 8)
        *dst++ = static_cast<uint8_t>(kBit[src[0]] << 7 | kBit[src[1]] << 6 | kBit[src[2]] << 5 |
                                      kBit[src[3]] << 4 | kBit[src[4]] << 3 | kBit[src[5]] << 2 |
                                      kBit[src[6]] << 1 | kBit[src[7]]);
    if (src < end) {
        unsigned b = 0;
        for (int k = 7; src < end; --k)
            b |= static_cast<unsigned>(kBit[*src++]) << k;
        *dst = static_cast<uint8_t>(b);
    }
}

void unpackIndices(const uint8_t* src, int32_t width, int bpp, uint8_t* dst) {
    const size_t n = static_cast<size_t>(width);
    if (bpp == 8) {
        std::memcpy(dst, src, n);
        return;
    }
    uint8_t* const end = dst + n;
    if (bpp == 4) {
        for (; end - dst >= 2; ++src) {
            *dst++ = *src >> 4;
            *dst++ = *src & 0x0F;
        }
        if (dst < end)
            *dst = *src >> 4;
        return;
    }
    for (; end - dst >= 8; ++src)
        for (int k = 7; k >= 0; --k)
            *dst++ = (*src >> k) & 1;
    for (int k = 7; dst < end; --k)
        *dst++ = (*src >> k) & 1;
}

void widen2To4(const uint8_t* src, int32_t width, uint8_t* dst) {
    auto at = [src](int32_t x) { return (src[x >> 2] >> (6 - 2 * (x & 3))) & 3; };
    for (int32_t x = 0; x < width; x += 2)
        dst[x >> 1] = static_cast<uint8_t>(at(x) << 4 | (x + 1 < width ? at(x + 1) : 0));
}

void planesToIndices(const uint8_t* planes, size_t planeStride, int count, int32_t width,
                     uint8_t* dst) {
    std::memset(dst, 0, static_cast<size_t>(width));
    for (int p = 0; p < count; ++p) {
        const uint8_t* plane = planes + static_cast<size_t>(p) * planeStride;
        for (int32_t x = 0; x < width; ++x)
            dst[x] = static_cast<uint8_t>(dst[x] | ((plane[x >> 3] >> (7 - (x & 7))) & 1) << p);
    }
}

void indicesToPlane(const uint8_t* src, int32_t width, int bit, uint8_t* plane) {
    for (int32_t x0 = 0; x0 < width; x0 += 8) {
        const int32_t n = std::min(8, width - x0);
        unsigned b = 0;
        for (int32_t k = 0; k < n; ++k)
            b |= ((src[x0 + k] >> bit) & 1u) << (7 - k);
        plane[x0 >> 3] = static_cast<uint8_t>(b);
    }
}

void appendRunPackets(std::vector<uint8_t>& out, const uint8_t* px, size_t n, size_t pixelBytes,
                      size_t minRun, uint8_t (*runHeader)(size_t length)) {
    auto same = [&](size_t a, size_t b) {
        return pixelBytes == 1
                   ? px[a] == px[b]
                   : std::memcmp(px + a * pixelBytes, px + b * pixelBytes, pixelBytes) == 0;
    };
    auto runStarts = [&](size_t j) {
        if (j + minRun > n)
            return false;
        for (size_t k = 1; k < minRun; ++k)
            if (!same(j, j + k))
                return false;
        return true;
    };
    size_t i = 0;
    while (i < n) {
        size_t run = 1;
        while (i + run < n && run < 128 && same(i, i + run))
            ++run;
        if (run >= 2) {
            out.push_back(runHeader(run));
            out.insert(out.end(), px + i * pixelBytes, px + (i + 1) * pixelBytes);
            i += run;
            continue;
        }
        size_t j = i + 1; // literal up to the start of the next run
        while (j < n && j - i < 128 && !runStarts(j))
            ++j;
        out.push_back(static_cast<uint8_t>(j - i - 1));
        out.insert(out.end(), px + i * pixelBytes, px + j * pixelBytes);
        i = j;
    }
}

bool encodeIntoVector(StreamEncodeFn encode, const TDibRecord& dib, int quality,
                      std::vector<uint8_t>& out, std::string& error) {
    const size_t start = out.size();
    VectorSink sink(out);
    const bool ok = encode(dib, quality, sink, error);
    if (!ok)
        out.resize(start);
    return ok;
}

} // namespace pictora
