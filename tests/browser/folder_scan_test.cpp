// The browser's scan of a folder without windows: which files, the log, the cache on the first
// and later visits, changed and removed files, damaged and foreign cache files.
#include "browser/folder_scan.h"

#include "document/dib.h"
#include "recording_host.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace pixorama {
namespace {

namespace fs = std::filesystem;

class TempDir {
  public:
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "pixorama-scan-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data());
    }
    ~TempDir() {
        std::error_code ec;
        fs::permissions(path_, fs::perms::owner_all, ec);
        fs::remove_all(path_, ec);
    }
    std::string str() const { return path_.string(); }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }

  private:
    fs::path path_;
};

std::vector<uint8_t> readBytes(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), {}};
}
void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void saveImage(const std::string& path, int32_t w, int32_t h, int32_t bpp, int32_t format,
               int seed) {
    DibHolder d(CreateNewImage(w, h, bpp));
    ASSERT_TRUE(d.ok());
    const int32_t mask = bpp == 24 ? 0xFFFFFF : (1 << bpp) - 1;
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            setpixel(&d.get(), x, y, (x * 5 + y * 3 + seed * 77 + (x / 9) * 40000) & mask);
    char err[256] = {};
    ASSERT_EQ(SaveDib(&d.get(), path.c_str(), format, 90, err, sizeof err), 1) << err;
}

struct Visit {
    std::vector<std::string> log;
    std::vector<std::string> names;
    std::vector<FolderScan::Added> added;
    std::vector<TThumbInfo> infos;
    std::vector<std::vector<uint8_t>> pixels;
};

// One complete scan as the browser runs it.
Visit visit(const std::string& folder, RecordingHost& host, int workers = -1) {
    Visit v;
    FolderScan scan(host);
    if (workers >= 0) scan.SetWorkers(workers);
    scan.OnLog = [&](const std::string& l) { v.log.push_back(l); };
    scan.Start(folder);
    FolderFiles files(folder);
    std::string name;
    while (files.Next(name)) {
        const FolderScan::Added a = scan.NewFile(name);
        if (a != FolderScan::Added::None) v.added.push_back(a);
    }
    for (const Thumbnail& t : scan.Thumbs()) {
        v.names.push_back(t.Name);
        v.infos.push_back(t.Info);
        v.pixels.emplace_back(t.Dib.Bits, t.Dib.Bits + static_cast<size_t>(t.Dib.LineBytes) *
                                                           static_cast<size_t>(DibHeight(&t.Dib)));
    }
    scan.Finish();
    return v;
}

int32_t cacheCount(const std::string& folder) {
    const std::vector<uint8_t> b = readBytes(folder + "/" + kCacheFileName);
    if (b.size() < 6) return -1;
    int32_t n;
    std::memcpy(&n, b.data() + 2, 4);
    return n;
}

TEST(FolderScan, TwelveTypesWithoutCase) {
    EXPECT_EQ(BrowserTypeCode("a.BMP"), 3);
    EXPECT_EQ(BrowserTypeCode("a.dib"), 4);
    EXPECT_EQ(BrowserTypeCode("a.Gif"), 5);
    EXPECT_EQ(BrowserTypeCode("a.iff"), 6);
    EXPECT_EQ(BrowserTypeCode("a.jif"), 7);
    EXPECT_EQ(BrowserTypeCode("x.y.jpg"), 8);
    EXPECT_EQ(BrowserTypeCode("a.lbm"), 9);
    EXPECT_EQ(BrowserTypeCode("a.pcx"), 10);
    EXPECT_EQ(BrowserTypeCode("a.rle"), 11);
    EXPECT_EQ(BrowserTypeCode("a.tga"), 12);
    EXPECT_EQ(BrowserTypeCode("a.tif"), 13);
    EXPECT_EQ(BrowserTypeCode("a.pNg"), 14);
    for (const char* n : {"a.jpeg", "a.tiff", "a.txt", "bmp", "a.bmp.txt", "vlmbrwse.cbf", ".", ""})
        EXPECT_EQ(BrowserTypeCode(n), 0) << n;
}

