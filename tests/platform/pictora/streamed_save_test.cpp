// Files written as they are encoded: bitmaps and PNG files give the same bytes as the encoder
// gives in memory for every depth, row padding and size over several chunks, into fresh and
// hard-linked files; GIF, IFF, JPEG, PCX and Targa files are those the writers made when they
// built the whole file in memory, TIFF files too, which the writer's child puts into the file
// itself; encoders hand over pieces, not the file, and stop when the sink refuses; a write that
// fails half way, or a writer that dies half way, leaves the old file and no temporary file.
#include "internal.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <jpeglib.h>
#include <tiffio.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Folder {
    fs::path path;
    Folder() {
        path = fs::path(testing::TempDir()) / ("pictora_stream_" + std::to_string(getpid()));
        fs::remove_all(path);
        fs::create_directories(path);
    }
    ~Folder() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
    std::string file(const std::string& name) const { return (path / name).string(); }
    bool hasTemporary() const {
        for (const auto& e : fs::directory_iterator(path))
            if (e.path().filename().string().rfind(".pxr", 0) == 0)
                return true;
        return false;
    }
};

std::vector<uint8_t> readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// An image with a pattern in every byte, padding and unused bits included (the file must get
// zeros there).
struct Image {
    TDibRecord r{};
    Image(int32_t w, int32_t h, int bpp) {
        EXPECT_TRUE(newdib(&r, w, h, bpp, nullptr, 0));
        for (uint32_t i = 0; r.Bits && i < r.Info->bmiHeader.biSizeImage; ++i)
            r.Bits[i] = static_cast<uint8_t>(i * 37 + (i >> 9));
    }
    ~Image() { deldib(&r); }
};

std::string save(const TDibRecord& d, const std::string& path) {
    char error[512] = "";
    return SaveDib(&d, path.c_str(), 0, 0, error, sizeof error) ? std::string() : error;
}

TEST(StreamedSave, SameBytesAsInMemoryForEveryDepthAndPadding) {
    Folder dir;
    // 700 x 600 x 24 needs no padding (written straight from the image, over a megabyte);
    // the others are tidied row by row, 701 x 600 also over several chunks
    const struct {
        int32_t w, h;
        int bpp;
    } cases[] = {{700, 600, 24}, {701, 600, 24}, {5, 3, 24}, {13, 7, 1}, {9, 4, 4},
                 {7, 5, 8},      {32, 2, 1},     {3000, 400, 8}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h) + "x" + std::to_string(c.bpp));
        Image img(c.w, c.h, c.bpp);
        std::vector<uint8_t> inMemory;
        std::string error;
        ASSERT_TRUE(pictora::encodeBmp(img.r, 0, inMemory, error)) << error;
        const std::string path = dir.file("x.bmp");
        ASSERT_EQ(save(img.r, path), "");
        EXPECT_EQ(readAll(path), inMemory);

        // the file holds the record's rows, padding as zeros
        const size_t stride = static_cast<size_t>(img.r.LineBytes);
        const size_t usedBits = static_cast<size_t>(c.w) * static_cast<size_t>(c.bpp);
        const size_t offBits = inMemory.size() - stride * static_cast<size_t>(c.h);
        for (size_t y = 0; y < static_cast<size_t>(c.h); ++y)
            for (size_t i = 0; i < stride; ++i) {
                const uint8_t want =
                    i * 8 + 8 <= usedBits ? img.r.Bits[y * stride + i]
                    : i * 8 < usedBits
                        ? static_cast<uint8_t>(img.r.Bits[y * stride + i] &
                                               (0xFF << (8 - usedBits % 8)))
                        : 0;
                ASSERT_EQ(inMemory[offBits + y * stride + i], want) << y << "," << i;
            }
    }
    EXPECT_FALSE(dir.hasTemporary());
}

