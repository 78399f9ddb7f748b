// What every benchmark program reports besides its times: the processor's vector features in
// the context, and the real times collected for a ratio table printed after the run.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace bench {

// Adds "cpu_features" (sse2 avx2 avx512f ...) to the report once.
inline void AddCpuFeaturesContext() {
    static bool done = false;
    if (done)
        return;
    done = true;
    std::string f;
    const std::pair<const char*, bool> features[] = {
        {"sse2", __builtin_cpu_supports("sse2")},
        {"avx2", __builtin_cpu_supports("avx2")},
        {"avx512f", __builtin_cpu_supports("avx512f")},
        {"avx512bw", __builtin_cpu_supports("avx512bw")},
        {"avx512vbmi", __builtin_cpu_supports("avx512vbmi")}};
    for (const auto& [name, on] : features)
        if (on) {
            if (!f.empty())
                f += ' ';
            f += name;
        }
    benchmark::AddCustomContext("cpu_features", f);
}

// Collects the real time and the CPU time in milliseconds of every benchmark: the median when
// the run is repeated (--benchmark_repetitions=N), else the mean.  On a busy machine the wall
// time swings with the other load; benchmarks registered with MeasureProcessCPUTime() count the
// CPU time of every thread of the process, which stays steadier.
class RatioReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs) {
            if (r.error_occurred)
                continue;
            std::string name = r.benchmark_name();
            // the options Google Benchmark writes into the name are not part of it here
            for (const char* option :
                 {"/min_time:", "/min_warmup_time:", "/iterations:", "/repeats:"})
                for (size_t at = name.find(option); at != std::string::npos;
                     at = name.find(option)) {
                    const size_t end = name.find('/', at + 1);
                    name.erase(at, end == std::string::npos ? std::string::npos : end - at);
                }
            if (r.run_type == Run::RT_Aggregate) {
                if (r.aggregate_name != "median")
                    continue;
                const std::string suffix = "_median";
                if (name.size() > suffix.size() &&
                    name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
                    name.resize(name.size() - suffix.size());
                medians_.insert(name);
            } else if (medians_.count(name)) {
                continue;
            }
            const double scale = r.time_unit == benchmark::kMicrosecond  ? 1e-3
                                 : r.time_unit == benchmark::kNanosecond ? 1e-6
                                 : r.time_unit == benchmark::kSecond     ? 1e3
                                                                         : 1.0;
            ms_[name] = r.GetAdjustedRealTime() * scale;
            cpu_[name] = r.GetAdjustedCPUTime() * scale;
        }
        ConsoleReporter::ReportRuns(runs);
    }

    // The time of a benchmark by its name (without the suffixes Google Benchmark appends); 0
    // when it did not run.  The real time, or the CPU time after useCpuTime(true).
    double ms(const std::string& name) const {
        const auto& m = useCpu_ ? cpu_ : ms_;
        for (const char* suffix : {"/process_time/real_time", "/real_time", "/process_time", ""}) {
            auto it = m.find(name + suffix);
            if (it != m.end())
                return it->second;
        }
        return 0.0;
    }
    void useCpuTime(bool on) { useCpu_ = on; }
    bool usesCpuTime() const { return useCpu_; }

    // Prints "what  a / b" of the wall times and of the CPU times when both ran.
    void ratio(const char* what, const std::string& a, const std::string& b) {
        const bool before = useCpu_;
        useCpu_ = false;
        const double x = ms(a), y = ms(b);
        useCpu_ = true;
        const double cx = ms(a), cy = ms(b);
        useCpu_ = before;
        if (x > 0 && y > 0 && cx > 0 && cy > 0)
            std::printf("  %-48s wall %6.2f  CPU %6.2f\n", what, x / y, cx / cy);
    }

  private:
    std::map<std::string, double> ms_, cpu_;
    bool useCpu_ = false;
    std::set<std::string> medians_;
};

// The ratio of two jobs timed alternately: on a machine whose other load comes and goes within
// seconds, two benchmarks run one after the other can see different machines, while the two
// halves of a pair see the same one.  Medians over the pairs, of the wall time and of the CPU
// time of the whole process (every thread).
struct PairedRatio {
    double wall = 0, cpu = 0;     // median of ours / reference
    double oursMs = 0, refMs = 0; // median wall times
};

// Several jobs, each timed alternately with its reference, in rounds: every round times each job
// once, so that a change of the machine's state during the measurement (another guest taking our
// cores for a while) falls on all jobs alike instead of on the few that ran then.  `setup(j)`
// runs untimed before each run of `ours(j)` (e.g. the image copied back), `reference(j)` right
// after it.  One result per job.
template <class Setup, class Ours, class Reference>
std::vector<PairedRatio> MeasurePairedRounds(int pairs, size_t jobs, Setup&& setup, Ours&& ours,
                                             Reference&& reference) {
    auto cpuMs = [] {
        timespec t{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
        return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) * 1e-6;
    };
    auto timeOnce = [&](auto&& job, double& wall, double& cpu) {
        const double c0 = cpuMs();
        const auto t0 = std::chrono::steady_clock::now();
        job();
        wall = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0)
                   .count();
        cpu = cpuMs() - c0;
    };
    struct Samples {
        std::vector<double> wall, cpu, oursMs, refMs;
    };
    std::vector<Samples> samples(jobs);
    for (int i = 0; i < pairs + 1; ++i)
        for (size_t j = 0; j < jobs; ++j) {
            double ow, oc, rw, rc;
            setup(j);
            timeOnce([&] { ours(j); }, ow, oc);
            timeOnce([&] { reference(j); }, rw, rc);
            if (i == 0 || rw <= 0 || rc <= 0)
                continue; // the first round warms up
            Samples& s = samples[j];
            s.wall.push_back(ow / rw);
            s.cpu.push_back(oc / rc);
            s.oursMs.push_back(ow);
            s.refMs.push_back(rw);
        }
    auto median = [](std::vector<double>& v) {
        if (v.empty())
            return 0.0;
        std::nth_element(v.begin(), v.begin() + static_cast<ptrdiff_t>(v.size() / 2), v.end());
        return v[v.size() / 2];
    };
    std::vector<PairedRatio> out;
    for (Samples& s : samples)
        out.push_back({median(s.wall), median(s.cpu), median(s.oursMs), median(s.refMs)});
    return out;
}

// One job timed alternately with the reference.
template <class Setup, class Ours, class Reference>
PairedRatio MeasurePaired(int pairs, Setup&& setup, Ours&& ours, Reference&& reference) {
    return MeasurePairedRounds(
        pairs, 1, [&](size_t) { setup(); }, [&](size_t) { ours(); },
        [&](size_t) { reference(); })[0];
}

// Runs the registered benchmarks with the CPU features in the context and returns the times.
inline void RunWithRatios(int argc, char** argv, RatioReporter& reporter) {
    AddCpuFeaturesContext();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks(&reporter);
}

} // namespace bench
