// pixorama-cli steps of the edit commands, over a clipboard that lives as long as the run: copy
// and cut fill it, paste reads it.  A pasted selection is placed by the click a waiting piece
// takes, at the image's top-left corner; --move can shift it afterwards.
#include "cli/cli.h"

#include "document/undo.h"
#include "tools/clipboard.h"
#include "tools/floating.h"

namespace pixorama::cli {
namespace {

// "Als neues &Bild" opens a new window; the command line has one document, so the pasted
// image takes its place, with the fresh state of a new document.
void replaceDocument(Context& ctx, const TDibRecord& dib) {
    DocumentState& doc = ctx.doc;
    DropFloating(doc);
    while (doc.UndoCount > 0)
        FreeUndoBuffer(doc, doc.UndoCount);
    doc.MouseMode = 0;
    doc.Tracking = false;
    doc.CaptureTaken = false;
    if (!AttachImage(doc, dib))
        throw StepError{kTextNoMemory};
    doc.Modified = false;
}

void paste(Context& ctx, const std::vector<std::string>& a) {
    const std::string& how = a[0];
    if (how != "image" && how != "selection" && how != "transparent")
        throw UsageError{"--paste: unbekannter Wert " + how};
    if (!ctx.clipboard.HasImage())
        return; // the paste commands are disabled
    if (how == "image") {
        TDibRecord dib;
        if (PasteAsNewImage(ctx.clipboard, ctx.host, dib))
            replaceDocument(ctx, dib);
        return;
    }
    if (!PasteAlsAuswahl(ctx.doc, ctx.host, ctx.view, ctx.clipboard, how == "transparent"))
        return; // the message has been shown
    MouseDispatcher d(ctx.doc, ctx.host, ctx.view);
    d.PaintBox1MouseDown(ctx.button, {}, 0, 0);
    d.PaintBox1MouseUp(ctx.button, {}, 0, 0);
}

StepRegistrar clipboardSteps({
    {"--copy", 0, "--copy",
     [](Context& ctx, const std::vector<std::string>&) {
         CopyToClipboard(ctx.doc, ctx.host, ctx.clipboard);
     }},
    {"--cut", 0, "--cut",
     [](Context& ctx, const std::vector<std::string>&) {
         CutToClipboard(ctx.doc, ctx.host, ctx.view, ctx.clipboard);
     }},
    {"--delete", 0, "--delete",
     [](Context& ctx, const std::vector<std::string>&) {
         DeleteSelection(ctx.doc, ctx.host, ctx.view);
     }},
    {"--paste", 1, "--paste image|selection|transparent", paste},
});

} // namespace
} // namespace pixorama::cli
