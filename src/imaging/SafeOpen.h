// The one way this program opens a file it did not create (pictures, RAW
// files, sidecars, anything found in a folder): read-only, close-on-exec, and
// only when it is a regular file. A FIFO, socket or device named like an
// image is refused at once instead of blocking the reading thread.
// Free functions; callable from any thread.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <utility>

namespace lumora {

// Owns one file descriptor; closes it when destroyed.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd() { reset(); }
    UniqueFd(UniqueFd&& other) noexcept : fd_(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    explicit operator bool() const { return valid(); }
    // Hands the descriptor over (to a library that closes it itself).
    int release() { return std::exchange(fd_, -1); }
    void reset(int fd = -1);

private:
    int fd_ = -1;
};

// Opens path with O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY (so opening a
// FIFO does not wait for a writer) and checks with fstat that it is a regular
// file. O_NONBLOCK stays set: it changes nothing for a regular file, whose
// reads wait for the disk all the same, and keeps a file swapped for a FIFO
// after the check from blocking a read. Anything else gives an invalid
// descriptor with errno set (ENODEV for a file that is not regular). size,
// when given, receives the file's size; status the whole fstat record.
// Costs two system calls: open and fstat.
UniqueFd OpenRegularFile(const std::string& path, std::uint64_t* size = nullptr,
                         struct stat* status = nullptr);

// The same as a stdio stream in binary read mode; null when refused.
std::FILE* OpenRegularStream(const std::string& path, std::uint64_t* size = nullptr);

} // namespace lumora
