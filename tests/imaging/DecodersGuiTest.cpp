// The placeholder card with its text needs a running QGuiApplication.
#include "imaging/ThumbnailDecoder.h"

#include <gtest/gtest.h>

#include <QGuiApplication>

namespace lumora {
namespace {

TEST(UnknownPlaceholder, GreyCardWithTwoLinesOfLightText) {
    static int argc = 1;
    static char name[] = "decoders-gui-test";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const DibImage card = MakeUnknownPlaceholder(160, 120);
    ASSERT_EQ(card.width(), 160);
    ASSERT_EQ(card.height(), 120);
    auto lightPixelsIn = [&](int top, int bottom) {
        int light = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = 0; x < 160; ++x)
                light += card.scanLine(y)[x * 3 + 2] > 150;
        return light;
    };
    // Text only in the two bands around rows 50 and 70, centred at x 80.
    EXPECT_EQ(lightPixelsIn(0, 30), 0);
    EXPECT_GT(lightPixelsIn(38, 60), 20);
    EXPECT_GT(lightPixelsIn(60, 82), 20);
    EXPECT_EQ(lightPixelsIn(95, 120), 0);
    EXPECT_EQ(card.scanLine(5)[5 * 3], 50);
    int left = 160, right = 0;
    for (int y = 38; y < 82; ++y)
        for (int x = 0; x < 160; ++x)
            if (card.scanLine(y)[x * 3 + 2] > 150) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
    EXPECT_NEAR((left + right) / 2.0, 80, 4);

    // Any box gets the card stretched to it.
    const DibImage small = MakeUnknownPlaceholder(100, 75);
    EXPECT_EQ(small.width(), 100);
    EXPECT_EQ(small.height(), 75);
}

} // namespace
} // namespace lumora
