// TIFF reader and writer over libtiff.  The reader works on the file in memory and takes the
// first image: palette, bilevel, grey and RGB images directly from the strips or tiles,
// everything else libtiff can convert through its RGBA interface.  The writer uses LZW and
// writes into the file being saved.
#include "codec_util.h"
#include "isolated.h"

#include <algorithm>
#include <fcntl.h>
#include <cstdarg>
#include <cstdio>
#include <cerrno>
#include <cstring>

#include <sys/mman.h>
#include <tiffio.h>
#include <unistd.h>

namespace pictora {

namespace {

// No single libtiff allocation may be larger than this.
constexpr tmsize_t kMaxTiffAlloc = tmsize_t{512} << 20;
// Strips larger than this are not decoded whole where rows can be read one by one.
constexpr uint64_t kMaxBand = uint64_t{64} << 20;

// libtiff reports through callbacks; we keep the first error and stay quiet otherwise.
struct Messages {
    char error[256];
    bool failed;
};

int onTiffError(TIFF*, void* user, const char* module, const char* fmt, va_list ap) {
    auto* m = static_cast<Messages*>(user);
    if (!m->failed) {
        m->failed = true;
        int n = std::snprintf(m->error, sizeof(m->error), "%s: ", module ? module : "libtiff");
        if (n < 0 || n >= static_cast<int>(sizeof(m->error)))
            n = 0;
        std::vsnprintf(m->error + n, sizeof(m->error) - static_cast<size_t>(n), fmt, ap);
    }
    return 1;
}

int onTiffWarning(TIFF*, void*, const char*, const char*, va_list) {
    return 1;
}

// ---- memory streams ----

struct MemReader {
    const uint8_t* data;
    uint64_t size;
    uint64_t pos;
    bool pastEnd; // a read asked for bytes beyond the end: the file is cut short
};

// libtiff writes into a file it may seek back in (it fills in strip offsets and the directory
// at the end): with pread/pwrite at base + pos, so the descriptor's own offset stays untouched.
struct FileWriter {
    int fd;
    uint64_t base; // file offset of the TIFF's first byte
    uint64_t pos = 0;
    uint64_t size = 0; // one past the furthest byte written
    int error = 0;     // errno of the first write that failed
};

tmsize_t readMem(thandle_t h, void* buf, tmsize_t n) {
    auto* r = static_cast<MemReader*>(h);
    if (n < 0)
        return -1;
    const uint64_t avail = r->pos < r->size ? r->size - r->pos : 0;
    const uint64_t k = std::min<uint64_t>(static_cast<uint64_t>(n), avail);
    if (k < static_cast<uint64_t>(n))
        r->pastEnd = true;
    if (k > 0)
        std::memcpy(buf, r->data + r->pos, static_cast<size_t>(k));
    r->pos += k;
    return static_cast<tmsize_t>(k);
}

tmsize_t writeNone(thandle_t, void*, tmsize_t) {
    return -1;
}

toff_t seekTo(uint64_t& pos, uint64_t size, toff_t off, int whence) {
    uint64_t base = 0;
    if (whence == SEEK_CUR)
        base = pos;
    else if (whence == SEEK_END)
        base = size;
    else if (whence != SEEK_SET)
        return static_cast<toff_t>(-1);
    // libtiff passes negative offsets as large unsigned values for SEEK_CUR/SEEK_END
    const auto delta = static_cast<int64_t>(off);
    if (whence == SEEK_SET) {
        pos = off;
    } else if (delta < 0) {
        if (static_cast<uint64_t>(-(delta + 1)) + 1 > base)
            return static_cast<toff_t>(-1);
        pos = base - (static_cast<uint64_t>(-(delta + 1)) + 1);
    } else {
        pos = base + static_cast<uint64_t>(delta);
    }
    return pos;
}

toff_t seekMem(thandle_t h, toff_t off, int whence) {
    auto* r = static_cast<MemReader*>(h);
    return seekTo(r->pos, r->size, off, whence);
}

toff_t sizeMem(thandle_t h) {
    return static_cast<MemReader*>(h)->size;
}

int closeMem(thandle_t) {
    return 0;
}
int mapNone(thandle_t, void**, toff_t*) {
    return 0;
}
void unmapNone(thandle_t, void*, toff_t) {}

tmsize_t readOut(thandle_t h, void* buf, tmsize_t n) {
    auto* w = static_cast<FileWriter*>(h);
    if (n < 0)
        return -1;
    const uint64_t avail = w->pos < w->size ? w->size - w->pos : 0;
    const auto k = static_cast<size_t>(std::min<uint64_t>(static_cast<uint64_t>(n), avail));
    if (k > 0 && !ReadAt(w->fd, buf, k, w->base + w->pos))
        return -1;
    w->pos += k;
    return static_cast<tmsize_t>(k);
}

tmsize_t writeOut(thandle_t h, void* buf, tmsize_t n) {
    auto* w = static_cast<FileWriter*>(h);
    if (n < 0 || w->error != 0)
        return -1;
    const auto* p = static_cast<const uint8_t*>(buf);
    for (size_t left = static_cast<size_t>(n); left > 0;) {
        const ssize_t put = ::pwrite(w->fd, p, left, static_cast<off_t>(w->base + w->pos));
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0) {
            w->error = put == 0 ? EIO : errno;
            return -1;
        }
        p += put;
        left -= static_cast<size_t>(put);
        w->pos += static_cast<uint64_t>(put);
        w->size = std::max(w->size, w->pos);
    }
    return n;
}

toff_t seekOut(thandle_t h, toff_t off, int whence) {
    auto* w = static_cast<FileWriter*>(h);
    return seekTo(w->pos, w->size, off, whence);
}

toff_t sizeOut(thandle_t h) {
    return static_cast<FileWriter*>(h)->size;
}

TIFF* openTiff(const char* mode, thandle_t handle, TIFFReadWriteProc rd, TIFFReadWriteProc wr,
               TIFFSeekProc seek, TIFFSizeProc size, Messages& msgs) {
    TIFFOpenOptions* opts = TIFFOpenOptionsAlloc();
    if (opts == nullptr)
        return nullptr;
    TIFFOpenOptionsSetErrorHandlerExtR(opts, onTiffError, &msgs);
    TIFFOpenOptionsSetWarningHandlerExtR(opts, onTiffWarning, &msgs);
    TIFFOpenOptionsSetMaxSingleMemAlloc(opts, kMaxTiffAlloc);
    TIFF* tif = TIFFClientOpenExt("Speicher", mode, handle, rd, wr, seek, closeMem, size, mapNone,
                                  unmapNone, opts);
    TIFFOpenOptionsFree(opts);
    return tif;
}

struct TiffCloser {
    TIFF* tif = nullptr;
    ~TiffCloser() {
        if (tif)
            TIFFClose(tif);
    }
};

// Scratch memory through the library's accounting, so the allocation limit covers it.
struct Scratch {
    uint8_t* p = nullptr;
    ~Scratch() { trackedFree(p); }
    bool alloc(uint64_t bytes) {
        if (bytes > SIZE_MAX)
            return false;
        p = static_cast<uint8_t*>(
            trackedAlloc(static_cast<size_t>(std::max<uint64_t>(bytes, 1)), true));
        return p != nullptr;
    }
};

// ---- reading ----

enum class Kind { Palette, Bilevel, Grey, Rgb, Rgba };

struct Layout {
    uint32_t width = 0, height = 0;
    uint16_t spp = 1, bps = 1, photometric = PHOTOMETRIC_MINISBLACK, planar = PLANARCONFIG_CONTIG;
    Kind kind = Kind::Rgba;
    int bpp = 24;      // depth of the record
    int planes = 1;    // planes we read (separate planar data: one per sample we use)
    int pixelBits = 1; // bits of one pixel inside a plane row
    uint64_t planeRowBytes = 0;
};

enum class Fail { Damaged, Truncated, NoMemory, TooBig, Unsupported };

struct ReadContext {
    TIFF* tif;
    MemReader* reader;
    Messages* msgs;
    Layout lay;
    TDibRecord* out;
    Progress* progress;
    Fail fail = Fail::Damaged;
};

inline unsigned sampleAt(const uint8_t* row, uint64_t index, int bits) {
    switch (bits) {
    case 8:
        return row[index];
    case 16: {
        uint16_t v;
        std::memcpy(&v, row + 2 * index, 2);
        return v >> 8; // libtiff hands out 16-bit samples in host order
    }
    default: {
        const uint64_t bit = index * static_cast<uint64_t>(bits);
        const unsigned shift = 8 - bits - static_cast<unsigned>(bit & 7);
        return (row[bit >> 3] >> shift) & ((1u << bits) - 1);
    }
    }
}

// One image row from the plane rows into the record.
void convertRow(const Layout& lay, const uint8_t* const* src, uint8_t* dst) {
    const uint32_t w = lay.width;
    switch (lay.kind) {
    case Kind::Bilevel:
    case Kind::Palette:
        if (lay.bps != 2)
            std::memcpy(dst, src[0], static_cast<size_t>((uint64_t{w} * lay.bps + 7) / 8));
        else // 2-bit indices become nibbles of a 4-bit record
            widen2To4(src[0], static_cast<int32_t>(w), dst);
        break;
    case Kind::Grey: {
        const uint64_t step = lay.planar == PLANARCONFIG_CONTIG ? lay.spp : 1;
        const unsigned invert = lay.photometric == PHOTOMETRIC_MINISWHITE ? 255 : 0;
        const unsigned scale = lay.bps == 4 ? 17 : lay.bps == 2 ? 85 : 1;
        const int bits = lay.bps;
        if (bits == 8 && step == 1) {
            for (uint32_t x = 0; x < w; ++x)
                dst[x] = static_cast<uint8_t>(src[0][x] ^ invert);
        } else {
            for (uint32_t x = 0; x < w; ++x)
                dst[x] = static_cast<uint8_t>((sampleAt(src[0], x * step, bits) * scale) ^ invert);
        }
        break;
    }
    case Kind::Rgb:
        if (lay.planar == PLANARCONFIG_CONTIG) {
            const uint64_t step = lay.spp;
            if (lay.bps == 8) {
                const uint8_t* s = src[0];
                for (uint32_t x = 0; x < w; ++x, s += step, dst += 3) {
                    dst[0] = s[2];
                    dst[1] = s[1];
                    dst[2] = s[0];
                }
            } else {
                for (uint32_t x = 0; x < w; ++x, dst += 3) {
                    dst[0] = static_cast<uint8_t>(sampleAt(src[0], x * step + 2, 16));
                    dst[1] = static_cast<uint8_t>(sampleAt(src[0], x * step + 1, 16));
                    dst[2] = static_cast<uint8_t>(sampleAt(src[0], x * step, 16));
                }
            }
        } else {
            for (uint32_t x = 0; x < w; ++x, dst += 3) {
                dst[0] = static_cast<uint8_t>(sampleAt(src[2], x, lay.bps));
                dst[1] = static_cast<uint8_t>(sampleAt(src[1], x, lay.bps));
                dst[2] = static_cast<uint8_t>(sampleAt(src[0], x, lay.bps));
            }
        }
        break;
    case Kind::Rgba:
        break;
    }
}

// Decides how the first directory is read and checks its numbers.
bool analyse(TIFF* tif, Layout& lay, Fail& fail) {
    uint16_t sampleFormat = SAMPLEFORMAT_UINT, compression = COMPRESSION_NONE;
    if (!TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &lay.width) ||
        !TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &lay.height) || lay.width == 0 || lay.height == 0) {
        fail = Fail::Damaged;
        return false;
    }
    if (lay.width > static_cast<uint32_t>(kMaxSide) ||
        lay.height > static_cast<uint32_t>(kMaxSide)) {
        fail = Fail::TooBig;
        return false;
    }
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &lay.spp);
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &lay.bps);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &lay.planar);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &sampleFormat);
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
    if (!TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &lay.photometric))
        lay.photometric = lay.spp >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISWHITE;

    const uint16_t spp = lay.spp, bps = lay.bps;
    const bool plainInts =
        (sampleFormat == SAMPLEFORMAT_UINT || sampleFormat == SAMPLEFORMAT_VOID) && spp >= 1 &&
        spp <= 8 && (lay.planar == PLANARCONFIG_CONTIG || lay.planar == PLANARCONFIG_SEPARATE);
    lay.kind = Kind::Rgba;
    if (plainInts) {
        switch (lay.photometric) {
        case PHOTOMETRIC_PALETTE:
            if (spp == 1 && (bps == 1 || bps == 2 || bps == 4 || bps == 8))
                lay.kind = Kind::Palette;
            break;
        case PHOTOMETRIC_MINISBLACK:
        case PHOTOMETRIC_MINISWHITE:
            if (bps == 1 && spp == 1)
                lay.kind = Kind::Bilevel;
            else if (bps == 2 || bps == 4 || bps == 8 || bps == 16)
                lay.kind = Kind::Grey;
            break;
        case PHOTOMETRIC_RGB:
            if (spp >= 3 && (bps == 8 || bps == 16))
                lay.kind = Kind::Rgb;
            break;
        case PHOTOMETRIC_YCBCR:
            // libtiff's JPEG codec converts to RGB for us
            if (compression == COMPRESSION_JPEG && spp == 3 && bps == 8 &&
                lay.planar == PLANARCONFIG_CONTIG &&
                TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB))
                lay.kind = Kind::Rgb;
            break;
        default:
            break;
        }
    }
    switch (lay.kind) {
    case Kind::Palette:
        lay.bpp = bps == 1 ? 1 : bps == 8 ? 8 : 4;
        break;
    case Kind::Bilevel:
        lay.bpp = 1;
        break;
    case Kind::Grey:
        lay.bpp = 8;
        break;
    default:
        lay.bpp = 24;
        break;
    }
    if (lay.kind == Kind::Rgba)
        return true;

    const bool separate = lay.planar == PLANARCONFIG_SEPARATE && spp > 1;
    if (!separate)
        lay.planar = PLANARCONFIG_CONTIG;
    lay.planes = separate ? (lay.kind == Kind::Rgb ? 3 : 1) : 1;
    lay.pixelBits = (separate ? 1 : spp) * bps;
    lay.planeRowBytes = (uint64_t{lay.width} * static_cast<uint64_t>(lay.pixelBits) + 7) / 8;
    // our idea of a row must agree with libtiff's, or the strip buffers would not fit
    if (TIFFScanlineSize64(tif) != lay.planeRowBytes) {
        fail = Fail::Damaged;
        return false;
    }
    return true;
}

