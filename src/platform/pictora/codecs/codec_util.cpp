// Helpers several codecs share (see codec_util.h).
#include "codec_util.h"

#include <cstring>

namespace pictora {

bool checkEncodable(const TDibRecord& dib, const char* formatName, std::string& error) {
    if (!hasImage(&dib)) {
        error = "Kein Bild zum Speichern";
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

} // namespace pictora
