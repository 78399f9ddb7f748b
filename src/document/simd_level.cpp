#include "document/simd_level.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>

namespace pixorama {

namespace {

SimdLevel detect() {
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
        __builtin_cpu_supports("avx2"))
        return SimdLevel::Avx512;
    if (__builtin_cpu_supports("avx2"))
        return SimdLevel::Avx2;
    return SimdLevel::Sse2; // every x86-64 processor has SSE2
}

SimdLevel lower(SimdLevel a, SimdLevel b) {
    return static_cast<SimdLevel>(std::min(static_cast<int>(a), static_cast<int>(b)));
}

std::atomic<int>& active() {
    static std::atomic<int> level{static_cast<int>(SimdLevelFromEnvironment(
        std::getenv("PIXORAMA_SIMD"), std::getenv("PIXORAMA_NO_AVX2"), CpuSimdLevel()))};
    return level;
}

} // namespace

SimdLevel CpuSimdLevel() {
    static const SimdLevel cpu = detect();
    return cpu;
}

bool CpuHasVbmi() {
    static const bool vbmi =
        CpuSimdLevel() == SimdLevel::Avx512 && __builtin_cpu_supports("avx512vbmi");
    return vbmi;
}

SimdLevel ActiveSimdLevel() {
    return static_cast<SimdLevel>(active().load(std::memory_order_relaxed));
}

void SetSimdLevel(SimdLevel level) {
    active().store(static_cast<int>(lower(level, CpuSimdLevel())), std::memory_order_relaxed);
}

const char* SimdLevelName(SimdLevel level) {
    switch (level) {
    case SimdLevel::Avx512:
        return "avx512";
    case SimdLevel::Avx2:
        return "avx2";
    case SimdLevel::Sse2:
        return "sse2";
    case SimdLevel::Scalar:
        break;
    }
    return "scalar";
}

bool ParseSimdLevel(const char* name, SimdLevel& level) {
    if (name == nullptr)
        return false;
    for (SimdLevel l : {SimdLevel::Scalar, SimdLevel::Sse2, SimdLevel::Avx2, SimdLevel::Avx512})
        if (std::strcmp(name, SimdLevelName(l)) == 0) {
            level = l;
            return true;
        }
    return false;
}

SimdLevel SimdLevelFromEnvironment(const char* simd, const char* noAvx2, SimdLevel cpu) {
    SimdLevel level = cpu;
    SimdLevel asked;
    if (ParseSimdLevel(simd, asked))
        level = lower(level, asked);
    if (noAvx2 != nullptr && noAvx2[0] != '\0' && std::strcmp(noAvx2, "0") != 0)
        level = lower(level, SimdLevel::Sse2);
    return level;
}

} // namespace pixorama
