// File-name change notification on one folder (inotify): files created,
// deleted or given new names directly in the folder. Changes of content,
// size, time or attributes and changes in sub-folders are not reported.
//
// Threads: a FolderChangeNotification is opened by the thread that starts a
// watch and then belongs to the one watch thread that waits on it and
// closes it. A WatchStopEvent is shared (shared_ptr) by the watch thread,
// which waits on it, and the watcher, which signals it from any thread.
#pragma once

#include <string>
#include <string_view>

namespace lumora {

// Whether a name is an XMP sidecar (".xmp", any case) or the durable
// writer's temporary of one; changes of those are not reported.
bool IsSidecarOrItsTemporary(std::string_view name);

// Signals a waiting watch to end (an eventfd). Signalling is thread-safe.
class WatchStopEvent {
public:
    WatchStopEvent();
    ~WatchStopEvent();
    WatchStopEvent(const WatchStopEvent&) = delete;
    WatchStopEvent& operator=(const WatchStopEvent&) = delete;

    bool IsValid() const { return fd_ >= 0; }
    void Signal();
    int Descriptor() const { return fd_; }

private:
    int fd_ = -1;
};

class FolderChangeNotification {
public:
    enum class WaitResult { Changed, Stopped, Failed };

    FolderChangeNotification() = default;
    ~FolderChangeNotification() { Close(); }
    FolderChangeNotification(const FolderChangeNotification&) = delete;
    FolderChangeNotification& operator=(const FolderChangeNotification&) = delete;

    // Starts watching folder; false when it cannot be watched.
    bool Open(const std::string& folder);
    // Waits without time limit for a file-name change or the stop event.
    // Failed when the watch broke (the folder went away) or waiting failed.
    WaitResult Wait(const WatchStopEvent& stop);
    void Close();

private:
    int fd_ = -1;
};

} // namespace lumora
