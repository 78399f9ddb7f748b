/* libpictora: the raster library of Pixorama.
 *
 * One image in memory is a TDibRecord: a device-independent bitmap of 1, 4, 8 or 24 bits per
 * pixel with bottom-up rows, described by a Windows-style BITMAPINFOHEADER plus colour table and
 * mirrored by a 256-entry logical palette.  This header is the whole C API: records go in by
 * const pointer, results come back through out pointers.
 *
 * Conventions that every caller relies on
 * ---------------------------------------
 * - Coordinates count x from the left and y from the top, starting at 0.  Image row y lives at
 *   Bits + (height - 1 - y) * LineBytes.
 * - Pixel values: palette index for 1/4/8-bit records, R + 256*G + 65536*B for 24-bit records
 *   (the buffer itself stores blue, green, red).
 * - getpixel outside the image (or on a record without Bits) returns 0 and reads nothing;
 *   setpixel outside the image writes nothing.
 * - Drawing primitives take two corner points in any order.  Both corners / end points are
 *   INCLUSIVE:
 *     line(x1,y1,x2,y2)          sets both end points and every Bresenham step between them;
 *     rechteck / recht_filled    cover columns min(x1,x2)..max(x1,x2), rows min(y)..max(y),
 *                                so (10,10)-(19,19) is a 10 x 10 square;
 *     ellipse / FilledEllipse    the ellipse inscribed in that same inclusive rectangle: a pixel
 *                                belongs to the filled ellipse when its centre lies inside or on
 *                                the ellipse touching the rectangle's outer edges.  The outline
 *                                is the set of filled pixels with a 4-neighbour outside the
 *                                filled shape, so the outline is always part of the fill.
 *   Everything is clipped silently at the record's border; a shape may lie partly or wholly
 *   outside the image.  Hence recht_filled(0,0)-(S,S) on an S x S record fills all of it, and
 *   FilledEllipse(0,0)-(S-1,S-1) is the disc inscribed in it.
 * - Records are values holding pointers; exactly one copy is given to deldib.  deldib clears
 *   the record it is given, so calling it twice on the same variable is harmless.
 */
#ifndef PICTORA_H
#define PICTORA_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(PICTORA_BUILDING)
#define PICTORA_API __attribute__((visibility("default")))
#else
#define PICTORA_API
#endif

/* The 40-byte header of a device-independent bitmap (Windows BITMAPINFOHEADER layout). */
typedef struct TBitmapInfoHeader {
    uint32_t biSize;
    int32_t biWidth;
    int32_t biHeight;
    uint16_t biPlanes;
    uint16_t biBitCount;
    uint32_t biCompression;
    uint32_t biSizeImage;
    int32_t biXPelsPerMeter;
    int32_t biYPelsPerMeter;
    uint32_t biClrUsed;
    uint32_t biClrImportant;
} TBitmapInfoHeader;

/* Colour-table entry of the info block: blue, green, red, reserved. */
typedef struct TRGBQuad {
    uint8_t rgbBlue;
    uint8_t rgbGreen;
    uint8_t rgbRed;
    uint8_t rgbReserved;
} TRGBQuad;

/* The info block: header directly followed by room for 256 colour-table entries. */
typedef struct TBitmapInfo {
    TBitmapInfoHeader bmiHeader;
    TRGBQuad bmiColors[256];
} TBitmapInfo;

/* Logical palette entry: red, green, blue, flags. */
typedef struct TPaletteEntry {
    uint8_t peRed;
    uint8_t peGreen;
    uint8_t peBlue;
    uint8_t peFlags;
} TPaletteEntry;

/* Logical palette with room for 256 entries (1028 bytes). */
typedef struct TLogPalette {
    uint16_t palVersion;    /* 0x300 */
    uint16_t palNumEntries; /* number of valid entries */
    TPaletteEntry palPalEntry[256];
} TLogPalette;

/* Palette object made by CreatePalette: an immutable copy of the entries plus an accelerator for
 * nearest-colour queries.  Opaque to callers. */
