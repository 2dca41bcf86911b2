// The fuzz input as a file with a path, for readers that open files by name:
// one in-memory file per process, rewritten for each input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include <sys/mman.h>
#include <unistd.h>

namespace lumora::fuzz {

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
