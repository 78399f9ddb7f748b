// pixorama-cli steps of the tone commands, the convolution filters and the colour corrections.
// Each runs as its menu command: refused where the menu is disabled, one undo level, the
// operation, the histogram refresh.
#include "cli/cli.h"

#include "ops/convolution.h"
#include "ops/corrections.h"
#include "ops/dialog_values.h"
#include "ops/tone.h"

#include <climits>

namespace pixorama::cli {
namespace {

using Args = std::vector<std::string>;

int32_t arg(const std::string& text, const TIntRange& range, const std::string& what) {
    return static_cast<int32_t>(ParseInt(text, range.Min, range.Max, what));
}

// The menus "F&arben" (but "Farben &umkehren") and its "&Anpassen" are disabled for 1-bit
// images, the filters for anything but 24-bit images.
void requireNotMonochrome(const Context& ctx, const std::string& step) {
    if (DibBitsPerPixel(&ctx.doc.Dib) == 1)
        throw StepError{step + ": für Schwarzweißbilder (1 Bit pro Pixel) nicht verfügbar"};
}
void requireTrueColour(const Context& ctx, const std::string& step) {
    if (DibBitsPerPixel(&ctx.doc.Dib) != 24)
        throw StepError{step + ": nur für Bilder mit 24 Bit pro Pixel verfügbar"};
}

// The point operations write pixels only through ApplyPixelRun: their undo level takes the
// image's buffer rather than a copy.
template <class Op> void command(Context& ctx, Op&& op) {
    RunPixelCommand(ctx.doc, ctx.host, std::forward<Op>(op));
}

// A step of "F&arben" or "&Anpassen": read(args) checks the arguments and gives the operation,
// which then runs as its menu command unless the image has 1 bit per pixel.
template <class Read>
Step colourStep(const std::string& name, int argCount, const std::string& argNames, Read read) {
    return {name, argCount, argNames.empty() ? name : name + " " + argNames,
            [name, read](Context& ctx, const Args& a) {
                const auto op = read(a);
                requireNotMonochrome(ctx, name);
                command(ctx, [&] { op(ctx.doc, ctx.host); });
            }};
}

// The same with one whole number, named after the step in messages.
Step oneValueStep(const std::string& name, const std::string& argName, const TIntRange& range,
                  void (*op)(DocumentState&, Host&, int32_t)) {
    return colourStep(name, 1, argName, [name, range, op](const Args& a) {
        const int32_t v = arg(a[0], range, name);
        return [op, v](DocumentState& doc, Host& host) { op(doc, host, v); };
    });
}

StepRegistrar toneSteps({
    {"--invert", 0, "--invert",
     [](Context& ctx, const Args&) { command(ctx, [&] { DibInvert(ctx.doc, ctx.host); }); }},
    colourStep("--grayscale", 0, "", [](const Args&) { return DibGrayscale; }),
    colourStep("--stretch", 0, "", [](const Args&) { return StretchHistogramm; }),
    oneValueStep("--posterize", "N", kPosterBitsRange,
                 [](DocumentState& doc, Host& host, int32_t bits) {
                     DibPoster(doc, host, PosterShift(bits));
                 }),
    oneValueStep("--solarize", "T", kSolarThresholdRange, DibSolar),
});

std::string filterUsage() {
    std::string usage = "--filter ";
    for (const TBuiltinFilter& f : kBuiltinFilters) {
        if (&f != &kBuiltinFilters.front())
            usage += '|';
        usage += f.CliName;
    }
    return usage;
}

StepRegistrar filterSteps({
    {"--filter", 1, filterUsage(),
     [](Context& ctx, const Args& a) {
         const TBuiltinFilter* f = FindBuiltinFilter(a[0].c_str());
         if (f == nullptr)
             throw UsageError{"Unbekannter Filter: " + a[0]};
         requireTrueColour(ctx, "--filter");
         // DibFilter takes its own undo level and refreshes the histogram
         ApplyBuiltinFilter(ctx.doc, ctx.host, *f);
     }},
    {"--kernel", 27, "--kernel DIVISOR BIAS W1 ... W25",
     [](Context& ctx, const Args& a) {
         const auto divisor = static_cast<int32_t>(ParseInt(a[0], INT32_MIN, INT32_MAX, "Divisor"));
         if (divisor == 0)
             throw UsageError{"Divisor: 0 ist nicht erlaubt"};
         const auto bias = static_cast<int32_t>(ParseInt(a[1], INT32_MIN, INT32_MAX, "Bias"));
         int32_t rows[5][5];
         for (int i = 0; i < 25; ++i)
             rows[i / 5][i % 5] = static_cast<int32_t>(
                 ParseInt(a[static_cast<size_t>(i) + 2], INT32_MIN, INT32_MAX, "Gewicht"));
         requireTrueColour(ctx, "--kernel");
         DibFilter(ctx.doc, ctx.host, FilterFromRows(rows, divisor, bias));
     }},
});

StepRegistrar correctionSteps({
    oneValueStep("--brightness", "B", kBrightnessRange, Helligkeit),
    oneValueStep("--contrast", "C", kContrastRange, Kontrast),
    oneValueStep("--saturation", "S", kSaturationRange, Saettigung),
    colourStep("--hcs", 3, "B C S",
               [](const Args& a) {
                   const int32_t b = arg(a[0], kBrightnessRange, "--hcs Helligkeit");
                   const int32_t c = arg(a[1], kContrastRange, "--hcs Kontrast");
                   const int32_t s = arg(a[2], kSaturationRange, "--hcs Sättigung");
                   return [=](DocumentState& doc, Host& host) {
                       HelligkeitKontrastSaettigung(doc, host, b, c, s);
                   };
               }),
    colourStep("--gamma", 1, "G",
               [](const Args& a) {
                   const double g = ParseDouble(a[0], kGammaRange.Min, kGammaRange.Max, "--gamma");
                   return [=](DocumentState& doc, Host& host) { Gamma(doc, host, g); };
               }),
    colourStep("--highlight-mid-shadow", 3, "H M S",
               [](const Args& a) {
                   const int32_t h = arg(a[0], kHighlightRange, "Glanzlicht");
                   const int32_t m = arg(a[1], kMidtoneRange, "Mitte");
                   const int32_t s = arg(a[2], kShadowRange, "Schatten");
                   return
                       [=](DocumentState& doc, Host& host) { HighMidShadow(doc, host, h, m, s); };
               }),
    colourStep("--rgb", 3, "R G B",
               [](const Args& a) {
                   const int32_t r = arg(a[0], kGainRange, "Rot");
                   const int32_t g = arg(a[1], kGainRange, "Grün");
                   const int32_t b = arg(a[2], kGainRange, "Blau");
                   return [=](DocumentState& doc, Host& host) { RedGreenBlue(doc, host, r, g, b); };
               }),
    colourStep("--colorize", 2, "FARBTON SÄTTIGUNG",
               [](const Args& a) {
                   const int32_t hue = arg(a[0], kHueRange, "Farbton");
                   const int32_t sat = arg(a[1], kColorizeSatRange, "Sättigung");
                   return [=](DocumentState& doc, Host& host) { Colorize(doc, host, hue, sat); };
               }),
});

} // namespace
} // namespace pixorama::cli
