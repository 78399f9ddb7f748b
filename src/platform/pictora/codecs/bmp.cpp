// Windows and OS/2 bitmaps: BMP files, packed DIBs without file header (clipboard blocks,
// headerless .DIB files) and their RLE variants.  Palette images keep their depth (2-bit files
// become 4-bit records); 16- and 32-bit images are read into 24-bit records.
#include "codec_util.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace pictora {

namespace {

const char* const kTextNotBmp = "Die Datei ist keine gültige Bitmap-Datei";
const char* const kTextHeaderShort = "Die Datei ist beschädigt: Dateikopf unvollständig";
const char* const kTextDataShort = "Die Datei ist beschädigt: Bilddaten unvollständig";
const char* const kTextTableShort = "Die Datei ist beschädigt: Farbtabelle unvollständig";
const char* const kTextBadSize = "Die Datei ist beschädigt: ungültige Bildgröße";
const char* const kTextBadPlanes = "Die Datei ist beschädigt: ungültige Anzahl der Farbebenen";
const char* const kTextBadDepth = "Die Datei ist beschädigt: ungültige Farbtiefe";
const char* const kTextBadCompression = "Die Datei ist beschädigt: unbekannte Kompression";
const char* const kTextCompressionDepth =
    "Die Datei ist beschädigt: Kompression passt nicht zur Farbtiefe";

constexpr size_t kFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12;

// biCompression values of the Windows headers
constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiRle8 = 1;
constexpr uint32_t kBiRle4 = 2;
constexpr uint32_t kBiBitfields = 3;
constexpr uint32_t kBiAlphaBitfields = 6;

enum class Packing { Rgb, Rle8, Rle4, Bitfields, Unsupported };

// Header sizes we read: OS/2 1.x (12), OS/2 2.x (16..64, any length of its optional tail),
// BITMAPINFOHEADER (40) and its V2..V5 successors (52, 56, 108, 124).
bool acceptedHeaderSize(uint32_t n) {
    return n == kCoreHeaderSize || (n >= 16 && n <= 64) || n == 108 || n == 124;
}
bool isOs2Header(uint32_t n) {
    return n == kCoreHeaderSize || (n <= 64 && n != 40 && n != 52 && n != 56);
}

// The fields of any of the info headers, normalised.
struct Header {
    uint32_t size = 0;
    int64_t width = 0;
    int64_t rows = 0; // absolute height
    bool topDown = false;
    uint32_t planes = 0;
    uint32_t bpp = 0;
    uint32_t compression = 0;
    Packing packing = Packing::Rgb;
    int32_t xPels = 0;
    int32_t yPels = 0;
    uint32_t clrUsed = 0;
    bool core = false;      // RGBTRIPLE colour table
    uint32_t masks[3] = {}; // red, green, blue (only inside V2+ headers)
    bool masksInHeader = false;
};

// Reads the info header at p (avail bytes from there) and checks its fields.
bool parseHeader(const uint8_t* p, size_t avail, Header& h, std::string& error) {
    if (avail < 4) {
        error = kTextHeaderShort;
        return false;
    }
    h.size = le32(p);
    if (!acceptedHeaderSize(h.size)) {
        error = kTextNotBmp;
        return false;
    }
    if (avail < h.size) {
        error = kTextHeaderShort;
        return false;
    }
    const bool os2 = isOs2Header(h.size);
    if (h.size == kCoreHeaderSize) {
        h.core = true;
        h.width = le16(p + 4);
        h.rows = le16(p + 6);
        h.planes = le16(p + 8);
        h.bpp = le16(p + 10);
    } else {
        // shorter OS/2 2.x headers leave the missing fields zero
        uint8_t b[56] = {};
        std::memcpy(b, p, std::min<size_t>(h.size, sizeof(b)));
        h.width = static_cast<int32_t>(le32(b + 4));
        const int64_t height = static_cast<int32_t>(le32(b + 8));
        h.topDown = height < 0;
        h.rows = height < 0 ? -height : height;
        h.planes = le16(b + 12);
        h.bpp = le16(b + 14);
        h.compression = le32(b + 16);
        h.xPels = static_cast<int32_t>(le32(b + 24));
        h.yPels = static_cast<int32_t>(le32(b + 28));
        h.clrUsed = le32(b + 32);
        if (!os2 && h.size >= 52) {
            h.masksInHeader = true;
            for (int i = 0; i < 3; ++i)
                h.masks[i] = le32(b + 40 + 4 * i);
        }
    }
    if (h.width <= 0 || h.width > kMaxSide || h.rows <= 0 || h.rows > kMaxSide) {
        error = kTextBadSize;
        return false;
    }
    if (h.planes != 1) {
        error = kTextBadPlanes;
        return false;
    }
    switch (h.bpp) {
    case 1:
    case 2:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
        break;
    default:
        error = kTextBadDepth;
        return false;
    }
    // OS/2 2.x uses 3 and 4 for Huffman and RLE24, which we do not read
    switch (h.compression) {
    case kBiRgb:
        h.packing = Packing::Rgb;
        break;
    case kBiRle8:
        h.packing = Packing::Rle8;
        break;
    case kBiRle4:
        h.packing = Packing::Rle4;
        break;
    case kBiBitfields:
    case kBiAlphaBitfields:
        h.packing = os2 ? Packing::Unsupported : Packing::Bitfields;
        break;
    default:
        h.packing = Packing::Unsupported;
        break;
    }
    return true;
}

// One colour channel of a 16/32-bit pixel, scaled to 0..255 with rounding.
class Channel {
  public:
    explicit Channel(uint32_t mask) {
        if (mask == 0)
            return;
        shift_ = std::countr_zero(mask);
        mask_ = mask;
        max_ = mask >> shift_;
        if (max_ <= 0xFFFF) {
            table_.resize(max_ + 1);
            for (uint32_t v = 0; v <= max_; ++v)
                table_[v] = static_cast<uint8_t>((uint64_t{v} * 255 + max_ / 2) / max_);
        }
    }
    uint8_t operator()(uint32_t pixel) const {
        const uint32_t v = (pixel & mask_) >> shift_; // never above max_
        if (!table_.empty())
            return table_[v];
        if (max_ == 0)
            return 0;
        return static_cast<uint8_t>((uint64_t{v} * 255 + max_ / 2) / max_);
    }

