// pixorama-cli steps of colour depth and palettes: reducing and increasing the depth, counting
// colours, loading, fitting and saving palettes.  Each runs as its menu command: refused where
// the menu item is disabled, with the undo step and histogram refresh of its handler.
#include "cli/cli.h"

#include "app/menu_rules.h"
#include "colour/depth_down.h"
#include "colour/depth_up.h"
#include "colour/palette_files.h"
#include "document/undo.h"

#include <iostream>

namespace pixorama::cli {
namespace {

using Args = std::vector<std::string>;

// Whether the menu item (inside submenu, if any) is enabled for the document's image.
void requireEnabled(const Context& ctx, MenuItem submenu, MenuItem item, const std::string& step) {
    MenuState s;
    s.ChildCount = 1;
    s.Active = ActiveChild::Document;
    s.HasPixels = ctx.doc.Dib.Bits != nullptr;
    s.BitsPerPixel = DibBitsPerPixel(&ctx.doc.Dib);
    const MenuEnabling e = ComputeMenuItems(s);
    if (e[submenu] == Enabling::Off || e[item] == Enabling::Off || !s.HasPixels)
        throw StepError{step + ": für Bilder mit " + std::to_string(s.BitsPerPixel) +
                        " Bit pro Pixel nicht verfügbar"};
}

// The options that follow a step's fixed arguments.
struct DepthOptions {
    bool standard = false;
    bool noWindowsColours = false;
    bool methodGiven = false;
    TDepthMethod method = TDepthMethod::FloydSteinberg;
};

DepthOptions readOptions(const Args& a, size_t from, const std::string& step) {
    DepthOptions o;
    for (size_t i = from; i < a.size(); ++i) {
        if (a[i] == "--standard-palette") {
            o.standard = true;
        } else if (a[i] == "--no-windows-colors") {
            o.noWindowsColours = true;
        } else if (a[i] == "--method") {
            const std::string& m = a[++i];
            o.methodGiven = true;
            if (m == "nearest")
                o.method = TDepthMethod::Nearest;
            else if (m == "fs")
                o.method = TDepthMethod::FloydSteinberg;
            else if (m == "ordered")
                o.method = TDepthMethod::Ordered;
            else
                throw UsageError{step + ": unbekannte Methode: " + m};
        }
    }
    return o;
}

// What the menu handler does around the conversion.
template <class Op> void command(Context& ctx, Op&& op) {
    SaveForUndo(ctx.doc, ctx.host);
    op();
    ctx.host.Updatehistogramm();
}

// Forwards to the command line's host and answers the dithering question of palette fitting.
class FitHost : public Host {
  public:
    FitHost(Host& outer, bool dither) : outer_(outer), dither_(dither) {}
    void SetProSatus(int percent) override { outer_.SetProSatus(percent); }
    int MessageBox(const std::string& text, const std::string& caption, int flags) override {
        if (text == kTextFitQuestion)
            return dither_ ? IDYES : IDNO;
        return outer_.MessageBox(text, caption, flags);
    }
    void UpdateMenuItems() override { outer_.UpdateMenuItems(); }
    void Updatehistogramm() override { outer_.Updatehistogramm(); }

