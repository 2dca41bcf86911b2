// Pictures in Adobe RGB and other spaces as cameras and editors store them
// (profile over several JPEG APP2 segments, TIFF tag 34675, PSD resource
// 1039, the EXIF marking alone), decoded into sRGB and checked against
// LittleCMS's own command-line converters, against the unconverted pixels,
// and with damaged profiles, which count as none.
#include "DecoderTestUtil.h"

#include "colour/ColourTransform.h"
#include "imaging/DecodedColours.h"
#include "imaging/ImageLoader.h"
#include "imaging/JpegDecoder.h"
#include "imaging/PsdReader.h"
#include "imaging/ThumbnailDecoder.h"
#include "imaging/TiffDecoder.h"

#include <QColorSpace>
#include <QImage>

#include <gtest/gtest.h>
#include <lcms2.h>
#include <tiffio.h>

#include <cstdlib>
#include <cstring>

namespace lumora {
namespace {

using test::ScratchDir;

constexpr int kW = 256, kH = 160;

// Saturated gradients: where Adobe RGB and sRGB differ most.
void saturated(int x, int y, uint8_t* rgb) {
    rgb[0] = static_cast<uint8_t>(x * 255 / (kW - 1));
    rgb[1] = static_cast<uint8_t>(255 - y * 255 / (kH - 1));
    rgb[2] = static_cast<uint8_t>((x + y) % 64 < 32 ? 40 : 90);
}

std::vector<uint8_t> profileBytes(const ProfilePtr& p) {
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(p->handle(), nullptr, &size);
    std::vector<uint8_t> bytes(size);
    cmsSaveProfileToMem(p->handle(), bytes.data(), &size);
    return bytes;
}

// The JPEG with these segments (marker, payload) right after its SOI.
std::vector<uint8_t> withSegments(const std::vector<uint8_t>& jpeg,
                                  const std::vector<std::pair<int, std::vector<uint8_t>>>& segs) {
    std::vector<uint8_t> out(jpeg.begin(), jpeg.begin() + 2);
    for (const auto& [marker, payload] : segs) {
        const std::size_t length = payload.size() + 2;
        out.insert(out.end(),
                   {0xFF, static_cast<uint8_t>(marker), static_cast<uint8_t>(length >> 8),
                    static_cast<uint8_t>(length & 0xFF)});
        out.insert(out.end(), payload.begin(), payload.end());
    }
    out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
    return out;
}

// The profile cut into `parts` APP2 segments numbered from 1.
std::vector<std::pair<int, std::vector<uint8_t>>> iccSegments(const std::vector<uint8_t>& icc,
                                                              int parts) {
    std::vector<std::pair<int, std::vector<uint8_t>>> segs;
    const std::size_t step = (icc.size() + parts - 1) / parts;
    for (int i = 0; i < parts; ++i) {
        std::vector<uint8_t> p(std::begin("ICC_PROFILE"), std::end("ICC_PROFILE"));
        p.push_back(static_cast<uint8_t>(i + 1));
        p.push_back(static_cast<uint8_t>(parts));
        const std::size_t from = std::min(icc.size(), step * i);
        const std::size_t to = std::min(icc.size(), from + step);
        p.insert(p.end(), icc.begin() + from, icc.begin() + to);
        segs.emplace_back(0xE2, std::move(p));
    }
    return segs;
}

// An APP1 EXIF payload: colour space "uncalibrated" and the given
// interoperability index (little-endian TIFF).
std::vector<uint8_t> exifApp1(const char* index) {
    std::vector<uint8_t> b{'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0};
    auto u16 = [&](uint16_t v) { b.push_back(v & 0xFF), b.push_back(v >> 8); };
    auto u32 = [&](uint32_t v) { u16(v & 0xFFFF), u16(v >> 16); };
    u16(1), u16(0x8769), u16(4), u32(1), u32(26), u32(0);
    u16(2), u16(0xA001), u16(3), u32(1), u16(0xFFFF), u16(0);
    u16(0xA005), u16(4), u32(1), u32(56), u32(0);
    u16(1), u16(0x0001), u16(2), u32(4);
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<uint8_t>(i < 3 ? index[i] : 0));
    u32(0);
    return b;
}

DecodeOutput decodeJpeg(const std::string& path, ProfilePtr target,
                        const RowWatch* watch = nullptr) {
    JpegOptions o;
    o.colourTarget = std::move(target);
    o.watch = watch;
    return CJpegDecoder::Decode(JpegSource{path}, o);
}

// Mean absolute difference of the pixels (padding left out).
double meanDifference(const DibImage& a, const DibImage& b) {
    EXPECT_EQ(a.width(), b.width());
    EXPECT_EQ(a.height(), b.height());
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width() * 3; ++x)
            sum += std::abs(int(a.scanLine(y)[x]) - int(b.scanLine(y)[x]));
    return sum / (double(a.width()) * a.height() * 3);
}

bool have(const char* tool) {
    return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0;
}

// The same pixels through LittleCMS directly (the reference without tools).
DibImage convertedByLittleCms(const DibImage& image, const ProfilePtr& from) {
    DibImage out = image.clone();
    cmsHTRANSFORM t = cmsCreateTransform(from->handle(), TYPE_BGR_8, SrgbProfile()->handle(),
                                         TYPE_BGR_8, INTENT_RELATIVE_COLORIMETRIC, 0);
    for (int y = 0; y < out.height(); ++y)
        cmsDoTransform(t, out.scanLine(y), out.scanLine(y),
                       static_cast<cmsUInt32Number>(out.width()));
    cmsDeleteTransform(t);
    return out;
}

class ColourDecode : public ::testing::Test {
protected:
    void SetUp() override {
        adobe = profileBytes(AdobeRgbProfile());
        plain = test::encodeJpeg(kW, kH, 3, saturated, 95);
    }
    std::vector<uint8_t> adobe;
    std::vector<uint8_t> plain;
    ScratchDir dir;
};

TEST_F(ColourDecode, MultiSegmentProfileMatchesJpgiccAndDiffersFromUnconverted) {
    const std::string path = dir.write("adobe.jpg", withSegments(plain, iccSegments(adobe, 3)));
    const DecodeOutput raw = decodeJpeg(path, nullptr);
    const DecodeOutput shown = decodeJpeg(path, SrgbProfile());
    ASSERT_TRUE(raw.ok());
    ASSERT_TRUE(shown.ok());
    EXPECT_EQ(raw.iccProfile, adobe);
    EXPECT_FALSE(raw.inTargetColours);
    EXPECT_TRUE(shown.inTargetColours);
    const double fromRaw = meanDifference(shown.image, raw.image);
    EXPECT_GT(fromRaw, 5.0) << "no visible conversion";
    EXPECT_LE(meanDifference(shown.image, convertedByLittleCms(raw.image, AdobeRgbProfile())), 1.0);

    if (!have("jpgicc") || !test::haveDjpeg())
        GTEST_SKIP() << "jpgicc (liblcms2-utils) or djpeg missing";
    const std::string converted = dir.file("jpgicc.jpg");
    ASSERT_EQ(
        std::system(("jpgicc -q 100 '" + path + "' '" + converted + "' >/dev/null 2>&1").c_str()),
        0);
    int w = 0, h = 0;
    const std::vector<uint8_t> ref = test::djpegBmp(converted, "", w, h);
    ASSERT_EQ(w, kW);
    ASSERT_EQ(h, kH);
    DibImage reference(kW, kH);
    std::memcpy(reference.bits(), ref.data(), std::min(ref.size(), reference.byteSize()));
    const double fromTool = meanDifference(shown.image, reference);
    EXPECT_LE(fromTool, 2.0);
    EXPECT_GT(meanDifference(raw.image, reference), 5.0);
    std::printf("mean difference: to jpgicc %.2f, to the unconverted pixels %.2f\n", fromTool,
                fromRaw);
}

TEST_F(ColourDecode, DamagedProfilesCountAsAbsent) {
    const std::string none = dir.write("none.jpg", plain);
    const DecodeOutput reference = decodeJpeg(none, nullptr);
    ASSERT_TRUE(reference.ok());
    auto lost = iccSegments(adobe, 3);
    lost.erase(lost.begin() + 1); // the middle part is gone
    auto garbled = adobe;
    for (std::size_t i = 128; i < garbled.size(); i += 7)
        garbled[i] ^= 0xA5; // the tag table and its data
    auto cut = adobe;
    cut.resize(cut.size() / 3); // shorter than its header says
    const std::vector<std::vector<std::pair<int, std::vector<uint8_t>>>> cases = {
        lost, iccSegments(garbled, 2), iccSegments(cut, 1)};
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(i);
        const std::string path = dir.write("bad.jpg", withSegments(plain, cases[i]));
        const DecodeOutput out = decodeJpeg(path, SrgbProfile());
        ASSERT_TRUE(out.ok());
        EXPECT_EQ(meanDifference(out.image, reference.image), 0.0);
        // With the EXIF marking the picture is taken as Adobe RGB instead.
        auto marked = cases[i];
        marked.emplace_back(0xE1, exifApp1("R03"));
        const DecodeOutput adobeOut =
            decodeJpeg(dir.write("bad-r03.jpg", withSegments(plain, marked)), SrgbProfile());
        ASSERT_TRUE(adobeOut.exifAdobeRgb);
        EXPECT_LE(meanDifference(adobeOut.image,
                                 convertedByLittleCms(reference.image, AdobeRgbProfile())),
                  1.0);
    }
}

