// CompuServe GIF through giflib: reads the first frame placed on the logical screen, writes
// 1/4/8-bit records as a single-frame file with the record's palette as global colour table.
#include "codec_util.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <new>

namespace pictora {

namespace {

struct MemoryReader {
    const uint8_t* data;
    size_t size;
    size_t pos;
};

int readFromMemory(GifFileType* gif, GifByteType* buf, int len) {
    auto* r = static_cast<MemoryReader*>(gif->UserData);
    if (len <= 0)
        return 0;
    const size_t n = std::min(static_cast<size_t>(len), r->size - r->pos);
    std::memcpy(buf, r->data + r->pos, n);
    r->pos += n;
    return static_cast<int>(n);
}

// giflib hands its output over in small pieces; they reach the sink in larger ones.
struct SinkOutput {
    SinkWriter* writer;
    bool noMemory;
};

int writeToSink(GifFileType* gif, const GifByteType* buf, int len) {
    auto* w = static_cast<SinkOutput*>(gif->UserData);
    if (len <= 0)
        return 0;
    try {
        std::vector<uint8_t>& bytes = w->writer->bytes();
        bytes.insert(bytes.end(), buf, buf + len);
    } catch (const std::bad_alloc&) {
        w->noMemory = true;
        return 0; // giflib reports a write error
    }
    return w->writer->pass() ? len : 0;
}

// Closes the decoder on every path out of decodeGif.
struct GifReadHandle {
    GifFileType* gif = nullptr;
    ~GifReadHandle() {
        if (gif != nullptr)
            DGifCloseFile(gif, nullptr);
    }
};

std::string gifReadError(int code, const MemoryReader& reader) {
    switch (code) {
    case D_GIF_ERR_READ_FAILED:
    case D_GIF_ERR_EOF_TOO_SOON:
        return kTextTruncated;
    case D_GIF_ERR_NOT_ENOUGH_MEM:
        return kTextNoMemory;
    case D_GIF_ERR_NOT_GIF_FILE:
        return damaged("keine GIF-Datei");
    case D_GIF_ERR_NO_SCRN_DSCR:
    case D_GIF_ERR_NO_IMAG_DSCR:
        return damaged("ungültiger Bildkopf");
    case D_GIF_ERR_WRONG_RECORD:
        return damaged("unbekannter Datenblock");
    case D_GIF_ERR_DATA_TOO_BIG:
    case D_GIF_ERR_IMAGE_DEFECT:
        return damaged("fehlerhafte Bilddaten");
    default:
        // a short read shows up under various codes; the position tells the truth
        if (reader.pos >= reader.size)
            return kTextTruncated;
        return damaged("fehlerhafte Bilddaten");
    }
}

// The most pixels an LZW stream of this many bytes can yield: a code of w bits stands for at
// most 2^w pixels, which is at most 4096 pixels per 12 bits.
uint64_t maxLzwPixels(size_t bytes) {
    return static_cast<uint64_t>(bytes) * 2731u + 4096u;
}

// Largest logical screen we accept around a frame that covers little of it.
constexpr uint64_t kMaxBackgroundPixels = 1u << 22;

// Skips the data sub-blocks of an extension.
bool skipExtension(GifFileType* gif) {
    int code = 0;
    GifByteType* block = nullptr;
    if (DGifGetExtension(gif, &code, &block) == GIF_ERROR)
        return false;
    while (block != nullptr)
        if (DGifGetExtensionNext(gif, &block) == GIF_ERROR)
            return false;
    return true;
}

} // namespace

bool sniffGif(const uint8_t* data, size_t size) {
    return size >= 6 && std::memcmp(data, "GIF8", 4) == 0 && (data[4] == '7' || data[4] == '9') &&
           data[5] == 'a';
}

bool decodeGif(const uint8_t* data, size_t size, TDibRecord* out, Progress& progress,
               std::string& error) {
    MemoryReader reader{data, size, 0};
    int code = 0;
    GifReadHandle h;
    h.gif = DGifOpen(&reader, readFromMemory, &code);
    if (h.gif == nullptr) {
        error = gifReadError(code, reader);
        return false;
    }
    GifFileType* gif = h.gif;

    // find the first image, skipping extensions
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif, &type) == GIF_ERROR) {
            error = gifReadError(gif->Error, reader);
            return false;
        }
        if (type == IMAGE_DESC_RECORD_TYPE)
            break;
        if (type == EXTENSION_RECORD_TYPE) {
            if (!skipExtension(gif)) {
                error = gifReadError(gif->Error, reader);
                return false;
            }
            continue;
        }
        error = damaged("die Datei enthält kein Bild");
        return false;
    }
    if (DGifGetImageDesc(gif) == GIF_ERROR) {
        error = gifReadError(gif->Error, reader);
        return false;
    }

    const GifImageDesc& frame = gif->Image;
    const ColorMapObject* map = frame.ColorMap != nullptr ? frame.ColorMap : gif->SColorMap;
    const int64_t left = frame.Left, top = frame.Top;
    const int64_t frameW = frame.Width, frameH = frame.Height;
    if (left < 0 || top < 0 || frameW < 0 || frameH < 0) {
        error = damaged("ungültiger Bildkopf");
        return false;
    }
    // a screen of size 0 (written by some old programs) takes the frame's extent
    const int64_t screenW = gif->SWidth > 0 ? gif->SWidth : left + frameW;
    const int64_t screenH = gif->SHeight > 0 ? gif->SHeight : top + frameH;
    if (screenW <= 0 || screenH <= 0 || screenW > kMaxSide || screenH > kMaxSide) {
        error = damaged("ungültige Bildgröße");
        return false;
    }
    // refuse a frame that the rest of the file cannot possibly hold before allocating for it
    const uint64_t framePixels = static_cast<uint64_t>(frameW) * static_cast<uint64_t>(frameH);
    if (framePixels > maxLzwPixels(size - reader.pos)) {
        error = kTextTruncated;
        return false;
    }
    // The screen outside the frame holds only background, so a few bytes could ask for
    // gigabytes: a screen above 4 million pixels must be covered a good part by the frame.
    const uint64_t screenPixels = static_cast<uint64_t>(screenW) * static_cast<uint64_t>(screenH);
    if (screenPixels > std::max<uint64_t>(kMaxBackgroundPixels, 16 * framePixels)) {
        error = damaged("ungültige Bildschirmgröße");
        return false;
    }

    // Colour table: the frame's own wins over the global one; without either a grey ramp.
    int bpp = 8;
    TBitmapInfo info{};
    int colours = 0;
    if (map != nullptr && map->ColorCount > 0) {
        colours = std::min(map->ColorCount, 256);
        bpp = depthForColours(colours);
        for (int i = 0; i < colours; ++i)
            info.bmiColors[i] =
                TRGBQuad{map->Colors[i].Blue, map->Colors[i].Green, map->Colors[i].Red, 0};
    }
    if (!newdib(out, static_cast<int32_t>(screenW), static_cast<int32_t>(screenH), bpp,
                colours > 0 ? &info : nullptr, colours > 0 ? (1 << bpp) : 0)) {
        error = kTextNoMemory;
        return false;
    }

    const int maxIndex = (1 << bpp) - 1;
    int background = 0;
    if (gif->SColorMap != nullptr && gif->SBackGroundColor < gif->SColorMap->ColorCount &&
        gif->SBackGroundColor <= maxIndex)
        background = gif->SBackGroundColor;

    // One screen row of indices: background outside the frame, the frame's pixels inside.
    std::vector<uint8_t> screenRow(static_cast<size_t>(screenW), static_cast<uint8_t>(background));
    std::vector<uint8_t> frameRow(static_cast<size_t>(std::max<int64_t>(frameW, 1)));
    const int64_t visibleX0 = std::min(left, screenW);
    const int64_t visibleX1 = std::min(left + frameW, screenW);
    const int32_t width = static_cast<int32_t>(screenW);

    static const int kStart[4] = {0, 4, 2, 1};
    static const int kStep[4] = {8, 8, 4, 2};
    const int passes = frame.Interlace ? 4 : 1;
    int64_t done = 0;
    if (frameW > 0) {
        for (int pass = 0; pass < passes; ++pass) {
            const int64_t start = frame.Interlace ? kStart[pass] : 0;
            const int64_t step = frame.Interlace ? kStep[pass] : 1;
            for (int64_t fy = start; fy < frameH; fy += step) {
                if (DGifGetLine(gif, frameRow.data(), static_cast<int>(frameW)) == GIF_ERROR) {
                    error = gifReadError(gif->Error, reader);
                    deldib(out);
                    return false;
                }
                const int64_t y = top + fy;
                if (y < screenH) {
                    if (visibleX1 > visibleX0)
                        std::memcpy(screenRow.data() + visibleX0, frameRow.data(),
                                    static_cast<size_t>(visibleX1 - visibleX0));
                    packIndices(screenRow.data(), width, bpp,
                                rowPtr(*out, static_cast<int32_t>(y)));
                }
                progress.report(++done, frameH);
            }
        }
    }

    // rows the frame does not cover show the background
    if (background != 0) {
        std::fill(screenRow.begin(), screenRow.end(), static_cast<uint8_t>(background));
        const int64_t frameY0 = frameW > 0 ? top : screenH;
        const int64_t frameY1 = frameW > 0 ? top + frameH : screenH;
        for (int64_t y = 0; y < screenH; ++y)
            if (y < frameY0 || y >= frameY1)
                packIndices(screenRow.data(), width, bpp, rowPtr(*out, static_cast<int32_t>(y)));
    }
    progress.report(1, 1);
    return true;
}

