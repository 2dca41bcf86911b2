// The view's one-shot folder watch: each watch reports at most one change
// and ends. A foreign change is posted as FolderChangedMessage; a change
// made while the view's own-operation flag is set is posted as
// RearmWatchMessage. The view hands both messages to HandleMessage, which
// reloads one second later (AutoUpdate on) or starts a new watch.
//
// Ownership: the view owns its CFolderWatcher; the watcher owns the one
// running watch thread and joins it in StopWatching and its destructor. The
// record handed to a watch thread (folder, notification, stop event) is the
// thread's and is freed when the thread ends.
//
// Threads: StartWatching, StopWatching, IsWatching, Folder and
// OwnOperation may be called from the GUI thread and the engine thread (the
// end of a folder load starts the watch there); everything else, the timer
// and HandleMessage included, runs on the GUI thread. The watch thread only
// posts.
//
// Lock order: mutex_ guards the running watch's handles (and the early
// notification) and is held while
// the previous watch thread is joined; the watch thread never takes it, so
// the join cannot wait on it. No other lock is taken while it is held.
#pragma once

#include "engine/LockedValues.h"
#include "platform/Message.h"

#include <QBasicTimer>
#include <QObject>

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace lumora {

class FolderChangeNotification;
class WatchStopEvent;

// Posted by the watch thread to the view window, handled by HandleMessage.
constexpr int WM_THUMB_FOLDERCHANGED = WM_USER + 2019; // 3043
constexpr int WM_THUMB_REARMWATCH = WM_USER + 2028;    // 3052

// The folder changed from outside the program.
struct FolderChangedMessage : Message<WM_THUMB_FOLDERCHANGED> {};
// The folder changed by the view's own file operation: watch again.
struct RearmWatchMessage : Message<WM_THUMB_REARMWATCH> {};

// View timer that reloads after a change.
constexpr int kFolderReloadTimerId = 1002;
constexpr int kFolderReloadDelayMs = 1000;

class CFolderWatcher : public QObject {
public:
    // viewWindow receives the watch's messages; null means this object.
    explicit CFolderWatcher(QObject* viewWindow = nullptr);
    ~CFolderWatcher() override; // stops a running watch

    void SetFolder(std::string folder);
    std::string Folder() const;
    void SetAutoUpdate(bool on) { autoUpdate_ = on; }
    // Called when the reload timer fires (the container refreshes the view).
    void SetReloadHandler(std::function<void()> handler) { reload_ = std::move(handler); }
    // Set by the view around its own file operations.
    LockedFlag& OwnOperation() { return *ownOperation_; }

    // Called when a folder load begins: ends the previous watch and starts
    // noting the folder's changes at once, so that a change made while the
    // folder is read is not lost; the StartWatching at the end of the load
    // then reports it. Same threads as StartWatching.
    void PrepareWatching();
    // Stops the previous watch and starts a new one on the folder. Safe to
    // call from the engine thread (end of a folder load) and the GUI thread.
    void StartWatching();
    // Ends the running watch, if any (view destruction).
    void StopWatching();
    bool IsWatching() const;

    // Handles FolderChangedMessage and RearmWatchMessage; false for any
    // other event.
    bool HandleMessage(QEvent* event);
    bool ReloadPending() const { return timer_.isActive(); }

protected:
    bool event(QEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    void stopLocked();

    QObject* viewWindow_;
    std::string folder_;
    bool autoUpdate_ = true;
    std::function<void()> reload_;
    std::shared_ptr<LockedFlag> ownOperation_ = std::make_shared<LockedFlag>();
    mutable std::mutex mutex_; // guards the running watch's handles
    std::shared_ptr<WatchStopEvent> stopEvent_;
    std::shared_ptr<LockedFlag> running_;
    std::unique_ptr<FolderChangeNotification> early_; // from PrepareWatching
    std::string earlyFolder_;
    std::thread thread_;
    QBasicTimer timer_;
};

} // namespace lumora
