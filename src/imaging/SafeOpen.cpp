#include "imaging/SafeOpen.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lumora {

void UniqueFd::reset(int fd) {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = fd;
}

UniqueFd OpenRegularFile(const std::string& path, std::uint64_t* size, struct stat* status) {
    if (size)
        *size = 0;
    int raw = -1;
    do {
        raw = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    } while (raw < 0 && errno == EINTR);
    UniqueFd fd(raw);
    if (!fd)
        return fd;
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0)
        return UniqueFd{};
    if (!S_ISREG(st.st_mode) || st.st_size < 0) {
        fd.reset();
        errno = ENODEV;
        return fd;
    }
    if (size)
        *size = static_cast<std::uint64_t>(st.st_size);
    if (status)
        *status = st;
    return fd;
}

std::FILE* OpenRegularStream(const std::string& path, std::uint64_t* size) {
    UniqueFd fd = OpenRegularFile(path, size);
    if (!fd)
        return nullptr;
    std::FILE* file = ::fdopen(fd.get(), "rb");
    if (file)
        fd.release(); // the stream closes it now
    return file;
}

} // namespace lumora
