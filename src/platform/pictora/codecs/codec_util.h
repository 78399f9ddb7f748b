// Helpers several codecs share: the checks every encoder starts with, the depth that holds a
// number of colours, and packing one-byte palette indices into 1/4/8-bit record rows.
#pragma once

#include "../internal.h"

#include <cstdint>
#include <string>

namespace pictora {

// False with the German reason when there is no image or its depth is none of 1, 4, 8 and 24;
// formatName names the format in the message ("PCX", "Targa").
bool checkEncodable(const TDibRecord& dib, const char* formatName, std::string& error);

// False with "too big for the format" when a side is empty or above maxSide, or when the
// format's own limit (otherFits) fails.
bool checkSides(int32_t width, int32_t height, int32_t maxSide, const char* formatName,
                std::string& error, bool otherFits = true);

// The smallest record depth (1, 4 or 8) whose palette holds count colours.
int depthForColours(int count);

// Packs width one-byte indices into a record row of depth bpp (1, 4 or 8).  Values the depth
// cannot hold (only possible in damaged files) become 0.
void packIndices(const uint8_t* src, int32_t width, int bpp, uint8_t* dst);

} // namespace pictora
