// ZSoft Paintbrush (PCX): reader for 1..4 bit planes, 2/4-bit packed pixels, 8-bit with the
// trailing 256-colour palette and 24-bit (3 or 4 planes); writer for all four record depths.
#include "codec_util.h"

#include <algorithm>
#include <cstring>

namespace pictora {

namespace {

constexpr size_t kHeaderSize = 128;
constexpr size_t kTrailerSize = 769; // 0x0C marker + 256 RGB triples

// The palette old EGA programs assumed when the header carries none (version 3).
constexpr uint8_t kEgaPalette[16 * 3] = {
    0x00, 0x00, 0x00, 0x00, 0x00, 0xAA, 0x00, 0xAA, 0x00, 0x00, 0xAA, 0xAA, 0xAA, 0x00, 0x00, 0xAA,
    0x00, 0xAA, 0xAA, 0x55, 0x00, 0xAA, 0xAA, 0xAA, 0x55, 0x55, 0x55, 0x55, 0x55, 0xFF, 0x55, 0xFF,
    0x55, 0x55, 0xFF, 0xFF, 0xFF, 0x55, 0x55, 0xFF, 0x55, 0xFF, 0xFF, 0xFF, 0x55, 0xFF, 0xFF, 0xFF};

// Run-length stream of the image data.  A run that does not fit the rest of a scan line carries
// over into the next one, so runs written across lines by old programs still decode, and the
// line buffer is never overrun.
class RleReader {
  public:
    RleReader(const uint8_t* p, const uint8_t* end, bool packed)
        : p_(p), end_(end), packed_(packed) {}

    // Fills line[0..n); false when the data ends first.
    bool fill(uint8_t* line, size_t n) {
        size_t i = 0;
        if (!packed_) {
            if (static_cast<size_t>(end_ - p_) < n)
                return false;
            std::memcpy(line, p_, n);
            p_ += n;
            return true;
        }
        while (i < n) {
            if (runLeft_ > 0) {
                const size_t k = std::min<size_t>(runLeft_, n - i);
                std::memset(line + i, runValue_, k);
                i += k;
                runLeft_ -= k;
                continue;
            }
            if (p_ >= end_)
                return false;
            const uint8_t b = *p_++;
            if ((b & 0xC0) == 0xC0) {
                if (p_ >= end_)
                    return false;
                runLeft_ = b & 0x3F;
                runValue_ = *p_++;
            } else {
                line[i++] = b;
            }
        }
        return true;
    }

    const uint8_t* position() const { return p_; }

