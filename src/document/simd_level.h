// The one place that decides which vector instructions the hot loops use: the best the
// processor has, unless the environment asks for less (PIXORAMA_SIMD=avx512|avx2|sse2|scalar;
// PIXORAMA_NO_AVX2=1 is read as sse2).  A request is never granted beyond the processor.  Every
// level gives the same bytes; tests run each one against the scalar loops.
#pragma once

namespace pixorama {

// avx512 means AVX-512 F and BW (table lookups use VBMI on top where the processor has it);
// sse2 is the x86-64 baseline: plain loops the compiler vectorises, and the filter's row sums;
// scalar is the plain per-byte formula everywhere.
enum class SimdLevel : int { Scalar = 0, Sse2 = 1, Avx2 = 2, Avx512 = 3 };

// The highest level the processor has.
SimdLevel CpuSimdLevel();
// Whether the processor has AVX-512 VBMI (byte permutes over 64-byte registers).
bool CpuHasVbmi();

// The level in force: the processor's, lowered by the environment at start.
SimdLevel ActiveSimdLevel();
// Forces a level (capped at the processor's), for tests and benchmarks; not while an
// operation runs.
void SetSimdLevel(SimdLevel level);

// "avx512", "avx2", "sse2", "scalar".
const char* SimdLevelName(SimdLevel level);
// The level a name stands for; false for an unknown name.
bool ParseSimdLevel(const char* name, SimdLevel& level);
// The level the two environment variables (nullptr when unset) leave of the processor's: an
// unknown PIXORAMA_SIMD value changes nothing; PIXORAMA_NO_AVX2 set to anything but "" or "0"
// caps at sse2.
SimdLevel SimdLevelFromEnvironment(const char* simd, const char* noAvx2, SimdLevel cpu);

// Whether the level in force is at least the given one.
inline bool SimdAtLeast(SimdLevel level) {
    return static_cast<int>(ActiveSimdLevel()) >= static_cast<int>(level);
}

} // namespace pixorama