typedef struct PictoraPalette* HPALETTE;

/* One image in memory.  Field order and the widths of the non-pointer fields follow the
 * 32-bit interface; pointers and the palette handle are native pointers here. */
typedef struct TDibRecord {
    TBitmapInfo* Info;      /* header + colour table */
    uint32_t DibHandle;     /* nonzero while the record holds an image */
    uint32_t LibWord;       /* library's own word */
    uint8_t* Bits;          /* bottom-up pixel rows; NULL = no image */
    int32_t LineBytes;      /* bytes per padded row */
    uint8_t HasPalette;     /* 1 = the record carries a logical palette */
    uint8_t LibByte;        /* library's own byte */
    TLogPalette Palette;    /* mirrors the colour table; on a failed load holds the error text */
    HPALETTE PaletteHandle; /* made by CreatePalette from Palette */
    uint8_t LibReserved[28];
} TDibRecord;

/* Progress report: percent 0..100.  Stands for the WM_USER message sent to the main window. */
typedef void (*PictoraProgress)(int32_t percent, void* user);

/* File format numbers (taken from the upper-cased extension). */
enum {
    PICTORA_FORMAT_AUTO = 0,
    PICTORA_FORMAT_BMP = 3,
    PICTORA_FORMAT_DIB = 4,
    PICTORA_FORMAT_GIF = 5,
    PICTORA_FORMAT_IFF = 6,
    PICTORA_FORMAT_JIF = 7,
    PICTORA_FORMAT_JPG = 8,
    PICTORA_FORMAT_LBM = 9,
    PICTORA_FORMAT_PCX = 10,
    PICTORA_FORMAT_RLE = 11,
    PICTORA_FORMAT_TGA = 12,
    PICTORA_FORMAT_TIF = 13,
    PICTORA_FORMAT_PNG = 14
};

/* ---- record accessors ---- */
PICTORA_API int32_t DibWidth(const TDibRecord* dib);
PICTORA_API int32_t DibHeight(const TDibRecord* dib);
PICTORA_API uint16_t DibBitsPerPixel(const TDibRecord* dib);
PICTORA_API int32_t DibLineBytes(const TDibRecord* dib);
PICTORA_API int32_t DibColorCount(const TDibRecord* dib); /* 2, 16, 256 or 16777216 */
PICTORA_API int32_t PowerOfTwo(int32_t n);                /* 2^n; 1 for n <= 0 */
/* The zero-terminated error text a failed OpenDib left in the record. */
PICTORA_API const char* DibErrorText(const TDibRecord* dib);

/* ---- creation and freeing ---- */
/* New zero-filled image.  bpp is 1, 4, 8 or 24.  With info != NULL the first ncolors entries of
 * its colour table are copied; without, 1-bit images get black/white and 4/8-bit images an even
 * grey ramp.  On any failure (bad size, memory short, allocation limit) out->Bits is NULL and
 * out->DibHandle is 0.  Returns 1 on success, 0 on failure. */
PICTORA_API int32_t newdib(TDibRecord* out, int32_t width, int32_t height, int32_t bpp,
                           const TBitmapInfo* info, int32_t ncolors);
/* The same, but the pixel bytes hold whatever the memory held: for callers that write every
 * byte (copies, work images). */
PICTORA_API int32_t newdib_unfilled(TDibRecord* out, int32_t width, int32_t height, int32_t bpp,
                                    const TBitmapInfo* info, int32_t ncolors);
/* Frees pixels, info block and palette handle, then clears the record.  NULL-safe. */
PICTORA_API void deldib(TDibRecord* dib);
/* Writes colour i into both the colour table and Palette (no new handle; see
 * DibUpdatePaletteHandle). */
PICTORA_API void DibSetPaletteColor(TDibRecord* dib, int32_t index, uint8_t red, uint8_t green,
                                    uint8_t blue);
/* Deletes the old PaletteHandle and creates a new one from Palette. */
PICTORA_API void DibUpdatePaletteHandle(TDibRecord* dib);

