// The image record itself: tracked allocation, accessors, newdib/deldib and palette upkeep.
#include "internal.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cmath>
#include <cstring>
#include <mutex>
#include <pthread.h>
#include <new>
#include <vector>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/sysinfo.h>

namespace pictora {

namespace {
std::atomic<uint64_t> gLimit{0};
std::atomic<uint64_t> gAllocated{0};
std::atomic<uint64_t> gImageLimit{0};

// What the machine can give at most: its memory and swap, and no more than the process may map.
uint64_t machineLimit() {
    uint64_t limit = UINT64_MAX;
    struct sysinfo si {};
    if (::sysinfo(&si) == 0 && si.mem_unit > 0)
        limit = (static_cast<uint64_t>(si.totalram) + si.totalswap) * si.mem_unit;
    struct rlimit rl {};
    if (::getrlimit(RLIMIT_AS, &rl) == 0 && rl.rlim_cur != RLIM_INFINITY)
        limit = std::min<uint64_t>(limit, rl.rlim_cur);
    return limit;
}

// Every tracked block carries its size in front so trackedFree can account for it.
struct alignas(16) BlockHeader {
    uint64_t size;   // bytes asked for
    uint64_t mapped; // 0 = from malloc, else the length of the mapping
};

// Large blocks freed recently, kept mapped for the next allocation of about the same size.  An
// image command takes an undo copy and often a work image of the image's size and frees the
// same sizes again; handing those pages back and faulting fresh, kernel-zeroed ones in for the
// next command costs as much as copying the image.  Kept blocks are marked MADV_FREE, so the
// kernel may still take their pages under memory pressure (they read as zero then).
struct CachedBlock {
    void* base;
    size_t length;
};
constexpr size_t kCacheBlocks = 3;
constexpr size_t kCacheBytes = size_t{768} << 20;
std::mutex gCacheLock;
// Oldest first.  Never destroyed, so images freed during exit still find it, and its room is
// reserved up front: freeing an image must not allocate.
std::vector<CachedBlock>& gCache = *[] {
    auto* v = new std::vector<CachedBlock>();
    v->reserve(kCacheBlocks);
    return v;
}();

// A child process started while another thread held the lock would never get it; the lock is
// taken around fork (codecs run in children, see codecs/isolated.cpp).
const bool gCacheForkSafe = [] {
    ::pthread_atfork([] { gCacheLock.lock(); }, [] { gCacheLock.unlock(); },
                     [] { gCacheLock.unlock(); });
    return true;
}();

// The smallest kept mapping that holds `length` bytes without wasting more than a quarter;
// nullptr if none does.
void* takeCached(size_t length, size_t& got) {
    std::lock_guard<std::mutex> lock(gCacheLock);
    auto best = gCache.end();
    for (auto i = gCache.begin(); i != gCache.end(); ++i)
        if (i->length >= length && i->length - length <= length / 4 &&
            (best == gCache.end() || i->length < best->length))
            best = i;
    if (best == gCache.end()) return nullptr;
    void* base = best->base;
    got = best->length;
    gCache.erase(best);
    return base;
}

void dropOldestCached() {
    ::munmap(gCache.front().base, gCache.front().length);
    gCache.erase(gCache.begin());
}

void keepOrUnmap(void* base, size_t length) {
    if (length > kCacheBytes) {
        ::munmap(base, length);
        return;
    }
#ifdef MADV_FREE
    ::madvise(base, length, MADV_FREE);
#endif
    std::lock_guard<std::mutex> lock(gCacheLock);
    size_t kept = length;
    for (const CachedBlock& c : gCache) kept += c.length;
    while (!gCache.empty() && (gCache.size() == kCacheBlocks || kept > kCacheBytes)) {
        kept -= gCache.front().length;
        dropOldestCached();
    }
    gCache.push_back(CachedBlock{base, length});
}

// A fresh mapping; when the address space or memory is short, the kept blocks (of other sizes)
// are given back first and it is tried once more.
void* mapFresh(size_t length) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        void* m =
            ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (m != MAP_FAILED) {
            ::madvise(m, length, MADV_HUGEPAGE);
            return m;
        }
        std::lock_guard<std::mutex> lock(gCacheLock);
        if (gCache.empty()) break;
        while (!gCache.empty()) dropOldestCached();
    }
    return nullptr;
}
} // namespace

// Blocks this large come straight from mmap: already zero, and backed by huge pages where the
// kernel allows, which makes the first touch of a 72 MB image several times cheaper.
constexpr size_t kMapThreshold = size_t{4} << 20;

