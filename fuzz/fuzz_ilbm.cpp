// Fuzz target of the IFF ILBM/PBM reader: every input either fails with a message and no
// image, or gives a complete image that our own writer stores and the reader gets back unchanged.
#include "fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::limitAllocationsOnce();
    for (int format : {0, int(PICTORA_FORMAT_IFF)})
        fuzz::decode(data, size, format, [](const TDibRecord& d) {
            fuzz::readEveryPixel(d);
            fuzz::roundTripAnyDepth(d, pictora::encodeIlbm, PICTORA_FORMAT_IFF);
        });
    return 0;
}
