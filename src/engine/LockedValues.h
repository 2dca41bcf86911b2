// Small values shared between the view, its engine thread and the engine's
// worker. Every call may come from any thread; the index queue holds its
// lock only inside one call and never calls out while holding it.
#pragma once

#include "platform/LockedInt.h"

#include <cstdint>
#include <deque>
#include <mutex>

namespace lumora {

// A stop request or on/off state (0 or 1) and a generation number: both
// are the one shared integer type.
using LockedFlag = LockedInt;
using LockedValue = LockedInt;

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