TEST_F(ColourDecode, ExifMarkingAloneMeansAdobeRgbAndR98DoesNot) {
    const DecodeOutput embedded =
        decodeJpeg(dir.write("icc.jpg", withSegments(plain, iccSegments(adobe, 1))), SrgbProfile());
    const DecodeOutput marked = decodeJpeg(
        dir.write("r03.jpg", withSegments(plain, {{0xE1, exifApp1("R03")}})), SrgbProfile());
    const DecodeOutput r98 = decodeJpeg(
        dir.write("r98.jpg", withSegments(plain, {{0xE1, exifApp1("R98")}})), SrgbProfile());
    const DecodeOutput untouched = decodeJpeg(dir.write("plain.jpg", plain), nullptr);
    ASSERT_TRUE(embedded.ok() && marked.ok() && r98.ok() && untouched.ok());
    EXPECT_TRUE(marked.exifAdobeRgb);
    EXPECT_FALSE(r98.exifAdobeRgb);
    EXPECT_EQ(meanDifference(marked.image, embedded.image), 0.0);
    EXPECT_EQ(meanDifference(r98.image, untouched.image), 0.0);
    // A RAW file's EXIF reaches its preview through the options.
    JpegOptions o;
    o.colourTarget = SrgbProfile();
    o.exifAdobeRgb = true;
    const DecodeOutput flagged = CJpegDecoder::Decode(JpegSource{dir.file("plain.jpg")}, o);
    EXPECT_EQ(meanDifference(flagged.image, embedded.image), 0.0);
}

