// Printing a 6000 x 4000 photo to a PDF page: our writer in the process, and pixorama-cli
// --print-pdf against img2pdf and ImageMagick as whole programs writing a PDF of the same image
// with the same lossless Flate compression, in the same run.  BM_PrintPrograms reports the time
// ratios and each program's peak memory against the image's 72 MB.  The files go to a RAM
// folder where there is one: the writing itself is measured, not the disk (ours ends with an
// fsync before its rename, the peers do not).
//
// Debian's ImageMagick policy forbids its "PDF" coder; the "EPDF" coder (the same PDF writer
// under the name of encapsulated PDF, which the policy does not list) writes the page instead,
// and the label says so.
#include "bench_common.h"

#include "app/pdf_print.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

const std::string& workFolder() {
    static const std::string folder = [] {
        const fs::path base = fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
        std::string pattern = (base / "pixorama-bench-print-XXXXXX").string();
        const std::string dir = ::mkdtemp(pattern.data());
        std::atexit([] {
            std::error_code ec;
            fs::remove_all(workFolder(), ec);
        });
        // the photo as the programs' input: a BMP for ours, a PPM for the peers
        char error[256] = {};
        const TDibRecord& photo = bench::PhotoRecord();
        SaveDib(&photo, (dir + "/photo.bmp").c_str(), PICTORA_FORMAT_BMP, 0, error, sizeof error);
        bench::WritePpm(photo, dir + "/photo.ppm");
        return dir;
    }();
    return folder;
}

// The real ImageMagick, not a wrapper in front of it.
std::string imageMagick() {
    for (const char* p : {"/usr/bin/convert-im6.q16", "/usr/bin/convert"})
        if (::access(p, X_OK) == 0) return p;
    return {};
}

struct Run {
    bool ok = false;
    double seconds = 0;
    long peakKB = 0;
};

// Runs a program (no shell), with its wall time and peak resident memory.
Run runProgram(const std::vector<std::string>& args) {
    Run r;
    const auto t0 = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid < 0) return r;
    if (pid == 0) {
        std::vector<char*> argv;
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        if (std::freopen("/dev/null", "w", stdout) == nullptr) _exit(126);
        ::execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    struct rusage use {};
    if (::wait4(pid, &status, 0, &use) != pid) return r;
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    r.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    r.peakKB = use.ru_maxrss;
    return r;
}

constexpr double kImageKB = 6000.0 * 4000 * 3 / 1024;

void BM_PrintPdfInProcess(benchmark::State& state) {
    bench::AddCpuFeaturesContext();
    bench::QuietHost host;
    const std::string out = workFolder() + "/ours.pdf";
    for (auto _ : state)
        if (!pixorama::PrintDibToPdf(bench::PhotoRecord(), {}, out, host))
            state.SkipWithError("print failed");
    state.counters["pdf_MB"] = static_cast<double>(fs::file_size(out)) / 1e6;
}

void BM_PrintPrograms(benchmark::State& state) {
    const std::string dir = workFolder();
    const bool haveImg2pdf = ::access("/usr/bin/img2pdf", X_OK) == 0;
    const std::string magick = imageMagick();
    if (!haveImg2pdf && magick.empty()) {
        state.SkipWithError("neither img2pdf nor ImageMagick is installed (bench/run.sh installs them)");
        return;
    }
    Run ours, i2p, im;
    ours.seconds = i2p.seconds = im.seconds = 1e9;
    auto best = [](Run& kept, const Run& r) {
        if (r.ok && r.seconds < kept.seconds) kept = r;
    };
    bool magickRefuses = magick.empty();
    std::string magickCoder = "PDF:"; // "EPDF:" once the policy has refused "PDF:"
    for (auto _ : state) {
        const Run a = runProgram({PIXORAMA_CLI, dir + "/photo.bmp", "--print-pdf", dir + "/cli.pdf"});
        if (!a.ok) {
            state.SkipWithError("pixorama-cli failed");
            return;
        }
        best(ours, a);
        if (haveImg2pdf) {
            // from a PPM img2pdf reads the rows and compresses them with Flate, as we do
            best(i2p, runProgram({"/usr/bin/img2pdf", dir + "/photo.ppm", "-o", dir + "/i2p.pdf"}));
        }
        if (!magickRefuses) {
            auto convert = [&] {
                return runProgram({magick, dir + "/photo.ppm", "-compress", "zip",
                                   magickCoder + dir + "/im.pdf"});
            };
            Run c = convert();
            if (!c.ok && magickCoder == "PDF:") {
                magickCoder = "EPDF:";
                c = convert();
            }
            magickRefuses = !c.ok;
            best(im, c);
        }
    }
    state.counters["ours_s"] = ours.seconds;
    state.counters["ours_peak_over_image"] = ours.peakKB / kImageKB; // target <= 2
    if (i2p.ok) {
        state.counters["img2pdf_ppm_s"] = i2p.seconds;
        state.counters["img2pdf_ppm_over_ours"] = i2p.seconds / ours.seconds;
        state.counters["img2pdf_ppm_peak_over_image"] = i2p.peakKB / kImageKB;
    }
    if (im.ok) {
        state.counters["magick_s"] = im.seconds;
        state.counters["magick_over_ours"] = im.seconds / ours.seconds; // target >= 1
        state.counters["magick_peak_over_image"] = im.peakKB / kImageKB;
        if (magickCoder == "EPDF:")
            state.SetLabel("ImageMagick through its EPDF coder (its policy refuses PDF)");
    } else if (!magick.empty()) {
        state.SetLabel("ImageMagick refuses to write PDF (security policy)");
    }
}

BENCHMARK(BM_PrintPdfInProcess)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_PrintPrograms)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

} // namespace

BENCHMARK_MAIN();
