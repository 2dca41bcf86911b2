#include "platform/DurableFile.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <random>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lumora {

namespace {

class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() { reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }
    void reset() {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }

private:
    int fd_;
};

// A named temporary file that is removed unless it was renamed into place.
class TempName {
public:
    TempName() = default;
    ~TempName() {
        if (!path_.empty())
            ::unlink(path_.c_str());
    }
    TempName(const TempName&) = delete;
    TempName& operator=(const TempName&) = delete;
    void set(std::string path) { path_ = std::move(path); }
    const std::string& path() const { return path_; }
    void keep() { path_.clear(); }

private:
    std::string path_;
};

DurableResult failure(int error, DurableStep step, const std::string& path) {
    DurableResult r;
    r.error = error == 0 ? EIO : error;
    r.step = step;
    r.path = path;
    return r;
}

bool validPath(const std::string& path) {
    return !path.empty() && path.find('\0') == std::string::npos;
}

std::string nameOfPath(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The hidden temporary name's prefix: the target's name cut so that the
// whole stays within a 255-byte name.
std::string tempPrefix(const std::string& folder, const std::string& name) {
    std::string prefix = folder == "/" ? std::string("/") : folder + "/";
    return prefix + "." + name.substr(0, 200) + ".lumora-";
}

bool writeAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), std::min<std::size_t>(data.size(), 1 << 30));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0) {
            errno = EIO;
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// Copies the source's bytes with the kernel's copy where it can, in chunks
// so that progress is reported and a cancel is noticed. Returns 0 or errno
// (ECANCELED for a cancel); `readFailed` tells a failed read from a failed
// write.
int copyContents(int in, int out, const std::function<bool(std::int64_t)>& progress,
                 bool& readFailed) {
    constexpr std::size_t kChunk = 1 << 20;
    bool kernelRange = true;
    bool kernelSend = true;
    std::vector<char> buffer;
    std::int64_t done = 0;
    readFailed = false;
    for (;;) {
        ssize_t n = -1;
        if (kernelRange) {
            n = ::copy_file_range(in, nullptr, out, nullptr, kChunk, 0);
            if (n < 0 && errno != EINTR) {
                if (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP &&
                    errno != EPERM)
                    return errno;
                kernelRange = false;
                continue;
            }
        } else if (kernelSend) {
            n = ::sendfile(out, in, nullptr, kChunk);
            if (n < 0 && errno != EINTR) {
                if (errno != EINVAL && errno != ENOSYS)
                    return errno;
                kernelSend = false;
                continue;
            }
        } else {
            if (buffer.empty())
                buffer.resize(kChunk);
            n = ::read(in, buffer.data(), buffer.size());
            if (n < 0 && errno != EINTR) {
                readFailed = true;
                return errno;
            }
            if (n > 0 && !writeAll(out, std::string_view(buffer.data(), std::size_t(n))))
                return errno;
        }
        if (n < 0)
            continue; // EINTR
        if (n == 0)
            return 0; // end of the source
        done += n;
        if (progress && !progress(done))
            return ECANCELED;
    }
}

// Fills `out` from `in` with the source's mode and times, then fsyncs it.
DurableResult fillAndSync(int in, int out, const struct stat& src, const std::string& source,
                          const std::string& temp, const DurableCopyOptions& options) {
    bool readFailed = false;
    if (const int error = copyContents(in, out, options.progress, readFailed))
        return error == ECANCELED ? failure(ECANCELED, DurableStep::Cancelled, source)
               : readFailed       ? failure(error, DurableStep::ReadSource, source)
                                  : failure(error, DurableStep::Write, temp);
    ::fchmod(out, options.keepMode ? (src.st_mode & 07777) : 0644);
    if (options.keepTimes) {
        const struct timespec times[2] = {src.st_atim, src.st_mtim};
        ::futimens(out, times);
    }
    if (::fsync(out) != 0)
        return failure(errno, DurableStep::SyncFile, temp);
    return {};
}

// Renames `from` to `to`; without `replace` never over an existing entry.
int renameInto(const std::string& from, const std::string& to, bool replace) {
    if (replace)
        return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    // No RENAME_NOREPLACE here: a hard link fails on an existing name.
    if (::link(from.c_str(), to.c_str()) != 0)
        return errno;
    ::unlink(from.c_str());
    return 0;
}

// The copy under a hidden name, renamed into place.
DurableResult copyNamed(int in, const struct stat& src, const std::string& source,
                        const std::string& target, const std::string& folder,
                        const DurableCopyOptions& options) {
    TempName temp;
    std::string name = tempPrefix(folder, nameOfPath(target)) + "XXXXXX";
    Fd out(::mkostemp(name.data(), O_CLOEXEC));
    if (out.get() < 0)
        return failure(errno, DurableStep::CreateTemp, target);
    temp.set(name);
    DurableResult r = fillAndSync(in, out.get(), src, source, target, options);
    if (!r)
        return r;
    if (::close(out.release()) != 0)
        return failure(errno, DurableStep::Write, target);
    if (const int error = renameInto(temp.path(), target, options.replace))
        return failure(error, DurableStep::Rename, target);
    temp.keep();
    return options.syncFolder ? SyncFolder(folder) : DurableResult{};
}

enum class Unnamed { Done, Unsupported };

// The copy in an unnamed file of the folder, linked in under the target's
// name when complete. Unsupported (with the source rewound) where the file
// system or /proc refuses it before anything was linked.
DurableResult copyUnnamed(int in, const struct stat& src, const std::string& source,
                          const std::string& target, const std::string& folder,
                          const DurableCopyOptions& options, Unnamed& how) {
    how = Unnamed::Done;
    Fd out(::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600));
    if (out.get() < 0) {
        if (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL) {
            how = Unnamed::Unsupported;
            return {};
        }
        return failure(errno, DurableStep::CreateTemp, target);
    }
    DurableResult r = fillAndSync(in, out.get(), src, source, target, options);
    if (!r)
        return r;
    const std::string self = "/proc/self/fd/" + std::to_string(out.get());
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, target.c_str(), AT_SYMLINK_FOLLOW) != 0) {
        const int error = errno;
        if (error == EEXIST && !options.replace)
            return failure(EEXIST, DurableStep::Rename, target);
        if (error != EEXIST) {
            if (error == ENOENT || error == EPERM || error == EOPNOTSUPP || error == EXDEV) {
                if (::lseek(in, 0, SEEK_SET) != 0)
                    return failure(errno, DurableStep::ReadSource, source);
                how = Unnamed::Unsupported;
                return {};
            }
            return failure(error, DurableStep::Rename, target);
        }
        // The target appeared meanwhile: link the finished copy under a
        // hidden name and rename that over the target.
        std::mt19937 random(std::random_device{}());
        bool placed = false;
        for (int attempt = 0; attempt < 16 && !placed; ++attempt) {
            const std::string temp =
                tempPrefix(folder, nameOfPath(target)) + std::to_string(random() % 1000000000u);
            if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, temp.c_str(), AT_SYMLINK_FOLLOW) != 0) {
                if (errno == EEXIST)
                    continue;
                return failure(errno, DurableStep::Rename, target);
            }
            if (::rename(temp.c_str(), target.c_str()) != 0) {
                const int renameError = errno;
                ::unlink(temp.c_str());
                return failure(renameError, DurableStep::Rename, target);
            }
            placed = true;
        }
        if (!placed)
            return failure(EEXIST, DurableStep::Rename, target);
    }
    if (::close(out.release()) != 0)
        return failure(errno, DurableStep::Write, target);
    return options.syncFolder ? SyncFolder(folder) : DurableResult{};
}

