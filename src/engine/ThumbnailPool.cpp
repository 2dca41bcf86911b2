#include "engine/ThumbnailPool.h"
#include "platform/WorkerThread.h"

#include <algorithm>
#include <chrono>

namespace lumora {

CThumbnailPool::CThumbnailPool(int threads, int maxQueued, Run run, Wanted wanted)
    : maxQueued_(std::max(1, maxQueued)), run_(std::move(run)), wanted_(std::move(wanted)) {
    const int n = std::max(1, threads);
    threads_.reserve(n);
    for (int i = 0; i < n; ++i)
        threads_.emplace_back([this] { threadMain(); });
}

CThumbnailPool::~CThumbnailPool() {
    Close();
}

bool CThumbnailPool::Submit(const ThumbnailJob& job) {
    std::unique_lock lock(mutex_);
    for (;;) {
        if (closed_)
            return false;
        for (ThumbnailJob& queued : queue_) {
            if (queued.id == job.id) {
                queued.index = job.index;
                queued.generation = job.generation;
                return true;
            }
        }
        for (const ThumbnailJob& busy : running_) {
            // A running job for the item's old place would find another
            // item there and drop its work: only the same place counts.
            if (busy.id == job.id && busy.index == job.index && busy.generation == job.generation)
                return true;
        }
        if (static_cast<int>(queue_.size()) < maxQueued_)
            break;
        spaceOrIdle_.wait(lock);
    }
    queue_.push_back(job);
    workAvailable_.notify_one();
    return true;
}

void CThumbnailPool::Cancel() {
    std::lock_guard lock(mutex_);
    queue_.clear();
    spaceOrIdle_.notify_all();
}

bool CThumbnailPool::IsIdle() const {
    std::lock_guard lock(mutex_);
    return queue_.empty() && running_.empty();
}

void CThumbnailPool::WaitIdle(const std::function<bool()>& giveUp) {
    std::unique_lock lock(mutex_);
    while (!(queue_.empty() && running_.empty())) {
        if (closed_)
            return;
        lock.unlock();
        const bool stop = giveUp && giveUp();
        lock.lock();
        if (stop)
            return;
        spaceOrIdle_.wait_for(lock, std::chrono::milliseconds(20));
    }
}

int64_t CThumbnailPool::JobsRun() const {
    std::lock_guard lock(mutex_);
    return jobsRun_;
}

void CThumbnailPool::Close() {
    {
        std::lock_guard lock(mutex_);
        if (closed_ && threads_.empty())
            return;
        closed_ = true;
        queue_.clear();
        workAvailable_.notify_all();
        spaceOrIdle_.notify_all();
    }
    for (std::thread& t : threads_) {
        if (t.joinable())
            t.join();
    }
    std::lock_guard lock(mutex_);
    threads_.clear();
}

void CThumbnailPool::threadMain() {
    LowerThreadPriority();
    std::unique_lock lock(mutex_);
    for (;;) {
        workAvailable_.wait(lock, [this] { return closed_ || !queue_.empty(); });
        if (closed_)
            return;
        const ThumbnailJob job = queue_.front();
        queue_.pop_front();
        running_.push_back(job);
        spaceOrIdle_.notify_all();
        lock.unlock();
        bool ran = false;
        try {
            if (wanted_(job)) {
                run_(job);
                ran = true;
            }
        } catch (...) {
            // A job never takes the pool down; the item stays without a
            // thumbnail and is asked for again when drawn.
        }
        lock.lock();
        const auto it = std::find_if(running_.begin(), running_.end(), [&](const ThumbnailJob& r) {
            return r.id == job.id && r.generation == job.generation;
        });
        if (it != running_.end())
            running_.erase(it);
        if (ran)
            ++jobsRun_;
        spaceOrIdle_.notify_all();
    }
}

} // namespace lumora
