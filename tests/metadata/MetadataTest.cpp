// Derived metadata values: shooting-time order, caption summary, aspect ratio.
#include "metadata/CaptionSummary.h"
#include "metadata/ImageInfo.h"
#include "metadata/ShootingTime.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using namespace lumora;

namespace {
ImageInfo Taken(std::optional<std::string> original, std::optional<std::string> modified = {}) {
    ImageInfo info;
    info.shootingDateTime = std::move(original);
    info.dateTime = std::move(modified);
    return info;
}
} // namespace

TEST(ShootingTime, KeyFollowsTheCalendarFields) {
    EXPECT_EQ(ShootingTimeKey("1980:01:01 00:00:00"), ((1 * 31 + 1) * 24) * 3600);
    EXPECT_EQ(ShootingTimeKey("2004:06:09 16:02:35"),
              ((((24LL * 365 + 6) * 31 + 9) * 24 + 16) * 60 + 2) * 60 + 35);
    EXPECT_EQ(ShootingTimeKey("0:00:00 00:00:00"), 0);    // year 0 stays 0
    EXPECT_EQ(ShootingTimeKey("    :  :     :  :  "), 0); // blank dates do not parse
    EXPECT_EQ(ShootingTimeKey(""), 0);
    // Extreme numbers neither overflow nor crash.
    EXPECT_NO_FATAL_FAILURE(ShootingTimeKey("99999999999:99999999999:9 9:9:9"));
}

TEST(ShootingTime, APartlyReadableDateKeepsTheFieldsRead) {
    const auto day = [](long long y, long long m, long long d) {
        return (((y - 1980) * 365 + m) * 31 + d) * 24 * 3600;
    };
    // A date without its time keeps its day.
    EXPECT_EQ(ShootingTimeKey("2026:12:08"), day(2026, 12, 8));
    EXPECT_EQ(ShootingTimeKey("2026:12:08 "), day(2026, 12, 8));
    // A damaged time keeps what came before the damage.
    EXPECT_EQ(ShootingTimeKey("2026:12:08 1x:30:00"), day(2026, 12, 8) + 3600);
    EXPECT_EQ(ShootingTimeKey("2026:12:08 10:30:??"), day(2026, 12, 8) + 10 * 3600 + 30 * 60);
    // Another separator ends the reading after the year.
    EXPECT_EQ(ShootingTimeKey("2004-06-09 16:02:35"), day(2004, 0, 0));

    // Such a picture sorts among the dated ones by its day, not before all.
    const ImageInfo dayOnly = Taken("2026:12:08");
    EXPECT_GT(CompareShootingTime(dayOnly, Taken("2026:12:07 23:59:59")), 0);
    EXPECT_LT(CompareShootingTime(dayOnly, Taken("2026:12:08 00:00:01")), 0);
    EXPECT_GT(CompareShootingTime(Taken("2026:12:08 1x:00:00"), Taken("2025:01:01 00:00:00")), 0);
}

TEST(ShootingTime, CompareOrdersAndDefersWhenUnknown) {
    const ImageInfo ten = Taken("2005:08:03 10:00:00");
    const ImageInfo before = Taken("2005:08:03 09:59:59");
    EXPECT_GT(CompareShootingTime(ten, before), 0);
    EXPECT_LT(CompareShootingTime(before, ten), 0);
    EXPECT_EQ(CompareShootingTime(ten, ten), 0);
    // Without DateTimeOriginal the modification date stands in.
    EXPECT_LT(CompareShootingTime(Taken(std::nullopt, "2005:08:03 09:00:00"), ten), 0);
    EXPECT_EQ(CompareShootingTime(Taken(std::nullopt), ten), 0);
    EXPECT_EQ(CompareShootingTime(ten, Taken(std::nullopt)), 0);

    std::vector<ImageInfo> items = {ten, before, Taken("2004:01:01 00:00:00")};
    std::stable_sort(items.begin(), items.end(), [](const ImageInfo& a, const ImageInfo& b) {
        return CompareShootingTime(a, b) < 0;
    });
    EXPECT_EQ(items[0].shootingDateTime, "2004:01:01 00:00:00");
    EXPECT_EQ(items[1].shootingDateTime, "2005:08:03 09:59:59");
}

TEST(AspectRatio, ReducesByTheCommonDivisor) {
    EXPECT_EQ(ReduceAspectRatio(3008, 2000), (AspectRatio{188, 125}));
    EXPECT_EQ(ReduceAspectRatio(3072, 2048), (AspectRatio{3, 2}));
    EXPECT_EQ(ReduceAspectRatio(7, 7), (AspectRatio{1, 1}));
    EXPECT_FALSE(ReduceAspectRatio(0, 2000).has_value());
    // A hostile size must not take billions of steps.
    EXPECT_EQ(ReduceAspectRatio(1, 4'000'000'000u), (AspectRatio{1, 4'000'000'000u}));

    ImageInfo image;
    image.width = 3072;
    image.height = 2048;
    ShootingInfo shooting;
    shooting.pixelX = 3008;
    shooting.pixelY = 0; // incomplete pixel size: the image size is used
    ComputeAspectRatio(image, shooting);
    EXPECT_EQ(shooting.aspectX, 3u);
    EXPECT_EQ(shooting.aspectY, 2u);
    ShootingInfo none;
    ComputeAspectRatio(ImageInfo{}, none);
    EXPECT_FALSE(none.aspectX.has_value());
}

TEST(CaptionSummary, CopiesAndFallsBack) {
    ShootingInfo s;
    s.shutterSpeed = 250;
    s.fNumber = 5.6f;
    s.focalLength = 55;
    s.iso = 400;
    CaptionSummary c = DeriveCaptionSummary(s, MakerNote{});
    EXPECT_EQ(c.shutterSpeed, 250.0f);
    EXPECT_FALSE(c.exposureBias.has_value());
    EXPECT_FALSE(c.exposureProgram.has_value());
    EXPECT_EQ(c.iso, 400u);

    // Canon: the exposure mode stands in for a missing EXIF program.
    CanonMakerNote canon;
    for (const auto& [mode, program] :
         std::vector<std::pair<std::optional<std::uint16_t>, std::uint32_t>>{
             {2, 4}, {3, 3}, {4, 1}, {1, 0}, {std::nullopt, 0}}) {
        canon.exposureMode = mode;
        EXPECT_EQ(DeriveCaptionSummary(s, canon).exposureProgram, program);
    }
    s.exposureProgram = 2;
    canon.exposureMode = 4;
    EXPECT_EQ(DeriveCaptionSummary(s, canon).exposureProgram, 2u);

    // Nikon: its ISO setting wins, also when it is 0.
    NikonMakerNote nikon;
    nikon.isoSetting = 0;
    c = DeriveCaptionSummary(s, nikon);
    ASSERT_TRUE(c.iso.has_value());
    EXPECT_EQ(*c.iso, 0u);
    nikon.isoSetting = 800;
    EXPECT_EQ(DeriveCaptionSummary(s, nikon).iso, 800u);
}

TEST(Orientation, QuarterTurns) {
    EXPECT_EQ(OrientationQuarterTurns(6), 1);
    EXPECT_EQ(OrientationQuarterTurns(8), 3);
    EXPECT_EQ(OrientationQuarterTurns(3), 2);
    EXPECT_EQ(OrientationQuarterTurns(4), 2);
    for (const int o : {1, 2, 5, 7, 0, 9}) {
        EXPECT_EQ(OrientationQuarterTurns(static_cast<std::uint16_t>(o)), 0) << o;
    }
    EXPECT_EQ(OrientationQuarterTurns(std::nullopt), 0);
}
