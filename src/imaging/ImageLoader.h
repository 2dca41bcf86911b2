// Background decodes for the preview and the mini preview: one short-lived
// thread per request (normal priority for the preview, idle for the mini
// preview). A loader posts the picture's size (LoaderSizeMessage) as soon as
// it is known and its result record (PreviewResultMessage or
// MiniPreviewResultMessage) at the end; a JPEG request whose entry's first
// word is 0 posts PreviewNoEntryMessage instead. Result records belong to the
// receiver.
//
// Ownership: a loader thread owns its LoadRequest (entry copy included) and
// frees it when it ends; the control and its running loaders share the
// LoaderTarget and the RequestCounter (shared_ptr), so either may go first.
//
// Threads: CPreviewLoader and CMiniPreviewLoader live on the GUI thread and
// are used only there. LoaderTarget::Post is called by loader threads,
// Detach by the GUI thread; RequestCounter is read by loaders and set by the
// GUI thread. DecodeForLoader and the Run* functions are reentrant.
//
// Lock order: LoaderTarget's mutex is held only around one post (Qt's queue
// lock nests inside it); the running-loader count has a leaf lock of its
// own. A loader holds no lock while it decodes.
#pragma once

#include "colour/ColourProfile.h"
#include "imaging/DecodeResult.h"
#include "imaging/DibImage.h"
#include "imaging/ImageItem.h"
#include "imaging/RequestCounter.h"
#include "platform/Message.h"

#include <QObject>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

