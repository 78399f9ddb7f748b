#include "browser/thumb_cache.h"

#include "document/dib.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pixorama {

namespace {

uint32_t rd32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}
int32_t rds32(const uint8_t* p) { return static_cast<int32_t>(rd32(p)); }
void put16(std::vector<uint8_t>& v, uint16_t x) {
    v.push_back(static_cast<uint8_t>(x));
    v.push_back(static_cast<uint8_t>(x >> 8));
}
void put32(std::vector<uint8_t>& v, uint32_t x) {
    for (int i = 0; i < 4; ++i) v.push_back(static_cast<uint8_t>(x >> (8 * i)));
}

int32_t paletteSize(int32_t bits) { return bits <= 8 ? 4 * (1 << bits) : 0; }

int64_t lineBytes(int32_t width, int32_t bits) {
    return (static_cast<int64_t>(width) * bits + 31) / 32 * 4;
}

// Reads a whole file; false when it cannot be opened or read.
bool readFile(const std::string& path, std::vector<uint8_t>& out) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
    out.clear();
    uint8_t buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            ::close(fd);
            return false;
        }
        if (n == 0) break;
        out.insert(out.end(), buf, buf + n);
    }
    ::close(fd);
    return true;
}

} // namespace

void ThumbSize(int32_t imageWidth, int32_t imageHeight, int32_t& width, int32_t& height) {
    int64_t w = kThumbSide;
    int64_t h = imageWidth > 0 ? static_cast<int64_t>(imageHeight) * kThumbSide / imageWidth : 1;
    if (h > kThumbSide) {
        h = kThumbSide;
        w = imageHeight > 0 ? static_cast<int64_t>(imageWidth) * kThumbSide / imageHeight : 1;
    }
    // an image more than 80 times wider than high (or higher than wide) still gets one row
    width = static_cast<int32_t>(std::max<int64_t>(w, 1));
    height = static_cast<int32_t>(std::max<int64_t>(h, 1));
}

TDibRecord Resize(const TDibRecord& source, int32_t width, int32_t height) {
    TDibRecord target{};
    if (source.Bits == nullptr || source.Info == nullptr || width < 1 || height < 1) return target;
    const int32_t sw = DibWidth(&source), sh = DibHeight(&source);
    const int32_t bits = DibBitsPerPixel(&source);
    const int32_t colours = PaletteEntries(source);
    if (newdib(&target, width, height, bits, source.Info, colours) == 0 || target.Bits == nullptr) {
        deldib(&target);
        return target;
    }
    const int64_t stepX = (static_cast<int64_t>(sw) << 10) / width;
    const int64_t stepY = (static_cast<int64_t>(sh) << 10) / height;
    const int64_t sl = source.LineBytes, tl = target.LineBytes;
    auto sx = [&](int32_t x) { return static_cast<int64_t>((x * stepX) >> 10); };
    auto sy = [&](int32_t y) { return static_cast<int64_t>((y * stepY) >> 10); };
    switch (bits) {
    case 1:
        for (int32_t x = 0; x < width; ++x)
            for (int32_t y = 0; y < height; ++y)
                setpixel(&target, x, y,
                         getpixel(&source, static_cast<int32_t>(sx(x)), static_cast<int32_t>(sy(y))));
        break;
    case 4:
        for (int32_t x = 0; x < width; ++x) {
            const int64_t s = sx(x);
            for (int32_t y = 0; y < height; ++y) {
                const uint8_t b = source.Bits[sy(y) * sl + s / 2];
                const uint8_t nib = (s & 1) ? (b & 0x0F) : (b >> 4);
                uint8_t& t = target.Bits[y * tl + x / 2];
                t |= (x & 1) ? nib : static_cast<uint8_t>(nib << 4);
            }
        }
        break;
    case 8:
        for (int32_t y = 0; y < height; ++y) {
            const uint8_t* srow = source.Bits + sy(y) * sl;
            uint8_t* trow = target.Bits + y * tl;
            for (int32_t x = 0; x < width; ++x) trow[x] = srow[sx(x)];
        }
        break;
    default: // 24 bits
        for (int32_t y = 0; y < height; ++y) {
            const uint8_t* srow = source.Bits + sy(y) * sl;
            uint8_t* trow = target.Bits + y * tl;
            for (int32_t x = 0; x < width; ++x)
                std::memcpy(trow + 3 * x, srow + 3 * sx(x), 3);
        }
        break;
    }
    return target;
}

