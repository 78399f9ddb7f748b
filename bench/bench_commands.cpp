// Whole commands as the menu runs them on a 6000 x 4000 photo: the undo level, the operation and
// the histogram recount, next to the bare operation, the same command with a copied undo level,
// and a copy of the image on as many threads as the operation uses (into a block kept from one
// run to the next, as the commands keep theirs).  The ratios are printed at the end of the run.
#include "bench_common.h"
#include "document/parallel.h"
#include "document/undo.h"
#include "ops/convolution.h"
#include "ops/corrections.h"
#include "ops/histogram.h"
#include "ops/tone.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <sys/resource.h>
#include <utility>
#include <vector>

namespace {

using namespace pixorama;

// The menu's host: with the histogram window open every command recounts the image; a closed
// window (the default) counts nothing.
class HistogramHost : public bench::QuietHost {
  public:
    HistogramHost(const DocumentState& doc, bool open) : doc_(doc), open_(open) {}
    void Updatehistogramm() override { pixorama::Updatehistogramm(state_, &doc_.Dib, open_); }

  private:
    const DocumentState& doc_;
    bool open_;
    THistogramState state_;
};

// A document holding a copy of the photo, as the menu finds it.
struct PhotoDoc {
    DocumentState doc;
    HistogramHost host;
    explicit PhotoDoc(bool histogramOpen = false) : host(doc, histogramOpen) {
        bench::QuietHost quiet;
        AttachImage(doc, MakeDIBCopy(bench::PhotoRecord(), quiet));
    }
    void restore() {
        CopyBytesParallel(doc.Dib.Bits, bench::PhotoRecord().Bits,
                          bench::PhotoRecord().Info->bmiHeader.biSizeImage);
    }
};

// CPU time of the whole process (every thread), in milliseconds: on a machine shared with other
// work the wall time mostly measures the waiting, this what the command itself spends.
double processCpuMs() {
    struct rusage u {};
    getrusage(RUSAGE_SELF, &u);
    auto ms = [](const timeval& t) { return t.tv_sec * 1e3 + t.tv_usec * 1e-3; };
    return ms(u.ru_utime) + ms(u.ru_stime);
}

// Runs body once per iteration and reports the process CPU time per iteration as "cpu_ms".
// setup runs before each body untimed, its CPU time left out as well.
template <class F, class S> void timed(benchmark::State& state, F&& body, S&& setup) {
    double spent = 0;
    for (auto _ : state) {
        state.PauseTiming();
        setup();
        state.ResumeTiming();
        const double start = processCpuMs();
        body();
        spent += processCpuMs() - start;
    }
    state.counters["cpu_ms"] =
        spent / static_cast<double>(std::max<int64_t>(1, state.iterations()));
}
template <class F> void timed(benchmark::State& state, F&& body) {
    timed(state, std::forward<F>(body), [] {});
}

size_t imageBytes() {
    return bench::PhotoRecord().Info->bmiHeader.biSizeImage;
}

using Op = std::function<void(DocumentState&, Host&)>;

const std::vector<std::pair<std::string, Op>>& pointOps() {
    static const std::vector<std::pair<std::string, Op>> ops = {
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

// ---- references ----

void BM_Memcpy(benchmark::State& state) {
    const TDibRecord& src = bench::PhotoRecord();
    bench::ImageBuffer dst(2);
    timed(state, [&] {
        std::memcpy(dst.data(), src.Bits, imageBytes());
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    });
}

// The copy split over the worker threads, as the operations split their rows.
void BM_MemcpyThreads(benchmark::State& state) {
    const TDibRecord& src = bench::PhotoRecord();
    bench::ImageBuffer dst(2);
    timed(state, [&] {
        CopyBytesParallel(dst.data(), src.Bits, imageBytes());
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    });
    state.counters["threads"] = ThreadCount();
}

void BM_SaveForUndo(benchmark::State& state) {
    PhotoDoc p;
    timed(state, [&] { SaveForUndo(p.doc, p.host); });
}

void BM_Histogram(benchmark::State& state) {
    PhotoDoc p(true);
    timed(state, [&] { p.host.Updatehistogramm(); });
}

// ---- commands ----

// Every run starts from the photo as opened, copied back untimed into the image the document
// holds: repeated on one image an operation would see a different image each time (the tone
// stretch one whose range it has widened already).
void BM_Kernel(benchmark::State& state, const Op& op) {
    PhotoDoc p;
    timed(
        state, [&] { op(p.doc, p.host); }, [&] { p.restore(); });
}

void BM_Command(benchmark::State& state, const Op& op) {
    PhotoDoc p;
    timed(
        state, [&] { RunPixelCommand(p.doc, p.host, [&] { op(p.doc, p.host); }); },
        [&] { p.restore(); });
}

void BM_CommandHistogram(benchmark::State& state, const Op& op) {
    PhotoDoc p(true);
    timed(
        state, [&] { RunPixelCommand(p.doc, p.host, [&] { op(p.doc, p.host); }); },
        [&] { p.restore(); });
}

void BM_CopyLevelCommand(benchmark::State& state, const Op& op) {
    PhotoDoc p;
    timed(
        state, [&] { RunCommand(p.doc, p.host, [&] { op(p.doc, p.host); }); },
        [&] { p.restore(); });
}

// Every command as the menu runs it (histogram window closed) and the copy on as many threads,
// timed alternately in rounds (bench::MeasurePairedRounds): the ratios least moved by the
// machine's changing state.
std::vector<bench::PairedRatio> gPaired;
void BM_CommandsPaired(benchmark::State& state) {
    const TDibRecord& src = bench::PhotoRecord();
    bench::ImageBuffer dst(2);
    const auto& ops = pointOps();
    for (auto _ : state) {
        PhotoDoc p;
        gPaired = bench::MeasurePairedRounds(
            static_cast<int>(state.range(0)), ops.size(), [&](size_t) { p.restore(); },
            [&](size_t j) {
                RunPixelCommand(p.doc, p.host, [&] { ops[j].second(p.doc, p.host); });
            },
            [&](size_t) {
                CopyBytesParallel(dst.data(), src.Bits, imageBytes());
                benchmark::DoNotOptimize(dst.data());
                benchmark::ClobberMemory();
            });
    }
}

void BM_FilterCommand(benchmark::State& state, const char* name) {
    PhotoDoc p;
    const TFilterRecord f = PrepareBuiltinFilter(*FindBuiltinFilter(name));
    timed(state, [&] { DibFilter(p.doc, p.host, f); });
}

void BM_FilterCommandHistogram(benchmark::State& state, const char* name) {
    PhotoDoc p(true);
    const TFilterRecord f = PrepareBuiltinFilter(*FindBuiltinFilter(name));
    timed(state, [&] { DibFilter(p.doc, p.host, f); });
}

// Collects the real time of every benchmark: the median when the run is repeated, else the mean.
class TimeCollector : public benchmark::ConsoleReporter {
  public:
    std::map<std::string, double> ms;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs) {
            if (r.error_occurred)
                continue;
            std::string name = r.benchmark_name();
            const bool median = r.run_type == Run::RT_Aggregate && r.aggregate_name == "median";
            if (r.run_type == Run::RT_Aggregate && !median)
                continue;
            if (median)
                name.erase(name.rfind("_median"));
            else if (ms.count(name + "#median"))
                continue;
            ms[name] = r.GetAdjustedRealTime();
            const auto cpu = r.counters.find("cpu_ms");
            if (cpu != r.counters.end())
                ms[name + "#cpu"] = cpu->second;
            if (median)
                ms[name + "#median"] = 1;
        }
        ConsoleReporter::ReportRuns(runs);
    }
    // wall time, or with cpu the process CPU time of all threads
    double get(const std::string& name, bool cpu = false) const {
        auto it = ms.find(name + "/real_time" + (cpu ? "#cpu" : ""));
        return it == ms.end() ? 0.0 : it->second;
    }
};

void printTable(const TimeCollector& t, bool cpu) {
    auto get = [&](const std::string& name) { return t.get(name, cpu); };
    const double mem = get("BM_Memcpy"), memT = get("BM_MemcpyThreads");
    std::printf("\n%s\n",
                cpu ? "By CPU time of all threads (what the work itself costs):" : "By wall time:");
    std::printf("memcpy %.2f ms on one thread, %.2f ms on %d threads; SaveForUndo (copy) %.2f ms"
                " = %.2f x memcpy; histogram recount %.2f ms = %.2f x memcpy\n",
                mem, memT, ThreadCount(), get("BM_SaveForUndo"), get("BM_SaveForUndo") / memT,
                get("BM_Histogram"), get("BM_Histogram") / memT);
    std::printf("%-18s %8s %8s %8s %9s | %8s %8s %8s %8s\n", "x memcpy", "command", "+histo",
                "kernel", "copylevel", "cmd ms", "+histo", "kern ms", "copy ms");
    for (const auto& [name, op] : pointOps()) {
        const double c = get("BM_Command/" + name), h = get("BM_CommandHistogram/" + name),
                     k = get("BM_Kernel/" + name), o = get("BM_CopyLevelCommand/" + name);
        std::printf("%-18s %8.2f %8.2f %8.2f %9.2f | %8.2f %8.2f %8.2f %8.2f\n", name.c_str(),
                    c / memT, h / memT, k / memT, o / memT, c, h, k, o);
    }
    for (const char* f : {"soften-strong", "soften"}) {
        const double v = get(std::string("BM_FilterCommand/") + f),
                     h = get(std::string("BM_FilterCommandHistogram/") + f);
        std::printf("DibFilter %-13s %.2f ms (undo level included) = %.2f x memcpy; +histo "
                    "%.2f ms = %.2f x memcpy\n",
                    f, v, v / memT, h, h / memT);
    }
}

void printRatios(const TimeCollector& t) {
    std::printf("\nImage %zu bytes, ratios to memcpy of the image on %d threads (the threads the"
                " operations use)\n",
                imageBytes(), ThreadCount());
    printTable(t, false);
    printTable(t, true);
    if (gPaired.size() == pointOps().size()) {
        std::printf("\nCommands (histogram window closed) timed alternately with the copy on %d "
                    "threads, every command once per round (medians of the pairs):\n"
                    "%-18s %8s %8s %8s %8s\n",
                    ThreadCount(), "x memcpy", "wall", "CPU", "cmd ms", "copy ms");
        for (size_t j = 0; j < gPaired.size(); ++j)
            std::printf("%-18s %8.2f %8.2f %8.2f %8.2f\n", pointOps()[j].first.c_str(),
                        gPaired[j].wall, gPaired[j].cpu, gPaired[j].oursMs, gPaired[j].refMs);
    }
    std::printf("(command = undo level taking the image's buffer + operation, histogram window\n"
                " closed; +histo = the same with the histogram window open; copylevel = command\n"
                " with a copied undo level)\n");
}

} // namespace

