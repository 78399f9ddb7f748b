// Fuzzes the GIF reader: every decoded image is read pixel by pixel, written with the GIF
// writer and read back, which must succeed and give the same pixels and colours.
#include "fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::limitAllocationsOnce();
    for (int format : {0, int(PICTORA_FORMAT_GIF)})
        fuzz::decode(data, size, format, [](const TDibRecord& dib) {
            fuzz::readEveryPixel(dib);
            if (DibBitsPerPixel(&dib) != 24) // GIF holds at most 256 colours
                fuzz::roundTripIfWritten(dib, pictora::encodeGif, PICTORA_FORMAT_GIF);
        });
    return 0;
}
