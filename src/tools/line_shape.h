// The line tool's wide lines and the shape tool's four shapes, drawn into a record.
#pragma once

#include <pictora.h>

#include <cstdint>

namespace pixorama {

// A line of width w from (x0, y0) to (x1, y1): w parallel lines at offsets across the
// direction, with two more lines per offset that close the gaps where both offset components
// step at once.
void DrawWideLine(const TDibRecord& target, int32_t x0, int32_t y0, int32_t x1, int32_t y1,
                  int32_t w, int32_t value);

// The shape tool: typ 0/1 rectangle, 2/3 ellipse; stil 0 outlined, 1 filled.
void DrawToolShape(const TDibRecord& target, int typ, int stil, int32_t x0, int32_t y0,
                   int32_t x1, int32_t y1, int32_t value);

} // namespace pixorama
