#include "imaging/PixelMemory.h"

#include <cstring>
#include <new>
#include <utility>

#include <sys/mman.h>

namespace lumora {

namespace {
constexpr std::size_t kBigBlock = 4u << 20;
constexpr std::size_t kPage = 4096;
#ifndef MADV_POPULATE_WRITE
constexpr int MADV_POPULATE_WRITE = 23;
#endif
} // namespace

namespace {

// The whole pages within [data, data + size), or an empty range.
std::pair<void*, std::size_t> wholePages(uint8_t* data, std::size_t size) {
    const auto start = reinterpret_cast<uintptr_t>(data);
    const uintptr_t first = (start + kPage - 1) & ~uintptr_t(kPage - 1);
    const uintptr_t last = (start + size) & ~uintptr_t(kPage - 1);
    if (last <= first)
        return {nullptr, 0};
    return {reinterpret_cast<void*>(first), last - first};
}

} // namespace

std::unique_ptr<uint8_t[]> AllocatePixelBlock(std::size_t size, bool populate) {
    std::unique_ptr<uint8_t[]> block(new (std::nothrow) uint8_t[size ? size : 1]);
    if (!block || size < kBigBlock)
        return block;
    const auto [pages, length] = wholePages(block.get(), size);
    if (length == 0)
        return block;
    // Both are hints: older kernels refuse them and the pages fault in one
    // by one as before.
    ::madvise(pages, length, MADV_HUGEPAGE);
    if (populate)
        ::madvise(pages, length, MADV_POPULATE_WRITE);
    return block;
}

void PopulatePixelPages(uint8_t* data, std::size_t size) {
    const auto [pages, length] = wholePages(data, size);
    if (length != 0)
        ::madvise(pages, length, MADV_POPULATE_WRITE);
}

DibImage MakeBlankDib(int width, int height) {
    DibImage image;
    if (width <= 0 || height <= 0)
        return image;
    const std::size_t size = static_cast<std::size_t>(dibStride(width)) * height;
    std::unique_ptr<uint8_t[]> bits = AllocatePixelBlock(size);
    if (!bits)
        return image;
    std::memset(bits.get(), 0, size);
    image.adopt(width, height, std::move(bits));
    return image;
}

} // namespace lumora
