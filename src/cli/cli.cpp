// The frame of pixorama-cli: argument parsing, input (file or new image), the step loop,
// saving, and the host that reports to the terminal.
#include "cli/cli.h"

#include "colour/hsl.h"
#include "document/dib.h"
#include "document/document_files.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <iostream>

namespace pixorama::cli {

void CliHost::SetProSatus(int percent) {
    if (!showProgress) return;
    if (percent == lastPercent_) return;
    lastPercent_ = percent;
    const int width = 40;
    const int filled = percent * width / 100;
    std::string bar(static_cast<size_t>(filled), '#');
    bar.resize(width, '.');
    std::fprintf(stderr, "\r[%s] %3d%%", bar.c_str(), percent);
    if (percent == 0 || percent >= 100) std::fprintf(stderr, "\n");
    std::fflush(stderr);
}

int CliHost::MessageBox(const std::string& text, const std::string& caption, int flags) {
    // "Fehler" before a text that starts with "Fehler: " would say it twice
    if (caption.empty() || text.rfind(caption + ":", 0) == 0)
        std::cerr << text << '\n';
    else
        std::cerr << caption << ": " << text << '\n';
    if (flags & MB_ICONSTOP) errorShown = true;
    // questions get the cautious answer: nothing is discarded without a person to ask
    switch (flags & 0x0F) {
    case MB_YESNOCANCEL:
    case MB_OKCANCEL:
        return IDCANCEL;
    case MB_YESNO:
        return IDNO;
    default:
        return IDOK;
    }
}

std::vector<Step>& Steps() {
    static std::vector<Step> steps;
    return steps;
}

StepRegistrar::StepRegistrar(std::vector<Step> steps) {
    for (auto& s : steps) Steps().push_back(std::move(s));
}

namespace {

UsageError notANumber(const std::string& text, const std::string& what) {
    return {what + ": keine Zahl: " + text};
}
UsageError outOfRange(const std::string& text, const std::string& lo, const std::string& hi,
                      const std::string& what) {
    return {what + ": " + text + " liegt nicht zwischen " + lo + " und " + hi};
}

} // namespace

int64_t ParseInt(const std::string& text, int64_t lo, int64_t hi, const std::string& what) {
    if (text.empty()) throw UsageError{what + ": Zahl erwartet"};
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || end == text.c_str() || *end != '\0') throw notANumber(text, what);
    if (v < lo || v > hi) throw outOfRange(text, std::to_string(lo), std::to_string(hi), what);
    return v;
}

double ParseDouble(const std::string& text, double lo, double hi, const std::string& what) {
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(text.c_str(), &end);
    if (text.empty() || errno != 0 || end == text.c_str() || *end != '\0')
        throw notANumber(text, what);
    if (!(v >= lo && v <= hi)) throw outOfRange(text, std::to_string(lo), std::to_string(hi), what);
    return v;
}

int32_t ParsePixelValue(const std::string& text, const TDibRecord& dib) {
    const int32_t colours = DibColorCount(&dib);
    if (colours > 256) {
        if (text.size() != 7 || text[0] != '#')
            throw UsageError{"Farbe als #RRGGBB erwartet: " + text};
        char* end = nullptr;
        const unsigned long rgb = std::strtoul(text.c_str() + 1, &end, 16);
        if (*end != '\0') throw UsageError{"Farbe als #RRGGBB erwartet: " + text};
        const TRgb c{static_cast<int32_t>((rgb >> 16) & 0xFF),
                     static_cast<int32_t>((rgb >> 8) & 0xFF), static_cast<int32_t>(rgb & 0xFF)};
        return PackRgb(c);
    }
    return static_cast<int32_t>(ParseInt(text, 0, colours - 1, "Farbindex"));
}

namespace {

void printUsage() {
    std::string text =
        "Aufruf: pixorama-cli [--seed N] [--progress] [--image-limit MB]\n"
        "                     (EINGABE | --new B H BITS | --scan GERÄT\n"
        "                     [--scan-mode color|gray|lineart] [--scan-resolution DPI])\n"
        "                     [SCHRITT ...]\n"
        "                     [--save AUSGABE [--quality Q]]\n"
        "Schritte:\n";
    for (const Step& s : Steps()) text += "  " + s.usage + "\n";
    std::cerr << text;
}

int run(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        printUsage();
        return 2;
    }
    Context ctx;
    size_t i = 0;
    // options before the input
    for (; i < args.size(); ++i) {
        if (args[i] == "--seed" && i + 1 < args.size()) {
            ctx.host.Seed(static_cast<uint32_t>(ParseInt(args[++i], 0, UINT32_MAX, "--seed")));
        } else if (args[i] == "--progress") {
            ctx.host.showProgress = true;
        } else if (args[i] == "--image-limit" && i + 1 < args.size()) {
            // megabytes of pixels one image may take
            const auto mb = static_cast<uint64_t>(ParseInt(args[++i], 1, 1 << 24, "--image-limit"));
            PictoraSetImageLimit(mb << 20);
        } else {
            break;
        }
    }
    if (i >= args.size()) throw UsageError{"Eingabe fehlt"};

