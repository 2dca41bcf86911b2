// A count of detached threads of one kind still running, and a bounded wait
// for none (shut-down, tests, tools).
//
// Thread-safe: Guard objects are made and destroyed on any thread; Count and
// WaitIdle may be called from any thread. One mutex, never held while
// calling out.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace lumora {

class CRunningThreads {
public:
    // Counts one thread for as long as it lives (hand it to the thread).
    class Guard {
    public:
        explicit Guard(CRunningThreads& threads) : threads_(threads) {
            std::lock_guard lock(threads_.mutex_);
            ++threads_.running_;
        }
        ~Guard() {
            std::lock_guard lock(threads_.mutex_);
            --threads_.running_;
            threads_.changed_.notify_all();
        }
        Guard(const Guard&) = delete;
        Guard& operator=(const Guard&) = delete;

    private:
        CRunningThreads& threads_;
    };

    int Count() {
        std::lock_guard lock(mutex_);
        return running_;
    }
    // True when none runs any more, false after timeoutMs.
    bool WaitIdle(int timeoutMs) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                 [this] { return running_ == 0; });
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int running_ = 0;
};

} // namespace lumora
