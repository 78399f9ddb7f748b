/* libpictora: nearest palette colours in bulk: a row of pixels in one call, and the
 * accelerator's tables for loops that ask for millions of colours one after the other, each
 * depending on the last answer (error diffusion): read inline, they spare a call per pixel. */
#ifndef PICTORA_NEAREST_H
#define PICTORA_NEAREST_H

#include "pictora.h"

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The tables behind GetNearestPaletteIndex.  cells holds per fine cell of 4 x 4 x 4 colours
 * (PictoraFineCell) 0 when it has not been looked at yet, 1..256 for its one answer + 1, PICTORA_NEAREST_TABLE_BASE + t for
 * table t of its 64 answers (at answers + 64 t, in the order of PictoraFineSlot); anything else
 * means: ask GetNearestPaletteIndex, which also fills the cells.  Returns 0 for a NULL or empty
 * palette or when memory is short.  Valid until DeleteObject. */
/* GetNearestPaletteIndex of count pixels of three bytes blue, green, red, into out. */
PICTORA_API void GetNearestPaletteIndicesBgr(HPALETTE palette, const uint8_t* bgr, int32_t count,
                                             uint8_t* out);

#define PICTORA_NEAREST_TABLE_BASE 257u
#define PICTORA_NEAREST_TABLES 65278u
PICTORA_API int32_t GetNearestPaletteTables(HPALETTE palette, const uint16_t** cells,
                                            const uint8_t** answers);
/* Fine cell of a colour R + 256G + 65536B: the top six bits of red, green, blue. */
static inline uint32_t PictoraFineCell(uint32_t colour) {
    return ((colour & 0xFCu) << 10) | ((colour & 0xFC00u) >> 4) | ((colour & 0xFC0000u) >> 18);
}
/* Place of a colour in its fine cell's table: the low two bits of red, green, blue. */
static inline uint32_t PictoraFineSlot(uint32_t colour) {
    return ((colour & 3u) << 4) | ((colour >> 6) & 0xCu) | ((colour >> 16) & 3u);
}
/* GetNearestPaletteIndex through the tables of GetNearestPaletteTables. */
static inline uint32_t NearestPaletteIndexFromTables(HPALETTE palette, const uint16_t* cells,
                                                     const uint8_t* answers, uint32_t colour) {
    const uint32_t v = __atomic_load_n(cells + PictoraFineCell(colour), __ATOMIC_ACQUIRE);
    if (v - 1u < 256u) return v - 1u;
    if (v - PICTORA_NEAREST_TABLE_BASE < PICTORA_NEAREST_TABLES)
        return answers[(size_t)(v - PICTORA_NEAREST_TABLE_BASE) * 64u + PictoraFineSlot(colour)];
    return GetNearestPaletteIndex(palette, colour);
}
#ifdef __cplusplus
}
#endif

#endif