TEST(FolderScan, MixedFolderFirstAndSecondVisit) {
    TempDir dir;
    saveImage(dir / "bild.bmp", 640, 480, 24, PICTORA_FORMAT_BMP, 1);
    saveImage(dir / "foto klein.jpg", 30, 90, 24, PICTORA_FORMAT_JPG, 2);
    writeBytes(dir / "notiz.txt", {'h', 'i'});
    writeBytes(dir / "daten.xyz", {1, 2, 3});
    fs::create_directory(dir / "unter.bmp"); // a folder is not a file
    RecordingHost host;
    const Visit first = visit(dir.str(), host);
    ASSERT_EQ(first.names.size(), 2u);
    EXPECT_EQ(cacheCount(dir.str()), 2);
    EXPECT_EQ(first.log, (std::vector<std::string>{"Bearbeite Verzeichnis: " + dir.str(),
                                                   "Browser-Informationen geschrieben."}));
    EXPECT_EQ(std::count(first.added.begin(), first.added.end(), FolderScan::Added::Decoded), 2);
    const auto bmp = std::find(first.names.begin(), first.names.end(), "bild.bmp") - first.names.begin();
    const TThumbInfo& bi = first.infos[static_cast<size_t>(bmp)];
    EXPECT_EQ(bi, (TThumbInfo{24, 80, 60, 640, 480, 16777216, 900, bi.Checksum}));
    const std::vector<uint8_t> bmpBytes = readBytes(dir / "bild.bmp");
    uint32_t sum = 0;
    for (uint8_t b : bmpBytes) sum += b;
    EXPECT_EQ(bi.Checksum, sum);
    const auto jpg = 1 - bmp;
    EXPECT_EQ(first.infos[static_cast<size_t>(jpg)].ThumbWidth, 26);
    EXPECT_EQ(first.infos[static_cast<size_t>(jpg)].ThumbHeight, 80);

    // the second visit takes everything from the cache, in the same order, with the same pixels
    const std::vector<uint8_t> cacheBefore = readBytes(dir / kCacheFileName);
    const Visit second = visit(dir.str(), host);
    EXPECT_EQ(second.log, (std::vector<std::string>{"Bearbeite Verzeichnis: " + dir.str(),
                                                    "Browser-Informationen geladen.",
                                                    "Browser-Informationen geschrieben."}));
    EXPECT_EQ(second.added, (std::vector<FolderScan::Added>(2, FolderScan::Added::FromCache)));
    EXPECT_EQ(second.names, first.names);
    EXPECT_EQ(second.infos, first.infos);
    EXPECT_EQ(second.pixels, first.pixels);
    EXPECT_EQ(readBytes(dir / kCacheFileName), cacheBefore);

    // a changed file is decoded again; a name in other letter case still matches
    saveImage(dir / "bild.bmp", 640, 480, 24, PICTORA_FORMAT_BMP, 9);
    fs::rename(dir / "foto klein.jpg", dir / "FOTO KLEIN.JPG");
    const Visit third = visit(dir.str(), host);
    ASSERT_EQ(third.names.size(), 2u);
    for (size_t i = 0; i < 2; ++i)
        EXPECT_EQ(third.added[i], third.names[i] == "bild.bmp" ? FolderScan::Added::Decoded
                                                               : FolderScan::Added::FromCache);
    // a removed file drops out of the cache
    fs::remove(dir / "bild.bmp");
    const Visit fourth = visit(dir.str(), host);
    EXPECT_EQ(fourth.names, (std::vector<std::string>{"FOTO KLEIN.JPG"}));
    EXPECT_EQ(cacheCount(dir.str()), 1);
}

