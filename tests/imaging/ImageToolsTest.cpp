#include "imaging/ImageTools.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <vector>

using lumora::CImageTools;
using lumora::DibImage;
using lumora::dibStride;

namespace {

using Pixel = std::array<uint8_t, 3>; // blue, green, red

// Picture pixel (x, y) counted from the top-left.
Pixel pixelAt(const DibImage& img, int x, int y) {
    const uint8_t* p = img.scanLine(y) + x * 3;
    return {p[0], p[1], p[2]};
}

void setPixel(DibImage& img, int x, int y, Pixel v) {
    uint8_t* p = img.scanLine(y) + x * 3;
    p[0] = v[0];
    p[1] = v[1];
    p[2] = v[2];
}

// Each pixel carries its own top-down coordinates.
DibImage taggedImage(int w, int h) {
    DibImage img(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            setPixel(img, x, y, {uint8_t(x), uint8_t(y), uint8_t(x ^ (y * 7))});
    return img;
}

DibImage randomImage(int w, int h, unsigned seed) {
    std::mt19937 rng(seed);
    DibImage img(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w * 3; ++x)
            img.scanLine(y)[x] = static_cast<uint8_t>(rng());
    return img;
}

bool paddingIsZero(const DibImage& img) {
    const int used = img.width() * 3;
    for (int r = 0; r < img.height(); ++r)
        for (int b = used; b < img.stride(); ++b)
            if (img.memoryRow(r)[b] != 0)
                return false;
    return true;
}

} // namespace

TEST(ImageToolsSize, OddWidthsArePaddedToFourBytes) {
    for (int w : {1, 2, 3, 4, 5, 7, 641}) {
        const int stride = dibStride(w);
        EXPECT_EQ(stride % 4, 0) << w;
        EXPECT_GE(stride, w * 3) << w;
        EXPECT_LT(stride - w * 3, 4) << w;
        for (int h : {1, 2, 3, 480})
            EXPECT_EQ(CImageTools::GetImageSize24(w, h), static_cast<std::size_t>(stride) * h)
                << w << "x" << h;
    }
    EXPECT_EQ(dibStride(1), 4);
    EXPECT_EQ(dibStride(2), 8);
    EXPECT_EQ(dibStride(3), 12);
    EXPECT_EQ(dibStride(5), 16);
    EXPECT_EQ(CImageTools::GetImageSize24(0, 5), 0u);
    EXPECT_EQ(CImageTools::GetImageSize24(5, -1), 0u);
}

TEST(ImageToolsSize, BitmapBitsRoundTripKeepsHeaderAndPadding) {
    DibImage src = taggedImage(5, 3);
    lumora::BitmapInfo header;
    DibImage copy;
    EXPECT_EQ(CImageTools::SetBitmapBits24(copy, 5, 3, &header, src.bits()), 3);
    EXPECT_EQ(header.biWidth, 5);
    EXPECT_EQ(header.biHeight, 3);
    EXPECT_EQ(header.biBitCount, 24);
    EXPECT_EQ(0, std::memcmp(copy.bits(), src.bits(), src.byteSize()));

    std::unique_ptr<uint8_t[]> out;
    EXPECT_EQ(CImageTools::GetBitmapBits24(copy, &header, out), 3);
    ASSERT_TRUE(out);
    EXPECT_EQ(header.biSizeImage, 16u * 3u);
    EXPECT_EQ(0, std::memcmp(out.get(), src.bits(), src.byteSize()));

    DibImage empty;
    EXPECT_EQ(CImageTools::GetBitmapBits24(empty, nullptr, out), 0);
    EXPECT_FALSE(out);
    EXPECT_EQ(CImageTools::SetBitmapBits24(copy, 4, 4, nullptr, nullptr), 0);
    EXPECT_TRUE(copy.isNull());
}

TEST(ImageToolsRotate, QuarterTurnsOfThreeByTwo) {
    // A B C
    // D E F
    const Pixel A{1, 0, 0}, B{2, 0, 0}, C{3, 0, 0}, D{4, 0, 0}, E{5, 0, 0}, F{6, 0, 0};
    DibImage img(3, 2);
    setPixel(img, 0, 0, A);
    setPixel(img, 1, 0, B);
    setPixel(img, 2, 0, C);
    setPixel(img, 0, 1, D);
    setPixel(img, 1, 1, E);
    setPixel(img, 2, 1, F);

    DibImage left = img.clone();
    CImageTools::RotateLeft90(left);
    ASSERT_EQ(left.width(), 2);
    ASSERT_EQ(left.height(), 3);
    EXPECT_EQ(left.header.biSizeImage, 8u * 3u);
    // C F / B E / A D: the old top-left ends at the bottom-left.
    EXPECT_EQ(pixelAt(left, 0, 0), C);
    EXPECT_EQ(pixelAt(left, 1, 0), F);
    EXPECT_EQ(pixelAt(left, 0, 1), B);
    EXPECT_EQ(pixelAt(left, 1, 1), E);
    EXPECT_EQ(pixelAt(left, 0, 2), A);
    EXPECT_EQ(pixelAt(left, 1, 2), D);
    const uint8_t* bottomLeft = left.memoryRow(0);
    EXPECT_EQ(bottomLeft[0], A[0]);
    EXPECT_TRUE(paddingIsZero(left));

    DibImage right = img.clone();
    CImageTools::RotateRight90(right);
    ASSERT_EQ(right.width(), 2);
    ASSERT_EQ(right.height(), 3);
    // D A / E B / F C: the old top-left ends at the top-right.
    EXPECT_EQ(pixelAt(right, 0, 0), D);
    EXPECT_EQ(pixelAt(right, 1, 0), A);
    EXPECT_EQ(pixelAt(right, 0, 1), E);
    EXPECT_EQ(pixelAt(right, 1, 1), B);
    EXPECT_EQ(pixelAt(right, 0, 2), F);
    EXPECT_EQ(pixelAt(right, 1, 2), C);
    EXPECT_TRUE(paddingIsZero(right));
}

TEST(ImageToolsRotate, LargeImagesCrossTileBordersCorrectly) {
    // Sizes that are not multiples of the 64-pixel tile, on both axes.
    const int w = 130, h = 67;
    const DibImage img = taggedImage(w, h);
    DibImage left = img.clone();
    CImageTools::RotateLeft90(left);
    DibImage right = img.clone();
    CImageTools::RotateRight90(right);
    ASSERT_EQ(left.width(), h);
    ASSERT_EQ(left.height(), w);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            ASSERT_EQ(pixelAt(left, y, w - 1 - x), pixelAt(img, x, y)) << x << "," << y;
            ASSERT_EQ(pixelAt(right, h - 1 - y, x), pixelAt(img, x, y)) << x << "," << y;
        }
    EXPECT_TRUE(paddingIsZero(left));
    EXPECT_TRUE(paddingIsZero(right));
}

