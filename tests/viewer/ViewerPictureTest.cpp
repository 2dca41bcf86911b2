// The screen-ready picture: row order and colour of the conversion, the
// reduced copies and the choice among them, quarter turns.
#include "viewer/ViewerPicture.h"
#include "viewer/LoaderGlue.h"
#include "viewer/PixelPool.h"
#include "viewer/QuarterFollower.h"

#include "colour/ColourProfile.h"
#include "imaging/ImageLoader.h"
#include "imaging/RequestCounter.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

using namespace lumora;

class ViewerPictureTest : public QObject {
    Q_OBJECT
private slots:
    void conversionKeepsRowOrderAndColours() {
        DibImage dib(3, 2);
        // Memory row 0 is the picture's bottom row.
        uint8_t* bottom = dib.bits();
        bottom[0] = 255; // blue at bottom-left
        uint8_t* top = dib.bits() + dib.stride();
        top[2] = 255; // red at top-left
        const QImage img = DibToImage(dib);
        QCOMPARE(img.size(), QSize(3, 2));
        QCOMPARE(img.pixel(0, 0), qRgb(255, 0, 0));
        QCOMPARE(img.pixel(0, 1), qRgb(0, 0, 255));
        QVERIFY(DibToImage(DibImage{}).isNull());
    }

    void halvingAveragesFourPixelsAndFoldsOddEdges() {
        QImage img(3, 3, QImage::Format_RGB32);
        img.fill(qRgb(0, 0, 0));
        img.setPixel(0, 0, qRgb(200, 100, 40));
        img.setPixel(1, 1, qRgb(200, 100, 40));
        const QImage half = HalveImage(img);
        QCOMPARE(half.size(), QSize(1, 1));
        QCOMPARE(half.pixel(0, 0), qRgb(100, 50, 20));
        // Saturated values do not spill into the next channel.
        QImage white(2, 2, QImage::Format_RGB32);
        white.fill(qRgb(255, 255, 255));
        QCOMPARE(HalveImage(white).pixel(0, 0), qRgb(255, 255, 255));
    }

    void halvingGivesTheSameFromThreeAndFourBytePixels() {
        QImage rgb(37, 21, QImage::Format_RGB32);
        for (int y = 0; y < rgb.height(); ++y)
            for (int x = 0; x < rgb.width(); ++x)
                rgb.setPixel(x, y, qRgb((x * 37 + y) & 255, (y * 11) & 255, (x * y) & 255));
        const QImage packed = rgb.convertToFormat(QImage::Format_BGR888);
        QCOMPARE(HalveImage(packed), HalveImage(rgb));
        QCOMPARE(HalveImage(packed).size(), QSize(18, 10));
    }

