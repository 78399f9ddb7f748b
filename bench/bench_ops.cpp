// The image operations on a 6000 x 4000 24-bit photo: convolution (5x5 and 3x3) against a plain
// scalar loop of the same formula and libvips (conv and the separable convsep), the point
// operations against memcpy of the image on as many threads as the operations use, and the
// same operations with every other row selected.  The ratios are printed at the end of the run;
// the filter and two point operations are checked bit for bit against their plain loops first.
// PIXORAMA_SIMD=avx512|avx2|sse2|scalar forces the vector level (shown as "simd_level").
#include "bench_common.h"
#include "document/parallel.h"
#include "document/simd_level.h"
#include "document/undo.h"
#include "ops/convolution.h"
#include "ops/corrections.h"
#include "ops/rows.h"
#include "ops/tone.h"
#include "photo.h"

#include <benchmark/benchmark.h>

#ifdef PIXORAMA_HAVE_VIPS
#include <vips/vips8>
#endif

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace {

using namespace pixorama;

using NullHost = bench::QuietHost;

const TDibRecord& photo() {
    return bench::PhotoRecord();
}

size_t imageBytes() {
    return photo().Info->bmiHeader.biSizeImage;
}

// A document holding a copy of the photo; with `rows` every other row is selected.
struct PhotoDoc {
    DocumentState doc;
    NullHost host;
    explicit PhotoDoc(bool rows = false) {
        TDibRecord copy = MakeDIBCopy(photo(), host);
        AttachImage(doc, copy);
        if (rows) {
            for (int y = 0; y < bench::kPhotoHeight; y += 2)
                std::memset(ops::ImageRow(doc.SelMask, y), 0xFF,
                            static_cast<size_t>(doc.SelMask.LineBytes));
            doc.HasSelection = true;
        }
    }
};

// ---- the plain loops ----

// The filter formula over a top-down padded copy (edges repeated), one pixel and channel at a
// time.
struct Padded {
    std::vector<uint8_t> data;
    size_t stride;
};
Padded padPhoto() {
    const int w = bench::kPhotoWidth, h = bench::kPhotoHeight;
    Padded p;
    p.stride = static_cast<size_t>(w + 4) * 3;
    p.data.resize(p.stride * static_cast<size_t>(h + 4));
    for (int y = 0; y < h + 4; ++y) {
        const uint8_t* src = ops::ImageRow(photo(), std::clamp(y - 2, 0, h - 1));
        uint8_t* dst = p.data.data() + static_cast<size_t>(y) * p.stride;
        for (int x = 0; x < w + 4; ++x)
            std::memcpy(dst + 3 * x, src + 3 * std::clamp(x - 2, 0, w - 1), 3);
    }
    return p;
}

void scalarFilter(const Padded& in, const TFilterRecord& f, std::vector<uint8_t>& out) {
    const int w = bench::kPhotoWidth, h = bench::kPhotoHeight;
    out.resize(static_cast<size_t>(w) * 3 * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int ch = 0; ch < 3; ++ch) {
                int32_t sum = 0;
                for (int c = 0; c < 5; ++c)
                    for (int r = 0; r < 5; ++r)
                        sum += f.Matrix[c][r] *
                               in.data[static_cast<size_t>(y + r) * in.stride + 3 * (x + c) + ch];
                const int32_t v = sum / f.Divisor + f.Bias;
                out[(static_cast<size_t>(y) * w + x) * 3 + ch] =
                    static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
            }
}

void scalarGray(uint8_t* p, size_t pixels) {
    for (size_t i = 0; i < pixels; ++i, p += 3) {
        const int l = (30 * p[2] + 59 * p[1] + 11 * p[0]) / 100;
        p[0] = p[1] = p[2] = static_cast<uint8_t>(l);
    }
}

void scalarContrast(uint8_t* p, size_t bytes, int c) {
    for (size_t i = 0; i < bytes; ++i) {
        const int v = p[i];
        int r;
        if (c <= 100) {
            r = c * (v - 127) / 100 + 127;
        } else {
            const int k = 200 - c;
            r = v < 128 ? v * k / 100 : 255 - k * (255 - v) / 100;
        }
        p[i] = static_cast<uint8_t>(r < 0 ? 0 : (r > 255 ? 255 : r));
    }
}

// Whole-image buffer of a record's rows, top row first, without padding bytes.
std::vector<uint8_t> topDown(const TDibRecord& d) {
    const size_t row = static_cast<size_t>(DibWidth(&d)) * 3;
    std::vector<uint8_t> v(row * static_cast<size_t>(DibHeight(&d)));
    for (int y = 0; y < DibHeight(&d); ++y)
        std::memcpy(v.data() + row * y, ops::ImageRow(d, y), row);
    return v;
}

// ---- the checks before timing ----

bool checkFilter(const TBuiltinFilter& bf) {
    PhotoDoc p;
    const TFilterRecord f = PrepareBuiltinFilter(bf);
    DibFilter(p.doc, p.host, f);
    std::vector<uint8_t> ref;
    scalarFilter(padPhoto(), f, ref);
    return topDown(p.doc.Dib) == ref;
}

bool checkPoint(const std::function<void(DocumentState&, Host&)>& op,
                const std::function<void(uint8_t*, size_t)>& plain) {
    PhotoDoc p;
    op(p.doc, p.host);
    std::vector<uint8_t> ref = topDown(photo());
    plain(ref.data(), ref.size());
    return topDown(p.doc.Dib) == ref;
}

// ---- benchmarks ----

// The copy split into the same kind of row blocks the operations hand to the threads.
void copyImage(uint8_t* dst, const uint8_t* src, size_t bytes, bool threaded) {
    if (!threaded) {
        std::memcpy(dst, src, bytes);
        return;
    }
    constexpr int64_t kBlocks = 250; // 16 rows of the photo each
    ParallelFor(kBlocks, [&](int64_t b) {
        const size_t from = bytes * static_cast<size_t>(b) / kBlocks;
        const size_t to = bytes * static_cast<size_t>(b + 1) / kBlocks;
        std::memcpy(dst + from, src + from, to - from);
    });
}

void memcpyBench(benchmark::State& state, bool threaded) {
    bench::ImageBuffer src(1), dst(2);
    for (auto _ : state) {
        copyImage(dst.data(), src.data(), src.size(), threaded);
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(src.size()));
    state.counters["threads"] = threaded ? ThreadCount() : 1;
}
void BM_Memcpy(benchmark::State& state) {
    memcpyBench(state, true);
}
void BM_Memcpy1Thread(benchmark::State& state) {
    memcpyBench(state, false);
}

void BM_SaveForUndo(benchmark::State& state) {
    PhotoDoc p;
    for (auto _ : state)
        SaveForUndo(p.doc, p.host);
}

void filterBench(benchmark::State& state, const char* name, bool rows, bool bare = false) {
    const TBuiltinFilter& bf = *FindBuiltinFilter(name);
    PhotoDoc p(rows);
    for (auto _ : state) {
        if (bare)
            FilterPixels(p.doc, p.host, PrepareBuiltinFilter(bf));
        else
            DibFilter(p.doc, p.host, PrepareBuiltinFilter(bf));
    }
}
void BM_FilterPixels5x5(benchmark::State& s) {
    filterBench(s, "soften-strong", false, true);
}
void BM_FilterPixels3x3(benchmark::State& s) {
    filterBench(s, "soften", false, true);
}
void BM_DibFilter5x5(benchmark::State& s) {
    filterBench(s, "soften-strong", false);
}
void BM_DibFilter3x3(benchmark::State& s) {
    filterBench(s, "soften", false);
}
void BM_DibFilter5x5Rows(benchmark::State& s) {
    filterBench(s, "soften-strong", true);
}

void scalarBench(benchmark::State& state, const char* name) {
    const Padded in = padPhoto();
    const TFilterRecord f = PrepareBuiltinFilter(*FindBuiltinFilter(name));
    std::vector<uint8_t> out;
    for (auto _ : state) {
        scalarFilter(in, f, out);
        benchmark::DoNotOptimize(out.data());
    }
}
void BM_ScalarFilter5x5(benchmark::State& s) {
    scalarBench(s, "soften-strong");
}
void BM_ScalarFilter3x3(benchmark::State& s) {
    scalarBench(s, "soften");
}

// DibFilter against libvips convsep, timed alternately (BM_FilterPairedConvsep), by box size.
std::map<std::string, bench::PairedRatio> gFilterPaired;

#ifdef PIXORAMA_HAVE_VIPS
// libvips writes its result into a buffer made once, as our operations write into the image
// they already have (write_to_memory would fault in a fresh 72 MB block every time).
int copyRegion(VipsRegion* region, VipsRect* area, void* a) {
    auto* out = static_cast<std::vector<uint8_t>*>(a);
    const size_t row = static_cast<size_t>(area->width) * VIPS_IMAGE_SIZEOF_PEL(region->im);
    const size_t stride =
        static_cast<size_t>(region->im->Xsize) * VIPS_IMAGE_SIZEOF_PEL(region->im);
    for (int y = 0; y < area->height; ++y)
        std::memcpy(out->data() + stride * static_cast<size_t>(area->top + y) +
                        static_cast<size_t>(area->left) * VIPS_IMAGE_SIZEOF_PEL(region->im),
                    VIPS_REGION_ADDR(region, area->left, area->top + y), row);
    return 0;
}

enum class VipsJob { Conv, ConvSep, Gray, Invert };

// One run of libvips over the photo's pixels (top-down) into `result`; false when it fails.
bool runVips(std::vector<uint8_t>& pixels, std::vector<uint8_t>& result, int size, VipsJob job) {
    static std::vector<double> ones(25, 1.0); // up to the largest box, 5 x 5
    if (static_cast<size_t>(size) * static_cast<size_t>(size) > ones.size())
        return false;
    vips::VImage in =
        vips::VImage::new_from_memory(pixels.data(), pixels.size(), bench::kPhotoWidth,
                                      bench::kPhotoHeight, 3, VIPS_FORMAT_UCHAR);
    vips::VImage out;
    if (job == VipsJob::Gray) {
        out = in.colourspace(VIPS_INTERPRETATION_B_W);
    } else if (job == VipsJob::Invert) {
        out = in.invert();
    } else {
        // convsep takes one row of the box and runs it along both axes, dividing after each
        const bool sep = job == VipsJob::ConvSep;
        const int rows = sep ? 1 : size;
        vips::VImage mask = vips::VImage::new_matrix(size, rows, ones.data(), size * rows);
        mask.set("scale", static_cast<double>(size * rows));
        mask.set("offset", 0.0);
        auto* options = vips::VImage::option()->set("precision", VIPS_PRECISION_INTEGER);
        out = sep ? in.convsep(mask, options) : in.conv(mask, options);
    }
    if (VIPS_IMAGE_SIZEOF_IMAGE(out.get_image()) > result.size() ||
        vips_sink_disc(out.get_image(), copyRegion, &result) != 0)
        return false;
    benchmark::DoNotOptimize(result.data());
    benchmark::ClobberMemory();
    return true;
}

void vipsBench(benchmark::State& state, int size, VipsJob job) {
    std::vector<uint8_t> pixels = topDown(photo());
    std::vector<uint8_t> result(pixels.size(), 0);
    for (auto _ : state)
        if (!runVips(pixels, result, size, job))
            state.SkipWithError("libvips failed");
}

// DibFilter as the menu runs it (its undo level included) and libvips convsep on the same box,
// timed alternately in rounds: the ratio least moved by the machine's changing state.
void BM_FilterPairedConvsep(benchmark::State& state) {
    std::vector<uint8_t> pixels = topDown(photo());
    std::vector<uint8_t> result(pixels.size(), 0);
    const std::pair<const char*, int> jobs[] = {{"soften-strong", 5}, {"soften", 3}};
    bool failed = false;
    for (auto _ : state) {
        PhotoDoc p;
        const std::vector<bench::PairedRatio> r = bench::MeasurePairedRounds(
            static_cast<int>(state.range(0)), std::size(jobs), [](size_t) {},
            [&](size_t j) {
                DibFilter(p.doc, p.host, PrepareBuiltinFilter(*FindBuiltinFilter(jobs[j].first)));
            },
            [&](size_t j) {
                failed = !runVips(pixels, result, jobs[j].second, VipsJob::ConvSep) || failed;
            });
        for (size_t j = 0; j < std::size(jobs); ++j)
            gFilterPaired[jobs[j].second == 5 ? "5x5" : "3x3"] = r[j];
    }
    if (failed)
        state.SkipWithError("libvips failed");
}

void BM_Vips5x5(benchmark::State& s) {
    vipsBench(s, 5, VipsJob::Conv);
}
void BM_Vips3x3(benchmark::State& s) {
    vipsBench(s, 3, VipsJob::Conv);
}
void BM_VipsSep5x5(benchmark::State& s) {
    vipsBench(s, 5, VipsJob::ConvSep);
}
void BM_VipsSep3x3(benchmark::State& s) {
    vipsBench(s, 3, VipsJob::ConvSep);
}
void BM_VipsGray(benchmark::State& s) {
    vipsBench(s, 0, VipsJob::Gray);
}
void BM_VipsInvert(benchmark::State& s) {
    vipsBench(s, 0, VipsJob::Invert);
}
#endif

// Every run starts from the photo as opened (copied back untimed): repeated on one image, an
// operation would measure a different image each time, and the tone stretch in particular an
// image whose range it has already widened.
void pointBench(benchmark::State& state, const std::function<void(DocumentState&, Host&)>& op,
                bool rows) {
    PhotoDoc p(rows);
    for (auto _ : state) {
        state.PauseTiming();
        CopyBytesParallel(p.doc.Dib.Bits, photo().Bits, imageBytes());
        state.ResumeTiming();
        op(p.doc, p.host);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(imageBytes()));
}

// The same operation on one thread over 40 rows from the middle of the photo (720 KB, inside the
// L2 cache): what it costs to compute, without waiting for memory.  Printed per 32 bytes and as
// the time it would take over the whole photo on every thread if computing were all.
constexpr int kStripRows = 40;
void inCacheBench(benchmark::State& state, const std::function<void(DocumentState&, Host&)>& op) {
    NullHost host;
    TDibRecord strip{};
    if (newdib(&strip, bench::kPhotoWidth, kStripRows, 24, nullptr, 0) == 0) {
        state.SkipWithError("no memory for the strip");
        return;
    }
    const size_t bytes = static_cast<size_t>(strip.LineBytes) * kStripRows;
    const uint8_t* middle =
        photo().Bits + static_cast<size_t>(photo().LineBytes) * (bench::kPhotoHeight / 2);
    std::memcpy(strip.Bits, middle, bytes);
    DocumentState doc;
    AttachImage(doc, MakeDIBCopy(strip, host));
    deldib(&strip);
    PictoraSetThreadLimit(1);
    for (auto _ : state) {
        state.PauseTiming();
        std::memcpy(doc.Dib.Bits, middle, bytes);
        state.ResumeTiming();
        op(doc, host);
    }
    PictoraSetThreadLimit(0);
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes));
}

