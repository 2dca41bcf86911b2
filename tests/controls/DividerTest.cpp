#include "controls/Divider.h"
#include "controls/TextProgressCtrl.h"

#include <QtTest>

using namespace lumora;

namespace {

QWidget* barOf(CDividerBase& d) {
    return d.findChild<QWidget*>(QStringLiteral("DividerBar"), Qt::FindDirectChildrenOnly);
}

// Sends the bar a mouse event at `inDivider` (divider coordinates, mapped
// through the bar's current place: the bar moves with the drag).
void sendToBar(QWidget* bar, QEvent::Type type, QPoint inDivider, Qt::MouseButton button,
               Qt::MouseButtons buttons) {
    const QPoint local = bar->mapFromParent(inDivider);
    QMouseEvent e(type, local, bar->mapToGlobal(local), button, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(bar, &e);
}

// Presses on the bar, moves by (dx, dy) in steps, releases.
void drag(CDividerBase& d, int dx, int dy, bool release = true) {
    QWidget* bar = barOf(d);
    QVERIFY(bar);
    const QPoint start = bar->rect().center();
    const QPoint startInDivider = bar->mapToParent(start);
    QTest::mousePress(bar, Qt::LeftButton, {}, start);
    for (int i = 1; i <= 4; ++i)
        sendToBar(bar, QEvent::MouseMove, startInDivider + QPoint(dx * i / 4, dy * i / 4),
                  Qt::NoButton, Qt::LeftButton);
    if (release)
        sendToBar(bar, QEvent::MouseButtonRelease, startInDivider + QPoint(dx, dy), Qt::LeftButton,
                  Qt::NoButton);
}

QWidget* resized(QWidget* w, int width, int height) {
    w->resize(width, height);
    return w;
}

// A host of width x height filled by a main divider (bar 3 pixels) with
// two empty panes, anchored to pane 1 when asked; Layout() is the test's.
struct Split {
    QWidget host;
    CDivider d;
    Split(int width, int height, int initial, int fixed, int minimum, bool anchorRight = false)
        : d(resized(&host, width, height), 59648, 3, initial, fixed, minimum) {
        d.setGeometry(host.rect());
        d.SetPane(0, new QWidget);
        d.SetPane(1, new QWidget);
        if (anchorRight)
            d.SetAnchor(1);
    }
};

} // namespace

class DividerTest : public QObject {
    Q_OBJECT
private slots:
    void mainBarStopsAtMinimumAndAtFarEdge() {
        Split s(800, 500, 200, 0, 60);
        CDivider& d = s.d;
        d.Layout();
        QCOMPARE(d.GetPosition(), 200);
        QCOMPARE(d.pane(0)->geometry(), QRect(0, 0, 200, 500));
        QCOMPARE(d.pane(1)->geometry(), QRect(203, 0, 597, 500));

        drag(d, -400, 0);
        QCOMPARE(d.GetPosition(), 60);
        QCOMPARE(d.pane(0)->width(), 60);
        drag(d, 2000, 0);
        QCOMPARE(d.GetPosition(), 797); // bar touches the right edge
        QCOMPARE(d.pane(1)->width(), 0);
        QVERIFY(!d.isDragging());
    }

    void infoBarKeepsMinimumAndLetsViewShrink() {
        Split s(900, 400, 200, 200, 200, true);
        CDivider& d = s.d;
        d.SetEdge();
        d.Layout();
        QCOMPARE(d.GetPosition(), 900 - 200 - 3);
        QCOMPARE(d.pane(1)->geometry(), QRect(700, 0, 200, 400));

        drag(d, 150, 0); // would leave 50 pixels
        QCOMPARE(d.pane(1)->width(), 200);
        QCOMPARE(d.GetPosition(), 697);
        drag(d, -5000, 0);
        QCOMPARE(d.GetPosition(), 0);
        QCOMPARE(d.pane(0)->width(), 0);
        QCOMPARE(d.pane(1)->width(), 897);
        QCOMPARE(d.GetFixedExtent(), 897);
    }

