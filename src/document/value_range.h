// The range and preset of a number a dialog or a command-line step takes.
#pragma once

#include <cstdint>

namespace pixorama {

struct TIntRange {
    int32_t Min, Max, Default;
    bool contains(int64_t v) const { return v >= Min && v <= Max; }
};

} // namespace pixorama
