// Colour depth reduction and colour counting on a 6000 x 4000 24-bit photo, against plain C++
// loops of the same rules and ImageMagick (convert-im6.q16, when installed) in the same run:
// 256 colours with Floyd-Steinberg, nearest colour without dither, ordered dither, counting
// distinct colours; Floyd-Steinberg alone at the scalar and the sse2 level.  Results of ours
// and the plain loops are compared byte for byte first.
// ImageMagick reads a PPM of the photo and writes nothing (null:); its bare read is measured too.
#include "colour/depth_down.h"
#include "colour/depth_up.h"
#include "document/dib.h"
#include "document/simd_level.h"
#include "document/std_palettes.h"
#include "ops/rows.h"
#include "bench_common.h"
#include "photo.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using namespace pixorama;

using NullHost = bench::QuietHost;

const TDibRecord& photo() {
    return bench::PhotoRecord();
}

// A fresh document with a copy of the photo (made outside the timing).
struct PhotoDoc {
    DocumentState doc;
    NullHost host;
    PhotoDoc() { AttachImage(doc, MakeDIBCopy(photo(), host)); }
};

// ---- plain loops of the same rules ----

// Floyd-Steinberg as written: serpentine, errors x 16, nearest entry by a full scan remembered
// for every colour seen (a 2^24 memo).
std::vector<uint8_t> plainFloydSteinberg(const TDibRecord& src, const TLogPalette& pal) {
    const int w = DibWidth(&src), h = DibHeight(&src);
    std::vector<uint8_t> out(static_cast<size_t>(w) * h);
    std::vector<int16_t> memo(size_t{1} << 24, -1);
    std::vector<int> e0(3 * (w + 2), 0), e1(3 * (w + 2), 0);
    bool flag = false;
    for (int y = 0; y < h; ++y) {
        const bool ltr = !flag;
        std::vector<int>& cur = ltr ? e0 : e1;
        std::vector<int>& nxt = ltr ? e1 : e0;
        flag = !flag;
        nxt[3 * w] = nxt[3 * w + 1] = nxt[3 * w + 2] = 0;
        const uint8_t* row = ops::ImageRow(src, y);
        for (int k = 0; k < w; ++k) {
            const int x = ltr ? k : w - 1 - k;
            int v[3];
            for (int c = 0; c < 3; ++c) {
                const int s = row[3 * x + c] + (cur[3 * (k + 1) + c] + 8) / 16;
                v[c] = s < 0 ? 0 : (s > 255 ? 255 : s);
            }
            const uint32_t colour = uint32_t(v[2]) | (uint32_t(v[1]) << 8) | (uint32_t(v[0]) << 16);
            int16_t& m = memo[colour];
            if (m < 0) {
                int best = 1 << 30;
                for (int i = 0; i < pal.palNumEntries; ++i) {
                    const TPaletteEntry& e = pal.palPalEntry[i];
                    const int dr = e.peRed - v[2], dg = e.peGreen - v[1], db = e.peBlue - v[0];
                    const int d = dr * dr + dg * dg + db * db;
                    if (d < best) {
                        best = d;
                        m = static_cast<int16_t>(i);
                    }
                }
            }
            out[static_cast<size_t>(y) * w + x] = static_cast<uint8_t>(m);
            const TPaletteEntry& p = pal.palPalEntry[m];
            const int pe[3] = {p.peBlue, p.peGreen, p.peRed};
            for (int c = 0; c < 3; ++c) {
                const int e = v[c] - pe[c];
                nxt[3 * (w - k - 1) + c] = e;
                nxt[3 * (w - k + 1) + c] += 3 * e;
                nxt[3 * (w - k) + c] += 5 * e;
                cur[3 * (k + 2) + c] += 7 * e;
            }
        }
    }
    return out;
}

