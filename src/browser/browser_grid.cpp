#include "browser/browser_grid.h"

#include <algorithm>

namespace pixorama {

int32_t ThumbsPerRow(int32_t gridWidth) { return std::max(gridWidth / kCellWidth, 1); }

int32_t GridHeight(int32_t thumbCount, int32_t perRow) {
    return thumbCount / std::max(perRow, 1) * kCellHeight + kCellHeight;
}

ThumbCell CellOf(int32_t index, int32_t perRow, int32_t thumbWidth, int32_t thumbHeight) {
    perRow = std::max(perRow, 1);
    ThumbCell c{};
    c.x0 = kCellWidth * ((index - 1) % perRow);
    c.y0 = kCellHeight * ((index - 1) / perRow);
    int32_t w = kThumbSide, h = kThumbSide;
    if (thumbWidth > 0 && thumbHeight > 0) {
        h = thumbHeight * kThumbSide / thumbWidth;
        if (h > kThumbSide) {
            h = kThumbSide;
            w = thumbWidth * kThumbSide / thumbHeight;
        }
    }
    const int32_t x0 = c.x0, y0 = c.y0;
    const int32_t px = x0 + 5 + (kThumbSide - w) / 2, py = y0 + 5 + (kThumbSide - h) / 2;
    c.frame = {x0 + 2, y0 + 2, x0 + 88, y0 + 108};
    c.picture = {px, py, px + w, py + h};
    c.margins[0] = {x0 + 3, y0 + 3, px, y0 + 107};
    c.margins[1] = {x0 + 3, y0 + 3, x0 + 87, py};
    c.margins[2] = {x0 + 3, py + h, x0 + 87, y0 + 107};
    c.margins[3] = {px + w, y0 + 3, x0 + 87, y0 + 107};
    c.name = {x0 + 3, y0 + 90, x0 + 87, y0 + 110};
    return c;
}

int32_t HitThumb(int32_t x, int32_t y, int32_t thumbCount, int32_t perRow) {
    for (int32_t i = 1; i <= thumbCount; ++i) {
        const GridRect f = CellOf(i, perRow, 1, 1).frame;
        if (x >= f.left && x <= f.right && y >= f.top && y <= f.bottom) return i;
    }
    return 0;
}

int32_t MoveSelection(int32_t selected, int32_t thumbCount, int32_t perRow, GridKey key) {
    switch (key) {
    case GridKey::Up:
        return selected - perRow > 0 ? selected - perRow : selected;
    case GridKey::Down:
        return thumbCount >= selected + perRow ? selected + perRow : selected;
    case GridKey::Left:
        return selected - 1 > 0 ? selected - 1 : selected;
    case GridKey::Right:
        return thumbCount >= selected + 1 ? selected + 1 : selected;
    }
    return selected;
}

int32_t ScrollForSelected(int32_t selected, int32_t perRow, int32_t scrollPos,
                          int32_t clientHeight) {
    const int32_t n = std::max(perRow, 1);
    const int32_t b = selected - 1;
    const int32_t top = b / n * kCellHeight + 2, bottom = b / n * kCellHeight + 108;
    if (top < scrollPos) return top;
    if (scrollPos + clientHeight < bottom) return bottom - clientHeight;
    return scrollPos;
}

std::string BrowserStatusText(int32_t selected, int32_t thumbCount, const TThumbInfo* info) {
    if (selected > thumbCount || selected < 1 || info == nullptr) return "Bild: keins   ";
    return "Thumbnail: " + std::to_string(info->ImageWidth) + " x " +
           std::to_string(info->ImageHeight) + " x " + std::to_string(info->Colors) + " - " +
           std::to_string(info->SizeKB) + " KByte " + " (" + std::to_string(selected) + " von " +
           std::to_string(thumbCount) + ")";
}

} // namespace pixorama
