// pixorama-cli steps of the mouse tools: the sticky options of the options panel, and gestures
// in image points that run through the same dispatcher as the mouse at zoom 1:1.
#include "cli/cli.h"

#include "document/selection.h"
#include "tools/floating.h"
#include "tools/tool_options.h"

#include <climits>

namespace pixorama::cli {
namespace {

int32_t coordinate(const std::string& text) {
    return static_cast<int32_t>(ParseInt(text, INT32_MIN / 32, INT32_MAX / 32, "Koordinate"));
}

TPoint pointArg(const std::string& text) {
    const size_t comma = text.find(',');
    if (comma == std::string::npos)
        throw UsageError{"Punkt als X,Y erwartet: " + text};
    return {coordinate(text.substr(0, comma)), coordinate(text.substr(comma + 1))};
}

TShiftState keysOf(const std::string& mode) {
    if (mode == "replace")
        return {};
    if (mode == "add")
        return {true, false, false};
    if (mode == "subtract")
        return {false, true, false};
    throw UsageError{"Auswahlmodus muss replace, add oder subtract sein: " + mode};
}

// One gesture of tool: press at the first point, moves through the others, release at the
// last.
void gesture(Context& ctx, Tool tool, const std::vector<TPoint>& points, TShiftState keys = {}) {
    ctx.view.tool = tool;
    MouseDispatcher d(ctx.doc, ctx.host, ctx.view);
    d.PaintBox1MouseDown(ctx.button, keys, points.front().X, points.front().Y);
    for (size_t k = 1; k < points.size(); ++k)
        d.PaintBox1MouseMove(keys, points[k].X, points[k].Y);
    d.PaintBox1MouseUp(ctx.button, keys, points.back().X, points.back().Y);
}

// A drag drawn from (x0, y0) to (x1, y1) inclusive: the mouse goes up one pixel further right
// and down, as the release takes one pixel back.
void drag(Context& ctx, Tool tool, const std::vector<std::string>& a) {
    const int32_t x0 = coordinate(a[0]), y0 = coordinate(a[1]);
    const int32_t x1 = coordinate(a[2]), y1 = coordinate(a[3]);
    gesture(ctx, tool, {{x0, y0}, {x1 + 1, y1 + 1}});
}

int listIndex(const std::string& text, std::initializer_list<const char*> names,
              const std::string& what) {
    int k = 0;
    for (const char* n : names) {
        if (text == n)
            return k;
        ++k;
    }
    throw UsageError{what + ": unbekannter Wert " + text};
}

// The first selected pixel, row by row; false when none.
bool firstSelectedPixel(const DocumentState& doc, TPoint& at) {
    if (!doc.HasSelection)
        return false;
    const TRect& r = doc.SelRect;
    for (int32_t y = r.Top; y <= r.Bottom; ++y)
        for (int32_t x = r.Left; x <= r.Right; ++x)
            if (MaskValue(doc, x, y) == 1) {
                at = {x, y};
                return true;
            }
    return false;
}

// A point list X1,Y1 X2,Y2 ... as a gesture of tool.
void strokeOf(Context& ctx, Tool tool, const std::vector<std::string>& a) {
    if (a.empty())
        throw UsageError{"Punkte als X1,Y1 X2,Y2 ... erwartet"};
    std::vector<TPoint> points;
    for (const std::string& p : a)
        points.push_back(pointArg(p));
    gesture(ctx, tool, points);
}

int32_t spin(const std::string& text, const TSpinOption& o, const std::string& what) {
    return static_cast<int32_t>(ParseInt(text, o.Min, o.Max, what));
}

StepRegistrar paintSteps({
    {"--brush-size", 1, "--brush-size S",
     [](Context& ctx, const std::vector<std::string>& a) {
         ctx.view.options.Size = spin(a[0], kSizeOption, "--brush-size");
     }},
    {"--brush-form", 1, "--brush-form square|circle|diag1|diag2|horizontal|vertical",
     [](Context& ctx, const std::vector<std::string>& a) {
         ctx.view.options.Form = listIndex(
             a[0], {"square", "circle", "diag1", "diag2", "horizontal", "vertical"}, "--brush-form");
     }},
    {"--hardness", 1, "--hardness H",
     [](Context& ctx, const std::vector<std::string>& a) {
         ctx.view.options.Hard = spin(a[0], kHardOption, "--hardness");
     }},
    {"--density", 1, "--density D",
     [](Context& ctx, const std::vector<std::string>& a) {
         ctx.view.options.Dens = spin(a[0], kDensOption, "--density");
     }},
    {"--transparency", 1, "--transparency T",
     [](Context& ctx, const std::vector<std::string>& a) {
         ctx.view.options.Opacity = spin(a[0], kOpacityOption, "--transparency");
     }},
    {"--fill-style", 1, "--fill-style 0..5",
     [](Context& ctx, const std::vector<std::string>& a) {
         ctx.view.options.FillStyle = static_cast<int>(ParseInt(a[0], 0, 5, "--fill-style"));
     }},
    {"--direction", 1, "--direction 0..7",
     [](Context& ctx, const std::vector<std::string>& a) {
         ctx.view.options.Direction = static_cast<int>(ParseInt(a[0], 0, 7, "--direction"));
     }},
    {"--pattern", 1, "--pattern DATEI",
     [](Context& ctx, const std::vector<std::string>& a) {
         // a file that cannot be read leaves no pattern and shows the message
         LoadPattern(ctx.view.pattern, a[0], ctx.host);
     }},
    {"--clone-mode", 1, "--clone-mode aligned|free",
     [](Context& ctx, const std::vector<std::string>& a) {
         ctx.view.options.CloneMode = listIndex(a[0], {"aligned", "free"}, "--clone-mode");
     }},
    {"--retouch", 1, "--retouch lighten|darken|smear|mix",
     [](Context& ctx, const std::vector<std::string>& a) {
         ctx.view.options.RetouchMode =
             listIndex(a[0], {"lighten", "darken", "smear", "mix"}, "--retouch");
     }},
    {"--stroke", kArgsUpToNextStep, "--stroke X1,Y1 X2,Y2 ...",
     [](Context& ctx, const std::vector<std::string>& a) { strokeOf(ctx, Tool::Brush, a); }},
    {"--replace-stroke", kArgsUpToNextStep, "--replace-stroke X1,Y1 X2,Y2 ...",
     [](Context& ctx, const std::vector<std::string>& a) { strokeOf(ctx, Tool::Replace, a); }},
    {"--clone-stroke", kArgsUpToNextStep, "--clone-stroke X1,Y1 X2,Y2 ...",
     [](Context& ctx, const std::vector<std::string>& a) { strokeOf(ctx, Tool::Clone, a); }},
    {"--retouch-stroke", kArgsUpToNextStep, "--retouch-stroke X1,Y1 X2,Y2 ...",
     [](Context& ctx, const std::vector<std::string>& a) { strokeOf(ctx, Tool::Retouch, a); }},
    {"--clone-source", 2, "--clone-source X Y",
     [](Context& ctx, const std::vector<std::string>& a) {
         gesture(ctx, Tool::Clone, {{coordinate(a[0]), coordinate(a[1])}}, {true, false, false});
     }},
    {"--fill", 2, "--fill X Y",
     [](Context& ctx, const std::vector<std::string>& a) {
         gesture(ctx, Tool::Fill, {{coordinate(a[0]), coordinate(a[1])}});
     }},
});

StepRegistrar toolSteps({
    {"--button", 1, "--button left|right",
     [](Context& ctx, const std::vector<std::string>& a) {
         ctx.button = listIndex(a[0], {"left", "right"}, "--button") == 0 ? MouseButton::Left
                                                                         : MouseButton::Right;
     }},
    {"--line-width", 1, "--line-width W",
     [](Context& ctx, const std::vector<std::string>& a) {
         ctx.view.options.Breit = static_cast<int32_t>(
             ParseInt(a[0], kBreitOption.Min, kBreitOption.Max, "--line-width"));
     }},
    {"--shape-type", 1, "--shape-type rect|square|ellipse|circle",
     [](Context& ctx, const std::vector<std::string>& a) {
         ctx.view.options.Typ =
             listIndex(a[0], {"rect", "square", "ellipse", "circle"}, "--shape-type");
     }},
    {"--shape-style", 1, "--shape-style outline|filled",
     [](Context& ctx, const std::vector<std::string>& a) {
         ctx.view.options.Stil = listIndex(a[0], {"outline", "filled"}, "--shape-style");
     }},
    {"--tolerance", 1, "--tolerance T",
     [](Context& ctx, const std::vector<std::string>& a) {
         ctx.view.options.Tol =
             static_cast<int32_t>(ParseInt(a[0], kTolOption.Min, kTolOption.Max, "--tolerance"));
     }},
    {"--line", 4, "--line X0 Y0 X1 Y1",
     [](Context& ctx, const std::vector<std::string>& a) { drag(ctx, Tool::Line, a); }},
    {"--shape", 4, "--shape X0 Y0 X1 Y1",
     [](Context& ctx, const std::vector<std::string>& a) { drag(ctx, Tool::Shape, a); }},
    {"--pick", 2, "--pick X Y",
     [](Context& ctx, const std::vector<std::string>& a) {
         gesture(ctx, Tool::Drop, {{coordinate(a[0]), coordinate(a[1])}});
     }},
    {"--select-wand", 3, "--select-wand MODUS X Y",
     [](Context& ctx, const std::vector<std::string>& a) {
         gesture(ctx, Tool::Magic, {{coordinate(a[1]), coordinate(a[2])}}, keysOf(a[0]));
     }},
    {"--select-poly", kArgsUpToNextStep, "--select-poly MODUS X1,Y1 X2,Y2 ...",
     [](Context& ctx, const std::vector<std::string>& a) {
         if (a.size() < 2)
             throw UsageError{"--select-poly braucht einen Modus und Punkte"};
         const TShiftState keys = keysOf(a[0]);
         std::vector<TPoint> points;
         for (size_t k = 1; k < a.size(); ++k)
             points.push_back(pointArg(a[k]));
         gesture(ctx, Tool::FreeSel, points, keys);
     }},
    {"--move", 2, "--move DX DY",
     [](Context& ctx, const std::vector<std::string>& a) {
         const int32_t dx = coordinate(a[0]), dy = coordinate(a[1]);
         TPoint at;
         if (!firstSelectedPixel(ctx.doc, at))
             at = {0, 0}; // no selection: the hand only scrolls
         gesture(ctx, Tool::Hand, {at, {at.X + dx, at.Y + dy}});
     }},
    {"--detach", 0, "--detach",
     [](Context& ctx, const std::vector<std::string>&) {
         // the menu item is enabled only for a selection that does not float yet
         if (ctx.doc.HasSelection && !ctx.doc.Floating)
             MakeSelectionDragable(ctx.doc, ctx.host);
     }},
    {"--merge", 0, "--merge",
     [](Context& ctx, const std::vector<std::string>&) {
         if (ctx.doc.HasSelection && ctx.doc.Floating)
             FinishDraging(ctx.doc);
     }},
});

} // namespace
} // namespace pixorama::cli