int main(int argc, char** argv) {
    if (bench::PhotoRecord().Bits == nullptr)
        return 1;
    const auto ms = benchmark::kMillisecond;
    benchmark::RegisterBenchmark("BM_Memcpy", BM_Memcpy)->Unit(ms)->UseRealTime();
    benchmark::RegisterBenchmark("BM_MemcpyThreads", BM_MemcpyThreads)->Unit(ms)->UseRealTime();
    benchmark::RegisterBenchmark("BM_SaveForUndo", BM_SaveForUndo)->Unit(ms)->UseRealTime();
    benchmark::RegisterBenchmark("BM_Histogram", BM_Histogram)->Unit(ms)->UseRealTime();
    for (const auto& [name, op] : pointOps()) {
        benchmark::RegisterBenchmark(("BM_Kernel/" + name).c_str(), BM_Kernel, op)
            ->Unit(ms)
            ->UseRealTime();
        benchmark::RegisterBenchmark(("BM_Command/" + name).c_str(), BM_Command, op)
            ->Unit(ms)
            ->UseRealTime();
        benchmark::RegisterBenchmark(("BM_CommandHistogram/" + name).c_str(), BM_CommandHistogram,
                                     op)
            ->Unit(ms)
            ->UseRealTime();
        benchmark::RegisterBenchmark(("BM_CopyLevelCommand/" + name).c_str(), BM_CopyLevelCommand,
                                     op)
            ->Unit(ms)
            ->UseRealTime();
    }
    benchmark::RegisterBenchmark("BM_CommandsPaired", BM_CommandsPaired)
        ->Arg(9)
        ->Iterations(1)
        ->Unit(ms);
    for (const char* f : {"soften-strong", "soften"}) {
        benchmark::RegisterBenchmark((std::string("BM_FilterCommand/") + f).c_str(),
                                     BM_FilterCommand, f)
            ->Unit(ms)
            ->UseRealTime();
        benchmark::RegisterBenchmark((std::string("BM_FilterCommandHistogram/") + f).c_str(),
                                     BM_FilterCommandHistogram, f)
            ->Unit(ms)
            ->UseRealTime();
    }
    benchmark::Initialize(&argc, argv);
    bench::AddCpuFeaturesContext();
    TimeCollector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);
    printRatios(collector);
    benchmark::Shutdown();
    return 0;
}
