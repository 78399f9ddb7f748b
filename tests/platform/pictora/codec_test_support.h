// Helpers the codec tests share: reading fixtures, records that free themselves, colours of a
// record, running converters (ImageMagick, netpbm) through popen, comparing against PNM pictures,
// and the truncation loop every reader must survive.
#pragma once

#include "internal.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace codec_test {

inline std::vector<uint8_t> readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
}

// A record that is freed when the test leaves its scope.
struct Dib {
    TDibRecord r{};
    ~Dib() { deldib(&r); }
};

// Reads bytes (by content) into d, freeing what d held; true on success.
inline bool decode(Dib& d, const std::vector<uint8_t>& b) {
    deldib(&d.r);
    return OpenDibMemory(&d.r, b.data(), b.size(), 0, nullptr, nullptr) == 1;
}

// The colour shown at (x, y) as R + 256G + 65536B, whatever the depth.
inline uint32_t colourAt(const TDibRecord& d, int x, int y) {
    const int32_t v = getpixel(&d, x, y);
    if (DibBitsPerPixel(&d) == 24)
        return static_cast<uint32_t>(v);
    const TRGBQuad& q = d.Info->bmiColors[v];
    return q.rgbRed | q.rgbGreen << 8 | q.rgbBlue << 16;
}

// Decodes file (by content) into d, collecting every percent reported in seen.
inline bool decodeWithProgress(Dib& d, const std::vector<uint8_t>& file, std::vector<int>& seen) {
    deldib(&d.r);
    return OpenDibMemory(
               &d.r, file.data(), file.size(), 0,
               [](int32_t pct, void* user) { static_cast<std::vector<int>*>(user)->push_back(pct); },
               &seen) == 1;
}

// Everything a shell command writes to stdout (empty when it cannot run).
inline std::vector<uint8_t> runCommand(const std::string& command) {
    std::vector<uint8_t> bytes;
    if (FILE* f = ::popen(command.c_str(), "r")) {
        uint8_t buf[4096];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
            bytes.insert(bytes.end(), buf, buf + n);
        ::pclose(f);
    }
    return bytes;
}

// A file name in the temporary folder, unique to this process.
inline std::string tempPath(const std::string& prefix, const std::string& name) {
    return (std::filesystem::temp_directory_path() /
            (prefix + std::to_string(::getpid()) + "_" + name))
        .string();
}

// An image as plain RGB values (R + 256G + 65536B), read from a PNM file or a converter's output.
struct Rgb {
    int w = 0, h = 0;
    std::vector<uint32_t> px;
    uint32_t at(int x, int y) const { return px[static_cast<size_t>(y) * w + x]; }
};

// Binary P5/P6 with maxval 255; anything else gives an empty picture.
inline Rgb parsePnm(const std::vector<uint8_t>& b) {
    Rgb img;
    size_t p = 0;
    auto token = [&]() {
        while (p < b.size() && (std::isspace(b[p]) || b[p] == '#')) {
            if (b[p] == '#')
                while (p < b.size() && b[p] != '\n')
                    ++p;
            else
                ++p;
        }
        std::string t;
        while (p < b.size() && !std::isspace(b[p]))
            t += static_cast<char>(b[p++]);
        return t;
    };
    const std::string magic = token();
    img.w = std::stoi(token());
    img.h = std::stoi(token());
    const int maxval = std::stoi(token());
    ++p;
    const int channels = magic == "P6" ? 3 : 1;
    if ((magic != "P6" && magic != "P5") || maxval != 255 ||
        b.size() < p + static_cast<size_t>(img.w) * img.h * channels)
        return Rgb{};
    for (int i = 0; i < img.w * img.h; ++i) {
        const uint8_t* s = &b[p + static_cast<size_t>(i) * channels];
        img.px.push_back(channels == 3 ? s[0] | (s[1] << 8) | (s[2] << 16) : s[0] * 0x010101u);
    }
    return img;
}

inline Rgb readPnm(const std::string& path) {
    return parsePnm(readBytes(path));
}

// Runs a converter that writes a PNM to stdout.
inline Rgb runToPnm(const std::string& command) {
    const std::vector<uint8_t> bytes = runCommand(command + " 2>/dev/null");
    return bytes.empty() ? Rgb{} : parsePnm(bytes);
}

