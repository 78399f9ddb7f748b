// The vector routines of the point operations give the bytes of the plain loops, on long runs
// of pixels with and without a selection.
#include "ops/corrections.h"
#include "ops/rows.h"
#include "ops/tone.h"

#include "image_helpers.h"
#include "recording_host.h"

#include <gtest/gtest.h>

namespace pixorama {
namespace {

using namespace testing;
using ops::SetPixelSimd;

int32_t noise(int32_t x, int32_t y) {
    uint32_t s = uint32_t(x) * 2246822519u ^ uint32_t(y) * 3266489917u;
    s ^= s >> 15;
    s *= 668265263u;
    return int32_t((s ^ (s >> 13)) & 0xFFFFFF);
}

TEST(PointSimd, SameBytesAsThePlainLoops) {
    const std::vector<std::pair<const char*, std::function<void(DocumentState&, Host&)>>> ops = {
        {"invert", [](DocumentState& d, Host& h) { DibInvert(d, h); }},
        {"grayscale", [](DocumentState& d, Host& h) { DibGrayscale(d, h); }},
        {"stretch", [](DocumentState& d, Host& h) { StretchHistogramm(d, h); }},
        {"poster", [](DocumentState& d, Host& h) { DibPoster(d, h, 3); }},
        {"solar 1", [](DocumentState& d, Host& h) { DibSolar(d, h, 1); }},
        {"solar 128", [](DocumentState& d, Host& h) { DibSolar(d, h, 128); }},
        {"solar 255", [](DocumentState& d, Host& h) { DibSolar(d, h, 255); }},
        {"brightness", [](DocumentState& d, Host& h) { Helligkeit(d, h, -37); }},
        {"contrast", [](DocumentState& d, Host& h) { Kontrast(d, h, 170); }},
        {"saturation", [](DocumentState& d, Host& h) { Saettigung(d, h, 45); }},
        {"hms", [](DocumentState& d, Host& h) { HighMidShadow(d, h, 200, 90, 40); }},
        {"hms default", [](DocumentState& d, Host& h) { HighMidShadow(d, h, 255, 128, 0); }},
        {"hms up", [](DocumentState& d, Host& h) { HighMidShadow(d, h, 230, 220, 10); }},
        {"hms black and white",
         [](DocumentState& d, Host& h) { HighMidShadow(d, h, 90, 128, 100); }},
        {"rgb", [](DocumentState& d, Host& h) { RedGreenBlue(d, h, 60, -30, 5); }},
        {"colorize", [](DocumentState& d, Host& h) { Colorize(d, h, 77, 190); }},
        {"gamma", [](DocumentState& d, Host& h) { Gamma(d, h, 0.7); }},
    };
    for (const auto& [name, op] : ops) {
        for (bool selection : {false, true}) {
            std::vector<uint8_t> result[2];
            for (int simd = 0; simd < 2; ++simd) {
                SetPixelSimd(simd == 1);
                RecordingHost host;
                DocumentState doc;
                Attach(doc, Make24(203, 9, noise));
                if (selection) {
                    SelectRect(doc, 5, 0, 190, 4);
                    recht_filled(&doc.SelMask, 70, 2, 72, 2, 0);
                    recht_filled(&doc.SelMask, 0, 7, 202, 8, 1);
                }
                op(doc, host);
                result[simd] = PixelBytes(doc.Dib);
            }
            EXPECT_EQ(result[0], result[1]) << name << (selection ? " with selection" : "");
        }
    }
    SetPixelSimd(true);

    // the greyscale of every byte combination the vector luminance can meet
    RecordingHost host;
    DocumentState doc;
    Attach(doc, Make24(256, 64, [](int32_t x, int32_t y) {
               return Rgb(x, (y * 4 + x) & 255, 255 - y * 4);
           }));
    DibGrayscale(doc, host);
    for (int32_t y = 0; y < 64; ++y)
        for (int32_t x = 0; x < 256; ++x) {
            const int32_t l = (30 * x + 59 * ((y * 4 + x) & 255) + 11 * (255 - y * 4)) / 100;
            ASSERT_EQ(getpixel(&doc.Dib, x, y), Rgb(l, l, l)) << x << "," << y;
        }
}

} // namespace
} // namespace pixorama
