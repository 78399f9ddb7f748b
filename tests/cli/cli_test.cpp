// pixorama-cli run as a user runs it: exit codes, messages, input and output files.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>
#include <sys/wait.h>

namespace {

namespace fs = std::filesystem;

struct Result {
    int code;
    std::string out, err;
};

Result run(const std::string& args) {
    const fs::path errFile = fs::temp_directory_path() / ("pixorama_cli_err_" + std::to_string(::getpid()));
    const std::string cmd = std::string(PIXORAMA_CLI) + " " + args + " 2>" + errFile.string();
    Result r{};
    FILE* p = ::popen(cmd.c_str(), "r");
    if (p == nullptr) return {-1, "", "popen"};
    std::array<char, 4096> buf;
    size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0) r.out.append(buf.data(), n);
    const int status = ::pclose(p);
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    FILE* e = std::fopen(errFile.c_str(), "rb");
    if (e) {
        while ((n = std::fread(buf.data(), 1, buf.size(), e)) > 0) r.err.append(buf.data(), n);
        std::fclose(e);
    }
    fs::remove(errFile);
    return r;
}

class TempDir {
  public:
    TempDir() {
        path_ = fs::temp_directory_path() / ("pixorama_cli_" + std::to_string(::getpid()));
        fs::create_directories(path_);
    }
    ~TempDir() { fs::remove_all(path_); }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

  private:
    fs::path path_;
};

TEST(Cli, UsageAndWrongCommandLines) {
    Result r = run("");
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.err.find("Aufruf: pixorama-cli"), std::string::npos);
    EXPECT_NE(r.err.find("--info"), std::string::npos);
    EXPECT_EQ(run("--new 10 10 16 --info").code, 2);
    EXPECT_EQ(run("--new 0 10 8").code, 2);
    EXPECT_EQ(run("--new 10 x 8").code, 2);
    EXPECT_EQ(run("--new 10 10").code, 2);
    EXPECT_EQ(run("--new 10 10 8 --frobnicate").code, 2);
    EXPECT_EQ(run("--seed").code, 2);
    EXPECT_EQ(run("--new 10 10 8 --save").code, 2);
    EXPECT_EQ(run("--new 10 10 8 --save a.bmp --quality 100").code, 2);
}

TEST(Cli, NewImageInfo) {
    Result r = run("--new 640 480 24 --info");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "Bild: 640 x 480 x 16777216 - 900 KByte\n");
    r = run("--seed 3 --progress --new 16 16 4 --info --info");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "Bild: 16 x 16 x 16 - 0 KByte\nBild: 16 x 16 x 16 - 0 KByte\n");
}

TEST(Cli, LoadFailuresAreReportedInGerman) {
    Result r = run("/nonexistent/bild.bmp --info");
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("Fehler beim Laden (/nonexistent/bild.bmp)"), std::string::npos);
    EXPECT_TRUE(r.out.empty());
    TempDir dir;
    const std::string junk = dir.file("junk.bmp");
    FILE* f = std::fopen(junk.c_str(), "wb");
    std::fputs("this is not an image at all", f);
    std::fclose(f);
    r = run(junk + " --info");
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("Fehler beim Laden"), std::string::npos);
}

TEST(Cli, SaveAndReload) {
    TempDir dir;
    for (int bpp : {1, 4, 8, 24}) {
        const std::string out = dir.file("neu" + std::to_string(bpp) + ".bmp");
        Result r = run("--new 33 7 " + std::to_string(bpp) + " --save " + out);
        ASSERT_EQ(r.code, 0) << r.err;
        r = run(out + " --info");
        EXPECT_EQ(r.code, 0) << r.err;
        const long colours = 1L << bpp;
        EXPECT_NE(r.out.find("Bild: 33 x 7 x " + std::to_string(colours)), std::string::npos)
            << r.out;
    }
    // an unknown output type is refused and writes nothing
    const std::string bad = dir.file("bild.xyz");
    Result r = run("--new 4 4 24 --save " + bad);
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("Fehler beim Speichern"), std::string::npos);
    EXPECT_FALSE(fs::exists(bad));
}

} // namespace
