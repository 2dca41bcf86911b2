#include "DecoderTestUtil.h"

#include "imaging/PictureDecoder.h"
#include "imaging/PsdReader.h"
#include "imaging/TiffDecoder.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QImageWriter>

#include <tiffio.h>

namespace lumora {
namespace {

using test::ScratchDir;

// Writes an RGB TIFF of the test pattern, strips of rowsPerStrip rows (or
// tiles of 16 x 16 when tiled).
std::string writeTiff(const ScratchDir& dir, const std::string& name, int w, int h,
                      int rowsPerStrip, bool tiled = false) {
    const std::string path = dir.file(name);
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, w);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, h);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    std::vector<uint8_t> row(static_cast<std::size_t>(w) * 3);
    if (!tiled) {
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, rowsPerStrip);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x)
                test::pattern(x, y, &row[x * 3]);
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
                        test::pattern(tx + x, ty + y, &tile[(y * 16 + x) * 3]);
                TIFFWriteTile(tif, tile.data(), tx, ty, 0, 0);
            }
    }
    TIFFClose(tif);
    return path;
}

void expectPattern(const DibImage& img, int step) {
    for (int y = 0; y < img.height(); y += 7)
        for (int x = 0; x < img.width(); x += 5) {
            uint8_t rgb[3];
            test::pattern(x * step, y * step, rgb);
            const uint8_t* px = img.scanLine(y) + x * 3;
            ASSERT_EQ(px[2], rgb[0]) << x << "," << y;
            ASSERT_EQ(px[1], rgb[1]) << x << "," << y;
            ASSERT_EQ(px[0], rgb[2]) << x << "," << y;
        }
}

TEST(TiffDecoder, StripsAndTilesGiveTheExactPixels) {
    ScratchDir dir;
    for (bool tiled : {false, true}) {
        const auto path = writeTiff(dir, "a.tif", 203, 99, 10, tiled);
        int sw = 0, sh = 0;
        TiffOptions options;
        options.onSize = [&](int w, int h) { sw = w, sh = h; };
        DecodeOutput out = CTiffDecoder::Decode(path, options);
        ASSERT_TRUE(out.ok()) << tiled;
        EXPECT_EQ(sw, 203);
        EXPECT_EQ(sh, 99);
        ASSERT_EQ(out.image.width(), 203);
        ASSERT_EQ(out.image.height(), 99);
        expectPattern(out.image, 1);
        // Padding bytes of the odd-width rows stay zero.
        EXPECT_EQ(out.image.memoryRow(3)[203 * 3], 0);
    }
}

TEST(TiffDecoder, ThumbnailsKeepEveryDthPixel) {
    ScratchDir dir;
    const auto path = writeTiff(dir, "b.tif", 700, 300, 16);
    TiffOptions options;
    options.subsampleTarget = 160; // 160 x 4 < 700 -> every 4th pixel
    DecodeOutput out = CTiffDecoder::Decode(path, options);
    ASSERT_TRUE(out.ok());
    EXPECT_EQ(out.image.width(), 175);
    EXPECT_EQ(out.image.height(), 75);
    expectPattern(out.image, 4);
}

TEST(TiffDecoder, StaleRequestStopsAndFailuresAreClean) {
    ScratchDir dir;
    const auto path = writeTiff(dir, "c.tif", 300, 200, 4);
    RequestCounter counter;
    counter.Set(9);
    TiffOptions options;
    options.cancel = CancelTest{&counter, 8};
    DecodeOutput out = CTiffDecoder::Decode(path, options);
    EXPECT_EQ(out.status, DecodeStatus::Cancelled);
    EXPECT_LE(out.rowsDone, 10);

    EXPECT_EQ(CTiffDecoder::Decode(dir.file("none.tif"), {}).status, DecodeStatus::OpenFailed);
    std::vector<uint8_t> bytes = test::readAll(path);
    bytes.resize(bytes.size() / 3); // strips past the end
    DecodeOutput cut = CTiffDecoder::Decode(dir.write("cut.tif", bytes), {});
    EXPECT_NE(cut.status, DecodeStatus::Cancelled);
}

// --- layered-image files -------------------------------------------------

