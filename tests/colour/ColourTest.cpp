// Profiles from bytes, the built-in spaces, the conversion tables against
// LittleCMS's own per-pixel conversion, the cache of conversions, and the
// readers of the JPEG profile segments and the EXIF Adobe RGB marking.
#include "colour/ColourProfile.h"
#include "colour/ColourTransform.h"
#include "colour/EmbeddedProfiles.h"

#include <gtest/gtest.h>
#include <lcms2.h>

#include <cmath>
#include <cstring>
#include <set>
#include <thread>
#include <vector>

namespace lumora {
namespace {

std::vector<uint8_t> bytesOf(cmsHPROFILE h) {
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(h, nullptr, &size);
    std::vector<uint8_t> bytes(size);
    cmsSaveProfileToMem(h, bytes.data(), &size);
    cmsCloseProfile(h);
    return bytes;
}

// An RGB profile from primaries and one pure gamma (D65 white).
std::vector<uint8_t> rgbProfile(cmsCIExyYTRIPLE primaries, double gamma,
                                const char* description = "test") {
    const cmsCIExyY white{0.3127, 0.3290, 1.0};
    cmsToneCurve* curve = cmsBuildGamma(nullptr, gamma);
    cmsToneCurve* curves[3] = {curve, curve, curve};
    cmsHPROFILE h = cmsCreateRGBProfile(&white, &primaries, curves);
    cmsFreeToneCurve(curve);
    cmsMLU* text = cmsMLUalloc(nullptr, 1);
    cmsMLUsetASCII(text, "en", "US", description);
    cmsWriteTag(h, cmsSigProfileDescriptionTag, text);
    cmsMLUfree(text);
    return bytesOf(h);
}

const cmsCIExyYTRIPLE kWide{{0.7347, 0.2653, 1}, {0.1596, 0.8404, 1}, {0.0366, 0.0001, 1}};
const cmsCIExyYTRIPLE kSrgbPrimaries{{0.64, 0.33, 1}, {0.30, 0.60, 1}, {0.15, 0.06, 1}};

// Every 17th value of each channel, as BGR pixels.
std::vector<uint8_t> grid() {
    std::vector<uint8_t> px;
    for (int r = 0; r < 256; r += 17)
        for (int g = 0; g < 256; g += 17)
            for (int b = 0; b < 256; b += 17) {
                px.push_back(static_cast<uint8_t>(b));
                px.push_back(static_cast<uint8_t>(g));
                px.push_back(static_cast<uint8_t>(r));
            }
    return px;
}

// The same pixels through LittleCMS directly.
std::vector<uint8_t> throughLittleCms(const ColourProfile& src, const ColourProfile& dst,
                                      std::vector<uint8_t> px) {
    cmsHTRANSFORM t = cmsCreateTransform(src.handle(), TYPE_BGR_8, dst.handle(), TYPE_BGR_8,
                                         INTENT_RELATIVE_COLORIMETRIC, cmsFLAGS_NOOPTIMIZE);
    cmsDoTransform(t, px.data(), px.data(), static_cast<cmsUInt32Number>(px.size() / 3));
    cmsDeleteTransform(t);
    return px;
}

struct Difference {
    double mean = 0;
    int max = 0;
};
Difference compare(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    Difference d;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const int e = std::abs(int(a[i]) - int(b[i]));
        d.mean += e;
        d.max = std::max(d.max, e);
    }
    d.mean /= static_cast<double>(a.size());
    return d;
}

TEST(ColourProfiles, BuiltInSpacesAreDistinctAndStable) {
    ASSERT_TRUE(SrgbProfile());
    ASSERT_TRUE(AdobeRgbProfile());
    EXPECT_NE(SrgbProfile()->hash(), AdobeRgbProfile()->hash());
    EXPECT_EQ(SrgbProfile(), SrgbProfile());
    EXPECT_NE(AdobeRgbProfile()->description().find("Adobe RGB"), std::string::npos);
    // Both share red and blue primaries; Adobe RGB's green lies outside
    // sRGB, so a green that is not pure comes out more saturated.
    TransformPtr t = TransformFor(AdobeRgbProfile(), SrgbProfile());
    ASSERT_TRUE(t);
    uint8_t red[3] = {255, 0, 0};
    uint8_t green[3] = {100, 180, 100};
    t->Apply(red, 3, 1, 1, PixelLayout::Rgb8);
    t->Apply(green, 3, 1, 1, PixelLayout::Rgb8);
    EXPECT_EQ(red[0], 255);
    EXPECT_LE(red[1], 1);
    EXPECT_LT(green[0], 90);
    EXPECT_GE(green[1], 180);
}

TEST(ColourProfiles, DamagedOrForeignBytesCountAsNoProfile) {
    const std::vector<uint8_t> good = rgbProfile(kWide, 1.8);
    ASSERT_TRUE(ColourProfile::FromBytes(good));
    EXPECT_FALSE(ColourProfile::FromBytes({}));
    // Cut short, so the declared size runs past the bytes.
    EXPECT_FALSE(ColourProfile::FromBytes(std::span(good).first(good.size() / 2)));
    // A tag table pointing past the profile.
    std::vector<uint8_t> badTag = good;
    const uint32_t tags = uint32_t(good[128]) << 24 | good[129] << 16 | good[130] << 8 | good[131];
    for (uint32_t i = 0; i < tags; ++i)
        badTag[132 + 12 * i + 4] = 0x7F; // each tag's offset
    EXPECT_FALSE(ColourProfile::FromBytes(badTag));
    // Not an ICC profile at all.
    std::vector<uint8_t> noise(600, 0x5A);
    noise[0] = 0, noise[1] = 0, noise[2] = 2, noise[3] = 0x58;
    EXPECT_FALSE(ColourProfile::FromBytes(noise));
    // A grey profile is no source for RGB pixels.
    cmsToneCurve* curve = cmsBuildGamma(nullptr, 2.2);
    const std::vector<uint8_t> grey = bytesOf(cmsCreateGrayProfile(cmsD50_xyY(), curve));
    cmsFreeToneCurve(curve);
    EXPECT_FALSE(ColourProfile::FromBytes(grey));
    // The choice falls back to what the EXIF says, then to sRGB.
    EXPECT_EQ(ChooseSourceProfile(badTag, true), AdobeRgbProfile());
    EXPECT_EQ(ChooseSourceProfile(badTag, false), SrgbProfile());
    EXPECT_EQ(ChooseSourceProfile({}, false), SrgbProfile());
    EXPECT_EQ(ChooseSourceProfile(good, true)->hash(), HashBytes(good));
}

TEST(ColourTransforms, TablesAgreeWithLittleCms) {
    const ProfilePtr wide = ColourProfile::FromBytes(rgbProfile(kWide, 1.8));
    ASSERT_TRUE(wide);
    const std::pair<ProfilePtr, ProfilePtr> pairs[] = {{AdobeRgbProfile(), SrgbProfile()},
                                                       {SrgbProfile(), AdobeRgbProfile()},
                                                       {wide, SrgbProfile()},
                                                       {SrgbProfile(), wide}};
    for (const auto& [src, dst] : pairs) {
        SCOPED_TRACE(src->description() + " -> " + dst->description());
        TransformPtr t = ColourTransform::Make(*src, *dst);
        ASSERT_TRUE(t);
        EXPECT_TRUE(t->usesTables());
        std::vector<uint8_t> ours = grid();
        t->Apply(ours.data(), 3 * 16, 16, static_cast<int>(ours.size() / 48), PixelLayout::Bgr8);
        const Difference d = compare(ours, throughLittleCms(*src, *dst, grid()));
        EXPECT_LE(d.mean, 0.5);
        EXPECT_LE(d.max, 2);
    }
}

TEST(ColourTransforms, LayoutsConvertTheSameColoursAndKeepAlpha) {
    TransformPtr t = TransformFor(AdobeRgbProfile(), SrgbProfile());
    ASSERT_TRUE(t);
    uint8_t bgr[6] = {30, 200, 90, 250, 10, 128};
    uint8_t bgra[8] = {30, 200, 90, 77, 250, 10, 128, 13};
    uint8_t rgb[6] = {90, 200, 30, 128, 10, 250};
    t->Apply(bgr, 6, 2, 1, PixelLayout::Bgr8);
    t->Apply(bgra, 8, 2, 1, PixelLayout::Bgra8);
    t->Apply(rgb, 6, 2, 1, PixelLayout::Rgb8);
    for (int p = 0; p < 2; ++p)
        for (int c = 0; c < 3; ++c) {
            EXPECT_EQ(bgr[p * 3 + c], bgra[p * 4 + c]);
            EXPECT_EQ(bgr[p * 3 + c], rgb[p * 3 + 2 - c]);
        }
    EXPECT_EQ(bgra[3], 77);
    EXPECT_EQ(bgra[7], 13);
}

TEST(ColourTransforms, PaddedRowsLeaveThePaddingAlone) {
    TransformPtr t = TransformFor(AdobeRgbProfile(), SrgbProfile());
    ASSERT_TRUE(t);
    // Two rows of one pixel, each padded to four bytes.
    uint8_t rows[8] = {10, 220, 40, 0xEE, 10, 220, 40, 0xEE};
    t->Apply(rows, 4, 1, 2, PixelLayout::Bgr8);
    EXPECT_EQ(rows[3], 0xEE);
    EXPECT_EQ(rows[7], 0xEE);
    EXPECT_EQ(std::memcmp(rows, rows + 4, 3), 0);
}

TEST(ColourTransforms, IdentityPairsMakeNoConversion) {
    EXPECT_FALSE(TransformFor(SrgbProfile(), SrgbProfile()));
    EXPECT_FALSE(TransformFor(AdobeRgbProfile(), AdobeRgbProfile()));
    EXPECT_FALSE(TransformFor(nullptr, SrgbProfile()));
    EXPECT_FALSE(TransformFor(SrgbProfile(), nullptr));
    // The same space spelled differently (another maker's sRGB profile:
    // other bytes, same colorants and curve) maps every value onto itself.
    cmsHPROFILE h = cmsCreate_sRGBProfile();
    cmsMLU* text = cmsMLUalloc(nullptr, 1);
    cmsMLUsetASCII(text, "en", "US", "sRGB from a camera");
    cmsWriteTag(h, cmsSigProfileDescriptionTag, text);
    cmsMLUfree(text);
    const ProfilePtr other = ColourProfile::FromBytes(bytesOf(h));
    ASSERT_TRUE(other);
    ASSERT_NE(other->hash(), SrgbProfile()->hash());
    EXPECT_FALSE(TransformFor(other, SrgbProfile()));
    // Close but not the same (gamma 2.2 against the sRGB curve) converts.
    const ProfilePtr gamma22 = ColourProfile::FromBytes(rgbProfile(kSrgbPrimaries, 2.2));
    ASSERT_TRUE(gamma22);
    EXPECT_TRUE(TransformFor(gamma22, SrgbProfile()));
}

TEST(ColourTransforms, ProfilesWithTablesGoThroughLittleCms) {
    // An sRGB profile that also holds a relative-colorimetric table which
    // swaps red and blue: LittleCMS converts through the table, and so must
    // the conversion here, though curves and colorants are present too.
    cmsHPROFILE h = cmsCreate_sRGBProfile();
    cmsHPROFILE xyz = cmsCreateXYZProfile();
    cmsHTRANSFORM toXyz =
        cmsCreateTransform(h, TYPE_RGB_DBL, xyz, TYPE_XYZ_DBL, INTENT_RELATIVE_COLORIMETRIC, 0);
    cmsStage* clut = cmsStageAllocCLut16bit(nullptr, 17, 3, 3, nullptr);
    cmsStageSampleCLut16bit(
        clut,
        [](const cmsUInt16Number in[], cmsUInt16Number out[], void* t) -> cmsInt32Number {
            const double rgb[3] = {in[2] / 65535.0, in[1] / 65535.0, in[0] / 65535.0};
            cmsCIEXYZ v;
            cmsDoTransform(static_cast<cmsHTRANSFORM>(t), rgb, &v, 1);
            cmsFloat2XYZEncoded(out, &v);
            return 1;
        },
        toXyz, 0);
    // Stored as curves, table, curves (identity curves around the table).
    cmsPipeline* a2b = cmsPipelineAlloc(nullptr, 3, 3);
    cmsPipelineInsertStage(a2b, cmsAT_END, cmsStageAllocToneCurves(nullptr, 3, nullptr));
    cmsPipelineInsertStage(a2b, cmsAT_END, clut);
    cmsPipelineInsertStage(a2b, cmsAT_END, cmsStageAllocToneCurves(nullptr, 3, nullptr));
    cmsWriteTag(h, cmsSigAToB1Tag, a2b);
    cmsPipelineFree(a2b);
    cmsDeleteTransform(toXyz);
    cmsCloseProfile(xyz);
    const ProfilePtr swapped = ColourProfile::FromBytes(bytesOf(h));
    ASSERT_TRUE(swapped);
    TransformPtr t = ColourTransform::Make(*swapped, *SrgbProfile());
    ASSERT_TRUE(t);
    EXPECT_FALSE(t->usesTables());
    uint8_t px[6] = {255, 0, 0, 10, 120, 240}; // BGR: pure blue, then another colour
    t->Apply(px, 6, 2, 1, PixelLayout::Bgr8);
    EXPECT_LE(px[0], 3); // blue became red
    EXPECT_GE(px[2], 250);
    EXPECT_NEAR(px[3], 240, 8);
    EXPECT_NEAR(px[4], 120, 8);
    EXPECT_NEAR(px[5], 10, 8);
}

TEST(ColourTransforms, CacheBuildsEachPairOnceAndSharesIt) {
    ClearTransformCache();
    const ProfilePtr wide = ColourProfile::FromBytes(rgbProfile(kWide, 2.0, "cache"));
    ASSERT_TRUE(wide);
    const int64_t before = TransformsBuilt();
    TransformPtr first = TransformFor(wide, SrgbProfile());
    ASSERT_TRUE(first);
    EXPECT_EQ(TransformsBuilt(), before + 1);
    // The same bytes read again are the same profile: the cached pair.
    const ProfilePtr again = ColourProfile::FromBytes(rgbProfile(kWide, 2.0, "cache"));
    EXPECT_EQ(TransformFor(again, SrgbProfile()), first);
    EXPECT_EQ(TransformsBuilt(), before + 1);
    // The reverse direction is another pair; a profile with itself is no
    // pair at all (neither built nor stored).
    EXPECT_NE(TransformFor(SrgbProfile(), wide), first);
    EXPECT_EQ(TransformsBuilt(), before + 2);
    TransformFor(SrgbProfile(), SrgbProfile());
    EXPECT_EQ(TransformsBuilt(), before + 2);

    // Many threads asking for a new pair at once all get the stored one.
    const ProfilePtr adobe = AdobeRgbProfile();
    std::vector<TransformPtr> got(8);
    std::vector<std::thread> threads;
    for (int i = 0; i < 8; ++i)
        threads.emplace_back([&, i] { got[i] = TransformFor(wide, adobe); });
    for (auto& th : threads)
        th.join();
    for (const auto& g : got)
        EXPECT_EQ(g, got[0]);
    EXPECT_EQ(TransformFor(wide, adobe), got[0]);
    EXPECT_EQ(CachedTransformCount(), 3u);
}

TEST(ColourTransforms, BandsStopWhenAskedTo) {
    TransformPtr t = TransformFor(AdobeRgbProfile(), SrgbProfile());
    ASSERT_TRUE(t);
    std::vector<uint8_t> rows;
    for (int i = 0; i < 10; ++i)
        rows.insert(rows.end(), {100, 180, 100});
    int bands = 0;
    EXPECT_FALSE(ApplyInBands(
        *t, rows.data(), 3, 1, 10, PixelLayout::Bgr8, [&] { return ++bands <= 2; }, 4));
    EXPECT_LT(rows[3 * 7 + 2], 90);  // rows 0..7 converted
    EXPECT_EQ(rows[3 * 8 + 2], 100); // the rest not
}

TEST(ColourDisplay, SetAndResetCountChanges) {
    const uint64_t before = DisplayProfileGeneration();
    EXPECT_EQ(DisplayProfile(), SrgbProfile());
    SetDisplayProfile(AdobeRgbProfile());
    EXPECT_EQ(DisplayProfile(), AdobeRgbProfile());
    EXPECT_EQ(DisplayProfileGeneration(), before + 1);
    SetDisplayProfile(AdobeRgbProfile()); // no change
    EXPECT_EQ(DisplayProfileGeneration(), before + 1);
    SetDisplayProfile(nullptr);
    EXPECT_EQ(DisplayProfile(), SrgbProfile());
    EXPECT_EQ(DisplayProfileGeneration(), before + 2);
}

// ---- profiles spread over JPEG segments -----------------------------------

std::vector<uint8_t> iccSegment(int number, int count, const std::vector<uint8_t>& part) {
    std::vector<uint8_t> s(std::begin("ICC_PROFILE"), std::end("ICC_PROFILE")); // with its zero
    s.push_back(static_cast<uint8_t>(number));
    s.push_back(static_cast<uint8_t>(count));
    s.insert(s.end(), part.begin(), part.end());
    return s;
}

std::vector<std::span<const uint8_t>> spans(const std::vector<std::vector<uint8_t>>& v) {
    return {v.begin(), v.end()};
}

TEST(JpegIccSegments, JoinedByNumberWhateverTheOrder) {
    const std::vector<uint8_t> a{1, 2, 3}, b{4, 5}, c{6};
    const std::vector<uint8_t> whole{1, 2, 3, 4, 5, 6};
    EXPECT_EQ(
        JoinJpegIccSegments(spans({iccSegment(1, 3, a), iccSegment(2, 3, b), iccSegment(3, 3, c)})),
        whole);
    EXPECT_EQ(
        JoinJpegIccSegments(spans({iccSegment(3, 3, c), iccSegment(1, 3, a), iccSegment(2, 3, b)})),
        whole);
    // Other APP2 content (a multi-picture index) is skipped.
    std::vector<uint8_t> mpf{'M', 'P', 'F', 0, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9};
    EXPECT_EQ(JoinJpegIccSegments(spans({mpf, iccSegment(1, 1, whole)})), whole);
    EXPECT_TRUE(JoinJpegIccSegments(spans({mpf})).empty());
    EXPECT_TRUE(JoinJpegIccSegments({}).empty());
}

TEST(JpegIccSegments, LostRepeatedOrInconsistentPartsGiveNoProfile) {
    const std::vector<uint8_t> a{1, 2, 3}, b{4, 5};
    // A part missing.
    EXPECT_TRUE(JoinJpegIccSegments(spans({iccSegment(1, 3, a), iccSegment(3, 3, b)})).empty());
    // The same number twice.
    EXPECT_TRUE(JoinJpegIccSegments(spans({iccSegment(1, 2, a), iccSegment(1, 2, b)})).empty());
    // The counts disagree.
    EXPECT_TRUE(JoinJpegIccSegments(spans({iccSegment(1, 2, a), iccSegment(2, 3, b)})).empty());
    // Number 0, count 0, number past the count.
    EXPECT_TRUE(JoinJpegIccSegments(spans({iccSegment(0, 1, a)})).empty());
    EXPECT_TRUE(JoinJpegIccSegments(spans({iccSegment(1, 0, a)})).empty());
    EXPECT_TRUE(JoinJpegIccSegments(spans({iccSegment(2, 1, a)})).empty());
    // A header cut before its count.
    std::vector<uint8_t> cut = iccSegment(1, 1, a);
    cut.resize(13);
    EXPECT_TRUE(JoinJpegIccSegments(spans({cut})).empty());
}

// ---- the EXIF marking of Adobe RGB ----------------------------------------

// A TIFF block: IFD0 with the EXIF pointer, the EXIF IFD with ColorSpace
// and the interoperability pointer, the interoperability IFD with its index.
std::vector<uint8_t> exifBlock(bool little, uint16_t colorSpace, const char* index,
                               bool withInterop = true) {
    std::vector<uint8_t> b;
    auto u16 = [&](uint16_t v) {
        if (little) {
            b.push_back(v & 0xFF), b.push_back(v >> 8);
        } else {
            b.push_back(v >> 8), b.push_back(v & 0xFF);
        }
    };
    auto u32 = [&](uint32_t v) {
        if (little) {
            u16(v & 0xFFFF), u16(v >> 16);
        } else {
            u16(v >> 16), u16(v & 0xFFFF);
        }
    };
    auto entry = [&](uint16_t tag, uint16_t type, uint32_t count, uint32_t value, bool isShort) {
        u16(tag), u16(type), u32(count);
        if (isShort)
            u16(static_cast<uint16_t>(value)), u16(0);
        else
            u32(value);
    };
    b.push_back(little ? 'I' : 'M'), b.push_back(little ? 'I' : 'M');
    u16(42), u32(8);
    // IFD0 at 8: one entry -> 8 + 2 + 12 + 4 = 26.
    u16(1), entry(0x8769, 4, 1, 26, false), u32(0);
    // EXIF IFD at 26: two entries -> 26 + 2 + 24 + 4 = 56.
    u16(withInterop ? 2 : 1);
    entry(0xA001, 3, 1, colorSpace, true);
    if (withInterop)
        entry(0xA005, 4, 1, 56, false);
    u32(0);
    if (withInterop) {
        u16(1);
        u16(0x0001), u16(2), u32(4);
        for (int i = 0; i < 4; ++i)
            b.push_back(static_cast<uint8_t>(i < 3 ? index[i] : 0));
        u32(0);
    }
    return b;
}

TEST(ExifAdobeRgb, UncalibratedWithR03InEitherByteOrder) {
    EXPECT_TRUE(ExifSaysAdobeRgb(exifBlock(true, 0xFFFF, "R03")));
    EXPECT_TRUE(ExifSaysAdobeRgb(exifBlock(false, 0xFFFF, "R03")));
    std::vector<uint8_t> app1{'E', 'x', 'i', 'f', 0, 0};
    const auto tiff = exifBlock(false, 0xFFFF, "R03");
    app1.insert(app1.end(), tiff.begin(), tiff.end());
    EXPECT_TRUE(ExifSegmentSaysAdobeRgb(app1));
    app1[0] = 'X';
    EXPECT_FALSE(ExifSegmentSaysAdobeRgb(app1));
}

TEST(ExifAdobeRgb, AnythingElseIsNot) {
    EXPECT_FALSE(ExifSaysAdobeRgb(exifBlock(true, 1, "R03")));      // sRGB
    EXPECT_FALSE(ExifSaysAdobeRgb(exifBlock(true, 0xFFFF, "R98"))); // sRGB index
    EXPECT_FALSE(ExifSaysAdobeRgb(exifBlock(true, 0xFFFF, "R03", false)));
    // Every cut of the block is read safely and says no.
    const auto whole = exifBlock(true, 0xFFFF, "R03");
    for (std::size_t n = 0; n < whole.size() - 4; ++n)
        EXPECT_FALSE(ExifSaysAdobeRgb(std::span(whole).first(n))) << n;
    // Pointers past the end.
    auto bad = whole;
    bad[8 + 2 + 8] = 0xF0; // the EXIF pointer
    EXPECT_FALSE(ExifSaysAdobeRgb(bad));
    bad = whole;
    bad[26 + 2 + 12 + 8] = 0xF0; // the interoperability pointer
    EXPECT_FALSE(ExifSaysAdobeRgb(bad));
}

} // namespace
} // namespace lumora