TEST(ImageToolsRotate, HalfTurnAndInverseTurns) {
    const DibImage img = taggedImage(70, 5);
    DibImage half = img.clone();
    CImageTools::RotateHalf(half);
    ASSERT_EQ(half.width(), 70);
    ASSERT_EQ(half.height(), 5);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 70; ++x)
            ASSERT_EQ(pixelAt(half, 69 - x, 4 - y), pixelAt(img, x, y));

    DibImage back = img.clone();
    CImageTools::RotateLeft90(back);
    CImageTools::RotateRight90(back);
    ASSERT_EQ(back.byteSize(), img.byteSize());
    EXPECT_EQ(0, std::memcmp(back.bits(), img.bits(), img.byteSize()));

    DibImage empty;
    CImageTools::RotateLeft90(empty); // no pixels: nothing happens
    EXPECT_TRUE(empty.isNull());
}

TEST(ImageToolsHistogram, ScaleRules) {
    std::vector<uint8_t> plane(19200);
    for (std::size_t i = 0; i < plane.size(); ++i)
        plane[i] = static_cast<uint8_t>(i % 7 == 0 ? 200 : i % 256);
    uint32_t plain[256], scaled[256];
    CImageTools::ComputeHistogram(plane.data(), plane.size(), plain, 0);
    uint32_t total = 0;
    for (uint32_t c : plain)
        total += c;
    EXPECT_EQ(total, 19200u);
    EXPECT_GT(plain[200], plain[201]);

    CImageTools::ComputeHistogram(plane.data(), plane.size(), scaled, 19200);
    for (int v = 0; v < 256; ++v)
        EXPECT_EQ(scaled[v], plain[v]) << v;

    // Twice the bytes, same picture twice: every count is halved (odd counts truncate).
    std::vector<uint8_t> twice(plane);
    twice.insert(twice.end(), plane.begin(), plane.end());
    twice.back() = 3; // makes the count of value 3 odd
    uint32_t twicePlain[256];
    CImageTools::ComputeHistogram(twice.data(), twice.size(), twicePlain, 0);
    ASSERT_EQ(twicePlain[3] % 2, 1u);
    CImageTools::ComputeHistogram(twice.data(), twice.size(), scaled, 19200);
    for (int v = 0; v < 256; ++v)
        EXPECT_EQ(scaled[v], twicePlain[v] / 2) << v;

    // Stale table contents are cleared, and no bytes with a scale divides by nothing.
    std::fill(std::begin(scaled), std::end(scaled), 77u);
    CImageTools::ComputeHistogram(plane.data(), 0, scaled, 19200);
    for (uint32_t c : scaled)
        EXPECT_EQ(c, 0u);
}

