// The browser's thumbnails and their per-folder cache file "vlmbrwse.cbf": the nearest-neighbour
// shrink, the file checksum, and reading and writing the cache.
//
// Cache file, little-endian:
//   0  2  version word 0x0E51
//   2  4  N, the number of entries (signed)
//   6  …  N entries: 261-byte zero-terminated name, TThumbInfo (32 bytes), S (4 bytes), then the
//         thumbnail block of S bytes: 40-byte bitmap header, colour table (4 × 2^bits bytes up to
//         8 bits, none for 24 bits), pixel rows bottom-up padded to 4 bytes.
// The cache file comes from disk and is untrusted: every count, size and offset is checked
// before it is used.
#pragma once

#include "document/host.h"

#include <pictora.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pixorama {

inline constexpr uint16_t kCacheVersion = 0x0E51;
inline constexpr const char* kCacheFileName = "vlmbrwse.cbf";
inline constexpr size_t kCacheNameBytes = 261;    // name field, terminator included
inline constexpr size_t kCacheEntryHead = 261 + 32 + 4;
inline constexpr int32_t kThumbSide = 80;

// The eight values kept per thumbnail (also their on-disk form, 32 bytes).
struct TThumbInfo {
    int32_t BitsPerPixel = 0;
    int32_t ThumbWidth = 0;
    int32_t ThumbHeight = 0;
    int32_t ImageWidth = 0;
    int32_t ImageHeight = 0;
    int32_t Colors = 0;
    int32_t SizeKB = 0;
    uint32_t Checksum = 0;
    bool operator==(const TThumbInfo&) const = default;
};
static_assert(sizeof(TThumbInfo) == 32);

// One entry of the cache index in memory.
struct TCacheEntry {
    std::string Name;        // as stored (the folder's bytes)
    TThumbInfo Info;
    uint32_t DataOffset = 0; // file offset of the thumbnail block
};

// Thumbnail size of an image: the longer side 80, the other in proportion (div), each at least 1.
void ThumbSize(int32_t imageWidth, int32_t imageHeight, int32_t& width, int32_t& height);

// Nearest-neighbour shrink with 10-bit fixed-point steps; the target has the source's depth and
// palette.  Without a source image or with a side below 1 the result has no pixel buffer.
TDibRecord Resize(const TDibRecord& source, int32_t width, int32_t height);

// 32-bit sum of every byte of the file, read in blocks of 64 KB with progress after each block.
// A file that cannot be opened or read gives a random number 0 … 32766 and ok = false, so that
// callers never take a cache entry for it.
uint32_t CalcCheck(const std::string& path, Host& host, bool* ok = nullptr);

// Parses a cache file's bytes into its index.  nullopt: not a cache file of ours (shorter than
// two bytes or another version word).  A file whose entries do not fill it exactly (count or a
// block size wrong, cut off, bytes after the end) is not trusted at all (empty index); an entry
// with impossible values is left out.
std::optional<std::vector<TCacheEntry>> ParseCacheIndex(const uint8_t* data, size_t size);

// The thumbnail of entry from its block (the bytes at DataOffset, up to the end of the file);
// no pixel buffer when the block does not agree with the entry.
TDibRecord ThumbFromBlock(const uint8_t* block, size_t size, const TThumbInfo& info);

// Block size S of a thumbnail of these values (header, colour table, pixel rows); 0 for values
// no thumbnail can have.
uint32_t ThumbBlockSize(const TThumbInfo& info);

// "folder/vlmbrwse.cbf"
std::string CachePath(const std::string& folder);

// Reads the folder's cache index.  opened: whether the file could be opened (the browser logs
// "Browser-Informationen geladen." then).
std::vector<TCacheEntry> ReadCache(const std::string& folder, bool& opened);

// The first entry whose name equals name without regard to (ASCII) case and whose checksum
// matches; nullptr if none.
const TCacheEntry* FindCacheEntry(const std::vector<TCacheEntry>& index, const std::string& name,
                                  uint32_t checksum);

// Reads an entry's thumbnail from the folder's cache file.
TDibRecord LoadCachedThumb(const std::string& folder, const TCacheEntry& entry);

// One thumbnail held in memory.
struct Thumbnail {
    TDibRecord Dib{};
    std::string Name;
    TThumbInfo Info;
};

// The bytes of a cache file for these thumbnails (names longer than 260 bytes are left out).
std::vector<uint8_t> EncodeCache(const std::vector<Thumbnail>& thumbs);

// Writes the folder's cache file through a temporary file and a rename, if there are
// thumbnails and the existing file (if any) is one of ours.  true when it was written.
bool WriteCache(const std::string& folder, const std::vector<Thumbnail>& thumbs);

// The upper-case form of a name, letter by letter (ASCII letters; other bytes unchanged).
std::string UpperName(const std::string& name);

} // namespace pixorama
