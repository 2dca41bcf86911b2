#include "thumbnails/ThumbnailCtrl.h"
#include "platform/ClipboardFiles.h"
#include "thumbnails/CellPainter.h"
#include "thumbnails/FileDropTarget.h"
#include "thumbnails/ThumbnailMessages.h"

#include <QMenu>
#include <QMimeData>
#include <QScrollBar>
#include <QtTest>

using namespace lumora;

namespace {

// Records what the view sends to its main window.
class FakeMain : public QObject {
public:
    int lastSelCount = -99;
    int selMessages = 0;
    int currentItems = 0;
    int lastCurrentIndex = -1;
    bool event(QEvent* e) override {
        if (auto* m = MessageCast<SelCountMessage>(e)) {
            lastSelCount = m->count;
            ++selMessages;
            return true;
        }
        if (auto* m = MessageCast<CurrentItemMessage>(e)) {
            ++currentItems;
            if (m->record)
                lastCurrentIndex = m->record->index;
            return true;
        }
        return QObject::event(e);
    }
};

ImageItem makeItem(int i, bool withThumb = true) {
    ImageItem item =
        ImageItem::FromPath("/nowhere/img" + std::to_string(1000 + i) + ".jpg", ImageKind::Jpeg);
    item.exifScanned = 1;
    if (withThumb) {
        DibImage dib(120, 90);
        std::memset(dib.bits(), 0x80, dib.byteSize());
        item.thumb.thumbBits = std::move(dib);
        item.thumb.thumbWidth = 120;
        item.thumb.thumbHeight = 90;
    }
    return item;
}

std::vector<int> selected(CThumbnailCtrl& v) {
    std::vector<int> out;
    for (int i = 0; i < v.Count(); ++i)
        if (v.list().GetState(i) & kStateSelected)
            out.push_back(i);
    return out;
}

// Bare cells (no captions): 140 x 140, pitch 148, itemSpace 8.
AppSettings bareSettings() {
    AppSettings s;
    s.ShowFileName = 0;
    s.ShowGuide = 0;
    return s;
}

QPoint cellCenter(CThumbnailCtrl& v, int index) {
    return v.cellRectInWindow(index).center();
}

} // namespace

class ThumbnailCtrlTest : public QObject {
    Q_OBJECT

    std::unique_ptr<CThumbnailCtrl> view;
    FakeMain main;

    void fill(int n, int worksheetMode = 0) {
        view = std::make_unique<CThumbnailCtrl>(nullptr, worksheetMode);
        view->SetMainWindow(&main);
        view->ApplySettings(bareSettings(), false, false);
        for (int i = 0; i < n; ++i)
            view->list().Add(makeItem(i));
        // 4 columns: viewport 600 wide plus the bar
        view->resize(600 + view->verticalScrollBar()->sizeHint().width(), 460);
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view.get()));
        view->LayoutScrollBars();
        view->DrawVisibleItems();
        QCOMPARE(view->ColumnCount(), 4);
    }

    void click(int index, Qt::KeyboardModifiers mods = {}) {
        QTest::mouseClick(view->viewport(), Qt::LeftButton, mods, cellCenter(*view, index));
    }

