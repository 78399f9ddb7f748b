// Colour depth reduction: the optimised (popularity) palette, the standard palettes, and the
// three ways of mapping pixels onto a palette (nearest colour, ordered dither, Floyd-Steinberg).
#pragma once

#include "document/document_state.h"
#include "document/host.h"

#include <array>
#include <cstdint>
#include <vector>

namespace pixorama {

// Threshold values 0..50 of the ordered dither, indexed 8 * i + j.
extern const std::array<uint8_t, 64> DitherMatrix;
// StdPalette256 index of the cube colour (51 r, 51 g, 51 b), indexed r + 6 g + 36 b; the four
// cube colours the palette lacks go to its pure green or pure blue.
extern const std::array<uint8_t, 216> CubeToPalette;

// How pixels are mapped: M of the dialogs.
enum class TDepthMethod : int { Nearest = 0, FloydSteinberg = 1, Ordered = 2 };

// What the depth dialogs decided.
struct TDepthDownChoice {
    int32_t Bits = 8;            // target depth: 1, 4 or 8
    int32_t Colours = 256;       // palette size P
    bool Optimised = true;       // popularity palette, else the standard palette
    TDepthMethod Method = TDepthMethod::FloydSteinberg;
    bool WindowsColours = true;  // keep the 20 system colours (8-bit optimised palette only)
};

// The choice of TDepthDownForm for the menu's Bits 1, 4 or 8 (P 2, 16, 256).
TDepthDownChoice DepthDownChoice(int32_t bits, bool optimised, TDepthMethod method,
                                 bool windowsColours);
// The choice of TFreeDepthForm: P colours, 8 bits above 16 colours, else 4; always optimised.
TDepthDownChoice FreeDepthChoice(int32_t colours, bool floydSteinberg, bool windowsColours);

// Enabled states of TDepthDownForm's controls for the menu's Bits and the checked palette radio.
struct TDepthDownEnabling {
    bool PaletteRadios = false; // OptPalCheck, StdPalCheck
    bool Dither = false;        // DitherCheck
    bool Methods = true;        // NearCheck, FSErrCheck
    bool WindowsColours = false;
    bool EightBitTarget = false;
};
TDepthDownEnabling DepthDownEnabling(int32_t bits, bool optimisedChecked);

// Range of NumColEd of TFreeDepthForm for a source depth and the Windows-colours box: at most 16
// colours from an 8-bit image (whose box is disabled), and at least 22 while the enabled box is
// checked, since 20 entries then go to the system colours.
struct TColourCountRange {
    int32_t Min = 2, Max = 256;
};
TColourCountRange FreeDepthRange(int32_t sourceBits, bool windowsColours);
inline constexpr int32_t kFreeDepthPreset = 64;

// The Count most frequent 15-bit colour cells of the image (24 or 8 bits) quantised with Shift
// (4 or 5), as red, green, blue (lower cell corners); unused cells fill up in sort order.
std::vector<std::array<uint8_t, 3>> BuildPopularPalette(const TDibRecord& dib, Host& host,
                                                        int32_t count, int32_t shift);
// The histogram sort: ascending counters, keys moved along.  Exposed for tests.
void SortByCount(uint16_t* counter, uint16_t* key, int32_t lo, int32_t hi);

// Maps every pixel of source onto target's palette with serpentine Floyd-Steinberg error
// diffusion.  target: same size, 1, 4 or 8 bits, palette and handle set.
void FloydSteinbergMap(const TDibRecord& source, const TDibRecord& target, Host& host);

// Nearest palette colour of every pixel of source (any depth) into target (4 or 8 bits, palette
// and handle set), rows in parallel with progress per row.
void NearestMap(const TDibRecord& source, const TDibRecord& target, Host& host);

// Converts the document's image as the choice says.  No undo step, no repaint; the image stays
// as it was when no case applies or the new image cannot be made.  Calls UpdateMenuItems.
// Returns true when the image was replaced.
bool DepthDownTo(DocumentState& doc, Host& host, const TDepthDownChoice& choice);

} // namespace pixorama
