#include "platform/FolderWatch.h"

#include <cerrno>
#include <cstdint>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace lumora {

bool IsSidecarOrItsTemporary(std::string_view name) {
    auto endsWithXmp = [](std::string_view n) {
        if (n.size() < 5)
            return false;
        const std::string_view e = n.substr(n.size() - 4);
        return e[0] == '.' && (e[1] | 0x20) == 'x' && (e[2] | 0x20) == 'm' && (e[3] | 0x20) == 'p';
    };
    if (endsWithXmp(name))
        return true;
    // The durable writer's hidden temporary ".IMG_0001.xmp.lumora-XXXXXX".
    const std::size_t mark = name.rfind(".lumora-");
    return !name.empty() && name[0] == '.' && mark != std::string_view::npos &&
           endsWithXmp(name.substr(1, mark - 1));
}

WatchStopEvent::WatchStopEvent() : fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

WatchStopEvent::~WatchStopEvent() {
    if (fd_ >= 0)
        ::close(fd_);
}

void WatchStopEvent::Signal() {
    if (fd_ < 0)
        return;
    const uint64_t one = 1;
    ssize_t n;
    do {
        n = ::write(fd_, &one, sizeof one);
    } while (n < 0 && errno == EINTR);
}

bool FolderChangeNotification::Open(const std::string& folder) {
    Close();
    fd_ = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    if (fd_ < 0)
        return false;
    const uint32_t mask = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_ONLYDIR;
    if (::inotify_add_watch(fd_, folder.c_str(), mask) < 0) {
        Close();
        return false;
    }
    return true;
}

FolderChangeNotification::WaitResult FolderChangeNotification::Wait(const WatchStopEvent& stop) {
    if (fd_ < 0 || !stop.IsValid())
        return WaitResult::Failed;
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        pollfd fds[2] = {{fd_, POLLIN, 0}, {stop.Descriptor(), POLLIN, 0}};
        int ready = ::poll(fds, 2, -1);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            return WaitResult::Failed;
        }
        if (fds[1].revents & POLLIN)
            return WaitResult::Stopped;
        if (!(fds[0].revents & POLLIN))
            continue;
        ssize_t n = ::read(fd_, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            return WaitResult::Failed;
        }
        bool fileChanged = false;
        bool broken = false;
        for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            if (event->mask & (IN_IGNORED | IN_Q_OVERFLOW))
                broken = broken || (event->mask & IN_IGNORED);
            // Only file names count: sub-folders coming and going are not
            // reported, nor XMP sidecars and their temporaries (marks are
            // written beside the images as the user sets them; a reload for
            // each would take the cursor away).
            if ((event->mask & (IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO)) &&
                !(event->mask & IN_ISDIR) &&
                !(event->len > 0 && IsSidecarOrItsTemporary(event->name)))
                fileChanged = true;
            if (event->mask & IN_Q_OVERFLOW)
                fileChanged = true;
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
        if (fileChanged)
            return WaitResult::Changed;
        if (broken)
            return WaitResult::Failed;
    }
}

void FolderChangeNotification::Close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

} // namespace lumora
