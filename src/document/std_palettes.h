// The fixed standard palettes for new images and depth reduction.
#pragma once

#include <array>
#include <cstdint>

namespace pixorama {

// Colours as 0xRRGGBB.
extern const std::array<uint32_t, 16> StdPalette16;
extern const std::array<uint32_t, 256> StdPalette256;

} // namespace pixorama
