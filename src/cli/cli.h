// pixorama-cli: the batch front end.  Steps run left to right on one document, each exactly as
// its menu command would.  Every family of commands registers its steps in its own file.
#pragma once

#include "document/clipboard_blocks.h"
#include "document/document_state.h"
#include "document/host.h"
#include "tools/mouse_dispatch.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace pixorama::cli {

// Host of the command line: progress bar on stderr, message boxes as lines on stderr.
class CliHost : public Host {
  public:
    bool showProgress = false;
    bool errorShown = false; // an error message box was shown
    void SetProSatus(int percent) override;
    int MessageBox(const std::string& text, const std::string& caption, int flags) override;

  private:
    int lastPercent_ = -1;
};

// The window the command line's gestures run in: zoom 1:1, nothing to scroll or show; the
// tool options are the sticky steps' values.
class CliView : public MouseView {
  public:
    CliView() = default;
    CliView(const CliView&) = delete;
    CliView& operator=(const CliView&) = delete;
    ~CliView() override { deldib(&pattern); }
    Tool tool = Tool::Zoom;
    TToolOptions options;
    TDibRecord pattern{}; // --pattern
    Tool SelectedTool() const override { return tool; }
    TToolOptions Options() const override { return options; }
    const TDibRecord* FillPattern() const override { return &pattern; }
};

struct Context {
    CliHost host;
    DocumentState doc;
    CliView view;
    MouseButton button = MouseButton::Left; // --button
    ClipboardContent clipboard;             // --copy, --cut, --paste: kept for the run
};

// Thrown by a step for a wrong command line (usage, exit 2).
struct UsageError {
    std::string text;
};
// Thrown by a step that failed with the program's message (exit 1).
struct StepError {
    std::string text;
};

// An optional modifier that may follow a step's arguments, e.g. "--method fs".
struct StepOption {
    std::string name;
    int argCount; // kArgsUpToNextStep: every argument up to the next one that starts with "--"
};

struct Step {
    std::string name;   // "--info"
    int argCount;       // fixed number of arguments after the name; kArgsUpToNextStep: every
                        // argument up to the next one that starts with "--"
    std::string usage;  // "--posterize N"
    // run gets the fixed arguments, then every option given, each as its name and arguments
    std::function<void(Context&, const std::vector<std::string>&)> run;
    std::vector<StepOption> options = {};
};

inline constexpr int kArgsUpToNextStep = -1;

// All registered steps.
std::vector<Step>& Steps();
// Adds steps at static initialisation.
struct StepRegistrar {
    explicit StepRegistrar(std::vector<Step> steps);
};

// Argument helpers: decimal integers or decimal fractions in a range; a pixel value (palette
// index, or #RRGGBB for 24-bit images) for the document's image.
int64_t ParseInt(const std::string& text, int64_t lo, int64_t hi, const std::string& what);
double ParseDouble(const std::string& text, double lo, double hi, const std::string& what);
int32_t ParsePixelValue(const std::string& text, const TDibRecord& dib);

// Largest pixel buffer of one image unless --image-limit says otherwise: 1 GiB.
inline constexpr uint64_t kDefaultImageLimit = uint64_t{1} << 30;

// The input "--scan DEVICE [--scan-mode M] [--scan-resolution DPI]" at args[i]: acquires the
// image as the new document; returns the index after it.
size_t ScanInput(Context& ctx, const std::vector<std::string>& args, size_t i);

int Main(int argc, char** argv);

} // namespace pixorama::cli
