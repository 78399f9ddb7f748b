// What the tone and colour dialogs hand to their operations, beyond their controls' values.
#pragma once

#include "colour/hsl.h"

#include <cstdint>

namespace pixorama {

// "Tiefe beschränken...": the dialog asks for the bits kept per channel, DibPoster takes the
// number of low bits to clear.
inline int32_t PosterShift(int32_t bitsKept) {
    return 8 - bitsKept;
}

// The swatch of the colourise dialog: the chosen hue and saturation at lightness 128.
inline TRgb ColorizeSwatch(int32_t hue, int32_t saturation) {
    return HslToRgb(hue, saturation, 128);
}

} // namespace pixorama
