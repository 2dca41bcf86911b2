// What the engine thread and its worker call on the thumbnail view they
// serve. The view implements it; the calls come from the engine's threads,
// so every function must be safe to call off the GUI thread (the drawing
// functions take the view's drawing lock themselves, which may in turn take
// the item list's lock, never the other way round).
#pragma once

#include "imaging/ImageItem.h"
#include "imaging/ImageKind.h"
#include "platform/Message.h"

#include <QObject>

namespace lumora {

// Posted by the engine to the view's window (IThumbnailView::Window()) and
// received there on the GUI thread.
constexpr int WM_THUMB_SETCURSOR = WM_USER + 2031; // 3055
constexpr int WM_THUMB_NOCURSOR = WM_USER + 2032;  // 3056

// Puts the cursor on the item and reports the current item; index -1 keeps
// the cursor where the engine left it.
struct SetCursorMessage : Message<WM_THUMB_SETCURSOR> {
    explicit SetCursorMessage(int index) : index(index) {}
    int index = -1;
};

// The list is empty: no cursor, no current item.
struct NoCursorMessage : Message<WM_THUMB_NOCURSOR> {};

struct VisibleIndexRange {
    int first = 0;
    int last = -1; // inclusive; last < first means nothing is visible
    bool contains(int index) const { return index >= first && index <= last; }
};

// What the engine needs of its view. The view (CThumbnailCtrl, or a test's
// headless view) implements it and outlives the engine's threads.
//
// Threads: the engine thread calls ResetDisplay, LayoutScrollBars,
// DrawVisibleItems, DrawEmptyPlaceholder, PrepareWatching, StartWatching, the cursor
// functions, Filter and Window; the worker calls VisibleRange, DrawItem,
// Thumbnails, SetBusy and WindowExists. None is called on the GUI thread by
// the engine but SetBusy(true), when a folder load or worksheet check is
// asked for. An implementation makes each of them safe off the GUI thread:
// it reads only values it keeps atomic or under its own lock, hands widget
// work to the GUI thread, and draws into its back buffer under its drawing
// lock, which it may hold while taking the item list's lock, never the
// other way round.
class IThumbnailView {
public:
    virtual ~IThumbnailView() = default;

    // Clears the display; with deleteItems the list is emptied, otherwise
    // every item is reset (so all are scanned and drawn again).
    virtual void ResetDisplay(bool deleteItems) = 0;
    virtual void LayoutScrollBars() = 0;
    virtual void DrawItem(int index) = 0;
    virtual void DrawVisibleItems() = 0;
    virtual void DrawEmptyPlaceholder() = 0;
    // First and last index of the visible rows, a partly visible row included.
    virtual VisibleIndexRange VisibleRange() = 0;
    // At the start of a folder load: begin noting the folder's changes so
    // that none made while it is read is lost (views without a watch: none).
    virtual void PrepareWatching() {}
    // Starts the one-shot watch on the view's folder (end of a folder load).
    virtual void StartWatching() = 0;
    virtual int CursorIndex() = 0;
    virtual void SetCursorIndex(int index) = 0;
    virtual void ScrollToCursor() = 0;
    // Set when a folder load or worksheet check starts; cleared by the worker
    // once the work queued so far is done (the queues empty, the decode pool
    // idle, no newer request on its way) and at least one item was scanned.
    virtual void SetBusy(bool busy) = 0;
    virtual bool IsBusy() = 0;
    // Whether the view window still exists (end-of-pass messages).
    virtual bool WindowExists() = 0;

    // Settings the engine reads: kind filters and size limiter, thumbnail box.
    virtual KindFilter Filter() = 0;
    virtual ThumbnailBox Thumbnails() = 0;

    // Receiver of the posted SetCursorMessage / NoCursorMessage.
    virtual QObject* Window() = 0;
};

} // namespace lumora
