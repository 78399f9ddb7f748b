// Fuzz target of the user filter store reader: any bytes give a store state without reading
// past the input; every record read has a terminated name, and the store written from the
// records reads back to the same records.
#include "ops/user_filters.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace pixorama;
    std::vector<TFilterRecord> items;
    const TStoreRead r = ParseUserFilterStore(data, size, items);
    if (r.State != TStoreState::Ours && !items.empty())
        std::abort();
    if (size >= kUserFilterHeaderSize &&
        items.size() > (size - kUserFilterHeaderSize) / kUserFilterRecordSize)
        std::abort();
    for (const TFilterRecord& f : items)
        if (std::memchr(f.FilterName, 0, sizeof(f.FilterName)) == nullptr ||
            FilterNameOf(f).size() > kUserFilterNameMax)
            std::abort();
    const std::vector<uint8_t> bytes = UserFilterStoreBytes(items);
    std::vector<TFilterRecord> again;
    if (ParseUserFilterStore(bytes.data(), bytes.size(), again).State != TStoreState::Ours ||
        again.size() != items.size())
        std::abort();
    for (size_t i = 0; i < items.size(); ++i)
        if (std::memcmp(&again[i], &items[i], sizeof(TFilterRecord)) != 0)
            std::abort();
    return 0;
}
