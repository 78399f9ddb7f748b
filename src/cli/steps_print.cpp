// The printing step: the document's image printed onto an A4 page of a PDF file, as the print
// dialog's OK would print it.
#include "app/pdf_print.h"
#include "cli/cli.h"

namespace pixorama::cli {

namespace {

void printPdf(Context& ctx, const std::vector<std::string>& a) {
    TPrintOptions options; // the dialog's start values: whole page, aspect kept, centred
    const std::string out = a[0];
    for (size_t k = 1; k < a.size(); ++k) {
        if (a[k] == "--print-size") {
            if (k + 1 >= a.size()) throw UsageError{"--print-size braucht full oder percent"};
            const std::string& mode = a[k + 1];
            if (mode == "full" && (k + 2 >= a.size() || a[k + 2].rfind("--", 0) == 0)) {
                options.UseFull = true;
                k += 1;
            } else if (mode == "percent") {
                if (k + 3 >= a.size())
                    throw UsageError{"--print-size percent braucht Breite und Höhe in %"};
                options.UseFull = false;
                options.Breite = static_cast<int>(
                    ParseInt(a[k + 2], kPrintPercentMin, kPrintPercentMax, "Breite in %"));
                options.Hoch = static_cast<int>(
                    ParseInt(a[k + 3], kPrintPercentMin, kPrintPercentMax, "Höhe in %"));
                k += 3;
            } else {
                throw UsageError{"--print-size: full oder percent erwartet: " + mode};
            }
        } else if (a[k] == "--no-keep-aspect") {
            options.Sverh = false;
        } else if (a[k] == "--no-center") {
            options.Zentr = false;
        }
    }
    if (!PrintDibToPdf(ctx.doc.Dib, options, out, ctx.host)) ctx.host.errorShown = true;
}

StepRegistrar printSteps({
    {"--print-pdf", 1,
     "--print-pdf AUSGABE.pdf [--print-size full|percent B H] [--no-keep-aspect] [--no-center]",
     printPdf,
     {{"--print-size", kArgsUpToNextStep}, {"--no-keep-aspect", 0}, {"--no-center", 0}}},
});

} // namespace

} // namespace pixorama::cli
