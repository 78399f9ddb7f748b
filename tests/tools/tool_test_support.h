// A quiet view that records what the mouse tools show, and a dispatcher around a document.
#pragma once

#include "../document/recording_host.h"
#include "../ops/image_helpers.h"
#include "tools/mouse_dispatch.h"

#include <map>
#include <string>

namespace pixorama::testing {

class RecordingView : public MouseView {
  public:
    Tool tool = Tool::Zoom;
    TToolOptions options;
    std::map<int, std::string> status;
    std::string readoutIndex;
    TRgb readoutColour;
    int cursor = 0, cursorSets = 0, repaints = 0, bandChanges = 0, histograms = 0;
    int scroll[2] = {0, 0}, client[2] = {100, 80};
    int fits = 0, zoomShown = 0;
    bool captureFree = true;

    Tool SelectedTool() const override { return tool; }
    TToolOptions Options() const override { return options; }
    bool TakeCapture() override { return captureFree; }
    void Repaint() override { ++repaints; }
    void RubberBandChanged() override { ++bandChanges; }
    void SetStatus(int panel, const std::string& text) override { status[panel] = text; }
    void ShowPixelReadout(const TRgb& c, const std::string& index) override {
        readoutColour = c;
        readoutIndex = index;
    }
    int CursorId() const override { return cursor; }
    void SetCursorId(int id) override {
        cursor = id;
        ++cursorSets;
    }
    void Updatehistogramm() override { ++histograms; }
    int ScrollPos(bool v) const override { return scroll[v]; }
    void SetScrollPos(bool v, int pos) override { scroll[v] = pos; }
    int ClientExtent(bool v) const override { return client[v]; }
    void FitToZoom() override { ++fits; }
    void ZoomShown() override { ++zoomShown; }
};

// A document with a dispatcher and a recording view; gestures in screen points.
struct Desk {
    RecordingHost host;
    DocumentState doc;
    RecordingView view;
    MouseDispatcher mouse{doc, host, view};

    void press(int32_t x, int32_t y, TShiftState keys = {}, MouseButton b = MouseButton::Left) {
        mouse.PaintBox1MouseDown(b, keys, x, y);
    }
    void move(int32_t x, int32_t y, TShiftState keys = {}) {
        mouse.PaintBox1MouseMove(keys, x, y);
    }
    void release(int32_t x, int32_t y, TShiftState keys = {}, MouseButton b = MouseButton::Left) {
        mouse.PaintBox1MouseUp(b, keys, x, y);
    }
    // press, one move, release at the end point
    void drag(Tool t, int32_t x0, int32_t y0, int32_t x1, int32_t y1, TShiftState keys = {},
              MouseButton b = MouseButton::Left) {
        view.tool = t;
        press(x0, y0, keys, b);
        move(x1, y1, keys);
        release(x1, y1, keys, b);
    }
    void click(Tool t, int32_t x, int32_t y, TShiftState keys = {},
               MouseButton b = MouseButton::Left) {
        view.tool = t;
        press(x, y, keys, b);
        release(x, y, keys, b);
    }
};

// A white 24-bit image, black foreground.
inline void WhiteDoc(Desk& d, int32_t w, int32_t h) {
    Attach(d.doc, Make24(w, h, [](int32_t, int32_t) { return 0xFFFFFF; }));
    d.doc.ForeColor = 0;
}

inline constexpr TShiftState kShift{true, false, false};
inline constexpr TShiftState kCtrl{false, true, false};

// Every pixel of a record as a string of rows ('#' where pred holds), for readable failures.
template <class Pred> std::string Picture(const TDibRecord& d, Pred pred) {
    std::string s;
    for (int32_t y = 0; y < DibHeight(&d); ++y) {
        for (int32_t x = 0; x < DibWidth(&d); ++x)
            s += pred(getpixel(&d, x, y)) ? '#' : '.';
        s += '\n';
    }
    return s;
}

} // namespace pixorama::testing
