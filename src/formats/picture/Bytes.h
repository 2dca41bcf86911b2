// Random access to the bytes of one open file or one memory block, for the
// chunk walks of the picture glues. Reads that do not lie wholly inside
// fail; nothing is read ahead.
//
// Owner: the caller, who keeps the FILE or the block alive and uses the
// object on one thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace lumora::picture {

class Bytes {
public:
    Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    explicit Bytes(std::FILE* file) : file_(file) {
        if (std::fseek(file, 0, SEEK_END) == 0) {
            const long end = std::ftell(file);
            size_ = end > 0 ? static_cast<std::uint64_t>(end) : 0;
        }
    }
    std::uint64_t size() const { return size_; }
    bool read(std::uint64_t pos, void* dst, std::size_t n) const {
        if (pos > size_ || n > size_ - pos)
            return false;
        if (data_) {
            if (n)
                std::memcpy(dst, data_ + pos, n);
            return true;
        }
        return std::fseek(file_, static_cast<long>(pos), SEEK_SET) == 0 &&
               std::fread(dst, 1, n, file_) == n;
    }
    // The whole source in memory (a file of at most maxBytes); false when
    // it is larger or cannot be read.
    bool readAll(std::vector<std::uint8_t>& out, std::uint64_t maxBytes) const {
        if (size_ > maxBytes)
            return false;
        out.resize(static_cast<std::size_t>(size_));
        return read(0, out.data(), out.size());
    }

private:
    const std::uint8_t* data_ = nullptr;
    std::FILE* file_ = nullptr;
    std::uint64_t size_ = 0;
};

struct FileClose {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileClose>;

// Opens a regular file for reading without blocking on what is not one
// (a FIFO, a device): null for those and for what cannot be opened.
File OpenRegularFile(const std::string& path);

// Largest file a glue reads into memory to decode.
constexpr std::uint64_t kMaxFileBytes = 256ull << 20;

} // namespace lumora::picture
