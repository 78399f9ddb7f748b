// JPEG decode and encode of a 6000 x 4000 photo-like image at quality 75: ours (OpenDibMemory,
// encodeJpeg) against plain libjpeg-turbo with the same options, measured in the same run.
#include "internal.h"
#include "photo.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include <jpeglib.h>

namespace {

const TDibRecord& photo() {
    static const TDibRecord d = bench::MakePhoto();
    return d;
}

// The photo as top-down RGB rows, the input a plain libjpeg program would have.
const std::vector<uint8_t>& photoRgb() {
    static const std::vector<uint8_t> rgb = [] {
        const TDibRecord& d = photo();
        std::vector<uint8_t> out(size_t{bench::kPhotoWidth} * bench::kPhotoHeight * 3);
        for (int y = 0; y < bench::kPhotoHeight; ++y) {
            const uint8_t* src = pictora::rowPtr(d, y);
            uint8_t* dst = out.data() + size_t(y) * bench::kPhotoWidth * 3;
            for (int x = 0; x < bench::kPhotoWidth; ++x) {
                dst[3 * x] = src[3 * x + 2];
                dst[3 * x + 1] = src[3 * x + 1];
                dst[3 * x + 2] = src[3 * x];
            }
        }
        return out;
    }();
    return rgb;
}

const std::vector<uint8_t>& photoJpeg() {
    static const std::vector<uint8_t> file = [] {
        std::vector<uint8_t> out;
        std::string error;
        pictora::encodeJpeg(photo(), 75, out, error);
        return out;
    }();
    return file;
}

void BM_DecodeOurs(benchmark::State& state) {
    const std::vector<uint8_t>& file = photoJpeg();
    for (auto _ : state) {
        TDibRecord d;
        if (!OpenDibMemory(&d, file.data(), file.size(), 0, nullptr, nullptr))
            state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(d.Bits);
        deldib(&d);
    }
}
BENCHMARK(BM_DecodeOurs)->Unit(benchmark::kMillisecond)->UseRealTime();

// libjpeg's defaults (integer DCT, fancy upsampling) into a fresh RGB buffer, as djpeg does.
void BM_DecodePlainLibjpeg(benchmark::State& state) {
    const std::vector<uint8_t>& file = photoJpeg();
    for (auto _ : state) {
        jpeg_decompress_struct c;
        jpeg_error_mgr err;
        c.err = jpeg_std_error(&err);
        jpeg_create_decompress(&c);
        jpeg_mem_src(&c, file.data(), static_cast<unsigned long>(file.size()));
        jpeg_read_header(&c, TRUE);
        c.out_color_space = JCS_RGB;
        jpeg_start_decompress(&c);
        const size_t stride = size_t{c.output_width} * 3;
        auto* pixels = static_cast<uint8_t*>(std::malloc(stride * c.output_height));
        JSAMPROW rows[16];
        while (c.output_scanline < c.output_height) {
            for (int i = 0; i < 16; ++i)
                rows[i] =
                    pixels + stride * std::min<size_t>(c.output_scanline + i, c.output_height - 1);
            jpeg_read_scanlines(&c, rows, 16);
        }
        jpeg_finish_decompress(&c);
        jpeg_destroy_decompress(&c);
        benchmark::DoNotOptimize(pixels);
        std::free(pixels);
    }
}
BENCHMARK(BM_DecodePlainLibjpeg)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_EncodeOurs(benchmark::State& state) {
    const TDibRecord& d = photo();
    std::vector<uint8_t> out;
    std::string error;
    for (auto _ : state) {
        out.clear();
        if (!pictora::encodeJpeg(d, 75, out, error))
            state.SkipWithError("encode failed");
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["bytes"] = static_cast<double>(out.size());
}
BENCHMARK(BM_EncodeOurs)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_EncodePlainLibjpeg(benchmark::State& state) {
    const std::vector<uint8_t>& rgb = photoRgb();
    unsigned long size = 0;
    for (auto _ : state) {
        jpeg_compress_struct c;
        jpeg_error_mgr err;
        c.err = jpeg_std_error(&err);
        jpeg_create_compress(&c);
        unsigned char* buf = nullptr;
        jpeg_mem_dest(&c, &buf, &size);
        c.image_width = bench::kPhotoWidth;
        c.image_height = bench::kPhotoHeight;
        c.input_components = 3;
        c.in_color_space = JCS_RGB;
        jpeg_set_defaults(&c);
        jpeg_set_quality(&c, 75, TRUE);
        jpeg_start_compress(&c, TRUE);
        while (c.next_scanline < c.image_height) {
            JSAMPROW row =
                const_cast<JSAMPROW>(rgb.data() + size_t{c.next_scanline} * c.image_width * 3);
            jpeg_write_scanlines(&c, &row, 1);
        }
        jpeg_finish_compress(&c);
        jpeg_destroy_compress(&c);
        benchmark::DoNotOptimize(buf);
        std::free(buf);
    }
    state.counters["bytes"] = static_cast<double>(size);
}
BENCHMARK(BM_EncodePlainLibjpeg)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