void BM_ScalarGray(benchmark::State& state) {
    std::vector<uint8_t> px = topDown(photo());
    for (auto _ : state) {
        scalarGray(px.data(), px.size() / 3);
        benchmark::DoNotOptimize(px.data());
    }
}
void BM_ScalarContrast(benchmark::State& state) {
    std::vector<uint8_t> px = topDown(photo());
    for (auto _ : state) {
        scalarContrast(px.data(), px.size(), 150);
        benchmark::DoNotOptimize(px.data());
    }
}

const std::vector<std::pair<std::string, std::function<void(DocumentState&, Host&)>>>& pointOps() {
    static const std::vector<std::pair<std::string, std::function<void(DocumentState&, Host&)>>>
        ops = {
            {"DibInvert", [](DocumentState& d, Host& h) { DibInvert(d, h); }},
            {"DibGrayscale", [](DocumentState& d, Host& h) { DibGrayscale(d, h); }},
            {"StretchHistogramm", [](DocumentState& d, Host& h) { StretchHistogramm(d, h); }},
            {"DibPoster", [](DocumentState& d, Host& h) { DibPoster(d, h, 4); }},
            {"DibSolar", [](DocumentState& d, Host& h) { DibSolar(d, h, 128); }},
            {"Helligkeit", [](DocumentState& d, Host& h) { Helligkeit(d, h, 20); }},
            {"Kontrast", [](DocumentState& d, Host& h) { Kontrast(d, h, 150); }},
            {"Saettigung", [](DocumentState& d, Host& h) { Saettigung(d, h, 30); }},
            {"HighMidShadow", [](DocumentState& d, Host& h) { HighMidShadow(d, h, 230, 140, 20); }},
            {"RedGreenBlue", [](DocumentState& d, Host& h) { RedGreenBlue(d, h, 20, -10, 5); }},
            {"Colorize", [](DocumentState& d, Host& h) { Colorize(d, h, 40, 180); }},
            {"Gamma", [](DocumentState& d, Host& h) { Gamma(d, h, 1.8); }},
        };
    return ops;
}

