// Geometry and the 5x5 neighbourhood filters on a 6000 x 4000 24-bit photo, against OpenCV and
// libvips doing the same job and against memcpy of the result, all in one run; the ratios are
// printed at the end.  Peers that are not installed are left out (bench/run.sh installs them).
// The bilinear blend is checked bit for bit against its plain loop first.
#include "document/simd_level.h"
#include "document/undo.h"
#include "ops/effects.h"
#include "ops/geometry.h"
#include "ops/rows.h"
#include "bench_common.h"
#include "photo.h"

#include <benchmark/benchmark.h>

#ifdef PIXORAMA_HAVE_VIPS
#include <vips/vips8>
#endif
#ifdef PIXORAMA_HAVE_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace pixorama;

using NullHost = bench::QuietHost;

const TDibRecord& photo() {
    return bench::PhotoRecord();
}

// The photo's green channel as an 8-bit image of the same size, made once.
const TDibRecord& photo8() {
    static const TDibRecord grey = [] {
        const TDibRecord& p = photo();
        TDibRecord d;
        newdib_unfilled(&d, DibWidth(&p), DibHeight(&p), 8, nullptr, 0);
        for (int32_t y = 0; y < DibHeight(&p) && d.Bits != nullptr; ++y) {
            const uint8_t* s = p.Bits + static_cast<ptrdiff_t>(y) * p.LineBytes;
            uint8_t* o = d.Bits + static_cast<ptrdiff_t>(y) * d.LineBytes;
            for (int32_t x = 0; x < d.LineBytes; ++x)
                o[x] = x < DibWidth(&p) ? s[3 * x + 1] : 0;
        }
        return d;
    }();
    return grey;
}

template <class Make>
void geometryBench(benchmark::State& state, Make make, const TDibRecord& (*image)() = photo) {
    NullHost host;
    for (auto _ : state) {
        TDibRecord r = make(image(), host);
        benchmark::DoNotOptimize(r.Bits);
        deldib(&r);
    }
}

// The same at a lower vector level (or the plain loops when vector is false), the level in
// force restored afterwards: the figures of each path in one run.
template <class Make>
void geometryBenchAt(benchmark::State& state, SimdLevel level, bool vector, Make make) {
    const SimdLevel inForce = ActiveSimdLevel();
    SetSimdLevel(level);
    SetGeometrySimd(vector ? 2 : 0);
    geometryBench(state, make);
    SetGeometrySimd(2);
    SetSimdLevel(inForce);
}

void BM_Memcpy(benchmark::State& state) {
    const size_t n = photo().Info->bmiHeader.biSizeImage;
    std::vector<uint8_t> dst(n);
    for (auto _ : state) {
        CopyBytesParallel(dst.data(), photo().Bits, n);
        benchmark::DoNotOptimize(dst.data());
    }
}

// The same copy into a new image each time, as the flips and turns get theirs (the fresh pages
// of a new buffer cost as much as the copy).
void copyIntoNewImage(const TDibRecord& p) {
    TDibRecord r;
    newdib_unfilled(&r, DibWidth(&p), DibHeight(&p), DibBitsPerPixel(&p), nullptr, 0);
    CopyBytesParallel(r.Bits, p.Bits, p.Info->bmiHeader.biSizeImage);
    benchmark::DoNotOptimize(r.Bits);
    deldib(&r);
}
void memcpyFresh(benchmark::State& state, const TDibRecord& p) {
    for (auto _ : state)
        copyIntoNewImage(p);
}
void BM_MemcpyFresh(benchmark::State& state) {
    memcpyFresh(state, photo());
}

// The quarter turns and the copy into a new image, timed alternately (bench::MeasurePaired):
// the ratios least moved by load from outside the process.  On the level in force and, below
// AVX-512, on AVX2.
struct PairedTurn {
    std::string name;
    bench::PairedRatio ratio;
};
std::vector<PairedTurn> gPairedTurns;
void BM_RotLeftRightPairedWithCopy(benchmark::State& state) {
    NullHost host;
    const SimdLevel inForce = ActiveSimdLevel();
    std::vector<SimdLevel> levels{inForce};
    if (inForce == SimdLevel::Avx512)
        levels.push_back(SimdLevel::Avx2);
    auto copy = [] { copyIntoNewImage(photo()); };
    for (auto _ : state) {
        gPairedTurns.clear();
        for (const SimdLevel level : levels)
            for (const bool left : {true, false}) {
                SetSimdLevel(level);
                auto turn = [&] {
                    TDibRecord r = left ? RotLeft(photo(), host) : RotRight(photo(), host);
                    benchmark::DoNotOptimize(r.Bits);
                    deldib(&r);
                };
                std::string name = left ? "RotLeft" : "RotRight";
                if (level != inForce)
                    name += "_avx2";
                gPairedTurns.push_back(
                    {name, bench::MeasurePaired(
                               static_cast<int>(state.range(0)), [] {}, turn, copy)});
            }
        SetSimdLevel(inForce);
    }
}