// What a target that exists means for putting src there: nothing to do when
// it is src itself (copying a file onto itself would truncate it first), a
// refusal for a folder or when replacing is not allowed, else go on.
std::optional<DurableResult> existingTarget(const struct stat& src, const struct stat& dst,
                                            bool replace, const std::string& target) {
    if (dst.st_dev == src.st_dev && dst.st_ino == src.st_ino) {
        DurableResult same;
        same.sameFile = true;
        return same;
    }
    if (S_ISDIR(dst.st_mode))
        return failure(EISDIR, DurableStep::Rename, target);
    if (!replace)
        return failure(EEXIST, DurableStep::Rename, target);
    return std::nullopt;
}

} // namespace

bool DurableResult::noSpace() const {
    return error == ENOSPC || error == EDQUOT;
}
bool DurableResult::readOnly() const {
    return error == EROFS || error == EACCES || error == EPERM;
}
bool DurableResult::missing() const {
    return error == ENOENT || error == ENOTDIR;
}

std::string FolderOfPath(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

DurableResult SyncFolder(const std::string& folder) {
    Fd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.get() < 0)
        return failure(errno, DurableStep::SyncFolder, folder);
    // Some file systems cannot sync a folder; their entries are as safe as
    // they get.
    if (::fsync(fd.get()) != 0 && errno != EINVAL && errno != EROFS)
        return failure(errno, DurableStep::SyncFolder, folder);
    return {};
}

