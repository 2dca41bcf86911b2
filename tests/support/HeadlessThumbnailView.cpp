#include "HeadlessThumbnailView.h"

#include "engine/FolderWatcher.h"
#include "engine/ThumbnailEngine.h"

namespace lumora {

HeadlessThumbnailView::HeadlessThumbnailView(ImageItemList& list, int columns, int rows)
    : list_(list), columns_(columns < 1 ? 1 : columns), rows_(rows < 1 ? 1 : rows) {}

void HeadlessThumbnailView::SetFilter(const KindFilter& filter) {
    std::lock_guard lock(mutex_);
    filter_ = filter;
}

void HeadlessThumbnailView::SetThumbnailBox(const ThumbnailBox& params) {
    std::lock_guard lock(mutex_);
    params_ = params;
}

KindFilter HeadlessThumbnailView::Filter() {
    std::lock_guard lock(mutex_);
    return filter_;
}

ThumbnailBox HeadlessThumbnailView::Thumbnails() {
    std::lock_guard lock(mutex_);
    return params_;
}

HeadlessThumbnailView::Counters HeadlessThumbnailView::Counts() const {
    std::lock_guard lock(mutex_);
    return counters_;
}

std::set<int> HeadlessThumbnailView::DrawnWithThumbnail() const {
    std::lock_guard lock(mutex_);
    return drawnWithThumbnail_;
}

VisibleIndexRange HeadlessThumbnailView::VisibleRange() {
    const int first = columns_ * topRow_.load();
    return {first, first + columns_ * rows_ - 1};
}

void HeadlessThumbnailView::ResetDisplay(bool deleteItems) {
    list_.Clear(deleteItems);
    topRow_ = 0;
    cursor_ = -1;
    std::lock_guard lock(mutex_);
    ++counters_.resets;
    if (deleteItems)
        ++counters_.resetsWithDelete;
    drawnWithThumbnail_.clear();
}

void HeadlessThumbnailView::LayoutScrollBars() {
    std::lock_guard lock(mutex_);
    ++counters_.layouts;
}

void HeadlessThumbnailView::DrawItem(int index) {
    bool withThumbnail = false;
    bool exists = false;
    {
        std::lock_guard draw(drawLock_);
        ImageItem item;
        exists = list_.CopyOut(index, item, CopyPixels::ThumbnailOnly);
        withThumbnail = exists && item.hasThumbnail();
    }
    if (exists && !withThumbnail && engine_)
        engine_->NeedThumbnail(index);
    {
        std::lock_guard lock(mutex_);
        ++counters_.draws;
        if (withThumbnail)
            drawnWithThumbnail_.insert(index);
    }
    drawn_.notify_all();
}

void HeadlessThumbnailView::DrawVisibleItems() {
    const VisibleIndexRange range = VisibleRange();
    for (int i = range.first; i <= range.last; ++i)
        DrawItem(i);
}

void HeadlessThumbnailView::DrawEmptyPlaceholder() {
    std::lock_guard lock(mutex_);
    if (list_.Count() == 0)
        ++counters_.emptyPlaceholders;
}

void HeadlessThumbnailView::SetBusy(bool busy) {
    {
        std::lock_guard lock(mutex_);
        busy_ = busy;
    }
    settled_.notify_all();
}

void HeadlessThumbnailView::PrepareWatching() {
    if (watcher_)
        watcher_->PrepareWatching();
}

void HeadlessThumbnailView::StartWatching() {
    {
        std::lock_guard lock(mutex_);
        ++counters_.watchStarts;
    }
    settled_.notify_all();
    if (watcher_)
        watcher_->StartWatching();
}

void HeadlessThumbnailView::ScrollToCursor() {
    const int cursor = cursor_;
    {
        std::lock_guard lock(mutex_);
        ++counters_.scrollToCursor;
    }
    if (cursor < 0)
        return;
    // Like the real control, the screen is drawn anew at the cursor's row,
    // which asks for every visible thumbnail still missing there.
    topRow_ = cursor / columns_;
    {
        std::lock_guard lock(mutex_);
        drawnWithThumbnail_.clear();
    }
    DrawVisibleItems();
}

void HeadlessThumbnailView::ScrollTo(int topRow) {
    topRow_ = topRow < 0 ? 0 : topRow;
    const VisibleIndexRange range = VisibleRange();
    const int n = columns_ * rows_;
    list_.ReleaseOutside(range.first - n, range.last + n, false);
    {
        std::lock_guard lock(mutex_);
        drawnWithThumbnail_.clear();
    }
    DrawVisibleItems();
}

bool HeadlessThumbnailView::visibleDrawnLocked(int count) const {
    const int first = columns_ * topRow_.load();
    const int last = std::min(first + columns_ * rows_, count) - 1;
    for (int i = first; i <= last; ++i)
        if (!drawnWithThumbnail_.count(i))
            return false;
    return true;
}

bool HeadlessThumbnailView::WaitForVisibleDrawn(std::chrono::milliseconds timeout) {
    return WaitUntil(
        [this] {
            const int count = list_.Count();
            std::lock_guard lock(mutex_);
            return visibleDrawnLocked(count);
        },
        timeout);
}

bool HeadlessThumbnailView::WaitUntil(const std::function<bool()>& pred,
                                      std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (pred())
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::unique_lock lock(mutex_);
        drawn_.wait_for(lock, std::chrono::milliseconds(5));
    }
}

bool HeadlessThumbnailView::WaitUntilSettled(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::unique_lock lock(mutex_);
    for (;;) {
        // The list's lock is a leaf taken here inside the view's records lock,
        // as nowhere the other way round.
        if (!busy_ || (counters_.watchStarts > 0 && list_.Count() == 0))
            return true;
        if (settled_.wait_until(lock, std::min(deadline, std::chrono::steady_clock::now() +
                                                             std::chrono::milliseconds(500))) ==
                std::cv_status::timeout &&
            std::chrono::steady_clock::now() >= deadline)
            return !busy_;
    }
}

} // namespace lumora