TEST(ImageToolsPlanes, SplitReadsPaddedRowsInMemoryOrder) {
    const int w = 3, h = 2; // 9 bytes of pixels, 12-byte stride
    DibImage img = taggedImage(w, h);
    std::vector<uint8_t> r(w * h), g(w * h), b(w * h);
    CImageTools::SplitBgrPlanes(w, h, img.bits(), r.data(), g.data(), b.data(), 3);
    for (int m = 0; m < h; ++m)
        for (int x = 0; x < w; ++x) {
            const uint8_t* p = img.memoryRow(m) + x * 3;
            EXPECT_EQ(b[m * w + x], p[0]);
            EXPECT_EQ(g[m * w + x], p[1]);
            EXPECT_EQ(r[m * w + x], p[2]);
        }

    // Four bytes per pixel: stride is 4 * width, the fourth byte is ignored.
    const std::vector<uint8_t> bgra = {10, 20, 30, 99, 11, 21, 31, 99, 12, 22, 32, 99};
    std::vector<uint8_t> r4(3), g4(3), b4(3);
    CImageTools::SplitBgrPlanes(3, 1, bgra.data(), r4.data(), g4.data(), b4.data(), 4);
    EXPECT_EQ(r4, (std::vector<uint8_t>{30, 31, 32}));
    EXPECT_EQ(g4, (std::vector<uint8_t>{20, 21, 22}));
    EXPECT_EQ(b4, (std::vector<uint8_t>{10, 11, 12}));
}

TEST(ImageToolsPlanes, YCbCrTruncatesTowardZeroAndClamps) {
    struct Case {
        Pixel bgr;
        uint8_t y, cb, cr;
    };
    const Case cases[] = {
        {{0, 0, 0}, 0, 128, 128},
        {{0, 0, 255}, 76, 85, 255},  // red: Cr = 128 - trunc(-127.5) = 255
        {{255, 0, 0}, 29, 255, 108}, // blue
        {{0, 255, 0}, 149, 44, 22},  // green
        {{0, 0, 101}, 30, 111, 178}, // trunc(-50.5) is -50, not -51
        {{255, 255, 255}, 254, 127, 128},
    };
    for (const Case& c : cases) {
        DibImage img(1, 1);
        setPixel(img, 0, 0, c.bgr);
        uint8_t y = 0, cb = 0, cr = 0;
        CImageTools::ConvertToYCbCrPlanes(1, 1, img.bits(), &y, &cb, &cr, 3);
        // White sums to 255 up to float rounding; accept either side of it.
        if (c.bgr == Pixel{255, 255, 255}) {
            EXPECT_GE(y, 254);
            EXPECT_GE(cb, 127);
            EXPECT_LE(cb, 128);
            continue;
        }
        EXPECT_EQ(y, c.y) << int(c.bgr[2]) << "," << int(c.bgr[1]) << "," << int(c.bgr[0]);
        EXPECT_EQ(cb, c.cb) << int(c.bgr[2]) << "," << int(c.bgr[1]) << "," << int(c.bgr[0]);
        EXPECT_EQ(cr, c.cr) << int(c.bgr[2]) << "," << int(c.bgr[1]) << "," << int(c.bgr[0]);
    }
}