DurableResult WriteFileDurably(const std::string& rawPath, std::string_view bytes,
                               const DurableWriteOptions& options) {
    if (!validPath(rawPath))
        return failure(EINVAL, DurableStep::CreateTemp, rawPath);
    std::string path = rawPath;
    struct stat old {};
    bool replacing = false;
    if (::lstat(path.c_str(), &old) == 0) {
        if (S_ISLNK(old.st_mode)) {
            // A settings file kept elsewhere through a link: the link stays,
            // the file it names is replaced.
            if (char* real = ::realpath(path.c_str(), nullptr)) {
                path = real;
                std::free(real);
            }
            replacing = ::stat(path.c_str(), &old) == 0;
        } else {
            replacing = true;
        }
        if (replacing && S_ISDIR(old.st_mode))
            return failure(EISDIR, DurableStep::Rename, path);
        if (replacing && !S_ISREG(old.st_mode))
            return failure(EINVAL, DurableStep::Rename, path);
    }
    const std::string folder = FolderOfPath(path);
    TempName temp;
    std::string name = tempPrefix(folder, nameOfPath(path)) + "XXXXXX";
    Fd out(::mkostemp(name.data(), O_CLOEXEC));
    if (out.get() < 0)
        return failure(errno, DurableStep::CreateTemp, path);
    temp.set(name);
    if (replacing) {
        ::fchmod(out.get(), old.st_mode & 07777);
        if (::geteuid() == 0)
            (void)::fchown(out.get(), old.st_uid, old.st_gid);
    } else {
        ::fchmod(out.get(), options.newFileMode & 07777);
    }
    if (!writeAll(out.get(), bytes))
        return failure(errno, DurableStep::Write, path);
    if (::fsync(out.get()) != 0)
        return failure(errno, DurableStep::SyncFile, path);
    if (::close(out.release()) != 0)
        return failure(errno, DurableStep::Write, path);
    if (::rename(temp.path().c_str(), path.c_str()) != 0)
        return failure(errno, DurableStep::Rename, path);
    temp.keep();
    return options.syncFolder ? SyncFolder(folder) : DurableResult{};
}

