#include "viewer/PictureLoader.h"

#include "viewer/LoaderGlue.h"
#include "viewer/PixelPool.h"
#include "viewer/PreviewMessages.h"
#include "viewer/QuarterFollower.h"

#include "imaging/RunningThreads.h"

#include <QCoreApplication>

#include <climits>
#include <cstdlib>
#include <thread>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace lumora {

void PictureTarget::Detach() {
    std::lock_guard lock(mutex_);
    receiver_ = nullptr;
}

template <typename M> bool PictureTarget::Post(std::unique_ptr<M> message) {
    std::lock_guard lock(mutex_);
    return lumora::Post(receiver_, std::move(message));
}

namespace {

CRunningThreads pictureThreads;

// The neighbours give way to the request the user waits for.
void lowerThisThread() {
    const auto tid = static_cast<id_t>(::syscall(SYS_gettid));
    setpriority(PRIO_PROCESS, tid, 10);
}

DecodeOutput decode(const ImageItem& item, const CancelTest& cancel, const SizeCallback& onSize,
                    const RowWatch* watch = nullptr) {
    try {
        return DecodeFullPicture(item, cancel, onSize, watch);
    } catch (const std::bad_alloc&) {
        DecodeOutput out;
        out.status = DecodeStatus::Failed;
        return out;
    }
}

// A decoded block the loader is done with goes back for the next picture.
void giveBack(DibImage& image) {
    const std::size_t size = image.byteSize();
    CPixelPool::Give(image.release(), size);
}

std::shared_ptr<const ViewerPicture> makePicture(DibImage&& image, int quarterTurns,
                                                 int minSide = 256) {
    if (image.isNull())
        return nullptr;
    try {
        auto picture = ViewerPicture::FromDib(std::move(image), quarterTurns, minSide);
        return picture->isNull() ? nullptr : picture;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

} // namespace

void RunPictureLoad(const std::shared_ptr<PictureTarget>& target,
                    const std::shared_ptr<RequestCounter>& counter, int32_t requestNumber,
                    const PictureRequest& entry, int quarterTurns) {
    const ImageItem& item = entry.item;
    if (DecodesAsJpeg(item.kind) && entry.words[0] == 0) {
        target->Post(std::make_unique<PictureNoEntryMessage>());
        return;
    }
    const CancelTest cancel{counter.get(), requestNumber};
    auto onSize = [&](int w, int h) {
        target->Post(std::make_unique<PictureSizeMessage>(std::abs(w), std::abs(h), requestNumber));
    };
    DecodeOutput out;
    // JPEG pictures get their quarter-size copy made while they decode.
    QImage quarter;
    {
        CQuarterFollower follower;
        out = decode(item, cancel, onSize, &follower.Watch());
        quarter = follower.Finish(out);
    }
    // Whatever way this ends, the decoded block goes back for the next picture.
    struct GiveBackAtEnd {
        DibImage& image;
        ~GiveBackAtEnd() { giveBack(image); }
    } giveBackAtEnd{out.image};
    // A file that cannot be read at all still ends the request: the canvas
    // then shows the failure instead of waiting for ever.
    auto message = std::make_unique<PictureResultMessage>();
    message->cancelled = out.status == DecodeStatus::Cancelled || cancel.IsStale();
    // What the screen needs first is a reduced level, read straight from
    // the decoded pixels: the picture goes out with the quarter size and the
    // smaller levels (at fit a camera picture needs no more), the half and
    // the full size follow. A picture too small for a quarter goes out with
    // the half, one too small for reduced levels goes out whole.
    std::shared_ptr<const ViewerPicture> reduced;
    if (!message->cancelled && !out.image.isNull()) {
        try {
            if (!quarter.isNull())
                reduced = ViewerPicture::FromQuarter(std::move(quarter), out.image.width(),
                                                     out.image.height(), quarterTurns);
            if (!reduced)
                reduced = ViewerPicture::QuarterFromDib(out.image, quarterTurns);
            if (!reduced)
                reduced = ViewerPicture::ReducedFromDib(out.image, quarterTurns);
        } catch (const std::bad_alloc&) {
            reduced = nullptr;
        }
        message->picture = reduced ? reduced : makePicture(std::move(out.image), quarterTurns);
    }
    std::shared_ptr<const ViewerPicture> shown = message->picture;
    auto result = std::make_unique<PictureResult>();
    result->width = message->picture ? message->picture->width() : 0;
    result->height = message->picture ? message->picture->height() : 0;
    result->requestNumber = requestNumber;
    result->entryWords[0] = entry.words[0];
    result->entryWords[1] = entry.words[1];
    result->item.path = item.path;
    result->item.fileName = item.fileName;
    result->item.imageInfo.orientation = item.imageInfo.orientation;
    result->item.caption = item.caption;
    message->result = std::move(result);
    target->Post(std::move(message));
    if (!shown || cancel.IsStale())
        return;
    // What follows only adds resolution for zooming in: it gives way to the
    // first paint of the picture just posted.
    lowerThisThread();
    try {
        auto full = std::make_unique<PictureLevelsMessage>();
        full->requestNumber = requestNumber;
        if (reduced) {
            QImage half;
            if (reduced->level(1).isNull()) {
                half = TurnImage(HalveDib(out.image), quarterTurns);
                if (half.isNull())
                    return;
            }
            QImage image = TurnImage(DibToImage(out.image), quarterTurns);
            giveBack(out.image); // before the full size goes out: memory stays low
            if (image.isNull())
                return;
            full->picture = reduced->WithFullSize(std::move(image), std::move(half));
        } else {
            full->picture = shown->WithFastFullSize();
        }
        target->Post(std::move(full));
    } catch (const std::bad_alloc&) {
        // The picture as posted still draws.
    }
}

CPictureLoader::CPictureLoader(QObject* receiver)
    : target_(std::make_shared<PictureTarget>(receiver)),
      counter_(std::make_shared<RequestCounter>()),
      prefetchCounter_(std::make_shared<RequestCounter>()) {}

CPictureLoader::~CPictureLoader() {
    target_->Detach();
    counter_->Set(counter_->Get() + 1);
    prefetchCounter_->Set(prefetchCounter_->Get() + 1);
}

int32_t CPictureLoader::NewRequest() {
    const int32_t number = counter_->Get() + 1;
    counter_->Set(number);
    return number;
}

int32_t CPictureLoader::Load(const PictureRequest& entry, int quarterTurns) {
    const int32_t number = NewRequest();
    auto guard = std::make_shared<CRunningThreads::Guard>(pictureThreads);
    std::thread([target = target_, counter = counter_, number, entry, quarterTurns, guard] {
        RunPictureLoad(target, counter, number, entry, quarterTurns);
    }).detach();
    return number;
}

void CPictureLoader::Prefetch(const std::vector<ImageItem>& items,
                              const std::vector<int>& quarterTurns) {
    std::vector<PrefetchedPicture> kept;
    std::vector<std::pair<ImageItem, int>> missing;
    bool runningDropped = false;
    for (std::size_t i = 0; i < items.size() && int(kept.size()) < kMaxPrefetched; ++i) {
        const ImageItem& item = items[i];
        bool duplicate = false;
        for (const auto& k : kept)
            duplicate = duplicate || k.path == item.path;
        if (duplicate)
            continue;
        const int turns = i < quarterTurns.size() ? quarterTurns[i] : 0;
        const PrefetchedPicture* have = Find(item.path);
        if (have && (!have->done || !have->picture || have->picture->quarterTurns() == turns)) {
            kept.push_back(*have);
            continue;
        }
        kept.push_back(PrefetchedPicture{item.path, nullptr, false, 0, 0});
        missing.emplace_back(item, turns);
    }
    for (const auto& p : prefetched_) {
        bool stays = false;
        for (const auto& k : kept)
            stays = stays || k.path == p.path;
        runningDropped = runningDropped || (!stays && !p.done);
    }
    prefetched_ = std::move(kept);
    if (missing.empty() && !runningDropped)
        return;
    // A new generation: the worker of the previous call stops before its
    // next item; neighbours still decoding that stay are decoded again.
    const int32_t generation = prefetchCounter_->Get() + 1;
    prefetchCounter_->Set(generation);
    missing.clear();
    for (std::size_t i = 0; i < prefetched_.size(); ++i) {
        if (prefetched_[i].done)
            continue;
        for (std::size_t j = 0; j < items.size(); ++j)
            if (items[j].path == prefetched_[i].path) {
                missing.emplace_back(items[j], j < quarterTurns.size() ? quarterTurns[j] : 0);
                break;
            }
    }
    if (missing.empty())
        return;
    auto guard = std::make_shared<CRunningThreads::Guard>(pictureThreads);
    std::thread([target = target_, counter = prefetchCounter_, generation,
                 work = std::move(missing), guard] {
        lowerThisThread();
        for (const auto& [item, turns] : work) {
            if (counter->Get() != generation)
                return;
            auto message = std::make_unique<PrefetchDoneMessage>();
            message->path = item.path;
            message->generation = generation;
            RowWatch pooled;
            pooled.allocate = &CPixelPool::TakeOrAllocate;
            DecodeOutput out = decode(item, CancelTest{counter.get(), generation}, {}, &pooled);
            if (counter->Get() != generation)
                return;
            message->sourceWidth = out.sourceWidth;
            message->sourceHeight = out.sourceHeight;
            if (out.status == DecodeStatus::Decoded)
                if (auto picture = makePicture(std::move(out.image), turns))
                    message->picture = picture->WithFastFullSize();
            giveBack(out.image);
            target->Post(std::move(message));
        }
    }).detach();
}

void CPictureLoader::Remember(const std::string& path, std::shared_ptr<const ViewerPicture> picture,
                              int sourceWidth, int sourceHeight) {
    if (!picture || picture->isNull())
        return;
    for (auto& p : prefetched_)
        if (p.path == path) {
            p.picture = std::move(picture);
            p.done = true;
            p.sourceWidth = sourceWidth;
            p.sourceHeight = sourceHeight;
            return;
        }
    prefetched_.push_back(
        PrefetchedPicture{path, std::move(picture), true, sourceWidth, sourceHeight});
}

void CPictureLoader::DropPrefetched() {
    prefetched_.clear();
    prefetchCounter_->Set(prefetchCounter_->Get() + 1);
}

bool CPictureLoader::TakePrefetchResult(PrefetchDoneMessage& message) {
    if (message.generation != prefetchCounter_->Get())
        return false;
    for (auto& p : prefetched_) {
        if (p.path != message.path || p.done)
            continue;
        p.done = true;
        p.sourceWidth = message.sourceWidth;
        p.sourceHeight = message.sourceHeight;
        p.picture = std::move(message.picture);
        // Memory stays bounded: a neighbour that does not fit is dropped.
        if (prefetchedBytes() > kMaxPrefetchBytes)
            p.picture.reset();
        return p.picture != nullptr;
    }
    return false;
}

const PrefetchedPicture* CPictureLoader::Find(const std::string& path) const {
    for (const auto& p : prefetched_)
        if (p.path == path)
            return &p;
    return nullptr;
}

std::size_t CPictureLoader::prefetchedBytes() const {
    std::size_t n = 0;
    for (const auto& p : prefetched_)
        if (p.picture)
            n += p.picture->byteSize();
    return n;
}

int CPictureLoader::Running() {
    return pictureThreads.Count();
}

bool CPictureLoader::WaitIdle(int timeoutMs) {
    return pictureThreads.WaitIdle(timeoutMs);
}

} // namespace lumora
