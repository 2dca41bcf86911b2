// Recently freed big pixel blocks, kept for the next picture of the same
// size. A fresh block of a camera picture's size costs the kernel several
// milliseconds of page clearing per 24 MP; stepping through a folder frees
// and asks for blocks of the same few sizes over and over.
//
// Thread-safe: every function may be called from any thread (loader
// threads, Qt's image cleanup on whichever thread drops the last copy, the
// GUI thread). One mutex, taken briefly and never while calling out.
//
// Bounded: at most kMaxBlocks blocks and kMaxBytes bytes are kept; a block
// kept longer than kMaxAge is freed at the next call; Trim() frees all of
// them (the viewer does when it hides).
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace lumora {

class CPixelPool {
public:
    static constexpr int kMaxBlocks = 4;
    static constexpr std::size_t kMaxBytes = std::size_t(320) << 20;
    static constexpr std::chrono::seconds kMaxAge{20};
    // Blocks smaller than this are not worth keeping.
    static constexpr std::size_t kMinBytes = std::size_t(4) << 20;

    // A kept block of exactly `size` bytes (its contents are the old
    // picture's), or null.
    static std::unique_ptr<uint8_t[]> Take(std::size_t size);
    // Keeps a block of `size` bytes that its owner is done with, or frees it.
    static void Give(std::unique_ptr<uint8_t[]> block, std::size_t size);
    // A kept block of `size` bytes, else a new one (AllocatePixelBlock):
    // null only when memory is short.
    static std::unique_ptr<uint8_t[]> TakeOrAllocate(std::size_t size, bool populate = true);
    static void Trim();
    // Frees the blocks kept longer than kMaxAge.
    static void DropStale();
    static std::size_t KeptBytes();
    static int KeptBlocks();
};

} // namespace lumora
