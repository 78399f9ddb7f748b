// JPEG decode and encode of a 6000 x 4000 photo-like image at quality 75: ours (OpenDibMemory,
// encodeJpeg) against plain libjpeg-turbo with the same options, measured in the same run, the
// ratios printed at the end.  Both sides write into memory they reuse: our decoder's image comes
// from the library's block cache, the plain decoder's into a buffer made once.
#include "bench_report.h"
#include "internal.h"
#include "photo.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
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
    {
        // one decode first, so that the image block is reused as the plain decoder's buffer is
        TDibRecord d{};
        if (OpenDibMemory(&d, file.data(), file.size(), 0, nullptr, nullptr))
            deldib(&d);
    }
    for (auto _ : state) {
        TDibRecord d;
        if (!OpenDibMemory(&d, file.data(), file.size(), 0, nullptr, nullptr))
            state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(d.Bits);
        deldib(&d);
    }
}
BENCHMARK(BM_DecodeOurs)->Unit(benchmark::kMillisecond)->UseRealTime();

// libjpeg's defaults (integer DCT, fancy upsampling) into an RGB buffer made once.
void BM_DecodePlainLibjpeg(benchmark::State& state) {
    const std::vector<uint8_t>& file = photoJpeg();
    std::vector<uint8_t> pixels(size_t{bench::kPhotoWidth} * bench::kPhotoHeight * 3);
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
        if (stride * c.output_height > pixels.size()) {
            state.SkipWithError("unexpected size");
            jpeg_destroy_decompress(&c);
            break;
        }
        JSAMPROW rows[16];
        while (c.output_scanline < c.output_height) {
            for (int i = 0; i < 16; ++i)
                rows[i] = pixels.data() +
                          stride * std::min<size_t>(c.output_scanline + i, c.output_height - 1);
            jpeg_read_scanlines(&c, rows, 16);
        }
        jpeg_finish_decompress(&c);
        jpeg_destroy_decompress(&c);
        benchmark::DoNotOptimize(pixels.data());
        benchmark::ClobberMemory();
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

// Into a buffer made once (as ours reuses its vector), large enough for the whole file.
void BM_EncodePlainLibjpeg(benchmark::State& state) {
    const std::vector<uint8_t>& rgb = photoRgb();
    std::vector<unsigned char> room(rgb.size());
    unsigned long size = 0;
    for (auto _ : state) {
        jpeg_compress_struct c;
        jpeg_error_mgr err;
        c.err = jpeg_std_error(&err);
        jpeg_create_compress(&c);
        unsigned char* buf = room.data();
        size = room.size();
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
        if (buf != room.data()) // libjpeg grew the buffer itself
            std::free(buf);
    }
    state.counters["bytes"] = static_cast<double>(size);
}
BENCHMARK(BM_EncodePlainLibjpeg)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    bench::RatioReporter reporter;
    bench::RunWithRatios(argc, argv, reporter);
    std::printf("\nRatios (same run; below 1 means ours is faster)\n");
    reporter.ratio("decode: ours / plain libjpeg-turbo", "BM_DecodeOurs", "BM_DecodePlainLibjpeg");
    reporter.ratio("encode: ours / plain libjpeg-turbo", "BM_EncodeOurs", "BM_EncodePlainLibjpeg");
    benchmark::Shutdown();
    return 0;
}
