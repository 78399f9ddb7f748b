// The arithmetic of the browser's thumbnail grid, without windows: cells of 90 × 110 pixels,
// the picture's place in its cell, hit tests, arrow-key moves, scrolling the selection into
// view and the status text.  Thumbnails are numbered from 1, as the window counts them.
#pragma once

#include "browser/thumb_cache.h"

#include <cstdint>
#include <string>

namespace pixorama {

inline constexpr int32_t kCellWidth = 90;
inline constexpr int32_t kCellHeight = 110;

struct GridRect {
    int32_t left, top, right, bottom; // right and bottom as the routine states (see below)
    bool operator==(const GridRect&) const = default;
};

// Thumbnails per row for a grid width (at least 1) and the grid's height.
int32_t ThumbsPerRow(int32_t gridWidth);
int32_t GridHeight(int32_t thumbCount, int32_t perRow);

// Cell i (1-based) of a grid with perRow columns.
struct ThumbCell {
    int32_t x0, y0;          // top left of the cell
    GridRect frame;          // (x0+2, y0+2) … (x0+88, y0+108), edges included
    GridRect picture;        // where the picture goes, right and bottom excluded
    GridRect margins[4];     // the four background fills around it, right and bottom excluded
    GridRect name;           // the name's clip rectangle (x0+3, y0+90) … (x0+87, y0+110)
};
ThumbCell CellOf(int32_t index, int32_t perRow, int32_t thumbWidth, int32_t thumbHeight);

// The first thumbnail whose frame contains the point; 0 when none does.
int32_t HitThumb(int32_t x, int32_t y, int32_t thumbCount, int32_t perRow);

enum class GridKey { Up, Down, Left, Right };
// The selection after an arrow key (unchanged where the move would leave the thumbnails).
int32_t MoveSelection(int32_t selected, int32_t thumbCount, int32_t perRow, GridKey key);

// The new vertical scroll position that brings the selected cell into view.
int32_t ScrollForSelected(int32_t selected, int32_t perRow, int32_t scrollPos,
                          int32_t clientHeight);

// "Thumbnail: 640 x 480 x 16777216 - 900 KByte  (3 von 12)", or "Bild: keins   " when
// selected is beyond the thumbnails.
std::string BrowserStatusText(int32_t selected, int32_t thumbCount, const TThumbInfo* info);

} // namespace pixorama