// The neighbourhood filters change the image in place and take an undo level; each run starts
// from a fresh document so that every run filters the photo.
void neighbourhoodBench(benchmark::State& state, bool dilate) {
    NullHost host;
    for (auto _ : state) {
        state.PauseTiming();
        auto doc = std::make_unique<DocumentState>();
        AttachImage(*doc, MakeDIBCopy(photo(), host));
        state.ResumeTiming();
        if (dilate)
            DibDilateFilter(*doc, host);
        else
            DibErodeFilter(*doc, host);
        state.PauseTiming();
        doc.reset();
        state.ResumeTiming();
    }
}

#ifdef PIXORAMA_HAVE_OPENCV
cv::Mat photoMat() {
    const TDibRecord& p = photo();
    return cv::Mat(DibHeight(&p), DibWidth(&p), CV_8UC3, p.Bits, static_cast<size_t>(p.LineBytes));
}
void BM_OpenCVResize2x(benchmark::State& state) {
    cv::Mat in = photoMat(), out;
    for (auto _ : state) {
        cv::resize(in, out, cv::Size(in.cols * 2, in.rows * 2), 0, 0, cv::INTER_LINEAR);
        benchmark::DoNotOptimize(out.data);
        out.release();
    }
}
void BM_OpenCVRotate45Nearest(benchmark::State& state) {
    cv::Mat in = photoMat(), out;
    int32_t nw, nh;
    RotatedSize(in.cols, in.rows, false, 45.0L, nw, nh);
    cv::Mat m = cv::getRotationMatrix2D(cv::Point2f(in.cols / 2.0f, in.rows / 2.0f), 45.0, 1.0);
    m.at<double>(0, 2) += nw / 2.0 - in.cols / 2.0;
    m.at<double>(1, 2) += nh / 2.0 - in.rows / 2.0;
    for (auto _ : state) {
        cv::warpAffine(in, out, m, cv::Size(nw, nh), cv::INTER_NEAREST);
        benchmark::DoNotOptimize(out.data);
        out.release();
    }
}
void BM_OpenCVBox5x5(benchmark::State& state) {
    cv::Mat in = photoMat(), out;
    for (auto _ : state) {
        cv::boxFilter(in, out, -1, cv::Size(5, 5));
        benchmark::DoNotOptimize(out.data);
    }
}
#endif

#ifdef PIXORAMA_HAVE_VIPS
std::vector<uint8_t>& photoPixels() {
    static std::vector<uint8_t> px = [] {
        const TDibRecord& p = photo();
        std::vector<uint8_t> v(static_cast<size_t>(bench::kPhotoWidth) * bench::kPhotoHeight * 3);
        for (int y = 0; y < bench::kPhotoHeight; ++y)
            std::memcpy(v.data() + static_cast<size_t>(y) * bench::kPhotoWidth * 3,
                        ops::ImageRow(p, y), static_cast<size_t>(bench::kPhotoWidth) * 3);
        return v;
    }();
    return px;
}
template <class Op> void vipsBench(benchmark::State& state, Op op) {
    std::vector<uint8_t>& px = photoPixels();
    for (auto _ : state) {
        vips::VImage in = vips::VImage::new_from_memory(px.data(), px.size(), bench::kPhotoWidth,
                                                        bench::kPhotoHeight, 3, VIPS_FORMAT_UCHAR);
        vips::VImage out = op(in);
        size_t bytes = 0;
        void* result = out.write_to_memory(&bytes);
        benchmark::DoNotOptimize(result);
        g_free(result);
    }
}
void BM_VipsResize2x(benchmark::State& s) {
    vipsBench(s, [](vips::VImage in) {
        return in.resize(2.0, vips::VImage::option()->set("kernel", VIPS_KERNEL_LINEAR));
    });
}
void BM_VipsRotate45Nearest(benchmark::State& s) {
    vipsBench(s, [](vips::VImage in) {
        return in.rotate(45.0, vips::VImage::option()->set(
                                   "interpolate", vips::VInterpolate::new_from_name("nearest")));
    });
}
void BM_VipsBox5x5(benchmark::State& s) {
    std::vector<double> ones(25, 1.0);
    vipsBench(s, [&](vips::VImage in) {
        vips::VImage mask = vips::VImage::new_matrix(5, 5, ones.data(), 25);
        mask.set("scale", 25.0);
        mask.set("offset", 0.0);
        return in.conv(mask, vips::VImage::option()->set("precision", VIPS_PRECISION_INTEGER));
    });
}
#endif