TEST(StreamedSave, PngFilesAsInMemory) {
    Folder dir;
    for (int bpp : {24, 8, 1}) {
        SCOPED_TRACE(bpp);
        Image img(517, 300, bpp);
        std::vector<uint8_t> inMemory{1, 2, 3}; // appended to what is there
        std::string error;
        ASSERT_TRUE(pictora::encodePng(img.r, 0, inMemory, error)) << error;
        const std::string path = dir.file("x.png");
        ASSERT_EQ(save(img.r, path), "");
        EXPECT_EQ(readAll(path), std::vector<uint8_t>(inMemory.begin() + 3, inMemory.end()));
        TDibRecord back{};
        ASSERT_TRUE(OpenDib(&back, path.c_str(), 0, nullptr, nullptr));
        const size_t used = (517 * static_cast<size_t>(bpp) + 7) / 8;
        for (int32_t y = 0; y < 300; ++y)
            ASSERT_EQ(std::memcmp(pictora::rowPtr(back, y), pictora::rowPtr(img.r, y), used - 1), 0)
                << y;
        deldib(&back);
    }
    EXPECT_FALSE(dir.hasTemporary());
}

TEST(StreamedSave, HardLinkedFilesGetTheWholeContent) {
    Folder dir;
    // TIFF: the bytes its writer's child put into the temporary file count as well
    for (const std::string ext : {".bmp", ".tif"}) {
        SCOPED_TRACE(ext);
        const std::string a = dir.file("a" + ext), b = dir.file("b" + ext),
                          fresh = dir.file("f" + ext);
        Image small(2, 2, 24), big(701, 600, 24);
        ASSERT_EQ(save(small.r, a), "");
        ASSERT_EQ(link(a.c_str(), b.c_str()), 0);
        // written into the file itself from the temporary file, in several pieces
        ASSERT_EQ(save(big.r, b), "");
        ASSERT_EQ(save(big.r, fresh), "");
        EXPECT_EQ(readAll(a), readAll(fresh));
        EXPECT_GT(fs::file_size(a), size_t{20} << 10);
        EXPECT_EQ(fs::hard_link_count(a), 2u);
        EXPECT_FALSE(dir.hasTemporary());
    }
}

TEST(StreamedSave, AWriteFailingHalfWayKeepsTheOldFile) {
    Folder dir;
    const std::string path = dir.file("old.bmp");
    Image small(4, 4, 24), big(701, 600, 24);
    ASSERT_EQ(save(small.r, path), "");
    const std::vector<uint8_t> old = readAll(path);

    // files may grow to 300 KB: the bitmap's rows fail part way through
    struct rlimit saved {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small300 = saved;
    small300.rlim_cur = 300 << 10;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small300), 0);
    const std::string error = save(big.r, path);
    // a PNG of noise does not shrink below the limit either
    const std::string png = dir.file("old.png");
    std::vector<uint8_t> noisy(static_cast<size_t>(big.r.Info->bmiHeader.biSizeImage));
    uint32_t x = 2463534242u; // xorshift: bytes that do not compress
    for (uint8_t& b : noisy) {
        x ^= x << 13, x ^= x >> 17, x ^= x << 5;
        b = static_cast<uint8_t>(x >> 24);
    }
    std::memcpy(big.r.Bits, noisy.data(), noisy.size());
    const std::string pngError = save(big.r, png);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);

    const std::string expected =
        "Die Datei konnte nicht geschrieben werden (" + path + "): " + PictoraErrorText(EFBIG);
    EXPECT_EQ(error, expected);
    EXPECT_EQ(pngError, "Die Datei konnte nicht geschrieben werden (" + png +
                            "): " + PictoraErrorText(EFBIG));
    EXPECT_FALSE(fs::exists(png));
    EXPECT_EQ(readAll(path), old);
    EXPECT_FALSE(dir.hasTemporary());
}

} // namespace

// ---- every other format: the bytes each writer has always produced ----

uint64_t fnv1a(const std::vector<uint8_t>& bytes) {
    uint64_t h = 1469598103934665603ull;
    for (uint8_t b : bytes)
        h = (h ^ b) * 1099511628211ull;
    return h;
}

// A record of the given size and depth with a pattern in every byte and a palette that is not
// grey (or grey, for JPEG's one-channel path).
struct Patterned : Image {
    Patterned(int32_t w, int32_t h, int bpp, bool grey = false) : Image(w, h, bpp) {
        for (int i = 0; bpp <= 8 && i < (1 << bpp); ++i)
            r.Info->bmiColors[i] =
                grey ? TRGBQuad{static_cast<uint8_t>(i), static_cast<uint8_t>(i),
                                static_cast<uint8_t>(i), 0}
                     : TRGBQuad{static_cast<uint8_t>(i * 7), static_cast<uint8_t>(i * 13 + 5),
                                static_cast<uint8_t>(i * 29 + 1), 0};
        // smooth areas next to the pattern, so the run-length writers see runs as well
        for (int32_t y = 0; y < h / 2; ++y)
            std::memset(pictora::rowPtr(r, y), y & 0x11, static_cast<size_t>(r.LineBytes));
    }
};

