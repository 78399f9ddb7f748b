// Text rendered into a 1-bit mask with FreeType, the font found through fontconfig.  The program
// and the command line tool render through here, so a text comes out pixel for pixel the same
// in both.  Glyphs are drawn monochrome (hinted for one-bit output): the mask has hard edges.
#pragma once

#include "document/dib.h"

#include <cstdint>
#include <string>
#include <vector>

namespace pixorama {

// Alignment of the lines inside the block.
enum TextAlign : int { kAlignLeft = 0, kAlignCenter = 1, kAlignRight = 2 };

// What is rendered: lines (UTF-8), the font family, the character height in pixels (the font's
// em size, as a negative font height gives it) and the alignment.
struct TTextFont {
    std::string Family;
    int PixelSize = 21;
    bool Bold = false;
    bool Italic = false;
    bool Underline = false; // a bar under each line's advance width
    bool StrikeOut = false; // a bar through it
};

// Character heights the renderer accepts, and the largest block it makes (each side, and in
// pixels altogether): beyond them a text is refused like a shortage of memory instead of
// allocating gigabytes for one piece.
inline constexpr int kTextMinPixelSize = 1;
inline constexpr int kTextMaxPixelSize = 2000;
inline constexpr int32_t kTextMaxExtent = 32767;
inline constexpr int64_t kTextMaxPixels = int64_t{1} << 26;
inline constexpr size_t kTextMaxBytes = size_t{1} << 20; // all lines together (UTF-8)

enum class TextRenderResult {
    Ok,
    Empty,    // no line holds a character, or the block has no width
    TooLarge, // size or block out of bounds, or the mask could not be created
    NoFont,   // fontconfig found nothing that FreeType could open
};

// The font fontconfig gives for a family: its file, face index and its own family name.  An
// unknown family gets fontconfig's substitute (a metric-compatible one where the configuration
// knows it, e.g. "Times New Roman" -> "Liberation Serif"; else the default sans-serif font).
struct TFontMatch {
    bool Found = false;
    std::string File;
    int Index = 0;
    std::string Family;
};
TFontMatch MatchFont(const TTextFont& font);

// Renders the lines into a new 1-bit mask (1 = text pixel): W = the widest line's advance,
// H = the sum of the line heights (ascent + descent), line k at y = the heights above it and
// x = 0, (W - width) div 2 or W - width by alignment.  On Ok, mask owns the new record; on any
// other result it has nil Bits.  usedFamily (optional) receives the family actually drawn with.
TextRenderResult RenderTextMask(const std::vector<std::string>& lines, const TTextFont& font,
                                int align, TDibRecord& mask, std::string* usedFamily = nullptr);

// Font sizes as the font dialog shows them (points at 96 pixels per inch, nearest, halves away
// from zero) and back: 21 px is 16 pt, 16 pt is 21 px.
inline int FontPointsOfPixels(int px) {
    return (px * 72 + (px >= 0 ? 48 : -48)) / 96;
}
int FontPixelsOfPoints(double points);

// True when no line holds a character: such a text is refused before anything is rendered.
bool TextIsEmpty(const std::vector<std::string>& lines);

// Splits a text at "\n" (and "\r\n") into lines.
std::vector<std::string> SplitTextLines(const std::string& text);

} // namespace pixorama
