#include "marks/Sidecar.h"

#include "marks/EmbeddedXmp.h"
#include "marks/XmpMarks.h"
#include "platform/DurableFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lumora {

namespace {

struct Fd {
    int fd = -1;
    ~Fd() {
        if (fd >= 0)
            ::close(fd);
    }
};

std::string_view baseName(std::string_view path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// Reads a whole regular file of at most `limit` bytes. errno-style result.
int readWhole(const std::string& path, std::size_t limit, std::string& out) {
    Fd f;
    f.fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (f.fd < 0)
        return errno;
    struct stat st;
    if (::fstat(f.fd, &st) != 0)
        return errno;
    if (!S_ISREG(st.st_mode))
        return EINVAL;
    if (st.st_size < 0 || static_cast<std::uint64_t>(st.st_size) > limit)
        return EFBIG;
    out.assign(static_cast<std::size_t>(st.st_size), '\0');
    std::size_t done = 0;
    while (done < out.size()) {
        const ssize_t n = ::read(f.fd, out.data() + done, out.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (n == 0)
            break; // shrank meanwhile: take what is there
        done += static_cast<std::size_t>(n);
    }
    out.resize(done);
    return 0;
}

std::string reasonText(int error) {
    if (error == EFBIG)
        return "ファイルが大きすぎます。";
    std::string text = DurableErrorText(error);
    return text.empty() ? std::string(std::strerror(error)) : text;
}

std::string cannotWrite(const std::string& path, const std::string& reason) {
    return "「" + std::string(baseName(path)) + "」に印を書き込めません。\n" + reason;
}

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool lexists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

} // namespace

SidecarNames SidecarNamesFor(std::string_view fileName) {
    SidecarNames names;
    const std::size_t dot = fileName.find_last_of('.');
    const std::string_view stem =
        dot == std::string_view::npos || dot == 0 ? fileName : fileName.substr(0, dot);
    names.stem = std::string(stem) + ".xmp";
    names.full = std::string(fileName) + ".xmp";
    return names;
}

bool IsSidecarName(std::string_view name) {
    if (name.size() < 5)
        return false;
    const std::string_view ext = name.substr(name.size() - 4);
    return ext[0] == '.' && (ext[1] == 'x' || ext[1] == 'X') && (ext[2] == 'm' || ext[2] == 'M') &&
           (ext[3] == 'p' || ext[3] == 'P');
}

std::string FindSidecarName(std::string_view fileName,
                            const std::function<bool(const std::string&)>& exists) {
    if (IsSidecarName(fileName))
        return {};
    const SidecarNames names = SidecarNamesFor(fileName);
    for (const std::string* name : {&names.full, &names.stem}) {
        if (exists(*name))
            return *name;
        std::string upper = name->substr(0, name->size() - 4) + ".XMP";
        if (exists(upper))
            return upper;
    }
    return {};
}

std::string FindSidecarOnDisk(const std::string& imagePath) {
    const std::string folder = folderOf(imagePath);
    return FindSidecarName(baseName(imagePath),
                           [&](const std::string& name) { return lexists(folder + name); });
}

SidecarRead ReadSidecarMarks(const std::string& sidecarPath) {
    SidecarRead result;
    std::string bytes;
    if (const int error = readWhole(sidecarPath, kMaxSidecarBytes, bytes); error != 0) {
        result.error = "「" + std::string(baseName(sidecarPath)) + "」を読み込めません。\n" +
                       reasonText(error);
        return result;
    }
    const XmpMarksRead read = ReadXmpMarks(bytes);
    if (!read.ok) {
        result.error =
            "「" + std::string(baseName(sidecarPath)) + "」を読み込めません。\n" + read.error;
        return result;
    }
    result.ok = true;
    result.hasMarks = read.hasMarks;
    result.marks = read.marks;
    return result;
}

std::mutex& SidecarWriteLock() {
    static std::mutex lock;
    return lock;
}

namespace {

// The write itself; the caller holds SidecarWriteLock. `change` null: set
// `marks`; else apply it to the current marks (or to `marks` without a sidecar).
SidecarWrite writeLocked(const std::string& imagePath, Marks marks, const MarkChange* change,
                         SidecarNaming naming) {
    SidecarWrite result;
    std::string name = FindSidecarOnDisk(imagePath);
    const bool existed = !name.empty();
    if (!existed) {
        const SidecarNames names = SidecarNamesFor(baseName(imagePath));
        name = naming == SidecarNaming::FullName ? names.full : names.stem;
    }
    result.sidecarPath = folderOf(imagePath) + name;
    result.before.path = result.sidecarPath;
    result.before.existed = existed;
    if (existed) {
        if (const int error = readWhole(result.sidecarPath, kMaxSidecarBytes, result.before.bytes);
            error != 0) {
            result.message = cannotWrite(result.sidecarPath, reasonText(error));
            return result;
        }
        const XmpMarksRead current = ReadXmpMarks(result.before.bytes);
        if (!current.ok) {
            result.message = cannotWrite(result.sidecarPath, current.error);
            return result;
        }
        if (change)
            marks = ApplyMarkChange(current.marks, *change);
        if (current.marks == marks) {
            result.ok = true;
            result.unchanged = true;
            result.marks = marks;
            return result;
        }
    } else if (change) {
        marks = ApplyMarkChange(marks, *change);
    }
    const XmpMarksRewrite rewrite = RewriteXmpMarks(result.before.bytes, marks);
    if (!rewrite.ok) {
        result.message = cannotWrite(result.sidecarPath, rewrite.error);
        return result;
    }
    const DurableResult written = WriteFileDurably(result.sidecarPath, rewrite.packet);
    if (!written.ok()) {
        result.message = cannotWrite(result.sidecarPath, reasonText(written.error));
        return result;
    }
    result.ok = true;
    result.marks = marks;
    return result;
}

} // namespace

SidecarWrite WriteSidecarMarks(const std::string& imagePath, const Marks& marks,
                               SidecarNaming naming) {
    std::lock_guard lock(SidecarWriteLock());
    return writeLocked(imagePath, marks, nullptr, naming);
}

SidecarWrite ChangeSidecarMarks(const std::string& imagePath, const MarkChange& change,
                                const Marks& withoutSidecar, SidecarNaming naming) {
    std::lock_guard lock(SidecarWriteLock());
    return writeLocked(imagePath, withoutSidecar, &change, naming);
}

SidecarWrite RestoreSidecar(const SidecarSnapshot& snapshot) {
    SidecarWrite result;
    result.sidecarPath = snapshot.path;
    std::lock_guard lock(SidecarWriteLock());
    DurableResult done;
    if (snapshot.existed) {
        done = WriteFileDurably(snapshot.path, snapshot.bytes);
    } else if (lexists(snapshot.path)) {
        done = RemoveFileDurably(snapshot.path);
    }
    if (!done.ok()) {
        result.message = cannotWrite(snapshot.path, reasonText(done.error));
        return result;
    }
    result.ok = true;
    return result;
}

Marks ReadImageMarks(const std::string& imagePath) {
    const std::string sidecar = FindSidecarOnDisk(imagePath);
    if (!sidecar.empty()) {
        const SidecarRead read = ReadSidecarMarks(folderOf(imagePath) + sidecar);
        return read.ok ? read.marks : Marks{};
    }
    Fd f;
    f.fd = ::open(imagePath.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    struct stat st;
    if (f.fd < 0 || ::fstat(f.fd, &st) != 0 || !S_ISREG(st.st_mode))
        return {};
    const int fd = f.fd;
    const ByteReader read = [fd](std::uint64_t pos, void* dst, std::size_t length) {
        std::size_t done = 0;
        while (done < length) {
            const ssize_t n = ::pread(fd, static_cast<char*>(dst) + done, length - done,
                                      static_cast<off_t>(pos + done));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            done += static_cast<std::size_t>(n);
        }
        return done;
    };
    std::uint8_t head[8] = {};
    EmbeddedFormat format;
    if (read(0, head, sizeof head) < 2 || !SniffEmbeddedFormat(head, sizeof head, format))
        return {};
    const std::string packet =
        FindEmbeddedXmp(read, static_cast<std::uint64_t>(st.st_size), format);
    if (packet.empty())
        return {};
    const XmpMarksRead marks = ReadXmpMarks(packet);
    return marks.ok ? marks.marks : Marks{};
}

} // namespace lumora
