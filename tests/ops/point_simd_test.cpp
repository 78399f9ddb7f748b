// Every vector level of the point operations gives the bytes of the scalar loops, on long runs
// of pixels with and without a selection; the table lookups on their own at every length and
// start; the choice of the level from the environment.
#include "ops/corrections.h"
#include "ops/rows.h"
#include "ops/tone.h"

#include "image_helpers.h"
#include "recording_host.h"
#include "simd_test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

namespace pixorama {
namespace {

using namespace testing;

int32_t noise(int32_t x, int32_t y) {
    uint32_t s = uint32_t(x) * 2246822519u ^ uint32_t(y) * 3266489917u;
    s ^= s >> 15;
    s *= 668265263u;
    return int32_t((s ^ (s >> 13)) & 0xFFFFFF);
}

TEST(PointSimd, EveryLevelGivesTheBytesOfTheScalarLoops) {
    const std::vector<std::pair<const char*, std::function<void(DocumentState&, Host&)>>> ops = {
        {"invert", [](DocumentState& d, Host& h) { DibInvert(d, h); }},
        {"grayscale", [](DocumentState& d, Host& h) { DibGrayscale(d, h); }},
        {"stretch", [](DocumentState& d, Host& h) { StretchHistogramm(d, h); }},
        {"poster", [](DocumentState& d, Host& h) { DibPoster(d, h, 3); }},
        {"solar 1", [](DocumentState& d, Host& h) { DibSolar(d, h, 1); }},
        {"solar 128", [](DocumentState& d, Host& h) { DibSolar(d, h, 128); }},
        {"solar 255", [](DocumentState& d, Host& h) { DibSolar(d, h, 255); }},
        {"brightness", [](DocumentState& d, Host& h) { Helligkeit(d, h, -37); }},
        {"brightness up", [](DocumentState& d, Host& h) { Helligkeit(d, h, 37); }},
        // tables one entry away from a shift or a mask must still be looked up
        {"almost a shift",
         [](DocumentState& d, Host& h) {
             ops::Lut t = ops::MakeLut([](int32_t v) { return ops::Clamp255(v + 10); });
             t[200] = 7;
             ops::ApplyChannelLut(d, h, t);
         }},
        {"almost a mask",
         [](DocumentState& d, Host& h) {
             ops::Lut t = ops::MakeLut([](int32_t v) { return v & 0xF0; });
             t[3] = 1;
             ops::ApplyChannelLut(d, h, t);
         }},
        {"contrast", [](DocumentState& d, Host& h) { Kontrast(d, h, 170); }},
        {"contrast 200", [](DocumentState& d, Host& h) { Kontrast(d, h, 200); }},
        {"contrast 101", [](DocumentState& d, Host& h) { Kontrast(d, h, 101); }},
        {"contrast 37", [](DocumentState& d, Host& h) { Kontrast(d, h, 37); }},
        {"contrast 0", [](DocumentState& d, Host& h) { Kontrast(d, h, 0); }},
        {"saturation", [](DocumentState& d, Host& h) { Saettigung(d, h, 45); }},
        {"saturation -100", [](DocumentState& d, Host& h) { Saettigung(d, h, -100); }},
        {"saturation 100", [](DocumentState& d, Host& h) { Saettigung(d, h, 100); }},
        {"saturation -33", [](DocumentState& d, Host& h) { Saettigung(d, h, -33); }},
        // a narrow range first, so that the stretch's line has a divisor other than 256
        {"stretch narrow",
         [](DocumentState& d, Host& h) {
             Kontrast(d, h, 23);
             StretchHistogramm(d, h);
         }},
        {"stretch very narrow",
         [](DocumentState& d, Host& h) {
             Kontrast(d, h, 1);
             StretchHistogramm(d, h);
         }},
        {"hms", [](DocumentState& d, Host& h) { HighMidShadow(d, h, 200, 90, 40); }},
        {"hms default", [](DocumentState& d, Host& h) { HighMidShadow(d, h, 255, 128, 0); }},
        {"hms up", [](DocumentState& d, Host& h) { HighMidShadow(d, h, 230, 220, 10); }},
        {"hms black and white",
         [](DocumentState& d, Host& h) { HighMidShadow(d, h, 90, 128, 100); }},
        {"rgb", [](DocumentState& d, Host& h) { RedGreenBlue(d, h, 60, -30, 5); }},
        {"rgb extremes", [](DocumentState& d, Host& h) { RedGreenBlue(d, h, 100, -100, 0); }},
        {"rgb odd gains", [](DocumentState& d, Host& h) { RedGreenBlue(d, h, -1, 99, 13); }},
        {"colorize", [](DocumentState& d, Host& h) { Colorize(d, h, 77, 190); }},
        {"colorize grey", [](DocumentState& d, Host& h) { Colorize(d, h, 0, 0); }},
        {"colorize full", [](DocumentState& d, Host& h) { Colorize(d, h, 255, 255); }},
        {"colorize blue", [](DocumentState& d, Host& h) { Colorize(d, h, 170, 128); }},
        {"gamma", [](DocumentState& d, Host& h) { Gamma(d, h, 0.7); }},
        {"gamma 1.8", [](DocumentState& d, Host& h) { Gamma(d, h, 1.8); }},
        {"gamma 4.5", [](DocumentState& d, Host& h) { Gamma(d, h, 4.5); }},
    };
    // 203 pixels: whole blocks of 64, 32 and 16 and a tail, and a padding byte; 97: one block of
    // 64, one of 32 and one pixel; the selection cuts runs at odd places.  As a command the undo
    // level takes the old buffer and the operation writes a new one from it (rows wholly
    // selected in one pass); against the scalar loops changing the image in place.
    auto run = [](const std::function<void(DocumentState&, Host&)>& op, int32_t width,
                  bool selection, bool command) {
        RecordingHost host;
        DocumentState doc;
        Attach(doc, Make24(width, 9, noise));
        if (selection) {
            SelectRect(doc, 5, 0, width - 13, 4);
            recht_filled(&doc.SelMask, 70, 2, 72, 2, 0);
            recht_filled(&doc.SelMask, 0, 7, width - 1, 8, 1);
        }
        if (command)
            RunPixelCommand(doc, host, [&] { op(doc, host); });
        else
            op(doc, host);
        return PixelBytes(doc.Dib);
    };
    for (const auto& [name, op] : ops)
        for (int32_t width : {203, 97})
            for (bool selection : {false, true}) {
                std::vector<uint8_t> scalar;
                {
                    const ScopedSimdLevel forced(SimdLevel::Scalar);
                    scalar = run(op, width, selection, false);
                }
                for (SimdLevel level : SimdLevelsOfThisCpu()) {
                    const ScopedSimdLevel forced(level);
                    for (bool command : {false, true})
                        EXPECT_EQ(run(op, width, selection, command), scalar)
                            << name << " width " << width << (selection ? " with selection" : "")
                            << (command ? " as a command" : "") << " at " << SimdLevelName(level);
                }
            }

    // the greyscale of every byte combination the vector luminance can meet, at every level
    for (SimdLevel level : SimdLevelsOfThisCpu()) {
        const ScopedSimdLevel forced(level);
        RecordingHost host;
        DocumentState doc;
        Attach(doc, Make24(256, 64, [](int32_t x, int32_t y) {
                   return Rgb(x, (y * 4 + x) & 255, 255 - y * 4);
               }));
        DibGrayscale(doc, host);
        for (int32_t y = 0; y < 64; ++y)
            for (int32_t x = 0; x < 256; ++x) {
                const int32_t l = (30 * x + 59 * ((y * 4 + x) & 255) + 11 * (255 - y * 4)) / 100;
                ASSERT_EQ(getpixel(&doc.Dib, x, y), Rgb(l, l, l))
                    << x << "," << y << " at " << SimdLevelName(level);
            }
    }
}

// A table of random bytes, the identity and a constant: every table value reached from every
// index, at every run length up to a few vector widths and every start within a vector.
TEST(PointSimd, TableLookupsAtEveryLevelLengthAndStart) {
    std::mt19937 rng(17);
    std::vector<ops::Lut> tables(3);
    for (auto& t : tables)
        for (auto& v : t)
            v = static_cast<uint8_t>(rng());
    ops::Lut identity = ops::MakeLut([](int32_t v) { return v; });
    ops::Lut constant = ops::MakeLut([](int32_t) { return 0xA5; });
    std::vector<uint8_t> data(3 * 700);
    // every value in every channel first, then noise
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<uint8_t>(i < 768 ? i / 3 : rng());
    for (SimdLevel level : SimdLevelsOfThisCpu()) {
        const ScopedSimdLevel forced(level);
        for (const ops::Lut* t : {&tables[0], &identity, &constant})
            for (size_t start : {size_t{0}, size_t{1}, size_t{5}, size_t{31}})
                for (size_t n :
                     {size_t{0}, size_t{1}, size_t{31}, size_t{32}, size_t{63}, size_t{64},
                      size_t{65}, size_t{191}, size_t{192}, size_t{200}, size_t{2000}}) {
                    std::vector<uint8_t> got = data;
                    ops::LutBytes(got.data() + start, n, t->data());
                    std::vector<uint8_t> want = data;
                    for (size_t i = start; i < start + n; ++i)
                        want[i] = (*t)[want[i]];
                    ASSERT_EQ(got, want)
                        << SimdLevelName(level) << " start " << start << " bytes " << n;
                }
        for (size_t pixels : {size_t{0}, size_t{1}, size_t{31}, size_t{32}, size_t{33}, size_t{64},
                              size_t{65}, size_t{96}, size_t{600}}) {
            std::vector<uint8_t> got = data;
            ops::LutPixels(got.data() + 3, pixels, tables[0].data(), tables[1].data(),
                           tables[2].data());
            std::vector<uint8_t> want = data;
            for (size_t i = 0; i < 3 * pixels; ++i)
                want[3 + i] = tables[i % 3][want[3 + i]];
            ASSERT_EQ(got, want) << SimdLevelName(level) << " pixels " << pixels;
        }
    }
}

// Smooth tables are looked up on AVX2 as a line per run of 16 entries plus corrections: every
// gamma the dialog offers, clamped lines steep either way, bent curves, and each of them again
// with one entry knocked out of shape.  Through the command at every level, every byte value in
// every channel, against the table itself.
TEST(PointSimd, SmoothTablesGiveEveryEntryAtEveryLevel) {
    std::vector<std::pair<std::string, ops::Lut>> tables;
    for (int g = 1; g <= 89; ++g)
        tables.emplace_back("gamma " + std::to_string(g),
                            ops::MakeLut([&](int32_t v) { return GammaValue(v, g / 10.0); }));
    for (int slope : {-8, -5, -2, 2, 3, 8})
        tables.emplace_back("line " + std::to_string(slope), ops::MakeLut([&](int32_t v) {
                                return ops::Clamp255(128 + slope * (v - 128));
                            }));
    tables.emplace_back("square", ops::MakeLut([](int32_t v) { return v * v / 255; }));
    tables.emplace_back("falling square",
                        ops::MakeLut([](int32_t v) { return (255 - v) * (255 - v) / 255; }));
    tables.emplace_back("root", ops::MakeLut([](int32_t v) {
                            return static_cast<int32_t>(std::lround(std::sqrt(255.0 * v)));
                        }));
    tables.emplace_back("wave", ops::MakeLut([](int32_t v) {
                            return static_cast<int32_t>(
                                std::lround(127.5 + 127.5 * std::sin(v / 20.0)));
                        }));
    const size_t smooth = tables.size();
    for (size_t i = 0; i < smooth; ++i) {
        ops::Lut t = tables[i].second;
        const size_t at = (37 * i + 11) % 256;
        t[at] = static_cast<uint8_t>(t[at] + 3);
        tables.emplace_back(tables[i].first + " with entry " + std::to_string(at) + " moved", t);
    }
    for (SimdLevel level : SimdLevelsOfThisCpu()) {
        const ScopedSimdLevel forced(level);
        for (const auto& [name, t] : tables) {
            RecordingHost host;
            DocumentState doc;
            Attach(doc, Make24(256, 2, [](int32_t x, int32_t y) {
                       return Rgb(x, 255 - x, (x + 85 * (y + 1)) & 255);
                   }));
            ops::ApplyChannelLut(doc, host, t);
            for (int32_t y = 0; y < 2; ++y)
                for (int32_t x = 0; x < 256; ++x) {
                    const auto want = [&](int32_t v) { return t[static_cast<size_t>(v)]; };
                    ASSERT_EQ(getpixel(&doc.Dib, x, y),
                              Rgb(want(x), want(255 - x), want((x + 85 * (y + 1)) & 255)))
                        << name << " at " << x << "," << y << ", level " << SimdLevelName(level);
                }
        }
    }
    // the form is found where it pays: the common gammas take it, a random table does not
    if (CpuSimdLevel() >= SimdLevel::Avx2) {
        const ScopedSimdLevel forced(SimdLevel::Avx2);
        auto gamma = [](double g) {
            return ops::MakeLut([=](int32_t v) { return GammaValue(v, g); });
        };
        EXPECT_EQ(ops::SegmentPlanes(gamma(1.8)), 1);
        EXPECT_EQ(ops::SegmentPlanes(gamma(2.2)), 1);
        EXPECT_EQ(ops::SegmentPlanes(gamma(0.5)), 1);
        EXPECT_EQ(ops::SegmentPlanes(gamma(0.7)), 2);
        EXPECT_EQ(ops::SegmentPlanes(gamma(4.5)), 0);
        std::mt19937 rng(5);
        ops::Lut random;
        for (auto& v : random)
            v = static_cast<uint8_t>(rng());
        EXPECT_EQ(ops::SegmentPlanes(random), 0);
    }
}

TEST(PointSimd, LevelFromTheEnvironment) {
    SimdLevel l = SimdLevel::Scalar;
    EXPECT_TRUE(ParseSimdLevel("avx2", l));
    EXPECT_EQ(l, SimdLevel::Avx2);
    EXPECT_FALSE(ParseSimdLevel("AVX2", l));
    EXPECT_FALSE(ParseSimdLevel("", l));
    EXPECT_FALSE(ParseSimdLevel(nullptr, l));
    const SimdLevel top = SimdLevel::Avx512;
    EXPECT_EQ(SimdLevelFromEnvironment(nullptr, nullptr, top), top);
    EXPECT_EQ(SimdLevelFromEnvironment("sse2", nullptr, top), SimdLevel::Sse2);
    EXPECT_EQ(SimdLevelFromEnvironment("scalar", nullptr, top), SimdLevel::Scalar);
    // never beyond the processor; an unknown name changes nothing
    EXPECT_EQ(SimdLevelFromEnvironment("avx512", nullptr, SimdLevel::Avx2), SimdLevel::Avx2);
    EXPECT_EQ(SimdLevelFromEnvironment("avx1024", nullptr, SimdLevel::Avx2), SimdLevel::Avx2);
    // the older switch of the selection outline caps at sse2, and lowers an explicit request too
    EXPECT_EQ(SimdLevelFromEnvironment(nullptr, "1", top), SimdLevel::Sse2);
    EXPECT_EQ(SimdLevelFromEnvironment("avx512", "1", top), SimdLevel::Sse2);
    EXPECT_EQ(SimdLevelFromEnvironment("scalar", "1", top), SimdLevel::Scalar);
    EXPECT_EQ(SimdLevelFromEnvironment(nullptr, "0", top), top);
    EXPECT_EQ(SimdLevelFromEnvironment(nullptr, "", top), top);
    // forcing a level in the program is capped the same way
    const ScopedSimdLevel forced(SimdLevel::Avx512);
    EXPECT_EQ(ActiveSimdLevel(), CpuSimdLevel());
}

} // namespace
} // namespace pixorama
