// The per-view engine: a thread with its own event queue that lists, sorts
// and queues a folder's items, plus one worker thread that scans each item's
// shooting information and makes and draws the thumbnails of the items on
// screen, visible items first. Requests carry a generation number so that a
// newer request makes every older one stop early.
//
// Thumbnails that need a whole-file decode (items without an embedded
// thumbnail) go from the worker to a decode pool (engine/ThumbnailPool.h)
// with one thread per core, which makes, stores and draws them; the worker
// keeps its order and only hands the jobs over.
//
// Ownership: each thumbnail view owns one CThumbnailEngine and the
// ImageItemList it serves; the view outlives the engine's threads (it calls
// Shutdown and waits before it goes). The engine thread owns the worker
// (started by InitInstance, joined by ExitInstance) and every request
// delivered to it; its reports to the main window and to the view are owned
// by the event queue and then by the receiver.
//
// Threads:
//   - GUI thread: construction, the setters, Start, Shutdown, the request
//     functions (LoadFolder ... NeedThumbnail) and destruction. LoadFolder
//     and VerifyWorksheet mark the view busy together with the new
//     generation (SetBusy(true) on the GUI thread).
//   - engine thread: the request handlers (on*); it calls the view's
//     layout, drawing, cursor and watch functions directly.
//   - worker: runPass and what it calls; it calls the view's VisibleRange,
//     DrawItem, SetBusy and WindowExists directly.
//   - pool threads (one per core, owned by the engine thread: made in
//     InitInstance, joined last in ExitInstance): the whole-file decodes;
//     they call the maker, the list, and the view's VisibleRange and
//     DrawItem directly.
//   - any thread: CurrentGeneration, IsStopped, TabIndex.
// Shared state is the item list (its own lock), the Locked* values and the
// index queues (each locked inside one call), the atomic tab index and main
// window, and receiver_ (receiverMutex_).
//
// Lock order: receiverMutex_ is held only around one post and never while
// calling out. busyMutex_ is held only around a generation step and the
// view's SetBusy (GUI thread) or the worker's end-of-work test and SetBusy;
// ownerGate_ (shared) comes after it and before the view's and the list's
// locks. The view's drawing lock may be held while the list's lock is
// taken, never the other way round; the engine's threads hold neither
// while they post or call the view's non-drawing functions.
#pragma once

#include "engine/EngineRequests.h"
#include "engine/LockedValues.h"
#include "engine/ThumbnailPool.h"
#include "engine/ThumbnailView.h"
#include "imaging/ImageItem.h"

#include <QThread>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <thread>
#include <vector>

namespace lumora {

class ImageItemList;

// Makes the thumbnail of an item copy: fills item.thumb (never leaving it
// without pixels: a file that cannot be decoded gets the placeholder).
using ThumbnailMaker = std::function<void(ImageItem& item, const ThumbnailBox& params)>;

// Fills the thumbnail block with the grey placeholder of the box size.
void MakePlaceholderThumbnail(ImageItem& item, const ThumbnailBox& params);

// Whether this user may write the file, as the system decides it (owner,
// group, other and ACLs, a read-only mount, the user's privileges): the
// item's read-only mark and its protect icon come from this.
bool UserMayWriteFile(const std::string& path);

// An auto-reset event pair for the worker: work and quit. Signal* from any
// thread; Wait only on the worker. Its mutex is a leaf: nothing else is
// taken while it is held.
class WorkerEvents {
public:
    enum class Wake { Work, Quit };
    void SignalWork();
    void SignalQuit();
    Wake Wait(); // quit wins when both are signalled
private:
    std::mutex mutex_;
    std::condition_variable cv_;
    bool work_ = false;
    bool quit_ = false;
};

class CThumbnailEngine : public QThread {
    Q_OBJECT
public:
    // view and list must outlive the engine's threads (Shutdown returns true).
    CThumbnailEngine(IThumbnailView* view, ImageItemList* list);
    ~CThumbnailEngine() override;

    // Where count, phase, progress and missing-file messages go (may be null).
    void SetMainWindow(QObject* mainWindow) { mainWindow_.store(mainWindow); }
    // The view's position among the container's tabs, sent with its counts
    // and progress so the main window can tell the shown tab's reports from
    // the others'. The GUI thread sets it whenever tabs are added, closed or
    // moved; the engine's threads only read it. -1 until set.
    void SetTabIndex(int index) { tabIndex_.store(index); }
    int TabIndex() const { return tabIndex_.load(); }
    // The thumbnail maker, set before Start: the view passes DecodeThumbnail
    // (imaging/ThumbnailDecoder.h); without one every item gets the placeholder.
    // The maker runs on the worker and, for items without an embedded
    // thumbnail, on the pool threads, several at once.
    void SetThumbnailMaker(ThumbnailMaker maker) { maker_ = std::move(maker); }
    // Threads of the decode pool, set before Start: 0 makes every thumbnail
    // on the worker itself; the default is one per core.
    void SetDecodeThreads(int threads) { decodeThreads_ = threads; }
    // Whole-file thumbnails the pool has made so far (0 without a pool).
    int64_t PoolJobsRun() const;