// Colours of palette and bilevel images (grey images keep newdib's grey ramp); false when a
// palette image has no colour map.  Colours past the map stay black.
bool readColours(TIFF* tif, const Layout& lay, TBitmapInfo& info, Fail& fail) {
    if (lay.kind == Kind::Bilevel) {
        const uint8_t first = lay.photometric == PHOTOMETRIC_MINISWHITE ? 255 : 0;
        const auto second = static_cast<uint8_t>(255 - first);
        info.bmiColors[0] = TRGBQuad{first, first, first, 0};
        info.bmiColors[1] = TRGBQuad{second, second, second, 0};
        return true;
    }
    uint16_t *r = nullptr, *g = nullptr, *b = nullptr;
    if (!TIFFGetField(tif, TIFFTAG_COLORMAP, &r, &g, &b) || !r || !g || !b) {
        fail = Fail::Damaged;
        return false;
    }
    const int n = 1 << lay.bps;
    // some writers store 8-bit values in the 16-bit table
    bool eightBit = true;
    for (int i = 0; i < n && eightBit; ++i)
        if (r[i] > 255 || g[i] > 255 || b[i] > 255)
            eightBit = false;
    const int shift = eightBit ? 0 : 8;
    for (int i = 0; i < n; ++i)
        info.bmiColors[i] =
            TRGBQuad{static_cast<uint8_t>(b[i] >> shift), static_cast<uint8_t>(g[i] >> shift),
                     static_cast<uint8_t>(r[i] >> shift), 0};
    return true;
}