private slots:
    void cleanup() { view.reset(); }

    void shiftClickWithoutCursorSelectsFromTheFirstItem() {
        fill(10);
        QCOMPARE(view->cursor(), -1);
        click(5, Qt::ShiftModifier);
        QCOMPARE(selected(*view), (std::vector<int>{0, 1, 2, 3, 4, 5}));
        QCOMPARE(view->cursor(), 5);
        QCOMPARE(main.lastSelCount, 6);
    }

    void ctrlClickOnTheOnlySelectedItem() {
        fill(10);
        click(2);
        QCOMPARE(selected(*view), (std::vector<int>{2}));
        click(2, Qt::ControlModifier);
        QVERIFY(selected(*view).empty());
        QCOMPARE(view->cursor(), 2);
        QCOMPARE(view->list().GetState(2), kStateCursor);
        QCOMPARE(main.lastSelCount, 0);
    }

    void plainClickOnOneOfSeveralSelected() {
        fill(10);
        click(1);
        click(3, Qt::ShiftModifier);
        QCOMPARE(selected(*view), (std::vector<int>{1, 2, 3}));
        QTest::mousePress(view->viewport(), Qt::LeftButton, {}, cellCenter(*view, 2));
        QCOMPARE(selected(*view), (std::vector<int>{1, 2, 3})); // a drag may still follow
        QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, cellCenter(*view, 2));
        QCOMPARE(selected(*view), (std::vector<int>{2}));
        QCOMPARE(main.lastSelCount, 1);
    }

    void bandReplacesTheSelection() {
        fill(12);
        click(11);
        QCOMPARE(selected(*view), (std::vector<int>{11}));
        // From the gap left of cell 0 across the cores of 0, 1, 4 and 5.
        QWidget* vp = view->viewport();
        QTest::mousePress(vp, Qt::LeftButton, {}, QPoint(3, 3));
        QTest::mouseMove(vp, QPoint(260, 250));
        QVERIFY(view->bandShown());
        QCOMPARE(selected(*view), (std::vector<int>{0, 1, 4, 5}));
        // Back toward the start: only the smaller band's items stay.
        QTest::mouseMove(vp, QPoint(100, 100));
        QCOMPARE(selected(*view), (std::vector<int>{0}));
        QTest::mouseRelease(vp, Qt::LeftButton, {}, QPoint(100, 100));
        QVERIFY(!view->bandShown());
        QCOMPARE(selected(*view), (std::vector<int>{0}));
        QCOMPARE(main.lastSelCount, 1);
    }

    void bandBelowTheViewScrollsAtTheRightPace() {
        fill(60);
        QWidget* vp = view->viewport();
        QTest::mousePress(vp, Qt::LeftButton, {}, QPoint(3, 3));
        QTest::mouseMove(vp, QPoint(100, vp->height() + 30));
        QVERIFY(view->autoScrollActive());
        QCOMPARE(view->autoScrollDirection(), 1);
        QCOMPARE(view->autoScrollInterval(), 150);
        QTest::mouseMove(vp, QPoint(100, vp->height() + 80));
        QCOMPARE(view->autoScrollInterval(), 50);
        QTest::mouseMove(vp, QPoint(100, 100));
        QVERIFY(!view->autoScrollActive());
        QCOMPARE(view->autoScrollDirection(), 0);
        QTest::mouseRelease(vp, Qt::LeftButton, {}, QPoint(100, 100));
    }

    void bandKeepsScrollingWhileTheMouseKeepsMoving() {
        fill(80);
        QWidget* vp = view->viewport();
        QScrollBar* bar = view->verticalScrollBar();
        QTest::mousePress(vp, Qt::LeftButton, {}, QPoint(3, 3));
        // The mouse jitters 30 pixels below the view, a move every 40 ms:
        // faster than the 150 ms rate, so a timer restarted by each move
        // would never fire.
        QElapsedTimer clock;
        clock.start();
        int i = 0;
        while (clock.elapsed() < 1000) {
            const QPoint pt(100 + (i++ % 2), vp->height() + 30);
            QCursor::setPos(vp->mapToGlobal(pt));
            QTest::mouseMove(vp, pt);
            QTest::qWait(40);
        }
        QVERIFY(view->autoScrollActive());
        QCOMPARE(view->autoScrollInterval(), 150);
        // About six rows in a second at 150 ms per row.
        qInfo("rows scrolled in 1 s with the mouse moving: %d", bar->value());
        QVERIFY2(bar->value() >= 3, qPrintable(QString::number(bar->value())));
        const int before = bar->value();
        // Further away the rate goes up to 50 ms per row, still while moving.
        clock.restart();
        while (clock.elapsed() < 600) {
            const QPoint pt(100 + (i++ % 2), vp->height() + 80);
            QCursor::setPos(vp->mapToGlobal(pt));
            QTest::mouseMove(vp, pt);
            QTest::qWait(20);
        }
        QCOMPARE(view->autoScrollInterval(), 50);
        qInfo("rows scrolled in 0.6 s at the fast rate: %d", bar->value() - before);
        QVERIFY2(bar->value() - before >= 5, qPrintable(QString::number(bar->value() - before)));
        QTest::mouseRelease(vp, Qt::LeftButton, {}, QPoint(100, 100));
        QVERIFY(!view->autoScrollActive());
    }

    void plainKeysMoveTheCursorAndNeverExtend() {
        fill(10);
        view->setFocus();
        click(8);
        QTest::keyClick(view->viewport(), Qt::Key_Right);
        QCOMPARE(view->cursor(), 9);
        QCOMPARE(selected(*view), (std::vector<int>{9}));
        QTest::keyClick(view->viewport(), Qt::Key_Right);
        QCOMPARE(view->cursor(), 9); // the last item: nothing happens
        QTest::keyClick(view->viewport(), Qt::Key_Home);
        QCOMPARE(view->cursor(), 8);
        QTest::keyClick(view->viewport(), Qt::Key_Up);
        QCOMPARE(view->cursor(), 4);
        QTest::keyClick(view->viewport(), Qt::Key_End);
        QCOMPARE(view->cursor(), 7);
        QTest::keyClick(view->viewport(), Qt::Key_Down);
        QCOMPARE(view->cursor(), 7); // no item below
        QCOMPARE(selected(*view), (std::vector<int>{7}));
        QCOMPARE(view->list().GetState(7), kStateCursor | kStateSelected);
        QVERIFY(main.lastCurrentIndex == 7);
    }

    void shiftExtendsFromTheAnchorAndCtrlHomeEndReachTheEnds() {
        fill(10); // four columns: rows 0-3, 4-7, 8-9
        view->setFocus();
        click(5);
        auto key = [&](Qt::Key k, Qt::KeyboardModifiers m = Qt::ShiftModifier) {
            QTest::keyClick(view->viewport(), k, m);
        };
        key(Qt::Key_Right);
        QCOMPARE(view->cursor(), 6);
        QCOMPARE(selected(*view), (std::vector<int>{5, 6}));
        QCOMPARE(main.lastSelCount, 2);
        key(Qt::Key_Up); // past the anchor: the range turns round
        QCOMPARE(view->cursor(), 2);
        QCOMPARE(selected(*view), (std::vector<int>{2, 3, 4, 5}));
        QCOMPARE(view->list().GetState(2), kStateCursor | kStateSelected);
        QCOMPARE(view->list().GetState(5), kStateSelected);
        key(Qt::Key_Home);
        QCOMPARE(selected(*view), (std::vector<int>{0, 1, 2, 3, 4, 5}));
        key(Qt::Key_End);
        QCOMPARE(selected(*view), (std::vector<int>{3, 4, 5}));
        key(Qt::Key_End, Qt::ShiftModifier | Qt::ControlModifier);
        QCOMPARE(view->cursor(), 9);
        QCOMPARE(selected(*view), (std::vector<int>{5, 6, 7, 8, 9}));
        // A plain key drops the range; Shift starts a new one from there.
        key(Qt::Key_Left, Qt::NoModifier);
        QCOMPARE(selected(*view), (std::vector<int>{8}));
        key(Qt::Key_Left);
        QCOMPARE(selected(*view), (std::vector<int>{7, 8}));
        key(Qt::Key_Home, Qt::ControlModifier);
        QCOMPARE(view->cursor(), 0);
        QCOMPARE(selected(*view), (std::vector<int>{0}));
        key(Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(view->cursor(), 9);
        QCOMPARE(selected(*view), (std::vector<int>{9}));
        QCOMPARE(main.lastCurrentIndex, 9);
        // Shift-click's range goes on with Shift and the keys.
        click(2);
        click(6, Qt::ShiftModifier);
        QCOMPARE(selected(*view), (std::vector<int>{2, 3, 4, 5, 6}));
        key(Qt::Key_Right);
        QCOMPARE(selected(*view), (std::vector<int>{2, 3, 4, 5, 6, 7}));
        // Something else moving the cursor starts a new range at it.
        view->GoToItem(4);
        key(Qt::Key_Left);
        QCOMPARE(selected(*view), (std::vector<int>{3, 4}));
    }

    void shiftWithThePageKeysExtendsByAPage() {
        fill(60); // 15 rows
        click(1);
        const int page = view->verticalScrollBar()->pageStep();
        QVERIFY(page >= 1);
        QTest::keyClick(view->viewport(), Qt::Key_PageDown, Qt::ShiftModifier);
        QCOMPARE(view->cursor(), 1 + 4 * page);
        QCOMPARE(int(selected(*view).size()), 4 * page + 1);
        QVERIFY(view->topRow() > 0); // the cursor is brought into view
        QTest::keyClick(view->viewport(), Qt::Key_PageUp, Qt::ShiftModifier);
        QCOMPARE(view->cursor(), 1);
        QCOMPARE(selected(*view), (std::vector<int>{1}));
        QTest::keyClick(view->viewport(), Qt::Key_PageUp, Qt::ShiftModifier);
        QCOMPARE(view->cursor(), 0); // the first item stops it
        QCOMPARE(selected(*view), (std::vector<int>{0, 1}));
    }

    void keysWithoutCursorReachAValidItem() {
        struct Case {
            Qt::Key key;
            int cursor;
        };
        // Ten items in four columns, no cursor yet (as after a folder load).
        const Case cases[] = {{Qt::Key_Right, 0}, {Qt::Key_Home, 0},  {Qt::Key_End, 3},
                              {Qt::Key_Down, 3},  {Qt::Key_Left, -1}, {Qt::Key_Up, -1}};
        for (const Case& c : cases) {
            fill(10);
            view->setFocus();
            QCOMPARE(view->cursor(), -1);
            QTest::keyClick(view->viewport(), c.key);
            QCOMPARE(view->cursor(), c.cursor);
            if (c.cursor >= 0) {
                QCOMPARE(selected(*view), (std::vector<int>{c.cursor}));
                QCOMPARE(view->list().GetState(c.cursor), kStateCursor | kStateSelected);
                QCOMPARE(main.lastCurrentIndex, c.cursor);
            } else {
                QVERIFY(selected(*view).empty());
            }
            main.lastCurrentIndex = -1;
        }
    }

    void keysScrollTheCursorIntoView() {
        fill(60); // 15 rows of 148, 3 full rows visible
        click(0);
        QTest::keyClick(view->viewport(), Qt::Key_PageDown);
        QCOMPARE(view->cursor(), 0); // Page keys leave the cursor
        QVERIFY(view->topRow() > 0);
        QTest::keyClick(view->viewport(), Qt::Key_Right);
        QCOMPARE(view->topRow(), 0); // back up to the cursor's row
        for (int i = 0; i < 4; ++i)
            QTest::keyClick(view->viewport(), Qt::Key_Down);
        QCOMPARE(view->cursor(), 17);
        QCOMPARE(view->topRow(), 4 - view->RowCount(true) + 1);
    }

    void dropsOnlyIntoWorksheetViews() {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("x.jpg"));
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        auto data = makeFileListMimeData({file}, DROPEFFECT_COPY);
        for (int mode : {0, 1}) {
            fill(2, mode);
            QWidget* vp = view->viewport();
            QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction | Qt::MoveAction, data.get(),
                                  Qt::LeftButton, {});
            QCoreApplication::sendEvent(vp, &enter);
            QVERIFY(enter.isAccepted()); // a file list is welcome to enter
            QDragMoveEvent move(QPoint(6, 6), Qt::CopyAction | Qt::MoveAction, data.get(),
                                Qt::LeftButton, {});
            QCoreApplication::sendEvent(vp, &move);
            QCOMPARE(move.isAccepted(), mode == 1);
            QDragLeaveEvent leave;
            QCoreApplication::sendEvent(vp, &leave);
        }
        // A view never takes its own drag back.
        CFileDropTarget::SetDragSource(view.get());
        QDragMoveEvent own(QPoint(6, 6), Qt::CopyAction, data.get(), Qt::LeftButton, {});
        QCoreApplication::sendEvent(view->viewport(), &own);
        QVERIFY(!own.isAccepted());
        CFileDropTarget::SetDragSource(nullptr);
    }

    void contextMenuGreying() {
        fill(4, 1);
        auto findAction = [](QMenu& m, int id) -> QAction* {
            for (QAction* a : m.actions())
                if (a->data().toInt() == id)
                    return a;
            return nullptr;
        };
        auto empty = view->buildContextMenu(-1);
        QCOMPARE(empty->objectName(), QStringLiteral("THUMB"));
        for (int id :
             {ID_THUMB_PREVIEW, ID_THUMB_CUT, ID_THUMB_COPY, ID_THUMB_DELETE, ID_THUMB_PROPERTIES})
            QVERIFY2(!findAction(*empty, id)->isEnabled(), qPrintable(QString::number(id)));
        auto one = view->buildContextMenu(1);
        QVERIFY(findAction(*one, ID_THUMB_PREVIEW)->isEnabled());
        QVERIFY(findAction(*one, ID_THUMB_PROPERTIES)->isEnabled());
        // A worksheet view with more than one selected item: no properties.
        view->list().SetState(0, kStateSelected);
        view->list().SetState(1, kStateSelected | kStateCursor);
        auto many = view->buildContextMenu(1);
        QVERIFY(!findAction(*many, ID_THUMB_PROPERTIES)->isEnabled());
        QVERIFY(findAction(*many, ID_THUMB_COPY)->isEnabled());
    }

    void cellsShowSelectionFocusAndCursor() {
        fill(3);
        click(1);
        view->clearFocus();
        QTRY_VERIFY(!view->focused());
        view->DrawVisibleItems();
        const QImage canvas = view->grabCanvas();
        const AppSettings s;
        const QRect cell1 = view->cellRectInWindow(1);
        const QRect cell2 = view->cellRectInWindow(2);
        const qreal dpr = canvas.devicePixelRatio();
        auto at = [&](QPoint p) { return QColor(canvas.pixel(p * dpr)); };
        // Selected, unfocused view: the darker selection background; the
        // cursor frame in the unfocused cursor colour; others with the edge.
        QCOMPARE(at(cell1.topLeft() + QPoint(5, 130)), colorFromRef(s.CanvasSelectedBackground));
        QCOMPARE(at(cell1.topLeft() + QPoint(1, 60)), colorFromRef(s.CursorBackground));
        QCOMPARE(at(cell2.topLeft() + QPoint(5, 130)), colorFromRef(s.CanvasNormal));
        QCOMPARE(at(cell2.topLeft() + QPoint(0, 60)), colorFromRef(s.ThumbEdge));
        // The gap between cells is workspace.
        QCOMPARE(at(QPoint(cell1.left() - 4, cell1.top() + 60)), colorFromRef(s.ThumbWorkspace));
        // The kind mark sits at the top-left corner in the JPEG colour.
        QCOMPARE(at(cell2.topLeft() + QPoint(2, 2)), colorFromRef(0x0000C8));
    }

    void emptyViewShowsThePlaceholder() {
        fill(0);
        view->DrawEmptyPlaceholder();
        const QImage canvas = view->grabCanvas();
        int text = 0;
        for (int y = 0; y < canvas.height(); ++y)
            for (int x = 0; x < canvas.width(); ++x)
                if (QColor(canvas.pixel(x, y)) == colorFromRef(0xC8C8C8))
                    ++text;
        QVERIFY(text > 50);
        QCOMPARE(view->HitTest(QPoint(20, 20)), -1);
    }

    void scrollingFreesFarThumbnails() {
        fill(400); // 100 rows
        QVERIFY(view->list().HasThumbnail(0));
        view->verticalScrollBar()->setValue(60);
        QCOMPARE(view->topRow(), 60);
        QVERIFY(!view->list().HasThumbnail(0));
        QVERIFY(view->list().HasThumbnail(60 * 4));
        QCOMPARE(view->HitTest(QPoint(20, 20)), 240);
    }

    void scrollingAwayAndBackMakesThumbnailsAgain() {
        view = std::make_unique<CThumbnailCtrl>(nullptr, 0);
        view->SetMainWindow(&main);
        view->ApplySettings(bareSettings(), false, false);
        for (int i = 0; i < 200; ++i) // 50 rows
            view->list().Add(makeItem(i, false));
        view->resize(600 + view->verticalScrollBar()->sizeHint().width(), 320);
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view.get()));
        view->LayoutScrollBars();
        view->engine()->Rescan();
        QTRY_VERIFY(view->list().HasThumbnail(0));
        QTRY_VERIFY(view->list().HasThumbnail(11)); // the partly visible third row
        QTest::qWait(100);
        QVERIFY(!view->list().HasThumbnail(199)); // never on screen, never made
        // Three screens and more down: the first screen is freed, the new
        // one is asked for and made.
        view->verticalScrollBar()->setValue(40);
        QVERIFY(!view->list().HasThumbnail(0));
        QTRY_VERIFY(view->list().HasThumbnail(160));
        view->verticalScrollBar()->setValue(0);
        QTRY_VERIFY(view->list().HasThumbnail(0));
    }

    void tooltipGivesNameAndShootingLines() {
        fill(2);
        ImageItem item = makeItem(7);
        item.shootingInfo.shutterSpeed = 0.5f;
        item.caption.shutterSpeed = 0.5f;
        item.caption.fNumber = 8.0f;
        view->list().Add(std::move(item));
        QCOMPARE(view->tooltipTextAt(cellCenter(*view, 0)), QStringLiteral("img1000.jpg"));
        QCOMPARE(view->tooltipTextAt(cellCenter(*view, 2)),
                 QStringLiteral("img1007.jpg\n \n2.0\"  F8.0      \n") +
                     QString(15, QLatin1Char(' ')));
        QVERIFY(view->tooltipTextAt(QPoint(2, 2)).isEmpty());
    }
};

QTEST_MAIN(ThumbnailCtrlTest)
#include "ThumbnailCtrlTest.moc"
