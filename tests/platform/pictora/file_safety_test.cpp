// Reading and writing files without losing anything: inputs that are not regular files, saves
// through symbolic links, over protected, foreign-owned and hard-linked files, long names, the
// reasons of failures in German, the image size limit and the worker threads.
#include "internal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

class Folder {
  public:
    Folder() {
        path_ = fs::path(testing::TempDir()) / ("pictora_safety_" + std::to_string(getpid()));
        fs::remove_all(path_);
        fs::create_directories(path_);
    }
    ~Folder() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    // every name in the folder, the hidden ones included
    std::vector<std::string> names() const {
        std::vector<std::string> all;
        for (const auto& e : fs::directory_iterator(path_))
            all.push_back(e.path().filename().string());
        std::sort(all.begin(), all.end());
        return all;
    }

  private:
    fs::path path_;
};

struct Image {
    TDibRecord r{};
    Image(int32_t w, int32_t h, int bpp, uint8_t fill) {
        EXPECT_TRUE(newdib(&r, w, h, bpp, nullptr, 0));
        if (r.Bits)
            std::memset(r.Bits, fill, r.Info->bmiHeader.biSizeImage);
    }
    ~Image() { deldib(&r); }
};

std::string save(const TDibRecord& d, const std::string& path) {
    char error[512] = "";
    const int ok = SaveDib(&d, path.c_str(), 0, 75, error, sizeof error);
    return ok ? std::string() : std::string(error[0] ? error : "?");
}

// The first pixel byte of the image in a file, -1 if it cannot be read.
int firstByte(const std::string& path) {
    TDibRecord d;
    if (!OpenDib(&d, path.c_str(), 0, nullptr, nullptr))
        return -1;
    const int v = d.Bits[0];
    deldib(&d);
    return v;
}

TEST(FileSafety, InputsThatAreNotRegularFilesAreRefusedAtOnce) {
    Folder dir;
    const std::string fifo = dir.file("p.bmp");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    // a FIFO without a writer used to block open() for ever: run it in a child that must finish
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        alarm(10);
        TDibRecord d;
        const int ok = OpenDib(&d, fifo.c_str(), 0, nullptr, nullptr);
        _exit(ok == 0 && std::strstr(DibErrorText(&d), "kann nicht gelesen werden") ? 0 : 3);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;

    TDibRecord d;
    EXPECT_EQ(OpenDib(&d, dir.file("").c_str(), 0, nullptr, nullptr), 0);
    EXPECT_STREQ(DibErrorText(&d), "Die Datei kann nicht gelesen werden");
}

TEST(FileSafety, SavingThroughASymbolicLinkWritesItsTarget) {
    Folder dir;
    Image oldImage(4, 4, 8, 10), newImage(4, 4, 8, 200);
    ASSERT_EQ(save(oldImage.r, dir.file("real.bmp")), "");
    fs::create_directories(dir.file("sub"));
    fs::create_symlink("../real.bmp", dir.file("sub/link.bmp"));
    ASSERT_EQ(save(newImage.r, dir.file("sub/link.bmp")), "");
    EXPECT_TRUE(fs::is_symlink(dir.file("sub/link.bmp")));
    EXPECT_EQ(firstByte(dir.file("real.bmp")), 200);
    // a link to a file not made yet: the file appears where the link points
    fs::create_symlink("made.bmp", dir.file("dangling.bmp"));
    ASSERT_EQ(save(newImage.r, dir.file("dangling.bmp")), "");
    EXPECT_TRUE(fs::is_symlink(dir.file("dangling.bmp")));
    EXPECT_EQ(firstByte(dir.file("made.bmp")), 200);
    // a loop of links is a German failure, not a hang
    fs::create_symlink("loop2.bmp", dir.file("loop1.bmp"));
    fs::create_symlink("loop1.bmp", dir.file("loop2.bmp"));
    EXPECT_NE(save(newImage.r, dir.file("loop1.bmp")).find("Zu viele symbolische Verknüpfungen"),
              std::string::npos);
}