TEST(ImageToolsBilinear, SameSizeIsIdentity) {
    const DibImage src = randomImage(37, 23, 1);
    DibImage dst(37, 23);
    CImageTools::ResizeBilinear(37, 23, src.stride(), src.bits(), 37, 23, dst.stride(), dst.bits());
    EXPECT_EQ(0, std::memcmp(src.bits(), dst.bits(), src.byteSize()));
}

TEST(ImageToolsBilinear, LastRowAndColumnRepeatInsteadOfReadingPast) {
    // Exact-size buffers so a read past the end is caught by the sanitizer.
    const int sw = 2, sh = 2, stride = dibStride(sw);
    std::vector<uint8_t> src(static_cast<std::size_t>(stride) * sh, 0);
    auto put = [&](int m, int x, uint8_t v) {
        for (int k = 0; k < 3; ++k)
            src[m * stride + x * 3 + k] = v;
    };
    put(0, 0, 0);
    put(0, 1, 100);
    put(1, 0, 200);
    put(1, 1, 40);
    const int dw = 4, dh = 4, dstride = dibStride(dw);
    std::vector<uint8_t> dst(static_cast<std::size_t>(dstride) * dh, 0);
    CImageTools::ResizeBilinear(sw, sh, stride, src.data(), dw, dh, dstride, dst.data());
    auto at = [&](int m, int x) { return dst[m * dstride + x * 3]; };
    EXPECT_EQ(at(0, 0), 0);
    EXPECT_EQ(at(0, 1), 50); // halfway between 0 and 100
    EXPECT_EQ(at(0, 2), 100);
    EXPECT_EQ(at(0, 3), 100); // last column repeats its neighbour
    EXPECT_EQ(at(2, 0), 200);
    EXPECT_EQ(at(3, 0), 200); // last row repeats
    EXPECT_EQ(at(3, 3), 40);
    EXPECT_EQ(at(1, 0), 100);

    // Odd reduction: every index stays inside the source.
    const DibImage big = randomImage(101, 53, 2);
    std::vector<uint8_t> small(static_cast<std::size_t>(dibStride(7)) * 3);
    CImageTools::ResizeBilinear(101, 53, big.stride(), big.bits(), 7, 3, dibStride(7),
                                small.data());
}

namespace {

// Straightforward double-precision area average for comparison.
DibImage referenceArea(const DibImage& src, int dw, int dh) {
    DibImage out(dw, dh);
    const double sx = double(src.width()) / dw, sy = double(src.height()) / dh;
    for (int i = 0; i < dh; ++i)
        for (int j = 0; j < dw; ++j) {
            double sum[3] = {0, 0, 0}, area = 0;
            const double y0 = i * sy, y1 = (i + 1) * sy, x0 = j * sx, x1 = (j + 1) * sx;
            for (int m = int(std::floor(y0)); m < int(std::ceil(y1)) && m < src.height(); ++m) {
                const double wy = std::min<double>(m + 1, y1) - std::max<double>(m, y0);
                for (int x = int(std::floor(x0)); x < int(std::ceil(x1)) && x < src.width(); ++x) {
                    const double wx = std::min<double>(x + 1, x1) - std::max<double>(x, x0);
                    const uint8_t* p = src.memoryRow(m) + x * 3;
                    for (int k = 0; k < 3; ++k)
                        sum[k] += wy * wx * p[k];
                    area += wy * wx;
                }
            }
            for (int k = 0; k < 3; ++k)
                out.memoryRow(i)[j * 3 + k] = uint8_t(std::lround(sum[k] / area));
        }
    return out;
}

int maxDifference(const DibImage& a, const DibImage& b) {
    int worst = 0;
    for (int m = 0; m < a.height(); ++m)
        for (int x = 0; x < a.width() * 3; ++x)
            worst = std::max(worst, std::abs(int(a.memoryRow(m)[x]) - int(b.memoryRow(m)[x])));
    return worst;
}

} // namespace

