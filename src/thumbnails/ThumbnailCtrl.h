// The thumbnail grid of one item list: a folder view or a worksheet view.
//
// Drawing model: the view keeps an off-screen canvas of its whole client
// area. Every cell is composed in its own image and copied onto the canvas in
// one block while the drawing lock is held; the canvas is copied to the
// screen when Qt paints. The engine's threads call DrawItem and the other
// view functions directly: they compose and copy under the drawing lock and
// then schedule a repaint; only the GUI thread touches the widget itself.
//
// Ownership: the list container owns its views (Qt parent); a view owns its
// item list, its engine and its folder watcher, and stops the engine (and
// waits for it) before any of them goes.
//
// Threads: the public functions outside IThumbnailView are for the GUI
// thread only. The IThumbnailView functions are called by the engine's
// threads (see engine/ThumbnailView.h): they read the cursor, top row,
// busy state and settings the engine needs from atomics or under drawLock_,
// and hand widget work (scroll bars, repaints, messages) to the GUI thread.
//
// Lock order: drawLock_ before the item list's lock, never the other way
// round; no message is sent and no engine request is made while drawLock_
// is held.
#pragma once

#include "engine/FolderWatcher.h"
#include "engine/ImageItemList.h"
#include "engine/ThumbnailEngine.h"
#include "engine/ThumbnailView.h"
#include "settings/AppSettings.h"
#include "thumbnails/CellPainter.h"
#include "thumbnails/ThumbnailSelection.h"

#include <QAbstractScrollArea>
#include <QImage>
#include <QPointer>
#include <QRegion>
#include <QTimer>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

class QMenu;
class QMimeData;

namespace lumora {

class CFileDropTarget;

class CThumbnailCtrl : public QAbstractScrollArea, public IThumbnailView {
    Q_OBJECT
public:
    // Creates and starts the view's engine. worksheetMode 0: folder view.
    explicit CThumbnailCtrl(QWidget* parent = nullptr, int worksheetMode = 0, int id = 1002);
    ~CThumbnailCtrl() override;

    // Receivers of the view's messages (main window and container).
    void SetMainWindow(QObject* mainWindow);
    void SetContainer(QObject* container) { container_ = container; }
    QObject* container() const { return container_; }
    // This view's tab position, handed to its engine (GUI thread; the
    // container calls it whenever tabs are added, closed or moved).
    void SetTabIndex(int index);
    // Posts the view's item count to the container (3034).
    void ReportCount();
    // Worksheet names and registered applications for the context menu.
    void SetMenuSources(std::function<QStringList()> worksheets,
                        std::function<QStringList()> applications);

    void ApplySettings(const AppSettings& settings, bool redraw, bool reload);
    void LoadFolder(const QString& path);
    void SetSortMode(int mode);
    int Count() const { return list_.Count(); }

    ImageItemList& list() { return list_; }
    CThumbnailEngine* engine() { return engine_.get(); }
    int worksheetMode() const { return worksheetMode_; }
    QString folder() const { return folder_; }
    int sortState() const { return sortState_; }
    int cursor() const { return cursor_.load(); }
    int topRow() const { return topRow_.load(); }
    bool focused() const { return focused_.load(); }
    const ThumbnailLayout& layout() const { return style_.layout; }
    QRect cellRectInWindow(int index) const;

    // Geometry on the current client area.
    int ColumnCount() const;
    int RowCount(bool fullOnly) const;
    void VisibleRange(bool fullOnly, int& first, int& last) const;
    int HitTest(const QPoint& windowPoint) const;

    void PaintBackground();
    void ScrollContent(int rows);
    void EnsureCursorVisible();

    // Operations for the commands and the viewer.
    void OpenViewer();
    void UpdateCurrentItem();
    void Refresh();
    void NextItem();
    void PreviousItem();
    void GoToItem(int index);
    // Moves the cursor as the navigation key does; with extend (Shift) the
    // selection runs from the anchor to the new cursor, otherwise only the
    // new cursor item is selected. The One Key's step to the right too.
    void MoveCursor(selection::NavKey key, bool extend = false);
    int SelectAll();
    int InvertSelection();

    // IThumbnailView (callable from the engine's threads).
    void ResetDisplay(bool deleteItems) override;
    void LayoutScrollBars() override;
    void DrawItem(int index) override;
    void DrawVisibleItems() override;
    void DrawEmptyPlaceholder() override;
    VisibleIndexRange VisibleRange() override;
    // Watches the shown folder (folder views only): called by the engine at
    // the end of each load, and again after a change the view made itself;
    // PrepareWatching at the start of each load.
    void PrepareWatching() override;
    void StartWatching() override;
    int CursorIndex() override { return cursor_.load(); }
    void SetCursorIndex(int index) override { cursor_.store(index); }
    void ScrollToCursor() override;
    void SetBusy(bool busy) override { busy_.store(busy); }
    bool IsBusy() override { return busy_.load(); }
    bool WindowExists() override { return alive_.load(); }
    KindFilter Filter() override;
    ThumbnailBox Thumbnails() override;
    QObject* Window() override { return this; }

