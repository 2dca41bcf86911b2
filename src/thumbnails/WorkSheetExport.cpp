#include "thumbnails/WorkSheetExport.h"

#include <cerrno>
#include <filesystem>
#include <memory>

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

// Copies size bytes from in to out with the kernel's copy where it can.
bool copyContents(int in, int out, off_t size) {
    off_t left = size;
    bool kernelRange = true;
    bool kernelSend = true;
    while (left > 0) {
        const std::size_t chunk = static_cast<std::size_t>(std::min<off_t>(left, off_t(1) << 30));
        ssize_t n = -1;
        if (kernelRange) {
            n = ::copy_file_range(in, nullptr, out, nullptr, chunk, 0);
            if (n < 0 && errno != EINTR) {
                if (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP &&
                    errno != EPERM)
                    return false;
                kernelRange = false;
                continue;
            }
        } else if (kernelSend) {
            n = ::sendfile(out, in, nullptr, chunk);
            if (n < 0 && errno != EINTR) {
                if (errno != EINVAL && errno != ENOSYS)
                    return false;
                kernelSend = false;
                continue;
            }
        } else {
            static thread_local char buffer[1 << 16];
            n = ::read(in, buffer, std::min(chunk, sizeof buffer));
            if (n > 0) {
                ssize_t done = 0;
                while (done < n) {
                    const ssize_t w = ::write(out, buffer + done, std::size_t(n - done));
                    if (w < 0 && errno == EINTR)
                        continue;
                    if (w <= 0)
                        return false;
                    done += w;
                }
            } else if (n < 0 && errno != EINTR) {
                return false;
            }
        }
        if (n < 0)
            continue; // EINTR
        if (n == 0)
            break; // the file shrank while being copied: keep what there was
        left -= n;
    }
    return true;
}

// Copies the contents and the source's mode bits and times into out.
bool fillCopy(int in, int out, const struct stat& src) {
    if (!copyContents(in, out, src.st_size))
        return false;
    ::fchmod(out, src.st_mode & 07777);
    const struct timespec times[2] = {src.st_atim, src.st_mtim};
    ::futimens(out, times);
    return true;
}

// A hidden name beside the target for the copy under way.
std::string temporaryName(const std::string& folder, const std::string& name) {
    return folder + "." + name.substr(0, 200) + ".lumora-XXXXXX";
}

// The copy made under a temporary name and renamed over the target.
ExportCopyResult copyViaNamedTemporary(int in, const struct stat& src, const std::string& folder,
                                       const std::string& name, const std::string& destination) {
    std::string temp = temporaryName(folder, name);
    Fd out(::mkostemp(temp.data(), O_CLOEXEC));
    if (out.get() < 0)
        return ExportCopyResult::Failed;
    bool ok = fillCopy(in, out.get(), src);
    if (::close(out.release()) != 0)
        ok = false;
    if (!ok || ::rename(temp.c_str(), destination.c_str()) != 0) {
        ::unlink(temp.c_str());
        return ExportCopyResult::Failed;
    }
    return ExportCopyResult::Copied;
}

enum class UnnamedResult { Copied, Failed, Unsupported };

// The copy made in an unnamed file of the folder (O_TMPFILE), linked in
// under the target's name when complete: nothing shows in the folder until
// then, and a crash leaves nothing behind. Unsupported when the filesystem
// or /proc refuses it before anything was linked.
UnnamedResult copyViaUnnamedFile(int in, const struct stat& src, const std::string& folder,
                                 const std::string& name, const std::string& destination) {
    const std::string dir = folder.empty() ? std::string(".") : folder;
    Fd out(::open(dir.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600));
    if (out.get() < 0)
        return errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL
                   ? UnnamedResult::Unsupported
                   : UnnamedResult::Failed;
    if (!fillCopy(in, out.get(), src))
        return UnnamedResult::Failed;
    const std::string self = "/proc/self/fd/" + std::to_string(out.get());
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, destination.c_str(), AT_SYMLINK_FOLLOW) == 0)
        return ::close(out.release()) == 0 ? UnnamedResult::Copied : UnnamedResult::Failed;
    if (errno != EEXIST)
        return errno == ENOENT || errno == EPERM || errno == EOPNOTSUPP || errno == EXDEV
                   ? UnnamedResult::Unsupported
                   : UnnamedResult::Failed;
    // The target appeared meanwhile: link the finished copy under a hidden
    // name and rename it over the target, as for a target that existed.
    for (int attempt = 0; attempt < 8; ++attempt) {
        std::string temp = temporaryName(folder, name);
        Fd probe(::mkostemp(temp.data(), O_CLOEXEC)); // reserves a free name
        if (probe.get() < 0)
            return UnnamedResult::Failed;
        ::unlink(temp.c_str());
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, temp.c_str(), AT_SYMLINK_FOLLOW) != 0) {
            if (errno == EEXIST)
                continue;
            return UnnamedResult::Failed;
        }
        if (::rename(temp.c_str(), destination.c_str()) != 0) {
            ::unlink(temp.c_str());
            return UnnamedResult::Failed;
        }
        return ::close(out.release()) == 0 ? UnnamedResult::Copied : UnnamedResult::Failed;
    }
    return UnnamedResult::Failed;
}

} // namespace

