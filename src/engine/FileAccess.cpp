#include "engine/FileAccess.h"

#include <chrono>
#include <fcntl.h>
#include <linux/capability.h>
#include <mutex>
#include <sys/statvfs.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <vector>

namespace lumora {

namespace {

bool systemSaysWritable(const std::string& path) {
    // The effective ids decide, as they do for an open() for writing.
    return ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0;
}

// Read-only mounts by device, each answer kept for a second: a remount is
// seen soon, and a folder of thousands of files asks about its device once.
class MountFlags {
public:
    bool ReadOnly(dev_t device, const std::string& path) {
        const auto now = std::chrono::steady_clock::now();
        std::lock_guard lock(mutex_);
        for (Entry& e : entries_) {
            if (e.device == device && now - e.asked < std::chrono::seconds(1))
                return e.readOnly;
        }
        struct statvfs vfs {};
        const bool readOnly = ::statvfs(path.c_str(), &vfs) == 0 && (vfs.f_flag & ST_RDONLY);
        for (Entry& e : entries_) {
            if (e.device == device) {
                e = Entry{device, readOnly, now};
                return readOnly;
            }
        }
        if (entries_.size() >= kMaxDevices)
            entries_.erase(entries_.begin());
        entries_.push_back(Entry{device, readOnly, now});
        return readOnly;
    }

private:
    static constexpr std::size_t kMaxDevices = 16;
    struct Entry {
        dev_t device;
        bool readOnly;
        std::chrono::steady_clock::time_point asked;
    };
    std::mutex mutex_;
    std::vector<Entry> entries_;
};

MountFlags& mountFlags() {
    static MountFlags flags;
    return flags;
}

// Whether this process may override file permissions (the superuser's
// usual right), read once.
bool mayOverridePermissions() {
    static const bool may = [] {
        __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
        __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3] = {};
        if (::syscall(SYS_capget, &header, data) != 0)
            return false;
        return (data[CAP_TO_INDEX(CAP_DAC_OVERRIDE)].effective & CAP_TO_MASK(CAP_DAC_OVERRIDE)) !=
               0;
    }();
    return may;
}

// The owner of files whose real owner a user namespace does not map.
constexpr uid_t kOverflowUser = 65534;

} // namespace

FileStatus FileStatusOf(const struct stat& st) {
    FileStatus status;
    status.mode = st.st_mode;
    status.size = st.st_size;
    status.accessTime = st.st_atime;
    status.modificationTime = st.st_mtime;
    status.changeTime = st.st_ctime;
    return status;
}

uid_t EffectiveUser() {
    static const uid_t euid = ::geteuid(); // a system call each time it is asked
    return euid;
}

bool UserMayWriteStatus(const struct stat& st, const std::string& path) {
    return UserMayWriteStatus(st, path, EffectiveUser());
}

bool UserMayWriteStatus(const struct stat& st, const std::string& path, uid_t euid) {
    if (euid == 0) {
        // The superuser writes any file of a user it maps, whatever its mode;
        // without that right, or for an unmapped owner, the system decides.
        if (!mayOverridePermissions() || st.st_uid == kOverflowUser)
            return systemSaysWritable(path);
    } else if (euid == st.st_uid) {
        // The owner class is the owner's whole answer, ACL or not.
        if (!(st.st_mode & S_IWUSR))
            return false;
    } else if (!(st.st_mode & (S_IWGRP | S_IWOTH))) {
        return false; // no class and no ACL entry grants writing
    } else {
        return systemSaysWritable(path); // group membership or an ACL decides
    }
    return !mountFlags().ReadOnly(st.st_dev, path);
}

bool ReadFileStatus(const std::string& path, FileStatus& status, bool& readOnly) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0)
        return false;
    status = FileStatusOf(st);
    readOnly = !UserMayWriteStatus(st, path);
    return true;
}

} // namespace lumora
