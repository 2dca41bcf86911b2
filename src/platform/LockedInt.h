// A 32-bit integer shared between threads: stop requests, generations and
// request numbers. Every call is one atomic operation with sequentially
// consistent ordering, so what a thread wrote before Set() is visible to a
// thread that reads the new value with Get(). No lock is involved: a call
// never blocks and may be made from any thread, also while holding any of
// the program's locks.
#pragma once

#include <atomic>
#include <cstdint>

namespace lumora {

class LockedInt {
public:
    explicit LockedInt(int32_t value = 0) : value_(value) {}
    LockedInt(const LockedInt&) = delete;
    LockedInt& operator=(const LockedInt&) = delete;

    void Set(int32_t value) { value_.store(value); }
    int32_t Get() const { return value_.load(); }
    // Increments and returns the new value.
    int32_t Increment() { return value_.fetch_add(1) + 1; }

private:
    std::atomic<int32_t> value_;
};

} // namespace lumora
