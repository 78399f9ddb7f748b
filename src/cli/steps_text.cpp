// pixorama-cli step of the text tool: the text is inserted as the dialog's OK inserts it, then
// placed by the click that a waiting piece takes, with its top-left corner at X, Y.
#include "cli/cli.h"

#include "tools/text_render.h"
#include "tools/text_tool.h"

#include <climits>

namespace pixorama::cli {
namespace {

// "\n" (backslash, n) separates the lines of the argument; so does a real line break.
std::vector<std::string> textLines(const std::string& arg) {
    std::string text;
    text.reserve(arg.size());
    for (size_t k = 0; k < arg.size(); ++k) {
        if (arg[k] == '\\' && k + 1 < arg.size() && arg[k + 1] == 'n') {
            text += '\n';
            ++k;
        } else {
            text += arg[k];
        }
    }
    return SplitTextLines(text);
}

void insertText(Context& ctx, const std::vector<std::string>& a) {
    const auto x = static_cast<int32_t>(ParseInt(a[0], INT32_MIN / 32, INT32_MAX / 32, "X"));
    const auto y = static_cast<int32_t>(ParseInt(a[1], INT32_MIN / 32, INT32_MAX / 32, "Y"));
    TTextRequest request;
    request.Lines = textLines(a[2]);
    request.Family = "Times New Roman";
    request.PixelSize = 21;
    for (size_t k = 3; k + 1 < a.size(); k += 2) {
        const std::string& value = a[k + 1];
        if (a[k] == "--font") {
            request.Family = value;
        } else if (a[k] == "--font-size") {
            request.PixelSize = static_cast<int>(
                ParseInt(value, kTextMinPixelSize, kTextMaxPixelSize, "--font-size"));
        } else if (value == "left" || value == "center" || value == "right") {
            request.Align =
                value == "left" ? kAlignLeft : (value == "center" ? kAlignCenter : kAlignRight);
        } else {
            throw UsageError{"--align: unbekannter Wert " + value};
        }
    }
    if (TextIsEmpty(request.Lines))
        throw UsageError{"--text: der Text ist leer"};
    if (!InsertText(ctx.doc, ctx.host, ctx.view, request))
        return; // the message has been shown
    // the click that places a waiting piece, at zoom 1:1 and with no offset
    MouseDispatcher d(ctx.doc, ctx.host, ctx.view);
    d.PaintBox1MouseDown(ctx.button, {}, x, y);
    d.PaintBox1MouseUp(ctx.button, {}, x, y);
}

StepRegistrar textSteps({
    {"--text",
     3,
     "--text X Y TEXT [--font FAMILIE] [--font-size PX] [--align left|center|right]",
     insertText,
     {{"--font", 1}, {"--font-size", 1}, {"--align", 1}}},
});

} // namespace
} // namespace pixorama::cli