TEST(FolderScan, DamagedCacheIsRewrittenForeignOneLeftAlone) {
    TempDir dir;
    saveImage(dir / "a.bmp", 50, 40, 8, PICTORA_FORMAT_BMP, 1);
    saveImage(dir / "b.png", 20, 20, 24, PICTORA_FORMAT_PNG, 2);
    RecordingHost host;
    const Visit first = visit(dir.str(), host);
    const std::vector<uint8_t> good = readBytes(dir / kCacheFileName);
    // truncated, and with a count beyond the file: nothing comes from it, it is rewritten
    for (int damage = 0; damage < 2; ++damage) {
        std::vector<uint8_t> bad = good;
        if (damage == 0)
            bad.resize(bad.size() - 100);
        else
            bad[5] = 0x10;
        writeBytes(dir / kCacheFileName, bad);
        const Visit v = visit(dir.str(), host);
        EXPECT_EQ(v.added, (std::vector<FolderScan::Added>(2, FolderScan::Added::Decoded)));
        EXPECT_EQ(v.pixels, first.pixels);
        EXPECT_EQ(readBytes(dir / kCacheFileName), good);
    }
    // another version word: every visit decodes, the file stays as it is
    std::vector<uint8_t> other = good;
    other[0] = 0x52;
    writeBytes(dir / kCacheFileName, other);
    for (int i = 0; i < 2; ++i) {
        const Visit v = visit(dir.str(), host);
        EXPECT_EQ(v.added, (std::vector<FolderScan::Added>(2, FolderScan::Added::Decoded)));
        EXPECT_EQ(readBytes(dir / kCacheFileName), other);
    }
}

TEST(FolderScan, UnicodeSpacesAndUnreadableFiles) {
    TempDir dir;
    const std::string uni = "Gr\xc3\xbc\xc3\x9f" "e aus K\xc3\xb6ln.bmp";
    saveImage(dir / uni, 16, 16, 4, PICTORA_FORMAT_BMP, 3);
    writeBytes(dir / "kaputt.png", {0x89, 'P', 'N', 'G', 0, 0});
    RecordingHost host;
    const Visit first = visit(dir.str(), host);
    EXPECT_EQ(first.names, (std::vector<std::string>{uni}));
    ASSERT_EQ(first.log.size(), 3u);
    EXPECT_EQ(first.log[1].rfind("Fehler beim Laden von kaputt.png [", 0), 0u) << first.log[1];
    EXPECT_EQ(first.log[1].back(), ']');
    EXPECT_GT(first.log[1].size(), std::string("Fehler beim Laden von kaputt.png []").size());
    EXPECT_EQ(host.progress.back(), 0);
    const Visit second = visit(dir.str(), host);
    EXPECT_EQ(second.names, first.names);
    EXPECT_EQ(second.added, (std::vector<FolderScan::Added>{FolderScan::Added::FromCache}));
}

// A folder of every kind of file the scan meets, in an order the workers cannot keep by chance.
void fillMixedFolder(const TempDir& dir) {
    const int32_t formats[] = {PICTORA_FORMAT_BMP, PICTORA_FORMAT_PNG, PICTORA_FORMAT_JPG,
                               PICTORA_FORMAT_GIF, PICTORA_FORMAT_TIF, PICTORA_FORMAT_PCX};
    const char* exts[] = {".bmp", ".png", ".jpg", ".gif", ".tif", ".pcx"};
    for (int i = 0; i < 24; ++i) {
        const int f = i % 6;
        const int32_t bpp = f == 2 ? 24 : (i % 4 == 0 ? 8 : (f == 3 ? 8 : 24));
        // sizes from large to tiny, so that later files finish before earlier ones
        const int32_t w = 1200 - i * 45, h = 20 + (i * 37) % 700;
        saveImage(dir / ("bild" + std::to_string(i) + exts[f]), w, h, bpp, formats[f], i);
        if (i % 5 == 0) writeBytes(dir / ("kaputt" + std::to_string(i) + ".png"), {0x89, 'P', 'N', 'G'});
        if (i % 7 == 0) writeBytes(dir / ("text" + std::to_string(i) + ".txt"), {'x'});
    }
}

TEST(FolderScan, WorkersGiveTheSameScanAsOneThread) {
    TempDir dir;
    fillMixedFolder(dir);
    RecordingHost host;
    const std::string cache = dir / kCacheFileName;
    for (int round = 0; round < 2; ++round) { // decoded, then from the cache
        if (round == 0) fs::remove(cache);
        const std::vector<uint8_t> before = readBytes(cache);
        const Visit plain = visit(dir.str(), host, 0);
        const std::vector<uint8_t> plainCache = readBytes(cache);
        if (round == 0)
            fs::remove(cache);
        else
            writeBytes(cache, before);
        const Visit parallel = visit(dir.str(), host, 3);
        ASSERT_EQ(plain.names.size(), 24u);
        EXPECT_EQ(parallel.names, plain.names);
        EXPECT_EQ(parallel.added, plain.added);
        EXPECT_EQ(parallel.infos, plain.infos);
        EXPECT_EQ(parallel.pixels == plain.pixels, true);
        EXPECT_EQ(parallel.log, plain.log);
        EXPECT_EQ(std::count(plain.added.begin(), plain.added.end(),
                             round == 0 ? FolderScan::Added::Decoded : FolderScan::Added::FromCache),
                  24);
        EXPECT_EQ(readBytes(cache) == plainCache, true);
    }
}

