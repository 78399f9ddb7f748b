// Selections on a 6000 x 4000 image: the outline rebuild (UpdateSelddib) of a full, an empty, a
// blob-shaped half and a noise half mask against a plain pixel loop with the same rules, a
// memcpy of the 1-bit mask and a memcpy of a 24-bit image of the mask's size (one thread each,
// as the outline scan; the ratios are printed at the end); the magic wand on a photo (tolerance
// 30); and one step of moving a 2000 x 2000 floating piece, with the repaint of a 1920 x 1080
// view.
#include "document/display.h"
#include "document/selection.h"
#include "bench_common.h"
#include "photo.h"
#include "tools/floating.h"
#include "tools/selection_tools.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace pixorama;


class QuietView : public MouseView {
  public:
    Tool SelectedTool() const override { return Tool::Hand; }
    TToolOptions Options() const override { return {}; }
};

enum MaskKind { kFull, kEmpty, kBlobs, kNoise };
const char* maskName(int64_t k) {
    static const char* names[] = {"full", "empty", "blobs50", "noise50"};
    return names[k];
}

// A document over a 6000 x 4000 1-bit image (the outline only reads the image's size).
DocumentState& maskDocument(MaskKind kind) {
    static DocumentState* docs[4] = {};
    if (docs[kind] != nullptr)
        return *docs[kind];
    auto* d = new DocumentState;
    TDibRecord img;
    newdib(&img, bench::kPhotoWidth, bench::kPhotoHeight, 1, nullptr, 0);
    AttachImage(*d, img);
    std::mt19937 rng(5);
    const size_t bytes = size_t(d->SelMask.LineBytes) * bench::kPhotoHeight;
    switch (kind) {
    case kFull:
        std::memset(d->SelMask.Bits, 0xFF, bytes);
        break;
    case kEmpty:
        break;
    case kBlobs:
        // random discs until about half is covered
        for (int k = 0; k < 400; ++k) {
            const int cx = int(rng() % 6000), cy = int(rng() % 4000), r = 60 + int(rng() % 160);
            FilledEllipse(&d->SelMask, cx - r, cy - r, cx + r, cy + r, 1);
        }
        break;
    case kNoise:
        for (size_t i = 0; i < bytes; ++i)
            d->SelMask.Bits[i] = uint8_t(rng());
        break;
    }
    docs[kind] = d;
    return *d;
}

// The outline rule pixel by pixel, as a plain loop over the same buffer.
size_t plainOutline(const TDibRecord& m, std::vector<TPoint>& out) {
    out.clear();
    const int32_t w = DibWidth(&m), h = DibHeight(&m);
    auto bit = [&](int32_t x, int32_t y) {
        const uint8_t* row = m.Bits + size_t(h - 1 - y) * size_t(m.LineBytes);
        return (row[x >> 3] >> (7 - (x & 7))) & 1;
    };
    for (int32_t i = 0; i < h; ++i)
        for (int32_t j = 0; j < w; ++j) {
            const int v = bit(j, i);
            if (j == 0 || j == w - 1 || i == 0 || i == h - 1) {
                if (v)
                    out.push_back({j, i});
                continue;
            }
            const int r = bit(j + 1, i), b = bit(j, i + 1);
            if (v != r)
                out.push_back({v ? j : j + 1, i});
            if (v != b)
                out.push_back({j, v ? i : i + 1});
        }
    return out.size();
}


