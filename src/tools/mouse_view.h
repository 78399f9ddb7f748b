// What the mouse tools need from the window that shows a document: the tool and its options,
// the mouse capture, scrolling, the status read-outs, the cursor and repainting.  The document
// window implements it; the command line tool and the tests use quiet views at zoom 1:1.
#pragma once

#include "colour/hsl.h"
#include "tools/tool_options.h"

#include <string>
#include <vector>

namespace pixorama {

// The option values the tools read at the time of use (start values = the panel's).
struct TToolOptions {
    int32_t Breit = kBreitOption.Start;   // line width
    int Typ = kTypOption.Start;           // shape: 0 Rechteck, 1 Quadrat, 2 Ellipse, 3 Kreis
    int Stil = kStilOption.Start;         // 0 Umrissen, 1 Gefüllt
    int32_t Tol = kTolOption.Start;       // fill and wand tolerance
    int32_t Size = kSizeOption.Start;     // brush size S
    int Form = kFormOption.Start;         // 0 Quadrat, 1 Kreis, 2 Quer1, 3 Quer2, 4 Horizontal,
                                          // 5 Vertikal
    int32_t Hard = kHardOption.Start;     // hardness
    int32_t Dens = kDensOption.Start;     // density D
    int32_t Opacity = kOpacityOption.Start; // transparency T
    int CloneMode = kCloneOption.Start;   // 0 Ausgerichtet, 1 Nicht ausgerichtet
    int RetouchMode = kRetouchOption.Start; // 0 Aufhellen, 1 Abdunkeln, 2 Verschmieren, 3 Mixen
    int FillStyle = kFillStyleOption.Start; // 0..5
    int Direction = kDirectOption.Start;  // 0..7
};

// What the text dialog hands back: the lines, the font and the alignment.
struct TTextRequest {
    std::vector<std::string> Lines;
    std::string Family;   // font family as the user chose it
    int PixelSize = 21;   // character height in pixels
    int Align = 0;        // 0 left, 1 centred, 2 right
    bool Bold = false, Italic = false, Underline = false, StrikeOut = false;
};

class MouseView {
  public:
    virtual ~MouseView() = default;
    virtual Tool SelectedTool() const = 0;
    virtual TToolOptions Options() const = 0;

    // Gives the paint box the mouse capture unless another control holds it.
    virtual bool TakeCapture() { return true; }
    virtual void ReleaseCapture() {}
    // The whole view anew (after pixels changed).
    virtual void Repaint() {}
    // The rubber band (or free-hand polyline) moved: the overlay is drawn again.
    virtual void RubberBandChanged() {}
    virtual void SetStatus(int /*panel*/, const std::string& /*text*/) {}
    // The colour read-out of the main window (pipette).
    virtual void ShowPixelReadout(const TRgb& /*colour*/, const std::string& /*index*/) {}
    virtual int CursorId() const { return 0; }
    virtual void SetCursorId(int /*id*/) {}
    // The foreground (fore) or background colour changed: its swatch repaints.
    virtual void ColoursChanged(bool /*fore*/) {}
    virtual void Updatehistogramm() {}
    virtual void UpdateCaption() {}

    // Scroll positions of the scroll box and the size of its client area.
    virtual int ScrollPos(bool /*vertical*/) const { return 0; }
    virtual void SetScrollPos(bool /*vertical*/, int /*pos*/) {}
    virtual int ClientExtent(bool /*vertical*/) const { return 0; }
    // The document's zoom changed: fit the window (when in its normal state) and size the paint
    // box; afterwards ZoomShown updates the zoom list and the caption.
    virtual void FitToZoom() {}
    virtual void ZoomShown() {}

    // The main window's fill pattern (a record without pixels when none is loaded).
    virtual const TDibRecord* FillPattern() const { return nullptr; }

    // The text tool's dialog: false when it was cancelled.
    virtual bool AskText(TTextRequest& /*request*/) { return false; }
    // The clone marker moved (a repaint draws it from the document's clone state).
    virtual void CloneMarkerChanged() {}
};

} // namespace pixorama
