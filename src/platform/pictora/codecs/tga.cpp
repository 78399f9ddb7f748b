// Truevision Targa: reader for colour-mapped, true-colour and grey images, raw or run-length
// encoded, any origin; writer for colour-mapped (type 9) and 24-bit (type 10) files with RLE.
// The format has no signature, so the reader checks the header strictly instead.
#include "codec_util.h"

#include <algorithm>
#include <cstring>

namespace pictora {

namespace {

constexpr size_t kHeaderSize = 18;

struct Header {
    uint8_t idLength;
    uint8_t mapType;
    uint8_t imageType;
    uint16_t mapFirst;
    uint16_t mapLength;
    uint8_t mapBits;
    uint16_t width;
    uint16_t height;
    uint8_t depth;
    uint8_t descriptor;
};

Header parseHeader(const uint8_t* d) {
    return Header{d[0], d[1],         d[2],         le16(d + 3), le16(d + 5),
                  d[7], le16(d + 12), le16(d + 14), d[16],       d[17]};
}

// 5 bits scaled to 8, rounded to nearest, so 31 becomes 255.
uint8_t widen5(unsigned v) {
    return static_cast<uint8_t>((v * 255 + 15) / 31);
}

// One colour (map entry or true-colour pixel) of 2, 3 or 4 bytes to blue, green, red.
void toBgr(const uint8_t* p, int bytes, uint8_t* bgr) {
    if (bytes == 2) {
        const unsigned v = le16(p);
        bgr[0] = widen5(v & 31);
        bgr[1] = widen5((v >> 5) & 31);
        bgr[2] = widen5((v >> 10) & 31);
    } else {
        bgr[0] = p[0];
        bgr[1] = p[1];
        bgr[2] = p[2];
    }
}

// Pixel stream of the image data, raw or in packets; a packet may run on into the next row.
class PixelReader {
  public:
    PixelReader(const uint8_t* p, const uint8_t* end, int bytes, bool rle)
        : p_(p), end_(end), bytes_(static_cast<size_t>(bytes)), rle_(rle) {}

    // Copies the next n pixels to dst; false when the data ends first.
    bool read(uint8_t* dst, size_t n) {
        if (!rle_) {
            const size_t need = n * bytes_;
            if (static_cast<size_t>(end_ - p_) < need)
                return false;
            std::memcpy(dst, p_, need);
            p_ += need;
            return true;
        }
        while (n > 0) {
            if (left_ == 0) {
                if (p_ >= end_)
                    return false;
                const uint8_t h = *p_++;
                left_ = static_cast<size_t>(h & 0x7F) + 1;
                repeat_ = (h & 0x80) != 0;
                if (repeat_) {
                    if (static_cast<size_t>(end_ - p_) < bytes_)
                        return false;
                    std::memcpy(value_, p_, bytes_);
                    p_ += bytes_;
                }
            }
            const size_t k = std::min(left_, n);
            if (repeat_) {
                for (size_t i = 0; i < k; ++i)
                    std::memcpy(dst + i * bytes_, value_, bytes_);
            } else {
                if (static_cast<size_t>(end_ - p_) < k * bytes_)
                    return false;
                std::memcpy(dst, p_, k * bytes_);
                p_ += k * bytes_;
            }
            dst += k * bytes_;
            n -= k;
            left_ -= k;
        }
        return true;
    }

