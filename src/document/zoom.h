// Zoom arithmetic of the document windows: the zoom box index, the caption, the view centre and
// window size of a zoom change, the fit of a new window into the frame, and fit-to-image.
#pragma once

#include <string>

namespace pixorama {

// Index of a zoom in the zoom box ("16:1" is 0, "1:1" 15, "1:16" 30).
int ZoomBoxIndex(int zoomIn, int zoomOut);
struct Zoom {
    int In = 1, Out = 1;
};
// The zoom of a zoom box index.
Zoom ZoomOfIndex(int index);
// "16:1", "1:1", "1:16"
std::string ZoomText(int zoomIn, int zoomOut);

// A length (or coordinate) of the image on the screen: n * zoomIn div zoomOut.
inline int ZoomedExtent(int n, int zoomIn, int zoomOut) {
    return n * zoomIn / zoomOut;
}

// Device pixels and the window system's logical pixels (more than one device pixel each on a
// high-density screen): images are drawn in device pixels, so that 1:1 shows one image pixel
// per screen pixel everywhere.  n device pixels take LogicalExtent(n, ratio) logical ones
// (rounded up: no device pixel is cut off); the logical coordinate x lies on device pixel
// DevicePixel(x, ratio) (rounded down), which the mouse mapping then takes to the image.
int LogicalExtent(int devicePixels, double ratio);
int DevicePixel(double logical, double ratio);

// NAME*  [in:out]
std::string CaptionText(const std::string& fileName, bool modified, int zoomIn, int zoomOut);

// A window's placement inside the frame's client area.
struct WindowRect {
    int Left = 0, Top = 0, Width = 0, Height = 0;
};

// The frame around the documents: its client size, and L and T, the room the visible side bars
// (left/right) and top/bottom bars take.
// MinWidth / MinHeight: the smallest a document window is made, so that a tiny image still
// gets a window with room for its caption buttons (the frame's size still wins).
// PixelRatio: device pixels per logical pixel of the screen the documents are on.
struct FrameSpace {
    int ClientWidth = 0, ClientHeight = 0;
    int L = 0, T = 0;
    int MinWidth = 0, MinHeight = 0;
    double PixelRatio = 1.0;
};

// Image pixel at the middle of the view with the old zoom, never past the image's middle.
struct ZoomCentre {
    int X = 0, Y = 0;
};
ZoomCentre ZoomViewCentre(int hpos, int vpos, int scrollBoxWidth, int scrollBoxHeight,
                          int oldZoomIn, int oldZoomOut, int imageWidth, int imageHeight);

// New window size for a zoom (window in its normal state): the image at the new zoom plus the
// window's frame, cut to the frame's client area.  Left and Top stay.
WindowRect ZoomWindowSize(const WindowRect& window, int scrollBoxClientWidth,
                          int scrollBoxClientHeight, int imageWidth, int imageHeight, int zoomIn,
                          int zoomOut, const FrameSpace& frame);

// Scroll positions that put the remembered centre in the middle of the scroll box.
struct ScrollPos {
    int X = 0, Y = 0;
};
ScrollPos ZoomScrollPosition(const ZoomCentre& centre, int zoomIn, int zoomOut, int scrollBoxWidth,
                             int scrollBoxHeight, int horzRange, int vertRange);

// A new document window (normal state, starting at 1:1) grows its ZoomOut until the window fits
// into the frame, at most 1:16.  extraWidth / extraHeight: window size minus the scroll box's
// client size.
struct NewWindowFit {
    int ZoomOut = 1;
    WindowRect Window;
};
NewWindowFit FitNewDocument(int imageWidth, int imageHeight, int extraWidth, int extraHeight,
                            WindowRect window, const FrameSpace& frame);

// Fit-to-image: the window around the image at its zoom, which is the paint box's size; the
// scroll box's client size, the paint box size and the scroll bar thicknesses decide how much
// of the window is frame.
WindowRect FitWindowToImage(WindowRect window, int scrollBoxClientWidth, int scrollBoxClientHeight,
                            int paintBoxWidth, int paintBoxHeight, int hScrollBarWidth,
                            int vScrollBarHeight, const FrameSpace& frame);

} // namespace pixorama
