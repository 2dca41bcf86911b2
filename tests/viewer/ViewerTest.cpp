// The viewer window and its canvas through the real widgets: fit and zoom
// steps, read-out, rotation modes, stale results, wheel modes, list
// position, full screen, closing, drawing against a reference scale,
// EXIF orientations, neighbours decoded ahead of time, deleting the last
// image, touchpad wheels and the status-bar prompts.
#include "FakeViewerList.h"
#include "controls/SkipperSliderCtrl.h"
#include "samples/Canvas.h"
#include "samples/SampleGen.h"
#include "viewer/PixelPool.h"
#include "viewer/PreviewCtrl.h"
#include "viewer/PreviewMessages.h"
#include "viewer/ViewerFrame.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QWheelEvent>

#include <cmath>
#include <cstdlib>

using namespace lumora;
using lumora::test::FakeViewerList;

namespace {

// A picture with a distinct top-left block, a colour gradient and a grid.
QImage pattern(int w, int h, int seed = 0) {
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const bool grid = (x / 8 + y / 8) % 2;
            img.setPixel(x, y,
                         qRgb((x * 255 / w + seed) & 255, (y * 255 / h) & 255, grid ? 200 : 40));
        }
    for (int y = 0; y < h / 8; ++y)
        for (int x = 0; x < w / 8; ++x)
            img.setPixel(x, y, qRgb(255, 0, 0));
    return img;
}

std::string writeJpeg(const QTemporaryDir& dir, const QString& name, int w, int h, int seed = 0) {
    const QString path = dir.filePath(name);
    pattern(w, h, seed).save(path, "JPG", 95);
    return path.toStdString();
}

AppSettings defaults() {
    AppSettings s;
    s.MagMode = 0;
    s.RotateMode = 0;
    s.NoMagOnFit = 1;
    s.PreviewMouseWheel = 0;
    s.ShowPreimage = 1;
    s.FullScreen = 0;
    s.FullScreenToolBar = 1;
    s.SmartRendering = 0;
    return s;
}

bool waitShown(CViewerFrame& f, int ms = 10000) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        if (!f.preview()->loading() && !f.loadingState())
            return true;
        QTest::qWait(5);
    }
    return false;
}

// The full-size level follows the reduced ones that are shown first.
bool waitFullSize(CViewerFrame& f, int ms = 10000) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        if (f.preview()->picture() && f.preview()->picture()->hasFullSize())
            return true;
        QTest::qWait(5);
    }
    return false;
}

int meanAbsDiff(const QImage& a, const QImage& b) {
    if (a.size() != b.size())
        return 1000;
    long long sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                   std::abs(qBlue(p) - qBlue(q));
        }
    return int(sum / (3LL * a.width() * a.height()));
}

} // namespace

class ViewerTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

    struct Rig {
        CViewerFrame frame;
        FakeViewerList list;
        explicit Rig(const AppSettings& s = defaults()) {
            frame.resize(820, 640);
            frame.ApplySettings(s);
            list.attach(&frame);
        }
        CPreviewCtrl* preview() { return frame.preview(); }
    };