namespace lumora {

// The thumbnail view's entry for an image: two words and the item.
struct ViewEntry {
    uint32_t words[2] = {1, 0};
    ImageItem item;
};

// Where a loader's messages go. The receiver calls Detach() before it is
// destroyed; whatever a loader posts after that is dropped and its payload
// freed, so a loader never posts to a destroyed object.
class LoaderTarget {
public:
    explicit LoaderTarget(QObject* receiver) : receiver_(receiver) {}
    void Detach() {
        std::lock_guard lock(mutex_);
        receiver_ = nullptr;
    }
    // Builds message M from args and posts it; false (nothing built) once
    // detached.
    template <typename M, typename... Args> bool Post(Args&&... args) {
        std::lock_guard lock(mutex_);
        return PostNew<M>(receiver_, std::forward<Args>(args)...);
    }

private:
    std::mutex mutex_;
    QObject* receiver_;
};

struct LoadRequest {
    std::shared_ptr<LoaderTarget> targetWindow;
    int32_t requestNumber = 0;
    ViewEntry entry;
    int32_t targetSize = 0; // mini preview: longer side of its client area
    std::shared_ptr<RequestCounter> counter;
};

// Counts live result records, so that tests can prove none is leaked.
template <typename T> struct LiveCount {
    LiveCount() { ++live; }
    LiveCount(const LiveCount&) { ++live; }
    ~LiveCount() { --live; }
    static inline std::atomic<int> live{0};
};

// Preview result: the full-size picture (header and bits as DibImage).
struct PreviewImageResult : LiveCount<PreviewImageResult> {
    DibImage image;
    int32_t width = 0;
    int32_t height = 0;
    int32_t bytesPerPixel = 3;
    int32_t requestNumber = 0;
    uint32_t entryWords[2] = {0, 0};
    ImageItem item; // only path, orientation and caption are filled
};

// Mini-preview result: the reduced picture and a copy of the whole entry.
struct MiniImageResult : LiveCount<MiniImageResult> {
    DibImage image;
    int32_t requestNumber = 0;
    ViewEntry entry;
};

// The messages a loader posts, received by the preview control and the mini
// preview on the GUI thread.
constexpr int WM_PREVIEW_NOENTRY = WM_USER + 2022; // 3046
constexpr int WM_LOADER_SIZE = WM_USER + 3001;     // 4025
constexpr int WM_LOADER_RESULT = WM_USER + 3002;   // 4026

// The picture's size, as soon as the decoder knows it.
struct LoaderSizeMessage : Message<WM_LOADER_SIZE> {
    LoaderSizeMessage(int width, int height) : width(width), height(height) {}
    int width = 0;
    int height = 0;
};

// A JPEG request without a view entry: nothing was decoded.
struct PreviewNoEntryMessage : Message<WM_PREVIEW_NOENTRY> {};

// The preview loader's result; `cancelled` when a newer request replaced it.
struct PreviewResultMessage : Message<WM_LOADER_RESULT> {
    PreviewResultMessage(std::unique_ptr<PreviewImageResult> result, bool cancelled)
        : result(std::move(result)), cancelled(cancelled) {}
    std::unique_ptr<PreviewImageResult> result;
    bool cancelled = false;
};

// The mini-preview loader's result (same number: another receiver).
struct MiniPreviewResultMessage : Message<WM_LOADER_RESULT> {
    MiniPreviewResultMessage(std::unique_ptr<MiniImageResult> result, bool cancelled)
        : result(std::move(result)), cancelled(cancelled) {}
    std::unique_ptr<MiniImageResult> result;
    bool cancelled = false;
};

// The decode behind both loaders: the item's file by kind (JPEG kinds from
// the RAW preview when the item has one), reduced by the JPEG scale rule for
// scaleTarget (0: full size). OpenFailed only when the file cannot be opened.
// `watch` follows the rows of the JPEG kinds; the other kinds ignore it.
// With colourTarget the picture comes out converted from its own colours
// into that profile (on the calling thread, in bands; the JPEG kinds while
// they decode), so a watcher sees converted rows; null leaves the values
// as decoded.
DecodeOutput DecodeForLoader(const ImageItem& item, int scaleTarget, const CancelTest& cancel,
                             const SizeCallback& onSize, const RowWatch* watch = nullptr,
                             const ProfilePtr& colourTarget = nullptr);
bool isJpegKind(ImageKind kind);
// Quarter turns clockwise that auto-rotation gives what DecodeForLoader
// returns for the item: the orientation's turns for the JPEG kinds, none
// for TIFF, whose decoder already puts the picture upright (turning it
// again would turn it twice).
int AutoRotationTurns(const ImageItem& item);

// The loader threads' work; callable directly (tests, tools).
void RunPreviewLoad(std::unique_ptr<LoadRequest> request);
void RunMiniPreviewLoad(std::unique_ptr<LoadRequest> request);

// Start a loader thread that owns the request.
void StartPreviewThread(std::unique_ptr<LoadRequest> request);
void StartMiniPreviewThread(std::unique_ptr<LoadRequest> request);

// Loader threads still running, and a wait for them to end (shut-down, tests).
int RunningLoaders();
bool WaitForLoaders(int timeoutMs);

// The preview control's side: its own request number and counter.
class CPreviewLoader {
public:
    explicit CPreviewLoader(QObject* receiver);
    ~CPreviewLoader(); // detaches the receiver and makes every running load stale
    // Increments the request number, stores it in the counter and starts a
    // thread for the entry; returns the number.
    int32_t Load(const ViewEntry& entry);
    int32_t CurrentRequest() const { return counter_->Get(); }
    void Cancel() { counter_->Set(counter_->Get() + 1); }

private:
    std::shared_ptr<LoaderTarget> target_;
    std::shared_ptr<RequestCounter> counter_;
};

// The mini preview's loader object: a request counter of its own, stored in
// the shared counter for each new request.
class CMiniPreviewLoader {
public:
    explicit CMiniPreviewLoader(QObject* receiver);
    ~CMiniPreviewLoader();
    int32_t Load(const ViewEntry& entry, int32_t targetSize);
    int32_t CurrentRequest() const { return counter_->Get(); }

private:
    std::shared_ptr<LoaderTarget> target_;
    std::shared_ptr<RequestCounter> counter_;
    int32_t nextNumber_ = 1;
};

} // namespace lumora