  private:
    uint32_t mask_ = 0;
    int shift_ = 0;
    uint32_t max_ = 0;
    std::vector<uint8_t> table_;
};

// Where the parts of the file lie, all checked against the file size.
struct Layout {
    size_t tableStart = 0;
    uint32_t tableEntries = 0; // colours present in the file (at most 2^bpp)
    size_t dataStart = 0;
    uint32_t masks[3] = {};
};

bool locate(const uint8_t* data, size_t size, size_t infoStart, bool hasFileHeader, const Header& h,
            Layout& lay, std::string& error) {
    uint64_t pos = infoStart + h.size;
    if (h.packing == Packing::Bitfields) {
        if (h.masksInHeader) {
            std::memcpy(lay.masks, h.masks, sizeof(lay.masks));
        } else {
            // BITMAPINFOHEADER: the masks follow it, with alpha for BI_ALPHABITFIELDS
            const uint64_t n = h.compression == kBiAlphaBitfields ? 16 : 12;
            if (pos + n > size) {
                error = kTextHeaderShort;
                return false;
            }
            for (int i = 0; i < 3; ++i)
                lay.masks[i] = le32(data + pos + 4 * i);
            pos += n;
        }
    }
    if (h.packing != Packing::Bitfields ||
        (lay.masks[0] == 0 && lay.masks[1] == 0 && lay.masks[2] == 0)) {
        if (h.bpp == 16) {
            lay.masks[0] = 0x7C00, lay.masks[1] = 0x03E0, lay.masks[2] = 0x001F;
        } else {
            lay.masks[0] = 0xFF0000, lay.masks[1] = 0x00FF00, lay.masks[2] = 0x0000FF;
        }
    }

    const uint64_t entrySize = h.core ? 3 : 4;
    const uint64_t maxEntries = h.bpp <= 8 ? (uint64_t{1} << h.bpp) : 0;
    uint64_t declared = h.clrUsed != 0 ? h.clrUsed : maxEntries;
    if (h.bpp <= 8)
        declared = std::min(declared, maxEntries);
    uint64_t present = std::min(declared, maxEntries);
    uint64_t dataStart = pos + declared * entrySize;

    if (hasFileHeader) {
        // bfOffBits wins when it points past the headers and into the file; a table that it
        // cuts short keeps only the colours before it
        const uint64_t off = le32(data + 10);
        if (off >= pos && off < size) {
            dataStart = off;
            present = std::min(present, (off - pos) / entrySize);
        }
    }
    if (pos + present * entrySize > size) {
        error = kTextTableShort;
        return false;
    }
    if (dataStart > size) {
        error = kTextDataShort;
        return false;
    }
    lay.tableStart = static_cast<size_t>(pos);
    lay.tableEntries = static_cast<uint32_t>(present);
    lay.dataStart = static_cast<size_t>(dataStart);
    return true;
}

// Memory row of the record for the n-th row stored in the file.
inline uint8_t* fileRow(const TDibRecord& d, int64_t n, int64_t rows, bool topDown) {
    return rowPtr(d, static_cast<int32_t>(topDown ? n : rows - 1 - n));
}

// Clears the bits past the last pixel in the last byte of a 1- or 4-bit row.
inline void maskTail(uint8_t* row, int64_t width, int bpp) {
    const int64_t bits = width * bpp;
    if (bits % 8 != 0)
        row[bits / 8] &= static_cast<uint8_t>(0xFF << (8 - bits % 8));
}

void decodeUncompressed(const uint8_t* src, const Header& h, const Layout& lay, const TDibRecord& d,
                        Progress& progress) {
    const int64_t w = h.width, rows = h.rows;
    const int bpp = static_cast<int>(h.bpp);
    const int64_t stride = rowBytes(w, bpp);
    const int64_t used = (w * bpp + 7) / 8; // decodeBmp made sure every row is there
    const Channel red(lay.masks[0]), green(lay.masks[1]), blue(lay.masks[2]);
    const bool plain32 = bpp == 32 && lay.masks[0] == 0xFF0000 && lay.masks[1] == 0x00FF00 &&
                         lay.masks[2] == 0x0000FF;
    // the rows read so far are given back every few megabytes (when the input is our mapping)
    constexpr int64_t kReleaseStep = int64_t{4} << 20;
    const int64_t rowsPerRelease = std::max<int64_t>(1, kReleaseStep / stride);
    for (int64_t n = 0; n < rows; ++n) {
        const uint8_t* s = src + static_cast<size_t>(n * stride);
        if (n % rowsPerRelease == 0 && n > 0)
            releaseReadInput(s);
        uint8_t* o = fileRow(d, n, rows, h.topDown);
        switch (bpp) {
        case 1:
        case 4:
        case 8:
        case 24: // same layout as the record
            std::memcpy(o, s, static_cast<size_t>(used));
            if (bpp < 8)
                maskTail(o, w, bpp);
            break;
        case 2: // widened to one nibble per pixel
            widen2To4(s, static_cast<int32_t>(w), o);
            break;
        case 16:
            for (int64_t x = 0; x < w; ++x, o += 3) {
                const uint32_t v = le16(s + 2 * x);
                o[0] = blue(v), o[1] = green(v), o[2] = red(v);
            }
            break;
        case 32:
            if (plain32) {
                for (int64_t x = 0; x < w; ++x, o += 3, s += 4)
                    o[0] = s[0], o[1] = s[1], o[2] = s[2];
            } else {
                for (int64_t x = 0; x < w; ++x, o += 3) {
                    const uint32_t v = le32(s + 4 * x);
                    o[0] = blue(v), o[1] = green(v), o[2] = red(v);
                }
            }
            break;
        }
        progress.report(n + 1, rows);
    }
}

// RLE8 / RLE4: runs, end of line, end of bitmap, delta and absolute runs padded to 16 bits.
// Pixels the stream skips stay 0; runs past the row end are clipped.
bool decodeRle(const uint8_t* p, size_t n, const Header& h, const TDibRecord& d, Progress& progress,
               std::string& error) {
    const bool four = h.packing == Packing::Rle4;
    const int64_t w = h.width, rows = h.rows;
    int64_t x = 0, y = 0; // y counts rows in file order
    size_t i = 0;
    uint8_t* row = fileRow(d, 0, rows, h.topDown);
    auto put = [&](int64_t px, uint8_t v) {
        if (four)
            row[px >> 1] = static_cast<uint8_t>((px & 1) ? (row[px >> 1] & 0xF0) | v
                                                         : (row[px >> 1] & 0x0F) | (v << 4));
        else
            row[px] = v;
    };
    auto toRow = [&](int64_t ny) {
        y = ny;
        if (y < rows)
            row = fileRow(d, y, rows, h.topDown);
        progress.report(y, rows);
    };
    while (y < rows) { // a stream that has covered every row is complete
        if (i + 2 > n) {
            error = kTextDataShort;
            return false;
        }
        const uint8_t count = p[i], value = p[i + 1];
        i += 2;
        if (count > 0) {
            const int64_t end = std::min<int64_t>(x + count, w);
            if (four) {
                for (int64_t px = x; px < end; ++px)
                    put(px, ((px - x) & 1) ? value & 0x0F : value >> 4);
            } else if (x < end) {
                std::memset(row + x, value, static_cast<size_t>(end - x));
            }
            x += count;
            continue;
        }
        switch (value) {
        case 0: // end of line
            x = 0;
            toRow(y + 1);
            break;
        case 1: // end of bitmap
            progress.report(rows, rows);
            return true;
        case 2: // delta
            if (i + 2 > n) {
                error = kTextDataShort;
                return false;
            }
            x += p[i];
            toRow(y + p[i + 1]);
            i += 2;
            break;
        default: { // absolute run of value pixels
            const size_t bytes = four ? (value + 1u) / 2 : value;
            if (bytes > n - i) {
                error = kTextDataShort;
                return false;
            }
            const int64_t end = std::min<int64_t>(x + value, w);
            for (int64_t px = x; px < end; ++px) {
                const int64_t k = px - x;
                put(px, four ? ((k & 1) ? p[i + k / 2] & 0x0F : p[i + k / 2] >> 4) : p[i + k]);
            }
            x += value;
            i += std::min(n - i, (bytes + 1) & ~size_t{1});
            break;
        }
        }
    }
    progress.report(rows, rows);
    return true;
}

bool plausibleInfoHeader(const uint8_t* data, size_t size) {
    if (size < 4)
        return false;
    switch (le32(data)) {
    case 12:
    case 16:
    case 40:
    case 52:
    case 56:
    case 64:
    case 108:
    case 124:
        break;
    default:
        return false;
    }
    Header h;
    std::string ignored;
    return parseHeader(data, size, h, ignored) && h.packing != Packing::Unsupported;
}

} // namespace

