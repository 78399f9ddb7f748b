// JPEG reader and writer over libjpeg-turbo.  libjpeg reports errors by calling back; we leave
// through longjmp, so every function that calls setjmp keeps its whole state in a plain struct
// owned by the caller and holds nothing with a destructor.
#include "codec_util.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

// jpeglib.h first: jerror.h's message list depends on its configuration
#include <jpeglib.h>

#include <jerror.h>

namespace pictora {

namespace {

// How a libjpeg failure is reported to the user.
enum class Failure { None, Damaged, Truncated, NoMemory, TooBig, Unsupported, TooManyScans };

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    Failure failure;
};

// Coefficient buffers of progressive files may not take more than this.
constexpr long kMaxJpegMemory = 768L << 20;
// Scan count limits: never more than kMaxScans; for big images fewer, so that a few hundred
// bytes of empty refinement scans cannot keep the decoder busy for long.
constexpr int kMaxScans = 1000;
constexpr int kMinScans = 64;
constexpr int64_t kScanBlockBudget = int64_t{1} << 26;

Failure failureOf(int code) {
    switch (code) {
    case JERR_OUT_OF_MEMORY:
    case JERR_NO_BACKING_STORE:
    case JERR_TFILE_CREATE:
        return Failure::NoMemory;
    case JERR_IMAGE_TOO_BIG:
    case JERR_WIDTH_OVERFLOW:
        return Failure::TooBig;
    case JERR_BAD_PRECISION:
    case JERR_SOF_UNSUPPORTED:
    case JERR_NOT_COMPILED:
    case JERR_CONVERSION_NOTIMPL:
        return Failure::Unsupported;
    case JERR_INPUT_EOF:
    case JERR_INPUT_EMPTY:
        return Failure::Truncated;
    default:
        return Failure::Damaged;
    }
}

[[noreturn]] void onError(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    if (err->failure == Failure::None)
        err->failure = failureOf(err->pub.msg_code);
    std::longjmp(err->jump, 1);
}

// Warnings stay quiet; those that mean missing or garbled image data abort the decode, since
// libjpeg would otherwise hand out a padded image.
void onMessage(j_common_ptr cinfo, int level) {
    if (level >= 0)
        return; // trace messages
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    switch (err->pub.msg_code) {
    case JWRN_JPEG_EOF:
        err->failure = Failure::Truncated;
        std::longjmp(err->jump, 1);
    case JWRN_HIT_MARKER:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_ARITH_BAD_CODE:
    case JWRN_MUST_RESYNC:
    case JWRN_NOT_SEQUENTIAL:
        err->failure = Failure::Damaged;
        std::longjmp(err->jump, 1);
    default:
        ++err->pub.num_warnings;
        break;
    }
}

void initErrors(ErrorManager& err) {
    jpeg_std_error(&err.pub);
    err.pub.error_exit = onError;
    err.pub.emit_message = onMessage;
    err.failure = Failure::None;
}

struct DecodeState {
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    jpeg_progress_mgr monitor;
    int maxScans;
    bool created;
    const uint8_t* data;
    size_t size;
    TDibRecord* out;
    Progress* progress;
};

void watchScans(j_common_ptr common) {
    auto* cinfo = reinterpret_cast<j_decompress_ptr>(common);
    auto* st = static_cast<DecodeState*>(cinfo->client_data);
    if (cinfo->input_scan_number > st->maxScans) {
        st->err.failure = Failure::TooManyScans;
        std::longjmp(st->err.jump, 1);
    }
}

inline uint8_t mul255(unsigned a, unsigned b) {
    return static_cast<uint8_t>((a * b + 127) / 255);
}

// Inverted (Adobe) CMYK keeps 255 - ink, so red = (255 - C) * (255 - K) / 255 = C' * K' / 255.
void cmykRowToBgr(const uint8_t* src, uint8_t* dst, JDIMENSION width, bool inverted) {
    for (JDIMENSION x = 0; x < width; ++x, src += 4, dst += 3) {
        unsigned c = src[0], m = src[1], y = src[2], k = src[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        dst[0] = mul255(y, k);
        dst[1] = mul255(m, k);
        dst[2] = mul255(c, k);
    }
}

int32_t pelsPerMeter(int unit, unsigned density) {
    if (density == 0)
        return 0;
    if (unit == 1)
        return dpiToPelsPerMeter(density);
    if (unit == 2)
        return static_cast<int32_t>(density * 100u);
    return 0;
}

// The libjpeg part of decoding; returns false with st.err.failure set.
bool runDecode(DecodeState& st) {
    j_decompress_ptr cinfo = &st.cinfo;
    if (setjmp(st.err.jump))
        return false;

    cinfo->err = &st.err.pub;
    jpeg_create_decompress(cinfo);
    st.created = true;
    cinfo->client_data = &st;
    cinfo->mem->max_memory_to_use = kMaxJpegMemory;
    jpeg_mem_src(cinfo, st.data, static_cast<unsigned long>(st.size));
    jpeg_read_header(cinfo, TRUE);

    int bpp = 24;
    bool cmyk = false;
    switch (cinfo->jpeg_color_space) {
    case JCS_GRAYSCALE:
        cinfo->out_color_space = JCS_GRAYSCALE;
        bpp = 8;
        break;
    case JCS_YCbCr:
    case JCS_RGB:
        cinfo->out_color_space = JCS_EXT_BGR;
        break;
    case JCS_CMYK:
    case JCS_YCCK:
        cinfo->out_color_space = JCS_CMYK;
        cmyk = true;
        break;
    default:
        st.err.failure = Failure::Unsupported;
        return false;
    }
    jpeg_calc_output_dimensions(cinfo);

    // refuse sizes our records cannot hold before libjpeg allocates anything large
    const int64_t w = cinfo->output_width, h = cinfo->output_height;
    const int64_t line = rowBytes(w, bpp);
    if (w <= 0 || h <= 0 || w > kMaxSide || h > kMaxSide || line < 0 ||
        static_cast<uint64_t>(line) * static_cast<uint64_t>(h) > UINT32_MAX) {
        st.err.failure = Failure::TooBig;
        return false;
    }
    const int64_t blocks = ((w + 7) / 8) * ((h + 7) / 8) * cinfo->num_components;
    st.maxScans = static_cast<int>(
        std::clamp<int64_t>(kScanBlockBudget / std::max<int64_t>(blocks, 1), kMinScans, kMaxScans));

    // grey images take newdib's grey ramp
    if (!newdib(st.out, static_cast<int32_t>(w), static_cast<int32_t>(h), bpp, nullptr, 0)) {
        st.err.failure = Failure::NoMemory;
        return false;
    }
    TDibRecord& d = *st.out;
    setDensity(d, pelsPerMeter(cinfo->density_unit, cinfo->X_density),
               pelsPerMeter(cinfo->density_unit, cinfo->Y_density));

    st.monitor.progress_monitor = watchScans;
    cinfo->progress = &st.monitor;
    jpeg_start_decompress(cinfo);

    constexpr int kBatch = 16;
    JSAMPROW rows[kBatch];
    JSAMPARRAY scratch = nullptr;
    const bool inverted = cinfo->saw_Adobe_marker;
    if (cmyk)
        scratch = (*cinfo->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE,
                                              cinfo->output_width * 4, kBatch);
    while (cinfo->output_scanline < cinfo->output_height) {
        const int32_t y0 = static_cast<int32_t>(cinfo->output_scanline);
        const int n = static_cast<int>(
            std::min<JDIMENSION>(kBatch, cinfo->output_height - cinfo->output_scanline));
        for (int i = 0; i < n; ++i)
            rows[i] = cmyk ? scratch[i] : rowPtr(d, y0 + i);
        const JDIMENSION got = jpeg_read_scanlines(cinfo, rows, static_cast<JDIMENSION>(n));
        if (got == 0) {
            st.err.failure = Failure::Truncated;
            return false;
        }
        if (cmyk)
            for (JDIMENSION i = 0; i < got; ++i)
                cmykRowToBgr(scratch[i], rowPtr(d, y0 + static_cast<int32_t>(i)),
                             cinfo->output_width, inverted);
        st.progress->report(cinfo->output_scanline, cinfo->output_height);
    }
    jpeg_finish_decompress(cinfo);
    return true;
}

const char* failureText(Failure f) {
    switch (f) {
    case Failure::Truncated:
        return kTextTruncated;
    case Failure::NoMemory:
        return kTextNoMemory;
    case Failure::TooBig:
        return "Das Bild ist zu groß";
    case Failure::Unsupported:
        return "Diese JPEG-Variante wird nicht unterstützt";
    case Failure::TooManyScans:
        return "Die Datei ist beschädigt: zu viele Bilddurchgänge";
    default:
        return "Die Datei ist beschädigt: fehlerhafte JPEG-Daten";
    }
}

struct EncodeState {
    jpeg_compress_struct cinfo;
    ErrorManager err;
    jpeg_destination_mgr dest;
    bool created;
    // The compressed bytes go to the sink a buffer at a time; the buffer comes from libjpeg's
    // pool and goes with the compressor.
    ByteSink* sink;
    JOCTET* buffer;
    const TDibRecord* dib;
    int quality;
};

constexpr size_t kOutputBuffer = size_t{64} << 10;

EncodeState* encodeStateOf(j_compress_ptr cinfo) {
    return static_cast<EncodeState*>(cinfo->client_data);
}

void initOutput(j_compress_ptr cinfo) {
    EncodeState& st = *encodeStateOf(cinfo);
    st.buffer = static_cast<JOCTET*>((*cinfo->mem->alloc_small)(
        reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE, kOutputBuffer));
    cinfo->dest->next_output_byte = st.buffer;
    cinfo->dest->free_in_buffer = kOutputBuffer;
}

// Hands n bytes of the buffer to the sink; a refusal or a shortage ends the compression.
void passOutput(j_compress_ptr cinfo, size_t n) {
    EncodeState& st = *encodeStateOf(cinfo);
    bool taken = false, noMemory = false;
    try {
        taken = st.sink->write(st.buffer, n);
    } catch (const std::bad_alloc&) {
        noMemory = true;
    }
    if (noMemory) { // left outside the handler: longjmp must not leave a live exception behind
        st.err.failure = Failure::NoMemory;
        ERREXIT(cinfo, JERR_OUT_OF_MEMORY);
    }
    if (!taken) // the sink knows why
        ERREXIT(cinfo, JERR_FILE_WRITE);
    cinfo->dest->next_output_byte = st.buffer;
    cinfo->dest->free_in_buffer = kOutputBuffer;
}

// Called when the buffer is full: all of it holds output.
boolean emptyOutput(j_compress_ptr cinfo) {
    passOutput(cinfo, kOutputBuffer);
    return TRUE;
}

void termOutput(j_compress_ptr cinfo) {
    const size_t n = kOutputBuffer - cinfo->dest->free_in_buffer;
    if (n > 0)
        passOutput(cinfo, n);
}

bool isGreyPalette(const TDibRecord& d) {
    const int n = 1 << d.Info->bmiHeader.biBitCount;
    for (int i = 0; i < n; ++i) {
        const TRGBQuad& q = d.Info->bmiColors[i];
        if (q.rgbRed != q.rgbGreen || q.rgbGreen != q.rgbBlue)
            return false;
    }
    return true;
}

bool runEncode(EncodeState& st) {
    j_compress_ptr cinfo = &st.cinfo;
    if (setjmp(st.err.jump))
        return false;

    cinfo->err = &st.err.pub;
    jpeg_create_compress(cinfo);
    st.created = true;
    cinfo->mem->max_memory_to_use = kMaxJpegMemory;
    cinfo->client_data = &st;
    st.dest.init_destination = initOutput;
    st.dest.empty_output_buffer = emptyOutput;
    st.dest.term_destination = termOutput;
    cinfo->dest = &st.dest;

    const TDibRecord& d = *st.dib;
    const int bpp = d.Info->bmiHeader.biBitCount;
    const bool grey = bpp != 24 && isGreyPalette(d);
    cinfo->image_width = static_cast<JDIMENSION>(d.Info->bmiHeader.biWidth);
    cinfo->image_height = static_cast<JDIMENSION>(d.Info->bmiHeader.biHeight);
    cinfo->input_components = grey ? 1 : 3;
    cinfo->in_color_space = grey ? JCS_GRAYSCALE : JCS_EXT_BGR;
    jpeg_set_defaults(cinfo);
    jpeg_set_quality(cinfo, st.quality, TRUE);
    const int32_t ppmX = d.Info->bmiHeader.biXPelsPerMeter;
    const int32_t ppmY = d.Info->bmiHeader.biYPelsPerMeter;
    if (ppmX >= 50 && ppmY >= 50 && ppmX <= 6553500 && ppmY <= 6553500) {
        cinfo->density_unit = 2; // dots per centimetre
        cinfo->X_density = static_cast<UINT16>((ppmX + 50) / 100);
        cinfo->Y_density = static_cast<UINT16>((ppmY + 50) / 100);
    }
    jpeg_start_compress(cinfo, TRUE);

    // palette images: row 0 of scratch takes the indices, row 1 the colours
    JSAMPARRAY scratch = nullptr;
    if (bpp != 24)
        scratch = (*cinfo->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE,
                                              cinfo->image_width * 3, 2);
    const int32_t width = d.Info->bmiHeader.biWidth;
    while (cinfo->next_scanline < cinfo->image_height) {
        const auto y = static_cast<int32_t>(cinfo->next_scanline);
        const uint8_t* src = rowPtr(d, y);
        JSAMPROW row;
        if (bpp == 24) {
            row = const_cast<JSAMPROW>(src);
        } else {
            row = scratch[1];
            unpackIndices(src, width, bpp, scratch[0]);
            for (int32_t x = 0; x < width; ++x) {
                const TRGBQuad& q = d.Info->bmiColors[scratch[0][x]];
                if (grey) {
                    row[x] = q.rgbRed;
                } else {
                    row[3 * x] = q.rgbBlue;
                    row[3 * x + 1] = q.rgbGreen;
                    row[3 * x + 2] = q.rgbRed;
                }
            }
        }
        jpeg_write_scanlines(cinfo, &row, 1);
    }
    jpeg_finish_compress(cinfo);
    return true;
}

} // namespace

bool sniffJpeg(const uint8_t* data, size_t size) {
    return size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF;
}

bool decodeJpeg(const uint8_t* data, size_t size, TDibRecord* out, Progress& progress,
                std::string& error) {
    DecodeState st;
    std::memset(&st, 0, sizeof(st));
    initErrors(st.err);
    st.maxScans = kMaxScans;
    st.data = data;
    st.size = size;
    st.out = out;
    st.progress = &progress;
    const bool ok = runDecode(st);
    if (st.created)
        jpeg_destroy_decompress(&st.cinfo);
    if (!ok) {
        deldib(out);
        error = failureText(st.err.failure);
    }
    return ok;
}

bool encodeJpegTo(const TDibRecord& dib, int quality, ByteSink& sink, std::string& error) {
    if (!hasImage(&dib)) {
        error = kTextNoImage;
        return false;
    }
    const int bpp = dib.Info->bmiHeader.biBitCount;
    const int32_t w = dib.Info->bmiHeader.biWidth, h = dib.Info->bmiHeader.biHeight;
    if (!validDepth(bpp) || w <= 0 || h <= 0 || w > JPEG_MAX_DIMENSION || h > JPEG_MAX_DIMENSION) {
        error = "Dieses Bild kann nicht als JPEG gespeichert werden";
        return false;
    }
    EncodeState st;
    std::memset(&st, 0, sizeof(st));
    initErrors(st.err);
    st.dib = &dib;
    st.sink = &sink;
    st.quality = std::clamp(quality, 1, 99);
    const bool ok = runEncode(st);
    if (st.created)
        jpeg_destroy_compress(&st.cinfo);
    if (!ok)
        error = st.err.failure == Failure::NoMemory ? kTextNoMemorySave
                                                    : "Das Bild konnte nicht gespeichert werden";
    return ok;
}

bool encodeJpeg(const TDibRecord& dib, int quality, std::vector<uint8_t>& out, std::string& error) {
    return encodeIntoVector(encodeJpegTo, dib, quality, out, error);
}

} // namespace pictora