struct Psd {
    std::vector<uint8_t> bytes;
    void u8(uint8_t v) { bytes.push_back(v); }
    void u16(uint16_t v) {
        u8(v >> 8);
        u8(v & 0xFF);
    }
    void u32(uint32_t v) {
        u16(v >> 16);
        u16(v & 0xFFFF);
    }
    void raw(const std::vector<uint8_t>& b) { bytes.insert(bytes.end(), b.begin(), b.end()); }
};

uint8_t psdValue(int channel, int x, int y) {
    return static_cast<uint8_t>(channel * 80 + x * 3 + y);
}

// width x height RGB, compression 0 or 1, optional JPEG thumbnail resource.
std::vector<uint8_t> makePsd(int w, int h, int compression, const std::vector<uint8_t>& thumb,
                             uint16_t depth = 8) {
    Psd p;
    p.raw({'8', 'B', 'P', 'S'});
    p.u16(1);
    for (int i = 0; i < 6; ++i)
        p.u8(0);
    p.u16(3);
    p.u32(h);
    p.u32(w);
    p.u16(depth);
    p.u16(3);
    p.u32(0); // colour-mode data
    Psd res;
    // An unrelated resource with an odd name and odd data length first.
    res.raw({'8', 'B', 'I', 'M'});
    res.u16(1005);
    res.u8(3);
    res.raw({'a', 'b', 'c'});
    res.u32(3);
    res.raw({1, 2, 3, 0});
    if (!thumb.empty()) {
        res.raw({'8', 'B', 'I', 'M'});
        res.u16(1036);
        res.u16(0); // empty name, padded
        res.u32(static_cast<uint32_t>(28 + thumb.size()));
        res.u32(1);
        res.u32(160);
        res.u32(120);
        res.u32(480);
        res.u32(160 * 120 * 3);
        res.u32(static_cast<uint32_t>(thumb.size()));
        res.u16(24);
        res.u16(1);
        res.raw(thumb);
        if (thumb.size() % 2)
            res.u8(0);
    }
    p.u32(static_cast<uint32_t>(res.bytes.size()));
    p.raw(res.bytes);
    p.u32(4); // layers: kept, not read
    p.u32(0xDEADBEEF);
    p.u16(static_cast<uint16_t>(compression));
    if (compression == 0) {
        for (int c = 0; c < 3; ++c)
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    p.u8(psdValue(c, x, y));
    } else {
        for (int i = 0; i < 3 * h; ++i)
            p.u16(0); // counts are skipped
        for (int c = 0; c < 3; ++c)
            for (int y = 0; y < h; ++y) {
                // A repeat of the first value three times, then literals.
                p.u8(static_cast<uint8_t>(-2));
                p.u8(psdValue(c, 0, y));
                for (int x = 3; x < w; x += 128) {
                    const int n = std::min(128, w - x);
                    p.u8(static_cast<uint8_t>(n - 1));
                    for (int k = 0; k < n; ++k)
                        p.u8(psdValue(c, x + k, y));
                }
            }
    }
    return p.bytes;
}

TEST(PsdReader, RawAndPackBitsComposites) {
    ScratchDir dir;
    for (int compression : {0, 1}) {
        const auto path = dir.write("a.psd", makePsd(131, 20, compression, {}));
        CPsdReader reader;
        ASSERT_TRUE(reader.Open(path));
        EXPECT_EQ(reader.width, 131u);
        EXPECT_EQ(reader.height, 20u);
        EXPECT_FALSE(reader.HasThumbnail());
        DibImage img;
        ASSERT_TRUE(reader.ReadComposite(img));
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 131; ++x) {
                const uint8_t* px = img.scanLine(y) + x * 3;
                const int sx = (compression == 1 && x < 3) ? 0 : x; // the repeat run
                ASSERT_EQ(px[2], psdValue(0, sx, y)) << compression << " " << x << "," << y;
                ASSERT_EQ(px[1], psdValue(1, sx, y));
                ASSERT_EQ(px[0], psdValue(2, sx, y));
            }
    }
}

