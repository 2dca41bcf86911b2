// The preview control's loader: one short-lived thread per request that
// decodes the full-size picture with the shared decoders and turns it into a
// screen-ready ViewerPicture; plus a background worker that decodes the
// neighbours of the shown image ahead of time.
//
// Owner: the preview control (GUI thread); every member function is called
// on the GUI thread. Loader threads share with it only the request counter,
// the prefetch generation counter (both locked) and the post target, which
// the destructor detaches so that no thread ever posts to a destroyed
// control. Results arrive as PictureSizeMessage / PictureResultMessage /
// PictureNoEntryMessage / PrefetchDoneMessage (PreviewMessages.h).
#pragma once

#include "imaging/ImageItem.h"
#include "imaging/RequestCounter.h"
#include "viewer/ViewerPicture.h"

#include <QObject>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace lumora {

struct PrefetchDoneMessage;

// One request: the thumbnail view's entry for the image (two words and the
// item; a JPEG request whose first word is 0 has no item).
struct PictureRequest {
    uint32_t words[2] = {1, 0};
    ImageItem item;
};

// What the loader reports besides the picture: the request, the entry's
// words and the path, orientation and caption of its item.
struct PictureResult {
    int32_t requestNumber = 0;
    uint32_t entryWords[2] = {0, 0};
    ImageItem item;
    int width = 0; // of the picture as turned
    int height = 0;
};

// The receiver of a loader's messages; Detach() makes later posts no-ops.
class PictureTarget {
public:
    explicit PictureTarget(QObject* receiver) : receiver_(receiver) {}
    void Detach();
    template <typename M> bool Post(std::unique_ptr<M> message);

private:
    std::mutex mutex_;
    QObject* receiver_;
};

// A neighbour decoded ahead of time, or being decoded.
struct PrefetchedPicture {
    std::string path;
    std::shared_ptr<const ViewerPicture> picture; // null while decoding or after a failure
    bool done = false;
    int sourceWidth = 0;
    int sourceHeight = 0;
};

class CPictureLoader {
public:
    // Pictures kept ahead of time: at most this many, and at most this many
    // bytes together.
    static constexpr int kMaxPrefetched = 2;
    static constexpr std::size_t kMaxPrefetchBytes = std::size_t(640) << 20;

    explicit CPictureLoader(QObject* receiver);
    ~CPictureLoader();
    CPictureLoader(const CPictureLoader&) = delete;
    CPictureLoader& operator=(const CPictureLoader&) = delete;

    // New request: increments the request number and starts a thread that
    // decodes the entry turned by quarterTurns clockwise. Returns the number.
    int32_t Load(const PictureRequest& entry, int quarterTurns);
    // A new request number without a thread (the picture is at hand).
    int32_t NewRequest();
    int32_t CurrentRequest() const { return counter_->Get(); }
    // Makes the running request stale.
    void Cancel() { NewRequest(); }

    // Neighbours: keeps the entries whose paths are in `items` (the shown
    // picture may be offered with Remember), drops the others and decodes
    // the missing ones one after the other on a background thread.
    void Prefetch(const std::vector<ImageItem>& items, const std::vector<int>& quarterTurns);
    // Offers the shown picture, so that stepping back finds it.
    void Remember(const std::string& path, std::shared_ptr<const ViewerPicture> picture,
                  int sourceWidth, int sourceHeight);
    // The list changed: every kept or running neighbour is dropped.
    void DropPrefetched();
    // A finished neighbour decode; returns true when it was kept.
    bool TakePrefetchResult(PrefetchDoneMessage& message);
    // The kept neighbour for a path (done or still decoding), or null.
    const PrefetchedPicture* Find(const std::string& path) const;
    int prefetchGeneration() const { return prefetchCounter_->Get(); }
    std::size_t prefetchedBytes() const;
    int prefetchedCount() const { return static_cast<int>(prefetched_.size()); }

    // Loader threads of every control still running, and a wait for them.
    static int Running();
    static bool WaitIdle(int timeoutMs);

private:
    std::shared_ptr<PictureTarget> target_;
    std::shared_ptr<RequestCounter> counter_;
    std::shared_ptr<RequestCounter> prefetchCounter_;
    std::vector<PrefetchedPicture> prefetched_;
};

// The decode of one request, as the loader thread runs it (tests, tools).
// Posts 3046, 4025 and 4026 to target like the thread does.
void RunPictureLoad(const std::shared_ptr<PictureTarget>& target,
                    const std::shared_ptr<RequestCounter>& counter, int32_t requestNumber,
                    const PictureRequest& entry, int quarterTurns);

} // namespace lumora
