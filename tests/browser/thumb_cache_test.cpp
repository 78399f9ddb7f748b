// Thumbnail shrink, checksum, the cache file's layout and its checks against damaged files.
#include "browser/thumb_cache.h"

#include "document/dib.h"
#include "recording_host.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace pixorama {
namespace {

namespace fs = std::filesystem;

class TempDir {
  public:
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "pixorama-thumbs-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data());
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    std::string str() const { return path_.string(); }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }

  private:
    fs::path path_;
};

void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}
std::vector<uint8_t> readBytes(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), {}};
}

// An image whose every pixel differs from its neighbours (within the depth's range).
TDibRecord patterned(int32_t w, int32_t h, int32_t bpp) {
    TDibRecord d{};
    newdib(&d, w, h, bpp, nullptr, 0);
    const int32_t mask = bpp == 24 ? 0xFFFFFF : (1 << bpp) - 1;
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            setpixel(&d, x, y, (x * 7 + y * 13 + x * y * 1031) & mask);
    return d;
}

// Expected thumbnail pixel at (x, y) counted from the top: 1-bit images sample with y from
// the top, the others sample buffer rows, which count from the bottom.
int32_t expectedPixel(const TDibRecord& src, int32_t w, int32_t h, int32_t x, int32_t y) {
    const int32_t sw = DibWidth(&src), sh = DibHeight(&src);
    const int64_t stepX = (int64_t{sw} << 10) / w, stepY = (int64_t{sh} << 10) / h;
    const auto sx = static_cast<int32_t>((x * stepX) >> 10);
    if (DibBitsPerPixel(&src) == 1) return getpixel(&src, sx, static_cast<int32_t>((y * stepY) >> 10));
    const int32_t bufRow = h - 1 - y;
    const auto srcBufRow = static_cast<int32_t>((bufRow * stepY) >> 10);
    return getpixel(&src, sx, sh - 1 - srcBufRow);
}

TEST(ThumbCache, ThumbnailSizes) {
    const struct {
        int32_t iw, ih, tw, th;
    } cases[] = {{640, 480, 80, 60}, {480, 640, 60, 80}, {100, 100, 80, 80}, {81, 80, 80, 79},
                 {1, 1, 80, 80},     {1000, 1, 80, 1},   {1, 1000, 1, 80},   {80, 80, 80, 80},
                 {3000, 2000, 80, 53}};
    for (const auto& c : cases) {
        int32_t w = 0, h = 0;
        ThumbSize(c.iw, c.ih, w, h);
        EXPECT_EQ(w, c.tw) << c.iw << "x" << c.ih;
        EXPECT_EQ(h, c.th) << c.iw << "x" << c.ih;
    }
}

TEST(ThumbCache, ResizeSamplesNearestByDepth) {
    for (int32_t bpp : {1, 4, 8, 24}) {
        for (auto [iw, ih] : {std::pair{1, 1}, {1000, 1}, {80, 80}, {81, 80}, {7, 300}}) {
            DibHolder src(patterned(iw, ih, bpp));
            ASSERT_TRUE(src.ok());
            int32_t w = 0, h = 0;
            ThumbSize(iw, ih, w, h);
            DibHolder t(Resize(src.get(), w, h));
            ASSERT_TRUE(t.ok()) << bpp << " " << iw << "x" << ih;
            EXPECT_EQ(DibWidth(&t.get()), w);
            EXPECT_EQ(DibHeight(&t.get()), h);
            EXPECT_EQ(DibBitsPerPixel(&t.get()), bpp);
            int bad = 0;
            for (int32_t y = 0; y < h; ++y)
                for (int32_t x = 0; x < w; ++x)
                    if (getpixel(&t.get(), x, y) != expectedPixel(src.get(), w, h, x, y)) ++bad;
            EXPECT_EQ(bad, 0) << bpp << " bits " << iw << "x" << ih;
            if (bpp <= 8) {
                EXPECT_EQ(std::memcmp(t->Info->bmiColors, src->Info->bmiColors, 4u << bpp), 0);
            }
        }
    }
    DibHolder src(patterned(10, 10, 8));
    EXPECT_EQ(Resize(src.get(), 0, 5).Bits, nullptr);
    EXPECT_EQ(Resize(TDibRecord{}, 5, 5).Bits, nullptr);
}