std::string saveAs(const TDibRecord& d, const std::string& path, int quality) {
    char error[512] = "";
    return SaveDib(&d, path.c_str(), 0, quality, error, sizeof error) ? std::string() : error;
}

TEST(StreamedSave, EveryFormatWritesTheBytesItAlwaysWrote) {
    Folder dir;
    // Sizes and checksums of the files the writers made when each built its file in memory.
    // 1201 x 700 files run over several of the file writer's buffers.
    const struct {
        const char* ext;
        int32_t w, h;
        int bpp;
        bool grey;
        size_t size;
        uint64_t sum;
    } cases[] = {
        {"gif", 1, 1, 1, false, 35, 0xf7e5daa195940f7aull},
        {"gif", 1, 1, 4, false, 77, 0xf5b5b3b7413ca7e5ull},
        {"gif", 1, 1, 8, false, 799, 0xe9853b6fd9a0cd0cull},
        {"gif", 13, 7, 1, false, 51, 0xe7b8dcd229671570ull},
        {"gif", 13, 7, 4, false, 124, 0x232495014b29eaddull},
        {"gif", 13, 7, 8, false, 871, 0x8b4ea0fda44fd7c7ull},
        {"gif", 1201, 700, 1, false, 64524, 0xaacc8b71ae04ecfbull},
        {"gif", 1201, 700, 4, false, 121696, 0x768a7632c9d0c0e6ull},
        {"gif", 1201, 700, 8, false, 81490, 0xf471e513bd800be7ull},
        {"iff", 1, 1, 1, false, 64, 0xbb92819fbe6e880full},
        {"iff", 1, 1, 4, false, 112, 0x0ef01582b18e5106ull},
        {"iff", 1, 1, 8, false, 840, 0xc74b431068f00b72ull},
        {"iff", 1, 1, 24, false, 102, 0x843685003daae6c5ull},
        {"iff", 13, 7, 1, false, 82, 0x4a4355f624c2d22dull},
        {"iff", 13, 7, 4, false, 178, 0xbea746db452f55c8ull},
        {"iff", 13, 7, 8, false, 970, 0x29c042c42c5581acull},
        {"iff", 13, 7, 24, false, 478, 0x42a10045b686995dull},
        {"iff", 1201, 700, 1, false, 55886, 0xa9f24aea217cdf38ull},
        {"iff", 1201, 700, 4, false, 222002, 0x3d5d117ffedd7eebull},
        {"iff", 1201, 700, 8, false, 294600, 0x241ed3bca566eeeeull},
        {"iff", 1201, 700, 24, false, 933164, 0xfd412c7da8a91380ull},
        {"pcx", 1, 1, 1, false, 130, 0xe22b80889365ed01ull},
        {"pcx", 1, 1, 4, false, 136, 0x1cbb2a640ce92d6full},
        {"pcx", 1, 1, 8, false, 899, 0x67508b73ee40009full},
        {"pcx", 1, 1, 24, false, 134, 0x00a6710fa9b1d620ull},
        {"pcx", 13, 7, 1, false, 143, 0x707bc4f0757670cdull},
        {"pcx", 13, 7, 4, false, 186, 0x164e0c02264461b8ull},
        {"pcx", 13, 7, 8, false, 971, 0xd33908eac8d95b22ull},
        {"pcx", 13, 7, 24, false, 356, 0x189c328ab1c7c840ull},
        {"pcx", 1201, 700, 1, false, 69081, 0x51b24b27b6278ba6ull},
        {"pcx", 1201, 700, 4, false, 274274, 0xfcfa70f66dff9c91ull},
        {"pcx", 1201, 700, 8, false, 540942, 0xeca99a383e8a4902ull},
        {"pcx", 1201, 700, 24, false, 1620279, 0xa36d864ab1e918ccull},
        {"tga", 1, 1, 1, false, 52, 0xec025e24fd54fd5dull},
        {"tga", 1, 1, 4, false, 94, 0xd0af0e99af57a7a8ull},
        {"tga", 1, 1, 8, false, 814, 0x16afa229c96bb235ull},
        {"tga", 1, 1, 24, false, 48, 0xfac29935d046833bull},
        {"tga", 13, 7, 1, false, 106, 0xc21c3c93262997a5ull},
        {"tga", 13, 7, 4, false, 166, 0x5f857111b5b3e4d5ull},
        {"tga", 13, 7, 8, false, 874, 0x883af517ad3f0a38ull},
        {"tga", 13, 7, 24, false, 216, 0xbc8355c4d6e83a8bull},
        {"tga", 1201, 700, 1, false, 579649, 0xa515d4de1985f0c7ull},
        {"tga", 1201, 700, 4, false, 663718, 0x574ee12cabf0daffull},
        {"tga", 1201, 700, 8, false, 431662, 0xfa49420ec17ac38bull},
        {"tga", 1201, 700, 24, false, 1278594, 0xb662695fbe1801e8ull},
        {"jpg", 1, 1, 1, false, 631, 0x17ee2f9b436a99deull},
        {"jpg", 1, 1, 4, false, 631, 0x17ee2f9b436a99deull},
        {"jpg", 1, 1, 8, false, 631, 0x17ee2f9b436a99deull},
        {"jpg", 1, 1, 24, false, 633, 0xd6d37ddd0d87f4dfull},
        {"jpg", 13, 7, 1, false, 655, 0xace7e52b4a9a063dull},
        {"jpg", 13, 7, 4, false, 724, 0xb96578e26f53c5a9ull},
        {"jpg", 13, 7, 8, false, 730, 0x1f1957d8d7e974f7ull},
        {"jpg", 13, 7, 24, false, 741, 0xc050d3dbea537c48ull},
        {"jpg", 1201, 700, 1, false, 154715, 0xd1829380b8821c09ull},
        {"jpg", 1201, 700, 4, false, 360144, 0x24dccc71c3883ca8ull},
        {"jpg", 1201, 700, 8, false, 378068, 0xa894a28a9b3a92dbull},
        {"jpg", 1201, 700, 24, false, 298117, 0x116e85f46c5dcd6bull},
        {"jpg", 517, 300, 8, true, 53307, 0xe3e9b9bc5c9dc1a1ull},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.ext) + " " + std::to_string(c.w) + "x" + std::to_string(c.h) +
                     "x" + std::to_string(c.bpp) + (c.grey ? " grey" : ""));
        Patterned img(c.w, c.h, c.bpp, c.grey);
        const std::string path = dir.file(std::string("x.") + c.ext);
        ASSERT_EQ(saveAs(img.r, path, 85), "");
        const std::vector<uint8_t> bytes = readAll(path);
        // JPEG bytes are libjpeg-turbo's: the sums are those of version 2.1.5
        if (std::strcmp(c.ext, "jpg") == 0 && LIBJPEG_TURBO_VERSION_NUMBER != 2001005)
            continue;
        EXPECT_EQ(bytes.size(), c.size);
        EXPECT_EQ(fnv1a(bytes), c.sum);
    }
    EXPECT_FALSE(dir.hasTemporary());
}