TEST_F(ColourDecode, WatcherSeesRowsAlreadyConverted) {
    const std::string path = dir.write("watch.jpg", withSegments(plain, iccSegments(adobe, 2)));
    std::vector<std::vector<uint8_t>> seen(kH);
    const DibImage* image = nullptr;
    RowWatch watch;
    watch.onAllocated = [&](const DibImage& i) { image = &i; };
    int told = 0;
    watch.onRows = [&](int rows) {
        for (int y = told; y < rows; ++y)
            seen[y].assign(image->scanLine(y), image->scanLine(y) + kW * 3);
        told = rows;
    };
    const DecodeOutput out = decodeJpeg(path, SrgbProfile(), &watch);
    ASSERT_TRUE(out.ok());
    ASSERT_EQ(told, kH);
    for (int y = 0; y < kH; ++y)
        ASSERT_EQ(std::memcmp(seen[y].data(), out.image.scanLine(y), kW * 3), 0) << y;
}

TEST_F(ColourDecode, GreyAndCmykPicturesAreLeftAlone) {
    for (int components : {1, 4}) {
        const auto jpeg = test::encodeJpeg(64, 48, components);
        const std::string path = dir.write("c.jpg", withSegments(jpeg, iccSegments(adobe, 1)));
        const DecodeOutput raw = decodeJpeg(path, nullptr);
        const DecodeOutput shown = decodeJpeg(path, SrgbProfile());
        ASSERT_TRUE(shown.ok());
        EXPECT_EQ(meanDifference(shown.image, raw.image), 0.0) << components;
    }
}

TEST_F(ColourDecode, ConversionIsPreparedOncePerPair) {
    const std::string a = dir.write("a.jpg", withSegments(plain, iccSegments(adobe, 3)));
    const std::string b = dir.write("b.jpg", withSegments(plain, iccSegments(adobe, 1)));
    decodeJpeg(a, SrgbProfile());
    const int64_t built = TransformsBuilt();
    for (int i = 0; i < 3; ++i) {
        decodeJpeg(a, SrgbProfile());
        decodeJpeg(b, SrgbProfile());
    }
    EXPECT_EQ(TransformsBuilt(), built);
    // sRGB pictures shown on an sRGB display make none at all.
    const std::string s = dir.write("s.jpg", plain);
    const DecodeOutput out = decodeJpeg(s, SrgbProfile());
    EXPECT_TRUE(out.ok());
    EXPECT_EQ(TransformsBuilt(), built);
}

