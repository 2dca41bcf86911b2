#include "imaging/ImageLoader.h"

#include "imaging/DecodedColours.h"
#include "imaging/JpegDecoder.h"
#include "imaging/ModernDecoder.h"
#include "imaging/PictureDecoder.h"
#include "imaging/PsdReader.h"
#include "imaging/RunningThreads.h"
#include "imaging/TiffDecoder.h"

#include <thread>

#include <pthread.h>
#include <sched.h>

namespace lumora {

bool isJpegKind(ImageKind kind) {
    return kind != ImageKind::Tiff && kind != ImageKind::Psd && kind != ImageKind::Bmp &&
           kind != ImageKind::Gif && kind != ImageKind::Ico && kind != ImageKind::Cur &&
           !isModernPictureKind(kind);
}

int AutoRotationTurns(const ImageItem& item) {
    return kindTurnsByExif(item.kind) ? OrientationQuarterTurns(item.imageInfo.orientation) : 0;
}

namespace {

DecodeOutput decodeItem(const ImageItem& item, int scaleTarget, const CancelTest& cancel,
                        const SizeCallback& onSize, const RowWatch* watch,
                        const ProfilePtr& colourTarget) {
    DecodeOutput out;
    switch (item.kind) {
    case ImageKind::Tiff: {
        TiffOptions options;
        options.cancel = cancel;
        options.onSize = onSize;
        return CTiffDecoder::Decode(item.path, options);
    }
    case ImageKind::Bmp:
    case ImageKind::Gif:
    case ImageKind::Ico:
    case ImageKind::Cur: {
        PictureOptions options; // black background
        options.onSize = onSize;
        return CPictureDecoder::Decode(item.path, options);
    }
    case ImageKind::Heif:
    case ImageKind::Avif:
    case ImageKind::Png:
    case ImageKind::WebP:
    case ImageKind::Jxl: {
        ModernDecodeOptions options; // black background, as the other pictures
        options.boxLongSide = scaleTarget;
        options.onSize = onSize;
        return DecodeModernPicture(item.path, item.kind, options);
    }
    case ImageKind::Psd: {
        CPsdReader reader;
        if (!reader.Open(item.path))
            return out; // cannot be read: an empty result all the same
        out.status = DecodeStatus::Failed;
        out.sourceWidth = static_cast<int>(reader.width);
        out.sourceHeight = static_cast<int>(reader.height);
        if (onSize)
            onSize(out.sourceWidth, out.sourceHeight);
        if (reader.ReadComposite(out.image))
            out.status = DecodeStatus::Decoded;
        out.rowsDone = out.image.height();
        out.iccProfile = reader.ReadIccProfile();
        return out;
    }
    default: {
        JpegOptions options;
        options.scaleTarget = scaleTarget;
        options.cancel = cancel;
        options.onSize = onSize;
        options.watch = watch;
        options.colourTarget = colourTarget;
        options.exifAdobeRgb = ExifSaysAdobeRgb(item.shootingInfo);
        JpegSource source{item.path, 0, 0, kindCode(item.kind)};
        if (item.previewOffset != 0 && item.previewLength != 0) {
            source.offset = item.previewOffset;
            source.length = item.previewLength;
        }
        return CJpegDecoder::Decode(source, options);
    }
    }
}

} // namespace

DecodeOutput DecodeForLoader(const ImageItem& item, int scaleTarget, const CancelTest& cancel,
                             const SizeCallback& onSize, const RowWatch* watch,
                             const ProfilePtr& colourTarget) {
    DecodeOutput out = decodeItem(item, scaleTarget, cancel, onSize, watch, colourTarget);
    ConvertDecodedColours(out, colourTarget, cancel, ExifSaysAdobeRgb(item.shootingInfo));
    return out;
}

namespace {

enum class User { Preview, Mini };

CRunningThreads loaderThreads;

// Decodes the request's file by kind. Returns false when nothing at all is
// to be posted (a JPEG that cannot be opened).
bool decodeByKind(const LoadRequest& request, User user, DecodeOutput& out) {
    LoaderTarget* target = request.targetWindow.get();
    auto postSize = [target](int w, int h) {
        if (target)
            target->Post<LoaderSizeMessage>(std::abs(w), std::abs(h));
    };
    // Both loaders show their picture on the screen: in the display's colours.
    out = DecodeForLoader(request.entry.item, user == User::Mini ? request.targetSize : 0,
                          CancelTest{request.counter.get(), request.requestNumber}, postSize,
                          nullptr, DisplayProfile());
    return out.status != DecodeStatus::OpenFailed || !isJpegKind(request.entry.item.kind);
}

void runLoad(std::unique_ptr<LoadRequest> request, User user) {
    if (!request)
        return;
    const ImageItem& item = request->entry.item;
    const bool jpeg = isJpegKind(item.kind);
    LoaderTarget* target = request->targetWindow.get();
    if (jpeg && request->entry.words[0] == 0) {
        if (target)
            target->Post<PreviewNoEntryMessage>();
        return;
    }
    DecodeOutput out;
    bool post = false;
    try {
        post = decodeByKind(*request, user, out);
    } catch (const std::bad_alloc&) {
        out = DecodeOutput{};
        out.status = DecodeStatus::Failed;
        post = true;
    }
    if (!post || !target)
        return;
    const bool cancelled = out.status == DecodeStatus::Cancelled;
    // The mini preview makes its bitmap only after a decode that was not
    // cancelled and did not fail; the preview hands over whatever it holds.
    if (user == User::Mini && out.status != DecodeStatus::Decoded)
        out.image = DibImage{};
    if (user == User::Preview) {
        auto result = std::make_unique<PreviewImageResult>();
        result->width = out.image.width();
        result->height = out.image.height();
        result->image = std::move(out.image);
        result->requestNumber = request->requestNumber;
        result->entryWords[0] = request->entry.words[0];
        result->entryWords[1] = request->entry.words[1];
        result->item.path = item.path;
        result->item.fileName = item.fileName;
        result->item.imageInfo.orientation = item.imageInfo.orientation;
        result->item.caption = item.caption;
        target->Post<PreviewResultMessage>(std::move(result), cancelled);
    } else {
        auto result = std::make_unique<MiniImageResult>();
        result->image = std::move(out.image);
        result->requestNumber = request->requestNumber;
        result->entry = std::move(request->entry);
        target->Post<MiniPreviewResultMessage>(std::move(result), cancelled);
    }
}

void startThread(std::unique_ptr<LoadRequest> request, User user) {
    auto guard = std::make_shared<CRunningThreads::Guard>(loaderThreads);
    std::thread([request = std::move(request), user, guard]() mutable {
        if (user == User::Mini) {
            sched_param param{};
            param.sched_priority = 0;
            pthread_setschedparam(pthread_self(), SCHED_IDLE, &param);
        }
        runLoad(std::move(request), user);
        guard.reset();
    }).detach();
}

} // namespace

void RunPreviewLoad(std::unique_ptr<LoadRequest> request) {
    runLoad(std::move(request), User::Preview);
}
void RunMiniPreviewLoad(std::unique_ptr<LoadRequest> request) {
    runLoad(std::move(request), User::Mini);
}
void StartPreviewThread(std::unique_ptr<LoadRequest> request) {
    startThread(std::move(request), User::Preview);
}
void StartMiniPreviewThread(std::unique_ptr<LoadRequest> request) {
    startThread(std::move(request), User::Mini);
}

int RunningLoaders() {
    return loaderThreads.Count();
}

bool WaitForLoaders(int timeoutMs) {
    return loaderThreads.WaitIdle(timeoutMs);
}

CPreviewLoader::CPreviewLoader(QObject* receiver)
    : target_(std::make_shared<LoaderTarget>(receiver)),
      counter_(std::make_shared<RequestCounter>()) {}

CPreviewLoader::~CPreviewLoader() {
    target_->Detach();
    Cancel();
}

int32_t CPreviewLoader::Load(const ViewEntry& entry) {
    const int32_t number = counter_->Get() + 1;
    counter_->Set(number);
    auto request = std::make_unique<LoadRequest>();
    request->targetWindow = target_;
    request->requestNumber = number;
    request->entry = entry;
    request->counter = counter_;
    StartPreviewThread(std::move(request));
    return number;
}

CMiniPreviewLoader::CMiniPreviewLoader(QObject* receiver)
    : target_(std::make_shared<LoaderTarget>(receiver)),
      counter_(std::make_shared<RequestCounter>()) {}

CMiniPreviewLoader::~CMiniPreviewLoader() {
    target_->Detach();
    counter_->Set(nextNumber_++);
}

int32_t CMiniPreviewLoader::Load(const ViewEntry& entry, int32_t targetSize) {
    const int32_t number = nextNumber_++;
    counter_->Set(number);
    auto request = std::make_unique<LoadRequest>();
    request->targetWindow = target_;
    request->requestNumber = number;
    request->entry = entry;
    request->targetSize = targetSize;
    request->counter = counter_;
    StartMiniPreviewThread(std::move(request));
    return number;
}

} // namespace lumora
