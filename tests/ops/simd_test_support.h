// The vector levels of this processor, for tests that run every path against the scalar one,
// and a guard that puts the level in force back afterwards.
#pragma once

#include "document/simd_level.h"

#include <vector>

namespace pixorama::testing {

// Scalar first, then every level up to the processor's.
inline std::vector<SimdLevel> SimdLevelsOfThisCpu() {
    std::vector<SimdLevel> levels;
    for (int l = 0; l <= static_cast<int>(CpuSimdLevel()); ++l)
        levels.push_back(static_cast<SimdLevel>(l));
    return levels;
}

class ScopedSimdLevel {
  public:
    explicit ScopedSimdLevel(SimdLevel level) : before_(ActiveSimdLevel()) { SetSimdLevel(level); }
    ~ScopedSimdLevel() { SetSimdLevel(before_); }
    ScopedSimdLevel(const ScopedSimdLevel&) = delete;
    ScopedSimdLevel& operator=(const ScopedSimdLevel&) = delete;

  private:
    SimdLevel before_;
};

} // namespace pixorama::testing
