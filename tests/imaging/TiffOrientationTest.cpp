// TIFF files stored in any of the eight orientations, in several strips, in
// one strip or in tiles: the decode is the upright picture, at full size and
// subsampled for thumbnails. The reference is an upright picture and the
// raster each orientation stores for it, written by the library directly.
#include "DecoderTestUtil.h"

#include "imaging/TiffDecoder.h"
#include "samples/Canvas.h"

#include <gtest/gtest.h>

#include <tiffio.h>

namespace lumora {
namespace {

using samples::Canvas;
using samples::Rgb;
using test::ScratchDir;

// Every pixel different from its neighbours and from its mirror images.
Canvas uprightPicture(int w, int h) {
    Canvas c(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            c.set(x, y,
                  {static_cast<uint8_t>(x * 5), static_cast<uint8_t>(y * 7),
                   static_cast<uint8_t>((x * 3 + y * 11) & 0xFF)});
    return c;
}

// rowsPerStrip 0: tiles of 16 x 16.
std::string writeStored(const ScratchDir& dir, const Canvas& stored, int orientation,
                        int rowsPerStrip) {
    const int w = stored.width(), h = stored.height();
    const std::string path =
        dir.file("o" + std::to_string(orientation) + "-" + std::to_string(rowsPerStrip) + ".tif");
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, w);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, h);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_ORIENTATION, orientation);
    const auto put = [&](int x, int y, uint8_t* rgb) {
        const Rgb p = x < w && y < h ? stored.at(x, y) : Rgb{};
        rgb[0] = p.r;
        rgb[1] = p.g;
        rgb[2] = p.b;
    };
    if (rowsPerStrip > 0) {
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, rowsPerStrip);
        std::vector<uint8_t> row(static_cast<std::size_t>(w) * 3);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x)
                put(x, y, &row[x * 3]);
            TIFFWriteScanline(tif, row.data(), y, 0);
        }
    } else {
        TIFFSetField(tif, TIFFTAG_TILEWIDTH, 16);
        TIFFSetField(tif, TIFFTAG_TILELENGTH, 16);
        std::vector<uint8_t> tile(16 * 16 * 3);
        for (int ty = 0; ty < h; ty += 16)
            for (int tx = 0; tx < w; tx += 16) {
                for (int y = 0; y < 16; ++y)
                    for (int x = 0; x < 16; ++x)
                        put(tx + x, ty + y, &tile[(y * 16 + x) * 3]);
                TIFFWriteTile(tif, tile.data(), tx, ty, 0, 0);
            }
    }
    TIFFClose(tif);
    return path;
}

::testing::AssertionResult equalsPicture(const DibImage& image, const Canvas& expected, int step) {
    const int w = expected.width() / step, h = expected.height() / step;
    if (image.width() != w || image.height() != h)
        return ::testing::AssertionFailure() << "size " << image.width() << "x" << image.height()
                                             << ", expected " << w << "x" << h;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const Rgb want = expected.at(x * step, y * step);
            const uint8_t* px = image.scanLine(y) + x * 3;
            if (px[2] != want.r || px[1] != want.g || px[0] != want.b)
                return ::testing::AssertionFailure() << "pixel " << x << "," << y << " differs";
        }
    return ::testing::AssertionSuccess();
}

TEST(TiffOrientation, EveryOrientationInStripsOrTilesDecodesUpright) {
    ScratchDir dir;
    const Canvas upright = uprightPicture(37, 29);
    for (int rowsPerStrip : {4, 5, 64, 0}) { // 64: one strip for the whole picture
        for (int o = 1; o <= 8; ++o) {
            SCOPED_TRACE("orientation " + std::to_string(o) + ", rows per strip " +
                         std::to_string(rowsPerStrip));
            const std::string path =
                writeStored(dir, upright.storedForOrientation(o), o, rowsPerStrip);
            int reportedW = 0, reportedH = 0;
            TiffOptions options;
            options.onSize = [&](int w, int h) {
                reportedW = w;
                reportedH = h;
            };
            const DecodeOutput out = CTiffDecoder::Decode(path, options);
            ASSERT_TRUE(out.ok());
            EXPECT_TRUE(equalsPicture(out.image, upright, 1));
            // The size told ahead is the upright one too.
            EXPECT_EQ(reportedW, 37);
            EXPECT_EQ(reportedH, 29);
            EXPECT_EQ(out.sourceWidth, 37);
            EXPECT_EQ(out.sourceHeight, 29);
        }
    }
}

