// Fuzz target of the clipboard readers: the packed bitmap, the selection block and the BMP file
// form.  Input: two bytes giving the length of the bitmap block, the block, then the selection
// block.  Every accepted bitmap must survive a copy and a second read unchanged, and a paste of
// both blocks into a small document must either be refused or leave a consistent piece.
#include "document/clipboard_blocks.h"
#include "document/dib.h"
#include "tools/clipboard.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

class QuietHost : public pixorama::Host {
  public:
    void SetProSatus(int) override {}
    int MessageBox(const std::string&, const std::string&, int) override { return 1; }
};

class QuietView : public pixorama::MouseView {
  public:
    pixorama::Tool SelectedTool() const override { return pixorama::Tool::Zoom; }
    pixorama::TToolOptions Options() const override { return {}; }
};

void checkImage(const TDibRecord& d) {
    const int bpp = DibBitsPerPixel(&d);
    if (d.Bits == nullptr || DibWidth(&d) <= 0 || DibHeight(&d) <= 0 ||
        (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace pixorama;
    static const bool limited = [] {
        PictoraSetAllocLimit(64u << 20);
        return true;
    }();
    (void)limited;
    if (size < 2)
        return 0;
    const size_t split = std::min<size_t>(size - 2, data[0] | (size_t{data[1]} << 8));
    ClipboardContent clip;
    clip.Dib = std::vector<uint8_t>(data + 2, data + 2 + split);
    if (2 + split < size)
        clip.Selection = std::vector<uint8_t>(data + 2 + split, data + size);

    DibHolder image;
    if (ParseDibBlock(clip.Dib->data(), clip.Dib->size(), image.get()) == BlockResult::Ok) {
        checkImage(image.get());
        // copied and read again: the same pixels
        DocumentState doc;
        if (AttachImage(doc, image.release())) {
            ClipboardContent again;
            if (BuildCopyBlocks(doc, again)) {
                DibHolder back;
                if (ParseDibBlock(again.Dib->data(), again.Dib->size(), back.get()) ==
                    BlockResult::Ok) {
                    // pixel for pixel: the padding bits of small depths are not copied
                    const int32_t w = DibWidth(&doc.Dib), h = DibHeight(&doc.Dib);
                    if (DibWidth(&back.get()) != w || DibHeight(&back.get()) != h ||
                        DibBitsPerPixel(&back.get()) != DibBitsPerPixel(&doc.Dib))
                        std::abort();
                    for (int32_t y = 0; y < h; ++y)
                        for (int32_t x = 0; x < w; ++x)
                            if (getpixel(&back.get(), x, y) != getpixel(&doc.Dib, x, y))
                                std::abort();
                }
            }
        }
    } else if (image->Bits != nullptr) {
        std::abort();
    }
    if (clip.Selection) {
        DibHolder shape;
        if (ParseSelectionBlock(clip.Selection->data(), clip.Selection->size(), shape.get()) ==
            BlockResult::Ok) {
            if (DibBitsPerPixel(&shape.get()) != 1)
                std::abort();
        } else if (shape->Bits != nullptr) {
            std::abort();
        }
    }
    std::vector<uint8_t> packed;
    if (DibFromBmpFile(data, size, packed) && packed.size() + kBmpFileHeaderBytes != size)
        std::abort();

    // pasted into a small document: refused, or a piece of the document's depth
    QuietHost host;
    QuietView view;
    for (int bpp : {4, 24}) {
        DocumentState doc;
        if (!AttachImage(doc, CreateNewImage(7, 5, bpp)))
            continue;
        if (PasteAlsAuswahl(doc, host, view, clip, bpp == 4)) {
            if (DibBitsPerPixel(&doc.FloatDib) != bpp)
                std::abort();
            if (doc.FloatHasMask && (DibWidth(&doc.FloatMask) != DibWidth(&doc.FloatDib) ||
                                     DibHeight(&doc.FloatMask) != DibHeight(&doc.FloatDib)))
                std::abort();
        }
    }
    return 0;
}
