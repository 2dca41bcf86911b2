// The thumbnail engine's decode pool: a few threads beside the engine's
// worker that make the thumbnails which need a whole-file decode (files
// without an embedded thumbnail), so that every core works on a folder of
// them. The worker feeds jobs in its own visible-first order; each pool
// thread takes the oldest job, asks whether it is still wanted (same
// generation, still on screen) and runs it, which makes, stores and draws
// the thumbnail.
//
// Owner: CThumbnailEngine (one pool per engine, made in InitInstance and
// closed in ExitInstance before the item list is cleared).
// Threads: Submit is called by the engine's worker only; Cancel by the
// engine thread (folder change) and by ExitInstance; WaitIdle by the worker;
// IsIdle from any thread. The job function runs on the pool threads, several
// at once, and must be safe for that.
// Locks: mutex_ guards the queue and the running set; it is never held while
// a job runs or while the wanted test runs, so the job may take the item
// list's and the view's locks freely (they are never held around a pool
// call).
// Memory: at most `threads` decodes are in flight and at most `maxQueued`
// jobs (a few integers each) wait; Submit blocks the worker while the queue
// is full, which keeps the worker's visible-first order.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace lumora {

struct ThumbnailJob {
    int index = -1;         // where the item was when the worker queued it
    int32_t id = 0;         // the item's id: the result is only for this item
    int32_t generation = 0; // the engine's request generation at queueing
};

class CThumbnailPool {
public:
    using Run = std::function<void(const ThumbnailJob&)>;
    using Wanted = std::function<bool(const ThumbnailJob&)>;

    // threads >= 1; the threads run below normal priority.
    CThumbnailPool(int threads, int maxQueued, Run run, Wanted wanted);
    ~CThumbnailPool(); // Close()
    CThumbnailPool(const CThumbnailPool&) = delete;
    CThumbnailPool& operator=(const CThumbnailPool&) = delete;

    // Queues a job, waiting while the queue is full. A job for an item that
    // is already queued takes the newer generation instead of a second
    // place; one already running in the same generation at the same index
    // is not queued again (after a resort the item is queued anew).
    // False when the pool is closed.
    bool Submit(const ThumbnailJob& job);
    // Drops every queued job at once (running ones finish and check their
    // generation before they write).
    void Cancel();
    // Waits until nothing is queued or running, or until giveUp() (checked
    // every few milliseconds) holds.
    void WaitIdle(const std::function<bool()>& giveUp);
    bool IsIdle() const;
    // Cancels, stops the threads and joins them. Idempotent.
    void Close();

    int Threads() const { return static_cast<int>(threads_.size()); }
    // Jobs run to the end since the pool was made (for tests and benchmarks).
    int64_t JobsRun() const;

private:
    void threadMain();

    const int maxQueued_;
    Run run_;
    Wanted wanted_;

    mutable std::mutex mutex_;
    std::condition_variable workAvailable_; // a job was queued, or closing
    std::condition_variable spaceOrIdle_;   // a job left the queue or finished
    std::deque<ThumbnailJob> queue_;
    std::vector<ThumbnailJob> running_;
    bool closed_ = false;
    int64_t jobsRun_ = 0;
    std::vector<std::thread> threads_;
};

} // namespace lumora
