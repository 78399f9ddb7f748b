// Amiga IFF: FORM ILBM (bit planes, with EHB, HAM6/HAM8 and 24-bit deep images) and FORM PBM
// (chunky 8-bit), raw or ByteRun1.  The writer stores palette images as 1, 4 or 8 bit planes
// and 24-bit images as 24 planes, always ByteRun1.
#include "codec_util.h"

#include <algorithm>
#include <cstring>

namespace pictora {

namespace {

constexpr uint32_t kCamgEhb = 0x80;
constexpr uint32_t kCamgHam = 0x800;

struct Bmhd {
    uint16_t width;
    uint16_t height;
    uint8_t planes;
    uint8_t masking;
    uint8_t compression;
};

// ByteRun1 stream of the BODY.  Runs that overshoot a row carry over into the next one instead
// of writing past the row buffer.
class ByteRunReader {
  public:
    ByteRunReader(const uint8_t* p, const uint8_t* end, bool packed)
        : p_(p), end_(end), packed_(packed) {}

    bool fill(uint8_t* dst, size_t n) {
        if (!packed_) {
            if (static_cast<size_t>(end_ - p_) < n)
                return false;
            std::memcpy(dst, p_, n);
            p_ += n;
            return true;
        }
        while (n > 0) {
            if (left_ == 0) {
                if (p_ >= end_)
                    return false;
                const int8_t c = static_cast<int8_t>(*p_++);
                if (c == -128)
                    continue; // no-op
                if (c >= 0) {
                    left_ = static_cast<size_t>(c) + 1;
                    repeat_ = false;
                } else {
                    if (p_ >= end_)
                        return false;
                    left_ = static_cast<size_t>(1 - c);
                    repeat_ = true;
                    value_ = *p_++;
                }
            }
            const size_t k = std::min(left_, n);
            if (repeat_) {
                std::memset(dst, value_, k);
            } else {
                if (static_cast<size_t>(end_ - p_) < k)
                    return false;
                std::memcpy(dst, p_, k);
                p_ += k;
            }
            dst += k;
            n -= k;
            left_ -= k;
        }
        return true;
    }

