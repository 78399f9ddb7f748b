// Painting on a 6000 x 4000 24-bit photo: one dab of size 200 (hardness 50, transparency 30)
// and a 2000-pixel stroke of such dabs, against a plain loop that blends the same pixels with
// the same falloff; and a fill of the whole image in each style, against a memcpy of the image.
#include "document/dib.h"
#include "document/undo.h"
#include "bench_common.h"
#include "photo.h"
#include "tools/brush.h"
#include "tools/fill.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace pixorama;



TBrushParams bigBrush() {
    TBrushParams p;
    p.Size = 200;
    p.Hard = 50;
    p.Opacity = 30;
    p.Form = 1;
    return p;
}


// One dab: BrushLine of zero length builds the shape and the falloff and lays the dab.
void BM_BrushDab200(benchmark::State& state) {
    bench::AddCpuFeaturesContext();
    DocumentState& doc = bench::PhotoDocument();
    bench::QuietHost host;
    const TBrushParams p = bigBrush();
    int k = 0;
    for (auto _ : state) {
        const int32_t x = 1000 + (k++ % 1000);
        BrushLine(doc, host, p, x, 2000, x, 2000, 0x2040C0);
    }
}
BENCHMARK(BM_BrushDab200)->Unit(benchmark::kMillisecond);

// The same pixels blended by a plain loop with a ready falloff and shape.
void BM_PlainDabLoop200(benchmark::State& state) {
    DocumentState& doc = bench::PhotoDocument();
    TBrushDab dab;
    const TBrushParams p = bigBrush();
    MakeBrushDab(dab, p, 24);
    const TDibRecord& d = doc.Dib;
    const int32_t S = dab.Size, lo = dab.Extent.Lo;
    int k = 0;
    for (auto _ : state) {
        const int32_t cx = 1000 + (k++ % 1000), cy = 2000;
        for (int32_t j = 0; j < S; ++j) {
            uint8_t* row = d.Bits + size_t(DibHeight(&d) - 1 - (cy + lo + j)) * size_t(d.LineBytes);
            for (int32_t i = 0; i < S; ++i) {
                if (!dab.inside(i, j))
                    continue;
                const int32_t h = dab.Map[size_t(j) * size_t(S) + size_t(i)];
                const int32_t a = h == 0 ? p.Opacity : h + (100 - h) * p.Opacity / 100;
                uint8_t* px = row + 3 * size_t(cx + lo + i);
                px[0] = uint8_t(((100 - a) * 0xC0 + a * px[0]) / 100);
                px[1] = uint8_t(((100 - a) * 0x40 + a * px[1]) / 100);
                px[2] = uint8_t(((100 - a) * 0x20 + a * px[2]) / 100);
            }
        }
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_PlainDabLoop200)->Unit(benchmark::kMillisecond);

void BM_BrushStroke2000(benchmark::State& state) {
    DocumentState& doc = bench::PhotoDocument();
    bench::QuietHost host;
    const TBrushParams p = bigBrush();
    for (auto _ : state)
        BrushLine(doc, host, p, 1000, 1500, 2999, 2200, 0x2040C0);
    state.counters["dabs"] = 2000;
}
BENCHMARK(BM_BrushStroke2000)->Unit(benchmark::kMillisecond)->Iterations(2);

// A whole-image fill in each style: an image of one colour, filled from the middle (the work
// mask and the undo copy included, as the user pays them).
void BM_FillWholeImage(benchmark::State& state) {
    bench::AddCpuFeaturesContext();
    DocumentState doc;
    TDibRecord img;
    newdib(&img, bench::kPhotoWidth, bench::kPhotoHeight, 24, nullptr, 0);
    AttachImage(doc, img);
    bench::QuietHost host;
    TDibRecord pattern = bench::MakePhoto(64, 64, 3);
    doc.PaintColor = 0x102030;
    doc.OtherColor = 0xF0E0D0;
    const TFillParams p{int(state.range(0)), 0, 200};
    for (auto _ : state) {
        FillAt(doc, host, p, &pattern, 3000, 2000);
        while (doc.UndoCount > 0)
            FreeUndoBuffer(doc, 1);
    }
    deldib(&pattern);
    static const char* names[] = {"solid", "pattern", "linear", "rectangular", "sunburst", "radial"};
    state.SetLabel(names[state.range(0)]);
}
BENCHMARK(BM_FillWholeImage)->DenseRange(0, 5)->Unit(benchmark::kMillisecond)->Iterations(3);

// The raster library's fill alone (work mask ready, no undo copy), with a memcpy of the same
// image timed in every iteration: vs_memcpy is the ratio of the two wall times.  PIXORAMA_SIMD
// (avx2, scalar) picks the slower paths; simd_path in the context says which ran.
void BM_FillDibSolid(benchmark::State& state) {
    TDibRecord img, work;
    newdib(&img, bench::kPhotoWidth, bench::kPhotoHeight, 24, nullptr, 0);
    newdib(&work, bench::kPhotoWidth, bench::kPhotoHeight, 1, nullptr, 0);
    const size_t bytes = size_t(img.LineBytes) * bench::kPhotoHeight;
    std::vector<uint8_t> copy(bytes, 1);
    int32_t colour = 1;
    double fillSeconds = 0, copySeconds = 0;
    using Clock = std::chrono::steady_clock;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        filldib(&img, 3000, 2000, colour, 0, 0, nullptr, 0, &work, 0, 0, nullptr);
        const auto t1 = Clock::now();
        state.PauseTiming();
        std::memcpy(copy.data(), img.Bits, bytes);
        benchmark::ClobberMemory();
        const auto t2 = Clock::now();
        state.ResumeTiming();
        fillSeconds += std::chrono::duration<double>(t1 - t0).count();
        copySeconds += std::chrono::duration<double>(t2 - t1).count();
        colour ^= 3; // a new colour each time, so that the whole image is filled again
    }
    state.counters["vs_memcpy"] = fillSeconds / copySeconds;
    deldib(&img);
    deldib(&work);
}
BENCHMARK(BM_FillDibSolid)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

void BM_MemcpyImage(benchmark::State& state) {
    DocumentState& doc = bench::PhotoDocument();
    const size_t bytes = size_t(doc.Dib.LineBytes) * bench::kPhotoHeight;
    std::vector<uint8_t> dst(bytes);
    for (auto _ : state) {
        std::memcpy(dst.data(), doc.Dib.Bits, bytes);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_MemcpyImage)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    // the context is printed before the first benchmark runs
    bench::AddCpuFeaturesContext();
    const char* simd = std::getenv("PIXORAMA_SIMD");
    benchmark::AddCustomContext("simd_path", simd != nullptr && *simd != 0 ? simd : "best");
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
