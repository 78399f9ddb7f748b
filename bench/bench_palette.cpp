// Nearest palette colour for every pixel of a 6000 x 4000 photo: the accelerated lookup against
// a plain scan of all 256 entries, in the same run, the ratio per pixel printed at the end.  The
// plain scan takes seconds for the whole photo, so it runs on every 16th pixel, often enough
// for a steady time.  Both run on one thread and are timed by CPU time, which a busy machine
// disturbs less than the wall time.  Both must give identical answers.
#include "bench_report.h"
#include "photo.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <random>
#include <vector>

namespace {

constexpr size_t kSampleStep = 16;

struct Fixture {
    TDibRecord photo;
    std::vector<uint32_t> colours; // the pixels as R + 256 G + 65536 B
    std::vector<uint32_t> sample;  // every 16th of them
    HPALETTE palette;
    Fixture() {
        photo = bench::MakePhoto();
        const int w = DibWidth(&photo), h = DibHeight(&photo);
        colours.reserve(static_cast<size_t>(w) * h);
        for (int y = 0; y < h; ++y) {
            const uint8_t* row = photo.Bits + static_cast<size_t>(y) * photo.LineBytes;
            for (int x = 0; x < w; ++x)
                colours.push_back(row[3 * x + 2] | (row[3 * x + 1] << 8) | (row[3 * x] << 16));
        }
        for (size_t i = 0; i < colours.size(); i += kSampleStep)
            sample.push_back(colours[i]);
        TLogPalette pal{};
        pal.palVersion = 0x300;
        pal.palNumEntries = 256;
        std::mt19937 rng(42);
        for (auto& e : pal.palPalEntry)
            e = TPaletteEntry{static_cast<uint8_t>(rng()), static_cast<uint8_t>(rng()),
                              static_cast<uint8_t>(rng()), 0};
        palette = CreatePalette(&pal);
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

void BM_NearestAccelerated(benchmark::State& state) {
    Fixture& f = fixture();
    // the accelerator is built on the first query of a palette; build it outside the timing
    GetNearestPaletteIndex(f.palette, 0);
    uint64_t sum = 0;
    for (auto _ : state) {
        for (uint32_t c : f.colours) sum += GetNearestPaletteIndex(f.palette, c);
        benchmark::DoNotOptimize(sum);
    }
    // the answers must match the plain scan exactly (checked on a sample to keep the run short)
    for (size_t i = 0; i < f.colours.size(); i += 97)
        if (GetNearestPaletteIndex(f.palette, f.colours[i]) !=
            GetNearestPaletteIndexScan(f.palette, f.colours[i]))
            state.SkipWithError("accelerated answer differs from the plain scan");
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(f.colours.size()));
}
BENCHMARK(BM_NearestAccelerated)->Unit(benchmark::kMillisecond);

void BM_NearestPlainScan(benchmark::State& state) {
    Fixture& f = fixture();
    uint64_t sum = 0;
    for (auto _ : state) {
        for (uint32_t c : f.sample) sum += GetNearestPaletteIndexScan(f.palette, c);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(f.sample.size()));
}
BENCHMARK(BM_NearestPlainScan)->Unit(benchmark::kMillisecond)->MinTime(3);

void BM_BuildAccelerator(benchmark::State& state) {
    Fixture& f = fixture();
    TLogPalette pal{};
    pal.palVersion = 0x300;
    pal.palNumEntries = 256;
    for (int i = 0; i < 256; ++i)
        pal.palPalEntry[i] = TPaletteEntry{static_cast<uint8_t>(i * 7), static_cast<uint8_t>(i * 13),
                                           static_cast<uint8_t>(i * 29), 0};
    (void)f;
    for (auto _ : state) {
        HPALETTE h = CreatePalette(&pal);
        benchmark::DoNotOptimize(GetNearestPaletteIndex(h, 0x808080));
        DeleteObject(h);
    }
}
BENCHMARK(BM_BuildAccelerator)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    bench::RatioReporter reporter;
    bench::RunWithRatios(argc, argv, reporter);
    const Fixture& f = fixture();
    reporter.useCpuTime(true);
    const double plainPerPixel =
        reporter.ms("BM_NearestPlainScan") / static_cast<double>(f.sample.size());
    const double fastPerPixel =
        reporter.ms("BM_NearestAccelerated") / static_cast<double>(f.colours.size());
    if (plainPerPixel > 0 && fastPerPixel > 0)
        std::printf("\nRatio per pixel (same run, CPU time): plain scan / accelerated %.1f\n",
                    plainPerPixel / fastPerPixel);
    benchmark::Shutdown();
    return 0;
}
