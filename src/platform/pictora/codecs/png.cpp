// Portable Network Graphics through libpng.  Reading keeps palettes and grey levels as palette
// records, turns true colour into 24-bit records and puts every kind of transparency over white;
// rows are decoded straight into the record where the layouts agree.  Writing keeps palette
// records as palette files and stores 24-bit records as 8-bit RGB.
//
// libpng reports errors by longjmp: the functions that call setjmp below keep everything they
// own in plain structs (no destructors), and their callers clean up.
#include "codec_util.h"

#include <png.h>

#include <algorithm>
#include <cstring>
#include <new>

namespace pictora {

namespace {

const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

// zlib never expands more than this factor; an image larger than its data can hold is refused
// before anything is allocated for it.
constexpr uint64_t kMaxInflateRatio = 1032;

// zlib level of the files we write (libpng's adaptive filters stay on): on a 24-megapixel photo
// level 6 takes three times as long as level 3 for a file only about 5 % smaller.
constexpr int kPngCompressionLevel = 3;

// State shared by the libpng callbacks of one read or write.
struct PngJob {
    // reading
    const uint8_t* data = nullptr;
    size_t size = 0;
    size_t pos = 0;
    bool truncated = false;
    // writing
    ByteSink* out = nullptr;
    // both
    bool noMemory = false;
    char message[96] = {};
};

void onError(png_structp png, png_const_charp msg) {
    auto* job = static_cast<PngJob*>(png_get_error_ptr(png));
    if (job != nullptr && msg != nullptr) {
        std::strncpy(job->message, msg, sizeof(job->message) - 1);
        if (std::strstr(msg, "Out of memory") != nullptr || std::strstr(msg, "out of memory"))
            job->noMemory = true;
    }
    png_longjmp(png, 1);
}

// Warnings (damaged ancillary chunks, extra data) do not stop reading.
void onWarning(png_structp, png_const_charp) {}

// libpng's own allocations count against the library's limit too.
png_voidp onMalloc(png_structp png, png_alloc_size_t size) {
    void* p = trackedAlloc(size, false);
    if (p == nullptr) {
        auto* job = static_cast<PngJob*>(png_get_mem_ptr(png));
        if (job != nullptr)
            job->noMemory = true;
    }
    return p;
}

void onFree(png_structp, png_voidp p) {
    trackedFree(p);
}

void onRead(png_structp png, png_bytep buf, size_t len) {
    auto* job = static_cast<PngJob*>(png_get_io_ptr(png));
    if (len > job->size - job->pos) {
        job->truncated = true;
        png_error(png, "truncated");
    }
    std::memcpy(buf, job->data + job->pos, len);
    job->pos += len;
}

void onWrite(png_structp png, png_bytep buf, size_t len) {
    auto* job = static_cast<PngJob*>(png_get_io_ptr(png));
    bool written = false, noMemory = false;
    try {
        written = job->out->write(buf, len);
    } catch (const std::bad_alloc&) {
        noMemory = true;
    }
    if (noMemory) {
        job->noMemory = true;
        png_error(png, "Out of memory");
    }
    if (!written)
        png_error(png, "write failed"); // the sink knows why
}

void onFlush(png_structp) {}

// How the decoded rows reach the record.
enum class RowMode {
    Direct,  // libpng's output rows have the record's layout
    Indices, // one byte per index, packed to 1 or 4 bits afterwards
    Rgba,    // RGBA, put over white into B,G,R afterwards
    Rgba16,  // the same with 16-bit samples, rounded to 8 bits only after compositing
};

struct ReadJob {
    PngJob io;
    png_structp png = nullptr;
    png_infop info = nullptr;
    TDibRecord* out = nullptr;
    Progress* progress = nullptr;
    uint8_t* temp = nullptr;       // conversion rows (one, or the whole image when interlaced)
    const char* failure = nullptr; // our own German reason, when not libpng's
};

// A colour with alpha a over white: (c*a + 255*(255-a)) / 255, rounded to nearest.
inline uint8_t overWhite(unsigned c, unsigned a) {
    return static_cast<uint8_t>((c * a + 255u * (255u - a) + 127u) / 255u);
}

void compositeRow(const uint8_t* rgba, int32_t width, uint8_t* bgr) {
    for (int32_t x = 0; x < width; ++x, rgba += 4, bgr += 3) {
        const unsigned a = rgba[3];
        if (a == 255) {
            bgr[0] = rgba[2];
            bgr[1] = rgba[1];
            bgr[2] = rgba[0];
        } else {
            bgr[0] = overWhite(rgba[2], a);
            bgr[1] = overWhite(rgba[1], a);
            bgr[2] = overWhite(rgba[0], a);
        }
    }
}

// 16-bit samples (big-endian): (c*a + 65535*(65535-a)) / 65535 scaled to 8 bits, rounded once.
void compositeRow16(const uint8_t* rgba, int32_t width, uint8_t* bgr) {
    constexpr uint64_t kDen = 65535ull * 257ull;
    for (int32_t x = 0; x < width; ++x, rgba += 8, bgr += 3) {
        const uint64_t a = static_cast<uint64_t>(rgba[6]) << 8 | rgba[7];
        const uint64_t white = 65535ull * (65535ull - a) + kDen / 2;
        for (int c = 0; c < 3; ++c) {
            const uint64_t v = static_cast<uint64_t>(rgba[2 * c]) << 8 | rgba[2 * c + 1];
            bgr[2 - c] = static_cast<uint8_t>((v * a + white) / kDen);
        }
    }
}

void convertRow(const ReadJob& j, RowMode mode, const uint8_t* src, int32_t y) {
    const int32_t width = j.out->Info->bmiHeader.biWidth;
    if (mode == RowMode::Indices)
        packIndices(src, width, j.out->Info->bmiHeader.biBitCount, rowPtr(*j.out, y));
    else if (mode == RowMode::Rgba)
        compositeRow(src, width, rowPtr(*j.out, y));
    else
        compositeRow16(src, width, rowPtr(*j.out, y));
}

// Everything from the signature to IEND; a libpng error leaves through longjmp.  Returns false
// with j->failure set for the reasons we find ourselves.
[[gnu::noinline]] bool readPngBody(ReadJob* j) {
    png_structp png = j->png;
    png_infop info = j->info;
    png_set_read_fn(png, &j->io, onRead);
    png_set_user_limits(png, static_cast<png_uint_32>(kMaxSide),
                        static_cast<png_uint_32>(kMaxSide));
    png_set_chunk_malloc_max(png, 8u << 20);
    // only the chunks that make the picture are parsed; text, profiles and the like are skipped
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
    static const png_byte kKept[] = {'p', 'H', 'Y', 's', '\0'};
    png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_AS_DEFAULT, kKept, 1);

