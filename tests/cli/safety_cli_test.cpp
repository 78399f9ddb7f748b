// pixorama-cli where a document used to be lost: memory shortage in the JPEG writer, FIFOs as
// input, threads that cannot start, interrupted saves, huge files and declared sizes, output
// that cannot be written, and the messages of all of them.
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Result {
    int code; // exit code, or 128 + signal
    std::string out, err;
};

// Runs `prefix pixorama-cli args` through the shell (prefix: environment or ulimit).
Result run(const std::string& args, const std::string& prefix = "") {
    const fs::path errFile =
        fs::temp_directory_path() / ("pixorama_safety_err_" + std::to_string(::getpid()));
    const std::string cmd =
        prefix + " " + std::string(PIXORAMA_CLI) + " " + args + " 2>" + errFile.string();
    Result r{};
    FILE* p = ::popen(cmd.c_str(), "r");
    if (p == nullptr)
        return {-1, "", "popen"};
    std::array<char, 4096> buf;
    size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0)
        r.out.append(buf.data(), n);
    const int status = ::pclose(p);
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    if (FILE* e = std::fopen(errFile.c_str(), "rb")) {
        while ((n = std::fread(buf.data(), 1, buf.size(), e)) > 0)
            r.err.append(buf.data(), n);
        std::fclose(e);
    }
    fs::remove(errFile);
    return r;
}

class TempDir {
  public:
    TempDir() {
        path_ = fs::temp_directory_path() / ("pixorama_safety_" + std::to_string(::getpid()));
        fs::remove_all(path_);
        fs::create_directories(path_);
    }
    ~TempDir() { fs::remove_all(path_); }
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    bool holdsTemporaryFile() const {
        for (const auto& e : fs::directory_iterator(path_))
            if (e.path().filename().string().rfind(".pxr", 0) == 0)
                return true;
        return false;
    }

  private:
    fs::path path_;
};

// Address-space limits (ulimit -v) cannot be combined with AddressSanitizer's shadow memory.
bool underSanitizer() {
#if defined(__SANITIZE_ADDRESS__)
    return true;
#else
    return false;
#endif
}

