// The scanner as the command line's input: one image from a SANE device as the new document.
#include "cli/cli.h"
#include "document/document_files.h"

#include <scanlink.h>

namespace pixorama::cli {

size_t ScanInput(Context& ctx, const std::vector<std::string>& args, size_t i) {
    if (i + 1 >= args.size()) throw UsageError{"--scan braucht ein Gerät"};
    const std::string device = args[i + 1];
    scanlink::ScanSettings settings;
    i += 2;
    for (;;) {
        if (i + 1 < args.size() && args[i] == "--scan-mode") {
            const std::string& m = args[i + 1];
            if (m == "color")
                settings.mode = scanlink::Mode::Color;
            else if (m == "gray")
                settings.mode = scanlink::Mode::Gray;
            else if (m == "lineart")
                settings.mode = scanlink::Mode::Lineart;
            else
                throw UsageError{"--scan-mode: color, gray oder lineart erwartet: " + m};
            i += 2;
        } else if (i + 1 < args.size() && args[i] == "--scan-resolution") {
            settings.resolution = static_cast<int>(ParseInt(args[i + 1], 1, 9600, "Auflösung"));
            i += 2;
        } else if (i < args.size() &&
                   (args[i] == "--scan-mode" || args[i] == "--scan-resolution")) {
            throw UsageError{args[i] + " braucht einen Wert"};
        } else {
            break;
        }
    }
    std::string error;
    const intptr_t number = scanlink::Acquire(
        device, settings, [&](int percent) { ctx.host.SetProSatus(percent); }, nullptr, error);
    ctx.host.SetProSatus(0);
    if (number == 0) throw StepError{error.empty() ? std::string(scanlink::kTextScanFailed) : error};
    TDibRecord dib;
    GetScanedDib(&dib, number);
    if (dib.Bits == nullptr) throw StepError{kTextNoMemory};
    if (!AttachImage(ctx.doc, dib)) throw StepError{kTextNoMemory};
    ctx.doc.FileName = NonameName({});
    return i;
}

} // namespace pixorama::cli
