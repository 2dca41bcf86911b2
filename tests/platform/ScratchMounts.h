// Small file systems for fault injection: a tmpfs of a given size (full
// disk, a second device for cross-device moves), made read-only on demand.
// Mounts happen in a private mount namespace of the test process, so they
// vanish with it even when a test dies half-way; they need root (CI runs as
// root). Tests call ScratchMount::available() and skip with its reason
// otherwise.
#pragma once

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace lumora::testing {

// A fresh folder under TMPDIR (or /tmp), removed with what it holds.
class ScratchDir {
public:
    ScratchDir() {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/lumora-test-XXXXXX";
        if (::mkdtemp(pattern.data()))
            path_ = pattern;
    }
    ~ScratchDir() {
        if (!path_.empty())
            removeTree(path_);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

    static void removeTree(const std::string& path) {
        struct stat st;
        if (::lstat(path.c_str(), &st) != 0)
            return;
        if (S_ISDIR(st.st_mode)) {
            ::chmod(path.c_str(), 0700);
            if (DIR* dir = ::opendir(path.c_str())) {
                std::vector<std::string> names;
                while (const dirent* e = ::readdir(dir))
                    if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
                        names.emplace_back(e->d_name);
                ::closedir(dir);
                for (const std::string& n : names)
                    removeTree(path + "/" + n);
            }
            if (::rmdir(path.c_str()) != 0) {
                ::umount2(path.c_str(), MNT_DETACH);
                ::rmdir(path.c_str());
            }
        } else {
            ::unlink(path.c_str());
        }
    }

private:
    std::string path_;
};

class ScratchMount {
public:
    // Empty when mounts can be made here, else why not.
    static std::string unavailableReason() {
        static const std::string reason = [] {
            if (::geteuid() != 0)
                return std::string("needs root for a private tmpfs mount");
            if (::unshare(CLONE_NEWNS) != 0)
                return std::string("cannot make a private mount namespace: ") +
                       std::strerror(errno);
            if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
                return std::string("cannot make mounts private: ") + std::strerror(errno);
            return std::string();
        }();
        return reason;
    }
    static bool available() { return unavailableReason().empty(); }

    // A tmpfs of `bytes` at `folder` (which must exist).
    ScratchMount(const std::string& folder, std::int64_t bytes) : folder_(folder) {
        const std::string options = "size=" + std::to_string(bytes) + ",mode=0755";
        mounted_ = ::mount("lumora-test", folder.c_str(), "tmpfs", 0, options.c_str()) == 0;
    }
    ~ScratchMount() {
        if (mounted_)
            ::umount2(folder_.c_str(), MNT_DETACH);
    }
    ScratchMount(const ScratchMount&) = delete;
    ScratchMount& operator=(const ScratchMount&) = delete;

    bool mounted() const { return mounted_; }
    bool setReadOnly(bool on) {
        return ::mount(nullptr, folder_.c_str(), nullptr, MS_REMOUNT | (on ? MS_RDONLY : 0),
                       nullptr) == 0;
    }
    std::int64_t freeBytes() const {
        struct statvfs s;
        if (::statvfs(folder_.c_str(), &s) != 0)
            return -1;
        return std::int64_t(s.f_bavail) * std::int64_t(s.f_frsize);
    }
    // Fills the file system until fewer than `leave` bytes are free.
    bool fillUpTo(std::int64_t leave) {
        const std::string filler = folder_ + "/.filler";
        const int fd = ::open(filler.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        if (fd < 0)
            return false;
        std::vector<char> block(4096, 'f');
        while (freeBytes() >= leave + std::int64_t(block.size()))
            if (::write(fd, block.data(), block.size()) <= 0)
                break;
        ::close(fd);
        return freeBytes() < leave + 4096;
    }
    const std::string& folder() const { return folder_; }

private:
    std::string folder_;
    bool mounted_ = false;
};

inline std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return "<missing>";
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline bool writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    return bool(out);
}

inline std::vector<std::string> namesIn(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* e = ::readdir(dir))
            if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
                names.emplace_back(e->d_name);
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// The names that do not start with a dot (temporary files do).
inline std::vector<std::string> visibleNames(const std::string& folder) {
    std::vector<std::string> out;
    for (const std::string& n : namesIn(folder))
        if (n[0] != '.')
            out.push_back(n);
    return out;
}

inline bool lexistsPath(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

// Bytes that tell files apart: the name, then a pattern up to `size`.
inline std::string patternBytes(const std::string& name, std::size_t size) {
    std::string out = name + ":";
    out.reserve(size);
    for (std::size_t i = 0; out.size() < size; ++i)
        out.push_back(char('a' + (i * 7 + name.size()) % 26));
    out.resize(size);
    return out;
}

} // namespace lumora::testing

// In a GoogleTest case: skip it, saying why, where no scratch mount can be made.
#define REQUIRE_MOUNTS()                                                                           \
    do {                                                                                           \
        if (!::lumora::testing::ScratchMount::available())                                         \
            GTEST_SKIP() << ::lumora::testing::ScratchMount::unavailableReason();                  \
    } while (0)