// A 24-bit bitmap of noise: its JPEG is large and its PNG slow to compress.
void writeNoiseBmp(const std::string& path, int32_t w, int32_t h) {
    const uint32_t row = static_cast<uint32_t>((w * 3 + 3) & ~3);
    const uint32_t size = row * static_cast<uint32_t>(h);
    std::string bytes(54, '\0');
    auto put = [&](size_t at, uint32_t v, int n) {
        for (int i = 0; i < n; ++i)
            bytes[at + static_cast<size_t>(i)] = static_cast<char>(v >> (8 * i));
    };
    bytes[0] = 'B';
    bytes[1] = 'M';
    put(2, 54 + size, 4);
    put(10, 54, 4);
    put(14, 40, 4);
    put(18, static_cast<uint32_t>(w), 4);
    put(22, static_cast<uint32_t>(h), 4);
    put(26, 1, 2);
    put(28, 24, 2);
    put(34, size, 4);
    uint32_t state = 12345;
    bytes.resize(54 + size);
    for (size_t i = 54; i < bytes.size(); ++i) {
        state = state * 1103515245u + 12345u;
        bytes[i] = static_cast<char>(state >> 23);
    }
    std::ofstream(path, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

TEST(CliSafety, JpegWriterSurvivesEveryFailedAllocation) {
    // libjpeg's memory destination freed its buffer a second time when growing it failed
    TempDir dir;
    const std::string in = dir.file("noise.bmp"), out = dir.file("out.jpg");
    writeNoiseBmp(in, 96, 64);
    const std::string count = dir.file("count");
    Result r =
        run(in + " --save " + out + " --quality 99",
            "LD_PRELOAD=" + std::string(PIXORAMA_FAILMALLOC) +
                " ASAN_OPTIONS=$ASAN_OPTIONS:verify_asan_link_order=0:allocator_may_return_null=1"
                " PIXORAMA_FAIL_AT=0 PIXORAMA_FAIL_COUNT_FILE=" +
                count);
    ASSERT_EQ(r.code, 0) << r.err;
    int total = 0;
    std::ifstream(count) >> total;
    ASSERT_GT(total, 3);
    for (int n = 1; n <= total; ++n) {
        r = run(
            in + " --save " + out + " --quality 99",
            "LD_PRELOAD=" + std::string(PIXORAMA_FAILMALLOC) +
                " ASAN_OPTIONS=$ASAN_OPTIONS:verify_asan_link_order=0:allocator_may_return_null=1"
                " PIXORAMA_FAIL_AT=" +
                std::to_string(n));
        ASSERT_TRUE(r.code == 0 || (r.code == 1 && r.err.find("Fehler") != std::string::npos))
            << "allocation " << n << " of " << total << ": exit " << r.code << "\n"
            << r.err;
        EXPECT_FALSE(dir.holdsTemporaryFile());
    }
    if (!underSanitizer()) {
        // a real shortage: a few megabytes of address space only
        writeNoiseBmp(in, 1200, 800);
        r = run(in + " --save " + out + " --quality 99", "ulimit -v 30000;");
        EXPECT_TRUE(r.code == 0 || r.code == 1) << r.code << r.err;
    }
}

TEST(CliSafety, FifoInputIsRefusedWithoutWaiting) {
    TempDir dir;
    const std::string fifo = dir.file("p.bmp");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const Result r = run(fifo + " --info", "timeout 20");
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "Fehler beim Laden (" + fifo + "): Die Datei kann nicht gelesen werden\n");
}

TEST(CliSafety, WorkGoesOnWhenNoThreadCanStart) {
    if (underSanitizer())
        GTEST_SKIP() << "ulimit -v and AddressSanitizer do not mix";
    // each worker's stack is more than the whole address space left: none starts
    const Result r = run("--new 1500 1000 24 --invert --info", "ulimit -v 25000;");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "Bild: 1500 x 1000 x 16777216 - 4394 KByte\n");
    EXPECT_EQ(r.err, "");
}

// Runs pixorama-cli with args, ends it with SIGTERM once its temporary file is there, and
// checks that the file went with it.
void interruptWhileWriting(const TempDir& dir, const std::vector<std::string>& args) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::vector<char*> argv{const_cast<char*>(PIXORAMA_CLI)};
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(PIXORAMA_CLI, argv.data());
        _exit(127);
    }
    // the temporary file appears before the picture is compressed, which takes a while
    bool seen = false;
    for (int i = 0; i < 4000 && !seen; ++i) {
        seen = dir.holdsTemporaryFile();
        if (!seen)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    kill(child, SIGTERM);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(seen);
    if (WIFSIGNALED(status)) { // else the write had just finished
        EXPECT_EQ(WTERMSIG(status), SIGTERM);
    }
    EXPECT_FALSE(dir.holdsTemporaryFile());
}

TEST(CliSafety, InterruptedSaveOrPrintRemovesItsTemporaryFile) {
    TempDir dir;
    const std::string in = dir.file("big.bmp");
    writeNoiseBmp(in, 3000, 2000);
    {
        SCOPED_TRACE("--save");
        interruptWhileWriting(dir, {in, "--save", dir.file("out.png")});
    }
    {
        SCOPED_TRACE("--print-pdf");
        interruptWhileWriting(dir, {in, "--print-pdf", dir.file("out.pdf")});
    }
}

