// pixorama-cli steps of the tone commands, the convolution filters and the colour corrections.
// Each runs as its menu command: refused where the menu is disabled, one undo level, the
// operation, the histogram refresh.
#include "cli/cli.h"

#include "ops/convolution.h"
#include "ops/corrections.h"
#include "ops/tone.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace pixorama::cli {
namespace {

using Args = std::vector<std::string>;

int32_t arg(const std::string& text, const TIntRange& range, const std::string& what) {
    return static_cast<int32_t>(ParseInt(text, range.Min, range.Max, what));
}

double argDouble(const std::string& text, const TFloatRange& range, const std::string& what) {
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(text.c_str(), &end);
    if (text.empty() || errno != 0 || end == text.c_str() || *end != '\0')
        throw UsageError{what + ": keine Zahl: " + text};
    if (!range.contains(v))
        throw UsageError{what + ": " + text + " liegt nicht zwischen " + std::to_string(range.Min) +
                         " und " + std::to_string(range.Max)};
    return v;
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

template <class Op> void command(Context& ctx, Op&& op) {
    RunCommand(ctx.doc, ctx.host, std::forward<Op>(op));
}

StepRegistrar toneSteps({
    {"--invert", 0, "--invert",
     [](Context& ctx, const Args&) { command(ctx, [&] { DibInvert(ctx.doc, ctx.host); }); }},
    {"--grayscale", 0, "--grayscale",
     [](Context& ctx, const Args&) {
         requireNotMonochrome(ctx, "--grayscale");
         command(ctx, [&] { DibGrayscale(ctx.doc, ctx.host); });
     }},
    {"--stretch", 0, "--stretch",
     [](Context& ctx, const Args&) {
         requireNotMonochrome(ctx, "--stretch");
         command(ctx, [&] { StretchHistogramm(ctx.doc, ctx.host); });
     }},
    {"--posterize", 1, "--posterize N",
     [](Context& ctx, const Args& a) {
         const int32_t bits = arg(a[0], kPosterBitsRange, "--posterize");
         requireNotMonochrome(ctx, "--posterize");
         command(ctx, [&] { DibPoster(ctx.doc, ctx.host, 8 - bits); });
     }},
    {"--solarize", 1, "--solarize T",
     [](Context& ctx, const Args& a) {
         const int32_t t = arg(a[0], kSolarThresholdRange, "--solarize");
         requireNotMonochrome(ctx, "--solarize");
         command(ctx, [&] { DibSolar(ctx.doc, ctx.host, t); });
     }},
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
    {"--brightness", 1, "--brightness B",
     [](Context& ctx, const Args& a) {
         const int32_t b = arg(a[0], kBrightnessRange, "--brightness");
         requireNotMonochrome(ctx, "--brightness");
         command(ctx, [&] { Helligkeit(ctx.doc, ctx.host, b); });
     }},
    {"--contrast", 1, "--contrast C",
     [](Context& ctx, const Args& a) {
         const int32_t c = arg(a[0], kContrastRange, "--contrast");
         requireNotMonochrome(ctx, "--contrast");
         command(ctx, [&] { Kontrast(ctx.doc, ctx.host, c); });
     }},
    {"--saturation", 1, "--saturation S",
     [](Context& ctx, const Args& a) {
         const int32_t s = arg(a[0], kSaturationRange, "--saturation");
         requireNotMonochrome(ctx, "--saturation");
         command(ctx, [&] { Saettigung(ctx.doc, ctx.host, s); });
     }},
    {"--hcs", 3, "--hcs B C S",
     [](Context& ctx, const Args& a) {
         const int32_t b = arg(a[0], kBrightnessRange, "--hcs Helligkeit");
         const int32_t c = arg(a[1], kContrastRange, "--hcs Kontrast");
         const int32_t s = arg(a[2], kSaturationRange, "--hcs Sättigung");
         requireNotMonochrome(ctx, "--hcs");
         command(ctx, [&] { HelligkeitKontrastSaettigung(ctx.doc, ctx.host, b, c, s); });
     }},
    {"--gamma", 1, "--gamma G",
     [](Context& ctx, const Args& a) {
         const double g = argDouble(a[0], kGammaRange, "--gamma");
         requireNotMonochrome(ctx, "--gamma");
         command(ctx, [&] { Gamma(ctx.doc, ctx.host, g); });
     }},
    {"--highlight-mid-shadow", 3, "--highlight-mid-shadow H M S",
     [](Context& ctx, const Args& a) {
         const int32_t h = arg(a[0], kHighlightRange, "Glanzlicht");
         const int32_t m = arg(a[1], kMidtoneRange, "Mitte");
         const int32_t s = arg(a[2], kShadowRange, "Schatten");
         requireNotMonochrome(ctx, "--highlight-mid-shadow");
         command(ctx, [&] { HighMidShadow(ctx.doc, ctx.host, h, m, s); });
     }},
    {"--rgb", 3, "--rgb R G B",
     [](Context& ctx, const Args& a) {
         const int32_t r = arg(a[0], kGainRange, "Rot");
         const int32_t g = arg(a[1], kGainRange, "Grün");
         const int32_t b = arg(a[2], kGainRange, "Blau");
         requireNotMonochrome(ctx, "--rgb");
         command(ctx, [&] { RedGreenBlue(ctx.doc, ctx.host, r, g, b); });
     }},
    {"--colorize", 2, "--colorize FARBTON SÄTTIGUNG",
     [](Context& ctx, const Args& a) {
         const int32_t hue = arg(a[0], kHueRange, "Farbton");
         const int32_t sat = arg(a[1], kColorizeSatRange, "Sättigung");
         requireNotMonochrome(ctx, "--colorize");
         command(ctx, [&] { Colorize(ctx.doc, ctx.host, hue, sat); });
     }},
});

} // namespace
} // namespace pixorama::cli