ExportCopyResult CopyFileForExport(const std::string& source, const std::string& destination,
                                   ExportTempFile method) {
    if (source.empty() || destination.empty() || source.find('\0') != std::string::npos ||
        destination.find('\0') != std::string::npos)
        return ExportCopyResult::Failed;
    Fd in(::open(source.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat src {};
    if (in.get() < 0 || ::fstat(in.get(), &src) != 0 || !S_ISREG(src.st_mode))
        return ExportCopyResult::Failed;
    struct stat dst {};
    const bool targetExists = ::stat(destination.c_str(), &dst) == 0;
    if (targetExists) {
        // Copying a file onto itself would truncate it first.
        if (dst.st_dev == src.st_dev && dst.st_ino == src.st_ino)
            return ExportCopyResult::SameFile;
        if (S_ISDIR(dst.st_mode))
            return ExportCopyResult::Failed;
    }

    const std::size_t slash = destination.rfind('/');
    const std::string folder =
        slash == std::string::npos ? std::string() : destination.substr(0, slash + 1);
    const std::string name =
        slash == std::string::npos ? destination : destination.substr(slash + 1);
    if (name.empty())
        return ExportCopyResult::Failed;
    // A new target is linked in when complete; an existing one is replaced
    // by a rename, which an unnamed file cannot do in one step.
    if (!targetExists && method == ExportTempFile::Unnamed) {
        switch (copyViaUnnamedFile(in.get(), src, folder, name, destination)) {
        case UnnamedResult::Copied:
            return ExportCopyResult::Copied;
        case UnnamedResult::Failed:
            return ExportCopyResult::Failed;
        case UnnamedResult::Unsupported:
            if (::lseek(in.get(), 0, SEEK_SET) != 0)
                return ExportCopyResult::Failed;
            break;
        }
    }
    return copyViaNamedTemporary(in.get(), src, folder, name, destination);
}

std::optional<std::string> WorkSheetFolderName(std::string_view worksheetName) {
    if (worksheetName.empty() || worksheetName == "." || worksheetName == "..")
        return std::nullopt;
    std::string out;
    out.reserve(worksheetName.size() + 8);
    for (const char c : worksheetName) {
        if (c == '/')
            out += "\xEF\xBC\x8F"; // U+FF0F FULLWIDTH SOLIDUS
        else if (c == '\0')
            return std::nullopt;
        else
            out += c;
    }
    return out;
}

std::string ExportDestination(std::string_view destinationFolder, std::string_view fileName) {
    std::string out(destinationFolder);
    if (out.empty() || out.back() != '/')
        out += '/';
    out += fileName;
    return out;
}

bool CreateFolderAllLevels(const std::string& folder) {
    if (folder.empty() || folder.find('\0') != std::string::npos)
        return false;
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    return std::filesystem::is_directory(folder, ec);
}

CExportWorker::CExportWorker(QObject* mainWindow, std::vector<ExportPair> pairs)
    : mainWindow_(mainWindow), pairs_(std::move(pairs)) {}

CExportWorker::~CExportWorker() {
    Cancel();
    Join();
}

void CExportWorker::Start() {
    if (!thread_.joinable())
        thread_ = std::thread([this] { run(); });
}

void CExportWorker::Join() {
    if (thread_.joinable())
        thread_.join();
}

void CExportWorker::run() {
    const int total = static_cast<int>(pairs_.size());
    int copied = 0, skipped = 0, failed = 0;
    bool cancelled = false;
    for (int i = 0; i < total; ++i) {
        if (cancel_.load()) {
            cancelled = true;
            break;
        }
        const ExportPair& pair = pairs_[std::size_t(i)];
        PostNew<ExportProgressMessage>(mainWindow_, i + 1, total);
        PostNew<ExportFileMessage>(mainWindow_, QString::fromStdString(pair.destination));
        switch (CopyFileForExport(pair.source, pair.destination)) {
        case ExportCopyResult::Copied:
            ++copied;
            break;
        case ExportCopyResult::SameFile:
            ++skipped;
            break;
        case ExportCopyResult::Failed:
            ++failed;
            break;
        }
    }
    finished_.store(true);
    PostNew<ExportDoneMessage>(mainWindow_, copied, skipped, failed, cancelled);
}

} // namespace lumora