// A TIFF of the same pixels, with the profile in tag 34675.
std::string writeTiff(const std::string& path, const std::vector<uint8_t>& icc) {
    TIFF* t = TIFFOpen(path.c_str(), "w");
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, kW);
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, kH);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, 16);
    if (!icc.empty())
        TIFFSetField(t, TIFFTAG_ICCPROFILE, static_cast<uint32_t>(icc.size()), icc.data());
    std::vector<uint8_t> row(kW * 3);
    for (int y = 0; y < kH; ++y) {
        for (int x = 0; x < kW; ++x)
            saturated(x, y, &row[x * 3]);
        TIFFWriteScanline(t, row.data(), static_cast<uint32_t>(y), 0);
    }
    TIFFClose(t);
    return path;
}

TEST_F(ColourDecode, TiffProfileMatchesTificc) {
    const std::string path = writeTiff(dir.file("adobe.tif"), adobe);
    ImageItem item = ImageItem::FromPath(path, ImageKind::Tiff);
    const DecodeOutput shown = DecodeForLoader(item, 0, {}, {}, nullptr, SrgbProfile());
    const DecodeOutput raw = CTiffDecoder::Decode(path, TiffOptions{});
    ASSERT_TRUE(shown.ok());
    ASSERT_TRUE(raw.ok());
    EXPECT_EQ(raw.iccProfile, adobe);
    EXPECT_GT(meanDifference(shown.image, raw.image), 5.0);
    // A damaged tag leaves the pixels as stored.
    auto garbled = adobe;
    garbled.resize(200);
    const std::string bad = writeTiff(dir.file("bad.tif"), garbled);
    const DecodeOutput badOut = DecodeForLoader(ImageItem::FromPath(bad, ImageKind::Tiff), 0, {},
                                                {}, nullptr, SrgbProfile());
    EXPECT_EQ(meanDifference(badOut.image, raw.image), 0.0);

    if (!have("tificc"))
        GTEST_SKIP() << "tificc (liblcms2-utils) missing";
    const std::string converted = dir.file("tificc.tif");
    ASSERT_EQ(std::system(("tificc '" + path + "' '" + converted + "' >/dev/null 2>&1").c_str()),
              0);
    const DecodeOutput reference = CTiffDecoder::Decode(converted, TiffOptions{});
    ASSERT_TRUE(reference.ok());
    EXPECT_LE(meanDifference(shown.image, reference.image), 2.0);
}

// A layered-image file: header, no colour-mode data, the resources (one ICC
// profile, id 1039), no layers, the raw composite in planes.
std::vector<uint8_t> psdWithProfile(const std::vector<uint8_t>& icc) {
    std::vector<uint8_t> b;
    auto u16 = [&](uint32_t v) { b.push_back(uint8_t(v >> 8)), b.push_back(uint8_t(v)); };
    auto u32 = [&](uint32_t v) { u16(v >> 16), u16(v & 0xFFFF); };
    b.insert(b.end(), {'8', 'B', 'P', 'S'});
    u16(1);
    b.insert(b.end(), 6, 0);
    u16(3), u32(kH), u32(kW), u16(8), u16(3);
    u32(0); // colour-mode data
    const uint32_t padded = (static_cast<uint32_t>(icc.size()) + 1) & ~1u;
    u32(4 + 2 + 2 + 4 + padded);
    b.insert(b.end(), {'8', 'B', 'I', 'M'});
    u16(1039), u16(0), u32(static_cast<uint32_t>(icc.size()));
    b.insert(b.end(), icc.begin(), icc.end());
    if (padded != icc.size())
        b.push_back(0);
    u32(0); // layers
    u16(0); // raw
    for (int c = 0; c < 3; ++c)
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                uint8_t rgb[3];
                saturated(x, y, rgb);
                b.push_back(rgb[c]);
            }
    return b;
}

TEST_F(ColourDecode, PsdProfileResourceIsApplied) {
    const std::string path = dir.write("adobe.psd", psdWithProfile(adobe));
    CPsdReader reader;
    ASSERT_TRUE(reader.Open(path));
    EXPECT_EQ(reader.ReadIccProfile(), adobe);
    DibImage raw;
    ASSERT_TRUE(reader.ReadComposite(raw));
    const DecodeOutput shown = DecodeForLoader(ImageItem::FromPath(path, ImageKind::Psd), 0, {}, {},
                                               nullptr, SrgbProfile());
    ASSERT_TRUE(shown.ok());
    EXPECT_LE(meanDifference(shown.image, convertedByLittleCms(raw, AdobeRgbProfile())), 1.0);
    EXPECT_GT(meanDifference(shown.image, raw), 5.0);
    // A resource whose length runs past its section is not read.
    auto broken = psdWithProfile(adobe);
    broken[26 + 4 + 4 + 4 + 2 + 2] = 0x7F; // the resource's length, high byte
    CPsdReader other;
    const std::string bad = dir.write("bad.psd", broken);
    if (other.Open(bad)) {
        EXPECT_TRUE(other.ReadIccProfile().empty());
    }
}

