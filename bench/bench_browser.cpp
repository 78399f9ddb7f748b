// The browser's folder scan on a folder of 200 JPEG photos of 3000 x 2000: the first visit
// (every file checksummed, decoded on the workers and shrunk; cache written), the second visit
// (checksums and the cache), and a plain sequential libjpeg-turbo loop decoding the same files,
// measured in the same run.  BM_Ratios reports loop / first visit and first / second visit.
//
// libjpeg-turbo's scaled decoding (1/8) is not used: the thumbnail takes single pixels of the
// full-size image at fixed-point steps, while a 1/8 decode averages 8 x 8 blocks, so the
// thumbnails (and the cache files shared with other installations) would differ.
#include "bench_common.h"

#include "browser/folder_scan.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <jpeglib.h>

namespace {

namespace fs = std::filesystem;

constexpr int kFiles = 200;
constexpr int kWidth = 3000, kHeight = 2000;

// The folder, made once and removed at exit.
const std::string& photoFolder() {
    static const std::string folder = [] {
        std::string pattern = (fs::temp_directory_path() / "pixorama-bench-browser-XXXXXX").string();
        const std::string dir = ::mkdtemp(pattern.data());
        std::atexit([] {
            std::error_code ec;
            fs::remove_all(photoFolder(), ec);
        });
        TDibRecord photo = bench::MakePhoto(kWidth, kHeight);
        for (int i = 0; i < kFiles; ++i) {
            // each file a little different, so that every checksum is its own
            for (int x = 0; x < 64; ++x) setpixel(&photo, x + i, i, 0x102030 * (i + 1) + x);
            char name[32];
            std::snprintf(name, sizeof name, "/foto%03d.jpg", i);
            char error[256] = {};
            if (SaveDib(&photo, (dir + name).c_str(), PICTORA_FORMAT_JPG, 85, error, sizeof error) != 1)
                std::fprintf(stderr, "%s\n", error);
        }
        deldib(&photo);
        return dir;
    }();
    return folder;
}

void removeCache() {
    std::error_code ec;
    fs::remove(fs::path(photoFolder()) / pixorama::kCacheFileName, ec);
}

// One visit as the browser makes it; the thumbnails are freed with the scan.
size_t visit(int workers) {
    bench::QuietHost host;
    pixorama::FolderScan scan(host);
    if (workers >= 0) scan.SetWorkers(workers);
    pixorama::ScanFolder(scan, photoFolder());
    return scan.Thumbs().size();
}

void BM_FirstVisit(benchmark::State& state) {
    bench::AddCpuFeaturesContext();
    photoFolder();
    for (auto _ : state) {
        state.PauseTiming();
        removeCache();
        state.ResumeTiming();
        if (visit(-1) != kFiles) state.SkipWithError("thumbnails missing");
    }
}

void BM_FirstVisitOneThread(benchmark::State& state) {
    photoFolder();
    for (auto _ : state) {
        state.PauseTiming();
        removeCache();
        state.ResumeTiming();
        if (visit(0) != kFiles) state.SkipWithError("thumbnails missing");
    }
}

void BM_SecondVisit(benchmark::State& state) {
    photoFolder();
    removeCache();
    visit(-1);
    for (auto _ : state)
        if (visit(-1) != kFiles) state.SkipWithError("thumbnails missing");
}

// The plain loop: every file read and decoded to full size, one after the other.
void decodeAllPlain() {
    static std::vector<uint8_t> rows(size_t{kWidth} * 3);
    for (int i = 0; i < kFiles; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "/foto%03d.jpg", i);
        std::ifstream in(photoFolder() + name, std::ios::binary);
        const std::vector<uint8_t> data{std::istreambuf_iterator<char>(in), {}};
        jpeg_decompress_struct cinfo;
        jpeg_error_mgr jerr;
        cinfo.err = jpeg_std_error(&jerr);
        jpeg_create_decompress(&cinfo);
        jpeg_mem_src(&cinfo, data.data(), static_cast<unsigned long>(data.size()));
        jpeg_read_header(&cinfo, TRUE);
        cinfo.out_color_space = JCS_EXT_BGR;
        jpeg_start_decompress(&cinfo);
        while (cinfo.output_scanline < cinfo.output_height) {
            JSAMPROW row = rows.data();
            jpeg_read_scanlines(&cinfo, &row, 1);
        }
        jpeg_finish_decompress(&cinfo);
        jpeg_destroy_decompress(&cinfo);
        benchmark::DoNotOptimize(rows.data());
    }
}

void BM_SequentialLibjpegLoop(benchmark::State& state) {
    photoFolder();
    for (auto _ : state) decodeAllPlain();
}

// The two ratios, from the three measured back to back (best of the rounds), so that they
// share the machine's load.
void BM_Ratios(benchmark::State& state) {
    using Clock = std::chrono::steady_clock;
    auto seconds = [](auto fn) {
        const auto t0 = Clock::now();
        fn();
        return std::chrono::duration<double>(Clock::now() - t0).count();
    };
    double first = 1e9, second = 1e9, loop = 1e9;
    for (auto _ : state) {
        removeCache();
        first = std::min(first, seconds([] { visit(-1); }));
        second = std::min(second, seconds([] { visit(-1); }));
        loop = std::min(loop, seconds(decodeAllPlain));
    }
    state.counters["first_s"] = first;
    state.counters["second_s"] = second;
    state.counters["loop_s"] = loop;
    state.counters["loop_over_first"] = loop / first;     // target >= 1.7 on 2 cores
    state.counters["first_over_second"] = first / second; // target >= 10
    state.counters["cores"] = static_cast<double>(std::thread::hardware_concurrency());
}

BENCHMARK(BM_FirstVisit)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_FirstVisitOneThread)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);
BENCHMARK(BM_SecondVisit)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_SequentialLibjpegLoop)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_Ratios)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

} // namespace

BENCHMARK_MAIN();