// Nearest entry of every pixel by a full scan, remembered per colour.
std::vector<uint8_t> plainNearest(const TDibRecord& src, const TLogPalette& pal) {
    const int w = DibWidth(&src), h = DibHeight(&src);
    std::vector<uint8_t> out(static_cast<size_t>(w) * h);
    std::vector<int16_t> memo(size_t{1} << 24, -1);
    for (int y = 0; y < h; ++y) {
        const uint8_t* row = ops::ImageRow(src, y);
        for (int x = 0; x < w; ++x) {
            const uint32_t colour = row[3 * x + 2] | (row[3 * x + 1] << 8) | (row[3 * x] << 16);
            int16_t& m = memo[colour];
            if (m < 0) {
                int best = 1 << 30;
                for (int i = 0; i < pal.palNumEntries; ++i) {
                    const TPaletteEntry& e = pal.palPalEntry[i];
                    const int dr = e.peRed - row[3 * x + 2], dg = e.peGreen - row[3 * x + 1],
                              db = e.peBlue - row[3 * x];
                    const int d = dr * dr + dg * dg + db * db;
                    if (d < best) {
                        best = d;
                        m = static_cast<int16_t>(i);
                    }
                }
            }
            out[static_cast<size_t>(y) * w + x] = static_cast<uint8_t>(m);
        }
    }
    return out;
}

// The ordered dither as written: div, mod and compare per channel.
std::vector<uint8_t> plainOrdered(const TDibRecord& src) {
    const int w = DibWidth(&src), h = DibHeight(&src);
    std::vector<uint8_t> out(static_cast<size_t>(w) * h);
    for (int j = 0; j < h; ++j) {
        const uint8_t* row = src.Bits + static_cast<size_t>(j) * src.LineBytes;
        for (int x = 0; x < w; ++x) {
            const int t = DitherMatrix[8 * (x % 8) + (j % 8)];
            int level[3];
            for (int c = 0; c < 3; ++c)
                level[c] = row[3 * x + c] / 51 + (row[3 * x + c] % 51 > t ? 1 : 0);
            out[static_cast<size_t>(h - 1 - j) * w + x] =
                CubeToPalette[level[2] + 6 * level[1] + 36 * level[0]];
        }
    }
    return out;
}

// Distinct colours with a 2^24-bit set, test then set, one pixel after the other.
int64_t plainCount(const TDibRecord& src) {
    const int w = DibWidth(&src), h = DibHeight(&src);
    std::vector<uint8_t> set(size_t{1} << 21, 0);
    int64_t n = 0;
    for (int y = 0; y < h; ++y) {
        const uint8_t* row = ops::ImageRow(src, y);
        for (int x = 0; x < w; ++x) {
            const uint32_t v = row[3 * x + 2] | (row[3 * x + 1] << 8) | (row[3 * x] << 16);
            if (!(set[v >> 3] & (1 << (v & 7)))) {
                set[v >> 3] |= static_cast<uint8_t>(1 << (v & 7));
                ++n;
            }
        }
    }
    return n;
}

std::vector<uint8_t> indicesOf(const TDibRecord& d) {
    const int w = DibWidth(&d), h = DibHeight(&d);
    std::vector<uint8_t> out(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y)
        std::memcpy(out.data() + static_cast<size_t>(y) * w, ops::ImageRow(d, y), static_cast<size_t>(w));
    return out;
}

const TDepthDownChoice kFs256 = DepthDownChoice(8, true, TDepthMethod::FloydSteinberg, false);
const TDepthDownChoice kNearest256 = DepthDownChoice(8, true, TDepthMethod::Nearest, false);
const TDepthDownChoice kOrdered = DepthDownChoice(8, false, TDepthMethod::Ordered, true);

// The image our 256-colour reduction makes, for the checks and the remap palette.
const TDibRecord& reduced(const TDepthDownChoice& choice, int which) {
    static TDibRecord results[3] = {};
    TDibRecord& r = results[which];
    if (r.Bits == nullptr) {
        PhotoDoc p;
        DepthDownTo(p.doc, p.host, choice);
        r = MakeDIBCopy(p.doc.Dib, p.host);
    }
    return r;
}