void* trackedAlloc(size_t bytes, bool zeroed) {
    if (bytes > SIZE_MAX / 2) return nullptr;
    const uint64_t limit = gLimit.load();
    uint64_t now = gAllocated.fetch_add(bytes) + bytes;
    if (limit != 0 && now > limit) {
        gAllocated.fetch_sub(bytes);
        return nullptr;
    }
    const size_t total = bytes + sizeof(BlockHeader);
    void* raw = nullptr;
    size_t mapped = 0;
    if (total >= kMapThreshold) {
        raw = takeCached(total, mapped);
        if (raw != nullptr && zeroed) {
            std::memset(raw, 0, total); // fresh mappings are zero already
        } else if (raw == nullptr) {
            raw = mapFresh(total);
            mapped = raw != nullptr ? total : 0;
        }
    } else {
        raw = zeroed ? std::calloc(1, total) : std::malloc(total);
    }
    if (raw == nullptr) {
        gAllocated.fetch_sub(bytes);
        return nullptr;
    }
    auto* h = static_cast<BlockHeader*>(raw);
    h->size = bytes;
    h->mapped = mapped;
    return h + 1;
}

void trackedFree(void* p) {
    if (p == nullptr) return;
    auto* h = static_cast<BlockHeader*>(p) - 1;
    gAllocated.fetch_sub(h->size);
    if (h->mapped != 0)
        keepOrUnmap(h, h->mapped);
    else
        std::free(h);
}

int64_t rowBytes(int64_t width, int bpp) {
    if (width <= 0) return -1;
    const int64_t bits = width * bpp;
    const int64_t bytes = ((bits + 31) / 32) * 4;
    return bytes > INT32_MAX ? -1 : bytes;
}

void setError(TDibRecord* out, const std::string& text) {
    if (out == nullptr) return;
    char* dst = reinterpret_cast<char*>(out->Palette.palPalEntry);
    const size_t room = sizeof(out->Palette.palPalEntry) - 1;
    const size_t n = std::min(room, text.size());
    std::memcpy(dst, text.data(), n);
    dst[n] = '\0';
}

void Progress::report(int64_t done, int64_t total) {
    if (fn_ == nullptr || total <= 0) return;
    int pct = static_cast<int>(std::clamp<int64_t>(done * 100 / total, 0, 100));
    if (pct != last_) {
        last_ = pct;
        fn_(pct, user_);
    }
}

const char* const kTextDamaged = "Die Datei ist beschädigt";
const char* const kTextNoMemory = "Nicht genug Speicher für dieses Bild";
const char* const kTextUnknownType = "Unbekanntes oder nicht unterstütztes Dateiformat";

bool imageFitsLimit(int64_t width, int64_t height, int bpp) {
    const int64_t line = rowBytes(width, bpp);
    if (line < 0 || height < 0) return false;
    const uint64_t limit = PictoraImageLimit();
    return height == 0 || static_cast<uint64_t>(line) <= limit / static_cast<uint64_t>(height);
}

} // namespace pictora

using namespace pictora;

