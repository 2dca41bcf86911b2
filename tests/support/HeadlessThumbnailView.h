// A view without a window: a grid of columns x rows cells over an item list,
// scrolled by row. It implements what the engine calls, asks the engine for
// missing thumbnails when a cell is drawn, frees far thumbnails on scrolling
// like the window view, and records what it was asked to do. Used to drive
// and measure the engine headless.
#pragma once

#include "engine/ImageItemList.h"
#include "engine/ThumbnailView.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <set>

namespace lumora {

class CThumbnailEngine;
class CFolderWatcher;

class HeadlessThumbnailView : public IThumbnailView {
public:
    HeadlessThumbnailView(ImageItemList& list, int columns, int rows);

    void SetEngine(CThumbnailEngine* engine) { engine_ = engine; }
    void SetWindow(QObject* window) { window_ = window; }
    void SetWatcher(CFolderWatcher* watcher) { watcher_ = watcher; }
    void SetFilter(const KindFilter& filter);
    void SetThumbnailBox(const ThumbnailBox& params);
    void SetWindowExists(bool exists) { windowExists_ = exists; }

    // Scrolls so that row topRow is first and frees the pixels of items
    // more than one screen away, then draws the visible cells.
    void ScrollTo(int topRow);
    int Columns() const { return columns_; }
    int Rows() const { return rows_; }

    // Records.
    struct Counters {
        int resets = 0;
        int resetsWithDelete = 0;
        int layouts = 0;
        int draws = 0;
        int emptyPlaceholders = 0;
        int watchStarts = 0;
        int scrollToCursor = 0;
    };
    Counters Counts() const;
    // Indexes drawn with a thumbnail since the last reset or scroll.
    std::set<int> DrawnWithThumbnail() const;
    // Waits until every visible existing cell has been drawn with a thumbnail.
    bool WaitForVisibleDrawn(std::chrono::milliseconds timeout);
    // Waits until pred() holds (checked after every draw and every 5 ms).
    bool WaitUntil(const std::function<bool()>& pred, std::chrono::milliseconds timeout);
    // Waits until the view is no longer busy, or is empty and watching its
    // folder. Woken by the busy flag and the watch start instead of polling,
    // so a waiting thread adds next to no system calls of its own.
    bool WaitUntilSettled(std::chrono::milliseconds timeout);

    // IThumbnailView
    void ResetDisplay(bool deleteItems) override;
    void LayoutScrollBars() override;
    void DrawItem(int index) override;
    void DrawVisibleItems() override;
    void DrawEmptyPlaceholder() override;
    VisibleIndexRange VisibleRange() override;
    void PrepareWatching() override;
    void StartWatching() override;
    int CursorIndex() override { return cursor_; }
    void SetCursorIndex(int index) override { cursor_ = index; }
    // Makes the cursor's row the first and draws the visible cells anew.
    void ScrollToCursor() override;
    void SetBusy(bool busy) override;
    bool IsBusy() override { return busy_; }
    bool WindowExists() override { return windowExists_; }
    KindFilter Filter() override;
    ThumbnailBox Thumbnails() override;
    QObject* Window() override { return window_; }

private:
    bool visibleDrawnLocked(int count) const;

    ImageItemList& list_;
    const int columns_;
    const int rows_;
    std::atomic<int> topRow_{0};
    std::atomic<int> cursor_{-1};
    std::atomic<bool> busy_{false};
    std::atomic<bool> windowExists_{true};
    CThumbnailEngine* engine_ = nullptr;
    CFolderWatcher* watcher_ = nullptr;
    QObject* window_ = nullptr;

    mutable std::mutex drawLock_; // held while one cell is drawn
    mutable std::mutex mutex_;    // records and settings
    std::condition_variable drawn_;
    std::condition_variable settled_; // the busy flag or the watch changed
    KindFilter filter_;
    ThumbnailBox params_;
    Counters counters_;
    std::set<int> drawnWithThumbnail_;
};

} // namespace lumora