void BM_UpdateSelddib(benchmark::State& state) {
    bench::AddCpuFeaturesContext();
    DocumentState& doc = maskDocument(MaskKind(state.range(0)));
    bench::QuietHost host;
    for (auto _ : state) {
        UpdateSelddib(doc, host);
        benchmark::DoNotOptimize(doc.SelOutline.data());
    }
    state.counters["points"] = double(doc.SelOutline.size());
    state.SetLabel(maskName(state.range(0)));
}
BENCHMARK(BM_UpdateSelddib)
    ->DenseRange(0, 3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

void BM_PlainOutlineLoop(benchmark::State& state) {
    DocumentState& doc = maskDocument(MaskKind(state.range(0)));
    std::vector<TPoint> out;
    for (auto _ : state)
        benchmark::DoNotOptimize(plainOutline(doc.SelMask, out));
    state.counters["points"] = double(out.size());
    state.SetLabel(maskName(state.range(0)));
}
BENCHMARK(BM_PlainOutlineLoop)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

void BM_MemcpyMask(benchmark::State& state) {
    DocumentState& doc = maskDocument(kFull);
    const size_t bytes = size_t(doc.SelMask.LineBytes) * bench::kPhotoHeight;
    std::vector<uint8_t> dst(bytes);
    for (auto _ : state) {
        std::memcpy(dst.data(), doc.SelMask.Bits, bytes);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes));
}
BENCHMARK(BM_MemcpyMask)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

// A 24-bit image of the mask's size, copied into a buffer that is reused.
void BM_MemcpyImage(benchmark::State& state) {
    const TDibRecord& photo = bench::PhotoRecord();
    const size_t bytes = size_t(photo.LineBytes) * size_t(DibHeight(&photo));
    std::vector<uint8_t> dst(bytes, 1);
    for (auto _ : state) {
        std::memcpy(dst.data(), photo.Bits, bytes);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes));
}
BENCHMARK(BM_MemcpyImage)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();


void BM_MagicWand(benchmark::State& state) {
    bench::AddCpuFeaturesContext();
    DocumentState& doc = bench::PhotoDocument();
    bench::QuietHost host;
    for (auto _ : state)
        MagicWand(doc, host, 3000, 2000, 30, SelectionMode::Replace);
    state.counters["selected_outline"] = double(doc.SelOutline.size());
}
BENCHMARK(BM_MagicWand)->Unit(benchmark::kMillisecond)->Iterations(5);

// One mouse move of a lifted 2000 x 2000 piece and the repaint of the view at 1:1.
void BM_MoveFloatPreviewAndRepaint(benchmark::State& state) {
    bench::AddCpuFeaturesContext();
    DocumentState doc;
    AttachImage(doc, bench::MakePhoto(bench::kPhotoWidth, bench::kPhotoHeight, 2));
    bench::QuietHost host;
    QuietView view;
    recht_filled(&doc.SelMask, 1000, 1000, 2999, 2999, 1);
    UpdateSelddib(doc, host);
    StartMoveSelection(doc, host, view, 1500, 1500);
    constexpr int kW = 1920, kH = 1080;
    std::vector<uint32_t> screen(size_t(kW) * kH);
    DisplaySurface s;
    s.pixels = screen.data();
    s.stride = kW;
    s.width = kW;
    s.height = kH;
    int step = 0;
    for (auto _ : state) {
        ++step;
        const int32_t x = 1500 + (step % 200), y = 1500 + (step % 100);
        MoveFloatPreview(doc, view, x, y);
        s.left = 1000;
        s.top = 1000;
        PaintBox1Paint(s, doc, 1000, 1000, kW, kH, true, {});
        benchmark::DoNotOptimize(screen.data());
    }
    DropFloat(doc, host, view, 1500, 1500);
}
BENCHMARK(BM_MoveFloatPreviewAndRepaint)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    bench::RatioReporter reporter;
    bench::RunWithRatios(argc, argv, reporter);
    for (bool byCpu : {false, true}) {
        reporter.useCpuTime(byCpu);
        const double mask = reporter.ms("BM_MemcpyMask"), image = reporter.ms("BM_MemcpyImage");
        if (mask <= 0 || image <= 0)
            continue;
        std::printf("\nUpdateSelddib by %s: / memcpy of the 1-bit mask (%.3f ms), / memcpy of the "
                    "24-bit image of its size (%.3f ms)\n",
                    byCpu ? "CPU time of all threads" : "wall time", mask, image);
        for (int k = 0; k < 4; ++k) {
            const double t = reporter.ms("BM_UpdateSelddib/" + std::to_string(k));
            if (t > 0)
                std::printf("  %-8s %9.3f ms  %8.2f x mask  %8.3f x image\n", maskName(k), t,
                            t / mask, t / image);
        }
    }
    benchmark::Shutdown();
}
