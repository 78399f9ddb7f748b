// Packed bitmaps and the selection block of the clipboard: building, checked reading, the BMP
// file form they travel in, and the depth conversion of a pasted image.
#include "document/clipboard_blocks.h"

#include "document/dib.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>

namespace pixorama {

namespace {

// The raster library's text for a memory shortage while reading.
constexpr const char* kReaderNoMemory = "Nicht genug Speicher für dieses Bild";

uint8_t* rowOf(const TDibRecord& d, int32_t y) {
    return d.Bits + static_cast<size_t>(DibHeight(&d) - 1 - y) * static_cast<size_t>(d.LineBytes);
}

bool maskBit(const uint8_t* row, int32_t x) {
    return (row[x >> 3] >> (7 - (x & 7))) & 1;
}
void setMaskBit(uint8_t* row, int32_t x) {
    row[x >> 3] = static_cast<uint8_t>(row[x >> 3] | (0x80 >> (x & 7)));
}

// Writes pixel value v at column x of a 1- or 4-bit row that starts zeroed.
void putSmallPixel(uint8_t* row, int32_t x, int32_t bpp, int32_t v) {
    if (bpp == 1) {
        if (v & 1)
            setMaskBit(row, x);
    } else {
        const int shift = (x & 1) ? 0 : 4;
        row[x >> 1] = static_cast<uint8_t>(row[x >> 1] | ((v & 15) << shift));
    }
}

void writeU16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
void writeU32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}
uint32_t readU32(const uint8_t* p) {
    return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

TBitmapInfoHeader headerOf(const uint8_t* data) {
    TBitmapInfoHeader h;
    std::memcpy(&h, data, sizeof(h));
    return h;
}

// The shape of the selection box as the mask block lays it out.
bool buildSelectionBlock(const DocumentState& doc, const TRect& r, int32_t w, int32_t h,
                         std::vector<uint8_t>& block) {
    DibHolder mask;
    if (!newdib(&mask.get(), w, h, 1, nullptr, 0))
        return false;
    for (int32_t y = r.Top; y <= r.Bottom; ++y) {
        const uint8_t* sel = rowOf(doc.SelMask, y);
        uint8_t* dst = rowOf(mask.get(), y - r.Top);
        for (int32_t x = r.Left; x <= r.Right; ++x)
            if (maskBit(sel, x))
                setMaskBit(dst, x - r.Left);
    }
    const size_t bytes = mask->Info->bmiHeader.biSizeImage;
    block.assign(kSelectionHeadBytes + bytes, 0);
    std::memcpy(block.data(), mask->Info, kSelectionHeadBytes);
    std::memcpy(block.data() + kSelectionHeadBytes, mask->Bits, bytes);
    return true;
}

// The selected pixels of the box r into the zeroed rows of the block.
void copySelectedPixels(const DocumentState& doc, const TRect& r, int64_t rows, uint8_t* px) {
    const TDibRecord& dib = doc.Dib;
    const int32_t bpp = DibBitsPerPixel(&dib);
    const int32_t h = r.Bottom - r.Top + 1;
    for (int32_t y = r.Top; y <= r.Bottom; ++y) {
        const uint8_t* sel = rowOf(doc.SelMask, y);
        const uint8_t* src = rowOf(dib, y);
        uint8_t* dst = px + static_cast<size_t>(h - 1 - (y - r.Top)) * static_cast<size_t>(rows);
        for (int32_t x = r.Left; x <= r.Right; ++x) {
            if (!maskBit(sel, x))
                continue;
            const int32_t i = x - r.Left;
            if (bpp == 24)
                std::memcpy(dst + static_cast<size_t>(i) * 3, src + static_cast<size_t>(x) * 3, 3);
            else if (bpp == 8)
                dst[i] = src[x];
            else
                putSmallPixel(dst, i, bpp, getpixel(&dib, x, y));
        }
    }
}

// The whole image of 1 or 4 bits, pixel by pixel, so that the padding of each row stays 0.
void copySmallImage(const TDibRecord& dib, int64_t rows, uint8_t* px) {
    const int32_t w = DibWidth(&dib), h = DibHeight(&dib), bpp = DibBitsPerPixel(&dib);
    for (int32_t y = 0; y < h; ++y) {
        uint8_t* dst = px + static_cast<size_t>(h - 1 - y) * static_cast<size_t>(rows);
        for (int32_t x = 0; x < w; ++x)
            putSmallPixel(dst, x, bpp, getpixel(&dib, x, y));
    }
}

// A block the plain reader does not take, through the raster library's bitmap reader.
BlockResult readWithLibrary(const uint8_t* data, size_t size, int32_t format, TDibRecord& out) {
    if (OpenDibMemory(&out, data, size, format, nullptr, nullptr) != 0 && out.Bits != nullptr)
        return BlockResult::Ok;
    const bool shortage = std::strcmp(DibErrorText(&out), kReaderNoMemory) == 0;
    deldib(&out);
    return shortage ? BlockResult::NoMemory : BlockResult::Bad;
}

} // namespace

bool BuildCopyBlocks(DocumentState& doc, ClipboardContent& out) {
    const TDibRecord& dib = doc.Dib;
    if (dib.Bits == nullptr || dib.Info == nullptr)
        return false;
    const int32_t W = DibWidth(&dib), H = DibHeight(&dib), bpp = DibBitsPerPixel(&dib);
    const bool sel = doc.HasSelection && doc.SelMask.Bits != nullptr &&
                     DibWidth(&doc.SelMask) == W && DibHeight(&doc.SelMask) == H;
    TRect r;
    if (sel) {
        // the box can only lie inside the image; a stale one is cut to it
        r = {std::max(doc.SelRect.Left, 0), std::max(doc.SelRect.Top, 0),
             std::min(doc.SelRect.Right, W - 1), std::min(doc.SelRect.Bottom, H - 1)};
        if (r.Right < r.Left || r.Bottom < r.Top)
            return false;
    } else {
        doc.SelRect = {0, 0, W - 1, H - 1};
        r = doc.SelRect;
    }
    const int32_t w = r.Right - r.Left + 1, h = r.Bottom - r.Top + 1;
    const int64_t rows = sel ? ClipRowBytes(w, bpp) : dib.LineBytes;
    const uint64_t pixelSize = static_cast<uint64_t>(rows) * static_cast<uint64_t>(h);
    if (pixelSize > UINT32_MAX)
        return false;
    const size_t n = static_cast<size_t>(PaletteEntries(dib));
    try {
        std::vector<uint8_t> block(kDibHeaderBytes + 4 * n + pixelSize, 0);
        TBitmapInfoHeader header = dib.Info->bmiHeader;
        if (sel) {
            header.biWidth = w;
            header.biHeight = h;
            header.biSizeImage = static_cast<uint32_t>(pixelSize);
        }
        std::memcpy(block.data(), &header, kDibHeaderBytes);
        std::memcpy(block.data() + kDibHeaderBytes, dib.Info->bmiColors, 4 * n);
        uint8_t* px = block.data() + kDibHeaderBytes + 4 * n;
        std::vector<uint8_t> shape;
        if (sel) {
            copySelectedPixels(doc, r, rows, px);
            if (!buildSelectionBlock(doc, r, w, h, shape))
                return false;
        } else if (bpp == 8 || bpp == 24) {
            CopyBytesParallel(px, dib.Bits, pixelSize);
        } else {
            copySmallImage(dib, rows, px);
        }
        out.Clear();
        out.Dib = std::move(block);
        if (sel)
            out.Selection = std::move(shape);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

BlockResult ParseDibBlock(const uint8_t* data, size_t size, TDibRecord& out) {
    std::memset(&out, 0, sizeof(out));
    if (data == nullptr || size < kDibHeaderBytes)
        return BlockResult::Bad;
    const TBitmapInfoHeader h = headerOf(data);
    const int32_t bpp = h.biBitCount;
    const bool palette = bpp == 1 || bpp == 4 || bpp == 8;
    const bool plain = h.biSize == kDibHeaderBytes && h.biPlanes == 1 && h.biCompression == 0 &&
                       h.biWidth > 0 && h.biHeight > 0 &&
                       ((palette && (h.biClrUsed == 0 || h.biClrUsed == (1u << bpp))) ||
                        (bpp == 24 && h.biClrUsed == 0));
    if (!plain)
        return readWithLibrary(data, size, PICTORA_FORMAT_DIB, out);
    const size_t table = ClipTableBytes(bpp);
    const uint64_t pixels =
        static_cast<uint64_t>(ClipRowBytes(h.biWidth, bpp)) * static_cast<uint64_t>(h.biHeight);
    if (kDibHeaderBytes + table > size || pixels > size - kDibHeaderBytes - table)
        return BlockResult::Bad;
    TBitmapInfo info{};
    std::memcpy(&info.bmiHeader, data, kDibHeaderBytes);
    std::memcpy(info.bmiColors, data + kDibHeaderBytes, table);
    if (!newdib_unfilled(&out, h.biWidth, h.biHeight, bpp, &info, static_cast<int32_t>(table / 4)))
        return BlockResult::NoMemory;
    std::memcpy(out.Bits, data + kDibHeaderBytes + table, pixels);
    return BlockResult::Ok;
}

BlockResult ParseSelectionBlock(const uint8_t* data, size_t size, TDibRecord& out) {
    std::memset(&out, 0, sizeof(out));
    if (data == nullptr || size < kSelectionHeadBytes)
        return BlockResult::Bad;
    const TBitmapInfoHeader h = headerOf(data);
    if (h.biBitCount != 1 || h.biWidth <= 0 || h.biHeight <= 0 || h.biCompression != 0)
        return BlockResult::Bad;
    const uint64_t pixels =
        static_cast<uint64_t>(ClipRowBytes(h.biWidth, 1)) * static_cast<uint64_t>(h.biHeight);
    if (pixels > size - kSelectionHeadBytes)
        return BlockResult::Bad;
    TBitmapInfo info{};
    std::memcpy(&info, data, kDibHeaderBytes + 8);
    if (!newdib_unfilled(&out, h.biWidth, h.biHeight, 1, &info, 2))
        return BlockResult::NoMemory;
    std::memcpy(out.Bits, data + kSelectionHeadBytes, pixels);
    return BlockResult::Ok;
}

BlockResult DecodeClipboardImage(const ClipboardContent& clip, TDibRecord& out) {
    std::memset(&out, 0, sizeof(out));
    if (clip.Dib)
        return ParseDibBlock(clip.Dib->data(), clip.Dib->size(), out);
    if (clip.Encoded)
        return readWithLibrary(clip.Encoded->data(), clip.Encoded->size(), PICTORA_FORMAT_AUTO,
                               out);
    return BlockResult::Bad;
}

std::vector<uint8_t> BmpFileFromDib(const std::vector<uint8_t>& dib) {
    std::vector<uint8_t> file(kBmpFileHeaderBytes + dib.size(), 0);
    uint32_t offset = static_cast<uint32_t>(kBmpFileHeaderBytes + kDibHeaderBytes);
    if (dib.size() >= kDibHeaderBytes) {
        const TBitmapInfoHeader h = headerOf(dib.data());
        const uint64_t table =
            h.biBitCount <= 8 ? 4ull * (h.biClrUsed != 0 ? h.biClrUsed : 1ull << h.biBitCount)
                              : 4ull * h.biClrUsed;
        offset = static_cast<uint32_t>(
            std::min<uint64_t>(kBmpFileHeaderBytes + uint64_t{h.biSize} + table, file.size()));
    }
    file[0] = 'B';
    file[1] = 'M';
    writeU32(&file[2], static_cast<uint32_t>(file.size()));
    writeU16(&file[6], 0);
    writeU16(&file[8], 0);
    writeU32(&file[10], offset);
    if (!dib.empty())
        std::memcpy(file.data() + kBmpFileHeaderBytes, dib.data(), dib.size());
    return file;
}

bool DibFromBmpFile(const uint8_t* data, size_t size, std::vector<uint8_t>& dib) {
    if (data == nullptr || size < kBmpFileHeaderBytes + kDibHeaderBytes || data[0] != 'B' ||
        data[1] != 'M')
        return false;
    // only a file whose pixels follow the table directly is a packed bitmap behind a header;
    // any other is read as a file
    const TBitmapInfoHeader h = headerOf(data + kBmpFileHeaderBytes);
    if (h.biSize != kDibHeaderBytes)
        return false;
    const size_t table = h.biBitCount <= 8 ? ClipTableBytes(h.biBitCount) : 0;
    if (readU32(data + 10) != kBmpFileHeaderBytes + kDibHeaderBytes + table)
        return false;
    dib.assign(data + kBmpFileHeaderBytes, data + size);
    return true;
}

bool MakeCompatibleDib(const TDibRecord& target, TDibRecord& source) {
    if (source.Bits == nullptr || target.Info == nullptr)
        return false;
    const int32_t w = DibWidth(&source), h = DibHeight(&source);
    const int32_t bpp = DibBitsPerPixel(&target);
    DibHolder fresh;
    if (!newdib(&fresh.get(), w, h, bpp, target.Info, PaletteEntries(target)))
        return false;
    const bool paletteTarget = bpp <= 8;
    const int32_t sourceColours = PaletteEntries(source);
    auto rgbOf = [&](int32_t v) {
        const TPaletteEntry& e = source.Palette.palPalEntry[v & 255];
        return static_cast<uint32_t>(e.peRed | (e.peGreen << 8) | (e.peBlue << 16));
    };
    if (sourceColours > 0) {
        // a palette source has few values: each is mapped once
        std::array<int32_t, 256> map{};
        for (int32_t v = 0; v < sourceColours; ++v)
            map[static_cast<size_t>(v)] =
                paletteTarget
                    ? static_cast<int32_t>(GetNearestPaletteIndex(fresh->PaletteHandle, rgbOf(v)))
                    : static_cast<int32_t>(rgbOf(v));
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x)
                setpixel(&fresh.get(), x, y, map[static_cast<size_t>(getpixel(&source, x, y) & 255)]);
    } else if (paletteTarget) {
        // straight from the rows; neighbouring pixels of a photo often repeat a colour
        const HPALETTE pal = fresh->PaletteHandle;
        for (int32_t y = 0; y < h; ++y) {
            const uint8_t* src = rowOf(source, y);
            uint8_t* dst = rowOf(fresh.get(), y);
            uint32_t last = 0xFFFFFFFF, index = 0;
            for (int32_t x = 0; x < w; ++x) {
                const uint8_t* p = src + static_cast<size_t>(x) * 3;
                const uint32_t c = p[2] | (uint32_t{p[1]} << 8) | (uint32_t{p[0]} << 16);
                if (c != last) {
                    last = c;
                    index = GetNearestPaletteIndex(pal, c);
                }
                if (bpp == 8)
                    dst[x] = static_cast<uint8_t>(index);
                else
                    putSmallPixel(dst, x, bpp, static_cast<int32_t>(index));
            }
        }
    } else {
        // both 24-bit: nothing to convert
        CopyImagePixels(fresh.get(), source);
    }
    deldib(&source);
    source = fresh.release();
    return true;
}

} // namespace pixorama
