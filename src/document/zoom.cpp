// Zoom box index, captions, and the window and scroll arithmetic of zooming and fitting.
#include "document/zoom.h"

#include <algorithm>
#include <cmath>

namespace pixorama {

namespace {

void growToMinimum(WindowRect& w, const FrameSpace& frame) {
    w.Width = std::max(w.Width, frame.MinWidth);
    w.Height = std::max(w.Height, frame.MinHeight);
}

// A window that starts left of or above the frame, or runs past its right or bottom side, moves
// back to that side's origin.
void moveIntoFrame(WindowRect& w, const FrameSpace& frame) {
    if (w.Left < 0)
        w.Left = 0;
    if (w.Top < 0)
        w.Top = 0;
    if (frame.ClientWidth < frame.L + w.Width + w.Left)
        w.Left = 0;
    if (frame.ClientHeight < frame.T + w.Height + w.Top)
        w.Top = 0;
}

// What still runs past the frame's right or bottom side is cut off.
void shrinkToFrame(WindowRect& w, const FrameSpace& frame) {
    if (frame.ClientWidth < frame.L + w.Width + w.Left)
        w.Width = frame.ClientWidth - w.Left - frame.L;
    if (frame.ClientHeight < frame.T + w.Height + w.Top)
        w.Height = frame.ClientHeight - w.Top - frame.T;
}

} // namespace

int LogicalExtent(int devicePixels, double ratio) {
    if (!(ratio > 0) || ratio == 1.0)
        return devicePixels;
    // a hair below the exact quotient still counts as whole (2.0000000001 is 2)
    return static_cast<int>(std::ceil(devicePixels / ratio - 1e-9));
}

int DevicePixel(double logical, double ratio) {
    if (!(ratio > 0))
        ratio = 1.0;
    return static_cast<int>(std::floor(logical * ratio + 1e-9));
}

int ZoomBoxIndex(int zoomIn, int zoomOut) {
    if (zoomIn > 1)
        return 16 - zoomIn;
    if (zoomOut > 1)
        return zoomOut + 14;
    return 15;
}

Zoom ZoomOfIndex(int index) {
    return {std::max(16 - index, 1), std::max(index - 14, 1)};
}

std::string ZoomText(int zoomIn, int zoomOut) {
    return std::to_string(zoomIn) + ":" + std::to_string(zoomOut);
}

std::string CaptionText(const std::string& fileName, bool modified, int zoomIn, int zoomOut) {
    return fileName + (modified ? "*" : "") + " [" + ZoomText(zoomIn, zoomOut) + "]";
}

ZoomCentre ZoomViewCentre(int hpos, int vpos, int scrollBoxWidth, int scrollBoxHeight,
                          int oldZoomIn, int oldZoomOut, int imageWidth, int imageHeight) {
    ZoomCentre c;
    c.X = (hpos + scrollBoxWidth / 2) * oldZoomOut / oldZoomIn;
    if (imageWidth / 2 <= c.X)
        c.X = imageWidth / 2;
    c.Y = (vpos + scrollBoxHeight / 2) * oldZoomOut / oldZoomIn;
    if (imageHeight / 2 <= c.Y)
        c.Y = imageHeight / 2;
    return c;
}

WindowRect ZoomWindowSize(const WindowRect& window, int scrollBoxClientWidth,
                          int scrollBoxClientHeight, int imageWidth, int imageHeight, int zoomIn,
                          int zoomOut, const FrameSpace& frame) {
    WindowRect w = window;
    w.Width = LogicalExtent(ZoomedExtent(imageWidth, zoomIn, zoomOut), frame.PixelRatio) +
              window.Width - scrollBoxClientWidth;
    w.Height = LogicalExtent(ZoomedExtent(imageHeight, zoomIn, zoomOut), frame.PixelRatio) +
               window.Height - scrollBoxClientHeight;
    growToMinimum(w, frame);
    shrinkToFrame(w, frame);
    return w;
}

ScrollPos ZoomScrollPosition(const ZoomCentre& centre, int zoomIn, int zoomOut, int scrollBoxWidth,
                             int scrollBoxHeight, int horzRange, int vertRange) {
    ScrollPos p;
    p.X = ZoomedExtent(centre.X, zoomIn, zoomOut) - scrollBoxWidth / 2;
    p.Y = ZoomedExtent(centre.Y, zoomIn, zoomOut) - scrollBoxHeight / 2;
    if (p.X < 0)
        p.X = 0;
    if (p.Y < 0)
        p.Y = 0;
    if (p.X > horzRange - 1)
        p.X = std::max(horzRange - 1, 0);
    if (p.Y > vertRange - 1)
        p.Y = std::max(vertRange - 1, 0);
    return p;
}

NewWindowFit FitNewDocument(int imageWidth, int imageHeight, int extraWidth, int extraHeight,
                            WindowRect window, const FrameSpace& frame) {
    NewWindowFit fit;
    for (int zoomOut = 1;; ++zoomOut) {
        window.Width = LogicalExtent(ZoomedExtent(imageWidth, 1, zoomOut), frame.PixelRatio) +
                       extraWidth;
        window.Height = LogicalExtent(ZoomedExtent(imageHeight, 1, zoomOut), frame.PixelRatio) +
                        extraHeight;
        growToMinimum(window, frame);
        moveIntoFrame(window, frame);
        const bool fits = frame.ClientWidth >= frame.L + window.Width + window.Left &&
                          frame.ClientHeight >= frame.T + window.Height + window.Top;
        if (fits || zoomOut >= 16) {
            fit.ZoomOut = zoomOut;
            fit.Window = window;
            return fit;
        }
    }
}

WindowRect FitWindowToImage(WindowRect window, int scrollBoxClientWidth, int scrollBoxClientHeight,
                            int paintBoxWidth, int paintBoxHeight, int hScrollBarWidth,
                            int vScrollBarHeight, const FrameSpace& frame) {
    window.Width = paintBoxWidth + window.Width -
                   (scrollBoxClientWidth < paintBoxWidth ? hScrollBarWidth : 0) -
                   scrollBoxClientWidth;
    window.Height = paintBoxHeight + window.Height -
                    (scrollBoxClientHeight < paintBoxHeight ? vScrollBarHeight : 0) -
                    scrollBoxClientHeight;
    growToMinimum(window, frame);
    moveIntoFrame(window, frame);
    shrinkToFrame(window, frame);
    return window;
}

} // namespace pixorama
