// Which vector code the library runs.  The best the processor has by default; the environment
// variable PIXORAMA_SIMD ("avx2", "sse2" or "scalar", as the program reads it, or "plain") or
// PIXORAMA_NO_AVX2 asks for less, so that every path can be run and compared with the plain
// loops on one machine.  (The library sits below the program's own level switch, so it reads
// the same variables itself.)
#include "internal.h"

#include <cstdlib>
#include <cstring>

namespace pictora {

SimdLevel simdLevel() {
    static const SimdLevel level = [] {
        const bool avx2 = __builtin_cpu_supports("avx2");
        const bool avx512 = avx2 && __builtin_cpu_supports("avx512f") &&
                            __builtin_cpu_supports("avx512bw");
        SimdLevel l = avx512 ? SimdLevel::Avx512 : (avx2 ? SimdLevel::Avx2 : SimdLevel::Plain);
        // the program's names ("scalar" and "sse2" have no vector path here), and "plain"
        const char* want = std::getenv("PIXORAMA_SIMD");
        if (want != nullptr && (std::strcmp(want, "scalar") == 0 || std::strcmp(want, "sse2") == 0 ||
                                std::strcmp(want, "plain") == 0))
            l = SimdLevel::Plain;
        else if (want != nullptr && std::strcmp(want, "avx2") == 0 && l == SimdLevel::Avx512)
            l = SimdLevel::Avx2;
        const char* noAvx2 = std::getenv("PIXORAMA_NO_AVX2");
        if (noAvx2 != nullptr && noAvx2[0] != '\0' && std::strcmp(noAvx2, "0") != 0)
            l = SimdLevel::Plain;
        return l;
    }();
    return level;
}

} // namespace pictora