TEST(ImageToolsArea, MatchesReferenceAverage) {
    struct Size {
        int sw, sh, dw, dh;
    };
    const Size sizes[] = {{97, 61, 13, 7}, {640, 480, 160, 120}, {7, 5, 3, 2},
                          {5, 5, 5, 5},    {300, 1, 7, 1},       {1, 300, 1, 9},
                          {3, 7, 7, 3},    {1000, 3, 1, 1},      {641, 427, 160, 107}};
    unsigned seed = 10;
    for (const Size& s : sizes) {
        const DibImage src = randomImage(s.sw, s.sh, seed++);
        const DibImage got = CImageTools::ResizeArea(src, s.dw, s.dh);
        ASSERT_EQ(got.width(), s.dw);
        ASSERT_EQ(got.height(), s.dh);
        EXPECT_LE(maxDifference(got, referenceArea(src, s.dw, s.dh)), 1)
            << s.sw << "x" << s.sh << " -> " << s.dw << "x" << s.dh;
        EXPECT_TRUE(paddingIsZero(got));
    }
}

TEST(ImageToolsArea, FlatColourStaysExactAndIdentityIsExact) {
    DibImage flat(333, 211);
    for (int y = 0; y < 211; ++y)
        for (int x = 0; x < 333; ++x)
            setPixel(flat, x, y, {255, 128, 1});
    const DibImage small = CImageTools::ResizeArea(flat, 17, 9);
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 17; ++x)
            ASSERT_EQ(pixelAt(small, x, y), (Pixel{255, 128, 1}));

    const DibImage src = randomImage(29, 31, 99);
    const DibImage same = CImageTools::ResizeArea(src, 29, 31);
    EXPECT_EQ(0, std::memcmp(same.bits(), src.bits(), src.byteSize()));

    // Halving averages each 2 x 2 block, rounded to nearest.
    DibImage quad(2, 2);
    setPixel(quad, 0, 0, {0, 10, 255});
    setPixel(quad, 1, 0, {1, 11, 255});
    setPixel(quad, 0, 1, {0, 10, 0});
    setPixel(quad, 1, 1, {1, 12, 0});
    const DibImage one = CImageTools::ResizeArea(quad, 1, 1);
    EXPECT_EQ(pixelAt(one, 0, 0), (Pixel{1, 11, 128})); // 0.5 -> 1, 10.75 -> 11, 127.5 -> 128

    EXPECT_TRUE(CImageTools::ResizeArea(DibImage(), 4, 4).isNull());
    EXPECT_TRUE(CImageTools::ResizeArea(src, 0, 4).isNull());
}

TEST(ImageToolsArea, RectanglesMapPictureCoordinatesAndStayInside) {
    const DibImage src = randomImage(90, 60, 7);
    // Crop picture rows 10..39 and columns 20..79 by hand, then reduce.
    DibImage crop(60, 30);
    for (int y = 0; y < 30; ++y)
        std::memcpy(crop.scanLine(y), src.scanLine(10 + y) + 20 * 3, 60 * 3);
    const DibImage want = CImageTools::ResizeArea(crop, 20, 10);

    DibImage dst(40, 30); // zero: everything outside the target stays black
    ASSERT_TRUE(CImageTools::ResizeAreaRect(src, 20, 10, 60, 30, dst, 5, 3, 20, 10));
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) {
            const bool in = x >= 5 && x < 25 && y >= 3 && y < 13;
            ASSERT_EQ(pixelAt(dst, x, y), in ? pixelAt(want, x - 5, y - 3) : (Pixel{0, 0, 0}))
                << x << "," << y;
        }
    EXPECT_TRUE(paddingIsZero(dst));

    // Rectangles reaching outside either image are refused untouched.
    DibImage untouched = dst.clone();
    EXPECT_FALSE(CImageTools::ResizeAreaRect(src, 80, 0, 11, 10, dst, 0, 0, 4, 4));
    EXPECT_FALSE(CImageTools::ResizeAreaRect(src, 0, 0, 10, 10, dst, 38, 0, 4, 4));
    EXPECT_FALSE(CImageTools::ResizeAreaRect(src, -1, 0, 10, 10, dst, 0, 0, 4, 4));
    EXPECT_FALSE(CImageTools::ResizeAreaRect(src, 0, 0, 0, 10, dst, 0, 0, 4, 4));
    EXPECT_EQ(0, std::memcmp(untouched.bits(), dst.bits(), dst.byteSize()));
}