    // Starts the engine thread and, from it, the worker; returns once the
    // engine accepts requests.
    void Start();
    // Supersedes everything, sets stop, ends the engine thread and waits up
    // to timeoutMs for it. True when both threads have ended.
    bool Shutdown(int timeoutMs = 10000);
    // Shuts the engine down and deletes it, waiting at most timeoutMs. A
    // thread still stuck in a file read after that (a hung mount) cannot be
    // waited for without bound: the engine object is then left allocated on
    // purpose, its threads touch neither view nor list once stop is set, and
    // false is returned. The owner may free the view and list either way.
    static bool ShutdownAndRelease(std::unique_ptr<CThumbnailEngine> engine, int timeoutMs);

    // Requests, called on the GUI thread.
    void LoadFolder(const std::string& folder); // folder ends in '/'
    void AddPasted(std::vector<std::string> sources, std::string folder);
    void AddFiles(std::unique_ptr<AddFilesRequest> request);
    void Rescan();
    void VerifyWorksheet();
    void NeedThumbnail(int index);

    int32_t CurrentGeneration() const { return generation_.Get(); }
    bool IsStopped() const { return stop_.Get() != 0; }

protected:
    void run() override;

private:
    class Receiver;
    friend class Receiver;

    template <typename M, typename... Args> bool post(Args&&... args);
    bool handle(QEvent* event); // false for anything but a request

    bool InitInstance();
    void ExitInstance();

    // Handlers on the engine thread.
    void onLoadFolder(const std::string& folder, int32_t generation);
    void onAddPasted(AddPastedRequest& request);
    void onAddFiles(AddFilesRequest& request);
    void onRescan(int32_t generation);
    void onVerify(int32_t generation);
    void onNeedThumbnail(int index);

    bool superseded() const { return generation_.Get() != requestGeneration_.Get(); }
    int32_t beginBusyRequest();
    bool workDone();
    void queueAll();
    void moveCursorToFirstSelected();
    template <typename M, typename... Args> void postMain(Args&&... args);
    void postCounts();

    // Worker.
    void workerMain();
    void runPass();
    void servePriority(int& scanned, int step, int count);
    void scanCounted(int index, int& scanned, int step, int count);
    bool makeThumbnail(int index); // false when the pool makes and draws it
    void finishThumbnail(int index, ImageItem& copy);
    bool poolJobWanted(const ThumbnailJob& job);
    template <typename F> void withView(F&& call);
    VisibleIndexRange visibleRange(); // empty once stopped
    void drawItem(int index);         // nothing once stopped
    void runPoolJob(const ThumbnailJob& job);
    void postProgress(int done, int total);

    IThumbnailView* view_;
    ImageItemList* list_;
    std::atomic<QObject*> mainWindow_{nullptr};
    std::atomic<int> tabIndex_{-1};
    ThumbnailMaker maker_;
    int decodeThreads_ = -1; // -1: one per core
    // Made by InitInstance on the engine thread, closed and freed by
    // ExitInstance (after the worker has been joined); in between only read.
    std::unique_ptr<CThumbnailPool> pool_;

    LockedValue generation_;
    LockedFlag stop_;
    // Written by the handlers, read by them and by NEEDTHUMB; a LockedValue
    // because the worker's superseded tests may read it too.
    LockedValue requestGeneration_;
    // The request generation of the items queued last (queueAll, engine
    // thread): while the generation is newer, a request the worker has not
    // seen yet is still on its way.
    LockedValue queuedGeneration_;
    // Items scanned by passes that ended while work was still to come; the
    // pass that finishes the work reports them. Worker only.
    int unreportedScans_ = 0;
    // Orders the start of a folder load or worksheet check (new generation,
    // view busy) against the worker's end of the work (checked, busy
    // cleared), so a pass never ends the busy state of a request it has not
    // seen. A leaf but for the view's SetBusy and the pool's and queues'
    // own locks, taken inside it.
    std::mutex busyMutex_;
    // Held shared by the worker and the pool threads around each call into
    // the view and each write to the list, with stop checked inside, and
    // held alone by Shutdown right after it sets stop: once Shutdown has it,
    // no engine thread is in the view or writing the list, and none gets
    // there again. Never held across a file read. Taken after busyMutex_.
    std::shared_mutex ownerGate_;
    // Set under ownerGate_ when ShutdownAndRelease gives up waiting: the
    // engine thread then leaves the list, which its owner frees, alone.
    bool ownerGone_ = false;
    LockedIndexQueue mainQueue_;
    LockedIndexQueue priorityQueue_;
    WorkerEvents workerEvents_;
    std::thread worker_;

    std::mutex receiverMutex_;
    std::condition_variable receiverReady_;
    QObject* receiver_ = nullptr; // lives on the engine thread while it runs
    bool receiverGone_ = false;
};

} // namespace lumora
