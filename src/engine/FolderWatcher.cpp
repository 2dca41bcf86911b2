#include "engine/FolderWatcher.h"

#include "platform/FolderWatch.h"
#include "platform/PostedOrder.h"

#include <QTimerEvent>

namespace lumora {

namespace {

// The record handed to one watch thread.
struct FolderWatch {
    std::string folder;
    std::unique_ptr<FolderChangeNotification> notification; // opened before the thread starts
    QObject* viewWindow = nullptr;
    std::shared_ptr<WatchStopEvent> stopEvent;
    std::shared_ptr<LockedFlag> ownOperation;
    std::shared_ptr<LockedFlag> running;
};

void watchThread(std::unique_ptr<FolderWatch> watch) {
    bool own = false;
    if (watch->notification->Wait(*watch->stopEvent) ==
        FolderChangeNotification::WaitResult::Changed) {
        if (watch->ownOperation->Get())
            own = true;
        else {
            PostNewOrdered<FolderChangedMessage>(watch->viewWindow);
        }
    }
    watch->notification->Close();
    if (own) {
        PostNewOrdered<RearmWatchMessage>(watch->viewWindow);
    }
    watch->running->Set(0);
}

} // namespace

CFolderWatcher::CFolderWatcher(QObject* viewWindow) : viewWindow_(viewWindow ? viewWindow : this) {}

CFolderWatcher::~CFolderWatcher() {
    StopWatching();
}

void CFolderWatcher::SetFolder(std::string folder) {
    std::lock_guard lock(mutex_);
    folder_ = std::move(folder);
}

std::string CFolderWatcher::Folder() const {
    std::lock_guard lock(mutex_);
    return folder_;
}

bool CFolderWatcher::IsWatching() const {
    std::lock_guard lock(mutex_);
    return running_ && running_->Get();
}

void CFolderWatcher::StopWatching() {
    std::lock_guard lock(mutex_);
    stopLocked();
    early_.reset();
}

void CFolderWatcher::PrepareWatching() {
    std::lock_guard lock(mutex_);
    stopLocked();
    early_.reset();
    if (folder_.empty())
        return;
    auto notification = std::make_unique<FolderChangeNotification>();
    if (notification->Open(folder_)) {
        early_ = std::move(notification);
        earlyFolder_ = folder_;
    }
}

void CFolderWatcher::stopLocked() {
    if (stopEvent_)
        stopEvent_->Signal();
    if (thread_.joinable())
        thread_.join(); // prompt: the watch thread wakes on the stop event
    stopEvent_.reset();
    running_.reset();
}

void CFolderWatcher::StartWatching() {
    std::lock_guard lock(mutex_);
    stopLocked();
    if (folder_.empty())
        return;
    auto watch = std::make_unique<FolderWatch>();
    watch->folder = folder_;
    watch->viewWindow = viewWindow_;
    // The notification opened when the load began (PrepareWatching) has kept
    // the changes made while the folder was read, so the watch reports them
    // at once; else it is opened here, and every change after StartWatching
    // returns is seen. A folder that cannot be watched is simply not watched.
    if (early_ && earlyFolder_ == folder_) {
        watch->notification = std::move(early_);
    } else {
        early_.reset();
        watch->notification = std::make_unique<FolderChangeNotification>();
        if (!watch->notification->Open(watch->folder))
            return;
    }
    watch->stopEvent = std::make_shared<WatchStopEvent>();
    if (!watch->stopEvent->IsValid())
        return;
    watch->ownOperation = ownOperation_;
    watch->running = std::make_shared<LockedFlag>(1);
    stopEvent_ = watch->stopEvent;
    running_ = watch->running;
    thread_ = std::thread(watchThread, std::move(watch));
}

bool CFolderWatcher::HandleMessage(QEvent* event) {
    MarkDelivered();
    if (MessageCast<FolderChangedMessage>(event)) {
        if (autoUpdate_)
            timer_.start(kFolderReloadDelayMs, this);
        else
            StartWatching(); // keep the items and go on watching
        return true;
    }
    if (MessageCast<RearmWatchMessage>(event)) {
        StartWatching();
        return true;
    }
    return false;
}

bool CFolderWatcher::event(QEvent* event) {
    if (HandleMessage(event))
        return true;
    return QObject::event(event);
}

void CFolderWatcher::timerEvent(QTimerEvent* event) {
    if (event->timerId() != timer_.timerId()) {
        QObject::timerEvent(event);
        return;
    }
    timer_.stop();
    if (reload_)
        reload_();
}

} // namespace lumora