private slots:
    void fitWithNoMagOnFitShowsASmallImageAtOneHundredPercentCentred() {
        Rig rig;
        rig.list.add(writeJpeg(dir_, "small.jpg", 100, 68));
        rig.list.open(0);
        QVERIFY(waitShown(rig.frame));
        QCOMPARE(rig.frame.paneText(10), QStringLiteral("100.0(%): FIT"));
        QCOMPARE(rig.frame.paneText(9), QStringLiteral("100 x 68"));
        QCOMPARE(rig.frame.paneText(0), QStringLiteral("画像が表示されました"));
        const LayoutResult& L = rig.preview()->layout();
        QCOMPARE(L.drawWidth, 100);
        QCOMPARE(L.offsetX, (rig.preview()->viewport()->width() - 100) / 2);
        QCOMPARE(L.offsetY, (rig.preview()->viewport()->height() - 68) / 2);
        QVERIFY(rig.frame.fitChecked());
        // Read-out: margin, then the top-left image pixel.
        QCOMPARE(rig.preview()->readoutX({2, 2}), QStringLiteral("x = ---"));
        QCOMPARE(rig.preview()->readoutY({2, 2}), QStringLiteral("y = ---"));
        const QPoint topLeft(L.offsetX, L.offsetY);
        QTest::mouseMove(rig.preview()->viewport(), topLeft);
        QTRY_COMPARE(rig.frame.paneText(11), QStringLiteral("x = 1"));
        QCOMPARE(rig.frame.paneText(12), QStringLiteral("y = 1"));
        QTest::mouseMove(rig.preview()->viewport(), QPoint(3, 3));
        QTRY_COMPARE(rig.frame.paneText(11), QStringLiteral("x = ---"));
        QCOMPARE(rig.frame.paneText(12), QStringLiteral("y = ---"));
    }

    void zoomStepsFromOneAndFromAFitOfOneHalf() {
        Rig rig;
        rig.frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&rig.frame));
        // A picture exactly twice the canvas fits at 0.5.
        const QSize area = rig.preview()->size();
        rig.list.add(writeJpeg(dir_, "half.jpg", area.width() * 2, area.height() * 2));
        rig.list.open(0);
        QVERIFY(waitShown(rig.frame));
        QCOMPARE(rig.preview()->magnification(), 0.5f);
        QVERIFY(rig.frame.RunCommand(ID_VIEWER_ZOOM_IN));
        QVERIFY(std::abs(rig.preview()->magnification() - 0.5787037f) < 1e-6f);
        QVERIFY(!rig.frame.fitChecked());
        QCOMPARE(rig.frame.paneText(10), QStringLiteral("57.9(%)"));
        rig.frame.RunCommand(ID_VIEWER_FIT);
        QCOMPARE(rig.preview()->magnification(), 0.5f);
        rig.frame.RunCommand(ID_VIEWER_ZOOM_OUT);
        QVERIFY(std::abs(rig.preview()->magnification() - 0.4822531f) < 1e-6f);

        rig.frame.RunCommand(ID_VIEWER_ACTUAL_SIZE);
        QCOMPARE(rig.preview()->magnification(), 1.0f);
        QCOMPARE(rig.frame.paneText(10), QStringLiteral("100.0(%)"));
        QTest::keyClick(rig.preview(), Qt::Key_Plus, Qt::KeypadModifier);
        QCOMPARE(rig.preview()->magnification(), 1.2f);
        rig.frame.RunCommand(ID_VIEWER_ZOOM_IN);
        QCOMPARE(rig.preview()->magnification(), 1.44f);
        rig.frame.RunCommand(ID_VIEWER_ZOOM_IN);
        QVERIFY(std::abs(rig.preview()->magnification() - 1.728f) < 1e-6f);
        rig.frame.RunCommand(ID_VIEWER_ACTUAL_SIZE);
        QTest::keyClick(rig.preview(), Qt::Key_Minus, Qt::KeypadModifier);
        QVERIFY(std::abs(rig.preview()->magnification() - 0.8333333f) < 1e-6f);
        QCOMPARE(rig.frame.paneText(10), QStringLiteral("83.3(%)"));
    }

    void zoomKeepsTheCentrePixelAndTheLastStepDisablesZoomIn() {
        Rig rig;
        rig.frame.show();
        rig.list.add(writeJpeg(dir_, "big.jpg", 1600, 1200));
        rig.list.open(0);
        QVERIFY(waitShown(rig.frame));
        const QPoint centre(rig.preview()->viewport()->width() / 2,
                            rig.preview()->viewport()->height() / 2);
        rig.frame.RunCommand(ID_VIEWER_ACTUAL_SIZE);
        const QString before = rig.preview()->readoutX(centre);
        rig.frame.RunCommand(ID_VIEWER_ZOOM_IN);
        rig.frame.RunCommand(ID_VIEWER_ZOOM_OUT);
        // Back at 1.0 after the round trip the same pixel is under the centre
        // (within the rounding of one step).
        const int a = before.mid(4).toInt();
        const int b = rig.preview()->readoutX(centre).mid(4).toInt();
        QVERIFY2(std::abs(a - b) <= 2, qPrintable(QStringLiteral("%1 vs %2").arg(a).arg(b)));
        QVERIFY(rig.preview()->horizontalScrollBar()->maximum() > 0);

        for (int i = 0; i < 40; ++i)
            rig.frame.RunCommand(ID_VIEWER_ZOOM_IN);
        QCOMPARE(rig.preview()->magnification(), MagnificationSteps().back());
        QVERIFY(!rig.frame.IsCommandEnabled(ID_VIEWER_ZOOM_IN));
        QVERIFY(!rig.frame.action(ID_VIEWER_ZOOM_IN)->isEnabled());
        QVERIFY(!rig.frame.RunCommand(ID_VIEWER_ZOOM_IN));
        QVERIFY(rig.frame.IsCommandEnabled(ID_VIEWER_ZOOM_OUT));
    }

    void userTurnPersistsAcrossImagesWithRotateModeOne() {
        AppSettings s = defaults();
        s.RotateMode = 1;
        Rig rig(s);
        rig.list.add(writeJpeg(dir_, "r1.jpg", 300, 200));
        rig.list.add(writeJpeg(dir_, "r2.jpg", 300, 200, 60));
        rig.list.open(0);
        QVERIFY(waitShown(rig.frame));
        QCOMPARE(rig.frame.paneText(8), QStringLiteral("0度"));
        rig.frame.RunCommand(ID_VIEWER_ROTATE_RIGHT);
        QCOMPARE(rig.frame.paneText(8), QStringLiteral("右90度"));
        QCOMPARE(rig.preview()->picture()->width(), 200);
        rig.frame.RunCommand(ID_VIEWER_ROTATE_RIGHT);
        QCOMPARE(rig.frame.paneText(8), QStringLiteral("180度"));
        QTest::keyClick(rig.preview(), Qt::Key_Right);
        QVERIFY(waitShown(rig.frame));
        QCOMPARE(rig.preview()->currentPath(), rig.list.items[1].path);
        QVERIFY(waitFullSize(rig.frame));
        auto p = rig.preview()->picture();
        QCOMPARE(p->width(), 300);
        // The red block of the top-left corner is now at the bottom right.
        const QRgb corner = p->level(0).pixel(295, 195);
        QVERIFY(qRed(corner) > 200 && qGreen(corner) < 60);
        QCOMPARE(rig.frame.paneText(8), QStringLiteral("180度"));
        QTest::keyClick(rig.preview(), Qt::Key_Down);
        QCOMPARE(rig.frame.paneText(8), QStringLiteral("右90度"));
    }

    void exifModeNamesItsRotationPane() {
        Rig rig;
        QCOMPARE(rig.frame.paneText(8), QStringLiteral("Exif連動回転"));
        rig.frame.RunCommand(ID_VIEWER_ROTATE_RIGHT); // no image: not enabled
        QCOMPARE(rig.preview()->rotationIndex(), 0);
        rig.preview()->RotateRight(); // without an image only the index turns
        QCOMPARE(rig.preview()->rotationIndex(), 1);
        QCOMPARE(rig.frame.paneText(8), QStringLiteral("Exif連動回転"));
    }

    void aResultArrivingAfterTheUserMovedOnIsIgnored() {
        Rig rig;
        rig.list.add(writeJpeg(dir_, "late1.jpg", 2000, 1500));
        rig.list.add(writeJpeg(dir_, "late2.jpg", 120, 90));
        rig.list.open(0);
        const int32_t first = rig.preview()->requestId();
        rig.list.open(1);
        QVERIFY(rig.preview()->requestId() != first);
        QVERIFY(waitShown(rig.frame));
        QCOMPARE(rig.preview()->picture()->width(), 120);
        // A late result of the first request changes nothing.
        auto late = std::make_unique<PictureResultMessage>();
        late->result = std::make_unique<PictureResult>();
        late->result->requestNumber = first;
        late->picture = ViewerPicture::FromImage(pattern(50, 50));
        Post(rig.preview(), std::move(late));
        QTest::qWait(50);
        QCOMPARE(rig.preview()->picture()->width(), 120);
        QVERIFY(CPictureLoader::WaitIdle(10000));
        QCoreApplication::processEvents();
        QCOMPARE(rig.preview()->picture()->width(), 120);
        QCOMPARE(rig.preview()->currentPath(), rig.list.items[1].path);
    }

    void wheelZoomsOnlyInZoomMode() {
        AppSettings s = defaults();
        s.PreviewMouseWheel = 1;
        Rig rig(s);
        rig.frame.show();
        rig.list.add(writeJpeg(dir_, "w1.jpg", 1200, 900));
        rig.list.add(writeJpeg(dir_, "w2.jpg", 1200, 900, 30));
        rig.list.open(0);
        QVERIFY(waitShown(rig.frame));
        const float fit = rig.preview()->magnification();
        auto wheel = [&](int delta) {
            const QPointF at(100, 100);
            QWheelEvent e(at, rig.preview()->viewport()->mapToGlobal(at), QPoint(),
                          QPoint(0, delta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            QCoreApplication::sendEvent(rig.preview()->viewport(), &e);
        };
        wheel(-120);
        QCOMPARE(rig.list.cursor, 1);
        QVERIFY(waitShown(rig.frame));
        QCOMPARE(rig.preview()->magnification(), fit);
        QVERIFY(rig.preview()->fitMode());
        wheel(120);
        QCOMPARE(rig.list.cursor, 0);
        QVERIFY(waitShown(rig.frame));

        s.PreviewMouseWheel = 0;
        rig.frame.ApplySettings(s);
        wheel(-120); // towards the user: zoom in at the cursor
        QVERIFY(rig.preview()->magnification() > fit);
        QVERIFY(!rig.preview()->fitMode());
        QCOMPARE(rig.list.cursor, 0);
    }

    void oneImageDisablesTheSliderAndStepping() {
        Rig rig;
        rig.list.add(writeJpeg(dir_, "one.jpg", 200, 100));
        rig.list.open(0);
        QVERIFY(waitShown(rig.frame));
        QVERIFY(!rig.frame.slider()->isEnabled());
        QVERIFY(!rig.frame.IsCommandEnabled(ID_VIEWER_NEXT));
        QVERIFY(!rig.frame.IsCommandEnabled(ID_VIEWER_PREVIOUS));
        QTest::keyClick(rig.preview(), Qt::Key_Right);
        QCOMPARE(rig.list.cursor, 0);

        rig.frame.SetListPosition(2, 5);
        QVERIFY(rig.frame.slider()->isEnabled());
        QCOMPARE(rig.frame.slider()->maximum(), 4);
        QCOMPARE(rig.frame.slider()->value(), 2);
        QCOMPARE(rig.frame.slider()->focusPolicy(), Qt::NoFocus);
        rig.frame.SetListPosition(0, 0);
        QVERIFY(!rig.frame.slider()->isEnabled());
        QCOMPARE(rig.frame.paneText(0), QString());
    }

    void openingRestoresAMinimisedViewer() {
        Rig rig;
        rig.list.add(writeJpeg(dir_, "m.jpg", 200, 100));
        rig.list.open(0);
        QVERIFY(waitShown(rig.frame));
        QVERIFY(rig.frame.isVisible());
        rig.frame.showMinimized();
        QTRY_VERIFY(rig.frame.isMinimized());
        rig.list.open(0);
        QTRY_VERIFY(!rig.frame.isMinimized());
        QVERIFY(rig.frame.isVisible());
    }

    void fullScreenWithoutToolBarHidesTheBarsAndF11BringsThemBack() {
        AppSettings s = defaults();
        s.FullScreenToolBar = 0;
        Rig rig(s);
        bool stored = false;
        ViewerHooks hooks;
        hooks.fullScreenChanged = [&](bool on) { stored = on; };
        rig.frame.SetHooks(hooks);
        rig.list.add(writeJpeg(dir_, "f.jpg", 200, 100));
        rig.list.open(0);
        QVERIFY(waitShown(rig.frame));
        QTest::keyClick(rig.preview(), Qt::Key_F11);
        QVERIFY(rig.frame.IsFullScreen());
        QVERIFY(stored);
        QVERIFY(rig.frame.menuBar()->isHidden());
        QVERIFY(rig.frame.toolBar()->isHidden());
        QVERIFY(rig.frame.statusBar()->isHidden());
        QTest::keyClick(rig.preview(), Qt::Key_F11);
        QVERIFY(!rig.frame.IsFullScreen());
        QVERIFY(!stored);
        QVERIFY(!rig.frame.menuBar()->isHidden());
        QVERIFY(!rig.frame.toolBar()->isHidden());
        QVERIFY(!rig.frame.statusBar()->isHidden());

        // With the setting on the tool bar stays.
        s.FullScreenToolBar = 1;
        rig.frame.ApplySettings(s);
        rig.frame.RunCommand(ID_VIEWER_FULL_SCREEN);
        QVERIFY(!rig.frame.toolBar()->isHidden());
        QVERIFY(rig.frame.statusBar()->isHidden());
        rig.frame.RunCommand(ID_VIEWER_FULL_SCREEN);
    }

    void closingStopsTheSlideshowStoresThePlacementAndOnlyHides() {
        Rig rig;
        bool running = true;
        int stops = 0;
        std::optional<ViewerPlacement> written;
        ViewerHooks hooks;
        hooks.slideshowRunning = [&] { return running; };
        hooks.stopSlideshow = [&] {
            ++stops;
            running = false;
        };
        hooks.writePlacement = [&](const ViewerPlacement& p) { written = p; };
        hooks.readPlacement = [&] { return written; };
        rig.frame.SetHooks(hooks);
        rig.list.add(writeJpeg(dir_, "c.jpg", 200, 100));
        rig.list.open(0);
        QVERIFY(waitShown(rig.frame));
        rig.frame.SetSlideshowRunning(true);
        QVERIFY(rig.frame.windowTitle().endsWith(QStringLiteral(" ** スライドショー実行中 **")));
        QVERIFY(rig.frame.IsCommandChecked(ID_VIEWER_SLIDESHOW));
        // A click into the canvas during the run only stops it.
        QTest::mouseClick(rig.preview()->viewport(), Qt::LeftButton, {}, QPoint(10, 10));
        QCOMPARE(stops, 1);
        QVERIFY(!rig.preview()->dragging());
        running = true;
        rig.frame.move(40, 50);
        // Blocks kept for the next pictures are given back on closing.
        CPixelPool::Give(std::make_unique<uint8_t[]>(CPixelPool::kMinBytes), CPixelPool::kMinBytes);
        QVERIFY(CPixelPool::KeptBlocks() > 0);
        QTest::keyClick(rig.preview(), Qt::Key_Escape);
        QCOMPARE(stops, 2);
        QVERIFY(!rig.frame.isVisible());
        QCOMPARE(CPixelPool::KeptBlocks(), 0);
        QVERIFY(written.has_value());
        QCOMPARE(written->cmd, 1);
        QCOMPARE(written->right - written->left, rig.frame.width());
        // Shown from hidden, the stored placement is read back.
        written->left = 70;
        written->top = 80;
        written->right = 70 + 500;
        written->bottom = 80 + 400;
        rig.list.open(0);
        QVERIFY(rig.frame.isVisible());
        QCOMPARE(rig.frame.geometry().size(), QSize(500, 400));
        QCOMPARE(rig.frame.windowTitle(), QStringLiteral("Lumora - %1 ** スライドショー実行中 **")
                                              .arg(QString::fromStdString(rig.list.items[0].path)));
    }

    void switchesAreStoredBackAndSubmenusShowTheirPlaceholders() {
        Rig rig;
        int smart = -1, pre = -1;
        ViewerHooks hooks;
        hooks.smartRenderingChanged = [&](bool on) { smart = on; };
        hooks.showPreimageChanged = [&](bool on) { pre = on; };
        QString addedPath;
        int addedSheet = 0;
        hooks.worksheetNames = [] { return QStringList{QStringLiteral("作業1")}; };
        hooks.addToWorksheet = [&](int sheet, const QString& path) {
            addedSheet = sheet;
            addedPath = path;
        };
        rig.frame.SetHooks(hooks);
        rig.list.add(writeJpeg(dir_, "sw.jpg", 200, 100));
        rig.list.open(0);
        QVERIFY(waitShown(rig.frame));
        rig.frame.RunCommand(ID_VIEWER_SMART_RENDERING);
        QCOMPARE(smart, 1);
        QVERIFY(rig.preview()->smartRendering());
        rig.frame.RunCommand(ID_VIEWER_PREIMAGE);
        QCOMPARE(pre, 0);
        QVERIFY(!rig.frame.GetShowPreimage());

        rig.frame.RebuildSubmenus();
        const auto apps = rig.frame.openWithMenu()->actions();
        QCOMPARE(apps.size(), 1);
        QCOMPARE(apps[0]->text(), QStringLiteral("（登録してください）"));
        QVERIFY(!apps[0]->isEnabled());
        const auto sheets = rig.frame.addToSheetMenu()->actions();
        QCOMPARE(sheets.size(), 1);
        QCOMPARE(sheets[0]->text(), QStringLiteral("作業1"));
        sheets[0]->trigger();
        QCOMPARE(addedSheet, 1);
        QCOMPARE(addedPath.toStdString(), rig.list.items[0].path);

        hooks.worksheetNames = [] { return QStringList{}; };
        rig.frame.SetHooks(hooks);
        rig.frame.RebuildSubmenus();
        QCOMPARE(rig.frame.addToSheetMenu()->actions()[0]->text(), QStringLiteral("（なし）"));
        QVERIFY(!rig.frame.addToSheetMenu()->actions()[0]->isEnabled());
    }

    void failedDecodesShowTheFailureAndEmptyPanes() {
        Rig rig;
        const QString bad = dir_.filePath("bad.jpg");
        {
            QFile f(bad);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("\xFF\xD8 not really a picture");
        }
        rig.list.add(bad.toStdString());
        rig.list.add(dir_.filePath("missing.jpg").toStdString());
        rig.list.open(0);
        QVERIFY(waitShown(rig.frame));
        QVERIFY(!rig.preview()->HasImage());
        QCOMPARE(rig.frame.paneText(10), QString());
        QCOMPARE(rig.frame.paneText(9), QString());
        QCOMPARE(rig.frame.paneText(0), QStringLiteral("画像が表示されました"));
        const QImage shot = rig.preview()->viewport()->grab().toImage();
        int grey = 0;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x)
                grey += shot.pixel(x, y) == qRgb(192, 192, 192);
        QVERIFY(grey > 50); // "UNKNOWN" / "IMAGE FILE"
        // A file that is gone ends the request as a failure, not a wait.
        rig.list.open(1);
        QVERIFY(waitShown(rig.frame));
        QVERIFY(!rig.preview()->HasImage());
        QVERIFY(!rig.preview()->loading());
    }

    void preimageShowsTheThumbnailOrTheNoCacheBox() {
        Rig rig;
        rig.frame.show();
        rig.list.add(writeJpeg(dir_, "p1.jpg", 1200, 900));
        ImageItem withThumb = rig.list.items[0];
        DibImage thumb(160, 120);
        std::memset(thumb.bits(), 0x80, thumb.byteSize());
        withThumb.thumb.thumbBits = PixelBuffer(std::move(thumb));
        rig.preview()->ShowSliderPreimage(withThumb);
        QImage shot = rig.preview()->viewport()->grab().toImage();
        const QPoint c = shot.rect().center();
        QCOMPARE(shot.pixel(c), qRgb(128, 128, 128));
        QCOMPARE(shot.pixel(c.x() - 170, c.y()), qRgb(0, 0, 0)); // box is 320 wide
        rig.preview()->ShowSliderPreimage(rig.list.items[0]);    // no thumbnail
        shot = rig.preview()->viewport()->grab().toImage();
        QCOMPARE(shot.pixel(shot.rect().center().x() - 150, shot.rect().center().y() + 100),
                 qRgb(64, 64, 64));
    }

    void drawnImageMatchesAReferenceScaleAtThreeMagnifications() {
        Rig rig;
        rig.frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&rig.frame));
        rig.list.add(writeJpeg(dir_, "px.jpg", 640, 480));
        rig.list.open(0);
        QVERIFY(waitShown(rig.frame));
        CPreviewCtrl* pv = rig.preview();
        QVERIFY(waitFullSize(rig.frame));
        const QImage full = pv->picture()->level(0);

        auto check = [&](const char* what) {
            const QImage shot =
                pv->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
            const LayoutResult& L = pv->layout();
            const float m = pv->magnification();
            const QPoint scroll = pv->scrollPosition();
            const int w = std::min(L.drawWidth, shot.width() - L.offsetX);
            const int h = std::min(L.drawHeight, shot.height() - L.offsetY);
            QImage drawn = shot.copy(L.offsetX, L.offsetY, w, h);
            QImage reference;
            if (m < 1.0f) {
                reference = full.scaled(L.drawWidth, L.drawHeight, Qt::IgnoreAspectRatio,
                                        Qt::SmoothTransformation)
                                .copy(0, 0, w, h);
                const int diff = meanAbsDiff(drawn, reference);
                QVERIFY2(diff <= 6,
                         qPrintable(QStringLiteral("%1: mean diff %2").arg(what).arg(diff)));
                return;
            }
            // Above 1:1, nearest neighbour: every pixel copies one source pixel.
            int wrong = 0;
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    // The source pixel under the destination pixel's centre.
                    const int sx = int((x + 0.5 + (L.offsetX ? 0 : scroll.x())) / m);
                    const int sy = int((y + 0.5 + (L.offsetY ? 0 : scroll.y())) / m);
                    if (drawn.pixel(x, y) !=
                        full.pixel(std::min(sx, full.width() - 1), std::min(sy, full.height() - 1)))
                        ++wrong;
                }
            // Only pixels on the boundaries between source pixels may round
            // the other way.
            QVERIFY2(
                wrong <= w * h / 20,
                qPrintable(QStringLiteral("%1: %2 of %3 differ").arg(what).arg(wrong).arg(w * h)));
        };
        rig.frame.RunCommand(ID_VIEWER_ACTUAL_SIZE);
        QCOMPARE(pv->magnification(), 1.0f);
        check("1.0");
        for (int i = 0; i < 4; ++i)
            rig.frame.RunCommand(ID_VIEWER_ZOOM_IN);
        QVERIFY(!pv->lastSmooth());
        check("2.07");
        rig.frame.RunCommand(ID_VIEWER_SMART_RENDERING);
        rig.frame.RunCommand(ID_VIEWER_ACTUAL_SIZE);
        for (int i = 0; i < 4; ++i)
            rig.frame.RunCommand(ID_VIEWER_ZOOM_OUT);
        check("0.48");
        QVERIFY(pv->lastSmooth());
        QCOMPARE(pv->lastLevel(), 1); // the half-size copy suffices below 0.5
    }

    void exifOrientationsAreShownUpright() {
        const QString folder = QStringLiteral(LUMORA_SHARED_SAMPLES "/orientation");
        if (!QFileInfo::exists(folder + QStringLiteral("/landscape_1.jpg")))
            QSKIP("orientation samples absent");
        Rig rig;
        for (int o : {1, 3, 6, 8})
            rig.list.add(QStringLiteral("%1/landscape_%2.jpg").arg(folder).arg(o).toStdString(),
                         ImageKind::Jpeg, o);
        rig.list.open(0);
        QVERIFY(waitShown(rig.frame));
        QVERIFY(waitFullSize(rig.frame));
        const QImage upright = rig.preview()->picture()->level(0);
        for (int i = 1; i < 4; ++i) {
            rig.list.open(i);
            QVERIFY(waitShown(rig.frame));
            QVERIFY(waitFullSize(rig.frame));
            const QImage shown = rig.preview()->picture()->level(0);
            QCOMPARE(shown.size(), upright.size());
            const int diff = meanAbsDiff(shown, upright);
            // The samples are separately compressed turns of one photo: the
            // right turn differs by about 15, a wrong one by about 70.
            QVERIFY2(diff < 30,
                     qPrintable(QStringLiteral("orientation #%1 differs by %2").arg(i).arg(diff)));
        }
    }

    void tiffOrientationsAreShownUprightAndTurnedOnlyOnce() {
        // The TIFF decoder puts the picture upright itself: the item's EXIF
        // orientation must not turn it a second time.
        const samples::Canvas upright =
            samples::renderSamplePicture(300, 225, "t.tif", "TIFF UPRIGHT", 43);
        const QImage expected =
            QImage(upright.pixels().data(), 300, 225, 300 * 3, QImage::Format_RGB888)
                .convertToFormat(QImage::Format_RGB32);
        Rig rig;
        const int orientations[] = {6, 8, 3, 5, 1};
        for (int o : orientations) {
            const QString sub = dir_.filePath(QStringLiteral("tiff%1").arg(o));
            QVERIFY(QDir().mkpath(sub));
            samples::writeOrientedTiff(sub.toStdString(), "t.tif", o, o == 8);
            rig.list.add((sub + QStringLiteral("/t.tif")).toStdString(), ImageKind::Tiff, o);
        }
        for (int i = 0; i < 5; ++i) {
            rig.list.open(i);
            QVERIFY(waitShown(rig.frame));
            QVERIFY(waitFullSize(rig.frame));
            const QImage shown =
                rig.preview()->picture()->level(0).convertToFormat(QImage::Format_RGB32);
            QCOMPARE(shown.size(), QSize(300, 225));
            QVERIFY2(meanAbsDiff(shown, expected) == 0,
                     qPrintable(QStringLiteral("orientation %1").arg(orientations[i])));
        }
    }

    void neighboursAreDecodedAheadAndDroppedWhenTheListChanges() {
        Rig rig;
        for (int i = 0; i < 4; ++i)
            rig.list.add(writeJpeg(dir_, QStringLiteral("n%1.jpg").arg(i), 900, 600, i * 40));
        rig.list.open(0);
        QVERIFY(waitShown(rig.frame));
        const CPictureLoader& loader = rig.preview()->loader();
        auto ready = [&](int i) {
            const PrefetchedPicture* p = loader.Find(rig.list.items[std::size_t(i)].path);
            return p && p->done && p->picture;
        };
        QTRY_VERIFY_WITH_TIMEOUT(ready(1) && ready(3), 10000);
        QVERIFY(loader.prefetchedCount() <= CPictureLoader::kMaxPrefetched);
        QVERIFY(CPictureLoader::WaitIdle(10000));
        // The next image comes from memory: it is on screen when the
        // command returns, without waiting for a decode.
        rig.frame.RunCommand(ID_VIEWER_NEXT);
        QVERIFY(!rig.preview()->loading());
        QVERIFY(!rig.frame.loadingState());
        QCOMPARE(rig.preview()->currentPath(), rig.list.items[1].path);
        QCOMPARE(rig.preview()->picture()->width(), 900);
        // Stepping back finds the one shown before.
        QTRY_VERIFY_WITH_TIMEOUT(ready(0) && ready(2), 10000);
        QVERIFY(loader.prefetchedCount() <= CPictureLoader::kMaxPrefetched);
        rig.frame.ListCleared();
        QCOMPARE(loader.prefetchedCount(), 0);
    }

    void draggingTheSliderShowsPreimagesAndReleasingOpensTheItem() {
        Rig rig;
        for (int i = 0; i < 3; ++i)
            rig.list.add(writeJpeg(dir_, QStringLiteral("s%1.jpg").arg(i), 300, 200, i * 70));
        rig.list.items[2].caption.iso = 800u;
        rig.list.open(0);
        QVERIFY(waitShown(rig.frame));
        CSkipperSliderCtrl* slider = rig.frame.slider();
        QVERIFY(slider->isEnabled());
        emit slider->sliderPressed();
        QVERIFY(rig.frame.loadingState());
        slider->setSliderPosition(2);
        emit slider->sliderMoved(2);
        QCOMPARE(rig.frame.windowTitle(),
                 QStringLiteral("Lumora - %1").arg(QString::fromStdString(rig.list.items[2].path)));
        QCOMPARE(rig.frame.paneText(6), QStringLiteral("ISO800"));
        QCOMPARE(rig.list.cursor, 0); // nothing opened while dragging
        QSignalSpy displayed(&rig.frame, &CViewerFrame::imageDisplayed);
        emit slider->sliderReleased();
        QCOMPARE(rig.list.cursor, 2);
        QVERIFY(waitShown(rig.frame));
        // What the slideshow hears: the index and count of the shown image.
        QCOMPARE(displayed.size(), 1);
        QCOMPARE(displayed[0][0].toInt(), 2);
        QCOMPARE(displayed[0][1].toInt(), 3);
        QCOMPARE(rig.preview()->currentPath(), rig.list.items[2].path);
        QCOMPARE(rig.frame.slider()->value(), 2);
    }

    void deleteGoesThroughTheListAndOpensWhatTakesThePlace() {
        Rig rig;
        rig.list.add(writeJpeg(dir_, "d1.jpg", 200, 100));
        rig.list.add(writeJpeg(dir_, "d2.jpg", 200, 100, 50));
        const std::string first = rig.list.items[0].path;
        const std::string second = rig.list.items[1].path;
        rig.list.open(0);
        QVERIFY(waitShown(rig.frame));
        QTest::keyClick(rig.preview(), Qt::Key_Delete);
        QCOMPARE(rig.list.deleteCalls, 1);
        QCOMPARE(rig.list.openCurrentCalls, 1);
        QVERIFY(!QFile::exists(QString::fromStdString(first)));
        QVERIFY(waitShown(rig.frame));
        QCOMPARE(rig.preview()->currentPath(), second);
    }

    void deletingTheLastImageEmptiesTheViewer() {
        Rig rig;
        bool running = true;
        ViewerHooks hooks;
        hooks.slideshowRunning = [&] { return running; };
        hooks.stopSlideshow = [&] { running = false; };
        rig.frame.SetHooks(hooks);
        rig.list.add(writeJpeg(dir_, "only.jpg", 300, 200));
        rig.list.items[0].caption.iso = 400u;
        rig.frame.show();
        rig.list.open(0);
        QVERIFY(waitShown(rig.frame));
        QCOMPARE(rig.frame.paneText(6), QStringLiteral("ISO400"));
        QTest::keyClick(rig.preview(), Qt::Key_Delete);
        QCOMPARE(rig.list.deleteCalls, 1);
        QVERIFY(rig.list.items.empty());
        // Nothing takes its place: no picture, no path, no waiting.
        QVERIFY(!rig.preview()->HasImage());
        QVERIFY(rig.preview()->currentPath().empty());
        QVERIFY(!rig.preview()->loading());
        QVERIFY(!rig.frame.loadingState());
        QCOMPARE(rig.frame.windowTitle(), QStringLiteral("Lumora - ビューア"));
        for (int pane : {0, 1, 2, 3, 4, 5, 6, 9, 10, 11, 12})
            QCOMPARE(rig.frame.paneText(pane), QString());
        QVERIFY(!rig.frame.slider()->isEnabled());
        QCOMPARE(rig.frame.slider()->maximum(), 0);
        QCOMPARE(rig.frame.listCount(), 0);
        QVERIFY(!running); // a run would wait for an image forever
        QVERIFY(!rig.frame.IsCommandEnabled(ID_VIEWER_FIT));
        QVERIFY(!rig.frame.IsCommandEnabled(ID_VIEWER_NEXT));
        // A black canvas, without the failure text of an unreadable file.
        const QImage canvas = rig.preview()->viewport()->grab().toImage();
        bool allBlack = true;
        for (int y = 0; y < canvas.height() && allBlack; y += 2)
            for (int x = 0; x < canvas.width() && allBlack; x += 2)
                allBlack = (canvas.pixel(x, y) & 0xFFFFFF) == 0;
        QVERIFY(allBlack);
        // Delete again: nothing to delete.
        QTest::keyClick(rig.preview(), Qt::Key_Delete);
        QCOMPARE(rig.list.deleteCalls, 1);
    }

    void touchpadDeltasAddUpToWholeNotches() {
        AppSettings s = defaults();
        Rig rig(s);
        rig.frame.show();
        for (int i = 0; i < 3; ++i)
            rig.list.add(writeJpeg(dir_, QStringLiteral("t%1.jpg").arg(i), 1200, 900, i * 40));
        rig.list.open(0);
        QVERIFY(waitShown(rig.frame));
        const float fit = rig.preview()->magnification();
        auto wheel = [&](QWidget* target, int delta) {
            const QPointF at(100, 10);
            QWheelEvent e(at, target->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
            QCoreApplication::sendEvent(target, &e);
        };
        QWidget* canvas = rig.preview()->viewport();
        // Eight events of 15 units are one notch: one zoom step.
        for (int i = 0; i < 7; ++i)
            wheel(canvas, -15);
        QCOMPARE(rig.preview()->magnification(), fit);
        QVERIFY(rig.preview()->fitMode());
        wheel(canvas, -15);
        const float oneStep = rig.preview()->magnification();
        QVERIFY(oneStep > fit);
        rig.frame.SetFitMode(true);
        wheel(canvas, -120);
        QCOMPARE(rig.preview()->magnification(), oneStep);
        // Half a notch and back again: nothing.
        wheel(canvas, -60);
        wheel(canvas, 60);
        QCOMPARE(rig.preview()->magnification(), oneStep);

        // Navigation mode: one image per notch.
        s.PreviewMouseWheel = 1;
        rig.frame.ApplySettings(s);
        for (int i = 0; i < 7; ++i)
            wheel(canvas, -15);
        QCOMPARE(rig.list.cursor, 0);
        wheel(canvas, -15);
        QCOMPARE(rig.list.cursor, 1);
        QVERIFY(waitShown(rig.frame));
        wheel(canvas, 240); // two notches away: two images back
        QCOMPARE(rig.list.cursor, 2);
        QVERIFY(waitShown(rig.frame));

        // The slider: a notch moves it one place and opens that image.
        CSkipperSliderCtrl* slider = rig.frame.slider();
        QCOMPARE(slider->value(), 2);
        for (int i = 0; i < 3; ++i)
            wheel(slider, 40);
        QCOMPARE(rig.list.cursor, 1);
        QCOMPARE(slider->value(), 1);
        QVERIFY(waitShown(rig.frame));
        QCOMPARE(rig.preview()->currentPath(), rig.list.items[1].path);
        wheel(slider, -120);
        QCOMPARE(rig.list.cursor, 2);
        QVERIFY(waitShown(rig.frame));
        wheel(slider, -120); // at the end: nothing to open
        QCOMPARE(rig.list.cursor, 2);
        QCOMPARE(slider->value(), 2);
    }

    void commandsShowTheirPromptsInTheStatusBar() {
        Rig rig;
        rig.list.add(writeJpeg(dir_, "p.jpg", 300, 200));
        rig.list.open(0);
        QVERIFY(waitShown(rig.frame));
        QStatusBar* bar = rig.frame.statusBar();
        const int ids[] = {ID_VIEWER_DELETE,    ID_VIEWER_CLOSE,       ID_VIEWER_SMART_RENDERING,
                           ID_VIEWER_FIT,       ID_VIEWER_ACTUAL_SIZE, ID_VIEWER_ZOOM_IN,
                           ID_VIEWER_ZOOM_OUT,  ID_VIEWER_ROTATE_LEFT, ID_VIEWER_ROTATE_RIGHT,
                           ID_VIEWER_SLIDESHOW, ID_VIEWER_FULL_SCREEN, ID_VIEWER_NEXT,
                           ID_VIEWER_PREVIOUS,  ID_VIEWER_PREIMAGE};
        for (int id : ids)
            QVERIFY2(!rig.frame.action(id)->statusTip().isEmpty(), qPrintable(QString::number(id)));
        // The pointer on a tool-bar button shows its prompt in place of
        // pane 0; leaving the button brings pane 0 back.
        QWidget* button = rig.frame.toolBar()->widgetForAction(rig.frame.action(ID_VIEWER_ZOOM_IN));
        QVERIFY(button);
        const QPointF inside(2, 2);
        QEnterEvent enter(inside, inside, button->mapToGlobal(inside));
        QApplication::sendEvent(button, &enter);
        QCOMPARE(bar->currentMessage(), QStringLiteral("画像を拡大表示"));
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(button, &leave);
        QVERIFY(bar->currentMessage().isEmpty());
        QCOMPARE(rig.frame.paneText(0), QStringLiteral("画像が表示されました"));
        // A menu item under the pointer.
        QMenu* file = rig.frame.menuBar()->actions().first()->menu();
        file->popup(rig.frame.mapToGlobal(QPoint(20, 20)));
        QVERIFY(QTest::qWaitForWindowExposed(file));
        QTest::mouseMove(file, file->actionGeometry(rig.frame.action(ID_VIEWER_DELETE)).center());
        QTRY_COMPARE(bar->currentMessage(), QStringLiteral("表示中の画像ファイルを削除"));
        file->hide();
        // The submenus built when the menu opens have theirs too.
        ViewerHooks hooks;
        hooks.worksheetNames = [] { return QStringList{QStringLiteral("ワークシート1")}; };
        rig.frame.SetHooks(hooks);
        rig.frame.ApplySettings([] {
            AppSettings s = defaults();
            s.AppList = QStringList{QStringLiteral("/usr/bin/true")};
            return s;
        }());
        rig.frame.RebuildSubmenus();
        QCOMPARE(rig.frame.addToSheetMenu()->actions().first()->statusTip(),
                 QStringLiteral("表示中の画像をワークシートへ追加"));
        QCOMPARE(rig.frame.openWithMenu()->actions().first()->statusTip(),
                 QStringLiteral("表示中の画像を登録済みアプリで開く"));
    }
};

QTEST_MAIN(ViewerTest)
#include "ViewerTest.moc"