// Same size and colours as ref, and the colour table mirrored in the palette.
inline ::testing::AssertionResult samePixels(const TDibRecord& d, const Rgb& ref) {
    if (d.Bits == nullptr)
        return ::testing::AssertionFailure() << "no image";
    if (DibWidth(&d) != ref.w || DibHeight(&d) != ref.h)
        return ::testing::AssertionFailure() << "size " << DibWidth(&d) << "x" << DibHeight(&d)
                                             << ", expected " << ref.w << "x" << ref.h;
    for (int y = 0; y < ref.h; ++y)
        for (int x = 0; x < ref.w; ++x)
            if (colourAt(d, x, y) != ref.at(x, y))
                return ::testing::AssertionFailure()
                       << "pixel " << x << "," << y << " is " << std::hex << colourAt(d, x, y)
                       << ", expected " << ref.at(x, y);
    if (d.HasPalette) {
        for (int i = 0; i < DibColorCount(&d); ++i) {
            const TRGBQuad& q = d.Info->bmiColors[i];
            const TPaletteEntry& e = d.Palette.palPalEntry[i];
            if (q.rgbRed != e.peRed || q.rgbGreen != e.peGreen || q.rgbBlue != e.peBlue)
                return ::testing::AssertionFailure() << "palette entry " << i << " not mirrored";
        }
    }
    return ::testing::AssertionSuccess();
}

// A record of the given depth with distinct palette colours and a pattern using all of them.
inline void makePattern(TDibRecord* d, int bpp, int w, int h) {
    ASSERT_EQ(newdib(d, w, h, bpp, nullptr, 0), 1);
    if (bpp <= 8) {
        for (int i = 0; i < (1 << bpp); ++i)
            DibSetPaletteColor(d, i, static_cast<uint8_t>(i * 37 + 11),
                               static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i * 91 + 200));
        DibUpdatePaletteHandle(d);
    }
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            setpixel(d, x, y,
                     bpp == 24 ? (x * 11 + y * 7) | (((x * y) & 0xFF) << 8) | ((200 - x) << 16)
                               : (x * 3 + y * 5 + x / 4) % (1 << bpp));
}

inline Rgb toRgb(const TDibRecord& d) {
    Rgb r{DibWidth(&d), DibHeight(&d), {}};
    for (int y = 0; y < r.h; ++y)
        for (int x = 0; x < r.w; ++x)
            r.px.push_back(colourAt(d, x, y));
    return r;
}

// Opening path with each of formats gives a record of depth bpp with ref's colours, the
// progress having reached 100 %.
inline void expectOpensAs(const std::string& path, std::initializer_list<int> formats, int bpp,
                          const Rgb& ref) {
    for (int format : formats) {
        SCOPED_TRACE(format);
        Dib d;
        int lastPercent = -1;
        auto progress = [](int32_t pct, void* user) { *static_cast<int*>(user) = pct; };
        ASSERT_EQ(OpenDib(&d.r, path.c_str(), format, progress, &lastPercent), 1)
            << DibErrorText(&d.r);
        EXPECT_EQ(DibBitsPerPixel(&d.r), bpp);
        EXPECT_TRUE(samePixels(d.r, ref));
        EXPECT_EQ(lastPercent, 100);
    }
}

// Damages copies of the files in turn, `rounds` times, three random bytes behind the first
// `keep` each time (a fixed seed, so a failure repeats): any outcome but a crash or a half image.
inline void expectSurvivesDamage(const std::vector<const std::vector<uint8_t>*>& files,
                                 int rounds, size_t keep, uint32_t seed) {
    for (int round = 0; round < rounds; ++round) {
        std::vector<uint8_t> b = *files[static_cast<size_t>(round) % files.size()];
        for (int k = 0; k < 3; ++k) {
            seed = seed * 1103515245u + 12345u;
            b[keep + (seed >> 8) % (b.size() - keep)] = static_cast<uint8_t>(seed >> 24);
        }
        Dib d;
        if (!decode(d, b)) {
            EXPECT_EQ(d.r.Bits, nullptr) << "round " << round;
        }
    }
}

// Every prefix shorter than the file (except `allowed`) must fail with a text and no image, and
// nothing may stay allocated.
inline void expectPrefixesFail(const std::vector<uint8_t>& file, int format, size_t allowed = 0) {
    const uint64_t before = PictoraAllocatedBytes();
    for (size_t n = 1; n < file.size(); ++n) {
        if (n == allowed)
            continue;
        TDibRecord d{};
        EXPECT_EQ(OpenDibMemory(&d, file.data(), n, format, nullptr, nullptr), 0) << "prefix " << n;
        EXPECT_EQ(d.Bits, nullptr);
        EXPECT_STRNE(DibErrorText(&d), "") << "prefix " << n;
        deldib(&d);
    }
    EXPECT_EQ(PictoraAllocatedBytes(), before);
}

} // namespace codec_test
