// PNG decode and encode of a 6000 x 4000 photo-like picture: our codec (OpenDibMemory,
// encodePng) against a plain libpng program doing the same work in the same run, the ratios
// printed at the end.  Both sides reuse their memory: our decoder's image comes from the
// library's block cache, the plain decoder writes into a buffer made once, and both encoders
// into a vector kept across iterations.
#include "bench_report.h"
#include "internal.h"

#include <benchmark/benchmark.h>
#include <png.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;
constexpr int kLevel = 3; // the zlib level encodePng uses; both keep the default filters

struct Picture {
    TDibRecord dib{};
    std::vector<uint8_t> rgb; // the same pixels as tightly packed R,G,B rows
    std::vector<uint8_t> png; // encoded once by encodePng
};

// Smooth gradients and waves with a little noise, like a photo of a sky over a landscape.
const Picture& picture() {
    static Picture* p = [] {
        auto* pic = new Picture;
        if (!newdib(&pic->dib, kWidth, kHeight, 24, nullptr, 0))
            std::abort();
        pic->rgb.resize(static_cast<size_t>(kWidth) * kHeight * 3);
        uint32_t seed = 12345;
        for (int y = 0; y < kHeight; ++y) {
            uint8_t* row = pictora::rowPtr(pic->dib, y);
            uint8_t* rgb = pic->rgb.data() + static_cast<size_t>(y) * kWidth * 3;
            for (int x = 0; x < kWidth; ++x) {
                seed = seed * 1664525u + 1013904223u;
                const int noise = static_cast<int>(seed >> 28) - 8;
                const double wave = 40.0 * std::sin(x * 0.004 + y * 0.002);
                const int r = static_cast<int>(90 + 120.0 * y / kHeight + wave) + noise;
                const int g = static_cast<int>(140 - 60.0 * x / kWidth + wave / 2) + noise / 2;
                const int b = static_cast<int>(230 - 150.0 * y / kHeight) + noise;
                const auto clamp = [](int v) {
                    return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
                };
                rgb[3 * x] = row[3 * x + 2] = clamp(r);
                rgb[3 * x + 1] = row[3 * x + 1] = clamp(g);
                rgb[3 * x + 2] = row[3 * x] = clamp(b);
            }
        }
        std::string error;
        if (!pictora::encodePng(pic->dib, 0, pic->png, error))
            std::abort();
        return pic;
    }();
    return *p;
}

struct Reader {
    const uint8_t* data;
    size_t size;
    size_t pos;
};

void readMemory(png_structp png, png_bytep out, size_t n) {
    auto* r = static_cast<Reader*>(png_get_io_ptr(png));
    if (n > r->size - r->pos)
        png_error(png, "truncated");
    std::memcpy(out, r->data + r->pos, n);
    r->pos += n;
}

void writeMemory(png_structp png, png_bytep data, size_t n) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + n);
}

void flushNothing(png_structp) {}

// The plain program: RGB rows into a buffer of the caller's.
bool plainDecode(const std::vector<uint8_t>& file, std::vector<uint8_t>& pixels) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    Reader reader{file.data(), file.size(), 0};
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_read_fn(png, &reader, readMemory);
    png_read_info(png, info);
    const png_uint_32 w = png_get_image_width(png, info), h = png_get_image_height(png, info);
    png_read_update_info(png, info);
    const size_t stride = png_get_rowbytes(png, info);
    if (stride * h > pixels.size())
        png_error(png, "larger than the buffer");
    for (png_uint_32 y = 0; y < h; ++y)
        png_read_row(png, pixels.data() + stride * y, nullptr);
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return w == kWidth;
}

bool plainEncode(const std::vector<uint8_t>& rgb, std::vector<uint8_t>& out) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, &out, writeMemory, flushNothing);
    png_set_IHDR(png, info, kWidth, kHeight, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, kLevel);
    png_write_info(png, info);
    for (int y = 0; y < kHeight; ++y)
        png_write_row(png, rgb.data() + static_cast<size_t>(y) * kWidth * 3);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

void BM_DecodeOurs(benchmark::State& state) {
    const Picture& pic = picture();
    {
        // one decode first, so that the image block is reused as the plain decoder's buffer is
        TDibRecord d{};
        if (OpenDibMemory(&d, pic.png.data(), pic.png.size(), PICTORA_FORMAT_PNG, nullptr,
                           nullptr))
            deldib(&d);
    }
    for (auto _ : state) {
        TDibRecord d{};
        if (!OpenDibMemory(&d, pic.png.data(), pic.png.size(), PICTORA_FORMAT_PNG, nullptr,
                           nullptr))
            state.SkipWithError(DibErrorText(&d));
        benchmark::DoNotOptimize(d.Bits);
        deldib(&d);
    }
    state.SetLabel(std::to_string(pic.png.size() / 1024) + " KiB file");
}

void BM_DecodePlainLibpng(benchmark::State& state) {
    const Picture& pic = picture();
    std::vector<uint8_t> pixels(pic.rgb.size());
    for (auto _ : state) {
        if (!plainDecode(pic.png, pixels))
            state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(pixels.data());
        benchmark::ClobberMemory();
    }
}

void BM_EncodeOurs(benchmark::State& state) {
    const Picture& pic = picture();
    std::vector<uint8_t> out;
    std::string error;
    for (auto _ : state) {
        out.clear();
        if (!pictora::encodePng(pic.dib, 0, out, error))
            state.SkipWithError(error.c_str());
        benchmark::DoNotOptimize(out.data());
    }
}

void BM_EncodePlainLibpng(benchmark::State& state) {
    const Picture& pic = picture();
    std::vector<uint8_t> out;
    for (auto _ : state) {
        out.clear();
        if (!plainEncode(pic.rgb, out))
            state.SkipWithError("encode failed");
        benchmark::DoNotOptimize(out.data());
    }
}

} // namespace

BENCHMARK(BM_DecodeOurs)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3);
BENCHMARK(BM_DecodePlainLibpng)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3);
BENCHMARK(BM_EncodeOurs)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(5);
BENCHMARK(BM_EncodePlainLibpng)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(5);

int main(int argc, char** argv) {
    bench::RatioReporter reporter;
    bench::RunWithRatios(argc, argv, reporter);
    std::printf("\nRatios (same run; below 1 means ours is faster)\n");
    reporter.ratio("decode: ours / plain libpng", "BM_DecodeOurs", "BM_DecodePlainLibpng");
    reporter.ratio("encode: ours / plain libpng", "BM_EncodeOurs", "BM_EncodePlainLibpng");
    benchmark::Shutdown();
    return 0;
}
