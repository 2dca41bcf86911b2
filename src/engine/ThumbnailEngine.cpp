#include "engine/ThumbnailEngine.h"

#include "engine/EngineMessages.h"
#include "engine/FileAccess.h"
#include "engine/ImageItemList.h"
#include "platform/PostedOrder.h"
#include "platform/WorkerThread.h"

#include <QCoreApplication>
#include <QEvent>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>

namespace lumora {

namespace {

bool pathExists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

bool takenByName(ImageKind kind) {
    return kind != ImageKind::Unknown;
}

} // namespace

void MakePlaceholderThumbnail(ImageItem& item, const ThumbnailBox& params) {
    ThumbnailBlock block;
    const int w = std::max(1, params.longSide);
    const int h = std::max(1, params.shortSide);
    DibImage image(w, h);
    for (int y = 0; y < h; ++y) {
        uint8_t* row = image.scanLine(y);
        std::fill(row, row + 3 * w, uint8_t{50});
    }
    block.thumbBits = std::move(image);
    block.thumbReal = 0;
    block.thumbDecoded = 1;
    block.thumbWidth = w;
    block.thumbHeight = h;
    item.thumb = std::move(block);
}

// ---- worker events --------------------------------------------------------

void WorkerEvents::SignalWork() {
    std::lock_guard lock(mutex_);
    work_ = true;
    cv_.notify_one();
}

void WorkerEvents::SignalQuit() {
    std::lock_guard lock(mutex_);
    quit_ = true;
    cv_.notify_one();
}

WorkerEvents::Wake WorkerEvents::Wait() {
    std::unique_lock lock(mutex_);
    cv_.wait(lock, [this] { return work_ || quit_; });
    if (quit_) {
        quit_ = false;
        return Wake::Quit;
    }
    work_ = false;
    return Wake::Work;
}

// ---- engine thread ---------------------------------------------------------

// The object that lives on the engine thread and receives its requests.
class CThumbnailEngine::Receiver : public QObject {
public:
    explicit Receiver(CThumbnailEngine* engine) : engine_(engine) {}
    bool event(QEvent* event) override {
        MarkDelivered();
        return engine_->handle(event) || QObject::event(event);
    }

private:
    CThumbnailEngine* engine_;
};

CThumbnailEngine::CThumbnailEngine(IThumbnailView* view, ImageItemList* list)
    : view_(view), list_(list), maker_(MakePlaceholderThumbnail) {}

CThumbnailEngine::~CThumbnailEngine() {
    if (isRunning()) {
        Shutdown(10000);
        wait(); // never free what the threads still use
    }
    MarkJoined(this);
}

void CThumbnailEngine::Start() {
    start();
    std::unique_lock lock(receiverMutex_);
    receiverReady_.wait(lock, [this] { return receiver_ != nullptr || receiverGone_; });
}

void CThumbnailEngine::run() {
    LowerThreadPriority();
    // This thread makes the folder's item records, the worker their scanned
    // fields.
    ReserveThreadHeap(kEngineThreadHeap);
    InitInstance();
    {
        Receiver receiver(this);
        {
            std::lock_guard lock(receiverMutex_);
            receiver_ = &receiver;
        }
        receiverReady_.notify_all();
        exec();
        std::lock_guard lock(receiverMutex_);
        receiver_ = nullptr;
        receiverGone_ = true;
        // Requests still queued are freed with the receiver, payloads included.
    }
    ExitInstance();
    MarkFinished(this);
}

bool CThumbnailEngine::InitInstance() {
    int threads = decodeThreads_;
    if (threads < 0)
        threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    if (threads > 0) {
        // A few waiting jobs per thread keep every core busy while the
        // worker scans ahead; more would only delay a scroll's new cells.
        pool_ = std::make_unique<CThumbnailPool>(
            threads, 2 * threads, [this](const ThumbnailJob& job) { runPoolJob(job); },
            [this](const ThumbnailJob& job) { return poolJobWanted(job); });
    }
    worker_ = std::thread([this] { workerMain(); });
    return true;
}

void CThumbnailEngine::ExitInstance() {
    // Queued decodes are dropped at once (a Submit blocked on a full queue
    // returns); a running one sees stop after its read and touches neither
    // the list nor the view. Its thread is joined last: a read stuck on a
    // slow device holds this thread, never the view's owner.
    if (pool_)
        pool_->Cancel();
    {
        // Not when the owner has given up waiting and freed the list.
        std::shared_lock gate(ownerGate_);
        if (!ownerGone_)
            list_->Clear(true);
    }
    workerEvents_.SignalQuit();
    if (worker_.joinable())
        worker_.join();
    if (pool_)
        pool_->Close();
    pool_.reset();
}

int64_t CThumbnailEngine::PoolJobsRun() const {
    return pool_ ? pool_->JobsRun() : 0;
}

bool CThumbnailEngine::Shutdown(int timeoutMs) {
    generation_.Increment();
    stop_.Set(1);
    {
        // A call into the view or a write to the list that a worker or pool
        // thread began before stop ends here; none begins after it. The
        // owner may then free both even when a thread is left behind.
        std::unique_lock gate(ownerGate_);
    }
    {
        // Asking the event loop to end wakes the engine thread through its
        // dispatcher's wake-up descriptor, which the thread closes once run()
        // has returned. Under receiverMutex_ the request is ordered before
        // the thread retires its receiver (run() takes the lock after exec()),
        // so it never reaches a thread that is already ending, and this is
        // an order ThreadSanitizer sees as well.
        std::lock_guard lock(receiverMutex_);
        quit();
    }
    const bool ended = !isRunning() || wait(QDeadlineTimer(timeoutMs));
    if (ended)
        MarkJoined(this);
    return ended;
}

bool CThumbnailEngine::ShutdownAndRelease(std::unique_ptr<CThumbnailEngine> engine, int timeoutMs) {
    if (!engine || engine->Shutdown(timeoutMs))
        return true; // the engine is deleted here with nothing left running
    std::fprintf(stderr, "lumora: thumbnail threads still busy after %d ms; left behind\n",
                 timeoutMs);
    {
        std::unique_lock gate(engine->ownerGate_);
        engine->ownerGone_ = true;
    }
    (void)engine.release(); // still used by the stuck thread; never waited for again
    return false;
}

template <typename M, typename... Args> bool CThumbnailEngine::post(Args&&... args) {
    std::lock_guard lock(receiverMutex_);
    // Without a running engine the request and its payload are dropped.
    return PostNewOrdered<M>(receiver_, std::forward<Args>(args)...);
}

int32_t CThumbnailEngine::beginBusyRequest() {
    // The view may have set its busy state already; a pass ending between
    // that and the new generation would have cleared it again.
    std::lock_guard lock(busyMutex_);
    const int32_t generation = generation_.Increment();
    view_->SetBusy(true);
    return generation;
}

void CThumbnailEngine::LoadFolder(const std::string& folder) {
    post<LoadFolderMessage>(folder, beginBusyRequest());
}

void CThumbnailEngine::AddPasted(std::vector<std::string> sources, std::string folder) {
    post<AddPastedMessage>(AddPastedRequest{std::move(sources), std::move(folder)});
}

void CThumbnailEngine::AddFiles(std::unique_ptr<AddFilesRequest> request) {
    if (request)
        post<AddFilesMessage>(std::move(request));
}

void CThumbnailEngine::Rescan() {
    const int32_t generation = generation_.Increment();
    post<RescanMessage>(generation);
}

void CThumbnailEngine::VerifyWorksheet() {
    post<VerifyMessage>(beginBusyRequest());
}

void CThumbnailEngine::NeedThumbnail(int index) {
    post<NeedThumbMessage>(index);
}

bool CThumbnailEngine::handle(QEvent* event) {
    if (auto* m = MessageCast<LoadFolderMessage>(event))
        onLoadFolder(m->folder, m->generation);
    else if (auto* m = MessageCast<AddPastedMessage>(event))
        onAddPasted(m->request);
    else if (auto* m = MessageCast<AddFilesMessage>(event))
        onAddFiles(*m->request);
    else if (auto* m = MessageCast<RescanMessage>(event))
        onRescan(m->generation);
    else if (auto* m = MessageCast<VerifyMessage>(event))
        onVerify(m->generation);
    else if (auto* m = MessageCast<NeedThumbMessage>(event))
        onNeedThumbnail(m->index);
    else
        return false;
    return true;
}

template <typename M, typename... Args> void CThumbnailEngine::postMain(Args&&... args) {
    PostNewOrdered<M>(mainWindow_.load(), std::forward<Args>(args)...);
}

void CThumbnailEngine::postCounts() {
    const int count = list_->Count();
    postMain<ThumbCountMessage>(count);
    postMain<ThumbViewCountMessage>(count, tabIndex_.load());
}

void CThumbnailEngine::queueAll() {
    queuedGeneration_.Set(requestGeneration_.Get());
    const int count = list_->Count();
    if (count > 0)
        mainQueue_.PushRange(0, count - 1);
    workerEvents_.SignalWork();
}

// The engine thread's calls into the view: under the gate, none once
// stopped (the view may be gone when this thread was left behind).
template <typename F> void CThumbnailEngine::withView(F&& call) {
    std::shared_lock gate(ownerGate_);
    if (!stop_.Get())
        call();
}

void CThumbnailEngine::onLoadFolder(const std::string& folder, int32_t generation) {
    requestGeneration_.Set(generation);
    if (superseded())
        return;
    mainQueue_.Clear();
    priorityQueue_.Clear();
    if (pool_)
        pool_->Cancel();
    KindFilter filter;
    withView([&] {
        view_->ResetDisplay(true);
        filter = view_->Filter();
        // Changes from here on reach the watch started at the end.
        view_->PrepareWatching();
    });
    list_->EnumerateFolder(
        folder, filter, [this] { return superseded(); },
        [this](int count) { postMain<ThumbCountMessage>(count); });
    list_->SetSortMode(SortMode::ByName);
    postMain<ThumbPhaseMessage>(2);
    if (!superseded())
        list_->SortAll(&generation_, generation);
    if (superseded())
        return;
    withView([&] { view_->LayoutScrollBars(); });
    // The folder tab's label shows the count too.
    postMain<ThumbViewCountMessage>(list_->Count(), tabIndex_.load());
    queueAll();
    if (list_->Count() == 0) {
        withView([&] {
            PostNewOrdered<NoCursorMessage>(view_->Window());
            view_->DrawEmptyPlaceholder();
        });
    }
    postMain<ThumbPhaseMessage>(0);
    withView([&] { view_->StartWatching(); });
}

void CThumbnailEngine::onRescan(int32_t generation) {
    requestGeneration_.Set(generation);
    if (!superseded())
        queueAll();
}

void CThumbnailEngine::onVerify(int32_t generation) {
    if (stop_.Get())
        return;
    requestGeneration_.Set(generation);
    const int removed = list_->RemoveMissing();
    withView([&] {
        view_->ResetDisplay(false);
        view_->LayoutScrollBars();
    });
    // The reset cleared the view; an empty worksheet shows its placeholder.
    if (list_->Count() == 0)
        withView([&] { view_->DrawEmptyPlaceholder(); });
    if (!superseded())
        queueAll();
    if (removed > 0) {
        postMain<ThumbViewCountMessage>(list_->Count(), tabIndex_.load());
        postMain<ThumbMissingMessage>();
    }
}

void CThumbnailEngine::onNeedThumbnail(int index) {
    if (superseded() || list_->HasThumbnail(index))
        return;
    priorityQueue_.Push(index);
    workerEvents_.SignalWork();
}

void CThumbnailEngine::moveCursorToFirstSelected() {
    int cursor = -1;
    withView([&] { cursor = view_->CursorIndex(); });
    if (cursor >= 0)
        list_->ClearStateBits(cursor, kStateCursor);
    const int first = list_->FirstSelectedIndex();
    if (first < list_->Count()) {
        list_->SetStateBits(first, kStateCursor);
        withView([&] {
            view_->SetCursorIndex(first);
            view_->ScrollToCursor();
        });
    }
    withView([&] { PostNewOrdered<SetCursorMessage>(view_->Window(), -1); });
}

void CThumbnailEngine::onAddFiles(AddFilesRequest& request) {
    postMain<ThumbPhaseMessage>(1);
    const bool hadSelection = list_->CountSelected() != 0;
    const bool markNew = !hadSelection && request.select;
    bool result = false;
    int handled = 0;
    // The listed paths in a hash map: a search of the list per name would
    // make adding n names to n items take n * n comparisons.
    std::unordered_map<std::string, int32_t> listed;
    list_->CollectPathKeys(listed);
    for (const std::string& path : request.paths) {
        if (stop_.Get())
            break;
        const auto existing = listed.find(path);
        if (existing != listed.end()) {
            if (markNew && list_->SetStateBitsById(existing->second, kStateSelected))
                result = true;
        } else if (pathExists(path)) {
            const ImageKind kind = kindFromExtension(path);
            if (takenByName(kind)) {
                ImageItem item = ImageItem::FromPath(path, kind);
                if (markNew)
                    item.state = kStateSelected;
                listed.emplace(path, list_->Add(std::move(item)));
                result = true;
            }
        }
        if (++handled % 50 == 0)
            postCounts();
    }
    if (stop_.Get())
        return;
    withView([&] { view_->LayoutScrollBars(); });
    postCounts();
    if (result && request.rescan) {
        withView([&] { view_->DrawVisibleItems(); });
        queueAll();
    }
    postMain<ThumbPhaseMessage>(0);
    if (result && request.select)
        moveCursorToFirstSelected();
}

void CThumbnailEngine::onAddPasted(AddPastedRequest& request) {
    std::string folder = request.folder;
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    const bool hadSelection = list_->CountSelected() != 0;
    postMain<ThumbPhaseMessage>(1);
    KindFilter filter;
    withView([&] { filter = view_->Filter(); });
    bool added = false;
    bool marked = false;
    for (const std::string& source : request.sources) {
        if (superseded() || stop_.Get())
            break;
        const std::string name(FileNameOf(source));
        if (name.empty())
            continue;
        const int existing = list_->FindByName(name);
        if (existing >= 0) {
            if (!hadSelection) {
                list_->SetStateBits(existing, kStateSelected);
                marked = true;
            }
            continue;
        }
        std::string target = folder + "/" + name;
        if (!pathExists(target))
            continue;
        const ImageKind kind = kindFromExtension(target);
        if (!filter.allowsPasted(kind))
            continue;
        ImageItem item = ImageItem::FromPath(std::move(target), kind);
        if (!hadSelection)
            item.state = kStateSelected;
        list_->Add(std::move(item));
        added = true;
    }
    if (added) {
        postMain<ThumbPhaseMessage>(2);
        if (list_->GetSortMode() != SortMode::Unsorted)
            list_->SortAll(&generation_, requestGeneration_.Get());
        withView([&] {
            view_->LayoutScrollBars();
            view_->DrawVisibleItems();
        });
        queueAll();
    }
    postMain<ThumbPhaseMessage>(0);
    if (added || marked)
        moveCursorToFirstSelected();
    postMain<ThumbCountMessage>(list_->Count());
}

// ---- worker ----------------------------------------------------------------

void CThumbnailEngine::workerMain() {
    LowerThreadPriority();
    ReserveThreadHeap(kEngineThreadHeap);
    while (workerEvents_.Wait() == WorkerEvents::Wake::Work) {
        if (!stop_.Get())
            runPass();
    }
}

void CThumbnailEngine::postProgress(int done, int total) {
    postMain<ThumbProgressMessage>(done, total, tabIndex_.load());
}

void CThumbnailEngine::scanCounted(int index, int& scanned, int step, int count) {
    if (list_->IsScanned(index))
        return;
    list_->ScanInfoAt(index);
    ++scanned;
    if (scanned % step == 0)
        postProgress(scanned, count);
}

bool UserMayWriteFile(const std::string& path) {
    // The effective ids decide, as they do for an open() for writing.
    return ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0;
}

bool CThumbnailEngine::makeThumbnail(int index) {
    ImageItem copy;
    if (!list_->CopyOut(index, copy, CopyPixels::None) || copy.path.empty())
        return true;
    // A whole-file decode goes to the pool, which draws the cell itself.
    if (pool_ && !copy.useEmbedded && pool_->Submit({index, copy.id, requestGeneration_.Get()}))
        return false;
    finishThumbnail(index, copy);
    return true;
}

void CThumbnailEngine::finishThumbnail(int index, ImageItem& copy) {
    ThumbnailBox params;
    {
        std::shared_lock gate(ownerGate_);
        if (stop_.Get())
            return;
        params = view_->Thumbnails();
    }
    try {
        maker_(copy, params);
    } catch (...) {
        copy.thumb = ThumbnailBlock{}; // a failed decode gets the placeholder below
    }
    if (stop_.Get())
        return;
    if (copy.thumb.thumbBits.isNull())
        MakePlaceholderThumbnail(copy, params); // every made item has pixels
    // The file's status is read before the gate: a slow device must never
    // hold the close. The scan's open already read it for a scanned file.
    FileStatus status = copy.fileStatus;
    bool readOnly = copy.readOnly != 0;
    if (status.mode == 0)
        ReadFileStatus(copy.path, status, readOnly);
    std::shared_lock gate(ownerGate_);
    if (stop_.Get())
        return; // the list may be gone: a slow read must not reach it
    list_->WriteThumbnailBlock(index, copy.id, std::move(copy.thumb));
    list_->WriteFileStatus(index, copy.id, status, readOnly);
}

VisibleIndexRange CThumbnailEngine::visibleRange() {
    std::shared_lock gate(ownerGate_);
    return stop_.Get() ? VisibleIndexRange{} : view_->VisibleRange();
}

void CThumbnailEngine::drawItem(int index) {
    std::shared_lock gate(ownerGate_);
    if (!stop_.Get())
        view_->DrawItem(index);
}

// A queued job is dropped unstarted when a newer request superseded it or
// its cell scrolled out of view (the view asks again when it comes back).
bool CThumbnailEngine::poolJobWanted(const ThumbnailJob& job) {
    return !stop_.Get() && generation_.Get() == job.generation &&
           visibleRange().contains(job.index);
}

void CThumbnailEngine::runPoolJob(const ThumbnailJob& job) {
    ImageItem copy;
    {
        std::shared_lock gate(ownerGate_);
        // The item must still be the one queued: same place, same id.
        if (stop_.Get() || !list_->CopyOut(job.index, copy, CopyPixels::None) ||
            copy.id != job.id || copy.path.empty() || list_->HasThumbnail(job.index))
            return;
    }
    finishThumbnail(job.index, copy);
    if (generation_.Get() == job.generation)
        drawItem(job.index);
}

void CThumbnailEngine::servePriority(int& scanned, int step, int count) {
    for (int index = priorityQueue_.Pop(); index != -1; index = priorityQueue_.Pop()) {
        if (stop_.Get())
            return;
        if (!visibleRange().contains(index))
            continue;
        scanCounted(index, scanned, step, count);
        if (mainQueue_.IsCleared())
            continue;
        if (!list_->HasThumbnail(index) && !makeThumbnail(index))
            continue;
        if (!stop_.Get() && !mainQueue_.IsCleared())
            drawItem(index);
    }
}

void CThumbnailEngine::runPass() {
    const int count = list_->Count();
    const int step = std::max(1, count / 50);
    int scanned = 0;
    servePriority(scanned, step, count);
    for (int index = mainQueue_.Pop(); index != -1; index = mainQueue_.Pop()) {
        // A closing view must not wait for the rest of a long pass.
        if (stop_.Get())
            return;
        servePriority(scanned, step, count);
        scanCounted(index, scanned, step, count);
        if (stop_.Get())
            return;
        if (visibleRange().contains(index) && !mainQueue_.IsCleared()) {
            const bool madeHere = list_->HasThumbnail(index) || makeThumbnail(index);
            if (stop_.Get())
                return;
            if (madeHere && !mainQueue_.IsCleared())
                drawItem(index);
        }
        if (index == 0) {
            std::shared_lock gate(ownerGate_);
            if (!stop_.Get())
                PostNewOrdered<SetCursorMessage>(view_->Window(), 0);
        }
    }
    // The pass ends when the pool has made what it was given (a newer
    // request or a closing view ends the wait at once).
    if (pool_) {
        const int32_t generation = generation_.Get();
        pool_->WaitIdle([&] { return stop_.Get() || generation_.Get() != generation; });
    }
    unreportedScans_ += scanned;
    // The busy state ends with the work whether or not anything needed a
    // scan: an empty folder, or one of kinds without shooting information,
    // is done as soon as its queues are drained.
    if (stop_.Get() || !workDone())
        return; // the pass that finishes the work reports it
    if (unreportedScans_ == 0)
        return; // nothing was scanned: no progress to close
    unreportedScans_ = 0;
    bool windowExists = false;
    {
        std::shared_lock gate(ownerGate_);
        windowExists = !stop_.Get() && view_->WindowExists();
    }
    if (windowExists) {
        postProgress(100, 100);
        postMain<ThumbPhaseMessage>(0);
    }
}

// The busy state ends only when nothing is left: a pass cut short by a newer
// request must not end it while the old folder's decodes are still on the
// pool or before the new request's items are even queued (the engine thread
// may still be listing them).
bool CThumbnailEngine::workDone() {
    std::lock_guard lock(busyMutex_);
    const bool done = generation_.Get() == queuedGeneration_.Get() && mainQueue_.Size() == 0 &&
                      priorityQueue_.Size() == 0 && (!pool_ || pool_->IsIdle());
    if (done) {
        std::shared_lock gate(ownerGate_);
        if (stop_.Get())
            return false;
        view_->SetBusy(false);
    }
    return done;
}

} // namespace lumora
