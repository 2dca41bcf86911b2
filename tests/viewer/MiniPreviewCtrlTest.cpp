// The mini preview: decoding on its loader thread at the pane's size, the
// EXIF turn, superseded and failed results, the hidden pane, and the loupe
// with its full-size decode.
#include "viewer/MiniPreviewCtrl.h"

#include "engine/ImageItemList.h"
#include "imaging/ImageLoader.h"
#include "samples/Canvas.h"
#include "samples/SampleGen.h"

#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <fstream>

using namespace lumora;

namespace {

const QString kSamples = QStringLiteral(LUMORA_SHARED_SAMPLES);

ImageItem ItemFor(const QString& path) {
    ImageItem item = ImageItem::FromPath(path.toStdString(), ImageKind::Jpeg);
    ScanItemInfo(item);
    return item;
}

// Left half red, right half blue.
QString WriteJpeg(const QTemporaryDir& dir, const QString& name, int w, int h) {
    QImage img(w, h, QImage::Format_RGB888);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixelColor(x, y, x < w / 2 ? QColor(220, 20, 20) : QColor(20, 20, 220));
    const QString path = dir.filePath(name);
    img.save(path, "JPG", 95);
    return path;
}

// Mean absolute difference of two pictures brought to 45 x 60.
double Difference(const QImage& a, const QImage& b) {
    const QImage x = a.scaled(45, 60).convertToFormat(QImage::Format_RGB888);
    const QImage y = b.scaled(45, 60).convertToFormat(QImage::Format_RGB888);
    double sum = 0;
    for (int r = 0; r < 60; ++r)
        for (int c = 0; c < 45 * 3; ++c)
            sum += std::abs(int(x.constScanLine(r)[c]) - int(y.constScanLine(r)[c]));
    return sum / (45 * 60 * 3);
}

struct Shown {
    CMiniPreviewCtrl ctrl;
    explicit Shown(QSize size = QSize(302, 240)) {
        ctrl.resize(size);
        ctrl.show();
        QVERIFY(QTest::qWaitForWindowExposed(&ctrl));
    }
};

bool WaitIdle(CMiniPreviewCtrl& c) {
    return QTest::qWaitFor([&] { return !c.decoding(); }, 20000);
}

} // namespace

class MiniPreviewCtrlTest : public QObject {
    Q_OBJECT
private:
    QTemporaryDir dir_;

private slots:
    void cleanup() { QVERIFY(CMiniPreviewCtrl::WaitForDecodes(20000)); }

    void hiddenPaneDecodesNothingAndShowingDecodesTheLastItem() {
        CMiniPreviewCtrl c;
        c.resize(302, 240);
        const QString a = WriteJpeg(dir_, "a.jpg", 200, 150);
        const QString b = WriteJpeg(dir_, "b.jpg", 300, 200);
        c.SetItem(ItemFor(a));
        c.SetItem(ItemFor(b));
        QCOMPARE(c.decodesStarted(), 0);
        QCOMPARE(CMiniPreviewCtrl::RunningDecodes(), 0);
        QVERIFY(c.lastItem().has_value());
        c.ShowPane(true);
        QVERIFY(QTest::qWaitForWindowExposed(&c));
        QTRY_VERIFY_WITH_TIMEOUT(c.hasImage(), 20000);
        QCOMPARE(c.decodesStarted(), 1);
        QCOMPARE(c.caption(), QStringLiteral("b.jpg"));
        QCOMPARE(c.imageSize(), QSize(300, 200));
        c.ShowPane(false);
        QVERIFY(!c.isVisible());
        c.SetItem(ItemFor(a));
        QCOMPARE(c.decodesStarted(), 1);
    }

    void scaleIsChosenFromThePaneSize() {
        const QString big = WriteJpeg(dir_, "big.jpg", 1600, 1200);
        {
            Shown s(QSize(302, 222)); // client 300 x 220: 300 x 4 < 1600
            s.ctrl.SetItem(ItemFor(big));
            QTRY_VERIFY_WITH_TIMEOUT(s.ctrl.hasImage(), 20000);
            QCOMPARE(s.ctrl.imageSize(), QSize(400, 300));
        }
        {
            Shown s(QSize(152, 122)); // client 150: 150 x 8 < 1600
            s.ctrl.SetItem(ItemFor(big));
            QTRY_VERIFY_WITH_TIMEOUT(s.ctrl.hasImage(), 20000);
            QCOMPARE(s.ctrl.imageSize(), QSize(200, 150));
        }
    }