template <class Plain>
void checkSame(benchmark::State& state, const TDibRecord& ours, Plain&& plain) {
    if (indicesOf(ours) != plain())
        state.SkipWithError("result differs from the plain loop");
}

void runDepthDown(benchmark::State& state, const TDepthDownChoice& choice) {
    for (auto _ : state) {
        state.PauseTiming();
        auto p = std::make_unique<PhotoDoc>();
        state.ResumeTiming();
        DepthDownTo(p->doc, p->host, choice);
        benchmark::DoNotOptimize(p->doc.Dib.Bits);
        state.PauseTiming();
        p.reset();
        state.ResumeTiming();
    }
}

void BM_DepthDown256FloydSteinberg(benchmark::State& state) {
    const TDibRecord& r = reduced(kFs256, 0);
    checkSame(state, r, [&] { return plainFloydSteinberg(photo(), r.Palette); });
    runDepthDown(state, kFs256);
}
BENCHMARK(BM_DepthDown256FloydSteinberg)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

void BM_DepthDown256Nearest(benchmark::State& state) {
    const TDibRecord& r = reduced(kNearest256, 1);
    checkSame(state, r, [&] { return plainNearest(photo(), r.Palette); });
    runDepthDown(state, kNearest256);
}
BENCHMARK(BM_DepthDown256Nearest)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

void BM_DepthDownOrderedDither(benchmark::State& state) {
    const TDibRecord& r = reduced(kOrdered, 2);
    checkSame(state, r, [&] { return plainOrdered(photo()); });
    runDepthDown(state, kOrdered);
}
BENCHMARK(BM_DepthDownOrderedDither)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

void BM_PopularPalette256(benchmark::State& state) {
    NullHost host;
    for (auto _ : state)
        benchmark::DoNotOptimize(BuildPopularPalette(photo(), host, 256, 4));
}
BENCHMARK(BM_PopularPalette256)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

void BM_FloydSteinbergMapOnly(benchmark::State& state) {
    NullHost host;
    const TDibRecord& r = reduced(kFs256, 0);
    TDibRecord t = MakeDIBCopy(r, host);
    for (auto _ : state)
        FloydSteinbergMap(photo(), t, host);
    deldib(&t);
}
BENCHMARK(BM_FloydSteinbergMapOnly)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// The same mapping with the channels one after the other (the scalar level) against the three
// channels in one register (sse2 and up), same run; the results are compared first.
void BM_FloydSteinbergMapOnlyAtLevel(benchmark::State& state) {
    const auto level = static_cast<SimdLevel>(state.range(0));
    if (static_cast<int>(level) > static_cast<int>(CpuSimdLevel())) {
        state.SkipWithError("level not available on this processor");
        return;
    }
    NullHost host;
    const TDibRecord& r = reduced(kFs256, 0);
    TDibRecord t = MakeDIBCopy(r, host);
    const SimdLevel before = ActiveSimdLevel();
    SetSimdLevel(level);
    FloydSteinbergMap(photo(), t, host);
    if (indicesOf(t) != indicesOf(r))
        state.SkipWithError("result differs from the default level's");
    for (auto _ : state)
        FloydSteinbergMap(photo(), t, host);
    SetSimdLevel(before);
    state.SetLabel(SimdLevelName(level));
    deldib(&t);
}
BENCHMARK(BM_FloydSteinbergMapOnlyAtLevel)
    ->Arg(static_cast<int>(SimdLevel::Scalar))
    ->Arg(static_cast<int>(SimdLevel::Sse2))
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5);

void BM_CountColors(benchmark::State& state) {
    PhotoDoc p;
    const int64_t want = plainCount(photo());
    int64_t n = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(n = CountColors(p.doc, p.host));
    if (n != want)
        state.SkipWithError("count differs from the plain loop");
    state.counters["colours"] = static_cast<double>(n);
}
BENCHMARK(BM_CountColors)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);