TEST_F(ColourDecode, ThumbnailsAndPreImagesAreInSrgb) {
    const std::string path = dir.write("thumb.jpg", withSegments(plain, iccSegments(adobe, 2)));
    ImageItem converted = ImageItem::FromPath(path, ImageKind::Jpeg);
    ImageItem unconverted =
        ImageItem::FromPath(dir.write("thumb-plain.jpg", plain), ImageKind::Jpeg);
    ThumbnailBox box{160, 120, true};
    DecodeThumbnail(converted, box);
    DecodeThumbnail(unconverted, box);
    ASSERT_FALSE(converted.thumb.preimageBits.isNull());
    ASSERT_FALSE(unconverted.thumb.preimageBits.isNull());
    EXPECT_LE(
        meanDifference(converted.thumb.preimageBits,
                       convertedByLittleCms(unconverted.thumb.preimageBits, AdobeRgbProfile())),
        1.0);
}

TEST_F(ColourDecode, CancelledConversionSaysSo) {
    DecodeOutput out;
    out.status = DecodeStatus::Decoded;
    out.image = DibImage(kW, kH);
    out.iccProfile = adobe;
    RequestCounter counter;
    counter.Set(2);
    EXPECT_TRUE(ConvertDecodedColours(out, SrgbProfile(), CancelTest{&counter, 1}));
    EXPECT_EQ(out.status, DecodeStatus::Cancelled);
    // Converted once, a second call leaves the pixels.
    DecodeOutput again;
    again.status = DecodeStatus::Decoded;
    again.image = DibImage(4, 4);
    again.iccProfile = adobe;
    EXPECT_TRUE(ConvertDecodedColours(again, SrgbProfile()));
    EXPECT_FALSE(ConvertDecodedColours(again, SrgbProfile()));
    EXPECT_FALSE(ConvertDecodedColours(again, nullptr));
}

} // namespace

// The picture formats of phones and the web hand their profile (here a
// PNG's iCCP chunk, as Qt writes it) to the same conversion.
TEST_F(ColourDecode, PngProfileIsApplied) {
    QImage picture(kW, kH, QImage::Format_RGB888);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x)
            saturated(x, y, picture.scanLine(y) + 3 * x);
    const std::string plainPath = dir.write("plain.png", {});
    ASSERT_TRUE(picture.save(QString::fromStdString(plainPath), "PNG"));
    picture.setColorSpace(QColorSpace(QColorSpace::AdobeRgb));
    const std::string adobePath = dir.write("adobe.png", {});
    ASSERT_TRUE(picture.save(QString::fromStdString(adobePath), "PNG"));

    const DecodeOutput raw = DecodeForLoader(ImageItem::FromPath(plainPath, ImageKind::Png), 0, {},
                                             {}, nullptr, SrgbProfile());
    const DecodeOutput shown = DecodeForLoader(ImageItem::FromPath(adobePath, ImageKind::Png), 0,
                                               {}, {}, nullptr, SrgbProfile());
    ASSERT_TRUE(raw.ok());
    ASSERT_TRUE(shown.ok());
    EXPECT_FALSE(shown.iccProfile.empty());
    EXPECT_LE(meanDifference(shown.image, convertedByLittleCms(raw.image, AdobeRgbProfile())), 2.0);
    EXPECT_GT(meanDifference(shown.image, raw.image), 5.0);

    ImageItem thumb = ImageItem::FromPath(adobePath, ImageKind::Png);
    ImageItem plainThumb = ImageItem::FromPath(plainPath, ImageKind::Png);
    ThumbnailBox box{160, 120, true};
    DecodeThumbnail(thumb, box);
    DecodeThumbnail(plainThumb, box);
    ASSERT_FALSE(thumb.thumb.thumbBits.isNull());
    ASSERT_FALSE(plainThumb.thumb.thumbBits.isNull());
    EXPECT_GT(meanDifference(thumb.thumb.thumbBits, plainThumb.thumb.thumbBits), 5.0);
}

} // namespace lumora