TEST(StreamedSave, EveryFormatFailingHalfWayKeepsTheOldFile) {
    Folder dir;
    Image noisy24(1201, 700, 24), noisy8(1201, 700, 8);
    uint32_t x = 88675123u; // xorshift: bytes that do not compress
    for (Image* img : {&noisy24, &noisy8})
        for (uint32_t i = 0; i < img->r.Info->bmiHeader.biSizeImage; ++i) {
            x ^= x << 13, x ^= x >> 17, x ^= x << 5;
            img->r.Bits[i] = static_cast<uint8_t>(x >> 24);
        }
    Image small(3, 2, 8);
    for (const char* ext : {"gif", "iff", "jpg", "pcx", "tga", "tif"}) {
        SCOPED_TRACE(ext);
        const std::string path = dir.file(std::string("old.") + ext);
        ASSERT_EQ(saveAs(small.r, path, 85), "");
        const std::vector<uint8_t> old = readAll(path);

        // every file of these images is well over 300 KB: the write fails part way through.
        // The TIFF file is written by the writer's child alone, which reports the failed write
        // even where the signal of the limit would end a process.
        const bool tiff = std::strcmp(ext, "tif") == 0;
        struct rlimit saved {};
        ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
        const auto previous = std::signal(SIGXFSZ, tiff ? SIG_DFL : SIG_IGN);
        struct rlimit limited = saved;
        limited.rlim_cur = 300 << 10;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
        const std::string error =
            saveAs(std::strcmp(ext, "gif") == 0 ? noisy8.r : noisy24.r, path, 85);
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previous);

        EXPECT_EQ(error, "Die Datei konnte nicht geschrieben werden (" + path +
                             "): " + PictoraErrorText(EFBIG));
        EXPECT_EQ(readAll(path), old);
        EXPECT_FALSE(dir.hasTemporary());
        // without the limit the same save works and is far over it
        ASSERT_EQ(saveAs(std::strcmp(ext, "gif") == 0 ? noisy8.r : noisy24.r, path, 85), "");
        EXPECT_GT(fs::file_size(path), 300u << 10);
    }
}