// Huge strips of interleaved samples are decoded row by row instead, in one row of memory.
bool readScanlines(ReadContext& c) {
    const Layout& lay = c.lay;
    Scratch row;
    if (!row.alloc(lay.planeRowBytes)) {
        c.fail = Fail::NoMemory;
        return false;
    }
    const uint8_t* src[1] = {row.p};
    for (uint32_t y = 0; y < lay.height; ++y) {
        if (TIFFReadScanline(c.tif, row.p, y, 0) < 0)
            return false;
        convertRow(lay, src, rowPtr(*c.out, static_cast<int32_t>(y)));
        if ((y & 15) == 15 || y + 1 == lay.height)
            c.progress->report(y + 1, lay.height);
    }
    return true;
}

// Converts rows of a band whose planes lie one after another, bandBytes apart, into the record
// from row y0 on.
void convertBand(ReadContext& c, const uint8_t* band, uint64_t bandBytes, uint32_t y0,
                 uint32_t rows) {
    const Layout& lay = c.lay;
    const uint8_t* src[3] = {};
    for (uint32_t r = 0; r < rows; ++r) {
        for (int p = 0; p < lay.planes; ++p)
            src[p] = band + static_cast<size_t>(bandBytes) * static_cast<size_t>(p) +
                     static_cast<size_t>(r * lay.planeRowBytes);
        convertRow(lay, src, rowPtr(*c.out, static_cast<int32_t>(y0 + r)));
    }
    c.progress->report(y0 + rows, lay.height);
}

