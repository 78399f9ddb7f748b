// Row-parallel loops on the worker threads: every operation gives the same bytes on one thread
// and on all of them, and an exception thrown in a loop reaches its caller.
#include "document/parallel.h"
#include "ops/convolution.h"
#include "ops/histogram.h"
#include "ops/tone.h"

#include "image_helpers.h"
#include "recording_host.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace pixorama {
namespace {

struct ThreadLimit {
    explicit ThreadLimit(int32_t n) { PictoraSetThreadLimit(n); }
    ~ThreadLimit() { PictoraSetThreadLimit(0); }
};

// The image after every parallel operation, run with at most `threads` threads.
std::vector<uint8_t> runAll(int32_t threads, std::array<std::array<uint32_t, 256>, 4>& hist) {
    ThreadLimit limit(threads);
    RecordingHost host;
    DocumentState doc;
    // large enough for the loops to split (a quarter megabyte per row loop), odd sizes
    testing::Attach(doc, testing::Make24(701, 389, [](int32_t x, int32_t y) {
                        return static_cast<int32_t>((x * 2654435761u) ^ (y * 40503u)) & 0xFFFFFF;
                    }));
    ApplyBuiltinFilter(doc, host, kBuiltinFilters[0]);
    ApplyBuiltinFilter(doc, host, kBuiltinFilters[5]);
    DibInvert(doc, host);
    DibPoster(doc, host, 3);
    CountHistogram(doc.Dib, hist);
    return std::vector<uint8_t>(doc.Dib.Bits, doc.Dib.Bits + doc.Dib.Info->bmiHeader.biSizeImage);
}

TEST(Parallel, SameBytesOnOneThreadAndOnAll) {
    std::array<std::array<uint32_t, 256>, 4> histOne{}, histAll{};
    const std::vector<uint8_t> one = runAll(1, histOne);
    const std::vector<uint8_t> all = runAll(0, histAll);
    EXPECT_TRUE(one == all);
    EXPECT_EQ(histOne, histAll);
    uint64_t pixels = 0;
    for (uint32_t n : histAll[0])
        pixels += n;
    EXPECT_EQ(pixels, 701u * 389u);
}

TEST(Parallel, ExceptionsReachTheCaller) {
    std::atomic<int> ran{0};
    EXPECT_THROW(ParallelFor(1000,
                             [&](int64_t i) {
                                 ++ran;
                                 if (i == 517)
                                     throw std::runtime_error("row 517");
                             }),
                 std::runtime_error);
    EXPECT_EQ(ran.load(), 1000); // the others still ran to the end
    int64_t sum = 0;
    ParallelFor(0, [&](int64_t i) { sum += i; });
    ParallelFor(1, [&](int64_t i, int32_t slot) { sum += i + 1 + slot; });
    EXPECT_EQ(sum, 1);
}

} // namespace
} // namespace pixorama