    void reducedLevelsComeStraightFromTheDibAndTheFullSizeFollows() {
        QImage rgb(600, 400, QImage::Format_RGB32);
        for (int y = 0; y < rgb.height(); ++y)
            for (int x = 0; x < rgb.width(); ++x)
                rgb.setPixel(x, y, qRgb(x & 255, y & 255, (x ^ y) & 255));
        // The same picture as a bottom-up DIB.
        DibImage dib(600, 400);
        for (int y = 0; y < 400; ++y) {
            uint8_t* row = dib.bits() + static_cast<std::size_t>(399 - y) * dib.stride();
            for (int x = 0; x < 600; ++x) {
                const QRgb c = rgb.pixel(x, y);
                row[3 * x] = uint8_t(qBlue(c));
                row[3 * x + 1] = uint8_t(qGreen(c));
                row[3 * x + 2] = uint8_t(qRed(c));
            }
        }
        QCOMPARE(HalveDib(dib), HalveImage(rgb));
        auto reduced = ViewerPicture::ReducedFromDib(dib, 1, 100);
        QVERIFY(reduced);
        QVERIFY(!reduced->hasFullSize());
        QCOMPARE(reduced->width(), 400); // turned
        QCOMPARE(reduced->height(), 600);
        QCOMPARE(reduced->levelFor(1.0), 1); // never the pending level 0
        QCOMPARE(reduced->level(1).size(), QSize(200, 300));
        auto full = reduced->WithFullSize(TurnImage(DibToImage(dib), 1));
        QVERIFY(full->hasFullSize());
        QCOMPARE(full->levelFor(1.0), 0);
        QCOMPARE(full->level(1).cacheKey(), reduced->level(1).cacheKey()); // shared
        // Too small for a reduced level: none.
        QVERIFY(!ViewerPicture::ReducedFromDib(DibImage(300, 200), 0, 256));

        // The quarter straight from the DIB is the half halved, pixel for
        // pixel; an odd size leaves the last rows and columns out alike.
        QCOMPARE(QuarterDib(dib), HalveImage(HalveDib(dib)));
        DibImage odd(603, 405);
        for (std::size_t i = 0; i < odd.byteSize(); ++i)
            odd.bits()[i] = uint8_t((i * 131) ^ (i >> 7));
        QCOMPARE(QuarterDib(odd), HalveImage(HalveDib(odd)));
        QVERIFY(QuarterDib(DibImage(3, 8)).isNull());

        // First only the quarter: both the full size and the half pending,
        // the quarter drawn at any scale until they come.
        auto quarter = ViewerPicture::QuarterFromDib(dib, 1, 50);
        QVERIFY(quarter);
        QVERIFY(!quarter->hasFullSize());
        QVERIFY(quarter->level(1).isNull());
        QCOMPARE(quarter->width(), 400);
        QCOMPARE(quarter->level(2).size(), QSize(100, 150));
        QCOMPARE(quarter->levelFor(1.0), 2);
        QCOMPARE(quarter->levelFor(0.1), 3);
        QCOMPARE(quarter->levelCount(), 4); // 150 x 100 -> 75 x 50
        auto complete =
            quarter->WithFullSize(TurnImage(DibToImage(dib), 1), TurnImage(HalveDib(dib), 1));
        QCOMPARE(complete->levelFor(1.0), 0);
        QCOMPARE(complete->levelFor(0.5), 1);
        QCOMPARE(complete->level(1), reduced->level(1));
        QCOMPARE(complete->level(2), reduced->level(2));
        QVERIFY(!ViewerPicture::QuarterFromDib(DibImage(600, 400), 0, 256));
    }

    void levelsHalveDownToTheMinimumAndTheNeededOneIsChosen() {
        QImage img(4000, 3000, QImage::Format_RGB32);
        img.fill(Qt::gray);
        auto p = ViewerPicture::FromImage(img, 256);
        QCOMPARE(p->levelCount(), 4); // 4000, 2000, 1000, 500
        QCOMPARE(p->level(3).size(), QSize(500, 375));
        QCOMPARE(p->levelFor(1.0), 0);
        QCOMPARE(p->levelFor(0.6), 0);
        QCOMPARE(p->levelFor(0.5), 1);
        QCOMPARE(p->levelFor(0.26), 1); // 0.25 would be too coarse
        QCOMPARE(p->levelFor(0.24), 2);
        QCOMPARE(p->levelFor(0.25), 2);
        QCOMPARE(p->levelFor(0.05), 3);
        QCOMPARE(p->levelFor(3.0), 0);
    }

    void quarterTurnsTurnEveryLevelClockwise() {
        QImage img(600, 400, QImage::Format_RGB32);
        img.fill(Qt::black);
        img.setPixel(0, 0, qRgb(255, 255, 255)); // top-left
        auto p = ViewerPicture::FromImage(img, 100);
        auto t = p->Turned(1);
        QCOMPARE(t->quarterTurns(), 1);
        QCOMPARE(t->width(), 400);
        QCOMPARE(t->height(), 600);
        // Clockwise: the top-left corner goes to the top-right.
        QCOMPARE(t->level(0).pixel(399, 0), qRgb(255, 255, 255));
        QCOMPARE(t->levelCount(), p->levelCount());
        QCOMPARE(t->level(1).size(), QSize(200, 300));
        QCOMPARE(t->Turned(3)->quarterTurns(), 0);
    }