bool encodeGifTo(const TDibRecord& dib, int, ByteSink& sink, std::string& error) {
    if (!checkEncodable(dib, "GIF", error))
        return false;
    const int bpp = dib.Info->bmiHeader.biBitCount;
    if (bpp == 24) {
        error = "GIF-Dateien können höchstens 256 Farben enthalten. Bitte reduzieren Sie zuerst "
                "die Farbtiefe des Bildes.";
        return false;
    }
    const int32_t width = dib.Info->bmiHeader.biWidth;
    const int32_t height = dib.Info->bmiHeader.biHeight;
    if (width <= 0 || height <= 0 || width > 65535 || height > 65535) {
        error = "Das Bild ist zu groß für eine GIF-Datei (höchstens 65535 × 65535 Bildpunkte)";
        return false;
    }

    const int colours = 1 << bpp;
    GifColorType table[256];
    for (int i = 0; i < colours; ++i) {
        const TRGBQuad& q = dib.Info->bmiColors[i];
        table[i] = GifColorType{q.rgbRed, q.rgbGreen, q.rgbBlue};
    }
    ColorMapObject* map = GifMakeMapObject(colours, table);
    if (map == nullptr) {
        error = kTextNoMemorySave;
        return false;
    }

    SinkWriter writer(sink);
    SinkOutput output{&writer, false};
    int code = 0;
    GifFileType* gif = EGifOpen(&output, writeToSink, &code);
    if (gif == nullptr) {
        GifFreeMapObject(map);
        error = kTextNoMemorySave;
        return false;
    }
    bool ok = EGifPutScreenDesc(gif, width, height, bpp, 0, map) != GIF_ERROR &&
              EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr) != GIF_ERROR;
    GifFreeMapObject(map); // the writer keeps its own copy

    std::vector<GifPixelType> line(static_cast<size_t>(width));
    for (int32_t y = 0; ok && y < height; ++y) {
        unpackIndices(rowPtr(dib, y), width, bpp, line.data());
        ok = EGifPutLine(gif, line.data(), width) != GIF_ERROR;
    }
    if (EGifCloseFile(gif, &code) == GIF_ERROR)
        ok = false;
    if (ok && !writer.flush())
        ok = false;
    if (!ok) {
        error = output.noMemory ? kTextNoMemorySave : "Die GIF-Datei konnte nicht erzeugt werden";
        return false;
    }
    return true;
}

bool encodeGif(const TDibRecord& dib, int quality, std::vector<uint8_t>& out, std::string& error) {
    return encodeIntoVector(encodeGifTo, dib, quality, out, error);
}

} // namespace pictora
