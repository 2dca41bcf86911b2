// The picture glues (HEIF, PNG, WebP, JPEG XL) on files written here with
// the libraries' own encoders and on the shared real files: sizes, alpha,
// samples of more than 8 bits, the colour profile and the EXIF block handed
// back, and sizes refused before anything is allocated.
#include "formats/heif/HeifFile.h"
#include "formats/jxl/JxlFile.h"
#include "formats/picture/Picture.h"
#include "formats/png/PngFile.h"
#include "formats/webp/WebpFile.h"

#include <gtest/gtest.h>

#include <png.h>
#include <webp/encode.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using namespace lumora;
namespace fs = std::filesystem;

namespace {

const fs::path kSamples = LUMORA_SHARED_SAMPLES;

std::vector<std::uint8_t> readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// A small big-endian TIFF stream with one IFD0 entry (Orientation = 6).
std::vector<std::uint8_t> tinyTiff() {
    return {'M', 'M', 0, 42, 0, 0, 0, 8, 0, 1, 0x01, 0x12, 0, 3,
            0,   0,   0, 1,  0, 6, 0, 0, 0, 0, 0,    0,    0, 0};
}

// A display profile header without tags: enough for libpng's checks.
std::vector<std::uint8_t> fakeProfile() {
    std::vector<std::uint8_t> p(600);
    for (std::size_t i = 132; i < p.size(); ++i)
        p[i] = static_cast<std::uint8_t>(i * 7);
    p[2] = 600 >> 8, p[3] = 600 & 0xFF;
    std::memcpy(&p[8], "\x04\x30\0\0", 4);
    std::memcpy(&p[12], "mntrRGB XYZ ", 12);
    std::memcpy(&p[36], "acsp", 4);
    // The D50 illuminant: 0.9642, 1.0, 0.8249 as s15Fixed16.
    const std::uint8_t d50[12] = {0, 0, 0xF6, 0xD6, 0, 1, 0, 0, 0, 0, 0xD3, 0x2D};
    std::memcpy(&p[68], d50, 12);
    return p;
}

struct PngWrite {
    std::vector<std::uint8_t> bytes;
    static void write(png_structp png, png_bytep data, png_size_t n) {
        auto* self = static_cast<PngWrite*>(png_get_io_ptr(png));
        self->bytes.insert(self->bytes.end(), data, data + n);
    }
    static void flush(png_structp) {}
};

// A 16-bit RGBA PNG: left half opaque white, right half fully transparent
// black, with an eXIf chunk and an iCCP profile.
std::vector<std::uint8_t> makePng(int w, int h, bool withMetadata) {
    PngWrite out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(png, &out, &PngWrite::write, &PngWrite::flush);
    png_set_IHDR(png, info, w, h, 16, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    std::vector<std::uint8_t> exif = tinyTiff();
    std::vector<std::uint8_t> icc = fakeProfile();
    if (withMetadata) {
        png_set_eXIf_1(png, info, static_cast<png_uint_32>(exif.size()), exif.data());
        png_set_iCCP(png, info, "test", 0, icc.data(), static_cast<png_uint_32>(icc.size()));
    }
    png_write_info(png, info);
    std::vector<std::uint8_t> row(static_cast<std::size_t>(w) * 8);
    for (int x = 0; x < w; ++x) {
        const std::uint8_t v = x < w / 2 ? 0xFF : 0x00;
        std::memset(&row[x * 8], v, 8);
    }
    for (int y = 0; y < h; ++y)
        png_write_row(png, row.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out.bytes;
}

void put32le(std::vector<std::uint8_t>& v, std::uint32_t x) {
    for (int i = 0; i < 4; ++i)
        v.push_back(static_cast<std::uint8_t>(x >> (8 * i)));
}

void chunk(std::vector<std::uint8_t>& file, const char* type,
           const std::vector<std::uint8_t>& body) {
    file.insert(file.end(), type, type + 4);
    put32le(file, static_cast<std::uint32_t>(body.size()));
    file.insert(file.end(), body.begin(), body.end());
    if (body.size() & 1)
        file.push_back(0);
}

// A lossless WebP with alpha, put into an extended file with EXIF and ICCP.
std::vector<std::uint8_t> makeWebp(int w, int h) {
    std::vector<std::uint8_t> rgba(static_cast<std::size_t>(w) * h * 4);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::uint8_t* p = &rgba[(static_cast<std::size_t>(y) * w + x) * 4];
            p[0] = 200, p[1] = 100, p[2] = 50, p[3] = x < w / 2 ? 255 : 0;
        }
    std::uint8_t* encoded = nullptr;
    const std::size_t size = WebPEncodeLosslessRGBA(rgba.data(), w, h, w * 4, &encoded);
    std::vector<std::uint8_t> simple(encoded, encoded + size);
    WebPFree(encoded);
    // The simple file is RIFF, size, WEBP, then the VP8L chunk.
    std::vector<std::uint8_t> vp8l(simple.begin() + 20, simple.end());
    std::vector<std::uint8_t> vp8x = {0x10 | 0x08 | 0x20, 0, 0, 0};
    for (int v : {w - 1, h - 1})
        for (int i = 0; i < 3; ++i)
            vp8x.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    std::vector<std::uint8_t> body = {'W', 'E', 'B', 'P'};
    chunk(body, "VP8X", vp8x);
    chunk(body, "ICCP", fakeProfile());
    chunk(body, "VP8L", vp8l);
    std::vector<std::uint8_t> exif = {'E', 'x', 'i', 'f', 0, 0};
    const auto tiff = tinyTiff();
    exif.insert(exif.end(), tiff.begin(), tiff.end());
    chunk(body, "EXIF", exif);
    std::vector<std::uint8_t> file = {'R', 'I', 'F', 'F'};
    put32le(file, static_cast<std::uint32_t>(body.size()));
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

const std::uint8_t* px(const picture::Picture& p, int x, int y) {
    return &p.pixels[(static_cast<std::size_t>(y) * p.width + x) * p.channels];
}

double meanLevel(const picture::Picture& p) {
    double sum = 0;
    const std::size_t n = static_cast<std::size_t>(p.width) * p.height;
    for (std::size_t i = 0; i < n; ++i)
        for (int c = 0; c < 3; ++c)
            sum += p.pixels[i * p.channels + c];
    return sum / (3.0 * n);
}

} // namespace

TEST(PictureHelpers, NarrowSamplesScalesTheWholeRange) {
    const std::uint16_t in[] = {0, 512, 1023, 4095, 65535};
    std::uint8_t out[5];
    picture::NarrowSamples(in, 3, 10, out);
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(out[1], 128);
    EXPECT_EQ(out[2], 255); // not 1023 >> 8 = 3: a 10-bit white stays white
    picture::NarrowSamples(in + 3, 1, 12, out);
    EXPECT_EQ(out[0], 255);
    picture::NarrowSamples(in + 4, 1, 16, out);
    EXPECT_EQ(out[0], 255);
    picture::NarrowSamples(in + 2, 1, 8, out); // values above the depth are clipped
    EXPECT_EQ(out[0], 255);
}

TEST(PictureHelpers, TiffStreamOfTakesOnlyTiffHeaders) {
    const auto tiff = tinyTiff();
    EXPECT_EQ(picture::TiffStreamOf(tiff.data(), tiff.size()), tiff);
    std::vector<std::uint8_t> prefixed = {'E', 'x', 'i', 'f', 0, 0};
    prefixed.insert(prefixed.end(), tiff.begin(), tiff.end());
    EXPECT_EQ(picture::TiffStreamOf(prefixed.data(), prefixed.size()), tiff);
    const std::uint8_t wrong[] = {'I', 'I', 43, 0, 8, 0, 0, 0};
    EXPECT_TRUE(picture::TiffStreamOf(wrong, sizeof wrong).empty());
    EXPECT_TRUE(picture::TiffStreamOf(tiff.data(), 7).empty());
    EXPECT_TRUE(picture::TiffStreamOf(nullptr, 100).empty());
}

TEST(PictureHelpers, FlattenDrawsAlphaOverTheBackground) {
    picture::Picture p;
    p.width = 3, p.height = 1, p.channels = 4, p.sourceWidth = 3, p.sourceHeight = 1;
    p.pixels = {255, 0, 0, 255, 255, 0, 0, 0, 255, 0, 0, 128};
    const auto rgb = picture::FlattenToRgb(p, 0x0000FF);
    ASSERT_EQ(rgb.size(), 9u);
    EXPECT_EQ((std::vector<std::uint8_t>(rgb.begin(), rgb.begin() + 6)),
              (std::vector<std::uint8_t>{255, 0, 0, 0, 0, 255}));
    EXPECT_NEAR(rgb[6], 128, 1);
    EXPECT_NEAR(rgb[8], 127, 1);
    EXPECT_FALSE(picture::SizeAllowed(70000, 10));
    EXPECT_FALSE(picture::SizeAllowed(30000, 30000)); // 900 million pixels
    EXPECT_FALSE(picture::SizeAllowed(0, 10));
    EXPECT_FALSE(picture::SizeAllowed(1000, 1000, 999999));
    EXPECT_TRUE(picture::SizeAllowed(8000, 6000));
}

TEST(PngGlue, SixteenBitAlphaExifAndProfile) {
    const auto file = makePng(64, 16, true);
    ASSERT_FALSE(file.empty());
    const picture::Picture p = png::ReadMemory(file.data(), file.size(), {});
    ASSERT_TRUE(p.hasPixels()) << p.error;
    EXPECT_EQ(p.sourceWidth, 64);
    EXPECT_EQ(p.sourceHeight, 16);
    EXPECT_EQ(p.bitDepth, 16);
    EXPECT_EQ(p.channels, 4);
    EXPECT_FALSE(p.oriented);
    EXPECT_EQ(px(p, 0, 0)[0], 255);
    EXPECT_EQ(px(p, 0, 0)[3], 255);
    EXPECT_EQ(px(p, 63, 15)[3], 0);
    EXPECT_EQ(p.exif, tinyTiff());
    EXPECT_EQ(p.iccProfile, fakeProfile());

    // Probing reads the chunks only.
    picture::Request probe;
    probe.pixels = false;
    const picture::Picture q = png::ReadMemory(file.data(), file.size(), probe);
    EXPECT_TRUE(q.ok());
    EXPECT_TRUE(q.pixels.empty());
    EXPECT_EQ(q.exif, tinyTiff());
}

TEST(PngGlue, HeaderSizesAndDamageAreRefused) {
    auto file = makePng(8, 8, false);
    ASSERT_GT(file.size(), 33u);
    // IHDR claims 100000 x 100000: refused from the header, nothing decoded.
    auto huge = file;
    for (int i : {16, 20}) {
        huge[i] = 0, huge[i + 1] = 0x01, huge[i + 2] = 0x86, huge[i + 3] = 0xA0;
    }
    const picture::Picture big = png::ReadMemory(huge.data(), huge.size(), {});
    EXPECT_FALSE(big.error.empty());
    EXPECT_TRUE(big.pixels.empty());
    // Empty and one-byte iCCP and eXIf chunks after IHDR (a profile needs a
    // name, its zero and the method byte).
    for (const char* type : {"iCCP", "eXIf"}) {
        for (std::uint8_t length : {0, 1}) {
            auto odd = file;
            std::vector<std::uint8_t> c = {0, 0, 0, length};
            c.insert(c.end(), type, type + 4);
            c.resize(c.size() + length + 4, 0);
            odd.insert(odd.begin() + 33, c.begin(), c.end());
            picture::Request probe;
            probe.pixels = false;
            const picture::Picture p = png::ReadMemory(odd.data(), odd.size(), probe);
            EXPECT_TRUE(p.ok()) << type << " " << int(length);
            EXPECT_TRUE(p.iccProfile.empty());
            EXPECT_TRUE(p.exif.empty());
        }
    }
    // A picture above the caller's own limit.
    picture::Request small;
    small.maxPixels = 63;
    EXPECT_FALSE(png::ReadMemory(file.data(), file.size(), small).ok());
    // Cut in the middle of its data; not a PNG at all.
    const picture::Picture cut = png::ReadMemory(file.data(), file.size() / 2, {});
    EXPECT_FALSE(cut.hasPixels());
    const std::uint8_t junk[] = "not a png file at all";
    EXPECT_FALSE(png::ReadMemory(junk, sizeof junk, {}).ok());
    EXPECT_FALSE(png::ReadMemory(nullptr, 0, {}).ok());
    EXPECT_FALSE(png::Read("/nonexistent/x.png", {}).ok());
}

TEST(WebpGlue, AlphaExifProfileAndScaledDecode) {
    const auto file = makeWebp(400, 300);
    const picture::Picture p = webp::ReadMemory(file.data(), file.size(), {});
    ASSERT_TRUE(p.hasPixels()) << p.error;
    EXPECT_EQ(p.width, 400);
    EXPECT_EQ(p.height, 300);
    EXPECT_EQ(p.channels, 4);
    EXPECT_EQ(px(p, 0, 0)[0], 200);
    EXPECT_EQ(px(p, 0, 0)[3], 255);
    EXPECT_EQ(px(p, 399, 0)[3], 0);
    EXPECT_EQ(p.exif, tinyTiff());
    EXPECT_EQ(p.iccProfile, fakeProfile());

    picture::Request box;
    box.boxLongSide = 160;
    const picture::Picture s = webp::ReadMemory(file.data(), file.size(), box);
    ASSERT_TRUE(s.hasPixels()) << s.error;
    EXPECT_GE(s.width, 160);
    EXPECT_LT(s.width, 400);
    EXPECT_EQ(s.sourceWidth, 400);
    EXPECT_NEAR(double(s.width) / s.height, 4.0 / 3.0, 0.02);

    // A chunk that claims more than the file holds ends the walk cleanly.
    auto damaged = file;
    damaged[16] = 0xFF, damaged[17] = 0xFF, damaged[18] = 0xFF, damaged[19] = 0x7F;
    EXPECT_FALSE(webp::ReadMemory(damaged.data(), damaged.size(), {}).hasPixels());
    EXPECT_FALSE(webp::ReadMemory(file.data(), 30, {}).hasPixels());
}

TEST(PictureSamples, SharedModernFilesDecode) {
    if (!fs::exists(kSamples / "modern"))
        GTEST_SKIP() << "no shared samples";
    struct Case {
        const char* name;
        int width, height; // as shown
        bool exif;
    } cases[] = {
        {"immich-IMG_2682.heic", 4032, 3024, true},
        {"immich-samsung-one-ui-6.heic", 3000, 4000, true}, // turned by irot
        {"immich-8bit-sRGB.avif", 1617, 1080, false},
        {"immich-10bit-HDR-P3-nclx.avif", 3681, 5594, true},
        {"immich-density_plot.png", 800, 800, false},
        {"exiftool-PNG.png", 16, 16, false},
        {"immich-denali.webp", 600, 315, true},
        {"exiftool-RIFF.webp", 1, 1, true},
        {"immich-8bit-sRGB.jxl", 1440, 1080, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path path = kSamples / "modern" / c.name;
        const std::string ext = path.extension().string();
        picture::Picture p = ext == ".png"    ? png::Read(path.string(), {})
                             : ext == ".webp" ? webp::Read(path.string(), {})
                             : ext == ".jxl"  ? jxl::Read(path.string(), {})
                                              : heif::Read(path.string(), {});
        ASSERT_TRUE(p.hasPixels()) << p.error;
        EXPECT_EQ(p.sourceWidth, c.width);
        EXPECT_EQ(p.sourceHeight, c.height);
        EXPECT_EQ(p.width, c.width);
        EXPECT_EQ(p.height, c.height);
        EXPECT_EQ(!p.exif.empty(), c.exif);
        // The same from memory.
        const auto bytes = readFile(path);
        picture::Request probe;
        probe.pixels = false;
        const picture::Picture m =
            ext == ".png"    ? png::ReadMemory(bytes.data(), bytes.size(), probe)
            : ext == ".webp" ? webp::ReadMemory(bytes.data(), bytes.size(), probe)
            : ext == ".jxl"  ? jxl::ReadMemory(bytes.data(), bytes.size(), probe)
                             : heif::ReadMemory(bytes.data(), bytes.size(), probe);
        EXPECT_TRUE(m.ok()) << m.error;
        EXPECT_EQ(m.exif, p.exif);
        EXPECT_EQ(m.iccProfile, p.iccProfile);
    }
}

TEST(PictureSamples, HeifThumbnailItemAndTenBitLevels) {
    const fs::path folder = kSamples / "modern";
    if (!fs::exists(folder))
        GTEST_SKIP() << "no shared samples";
    picture::Request box;
    box.boxLongSide = 160;
    const picture::Picture thumb = heif::Read((folder / "immich-IMG_2682.heic").string(), box);
    ASSERT_TRUE(thumb.hasPixels()) << thumb.error;
    EXPECT_TRUE(thumb.fromThumbnail);
    EXPECT_GE(std::max(thumb.width, thumb.height), 160);
    EXPECT_LT(thumb.width, 4032);
    EXPECT_EQ(thumb.sourceWidth, 4032);

    // The 10-bit picture is as bright as its 8-bit rendering, not a quarter
    // of it (the high bits scaled, not cut).
    const picture::Picture ten =
        heif::Read((folder / "immich-10bit-HDR-P3-nclx.avif").string(), {});
    ASSERT_TRUE(ten.hasPixels()) << ten.error;
    EXPECT_EQ(ten.bitDepth, 10);
    EXPECT_GT(meanLevel(ten), 40.0);
}
