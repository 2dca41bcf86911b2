#include "controls/Divider.h"
#include "controls/TextProgressCtrl.h"

#include <QtTest>

using namespace lumora;

namespace {

QWidget* barOf(CDividerBase& d) {
    return d.findChild<QWidget*>(QStringLiteral("DividerBar"), Qt::FindDirectChildrenOnly);
}

// Presses on the bar, moves by (dx, dy) in steps, releases.
void drag(CDividerBase& d, int dx, int dy, bool release = true) {
    QWidget* bar = barOf(d);
    QVERIFY(bar);
    const QPoint start = bar->rect().center();
    const QPoint startInDivider = bar->mapToParent(start);
    QTest::mousePress(bar, Qt::LeftButton, {}, start);
    // Positions are given in the bar's coordinates as they were at press time;
    // the bar moves with the drag, so map through the divider each step.
    for (int i = 1; i <= 4; ++i) {
        const QPoint target = startInDivider + QPoint(dx * i / 4, dy * i / 4);
        QMouseEvent move(QEvent::MouseMove, bar->mapFromParent(target),
                         bar->mapToGlobal(bar->mapFromParent(target)), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QCoreApplication::sendEvent(bar, &move);
    }
    if (release) {
        QMouseEvent up(QEvent::MouseButtonRelease,
                       bar->mapFromParent(startInDivider + QPoint(dx, dy)),
                       bar->mapToGlobal(bar->mapFromParent(startInDivider + QPoint(dx, dy))),
                       Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(bar, &up);
    }
}

struct Panes {
    QWidget host;
    QWidget* a = new QWidget;
    QWidget* b = new QWidget;
};

} // namespace

class DividerTest : public QObject {
    Q_OBJECT
private slots:
    void mainBarStopsAtMinimumAndAtFarEdge() {
        QWidget host;
        host.resize(800, 500);
        CDivider d(&host, 59648, 3, 200, 0, 60);
        d.setGeometry(host.rect());
        d.SetPane(0, new QWidget);
        d.SetPane(1, new QWidget);
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
        QWidget host;
        host.resize(900, 400);
        CDivider d(&host, 59648, 3, 200, 200, 200);
        d.setGeometry(host.rect());
        d.SetPane(0, new QWidget);
        d.SetPane(1, new QWidget);
        d.SetAnchor(1);
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
        QWidget host;
        host.resize(900, 400);
        CDivider d(&host, 59648, 3, 200, 200, 200);
        d.setGeometry(host.rect());
        d.SetPane(0, new QWidget);
        d.SetPane(1, new QWidget);
        d.SetAnchor(1);
        d.Layout();
        host.show(); // resize events reach shown widgets only
        drag(d, -100, 0);
        QCOMPARE(d.pane(1)->width(), 300);
        QCOMPARE(d.GetFixedExtent(), 300); // the last move counts, not the one before
        d.resize(1200, 400);
        QCOMPARE(d.pane(1)->width(), 300);
        QCOMPARE(d.pane(1)->x(), 900);
        QCOMPARE(d.pane(0)->width(), 897);
    }

    void dragBackToStartRestoresPanes() {
        QWidget host;
        host.resize(800, 300);
        CDivider d(&host, 59648, 3, 200, 0, 60);
        d.setGeometry(host.rect());
        d.SetPane(0, new QWidget);
        d.SetPane(1, new QWidget);
        d.Layout();
        drag(d, 100, 0, false);
        QCOMPARE(d.pane(0)->width(), 300);
        // back to the starting point within the same drag
        QWidget* bar = barOf(d);
        const QPoint back = bar->mapFromParent(QPoint(201, 150));
        QMouseEvent move(QEvent::MouseMove, back, bar->mapToGlobal(back), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(bar, &move);
        QCOMPARE(d.GetPosition(), 200);
        QCOMPARE(d.pane(0)->width(), 200);
        QCOMPARE(d.pane(1)->x(), 203);
    }

    void hidingAndShowingTheInfoPane() {
        QWidget host;
        host.resize(900, 400);
        CDivider d(&host, 59648, 3, 250, 250, 200);
        d.setGeometry(host.rect());
        d.SetPane(0, new QWidget);
        d.SetPane(1, new QWidget);
        d.SetAnchor(1);
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
        QWidget host;
        host.resize(900, 400);
        CDivider d(&host, 59648, 3, 0, 240, 200); // initial 0: pane hidden at start
        d.setGeometry(host.rect());
        d.SetPane(0, new QWidget);
        d.SetPane(1, new QWidget);
        d.SetAnchor(1);
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
