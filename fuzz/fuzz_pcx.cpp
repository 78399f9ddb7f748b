// Fuzz target of the ZSoft-PCX reader: every input either fails with a message and no image, or
// gives a complete image that our own writer stores and the reader gets back unchanged.
#include "fuzz_common.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::limitAllocationsOnce();
    for (int format : {0, int(PICTORA_FORMAT_PCX)})
        fuzz::decode(data, size, format, [](const TDibRecord& d) {
            fuzz::readEveryPixel(d);
            // a 1-bit file with two black colours reads as black and white (no colours in the
            // header)
            const bool blackPair = DibBitsPerPixel(&d) == 1 &&
                                   std::memcmp(&d.Info->bmiColors[0], "\0\0\0", 3) == 0 &&
                                   std::memcmp(&d.Info->bmiColors[1], "\0\0\0", 3) == 0;
            fuzz::roundTripAnyDepth(d, pictora::encodePcx, PICTORA_FORMAT_PCX, !blackPair);
        });
    return 0;
}
