#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <sys/stat.h>

namespace lumora {

// Random-access, read-only view of one file's bytes for the metadata parser.
// One object belongs to one thread at a time (its windows are a cache).
// It reads the file in a few cached windows (one system call per window), so a
// walk over many small directory entries costs no seeks. Bytes past the end of
// the file read as zero. A memory buffer can stand in for the file.
//
// When a file is closed, its windows stay with the closing thread as that
// thread's recent bytes, until the thread closes the next file: a reader on
// the same thread that wants a block of the file just scanned (the embedded
// thumbnail the scan found) takes it from there with CopyRecent instead of
// opening the file again. Those bytes come from the same open of the same
// regular file as the offsets the scan read.
class CFileBytes {
public:
    static constexpr std::size_t kWindowSize = 16 * 1024;

    CFileBytes();
    ~CFileBytes();
    CFileBytes(const CFileBytes&) = delete;
    CFileBytes& operator=(const CFileBytes&) = delete;

    // Opens path through OpenRegularFile (open and fstat, nothing more).
    bool OpenFile(const std::filesystem::path& path);
    // The buffer must outlive every read (it is not copied).
    void OpenMemory(const std::uint8_t* data, std::size_t size);
    void Close();
    bool IsOpen() const { return fd_ >= 0 || memory_ != nullptr; }

    std::uint64_t Size() const { return size_; }
    // True when [pos, pos + length) lies inside the file.
    bool Contains(std::uint64_t pos, std::uint64_t length) const {
        return pos <= size_ && length <= size_ - pos;
    }

    // Copies length bytes at pos into dst; what lies past the end is zero-filled.
    // Returns how many bytes came from the file.
    std::size_t Read(std::uint64_t pos, void* dst, std::size_t length);

    // Copies length bytes at pos when windows already read hold them all;
    // false (and no system call) otherwise. For readers that look for
    // something optional and must not cost the scan another read.
    bool ReadCached(std::uint64_t pos, void* dst, std::size_t length) const;

    std::uint8_t U8(std::uint64_t pos);
    std::uint16_t U16(std::uint64_t pos, bool littleEndian);
    std::uint32_t U32(std::uint64_t pos, bool littleEndian);

    // Number of system reads made so far (for measurements).
    std::size_t ReadCalls() const { return readCalls_; }

    // The fstat record of the open file; null when none is open or the
    // bytes are a memory buffer.
    const struct stat* Status() const { return fd_ >= 0 ? &status_ : nullptr; }

    // Copies [offset, offset + length) of path from the windows of the file
    // this thread closed last, when that file was opened as path and one
    // window holds the whole block. False (dst untouched) otherwise.
    static bool CopyRecent(const std::string& path, std::uint64_t offset, std::size_t length,
                           std::uint8_t* dst);

private:
    struct Window {
        std::uint64_t start = 0;
        std::size_t length = 0;
        bool valid = false;
        std::array<std::uint8_t, kWindowSize> data;
    };

    struct RecentSlot;
    static RecentSlot* recentSlot(); // null once the thread is ending

    std::size_t ReadDirect(std::uint64_t pos, std::uint8_t* dst, std::size_t length);
    const Window* WindowFor(std::uint64_t pos, std::size_t length);

    int fd_ = -1;
    struct stat status_ {};
    std::string path_; // as opened, for the recent bytes
    const std::uint8_t* memory_ = nullptr;
    std::uint64_t size_ = 0;
    std::unique_ptr<std::array<Window, 3>> windows_;
    std::size_t nextVictim_ = 1; // window 0 keeps the head of the file
    std::size_t readCalls_ = 0;
};

} // namespace lumora
