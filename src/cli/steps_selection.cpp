// pixorama-cli steps of the menu "&Auswahl" and the geometric selection tool.
#include "cli/cli.h"

#include "document/selection.h"
#include "tools/selection_tools.h"

#include <climits>

namespace pixorama::cli {
namespace {

SelectionMode parseMode(const std::string& text) {
    if (text == "replace")
        return SelectionMode::Replace;
    if (text == "add")
        return SelectionMode::Add;
    if (text == "subtract")
        return SelectionMode::Subtract;
    throw UsageError{"Auswahlmodus muss replace, add oder subtract sein: " + text};
}

// What the selection tool does from the press outside the selection to the release.
void geometric(Context& ctx, const std::vector<std::string>& a, int shape) {
    const SelectionMode mode = parseMode(a[0]);
    int32_t p[4];
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<int32_t>(
            ParseInt(a[static_cast<size_t>(i) + 1], INT32_MIN, INT32_MAX, "Koordinate"));
    BeginSelectionGesture(ctx.doc, ctx.host);
    GeometricSelection(ctx.doc, ctx.host, shape, mode, p[0], p[1], p[2], p[3]);
}

StepRegistrar selectionSteps({
    {"--select-all", 0, "--select-all",
     [](Context& ctx, const std::vector<std::string>&) { SelectAll(ctx.doc, ctx.host); }},
    {"--select-none", 0, "--select-none",
     [](Context& ctx, const std::vector<std::string>&) { SelectNone(ctx.doc, ctx.host); }},
    {"--select-invert", 0, "--select-invert",
     [](Context& ctx, const std::vector<std::string>&) { InvertSelection(ctx.doc, ctx.host); }},
    {"--select-rect", 5, "--select-rect MODUS X0 Y0 X1 Y1",
     [](Context& ctx, const std::vector<std::string>& a) { geometric(ctx, a, kShapeRechteck); }},
    {"--select-ellipse", 5, "--select-ellipse MODUS X0 Y0 X1 Y1",
     [](Context& ctx, const std::vector<std::string>& a) { geometric(ctx, a, kShapeEllipse); }},
});

} // namespace
} // namespace pixorama::cli
