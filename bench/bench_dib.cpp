// Creating and freeing a 6000 x 4000 24-bit record, and decoding it from a BMP file in memory,
// against a memcpy of the same 72 MB in the same run (both on one thread), the ratios printed
// at the end.
#include "bench_report.h"
#include "internal.h"
#include "photo.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

void BM_MemcpyImage(benchmark::State& state) {
    const size_t bytes = static_cast<size_t>(pictora::rowBytes(bench::kPhotoWidth, 24)) *
                         bench::kPhotoHeight;
    std::vector<uint8_t> src(bytes, 1), dst(bytes);
    for (auto _ : state) {
        std::memcpy(dst.data(), src.data(), bytes);
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes));
}
BENCHMARK(BM_MemcpyImage)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_NewDelDib(benchmark::State& state) {
    for (auto _ : state) {
        TDibRecord d;
        newdib(&d, bench::kPhotoWidth, bench::kPhotoHeight, 24, nullptr, 0);
        if (d.Bits == nullptr) state.SkipWithError("newdib failed");
        benchmark::DoNotOptimize(d.Bits);
        deldib(&d);
    }
}
BENCHMARK(BM_NewDelDib)->Unit(benchmark::kMillisecond)->UseRealTime();

// newdib's buffer is lazily zeroed by the kernel; touching it counts the real cost of a usable
// image (what a command that fills a new image pays).
void BM_NewTouchDelDib(benchmark::State& state) {
    for (auto _ : state) {
        TDibRecord d;
        newdib(&d, bench::kPhotoWidth, bench::kPhotoHeight, 24, nullptr, 0);
        if (d.Bits == nullptr) state.SkipWithError("newdib failed");
        for (uint32_t i = 0; i < d.Info->bmiHeader.biSizeImage; i += 4096) d.Bits[i] = 1;
        benchmark::DoNotOptimize(d.Bits);
        deldib(&d);
    }
}
BENCHMARK(BM_NewTouchDelDib)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_DecodeBmp(benchmark::State& state) {
    TDibRecord photo = bench::MakePhoto();
    std::vector<uint8_t> file;
    std::string error;
    if (!pictora::encodeBmp(photo, 0, file, error)) state.SkipWithError("encode failed");
    deldib(&photo);
    {
        // one decode first, so that the image block is reused like the memcpy's buffers
        TDibRecord d;
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
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(file.size()));
}
BENCHMARK(BM_DecodeBmp)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    bench::RatioReporter reporter;
    bench::RunWithRatios(argc, argv, reporter);
    std::printf("\nRatios (same run)\n");
    reporter.ratio("newdib + deldib / memcpy", "BM_NewDelDib", "BM_MemcpyImage");
    reporter.ratio("newdib + touch + deldib / memcpy", "BM_NewTouchDelDib", "BM_MemcpyImage");
    reporter.ratio("BMP decode / memcpy", "BM_DecodeBmp", "BM_MemcpyImage");
    benchmark::Shutdown();
    return 0;
}