  private:
    const uint8_t* p_;
    const uint8_t* end_;
    size_t bytes_;
    bool rle_;
    size_t left_ = 0;
    bool repeat_ = false;
    uint8_t value_[4] = {};
};

// Checks everything the header says before any pixel is touched.
bool checkHeader(const Header& hd, size_t size, std::string& error) {
    const int base = hd.imageType & 7;
    const bool typeOk = hd.imageType == 1 || hd.imageType == 2 || hd.imageType == 3 ||
                        hd.imageType == 9 || hd.imageType == 10 || hd.imageType == 11;
    if (!typeOk) {
        error = damaged("unbekannter Targa-Bildtyp");
        return false;
    }
    if (hd.mapType > 1 || (base == 1 && hd.mapType != 1) || (base == 3 && hd.mapType != 0)) {
        error = damaged("Farbtabelle passt nicht zum Bildtyp");
        return false;
    }
    if (hd.mapType == 1) {
        const bool bitsOk =
            hd.mapBits == 15 || hd.mapBits == 16 || hd.mapBits == 24 || hd.mapBits == 32;
        if (!bitsOk || hd.mapLength == 0) {
            error = damaged("ungültige Farbtabelle");
            return false;
        }
    }
    bool depthOk = false;
    if (base == 1)
        depthOk = hd.depth == 8;
    if (base == 2)
        depthOk = hd.depth == 15 || hd.depth == 16 || hd.depth == 24 || hd.depth == 32;
    if (base == 3)
        depthOk = hd.depth == 8 || hd.depth == 16;
    if (!depthOk) {
        error = damaged("nicht unterstützte Farbtiefe");
        return false;
    }
    if ((hd.descriptor & 0xC0) != 0 || (hd.descriptor & 0x0F) > 8) {
        error = damaged("ungültiger Bildbeschreiber");
        return false;
    }
    if (hd.width == 0 || hd.height == 0) {
        error = damaged("ungültige Bildgröße");
        return false;
    }
    const size_t mapBytes =
        hd.mapType == 1 ? static_cast<size_t>(hd.mapLength) * ((hd.mapBits + 7) / 8) : 0;
    const size_t offset = kHeaderSize + hd.idLength + mapBytes;
    if (offset > size) {
        error = kTextTruncated;
        return false;
    }
    // raw data must be all there; a packet gives at most 128 pixels for two bytes
    const uint64_t pixels = static_cast<uint64_t>(hd.width) * hd.height;
    const uint64_t avail = size - offset;
    const uint64_t bytes = (hd.depth + 7) / 8;
    if (((hd.imageType & 8) == 0 && pixels * bytes > avail) ||
        ((hd.imageType & 8) != 0 && pixels > avail * 64)) {
        error = kTextTruncated;
        return false;
    }
    return true;
}

// Header byte of a Targa run packet: the top bit, then the length - 1.
uint8_t runHeader(size_t length) {
    return static_cast<uint8_t>(0x80 | (length - 1));
}

} // namespace

bool decodeTga(const uint8_t* data, size_t size, TDibRecord* out, Progress& progress,
               std::string& error) {
    std::memset(out, 0, sizeof(*out));
    if (size < kHeaderSize) {
        error = kTextTruncated;
        return false;
    }
    const Header hd = parseHeader(data);
    if (!checkHeader(hd, size, error))
        return false;

    const int base = hd.imageType & 7;
    const bool rle = (hd.imageType & 8) != 0;
    const int32_t w = hd.width, h = hd.height;
    const bool topDown = (hd.descriptor & 0x20) != 0;
    const bool rightToLeft = (hd.descriptor & 0x10) != 0;
    const int pixelBytes = (hd.depth + 7) / 8;
    const size_t mapEntryBytes = (hd.mapBits + 7) / 8;
    const uint8_t* map = data + kHeaderSize + hd.idLength;
    const uint8_t* pixels = map + (hd.mapType == 1 ? hd.mapLength * mapEntryBytes : 0);

    // Colour-mapped and grey images first go into an 8-bit record; a small map shrinks it
    // afterwards.  Entries outside the map stay black.
    TBitmapInfo info{};
    int32_t mapEnd = 0;
    if (base == 1) {
        for (int i = 0; i < hd.mapLength; ++i) {
            const int index = hd.mapFirst + i;
            if (index > 255)
                break;
            uint8_t bgr[3];
            toBgr(map + i * mapEntryBytes, mapEntryBytes == 2 ? 2 : 3, bgr);
            info.bmiColors[index] = TRGBQuad{bgr[0], bgr[1], bgr[2], 0};
        }
        mapEnd = std::min(256, hd.mapFirst + hd.mapLength);
    }
    // grey images keep newdib's grey ramp
    const int bpp = base == 2 ? 24 : 8;
    if (!newdib(out, w, h, bpp, base == 1 ? &info : nullptr, base == 1 ? 256 : 0)) {
        error = kTextNoMemory;
        return false;
    }

    std::vector<uint8_t> line(static_cast<size_t>(w) * pixelBytes);
    PixelReader reader(pixels, data + size, pixelBytes, rle);
    int maxIndex = 0;
    for (int32_t r = 0; r < h; ++r) {
        if (!reader.read(line.data(), static_cast<size_t>(w))) {
            deldib(out);
            error = kTextTruncated;
            return false;
        }
        uint8_t* row = rowPtr(*out, topDown ? r : h - 1 - r);
        for (int32_t i = 0; i < w; ++i) {
            const int32_t x = rightToLeft ? w - 1 - i : i;
            const uint8_t* p = line.data() + static_cast<size_t>(i) * pixelBytes;
            if (bpp == 8) {
                row[x] = p[0]; // index, or grey (the second byte of 16-bit grey is alpha)
                maxIndex = std::max<int>(maxIndex, p[0]);
            } else {
                toBgr(p, pixelBytes, row + 3 * static_cast<size_t>(x));
            }
        }
        if ((r & 7) == 7 || r == h - 1)
            progress.report(r + 1, h);
    }

    const int used = std::max(mapEnd, maxIndex + 1);
    if (base == 1 && used <= 16) {
        const int small = used <= 2 ? 1 : 4;
        TDibRecord packed{};
        if (!newdib(&packed, w, h, small, out->Info, 1 << small)) {
            deldib(out);
            error = kTextNoMemory;
            return false;
        }
        for (int32_t y = 0; y < h; ++y)
            packIndices(rowPtr(*out, y), w, small, rowPtr(packed, y));
        deldib(out);
        *out = packed;
    }
    return true;
}

bool encodeTgaTo(const TDibRecord& dib, int, ByteSink& sink, std::string& error) {
    if (!checkEncodable(dib, "Targa", error))
        return false;
    const int32_t w = dib.Info->bmiHeader.biWidth;
    const int32_t h = dib.Info->bmiHeader.biHeight;
    const int bpp = dib.Info->bmiHeader.biBitCount;
    if (!checkSides(w, h, 0xFFFF, "Targa", error))
        return false;
    const bool mapped = bpp <= 8;
    const int colours = mapped ? 1 << bpp : 0;
    SinkWriter writer(sink);
    std::vector<uint8_t>& out = writer.bytes();
    out.push_back(0);                                // no image ID
    out.push_back(mapped ? 1 : 0);                   // colour map type
    out.push_back(mapped ? 9 : 10);                  // RLE colour-mapped / true colour
    appendLe16(out, 0);                              // first map entry
    appendLe16(out, static_cast<uint32_t>(colours)); // map length
    out.push_back(mapped ? 24 : 0);                  // map entry size
    appendLe16(out, 0);                              // x origin
    appendLe16(out, 0);                              // y origin
    appendLe16(out, static_cast<uint32_t>(w));
    appendLe16(out, static_cast<uint32_t>(h));
    out.push_back(mapped ? 8 : 24);
    out.push_back(0); // bottom-left origin, no alpha
    for (int i = 0; i < colours; ++i) {
        const TRGBQuad& q = dib.Info->bmiColors[i];
        out.push_back(q.rgbBlue);
        out.push_back(q.rgbGreen);
        out.push_back(q.rgbRed);
    }

    std::vector<uint8_t> line(static_cast<size_t>(w) * (mapped ? 1 : 3));
    for (int32_t r = 0; r < h; ++r) {
        const uint8_t* row = rowPtr(dib, h - 1 - r); // file rows run bottom-up
        if (bpp == 24)
            std::memcpy(line.data(), row, line.size());
        else
            unpackIndices(row, w, bpp, line.data());
        appendRunPackets(out, line.data(), static_cast<size_t>(w), mapped ? 1 : 3, 2, runHeader);
        if (!writer.pass())
            return false;
    }

    // TGA 2.0 footer without extension or developer area
    for (int i = 0; i < 8; ++i)
        out.push_back(0);
    static const char kSignature[] = "TRUEVISION-XFILE.";
    out.insert(out.end(), kSignature, kSignature + sizeof(kSignature)); // with the final NUL
    return writer.flush();
}

bool encodeTga(const TDibRecord& dib, int quality, std::vector<uint8_t>& out, std::string& error) {
    return encodeIntoVector(encodeTgaTo, dib, quality, out, error);
}

} // namespace pictora