    void portraitWithOrientationSixIsShownUpright() {
        const QString turned = kSamples + "/orientation/portrait_6.jpg";
        const QString upright = kSamples + "/orientation/portrait_1.jpg";
        if (!QFile::exists(turned) || !QFile::exists(upright))
            QSKIP("shared samples missing");
        Shown s;
        // The file's EXIF block follows a JFIF and an ICC segment: the
        // orientation is found there all the same.
        const ImageItem item = ItemFor(turned);
        QCOMPARE(item.imageInfo.orientation.value_or(0), 6);
        s.ctrl.SetItem(item);
        QTRY_VERIFY_WITH_TIMEOUT(s.ctrl.hasImage(), 20000);
        const QImage shown = s.ctrl.image();
        QVERIFY2(shown.height() > shown.width(), "portrait after the turn");
        Shown ref;
        ref.ctrl.SetItem(ItemFor(upright));
        QTRY_VERIFY_WITH_TIMEOUT(ref.ctrl.hasImage(), 20000);
        QCOMPARE(shown.size(), ref.ctrl.image().size());
        QVERIFY2(Difference(shown, ref.ctrl.image()) < 20, "same picture, same way up");
    }

    void tiffWithOrientationSixIsShownUprightAndTurnedOnce() {
        // The TIFF decoder puts the picture upright itself; the item's
        // orientation from the file must not turn it again.
        samples::writeOrientedTiff(dir_.path().toStdString(), "turned.tif", 6, false);
        ImageItem item =
            ImageItem::FromPath(dir_.filePath("turned.tif").toStdString(), ImageKind::Tiff);
        ScanItemInfo(item);
        QCOMPARE(item.imageInfo.orientation.value_or(0), 6);
        Shown s;
        s.ctrl.SetItem(item);
        QTRY_VERIFY_WITH_TIMEOUT(s.ctrl.hasImage(), 20000);
        const samples::Canvas upright =
            samples::renderSamplePicture(300, 225, "turned.tif", "TIFF UPRIGHT", 43);
        const QImage expected(upright.pixels().data(), 300, 225, 300 * 3, QImage::Format_RGB888);
        QCOMPARE(s.ctrl.imageSize(), QSize(300, 225));
        QVERIFY2(Difference(s.ctrl.image(), expected) < 1, "the stored picture, upright");
    }

    void newerSelectionWinsAndAStaleResultLeavesThePane() {
        Shown s;
        const QString a = WriteJpeg(dir_, "first.jpg", 1200, 900);
        const QString b = WriteJpeg(dir_, "second.jpg", 640, 480);
        CMiniPreviewCtrl::ResetMaxRunningDecodes();
        s.ctrl.SetItem(ItemFor(a));
        s.ctrl.SetItem(ItemFor(b));
        QVERIFY(WaitIdle(s.ctrl));
        QTRY_VERIFY_WITH_TIMEOUT(s.ctrl.hasImage(), 20000);
        QCOMPARE(s.ctrl.caption(), QStringLiteral("second.jpg"));
        QVERIFY(CMiniPreviewCtrl::MaxRunningDecodes() <= 1);
        const QSize shown = s.ctrl.imageSize();

        // A late result of an older request changes nothing.
        auto stale = std::make_unique<MiniImageResult>();
        stale->requestNumber = s.ctrl.requestId() - 1;
        stale->image = DibImage(17, 13);
        stale->entry.item = ItemFor(a);
        const int live = MiniImageResult::live.load();
        PostNew<MiniPreviewResultMessage>(&s.ctrl, std::move(stale), true);
        QCoreApplication::processEvents();
        QCOMPARE(s.ctrl.imageSize(), shown);
        QCOMPARE(s.ctrl.caption(), QStringLiteral("second.jpg"));
        QCOMPARE(MiniImageResult::live.load(), live - 1); // freed
    }

    void holdingAKeyNeverQueuesDecodes() {
        Shown s;
        std::vector<ImageItem> items;
        for (int i = 0; i < 4; ++i)
            items.push_back(ItemFor(WriteJpeg(dir_, QString("k%1.jpg").arg(i), 1000 + 8 * i, 750)));
        CMiniPreviewCtrl::ResetMaxRunningDecodes();
        for (int i = 0; i < 200; ++i) {
            s.ctrl.SetItem(items[std::size_t(i % 4)]);
            if (i % 10 == 0)
                QCoreApplication::processEvents();
        }
        QVERIFY(WaitIdle(s.ctrl));
        QTRY_VERIFY_WITH_TIMEOUT(s.ctrl.hasImage(), 20000);
        QCOMPARE(CMiniPreviewCtrl::MaxRunningDecodes(), 1);
        QVERIFY(s.ctrl.decodesStarted() < 200);
        QCOMPARE(s.ctrl.caption(), QStringLiteral("k3.jpg")); // the last one asked for
    }

