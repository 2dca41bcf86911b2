// Shared pieces of the fuzz targets: the input's length bound, the input as
// a file with a path for readers that open files by name, and the picture
// size the decoding targets allow.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include <sys/mman.h>
#include <unistd.h>

// The build gives each target the input length of its runs (-max_len).
#ifndef LUMORA_FUZZ_MAX_LEN
#define LUMORA_FUZZ_MAX_LEN 65536
#endif

namespace lumora::fuzz {

// Longest input a target reads; longer ones are skipped, so that a run
// without -max_len does not spend its time on huge inputs.
constexpr std::size_t kMaxInput = LUMORA_FUZZ_MAX_LEN;

// Largest picture a decoding target lets the decoders produce. Small
// pictures take the same paths through the readers as camera-sized ones;
// full-size decodes of what a damaged header claims would only slow a run.
constexpr std::int64_t kMaxPixels = 256 * 256;

// Largest single allocation the TIFF library may make for one input.
constexpr std::uint64_t kMaxLibraryAllocation = 16ull << 20;

inline bool TooLong(std::size_t size) {
    return size > kMaxInput;
}

// One in-memory file per process, rewritten for each input.
inline const std::string& InputFile(const std::uint8_t* data, std::size_t size) {
    static const int fd = ::memfd_create("lumora-fuzz", MFD_CLOEXEC);
    static const std::string path = "/proc/self/fd/" + std::to_string(fd);
    if (fd >= 0 && ::ftruncate(fd, 0) == 0) {
        std::size_t done = 0;
        while (done < size) {
            const ssize_t n = ::pwrite(fd, data + done, size - done, static_cast<off_t>(done));
            if (n <= 0)
                break;
            done += static_cast<std::size_t>(n);
        }
    }
    return path;
}

} // namespace lumora::fuzz