TEST(ThumbCache, ChecksumIsTheByteSum) {
    TempDir dir;
    RecordingHost host;
    std::vector<uint8_t> bytes(200000);
    uint32_t sum = 0;
    for (size_t i = 0; i < bytes.size(); ++i) sum += bytes[i] = static_cast<uint8_t>(i * 31 + 255);
    writeBytes(dir / "a.bin", bytes);
    bool ok = false;
    EXPECT_EQ(CalcCheck(dir / "a.bin", host, &ok), sum);
    EXPECT_TRUE(ok);
    // progress after every 64 KB block, then 0
    EXPECT_EQ(host.progress, (std::vector<int>{32, 65, 98, 100, 0}));
    writeBytes(dir / "empty", {});
    EXPECT_EQ(CalcCheck(dir / "empty", host, &ok), 0u);
    EXPECT_TRUE(ok);
    const uint32_t r = CalcCheck(dir / "missing", host, &ok);
    EXPECT_FALSE(ok);
    EXPECT_LT(r, 32767u);
}

Thumbnail thumbOf(int32_t w, int32_t h, int32_t bpp, const std::string& name, uint32_t check) {
    Thumbnail t;
    t.Dib = patterned(w, h, bpp);
    t.Name = name;
    t.Info = {bpp, w, h, w * 8, h * 8, PowerOfTwo(bpp), 123, check};
    return t;
}

struct Thumbs {
    std::vector<Thumbnail> v;
    ~Thumbs() {
        for (auto& t : v) deldib(&t.Dib);
    }
};

// "b0.jpg", "b1.jpg", ... (built by appending: GCC 12 at -O3 warns wrongly on "b" + string)
std::string jpgName(int i) {
    std::string name = "b";
    name += std::to_string(i);
    name += ".jpg";
    return name;
}

TEST(ThumbCache, LayoutByteForByte) {
    Thumbs th;
    for (int i = 0; i < 3; ++i) th.v.push_back(thumbOf(80, 60, 24, jpgName(i), 77u + i));
    const std::vector<uint8_t> f = EncodeCache(th.v);
    const size_t entry = 261 + 32 + 4 + 40 + 14400;
    ASSERT_EQ(f.size(), 6 + 3 * entry);
    EXPECT_EQ(f[0], 0x51);
    EXPECT_EQ(f[1], 0x0E);
    EXPECT_EQ(f[2], 3);
    EXPECT_EQ(f[3] | f[4] | f[5], 0);
    for (int i = 0; i < 3; ++i) {
        const uint8_t* e = f.data() + 6 + i * entry;
        EXPECT_STREQ(reinterpret_cast<const char*>(e), (jpgName(i)).c_str());
        int32_t info[8];
        std::memcpy(info, e + 261, 32);
        EXPECT_EQ(info[0], 24);
        EXPECT_EQ(info[1], 80);
        EXPECT_EQ(info[2], 60);
        EXPECT_EQ(info[5], 16777216);
        EXPECT_EQ(info[7], 77 + i);
        uint32_t s;
        std::memcpy(&s, e + 293, 4);
        EXPECT_EQ(s, 40u + 14400u);
        TBitmapInfoHeader h;
        std::memcpy(&h, e + 297, 40);
        EXPECT_EQ(h.biSize, 40u);
        EXPECT_EQ(h.biSizeImage, 14400u);
        EXPECT_EQ(std::memcmp(e + 337, th.v[static_cast<size_t>(i)].Dib.Bits, 14400), 0);
    }
    // an 8-bit thumbnail: 40 + 1024 bytes before its pixels
    Thumbs eight;
    eight.v.push_back(thumbOf(10, 10, 8, "p.gif", 1));
    const std::vector<uint8_t> g = EncodeCache(eight.v);
    uint32_t s;
    std::memcpy(&s, g.data() + 6 + 293, 4);
    EXPECT_EQ(s, 40u + 1024u + 12u * 10u);
    EXPECT_EQ(std::memcmp(g.data() + 6 + 297 + 40, eight.v[0].Dib.Info->bmiColors, 1024), 0);
}

