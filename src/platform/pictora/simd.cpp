// Which vector code the library runs.  The best the processor has by default; the environment
// variable PIXORAMA_SIMD ("avx2" or "plain") or PIXORAMA_NO_AVX2 asks for less, so that every
// path can be run and compared with the plain loops on one machine.
#include "internal.h"

#include <cstdlib>
#include <cstring>

namespace pictora {

SimdLevel simdLevel() {
    static const SimdLevel level = [] {
        const bool avx2 = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi2");
        const bool avx512 = avx2 && __builtin_cpu_supports("avx512f") &&
                            __builtin_cpu_supports("avx512bw");
        const char* want = std::getenv("PIXORAMA_SIMD");
        if (std::getenv("PIXORAMA_NO_AVX2") != nullptr ||
            (want != nullptr && (std::strcmp(want, "plain") == 0 || std::strcmp(want, "scalar") == 0)))
            return SimdLevel::Plain;
        if (want != nullptr && std::strcmp(want, "avx2") == 0)
            return avx2 ? SimdLevel::Avx2 : SimdLevel::Plain;
        return avx512 ? SimdLevel::Avx512 : (avx2 ? SimdLevel::Avx2 : SimdLevel::Plain);
    }();
    return level;
}

} // namespace pictora