// Strips: one band per strip, read plane by plane.
bool readStrips(ReadContext& c) {
    const Layout& lay = c.lay;
    uint32_t rps = lay.height;
    TIFFGetFieldDefaulted(c.tif, TIFFTAG_ROWSPERSTRIP, &rps);
    if (rps == 0 || rps > lay.height)
        rps = lay.height;
    const uint64_t bandBytes = uint64_t{rps} * lay.planeRowBytes;
    if (bandBytes > kMaxBand && lay.planes == 1)
        return readScanlines(c);
    Scratch band;
    if (!band.alloc(bandBytes * static_cast<uint64_t>(lay.planes))) {
        c.fail = Fail::NoMemory;
        return false;
    }
    for (uint32_t y0 = 0; y0 < lay.height; y0 += rps) {
        const uint32_t rows = std::min(rps, lay.height - y0);
        const uint64_t need = uint64_t{rows} * lay.planeRowBytes;
        for (int p = 0; p < lay.planes; ++p) {
            uint8_t* buf = band.p + static_cast<size_t>(bandBytes) * static_cast<size_t>(p);
            const uint32_t strip = TIFFComputeStrip(c.tif, y0, static_cast<uint16_t>(p));
            if (strip >= TIFFNumberOfStrips(c.tif))
                return false;
            const tmsize_t got =
                TIFFReadEncodedStrip(c.tif, strip, buf, static_cast<tmsize_t>(need));
            if (got < 0 || static_cast<uint64_t>(got) < need)
                return false;
        }
        convertBand(c, band.p, bandBytes, y0, rows);
    }
    return true;
}

