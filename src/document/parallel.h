// Row-parallel loops of the program on the library's worker threads (started once; when none can
// be started the loop runs on the calling thread).  Results never depend on the thread count.
#pragma once

#include <pictora.h>

#include <cstdint>
#include <exception>
#include <mutex>
#include <type_traits>

namespace pixorama {

// Calls fn(i) or fn(i, slot) for every i in 0..count-1, possibly on several threads at once;
// slot (0..ThreadCount()-1) tells apart the threads running at the same time.  Returns when all
// calls are done.  The first exception thrown by a call is rethrown here after the others end.
template <class F> void ParallelFor(int64_t count, F&& fn) {
    struct Call {
        F& fn;
        std::exception_ptr error;
        std::mutex errorMutex;
    } call{fn, nullptr, {}};
    PictoraParallelFor(
        count,
        [](void* user, int64_t i, int32_t slot) {
            auto& c = *static_cast<Call*>(user);
            try {
                if constexpr (std::is_invocable_v<F&, int64_t, int32_t>)
                    c.fn(i, slot);
                else
                    c.fn(i);
            } catch (...) {
                std::lock_guard<std::mutex> lock(c.errorMutex);
                if (!c.error)
                    c.error = std::current_exception();
            }
        },
        &call);
    if (call.error)
        std::rethrow_exception(call.error);
}

// How many threads a ParallelFor may run at once: the size of per-thread scratch space.
inline int32_t ThreadCount() {
    return PictoraThreadCount();
}

} // namespace pixorama