extern "C" {

int32_t DibWidth(const TDibRecord* dib) {
    return dib && dib->Info ? dib->Info->bmiHeader.biWidth : 0;
}
int32_t DibHeight(const TDibRecord* dib) {
    return dib && dib->Info ? dib->Info->bmiHeader.biHeight : 0;
}
uint16_t DibBitsPerPixel(const TDibRecord* dib) {
    return dib && dib->Info ? dib->Info->bmiHeader.biBitCount : 0;
}
int32_t DibLineBytes(const TDibRecord* dib) { return dib ? dib->LineBytes : 0; }

int32_t PowerOfTwo(int32_t n) {
    int32_t r = 1;
    for (int32_t i = 0; i < n && i < 30; ++i) r *= 2;
    // 2^31 and beyond do not fit; no image depth asks for them
    return r;
}

int32_t DibColorCount(const TDibRecord* dib) { return PowerOfTwo(DibBitsPerPixel(dib)); }

const char* DibErrorText(const TDibRecord* dib) {
    if (dib == nullptr) return "";
    const char* text = reinterpret_cast<const char*>(dib->Palette.palPalEntry);
    // the text is terminated inside the entry array; guard against a record that never held one
    if (std::memchr(text, 0, sizeof(dib->Palette.palPalEntry)) == nullptr) return "";
    return text;
}

namespace {
int32_t makeDib(TDibRecord* out, int32_t width, int32_t height, int32_t bpp,
                const TBitmapInfo* info, int32_t ncolors, bool zeroed) {
    if (out == nullptr) return 0;
    std::memset(out, 0, sizeof(*out));
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) return 0;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24) return 0;
    const int64_t line = rowBytes(width, bpp);
    if (line < 0) return 0;
    const uint64_t size = static_cast<uint64_t>(line) * static_cast<uint64_t>(height);
    if (size > UINT32_MAX) return 0; // biSizeImage is a 32-bit field
    // a size no allocation could satisfy is refused before trying: a declared size of a file
    // must not push the machine into swapping
    const uint64_t imageLimit = gImageLimit.load();
    if (size > (imageLimit != 0 ? imageLimit : machineLimit())) return 0;

    auto* inf = static_cast<TBitmapInfo*>(trackedAlloc(sizeof(TBitmapInfo), true));
    if (inf == nullptr) return 0;
    auto* bits = static_cast<uint8_t*>(trackedAlloc(static_cast<size_t>(size), zeroed));
    if (bits == nullptr) {
        trackedFree(inf);
        return 0;
    }

    const int colors = bpp <= 8 ? (1 << bpp) : 0;
    TBitmapInfoHeader& h = inf->bmiHeader;
    h.biSize = sizeof(TBitmapInfoHeader);
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = static_cast<uint16_t>(bpp);
    h.biCompression = 0;
    h.biSizeImage = static_cast<uint32_t>(size);
    h.biXPelsPerMeter = 2835; // 72 dpi
    h.biYPelsPerMeter = 2835;
    h.biClrUsed = static_cast<uint32_t>(colors);
    h.biClrImportant = 0;

    if (colors > 0) {
        // default table: black/white for 1 bit, an even grey ramp otherwise
        for (int i = 0; i < colors; ++i) {
            const uint8_t g = static_cast<uint8_t>(i * 255 / (colors - 1));
            inf->bmiColors[i] = TRGBQuad{g, g, g, 0};
        }
        if (info != nullptr && ncolors > 0) {
            const int n = std::min(ncolors, 256);
            std::memcpy(inf->bmiColors, info->bmiColors, sizeof(TRGBQuad) * n);
            for (int i = 0; i < n; ++i) inf->bmiColors[i].rgbReserved = 0;
        }
    }

    out->Info = inf;
    out->Bits = bits;
    out->LineBytes = static_cast<int32_t>(line);
    out->DibHandle = 1;
    out->HasPalette = colors > 0 ? 1 : 0;
    out->Palette.palVersion = 0x300;
    out->Palette.palNumEntries = static_cast<uint16_t>(colors);
    for (int i = 0; i < colors; ++i) {
        const TRGBQuad& q = inf->bmiColors[i];
        out->Palette.palPalEntry[i] = TPaletteEntry{q.rgbRed, q.rgbGreen, q.rgbBlue, 0};
    }
    out->PaletteHandle = colors > 0 ? CreatePalette(&out->Palette) : nullptr;
    return 1;
}

} // namespace

int32_t newdib(TDibRecord* out, int32_t width, int32_t height, int32_t bpp,
               const TBitmapInfo* info, int32_t ncolors) {
    return makeDib(out, width, height, bpp, info, ncolors, true);
}

int32_t newdib_unfilled(TDibRecord* out, int32_t width, int32_t height, int32_t bpp,
                        const TBitmapInfo* info, int32_t ncolors) {
    return makeDib(out, width, height, bpp, info, ncolors, false);
}

void deldib(TDibRecord* dib) {
    if (dib == nullptr) return;
    trackedFree(dib->Bits);
    trackedFree(dib->Info);
    DeleteObject(dib->PaletteHandle);
    std::memset(dib, 0, sizeof(*dib));
}

void DibSetPaletteColor(TDibRecord* dib, int32_t index, uint8_t red, uint8_t green,
                        uint8_t blue) {
    if (dib == nullptr || dib->Info == nullptr || index < 0 || index > 255) return;
    dib->Info->bmiColors[index] = TRGBQuad{blue, green, red, 0};
    dib->Palette.palPalEntry[index] = TPaletteEntry{red, green, blue, 0};
}

void DibUpdatePaletteHandle(TDibRecord* dib) {
    if (dib == nullptr) return;
    DeleteObject(dib->PaletteHandle);
    dib->PaletteHandle = CreatePalette(&dib->Palette);
}

void PictoraSetAllocLimit(uint64_t bytes) { gLimit.store(bytes); }
void PictoraSetImageLimit(uint64_t bytes) { gImageLimit.store(bytes); }
uint64_t PictoraImageLimit(void) {
    const uint64_t limit = gImageLimit.load();
    return limit != 0 ? limit : machineLimit();
}
uint64_t PictoraAllocatedBytes(void) { return gAllocated.load(); }

double power(double base, double exponent) { return std::pow(base, exponent); }

} // extern "C"