// Tiles: one band per row of tiles, each tile copied into the band's plane rows.
bool readTiles(ReadContext& c) {
    const Layout& lay = c.lay;
    uint32_t tw = 0, th = 0;
    if (!TIFFGetField(c.tif, TIFFTAG_TILEWIDTH, &tw) ||
        !TIFFGetField(c.tif, TIFFTAG_TILELENGTH, &th) || tw == 0 || th == 0)
        return false;
    const uint64_t tileRowBytes = (uint64_t{tw} * static_cast<uint64_t>(lay.pixelBits) + 7) / 8;
    const uint64_t tileBytes = tileRowBytes * th;
    if (static_cast<uint64_t>(TIFFTileRowSize64(c.tif)) != tileRowBytes ||
        static_cast<uint64_t>(TIFFTileSize64(c.tif)) != tileBytes ||
        tileBytes > static_cast<uint64_t>(kMaxTiffAlloc))
        return false;
    if ((uint64_t{tw} * static_cast<uint64_t>(lay.pixelBits)) % 8 != 0) {
        c.fail = Fail::Unsupported; // tiles that start inside a byte
        return false;
    }
    const uint32_t bandRows = std::min(th, lay.height);
    const uint64_t bandBytes = uint64_t{bandRows} * lay.planeRowBytes;
    Scratch band, tile;
    if (!band.alloc(bandBytes * static_cast<uint64_t>(lay.planes)) || !tile.alloc(tileBytes)) {
        c.fail = Fail::NoMemory;
        return false;
    }
    for (uint32_t y0 = 0; y0 < lay.height; y0 += th) {
        const uint32_t rows = std::min(th, lay.height - y0);
        for (uint32_t x0 = 0; x0 < lay.width; x0 += tw) {
            const uint32_t cols = std::min(tw, lay.width - x0);
            const uint64_t offset = uint64_t{x0} * static_cast<uint64_t>(lay.pixelBits) / 8;
            const uint64_t bytes = (uint64_t{cols} * static_cast<uint64_t>(lay.pixelBits) + 7) / 8;
            for (int p = 0; p < lay.planes; ++p) {
                const uint32_t index = TIFFComputeTile(c.tif, x0, y0, 0, static_cast<uint16_t>(p));
                if (index >= TIFFNumberOfTiles(c.tif))
                    return false;
                const tmsize_t got =
                    TIFFReadEncodedTile(c.tif, index, tile.p, static_cast<tmsize_t>(tileBytes));
                if (got < 0 || static_cast<uint64_t>(got) < tileRowBytes * rows)
                    return false;
                uint8_t* dst = band.p + static_cast<size_t>(bandBytes) * static_cast<size_t>(p);
                for (uint32_t r = 0; r < rows; ++r)
                    std::memcpy(dst + r * lay.planeRowBytes + offset, tile.p + r * tileRowBytes,
                                static_cast<size_t>(bytes));
            }
        }
        convertBand(c, band.p, bandBytes, y0, rows);
    }
    return true;
}

struct RgbaImage {
    TIFFRGBAImage img;
    bool begun = false;
    ~RgbaImage() {
        if (begun)
            TIFFRGBAImageEnd(&img);
    }
};

// Everything else (CMYK, Lab, subsampled YCbCr, odd depths ...) through libtiff's RGBA reader,
// in bands of whole strips or tile rows so that each is decoded once.
bool readRgba(ReadContext& c) {
    char why[1024] = {};
    if (!TIFFRGBAImageOK(c.tif, why)) {
        c.fail = Fail::Unsupported;
        return false;
    }
    RgbaImage rgba;
    std::memset(&rgba.img, 0, sizeof(rgba.img));
    if (!TIFFRGBAImageBegin(&rgba.img, c.tif, 1, why))
        return false;
    rgba.begun = true;
    // rows in stored order, as on the direct paths: a flip per band would scramble the image
    rgba.img.req_orientation = rgba.img.orientation;
    const Layout& lay = c.lay;
    uint32_t unit = 0;
    if (TIFFIsTiled(c.tif))
        TIFFGetField(c.tif, TIFFTAG_TILELENGTH, &unit);
    else
        TIFFGetFieldDefaulted(c.tif, TIFFTAG_ROWSPERSTRIP, &unit);
    if (unit == 0 || unit > lay.height)
        unit = lay.height;
    const uint32_t bandRows = unit >= 64 ? unit : unit * ((64 + unit - 1) / unit);
    const uint32_t rowsPerBand = std::min(bandRows, lay.height);
    Scratch raster;
    if (!raster.alloc(uint64_t{lay.width} * rowsPerBand * 4)) {
        c.fail = Fail::NoMemory;
        return false;
    }
    auto* px = reinterpret_cast<uint32_t*>(raster.p);
    for (uint32_t y0 = 0; y0 < lay.height; y0 += rowsPerBand) {
        const uint32_t rows = std::min(rowsPerBand, lay.height - y0);
        rgba.img.row_offset = static_cast<int>(y0);
        rgba.img.col_offset = 0;
        if (!TIFFRGBAImageGet(&rgba.img, px, lay.width, rows))
            return false;
        for (uint32_t r = 0; r < rows; ++r) {
            const uint32_t* s = px + static_cast<size_t>(r) * lay.width;
            uint8_t* dst = rowPtr(*c.out, static_cast<int32_t>(y0 + r));
            for (uint32_t x = 0; x < lay.width; ++x, dst += 3) {
                dst[0] = static_cast<uint8_t>(TIFFGetB(s[x]));
                dst[1] = static_cast<uint8_t>(TIFFGetG(s[x]));
                dst[2] = static_cast<uint8_t>(TIFFGetR(s[x]));
            }
        }
        c.progress->report(y0 + rows, lay.height);
    }
    return !c.msgs->failed;
}

int32_t pelsPerMeter(TIFF* tif, ttag_t tag) {
    float res = 0;
    uint16_t unit = RESUNIT_INCH;
    if (!TIFFGetField(tif, tag, &res) || !(res > 0 && res < 1e6f))
        return 0;
    TIFFGetFieldDefaulted(tif, TIFFTAG_RESOLUTIONUNIT, &unit);
    if (unit == RESUNIT_INCH)
        return static_cast<int32_t>(res / 0.0254f + 0.5f);
    if (unit == RESUNIT_CENTIMETER)
        return static_cast<int32_t>(res * 100.0f + 0.5f);
    return 0;
}

