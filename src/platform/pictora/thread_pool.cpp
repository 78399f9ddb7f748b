// The worker threads behind every row-parallel loop of the library and the program: started once,
// on first use, one fewer than the processor has cores (the caller works too).  A worker that
// cannot be started is simply missing; with none, every loop runs on the calling thread.
#include "internal.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace pictora {
namespace {

struct Job {
    PictoraTask task;
    void* user;
    int64_t count;
    std::atomic<int64_t> next{0};
};

thread_local bool tInsideTask = false;

class Pool {
  public:
    static Pool& instance() {
        // never destroyed: workers may still sleep on it while the process exits
        static Pool* pool = new Pool;
        return *pool;
    }

    int32_t threads() const {
        const int32_t started = static_cast<int32_t>(workers_.size()) + 1;
        const int32_t limit = limit_.load(std::memory_order_relaxed);
        return limit > 0 ? std::min(limit, started) : started;
    }

    void setLimit(int32_t n) { limit_.store(std::max(0, n), std::memory_order_relaxed); }

    void run(int64_t count, PictoraTask task, void* user) {
        if (count <= 0)
            return;
        const int32_t helpers = threads() - 1;
        // a task that starts a loop of its own, or a second thread while one loop runs, works
        // alone: waiting for the pool there could wait forever
        std::unique_lock<std::mutex> caller(callMutex_, std::try_to_lock);
        if (count == 1 || helpers <= 0 || tInsideTask || !caller.owns_lock()) {
            runAlone(count, task, user);
            return;
        }
        Job job;
        job.task = task;
        job.user = user;
        job.count = count;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            job_ = &job;
            seats_ = helpers;
            ++generation_;
        }
        wake_.notify_all();
        work(job, 0);
        std::unique_lock<std::mutex> lock(mutex_);
        job_ = nullptr; // workers that wake late find nothing to join
        idle_.wait(lock, [&] { return busy_ == 0; });
    }

  private:
    Pool() {
        const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
        const unsigned wanted = std::min(cores, 64u) - 1;
        for (unsigned i = 0; i < wanted; ++i) {
            try {
                workers_.emplace_back([this, slot = static_cast<int32_t>(i + 1)] { loop(slot); });
            } catch (const std::system_error&) {
                break; // no more threads: the ones we have do the work
            } catch (const std::bad_alloc&) {
                break;
            }
        }
    }

    static void runAlone(int64_t count, PictoraTask task, void* user) {
        const bool outer = tInsideTask;
        tInsideTask = true;
        for (int64_t i = 0; i < count; ++i)
            task(user, i, 0);
        tInsideTask = outer;
    }

    static void work(Job& job, int32_t slot) {
        tInsideTask = true;
        for (;;) {
            const int64_t i = job.next.fetch_add(1, std::memory_order_relaxed);
            if (i >= job.count)
                break;
            job.task(job.user, i, slot);
        }
        tInsideTask = false;
    }

    void loop(int32_t slot) {
        uint64_t seen = 0;
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            wake_.wait(lock, [&] { return generation_ != seen; });
            seen = generation_;
            // the slots beyond the limit of this loop stay out
            if (job_ == nullptr || seats_ <= 0 || slot > seats_)
                continue;
            Job* job = job_;
            ++busy_;
            lock.unlock();
            work(*job, slot);
            lock.lock();
            if (--busy_ == 0)
                idle_.notify_all();
        }
    }

    std::mutex callMutex_;
    std::mutex mutex_;
    std::condition_variable wake_, idle_;
    Job* job_ = nullptr;
    int32_t seats_ = 0;
    int busy_ = 0;
    uint64_t generation_ = 0;
    std::atomic<int32_t> limit_{0};
    std::vector<std::jthread> workers_;
};

} // namespace
} // namespace pictora

using namespace pictora;

extern "C" {

void PictoraParallelFor(int64_t count, PictoraTask task, void* user) {
    if (task == nullptr)
        return;
    Pool::instance().run(count, task, user);
}

int32_t PictoraThreadCount(void) {
    return Pool::instance().threads();
}

void PictoraSetThreadLimit(int32_t n) {
    Pool::instance().setLimit(n);
}

} // extern "C"
