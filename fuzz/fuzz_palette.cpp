// Fuzz target of the palette file reader (the program's 1028-byte file, JASC-PAL, GIMP and
// RIFF palettes): every input is either refused or gives a palette whose 1028 bytes read back
// unchanged; foreign palettes always come out as 16 or 256 entries of version 0x300.
#include "colour/palette_files.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TLogPalette pal;
    if (!pixorama::ParsePaletteBytes(data, size, pal))
        return 0;
    // the program's own file is taken as its first 1028 bytes stand; anything else must be a
    // foreign palette in the program's form
    const bool own = size >= pixorama::kPaletteFileSize &&
                     std::memcmp(&pal, data, pixorama::kPaletteFileSize) == 0;
    if (!own) {
        if (pal.palVersion != pixorama::kPaletteVersion ||
            (pal.palNumEntries != 16 && pal.palNumEntries != 256))
            std::abort();
        for (const TPaletteEntry& e : pal.palPalEntry)
            if (e.peFlags != 0)
                std::abort();
    }
    // the program's file of that palette reads back the same
    uint8_t bytes[pixorama::kPaletteFileSize];
    std::memcpy(bytes, &pal, sizeof(bytes));
    TLogPalette again;
    if (!pixorama::ParsePaletteBytes(bytes, sizeof(bytes), again) ||
        std::memcmp(&again, &pal, sizeof(pal)) != 0)
        std::abort();
    return 0;
}