    void dibTurnedOnTheWayIn() {
        DibImage dib(4, 2);
        uint8_t* top = dib.bits() + dib.stride();
        top[1] = 255; // green at the top-left
        auto p = ViewerPicture::FromDib(std::move(dib), 2);
        QCOMPARE(p->width(), 4);
        // A half turn moves the top-left to the bottom-right.
        QCOMPARE(p->level(0).pixel(3, 1), qRgb(0, 255, 0));
        QVERIFY(ViewerPicture::FromDib(DibImage{}, 0)->isNull());
        // Adopted without turning: the DIB's own pixels, rows reordered.
        DibImage two(2, 3);
        two.bits()[0] = 9; // blue of the bottom-left pixel
        const uint8_t* before = two.bits();
        auto q = ViewerPicture::FromDib(std::move(two), 0);
        QCOMPARE(q->level(0).constBits(), before);
        QCOMPARE(q->level(0).pixel(0, 2), qRgb(0, 0, 9));
    }

    // The quarter made while the picture decodes is the one made after it,
    // for widths whose rows end with and without padding and heights that
    // are not a multiple of four; a stopped or failed decode gives none and
    // never leaves the follower waiting.
    void quarterFollowsTheDecodeRowByRow() {
        QTemporaryDir dir;
        for (const QSize size : {QSize(1203, 803), QSize(1204, 800), QSize(64, 4)}) {
            QImage img(size, QImage::Format_RGB32);
            for (int y = 0; y < img.height(); ++y)
                for (int x = 0; x < img.width(); ++x)
                    img.setPixel(x, y, qRgb((x * 7) & 255, (y * 5) & 255, (x ^ y) & 255));
            const QString path = dir.filePath(QStringLiteral("f%1.jpg").arg(size.width()));
            QVERIFY(img.save(path, "JPG", 90));
            ImageItem item = ImageItem::FromPath(path.toStdString(), ImageKind::Jpeg);
            CQuarterFollower follower;
            DecodeOutput out = DecodeFullPicture(item, CancelTest{}, {}, &follower.Watch());
            QVERIFY(out.ok());
            const QImage quarter = follower.Finish(out);
            QCOMPARE(quarter.size(), QSize(size.width() / 4, size.height() / 4));
            QCOMPARE(quarter, QuarterDib(out.image));
        }

        // A decode made stale halfway: no quarter, and Finish returns.
        QImage big(2000, 1600, QImage::Format_RGB32);
        big.fill(Qt::darkCyan);
        const QString bigPath = dir.filePath(QStringLiteral("big.jpg"));
        QVERIFY(big.save(bigPath, "JPG", 90));
        RequestCounter counter;
        counter.Set(1);
        CQuarterFollower stale;
        RowWatch watch = stale.Watch();
        auto forward = watch.onRows;
        watch.onRows = [&](int rows) {
            forward(rows);
            if (rows >= 400)
                counter.Set(2);
        };
        ImageItem bigItem = ImageItem::FromPath(bigPath.toStdString(), ImageKind::Jpeg);
        DecodeOutput cut = DecodeFullPicture(bigItem, CancelTest{&counter, 1}, {}, &watch);
        QCOMPARE(cut.status, DecodeStatus::Cancelled);
        QVERIFY(stale.Finish(cut).isNull());

        // Kinds the JPEG decoder does not serve never start it.
        QImage bmp(64, 64, QImage::Format_RGB32);
        bmp.fill(Qt::red);
        const QString bmpPath = dir.filePath(QStringLiteral("p.bmp"));
        QVERIFY(bmp.save(bmpPath, "BMP"));
        CQuarterFollower unused;
        DecodeOutput other =
            DecodeFullPicture(ImageItem::FromPath(bmpPath.toStdString(), ImageKind::Bmp),
                              CancelTest{}, {}, &unused.Watch());
        QVERIFY(other.ok());
        QVERIFY(unused.Finish(other).isNull());
    }