  private:
    const uint8_t* p_;
    const uint8_t* end_;
    bool packed_;
    size_t left_ = 0;
    bool repeat_ = false;
    uint8_t value_ = 0;
};

// ByteRun1 writes a run as -(length - 1); literals stop at a run of three.
uint8_t runHeader(size_t length) {
    return static_cast<uint8_t>(257 - length);
}
void appendByteRun(std::vector<uint8_t>& out, const uint8_t* p, size_t n) {
    appendRunPackets(out, p, n, 1, 3, runHeader);
}

// A HAM modify sets the top `bits` bits of one component and keeps the low bits of the
// previous pixel, as the display hardware does (HAM6 values come out as 0xF0-style steps, the
// same scale as a 4-bit colour map).
uint8_t hamModify(uint8_t old, uint32_t field, int bits) {
    const int shift = 8 - bits;
    return static_cast<uint8_t>((old & ((1u << shift) - 1)) | (field << shift));
}

} // namespace

bool sniffIlbm(const uint8_t* data, size_t size) {
    return size >= 12 && std::memcmp(data, "FORM", 4) == 0 &&
           (std::memcmp(data + 8, "ILBM", 4) == 0 || std::memcmp(data + 8, "PBM ", 4) == 0);
}

bool decodeIlbm(const uint8_t* data, size_t size, TDibRecord* out, Progress& progress,
                std::string& error) {
    std::memset(out, 0, sizeof(*out));
    if (size < 12) {
        error = kTextTruncated;
        return false;
    }
    if (!sniffIlbm(data, size)) {
        error = damaged("keine IFF-ILBM-Datei");
        return false;
    }
    const bool chunky = std::memcmp(data + 8, "PBM ", 4) == 0;
    const uint64_t formEnd = 8 + static_cast<uint64_t>(be32(data + 4));
    if (formEnd < 12) {
        error = damaged("ungültige FORM-Länge");
        return false;
    }
    if (formEnd > size) {
        error = kTextTruncated;
        return false;
    }

    Bmhd bmhd{};
    bool haveBmhd = false;
    const uint8_t* cmap = nullptr;
    size_t cmapColours = 0;
    uint32_t camg = 0;
    const uint8_t* body = nullptr;
    size_t bodyLength = 0;
    for (uint64_t pos = 12; pos < formEnd;) {
        if (formEnd - pos < 8) {
            error = damaged("abgeschnittener Block");
            return false;
        }
        const uint8_t* chunk = data + pos;
        const uint64_t length = be32(chunk + 4);
        if (length > formEnd - pos - 8) {
            error = damaged("Blocklänge über das Dateiende hinaus");
            return false;
        }
        const uint8_t* payload = chunk + 8;
        if (std::memcmp(chunk, "BMHD", 4) == 0) {
            if (length < 20) {
                error = damaged("BMHD zu kurz");
                return false;
            }
            bmhd = Bmhd{be16(payload), be16(payload + 2), payload[8], payload[9], payload[10]};
            haveBmhd = true;
        } else if (std::memcmp(chunk, "CMAP", 4) == 0) {
            cmap = payload;
            cmapColours = std::min<size_t>(length / 3, 256);
        } else if (std::memcmp(chunk, "CAMG", 4) == 0) {
            if (length >= 4)
                camg = be32(payload);
        } else if (std::memcmp(chunk, "BODY", 4) == 0) {
            body = payload;
            bodyLength = static_cast<size_t>(length);
        }
        pos += 8 + length + (length & 1);
    }
    if (!haveBmhd) {
        error = damaged("BMHD-Block fehlt");
        return false;
    }
    if (body == nullptr) {
        error = damaged("BODY-Block fehlt");
        return false;
    }

    const int32_t w = bmhd.width, h = bmhd.height;
    const int planes = bmhd.planes;
    if (w == 0 || h == 0) {
        error = damaged("ungültige Bildgröße");
        return false;
    }
    const bool planesOk = chunky ? (planes >= 1 && planes <= 8)
                                 : ((planes >= 1 && planes <= 8) || planes == 24 || planes == 32);
    if (!planesOk) {
        error = damaged("nicht unterstützte Anzahl Bitebenen");
        return false;
    }
    if (bmhd.compression > 1) {
        error = damaged("unbekannte Kompression");
        return false;
    }
    if (bmhd.masking > 3) {
        error = damaged("unbekannte Maskierung");
        return false;
    }
    const bool ham = !chunky && (camg & kCamgHam) != 0 && planes >= 5 && planes <= 8;
    const bool ehb = !chunky && !ham && (camg & kCamgEhb) != 0 && planes == 6;
    const bool deep = !chunky && planes > 8;

    // row layout: each plane a whole number of 16-bit words, the mask plane (if any) last
    const size_t planeBytes = static_cast<size_t>((w + 15) / 16) * 2;
    const size_t rowTotal = chunky ? static_cast<size_t>((w + 1) & ~1)
                                   : planeBytes * (planes + (bmhd.masking == 1 ? 1 : 0));
    const uint64_t total = static_cast<uint64_t>(rowTotal) * static_cast<uint64_t>(h);
    // a ByteRun1 pair gives at most 128 bytes
    if ((bmhd.compression == 0 && total > bodyLength) ||
        (bmhd.compression == 1 && total > static_cast<uint64_t>(bodyLength) * 64)) {
        error = kTextTruncated;
        return false;
    }

    // colours: CMAP entries as stored; without a CMAP an even grey ramp
    const int colourBits = ham ? planes - 2 : std::min(planes, 8);
    const int colours = ehb ? 64 : 1 << colourBits;
    const int baseColours = ehb ? 32 : colours;
    uint8_t pal[256][3] = {};
    for (int i = 0; i < baseColours; ++i) {
        if (cmap != nullptr) {
            if (static_cast<size_t>(i) < cmapColours)
                std::memcpy(pal[i], cmap + 3 * i, 3);
        } else {
            const uint8_t g = static_cast<uint8_t>(i * 255 / (baseColours - 1));
            pal[i][0] = pal[i][1] = pal[i][2] = g;
        }
    }
    if (ehb) // the upper half repeats the lower at half brightness
        for (int i = 0; i < 32; ++i)
            for (int c = 0; c < 3; ++c)
                pal[32 + i][c] = static_cast<uint8_t>(pal[i][c] >> 1);

    const int bpp = (ham || deep) ? 24 : planes <= 1 ? 1 : planes <= 4 ? 4 : 8;
    TBitmapInfo info{};
    if (bpp <= 8)
        rgbTriplesToColours(pal[0], std::min(colours, 256), info.bmiColors);
    if (!newdib(out, w, h, bpp, &info, bpp <= 8 ? 1 << bpp : 0)) {
        error = kTextNoMemory;
        return false;
    }

    // one byte a pixel: the index (or HAM code), for deep images red, green and blue one after
    // another
    const size_t width = static_cast<size_t>(w);
    std::vector<uint8_t> row(rowTotal);
    std::vector<uint8_t> value(deep ? 3 * width : width);
    ByteRunReader reader(body, body + bodyLength, bmhd.compression == 1);
    for (int32_t y = 0; y < h; ++y) {
        if (!reader.fill(row.data(), rowTotal)) {
            deldib(out);
            error = kTextTruncated;
            return false;
        }
        uint8_t* dst = rowPtr(*out, y);
        if (chunky) {
            for (int32_t x = 0; x < w; ++x)
                value[x] = static_cast<uint8_t>(row[x] & ((1u << planes) - 1));
        } else if (deep) {
            // planes 0-7 red, 8-15 green, 16-23 blue (24-31 alpha, dropped)
            for (size_t c = 0; c < 3; ++c)
                planesToIndices(row.data() + 8 * c * planeBytes, planeBytes, 8, w,
                                value.data() + c * width);
        } else {
            planesToIndices(row.data(), planeBytes, planes, w, value.data());
        }
        if (ham) {
            const uint32_t fieldMask = (1u << colourBits) - 1;
            uint8_t r = pal[0][0], g = pal[0][1], b = pal[0][2]; // every row starts from colour 0
            for (int32_t x = 0; x < w; ++x) {
                const uint32_t field = value[x] & fieldMask;
                switch (value[x] >> colourBits) {
                case 0:
                    r = pal[field][0];
                    g = pal[field][1];
                    b = pal[field][2];
                    break;
                case 1:
                    b = hamModify(b, field, colourBits);
                    break;
                case 2:
                    r = hamModify(r, field, colourBits);
                    break;
                default:
                    g = hamModify(g, field, colourBits);
                    break;
                }
                dst[3 * x] = b;
                dst[3 * x + 1] = g;
                dst[3 * x + 2] = r;
            }
        } else if (deep) {
            for (size_t x = 0; x < width; ++x) {
                dst[3 * x] = value[2 * width + x];
                dst[3 * x + 1] = value[width + x];
                dst[3 * x + 2] = value[x];
            }
        } else {
            packIndices(value.data(), w, bpp, dst);
        }
        if ((y & 7) == 7 || y == h - 1)
            progress.report(y + 1, h);
    }
    return true;
}

bool encodeIlbmTo(const TDibRecord& dib, int, ByteSink& sink, std::string& error) {
    if (!checkEncodable(dib, "IFF", error))
        return false;
    const int32_t w = dib.Info->bmiHeader.biWidth;
    const int32_t h = dib.Info->bmiHeader.biHeight;
    const int bpp = dib.Info->bmiHeader.biBitCount;
    if (!checkSides(w, h, 0xFFFF, "IFF", error))
        return false;
    const int planes = bpp;
    const size_t planeBytes = static_cast<size_t>((w + 15) / 16) * 2;

    SinkWriter writer(sink);
    std::vector<uint8_t>& out = writer.bytes();
    out.insert(out.end(), {'F', 'O', 'R', 'M', 0, 0, 0, 0, 'I', 'L', 'B', 'M'});

    out.insert(out.end(), {'B', 'M', 'H', 'D'});
    appendBe32(out, 20);
    appendBe16(out, static_cast<uint32_t>(w));
    appendBe16(out, static_cast<uint32_t>(h));
    appendBe16(out, 0); // x, y position
    appendBe16(out, 0);
    out.push_back(static_cast<uint8_t>(planes));
    out.push_back(0); // no mask
    out.push_back(1); // ByteRun1
    out.push_back(0);
    appendBe16(out, 0); // transparent colour
    out.push_back(1);   // square pixels
    out.push_back(1);
    appendBe16(out, static_cast<uint32_t>(w)); // page size
    appendBe16(out, static_cast<uint32_t>(h));

    if (bpp <= 8) {
        const int colours = 1 << bpp;
        out.insert(out.end(), {'C', 'M', 'A', 'P'});
        appendBe32(out, static_cast<uint32_t>(3 * colours)); // 6, 48, 768: always even
        appendRgbTriples(out, dib.Info->bmiColors, colours);
    }

    out.insert(out.end(), {'B', 'O', 'D', 'Y', 0, 0, 0, 0});
    const uint64_t bodyStart = writer.position();
    // Both lengths are 32-bit fields, and the FORM's holds the body and everything before it:
    // a body just within the limit can still make the FORM too long.  They are known only at
    // the end and written over the zeros then.
    auto tooLong = [&] {
        error = "Das Bild ist zu groß für das IFF-Format";
        return false;
    };
    // one byte a pixel: the index, or for 24 bits red, green and blue one after another
    const size_t width = static_cast<size_t>(w);
    std::vector<uint8_t> value(bpp == 24 ? 3 * width : width);
    std::vector<uint8_t> plane(planeBytes);
    for (int32_t y = 0; y < h; ++y) {
        const uint8_t* row = rowPtr(dib, y);
        if (bpp == 24) {
            for (size_t x = 0; x < width; ++x) {
                value[x] = row[3 * x + 2];
                value[width + x] = row[3 * x + 1];
                value[2 * width + x] = row[3 * x];
            }
        } else {
            unpackIndices(row, w, bpp, value.data());
        }
        // planes 0-7 from the first byte array (or the only one), 8-15 from the second, ...
        for (int p = 0; p < planes; ++p) {
            std::fill(plane.begin(), plane.end(), 0);
            indicesToPlane(value.data() + (p / 8) * width, w, p % 8, plane.data());
            appendByteRun(out, plane.data(), planeBytes);
        }
        if (writer.position() - 8 > UINT32_MAX) // no need to write the rest
            return tooLong();
        if (!writer.pass())
            return false;
    }
    const uint64_t bodyLength = writer.position() - bodyStart;
    const uint64_t formLength = writer.position() + (bodyLength & 1) - 8;
    if (formLength > UINT32_MAX)
        return tooLong();
    if (bodyLength & 1)
        out.push_back(0);
    if (!writer.flush())
        return false;
    uint8_t length[4];
    putBe32(length, static_cast<uint32_t>(bodyLength));
    if (!sink.patch(bodyStart - 4, length, 4))
        return false;
    putBe32(length, static_cast<uint32_t>(formLength));
    return sink.patch(4, length, 4);
}

bool encodeIlbm(const TDibRecord& dib, int quality, std::vector<uint8_t>& out,
                std::string& error) {
    return encodeIntoVector(encodeIlbmTo, dib, quality, out, error);
}

} // namespace pictora
