// Magnification steps, fit, margins, scroll ranges and the pixel read-out.
#include "viewer/PreviewLayout.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace lumora;

TEST(MagnificationSteps, ThirtyThreePowersOfOnePointTwoWithOneExactlyInTheMiddle) {
    const auto& s = MagnificationSteps();
    ASSERT_EQ(s.size(), 33u);
    EXPECT_EQ(s[16], 1.0f);
    EXPECT_FLOAT_EQ(s[0], 0.05408789f);
    EXPECT_FLOAT_EQ(s[32], 18.488426f);
    for (std::size_t i = 1; i < s.size(); ++i)
        EXPECT_GT(s[i], s[i - 1]);
}

TEST(MagnificationSteps, ZoomSequencesFromOneAndFromAFitOfOneHalf) {
    EXPECT_FLOAT_EQ(NextMagnification(1.0f, +1), 1.2f);
    EXPECT_FLOAT_EQ(NextMagnification(1.2f, +1), 1.44f);
    EXPECT_FLOAT_EQ(NextMagnification(NextMagnification(1.2f, +1), +1), 1.728f);
    EXPECT_NEAR(NextMagnification(1.0f, -1), 0.8333333f, 1e-6);
    EXPECT_NEAR(NextMagnification(0.5f, +1), 0.5787037f, 1e-6);
    EXPECT_NEAR(NextMagnification(0.5f, -1), 0.4822531f, 1e-6);
    // A direction of 0 counts as zooming out.
    EXPECT_NEAR(NextMagnification(1.0f, 0), 0.8333333f, 1e-6);
}

TEST(MagnificationSteps, EndsStayAndDisableTheirDirection) {
    const auto& s = MagnificationSteps();
    EXPECT_EQ(NextMagnification(s.back(), +1), s.back());
    EXPECT_FALSE(CanZoomIn(s.back()));
    EXPECT_TRUE(CanZoomOut(s.back()));
    EXPECT_EQ(NextMagnification(s.front(), -1), s.front());
    EXPECT_FALSE(CanZoomOut(s.front()));
    // Beyond the ends (a tiny fit) zoom in goes to the first step.
    EXPECT_EQ(NextMagnification(0.01f, +1), s.front());
    EXPECT_EQ(NextMagnification(40.0f, -1), s.back());
}

TEST(Layout, SmallImageWithNoMagOnFitShowsAtOneHundredPercentCentred) {
    LayoutInput in{800, 600, 800, 600, 100, 68, true, true, 1.0f};
    const LayoutResult r = ComputeLayout(in);
    EXPECT_EQ(r.magnification, 1.0f);
    EXPECT_EQ(r.drawWidth, 100);
    EXPECT_EQ(r.drawHeight, 68);
    EXPECT_EQ(r.offsetX, 350);
    EXPECT_EQ(r.offsetY, 266);
    EXPECT_EQ(r.hMax(), 0);
    EXPECT_EQ(r.vMax(), 0);
    // Without the setting the fit enlarges it.
    in.noMagOnFit = false;
    EXPECT_FLOAT_EQ(ComputeLayout(in).magnification, 8.0f);
}

TEST(Layout, FitLimitsByTheTighterAxisAndTiesCountAsHeightLimited) {
    LayoutInput wide{1600, 1000, 1600, 1000, 6000, 3000, true, true, 1.0f};
    LayoutResult r = ComputeLayout(wide);
    EXPECT_TRUE(r.widthLimited);
    EXPECT_NEAR(r.magnification, 1600.0 / 6000.0, 1e-6);
    EXPECT_EQ(r.hPage, r.drawWidth);
    EXPECT_EQ(r.offsetX, 0);
    EXPECT_GT(r.offsetY, 0);

    LayoutInput tie{1000, 1000, 1000, 1000, 2000, 2000, true, true, 1.0f};
    r = ComputeLayout(tie);
    EXPECT_FALSE(r.widthLimited);
    EXPECT_EQ(r.vPage, r.drawHeight);
    EXPECT_EQ(r.hPage, 1000);
}

TEST(Layout, ZoomedInImageScrollsOverItsDrawnSize) {
    LayoutInput in{800, 600, 780, 580, 1000, 1000, true, false, 1.2f};
    const LayoutResult r = ComputeLayout(in);
    EXPECT_EQ(r.drawWidth, 1200);
    EXPECT_EQ(r.hRange, 1200);
    EXPECT_EQ(r.hPage, 780);
    EXPECT_EQ(r.hMax(), 420);
    EXPECT_EQ(r.vMax(), 620);
    EXPECT_EQ(r.offsetX, 0);
    EXPECT_EQ(r.offsetY, 0);
}

TEST(Layout, DegenerateSizesGiveAnEmptyLayout) {
    LayoutInput in{800, 600, 800, 600, 0, 10, true, true, 1.0f};
    EXPECT_EQ(ComputeLayout(in).drawWidth, 0);
    LayoutInput tiny{0, 0, 0, 0, 10, 10, true, true, 1.0f};
    const LayoutResult r = ComputeLayout(tiny);
    EXPECT_GT(r.magnification, 0.0f); // never zero: zoom steps still work
}

TEST(Readout, MarginsGiveNothingAndTheTopLeftPixelIsOne) {
    // 100 drawn pixels centred at offset 350.
    EXPECT_FALSE(ImagePixelAt(349, 0, 350, 100, 1.0f).has_value());
    EXPECT_EQ(ImagePixelAt(350, 0, 350, 100, 1.0f), 1);
    EXPECT_EQ(ImagePixelAt(449, 0, 350, 100, 1.0f), 100);
    EXPECT_FALSE(ImagePixelAt(450, 0, 350, 100, 1.0f).has_value());
    // Scrolled, no margin: scroll position plus client coordinate.
    EXPECT_EQ(ImagePixelAt(0, 0, 0, 1200, 1.2f), 1);
    EXPECT_EQ(ImagePixelAt(10, 120, 0, 1200, 1.2f), 109);
    EXPECT_FALSE(ImagePixelAt(100, 1150, 0, 1200, 1.2f).has_value());
}

TEST(Readout, AnchorKeepsThePixelUnderTheClientPoint) {
    // Pixel 500 under client x 400 at 1.2: scroll 200, limited to the range.
    EXPECT_EQ(AnchoredScroll(500, 400, 1.2f, 10000), 200);
    EXPECT_EQ(AnchoredScroll(10, 400, 1.2f, 10000), 0);
    EXPECT_EQ(AnchoredScroll(5000, 0, 18.0f, 1000), 1000);
}

TEST(Orientation, QuarterTurnsOfTheExifValues) {
    EXPECT_EQ(ExifQuarterTurns(1), 0);
    EXPECT_EQ(ExifQuarterTurns(3), 2);
    EXPECT_EQ(ExifQuarterTurns(4), 2);
    EXPECT_EQ(ExifQuarterTurns(6), 1);
    EXPECT_EQ(ExifQuarterTurns(8), 3);
    EXPECT_EQ(ExifQuarterTurns(5), 0);
    EXPECT_EQ(ExifQuarterTurns(0), 0);
    EXPECT_EQ(ExifQuarterTurns(65535), 0);
}
