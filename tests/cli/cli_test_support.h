// Running pixorama-cli as a user runs it, and comparing its saved result pixel by pixel with
// the same commands run on the core.
#pragma once

#include "document/document_state.h"
#include "document/host.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace pixorama {
namespace fs = std::filesystem;

class QuietHost : public Host {
  public:
    int answer = IDOK; // what every message box answers
    void SetProSatus(int) override {}
    int MessageBox(const std::string&, const std::string&, int) override { return answer; }
};

struct Result {
    int code;
    std::string out, err;
};

inline Result run(const std::string& args) {
    const fs::path errFile =
        fs::temp_directory_path() / ("pixorama_ops_err_" + std::to_string(::getpid()));
    const std::string cmd = std::string(PIXORAMA_CLI) + " " + args + " 2>" + errFile.string();
    Result r{};
    FILE* p = ::popen(cmd.c_str(), "r");
    if (p == nullptr)
        return {-1, "", "popen"};
    std::array<char, 4096> buf;
    size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0)
        r.out.append(buf.data(), n);
    const int status = ::pclose(p);
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (FILE* e = std::fopen(errFile.c_str(), "rb")) {
        while ((n = std::fread(buf.data(), 1, buf.size(), e)) > 0)
            r.err.append(buf.data(), n);
        std::fclose(e);
    }
    fs::remove(errFile);
    return r;
}

class CliFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("pixorama_cli_fixture_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        TDibRecord rgb;
        newdib(&rgb, 23, 11, 24, nullptr, 0);
        for (int y = 0; y < 11; ++y)
            for (int x = 0; x < 23; ++x)
                setpixel(&rgb, x, y,
                         (x * 11 + y * 3) | ((x * y * 7 % 256) << 8) | ((250 - 9 * y) << 16));
        input24_ = save(rgb, "in24.bmp");
        TDibRecord pal;
        newdib(&pal, 9, 4, 8, nullptr, 0);
        for (int i = 0; i < 256; ++i)
            DibSetPaletteColor(&pal, i, uint8_t(i * 7), uint8_t(255 - i), uint8_t(i * 13));
        DibUpdatePaletteHandle(&pal);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 9; ++x)
                setpixel(&pal, x, y, x * 4 + y);
        input8_ = save(pal, "in8.bmp");
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string save(TDibRecord& d, const std::string& name) {
        const std::string path = (dir_ / name).string();
        EXPECT_EQ(SaveDib(&d, path.c_str(), 0, 75, nullptr, 0), 1);
        deldib(&d);
        return path;
    }
    std::string out(const std::string& name) const { return (dir_ / name).string(); }

    // Runs the steps on input and compares the saved result with `expect` applied to the same
    // input in the core.
    // before: options that go in front of the input (--seed N).
    void check(const std::string& input, const std::string& steps,
               const std::function<void(DocumentState&, Host&)>& expect,
               const std::string& before = "") {
        const std::string file = out("out.bmp");
        const Result r = run(before + " " + input + " " + steps + " --save " + file);
        ASSERT_EQ(r.code, 0) << steps << ": " << r.err;
        TDibRecord got;
        ASSERT_EQ(OpenDib(&got, file.c_str(), 0, nullptr, nullptr), 1);
        DocumentState doc;
        TDibRecord in;
        ASSERT_EQ(OpenDib(&in, input.c_str(), 0, nullptr, nullptr), 1);
        ASSERT_TRUE(AttachImage(doc, in));
        QuietHost host;
        expect(doc, host);
        ASSERT_EQ(DibWidth(&got), DibWidth(&doc.Dib));
        ASSERT_EQ(DibHeight(&got), DibHeight(&doc.Dib));
        ASSERT_EQ(DibBitsPerPixel(&got), DibBitsPerPixel(&doc.Dib));
        for (int y = 0; y < DibHeight(&got); ++y)
            for (int x = 0; x < DibWidth(&got); ++x)
                ASSERT_EQ(getpixel(&got, x, y), getpixel(&doc.Dib, x, y))
                    << steps << " at " << x << "," << y;
        if (DibBitsPerPixel(&got) <= 8)
            for (int i = 0; i < DibColorCount(&got); ++i) {
                const TPaletteEntry a = got.Palette.palPalEntry[i],
                                    b = doc.Dib.Palette.palPalEntry[i];
                ASSERT_TRUE(a.peRed == b.peRed && a.peGreen == b.peGreen && a.peBlue == b.peBlue)
                    << steps << " palette entry " << i;
            }
        deldib(&got);
    }

    fs::path dir_;
    std::string input24_, input8_;
};

} // namespace pixorama