/* ---- files ---- */
/* Loads an image file.  format 0 recognises the type from the content.  On failure Bits is NULL
 * and DibErrorText() gives a German message.  Returns 1 on success. */
PICTORA_API int32_t OpenDib(TDibRecord* out, const char* path, int32_t format,
                            PictoraProgress progress, void* user);
/* The same from memory (clipboard blocks, fuzzing). */
PICTORA_API int32_t OpenDibMemory(TDibRecord* out, const void* data, size_t size, int32_t format,
                                  PictoraProgress progress, void* user);
/* Writes the record as format (a file format number); quality 1..99 for JPEG.  Writes a
 * temporary file beside path and renames it over path, so a failure never harms an existing
 * file.  Returns 1 on success; on failure copies a German message into error (if not NULL). */
PICTORA_API int32_t SaveDib(const TDibRecord* dib, const char* path, int32_t format,
                            int32_t quality, char* error, size_t errorSize);
/* Format number of a file name's extension (case-insensitive), 0 if it has none. */
PICTORA_API int32_t DibFormatOfPath(const char* path);
/* Filter texts for the file dialogs: "description|pattern|description|pattern...". */
PICTORA_API const char* GetDIBOpenFilter(void);
PICTORA_API const char* GetDIBSaveFilter(void);

/* ---- pixels and drawing ---- */
PICTORA_API int32_t getpixel(const TDibRecord* dib, int32_t x, int32_t y);
PICTORA_API void setpixel(const TDibRecord* dib, int32_t x, int32_t y, int32_t value);
PICTORA_API void line(const TDibRecord* dib, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                      int32_t value);
PICTORA_API void rechteck(const TDibRecord* dib, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                          int32_t value);
PICTORA_API void recht_filled(const TDibRecord* dib, int32_t x1, int32_t y1, int32_t x2,
                              int32_t y2, int32_t value);
PICTORA_API void ellipse(const TDibRecord* dib, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                         int32_t value);
PICTORA_API void FilledEllipse(const TDibRecord* dib, int32_t x1, int32_t y1, int32_t x2,
                               int32_t y2, int32_t value);

/* Fill styles and directions of filldib. */
enum {
    PICTORA_FILL_SOLID = 0,
    PICTORA_FILL_PATTERN = 1,
    PICTORA_FILL_LINEAR = 2,
    PICTORA_FILL_RECTANGULAR = 3,
    PICTORA_FILL_SUNBURST = 4,
    PICTORA_FILL_RADIAL = 5
};
enum {
    PICTORA_DIR_NW_SO = 0,
    PICTORA_DIR_N_S = 1,
    PICTORA_DIR_NO_SW = 2,
    PICTORA_DIR_O_W = 3,
    PICTORA_DIR_SO_NW = 4,
    PICTORA_DIR_S_N = 5,
    PICTORA_DIR_SW_NO = 6,
    PICTORA_DIR_W_O = 7
};
/* Flood fill of the 4-connected region around (x, y) whose colours lie within tolerance of the
 * seed colour in each of red, green and blue.  With useMask 1 only pixels where mask has value 1
 * take part; an unusable mask (missing, wrong size or depth) then admits no pixel.  work is a
 * 1-bit record of the target's size used to mark visited pixels (cleared by filldib first); when
 * it is unusable filldib makes its own scratch marker.  The whole region is found before anything
 * is painted.  pattern is read for style 1 only (tiled from the image origin; without pixels the
 * fill is solid value1).  Gradients run from value1 to value2 over the region's bounding box;
 * rectangular and radial put value1 in the centre for directions 0..3 and on the rim for 4..7.
 * Returns the number of pixels filled. */
PICTORA_API int32_t filldib(const TDibRecord* target, int32_t x, int32_t y, int32_t value1,
                            int32_t value2, int32_t tolerance, const TDibRecord* mask,
                            int32_t useMask, const TDibRecord* work, int32_t style,
                            int32_t direction, const TDibRecord* pattern);