    png_read_info(png, info);
    png_uint_32 w32 = 0, h32 = 0;
    int bitDepth = 0, colourType = 0, interlace = 0;
    png_get_IHDR(png, info, &w32, &h32, &bitDepth, &colourType, &interlace, nullptr, nullptr);
    const int32_t width = static_cast<int32_t>(w32);
    const int32_t height = static_cast<int32_t>(h32);

    const int channels = png_get_channels(png, info);
    const uint64_t pixelBytes =
        (static_cast<uint64_t>(width) * static_cast<uint64_t>(channels * bitDepth) + 7) / 8 *
        static_cast<uint64_t>(height);
    if (pixelBytes > kMaxInflateRatio * (j->io.size - j->io.pos) + 1024) {
        j->io.truncated = true;
        return false;
    }

    const bool hasTrns = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    TBitmapInfo bmi{};
    int bpp = 24;
    RowMode mode = RowMode::Direct;
    if (colourType == PNG_COLOR_TYPE_PALETTE) {
        png_colorp palette = nullptr;
        int count = 0;
        if (png_get_PLTE(png, info, &palette, &count) == 0 || count <= 0) {
            j->failure = "Die Datei ist beschädigt: die Farbpalette fehlt";
            return false;
        }
        count = std::min(count, 256);
        png_bytep alpha = nullptr;
        int alphaCount = 0;
        if (hasTrns)
            png_get_tRNS(png, info, &alpha, &alphaCount, nullptr);
        for (int i = 0; i < count; ++i) {
            const unsigned a = (alpha != nullptr && i < alphaCount) ? alpha[i] : 255u;
            bmi.bmiColors[i] =
                TRGBQuad{overWhite(palette[i].blue, a), overWhite(palette[i].green, a),
                         overWhite(palette[i].red, a), 0};
        }
        bpp = depthForColours(count);
        if (bitDepth != bpp) {
            mode = RowMode::Indices;
            if (bitDepth < 8)
                png_set_packing(png);
        }
    } else if ((colourType == PNG_COLOR_TYPE_GRAY && !hasTrns)) {
        // newdib's colours: black and white, or the grey ramp
        if (bitDepth == 1) {
            bpp = 1;
        } else {
            bpp = 8;
            if (bitDepth < 8)
                png_set_expand_gray_1_2_4_to_8(png);
            if (bitDepth == 16)
                png_set_scale_16(png);
        }
    } else if (colourType == PNG_COLOR_TYPE_RGB && !hasTrns) {
        png_set_bgr(png);
        if (bitDepth == 16)
            png_set_scale_16(png);
    } else {
        // grey + alpha, RGBA, or grey/RGB with a transparent colour: RGBA rows put over white
        mode = bitDepth == 16 ? RowMode::Rgba16 : RowMode::Rgba;
        png_set_expand(png);
        if (colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_GRAY_ALPHA)
            png_set_gray_to_rgb(png);
    }
    const int passes = png_set_interlace_handling(png);

