// Set-up every background thread of the engine makes once, at its start.
// Plain POSIX and glibc, no Qt.
//
// Both calls act on the calling thread only and are safe on any thread.
#pragma once

#include <cstddef>

namespace lumora {

// Lowers the calling thread's scheduling priority by two nice steps, so
// that the scan and the decodes never compete with the window for a core.
void LowerThreadPriority();

// Makes the calling thread's allocator arena `bytes` long at once. Without
// it the arena grows one page at a time while a folder is scanned, and each
// growth is a call into the kernel (and a write lock on the process's
// address space, which the other threads' page faults wait on). The memory
// is handed back right away: no page is touched, so none is resident; only
// the arena's bookkeeping remembers how far it may grow without asking the
// kernel again. Returns the number of bytes reserved (0 where the C library
// is not glibc).
std::size_t ReserveThreadHeap(std::size_t bytes);

// What the engine's threads reserve: the item records of a folder of
// about 20,000 files.
constexpr std::size_t kEngineThreadHeap = std::size_t{16} << 20;

} // namespace lumora
