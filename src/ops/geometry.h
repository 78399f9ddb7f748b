// Geometry of the menu "B&ild": mirroring, fixed and free rotation, resizing, canvas size,
// borders and cropping to the selection.  Size-changing commands put their new image into the
// document through SetNewSizedDib, which takes the command's one undo level.
#pragma once

#include "document/document_state.h"
#include "document/host.h"
#include "document/value_range.h"

#include <cstddef>
#include <cstdint>

namespace pixorama {

inline constexpr const char* kTextResizeFailed = "Fehler beim Ändern der Größe...";
inline constexpr const char* kTextCropFailed =
    "Fehler: Konnte Bild nicht erstellen! (Zuwenig Speicher?)";

// ---- images in, new images out (nil Bits when the new image cannot be made) ----

// Mirrored copies: left-right (new(x, y) = old(W-1-x, y)) and top-bottom.
TDibRecord MirrorH(const TDibRecord& src, Host& host);
TDibRecord MirrorV(const TDibRecord& src, Host& host);
// 90 degrees counter-clockwise, clockwise, and 180 degrees.
TDibRecord RotLeft(const TDibRecord& src, Host& host);
TDibRecord RotRight(const TDibRecord& src, Host& host);
TDibRecord Rot180(const TDibRecord& src, Host& host);
// Free rotation, nearest pixel, corners rounded halves-to-even; uncovered pixels get fill.  The
// interpolation flag is accepted and, like the original, not used.
TDibRecord DibRotxxx(const TDibRecord& src, Host& host, bool clockwise, long double angle,
                     int32_t fill, bool interpolate);
// The size the free rotation gives.
void RotatedSize(int32_t w, int32_t h, bool clockwise, long double angle, int32_t& newW,
                 int32_t& newH);
// Resizing with 22.10 fixed-point steps; bilinear (weights 1023 - a and a) only for 24-bit
// images growing in both directions.
TDibRecord ResizeDib(const TDibRecord& src, Host& host, int32_t width, int32_t height,
                     bool interpolate);
// The old image at (left, top) of a new width x height image, the rest fill.
TDibRecord NewCanvas(const TDibRecord& src, Host& host, int32_t width, int32_t height,
                     int32_t left, int32_t top, int32_t fill);
// Borders of fill around the image.
TDibRecord AddBorders(const TDibRecord& src, Host& host, int32_t top, int32_t bottom, int32_t left,
                      int32_t right, int32_t fill);
// The selection's box with the selected pixels, the rest 0.
TDibRecord CropToSelection(const DocumentState& doc, Host& host);

// ---- the document ----

// Replaces the document's image by dib (ownership passes): one undo level, a fresh empty
// selection mask of the new size.  The caller re-applies the zoom and repaints.  False (dib
// freed, document unchanged apart from the undo level) when the new mask cannot be made.
bool SetNewSizedDib(DocumentState& doc, Host& host, const TDibRecord& dib);

// Mirrors the image, or with a selection the floating piece (lifting it first).  The caller has
// taken the undo level.
void FlipH(DocumentState& doc, Host& host);
void FlipV(DocumentState& doc, Host& host);

// The choices of "Bild rotieren...".
enum class RotateAngle { Deg90, Deg180, Deg270, Free };
struct TRotateChoice {
    bool Right = false; // "Rechts"
    RotateAngle Angle = RotateAngle::Free;
    long double Degrees = 45.0L; // GradEdit, for Free
    bool Interpolate = false;
};

// ---- the commands as their menu items run them once the dialog said OK ----

// "&Horizontal spiegeln" / "&Vertikal spiegeln": undo level, mirror, histogram.
void MirrorCommand(DocumentState& doc, Host& host, bool horizontal);
// "&Rotieren...": the whole image, or the floating piece when there is a selection.
void RotateCommand(DocumentState& doc, Host& host, const TRotateChoice& choice);
// "&Größe ändern...", "&Leinwandgröße ändern...", "R&and hinzufügen...": a floating piece is
// merged first; on failure "Fehler beim Ändern der Größe...".  True when the image changed.
bool ResizeCommand(DocumentState& doc, Host& host, int32_t width, int32_t height,
                   bool interpolate);
bool CanvasCommand(DocumentState& doc, Host& host, int32_t width, int32_t height, int32_t left,
                   int32_t top);
bool BorderCommand(DocumentState& doc, Host& host, int32_t top, int32_t bottom, int32_t left,
                   int32_t right);
// "Zur Auswahl ver&kleinern": only with a selection.
bool CropCommand(DocumentState& doc, Host& host);

// ---- dialog arithmetic ----

// "Seitenverhältnis beibehalten": the other side for a changed one (trunc(v * other / side)).
int32_t AspectHeight(int32_t width, int32_t oldWidth, int32_t oldHeight);
int32_t AspectWidth(int32_t height, int32_t oldWidth, int32_t oldHeight);
// Centring in "Leinwandgröße ändern": round((newSize - oldSize) / 2), halves to even.
int32_t CentredOffset(int32_t newSize, int32_t oldSize);

// out[k] = (top[k] * w0 + bottom[k] * w1) >> 10, the vertical step of the bilinear resize.
void BlendRows(const uint8_t* top, const uint8_t* bottom, int32_t w0, int32_t w1, uint8_t* out,
               size_t n);
// Which vector routines may run: 0 the plain ones, 1 or more the vector ones the processor and
// the level in force (PIXORAMA_SIMD) allow.
// Both give the same bytes.  For tests and benchmarks; also chooses the paths of the mirrors,
// quarter turns and neighbourhood filters.
void SetGeometrySimd(int level);
// Whether the AVX2 routines run.
bool GeometryAvx2();
// Whether the quarter turns may stage their tiles (true, the default) or must write them into
// the new image directly, as when the staging buffer cannot be had.  For tests; same bytes.
void SetQuarterTurnStaging(bool allowed);

inline constexpr TIntRange kResizeRange{1, 32767, 1};
inline constexpr TIntRange kCanvasWidthRange{320, 32767, 320};
inline constexpr TIntRange kCanvasHeightRange{200, 32767, 200};
inline constexpr TIntRange kCanvasPosRange{-16000, 16000, 0};
inline constexpr TIntRange kBorderRange{0, 16000, 0};
inline constexpr double kRotateMin = 0.01, kRotateMax = 359.99, kRotateDefault = 45.0;

} // namespace pixorama