// Every point operation and a copy of the image on as many threads, alternately (the photo
// copied back untimed before each operation): the ratios least moved by load from outside.
std::map<std::string, bench::PairedRatio> gPaired;
// the share of huge pages behind the operations' image, the copy's source and its destination
double gHuge[3] = {-1, -1, -1};
void BM_PairedRatios(benchmark::State& state) {
    bench::ImageBuffer src(1), dst(2);
    gHuge[1] = bench::HugePageShare(src.data());
    gHuge[2] = bench::HugePageShare(dst.data());
    auto copy = [&] {
        copyImage(dst.data(), src.data(), src.size(), true);
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    };
    const auto& ops = pointOps();
    for (auto _ : state) {
        PhotoDoc p;
        const std::vector<bench::PairedRatio> r = bench::MeasurePairedRounds(
            static_cast<int>(state.range(0)), ops.size(),
            [&](size_t) { CopyBytesParallel(p.doc.Dib.Bits, photo().Bits, imageBytes()); },
            [&](size_t j) { ops[j].second(p.doc, p.host); }, [&](size_t) { copy(); });
        for (size_t j = 0; j < ops.size(); ++j)
            gPaired[ops[j].first] = r[j];
        gHuge[0] = bench::HugePageShare(p.doc.Dib.Bits);
    }
}

