// Bitmaps and PNG files written into the file as they are encoded: the same bytes as the encoder
// gives in memory for every depth, row padding and size over several chunks, into fresh and
// hard-linked files; a write that fails half way leaves the old file and no temporary file.
#include "internal.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
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
    const std::string a = dir.file("a.bmp"), b = dir.file("b.bmp"), fresh = dir.file("f.bmp");
    Image small(2, 2, 24), big(701, 600, 24);
    ASSERT_EQ(save(small.r, a), "");
    ASSERT_EQ(link(a.c_str(), b.c_str()), 0);
    // written into the file itself from the temporary file, in several pieces
    ASSERT_EQ(save(big.r, b), "");
    ASSERT_EQ(save(big.r, fresh), "");
    EXPECT_EQ(readAll(a), readAll(fresh));
    EXPECT_EQ(fs::hard_link_count(a), 2u);
    EXPECT_FALSE(dir.hasTemporary());
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