    void draggedWidthSurvivesResize() {
        Split s(900, 400, 200, 200, 200, true);
        CDivider& d = s.d;
        d.Layout();
        s.host.show(); // resize events reach shown widgets only
        drag(d, -100, 0);
        QCOMPARE(d.pane(1)->width(), 300);
        QCOMPARE(d.GetFixedExtent(), 300); // the last move counts, not the one before
        d.resize(1200, 400);
        QCOMPARE(d.pane(1)->width(), 300);
        QCOMPARE(d.pane(1)->x(), 900);
        QCOMPARE(d.pane(0)->width(), 897);
    }

    void dragBackToStartRestoresPanes() {
        Split s(800, 300, 200, 0, 60);
        CDivider& d = s.d;
        d.Layout();
        drag(d, 100, 0, false);
        QCOMPARE(d.pane(0)->width(), 300);
        // back to the starting point within the same drag
        sendToBar(barOf(d), QEvent::MouseMove, QPoint(201, 150), Qt::NoButton, Qt::LeftButton);
        QCOMPARE(d.GetPosition(), 200);
        QCOMPARE(d.pane(0)->width(), 200);
        QCOMPARE(d.pane(1)->x(), 203);
    }

    void hidingAndShowingTheInfoPane() {
        Split s(900, 400, 250, 250, 200, true);
        CDivider& d = s.d;
        d.Layout();
        d.ShowPane(1, false);
        QCOMPARE(d.GetPosition(), 900);
        QCOMPARE(d.pane(0)->width(), 900);
        QVERIFY(d.pane(1)->isHidden());
        d.ShowPane(1, true);
        QCOMPARE(d.pane(1)->width(), 250);
        QCOMPARE(d.pane(0)->width(), 647);
    }

    void startingHiddenThenShownGetsTheKeptExtent() {
        Split s(900, 400, 0, 240, 200, true); // initial 0: pane hidden at start
        CDivider& d = s.d;
        d.ShowPane(1, false);
        d.Layout();
        d.resize(900, 401);
        QCOMPARE(d.pane(0)->width(), 900);
        d.ShowPane(1, true);
        QCOMPARE(d.pane(1)->width(), 240);
    }

    void resizeKeepsTreeWidthAndStackedExtent() {
        QWidget host;
        host.resize(600, 600);
        CDivider main(&host, 59648, 3, 180, 0, 60);
        main.setGeometry(host.rect());
        auto* tree = new QWidget;
        CHorzDivider* stack = new CHorzDivider(tree, 59648, 3, 200, 200, 200);
        main.SetPane(0, tree);
        main.SetPane(1, new QWidget);
        main.Layout();
        stack->SetPane(0, new QWidget);
        stack->SetPane(1, new QWidget);
        stack->SetAnchor(1);
        stack->setGeometry(tree->rect());
        stack->Layout();
        QCOMPARE(stack->pane(1)->geometry(), QRect(0, 400, 180, 200));
        host.show();
        main.resize(1000, 700);
        stack->setGeometry(tree->rect());
        QCOMPARE(main.pane(0)->width(), 180);
        QCOMPARE(stack->pane(1)->height(), 200);
        QCOMPARE(stack->pane(0)->height(), 497);
        // the stacked bar drags along y and keeps its minimum
        drag(*stack, 0, 400);
        QCOMPARE(stack->pane(1)->height(), 200);
        drag(*stack, 0, -100);
        QCOMPARE(stack->pane(1)->height(), 300);
    }

    void layoutWaitsForBothPanes() {
        QWidget host;
        host.resize(500, 300);
        CDivider d(&host, 59648, 3, 120, 0, 60);
        d.setGeometry(host.rect());
        d.SetPane(0, new QWidget);
        d.Layout();
        QVERIFY(!d.laidOut());
        d.SetPane(1, new QWidget);
        d.Layout();
        QVERIFY(d.laidOut());
        QCOMPARE(d.GetPosition(), 120);
    }

    void progressTextAndRange() {
        CTextProgressCtrl p;
        p.resize(100, 18);
        p.SetRange(0, 0); // an empty range must paint without dividing by zero
        p.SetPos(5);
        p.SetWindowText(QStringLiteral("EXIF scanning..."));
        QImage img(p.size(), QImage::Format_ARGB32);
        p.render(&img);
        QCOMPARE(p.text(), QStringLiteral("EXIF scanning..."));
    }
};

QTEST_MAIN(DividerTest)
#include "DividerTest.moc"
