#include "app/MainFrame.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace lumora;

class MainFrameTest : public QObject {
    Q_OBJECT
private slots:
    void firstStartKeepsTheCreatedRectangleAndShowsNormally();
    void placementSavedWhileMaximisedComesBackMaximised();
    void placementSavedWhileMinimisedComesBackMinimised();
    void exitWritesLastFolderPlacementAndSettings();
    void degenerateOrHiddenPlacementStillShowsAUsableWindow();
    void screenshotWaitsForStartupWork();
    void titleNamesTheFolder();
};

void MainFrameTest::firstStartKeepsTheCreatedRectangleAndShowsNormally() {
    QTemporaryDir dir;
    CMainFrame frame(dir.filePath("lumora.ini"));
    frame.create();
    frame.setGeometry(40, 50, 700, 500);
    frame.placeFromSettings();
    QVERIFY(frame.isVisible());
    QVERIFY(!frame.isMaximized());
    QVERIFY(!frame.isMinimized());
    QCOMPARE(frame.geometry(), QRect(40, 50, 700, 500));
    QCOMPARE(frame.settings(), AppSettings());
}

void MainFrameTest::placementSavedWhileMaximisedComesBackMaximised() {
    QTemporaryDir dir;
    const QString ini = dir.filePath("lumora.ini");
    {
        CMainFrame frame(ini);
        frame.create();
        frame.applyPlacement({30, 40, 630, 440, SW_SHOWNORMAL});
        QTRY_COMPARE(frame.geometry(), QRect(30, 40, 600, 400));
        frame.showMaximized();
        QTRY_VERIFY(frame.isMaximized());
        frame.close();
    }
    CIniFile saved;
    QCOMPARE(saved.load(ini), CIniFile::LoadResult::Loaded);
    QCOMPARE(readFrameSettings(saved, {}), (FrameSettings{30, 40, 630, 440, SW_SHOWMAXIMIZED}));

    CMainFrame again(ini);
    again.create();
    again.placeFromSettings();
    QTRY_VERIFY(again.isMaximized());
    QCOMPARE(again.normalGeometry(), QRect(30, 40, 600, 400));
    QCOMPARE(again.placement().cmd, SW_SHOWMAXIMIZED);
}

void MainFrameTest::placementSavedWhileMinimisedComesBackMinimised() {
    QTemporaryDir dir;
    const QString ini = dir.filePath("lumora.ini");
    for (int cmd : {SW_SHOWMINIMIZED, SW_MINIMIZE, SW_SHOWMINNOACTIVE}) {
        CMainFrame frame(ini);
        frame.applyPlacement({10, 10, 410, 310, cmd});
        QTRY_VERIFY(frame.isMinimized());
        QCOMPARE(frame.placement().cmd, SW_SHOWMINIMIZED);
    }
}

void MainFrameTest::exitWritesLastFolderPlacementAndSettings() {
    QTemporaryDir dir;
    const QString ini = dir.filePath("lumora.ini");
    {
        CMainFrame frame(ini);
        frame.create();
        frame.settings().FileNameHeight = -12;
        frame.settings().MainDividerPos = 111;
        frame.setSelectedFolderProvider([] { return QStringLiteral("/home/写真"); });
        frame.setLiveValuesProvider([] {
            LiveSettingValues live;
            live.MainDividerPos = 250;
            return live;
        });
        frame.applyPlacement({0, 0, 500, 400, SW_SHOWNORMAL});
        QSignalSpy written(&frame, &CMainFrame::settingsWrittenAtExit);
        frame.close();
        QCOMPARE(written.count(), 1);
    }
    CMainFrame again(ini);
    again.create();
    QCOMPARE(again.settings().FileNameHeight, -12);
    QCOMPARE(again.settings().MainDividerPos, 250);
    QCOMPARE(again.lastFolderFromSettings(), std::optional<QString>(QStringLiteral("/home/写真")));
}

void MainFrameTest::degenerateOrHiddenPlacementStillShowsAUsableWindow() {
    QTemporaryDir dir;
    CMainFrame frame(dir.filePath("lumora.ini"));
    frame.resize(640, 480);
    frame.applyPlacement({100, 100, 100, 50, 0});
    QVERIFY(frame.isVisible());
    QVERIFY(!frame.isMinimized());
    QCOMPARE(frame.size(), QSize(640, 480));
}

void MainFrameTest::screenshotWaitsForStartupWork() {
    QTemporaryDir dir;
    CMainFrame frame(dir.filePath("lumora.ini"));
    frame.placeFromSettings();
    int shots = 0;
    frame.beginStartupWork(); // e.g. the first folder load
    frame.whenIdleForScreenshot([&] { ++shots; });
    frame.markRunning();
    QTest::qWait(50);
    QCOMPARE(shots, 0);
    frame.endStartupWork();
    QTRY_COMPARE(shots, 1);
    const QString png = dir.filePath("shot.png");
    QVERIFY(frame.saveScreenshot(png));
    QVERIFY(QImage(png).width() > 0);
}

void MainFrameTest::titleNamesTheFolder() {
    QCOMPARE(CMainFrame::titleFor("/home/u/写真"), QString("Lumora - /home/u/写真"));
    QCOMPARE(CMainFrame::titleFor({}), QString("Lumora"));
}

QTEST_MAIN(MainFrameTest)
#include "MainFrameTest.moc"