    // Rows fed by hand: the follower waits for them, and one dropped before
    // the last row (the loader thread giving up) ends without a hang.
    void followerDroppedMidwayStopsItsThread() {
        DibImage dib(400, 300);
        for (std::size_t i = 0; i < dib.byteSize(); ++i)
            dib.bits()[i] = uint8_t(i * 13);
        const auto start = std::chrono::steady_clock::now();
        {
            CQuarterFollower follower;
            follower.Watch().onAllocated(dib);
            follower.Watch().onRows(40);
        }
        QVERIFY(std::chrono::steady_clock::now() - start < std::chrono::seconds(5));
        CQuarterFollower fed;
        fed.Watch().onAllocated(dib);
        for (int rows = 8; rows <= 300; rows += 8)
            fed.Watch().onRows(std::min(rows, 300));
        fed.Watch().onRows(300);
        DecodeOutput out;
        out.status = DecodeStatus::Decoded;
        out.image = std::move(dib);
        out.rowsDone = 300;
        QCOMPARE(fed.Finish(out), QuarterDib(out.image));
    }

    // Freed blocks are kept for a picture of exactly their size, within the
    // pool's bounds, and handed out once each.
    void poolKeepsFreedBlocksWithinItsBounds() {
        CPixelPool::Trim();
        const std::size_t mb = std::size_t(1) << 20;
        auto block = std::make_unique<uint8_t[]>(8 * mb);
        const uint8_t* address = block.get();
        CPixelPool::Give(std::move(block), 8 * mb);
        QCOMPARE(CPixelPool::KeptBlocks(), 1);
        QVERIFY(!CPixelPool::Take(9 * mb));
        auto again = CPixelPool::Take(8 * mb);
        QCOMPARE(again.get(), address);
        QVERIFY(!CPixelPool::Take(8 * mb)); // once only
        // Small blocks and null ones are not kept.
        CPixelPool::Give(std::make_unique<uint8_t[]>(mb), mb);
        CPixelPool::Give(nullptr, 8 * mb);
        QCOMPARE(CPixelPool::KeptBlocks(), 0);
        // At most kMaxBlocks, the oldest going first, and never more bytes
        // than kMaxBytes.
        std::vector<const uint8_t*> given;
        for (int i = 0; i < CPixelPool::kMaxBlocks + 2; ++i) {
            auto b = std::make_unique<uint8_t[]>(5 * mb);
            given.push_back(b.get());
            CPixelPool::Give(std::move(b), 5 * mb);
        }
        QCOMPARE(CPixelPool::KeptBlocks(), CPixelPool::kMaxBlocks);
        QCOMPARE(CPixelPool::Take(5 * mb).get(), given.back()); // the newest first
        const std::size_t big = CPixelPool::kMaxBytes / 2 + mb;
        CPixelPool::Give(std::make_unique<uint8_t[]>(big), big);
        CPixelPool::Give(std::make_unique<uint8_t[]>(big), big);
        QVERIFY(CPixelPool::KeptBytes() <= CPixelPool::kMaxBytes);
        CPixelPool::Trim();
        QCOMPARE(CPixelPool::KeptBytes(), std::size_t(0));

        // Threads giving and taking at once never hand one block out twice.
        std::vector<std::thread> threads;
        std::atomic<int> clashes{0};
        for (int t = 0; t < 4; ++t)
            threads.emplace_back([t, &clashes, mb] {
                for (int i = 0; i < 200; ++i) {
                    auto b = CPixelPool::TakeOrAllocate(4 * mb, false);
                    std::memset(b.get(), t + 1, 4096);
                    std::this_thread::yield();
                    for (int k = 0; k < 4096; ++k)
                        if (b[std::size_t(k)] != t + 1) {
                            ++clashes;
                            break;
                        }
                    CPixelPool::Give(std::move(b), 4 * mb);
                }
            });
        for (auto& th : threads)
            th.join();
        QCOMPARE(clashes.load(), 0);
        QVERIFY(CPixelPool::KeptBlocks() <= CPixelPool::kMaxBlocks);
        CPixelPool::Trim();
    }