// Every strip or tile must point at data.  libtiff reads a zero offset or byte count without
// complaint and hands out the file header or zeros as pixels.  (Old-style JPEG may lack them.)
bool dataPresent(TIFF* tif) {
    uint16_t compression = COMPRESSION_NONE;
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
    if (compression == COMPRESSION_OJPEG)
        return true;
    const uint32_t n = TIFFIsTiled(tif) ? TIFFNumberOfTiles(tif) : TIFFNumberOfStrips(tif);
    for (uint32_t i = 0; i < n; ++i)
        if (TIFFGetStrileOffset(tif, i) == 0 || TIFFGetStrileByteCount(tif, i) == 0)
            return false;
    return n > 0;
}

bool readImage(ReadContext& c) {
    if (!analyse(c.tif, c.lay, c.fail))
        return false;
    const Layout& lay = c.lay;
    if (rowBytes(lay.width, lay.bpp) < 0 ||
        static_cast<uint64_t>(rowBytes(lay.width, lay.bpp)) * lay.height > UINT32_MAX) {
        c.fail = Fail::TooBig;
        return false;
    }
    if (!dataPresent(c.tif))
        return false;
    TBitmapInfo info{};
    const bool ownColours = lay.kind == Kind::Bilevel || lay.kind == Kind::Palette;
    if (ownColours && !readColours(c.tif, lay, info, c.fail))
        return false;
    if (!newdib(c.out, static_cast<int32_t>(lay.width), static_cast<int32_t>(lay.height), lay.bpp,
                ownColours ? &info : nullptr, ownColours ? 1 << lay.bpp : 0)) {
        c.fail = Fail::NoMemory;
        return false;
    }
    setDensity(*c.out, pelsPerMeter(c.tif, TIFFTAG_XRESOLUTION),
               pelsPerMeter(c.tif, TIFFTAG_YRESOLUTION));
    if (lay.kind == Kind::Rgba)
        return readRgba(c);
    return TIFFIsTiled(c.tif) ? readTiles(c) : readStrips(c);
}

// ---- writing ----

bool isBlackWhite(const TDibRecord& d, bool& minIsWhite) {
    const TRGBQuad& a = d.Info->bmiColors[0];
    const TRGBQuad& b = d.Info->bmiColors[1];
    auto is = [](const TRGBQuad& q, uint8_t v) {
        return q.rgbRed == v && q.rgbGreen == v && q.rgbBlue == v;
    };
    if (is(a, 0) && is(b, 255)) {
        minIsWhite = false;
        return true;
    }
    if (is(a, 255) && is(b, 0)) {
        minIsWhite = true;
        return true;
    }
    return false;
}

bool writeImage(TIFF* tif, const TDibRecord& d) {
    const TBitmapInfoHeader& h = d.Info->bmiHeader;
    const int bpp = h.biBitCount;
    const auto w = static_cast<uint32_t>(h.biWidth), ht = static_cast<uint32_t>(h.biHeight);
    bool ok = TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, w) &&
              TIFFSetField(tif, TIFFTAG_IMAGELENGTH, ht) &&
              TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) &&
              TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_LZW) &&
              TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    if (bpp == 24) {
        ok = ok && TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3) &&
             TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8) &&
             TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB) &&
             TIFFSetField(tif, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
    } else {
        ok = ok && TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1) &&
             TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, bpp);
        bool minIsWhite = false;
        if (bpp == 1 && isBlackWhite(d, minIsWhite)) {
            ok = ok && TIFFSetField(tif, TIFFTAG_PHOTOMETRIC,
                                    minIsWhite ? PHOTOMETRIC_MINISWHITE : PHOTOMETRIC_MINISBLACK);
        } else {
            uint16_t map[3][256] = {};
            for (int i = 0; i < (1 << bpp); ++i) {
                map[0][i] = static_cast<uint16_t>(d.Info->bmiColors[i].rgbRed * 257);
                map[1][i] = static_cast<uint16_t>(d.Info->bmiColors[i].rgbGreen * 257);
                map[2][i] = static_cast<uint16_t>(d.Info->bmiColors[i].rgbBlue * 257);
            }
            ok = ok && TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_PALETTE) &&
                 TIFFSetField(tif, TIFFTAG_COLORMAP, map[0], map[1], map[2]);
        }
    }
    if (h.biXPelsPerMeter > 0 && h.biYPelsPerMeter > 0) {
        ok = ok && TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_CENTIMETER) &&
             TIFFSetField(tif, TIFFTAG_XRESOLUTION, h.biXPelsPerMeter / 100.0f) &&
             TIFFSetField(tif, TIFFTAG_YRESOLUTION, h.biYPelsPerMeter / 100.0f);
    }
    ok = ok && TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tif, 0));
    if (!ok)
        return false;

    // libtiff may change the row it is given (predictor), so it always gets a copy
    const size_t rowLen =
        bpp == 24 ? size_t{w} * 3 : (size_t{w} * static_cast<size_t>(bpp) + 7) / 8;
    std::vector<uint8_t> row(rowLen);
    for (uint32_t y = 0; y < ht; ++y) {
        const uint8_t* src = rowPtr(d, static_cast<int32_t>(y));
        if (bpp == 24) {
            for (uint32_t x = 0; x < w; ++x) {
                row[3 * x] = src[3 * x + 2];
                row[3 * x + 1] = src[3 * x + 1];
                row[3 * x + 2] = src[3 * x];
            }
        } else {
            std::memcpy(row.data(), src, rowLen);
        }
        if (TIFFWriteScanline(tif, row.data(), y, 0) < 0)
            return false;
    }
    return TIFFWriteDirectory(tif) != 0;
}

} // namespace

