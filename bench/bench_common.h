// What the benchmark programs share: a host that stays silent, and the processor's vector
// features in the report's context.
#pragma once

#include "document/document_state.h"
#include "document/host.h"
#include "photo.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <utility>

namespace bench {

// A host for the benchmarks: no progress, messages to stderr (a benchmark that shows one has
// gone wrong).
class QuietHost : public pixorama::Host {
  public:
    void SetProSatus(int) override {}
    int MessageBox(const std::string& text, const std::string&, int) override {
        std::fprintf(stderr, "%s\n", text.c_str());
        return pixorama::IDOK;
    }
};

// The 6000 x 4000 photo as a record, made once.
inline const TDibRecord& PhotoRecord() {
    static const TDibRecord photo = MakePhoto();
    return photo;
}

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
        if (on)
            f += std::string(f.empty() ? "" : " ") + name;
    benchmark::AddCustomContext("cpu_features", f);
}

// The 6000 x 4000 photo as a document, made once.
inline pixorama::DocumentState& PhotoDocument() {
    static pixorama::DocumentState* doc = [] {
        auto* d = new pixorama::DocumentState;
        pixorama::AttachImage(*d, MakePhoto());
        return d;
    }();
    return *doc;
}

} // namespace bench
