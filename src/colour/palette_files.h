// Palette files and the palette editor's arithmetic: reading the program's 1028-byte palette
// file (and the palettes other programs write: JASC-PAL, GIMP, RIFF "PAL "), writing it, loading
// a palette into an image with or without fitting the pixels, and the editor's grid.
#pragma once

#include "document/document_state.h"
#include "document/host.h"

#include <pictora.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace pixorama {

// Size of the program's palette file: version, entry count and 256 entries.
inline constexpr size_t kPaletteFileSize = 1028;
inline constexpr uint16_t kPaletteVersion = 0x0300;
// Messages with this flag are task-modal (the Windows value).
inline constexpr int kTaskModal = 0x2000;

inline constexpr const char* kTextPaletteLoadError = "Fehler beim Laden der Palette!";
inline constexpr const char* kTextPaletteMismatch =
    "Palette paßt nicht zum Bild oder illegale Palette!";
inline constexpr const char* kTextPaletteIllegal = "Illegale Palette!";
inline constexpr const char* kTextPaletteSaveError = "Fehler beim Speichern der Palette!";
inline constexpr const char* kTextFitQuestion =
    "Wollen Sie das Bild durch Floyd-Steinberg Fehlerverteilung (Dithering) anpassen?";
inline constexpr const char* kCaptionFitQuestion = "Farbpalette laden?";
// Filter of the palette file dialogs.
inline constexpr const char* kPaletteFilter = "Paletten|*.PAL";

// Reads a palette from file bytes.  The program's own file is taken as it stands (version and
// count are checked by the caller; bytes after the first 1028 are ignored); the text and RIFF
// palettes of other programs give version 0x300, their first 256 colours, padded with black to
// 16 entries when they have at most 16, else to 256.  False when the bytes are no palette (a
// short file, an unreadable foreign palette).
bool ParsePaletteBytes(const uint8_t* data, size_t size, TLogPalette& out);
// The same from a file; false when it cannot be opened or read.
bool ReadPaletteFile(const std::string& path, TLogPalette& out);
// Writes the 1028 bytes through a temporary file and a rename; false on any failure (an
// existing file that may not be written is refused and stays as it is).
bool WritePaletteFile(const std::string& path, const TLogPalette& palette);

// "Palette &laden...": replaces the palette of a 4- or 8-bit image by the file's, keeping the
// pixel indices.  path empty = the dialog was cancelled.  Returns true when the palette changed.
bool loadpal(DocumentState& doc, Host& host, const std::string& path);
// "Palette &speichern...": writes the palette of a 4- or 8-bit image.  True when written.
bool savepal(const DocumentState& doc, Host& host, const std::string& path);
// "&Palette laden + Bild anpassen...": converts the image to the file's 16 or 256 colours,
// asking through the host whether to dither.  Calls UpdateMenuItems.  True when replaced.
bool loadpal0(DocumentState& doc, Host& host, const std::string& path);

// ---- the palette editor (TPaleditForm) ----
inline constexpr int32_t kPalEditPitch = 18;
inline constexpr int32_t kPalEditCell = 15; // last pixel of a cell, from its corner
inline int32_t PalEditColumns(int32_t paintBoxWidth) {
    return paintBoxWidth / kPalEditPitch;
}
// Cell of entry i: Left/Top its corner, Right/Bottom its last pixel (both edges included).
TRect PalEditCellRect(int32_t index, int32_t columns);
// The entry whose cell holds (x, y), or -1.
int32_t PalEditEntryAt(int32_t x, int32_t y, int32_t columns, int32_t count);
// "Index: 5 ; R: 1 G:2 B:3"
std::string PalEditInfoText(int32_t index, const TPaletteEntry& e);
// OK of the editor: the whole palette back into the image, its colours below the entry count
// into the colour table, a new handle.
void ApplyEditedPalette(TDibRecord& dib, const TLogPalette& edited);

} // namespace pixorama
