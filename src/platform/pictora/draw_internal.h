// Unchecked pixel access for the library's own loops (callers clip first).
#pragma once

#include "internal.h"

namespace pictora {

// (x, y) must lie inside the image.
int32_t readPixel(const TDibRecord& d, int32_t x, int32_t y);
void writePixel(const TDibRecord& d, int32_t x, int32_t y, int32_t v);
// Sets x0..x1 (inclusive, clipped) of row y.
void fillSpan(const TDibRecord& d, int32_t y, int32_t x0, int32_t x1, int32_t v);

} // namespace pictora