bool sniffTiff(const uint8_t* data, size_t size) {
    if (size < 4)
        return false;
    return (data[0] == 'I' && data[1] == 'I' && (data[2] == 42 || data[2] == 43) && data[3] == 0) ||
           (data[0] == 'M' && data[1] == 'M' && data[2] == 0 && (data[3] == 42 || data[3] == 43));
}

namespace {

bool decodeTiffHere(const uint8_t* data, size_t size, TDibRecord* out, Progress& progress,
                    std::string& error) {
    MemReader reader{data, size, 0, false};
    Messages msgs{};
    bool ok = false;
    ReadContext c{nullptr, &reader, &msgs, Layout{}, out, &progress};
    {
        TiffCloser closer;
        closer.tif = openTiff("rm", &reader, readMem, writeNone, seekMem, sizeMem, msgs);
        c.tif = closer.tif;
        ok = c.tif != nullptr && readImage(c);
    }
    // libtiff gets over some reads past the end (tag values); the file is cut short all the same
    if (reader.pastEnd && (ok || c.fail == Fail::Damaged)) {
        ok = false;
        c.fail = Fail::Truncated;
    }
    if (ok)
        return true;
    deldib(out);
    switch (c.fail) {
    case Fail::Truncated:
        error = kTextTruncated;
        break;
    case Fail::NoMemory:
        error = kTextNoMemory;
        break;
    case Fail::TooBig:
        error = "Das Bild ist zu groß";
        break;
    case Fail::Unsupported:
        error = "Diese TIFF-Variante wird nicht unterstützt";
        break;
    default:
        error = "Die Datei ist beschädigt: fehlerhafte TIFF-Daten";
        break;
    }
    return false;
}

// The TIFF file of dib written through writer; false with a German text, or with writer.error
// set when the file could not take the bytes.
bool encodeTiffHere(const TDibRecord& dib, FileWriter& writer, std::string& error) {
    if (!hasImage(&dib)) {
        error = kTextNoImage;
        return false;
    }
    const int bpp = dib.Info->bmiHeader.biBitCount;
    if (!validDepth(bpp) || dib.Info->bmiHeader.biWidth <= 0 || dib.Info->bmiHeader.biHeight <= 0) {
        error = "Dieses Bild kann nicht als TIFF gespeichert werden";
        return false;
    }
    Messages msgs{};
    bool ok = false;
    {
        TiffCloser closer;
        closer.tif = openTiff("w", &writer, readOut, writeOut, seekOut, sizeOut, msgs);
        ok = closer.tif != nullptr && writeImage(closer.tif, dib);
        // after a failure closing must not write the directory again: libtiff then works on
        // the half-made one it could not finish (and crashes when memory was short)
        if (!ok && closer.tif != nullptr)
            TIFFSetMode(closer.tif, O_RDONLY);
    }
    ok = ok && writer.error == 0 && !msgs.failed;
    if (!ok && writer.error == 0)
        error = "Das Bild konnte nicht gespeichert werden";
    return ok;
}

// What the child sends ahead of a decoded image: its header and colour table follow as one
// TBitmapInfo, then the pixel rows.
struct ChildImage {
    uint32_t magic;
    int32_t width, height, bpp;
    uint64_t bitsBytes;
};
constexpr uint32_t kChildImageMagic = 0x50544946; // "PTIF"

const char* const kTextTiffReaderDied = "Die Datei kann nicht gelesen werden: der TIFF-Leser ist abgebrochen";
const char* const kTextTiffWriterDied = "Das Bild konnte nicht gespeichert werden: der TIFF-Schreiber ist abgebrochen";

} // namespace

