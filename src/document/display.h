// The one display routine: draws a rectangle of an image record, nearest neighbour, onto a
// 32-bit drawing surface (a window's image, an off-screen bitmap or a printer page), with the
// palette emulation of a screen of at most 256 colours.  Also the repaint geometry of a
// document's paint box.
#pragma once

#include "document/document_state.h"

#include <cstdint>

namespace pixorama {

// Raster operations (the Windows ROP3 codes the program passes).
enum RasterOp : uint32_t {
    SRCCOPY = 0x00CC0020,
    SRCPAINT = 0x00EE0086,
    SRCAND = 0x008800C6,
    SRCINVERT = 0x00660046,
    NOTSRCCOPY = 0x00330008,
};

enum class DeviceKind { Screen, Printer };

// A window onto a device's coordinate space: pixels[0] is device point (left, top).  Pixels are
// 0xFFRRGGBB.  Nothing outside the window is touched.
struct DisplaySurface {
    uint32_t* pixels = nullptr;
    int32_t stride = 0; // pixels from one row to the next
    int32_t left = 0, top = 0;
    int32_t width = 0, height = 0;
    DeviceKind device = DeviceKind::Screen;
    int bitsPerPixel = 24; // of the device; 8 or fewer means a palette screen
};

// A palette that can be selected into the device: its entries (for the colours) and its handle
// (for nearest-colour queries).  Both empty = no palette.
struct DisplayPalette {
    const TLogPalette* entries = nullptr;
    HPALETTE handle = nullptr;
};

// Bits per pixel of the screen: 24, or 8 when PIXORAMA_SCREEN_BITS=8 is set.
int ScreenBitsPerPixel();

// Source and destination rectangles after clipping the source to the image (ys counted from
// the bottom of the image).  Empty when nothing is left to draw.
struct DrawRects {
    int32_t xd, yd, wd, hd;
    int32_t xs, ys, ws, hs;
    bool empty() const { return wd <= 0 || hd <= 0 || ws <= 0 || hs <= 0; }
};
DrawRects ClipDrawRects(int32_t imageWidth, int32_t imageHeight, DrawRects r);

// Which road DrawDib takes for a record on a device.
enum class DrawPath { Halftone, Rows24, Rows8, Stretch };
DrawPath ChooseDrawPath(int bitsPerPixel, const DisplaySurface& dc, bool halftone);

// Draws source rectangle (xs, ys, ws, hs) of dib, ys counted from the bottom, into destination
// (xd, yd, wd, hd).  ownPalette selects the record's own palette, otherwise palette is used.
void DrawDib(DisplaySurface& dc, int32_t xd, int32_t yd, int32_t wd, int32_t hd,
             const TDibRecord& dib, int32_t xs, int32_t ys, int32_t ws, int32_t hs, bool halftone,
             uint32_t rop, bool ownPalette, const DisplayPalette& palette);

// Rubber band: the outline of the ellipse inscribed in [left, right) x [top, bottom) (device
// points; right and bottom are outside, as with a window's drawing calls), each outline pixel
// XOR-ed once with xorColour (white inverts).  Drawing it twice leaves the surface as it was.
void ScreenEllipse(DisplaySurface& dc, int32_t left, int32_t top, int32_t right, int32_t bottom,
                   uint32_t xorColour = 0xFFFFFF);

// What a repaint of the paint box draws, from the scroll positions, the scroll box's client
// size and the zoom: destination (x0, y0, cw, ch) and source (sx, sy, sw, sh), sy from the top.
struct PaintGeometry {
    int32_t x0, y0, cw, ch;
    int32_t sx, sy, sw, sh;
};
PaintGeometry PaintBox1Geometry(int32_t hp, int32_t vp, int32_t clientWidth, int32_t clientHeight,
                                int zoomIn, int zoomOut);

// Repaints the visible part of a document's image onto dc (paint box coordinates).
void PaintBox1Paint(DisplaySurface& dc, const DocumentState& doc, int32_t hp, int32_t vp,
                    int32_t clientWidth, int32_t clientHeight, bool ownPalette,
                    const DisplayPalette& palette);

} // namespace pixorama
