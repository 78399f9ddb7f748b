// Fuzzes the PNG reader: every decoded image is read pixel by pixel, written with the PNG
// writer and read back, which must succeed and give the same pixels and colours.
#include "fuzz_common.h"

#include <zlib.h>

static void check(const uint8_t* data, size_t size) {
    for (int format : {0, int(PICTORA_FORMAT_PNG)})
        fuzz::decode(data, size, format, [](const TDibRecord& dib) {
            fuzz::readEveryPixel(dib);
            fuzz::roundTripIfWritten(dib, pictora::encodePng, PICTORA_FORMAT_PNG);
        });
}

// Mutations nearly always break a chunk's checksum, which libpng rejects before anything else;
// a copy with every checksum recomputed lets the fuzzer reach the decoder proper.
static std::vector<uint8_t> withFixedChecksums(const uint8_t* data, size_t size) {
    std::vector<uint8_t> f(data, data + size);
    const auto be32 = [&](size_t at) {
        return static_cast<uint32_t>(f[at]) << 24 | f[at + 1] << 16 | f[at + 2] << 8 | f[at + 3];
    };
    for (size_t pos = 8; pos + 12 <= f.size();) {
        const uint32_t len = be32(pos);
        if (len > f.size() - pos - 12)
            break;
        const auto crc = static_cast<uint32_t>(crc32(0, &f[pos + 4], len + 4));
        for (int i = 0; i < 4; ++i)
            f[pos + 8 + len + i] = static_cast<uint8_t>(crc >> (24 - 8 * i));
        pos += 12 + static_cast<size_t>(len);
    }
    return f;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::limitAllocationsOnce();
    check(data, size);
    if (size < 8 || std::memcmp(data, "\x89PNG\r\n\x1a\n", 8) != 0)
        return 0;
    const std::vector<uint8_t> fixed = withFixedChecksums(data, size);
    if (std::memcmp(fixed.data(), data, size) != 0)
        check(fixed.data(), fixed.size());
    return 0;
}