TEST(ThumbCache, RoundTripThroughTheFolder) {
    TempDir dir;
    Thumbs th;
    th.v.push_back(thumbOf(80, 80, 1, "eins.bmp", 10));
    th.v.push_back(thumbOf(33, 80, 4, "zwei mit Leerzeichen.pcx", 20));
    th.v.push_back(thumbOf(80, 79, 8, "drei-\xc3\xa4\xc3\xb6\xc3\xbc.gif", 30));
    th.v.push_back(thumbOf(80, 1, 24, "VIER.JPG", 40));
    th.v.push_back(thumbOf(5, 5, 24, std::string(261, 'x') + ".bmp", 50)); // too long: left out
    th.v.push_back(thumbOf(5, 5, 24, std::string(256, 'y') + ".bmp", 60)); // 260 bytes: kept
    ASSERT_TRUE(WriteCache(dir.str(), th.v));
    bool opened = false;
    const std::vector<TCacheEntry> index = ReadCache(dir.str(), opened);
    EXPECT_TRUE(opened);
    ASSERT_EQ(index.size(), 5u);
    for (size_t i = 0; i < 5; ++i) {
        const Thumbnail& t = th.v[i == 4 ? 5 : i];
        EXPECT_EQ(index[i].Name, t.Name);
        EXPECT_EQ(index[i].Info, t.Info);
        DibHolder back(LoadCachedThumb(dir.str(), index[i]));
        ASSERT_TRUE(back.ok()) << i;
        const size_t bytes = static_cast<size_t>(t.Dib.LineBytes) * static_cast<size_t>(DibHeight(&t.Dib));
        EXPECT_EQ(back->LineBytes, t.Dib.LineBytes);
        EXPECT_EQ(std::memcmp(back->Bits, t.Dib.Bits, bytes), 0) << i;
        const int pal = PaletteEntries(t.Dib);
        EXPECT_EQ(PaletteEntries(back.get()), pal);
        EXPECT_EQ(std::memcmp(back->Info->bmiColors, t.Dib.Info->bmiColors, 4u * static_cast<unsigned>(pal)), 0);
    }
    // the look-up ignores letter case and needs the checksum
    EXPECT_EQ(FindCacheEntry(index, "vier.jpg", 40), &index[3]);
    EXPECT_EQ(FindCacheEntry(index, "vier.jpg", 41), nullptr);
    EXPECT_EQ(FindCacheEntry(index, "EINS.BMP", 10), &index[0]);
    // nothing but the cache file is left behind
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.str()), fs::directory_iterator()), 1);
}

std::vector<uint8_t> threeEntries() {
    Thumbs th;
    th.v.push_back(thumbOf(80, 60, 24, "a.bmp", 1));
    th.v.push_back(thumbOf(16, 16, 4, "b.bmp", 2));
    th.v.push_back(thumbOf(20, 20, 8, "c.bmp", 3));
    return EncodeCache(th.v);
}