TEST(TiffOrientation, QuarterTurnsAndTranspositionsOfASmallRaster) {
    // Stored 2 wide and 3 high, row by row: A B / C D / E F. What each
    // transposing orientation shows, written out by hand.
    const Rgb A{10, 0, 0}, B{20, 0, 0}, C{30, 0, 0}, D{40, 0, 0}, E{50, 0, 0}, F{60, 0, 0};
    Canvas stored(2, 3);
    const Rgb rows[3][2] = {{A, B}, {C, D}, {E, F}};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 2; ++x)
            stored.set(x, y, rows[y][x]);
    struct Case {
        int orientation;
        Rgb top[3], bottom[3];
    };
    const Case cases[] = {
        {5, {A, C, E}, {B, D, F}}, // transposed
        {6, {E, C, A}, {F, D, B}}, // a quarter turn clockwise
        {7, {F, D, B}, {E, C, A}}, // transposed the other way
        {8, {B, D, F}, {A, C, E}}, // a quarter turn counter-clockwise
    };
    ScratchDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE("orientation " + std::to_string(c.orientation));
        for (int rowsPerStrip : {1, 3}) {
            const DecodeOutput out = CTiffDecoder::Decode(
                writeStored(dir, stored, c.orientation, rowsPerStrip), TiffOptions{});
            ASSERT_TRUE(out.ok());
            Canvas expected(3, 2);
            for (int x = 0; x < 3; ++x) {
                expected.set(x, 0, c.top[x]);
                expected.set(x, 1, c.bottom[x]);
            }
            EXPECT_TRUE(equalsPicture(out.image, expected, 1));
        }
    }
}

TEST(TiffOrientation, SubsampledThumbnailsKeepEveryDthUprightPixel) {
    ScratchDir dir;
    // 160 x 4 < 700: every 4th pixel of the upright picture, 175 x 75.
    const Canvas upright = uprightPicture(700, 301);
    for (int o = 1; o <= 8; ++o) {
        for (int rowsPerStrip : {16, 0}) {
            SCOPED_TRACE("orientation " + std::to_string(o) + ", rows per strip " +
                         std::to_string(rowsPerStrip));
            const std::string path =
                writeStored(dir, upright.storedForOrientation(o), o, rowsPerStrip);
            TiffOptions options;
            options.subsampleTarget = 160;
            const DecodeOutput out = CTiffDecoder::Decode(path, options);
            ASSERT_TRUE(out.ok());
            EXPECT_TRUE(equalsPicture(out.image, upright, 4));
        }
    }
}

TEST(TiffOrientation, UprightOrientationsMatchTheLibrarysWholePictureRead) {
    // For the orientations that need no transposing, the library's own read
    // of the whole picture is a second reference.
    ScratchDir dir;
    const Canvas upright = uprightPicture(37, 29);
    for (int o = 1; o <= 4; ++o) {
        SCOPED_TRACE("orientation " + std::to_string(o));
        const std::string path = writeStored(dir, upright.storedForOrientation(o), o, 5);
        std::vector<uint32_t> raster(37 * 29);
        TIFF* tif = TIFFOpen(path.c_str(), "r");
        ASSERT_TRUE(tif);
        ASSERT_TRUE(TIFFReadRGBAImageOriented(tif, 37, 29, raster.data(), ORIENTATION_TOPLEFT, 0));
        TIFFClose(tif);
        Canvas whole(37, 29);
        for (int y = 0; y < 29; ++y)
            for (int x = 0; x < 37; ++x) {
                const uint32_t p = raster[static_cast<std::size_t>(y) * 37 + x];
                whole.set(x, y,
                          {static_cast<uint8_t>(TIFFGetR(p)), static_cast<uint8_t>(TIFFGetG(p)),
                           static_cast<uint8_t>(TIFFGetB(p))});
            }
        const DecodeOutput out = CTiffDecoder::Decode(path, TiffOptions{});
        ASSERT_TRUE(out.ok());
        EXPECT_TRUE(equalsPicture(out.image, whole, 1));
    }
}

} // namespace
} // namespace lumora