void printRatios(const bench::RatioReporter& rep) {
    if (rep.ms("BM_Memcpy") <= 0)
        return;
    auto get = [&](const std::string& name) { return rep.ms(name); };
    const double mem = get("BM_Memcpy"), mem1 = get("BM_Memcpy1Thread"),
                 undo = get("BM_SaveForUndo");
    std::printf("\nRatios of the %s (same run, vector level %s; memcpy of the %zu bytes on %d "
                "threads %.2f ms, on one %.2f ms)\n",
                rep.usesCpuTime() ? "CPU time of all threads" : "wall time",
                SimdLevelName(ActiveSimdLevel()), imageBytes(), static_cast<int>(ThreadCount()),
                mem, mem1);
    auto line = [](const char* what, double v) {
        if (v > 0 && std::isfinite(v))
            std::printf("  %-56s %8.2f\n", what, v);
    };
    line("SaveForUndo / memcpy", undo / mem);
    for (const char* k : {"5x5", "3x3"}) {
        const double f = get(std::string("BM_DibFilter") + k);
        const double s = get(std::string("BM_ScalarFilter") + k);
        const double v = get(std::string("BM_Vips") + k);
        const double sep = get(std::string("BM_VipsSep") + k);
        const double bare = get(std::string("BM_FilterPixels") + k), copied = bare + mem;
        std::printf("DibFilter %s: %.1f ms with its undo level; bare %.1f ms; with a plain copy "
                    "%.1f ms\n",
                    k, f, bare, copied);
        line("  / memcpy", f / mem);
        line("  bare / memcpy", bare / mem);
        line("  plain scalar loop / DibFilter", s / f);
        if (v > 0) {
            line("  libvips conv / DibFilter (undo level included)", v / f);
            line("  libvips convsep / DibFilter (undo level included)", sep / f);
            line("  libvips convsep / DibFilter bare", sep / bare);
            line("  libvips convsep / DibFilter bare + plain copy", sep / copied);
            if (gFilterPaired.count(k) != 0 && !rep.usesCpuTime())
                std::printf("  %-56s %8.2f   (%.1f ms / %.1f ms, medians)\n",
                            "libvips convsep / DibFilter, timed alternately",
                            1 / gFilterPaired[k].wall, gFilterPaired[k].refMs,
                            gFilterPaired[k].oursMs);
        }
    }
    line("DibFilter 5x5 every other row selected / none",
         get("BM_DibFilter5x5Rows") / get("BM_DibFilter5x5"));
    std::printf("Point operations, bare (time / memcpy on as many threads; / memcpy on one; every "
                "other row selected / none):\n");
    for (const auto& [name, op] : pointOps()) {
        const double t = get("BM_" + name), r = get("BM_" + name + "Rows");
        std::printf("  %-24s %7.2f ms %8.2f x memcpy %8.2f x memcpy1 %8.2f rows/none\n",
                    name.c_str(), t, t / mem, t / mem1, r / t);
    }
    if (!rep.usesCpuTime() && get("BM_DibInvertInCache") > 0) {
        // bytes of the strip: 40 rows of the photo
        const double stripChunks =
            static_cast<double>(imageBytes()) / bench::kPhotoHeight * kStripRows / 32.0;
        const double photoChunks = static_cast<double>(imageBytes()) / 32.0;
        std::printf("Point operations in the L2 cache, one thread (40 rows; ns per 32 bytes; the "
                    "photo on %d threads at that rate / memcpy):\n",
                    static_cast<int>(ThreadCount()));
        for (const auto& [name, op] : pointOps()) {
            const double ms = get("BM_" + name + "InCache");
            if (ms <= 0)
                continue;
            const double ns = ms * 1e6 / stripChunks;
            const double photoMs = ns * photoChunks / ThreadCount() * 1e-6;
            std::printf("  %-24s %7.2f ns %8.2f x memcpy\n", name.c_str(), ns, photoMs / mem);
        }
    }
    if (!gPaired.empty() && !rep.usesCpuTime()) {
        std::printf("Point operations, bare, timed alternately with the copy, every operation once "
                    "per round (medians of the pairs; share of huge pages: image %.2f, copy source "
                    "%.2f, destination %.2f):\n  %-24s %8s %8s %10s %10s\n",
                    gHuge[0], gHuge[1], gHuge[2], "", "wall", "CPU", "op ms", "copy ms");
        for (const auto& [name, op] : pointOps()) {
            const bench::PairedRatio& r = gPaired[name];
            std::printf("  %-24s %8.2f %8.2f %10.2f %10.2f\n", name.c_str(), r.wall, r.cpu,
                        r.oursMs, r.refMs);
        }
    }
    line("plain greyscale loop / DibGrayscale", get("BM_ScalarGray") / get("BM_DibGrayscale"));
    line("plain contrast loop / Kontrast", get("BM_ScalarContrast") / get("BM_Kontrast"));
    line("libvips greyscale / DibGrayscale", get("BM_VipsGray") / get("BM_DibGrayscale"));
    line("libvips invert / DibInvert", get("BM_VipsInvert") / get("BM_DibInvert"));
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
    // bit for bit against the plain loops before anything is timed (PIXORAMA_BENCH_NOCHECK=1
    // skips this, e.g. for profiling)
    bool exact = true;
    const bool check = std::getenv("PIXORAMA_BENCH_NOCHECK") == nullptr;
    for (const char* name : {"soften-strong", "soften", "sharpen-strong", "emboss-h"}) {
        if (!check)
            break;
        const bool ok = checkFilter(*FindBuiltinFilter(name));
        std::printf("bit-exact DibFilter %-16s %s\n", name, ok ? "yes" : "NO");
        exact = exact && ok;
    }
    const bool grayOk = !check || checkPoint([](DocumentState& d, Host& h) { DibGrayscale(d, h); },
                                             [](uint8_t* p, size_t n) { scalarGray(p, n / 3); });
    const bool contrastOk =
        !check || checkPoint([](DocumentState& d, Host& h) { Kontrast(d, h, 150); },
                             [](uint8_t* p, size_t n) { scalarContrast(p, n, 150); });
    std::printf("bit-exact DibGrayscale %s, Kontrast %s\n", grayOk ? "yes" : "NO",
                contrastOk ? "yes" : "NO");
    exact = exact && grayOk && contrastOk;

    // wall time, and the CPU time of every thread of the process (steadier on a busy machine)
    auto timed = [](benchmark::internal::Benchmark* b) {
        b->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
    };
    timed(benchmark::RegisterBenchmark("BM_Memcpy", BM_Memcpy));
    timed(benchmark::RegisterBenchmark("BM_Memcpy1Thread", BM_Memcpy1Thread));
    timed(benchmark::RegisterBenchmark("BM_SaveForUndo", BM_SaveForUndo));
    timed(benchmark::RegisterBenchmark("BM_DibFilter5x5", BM_DibFilter5x5));
    timed(benchmark::RegisterBenchmark("BM_DibFilter3x3", BM_DibFilter3x3));
    timed(benchmark::RegisterBenchmark("BM_DibFilter5x5Rows", BM_DibFilter5x5Rows));
    timed(benchmark::RegisterBenchmark("BM_FilterPixels5x5", BM_FilterPixels5x5));
    timed(benchmark::RegisterBenchmark("BM_FilterPixels3x3", BM_FilterPixels3x3));
    timed(benchmark::RegisterBenchmark("BM_ScalarFilter5x5", BM_ScalarFilter5x5));
    timed(benchmark::RegisterBenchmark("BM_ScalarFilter3x3", BM_ScalarFilter3x3));
#ifdef PIXORAMA_HAVE_VIPS
    timed(benchmark::RegisterBenchmark("BM_Vips5x5", BM_Vips5x5));
    timed(benchmark::RegisterBenchmark("BM_Vips3x3", BM_Vips3x3));
    timed(benchmark::RegisterBenchmark("BM_VipsSep5x5", BM_VipsSep5x5));
    timed(benchmark::RegisterBenchmark("BM_VipsSep3x3", BM_VipsSep3x3));
    timed(benchmark::RegisterBenchmark("BM_VipsGray", BM_VipsGray));
    timed(benchmark::RegisterBenchmark("BM_VipsInvert", BM_VipsInvert));
    benchmark::RegisterBenchmark("BM_FilterPairedConvsep", BM_FilterPairedConvsep)
        ->Arg(9)
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
#endif
    for (const auto& [name, op] : pointOps()) {
        timed(benchmark::RegisterBenchmark(("BM_" + name).c_str(), pointBench, op, false));
        timed(benchmark::RegisterBenchmark(("BM_" + name + "Rows").c_str(), pointBench, op, true));
        benchmark::RegisterBenchmark(("BM_" + name + "InCache").c_str(), inCacheBench, op)
            ->Unit(benchmark::kMicrosecond);
    }
    benchmark::RegisterBenchmark("BM_PairedRatios", BM_PairedRatios)
        ->Arg(21)
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
    timed(benchmark::RegisterBenchmark("BM_ScalarGray", BM_ScalarGray));
    timed(benchmark::RegisterBenchmark("BM_ScalarContrast", BM_ScalarContrast));

    benchmark::AddCustomContext("simd_level", SimdLevelName(ActiveSimdLevel()));
    bench::RatioReporter reporter;
    bench::RunWithRatios(argc, argv, reporter);
    printRatios(reporter);
    reporter.useCpuTime(true);
    printRatios(reporter);
    benchmark::Shutdown();
#ifdef PIXORAMA_HAVE_VIPS
    vips_shutdown();
#endif
    return exact ? 0 : 1;
}