  private:
    const uint8_t* p_;
    const uint8_t* end_;
    bool packed_;
    size_t runLeft_ = 0;
    uint8_t runValue_ = 0;
};

void appendRle(std::vector<uint8_t>& out, const uint8_t* line, size_t n) {
    size_t i = 0;
    while (i < n) {
        const uint8_t v = line[i];
        size_t run = 1;
        while (i + run < n && run < 63 && line[i + run] == v)
            ++run;
        if (run > 1 || (v & 0xC0) == 0xC0)
            out.push_back(static_cast<uint8_t>(0xC0 | run));
        out.push_back(v);
        i += run;
    }
}

} // namespace

bool sniffPcx(const uint8_t* data, size_t size) {
    if (size < kHeaderSize || data[0] != 10)
        return false;
    const uint8_t version = data[1];
    if (version != 0 && version != 2 && version != 3 && version != 4 && version != 5)
        return false;
    if (data[2] > 1)
        return false;
    const uint8_t bits = data[3];
    return bits == 1 || bits == 2 || bits == 4 || bits == 8;
}

bool decodePcx(const uint8_t* data, size_t size, TDibRecord* out, Progress& progress,
               std::string& error) {
    std::memset(out, 0, sizeof(*out));
    if (size < kHeaderSize) {
        error = kTextTruncated;
        return false;
    }
    if (!sniffPcx(data, size)) {
        error = damaged("kein gültiger PCX-Kopf");
        return false;
    }
    const uint8_t version = data[1];
    const bool rle = data[2] == 1;
    const int bits = data[3];
    const int planes = data[65];
    const uint32_t bpl = le16(data + 66);
    const uint16_t xmin = le16(data + 4), ymin = le16(data + 6);
    const uint16_t xmax = le16(data + 8), ymax = le16(data + 10);
    if (xmax < xmin || ymax < ymin) {
        error = damaged("ungültiger Bildausschnitt");
        return false;
    }
    const int32_t w = xmax - xmin + 1;
    const int32_t h = ymax - ymin + 1;

    enum class Kind { Planar, Packed, Indexed8, Rgb } kind;
    if (bits == 1 && planes >= 1 && planes <= 4)
        kind = Kind::Planar;
    else if ((bits == 2 || bits == 4) && planes == 1)
        kind = Kind::Packed;
    else if (bits == 8 && planes == 1)
        kind = Kind::Indexed8;
    else if (bits == 8 && (planes == 3 || planes == 4))
        kind = Kind::Rgb;
    else {
        error = damaged("nicht unterstützte Farbtiefe");
        return false;
    }
    if (static_cast<uint64_t>(bpl) * 8 < static_cast<uint64_t>(w) * static_cast<uint64_t>(bits)) {
        error = damaged("Zeilenlänge zu klein für die Bildbreite");
        return false;
    }

    // 8-bit files keep their palette after the pixels, behind a 0x0C marker
    size_t dataEnd = size;
    const uint8_t* trailer = nullptr;
    if (kind == Kind::Indexed8 && size >= kHeaderSize + kTrailerSize &&
        data[size - kTrailerSize] == 0x0C) {
        trailer = data + size - kTrailerSize + 1;
        dataEnd = size - kTrailerSize;
    }

    // Refuse sizes the data cannot hold before allocating anything: one run pair yields at
    // most 63 bytes.
    const size_t lineTotal = static_cast<size_t>(planes) * bpl;
    const uint64_t total = static_cast<uint64_t>(lineTotal) * static_cast<uint64_t>(h);
    const uint64_t avail = dataEnd - kHeaderSize;
    if ((!rle && total > avail) || (rle && total > avail * 32)) {
        error = kTextTruncated;
        return false;
    }

    int recordBpp = 24;
    TBitmapInfo info{};
    if (kind == Kind::Planar || kind == Kind::Packed) {
        const int colours = 1 << (bits * planes);
        recordBpp = colours == 2 ? 1 : 4;
        const uint8_t* pal = data + 16;
        rgbTriplesToColours(version == 3 ? kEgaPalette : pal, colours, info.bmiColors);
        // 1-bit files without colours in the header (all zero, or version 3) are black and white
        if (colours == 2 &&
            (version == 3 || std::all_of(pal, pal + 6, [](uint8_t b) { return b == 0; }))) {
            info.bmiColors[0] = TRGBQuad{0, 0, 0, 0};
            info.bmiColors[1] = TRGBQuad{255, 255, 255, 0};
        }
    } else if (kind == Kind::Indexed8) {
        recordBpp = 8;
        if (trailer)
            rgbTriplesToColours(trailer, 256, info.bmiColors);
    }
    // without its trailing palette an 8-bit file keeps newdib's grey ramp
    const bool ownColours = kind != Kind::Indexed8 || trailer != nullptr;
    const int ncolours = recordBpp <= 8 ? 1 << recordBpp : 0;
    if (!newdib(out, w, h, recordBpp, ownColours ? &info : nullptr, ncolours)) {
        error = kTextNoMemory;
        return false;
    }
    setDensity(*out, dpiToPelsPerMeter(le16(data + 12)), dpiToPelsPerMeter(le16(data + 14)));

    std::vector<uint8_t> line(lineTotal);
    std::vector<uint8_t> idx(static_cast<size_t>(w));
    RleReader reader(data + kHeaderSize, data + dataEnd, rle);
    for (int32_t y = 0; y < h; ++y) {
        if (!reader.fill(line.data(), lineTotal)) {
            deldib(out);
            error = kTextTruncated;
            return false;
        }
        uint8_t* row = rowPtr(*out, y);
        switch (kind) {
        case Kind::Planar:
            planesToIndices(line.data(), bpl, planes, w, idx.data());
            packIndices(idx.data(), w, recordBpp, row);
            break;
        case Kind::Packed:
            if (bits == 4) {
                // already two pixels a byte, left one in the high nibble
                std::memcpy(row, line.data(), (static_cast<size_t>(w) + 1) / 2);
                if (w & 1)
                    row[w >> 1] &= 0xF0;
            } else {
                widen2To4(line.data(), w, row);
            }
            break;
        case Kind::Indexed8:
            std::memcpy(row, line.data(), static_cast<size_t>(w));
            break;
        case Kind::Rgb:
            for (int32_t x = 0; x < w; ++x) {
                row[3 * x] = line[2 * static_cast<size_t>(bpl) + x];
                row[3 * x + 1] = line[bpl + x];
                row[3 * x + 2] = line[x];
            }
            break;
        }
        if ((y & 7) == 7 || y == h - 1)
            progress.report(y + 1, h);
    }
    // a marker right after the pixels with less than a palette behind it: the file was cut
    const uint8_t* rest = reader.position();
    if (kind == Kind::Indexed8 && trailer == nullptr && rest < data + size && *rest == 0x0C) {
        deldib(out);
        error = kTextTruncated;
        return false;
    }
    return true;
}

bool encodePcxTo(const TDibRecord& dib, int, ByteSink& sink, std::string& error) {
    if (!checkEncodable(dib, "PCX", error))
        return false;
    const int32_t w = dib.Info->bmiHeader.biWidth;
    const int32_t h = dib.Info->bmiHeader.biHeight;
    const int bpp = dib.Info->bmiHeader.biBitCount;
    const int bits = bpp <= 4 ? 1 : 8;
    const int planes = bpp == 1 ? 1 : bpp == 4 ? 4 : bpp == 8 ? 1 : 3;
    const size_t needed = bits == 1 ? (static_cast<size_t>(w) + 7) / 8 : static_cast<size_t>(w);
    const size_t bpl = (needed + 1) & ~static_cast<size_t>(1);
    if (!checkSides(w, h, 65536, "PCX", error, bpl <= 0xFFFF))
        return false;

    SinkWriter writer(sink);
    std::vector<uint8_t>& out = writer.bytes();
    out.resize(kHeaderSize, 0);
    uint8_t* hd = out.data();
    hd[0] = 10;
    hd[1] = 5;
    hd[2] = 1;
    hd[3] = static_cast<uint8_t>(bits);
    putLe16(hd + 8, static_cast<uint32_t>(w - 1));
    putLe16(hd + 10, static_cast<uint32_t>(h - 1));
    auto dpi = [](int32_t perMetre) {
        const int64_t d = (static_cast<int64_t>(perMetre) * 254 + 5000) / 10000;
        return static_cast<uint32_t>(d >= 1 && d <= 0xFFFF ? d : 72);
    };
    putLe16(hd + 12, dpi(dib.Info->bmiHeader.biXPelsPerMeter));
    putLe16(hd + 14, dpi(dib.Info->bmiHeader.biYPelsPerMeter));
    if (bpp <= 4)
        putRgbTriples(hd + 16, dib.Info->bmiColors, 1 << bpp);
    hd[65] = static_cast<uint8_t>(planes);
    putLe16(hd + 66, static_cast<uint32_t>(bpl));
    putLe16(hd + 68, 1);

    std::vector<uint8_t> plane(bpl);
    std::vector<uint8_t> idx(bpp == 4 ? static_cast<size_t>(w) : 0);
    for (int32_t y = 0; y < h; ++y) {
        const uint8_t* row = rowPtr(dib, y);
        if (bpp == 4)
            unpackIndices(row, w, 4, idx.data());
        for (int p = 0; p < planes; ++p) {
            std::fill(plane.begin(), plane.end(), 0);
            if (bpp == 1) {
                std::memcpy(plane.data(), row, needed);
                if (w & 7)
                    plane[needed - 1] &= static_cast<uint8_t>(0xFF00 >> (w & 7));
            } else if (bpp == 4) {
                indicesToPlane(idx.data(), w, p, plane.data());
            } else if (bpp == 8) {
                std::memcpy(plane.data(), row, needed);
            } else {
                // planes are red, green, blue; the record stores blue, green, red
                for (int32_t x = 0; x < w; ++x)
                    plane[x] = row[3 * x + 2 - p];
            }
            appendRle(out, plane.data(), bpl);
        }
        if (!writer.pass())
            return false;
    }
    if (bpp == 8) {
        out.push_back(0x0C);
        appendRgbTriples(out, dib.Info->bmiColors, 256);
    }
    return writer.flush();
}

bool encodePcx(const TDibRecord& dib, int quality, std::vector<uint8_t>& out, std::string& error) {
    return encodeIntoVector(encodePcxTo, dib, quality, out, error);
}

} // namespace pictora