  private:
    Host& outer_;
    bool dither_;
};

const std::vector<StepOption> kDepthOptions = {
    {"--standard-palette", 0}, {"--method", 1}, {"--no-windows-colors", 0}};
const std::vector<StepOption> kFreeDepthOptions = {{"--method", 1}, {"--no-windows-colors", 0}};

StepRegistrar depthSteps({
    {"--depth-down", 1,
     "--depth-down 1|4|8 [--standard-palette] [--method nearest|ordered|fs] [--no-windows-colors]",
     [](Context& ctx, const Args& a) {
         const std::string step = "--depth-down";
         const auto bits = static_cast<int32_t>(ParseInt(a[0], 1, 8, step));
         if (bits != 1 && bits != 4 && bits != 8)
             throw UsageError{step + ": Farbtiefe muss 1, 4 oder 8 sein"};
         const DepthOptions o = readOptions(a, 1, step);
         const TDepthDownEnabling en = DepthDownEnabling(bits, !o.standard);
         if (o.standard && !en.PaletteRadios)
             throw UsageError{step + " 1: --standard-palette gibt es hier nicht"};
         if (o.method == TDepthMethod::Ordered && !en.Dither)
             throw UsageError{step + ": --method ordered nur mit 8 und --standard-palette"};
         if (o.noWindowsColours && !en.WindowsColours)
             throw UsageError{step + ": --no-windows-colors nur mit 8 und optimierter Palette"};
         const MenuItem item =
             bits == 1 ? MenuItem::R2Farben : (bits == 4 ? MenuItem::R16Farben : MenuItem::R256Farben);
         requireEnabled(ctx, MenuItem::FarbtiefeVerkleinern, item, step);
         const TDepthDownChoice choice =
             DepthDownChoice(bits, !o.standard, o.method, !o.noWindowsColours);
         command(ctx, [&] { DepthDownTo(ctx.doc, ctx.host, choice); });
     },
     kDepthOptions},
    {"--colors", 1, "--colors N [--method nearest|fs] [--no-windows-colors]",
     [](Context& ctx, const Args& a) {
         const std::string step = "--colors";
         const DepthOptions o = readOptions(a, 1, step);
         if (o.method == TDepthMethod::Ordered)
             throw UsageError{step + ": --method ordered gibt es hier nicht"};
         requireEnabled(ctx, MenuItem::FarbtiefeVerkleinern, MenuItem::RXFarben, step);
         const TColourCountRange r =
             FreeDepthRange(DibBitsPerPixel(&ctx.doc.Dib), !o.noWindowsColours);
         const auto n = static_cast<int32_t>(ParseInt(a[0], r.Min, r.Max, step));
         const TDepthDownChoice choice =
             FreeDepthChoice(n, o.method == TDepthMethod::FloydSteinberg, !o.noWindowsColours);
         command(ctx, [&] { DepthDownTo(ctx.doc, ctx.host, choice); });
     },
     kFreeDepthOptions},
    {"--depth-up", 1, "--depth-up 4|8|24",
     [](Context& ctx, const Args& a) {
         const std::string step = "--depth-up";
         const auto bits = static_cast<int32_t>(ParseInt(a[0], 4, 24, step));
         if (bits != 4 && bits != 8 && bits != 24)
             throw UsageError{step + ": Farbtiefe muss 4, 8 oder 24 sein"};
         const MenuItem item = bits == 4 ? MenuItem::I16Farben
                                         : (bits == 8 ? MenuItem::I256Farben
                                                      : MenuItem::I16MillionenFarben);
         requireEnabled(ctx, MenuItem::FarbtiefeVergroessern, item, step);
         command(ctx, [&] { DepthUpTo(ctx.doc, ctx.host, bits); });
     }},
    {"--count-colors", 0, "--count-colors",
     [](Context& ctx, const Args&) {
         const int64_t n = CountColors(ctx.doc, ctx.host);
         if (n < 1)
             ctx.host.MessageBox(kTextCountFailed, "", MB_ICONSTOP);
         else
             std::cout << UsedColoursText(n, ctx.doc.HasSelection) << '\n';
     }},
    {"--load-palette", 1, "--load-palette DATEI",
     [](Context& ctx, const Args& a) {
         requireEnabled(ctx, MenuItem::MenuFarben, MenuItem::PaletteLaden, "--load-palette");
         command(ctx, [&] { loadpal(ctx.doc, ctx.host, a[0]); });
     }},
    {"--fit-palette", 2, "--fit-palette DATEI nearest|fs",
     [](Context& ctx, const Args& a) {
         if (a[1] != "nearest" && a[1] != "fs")
             throw UsageError{"--fit-palette: nearest oder fs erwartet: " + a[1]};
         requireEnabled(ctx, MenuItem::MenuFarben, MenuItem::PaletteLadenBildAnpassen,
                        "--fit-palette");
         FitHost host(ctx.host, a[1] == "fs");
         command(ctx, [&] { loadpal0(ctx.doc, host, a[0]); });
     }},
    {"--save-palette", 1, "--save-palette DATEI",
     [](Context& ctx, const Args& a) {
         requireEnabled(ctx, MenuItem::MenuFarben, MenuItem::PaletteSpeichern, "--save-palette");
         savepal(ctx.doc, ctx.host, a[0]);
     }},
});

} // namespace
} // namespace pixorama::cli