TEST(CliSafety, HugeFilesAndDeclaredSizes) {
    TempDir dir;
    // a 1 x 1 bitmap followed by a gigabyte of zeros (a sparse file): only the header is read
    const std::string padded = dir.file("padded.bmp");
    writeNoiseBmp(padded, 1, 1);
    fs::resize_file(padded, (uint64_t{1} << 30) + 58);
    struct rusage before {};
    getrusage(RUSAGE_CHILDREN, &before);
    Result r = run(padded + " --info");
    struct rusage after {};
    getrusage(RUSAGE_CHILDREN, &after);
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "Bild: 1 x 1 x 16777216 - 0 KByte\n");
    // the largest child so far stayed far below the file's size
    EXPECT_LT(after.ru_maxrss, 200 * 1024) << "kilobytes";

    if (!underSanitizer()) {
        // address space too small for the file: a shortage, not an unreadable file
        r = run(padded + " --info", "ulimit -v 40000;");
        EXPECT_EQ(r.code, 1);
        EXPECT_EQ(r.err,
                  "Fehler beim Laden (" + padded + "): Nicht genug Speicher für dieses Bild\n");
    }

    // more than the command line's gigabyte of pixels: refused with the shortage text
    const std::string big = dir.file("big.bmp");
    writeNoiseBmp(big, 1, 1);
    {
        std::fstream f(big, std::ios::in | std::ios::out | std::ios::binary);
        const int32_t side = 20000; // 20000 x 20000 x 3 bytes = 1.2 GB
        f.seekp(18);
        f.write(reinterpret_cast<const char*>(&side), 4);
        f.write(reinterpret_cast<const char*>(&side), 4);
    }
    r = run(big + " --info");
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "Fehler beim Laden (" + big + "): Nicht genug Speicher für dieses Bild\n");
    // the limit is the user's to set
    r = run("--image-limit 1 --new 1000 1000 24 --info");
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "Fehler: nicht genug Speicher für diese Operation!\n");
    r = run("--image-limit 3 --new 1000 1000 24 --info");
    EXPECT_EQ(r.code, 0) << r.err;
}

TEST(CliSafety, FileSizeLimitFailsTheSaveNotTheProcess) {
    TempDir dir;
    const std::string in = dir.file("in.bmp");
    writeNoiseBmp(in, 300, 200);
    for (const char* ext : {"bmp", "png", "jpg", "tif", "pcx"}) {
        SCOPED_TRACE(ext);
        const std::string out = dir.file(std::string("out.") + ext);
        {
            std::ofstream old(out, std::ios::binary);
            old << "the old file";
        }
        // a few kilobytes at most, far less than the picture
        const Result r = run(in + " --save " + out, "ulimit -f 4;");
        EXPECT_EQ(r.code, 1) << r.err; // not 128 + SIGXFSZ
        EXPECT_NE(r.err.find("Die Datei ist zu groß"), std::string::npos) << r.err;
        std::ifstream old(out, std::ios::binary);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(old), {}), "the old file");
    }
    EXPECT_FALSE(dir.holdsTemporaryFile());
}

TEST(CliSafety, MessagesAndOutput) {
    TempDir dir;
    // the caption is not repeated before a text that carries it
    // (room for the image only: not for the undo level's buffer, which takes the filter's result,
    // nor for the rows the filter keeps when it then works in place)
    Result r = run("--new 600 400 24 --filter edge-enhance", "PIXORAMA_TEST_ALLOC_LIMIT=800000");
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "Fehler: nicht genug Speicher für diese Operation!\n"
                     "Fehler: Nicht genügent Speicher für diese Aktion!\n");
    // standard output that cannot be written is an error
    r = run("--new 10 10 24 --info > /dev/full");
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err, "Die Ausgabe konnte nicht geschrieben werden: Der Datenträger ist voll\n");
    // the endings the save dialog offers
    for (const char* name : {"x.jpeg", "x.tiff", "x.JPEG"}) {
        r = run("--new 10 10 24 --save " + dir.file(name));
        EXPECT_EQ(r.code, 0) << name << ": " << r.err;
        r = run(dir.file(name) + " --info");
        EXPECT_EQ(r.out, "Bild: 10 x 10 x 16777216 - 0 KByte\n") << name;
    }
    // a system error in German
    r = run("--new 10 10 24 --save " + dir.file("nowhere/x.png"));
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("Die Datei oder der Ordner existiert nicht"), std::string::npos) << r.err;
}

} // namespace
