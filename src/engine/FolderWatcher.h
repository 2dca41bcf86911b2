// The view's one-shot folder watch: each watch reports at most one change
// and ends. A foreign change is posted as WM_THUMB_FOLDERCHANGED; a change
// made while the view's own-operation flag is set is posted as
// WM_THUMB_REARMWATCH. The view hands both messages to HandleMessage, which
// reloads one second later (AutoUpdate on) or starts a new watch.
#pragma once

#include "engine/LockedValues.h"

#include <QBasicTimer>
#include <QObject>

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace lumora {

class WatchStopEvent;

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

    // Stops the previous watch and starts a new one on the folder. Safe to
    // call from the engine thread (end of a folder load) and the GUI thread.
    void StartWatching();
    // Ends the running watch, if any (view destruction).
    void StopWatching();
    bool IsWatching() const;

    // How the watch thread tells the view: called on the watch thread with
    // false for a foreign change (WM_THUMB_FOLDERCHANGED) and true for one
    // made by the view's own operation (WM_THUMB_REARMWATCH); it must only
    // post. Without one, the two messages are posted to viewWindow. Set it
    // before the first StartWatching.
    using ChangePoster = std::function<void(bool ownOperation)>;
    void SetPoster(ChangePoster poster);

    // What the view does on the two messages (GUI thread): a foreign change
    // reloads one second later with AutoUpdate on, else watches again; a
    // change of its own only watches again.
    void OnFolderChanged();
    void OnRearm() { StartWatching(); }

    // Handles WM_THUMB_FOLDERCHANGED and WM_THUMB_REARMWATCH; false for any
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
    ChangePoster poster_; // guarded by mutex_
    std::shared_ptr<LockedFlag> ownOperation_ = std::make_shared<LockedFlag>();
    mutable std::mutex mutex_; // guards the running watch's handles
    std::shared_ptr<WatchStopEvent> stopEvent_;
    std::shared_ptr<LockedFlag> running_;
    std::thread thread_;
    QBasicTimer timer_;
};

} // namespace lumora
