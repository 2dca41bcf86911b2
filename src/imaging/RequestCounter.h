// The request number a control shares with its loader threads. A loader whose
// own number no longer matches the counter's is stale and stops at its next
// cancellation test.
#pragma once

#include <cstdint>
#include <mutex>

namespace lumora {

class RequestCounter {
public:
    void Set(int32_t number) {
        std::lock_guard lock(mutex_);
        number_ = number;
    }
    int32_t Get() const {
        std::lock_guard lock(mutex_);
        return number_;
    }

private:
    mutable std::mutex mutex_;
    int32_t number_ = 0;
};

// What a decoder consults at its cancellation points. A default-made test
// never cancels (the thumbnail engine checks between items instead).
struct CancelTest {
    const RequestCounter* counter = nullptr;
    int32_t requestNumber = 0;

    bool IsStale() const { return counter && counter->Get() != requestNumber; }
};

} // namespace lumora
