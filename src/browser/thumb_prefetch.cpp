#include "browser/thumb_prefetch.h"

#include <system_error>

namespace pixorama {

namespace {
// Workers show no progress and ask nothing: the scan reports files done instead.
class SilentHost : public Host {
  public:
    void SetProSatus(int) override {}
    int MessageBox(const std::string&, const std::string&, int) override { return 0; }
};
} // namespace

struct ThumbPrefetch::Job {
    std::string name, path;
    int32_t type = 0;
    const std::vector<TCacheEntry>* cache = nullptr;
    enum State { Queued, Running, Finished } state = Queued;
    Result result;
};

ThumbPrefetch::ThumbPrefetch(int threads) {
    for (int i = 0; i < threads; ++i) {
        try {
            workers_.emplace_back([this] { work(); });
        } catch (const std::system_error&) {
            break; // fewer helpers; Take does the rest
        }
    }
}

ThumbPrefetch::~ThumbPrefetch() {
    Cancel();
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    for (std::thread& t : workers_) t.join();
}

void ThumbPrefetch::run(Job& job) {
    SilentHost host;
    Result& r = job.result;
    r.Checksum = CalcCheck(job.path, host, &r.Checked);
    r.Hit = r.Checked ? FindCacheEntry(*job.cache, job.name, r.Checksum) : nullptr;
    if (r.Hit == nullptr) r.Thumb = DecodeThumb(job.path, job.type, nullptr, nullptr);
}

void ThumbPrefetch::work() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stop_ || !queue_.empty(); });
        if (stop_) return;
        std::shared_ptr<Job> job = std::move(queue_.front());
        queue_.pop_front();
        job->state = Job::Running;
        ++running_;
        lock.unlock();
        run(*job);
        lock.lock();
        job->state = Job::Finished;
        --running_;
        done_.notify_all();
    }
}

void ThumbPrefetch::Submit(size_t index, const std::string& name, const std::string& path,
                           int32_t type, const std::vector<TCacheEntry>* cache) {
    auto job = std::make_shared<Job>();
    job->name = name;
    job->path = path;
    job->type = type;
    job->cache = cache;
    {
        std::lock_guard lock(mutex_);
        if (jobs_.count(index) != 0) return;
        jobs_[index] = job;
        if (!workers_.empty()) queue_.push_back(job);
    }
    wake_.notify_one();
}

bool ThumbPrefetch::Has(size_t index) const {
    std::lock_guard lock(mutex_);
    return jobs_.count(index) != 0;
}

ThumbPrefetch::Result ThumbPrefetch::Take(size_t index) {
    std::unique_lock lock(mutex_);
    auto it = jobs_.find(index);
    if (it == jobs_.end()) return {};
    std::shared_ptr<Job> job = it->second;
    jobs_.erase(it);
    if (job->state == Job::Queued) {
        // nobody has started it: faster here than waiting behind the queue
        for (auto q = queue_.begin(); q != queue_.end(); ++q)
            if (*q == job) {
                queue_.erase(q);
                break;
            }
        lock.unlock();
        run(*job);
        return std::move(job->result);
    }
    done_.wait(lock, [&] { return job->state == Job::Finished; });
    return std::move(job->result);
}

void ThumbPrefetch::Cancel() {
    std::unique_lock lock(mutex_);
    queue_.clear();
    done_.wait(lock, [this] { return running_ == 0; });
    for (auto& [index, job] : jobs_)
        if (job->state == Job::Finished) deldib(&job->result.Thumb.Dib);
    jobs_.clear();
}

} // namespace pixorama