    // Set while the view's own file operations run, so that the changes they
    // make never reload the folder (the folder watch reads it).
    LockedFlag& OwnOperation() { return watcher_->OwnOperation(); }
    bool watching() const { return watcher_->IsWatching(); }
    bool reloadPending() const { return watcher_->ReloadPending(); }

    // The canvas as it would appear on screen (tests, screenshots).
    QImage grabCanvas() const;
    bool bandShown() const { return bandShown_; }
    QRect bandRect() const { return lastBand_; }
    int autoScrollDirection() const { return autoScrollDirection_; }
    // The rate the rubber band's scrolling runs at (ms per row).
    int autoScrollInterval() const { return autoScrollInterval_; }
    bool autoScrollActive() const { return autoScrollTimer_.isActive(); }
    // Tool tip text of the item under a window point (empty outside items).
    QString tooltipTextAt(const QPoint& windowPoint) const;
    // The context menu as it would be shown for item p (-1: empty space).
    std::unique_ptr<QMenu> buildContextMenu(int p);

signals:
    // The cursor item's information for the information panel.
    void infoRecordChanged(std::shared_ptr<const ItemInfoRecord> record);
    // Commands the view hands on (file operations, worksheets, applications).
    void commandRequested(int id);

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;
    void wheelEvent(QWheelEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;
    bool viewportEvent(QEvent* e) override;

private:
    friend class ListStates;
    using Lock = std::unique_lock<std::mutex>;

    // Under the drawing lock.
    void rebuildCanvasLocked();
    void composeLocked(int index, bool& needsThumb);
    void paintBackgroundLocked();
    void placeholderLocked();
    void markDirtyLocked(const QRect& r);
    int columnCountLocked() const;
    int rowCountLocked(bool fullOnly) const;

    void flushDirty();
    void runOnGui(std::function<void()> fn);
    void applyScrollBar(int totalRows, int page, int position, bool reset);
    void drawItems(const ChangedItems& indexes);
    // Builds message M and sends it to the main window, if there is one.
    template <typename M, typename... Args> void sendMainNew(Args&&... args);
    void sendSelCount();
    // The information panel and histogram of item c (none for -1).
    void showCurrentInfo(int c);
    // Shows the cursor item's panel again (queued by the engine's drawing).
    void refreshCurrentInfo();
    void moveCursorBit(int index);
    void setTopRow(int row, bool scroll);
    void scrollLines(int lines);

    // Rubber band and drag.
    QPoint toContent(const QPoint& p) const;
    void updateBand(const QPoint& windowPoint);
    void stopBand();
    void onAutoScroll();
    void startAutoScrollRule(const QPoint& windowPoint);
    void startDrag();
    void dropFiles(const QMimeData* data);
    void showTooltip();
    void reloadAfterFolderChange();

    ImageItemList list_;
    std::unique_ptr<CThumbnailEngine> engine_;
    QPointer<QObject> mainWindow_;
    QPointer<QObject> container_;
    std::function<QStringList()> worksheetNames_;
    std::function<QStringList()> applicationNames_;
    CFileDropTarget* dropTarget_ = nullptr;

    const int worksheetMode_;
    const int id_;
    QString folder_;
    int sortState_ = 0;
    KindFilter filter_;
    bool autoRotate_ = true;

    // Guarded by drawLock_: the layout values, the style and the canvas.
    mutable std::mutex drawLock_;
    CellStyle style_;
    QImage canvas_;
    QSize client_;
    QRegion dirty_;
    bool placeholderShown_ = false; // the canvas shows "NO IMAGE OBJECTS"
    std::atomic<bool> updatePending_{false};
    std::atomic<bool> infoRefreshPending_{false};
    std::atomic<bool> clearing_{false};
    std::atomic<bool> visible_{false};
    std::atomic<bool> alive_{true};
    std::atomic<bool> busy_{false};
    std::atomic<bool> focused_{false};
    std::atomic<int> topRow_{0};
    std::atomic<int> cursor_{-1};

    // Mouse state (GUI thread).
    bool buttonDown_ = false;
    QPoint downPoint_;
    bool dragArmed_ = false;
    bool dragging_ = false;
    bool banding_ = false;
    QPoint bandStart_, bandEnd_; // content coordinates
    bool bandShown_ = false;
    QRect lastBand_;
    QTimer autoScrollTimer_; // timer 1001, single shot, started once per tick
    int autoScrollInterval_ = 150;
    int autoScrollDirection_ = 0;
    int rightDownItem_ = -1;
    int wheelRemainder_ = 0;
    // Shift with the keys: the selection's fixed end, kept while the cursor
    // stays where the last extension (or Shift-click) left it.
    int anchor_ = -1;
    int extendedTo_ = -1;
    std::string lastCurrentPath_;

    QTimer tooltipTimer_;
    QPoint tooltipPoint_;

    // The folder watch (GUI thread; StartWatching also from the engine).
    std::unique_ptr<CFolderWatcher> watcher_;
    bool refreshWhenShown_ = false;
};

} // namespace lumora