// libtiff runs in a child process: some of its failure paths crash or leak when an allocation
// fails, and its directory reader is the part of a TIFF file most exposed to hostile data.
bool decodeTiff(const uint8_t* data, size_t size, TDibRecord* out, Progress& progress,
                std::string& error) {
    std::memset(out, 0, sizeof(*out));
    int fd = -1;
    const ChildEnd end = RunInChild(
        [&](const ChildSink& sink, std::string& err) {
            TDibRecord rec;
            std::memset(&rec, 0, sizeof rec);
            Progress childProgress = ChildProgress(sink);
            if (!decodeTiffHere(data, size, &rec, childProgress, err))
                return false;
            const ChildImage head{kChildImageMagic, rec.Info->bmiHeader.biWidth,
                                  rec.Info->bmiHeader.biHeight, rec.Info->bmiHeader.biBitCount,
                                  rec.Info->bmiHeader.biSizeImage};
            const bool sent = sink.write(&head, sizeof head) &&
                              sink.write(rec.Info, sizeof(TBitmapInfo)) &&
                              sink.write(rec.Bits, head.bitsBytes);
            deldib(&rec);
            if (!sent)
                err = kTextNoMemory;
            return sent;
        },
        progress, fd, error);
    if (end != ChildEnd::Done) {
        if (error.empty())
            error = kTextTiffReaderDied;
        return false;
    }
    ChildImage head{};
    TBitmapInfo info{};
    bool ok = ReadAt(fd, &head, sizeof head, 0) && head.magic == kChildImageMagic &&
              ReadAt(fd, &info, sizeof info, sizeof head);
    if (ok) {
        ok = newdib_unfilled(out, head.width, head.height, head.bpp, &info,
                             head.bpp <= 8 ? 1 << head.bpp : 0) != 0;
        if (!ok)
            error = kTextNoMemory;
    } else {
        error = kTextTiffReaderDied;
    }
    if (ok && (out->Info->bmiHeader.biSizeImage != head.bitsBytes ||
               !ReadAt(fd, out->Bits, head.bitsBytes, sizeof head + sizeof info))) {
        ok = false;
        error = kTextTiffReaderDied;
    }
    ::close(fd);
    if (!ok) {
        deldib(out);
        return false;
    }
    // the resolution and colour counts as the reader set them
    TBitmapInfoHeader& h = out->Info->bmiHeader;
    h.biXPelsPerMeter = info.bmiHeader.biXPelsPerMeter;
    h.biYPelsPerMeter = info.bmiHeader.biYPelsPerMeter;
    h.biClrUsed = info.bmiHeader.biClrUsed;
    h.biClrImportant = info.bmiHeader.biClrImportant;
    return true;
}

namespace {

// What the child reports after writing a file: its length, or the errno of the write that
// failed.
struct ChildWrite {
    uint32_t magic;
    int32_t code;
    uint64_t bytes;
};
constexpr uint32_t kChildWriteMagic = 0x50545752; // "PTWR"

// The TIFF file written by libtiff in the child at offset base of fd; on Done, written holds
// what the child reported.
ChildEnd writeInChild(const TDibRecord& dib, int fd, uint64_t base, ChildWrite& written,
                      std::string& error) {
    int resultFd = -1;
    Progress none(nullptr, nullptr);
    const ChildEnd end = RunInChild(
        [&](const ChildSink& sink, std::string& err) {
            FileWriter writer{fd, base};
            bool ok = false;
            try {
                ok = encodeTiffHere(dib, writer, err);
            } catch (const std::bad_alloc&) {
                err = kTextNoMemorySave; // the row buffer
                return false;
            }
            if (!ok && writer.error == 0)
                return false; // the writer's own text
            const ChildWrite report{kChildWriteMagic, ok ? 0 : writer.error, writer.size};
            if (!sink.write(&report, sizeof report)) {
                err = kTextNoMemorySave;
                return false;
            }
            return true;
        },
        none, resultFd, error);
    if (end != ChildEnd::Done) {
        if (error.empty())
            error = kTextTiffWriterDied;
        return end;
    }
    written = ChildWrite{};
    if (!ReadAt(resultFd, &written, sizeof written, 0) || written.magic != kChildWriteMagic) {
        error = kTextTiffWriterDied;
        ::close(resultFd);
        return ChildEnd::Died;
    }
    ::close(resultFd);
    return ChildEnd::Done;
}

} // namespace

// libtiff writes in the child (a crash of its stays there), straight into the file behind the
// sink: it seeks back to fill in its directory, which a file allows, so no copy of the file is
// made in either process.  A sink that is no file gets the bytes from a memory file, a megabyte
// at a time.
bool encodeTiffTo(const TDibRecord& dib, int, ByteSink& out, std::string& error) {
    uint64_t base = 0;
    const int target = out.directFile(base);
    if (target >= 0) {
        ChildWrite written{};
        if (writeInChild(dib, target, base, written, error) != ChildEnd::Done)
            return false;
        // a write the file refused: the sink reports it as for every other format
        return out.wroteDirectly(written.bytes, written.code);
    }

    const int fd = ::memfd_create("pictora-tiff", MFD_CLOEXEC);
    if (fd < 0) {
        error = kTextNoMemorySave;
        return false;
    }
    ChildWrite written{};
    bool ok = writeInChild(dib, fd, 0, written, error) == ChildEnd::Done;
    if (ok && written.code != 0) {
        ok = false;
        error = kTextNoMemorySave; // the memory file had no room
    }
    try {
        std::vector<uint8_t> piece;
        if (ok)
            piece.resize(static_cast<size_t>(std::min<uint64_t>(written.bytes, uint64_t{1} << 20)));
        for (uint64_t at = 0; ok && at < written.bytes;) {
            const size_t n = static_cast<size_t>(std::min<uint64_t>(written.bytes - at, piece.size()));
            if (!ReadAt(fd, piece.data(), n, at)) {
                error = kTextTiffWriterDied;
                ok = false;
            } else {
                ok = out.write(piece.data(), n); // the sink knows why it refused
            }
            at += n;
        }
    } catch (const std::bad_alloc&) {
        ok = false;
        error = kTextNoMemorySave;
    }
    ::close(fd);
    return ok;
}

bool encodeTiff(const TDibRecord& dib, int quality, std::vector<uint8_t>& out,
                std::string& error) {
    return encodeIntoVector(encodeTiffTo, dib, quality, out, error);
}

} // namespace pictora