// A sink that notes how the bytes arrive and can refuse them after a given amount.
struct WatchingSink : pictora::ByteSink {
    uint64_t total = 0, refuseAfter = UINT64_MAX;
    size_t largest = 0, callsAfterRefusal = 0;
    bool refused = false;
    bool write(const uint8_t*, size_t n) override {
        if (refused)
            ++callsAfterRefusal;
        largest = std::max(largest, n);
        if (total + n > refuseAfter)
            refused = true;
        if (refused)
            return false;
        total += n;
        return true;
    }
    bool patch(uint64_t offset, const uint8_t*, size_t n) override {
        return offset + n <= total;
    }
};

// a buffer of the sink writer and a row of the image
constexpr size_t kRowPiece = (size_t{64} << 10) + 4 * 1201 * 3;

TEST(StreamedSave, EncodersHandOverPiecesAndStopWhenRefused) {
    Image noisy24(1201, 700, 24), noisy8(1201, 700, 8);
    uint32_t x = 362436069u;
    for (Image* img : {&noisy24, &noisy8})
        for (uint32_t i = 0; i < img->r.Info->bmiHeader.biSizeImage; ++i) {
            x ^= x << 13, x ^= x >> 17, x ^= x << 5;
            img->r.Bits[i] = static_cast<uint8_t>(x >> 24);
        }
    const struct {
        const char* name;
        pictora::StreamEncodeFn fn;
        const TDibRecord* dib;
        size_t piece; // the largest piece allowed
    } encoders[] = {{"gif", pictora::encodeGifTo, &noisy8.r, kRowPiece},
                    {"iff", pictora::encodeIlbmTo, &noisy24.r, kRowPiece},
                    {"jpg", pictora::encodeJpegTo, &noisy24.r, kRowPiece},
                    {"pcx", pictora::encodePcxTo, &noisy24.r, kRowPiece},
                    {"tga", pictora::encodeTgaTo, &noisy24.r, kRowPiece},
                    // the child's finished file, passed on a megabyte at a time
                    {"tif", pictora::encodeTiffTo, &noisy24.r, size_t{1} << 20}};
    for (const auto& e : encoders) {
        SCOPED_TRACE(e.name);
        // never the whole file at once: pieces of at most a buffer and a row
        WatchingSink all;
        std::string error;
        ASSERT_TRUE(e.fn(*e.dib, 90, all, error)) << error;
        EXPECT_GT(all.total, uint64_t{600} << 10);
        EXPECT_LE(all.largest, e.piece);

        WatchingSink refusing;
        refusing.refuseAfter = 200 << 10;
        EXPECT_FALSE(e.fn(*e.dib, 90, refusing, error));
        EXPECT_TRUE(refusing.refused);
        EXPECT_EQ(refusing.callsAfterRefusal, 0u);
    }
}

