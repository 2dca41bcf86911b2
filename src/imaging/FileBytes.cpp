#include "imaging/FileBytes.h"

#include "imaging/SafeOpen.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lumora {

namespace {
constexpr std::uint64_t kAlign = 4096;
}

// The windows of the file this thread closed last. Owned by the thread:
// a CFileBytes hands its windows over on Close and takes the slot's old
// ones back, so no object ever points into another thread's bytes.
namespace {
// Set when this thread's slot has been destroyed at thread exit: a file
// closed after that (by another thread-local object's destructor) keeps
// its windows to itself.
thread_local bool tRecentSlotGone = false;
} // namespace

struct CFileBytes::RecentSlot {
    RecentSlot() = default;
    RecentSlot(const RecentSlot&) = delete;
    RecentSlot& operator=(const RecentSlot&) = delete;
    ~RecentSlot() { tRecentSlotGone = true; }

    std::string path;
    std::unique_ptr<std::array<Window, 3>> windows;
};

CFileBytes::RecentSlot* CFileBytes::recentSlot() {
    if (tRecentSlotGone)
        return nullptr;
    thread_local RecentSlot slot;
    return &slot;
}

bool CFileBytes::CopyRecent(const std::string& path, std::uint64_t offset, std::size_t length,
                            std::uint8_t* dst) {
    const RecentSlot* slot = recentSlot();
    if (!slot || !slot->windows || length == 0 || slot->path != path)
        return false;
    for (const Window& w : *slot->windows) {
        if (w.valid && offset >= w.start && offset - w.start <= w.length &&
            length <= w.length - (offset - w.start)) {
            std::memcpy(dst, w.data.data() + (offset - w.start), length);
            return true;
        }
    }
    return false;
}

CFileBytes::CFileBytes() = default;

CFileBytes::~CFileBytes() {
    Close();
}

bool CFileBytes::OpenFile(const std::filesystem::path& path) {
    Close();
    std::uint64_t size = 0;
    path_ = path.string();
    UniqueFd fd = OpenRegularFile(path_, &size, &status_);
    if (!fd) {
        path_.clear();
        return false;
    }
    fd_ = fd.release();
    size_ = size;
    if (!windows_) {
        windows_ = std::make_unique_for_overwrite<std::array<Window, 3>>();
    }
    for (Window& w : *windows_) {
        w.valid = false;
    }
    nextVictim_ = 1;
    return true;
}

void CFileBytes::OpenMemory(const std::uint8_t* data, std::size_t size) {
    Close();
    static const std::uint8_t kEmpty = 0;
    memory_ = data ? data : &kEmpty;
    size_ = data ? size : 0;
}

void CFileBytes::Close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
        // The windows become this thread's recent bytes; the slot's older
        // buffer comes back for the next file (OpenFile clears it).
        if (RecentSlot* slot = recentSlot()) {
            slot->path.swap(path_);
            std::swap(slot->windows, windows_);
        }
        path_.clear();
    }
    memory_ = nullptr;
    size_ = 0;
}

std::size_t CFileBytes::ReadDirect(std::uint64_t pos, std::uint8_t* dst, std::size_t length) {
    std::size_t done = 0;
    while (done < length) {
        ++readCalls_;
        const ssize_t n = ::pread(fd_, dst + done, length - done, static_cast<off_t>(pos + done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    return done;
}

const CFileBytes::Window* CFileBytes::WindowFor(std::uint64_t pos, std::size_t length) {
    for (const Window& w : *windows_) {
        if (w.valid && pos >= w.start && pos - w.start <= w.length &&
            length <= w.length - (pos - w.start)) {
            return &w;
        }
    }
    if (length > kWindowSize - kAlign) {
        return nullptr;
    }
    // The first window holds the head of the file and is kept; later ones rotate.
    Window* w = &(*windows_)[0];
    if (!w->valid) {
        w->start = pos + length <= kWindowSize ? 0 : pos - pos % kAlign;
    } else {
        w = &(*windows_)[nextVictim_];
        nextVictim_ = nextVictim_ == 1 ? 2 : 1;
        w->start = pos - pos % kAlign;
    }
    const std::uint64_t avail = size_ > w->start ? size_ - w->start : 0;
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(kWindowSize, avail));
    w->length = ReadDirect(w->start, w->data.data(), want);
    w->valid = true;
    if (pos >= w->start && pos - w->start <= w->length && length <= w->length - (pos - w->start)) {
        return w;
    }
    return nullptr;
}

std::size_t CFileBytes::Read(std::uint64_t pos, void* dst, std::size_t length) {
    auto* out = static_cast<std::uint8_t*>(dst);
    if (length == 0) {
        return 0;
    }
    std::size_t real = 0;
    if (pos < size_) {
        real = static_cast<std::size_t>(std::min<std::uint64_t>(length, size_ - pos));
    }
    if (real > 0) {
        if (memory_) {
            std::memcpy(out, memory_ + pos, real);
        } else if (fd_ >= 0) {
            if (const Window* w = WindowFor(pos, real)) {
                std::memcpy(out, w->data.data() + (pos - w->start), real);
            } else {
                real = ReadDirect(pos, out, real);
            }
        } else {
            real = 0;
        }
    }
    if (real < length) {
        std::memset(out + real, 0, length - real);
    }
    return real;
}

bool CFileBytes::ReadCached(std::uint64_t pos, void* dst, std::size_t length) const {
    if (length == 0)
        return true;
    if (memory_) {
        if (!Contains(pos, length))
            return false;
        std::memcpy(dst, memory_ + pos, length);
        return true;
    }
    if (!windows_)
        return false;
    for (const Window& w : *windows_) {
        if (w.valid && pos >= w.start && pos - w.start <= w.length &&
            length <= w.length - (pos - w.start)) {
            std::memcpy(dst, w.data.data() + (pos - w.start), length);
            return true;
        }
    }
    return false;
}

std::uint8_t CFileBytes::U8(std::uint64_t pos) {
    std::uint8_t b = 0;
    Read(pos, &b, 1);
    return b;
}

std::uint16_t CFileBytes::U16(std::uint64_t pos, bool littleEndian) {
    std::uint8_t b[2];
    Read(pos, b, 2);
    return littleEndian ? static_cast<std::uint16_t>(b[0] | (b[1] << 8))
                        : static_cast<std::uint16_t>((b[0] << 8) | b[1]);
}

std::uint32_t CFileBytes::U32(std::uint64_t pos, bool littleEndian) {
    std::uint8_t b[4];
    Read(pos, b, 4);
    if (littleEndian) {
        return static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
               (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
    }
    return (static_cast<std::uint32_t>(b[0]) << 24) | (static_cast<std::uint32_t>(b[1]) << 16) |
           (static_cast<std::uint32_t>(b[2]) << 8) | static_cast<std::uint32_t>(b[3]);
}

} // namespace lumora