    // the input: a file or a new image
    if (args[i] == "--new") {
        if (i + 3 >= args.size()) throw UsageError{"--new braucht Breite, Höhe und Farbtiefe"};
        const TIntRange& wr = kNewImageWidthRange;
        const TIntRange& hr = kNewImageHeightRange;
        const auto w = static_cast<int32_t>(ParseInt(args[i + 1], wr.Min, wr.Max, "Breite"));
        const auto h = static_cast<int32_t>(ParseInt(args[i + 2], hr.Min, hr.Max, "Höhe"));
        const auto bpp = static_cast<int32_t>(ParseInt(args[i + 3], 1, 24, "Farbtiefe"));
        if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24)
            throw UsageError{"Farbtiefe muss 1, 4, 8 oder 24 sein"};
        if (!AttachImage(ctx.doc, CreateNewImage(w, h, bpp))) throw StepError{kTextNoMemory};
        ctx.doc.FileName = NonameName({});
        i += 4;
    } else if (args[i] == "--thumbnails" && i + 2 == args.size()) {
        // works on a folder, not on an image: no input
    } else if (args[i] == "--scan") {
        i = ScanInput(ctx, args, i);
    } else if (args[i].rfind("--", 0) == 0) {
        throw UsageError{"Eingabe fehlt vor " + args[i]};
    } else {
        // a failed load has shown its message
        const TDibRecord dib = LoadImageFile(args[i], ctx.host);
        if (dib.Bits == nullptr) return 1;
        if (!AttachImage(ctx.doc, dib)) throw StepError{kTextNoMemory};
        SetDocumentFile(ctx.doc, args[i]);
        ++i;
    }

    // the steps, then an optional save
    while (i < args.size()) {
        const std::string& name = args[i];
        if (name == "--save") {
            if (i + 1 >= args.size()) throw UsageError{"--save braucht einen Dateinamen"};
            const std::string out = args[i + 1];
            const TIntRange& qr = kJpegQualityRange;
            int quality = qr.Default;
            i += 2;
            if (i < args.size() && args[i] == "--quality") {
                if (i + 1 >= args.size()) throw UsageError{"--quality braucht eine Zahl"};
                quality = static_cast<int>(ParseInt(args[i + 1], qr.Min, qr.Max, "--quality"));
                i += 2;
            }
            if (i != args.size()) throw UsageError{"Nach --save folgt nichts mehr: " + args[i]};
            // the format follows the extension; a failure has shown its message
            return SaveDocument(ctx.doc, SaveTarget{out, SaveFormatOfPath(out)}, quality, ctx.host)
                       ? 0
                       : 1;
        }
        const Step* step = nullptr;
        for (const Step& s : Steps())
            if (s.name == name) step = &s;
        if (step == nullptr) throw UsageError{"Unbekannter Schritt: " + name};
        size_t count = static_cast<size_t>(step->argCount);
        if (step->argCount == kArgsUpToNextStep) {
            count = 0;
            while (i + 1 + count < args.size() && args[i + 1 + count].rfind("--", 0) != 0)
                ++count;
        }
        if (i + count >= args.size())
            throw UsageError{"Zu wenige Angaben für " + step->usage};
        // optional flags, written in brackets in the step's usage, may follow its arguments
        while (i + 1 + count < args.size() &&
               step->usage.find("[" + args[i + 1 + count] + "]") != std::string::npos)
            ++count;
        std::vector<std::string> stepArgs(args.begin() + static_cast<long>(i) + 1,
                                          args.begin() + static_cast<long>(i + 1 + count));
        i += 1 + count;
        for (bool more = true; more && i < args.size();) {
            more = false;
            for (const StepOption& o : step->options)
                if (args[i] == o.name) {
                    size_t n = static_cast<size_t>(o.argCount);
                    if (o.argCount == kArgsUpToNextStep)
                        for (n = 0; i + 1 + n < args.size() && args[i + 1 + n].rfind("--", 0) != 0;)
                            ++n;
                    if (i + n >= args.size())
                        throw UsageError{"Zu wenige Angaben für " + o.name};
                    stepArgs.insert(stepArgs.end(), args.begin() + static_cast<long>(i),
                                    args.begin() + static_cast<long>(i + 1 + n));
                    i += 1 + n;
                    more = true;
                    break;
                }
        }
        step->run(ctx, stepArgs);
        if (ctx.host.errorShown) return 1;
    }
    return 0;
}

StepRegistrar infoSteps({
    {"--info", 0, "--info", [](Context& ctx, const std::vector<std::string>&) {
         std::cout << ImageStatusText(ctx.doc.Dib) << '\n';
     }},
});

} // namespace

int Main(int argc, char** argv) {
    try {
        return run(argc, argv);
    } catch (const UsageError& e) {
        std::cerr << e.text << '\n';
        printUsage();
        return 2;
    } catch (const StepError& e) {
        std::cerr << e.text << '\n';
        return 1;
    } catch (const std::bad_alloc&) {
        std::cerr << kTextNoMemory << '\n';
        return 1;
    } catch (const std::exception& e) {
        std::cerr << e.what() << '\n';
        return 1;
    }
}

} // namespace pixorama::cli