// ---- plain loops ----

void BM_PlainFloydSteinbergMemo(benchmark::State& state) {
    const TDibRecord& r = reduced(kFs256, 0);
    for (auto _ : state)
        benchmark::DoNotOptimize(plainFloydSteinberg(photo(), r.Palette));
}
BENCHMARK(BM_PlainFloydSteinbergMemo)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

void BM_PlainNearestMemo(benchmark::State& state) {
    const TDibRecord& r = reduced(kNearest256, 1);
    for (auto _ : state)
        benchmark::DoNotOptimize(plainNearest(photo(), r.Palette));
}
BENCHMARK(BM_PlainNearestMemo)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

void BM_PlainOrdered(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(plainOrdered(photo()));
}
BENCHMARK(BM_PlainOrdered)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_PlainCountBitSet(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(plainCount(photo()));
}
BENCHMARK(BM_PlainCountBitSet)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// ---- ImageMagick ----

const char* magick() {
    static const char* path = [] {
        for (const char* p : {"/usr/bin/convert-im6.q16", "/usr/bin/convert"})
            if (::access(p, X_OK) == 0)
                return p;
        return static_cast<const char*>(nullptr);
    }();
    return path;
}

std::string tempFile(const char* name) {
    return (std::filesystem::temp_directory_path() /
            (std::string("pixorama_bench_") + std::to_string(::getpid()) + name))
        .string();
}

// The photo as a PPM, and our 256-colour palette as a 256 x 1 PPM for -remap.
const std::string& photoPpm() {
    static std::string path = [] {
        const std::string p = tempFile(".ppm");
        bench::WritePpm(photo(), p);
        return p;
    }();
    return path;
}

const std::string& palettePpm() {
    static std::string path = [] {
        const std::string p = tempFile("_pal.ppm");
        FILE* f = std::fopen(p.c_str(), "wb");
        const TDibRecord& r = reduced(kFs256, 0);
        std::fprintf(f, "P6\n256 1\n255\n");
        for (int i = 0; i < 256; ++i) {
            const TPaletteEntry& e = r.Palette.palPalEntry[i];
            const uint8_t rgb[3] = {e.peRed, e.peGreen, e.peBlue};
            std::fwrite(rgb, 1, 3, f);
        }
        std::fclose(f);
        return p;
    }();
    return path;
}

void runMagick(benchmark::State& state, const std::string& args) {
    if (magick() == nullptr) {
        state.SkipWithError("ImageMagick is not installed");
        return;
    }
    const std::string cmd = std::string(magick()) + " " + photoPpm() + " " + args + " null:";
    for (auto _ : state)
        if (std::system(cmd.c_str()) != 0)
            state.SkipWithError("convert failed");
}

void BM_MagickReadOnly(benchmark::State& state) {
    runMagick(state, "");
}
BENCHMARK(BM_MagickReadOnly)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

void BM_MagickAdaptiveFS256(benchmark::State& state) {
    runMagick(state, "-dither FloydSteinberg -colors 256");
}
BENCHMARK(BM_MagickAdaptiveFS256)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

void BM_MagickRemapFS(benchmark::State& state) {
    runMagick(state, "-dither FloydSteinberg -remap " + palettePpm());
}
BENCHMARK(BM_MagickRemapFS)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

void BM_MagickRemapNoDither(benchmark::State& state) {
    runMagick(state, "+dither -remap " + palettePpm());
}
BENCHMARK(BM_MagickRemapNoDither)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

} // namespace

int main(int argc, char** argv) {
    std::printf("CPU: AVX2 %s, AVX-512F %s\n", __builtin_cpu_supports("avx2") ? "yes" : "no",
                __builtin_cpu_supports("avx512f") ? "yes" : "no");
    benchmark::Initialize(&argc, argv);
    bench::AddCpuFeaturesContext();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::remove(photoPpm().c_str());
    std::remove(palettePpm().c_str());
    return 0;
}
