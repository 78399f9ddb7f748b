// Image arithmetic and channel split / combine on two 6000 x 4000 photos, against memcpy of the
// result (into a fresh buffer, as the operation writes a new image, and into a warm one) and
// against libvips add / boolean where it is installed.  Prints the ratios and the CPU features.
#include "bench_common.h"
#include "bench_report.h"

#include "document/dib.h"
#include "document/simd_level.h"
#include "ops/arithmetic.h"
#include "ops/channels.h"
#include "ops/rows.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#ifdef PIXORAMA_HAVE_VIPS
#include <vips/vips8>
#endif

namespace {

using namespace pixorama;

const TDibRecord& photo1() {
    return bench::PhotoRecord();
}
const TDibRecord& photo2() {
    static const TDibRecord p = bench::MakePhoto(bench::kPhotoWidth, bench::kPhotoHeight, 7);
    return p;
}
size_t imageBytes() {
    return photo1().Info->bmiHeader.biSizeImage;
}

TMathOptions options(TMathFunction f) {
    TMathOptions o;
    o.Function = f;
    return o;
}

void mathBench(benchmark::State& state, TMathFunction f, bool simd) {
    const SimdLevel before = ActiveSimdLevel();
    if (!simd)
        SetSimdLevel(SimdLevel::Scalar);
    bench::QuietHost host;
    for (auto _ : state) {
        TDibRecord r = MatheDib(photo1(), photo2(), options(f), host);
        benchmark::DoNotOptimize(r.Bits);
        deldib(&r);
    }
    SetSimdLevel(before);
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(imageBytes()));
}

