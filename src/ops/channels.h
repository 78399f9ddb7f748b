// Channel split and combine: an image into three 8-bit images of its red, green and blue values,
// and three images of one size into a 24-bit image, each contributing its luminance.
#pragma once

#include "document/host.h"

#include <pictora.h>

#include <array>
#include <cstdint>
#include <string>

namespace pixorama {

inline constexpr const char* kTextCombineSizes =
    "Fehler: Die ausgewählten Bilder müssen alle die selbe Größe haben!";

// The window names of a split: "Rot", "Grün", "Blau" followed by the counter.
std::array<std::string, 3> SplitChannelNames(int counter);

// The red, green and blue images of src (8 bits, the library's grey ramp as colour table, so
// index i shows as (i, i, i)), with progress by rows.  On a shortage shows kTextNoMemory and
// returns false with all three records empty.
bool SplittTORGB(const TDibRecord& src, Host& host, std::array<TDibRecord, 3>& out);

// The 24-bit image whose red, green and blue are the luminance of red, green and blue (palette
// images through their palette).  Sources of different sizes give kTextCombineSizes, a shortage
// kTextNoMemory; both return a record with nil Bits.
TDibRecord CombineFromRGB(const TDibRecord& red, const TDibRecord& green, const TDibRecord& blue,
                          Host& host);

} // namespace pixorama
