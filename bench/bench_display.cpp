// Repaint of a document window: a 1920 x 1080 view of a 6000 x 4000 24-bit photo at 1:1, 1:3
// and 4:1, against a plain QPainter::drawImage of an already converted image of the same size in
// the same run.  On the raster engine the paint box converts the visible rows straight into the
// window's image (BM_PaintBox1Paint); on other devices it converts into an image of its own and
// draws that (BM_PaintBox1PaintViaOwnImage).
#include "document/display.h"
#include "photo.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace {

constexpr int kViewWidth = 1920;
constexpr int kViewHeight = 1080;

pixorama::DocumentState& photoDocument() {
    static pixorama::DocumentState* doc = [] {
        auto* d = new pixorama::DocumentState;
        pixorama::AttachImage(*d, bench::MakePhoto());
        return d;
    }();
    return *doc;
}

struct View {
    int zoomIn, zoomOut, hp, vp;
};
View viewFor(int64_t arg) {
    switch (arg) {
    case 0:
        return {1, 1, 2000, 1500}; // 1:1, the middle of the photo
    case 1:
        return {1, 3, 40, 120}; // 1:3, the whole width
    default:
        return {4, 1, 10000, 7000}; // 4:1
    }
}
const char* nameFor(int64_t arg) {
    return arg == 0 ? "1:1" : arg == 1 ? "1:3" : "4:1";
}

pixorama::DisplaySurface surfaceOf(QImage& image) {
    pixorama::DisplaySurface s;
    s.pixels = reinterpret_cast<uint32_t*>(image.bits());
    s.stride = static_cast<int32_t>(image.bytesPerLine() / 4);
    s.width = image.width();
    s.height = image.height();
    return s;
}

// The fallback road: the visible rows converted into the paint box's own image, then the image
// drawn onto the window's image.
void BM_PaintBox1PaintViaOwnImage(benchmark::State& state) {
    pixorama::DocumentState& doc = photoDocument();
    const View v = viewFor(state.range(0));
    doc.ZoomIn = v.zoomIn;
    doc.ZoomOut = v.zoomOut;
    QImage view(kViewWidth, kViewHeight, QImage::Format_RGB32);
    QImage backingStore(kViewWidth, kViewHeight, QImage::Format_RGB32);
    for (auto _ : state) {
        pixorama::DisplaySurface s = surfaceOf(view);
        s.left = v.hp;
        s.top = v.vp;
        pixorama::PaintBox1Paint(s, doc, v.hp, v.vp, kViewWidth, kViewHeight, true, {});
        QPainter p(&backingStore);
        p.drawImage(0, 0, view);
        p.end();
        benchmark::DoNotOptimize(backingStore.constBits());
    }
    state.SetLabel(nameFor(state.range(0)));
    state.counters["Mpx/s"] = benchmark::Counter(static_cast<double>(kViewWidth) * kViewHeight,
                                                 benchmark::Counter::kIsIterationInvariantRate);
}

// The usual road: the visible rows converted straight into the window's image.
void BM_PaintBox1Paint(benchmark::State& state) {
    pixorama::DocumentState& doc = photoDocument();
    const View v = viewFor(state.range(0));
    doc.ZoomIn = v.zoomIn;
    doc.ZoomOut = v.zoomOut;
    QImage view(kViewWidth, kViewHeight, QImage::Format_RGB32);
    for (auto _ : state) {
        pixorama::DisplaySurface s = surfaceOf(view);
        s.left = v.hp;
        s.top = v.vp;
        pixorama::PaintBox1Paint(s, doc, v.hp, v.vp, kViewWidth, kViewHeight, true, {});
        benchmark::DoNotOptimize(view.constBits());
    }
    state.SetLabel(nameFor(state.range(0)));
}

// The peer: a plain drawImage of a converted image of the view's size.
void BM_QPainterDrawImage(benchmark::State& state) {
    QImage converted(kViewWidth, kViewHeight, QImage::Format_RGB32);
    converted.fill(QColor(90, 120, 150));
    QImage backingStore(kViewWidth, kViewHeight, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter p(&backingStore);
        p.drawImage(0, 0, converted);
        p.end();
        benchmark::DoNotOptimize(backingStore.constBits());
    }
}

} // namespace

BENCHMARK(BM_PaintBox1Paint)->DenseRange(0, 2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PaintBox1PaintViaOwnImage)
    ->DenseRange(0, 2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(BM_QPainterDrawImage)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