bool sniffBmp(const uint8_t* data, size_t size) {
    if (data == nullptr)
        return false;
    if (size >= 2 && data[0] == 'B' && data[1] == 'M')
        return true;
    return plausibleInfoHeader(data, size);
}

bool decodeBmp(const uint8_t* data, size_t size, TDibRecord* out, Progress& progress,
               std::string& error) {
    if (out == nullptr || data == nullptr) {
        error = kTextNotBmp;
        return false;
    }
    std::memset(out, 0, sizeof(*out));
    const bool hasFileHeader = size >= 2 && data[0] == 'B' && data[1] == 'M';
    const size_t infoStart = hasFileHeader ? kFileHeaderSize : 0;
    if (size < infoStart + 4) {
        error = kTextHeaderShort;
        return false;
    }
    Header h;
    if (!parseHeader(data + infoStart, size - infoStart, h, error))
        return false;
    if (h.packing == Packing::Unsupported) {
        error = kTextBadCompression;
        return false;
    }
    if ((h.packing == Packing::Rle8 && h.bpp != 8) || (h.packing == Packing::Rle4 && h.bpp != 4) ||
        (h.packing == Packing::Bitfields && h.bpp != 16 && h.bpp != 32)) {
        error = kTextCompressionDepth;
        return false;
    }
    Layout lay;
    if (!locate(data, size, infoStart, hasFileHeader, h, lay, error))
        return false;
    const int recordBpp = h.bpp == 2 ? 4 : (h.bpp <= 8 ? static_cast<int>(h.bpp) : 24);
    if (!imageFitsLimit(h.width, h.rows, recordBpp)) {
        error = kTextNoMemory;
        return false;
    }
    // a stored image must be in the file before we allocate for it; the last row may lack its
    // padding, but not its pixels
    const bool rle = h.packing == Packing::Rle8 || h.packing == Packing::Rle4;
    if (!rle) {
        const uint64_t need = static_cast<uint64_t>(rowBytes(h.width, static_cast<int>(h.bpp))) *
                                  static_cast<uint64_t>(h.rows - 1) +
                              static_cast<uint64_t>((h.width * h.bpp + 7) / 8);
        if (need > size - lay.dataStart) {
            error = kTextDataShort;
            return false;
        }
    }

    const int colours = recordBpp <= 8 ? 1 << recordBpp : 0;
    // colours missing from the file stay black
    TBitmapInfo info{};
    const size_t entrySize = h.core ? 3 : 4;
    for (uint32_t c = 0; c < lay.tableEntries; ++c) {
        const uint8_t* e = data + lay.tableStart + c * entrySize;
        info.bmiColors[c] = TRGBQuad{e[0], e[1], e[2], 0};
    }
    if (!newdib(out, static_cast<int32_t>(h.width), static_cast<int32_t>(h.rows), recordBpp, &info,
                colours)) {
        error = kTextNoMemory;
        return false;
    }
    setDensity(*out, h.xPels, h.yPels);

    const uint8_t* src = data + lay.dataStart;
    if (!rle) {
        decodeUncompressed(src, h, lay, *out, progress);
        return true;
    }
    if (!decodeRle(src, size - lay.dataStart, h, *out, progress, error)) {
        deldib(out);
        return false;
    }
    return true;
}

