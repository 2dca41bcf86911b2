// TIFF files stored in any of the eight orientations, in several strips or
// tiles: the decode equals one read of the whole picture by the library
// (bottom-up files flipped as a whole, not band by band), at full size and
// subsampled for thumbnails.
#include "DecoderTestUtil.h"

#include "imaging/TiffDecoder.h"

#include <gtest/gtest.h>

#include <tiffio.h>

namespace lumora {
namespace {

using test::ScratchDir;

void stored(int x, int y, uint8_t* rgb) {
    rgb[0] = static_cast<uint8_t>(x * 5);
    rgb[1] = static_cast<uint8_t>(y * 7);
    rgb[2] = static_cast<uint8_t>((x * 3 + y * 11) & 0xFF);
}

// rowsPerStrip 0: tiles of 16 x 16.
std::string writeOriented(const ScratchDir& dir, int w, int h, int orientation, int rowsPerStrip) {
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
    if (rowsPerStrip > 0) {
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, rowsPerStrip);
        std::vector<uint8_t> row(static_cast<std::size_t>(w) * 3);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x)
                stored(x, y, &row[x * 3]);
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
                        stored(tx + x, ty + y, &tile[(y * 16 + x) * 3]);
                TIFFWriteTile(tif, tile.data(), tx, ty, 0, 0);
            }
    }
    TIFFClose(tif);
    return path;
}

// Where the library's whole-picture read puts stored pixels: bottom-origin
// orientations flip the rows, right-origin ones the columns.
bool flipsRows(int o) {
    return o == 3 || o == 4 || o == 7 || o == 8;
}
bool flipsColumns(int o) {
    return o == 2 || o == 3 || o == 6 || o == 7;
}

// The library's own whole-picture read, top row first.
std::vector<uint32_t> wholeRead(const std::string& path, int w, int h) {
    std::vector<uint32_t> raster(static_cast<std::size_t>(w) * h);
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    if (!tif)
        return {};
    const int ok = TIFFReadRGBAImageOriented(tif, w, h, raster.data(), ORIENTATION_TOPLEFT, 0);
    TIFFClose(tif);
    return ok ? raster : std::vector<uint32_t>{};
}

TEST(TiffOrientation, EveryOrientationOfManyStripsDecodesAsOnePicture) {
    ScratchDir dir;
    const int w = 37, h = 29;
    for (int rowsPerStrip : {4, 5, 0}) {
        for (int o = 1; o <= 8; ++o) {
            SCOPED_TRACE("orientation " + std::to_string(o) + ", rows per strip " +
                         std::to_string(rowsPerStrip));
            const std::string path = writeOriented(dir, w, h, o, rowsPerStrip);
            const DecodeOutput out = CTiffDecoder::Decode(path, TiffOptions{});
            ASSERT_TRUE(out.ok());
            ASSERT_EQ(out.image.width(), w);
            ASSERT_EQ(out.image.height(), h);
            const std::vector<uint32_t> whole = wholeRead(path, w, h);
            ASSERT_EQ(whole.size(), static_cast<std::size_t>(w) * h);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    uint8_t rgb[3];
                    stored(flipsColumns(o) ? w - 1 - x : x, flipsRows(o) ? h - 1 - y : y, rgb);
                    const uint8_t* px = out.image.scanLine(y) + x * 3;
                    ASSERT_EQ(px[2], rgb[0]) << x << "," << y;
                    ASSERT_EQ(px[1], rgb[1]) << x << "," << y;
                    ASSERT_EQ(px[0], rgb[2]) << x << "," << y;
                    const uint32_t p = whole[static_cast<std::size_t>(y) * w + x];
                    ASSERT_EQ(px[2], TIFFGetR(p)) << x << "," << y;
                    ASSERT_EQ(px[1], TIFFGetG(p)) << x << "," << y;
                    ASSERT_EQ(px[0], TIFFGetB(p)) << x << "," << y;
                }
        }
    }
}

TEST(TiffOrientation, SubsampledThumbnailsKeepEveryDthShownPixel) {
    ScratchDir dir;
    const int w = 700, h = 301; // 160 x 4 < 700: every 4th pixel, 175 x 75
    for (int o : {1, 3, 4, 6, 8}) {
        SCOPED_TRACE("orientation " + std::to_string(o));
        const std::string path = writeOriented(dir, w, h, o, 16);
        TiffOptions options;
        options.subsampleTarget = 160;
        const DecodeOutput out = CTiffDecoder::Decode(path, options);
        ASSERT_TRUE(out.ok());
        ASSERT_EQ(out.image.width(), 175);
        ASSERT_EQ(out.image.height(), 75);
        for (int y = 0; y < out.image.height(); ++y)
            for (int x = 0; x < out.image.width(); ++x) {
                const int sx = x * 4, sy = y * 4; // shown position
                uint8_t rgb[3];
                stored(flipsColumns(o) ? w - 1 - sx : sx, flipsRows(o) ? h - 1 - sy : sy, rgb);
                const uint8_t* px = out.image.scanLine(y) + x * 3;
                ASSERT_EQ(px[2], rgb[0]) << x << "," << y;
                ASSERT_EQ(px[1], rgb[1]) << x << "," << y;
                ASSERT_EQ(px[0], rgb[2]) << x << "," << y;
            }
    }
}

} // namespace
} // namespace lumora
