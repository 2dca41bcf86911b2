// The size limits a caller can give the decoders (the fuzz targets bound
// their pictures with them): a picture at the limit decodes as without one,
// one pixel more is refused before its pixels are read, and the defaults
// leave today's behaviour alone.
#include "DecoderTestUtil.h"

#include "imaging/ImageItem.h"
#include "imaging/JpegDecoder.h"
#include "imaging/PictureDecoder.h"
#include "imaging/PsdReader.h"
#include "imaging/ThumbnailDecoder.h"
#include "imaging/TiffDecoder.h"
#include "samples/SampleGen.h"

#include <gtest/gtest.h>

#include <cstring>

namespace lumora {
namespace {

using namespace test;
using namespace samples;

bool samePixels(const DibImage& a, const DibImage& b) {
    return a.width() == b.width() && a.height() == b.height() &&
           std::memcmp(a.bits(), b.bits(), a.byteSize()) == 0;
}

TEST(DecodeLimits, JpegAtItsLimitDecodesAndOnePixelMoreIsRefused) {
    ScratchDir dir;
    const std::string path = dir.write("a.jpg", encodeJpeg(64, 48, 3));
    const DecodeOutput plain = CJpegDecoder::Decode(JpegSource{path}, JpegOptions{});
    ASSERT_TRUE(plain.ok());

    JpegOptions options;
    options.maxSourcePixels = 64 * 48;
    const DecodeOutput atLimit = CJpegDecoder::Decode(JpegSource{path}, options);
    ASSERT_TRUE(atLimit.ok());
    EXPECT_TRUE(samePixels(atLimit.image, plain.image));

    options.maxSourcePixels = 64 * 48 - 1;
    int reported = 0;
    options.onSize = [&](int, int) { ++reported; };
    const DecodeOutput over = CJpegDecoder::Decode(JpegSource{path}, options);
    EXPECT_EQ(over.status, DecodeStatus::Failed);
    EXPECT_TRUE(over.image.isNull());
    EXPECT_EQ(over.sourceWidth, 64); // the header was read
    EXPECT_EQ(reported, 0);          // but no decode was started
}

TEST(DecodeLimits, TiffPixelAndAllocationLimits) {
    ScratchDir dir;
    const std::string folder = dir.file("");
    const WrittenSample sample = writeTiff(folder, "a.tif", true); // RGB strips of 32 rows
    const std::string path = folder + "a.tif";
    const DecodeOutput plain = CTiffDecoder::Decode(path, TiffOptions{});
    ASSERT_TRUE(plain.ok());
    const int64_t pixels = int64_t(sample.width) * sample.height;

    TiffOptions options;
    options.maxSourcePixels = pixels;
    const DecodeOutput atLimit = CTiffDecoder::Decode(path, options);
    ASSERT_TRUE(atLimit.ok());
    EXPECT_TRUE(samePixels(atLimit.image, plain.image));

    options.maxSourcePixels = pixels - 1;
    const DecodeOutput over = CTiffDecoder::Decode(path, options);
    EXPECT_EQ(over.status, DecodeStatus::Failed);
    EXPECT_TRUE(over.image.isNull());
    EXPECT_EQ(over.sourceWidth, sample.width);

    // A library allocation bound above every buffer this file needs changes
    // nothing; one below a strip's size keeps the strips from being read.
    TiffOptions roomy;
    roomy.maxLibraryAllocation = 16u << 20;
    const DecodeOutput bounded = CTiffDecoder::Decode(path, roomy);
    ASSERT_TRUE(bounded.ok());
    EXPECT_TRUE(samePixels(bounded.image, plain.image));
    TiffOptions tight;
    tight.maxLibraryAllocation = 1024;
    const DecodeOutput starved = CTiffDecoder::Decode(path, tight);
    EXPECT_FALSE(starved.ok() && samePixels(starved.image, plain.image));
}

TEST(DecodeLimits, PictureAndLayeredImageLimits) {
    ScratchDir dir;
    const std::string folder = dir.file("");
    const WrittenSample bmp = writeBmp(folder, "a.bmp");
    const WrittenSample gif = writeGif(folder, "b.gif");
    for (const WrittenSample& s : {bmp, gif}) {
        const std::string path = folder + s.name;
        PictureOptions options;
        options.maxPixels = int64_t(s.width) * s.height;
        EXPECT_TRUE(CPictureDecoder::Decode(path, options).ok()) << s.name;
        options.maxPixels -= 1;
        const DecodeOutput over = CPictureDecoder::Decode(path, options);
        EXPECT_EQ(over.status, DecodeStatus::Failed) << s.name;
        EXPECT_TRUE(over.image.isNull()) << s.name;
        // A limit under a MiB of pixels still lets a small picture through
        // (the reader's own allocation limit is rounded up, never to zero).
        PictureOptions tiny;
        tiny.maxPixels = 1;
        EXPECT_FALSE(CPictureDecoder::Decode(path, tiny).ok()) << s.name;
    }

    const WrittenSample psd = writePsd(folder, "c.psd", 1, true);
    CPsdReader reader;
    ASSERT_TRUE(reader.Open(folder + psd.name));
    DibImage plain, atLimit, over;
    ASSERT_TRUE(reader.ReadComposite(plain));
    ASSERT_TRUE(reader.ReadComposite(atLimit, int64_t(psd.width) * psd.height));
    EXPECT_TRUE(samePixels(atLimit, plain));
    EXPECT_FALSE(reader.ReadComposite(over, int64_t(psd.width) * psd.height - 1));
    EXPECT_TRUE(over.isNull());
}

TEST(DecodeLimits, LayeredImageClaimingTheLargestSidesIsRefusedCleanly) {
    // Width and height near 2^32 each: their product does not fit a signed
    // 64-bit number, and the sanitizer tree turns such an overflow into a
    // failure. Found by fuzz-psd.
    std::vector<uint8_t> f = {'8', 'B', 'P', 'S', 0, 1, 0, 0, 0, 0, 0, 0, 0, 3,
                              0xFF, 0xFF, 0xF7, 0x09, 0xFF, 0xFF, 0xFF, 0xF9, 0, 8, 0, 3};
    f.insert(f.end(), 12, 0); // empty colour data, resources and layers
    f.insert(f.end(), {0, 0});
    f.insert(f.end(), 64, 0x55);
    ScratchDir dir;
    CPsdReader reader;
    ASSERT_TRUE(reader.Open(dir.write("huge.psd", f)));
    EXPECT_EQ(reader.width, 0xFFFFFFF9u);
    DibImage out;
    EXPECT_FALSE(reader.ReadComposite(out));
    EXPECT_TRUE(out.isNull());
    EXPECT_FALSE(reader.ReadComposite(out, INT64_MAX));
}

TEST(DecodeLimits, ThumbnailBoxLimitReachesEveryWholeFileDecode) {
    ScratchDir dir;
    const std::string folder = dir.file("");
    const WrittenSample bmp = writeBmp(folder, "a.bmp");
    const WrittenSample tiff = writeTiff(folder, "b.tif", false);
    const std::string jpeg = dir.write("c.jpg", encodeJpeg(64, 48, 3));
    const std::pair<std::string, ImageKind> files[] = {{folder + bmp.name, ImageKind::Bmp},
                                                       {folder + tiff.name, ImageKind::Tiff},
                                                       {jpeg, ImageKind::Jpeg}};
    for (const auto& [path, kind] : files) {
        ImageItem free = ImageItem::FromPath(path, kind);
        DecodeThumbnail(free, ThumbnailBox{120, 90, true});
        EXPECT_TRUE(free.thumb.thumbReal) << path;

        ThumbnailBox box{120, 90, true};
        box.maxSourcePixels = 100;
        ImageItem bounded = ImageItem::FromPath(path, kind);
        DecodeThumbnail(bounded, box);
        EXPECT_FALSE(bounded.thumb.thumbReal) << path; // the placeholder card
        EXPECT_EQ(bounded.thumb.thumbBits.width(), 120) << path;
    }
}

} // namespace
} // namespace lumora
