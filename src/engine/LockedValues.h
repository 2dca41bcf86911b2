// Small lock-guarded values shared between the view, its engine thread and
// the engine's worker. Each holds its lock only inside one call.
#pragma once

#include <cstdint>
#include <deque>
#include <mutex>

namespace lumora {

class LockedFlag {
public:
    explicit LockedFlag(int32_t value = 0) : value_(value) {}
    void Set(int32_t value) {
        std::lock_guard lock(mutex_);
        value_ = value;
    }
    int32_t Get() const {
        std::lock_guard lock(mutex_);
        return value_;
    }

private:
    mutable std::mutex mutex_;
    int32_t value_;
};

class LockedValue {
public:
    explicit LockedValue(int32_t value = 0) : value_(value) {}
    void Set(int32_t value) {
        std::lock_guard lock(mutex_);
        value_ = value;
    }
    int32_t Get() const {
        std::lock_guard lock(mutex_);
        return value_;
    }
    // Increments and returns the new value in one lock hold.
    int32_t Increment() {
        std::lock_guard lock(mutex_);
        return ++value_;
    }

private:
    mutable std::mutex mutex_;
    int32_t value_;
};

// FIFO of item indexes with a flag telling that it was cleared and nothing
// was pushed since.
class LockedIndexQueue {
public:
    void Push(int32_t index) {
        std::lock_guard lock(mutex_);
        queue_.push_back(index);
        cleared_ = false;
    }
    // Pushes first..last in ascending order in one lock hold.
    void PushRange(int32_t first, int32_t last) {
        std::lock_guard lock(mutex_);
        for (int32_t i = first; i <= last; ++i)
            queue_.push_back(i);
        cleared_ = false;
    }
    // Front index, or -1 when empty.
    int32_t Pop() {
        std::lock_guard lock(mutex_);
        if (queue_.empty())
            return -1;
        int32_t index = queue_.front();
        queue_.pop_front();
        return index;
    }
    void Clear() {
        std::lock_guard lock(mutex_);
        queue_.clear();
        cleared_ = true;
    }
    bool IsCleared() const {
        std::lock_guard lock(mutex_);
        return cleared_;
    }
    std::size_t Size() const {
        std::lock_guard lock(mutex_);
        return queue_.size();
    }

private:
    mutable std::mutex mutex_;
    std::deque<int32_t> queue_;
    bool cleared_ = true;
};

} // namespace lumora