TEST(PsdReader, ThumbnailResourceIsLocated) {
    ScratchDir dir;
    const std::vector<uint8_t> jpeg = test::encodeJpeg(160, 120, 3);
    const std::vector<uint8_t> file = makePsd(8, 8, 0, jpeg);
    const auto path = dir.write("t.psd", file);
    CPsdReader reader;
    ASSERT_TRUE(reader.Open(path));
    ASSERT_TRUE(reader.HasThumbnail());
    EXPECT_EQ(reader.thumbnailLength, jpeg.size());
    ASSERT_LE(reader.thumbnailOffset + reader.thumbnailLength, file.size());
    EXPECT_EQ(file[reader.thumbnailOffset], 0xFF);
    EXPECT_EQ(file[reader.thumbnailOffset + 1], 0xD8);
}

TEST(PsdReader, UnsupportedOrDamagedFilesStaySafe) {
    ScratchDir dir;
    // 16-bit data is not converted: a picture of zeros.
    CPsdReader reader;
    ASSERT_TRUE(reader.Open(dir.write("d.psd", makePsd(10, 10, 0, {}, 16))));
    DibImage img;
    ASSERT_TRUE(reader.ReadComposite(img));
    EXPECT_EQ(img.scanLine(5)[5 * 3 + 2], 0);

    // Every truncation of a valid file opens or fails, never reads past it.
    const std::vector<uint8_t> whole = makePsd(40, 30, 1, test::encodeJpeg(16, 16, 3));
    for (std::size_t cut = 0; cut < whole.size(); cut += 37) {
        std::vector<uint8_t> part(whole.begin(), whole.begin() + cut);
        CPsdReader r;
        if (r.Open(dir.write("cut.psd", part))) {
            DibImage pic;
            r.ReadComposite(pic);
            if (r.HasThumbnail()) {
                EXPECT_LE(r.thumbnailOffset + r.thumbnailLength, cut);
            }
        }
    }
    // A huge claimed size over a few bytes of data is refused, not allocated.
    std::vector<uint8_t> huge = makePsd(4, 4, 1, {});
    huge[14] = huge[18] = 0x00;
    huge[15] = huge[19] = 0x00;
    huge[16] = huge[20] = 0x75; // 30000 x 30000
    huge[17] = huge[21] = 0x30;
    CPsdReader h;
    ASSERT_TRUE(h.Open(dir.write("h.psd", huge)));
    EXPECT_EQ(h.width, 30000u);
    DibImage none;
    EXPECT_FALSE(h.ReadComposite(none));
    EXPECT_TRUE(none.isNull());
}

// --- pictures through the image readers ---------------------------------

std::string writeQt(const ScratchDir& dir, const std::string& name, const QImage& img,
                    const char* format) {
    const std::string path = dir.file(name);
    QImageWriter writer(QString::fromStdString(path), format);
    EXPECT_TRUE(writer.write(img)) << format << " " << writer.errorString().toStdString();
    return path;
}

QImage halfTransparent(int w, int h) {
    QImage img(w, h, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w / 2; ++x)
            img.setPixel(x, y, qRgba(255, 0, 0, 255));
    return img;
}

// A GIF89a whose left half is red and right half transparent (index 1). The
// image readers cannot write GIF, so the codes are packed by hand: 3-bit codes
// with a clear code before every pair keep the table from growing.
std::vector<uint8_t> halfTransparentGif(int w, int h) {
    std::vector<uint8_t> g = {'G', 'I', 'F', '8', '9', 'a'};
    auto u16 = [&](int v) {
        g.push_back(static_cast<uint8_t>(v & 0xFF));
        g.push_back(static_cast<uint8_t>(v >> 8));
    };
    u16(w);
    u16(h);
    g.insert(g.end(), {0x80, 0, 0}); // global table of 2 colours
    g.insert(g.end(), {255, 0, 0, 0, 0, 0});
    g.insert(g.end(), {0x21, 0xF9, 4, 0x01, 0, 0, 1, 0}); // transparent index 1
    g.push_back(0x2C);
    u16(0);
    u16(0);
    u16(w);
    u16(h);
    g.push_back(0);
    g.push_back(2); // minimum code size
    std::vector<uint8_t> data;
    uint32_t acc = 0;
    int bits = 0;
    auto code = [&](int c) {
        acc |= static_cast<uint32_t>(c) << bits;
        bits += 3;
        while (bits >= 8) {
            data.push_back(static_cast<uint8_t>(acc & 0xFF));
            acc >>= 8;
            bits -= 8;
        }
    };
    int n = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (n++ % 2 == 0)
                code(4);
            code(x < w / 2 ? 0 : 1);
        }
    code(5);
    if (bits)
        data.push_back(static_cast<uint8_t>(acc & 0xFF));
    for (std::size_t i = 0; i < data.size(); i += 255) {
        const std::size_t len = std::min<std::size_t>(255, data.size() - i);
        g.push_back(static_cast<uint8_t>(len));
        g.insert(g.end(), data.begin() + i, data.begin() + i + len);
    }
    g.push_back(0);
    g.push_back(0x3B);
    return g;
}