bool checkBlend() {
    std::vector<uint8_t> t(4099), b(4099), o1(4099), o2(4099);
    for (size_t i = 0; i < t.size(); ++i) {
        t[i] = static_cast<uint8_t>(i * 131);
        b[i] = static_cast<uint8_t>(i * 17 + 3);
    }
    bool ok = true;
    for (int32_t a = 0; a < 1024; a += 7) {
        SetGeometrySimd(0);
        BlendRows(t.data(), b.data(), 1023 - a, a, o1.data(), t.size());
        SetGeometrySimd(2);
        BlendRows(t.data(), b.data(), 1023 - a, a, o2.data(), t.size());
        ok = ok && o1 == o2;
    }
    return ok;
}

} // namespace

int main(int argc, char** argv) {
#ifdef PIXORAMA_HAVE_VIPS
    if (VIPS_INIT(argv[0]))
        return 1;
    vips_cache_set_max(0);
#endif
    if (photo().Bits == nullptr)
        return 1;
    std::printf("CPU: AVX2 %s, AVX-512BW %s\n", ops::CpuHasAvx2() ? "yes" : "no",
                __builtin_cpu_supports("avx512bw") ? "yes" : "no");
    const bool exact = checkBlend();
    // PIXORAMA_NO_AVX2 measures the plain loops, as a processor without AVX2 runs them
    SetGeometrySimd(std::getenv("PIXORAMA_NO_AVX2") != nullptr ? 0 : 2);
    std::printf("geometry paths: %s; 24-bit quarter turns: %s\n", GeometryAvx2() ? "AVX2" : "plain",
                !GeometryAvx2()                                          ? "plain"
                : ActiveSimdLevel() == SimdLevel::Avx512 && CpuHasVbmi() ? "AVX-512 VBMI"
                                                                         : "AVX2");
    bench::AddCpuFeaturesContext();
    std::printf("bit-exact BlendRows AVX2 / plain: %s\n", exact ? "yes" : "NO");

    const auto ms = benchmark::kMillisecond;
    auto reg = [&](const char* name, auto fn) {
        benchmark::RegisterBenchmark(name, fn)
            ->Unit(ms)
            ->UseRealTime()
            ->MeasureProcessCPUTime()
            ->MinWarmUpTime(0.3);
    };
    reg("BM_Memcpy", BM_Memcpy);
    reg("BM_MemcpyFresh", BM_MemcpyFresh);
    reg("BM_Resize2xInterpolated", [](benchmark::State& s) {
        geometryBench(s, [](const TDibRecord& p, Host& h) {
            return ResizeDib(p, h, DibWidth(&p) * 2, DibHeight(&p) * 2, true);
        });
    });
    reg("BM_Rotate45", [](benchmark::State& s) {
        geometryBench(s, [](const TDibRecord& p, Host& h) {
            return DibRotxxx(p, h, false, 45.0L, 0, false);
        });
    });
    reg("BM_FlipH", [](benchmark::State& s) { geometryBench(s, MirrorH); });
    reg("BM_FlipV", [](benchmark::State& s) { geometryBench(s, MirrorV); });
    reg("BM_RotLeft", [](benchmark::State& s) { geometryBench(s, RotLeft); });
    reg("BM_RotRight", [](benchmark::State& s) { geometryBench(s, RotRight); });
    reg("BM_Rot180", [](benchmark::State& s) { geometryBench(s, Rot180); });
    benchmark::RegisterBenchmark("BM_RotLeftRightPairedWithCopy", BM_RotLeftRightPairedWithCopy)
        ->Arg(21)
        ->Iterations(1)
        ->Unit(ms)
        ->UseRealTime();
    reg("BM_MemcpyFresh8", [](benchmark::State& s) { memcpyFresh(s, photo8()); });
    reg("BM_RotLeft8", [](benchmark::State& s) { geometryBench(s, RotLeft, photo8); });
    reg("BM_RotRight8", [](benchmark::State& s) { geometryBench(s, RotRight, photo8); });
    // the quarter turns on the lower paths (the level in force is the first figure)
    const bool lowerPaths = std::getenv("PIXORAMA_NO_AVX2") == nullptr;
    if (lowerPaths && ActiveSimdLevel() == SimdLevel::Avx512) {
        reg("BM_RotLeft_avx2",
            [](benchmark::State& s) { geometryBenchAt(s, SimdLevel::Avx2, true, RotLeft); });
        reg("BM_RotRight_avx2",
            [](benchmark::State& s) { geometryBenchAt(s, SimdLevel::Avx2, true, RotRight); });
    }
    if (lowerPaths) {
        reg("BM_RotLeft_plain",
            [](benchmark::State& s) { geometryBenchAt(s, ActiveSimdLevel(), false, RotLeft); });
        reg("BM_RotRight_plain",
            [](benchmark::State& s) { geometryBenchAt(s, ActiveSimdLevel(), false, RotRight); });
    }
    reg("BM_Erode", [](benchmark::State& s) { neighbourhoodBench(s, false); });
    reg("BM_Dilate", [](benchmark::State& s) { neighbourhoodBench(s, true); });
#ifdef PIXORAMA_HAVE_OPENCV
    reg("BM_OpenCVResize2x", BM_OpenCVResize2x);
    reg("BM_OpenCVRotate45Nearest", BM_OpenCVRotate45Nearest);
    reg("BM_OpenCVBox5x5", BM_OpenCVBox5x5);
#endif
#ifdef PIXORAMA_HAVE_VIPS
    reg("BM_VipsResize2x", BM_VipsResize2x);
    reg("BM_VipsRotate45Nearest", BM_VipsRotate45Nearest);
    reg("BM_VipsBox5x5", BM_VipsBox5x5);
#endif
    benchmark::Initialize(&argc, argv);
    bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    // wall time, or the CPU time of every thread of the process (steadier on a busy machine)
    auto get = [&](const char* n) { return reporter.ms(n); };
    auto ratio = [&](const char* label, const char* ours, const char* peer, double factor) {
        const double a = get(ours), b = get(peer) * factor;
        if (a > 0 && b > 0)
            std::printf("  %-46s %8.2f ms / %8.2f ms = %.2f\n", label, a, b, a / b);
    };
    for (bool cpuTime : {false, true}) {
        reporter.useCpuTime(cpuTime);
        std::printf("\nRatios by %s (ours / peer; below 1 is faster)\n",
                    cpuTime ? "CPU time of all threads" : "wall time");
        ratio("resize x2 bilinear / OpenCV", "BM_Resize2xInterpolated", "BM_OpenCVResize2x", 1);
        ratio("resize x2 bilinear / libvips", "BM_Resize2xInterpolated", "BM_VipsResize2x", 1);
        ratio("rotate 45 nearest / OpenCV warpAffine", "BM_Rotate45", "BM_OpenCVRotate45Nearest", 1);
        ratio("rotate 45 nearest / libvips", "BM_Rotate45", "BM_VipsRotate45Nearest", 1);
        for (const char* n :
             {"BM_FlipH", "BM_FlipV", "BM_RotLeft", "BM_RotRight", "BM_Rot180", "BM_RotLeft_avx2",
              "BM_RotRight_avx2", "BM_RotLeft_plain", "BM_RotRight_plain"}) {
            ratio((std::string(n + 3) + " / memcpy into a new image").c_str(), n, "BM_MemcpyFresh", 1);
            ratio((std::string(n + 3) + " / memcpy into a reused buffer").c_str(), n, "BM_Memcpy", 1);
        }
        for (const char* n : {"BM_RotLeft8", "BM_RotRight8"})
            ratio((std::string(n + 3) + " / memcpy into a new 8-bit image").c_str(), n,
                  "BM_MemcpyFresh8", 1);
        ratio("erode / libvips 5x5 box", "BM_Erode", "BM_VipsBox5x5", 1);
        ratio("dilate / libvips 5x5 box", "BM_Dilate", "BM_VipsBox5x5", 1);
        ratio("erode / OpenCV 5x5 boxFilter", "BM_Erode", "BM_OpenCVBox5x5", 1);
    }
    if (!gPairedTurns.empty()) {
        std::printf("\nQuarter turns timed alternately with the copy into a new image (medians of "
                    "the pairs; ours / copy)\n  %-16s %8s %8s %10s %10s\n",
                    "", "wall", "CPU", "turn ms", "copy ms");
        for (const PairedTurn& t : gPairedTurns)
            std::printf("  %-16s %8.2f %8.2f %10.2f %10.2f\n", t.name.c_str(), t.ratio.wall,
                        t.ratio.cpu, t.ratio.oursMs, t.ratio.refMs);
    }
    benchmark::Shutdown();
    return exact ? 0 : 1;
}
