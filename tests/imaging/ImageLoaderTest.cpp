#include "DecoderTestUtil.h"

#include "imaging/ImageLoader.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>

#include <chrono>
#include <thread>

namespace lumora {
namespace {

using test::encodeJpeg;
using test::ScratchDir;

QCoreApplication& app() {
    static int argc = 1;
    static char name[] = "loader-test";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* instance =
        QCoreApplication::instance() ? nullptr : new QCoreApplication(argc, argv);
    (void)instance;
    return *QCoreApplication::instance();
}

// Collects what the loaders post, in order.
class Receiver : public QObject {
public:
    struct Received {
        int type;
        int width = 0, height = 0; // size message
        int cancelled = 0;         // result messages
    };
    std::vector<Received> messages;
    std::vector<std::unique_ptr<PreviewImageResult>> previews;
    std::vector<std::unique_ptr<MiniImageResult>> minis;

    bool event(QEvent* e) override {
        const int type = static_cast<int>(e->type());
        if (auto* m = MessageCast<LoaderSizeMessage>(e)) {
            messages.push_back({type, m->width, m->height});
        } else if (MessageCast<PreviewNoEntryMessage>(e)) {
            messages.push_back({type});
        } else if (type == WM_LOADER_RESULT) {
            // Both loaders' results share the number; the test receives both.
            if (auto* p = dynamic_cast<PreviewResultMessage*>(e)) {
                messages.push_back({type, 0, 0, p->cancelled ? 1 : 0});
                previews.push_back(std::move(p->result));
            } else if (auto* p = dynamic_cast<MiniPreviewResultMessage*>(e)) {
                messages.push_back({type, 0, 0, p->cancelled ? 1 : 0});
                minis.push_back(std::move(p->result));
            }
        } else {
            return QObject::event(e);
        }
        return true;
    }
};

void drain() {
    QCoreApplication::sendPostedEvents();
}

void waitForResults(Receiver& r, std::size_t count) {
    for (int i = 0; i < 1000 && r.previews.size() + r.minis.size() < count; ++i) {
        drain();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

ViewEntry entryFor(const std::string& path, ImageKind kind) {
    ViewEntry entry;
    entry.item = ImageItem::FromPath(path, kind);
    entry.item.imageInfo.orientation = 6;
    entry.item.caption.iso = 400;
    return entry;
}

std::unique_ptr<LoadRequest> request(Receiver& r, const ViewEntry& entry, int32_t number,
                                     std::shared_ptr<RequestCounter> counter, int target = 0) {
    auto req = std::make_unique<LoadRequest>();
    req->targetWindow = std::make_shared<LoaderTarget>(&r);
    req->requestNumber = number;
    req->entry = entry;
    req->targetSize = target;
    req->counter = std::move(counter);
    return req;
}

TEST(ImageLoader, PreviewPostsSizeThenTheFullPicture) {
    app();
    ScratchDir dir;
    Receiver r;
    CPreviewLoader loader(&r);
    const auto path = dir.write("a.jpg", encodeJpeg(300, 200, 3));
    const int32_t number = loader.Load(entryFor(path, ImageKind::Jpeg));
    waitForResults(r, 1);
    ASSERT_EQ(r.previews.size(), 1u);
    ASSERT_EQ(r.messages.size(), 2u);
    EXPECT_EQ(r.messages[0].type, WM_LOADER_SIZE);
    EXPECT_EQ(r.messages[0].width, 300);
    EXPECT_EQ(r.messages[0].height, 200);
    EXPECT_EQ(r.messages[1].type, WM_LOADER_RESULT);
    EXPECT_EQ(r.messages[1].cancelled, 0);
    const PreviewImageResult& result = *r.previews[0];
    EXPECT_EQ(result.requestNumber, number);
    EXPECT_EQ(result.width, 300);
    EXPECT_EQ(result.height, 200);
    EXPECT_EQ(result.bytesPerPixel, 3);
    EXPECT_EQ(result.image.width(), 300);
    EXPECT_EQ(result.item.path, path);
    EXPECT_EQ(result.item.imageInfo.orientation.value_or(0), 6);
    EXPECT_EQ(result.item.caption.iso.value_or(0), 400u);
    EXPECT_EQ(result.entryWords[0], 1u);
}

TEST(ImageLoader, MiniPreviewReducesForItsTarget) {
    app();
    ScratchDir dir;
    Receiver r;
    CMiniPreviewLoader loader(&r);
    const auto path = dir.write("m.jpg", encodeJpeg(1600, 1200, 3, test::pattern, 40));
    loader.Load(entryFor(path, ImageKind::Jpeg), 150); // 150 x 8 < 1600
    waitForResults(r, 1);
    ASSERT_EQ(r.minis.size(), 1u);
    EXPECT_EQ(r.messages[0].width, 1600); // the picture's own size
    EXPECT_EQ(r.minis[0]->image.width(), 200);
    EXPECT_EQ(r.minis[0]->image.height(), 150);
    EXPECT_EQ(r.minis[0]->entry.item.path, path);
}

TEST(ImageLoader, StaleRequestStillDeliversACancelledResult) {
    app();
    ScratchDir dir;
    const auto path = dir.write("s.jpg", encodeJpeg(640, 480, 3, test::pattern, 40));
    auto counter = std::make_shared<RequestCounter>();
    counter->Set(2); // a newer request exists
    Receiver r;
    RunPreviewLoad(request(r, entryFor(path, ImageKind::Jpeg), 1, counter));
    RunMiniPreviewLoad(request(r, entryFor(path, ImageKind::Jpeg), 1, counter, 100));
    drain();
    ASSERT_EQ(r.previews.size(), 1u);
    ASSERT_EQ(r.minis.size(), 1u);
    EXPECT_EQ(r.messages[1].cancelled, 1);
    EXPECT_EQ(r.messages[3].cancelled, 1);
    // The preview hands over what it decoded; the mini preview makes no bitmap.
    EXPECT_FALSE(r.previews[0]->image.isNull());
    EXPECT_TRUE(r.minis[0]->image.isNull());
}

TEST(ImageLoader, FailuresPostWhatTheirKindPosts) {
    app();
    ScratchDir dir;
    auto counter = std::make_shared<RequestCounter>();
    Receiver r;
    // An entry whose first word is 0: only 3046.
    ViewEntry none = entryFor(dir.write("n.jpg", encodeJpeg(8, 8, 3)), ImageKind::Jpeg);
    none.words[0] = 0;
    RunPreviewLoad(request(r, none, 0, counter));
    drain();
    ASSERT_EQ(r.messages.size(), 1u);
    EXPECT_EQ(r.messages[0].type, WM_PREVIEW_NOENTRY);
    r.messages.clear();

    // A JPEG that cannot be opened: nothing at all.
    RunPreviewLoad(request(r, entryFor(dir.file("missing.jpg"), ImageKind::Jpeg), 0, counter));
    drain();
    EXPECT_TRUE(r.messages.empty());

    // TIFF, PSD and pictures that cannot be opened: an empty result.
    for (auto kind : {ImageKind::Tiff, ImageKind::Psd, ImageKind::Gif}) {
        RunPreviewLoad(request(r, entryFor(dir.file("missing"), kind), 0, counter));
    }
    // A RAW file whose preview lies outside it, and one that is garbage.
    ViewEntry raw = entryFor(dir.write("r.cr2", std::vector<uint8_t>(4000, 7)), ImageKind::Cr2);
    raw.item.previewOffset = 3000;
    raw.item.previewLength = 5000;
    RunPreviewLoad(request(r, raw, 0, counter));
    raw.item.previewLength = 900;
    RunMiniPreviewLoad(request(r, raw, 0, counter, 100));
    drain();
    ASSERT_EQ(r.previews.size(), 4u);
    ASSERT_EQ(r.minis.size(), 1u);
    for (const auto& p : r.previews)
        EXPECT_TRUE(p->image.isNull());
    EXPECT_TRUE(r.minis[0]->image.isNull());
}

TEST(ImageLoader, NoResultLeaksWhenTheReceiverIsGone) {
    app();
    ScratchDir dir;
    const auto path = dir.write("g.jpg", encodeJpeg(800, 600, 3, test::pattern, 40));
    {
        // Receiver destroyed with results still queued for it.
        auto r = std::make_unique<Receiver>();
        auto counter = std::make_shared<RequestCounter>();
        RunPreviewLoad(request(*r, entryFor(path, ImageKind::Jpeg), 0, counter));
        RunMiniPreviewLoad(request(*r, entryFor(path, ImageKind::Jpeg), 0, counter, 100));
        EXPECT_EQ(LiveCount<PreviewImageResult>::live.load(), 1);
        r.reset();
    }
    {
        // Control and receiver gone while the threads still decode.
        auto r = std::make_unique<Receiver>();
        auto preview = std::make_unique<CPreviewLoader>(r.get());
        auto mini = std::make_unique<CMiniPreviewLoader>(r.get());
        for (int i = 0; i < 3; ++i) {
            preview->Load(entryFor(path, ImageKind::Jpeg));
            mini->Load(entryFor(path, ImageKind::Jpeg), 100);
        }
        preview.reset();
        mini.reset();
        r.reset();
        ASSERT_TRUE(WaitForLoaders(20000));
    }
    drain();
    EXPECT_EQ(RunningLoaders(), 0);
    EXPECT_EQ(LiveCount<PreviewImageResult>::live.load(), 0);
    EXPECT_EQ(LiveCount<MiniImageResult>::live.load(), 0);
}

TEST(ImageLoader, OnlyTheLatestOfQuickRequestsIsCurrent) {
    app();
    ScratchDir dir;
    const auto path = dir.write("q.jpg", encodeJpeg(1024, 768, 3, test::pattern, 40));
    Receiver r;
    CPreviewLoader loader(&r);
    int32_t last = 0;
    for (int i = 0; i < 4; ++i)
        last = loader.Load(entryFor(path, ImageKind::Jpeg));
    waitForResults(r, 4);
    ASSERT_EQ(r.previews.size(), 4u);
    int current = 0;
    for (const auto& p : r.previews)
        current += p->requestNumber == last;
    EXPECT_EQ(current, 1);
    EXPECT_EQ(loader.CurrentRequest(), last);
    // Results of the current request are never marked cancelled.
    for (std::size_t i = 0, k = 0; i < r.messages.size(); ++i) {
        if (r.messages[i].type != WM_LOADER_RESULT)
            continue;
        if (r.previews[k++]->requestNumber == last) {
            EXPECT_EQ(r.messages[i].cancelled, 0);
        }
    }
}

} // namespace
} // namespace lumora
