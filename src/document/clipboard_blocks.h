// The blocks the edit commands exchange with the clipboard: the packed device-independent bitmap
// (header, colour table, bottom-up rows) and the program's private selection block (the 1-bit
// shape of a copied selection).  Building them from a document, reading them back (they come
// from other programs too, so every size is checked), and converting a pasted image to a
// document's depth and palette.
#pragma once

#include "document/document_state.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pixorama {

// Name under which the private selection format is known; on Linux it travels as a MIME type.
inline constexpr const char* kSelectionFormatName = "VELUMINA_SELECTION";
inline constexpr const char* kSelectionMimeType = "application/x-velumina-selection";

inline constexpr size_t kDibHeaderBytes = 40;
// The selection block: header, two-entry table, one further entry of the info block, rows.
inline constexpr size_t kSelectionHeadBytes = 52;
// A BMP file is the packed bitmap behind a 14-byte file header.
inline constexpr size_t kBmpFileHeaderBytes = 14;

// Shown when a clipboard block cannot be read as an image or a selection shape.
inline constexpr const char* kTextBadClipboard =
    "Fehler: Die Zwischenablage enthält kein lesbares Bild!";

// What the clipboard holds, in the forms the program reads.
struct ClipboardContent {
    std::optional<std::vector<uint8_t>> Dib;       // packed bitmap (CF_DIB)
    std::optional<std::vector<uint8_t>> Selection; // private selection block
    // An image file another program put there (PNG, JPEG, ...) when there is no packed bitmap.
    std::optional<std::vector<uint8_t>> Encoded;
    bool HasImage() const { return Dib.has_value() || Encoded.has_value(); }
    void Clear() {
        Dib.reset();
        Selection.reset();
        Encoded.reset();
    }
};

// Bytes of one padded row of w pixels at bpp bits.
inline int64_t ClipRowBytes(int64_t w, int32_t bpp) {
    return ((static_cast<int64_t>(bpp) * w + 31) / 32) * 4;
}
// Colour-table bytes a packed bitmap's reader takes for bpp, whatever biClrUsed says.
inline size_t ClipTableBytes(int32_t bpp) {
    return bpp == 1 ? 8 : bpp == 4 ? 64 : bpp == 8 ? 1024 : 0;
}

// The blocks of a copy of the document: the selected part (its box) or the whole image as a
// packed bitmap, and with a selection its shape.  Without a selection SelRect becomes the whole
// image.  Pixels of the box outside the selection are 0.  False (content untouched) when the
// document has no image or memory is short.
bool BuildCopyBlocks(DocumentState& doc, ClipboardContent& out);

enum class BlockResult { Ok, Bad, NoMemory };

// Reads a packed bitmap into a new record.  Plain 40-byte headers of 1, 4, 8 or 24 bits are
// taken as written (table by depth, rows straight); other headers, top-down rows, bit fields,
// run-length data, short tables and 16/32-bit pixels go through the raster library's bitmap
// reader.  On anything but Ok the record has no pixels.
BlockResult ParseDibBlock(const uint8_t* data, size_t size, TDibRecord& out);
// Reads the private selection block into a new 1-bit record.
BlockResult ParseSelectionBlock(const uint8_t* data, size_t size, TDibRecord& out);
// The pasted image: the packed bitmap if there is one, else the other program's image file.
BlockResult DecodeClipboardImage(const ClipboardContent& clip, TDibRecord& out);

// A BMP file of a packed bitmap (file header + the block unchanged), and back: the block behind
// a BMP file's header; false when data is no BMP file.
std::vector<uint8_t> BmpFileFromDib(const std::vector<uint8_t>& dib);
bool DibFromBmpFile(const uint8_t* data, size_t size, std::vector<uint8_t>& dib);

// Converts source to target's bits per pixel and palette (nearest palette colour, or the
// palette colour itself for a 24-bit target).  When the new record cannot be made the source
// stays as it was and the result is false.
bool MakeCompatibleDib(const TDibRecord& target, TDibRecord& source);

} // namespace pixorama
