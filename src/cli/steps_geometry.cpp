// pixorama-cli steps of the geometry, effect and deformation commands of the menu "B&ild".  Each
// runs what its dialog's OK runs, refused where the menu item is disabled.
#include "cli/cli.h"

#include "ops/deformations.h"
#include "ops/effects.h"
#include "ops/geometry.h"

namespace pixorama::cli {
namespace {

using Args = std::vector<std::string>;

int32_t arg(const std::string& text, const TIntRange& range, const std::string& what) {
    return static_cast<int32_t>(ParseInt(text, range.Min, range.Max, what));
}

bool interpolateFlag(const Args& a, size_t from) {
    for (size_t i = from; i < a.size(); ++i)
        if (a[i] == "--interpolate")
            return true;
    return false;
}

bool leftOrRight(const std::string& text) {
    if (text == "left")
        return false;
    if (text == "right")
        return true;
    throw UsageError{"Richtung muss left oder right sein: " + text};
}

bool horizontalOrVertical(const std::string& text) {
    if (text == "h")
        return true;
    if (text == "v")
        return false;
    throw UsageError{"Richtung muss h oder v sein: " + text};
}

// The dialogs' "Farbe:" box by the items' English names.
int colorItem(const std::string& text) {
    static const char* const names[] = {"fore", "back", "black", "white", "red", "green", "blue"};
    for (int i = 0; i < 7; ++i)
        if (text == names[i])
            return i;
    throw UsageError{"Farbe muss fore, back, black, white, red, green oder blue sein: " + text};
}

void requireTrueColour(const Context& ctx, const std::string& step) {
    if (DibBitsPerPixel(&ctx.doc.Dib) != 24)
        throw StepError{step + ": nur für Bilder mit 24 Bit pro Pixel verfügbar"};
}

void requireSelection(const Context& ctx, const std::string& step, bool floatingAllowed) {
    if (!ctx.doc.HasSelection || (!floatingAllowed && ctx.doc.Floating))
        throw StepError{step + ": nur mit einer Auswahl verfügbar"};
}

StepRegistrar geometrySteps({
    {"--flip-h", 0, "--flip-h",
     [](Context& ctx, const Args&) { MirrorCommand(ctx.doc, ctx.host, true); }},
    {"--flip-v", 0, "--flip-v",
     [](Context& ctx, const Args&) { MirrorCommand(ctx.doc, ctx.host, false); }},
    {"--rotate", 2, "--rotate left|right 90|180|270",
     [](Context& ctx, const Args& a) {
         TRotateChoice c;
         c.Right = leftOrRight(a[0]);
         if (a[1] == "90")
             c.Angle = RotateAngle::Deg90;
         else if (a[1] == "180")
             c.Angle = RotateAngle::Deg180;
         else if (a[1] == "270")
             c.Angle = RotateAngle::Deg270;
         else
             throw UsageError{"Winkel muss 90, 180 oder 270 sein: " + a[1]};
         RotateCommand(ctx.doc, ctx.host, c);
     }},
    {"--rotate-free", 2, "--rotate-free left|right DEGREES [--interpolate]",
     [](Context& ctx, const Args& a) {
         TRotateChoice c;
         c.Right = leftOrRight(a[0]);
         c.Degrees = ParseDouble(a[1], kRotateMin, kRotateMax, "Winkel");
         // the box is enabled for 24-bit images only
         c.Interpolate = interpolateFlag(a, 2) && DibBitsPerPixel(&ctx.doc.Dib) == 24;
         RotateCommand(ctx.doc, ctx.host, c);
     }},
    {"--resize", 2, "--resize W H [--interpolate]",
     [](Context& ctx, const Args& a) {
         const int32_t w = arg(a[0], kResizeRange, "Neue Breite");
         const int32_t h = arg(a[1], kResizeRange, "Neue Höhe");
         // the box is enabled only for images of more than 8 bits per pixel
         const bool interpolate = interpolateFlag(a, 2) && DibBitsPerPixel(&ctx.doc.Dib) > 8;
         ResizeCommand(ctx.doc, ctx.host, w, h, interpolate);
     }},
    {"--canvas", 4, "--canvas W H LEFT TOP",
     [](Context& ctx, const Args& a) {
         const int32_t w = arg(a[0], kCanvasWidthRange, "Neue Breite");
         const int32_t h = arg(a[1], kCanvasHeightRange, "Neue Höhe");
         const int32_t left = arg(a[2], kCanvasPosRange, "Links");
         const int32_t top = arg(a[3], kCanvasPosRange, "Oben");
         CanvasCommand(ctx.doc, ctx.host, w, h, left, top);
     }},
    {"--border", 4, "--border TOP BOTTOM LEFT RIGHT",
     [](Context& ctx, const Args& a) {
         const int32_t t = arg(a[0], kBorderRange, "Oben");
         const int32_t b = arg(a[1], kBorderRange, "Unten");
         const int32_t l = arg(a[2], kBorderRange, "Links");
         const int32_t r = arg(a[3], kBorderRange, "Rechts");
         BorderCommand(ctx.doc, ctx.host, t, b, l, r);
     }},
    {"--crop", 0, "--crop",
     [](Context& ctx, const Args&) {
         requireSelection(ctx, "--crop", true);
         CropCommand(ctx.doc, ctx.host);
     }},
});

StepRegistrar effectSteps({
    {"--shadow", 5, "--shadow DX DY TRANSPARENCY SOFTNESS COLOR",
     [](Context& ctx, const Args& a) {
         const int32_t dx = arg(a[0], kShadowOffsetRange, "Horizontal");
         const int32_t dy = arg(a[1], kShadowOffsetRange, "Vertikal");
         const int32_t tr = arg(a[2], kShadowPercentRange, "Transparenz");
         const int32_t so = arg(a[3], kShadowPercentRange, "Weichheit");
         const int item = colorItem(a[4]);
         requireSelection(ctx, "--shadow", false);
         ShadowCommand(ctx.doc, ctx.host, dx, dy, tr, so, item);
     }},
    {"--button-effect", 4, "--button-effect WIDTH TRANSPARENCY solid|transparent COLOR",
     [](Context& ctx, const Args& a) {
         const int32_t width = arg(a[0], kButtonWidthRange, "Rahmenbreite");
         const int32_t tr = arg(a[1], kButtonTransRange, "Transparenz");
         if (a[2] != "solid" && a[2] != "transparent")
             throw UsageError{"Umrandung muss solid oder transparent sein: " + a[2]};
         const int item = colorItem(a[3]);
         requireSelection(ctx, "--button-effect", false);
         requireTrueColour(ctx, "--button-effect");
         ButtonCommand(ctx.doc, ctx.host, width, tr, a[2] == "solid", item);
     }},
    {"--mosaic", 2, "--mosaic W H",
     [](Context& ctx, const Args& a) {
         const int32_t w = arg(a[0], kMosaicRange, "Blockbreite");
         const int32_t h = arg(a[1], kMosaicRange, "Blockhöhe");
         requireTrueColour(ctx, "--mosaic");
         MosaicCommand(ctx.doc, ctx.host, w, h);
     }},
    {"--erode", 0, "--erode",
     [](Context& ctx, const Args&) {
         requireTrueColour(ctx, "--erode");
         DibErodeFilter(ctx.doc, ctx.host);
     }},
    {"--dilate", 0, "--dilate",
     [](Context& ctx, const Args&) {
         requireTrueColour(ctx, "--dilate");
         DibDilateFilter(ctx.doc, ctx.host);
     }},
    {"--add-noise", 2, "--add-noise STRENGTH PROBABILITY",
     [](Context& ctx, const Args& a) {
         const int32_t s = arg(a[0], kNoiseStrengthRange, "Stärke");
         const int32_t p = arg(a[1], kNoiseProbabilityRange, "Wahrscheinlichkeit");
         requireTrueColour(ctx, "--add-noise");
         AddNoiseCommand(ctx.doc, ctx.host, s, p);
     }},
    {"--remove-noise", 1, "--remove-noise THRESHOLD",
     [](Context& ctx, const Args& a) {
         const int32_t t = arg(a[0], kDelNoiseRange, "Grenzwert");
         requireTrueColour(ctx, "--remove-noise");
         DelNoise(ctx.doc, ctx.host, t);
     }},
});

StepRegistrar deformationSteps({
    {"--perspective", 2, "--perspective h|v STRENGTH",
     [](Context& ctx, const Args& a) {
         const bool h = horizontalOrVertical(a[0]);
         const int32_t s = arg(a[1], kPerspectiveRange, "Stärke");
         requireTrueColour(ctx, "--perspective");
         PerspectiveCommand(ctx.doc, ctx.host, s, h, true);
     }},
    {"--skew", 2, "--skew h|v STRENGTH",
     [](Context& ctx, const Args& a) {
         const bool h = horizontalOrVertical(a[0]);
         const int32_t s = arg(a[1], kPerspectiveRange, "Stärke");
         requireTrueColour(ctx, "--skew");
         PerspectiveCommand(ctx.doc, ctx.host, s, h, false);
     }},
    {"--bulge", 2, "--bulge both|h|v STRENGTH",
     [](Context& ctx, const Args& a) {
         if (a[0] != "both" && a[0] != "h" && a[0] != "v")
             throw UsageError{"Modus muss both, h oder v sein: " + a[0]};
         const double k = ParseDouble(a[1], kBulgeMin, kBulgeMax, "Stärke");
         requireTrueColour(ctx, "--bulge");
         BulgeCommand(ctx.doc, ctx.host, a[0] != "v", k, a[0] != "h");
     }},
});

} // namespace
} // namespace pixorama::cli
