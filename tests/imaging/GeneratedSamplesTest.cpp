// Every kind of the generated sample folder through the thumbnail and the
// preview paths, with the item filled by the real shooting-information scan.
#include "DecoderTestUtil.h"

#include "engine/ImageItemList.h"
#include "imaging/ImageLoader.h"
#include "imaging/ThumbnailDecoder.h"
#include "samples/SampleGen.h"

#include <gtest/gtest.h>

#include <map>

namespace lumora {
namespace {

class GeneratedSamples : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new test::ScratchDir;
        written_ =
            new std::vector<samples::WrittenSample>(samples::writeSampleFolder(dir_->file("demo")));
    }
    static void TearDownTestSuite() {
        delete written_;
        delete dir_;
    }
    static ImageItem scanned(const samples::WrittenSample& s) {
        ImageItem item =
            ImageItem::FromPath(dir_->file("demo/" + s.name), static_cast<ImageKind>(s.kind));
        ScanItemInfo(item);
        return item;
    }
    static test::ScratchDir* dir_;
    static std::vector<samples::WrittenSample>* written_;
};
test::ScratchDir* GeneratedSamples::dir_ = nullptr;
std::vector<samples::WrittenSample>* GeneratedSamples::written_ = nullptr;

TEST_F(GeneratedSamples, EveryKindMakesARealThumbnail) {
    ASSERT_GT(written_->size(), 20u);
    for (const auto& s : *written_) {
        ImageItem item = scanned(s);
        DecodeThumbnail(item, ThumbnailBox{120, 90, true});
        const bool placeholder = s.name == "photoshop-nothumb.psd";
        EXPECT_EQ(item.thumb.thumbReal, placeholder ? 0 : 1) << s.name << ": " << s.note;
        EXPECT_FALSE(item.thumb.thumbBits.isNull()) << s.name;
        EXPECT_LE(std::max(item.thumb.thumbWidth, item.thumb.thumbHeight), 120) << s.name;
        if ((s.thumbnail.length != 0 || !s.sidecar.empty()) && s.kind != samples::kKindPsd) {
            EXPECT_EQ(item.useEmbedded, 1) << s.name;
        }
    }
}

TEST_F(GeneratedSamples, PreviewsDecodeAtTheStoredSize) {
    for (const auto& s : *written_) {
        ImageItem item = scanned(s);
        int postedW = 0, postedH = 0;
        DecodeOutput full = DecodeForLoader(item, 0, CancelTest{}, [&](int w, int h) {
            postedW = w;
            postedH = h;
        });
        ASSERT_EQ(full.status, DecodeStatus::Decoded) << s.name;
        EXPECT_EQ(full.image.width(), s.width) << s.name;
        EXPECT_EQ(full.image.height(), s.height) << s.name;
        EXPECT_EQ(postedW, s.width) << s.name;
        EXPECT_EQ(postedH, s.height) << s.name;
        if (isJpegKind(item.kind)) {
            DecodeOutput mini = DecodeForLoader(item, 100, CancelTest{}, {});
            const int d = ChooseScaleDenominator(100, s.width, s.height);
            EXPECT_EQ(mini.image.width(), (s.width + d - 1) / d) << s.name;
        }
    }
}

// A box no larger than the stated thumbnail keeps the small picture (THMB,
// IFD1); a larger one takes the next larger embedded picture (PRVW, the
// IFD0 preview), decoded large enough for the box.
TEST_F(GeneratedSamples, LargerBoxesTakeTheLargerEmbeddedPicture) {
    const std::map<std::string, int> largeWidth = {{"canon.cr3", 1620}, {"sony.arw", 1616}};
    for (const auto& s : *written_) {
        const auto large = largeWidth.find(s.name);
        if (large == largeWidth.end())
            continue;
        SCOPED_TRACE(s.name);
        ImageItem item = scanned(s);
        ASSERT_EQ(item.thumbStatedWidth, 160u);
        ASSERT_NE(item.largeThumbLength, 0u);
        DecodeThumbnail(item, ThumbnailBox{160, 120, true});
        EXPECT_EQ(item.thumb.preimageWidth(), 160);
        DecodeThumbnail(item, ThumbnailBox{320, 240, true});
        ASSERT_EQ(item.thumb.thumbReal, 1);
        EXPECT_GE(item.thumb.preimageWidth(), 320);
        EXPECT_LT(item.thumb.preimageWidth(), large->second);
        EXPECT_EQ(std::max(item.thumb.thumbWidth, item.thumb.thumbHeight), 320);
        // A damaged large picture falls back to the small one.
        ImageItem broken = item;
        broken.largeThumbOffset = broken.thumbOffset + 1;
        DecodeThumbnail(broken, ThumbnailBox{320, 240, true});
        EXPECT_EQ(broken.thumb.thumbReal, 1);
        EXPECT_EQ(broken.thumb.preimageWidth(), 160);
    }
}

TEST_F(GeneratedSamples, TurnedThumbnailsMatchTheUprightPicture) {
    for (int o : {3, 6, 8}) {
        // The same picture as the folder's orientation sample, stored upright.
        samples::CameraJpegOptions opt;
        opt.width = o % 2 ? 640 : 480;
        opt.height = o % 2 ? 480 : 640;
        opt.subtitle = "ORIENTATION " + std::to_string(o);
        opt.seed = 10 + static_cast<unsigned>(o);
        opt.camera = samples::canonCamera();
        opt.camera.makerNote = samples::MakerNoteKind::None;
        opt.camera.orientation = 1;
        const std::string uprightPath = dir_->file("upright-" + std::to_string(o) + ".jpg");
        samples::writeCameraJpeg(uprightPath, opt);
        ImageItem upright = ImageItem::FromPath(uprightPath, ImageKind::Jpeg);
        ScanItemInfo(upright);
        DecodeThumbnail(upright, ThumbnailBox{120, 90, true});

        ImageItem turned = ImageItem::FromPath(
            dir_->file("demo/orientation-" + std::to_string(o) + ".jpg"), ImageKind::Jpeg);
        ScanItemInfo(turned);
        ASSERT_EQ(turned.imageInfo.orientation.value_or(0), o);
        for (int embedded : {1, 0}) { // from the EXIF thumbnail, then from the whole file
            ImageItem a = upright, b = turned;
            a.useEmbedded = b.useEmbedded = embedded;
            DecodeThumbnail(a, ThumbnailBox{120, 90, true});
            DecodeThumbnail(b, ThumbnailBox{120, 90, true});
            const DibImage& t = b.thumb.thumbBits;
            const DibImage& ref = a.thumb.thumbBits;
            ASSERT_EQ(t.width(), ref.width()) << o << " embedded " << embedded;
            ASSERT_EQ(t.height(), ref.height()) << o << " embedded " << embedded;
            EXPECT_EQ(t.width(), o % 2 ? 120 : 90);
            long diff = 0;
            for (int y = 0; y < t.height(); ++y)
                for (int x = 0; x < t.width() * 3; ++x)
                    diff += std::abs(t.scanLine(y)[x] - ref.scanLine(y)[x]);
            EXPECT_LT(diff / (t.width() * t.height() * 3), 6) << o << " embedded " << embedded;
        }
    }
}

} // namespace
} // namespace lumora
