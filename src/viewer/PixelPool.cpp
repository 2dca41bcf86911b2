#include "viewer/PixelPool.h"

#include "imaging/PixelMemory.h"

#include <mutex>
#include <utility>
#include <vector>

namespace lumora {

namespace {

using Clock = std::chrono::steady_clock;

struct Kept {
    std::unique_ptr<uint8_t[]> block;
    std::size_t size = 0;
    Clock::time_point since;
};

std::mutex poolMutex;
std::vector<Kept>& kept() {
    static std::vector<Kept> blocks; // oldest first
    return blocks;
}

// Under poolMutex: moves out what is too old (freed by the caller, outside
// the lock).
void takeStale(std::vector<Kept>& out, Clock::time_point now) {
    auto& blocks = kept();
    for (auto it = blocks.begin(); it != blocks.end();) {
        if (now - it->since > CPixelPool::kMaxAge) {
            out.push_back(std::move(*it));
            it = blocks.erase(it);
        } else {
            ++it;
        }
    }
}

} // namespace

std::unique_ptr<uint8_t[]> CPixelPool::Take(std::size_t size) {
    std::vector<Kept> stale;
    std::unique_ptr<uint8_t[]> found;
    {
        std::lock_guard lock(poolMutex);
        takeStale(stale, Clock::now());
        auto& blocks = kept();
        // The newest first: its pages are the likeliest still in cache.
        for (auto it = blocks.rbegin(); it != blocks.rend(); ++it) {
            if (it->size == size) {
                found = std::move(it->block);
                blocks.erase(std::next(it).base());
                break;
            }
        }
    }
    return found;
}

void CPixelPool::Give(std::unique_ptr<uint8_t[]> block, std::size_t size) {
    if (!block || size < kMinBytes || size > kMaxBytes)
        return;
    std::vector<Kept> dropped;
    {
        std::lock_guard lock(poolMutex);
        const auto now = Clock::now();
        takeStale(dropped, now);
        auto& blocks = kept();
        blocks.push_back(Kept{std::move(block), size, now});
        std::size_t total = 0;
        for (const auto& k : blocks)
            total += k.size;
        while (!blocks.empty() && (int(blocks.size()) > kMaxBlocks || total > kMaxBytes)) {
            total -= blocks.front().size;
            dropped.push_back(std::move(blocks.front()));
            blocks.erase(blocks.begin());
        }
    }
    // `dropped` frees its blocks here, outside the lock.
}

std::unique_ptr<uint8_t[]> CPixelPool::TakeOrAllocate(std::size_t size, bool populate) {
    if (size >= kMinBytes)
        if (auto block = Take(size))
            return block;
    return AllocatePixelBlock(size, populate);
}

void CPixelPool::Trim() {
    std::vector<Kept> all;
    {
        std::lock_guard lock(poolMutex);
        all.swap(kept());
    }
}

void CPixelPool::DropStale() {
    std::vector<Kept> stale;
    std::lock_guard lock(poolMutex);
    takeStale(stale, Clock::now());
    // `stale` is destroyed after the lock is released.
}

std::size_t CPixelPool::KeptBytes() {
    std::lock_guard lock(poolMutex);
    std::size_t total = 0;
    for (const auto& k : kept())
        total += k.size;
    return total;
}

int CPixelPool::KeptBlocks() {
    std::lock_guard lock(poolMutex);
    return static_cast<int>(kept().size());
}

} // namespace lumora