TEST(ThumbCache, DamagedFilesAreNotTrusted) {
    const std::vector<uint8_t> good = threeEntries();
    auto parse = [](std::vector<uint8_t> b) { return ParseCacheIndex(b.data(), b.size()); };
    ASSERT_EQ(parse(good)->size(), 3u);
    // other beginnings are not ours
    EXPECT_FALSE(parse({}).has_value());
    EXPECT_FALSE(parse({0x51}).has_value());
    std::vector<uint8_t> other = good;
    other[1] = 0x0F;
    EXPECT_FALSE(parse(other).has_value());
    // ours, but truncated anywhere: not used
    for (size_t cut : {size_t{2}, size_t{5}, size_t{100}, good.size() - 1, good.size() - 14500})
        EXPECT_TRUE(parse(std::vector<uint8_t>(good.begin(), good.begin() + static_cast<long>(cut)))->empty()) << cut;
    // counts beyond the file or below one
    for (int32_t n : {4, 1 << 30, INT32_MAX, -1, 0}) {
        std::vector<uint8_t> b = good;
        std::memcpy(b.data() + 2, &n, 4);
        EXPECT_TRUE(parse(b)->empty()) << n;
    }
    // a smaller count, or bytes after the last entry: the file does not hold together
    std::vector<uint8_t> two = good;
    two[2] = 2;
    EXPECT_TRUE(parse(two)->empty());
    std::vector<uint8_t> longer = good;
    longer.push_back(0);
    EXPECT_TRUE(parse(longer)->empty());
    // an entry with impossible values is left out, the others stay
    const size_t second = 6 + 297 + 40 + 14400;
    auto field = [&](std::vector<uint8_t>& b, size_t entry, size_t off, int32_t v) {
        std::memcpy(b.data() + entry + off, &v, 4);
    };
    for (auto [off, v] : {std::pair<size_t, int32_t>{261, 3}, {261, 8}, {265, 0}, {265, 81},
                          {269, -5}, {273, 0}, {281, 17}, {293, 40}}) {
        std::vector<uint8_t> b = good;
        field(b, second, off, v);
        auto idx = parse(b);
        if (off == 293) { // a wrong block size moves the next entry: the file is not trusted
            EXPECT_TRUE(idx->empty());
            continue;
        }
        ASSERT_EQ(idx->size(), 2u) << off << " " << v;
        EXPECT_EQ((*idx)[0].Name, "a.bmp");
        EXPECT_EQ((*idx)[1].Name, "c.bmp");
    }
    // a name without terminator
    std::vector<uint8_t> noTerm = good;
    std::memset(noTerm.data() + second, 'n', 261);
    EXPECT_EQ(parse(noTerm)->size(), 2u);
    // a block whose header disagrees with its entry gives no thumbnail
    auto idx = parse(good);
    const TCacheEntry& e = (*idx)[1];
    std::vector<uint8_t> block(good.begin() + e.DataOffset, good.end());
    DibHolder ok(ThumbFromBlock(block.data(), block.size(), e.Info));
    EXPECT_TRUE(ok.ok());
    std::vector<uint8_t> wrongW = block;
    wrongW[4] = 17;
    EXPECT_EQ(ThumbFromBlock(wrongW.data(), wrongW.size(), e.Info).Bits, nullptr);
    EXPECT_EQ(ThumbFromBlock(block.data(), 40, e.Info).Bits, nullptr);
}

TEST(ThumbCache, ForeignFilesAreLeftAlone) {
    TempDir dir;
    Thumbs th;
    th.v.push_back(thumbOf(8, 8, 24, "a.bmp", 1));
    for (const std::vector<uint8_t>& foreign :
         {std::vector<uint8_t>{'M', 'Z', 1, 2, 3}, std::vector<uint8_t>{0x51}, std::vector<uint8_t>{}}) {
        writeBytes(dir / kCacheFileName, foreign);
        EXPECT_FALSE(WriteCache(dir.str(), th.v));
        EXPECT_EQ(readBytes(dir / kCacheFileName), foreign);
    }
    // one of ours, even damaged, is replaced
    writeBytes(dir / kCacheFileName, {0x51, 0x0E, 9, 9});
    EXPECT_TRUE(WriteCache(dir.str(), th.v));
    EXPECT_EQ(readBytes(dir / kCacheFileName), EncodeCache(th.v));
    // no thumbnails: nothing written
    EXPECT_FALSE(WriteCache(dir.str(), {}));
    // a folder that cannot take files
    EXPECT_FALSE(WriteCache("/proc/self", th.v));
    EXPECT_FALSE(WriteCache(dir / "missing", th.v));
}

} // namespace
} // namespace pixorama
