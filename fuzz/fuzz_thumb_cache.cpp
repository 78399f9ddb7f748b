// Fuzzes the browser's cache file parser: whatever index comes out must point only inside the
// file, every thumbnail it gives must have the entry's size and depth, and writing the
// thumbnails again must give a file that parses to the same entries.
#include "browser/thumb_cache.h"

#include <cstdlib>
#include <cstring>

using namespace pixorama;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto index = ParseCacheIndex(data, size);
    if (!index) {
        if (size >= 2 && (data[0] | data[1] << 8) == kCacheVersion) std::abort();
        return 0;
    }
    std::vector<Thumbnail> thumbs;
    for (const TCacheEntry& e : *index) {
        if (e.DataOffset > size || ThumbBlockSize(e.Info) > size - e.DataOffset ||
            e.Name.empty() || e.Name.size() >= kCacheNameBytes ||
            e.Name.find('\0') != std::string::npos)
            std::abort();
        TDibRecord dib = ThumbFromBlock(data + e.DataOffset, size - e.DataOffset, e.Info);
        if (dib.Bits == nullptr) continue;
        if (DibWidth(&dib) != e.Info.ThumbWidth || DibHeight(&dib) != e.Info.ThumbHeight ||
            DibBitsPerPixel(&dib) != e.Info.BitsPerPixel)
            std::abort();
        thumbs.push_back({dib, e.Name, e.Info});
    }
    const std::vector<uint8_t> again = EncodeCache(thumbs);
    const auto back = ParseCacheIndex(again.data(), again.size());
    if (!back || back->size() != thumbs.size()) std::abort();
    for (size_t i = 0; i < thumbs.size(); ++i)
        if ((*back)[i].Name != thumbs[i].Name || !((*back)[i].Info == thumbs[i].Info)) std::abort();
    for (Thumbnail& t : thumbs) deldib(&t.Dib);
    return 0;
}
