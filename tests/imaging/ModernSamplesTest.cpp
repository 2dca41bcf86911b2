// HEIF, AVIF, PNG, WebP and JPEG XL files through the scan, the thumbnail
// and the viewer's decode, against exiftool's readings of the shared real
// files (expected/modern/*.json): model, shooting date, exposure, F-number,
// ISO, focal length, orientation and the picture's size; phone pictures
// stored sideways come out upright, turned once.
#include "DecoderTestUtil.h"
#include "MiniJson.h"

#include "engine/ImageItemList.h"
#include "imaging/ImageLoader.h"
#include "imaging/ThumbnailDecoder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>

namespace lumora {
namespace {

namespace fs = std::filesystem;
using lumora::testing::JsonReader;
using lumora::testing::JsonValue;

const JsonValue* valueOf(const JsonValue& root, const std::string& key) {
    const JsonValue* found = nullptr;
    for (std::size_t n = 0; n < root.keys.size(); ++n)
        if (root.keys[n] == key)
            found = root.values[n].Find("val");
    return found;
}

std::optional<double> num(const JsonValue* v) {
    if (!v)
        return std::nullopt;
    if (v->type == JsonValue::Type::Number)
        return v->number;
    return std::nullopt;
}

std::optional<std::string> str(const JsonValue* v) {
    if (!v || v->type != JsonValue::Type::String)
        return std::nullopt;
    return v->text;
}

JsonValue loadDump(const std::string& name) {
    std::ifstream in(test::samples() + "/expected/modern/" + name + ".json");
    std::stringstream s;
    s << in.rdbuf();
    JsonValue all;
    EXPECT_TRUE(JsonReader(s.str()).Parse(all)) << name;
    return all.items.empty() ? JsonValue{} : all.items.front();
}

// Mean brightness of one band of a picture: rows [top, bottom) in tenths.
double bandLevel(const DibImage& image, int firstTenth, int lastTenth) {
    double sum = 0;
    int n = 0;
    for (int y = image.height() * firstTenth / 10; y < image.height() * lastTenth / 10; ++y) {
        const uint8_t* row = image.scanLine(y);
        for (int x = 0; x < image.width() * 3; ++x, ++n)
            sum += row[x];
    }
    return n ? sum / n : 0;
}

class ModernSamples : public ::testing::Test {
protected:
    void SetUp() override {
        if (!fs::is_directory(test::samples() + "/modern"))
            GTEST_SKIP() << "no shared samples";
    }
};

TEST_F(ModernSamples, ScanAgreesWithExiftool) {
    const char* files[] = {
        "immich-IMG_2682.heic",
        "immich-samsung-one-ui-6.heic",
        "exiftool-QuickTime.heic",
        "immich-8bit-sRGB.avif",
        "immich-10bit-HDR-P3-nclx.avif",
        "immich-density_plot.png",
        "exiftool-PNG.png",
        "immich-denali.webp",
        "exiftool-RIFF.webp",
        "immich-8bit-sRGB.jxl",
    };
    for (const char* name : files) {
        SCOPED_TRACE(name);
        const std::string path = test::samples() + "/modern/" + name;
        const ImageKind kind = kindFromExtension(name);
        ASSERT_TRUE(isModernPictureKind(kind));
        ASSERT_TRUE(kindHasExif(kind));
        ImageItem item = ImageItem::FromPath(path, kind);
        EXPECT_EQ(item.exifScanned, 0);
        ScanItemInfo(item);
        ASSERT_EQ(item.exifScanned, 1);
        const JsonValue d = loadDump(name);
        const ImageInfo& i = item.imageInfo;
        const ShootingInfo& s = item.shootingInfo;

        const auto model = str(valueOf(d, "IFD0:Model"));
        ASSERT_EQ(i.model.has_value(), model.has_value());
        if (model) {
            EXPECT_EQ(*i.model, *model);
        }
        const auto original = str(valueOf(d, "ExifIFD:DateTimeOriginal"));
        ASSERT_EQ(i.shootingDateTime.has_value(), original.has_value());
        if (original) {
            EXPECT_EQ(*i.shootingDateTime, *original);
        }
        const auto orientation = num(valueOf(d, "IFD0:Orientation"));
        ASSERT_EQ(i.orientation.has_value(), orientation.has_value());
        if (orientation) {
            EXPECT_EQ(*i.orientation, *orientation);
        }
        const auto exposure = num(valueOf(d, "ExifIFD:ExposureTime"));
        ASSERT_EQ(s.shutterSpeed.has_value(), exposure.has_value());
        if (exposure) {
            EXPECT_NEAR(*s.shutterSpeed, 1.0 / *exposure, 1e-3 / *exposure);
        }
        const auto f = num(valueOf(d, "ExifIFD:FNumber"));
        ASSERT_EQ(s.fNumber.has_value(), f.has_value());
        if (f) {
            EXPECT_NEAR(*s.fNumber, *f, 1e-4);
        }
        const auto iso = num(valueOf(d, "ExifIFD:ISO"));
        ASSERT_EQ(s.iso.has_value(), iso.has_value());
        if (iso) {
            EXPECT_EQ(*s.iso, *iso);
        }
        const auto focal = num(valueOf(d, "ExifIFD:FocalLength"));
        ASSERT_EQ(s.focalLength.has_value(), focal.has_value());
        if (focal) {
            EXPECT_NEAR(*s.focalLength, *focal, 1e-4);
        }

        // The picture's size: exiftool gives HEIF's stored size, before the
        // container's quarter turn, which we show turned.
        auto w = num(valueOf(d, "File:ImageWidth"));
        auto h = num(valueOf(d, "File:ImageHeight"));
        if (!w) {
            for (const char* group : {"PNG", "RIFF"}) {
                if (!w)
                    w = num(valueOf(d, std::string(group) + ":ImageWidth")),
                    h = num(valueOf(d, std::string(group) + ":ImageHeight"));
            }
        }
        ASSERT_TRUE(w && h);
        const auto rotation = num(valueOf(d, "QuickTime:Rotation"));
        if (rotation && (*rotation == 90 || *rotation == 270))
            std::swap(w, h);
        EXPECT_EQ(i.width, static_cast<uint32_t>(*w));
        EXPECT_EQ(i.height, static_cast<uint32_t>(*h));
        // No embedded JPEG: the thumbnail is made from the picture, through
        // the shared cache and the decode pool.
        EXPECT_EQ(item.useEmbedded, 0);
        EXPECT_EQ(item.thumbOffset, 0u);
        EXPECT_EQ(item.previewLength, 0u);
    }
}

TEST_F(ModernSamples, PhonePicturesShowUprightAndTurnedOnce) {
    // Samsung stores the picture 4000 x 3000 with irot and EXIF orientation 6;
    // the iPhone one is stored upright (orientation 1).
    struct Case {
        const char* name;
        int width, height;
    } cases[] = {{"immich-samsung-one-ui-6.heic", 3000, 4000},
                 {"immich-IMG_2682.heic", 4032, 3024}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ImageItem item =
            ImageItem::FromPath(test::samples() + "/modern/" + c.name, ImageKind::Heif);
        ScanItemInfo(item);
        // The decoder turned it already: the viewer and the mini preview add nothing.
        EXPECT_EQ(AutoRotationTurns(item), 0);
        EXPECT_FALSE(isJpegKind(item.kind));
        DecodeOutput full = DecodeForLoader(item, 0, CancelTest{}, {});
        ASSERT_TRUE(full.ok());
        EXPECT_EQ(full.image.width(), c.width);
        EXPECT_EQ(full.image.height(), c.height);
        EXPECT_EQ(full.sourceWidth, c.width);

        DecodeThumbnail(item, ThumbnailBox{160, 120, true});
        ASSERT_EQ(item.thumb.thumbReal, 1);
        const bool portrait = c.height > c.width;
        EXPECT_EQ(item.thumb.thumbHeight > item.thumb.thumbWidth, portrait);
        EXPECT_EQ(std::max(item.thumb.thumbWidth, item.thumb.thumbHeight), 160);
        // The thumbnail agrees with the full picture: top and bottom bands of
        // the same brightness order.
        const DibImage& t = item.thumb.thumbBits;
        EXPECT_EQ(bandLevel(t, 0, 3) > bandLevel(t, 7, 10),
                  bandLevel(full.image, 0, 3) > bandLevel(full.image, 7, 10));
    }
}

TEST_F(ModernSamples, ThumbnailsAndMiniPreviewsOfEveryKind) {
    for (const char* name : {"immich-8bit-sRGB.avif", "immich-density_plot.png",
                             "immich-denali.webp", "immich-8bit-sRGB.jxl", "exiftool-PNG.png"}) {
        SCOPED_TRACE(name);
        ImageItem item =
            ImageItem::FromPath(test::samples() + "/modern/" + name, kindFromExtension(name));
        ScanItemInfo(item);
        DecodeThumbnail(item, ThumbnailBox{160, 120, true});
        EXPECT_EQ(item.thumb.thumbReal, 1);
        // The pre-image is reduced, not the whole picture.
        EXPECT_LE(std::max(item.thumb.preimageBits.width(), item.thumb.preimageBits.height()), 160);
        DecodeOutput mini = DecodeForLoader(item, 200, CancelTest{}, {});
        ASSERT_TRUE(mini.ok());
        EXPECT_EQ(mini.sourceWidth, static_cast<int>(*item.imageInfo.width));
        EXPECT_GE(std::max(mini.image.width(), mini.image.height()),
                  std::min(200, static_cast<int>(
                                    std::max(*item.imageInfo.width, *item.imageInfo.height))));
    }
}

} // namespace
} // namespace lumora