uint32_t CalcCheck(const std::string& path, Host& host, bool* ok) {
    auto fail = [&] {
        if (ok) *ok = false;
        host.Seed(static_cast<uint32_t>(
            std::chrono::steady_clock::now().time_since_epoch().count()));
        return static_cast<uint32_t>(host.RandomInt(32767));
    };
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return fail();
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        ::close(fd);
        return fail();
    }
    const int64_t size = st.st_size;
    int64_t left = size;
    uint32_t sum = 0;
    bool good = true;
    static thread_local uint8_t buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            good = false;
            break;
        }
        if (n == 0) break;
        for (ssize_t i = 0; i < n; ++i) sum += buf[i];
        left -= n;
        if (size > 0) host.SetProSatus(static_cast<int>((size - std::max<int64_t>(left, 0)) * 100 / size));
    }
    host.SetProSatus(0);
    ::close(fd);
    if (!good) return fail();
    if (ok) *ok = true;
    return sum;
}

uint32_t ThumbBlockSize(const TThumbInfo& info) {
    const int32_t bits = info.BitsPerPixel;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24) return 0;
    if (info.Colors != PowerOfTwo(bits)) return 0;
    if (info.ThumbWidth < 1 || info.ThumbWidth > kThumbSide || info.ThumbHeight < 1 ||
        info.ThumbHeight > kThumbSide)
        return 0;
    const int64_t p = lineBytes(info.ThumbWidth, bits) * info.ThumbHeight;
    return static_cast<uint32_t>(40 + paletteSize(bits) + p);
}

std::optional<std::vector<TCacheEntry>> ParseCacheIndex(const uint8_t* data, size_t size) {
    if (size < 2 || (data[0] | data[1] << 8) != kCacheVersion) return std::nullopt;
    std::vector<TCacheEntry> index;
    if (size < 6) return index;
    const int32_t n = rds32(data + 2);
    if (n <= 0) return index;
    // every entry needs at least its fixed head: a count beyond that is a damaged file
    if (static_cast<uint64_t>(n) > (size - 6) / kCacheEntryHead) return std::vector<TCacheEntry>{};
    size_t pos = 6;
    for (int32_t i = 0; i < n; ++i) {
        if (size - pos < kCacheEntryHead) return std::vector<TCacheEntry>{};
        const uint8_t* e = data + pos;
        const uint8_t* p = e + kCacheNameBytes;
        TThumbInfo info;
        info.BitsPerPixel = rds32(p);
        info.ThumbWidth = rds32(p + 4);
        info.ThumbHeight = rds32(p + 8);
        info.ImageWidth = rds32(p + 12);
        info.ImageHeight = rds32(p + 16);
        info.Colors = rds32(p + 20);
        info.SizeKB = rds32(p + 24);
        info.Checksum = rd32(p + 28);
        const uint32_t s = rd32(p + 32);
        pos += kCacheEntryHead;
        if (s > size - pos) return std::vector<TCacheEntry>{}; // block runs past the end
        const uint8_t* term = static_cast<const uint8_t*>(std::memchr(e, 0, kCacheNameBytes));
        const bool sound = term != nullptr && term != e && ThumbBlockSize(info) == s &&
                           info.ImageWidth > 0 && info.ImageHeight > 0 && info.SizeKB >= 0 &&
                           pos <= UINT32_MAX;
        if (sound) {
            TCacheEntry entry;
            entry.Name.assign(reinterpret_cast<const char*>(e), static_cast<size_t>(term - e));
            entry.Info = info;
            entry.DataOffset = static_cast<uint32_t>(pos);
            index.push_back(std::move(entry));
        }
        pos += s;
    }
    // the entries fill the file exactly; anything else means the count or a size is wrong
    if (pos != size) return std::vector<TCacheEntry>{};
    return index;
}

TDibRecord ThumbFromBlock(const uint8_t* block, size_t size, const TThumbInfo& info) {
    TDibRecord dib{};
    const uint32_t s = ThumbBlockSize(info);
    if (s == 0 || size < s) return dib;
    const int32_t t = paletteSize(info.BitsPerPixel);
    const uint32_t p = s - 40 - static_cast<uint32_t>(t);
    // the header must describe the same thumbnail as the entry
    TBitmapInfo bi{};
    std::memcpy(&bi.bmiHeader, block, 40);
    const TBitmapInfoHeader& h = bi.bmiHeader;
    if (h.biSize != 40 || h.biWidth != info.ThumbWidth || h.biHeight != info.ThumbHeight ||
        h.biBitCount != info.BitsPerPixel || h.biSizeImage != p)
        return dib;
    std::memcpy(bi.bmiColors, block + 40, static_cast<size_t>(t));
    const int32_t colours = info.Colors <= 256 ? info.Colors : 0;
    if (newdib_unfilled(&dib, info.ThumbWidth, info.ThumbHeight, info.BitsPerPixel, &bi, colours) == 0 ||
        dib.Bits == nullptr || static_cast<int64_t>(dib.LineBytes) * info.ThumbHeight != p) {
        deldib(&dib);
        return dib;
    }
    std::memcpy(dib.Bits, block + 40 + t, p);
    return dib;
}