TEST(FileSafety, ProtectedFilesAreRefusedAndOwnersAndLinksKept) {
    Folder dir;
    Image oldImage(4, 4, 8, 10), newImage(4, 4, 8, 200);
    // read-only for everybody: refused even where the folder would allow replacing it
    const std::string locked = dir.file("locked.bmp");
    ASSERT_EQ(save(oldImage.r, locked), "");
    ASSERT_EQ(chmod(locked.c_str(), 0444), 0);
    EXPECT_EQ(save(newImage.r, locked),
              "Die Datei konnte nicht geschrieben werden (" + locked + "): Keine Berechtigung");
    EXPECT_EQ(firstByte(locked), 10);
    struct stat st {};
    ASSERT_EQ(stat(locked.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0444u);

    // several hard links: all names see the new content, the file stays one file
    const std::string a = dir.file("a.bmp"), b = dir.file("b.bmp");
    ASSERT_EQ(save(oldImage.r, a), "");
    ASSERT_EQ(link(a.c_str(), b.c_str()), 0);
    struct stat before {
    }, after{};
    ASSERT_EQ(stat(a.c_str(), &before), 0);
    ASSERT_EQ(save(newImage.r, a), "");
    ASSERT_EQ(stat(b.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_nlink, 2u);
    EXPECT_EQ(firstByte(b), 200);
    // a shorter new content leaves no tail of the old one
    Image small(1, 1, 8, 7);
    ASSERT_EQ(save(small.r, b), "");
    ASSERT_EQ(save(small.r, dir.file("fresh.bmp")), "");
    EXPECT_EQ(fs::file_size(a), fs::file_size(dir.file("fresh.bmp")));
    EXPECT_EQ(firstByte(a), 7);

    // mode and, where the saver may set it, owner and group of the old file stay
    const std::string owned = dir.file("owned.bmp");
    ASSERT_EQ(save(oldImage.r, owned), "");
    ASSERT_EQ(chmod(owned.c_str(), 0640), 0);
    if (geteuid() == 0) {
        ASSERT_EQ(chown(owned.c_str(), 4242, 4343), 0);
    }
    ASSERT_EQ(stat(owned.c_str(), &before), 0);
    ASSERT_EQ(save(newImage.r, owned), "");
    ASSERT_EQ(stat(owned.c_str(), &after), 0);
    EXPECT_EQ(after.st_mode & 07777, 0640u);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);
    EXPECT_EQ(firstByte(owned), 200);
    // no temporary file is left anywhere
    for (const std::string& name : dir.names())
        EXPECT_EQ(name.rfind(".pxr", 0), std::string::npos) << name;
}

TEST(FileSafety, LongNamesSaveAndFailuresSpeakGerman) {
    Folder dir;
    Image img(4, 4, 8, 99);
    // 255 bytes is the longest name a folder entry can have
    const std::string longest = dir.file(std::string(251, 'n') + ".bmp");
    EXPECT_EQ(save(img.r, longest), "");
    EXPECT_EQ(firstByte(longest), 99);
    EXPECT_EQ(save(img.r, longest), ""); // and over the existing one
    EXPECT_EQ(dir.names().size(), 1u);

    const std::string tooLong = dir.file(std::string(252, 'n') + ".bmp");
    EXPECT_EQ(save(img.r, tooLong),
              "Die Datei kann nicht angelegt werden (" + tooLong + "): Der Dateiname ist zu lang");
    const std::string missing = dir.file("nowhere/x.bmp");
    EXPECT_EQ(save(img.r, missing), "Die Datei kann nicht angelegt werden (" + missing +
                                        "): Die Datei oder der Ordner existiert nicht");
    EXPECT_STREQ(PictoraErrorText(ENOSPC), "Der Datenträger ist voll");
    EXPECT_STREQ(PictoraErrorText(EROFS), "Das Dateisystem ist schreibgeschützt");
    EXPECT_STREQ(PictoraErrorText(EACCES), "Keine Berechtigung");
    EXPECT_EQ(dir.names().size(), 1u);
}

TEST(FileSafety, ReadersGiveTheirOwnReason) {
    Folder dir;
    // a Targa file cut short: its reader's complaint, not "unknown format"
    Image img(8, 8, 24, 50);
    const std::string tga = dir.file("cut.tga");
    ASSERT_EQ(save(img.r, tga), "");
    fs::resize_file(tga, 30);
    TDibRecord d;
    EXPECT_EQ(OpenDib(&d, tga.c_str(), 0, nullptr, nullptr), 0);
    EXPECT_STREQ(DibErrorText(&d), pictora::kTextTruncated);
    // the same bytes under another name are still just unknown
    const std::string other = dir.file("cut.dat");
    fs::copy_file(tga, other);
    EXPECT_EQ(OpenDib(&d, other.c_str(), 0, nullptr, nullptr), 0);
    EXPECT_STREQ(DibErrorText(&d), pictora::kTextUnknownType);
    // a shortage while reading is a shortage
    const std::string bmp = dir.file("ok.bmp");
    ASSERT_EQ(save(img.r, bmp), "");
    PictoraSetAllocLimit(64);
    EXPECT_EQ(OpenDib(&d, bmp.c_str(), 0, nullptr, nullptr), 0);
    PictoraSetAllocLimit(0);
    EXPECT_STREQ(DibErrorText(&d), pictora::kTextNoMemory);
}

TEST(FileSafety, DeclaredSizesBeyondTheLimitAreRefusedBeforeAllocating) {
    TDibRecord d;
    PictoraSetImageLimit(100 * 100 * 3);
    EXPECT_TRUE(newdib(&d, 100, 100, 24, nullptr, 0));
    deldib(&d);
    const uint64_t before = PictoraAllocatedBytes();
    EXPECT_FALSE(newdib(&d, 101, 100, 24, nullptr, 0));
    EXPECT_EQ(PictoraAllocatedBytes(), before);
    PictoraSetImageLimit(0);
    // with no limit of the program's, what the machine has is the limit: never more than 2^63
    EXPECT_GT(PictoraImageLimit(), uint64_t{1} << 20);
    EXPECT_LT(PictoraImageLimit(), uint64_t{1} << 63);

    // a bitmap header that declares 30000 x 30000 pixels, followed by nothing
    PictoraSetImageLimit(uint64_t{1} << 30);
    uint8_t bmp[54] = {'B', 'M'};
    auto put32 = [&](int at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            bmp[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    put32(2, 54);
    put32(10, 54);
    put32(14, 40);
    put32(18, 30000);
    put32(22, 30000);
    bmp[26] = 1;
    bmp[28] = 24;
    EXPECT_EQ(OpenDibMemory(&d, bmp, sizeof bmp, 0, nullptr, nullptr), 0);
    EXPECT_STREQ(DibErrorText(&d), pictora::kTextNoMemory);
    PictoraSetImageLimit(0);
}

TEST(ThreadPool, EveryIndexOnceOnAnyNumberOfThreads) {
    for (int32_t limit : {1, 2, 0}) {
        PictoraSetThreadLimit(limit);
        const int32_t threads = PictoraThreadCount();
        EXPECT_GE(threads, 1);
        if (limit > 0) {
            EXPECT_LE(threads, limit);
        }
        std::vector<std::atomic<int>> seen(10007);
        struct Ctx {
            std::vector<std::atomic<int>>* seen;
            int32_t threads;
            std::atomic<bool> badSlot{false};
        } ctx{&seen, threads};
        PictoraParallelFor(
            static_cast<int64_t>(seen.size()),
            [](void* user, int64_t i, int32_t slot) {
                auto* c = static_cast<Ctx*>(user);
                ++(*c->seen)[static_cast<size_t>(i)];
                if (slot < 0 || slot >= c->threads)
                    c->badSlot = true;
            },
            &ctx);
        for (const auto& s : seen)
            ASSERT_EQ(s.load(), 1);
        EXPECT_FALSE(ctx.badSlot.load());
    }
    PictoraSetThreadLimit(0);
}

TEST(ThreadPool, NestedAndConcurrentLoopsFinish) {
    // a loop inside a loop, and two threads starting loops at once, run without waiting on
    // each other
    std::atomic<int64_t> sum{0};
    auto outer = [&] {
        struct Ctx {
            std::atomic<int64_t>* sum;
        } ctx{&sum};
        PictoraParallelFor(
            50,
            [](void* user, int64_t, int32_t) {
                PictoraParallelFor(
                    20, [](void* u, int64_t j, int32_t) { *static_cast<Ctx*>(u)->sum += j; }, user);
            },
            &ctx);
    };
    std::thread a(outer), b(outer);
    a.join();
    b.join();
    EXPECT_EQ(sum.load(), 2 * 50 * 190);
}

} // namespace
