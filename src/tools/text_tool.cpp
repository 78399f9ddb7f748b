// InsertText and the text tool's press.
#include "tools/text_tool.h"

#include "document/dib.h"
#include "document/selection.h"
#include "document/undo.h"
#include "tools/floating.h"
#include "tools/text_render.h"

#include <cstring>

namespace pixorama {

namespace {

// The piece: the image's depth and colour table, the foreground colour wherever the mask is 1.
// The other pixels stay as created; the mask hides them.
bool makeTextPiece(const DocumentState& doc, const TDibRecord& mask, DibHolder& piece) {
    const int32_t w = DibWidth(&mask), h = DibHeight(&mask);
    newdib(&piece.get(), w, h, DibBitsPerPixel(&doc.Dib), doc.Dib.Info, PaletteEntries(doc.Dib));
    if (!piece.ok())
        return false;
    for (int32_t i = 0; i < w; ++i)
        for (int32_t j = 0; j < h; ++j)
            if (getpixel(&mask, i, j) == 1)
                setpixel(&piece.get(), i, j, doc.ForeColor);
    return true;
}

class TextTool : public MouseTool {
  public:
    void Press(MouseDispatcher& d, MouseButton, int32_t, int32_t) override {
        TTextRequest request;
        if (!d.View().AskText(request))
            return;
        if (InsertText(d.Doc(), d.CoreHost(), d.View(), request))
            d.View().Repaint();
    }
};

} // namespace

bool InsertText(DocumentState& doc, Host& host, MouseView& view, const TTextRequest& request) {
    if (doc.Dib.Bits == nullptr || TextIsEmpty(request.Lines))
        return false;
    DibHolder mask;
    const TTextFont font{request.Family, request.PixelSize, request.Bold,
                         request.Italic, request.Underline, request.StrikeOut};
    switch (RenderTextMask(request.Lines, font, request.Align, mask.get())) {
    case TextRenderResult::Ok:
        break;
    case TextRenderResult::Empty:
        return false;
    case TextRenderResult::NoFont:
        host.MessageBox(kTextNoFont, "", MB_ICONSTOP);
        return false;
    case TextRenderResult::TooLarge:
        host.MessageBox(kTextNoMemory, "", MB_ICONSTOP);
        return false;
    }
    DibHolder piece;
    if (!makeTextPiece(doc, mask.get(), piece)) {
        host.MessageBox(kTextNoMemory, "", MB_ICONSTOP);
        return false;
    }
    SaveForUndo(doc, host);
    if (doc.HasSelection) {
        FinishDraging(doc);
        FillMask(doc, 0);
        doc.HasSelection = false;
    }
    // InitDraging owns piece and mask from here, also when it fails
    const bool ok = InitDraging(doc, host, view, piece.release(), mask.release(), true, false,
                                kModePlacing, true);
    host.UpdateMenuItems();
    return ok;
}

std::unique_ptr<MouseTool> MakeTextTool() {
    return std::make_unique<TextTool>();
}

} // namespace pixorama
