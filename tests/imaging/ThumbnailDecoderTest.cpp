#include "DecoderTestUtil.h"

#include "engine/ImageItemList.h"
#include "imaging/ThumbnailDecoder.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QImageWriter>

#include <cstdlib>

namespace lumora {
namespace {

using test::encodeJpeg;
using test::ScratchDir;

ThumbnailBox box(int w = 120, int h = 90, bool rotate = true) {
    ThumbnailBox p;
    p.longSide = w;
    p.shortSide = h;
    p.autoRotate = rotate;
    return p;
}

// Puts a JPEG thumbnail after some leading bytes, as a camera file holds it.
ImageItem embeddedItem(const ScratchDir& dir, const std::vector<uint8_t>& thumb, ImageKind kind,
                       const std::string& name = "e.jpg") {
    std::vector<uint8_t> file;
    file.reserve(512 + thumb.size() + 64);
    file.resize(512, 0x33);
    file.insert(file.end(), thumb.begin(), thumb.end());
    file.insert(file.end(), 64, 0x44);
    ImageItem item = ImageItem::FromPath(dir.write(name, file), kind);
    item.thumbOffset = 512;
    item.thumbLength = static_cast<uint32_t>(thumb.size());
    item.useEmbedded = 1;
    return item;
}

void quadrants(int x, int y, uint8_t* p, int w, int h) {
    const bool left = x < w / 2, top = y < h / 2;
    p[0] = left && top ? 230 : 20;  // red top-left
    p[1] = !left && top ? 230 : 20; // green top-right
    p[2] = left && !top ? 230 : 20; // blue bottom-left
}

struct Rgb {
    int r, g, b;
};
Rgb at(const DibImage& img, int x, int y) {
    const uint8_t* p = img.scanLine(y) + x * 3;
    return {p[2], p[1], p[0]};
}

TEST(ThumbnailGeometry, LetterboxAndTurnedRectangles) {
    // 160 x 120 stored thumbnail of a 16:9 picture: 90 rows centred.
    auto g = EmbeddedThumbnailGeometry(160, 120, 16.0 / 9.0, 120, 90, false);
    EXPECT_EQ(g.source, (ThumbRect{0, 15, 160, 90}));
    EXPECT_EQ(g.destination, (ThumbRect{0, 11, 120, 67}));
    // The same turned by a quarter: every pair exchanged.
    g = EmbeddedThumbnailGeometry(160, 120, 16.0 / 9.0, 120, 90, true);
    EXPECT_EQ(g.source, (ThumbRect{15, 0, 90, 160}));
    EXPECT_EQ(g.destination, (ThumbRect{11, 0, 67, 120}));
    // Portrait stored thumbnail of a 4:3 picture.
    g = EmbeddedThumbnailGeometry(120, 160, 4.0 / 3.0, 120, 90, false);
    EXPECT_EQ(g.source, (ThumbRect{0, 0, 120, 160}));
    EXPECT_EQ(g.destination, (ThumbRect{0, 0, 90, 120}));
    // A square picture in a 4:3 stored thumbnail: the side bars go, and no
    // row outside the thumbnail is read.
    g = EmbeddedThumbnailGeometry(160, 120, 1.0, 120, 90, false);
    EXPECT_EQ(g.source, (ThumbRect{20, 0, 120, 120}));
    EXPECT_EQ(g.destination.width, 120);
    EXPECT_EQ(g.destination.height, 120);

    // Fitting a whole picture.
    g = FittedThumbnailGeometry(640, 480, 120, 90);
    EXPECT_EQ(g.destination, (ThumbRect{0, 0, 120, 90}));
    g = FittedThumbnailGeometry(300, 100, 120, 90);
    EXPECT_EQ(g.destination, (ThumbRect{0, 25, 120, 40}));
    g = FittedThumbnailGeometry(480, 640, 120, 90);
    EXPECT_EQ(g.destination, (ThumbRect{15, 0, 90, 120}));
}

TEST(DecodeThumbnail, EmbeddedThumbnailIsCroppedToTheRealAspect) {
    ScratchDir dir;
    // 160 x 120 with black bars of 15 rows above and below a bright picture.
    const auto thumb = encodeJpeg(160, 120, 3, [](int, int y, uint8_t* p) {
        const uint8_t v = (y < 15 || y >= 105) ? 0 : 200;
        p[0] = p[1] = p[2] = v;
    });
    ImageItem item = embeddedItem(dir, thumb, ImageKind::Cr2, "a.cr2");
    item.shootingInfo.aspectX = 16;
    item.shootingInfo.aspectY = 9;
    DecodeThumbnail(item, box());
    const ThumbnailBlock& t = item.thumb;
    ASSERT_EQ(t.thumbReal, 1);
    ASSERT_EQ(t.thumbDecoded, 1);
    EXPECT_EQ(t.thumbWidth, 120);
    EXPECT_EQ(t.thumbHeight, 67);
    EXPECT_EQ(t.thumbBits.width(), 120);
    EXPECT_EQ(t.thumbBits.height(), 67);
    EXPECT_EQ(t.srcY, 15);
    EXPECT_EQ(t.srcHeight, 90);
    for (int y : {0, 33, 66})
        for (int x : {0, 60, 119})
            EXPECT_GT(at(t.thumbBits, x, y).g, 150) << x << "," << y; // no bar left
    // The pre-image is the whole decoded thumbnail.
    EXPECT_EQ(t.preimageWidth(), 160);
    EXPECT_EQ(t.preimageHeight(), 120);
}

TEST(DecodeThumbnail, EmbeddedThumbnailTurnsByOrientation) {
    ScratchDir dir;
    const auto thumb =
        encodeJpeg(160, 120, 3, [](int x, int y, uint8_t* p) { quadrants(x, y, p, 160, 120); });
    struct Case {
        uint16_t orientation;
        bool rotate;
        int w, h;
        Rgb topLeft;
    } cases[] = {
        {1, true, 120, 90, {230, 20, 20}},  // red stays top-left
        {6, true, 90, 120, {20, 20, 230}},  // turned right: blue comes to the top-left
        {8, true, 90, 120, {20, 230, 20}},  // turned left: green comes to the top-left
        {3, true, 120, 90, {20, 20, 20}},   // half turn: the dark quadrant
        {6, false, 120, 90, {230, 20, 20}}, // auto-rotation off
    };
    for (const Case& c : cases) {
        ImageItem item = embeddedItem(dir, thumb, ImageKind::Jpeg);
        item.imageInfo.orientation = c.orientation;
        DecodeThumbnail(item, box(120, 90, c.rotate));
        const auto& t = item.thumb;
        ASSERT_EQ(t.thumbReal, 1);
        EXPECT_EQ(t.thumbWidth, c.w) << c.orientation;
        EXPECT_EQ(t.thumbHeight, c.h) << c.orientation;
        const Rgb p = at(t.thumbBits, 5, 5);
        EXPECT_NEAR(p.r, c.topLeft.r, 30) << c.orientation << " rotate " << c.rotate;
        EXPECT_NEAR(p.g, c.topLeft.g, 30) << c.orientation;
        EXPECT_NEAR(p.b, c.topLeft.b, 30) << c.orientation;
    }
}

TEST(DecodeThumbnail, WholeFileIsReducedAndFitted) {
    ScratchDir dir;
    struct Case {
        int w, h, preW, preH, tw, th, dstX, dstY;
    } cases[] = {{640, 480, 320, 240, 120, 90, 0, 0},
                 {1280, 960, 320, 240, 120, 90, 0, 0},
                 {160, 120, 160, 120, 120, 90, 0, 0},
                 {480, 640, 240, 320, 90, 120, 15, 0},
                 {900, 300, 225, 75, 120, 40, 0, 25}};
    for (const Case& c : cases) {
        ImageItem item =
            ImageItem::FromPath(dir.write("w.jpg", encodeJpeg(c.w, c.h, 3)), ImageKind::Jpeg);
        DecodeThumbnail(item, box());
        const auto& t = item.thumb;
        ASSERT_EQ(t.thumbReal, 1) << c.w;
        EXPECT_EQ(t.preimageWidth(), c.preW) << c.w << "x" << c.h;
        EXPECT_EQ(t.preimageHeight(), c.preH) << c.w << "x" << c.h;
        EXPECT_EQ(t.thumbWidth, c.tw) << c.w << "x" << c.h;
        EXPECT_EQ(t.thumbHeight, c.th) << c.w << "x" << c.h;
        EXPECT_EQ(t.dstX, c.dstX) << c.w << "x" << c.h;
        EXPECT_EQ(t.dstY, c.dstY) << c.w << "x" << c.h;
        EXPECT_EQ(t.thumbBits.width(), c.tw);
    }
}

TEST(DecodeThumbnail, DamagedSourcesGetThePlaceholder) {
    ScratchDir dir;
    std::vector<uint8_t> thumb = encodeJpeg(160, 120, 3);
    // A RAW file whose embedded thumbnail is cut short past its header, one
    // that points outside the file, and a kind without a decoder.
    std::vector<ImageItem> items;
    items.push_back(embeddedItem(dir, std::vector<uint8_t>(thumb.begin(), thumb.begin() + 300),
                                 ImageKind::Nef, "a.nef"));
    items.push_back(embeddedItem(dir, thumb, ImageKind::Cr2, "b.cr2"));
    items.back().thumbOffset = 1u << 30;
    items.push_back(ImageItem::FromPath(dir.write("c.cr2", {1, 2, 3}), ImageKind::Cr2));
    items.push_back(ImageItem::FromPath(dir.write("d.xyz", {1, 2, 3}), ImageKind::Unknown));
    items.push_back(ImageItem::FromPath(dir.file("missing.jpg"), ImageKind::Jpeg));
    for (ImageItem& item : items) {
        DecodeThumbnail(item, box(100, 75));
        const auto& t = item.thumb;
        EXPECT_EQ(t.thumbReal, 0) << item.path;
        ASSERT_FALSE(t.thumbBits.isNull()) << item.path;
        EXPECT_EQ(t.thumbBits.width(), 100);
        EXPECT_EQ(t.thumbBits.height(), 75);
        EXPECT_EQ(t.thumbWidth, 100);
        EXPECT_EQ(t.thumbHeight, 75);
        EXPECT_EQ(at(t.thumbBits, 1, 1).r, 50);
    }
    // A JPEG whose embedded thumbnail is damaged still has its picture.
    ImageItem jpeg =
        ImageItem::FromPath(dir.write("e.jpg", encodeJpeg(320, 240, 3)), ImageKind::Jpeg);
    jpeg.useEmbedded = 1;
    jpeg.thumbOffset = 2;
    jpeg.thumbLength = 100;
    DecodeThumbnail(jpeg, box());
    EXPECT_EQ(jpeg.thumb.thumbReal, 1);
    EXPECT_EQ(jpeg.thumb.preimageWidth(), 320); // 160 x 2 is not below 320
}

TEST(DecodeThumbnail, SidecarThumbnailAndDamagedStartMarkers) {
    ScratchDir dir;
    ImageItem crw = ImageItem::FromPath(dir.write("IMG.CRW", {0, 0}), ImageKind::Crw);
    dir.write("IMG.THM", encodeJpeg(160, 120, 3));
    crw.thumbFromSidecar = 1;
    crw.sidecarName = "IMG.THM";
    crw.useEmbedded = 1;
    DecodeThumbnail(crw, box());
    EXPECT_EQ(crw.thumb.thumbReal, 1);
    EXPECT_EQ(crw.thumb.thumbWidth, 120);

    std::vector<uint8_t> thumb = encodeJpeg(160, 120, 3);
    thumb[0] = 0;
    thumb[1] = 0xD8;
    ImageItem mrw = embeddedItem(dir, thumb, ImageKind::Mrw, "a.mrw");
    DecodeThumbnail(mrw, box());
    EXPECT_EQ(mrw.thumb.thumbReal, 1);
    ImageItem other = embeddedItem(dir, thumb, ImageKind::Pef, "a.pef");
    DecodeThumbnail(other, box());
    EXPECT_EQ(other.thumb.thumbReal, 0);
}

TEST(DecodeThumbnail, OrientationSamplesLookTheSame) {
    if (!test::haveSamples())
        GTEST_SKIP() << "no shared samples";
    for (const char* set : {"landscape", "portrait"}) {
        DibImage reference;
        // The first file differs in its encoding; compare the turned ones
        // with each other, and with a wrongly turned copy to be sure the
        // measure tells them apart.
        for (int o : {3, 6, 8, -6}) {
            ImageItem item = ImageItem::FromPath(test::samples() + "/orientation/" + set + "_" +
                                                     std::to_string(std::abs(o)) + ".jpg",
                                                 ImageKind::Jpeg);
            // The orientation as the file name says (some of these files keep
            // their EXIF block behind other segments).
            item.imageInfo.orientation = static_cast<uint16_t>(o > 0 ? o : 8);
            DecodeThumbnail(item, box());
            const DibImage& t = item.thumb.thumbBits;
            ASSERT_EQ(item.thumb.thumbReal, 1) << set << o;
            if (reference.isNull()) {
                reference = t.clone();
                EXPECT_EQ(t.width(), std::string(set) == "landscape" ? 120 : 90);
                EXPECT_EQ(t.height(), std::string(set) == "landscape" ? 90 : 120);
                continue;
            }
            ASSERT_EQ(t.width(), reference.width()) << set << o;
            ASSERT_EQ(t.height(), reference.height()) << set << o;
            if (o < 0) { // 6 turned left instead of right: upside down
                long wrong = 0;
                for (int y = 0; y < t.height(); ++y)
                    for (int x = 0; x < t.width() * 3; ++x)
                        wrong += std::abs(t.scanLine(y)[x] - reference.scanLine(y)[x]);
                EXPECT_GT(wrong / (t.width() * t.height() * 3), 25) << set;
                continue;
            }
            long diff = 0;
            for (int y = 0; y < t.height(); ++y)
                for (int x = 0; x < t.width() * 3; ++x)
                    diff += std::abs(t.scanLine(y)[x] - reference.scanLine(y)[x]);
            EXPECT_LT(diff / (t.width() * t.height() * 3), 6) << set << " " << o;
        }
    }
}

TEST(DecodeThumbnail, CameraSamplesUseTheirEmbeddedThumbnails) {
    if (!test::haveSamples())
        GTEST_SKIP() << "no shared samples";
    int embedded = 0;
    for (const auto& entry :
         std::filesystem::directory_iterator(test::samples() + "/camera-jpeg")) {
        ImageItem item = ImageItem::FromPath(entry.path().string(), ImageKind::Jpeg);
        ScanItemInfo(item);
        DecodeThumbnail(item, box(160, 120));
        ASSERT_FALSE(item.thumb.thumbBits.isNull()) << entry.path();
        EXPECT_LE(item.thumb.thumbWidth, 160);
        EXPECT_LE(item.thumb.thumbHeight, 160);
        if (item.useEmbedded && item.thumb.thumbReal)
            ++embedded;
    }
    EXPECT_GT(embedded, 10);
}

TEST(DecodeThumbnail, OtherKinds) {
    ScratchDir dir;
    // An icon keeps its transparency key exactly; a bitmap is fitted.
    QImage icon(48, 48, QImage::Format_ARGB32);
    icon.fill(Qt::transparent);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 24; ++x)
            icon.setPixel(x, y, qRgba(0, 0, 255, 255));
    QImageWriter(QString::fromStdString(dir.file("a.ico")), "ico").write(icon);
    ImageItem ico = ImageItem::FromPath(dir.file("a.ico"), ImageKind::Ico);
    DecodeThumbnail(ico, box());
    ASSERT_EQ(ico.thumb.thumbReal, 1);
    EXPECT_EQ(ico.thumb.preimageWidth(), 48); // smaller than the fit: kept
    EXPECT_EQ(ico.thumb.thumbWidth, 120);
    const Rgb key = at(ico.thumb.thumbBits, 110, 60);
    EXPECT_EQ(key.r, 0);
    EXPECT_EQ(key.g, 1);
    EXPECT_EQ(key.b, 0);
    EXPECT_EQ(at(ico.thumb.thumbBits, 10, 60).b, 255);

    QImage big(400, 100, QImage::Format_RGB32);
    big.fill(QColor(10, 200, 30));
    QImageWriter(QString::fromStdString(dir.file("a.bmp")), "bmp").write(big);
    ImageItem bmp = ImageItem::FromPath(dir.file("a.bmp"), ImageKind::Bmp);
    DecodeThumbnail(bmp, box());
    ASSERT_EQ(bmp.thumb.thumbReal, 1);
    EXPECT_EQ(bmp.thumb.preimageWidth(), 160); // reduced to the inner size
    EXPECT_EQ(bmp.thumb.preimageHeight(), 40);
    EXPECT_EQ(bmp.thumb.thumbHeight, 30);
    EXPECT_NEAR(at(bmp.thumb.thumbBits, 60, 15).g, 200, 2);
}

} // namespace
} // namespace lumora
