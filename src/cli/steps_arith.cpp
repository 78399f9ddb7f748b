// pixorama-cli steps of image arithmetic, channel split and combine, and the user filters.
// Arithmetic and combine make a new image, which here replaces the current document; the split
// writes its three channel images as BMP files; a user filter runs as "Anwenden" does.
#include "cli/cli.h"

#include "document/document_files.h"
#include "document/undo.h"
#include "ops/arithmetic.h"
#include "ops/channels.h"
#include "ops/user_filters.h"

#include <array>

namespace pixorama::cli {
namespace {

using Args = std::vector<std::string>;

// The number of the next split's names, as the frame's counter.
int gChannelCounter = 1;

// An image loaded for a step; a failure has shown the program's message.
struct Loaded {
    DibHolder dib;
    explicit Loaded(const std::string& path, Host& host) : dib(LoadImageFile(path, host)) {}
};

// The new image becomes the document, as a new window would hold it: no undo levels, no
// selection, a "NONAME" name.
void replaceDocument(Context& ctx, TDibRecord dib) {
    DocumentState& doc = ctx.doc;
    while (doc.UndoCount > 0)
        FreeUndoBuffer(doc, 1);
    DropFloating(doc);
    if (!AttachImage(doc, dib))
        throw StepError{kTextNoMemory};
    doc.FileName = NonameName({});
    doc.FilePath.clear();
    doc.HasFileFormat = false;
    doc.FileFormat = 0;
    doc.Modified = false;
}

template <size_t N>
int listIndex(const std::string& text, const std::array<const char*, N>& names,
              const std::string& what) {
    for (size_t i = 0; i < N; ++i)
        if (text == names[i])
            return static_cast<int>(i);
    std::string known;
    for (const char* n : names) {
        if (!known.empty())
            known += '|';
        known += n;
    }
    throw UsageError{what + ": " + text + " ist keiner von " + known};
}

void mathStep(Context& ctx, const Args& a) {
    TMathOptions o;
    o.Function = static_cast<TMathFunction>(listIndex(a[1], kMathFunctionCliNames, "--math"));
    for (size_t i = 2; i < a.size(); ++i) {
        if (a[i] == "--div") {
            o.Divisor = static_cast<int32_t>(
                ParseInt(a[++i], kMathDivisorRange.Min, kMathDivisorRange.Max, "--div"));
        } else if (a[i] == "--shift") {
            o.Shift = static_cast<int32_t>(
                ParseInt(a[++i], kMathShiftRange.Min, kMathShiftRange.Max, "--shift"));
        } else if (a[i] == "--wrap") {
            o.Clip = false;
        } else if (a[i] == "--channels") {
            o.AllChannels = false;
            o.Channel1 = listIndex(a[i + 1], kMathChannelCliNames, "--channels");
            o.Channel2 = listIndex(a[i + 2], kMathChannelCliNames, "--channels");
            i += 2;
        }
    }
    Loaded other(a[0], ctx.host);
    if (!other.dib.ok())
        return;
    DibHolder result(MatheDib(ctx.doc.Dib, other.dib.get(), o, ctx.host));
    if (!result.ok()) {
        ctx.host.errorShown = true;
        return;
    }
    replaceDocument(ctx, result.release());
}

void splitStep(Context& ctx, const Args& a) {
    std::array<TDibRecord, 3> channels;
    if (!SplittTORGB(ctx.doc.Dib, ctx.host, channels))
        return;
    DibHolder red(channels[0]), green(channels[1]), blue(channels[2]);
    const std::array<std::string, 3> names = SplitChannelNames(gChannelCounter);
    DibHolder* images[3] = {&red, &green, &blue};
    for (size_t i = 0; i < 3; ++i) {
        const std::string path = a[0] + "-" + names[i] + ".bmp";
        char error[512] = {};
        if (!SaveDib(&images[i]->get(), path.c_str(), PICTORA_FORMAT_BMP, 0, error, sizeof(error)))
            throw StepError{"Fehler beim Speichern (" + path + "): " + error};
    }
    ++gChannelCounter;
}

void combineStep(Context& ctx, const Args& a) {
    Loaded red(a[0], ctx.host);
    if (!red.dib.ok())
        return;
    Loaded green(a[1], ctx.host);
    if (!green.dib.ok())
        return;
    Loaded blue(a[2], ctx.host);
    if (!blue.dib.ok())
        return;
    DibHolder result(CombineFromRGB(red.dib.get(), green.dib.get(), blue.dib.get(), ctx.host));
    if (!result.ok())
        return;
    replaceDocument(ctx, result.release());
}

void userFilterStep(Context& ctx, const Args& a) {
    std::string store = DefaultUserFilterStorePath();
    for (size_t i = 1; i + 1 < a.size(); ++i)
        if (a[i] == "--store")
            store = a[++i];
    std::vector<TFilterRecord> items;
    if (ReadUserFilterStore(store, items).State == TStoreState::Foreign)
        throw StepError{ForeignStoreText(store)};
    const int index = FindUserFilter(items, a[0]);
    if (index < 0)
        throw StepError{"Kein Filter mit dem Namen " + a[0] + " in " + store};
    // the menu item is there for 24-bit images only
    if (DibBitsPerPixel(&ctx.doc.Dib) != 24)
        throw StepError{"--user-filter: nur für Bilder mit 24 Bit pro Pixel verfügbar"};
    ApplyUserFilter(ctx.doc, ctx.host, items[static_cast<size_t>(index)]);
}

StepRegistrar arithSteps({
    {"--math", 2,
     "--math ANDERES sum|product|darker|difference|absdiff|lighter|average|and|or|xor "
     "[--div D] [--shift S] [--wrap] [--channels red|green|blue red|green|blue]",
     mathStep,
     {{"--div", 1}, {"--shift", 1}, {"--wrap", 0}, {"--channels", 2}}},
    {"--split-channels", 1, "--split-channels PRÄFIX", splitStep},
    {"--combine", 3, "--combine ROT GRÜN BLAU", combineStep},
    {"--user-filter", 1, "--user-filter NAME [--store DATEI]", userFilterStep, {{"--store", 1}}},
});

} // namespace
} // namespace pixorama::cli
