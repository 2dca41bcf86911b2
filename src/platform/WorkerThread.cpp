#include "platform/WorkerThread.h"

#include <cstdlib>
#include <vector>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

// Under AddressSanitizer the allocator is the sanitizer's own: nothing to
// reserve.
#if defined(__SANITIZE_ADDRESS__)
#define LUMORA_OWN_ALLOCATOR 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define LUMORA_OWN_ALLOCATOR 1
#endif
#endif

namespace lumora {

void LowerThreadPriority() {
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(::syscall(SYS_gettid)), 2);
}

std::size_t ReserveThreadHeap(std::size_t bytes) {
#if defined(__GLIBC__) && !defined(LUMORA_OWN_ALLOCATOR)
    // Blocks below the allocator's mmap threshold (128 KiB unless raised)
    // come from the thread's arena; each one grows it. Freed in the order
    // they were taken, they merge into one free chunk at the arena's top,
    // which is then trimmed once.
    constexpr std::size_t kBlock = 96 * 1024;
    const std::size_t count = bytes / kBlock;
    std::vector<void*> blocks;
    blocks.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        void* block = std::malloc(kBlock);
        if (block == nullptr)
            break;
        blocks.push_back(block);
    }
    // The blocks must really be taken: a compiler may drop a malloc whose
    // result is only freed.
    void* volatile last = blocks.empty() ? nullptr : blocks.back();
    (void)last;
    for (void* block : blocks)
        std::free(block);
    return blocks.size() * kBlock;
#else
    (void)bytes;
    return 0;
#endif
}

} // namespace lumora