// The same formula as one plain loop per byte, for scale.
void BM_PlainSumClip(benchmark::State& state) {
    std::vector<uint8_t> out(imageBytes());
    const uint8_t* a = photo1().Bits;
    const uint8_t* b = photo2().Bits;
    for (auto _ : state) {
        for (size_t i = 0; i < out.size(); ++i) {
            const int v = a[i] + b[i];
            out[i] = static_cast<uint8_t>(v > 255 ? 255 : v);
        }
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
}

void BM_MemcpyFresh(benchmark::State& state) {
    for (auto _ : state) {
        std::unique_ptr<uint8_t[]> dst(new uint8_t[imageBytes()]);
        std::memcpy(dst.get(), photo1().Bits, imageBytes());
        benchmark::DoNotOptimize(dst.get());
        benchmark::ClobberMemory();
    }
}

void BM_MemcpyWarm(benchmark::State& state) {
    std::vector<uint8_t> dst(imageBytes(), 1);
    for (auto _ : state) {
        std::memcpy(dst.data(), photo1().Bits, imageBytes());
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
}

void BM_Split(benchmark::State& state) {
    bench::QuietHost host;
    for (auto _ : state) {
        std::array<TDibRecord, 3> ch;
        SplittTORGB(photo1(), host, ch);
        for (TDibRecord& d : ch)
            deldib(&d);
    }
}

void BM_Combine(benchmark::State& state) {
    bench::QuietHost host;
    static std::array<TDibRecord, 3> ch = [&] {
        std::array<TDibRecord, 3> c;
        SplittTORGB(photo1(), host, c);
        return c;
    }();
    for (auto _ : state) {
        TDibRecord r = CombineFromRGB(ch[0], ch[1], ch[2], host);
        benchmark::DoNotOptimize(r.Bits);
        deldib(&r);
    }
}

#ifdef PIXORAMA_HAVE_VIPS
void vipsBench(benchmark::State& state, bool xorOp) {
    for (auto _ : state) {
        vips::VImage a = vips::VImage::new_from_memory(photo1().Bits, imageBytes(),
                                                       bench::kPhotoWidth, bench::kPhotoHeight, 3,
                                                       VIPS_FORMAT_UCHAR);
        vips::VImage b = vips::VImage::new_from_memory(photo2().Bits, imageBytes(),
                                                       bench::kPhotoWidth, bench::kPhotoHeight, 3,
                                                       VIPS_FORMAT_UCHAR);
        // add widens to 16 bits; the cast back to bytes clips, as "Werte abschneiden" does
        vips::VImage out = xorOp ? a.boolean(b, VIPS_OPERATION_BOOLEAN_EOR)
                                 : a.add(b).cast(VIPS_FORMAT_UCHAR);
        size_t bytes = 0;
        void* result = out.write_to_memory(&bytes);
        benchmark::DoNotOptimize(result);
        g_free(result);
    }
}
#endif

// The vector path gives the bytes of the formula on the photos.
bool exact() {
    bench::QuietHost host;
    bool ok = true;
    for (TMathFunction f : {TMathFunction::Summe, TMathFunction::ExklusivOder}) {
        DibHolder r(MatheDib(photo1(), photo2(), options(f), host));
        const uint8_t *a = photo1().Bits, *b = photo2().Bits, *o = r->Bits;
        for (size_t i = 0; ok && i < imageBytes(); i += 997)
            ok = o[i] == MathValue(options(f), a[i], b[i]);
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
    if (photo1().Bits == nullptr || photo2().Bits == nullptr)
        return 1;
    const bool ok = exact();
    std::printf("result matches the formula: %s\n", ok ? "yes" : "NO");
    const auto ms = benchmark::kMillisecond;
    auto reg = [&](const char* name, auto fn) {
        benchmark::RegisterBenchmark(name, fn)->Unit(ms)->UseRealTime();
    };
    reg("BM_MemcpyFresh", BM_MemcpyFresh);
    reg("BM_MemcpyWarm", BM_MemcpyWarm);
    reg("BM_SumClip", [](benchmark::State& s) { mathBench(s, TMathFunction::Summe, true); });
    reg("BM_Xor", [](benchmark::State& s) { mathBench(s, TMathFunction::ExklusivOder, true); });
    reg("BM_Difference", [](benchmark::State& s) { mathBench(s, TMathFunction::Differenz, true); });
    reg("BM_SumClipPortable",
        [](benchmark::State& s) { mathBench(s, TMathFunction::Summe, false); });
    reg("BM_PlainSumClip", BM_PlainSumClip);
    reg("BM_Split", BM_Split);
    reg("BM_Combine", BM_Combine);
#ifdef PIXORAMA_HAVE_VIPS
    reg("BM_VipsAdd", [](benchmark::State& s) { vipsBench(s, false); });
    reg("BM_VipsXor", [](benchmark::State& s) { vipsBench(s, true); });
#endif
    bench::RatioReporter reporter;
    bench::RunWithRatios(argc, argv, reporter);
    auto get = [&](const char* n) { return reporter.ms(n); };
    const double fresh = get("BM_MemcpyFresh"), warm = get("BM_MemcpyWarm");
    std::printf("\nRatios (same run; memcpy of the %zu-byte result: %.2f ms into a new buffer, "
                "%.2f ms into a warm one)\n",
                imageBytes(), fresh, warm);
    for (const char* n : {"BM_SumClip", "BM_Xor", "BM_Difference", "BM_SumClipPortable",
                          "BM_PlainSumClip", "BM_Split", "BM_Combine", "BM_VipsAdd",
                          "BM_VipsXor"}) {
        const double t = get(n);
        if (t > 0 && fresh > 0 && warm > 0)
            std::printf("  %-20s %8.2f ms %6.2f x new-buffer memcpy %6.2f x warm memcpy\n", n, t,
                        t / fresh, t / warm);
    }
    reporter.ratio("libvips add+cast / sum with clip", "BM_VipsAdd", "BM_SumClip");
    reporter.ratio("libvips eor / xor", "BM_VipsXor", "BM_Xor");
    reporter.ratio("split / warm memcpy", "BM_Split", "BM_MemcpyWarm");
    reporter.ratio("combine / warm memcpy", "BM_Combine", "BM_MemcpyWarm");
    benchmark::Shutdown();
#ifdef PIXORAMA_HAVE_VIPS
    vips_shutdown();
#endif
    return ok ? 0 : 1;
}
