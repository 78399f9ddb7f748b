// The clipboard on a 6000 x 4000 24-bit photo: copying the whole image and an elliptical
// selection of nearly all of it, reading the block back, and converting a pasted 24-bit
// image to a 256-colour document's palette; against a memcpy of the image in the same run.
#include "bench_common.h"
#include "document/clipboard_blocks.h"
#include "document/selection.h"
#include "photo.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

namespace {

using namespace pixorama;

void BM_MemcpyImage(benchmark::State& state) {
    bench::AddCpuFeaturesContext();
    const TDibRecord& photo = bench::PhotoRecord();
    const size_t bytes = photo.Info->bmiHeader.biSizeImage;
    std::vector<uint8_t> dst(bytes);
    for (auto _ : state) {
        std::memcpy(dst.data(), photo.Bits, bytes);
        benchmark::DoNotOptimize(dst.data());
    }
}
BENCHMARK(BM_MemcpyImage)->Unit(benchmark::kMillisecond);

void BM_CopyWholeImage(benchmark::State& state) {
    DocumentState& doc = bench::PhotoDocument();
    for (auto _ : state) {
        ClipboardContent clip;
        benchmark::DoNotOptimize(BuildCopyBlocks(doc, clip));
    }
}
BENCHMARK(BM_CopyWholeImage)->Unit(benchmark::kMillisecond);

void BM_CopyEllipseSelection(benchmark::State& state) {
    DocumentState& doc = bench::PhotoDocument();
    bench::QuietHost host;
    FillMask(doc, 0);
    FilledEllipse(&doc.SelMask, 0, 0, bench::kPhotoWidth - 1, bench::kPhotoHeight - 1, 1);
    UpdateSelddib(doc, host);
    for (auto _ : state) {
        ClipboardContent clip;
        benchmark::DoNotOptimize(BuildCopyBlocks(doc, clip));
    }
    FillMask(doc, 0);
    doc.HasSelection = false;
}
BENCHMARK(BM_CopyEllipseSelection)->Unit(benchmark::kMillisecond);

void BM_ReadBlock(benchmark::State& state) {
    ClipboardContent clip;
    BuildCopyBlocks(bench::PhotoDocument(), clip);
    for (auto _ : state) {
        TDibRecord d;
        ParseDibBlock(clip.Dib->data(), clip.Dib->size(), d);
        deldib(&d);
    }
}
BENCHMARK(BM_ReadBlock)->Unit(benchmark::kMillisecond);

void BM_MakeCompatibleDib24To8(benchmark::State& state) {
    TDibRecord target = CreateNewImage(16, 16, 8);
    for (auto _ : state) {
        state.PauseTiming();
        TDibRecord source;
        newdib_unfilled(&source, bench::kPhotoWidth, bench::kPhotoHeight, 24, nullptr, 0);
        std::memcpy(source.Bits, bench::PhotoRecord().Bits,
                    bench::PhotoRecord().Info->bmiHeader.biSizeImage);
        state.ResumeTiming();
        MakeCompatibleDib(target, source);
        state.PauseTiming();
        deldib(&source);
        state.ResumeTiming();
    }
    deldib(&target);
}
BENCHMARK(BM_MakeCompatibleDib24To8)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