// The TIFF writer's child writes into the temporary file itself; its files are those it made
// when it built the whole file in memory: palette images of every depth, black-and-white both
// ways round, true colour with the predictor, with and without a resolution, over many strips.
TEST(StreamedSave, TiffFilesAreTheBytesTheyAlwaysWere) {
    Folder dir;
    enum Colours { Palette, BlackOnWhite, WhiteOnBlack };
    const struct {
        int32_t w, h;
        int bpp;
        Colours colours;
        int32_t ppm; // pels per metre, 0 = none
        bool noise;  // bytes that do not compress: LZW codes up to 12 bits, strips larger than rows
        size_t size;
        uint64_t sum;
    } cases[] = {
        {1, 1, 1, Palette, 0, false, 174, 0xa5582e4016c7111bull},
        {1, 1, 4, Palette, 0, false, 258, 0xf1118f49bbb0b3b6ull},
        {1, 1, 8, Palette, 0, false, 1698, 0x81562fd0a4f814e3ull},
        {1, 1, 24, Palette, 0, false, 170, 0xb0af2da6bf4e7ffdull},
        {13, 7, 1, BlackOnWhite, 0, false, 164, 0xa0c141ea311f9ad6ull},
        {13, 7, 1, WhiteOnBlack, 3937, false, 216, 0xb909ade1c961b1bfull},
        {13, 7, 4, Palette, 2835, false, 352, 0x54d6952a35ad2658ull},
        {13, 7, 8, Palette, 0, false, 1770, 0xdd7084ccd5d08e80ull},
        {13, 7, 24, Palette, 3937, false, 274, 0x2c026f9c7d9ebe52ull},
        {1201, 700, 1, Palette, 0, false, 19618, 0x0d0aed46b28f4246ull},
        {1201, 700, 1, WhiteOnBlack, 0, false, 19594, 0x0352b741a563b969ull},
        {1201, 700, 4, Palette, 0, false, 74874, 0xfe6368fb11fdc319ull},
        {1201, 700, 8, Palette, 11811, false, 152920, 0x7ee3700cbdc239daull},
        {1201, 700, 24, Palette, 0, false, 59592, 0x41ec4e1a092a94c2ull},
        {2999, 1001, 24, Palette, 3937, false, 186762, 0x78bc5a0f2b5bda48ull},
        {1201, 700, 24, Palette, 0, true, 3444806, 0x3a72ba6bd4530c81ull},
        {1201, 700, 8, Palette, 0, true, 1149428, 0xc7ec216824737584ull},
        {1201, 700, 1, BlackOnWhite, 0, true, 144202, 0xee558caef4ac7555ull},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h) + "x" + std::to_string(c.bpp) +
                     " colours " + std::to_string(c.colours) + " ppm " + std::to_string(c.ppm));
        Patterned img(c.w, c.h, c.bpp);
        if (c.colours != Palette) {
            const uint8_t first = c.colours == BlackOnWhite ? 255 : 0;
            const auto second = static_cast<uint8_t>(255 - first);
            img.r.Info->bmiColors[0] = TRGBQuad{first, first, first, 0};
            img.r.Info->bmiColors[1] = TRGBQuad{second, second, second, 0};
        }
        uint32_t x = 521288629u; // xorshift
        for (uint32_t i = 0; c.noise && i < img.r.Info->bmiHeader.biSizeImage; ++i) {
            x ^= x << 13, x ^= x >> 17, x ^= x << 5;
            img.r.Bits[i] = static_cast<uint8_t>(x >> 24);
        }
        img.r.Info->bmiHeader.biXPelsPerMeter = c.ppm;
        img.r.Info->bmiHeader.biYPelsPerMeter = c.ppm / 2;
        const std::string path = dir.file("x.tif");
        ASSERT_EQ(saveAs(img.r, path, 0), "");
        const std::vector<uint8_t> bytes = readAll(path);
        // the bytes are libtiff's: the sums are those of version 4.5.0
        if (std::strstr(TIFFGetVersion(), "Version 4.5.0\n") != nullptr) {
            EXPECT_EQ(bytes.size(), c.size);
            EXPECT_EQ(fnv1a(bytes), c.sum);
        }
        // a save into memory gives the same file
        std::vector<uint8_t> inMemory{7};
        std::string error;
        ASSERT_TRUE(pictora::encodeTiff(img.r, 0, inMemory, error)) << error;
        EXPECT_TRUE(std::equal(inMemory.begin() + 1, inMemory.end(), bytes.begin(), bytes.end()));
        TDibRecord back{};
        ASSERT_TRUE(OpenDib(&back, path.c_str(), 0, nullptr, nullptr));
        const size_t used = static_cast<size_t>(c.w) * static_cast<size_t>(c.bpp) / 8;
        for (int32_t y = 0; y < c.h; ++y)
            ASSERT_EQ(std::memcmp(pictora::rowPtr(back, y), pictora::rowPtr(img.r, y), used), 0)
                << y;
        deldib(&back);
    }
    EXPECT_FALSE(dir.hasTemporary());
}

