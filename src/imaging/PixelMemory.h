// Large pixel blocks. A decoded camera picture is tens of megabytes, and
// faulting it in 4 KiB pages costs more than decoding it on some machines:
// big blocks ask for huge pages and are populated in one system call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "imaging/DibImage.h"

namespace lumora {

// An uninitialised block of size bytes (delete[]-compatible, so DibImage can
// adopt it); null when memory is short. A big block's pages are populated
// in one go unless `populate` is false (a caller that populates them on
// another thread with PopulatePixelPages).
std::unique_ptr<uint8_t[]> AllocatePixelBlock(std::size_t size, bool populate = true);

// Faults in the whole pages within [data, data + size) for writing, in one
// system call; a hint that does nothing where the kernel refuses it. Safe
// while other threads write the same pages (present pages are left alone).
void PopulatePixelPages(uint8_t* data, std::size_t size);

// A zero-filled width x height picture in such a block; empty when the size
// is not positive or memory is short.
DibImage MakeBlankDib(int width, int height);

} // namespace lumora