PICTORA_API double power(double base, double exponent);

/* 8-bit palette copy of a 24-bit image for screens of at most 256 colours: a fixed palette of the
 * 6 x 6 x 6 colour cube (entries 0..215) and 40 further greys; colours are dithered onto the cube
 * with a 4 x 4 Bayer matrix, exact greys onto all greys of the palette.  The XY form scales to
 * width x height (nearest neighbour) first.  Palette sources give a plain 8-bit copy with their
 * own colours.  Returns 1 on success; on failure out->Bits is NULL. */
PICTORA_API int32_t DIBHalftoneDIB(TDibRecord* out, const TDibRecord* src);
PICTORA_API int32_t DIBHalftoneDIBXY(TDibRecord* out, const TDibRecord* src, int32_t width,
                                     int32_t height);

/* ---- palettes (stand-ins for the GDI palette calls) ---- */
PICTORA_API HPALETTE CreatePalette(const TLogPalette* palette);
PICTORA_API void DeleteObject(HPALETTE palette);
/* Index of the entry with the least squared RGB distance to colour (R + 256G + 65536B); the
 * lowest index wins ties.  0 for a NULL or empty palette. */
PICTORA_API uint32_t GetNearestPaletteIndex(HPALETTE palette, uint32_t colour);
/* The same without the accelerator: a plain scan of every entry (reference and benchmarks). */
PICTORA_API uint32_t GetNearestPaletteIndexScan(HPALETTE palette, uint32_t colour);
PICTORA_API int32_t PaletteEntryCount(HPALETTE palette);

/* ---- limits, interruption, threads ---- */
/* Largest pixel buffer one image may have, in bytes; 0 = as much as the machine can give (its
 * memory and swap, and the process's address-space limit).  Larger declared images are refused
 * before anything is allocated, with the shortage text. */
PICTORA_API void PictoraSetImageLimit(uint64_t bytes);
PICTORA_API uint64_t PictoraImageLimit(void);
/* Removes the temporary file of a save in progress.  Async-signal-safe: for a SIGINT or SIGTERM
 * handler that then ends the process. */
PICTORA_API void PictoraRemovePendingFiles(void);
/* Notes a temporary file that the program writes itself, so that PictoraRemovePendingFiles
 * removes it as well.  Returns the slot to pass to PictoraForgetPendingFile, or -1 when the
 * name is too long or every slot is taken (that file then stays after an interruption). */
PICTORA_API int32_t PictoraNotePendingFile(const char* path);
/* The noted file has been renamed or removed; -1 is ignored. */
PICTORA_API void PictoraForgetPendingFile(int32_t slot);
/* The reason of a failed system call (an errno value) in German words. */
PICTORA_API const char* PictoraErrorText(int code);

/* The worker threads shared by the library and the program, started once on first use.  Runs
 * task(user, i, slot) for every i in 0..count-1, on the calling thread and the workers; slot
 * (0..PictoraThreadCount()-1) tells apart the threads running at the same time, for scratch
 * space.  Returns when all are done.  When a worker cannot be started, or the pool is busy
 * (a nested or concurrent call), the work runs on the calling thread alone. */
typedef void (*PictoraTask)(void* user, int64_t index, int32_t slot);
PICTORA_API void PictoraParallelFor(int64_t count, PictoraTask task, void* user);
/* How many threads may run tasks at once (workers started + the caller). */
PICTORA_API int32_t PictoraThreadCount(void);
/* Test hook: at most n threads run tasks (n >= 1); 0 = all started. */
PICTORA_API void PictoraSetThreadLimit(int32_t n);

/* ---- test hook ---- */
/* Limit on the bytes the library may hold allocated at once (pixel buffers and info blocks);
 * 0 = no limit.  Creations past the limit fail as if memory were short. */
PICTORA_API void PictoraSetAllocLimit(uint64_t bytes);
PICTORA_API uint64_t PictoraAllocatedBytes(void);

#ifdef __cplusplus
}
#endif

#endif