TEST(FolderScan, ProgressCountsImageFilesAndAnInterruptedScanKeepsTheOldCache) {
    TempDir dir;
    fillMixedFolder(dir);
    RecordingHost host;
    {
        FolderScan scan(host);
        scan.SetWorkers(2);
        std::vector<std::pair<int, int>> progress;
        scan.OnProgress = [&](int done, int total) { progress.emplace_back(done, total); };
        scan.Start(dir.str());
        EXPECT_EQ(scan.ImageFileCount(), 24 + 5); // the broken PNGs count, the texts do not
        std::string name;
        while (scan.NextName(name)) scan.NewFile(name);
        scan.Finish();
        ASSERT_EQ(progress.size(), 29u);
        for (size_t i = 0; i < progress.size(); ++i)
            EXPECT_EQ(progress[i], std::make_pair(static_cast<int>(i) + 1, 29));
    }
    const std::vector<uint8_t> cache = readBytes(dir / kCacheFileName);
    ASSERT_FALSE(cache.empty());
    // a folder change after three files: the work done ahead is dropped, nothing is written
    fs::remove(dir / "bild0.bmp");
    FolderScan scan(host);
    scan.SetWorkers(2);
    scan.Start(dir.str());
    std::string name;
    for (int files = 0; files < 3 && scan.NextName(name);)
        if (scan.NewFile(name) != FolderScan::Added::None) ++files;
    EXPECT_EQ(scan.Thumbs().size(), 3u);
    scan.ClearThumbs();
    scan.Finish();
    EXPECT_EQ(readBytes(dir / kCacheFileName), cache);
}

TEST(FolderScan, ShortMemoryOnTheWorkersGivesTheResultOfOneThread) {
    TempDir dir;
    for (int i = 0; i < 6; ++i) saveImage(dir / ("gross" + std::to_string(i) + ".bmp"), 1000, 1000, 24, PICTORA_FORMAT_BMP, i);
    // room for one image of 3 MB at a time, not for two
    PictoraSetAllocLimit(5u << 20);
    RecordingHost host;
    const Visit v = visit(dir.str(), host, 3);
    PictoraSetAllocLimit(0);
    EXPECT_EQ(v.names.size(), 6u);
    EXPECT_EQ(v.log, (std::vector<std::string>{"Bearbeite Verzeichnis: " + dir.str(),
                                               "Browser-Informationen geschrieben."}));
}

// Visits twice and checks: one thumbnail, no cache line, no message, no cache file.
bool readOnlyVisits(const std::string& folder) {
    RecordingHost host;
    bool good = true;
    for (int i = 0; i < 2; ++i) {
        const Visit v = visit(folder, host);
        good = good && v.names == std::vector<std::string>{"a.bmp"} &&
               v.log == std::vector<std::string>{"Bearbeite Verzeichnis: " + folder} &&
               host.messages.empty();
    }
    return good && !fs::exists(folder + "/" + kCacheFileName);
}

TEST(FolderScan, ReadOnlyFolderBrowsesWithoutCache) {
    TempDir dir;
    saveImage(dir / "a.bmp", 10, 10, 24, PICTORA_FORMAT_BMP, 1);
    ::chmod((dir / "a.bmp").c_str(), 0644);
    ::chmod(dir.str().c_str(), 0555);
    if (::geteuid() != 0) {
        EXPECT_TRUE(readOnlyVisits(dir.str()));
        return;
    }
    // root writes into any folder: browse as an ordinary user in a child process
    EXPECT_EXIT(
        {
            if (::setgid(65534) != 0 || ::setuid(65534) != 0) std::_Exit(3);
            std::_Exit(readOnlyVisits(dir.str()) ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

} // namespace
} // namespace pixorama