    void failedDecodeLeavesABlackPane() {
        Shown s;
        s.ctrl.SetItem(ItemFor(WriteJpeg(dir_, "good.jpg", 320, 240)));
        QTRY_VERIFY_WITH_TIMEOUT(s.ctrl.hasImage(), 20000);
        const QString bad = dir_.filePath("bad.jpg");
        std::ofstream(bad.toStdString()) << "this is not a JPEG file at all";
        s.ctrl.SetItem(ItemFor(bad));
        QVERIFY(WaitIdle(s.ctrl));
        QTRY_VERIFY(!s.ctrl.hasImage());
        QCOMPARE(s.ctrl.caption(), QString());
        const QImage pane = s.ctrl.grab().toImage();
        QCOMPARE(QColor(pane.pixel(150, 8)), QColor(Qt::black)); // no caption line either

        // A file that cannot be opened posts no result; the old picture
        // must not stay under the new selection.
        s.ctrl.SetItem(ItemFor(WriteJpeg(dir_, "good2.jpg", 320, 240)));
        QTRY_VERIFY_WITH_TIMEOUT(s.ctrl.hasImage(), 20000);
        s.ctrl.SetItem(ItemFor(dir_.filePath("missing.jpg")));
        QVERIFY(WaitIdle(s.ctrl));
        QTRY_VERIFY(!s.ctrl.hasImage());
    }

    void smallPictureIsEnlargedUnderTheCaptionLine() {
        Shown s(QSize(302, 242)); // client 300 x 240
        s.ctrl.SetItem(ItemFor(WriteJpeg(dir_, "tiny.jpg", 40, 30)));
        QTRY_VERIFY_WITH_TIMEOUT(s.ctrl.hasImage(), 20000);
        // area 290 x 214: scale min(7.25, 7.13) -> 285 x 214, centred
        const QRect r = s.ctrl.imageRect();
        QCOMPARE(r.size(), QSize(285, 214));
        QCOMPARE(r.left(), 1 + (300 - 285) / 2);
        QCOMPARE(r.top(), 1 + 16 + (224 - 214) / 2);
        const QImage pane = s.ctrl.grab().toImage();
        QCOMPARE(QColor(pane.pixel(295, 4)), s.ctrl.palette().color(QPalette::Button));
        QCOMPARE(QColor(pane.pixel(3, 120)), QColor(Qt::black)); // beside the picture
        QCOMPARE(QColor(pane.pixel(r.left() + 20, r.center().y())).red() > 150, true);
        QCOMPARE(QColor(pane.pixel(r.right() - 20, r.center().y())).blue() > 150, true);
        bool text = false; // the caption is written in the caption line
        for (int x = 5; x < 60; ++x)
            for (int y = 2; y < 15; ++y)
                text |= QColor(pane.pixel(x, y)) != s.ctrl.palette().color(QPalette::Button);
        QVERIFY(text);
    }

    void theLoupeShowsTheFullSizePictureWhileHeld() {
        Shown s;
        // 2400 pixels wide: a pane of 300 shows it at an eighth; its left
        // half red, its right half blue.
        const QString path = WriteJpeg(dir_, "wide.jpg", 2400, 1600);
        s.ctrl.SetItem(ItemFor(path));
        QVERIFY(WaitIdle(s.ctrl));
        QVERIFY(s.ctrl.WaitUntilIdle(20000));
        QVERIFY(s.ctrl.hasImage());
        QVERIFY(s.ctrl.imageSize().width() < 2400);
        const QRect r = s.ctrl.imageRect();
        // Just left of the middle: at 100 % the whole loupe but its right
        // edge is red, though the pane shows blue a few pixels further on.
        const QPoint at(r.center().x() - 2, r.center().y());
        QTest::mousePress(&s.ctrl, Qt::LeftButton, CMiniPreviewCtrl::kLoupeModifier, at);
        QVERIFY(s.ctrl.loupeShown());
        QVERIFY(QTest::qWaitFor([&] { return s.ctrl.hasLoupeImage(); }, 20000));
        QCOMPARE(s.ctrl.loupeImageSize(), QSize(2400, 1600));
        s.ctrl.repaint();
        const QRect box = s.ctrl.lastLoupeRect();
        QVERIFY(!box.isEmpty());
        const QImage shot = s.ctrl.grab().toImage();
        // 2 pane pixels are 16 picture pixels: red 8 pixels right of the
        // pointer, blue 30 pixels right of it.
        const QColor red = shot.pixelColor(at.x() + 8, at.y());
        const QColor blue = shot.pixelColor(at.x() + 30, at.y());
        QVERIFY2(red.red() > 150 && red.blue() < 100, qPrintable(red.name()));
        QVERIFY2(blue.blue() > 150 && blue.red() < 100, qPrintable(blue.name()));
        QTest::mouseRelease(&s.ctrl, Qt::LeftButton, CMiniPreviewCtrl::kLoupeModifier, at);
        QVERIFY(!s.ctrl.loupeShown());
        // Another item drops the loupe's picture (and a decode still running).
        s.ctrl.SetItem(ItemFor(WriteJpeg(dir_, "other.jpg", 300, 200)));
        QVERIFY(!s.ctrl.hasLoupeImage());
        // Without the modifier a press is no loupe.
        QVERIFY(WaitIdle(s.ctrl));
        QTest::mousePress(&s.ctrl, Qt::LeftButton, {}, s.ctrl.imageRect().center());
        QVERIFY(!s.ctrl.loupeShown());
    }
};

QTEST_MAIN(MiniPreviewCtrlTest)
#include "MiniPreviewCtrlTest.moc"
