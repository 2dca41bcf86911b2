#include "DecoderTestUtil.h"

#include "imaging/JpegDecoder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

namespace lumora {
namespace {

using test::encodeJpeg;
using test::ScratchDir;

DecodeOutput decodeFile(const std::string& path, int target = 0) {
    JpegOptions options;
    options.scaleTarget = target;
    return CJpegDecoder::Decode(JpegSource{path}, options);
}

TEST(JpegScaleRule, MiniPreviewAndThumbnailEdgeCases) {
    EXPECT_EQ(ChooseScaleDenominator(400, 4000, 3000), 8); // 400 x 8 < 4000
    EXPECT_EQ(ChooseScaleDenominator(600, 4000, 3000), 4); // 4800 not below, 2400 is
    EXPECT_EQ(ChooseScaleDenominator(500, 4000, 3000), 4); // 4000 is not below 4000
    EXPECT_EQ(ChooseScaleDenominator(160, 640, 480), 2);
    EXPECT_EQ(ChooseScaleDenominator(160, 1280, 960), 4);
    EXPECT_EQ(ChooseScaleDenominator(160, 1281, 960), 8);
    EXPECT_EQ(ChooseScaleDenominator(160, 160, 120), 1);
    EXPECT_EQ(ChooseScaleDenominator(160, 120, 321), 2); // the longer side counts
    EXPECT_EQ(ChooseScaleDenominator(0, 6000, 4000), 1); // full size
}

TEST(JpegDecoder, ScaledOutputSizesFollowTheRule) {
    ScratchDir dir;
    struct Case {
        int w, h, target, outW, outH;
    } cases[] = {{640, 480, 160, 320, 240},    {1280, 960, 160, 320, 240},
                 {160, 120, 160, 160, 120},    {4000, 3000, 400, 500, 375},
                 {4000, 3000, 600, 1000, 750}, {1001, 37, 160, 251, 10}}; // partial blocks round up
    for (const Case& c : cases) {
        const auto path = dir.write("s.jpg", encodeJpeg(c.w, c.h, 3, test::pattern, 60));
        DecodeOutput out = decodeFile(path, c.target);
        ASSERT_EQ(out.status, DecodeStatus::Decoded) << c.w << "x" << c.h;
        EXPECT_EQ(out.image.width(), c.outW) << c.w << "x" << c.h << " for " << c.target;
        EXPECT_EQ(out.image.height(), c.outH) << c.w << "x" << c.h << " for " << c.target;
        EXPECT_EQ(out.sourceWidth, c.w);
        EXPECT_EQ(out.sourceHeight, c.h);
    }
}

void expectSameAsDjpeg(const std::string& path, int target, const std::string& scale) {
    int w = 0, h = 0;
    const std::vector<uint8_t> ref = test::djpegBmp(path, scale, w, h);
    ASSERT_FALSE(ref.empty()) << path;
    DecodeOutput out = decodeFile(path, target);
    ASSERT_EQ(out.status, DecodeStatus::Decoded) << path;
    ASSERT_EQ(out.image.width(), w) << path;
    ASSERT_EQ(out.image.height(), h) << path;
    ASSERT_EQ(out.image.byteSize(), ref.size()) << path;
    EXPECT_EQ(std::memcmp(out.image.bits(), ref.data(), ref.size()), 0) << path << " " << scale;
}

TEST(JpegDecoder, PixelsMatchAnIndependentDecode) {
    if (!test::haveDjpeg())
        GTEST_SKIP() << "djpeg is not installed";
    ScratchDir dir;
    // Odd widths exercise the row padding; grey exercises the expansion.
    const auto colour = dir.write("c.jpg", encodeJpeg(333, 201, 3));
    const auto grey = dir.write("g.jpg", encodeJpeg(250, 97, 1));
    for (const auto& p : {colour, grey}) {
        expectSameAsDjpeg(p, 0, "");
        expectSameAsDjpeg(p, 100, "1/2"); // 100 x 4 is not below 333, 100 x 2 is
    }
    expectSameAsDjpeg(colour, 10, "1/8");
    if (test::haveSamples()) {
        for (const char* name : {"camera-jpeg/Canon_40D.jpg", "orientation/landscape_6.jpg",
                                 "camera-jpeg/Reconyx_HC500_Hyperfire.jpg"}) {
            const std::string p = test::samples() + "/" + name;
            expectSameAsDjpeg(p, 0, "");
            expectSameAsDjpeg(p, 1, "1/8");
        }
    }
}

TEST(JpegDecoder, GreyScaleShowsGrey) {
    ScratchDir dir;
    const auto path = dir.write("g.jpg", encodeJpeg(64, 48, 1, [](int x, int, uint8_t* p) {
                                    p[0] = static_cast<uint8_t>(x * 4);
                                }));
    DecodeOutput out = decodeFile(path);
    ASSERT_TRUE(out.ok());
    for (int y = 0; y < 48; ++y) {
        const uint8_t* row = out.image.scanLine(y);
        for (int x = 0; x < 64; ++x) {
            EXPECT_EQ(row[x * 3], row[x * 3 + 1]);
            EXPECT_EQ(row[x * 3], row[x * 3 + 2]);
        }
        EXPECT_NEAR(row[60 * 3], 240, 3);
    }
}

TEST(JpegDecoder, CmykPicturesAreConvertedNotBlack) {
    ScratchDir dir;
    // Adobe-style inverted CMYK of pure red: no cyan ink, full magenta and
    // yellow, no black -> stored inverted as 255, 0, 0, 255.
    const auto path = dir.write("k.jpg", encodeJpeg(32, 16, 4, [](int, int, uint8_t* p) {
                                    p[0] = 255;
                                    p[1] = 0;
                                    p[2] = 0;
                                    p[3] = 255;
                                }));
    DecodeOutput out = decodeFile(path);
    ASSERT_TRUE(out.ok());
    const uint8_t* px = out.image.scanLine(8) + 16 * 3;
    EXPECT_LT(px[0], 10);  // blue
    EXPECT_LT(px[1], 10);  // green
    EXPECT_GT(px[2], 245); // red
}

TEST(JpegDecoder, TruncatedFileKeepsItsRowsAndFillsTheRest) {
    ScratchDir dir;
    std::vector<uint8_t> whole = encodeJpeg(256, 256, 3);
    const auto full = dir.write("full.jpg", whole);
    whole.resize(whole.size() / 2);
    const auto half = dir.write("half.jpg", whole);
    DecodeOutput ref = decodeFile(full);
    DecodeOutput out = decodeFile(half);
    ASSERT_EQ(out.status, DecodeStatus::Decoded);
    ASSERT_EQ(out.rowsDone, 256);
    ASSERT_EQ(out.image.width(), 256);
    // The first rows are intact.
    EXPECT_EQ(std::memcmp(out.image.scanLine(0), ref.image.scanLine(0), 256 * 3), 0);
    // The last row differs from the real picture: the library filled it.
    EXPECT_NE(std::memcmp(out.image.scanLine(255), ref.image.scanLine(255), 256 * 3), 0);
}

TEST(JpegDecoder, EmbeddedBlockWithDamagedStartOfImage) {
    ScratchDir dir;
    const std::vector<uint8_t> jpeg = encodeJpeg(120, 80, 3);
    auto container = [&](uint8_t first, uint8_t second) {
        std::vector<uint8_t> file(1000, 0x5A);
        std::vector<uint8_t> stream = jpeg;
        stream[0] = first;
        stream[1] = second;
        file.insert(file.end(), stream.begin(), stream.end());
        file.insert(file.end(), 300, 0x11);
        return file;
    };
    const auto mrw = dir.write("a.mrw", container(0x00, 0xD8));
    const auto erf = dir.write("a.erf", container(0x12, 0xD8));
    const uint64_t len = jpeg.size();

    DecodeOutput m = CJpegDecoder::Decode(JpegSource{mrw, 1000, len, 21}, {});
    EXPECT_TRUE(m.ok());
    EXPECT_EQ(m.image.width(), 120);
    EXPECT_EQ(m.bytesRead, len); // the block, read in one piece, and nothing else
    DecodeOutput e = CJpegDecoder::Decode(JpegSource{erf, 1000, len, 22}, {});
    EXPECT_TRUE(e.ok());
    // Without the patch the same blocks are not JPEG streams.
    EXPECT_EQ(CJpegDecoder::Decode(JpegSource{mrw, 1000, len, 17}, {}).status,
              DecodeStatus::Failed);
    EXPECT_EQ(CJpegDecoder::Decode(JpegSource{erf, 1000, len, 0}, {}).status, DecodeStatus::Failed);
}

TEST(JpegDecoder, UnreadableSourcesFailCleanly) {
    ScratchDir dir;
    const auto small = dir.write("x.raw", std::vector<uint8_t>(100, 0));
    EXPECT_EQ(decodeFile(dir.file("missing.jpg")).status, DecodeStatus::OpenFailed);
    // Blocks outside the file or overflowing are refused before reading: a
    // damaged file, which still ends the decode with a (failed) result.
    EXPECT_EQ(CJpegDecoder::Decode(JpegSource{small, 50, 51}, {}).status, DecodeStatus::Failed);
    EXPECT_EQ(CJpegDecoder::Decode(JpegSource{small, 101, 1}, {}).status, DecodeStatus::Failed);
    EXPECT_EQ(CJpegDecoder::Decode(JpegSource{small, 1, ~uint64_t(0)}, {}).status,
              DecodeStatus::Failed);
    EXPECT_EQ(CJpegDecoder::Decode(JpegSource{dir.file("missing.raw"), 1, 2}, {}).status,
              DecodeStatus::OpenFailed);
    EXPECT_EQ(CJpegDecoder::Decode(JpegSource{small, 10, 20}, {}).status, DecodeStatus::Failed);
    DecodeOutput garbage = decodeFile(small);
    EXPECT_EQ(garbage.status, DecodeStatus::Failed);
    EXPECT_TRUE(garbage.image.isNull());
    EXPECT_EQ(decodeFile(dir.write("empty.jpg", {})).status, DecodeStatus::Failed);
}

TEST(JpegDecoder, StaleRequestStopsWithinFiveRows) {
    ScratchDir dir;
    const auto path = dir.write("big.jpg", encodeJpeg(640, 480, 3, test::pattern, 50));
    RequestCounter counter;
    counter.Set(2);
    JpegOptions options;
    options.cancel = CancelTest{&counter, 1};
    int sizeCalls = 0;
    options.onSize = [&](int w, int h) {
        ++sizeCalls;
        EXPECT_EQ(w, 640);
        EXPECT_EQ(h, 480);
    };
    DecodeOutput out = CJpegDecoder::Decode(JpegSource{path}, options);
    EXPECT_EQ(out.status, DecodeStatus::Cancelled);
    EXPECT_EQ(out.rowsDone, 5);
    EXPECT_EQ(sizeCalls, 1);

    // A current request runs to the end.
    options.cancel = CancelTest{&counter, 2};
    out = CJpegDecoder::Decode(JpegSource{path}, options);
    EXPECT_EQ(out.status, DecodeStatus::Decoded);
    EXPECT_EQ(out.rowsDone, 480);
}

TEST(JpegDecoder, HostileHeadersAreRefusedWithoutHugeAllocations) {
    ScratchDir dir;
    std::vector<uint8_t> jpeg = encodeJpeg(16, 16, 3);
    // Patch the frame header to claim 65000 x 65000.
    for (std::size_t i = 0; i + 8 < jpeg.size(); ++i) {
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {
            jpeg[i + 5] = 0xFD;
            jpeg[i + 6] = 0xE8;
            jpeg[i + 7] = 0xFD;
            jpeg[i + 8] = 0xE8;
            break;
        }
    }
    const auto path = dir.write("huge.jpg", jpeg);
    DecodeOutput out = decodeFile(path);
    EXPECT_EQ(out.status, DecodeStatus::Failed);
    EXPECT_EQ(out.sourceWidth, 65000);
    EXPECT_TRUE(out.image.isNull());
}

} // namespace
} // namespace lumora