const uint8_t* pixel(const DibImage& img, int x, int y) {
    return img.scanLine(y) + x * 3;
}

TEST(PictureDecoder, BackgroundsFollowTheUser) {
    ScratchDir dir;
    const auto ico = writeQt(dir, "a.ico", halfTransparent(32, 32), "ico");
    // A cursor is the same container with type 2.
    std::vector<uint8_t> cur = test::readAll(ico);
    ASSERT_GT(cur.size(), 6u);
    cur[2] = 2;
    const auto curPath = dir.write("a.cur", cur);
    const auto gif = dir.write("a.gif", halfTransparentGif(20, 10));
    const auto bmp =
        writeQt(dir, "a.bmp", halfTransparent(7, 5).convertToFormat(QImage::Format_RGB32), "bmp");

    for (const auto& [path, kind] : {std::pair{ico, 260}, {curPath, 261}}) {
        DecodeOutput preview = CPictureDecoder::Decode(path, {});
        ASSERT_TRUE(preview.ok()) << path;
        EXPECT_EQ(preview.image.width(), 32);
        const uint8_t* clear = pixel(preview.image, 30, 3);
        EXPECT_EQ(clear[0] + clear[1] + clear[2], 0); // black behind the preview
        DecodeOutput thumb = CPictureDecoder::Decode(path, CPictureDecoder::ThumbnailOptions(kind));
        ASSERT_TRUE(thumb.ok());
        const uint8_t* key = pixel(thumb.image, 30, 3);
        EXPECT_EQ(key[0], 0);
        EXPECT_EQ(key[1], 1);
        EXPECT_EQ(key[2], 0);
        const uint8_t* red = pixel(thumb.image, 2, 3);
        EXPECT_EQ(red[2], 255);
    }
    DecodeOutput g = CPictureDecoder::Decode(gif, CPictureDecoder::ThumbnailOptions(259));
    ASSERT_TRUE(g.ok());
    EXPECT_EQ(g.image.width(), 20);
    const uint8_t* grey = pixel(g.image, 18, 8);
    EXPECT_EQ(grey[0], 192);
    EXPECT_EQ(grey[1], 192);
    EXPECT_EQ(grey[2], 192);

    int sw = 0, sh = 0;
    PictureOptions options;
    options.onSize = [&](int w, int h) { sw = w, sh = h; };
    DecodeOutput b = CPictureDecoder::Decode(bmp, options);
    ASSERT_TRUE(b.ok());
    EXPECT_EQ(sw, 7);
    EXPECT_EQ(sh, 5);
    EXPECT_EQ(pixel(b.image, 1, 4)[2], 255);

    EXPECT_EQ(CPictureDecoder::Decode(dir.file("none.bmp"), {}).status, DecodeStatus::OpenFailed);
    EXPECT_EQ(CPictureDecoder::Decode(dir.write("bad.gif", {'G', 'I', 'F', '8'}), {}).status,
              DecodeStatus::Failed);
}

TEST(PictureDecoder, SharedMiscSamplesDecode) {
    if (!test::haveSamples())
        GTEST_SKIP() << "no shared samples";
    const std::string misc = test::samples() + "/misc/";
    for (const char* name : {"exiftool-BMP.bmp", "exiftool-GIF.gif", "exiftool-ICO.ico"})
        EXPECT_TRUE(CPictureDecoder::Decode(misc + name, {}).ok()) << name;
    EXPECT_TRUE(CTiffDecoder::Decode(misc + "exiftool-ExifTool.tif", {}).ok());
    CPsdReader psd;
    ASSERT_TRUE(psd.Open(misc + "exiftool-Photoshop.psd"));
    DibImage img;
    EXPECT_TRUE(psd.ReadComposite(img));
}

} // namespace
} // namespace lumora
