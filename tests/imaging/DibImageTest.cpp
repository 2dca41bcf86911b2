#include "imaging/DibImage.h"

#include <gtest/gtest.h>

using lumora::DibImage;

TEST(DibImage, LayoutIsBottomUpWithZeroPaddedRows) {
    DibImage img(5, 3); // 15 bytes of pixels, 16-byte rows
    ASSERT_FALSE(img.isNull());
    EXPECT_EQ(img.stride(), 16);
    EXPECT_EQ(img.byteSize(), 48u);
    EXPECT_EQ(img.header.biSize, 40u);
    EXPECT_EQ(img.header.biBitCount, 24);
    EXPECT_EQ(img.header.biPlanes, 1);
    EXPECT_GT(img.header.biHeight, 0);
    for (std::size_t i = 0; i < img.byteSize(); ++i)
        ASSERT_EQ(img.bits()[i], 0);
    // The top picture row is the last memory row.
    EXPECT_EQ(img.scanLine(0), img.bits() + 2 * 16);
    EXPECT_EQ(img.scanLine(2), img.bits());
    EXPECT_EQ(img.memoryRow(1), img.bits() + 16);
}

TEST(DibImage, CloneIsIndependentAndMovesLeaveNothingBehind) {
    DibImage a(3, 2);
    a.scanLine(0)[0] = 7;
    DibImage b = a.clone();
    b.scanLine(0)[0] = 9;
    EXPECT_EQ(a.scanLine(0)[0], 7);
    EXPECT_EQ(std::memcmp(&a.header, &b.header, sizeof a.header), 0);

    DibImage c = std::move(a);
    EXPECT_EQ(c.scanLine(0)[0], 7);
    EXPECT_TRUE(a.isNull()); // NOLINT(bugprone-use-after-move): moved-from is empty

    auto block = c.release();
    EXPECT_TRUE(c.isNull());
    EXPECT_EQ(c.byteSize(), 0u);
    DibImage d;
    d.adopt(3, 2, std::move(block));
    EXPECT_EQ(d.width(), 3);
    EXPECT_EQ(d.byteSize(), 24u);
    EXPECT_EQ(d.scanLine(0)[0], 7);
}

TEST(DibImage, EmptySizesGiveAnEmptyImage) {
    for (auto [w, h] : {std::pair{0, 4}, std::pair{4, 0}, std::pair{-3, 2}}) {
        DibImage img(w, h);
        EXPECT_TRUE(img.isNull());
        EXPECT_EQ(img.byteSize(), 0u);
        EXPECT_EQ(img.width(), 0);
    }
    // A width whose row stride would overflow an int stays empty instead.
    DibImage tooWide(lumora::kMaxDibWidth + 1, 1);
    EXPECT_TRUE(tooWide.isNull());
    EXPECT_EQ(tooWide.byteSize(), 0u);
    DibImage empty;
    EXPECT_TRUE(empty.clone().isNull());
}