    // A second picture of the same size decodes into the block the first
    // one gave back: no fresh pages to clear.
    void aPictureOfTheSameSizeReusesTheFreedBlock() {
        CPixelPool::Trim();
        QTemporaryDir dir;
        QImage img(2400, 1800, QImage::Format_RGB32);
        img.fill(Qt::darkGreen);
        const QString path = dir.filePath(QStringLiteral("same.jpg"));
        QVERIFY(img.save(path, "JPG", 80));
        const ImageItem item = ImageItem::FromPath(path.toStdString(), ImageKind::Jpeg);
        const uint8_t* first = nullptr;
        for (int round = 0; round < 2; ++round) {
            CQuarterFollower follower;
            DecodeOutput out = DecodeFullPicture(item, CancelTest{}, {}, &follower.Watch());
            QVERIFY(out.ok());
            QVERIFY(!follower.Finish(out).isNull());
            if (round == 0)
                first = out.image.bits();
            else
                QCOMPARE(out.image.bits(), first);
            const std::size_t size = out.image.byteSize();
            CPixelPool::Give(out.image.release(), size);
        }
        CPixelPool::Trim();
    }

    // A picture in Adobe RGB: the follower converts the rows beside the
    // decode, and the result is the decoder's own conversion, quarter and
    // all; a decode made stale halfway still ends with every decoded row
    // converted.
    void followerConvertsColoursBesideTheDecode() {
        QTemporaryDir dir;
        QImage img(1203, 803, QImage::Format_RGB32);
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                img.setPixel(x, y, qRgb((x * 255) / 1202, 255 - (y * 255) / 802, 60));
        const QString plain = dir.filePath(QStringLiteral("plain.jpg"));
        QVERIFY(img.save(plain, "JPG", 92));
        QFile in(plain);
        QVERIFY(in.open(QIODevice::ReadOnly));
        QByteArray bytes = in.readAll();
        const std::vector<uint8_t> icc = AdobeRgbProfile()->Bytes();
        QByteArray segment("\xFF\xE2", 2);
        const int length = 2 + 14 + int(icc.size());
        segment.append(char(length >> 8)).append(char(length & 0xFF));
        segment.append("ICC_PROFILE", 12).append(char(1)).append(char(1));
        segment.append(reinterpret_cast<const char*>(icc.data()), qsizetype(icc.size()));
        bytes.insert(2, segment);
        const QString path = dir.filePath(QStringLiteral("adobe.jpg"));
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(bytes);
        out.close();
        const ImageItem item = ImageItem::FromPath(path.toStdString(), ImageKind::Jpeg);

        const DecodeOutput byDecoder = DecodeForLoader(item, 0, {}, {}, nullptr, SrgbProfile());
        const DecodeOutput unconverted = DecodeForLoader(item, 0, {}, {}, nullptr, nullptr);
        QVERIFY(byDecoder.ok() && unconverted.ok());
        QVERIFY(std::memcmp(byDecoder.image.bits(), unconverted.image.bits(),
                            byDecoder.image.byteSize()) != 0);
        {
            CQuarterFollower follower;
            DecodeOutput followed = DecodeFullPicture(item, CancelTest{}, {}, &follower.Watch());
            const QImage quarter = follower.Finish(followed);
            QVERIFY(followed.ok());
            QCOMPARE(std::memcmp(followed.image.bits(), byDecoder.image.bits(),
                                 byDecoder.image.byteSize()),
                     0);
            QCOMPARE(quarter, QuarterDib(byDecoder.image));
        }
        // Stale after a few rows: the rows decoded are converted, no more.
        RequestCounter counter;
        counter.Set(1);
        CQuarterFollower follower;
        RowWatch watch = follower.Watch();
        const auto onRows = watch.onRows;
        watch.onRows = [&](int rows) {
            onRows(rows);
            if (rows >= 200)
                counter.Set(2);
        };
        DecodeOutput stale = DecodeFullPicture(item, CancelTest{&counter, 1}, {}, &watch);
        QVERIFY(follower.Finish(stale).isNull());
        QVERIFY(stale.rowsDone >= 200 && stale.rowsDone < 803);
        const int rowBytes = 1203 * 3;
        for (int y : {0, stale.rowsDone - 1})
            QCOMPARE(std::memcmp(stale.image.scanLine(y), byDecoder.image.scanLine(y), rowBytes),
                     0);
    }
};

QTEST_MAIN(ViewerPictureTest)
#include "ViewerPictureTest.moc"