bool encodeBmpTo(const TDibRecord& dib, int /*quality*/, ByteSink& out, std::string& error) {
    if (!hasImage(&dib)) {
        error = kTextNoImage;
        return false;
    }
    const TBitmapInfoHeader& ih = dib.Info->bmiHeader;
    const int bpp = ih.biBitCount;
    const int64_t w = ih.biWidth, rows = ih.biHeight;
    const int64_t stride = rowBytes(w, bpp);
    if (!validDepth(bpp) || rows <= 0 || stride < 0 || dib.LineBytes < stride) {
        error = "Das Bild kann nicht als Bitmap gespeichert werden";
        return false;
    }
    const uint32_t colours = bpp <= 8 ? 1u << bpp : 0;
    const uint64_t offBits = kFileHeaderSize + 40 + 4 * colours;
    const uint64_t imageSize = static_cast<uint64_t>(stride) * static_cast<uint64_t>(rows);
    if (offBits + imageSize > UINT32_MAX) {
        error = "Das Bild ist zu groß für eine Bitmap-Datei";
        return false;
    }
    out.expect(offBits + imageSize);
    std::vector<uint8_t> head(static_cast<size_t>(offBits), 0);
    uint8_t* p = head.data();
    p[0] = 'B', p[1] = 'M';
    putLe32(p + 2, static_cast<uint32_t>(offBits + imageSize));
    putLe32(p + 10, static_cast<uint32_t>(offBits));
    uint8_t* info = p + kFileHeaderSize;
    putLe32(info, 40);
    putLe32(info + 4, static_cast<uint32_t>(w));
    putLe32(info + 8, static_cast<uint32_t>(rows));
    putLe16(info + 12, 1);
    putLe16(info + 14, static_cast<uint32_t>(bpp));
    putLe32(info + 16, kBiRgb);
    putLe32(info + 20, static_cast<uint32_t>(imageSize));
    const int32_t xPels = ih.biXPelsPerMeter > 0 ? ih.biXPelsPerMeter : 2835;
    const int32_t yPels = ih.biYPelsPerMeter > 0 ? ih.biYPelsPerMeter : 2835;
    putLe32(info + 24, static_cast<uint32_t>(xPels));
    putLe32(info + 28, static_cast<uint32_t>(yPels));
    putLe32(info + 32, colours);
    for (uint32_t c = 0; c < colours; ++c) {
        const TRGBQuad& q = dib.Info->bmiColors[c];
        uint8_t* e = info + 40 + 4 * c;
        e[0] = q.rgbBlue, e[1] = q.rgbGreen, e[2] = q.rgbRed;
    }
    if (!out.write(head.data(), head.size()))
        return false;
    // The record's rows are bottom-up like the file's.  Rows without padding or unused bits go
    // out straight from the image, many at a time; others are tidied in a small buffer first
    // (padding written as zeros, bits past the last pixel cleared).
    const int64_t used = (w * bpp + 7) / 8;
    const bool asStored = used == stride && (w * bpp) % 8 == 0 && dib.LineBytes == stride;
    constexpr int64_t kChunk = int64_t{1} << 20;
    const int64_t rowsPerChunk = std::max<int64_t>(1, kChunk / stride);
    std::vector<uint8_t> tidy;
    if (!asStored)
        tidy.assign(static_cast<size_t>(rowsPerChunk * stride), 0);
    for (int64_t n = 0; n < rows; n += rowsPerChunk) {
        const int64_t count = std::min(rowsPerChunk, rows - n);
        const uint8_t* first = dib.Bits + static_cast<size_t>(n) * static_cast<size_t>(dib.LineBytes);
        if (asStored) {
            if (!out.write(first, static_cast<size_t>(count * stride)))
                return false;
            continue;
        }
        for (int64_t i = 0; i < count; ++i) {
            uint8_t* o = tidy.data() + static_cast<size_t>(i * stride);
            std::memcpy(o, first + static_cast<size_t>(i) * static_cast<size_t>(dib.LineBytes),
                        static_cast<size_t>(used));
            if (bpp < 8)
                maskTail(o, w, bpp);
        }
        if (!out.write(tidy.data(), static_cast<size_t>(count * stride)))
            return false;
    }
    return true;
}

bool encodeBmp(const TDibRecord& dib, int quality, std::vector<uint8_t>& out,
               std::string& error) {
    out.clear();
    VectorSink sink(out);
    return encodeBmpTo(dib, quality, sink, error);
}

} // namespace pictora