DurableResult CopyFileDurably(const std::string& source, const std::string& target,
                              const DurableCopyOptions& options) {
    if (!validPath(source))
        return failure(EINVAL, DurableStep::OpenSource, source);
    if (!validPath(target))
        return failure(EINVAL, DurableStep::CreateTemp, target);
    // O_NONBLOCK: opening a FIFO must not wait for a writer.
    Fd in(::open(source.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (in.get() < 0)
        return failure(errno, DurableStep::OpenSource, source);
    struct stat src {};
    if (::fstat(in.get(), &src) != 0)
        return failure(errno, DurableStep::OpenSource, source);
    if (!S_ISREG(src.st_mode))
        return failure(S_ISDIR(src.st_mode) ? EISDIR : EINVAL, DurableStep::OpenSource, source);
    ::fcntl(in.get(), F_SETFL, ::fcntl(in.get(), F_GETFL) & ~O_NONBLOCK);

    struct stat dst {};
    const bool targetExists = ::stat(target.c_str(), &dst) == 0;
    if (targetExists) {
        if (auto answer = existingTarget(src, dst, options.replace, target))
            return *answer;
    }
    if (nameOfPath(target).empty())
        return failure(EINVAL, DurableStep::CreateTemp, target);
    const std::string folder = FolderOfPath(target);
    if (!targetExists && options.temp == DurableTemp::Unnamed) {
        Unnamed how = Unnamed::Done;
        DurableResult r = copyUnnamed(in.get(), src, source, target, folder, options, how);
        if (how == Unnamed::Done)
            return r;
    }
    return copyNamed(in.get(), src, source, target, folder, options);
}

DurableResult CopyLinkDurably(const std::string& source, const std::string& target, bool replace) {
    if (!validPath(source) || !validPath(target))
        return failure(EINVAL, DurableStep::OpenSource, source);
    struct stat st {};
    if (::lstat(source.c_str(), &st) != 0)
        return failure(errno, DurableStep::OpenSource, source);
    if (!S_ISLNK(st.st_mode))
        return failure(EINVAL, DurableStep::OpenSource, source);
    std::vector<char> link(std::size_t(std::clamp<off_t>(st.st_size, 0, 1 << 16)) + PATH_MAX + 1);
    const ssize_t n = ::readlink(source.c_str(), link.data(), link.size() - 1);
    if (n < 0)
        return failure(errno, DurableStep::ReadSource, source);
    link[std::size_t(n)] = '\0';
    struct stat dst {};
    if (::lstat(target.c_str(), &dst) == 0) {
        if (S_ISDIR(dst.st_mode))
            return failure(EISDIR, DurableStep::Rename, target);
        if (!replace)
            return failure(EEXIST, DurableStep::Rename, target);
    }
    const std::string folder = FolderOfPath(target);
    std::mt19937 random(std::random_device{}());
    TempName temp;
    for (int attempt = 0; attempt < 16 && temp.path().empty(); ++attempt) {
        const std::string name =
            tempPrefix(folder, nameOfPath(target)) + std::to_string(random() % 1000000000u);
        if (::symlink(link.data(), name.c_str()) == 0)
            temp.set(name);
        else if (errno != EEXIST)
            return failure(errno, DurableStep::CreateTemp, target);
    }
    if (temp.path().empty())
        return failure(EEXIST, DurableStep::CreateTemp, target);
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    ::utimensat(AT_FDCWD, temp.path().c_str(), times, AT_SYMLINK_NOFOLLOW);
    if (const int error = renameInto(temp.path(), target, replace))
        return failure(error, DurableStep::Rename, target);
    temp.keep();
    return SyncFolder(folder);
}

DurableResult MoveFileDurably(const std::string& source, const std::string& target,
                              const DurableCopyOptions& options) {
    if (!validPath(source))
        return failure(EINVAL, DurableStep::OpenSource, source);
    if (!validPath(target))
        return failure(EINVAL, DurableStep::CreateTemp, target);
    struct stat src {};
    if (::lstat(source.c_str(), &src) != 0)
        return failure(errno, DurableStep::OpenSource, source);
    if (!S_ISREG(src.st_mode) && !S_ISLNK(src.st_mode))
        return failure(S_ISDIR(src.st_mode) ? EISDIR : EINVAL, DurableStep::OpenSource, source);
    struct stat dst {};
    if (::lstat(target.c_str(), &dst) == 0) {
        if (auto answer = existingTarget(src, dst, options.replace, target))
            return *answer;
    }
    const std::string sourceFolder = FolderOfPath(source);
    const std::string targetFolder = FolderOfPath(target);
    const int renamed = renameInto(source, target, options.replace);
    if (renamed == 0) {
        DurableResult r = SyncFolder(targetFolder);
        if (r && sourceFolder != targetFolder)
            r = SyncFolder(sourceFolder);
        return r;
    }
    if (renamed != EXDEV)
        return failure(renamed, DurableStep::Rename, target);

    // Another file system: a complete, synced copy first; only then the
    // source goes.
    DurableCopyOptions copyOptions = options;
    copyOptions.syncFolder = true;
    DurableResult r = S_ISLNK(src.st_mode) ? CopyLinkDurably(source, target, options.replace)
                                           : CopyFileDurably(source, target, copyOptions);
    if (!r || r.sameFile)
        return r;
    if (::unlink(source.c_str()) != 0)
        return failure(errno, DurableStep::RemoveSource, source);
    return SyncFolder(sourceFolder);
}

DurableResult MakeFolderDurably(const std::string& path, mode_t mode) {
    if (!validPath(path))
        return failure(EINVAL, DurableStep::MakeFolder, path);
    if (::mkdir(path.c_str(), mode) != 0) {
        const int error = errno;
        struct stat st {};
        if (error == EEXIST && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
            return {};
        return failure(error, DurableStep::MakeFolder, path);
    }
    return SyncFolder(FolderOfPath(path));
}

DurableResult RemoveFileDurably(const std::string& path) {
    if (!validPath(path))
        return failure(EINVAL, DurableStep::RemoveSource, path);
    if (::unlink(path.c_str()) != 0)
        return failure(errno, DurableStep::RemoveSource, path);
    return SyncFolder(FolderOfPath(path));
}

std::string DurableErrorText(int error) {
    switch (error) {
    case 0:
        return {};
    case ENOSPC:
    case EDQUOT:
        return "ディスクの空き領域が不足しています。";
    case EROFS:
        return "書き込み禁止のドライブです。";
    case EACCES:
    case EPERM:
        return "アクセスが拒否されました。";
    case ENOENT:
    case ENOTDIR:
        return "ファイルまたはフォルダが見つかりません。";
    case EEXIST:
        return "同じ名前のファイルが既にあります。";
    case EISDIR:
        return "同じ名前のフォルダがあります。";
    case EINVAL:
        return "通常のファイルではありません。";
    case ECANCELED:
        return "キャンセルされました。";
    case ENAMETOOLONG:
        return "名前が長すぎます。";
    case EIO:
        return "ディスクの読み書き中にエラーが発生しました。";
    default:
        return std::strerror(error);
    }
}

} // namespace lumora
