// pixorama-cli steps of the colour panel, undo and the histogram window.
#include "cli/cli.h"

#include "document/undo.h"
#include "ops/histogram.h"
#include "document/selection.h"

#include <iostream>

namespace pixorama::cli {
namespace {

StepRegistrar colourSteps({
    {"--fore", 1, "--fore WERT",
     [](Context& ctx, const std::vector<std::string>& a) {
         ctx.doc.ForeColor = ParsePixelValue(a[0], ctx.doc.Dib);
     }},
    {"--back", 1, "--back WERT",
     [](Context& ctx, const std::vector<std::string>& a) {
         ctx.doc.BackColor = ParsePixelValue(a[0], ctx.doc.Dib);
     }},
    {"--undo", 0, "--undo",
     [](Context& ctx, const std::vector<std::string>&) {
         // "&Rückgängig": only with a level to restore; the outline follows the restored mask
         if (ctx.doc.UndoCount == 0)
             return;
         LoadFromUndo(ctx.doc, ctx.host);
         ctx.host.Updatehistogramm();
     }},
    {"--undo-levels", 1, "--undo-levels N",
     [](Context& ctx, const std::vector<std::string>& a) {
         // how many levels the document keeps from here on (three unless changed)
         SetUndoDepth(ctx.doc,
                      static_cast<int>(ParseInt(a[0], 1, kMaxUndoLevels, "--undo-levels")));
     }},
    {"--histogram", 0, "--histogram",
     [](Context& ctx, const std::vector<std::string>&) {
         std::cout << HistogramText(ctx.doc.Dib) << '\n';
     }},
});

} // namespace
} // namespace pixorama::cli
