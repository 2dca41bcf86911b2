// Judging pictures in the viewer through the real widgets: 100 % at the
// pointer (Z and the middle button), the loupe, the size pane of an
// embedded preview, and two to four pictures side by side with zoom and
// scroll followed across them, the active pane, stepping, Enter, and stale
// decodes when the compared selection changes.
#include "viewer/CompareView.h"
#include "FakeViewerList.h"
#include "viewer/PreviewCtrl.h"
#include "viewer/ViewerFrame.h"

#include <QAction>
#include <QApplication>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

using namespace lumora;
using lumora::test::FakeViewerList;

namespace {

// Every pixel tells where it is: red = x / 10, green = y / 8 (smooth, so
// that the JPEG keeps them).
QImage pattern(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, qRgb((x / 10) & 255, (y / 8) & 255, 100));
    return img;
}

std::string writeJpeg(const QTemporaryDir& dir, const QString& name, int w, int h) {
    const QString path = dir.filePath(name);
    pattern(w, h).save(path, "JPG", 98);
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

bool waitIdle(CPreviewCtrl* c, int ms = 10000) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        if (!c->loading() && c->picture() && c->picture()->hasFullSize())
            return true;
        QTest::qWait(5);
    }
    return false;
}

bool waitPanes(CCompareView* v, int ms = 10000) {
    for (int i = 0; i < v->paneCount(); ++i)
        if (!waitIdle(v->pane(i), ms))
            return false;
    QTest::qWait(20);
    return true;
}

PicturePoint relativeCentre(CPreviewCtrl* c) {
    return RelativeCentre(c->geometryNow(), c->zoomView());
}

PicturePoint pointAt(CPreviewCtrl* c, QPoint p) {
    return PictureAt(c->geometryNow(), c->zoomView(), p.x(), p.y());
}

} // namespace

class CompareViewTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    std::string big_, small_, tall_, fourth_;

    struct Rig {
        CViewerFrame frame;
        FakeViewerList list;
        Rig() {
            frame.resize(1000, 700);
            frame.ApplySettings(defaults());
            list.attach(&frame);
        }
        CCompareView* compare() { return frame.compareView(); }
    };

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        big_ = writeJpeg(dir_, "a_big.jpg", 2400, 1600);
        small_ = writeJpeg(dir_, "b_small.jpg", 1200, 800);
        tall_ = writeJpeg(dir_, "c_tall.jpg", 1000, 1500);
        fourth_ = writeJpeg(dir_, "d_fourth.jpg", 1600, 1200);
    }

    void toggleKeepsThePointUnderThePointerAndGoesBack() {
        Rig rig;
        rig.list.add(big_);
        rig.frame.show();
        rig.list.open(0);
        CPreviewCtrl* c = rig.frame.preview();
        QVERIFY(waitIdle(c));
        QVERIFY(c->fitMode());
        const QPoint at(c->viewport()->width() / 3, c->viewport()->height() / 3);
        const PicturePoint before = pointAt(c, at);
        QTest::mouseClick(c->viewport(), Qt::MiddleButton, {}, at);
        QVERIFY(!c->fitMode());
        QCOMPARE(c->magnification(), 1.0f);
        const PicturePoint after = pointAt(c, at);
        QVERIFY(std::abs(after.x - before.x) <= 1.0);
        QVERIFY(std::abs(after.y - before.y) <= 1.0);
        QCOMPARE(rig.frame.paneText(10), QStringLiteral("100.0(%)"));
        // The second click goes back to the fit.
        QTest::mouseClick(c->viewport(), Qt::MiddleButton, {}, at);
        QVERIFY(c->fitMode());
        QVERIFY(rig.frame.fitChecked());
        // Z toggles about the centre.
        const QPoint mid(c->viewport()->width() / 2, c->viewport()->height() / 2);
        const PicturePoint centre = pointAt(c, mid);
        QTest::keyClick(c, Qt::Key_Z);
        QCOMPARE(c->magnification(), 1.0f);
        QVERIFY(std::abs(pointAt(c, mid).x - centre.x) <= 1.0);
        QVERIFY(std::abs(pointAt(c, mid).y - centre.y) <= 1.0);
        // Turned a quarter (now narrower than the canvas at its fit), the
        // toggle still keeps a point in place.
        QTest::keyClick(c, Qt::Key_Z);
        c->RotateRight();
        const QPoint on = mid + QPoint(40, 60);
        const PicturePoint turned = pointAt(c, on);
        QTest::mouseClick(c->viewport(), Qt::MiddleButton, {}, on);
        QCOMPARE(c->picture()->width(), 1600);
        QVERIFY(std::abs(pointAt(c, on).x - turned.x) <= 1.0);
        QVERIFY(std::abs(pointAt(c, on).y - turned.y) <= 1.0);
    }

    void theLoupeShowsOneHundredPercentWhileHeld() {
        Rig rig;
        rig.list.add(big_);
        rig.frame.show();
        rig.list.open(0);
        CPreviewCtrl* c = rig.frame.preview();
        QVERIFY(waitIdle(c));
        const QPoint at(c->viewport()->width() / 2, c->viewport()->height() / 2);
        const PicturePoint p = pointAt(c, at);
        QTest::mousePress(c->viewport(), Qt::LeftButton, CPreviewCtrl::kLoupeModifier, at);
        QVERIFY(c->loupeShown());
        QVERIFY(!c->dragging());
        c->viewport()->repaint();
        QVERIFY(!c->lastLoupeRect().isEmpty());
        // One picture pixel to one screen pixel: the pixel 40 to the right
        // of the pointer is the picture's pixel 40 to the right.
        const QImage shot = c->viewport()->grab().toImage();
        const QRgb px = shot.pixel(at.x() + 40, at.y() + 24);
        const int wantX = int(p.x) + 40, wantY = int(p.y) + 24;
        QVERIFY2(std::abs(qRed(px) - (wantX / 10)) <= 3, qPrintable(QString::number(qRed(px))));
        QVERIFY2(std::abs(qGreen(px) - (wantY / 8)) <= 3, qPrintable(QString::number(qGreen(px))));
        // The view underneath is unchanged, and releasing ends the loupe.
        QVERIFY(c->fitMode());
        QTest::mouseRelease(c->viewport(), Qt::LeftButton, CPreviewCtrl::kLoupeModifier, at);
        QVERIFY(!c->loupeShown());
        c->viewport()->repaint();
        QVERIFY(c->lastLoupeRect().isEmpty());
    }

    void anEmbeddedPreviewSaysSoAtOneHundredPercent() {
        Rig rig;
        // A RAW item read from its preview (here the whole file is that
        // preview), whose sensor is larger.
        rig.list.add(small_, ImageKind::Nef);
        rig.list.items[0].shootingInfo.pixelX = 6000;
        rig.list.items[0].shootingInfo.pixelY = 4000;
        rig.list.add(big_);
        rig.frame.show();
        rig.list.open(0);
        CPreviewCtrl* c = rig.frame.preview();
        QVERIFY(waitIdle(c));
        QCOMPARE(rig.frame.paneText(9), QStringLiteral("1200 x 800"));
        QTest::keyClick(c, Qt::Key_Z);
        QCOMPARE(rig.frame.paneText(9), QStringLiteral("プレビュー 1200 x 800 / 6000 x 4000"));
        QTest::keyClick(c, Qt::Key_Z);
        QCOMPARE(rig.frame.paneText(9), QStringLiteral("1200 x 800"));
        // A JPEG's own 100 % is just its size.
        rig.list.open(1);
        QVERIFY(waitIdle(c));
        QTest::keyClick(c, Qt::Key_Z);
        QCOMPARE(rig.frame.paneText(9), QStringLiteral("2400 x 1600"));
    }

    void twoSideBySideAndFourInAGrid() {
        Rig rig;
        for (const std::string& p : {big_, small_, tall_, fourth_})
            rig.list.add(p);
        rig.frame.show();
        QVERIFY(!rig.frame.ShowCompare({1}));
        QVERIFY(!rig.frame.comparing());
        QSignalSpy active(&rig.frame, &CViewerFrame::activeFileChanged);
        QVERIFY(rig.frame.ShowCompare({0, 1}));
        QVERIFY(rig.frame.comparing());
        CCompareView* v = rig.compare();
        QCOMPARE(v->paneCount(), 2);
        QVERIFY(waitPanes(v));
        const QRect r0 = v->pane(0)->geometry(), r1 = v->pane(1)->geometry();
        QCOMPARE(r0.top(), r1.top());
        QVERIFY(r0.right() < r1.left());
        QVERIFY(!v->pane(2)->isVisible());
        // Both fitted, each to its own size.
        QVERIFY(v->pane(0)->fitMode() && v->pane(1)->fitMode());
        QVERIFY(rig.frame.action(ID_VIEWER_COMPARE_LINK)->isEnabled());
        QVERIFY(rig.frame.action(ID_VIEWER_COMPARE_LINK)->isChecked());
        QCOMPARE(rig.frame.activeFilePath(), QString::fromStdString(big_));
        QVERIFY(active.count() >= 1);
        QCOMPARE(active.last().at(0).toString(), QString::fromStdString(big_));

        QVERIFY(rig.frame.ShowCompare({0, 1, 2, 3}));
        QCOMPARE(v->paneCount(), 4);
        QVERIFY(waitPanes(v));
        const QRect g0 = v->pane(0)->geometry(), g1 = v->pane(1)->geometry();
        const QRect g2 = v->pane(2)->geometry(), g3 = v->pane(3)->geometry();
        QCOMPARE(g0.top(), g1.top());
        QCOMPARE(g2.top(), g3.top());
        QVERIFY(g0.bottom() < g2.top());
        QCOMPARE(g0.left(), g2.left());
        QCOMPARE(v->pane(3)->currentPath(), fourth_);
    }

    void tabMovesTheActivePaneAndItIsDrawn() {
        Rig rig;
        for (const std::string& p : {big_, small_, tall_})
            rig.list.add(p);
        rig.frame.show();
        QVERIFY(rig.frame.ShowCompare({0, 1, 2}));
        CCompareView* v = rig.compare();
        QVERIFY(waitPanes(v));
        QCOMPARE(v->activePane(), 0);
        QVERIFY(v->pane(0)->activeFrame());
        QTest::keyClick(v->pane(0), Qt::Key_Tab);
        QCOMPARE(v->activePane(), 1);
        QVERIFY(!v->pane(0)->activeFrame() && v->pane(1)->activeFrame());
        QCOMPARE(rig.frame.activeFilePath(), QString::fromStdString(small_));
        QCOMPARE(rig.frame.windowTitle(),
                 QStringLiteral("Lumora - %1").arg(QString::fromStdString(small_)));
        // The frame is on screen in the active pane's colour.
        v->pane(1)->viewport()->repaint();
        const QImage shot = v->pane(1)->viewport()->grab().toImage();
        QCOMPARE(QColor(shot.pixel(1, shot.height() / 2)), CPreviewCtrl::kActiveFrameColour);
        QTest::keyClick(v->pane(1), Qt::Key_Tab);
        QTest::keyClick(v->pane(2), Qt::Key_Tab);
        QCOMPARE(v->activePane(), 0); // round to the first
        QTest::keyClick(v->pane(0), Qt::Key_Backtab);
        QCOMPARE(v->activePane(), 2);
        // A click makes a pane active.
        QTest::mouseClick(v->pane(1)->viewport(), Qt::LeftButton, {}, QPoint(20, 20));
        QCOMPARE(v->activePane(), 1);
        // The frame's commands act on the active pane.
        QVERIFY(rig.frame.RunCommand(ID_VIEWER_ZOOM_IN));
        QVERIFY(!v->pane(1)->fitMode());
        QVERIFY(!rig.frame.fitChecked());
    }

    void markKeysMarkTheActivePanesPicture() {
        Rig rig;
        for (const std::string& p : {big_, small_, tall_})
            rig.list.add(p);
        QStringList marked;
        ViewerHooks hooks;
        hooks.mark = [&](const QString& path, std::optional<MarkChange> change) {
            marked << path;
            Marks m;
            if (change)
                m.rating = static_cast<decltype(m.rating)>(change->value);
            return std::optional<Marks>(m);
        };
        rig.frame.SetHooks(std::move(hooks));
        rig.frame.show();
        QVERIFY(rig.frame.ShowCompare({0, 1, 2}));
        CCompareView* v = rig.compare();
        QVERIFY(waitPanes(v));
        QTest::keyClick(v->pane(0), Qt::Key_Tab);
        QCOMPARE(v->activePane(), 1);
        QTest::keyClick(v->pane(1), Qt::Key_3);
        QCOMPARE(marked, QStringList{QString::fromStdString(small_)});
        QCOMPARE(rig.frame.marksText(), QString(3, QChar(0x2605)));
        // Another active pane shows its own picture's marks (none here).
        QTest::mouseClick(v->pane(2)->viewport(), Qt::LeftButton, {}, QPoint(20, 20));
        QCOMPARE(v->activePane(), 2);
        QVERIFY(rig.frame.marksText().isEmpty());
        QTest::keyClick(v->pane(2), Qt::Key_5);
        QCOMPARE(marked.size(), 2);
        QCOMPARE(marked.back(), QString::fromStdString(tall_));
    }

    void zoomAndPanFollowAtDifferentPictureSizes() {
        Rig rig;
        for (const std::string& p : {big_, small_, tall_})
            rig.list.add(p);
        rig.frame.show();
        QVERIFY(rig.frame.ShowCompare({0, 1, 2}));
        CCompareView* v = rig.compare();
        QVERIFY(waitPanes(v));
        CPreviewCtrl* a = v->pane(0);
        // 100 % at a point of the first: all three at 100 %.
        const QPoint at(a->viewport()->width() / 4, a->viewport()->height() / 4);
        QTest::mouseClick(a->viewport(), Qt::MiddleButton, {}, at);
        for (int i = 0; i < 3; ++i) {
            QVERIFY(!v->pane(i)->fitMode());
            QCOMPARE(v->pane(i)->magnification(), 1.0f);
        }
        // Dragging the first: the others show the same relative point.
        QTest::mousePress(a->viewport(), Qt::LeftButton, {}, QPoint(200, 150));
        QTest::mouseMove(a->viewport(), QPoint(120, 90));
        QTest::mouseRelease(a->viewport(), Qt::LeftButton, {}, QPoint(120, 90));
        const PicturePoint ra = relativeCentre(a);
        for (int i = 1; i < 3; ++i) {
            CPreviewCtrl* c = v->pane(i);
            const PicturePoint r = relativeCentre(c);
            const double tolX = 2.0 / c->picture()->width() + 1e-9;
            const double tolY = 2.0 / c->picture()->height() + 1e-9;
            // Unless the follower's own scroll limits stop it.
            if (c->horizontalScrollBar()->value() > 0 &&
                c->horizontalScrollBar()->value() < c->horizontalScrollBar()->maximum())
                QVERIFY2(std::abs(r.x - ra.x) <= tolX, qPrintable(QString::number(r.x - ra.x)));
            if (c->verticalScrollBar()->value() > 0 &&
                c->verticalScrollBar()->value() < c->verticalScrollBar()->maximum())
                QVERIFY2(std::abs(r.y - ra.y) <= tolY, qPrintable(QString::number(r.y - ra.y)));
        }
        // The two larger pictures really moved.
        QVERIFY(v->pane(2)->verticalScrollBar()->value() > 0);
        // Only the active pane leads; a click makes another one lead.
        CPreviewCtrl* b = v->pane(2);
        const QPoint aScroll = a->scrollPosition();
        b->verticalScrollBar()->setValue(0);
        QCOMPARE(a->scrollPosition(), aScroll);
        QTest::mouseClick(b->viewport(), Qt::LeftButton, {}, QPoint(30, 30));
        QCOMPARE(v->activePane(), 2);
        b->verticalScrollBar()->setValue(b->verticalScrollBar()->maximum() / 2);
        QVERIFY(std::abs(relativeCentre(a).y - relativeCentre(b).y) <= 2.0 / 1600);
        // Unlinked, each pane keeps its own view.
        QVERIFY(rig.frame.RunCommand(ID_VIEWER_COMPARE_LINK));
        QVERIFY(!v->linked());
        QVERIFY(!rig.frame.action(ID_VIEWER_COMPARE_LINK)->isChecked());
        const QPoint aKept = a->scrollPosition();
        b->horizontalScrollBar()->setValue(0);
        b->verticalScrollBar()->setValue(0);
        QCOMPARE(a->scrollPosition(), aKept);
        QTest::keyClick(b, Qt::Key_Z);
        QVERIFY(b->fitMode());
        QVERIFY(!a->fitMode());
        // Linked again, the others take the active pane's view.
        QVERIFY(rig.frame.RunCommand(ID_VIEWER_COMPARE_LINK));
        QVERIFY(a->fitMode());
    }

    void arrowsStepTheActivePaneAndEnterShowsItAlone() {
        Rig rig;
        for (const std::string& p : {big_, small_, tall_, fourth_})
            rig.list.add(p);
        rig.frame.show();
        QVERIFY(rig.frame.ShowCompare({1, 2}));
        CCompareView* v = rig.compare();
        QVERIFY(waitPanes(v));
        QTest::keyClick(v->pane(0), Qt::Key_Tab);
        QTest::keyClick(v->pane(1), Qt::Key_Right);
        QCOMPARE(v->activeIndex(), 3);
        QCOMPARE(v->pane(1)->currentPath(), fourth_);
        QCOMPARE(v->pane(0)->currentPath(), small_); // the other stays
        QTest::keyClick(v->pane(1), Qt::Key_Right);  // no wrap at the end
        QCOMPARE(v->activeIndex(), 3);
        QTest::keyClick(v->pane(1), Qt::Key_Left);
        QTest::keyClick(v->pane(1), Qt::Key_Left);
        QCOMPARE(v->pane(1)->currentPath(), small_);
        // Up and Down step as well and never turn the picture.
        QVERIFY(waitPanes(v));
        const QString turned = v->pane(1)->rotationText();
        QTest::keyClick(v->pane(1), Qt::Key_Down);
        QCOMPARE(v->pane(1)->currentPath(), tall_);
        QTest::keyClick(v->pane(1), Qt::Key_Up);
        QCOMPARE(v->pane(1)->currentPath(), small_);
        QTest::keyClick(v->pane(1), Qt::Key_Up);
        QTest::keyClick(v->pane(1), Qt::Key_Up); // no wrap at the start
        QCOMPARE(v->activeIndex(), 0);
        QTest::keyClick(v->pane(1), Qt::Key_Down);
        QVERIFY(waitPanes(v));
        QCOMPARE(v->pane(1)->rotationText(), turned);
        QCOMPARE(v->pane(1)->picture()->width(), 1200);
        QCOMPARE(v->pane(0)->currentPath(), small_);
        QCOMPARE(rig.frame.listIndex(), 1);
        QVERIFY(waitPanes(v));
        QTest::keyClick(v->pane(1), Qt::Key_Return);
        QVERIFY(!rig.frame.comparing());
        QCOMPARE(rig.list.cursor, 1);
        QVERIFY(waitIdle(rig.frame.preview()));
        QCOMPARE(rig.frame.preview()->currentPath(), small_);
        QCOMPARE(rig.frame.activeFilePath(), QString::fromStdString(small_));
        QVERIFY(!rig.frame.action(ID_VIEWER_COMPARE_LINK)->isEnabled());
        // Esc in a comparison closes the viewer as it does for one picture.
        QVERIFY(rig.frame.ShowCompare({0, 3}));
        QTest::keyClick(v->pane(0), Qt::Key_Escape);
        QVERIFY(!rig.frame.isVisible());
    }

    void aPanStepMovesEachFollowerOnceInBothDirections() {
        Rig rig;
        for (const std::string& p : {big_, fourth_, tall_})
            rig.list.add(p);
        rig.frame.show();
        QVERIFY(rig.frame.ShowCompare({0, 1, 2}));
        CCompareView* v = rig.compare();
        QVERIFY(waitPanes(v));
        CPreviewCtrl* a = v->pane(0);
        QTest::keyClick(a, Qt::Key_Z);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(v->pane(i)->magnification(), 1.0f);
        QTest::mousePress(a->viewport(), Qt::LeftButton, {}, QPoint(200, 150));
        int before[3];
        QPoint scroll[3];
        for (int i = 0; i < 3; ++i) {
            before[i] = v->pane(i)->viewChangeCount();
            scroll[i] = v->pane(i)->scrollPosition();
        }
        // One step diagonally: every pane moves in both directions at once.
        QTest::mouseMove(a->viewport(), QPoint(170, 120));
        for (int i = 0; i < 3; ++i) {
            CPreviewCtrl* c = v->pane(i);
            QCOMPARE(c->viewChangeCount(), before[i] + 1);
            QVERIFY(c->scrollPosition().x() != scroll[i].x());
            QVERIFY(c->scrollPosition().y() != scroll[i].y());
        }
        // A step the picture cannot follow (at its edge) changes nothing.
        QTest::mouseMove(a->viewport(), QPoint(170 + 5000, 120 + 5000));
        const int atEdge = a->viewChangeCount();
        const QPoint edge = a->scrollPosition();
        QCOMPARE(edge, QPoint(0, 0));
        QTest::mouseMove(a->viewport(), QPoint(170 + 5100, 120 + 5100));
        QCOMPARE(a->viewChangeCount(), atEdge);
        for (int i = 1; i < 3; ++i)
            QCOMPARE(v->pane(i)->scrollPosition(), QPoint(0, 0));
        QTest::mouseRelease(a->viewport(), Qt::LeftButton, {}, QPoint(170 + 5100, 120 + 5100));
        // Setting the position directly does the same.
        const int n = a->viewChangeCount();
        a->SetScrollPosition(QPoint(40, 30));
        QCOMPARE(a->viewChangeCount(), n + 1);
        QCOMPARE(a->scrollPosition(), QPoint(40, 30));
        a->SetScrollPosition(QPoint(40, 30));
        QCOMPARE(a->viewChangeCount(), n + 1);
    }

    void thePreImagesPaintBeforeTheDecodesStart() {
        Rig rig;
        for (const std::string& p : {big_, small_, tall_, fourth_})
            rig.list.add(p);
        rig.frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&rig.frame));
        CCompareView* v = rig.compare();
        QVERIFY(rig.frame.ShowCompare({0, 1, 2, 3}));
        for (int i = 0; i < 4; ++i) {
            QVERIFY(v->pane(i)->loading());
            QVERIFY(v->pane(i)->loadPending());
        }
        // Painted: the decodes go.
        for (int i = 0; i < 4; ++i)
            v->pane(i)->viewport()->repaint();
        QCoreApplication::processEvents();
        for (int i = 0; i < 4; ++i)
            QVERIFY(!v->pane(i)->loadPending());
        QVERIFY(waitPanes(v));
        // Stepping a pane before its paint, then clearing: nothing starts late.
        QTest::keyClick(v->pane(0), Qt::Key_Right);
        QVERIFY(v->pane(0)->loadPending());
        rig.frame.ShowCompare({2, 3});
        QVERIFY(waitPanes(v));
        QCOMPARE(v->pane(0)->currentPath(), tall_);
        QVERIFY(!v->pane(2)->loadPending() && !v->pane(2)->HasImage());
        // A window that never paints still gets its pictures.
        rig.frame.hide();
        QVERIFY(rig.frame.ShowCompare({0, 1}));
        QVERIFY(waitPanes(v));
        QCOMPARE(v->pane(1)->currentPath(), small_);
    }

    void keyCInTheViewerComparesTheSelection() {
        Rig rig;
        for (const std::string& p : {big_, small_, tall_})
            rig.list.add(p);
        int asked = 0;
        ViewerHooks hooks;
        hooks.compareSelection = [&] {
            ++asked;
            rig.frame.ShowCompare({0, 2});
        };
        rig.frame.SetHooks(std::move(hooks));
        rig.list.open(1);
        rig.frame.show();
        QVERIFY(waitIdle(rig.frame.preview()));
        // One selected: C does nothing.
        QTest::keyClick(rig.frame.preview(), Qt::Key_C);
        QCOMPARE(asked, 0);
        QVERIFY(!rig.frame.comparing());
        rig.list.selected = 5; // too many
        QTest::keyClick(rig.frame.preview(), Qt::Key_C);
        QCOMPARE(asked, 0);
        rig.list.selected = 2;
        QTest::keyClick(rig.frame.preview(), Qt::Key_C);
        QCOMPARE(asked, 1);
        QVERIFY(rig.frame.comparing());
        QCOMPARE(rig.compare()->pane(1)->currentPath(), tall_);
        // With a modifier it is no compare key.
        QTest::keyClick(rig.compare()->pane(0), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(asked, 1);
    }

    void aChangedSelectionMakesTheRunningDecodesStale() {
        Rig rig;
        for (const std::string& p : {big_, small_, tall_, fourth_})
            rig.list.add(p);
        rig.frame.show();
        CCompareView* v = rig.compare();
        QVERIFY(rig.frame.ShowCompare({0, 1, 2, 3}));
        // Each pane asks its own loader at once, pre-image first.
        int32_t first[4];
        for (int i = 0; i < 4; ++i) {
            QVERIFY(v->pane(i)->loading());
            first[i] = v->pane(i)->requestId();
        }
        // Before anything arrived: another selection.
        QVERIFY(rig.frame.ShowCompare({3, 2}));
        QVERIFY(waitPanes(v));
        QCOMPARE(v->pane(0)->currentPath(), fourth_);
        QCOMPARE(v->pane(1)->currentPath(), tall_);
        QCOMPARE(v->pane(0)->picture()->width(), 1600);
        QCOMPARE(v->pane(1)->picture()->width(), 1000);
        for (int i = 0; i < 4; ++i)
            QVERIFY(v->pane(i)->requestId() != first[i]);
        // The panes no longer used hold nothing and ignore what still arrives.
        for (int i = 2; i < 4; ++i) {
            QVERIFY(!v->pane(i)->HasImage());
            QVERIFY(!v->pane(i)->isVisible());
        }
        QVERIFY(CPictureLoader::WaitIdle(10000));
        QCoreApplication::processEvents();
        QVERIFY(!v->pane(2)->HasImage());
        QVERIFY(!v->pane(3)->HasImage());
        // One picture again: the comparison gives way and drops its requests.
        rig.list.open(0);
        QVERIFY(!rig.frame.comparing());
        QVERIFY(!v->pane(0)->HasImage());
        QVERIFY(waitIdle(rig.frame.preview()));
        QCOMPARE(rig.frame.preview()->currentPath(), big_);
    }
};

QTEST_MAIN(CompareViewTest)
#include "CompareViewTest.moc"
