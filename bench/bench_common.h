// What the benchmark programs of the core share: a host that stays silent and the photo as a
// record and a document (bench_report.h: the CPU features and the ratio table).
#pragma once

#include "document/document_state.h"
#include "document/host.h"
#include "bench_report.h"
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