    // newdib's limits, checked before libpng allocates its row buffers
    const int64_t recordLine = rowBytes(width, bpp);
    if (recordLine < 0 ||
        static_cast<uint64_t>(recordLine) * static_cast<uint64_t>(height) > UINT32_MAX) {
        j->failure = kTextNoMemory;
        return false;
    }
    png_read_update_info(png, info);
    const size_t pngRow = png_get_rowbytes(png, info);
    const size_t expected = mode == RowMode::Direct    ? (static_cast<size_t>(width) * bpp + 7) / 8
                            : mode == RowMode::Indices ? static_cast<size_t>(width)
                            : mode == RowMode::Rgba    ? static_cast<size_t>(width) * 4
                                                       : static_cast<size_t>(width) * 8;
    if (pngRow != expected) {
        j->failure = "Die Datei ist beschädigt: unerwartetes Zeilenformat";
        return false;
    }

    const bool palette = colourType == PNG_COLOR_TYPE_PALETTE;
    if (!newdib(j->out, width, height, bpp, palette ? &bmi : nullptr, palette ? (1 << bpp) : 0)) {
        j->failure = kTextNoMemory;
        return false;
    }
    png_uint_32 resX = 0, resY = 0;
    int unit = 0;
    if (png_get_pHYs(png, info, &resX, &resY, &unit) != 0 && unit == PNG_RESOLUTION_METER)
        setDensity(*j->out, resX, resY);

    const bool interlaced = passes > 1;
    if (mode != RowMode::Direct) {
        const size_t rows = interlaced ? static_cast<size_t>(height) : 1;
        j->temp = static_cast<uint8_t*>(trackedAlloc(pngRow * rows, false));
        if (j->temp == nullptr) {
            j->failure = kTextNoMemory;
            return false;
        }
    }

    const int64_t total = static_cast<int64_t>(passes) * height;
    int64_t done = 0;
    for (int pass = 0; pass < passes; ++pass) {
        for (int32_t y = 0; y < height; ++y) {
            uint8_t* dst = mode == RowMode::Direct ? rowPtr(*j->out, y)
                           : interlaced            ? j->temp + pngRow * static_cast<size_t>(y)
                                                   : j->temp;
            png_read_row(png, dst, nullptr);
            if (mode != RowMode::Direct && !interlaced)
                convertRow(*j, mode, dst, y);
            j->progress->report(++done, total);
        }
    }
    if (mode != RowMode::Direct && interlaced)
        for (int32_t y = 0; y < height; ++y)
            convertRow(*j, mode, j->temp + pngRow * static_cast<size_t>(y), y);