std::string CachePath(const std::string& folder) {
    if (!folder.empty() && folder.back() == '/') return folder + kCacheFileName;
    return folder + "/" + kCacheFileName;
}

std::vector<TCacheEntry> ReadCache(const std::string& folder, bool& opened) {
    std::vector<uint8_t> bytes;
    opened = readFile(CachePath(folder), bytes);
    if (!opened) return {};
    auto index = ParseCacheIndex(bytes.data(), bytes.size());
    return index ? std::move(*index) : std::vector<TCacheEntry>{};
}

std::string UpperName(const std::string& name) {
    std::string u = name;
    for (char& c : u)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return u;
}

const TCacheEntry* FindCacheEntry(const std::vector<TCacheEntry>& index, const std::string& name,
                                  uint32_t checksum) {
    const std::string upper = UpperName(name);
    for (const TCacheEntry& e : index)
        if (e.Info.Checksum == checksum && UpperName(e.Name) == upper) return &e;
    return nullptr;
}

TDibRecord LoadCachedThumb(const std::string& folder, const TCacheEntry& entry) {
    TDibRecord none{};
    const uint32_t s = ThumbBlockSize(entry.Info);
    if (s == 0) return none;
    const int fd = ::open(CachePath(folder).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return none;
    std::vector<uint8_t> block(s);
    size_t got = 0;
    while (got < s) {
        const ssize_t n = ::pread(fd, block.data() + got, s - got, static_cast<off_t>(entry.DataOffset) + static_cast<off_t>(got));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<size_t>(n);
    }
    ::close(fd);
    if (got != s) return none; // the file changed since it was read
    return ThumbFromBlock(block.data(), s, entry.Info);
}

std::vector<uint8_t> EncodeCache(const std::vector<Thumbnail>& thumbs) {
    std::vector<uint8_t> out;
    put16(out, kCacheVersion);
    put32(out, 0);
    int32_t n = 0;
    for (const Thumbnail& t : thumbs) {
        // a longer name would not fit the field; cutting it would give another file's name
        if (t.Name.empty() || t.Name.size() >= kCacheNameBytes || t.Dib.Bits == nullptr ||
            t.Dib.Info == nullptr)
            continue;
        const int32_t bits = DibBitsPerPixel(&t.Dib);
        const uint32_t p = static_cast<uint32_t>(t.Dib.LineBytes) *
                           static_cast<uint32_t>(DibHeight(&t.Dib));
        const uint32_t tsize = static_cast<uint32_t>(paletteSize(bits));
        const size_t at = out.size();
        out.resize(at + kCacheNameBytes, 0);
        std::memcpy(out.data() + at, t.Name.data(), t.Name.size());
        const TThumbInfo& i = t.Info;
        for (int32_t v : {i.BitsPerPixel, i.ThumbWidth, i.ThumbHeight, i.ImageWidth,
                          i.ImageHeight, i.Colors, i.SizeKB})
            put32(out, static_cast<uint32_t>(v));
        put32(out, i.Checksum);
        put32(out, 40 + tsize + p);
        TBitmapInfoHeader h = t.Dib.Info->bmiHeader;
        h.biSizeImage = p;
        const size_t hdr = out.size();
        out.resize(hdr + 40 + tsize + p);
        std::memcpy(out.data() + hdr, &h, 40);
        std::memcpy(out.data() + hdr + 40, t.Dib.Info->bmiColors, tsize);
        std::memcpy(out.data() + hdr + 40 + tsize, t.Dib.Bits, p);
        ++n;
    }
    for (int k = 0; k < 4; ++k) out[2 + static_cast<size_t>(k)] = static_cast<uint8_t>(static_cast<uint32_t>(n) >> (8 * k));
    return out;
}

bool WriteCache(const std::string& folder, const std::vector<Thumbnail>& thumbs) {
    if (thumbs.empty()) return false;
    const std::string path = CachePath(folder);
    // a file of another kind under our name is left alone
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) return false;
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd >= 0) {
            uint8_t head[2];
            const ssize_t n = ::read(fd, head, 2);
            ::close(fd);
            if (n != 2 || (head[0] | head[1] << 8) != kCacheVersion) return false;
        }
    }
    const std::vector<uint8_t> bytes = EncodeCache(thumbs);
    std::string tmp = path + ".XXXXXX";
    const int fd = ::mkstemp(tmp.data());
    if (fd < 0) return false; // read-only folder: browse without a cache
    size_t done = 0;
    bool good = true;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            good = false;
            break;
        }
        done += static_cast<size_t>(n);
    }
    (void)::fchmod(fd, 0644);
    if (::close(fd) != 0) good = false;
    if (!good || ::rename(tmp.c_str(), path.c_str()) != 0) {
        ::unlink(tmp.c_str());
        return false;
    }
    return true;
}

} // namespace pixorama