// A sink over a file, as the one of a save, that may hold bytes of its own before the TIFF file.
struct FileBackedSink : pictora::ByteSink {
    int fd;
    uint64_t taken = 0;
    int failedWith = 0;
    explicit FileBackedSink(int f) : fd(f) {}
    bool write(const uint8_t* p, size_t n) override {
        if (::pwrite(fd, p, n, static_cast<off_t>(taken)) != static_cast<ssize_t>(n))
            return false;
        taken += n;
        return true;
    }
    bool patch(uint64_t, const uint8_t*, size_t) override { return false; }
    int directFile(uint64_t& offset) override {
        offset = taken;
        return fd;
    }
    bool wroteDirectly(uint64_t n, int code) override {
        failedWith = code;
        taken += code == 0 ? n : 0;
        return code == 0;
    }
};

TEST(StreamedSave, TiffWriterWritesIntoTheSinksFileAndReportsItsFailures) {
    Folder dir;
    Patterned img(301, 207, 24);
    std::vector<uint8_t> inMemory;
    std::string error;
    ASSERT_TRUE(pictora::encodeTiff(img.r, 0, inMemory, error)) << error;

    // behind bytes already in the file, and followed by more
    const std::string path = dir.file("sink.bin");
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);
    FileBackedSink sink(fd);
    const std::string head = "kopf:", tail = ":ende";
    ASSERT_TRUE(sink.write(reinterpret_cast<const uint8_t*>(head.data()), head.size()));
    ASSERT_TRUE(pictora::encodeTiffTo(img.r, 0, sink, error)) << error;
    EXPECT_EQ(sink.taken, head.size() + inMemory.size());
    ASSERT_TRUE(sink.write(reinterpret_cast<const uint8_t*>(tail.data()), tail.size()));
    ::close(fd);
    const std::vector<uint8_t> file = readAll(path);
    ASSERT_EQ(file.size(), head.size() + inMemory.size() + tail.size());
    EXPECT_EQ(std::string(file.begin(), file.begin() + 5), head);
    EXPECT_TRUE(std::equal(inMemory.begin(), inMemory.end(), file.begin() + 5));
    EXPECT_EQ(std::string(file.end() - 5, file.end()), tail);

    // a full disk: the child's failed write reaches the sink with its reason
    const int full = ::open("/dev/full", O_WRONLY);
    ASSERT_GE(full, 0);
    FileBackedSink fullSink(full);
    EXPECT_FALSE(pictora::encodeTiffTo(img.r, 0, fullSink, error));
    EXPECT_EQ(fullSink.failedWith, ENOSPC);
    ::close(full);
}

TEST(StreamedSave, TiffWriterDyingHalfWayKeepsTheOldFile) {
    Folder dir;
    const std::string path = dir.file("old.tif");
    Patterned small(3, 2, 8), big(1201, 700, 24);
    ASSERT_EQ(saveAs(small.r, path, 0), "");
    const std::vector<uint8_t> old = readAll(path);

    // the pixels in a mapping whose page with the last row the writer reads is unreadable:
    // the writer's child crashes after most of the file is written
    const size_t bytes = big.r.Info->bmiHeader.biSizeImage;
    const auto page = static_cast<size_t>(::sysconf(_SC_PAGESIZE));
    const size_t mapped = (bytes + page - 1) / page * page;
    void* map = ::mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(map, MAP_FAILED);
    auto* pixels = static_cast<uint8_t*>(map);
    std::memcpy(pixels, big.r.Bits, bytes);
    uint8_t* const own = big.r.Bits;
    big.r.Bits = pixels;
    const auto last = reinterpret_cast<uintptr_t>(pictora::rowPtr(big.r, 699));
    ASSERT_EQ(::mprotect(reinterpret_cast<void*>(last / page * page), page, PROT_NONE), 0);
    const std::string error = saveAs(big.r, path, 0);
    big.r.Bits = own;
    ::munmap(map, mapped);

    EXPECT_EQ(error, "Das Bild konnte nicht gespeichert werden: der TIFF-Schreiber ist abgebrochen");
    EXPECT_EQ(readAll(path), old);
    EXPECT_FALSE(dir.hasTemporary());
}