    png_read_end(png, nullptr);
    return true;
}

// The setjmp frame holds nothing but the call, so no local can be clobbered by the longjmp.
bool readPng(ReadJob* j) {
    if (setjmp(png_jmpbuf(j->png)))
        return false;
    return readPngBody(j);
}

std::string readFailureText(const ReadJob& j) {
    if (j.failure != nullptr)
        return j.failure;
    if (j.io.noMemory)
        return kTextNoMemory;
    if (j.io.truncated)
        return kTextTruncated;
    const char* m = j.io.message;
    if (std::strstr(m, "CRC") != nullptr)
        return damaged("Prüfsummenfehler");
    if (std::strstr(m, "Not enough image data") != nullptr)
        return kTextTruncated;
    if (std::strstr(m, "IHDR") != nullptr || std::strstr(m, "Image width") != nullptr ||
        std::strstr(m, "Image height") != nullptr || std::strstr(m, "bit depth") != nullptr ||
        std::strstr(m, "color type") != nullptr)
        return damaged("ungültiger Bildkopf");
    if (std::strstr(m, "PLTE") != nullptr || std::strstr(m, "palette") != nullptr)
        return damaged("fehlerhafte Farbpalette");
    return damaged("fehlerhafte Bilddaten");
}

struct WriteJob {
    PngJob io;
    png_structp png = nullptr;
    png_infop info = nullptr;
    const TDibRecord* dib = nullptr;
};

[[gnu::noinline]] void writePngBody(WriteJob* j) {
    png_structp png = j->png;
    png_infop info = j->info;

    const TDibRecord& dib = *j->dib;
    const TBitmapInfoHeader& h = dib.Info->bmiHeader;
    const int bpp = h.biBitCount;
    png_set_write_fn(png, &j->io, onWrite, onFlush);
    if (bpp == 24) {
        png_set_IHDR(png, info, static_cast<png_uint_32>(h.biWidth),
                     static_cast<png_uint_32>(h.biHeight), 8, PNG_COLOR_TYPE_RGB,
                     PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    } else {
        png_set_IHDR(png, info, static_cast<png_uint_32>(h.biWidth),
                     static_cast<png_uint_32>(h.biHeight), bpp, PNG_COLOR_TYPE_PALETTE,
                     PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_color palette[256];
        const int count = 1 << bpp;
        for (int i = 0; i < count; ++i)
            palette[i] = png_color{dib.Info->bmiColors[i].rgbRed, dib.Info->bmiColors[i].rgbGreen,
                                   dib.Info->bmiColors[i].rgbBlue};
        png_set_PLTE(png, info, palette, count);
    }
    if (h.biXPelsPerMeter > 0 && h.biYPelsPerMeter > 0)
        png_set_pHYs(png, info, static_cast<png_uint_32>(h.biXPelsPerMeter),
                     static_cast<png_uint_32>(h.biYPelsPerMeter), PNG_RESOLUTION_METER);
    png_set_compression_level(png, kPngCompressionLevel);
    png_write_info(png, info);
    if (bpp == 24)
        png_set_bgr(png);
    for (int32_t y = 0; y < h.biHeight; ++y)
        png_write_row(png, rowPtr(dib, y));
    png_write_end(png, nullptr);
}

bool writePng(WriteJob* j) {
    if (setjmp(png_jmpbuf(j->png)))
        return false;
    writePngBody(j);
    return true;
}

} // namespace

bool sniffPng(const uint8_t* data, size_t size) {
    return size >= sizeof(kSignature) && std::memcmp(data, kSignature, sizeof(kSignature)) == 0;
}

bool decodePng(const uint8_t* data, size_t size, TDibRecord* out, Progress& progress,
               std::string& error) {
    ReadJob j;
    j.io.data = data;
    j.io.size = size;
    j.out = out;
    j.progress = &progress;
    j.png = png_create_read_struct_2(PNG_LIBPNG_VER_STRING, &j.io, onError, onWarning, &j.io,
                                     onMalloc, onFree);
    if (j.png != nullptr)
        j.info = png_create_info_struct(j.png);
    if (j.png == nullptr || j.info == nullptr) {
        png_destroy_read_struct(j.png ? &j.png : nullptr, nullptr, nullptr);
        error = kTextNoMemory;
        return false;
    }
    const bool ok = readPng(&j);
    png_destroy_read_struct(&j.png, &j.info, nullptr);
    trackedFree(j.temp);
    if (!ok) {
        deldib(out);
        error = readFailureText(j);
        return false;
    }
    return true;
}

bool encodePngTo(const TDibRecord& dib, int, ByteSink& out, std::string& error) {
    if (!checkEncodable(dib, "PNG", error))
        return false;
    WriteJob j;
    j.io.out = &out;
    j.dib = &dib;
    j.png = png_create_write_struct_2(PNG_LIBPNG_VER_STRING, &j.io, onError, onWarning, &j.io,
                                      onMalloc, onFree);
    if (j.png != nullptr)
        j.info = png_create_info_struct(j.png);
    if (j.png == nullptr || j.info == nullptr) {
        png_destroy_write_struct(j.png ? &j.png : nullptr, nullptr);
        error = kTextNoMemorySave;
        return false;
    }
    const bool ok = writePng(&j);
    png_destroy_write_struct(&j.png, &j.info);
    if (!ok) {
        error = j.io.noMemory ? kTextNoMemorySave : "Die PNG-Datei konnte nicht erzeugt werden";
        return false;
    }
    return true;
}

bool encodePng(const TDibRecord& dib, int quality, std::vector<uint8_t>& out,
               std::string& error) {
    return encodeIntoVector(encodePngTo, dib, quality, out, error);
}

} // namespace pictora
