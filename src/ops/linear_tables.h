// Tables that are a straight line on each half of the byte range, computed instead of looked
// up.  Processors without byte permutes over 64-byte registers need sixteen byte shuffles to
// look up a 256-entry table; contrast, saturation, the gains and the tone stretch are instead
// a multiplication and a division per byte in 16-bit lanes.  A form is used only after it has
// given every one of the table's 256 entries, so it never changes a result.
#pragma once

#include "ops/rows.h"

#include <cstdint>

namespace pixorama::ops {

// f(v) = clamp(c + sgn(v - p) * floor(|v - p| * m / d)) to 0..255, i.e. c + (v - p) * m / d
// with the division truncated as in C; p, c and m for v < 128 ([0]) and v >= 128 ([1]).  Two
// different halves are computed only as mirror images (p[1] = 255 - p[0], c[1] = 255 - c[0],
// m[1] = m[0]: f(v) = 255 - f(255 - v) above 127), as the contrast above 100 has them.
struct LinearForm {
    int32_t p[2] = {0, 0}, c[2] = {0, 0}, m[2] = {0, 0};
    int32_t d = 1;
};

// The same line on both halves.
inline LinearForm Line(int32_t p, int32_t c, int32_t m, int32_t d) {
    return {{p, p}, {c, c}, {m, m}, d};
}

// Whether the form, computed as the vector loop computes it, gives every entry of the table.
bool LinearFormMatches(const LinearForm& form, const Lut& lut);

// ApplyLuts for tables that come with their forms: where the level in force looks tables up
// slowly (AVX2 without byte permutes) and every form matches its table, the 24-bit pixels are
// computed; otherwise, and for palette images, the tables are looked up.
void ApplyLinearLuts(DocumentState& doc, Host& host, const Lut& lutB, const Lut& lutG,
                     const Lut& lutR, const LinearForm& formB, const LinearForm& formG,
                     const LinearForm& formR);
inline void ApplyLinearLut(DocumentState& doc, Host& host, const Lut& lut,
                           const LinearForm& form) {
    ApplyLinearLuts(doc, host, lut, lut, lut, form, form, form);
}

// The bytes of n pixels through the three forms (blue, green, red), as the vector loop does
// it; the pixels after the last whole block of 32 through the tables.  For tests and the
// benchmarks' plain peers: false (and nothing done) when a form does not match.
bool LinearPixels(uint8_t* p, size_t pixels, const Lut& lutB, const Lut& lutG, const Lut& lutR,
                  const LinearForm& formB, const LinearForm& formG, const LinearForm& formR);

} // namespace pixorama::ops
