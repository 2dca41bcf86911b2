// The slideshow run, its options dialog and its music (offscreen; the music
// goes through the real Qt Multimedia player into a discarding sink).
#include "viewer/SlideShow.h"
#include "controls/IntegerEdit.h"
#include "viewer/BgmPlayer.h"
#include "viewer/SlideShowDlg.h"

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QMediaPlayer>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtEndian>
#include <QtTest>

#include <cmath>

using namespace lumora;

namespace {

// The viewer and the list as the run sees them, recording what it asks.
struct FakeViewerAndList {
    bool fullScreen = false;
    bool preimage = true;
    bool fit = false;
    bool title = false;
    int closed = 0;
    int count = 3;
    int current = 1;
    int showCurrentCalls = 0;
    QList<int> opened;

    void attach(CSlideShow& show) {
        show.SetViewer({[this] { return fullScreen; }, [this](bool on) { fullScreen = on; },
                        [this] { return preimage; }, [this](bool on) { preimage = on; },
                        [this](bool on) { fit = on; }, [this](bool on) { title = on; },
                        [this, &show] {
                            ++closed;
                            show.StopSlideshow(); // closing the viewer stops a run
                        }});
        show.SetList({[this] { return current; }, [this] { return count; },
                      [this] { ++showCurrentCalls; }, [this](int i) { opened << i; }});
    }
};

// A run wired to a fake viewer and list.
struct Rig {
    CSlideShow show;
    FakeViewerAndList fake;
    Rig() { fake.attach(show); }
};

AppSettings withOptions(int interval, bool fromHead, bool autoClose, bool noDialog = true) {
    AppSettings s;
    s.SlideShow.IntervalSecond = interval;
    s.SlideShow.FromHead = fromHead;
    s.SlideShow.AutoClose = autoClose;
    s.NoSlideShowDlg = noDialog;
    return s;
}

// Options with background music from `file`, looped or played once.
AppSettings withMusic(int interval, const QString& file, bool loop) {
    AppSettings s = withOptions(interval, true, false);
    s.SlideShow.PlayBGM = 1;
    s.SlideShow.LoopBGM = loop ? 1 : 0;
    s.SlideShow.BGMFileName = file;
    return s;
}

// A mono 16-bit PCM WAV of `ms` milliseconds of a 440 Hz tone.
bool writeWav(const QString& path, int ms) {
    const int rate = 8000;
    const int samples = rate * ms / 1000;
    QByteArray data;
    for (int i = 0; i < samples; ++i) {
        const auto v = static_cast<qint16>(8000 * std::sin(2 * M_PI * 440 * i / rate));
        data.append(char(v & 0xFF)).append(char((v >> 8) & 0xFF));
    }
    QByteArray h;
    auto u32 = [&h](quint32 v) {
        char b[4];
        qToLittleEndian(v, b);
        h.append(b, 4);
    };
    auto u16 = [&h](quint16 v) {
        char b[2];
        qToLittleEndian(v, b);
        h.append(b, 2);
    };
    h.append("RIFF");
    u32(36 + data.size());
    h.append("WAVEfmt ");
    u32(16);
    u16(1);
    u16(1);
    u32(rate);
    u32(rate * 2);
    u16(2);
    u16(16);
    h.append("data");
    u32(data.size());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(h + data) == h.size() + data.size();
}

// Answers the next message box, recording its text.
QString answerNextMessageBox(std::function<void()> trigger) {
    QString text;
    QTimer timer;
    timer.setInterval(20);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            text = box->text();
            box->accept();
        }
    });
    timer.start();
    trigger();
    return text;
}

// Once the options dialog is up, lets `act` fill and close it.
void actOnDialogLater(std::function<void(CSlideShowDlg*)> act) {
    QTimer::singleShot(50, [act] {
        auto* dlg = qobject_cast<CSlideShowDlg*>(QApplication::activeModalWidget());
        QVERIFY(dlg);
        act(dlg);
    });
}

} // namespace

class SlideShowTest : public QObject {
    Q_OBJECT
private slots:
    void startsFromTheHeadOrTheCurrentImage();
    void timerStartsOnlyWhenAnImageIsDisplayed();
    void intervalZeroRequestsTheNextAtOnce();
    void lastImageEndsTheRunAndAutoCloseHidesTheViewer();
    void oneImageIsAlsoTheLast();
    void emptyListStartsNothing();
    void statesAfterTheRunEqualThoseBefore();
    void runAgainStopsAndClosingTheViewerStopsTimerAndMusic();
    void dialogValidatesTheIntervalAndEnablesTheMusicControls();
    void dialogCancelStartsNothingAndRunStoresTheOptions();
    void musicPlaysOnceWithoutLoop();
    void musicLoopsUntilTheRunStops();
    void missingMusicFileGivesASilentSlideshow();
};

void SlideShowTest::startsFromTheHeadOrTheCurrentImage() {
    for (bool fromHead : {true, false}) {
        Rig rig;
        auto& [show, fake] = rig;
        show.ApplySettings(withOptions(5, fromHead, false));
        QVERIFY(show.ToggleSlideshow(nullptr));
        QVERIFY(show.IsRunning());
        QCOMPARE(fake.opened, QList<int>{fromHead ? 0 : 1});
        QCOMPARE(fake.showCurrentCalls, 1);
        QVERIFY(fake.fit);
        QVERIFY(fake.title);
    }
}

void SlideShowTest::timerStartsOnlyWhenAnImageIsDisplayed() {
    Rig rig;
    auto& [show, fake] = rig;
    show.ApplySettings(withOptions(7, true, false));
    show.Start();
    QVERIFY(!show.timerActive()); // decoding does not eat into the interval
    show.ImageDisplayed(0, 3);
    QVERIFY(show.timerActive());
    QCOMPARE(show.timerInterval(), 7000);
    QCOMPARE(show.findChild<QTimer*>("timer1010")->timerType(), Qt::PreciseTimer);
    show.onTimer();
    QVERIFY(!show.timerActive());
    QCOMPARE(fake.opened, (QList<int>{0, 1}));
    // Next/Previous during a run: the image they display restarts the timer.
    show.ImageDisplayed(0, 3);
    QVERIFY(show.timerActive());
    show.onTimer();
    QCOMPARE(fake.opened.last(), 1);
}

void SlideShowTest::intervalZeroRequestsTheNextAtOnce() {
    Rig rig;
    auto& [show, fake] = rig;
    show.ApplySettings(withOptions(0, true, false));
    show.Start();
    show.ImageDisplayed(0, 3);
    QCOMPARE(show.timerInterval(), 0);
    QTRY_COMPARE(fake.opened, (QList<int>{0, 1}));
}

void SlideShowTest::lastImageEndsTheRunAndAutoCloseHidesTheViewer() {
    for (bool autoClose : {true, false}) {
        Rig rig;
        auto& [show, fake] = rig;
        show.ApplySettings(withOptions(1, true, autoClose));
        show.Start();
        show.ImageDisplayed(0, 3);
        show.onTimer();
        show.ImageDisplayed(1, 3);
        QVERIFY(show.IsRunning());
        QCOMPARE(fake.closed, 0);
        show.onTimer();
        show.ImageDisplayed(2, 3);
        if (autoClose) {
            // The last image stays its interval like the others before the
            // viewer closes; then nothing more is opened.
            QVERIFY(show.IsRunning());
            QVERIFY(show.timerActive());
            QCOMPARE(show.timerInterval(), 1000);
            QCOMPARE(fake.closed, 0);
            show.onTimer();
        }
        QVERIFY(!show.IsRunning());
        QVERIFY(!show.timerActive());
        QVERIFY(!fake.title);
        QCOMPARE(fake.closed, autoClose ? 1 : 0);
        QCOMPARE(fake.opened, (QList<int>{0, 1, 2}));
    }
    // Stepping back from the last image while it waits goes on with the run.
    Rig rig;
    auto& [show, fake] = rig;
    show.ApplySettings(withOptions(1, true, true));
    show.Start();
    show.ImageDisplayed(2, 3);
    show.ImageDisplayed(1, 3); // Previous
    show.onTimer();
    QVERIFY(show.IsRunning());
    QCOMPARE(fake.opened, (QList<int>{0, 2}));
    // The real timer closes the viewer after the last image's interval.
    show.ImageDisplayed(2, 3);
    QTRY_COMPARE_WITH_TIMEOUT(fake.closed, 1, 5000);
    QVERIFY(!show.IsRunning());
}

void SlideShowTest::oneImageIsAlsoTheLast() {
    for (bool autoClose : {true, false}) {
        Rig rig;
        auto& [show, fake] = rig;
        fake.count = 1;
        fake.current = 0;
        show.ApplySettings(withOptions(5, true, autoClose));
        show.Start();
        show.ImageDisplayed(0, 1);
        // Without auto-close the run ends on the image; with it the image is
        // seen for the interval first.
        QCOMPARE(show.IsRunning(), autoClose);
        if (autoClose)
            show.onTimer();
        QVERIFY(!show.IsRunning());
        QCOMPARE(fake.closed, autoClose ? 1 : 0);
        QCOMPARE(fake.opened, QList<int>{0});
    }
}

void SlideShowTest::emptyListStartsNothing() {
    Rig rig;
    auto& [show, fake] = rig;
    fake.count = 0;
    fake.current = -1;
    // With the dialog on: no dialog either (the test would hang on it).
    show.ApplySettings(withOptions(5, true, true, false));
    QVERIFY(!show.ToggleSlideshow(nullptr));
    show.Start();
    QVERIFY(!show.IsRunning());
    QVERIFY(fake.opened.isEmpty());
    QCOMPARE(fake.showCurrentCalls, 0);
    QVERIFY(!fake.title);
}

void SlideShowTest::statesAfterTheRunEqualThoseBefore() {
    for (bool fullBefore : {false, true})
        for (bool preBefore : {false, true})
            for (int full : {0, 1})
                for (int noPre : {0, 1}) {
                    Rig rig;
                    auto& [show, fake] = rig;
                    fake.fullScreen = fullBefore;
                    fake.preimage = preBefore;
                    AppSettings s = withOptions(5, true, false);
                    s.SlideShow.FullScreen = full;
                    s.SlideShow.NoPreImage = noPre;
                    show.ApplySettings(s);
                    show.Start();
                    QCOMPARE(fake.fullScreen, fullBefore || full);
                    QCOMPARE(fake.preimage, preBefore && !noPre);
                    show.ImageDisplayed(2, 3);
                    QCOMPARE(fake.fullScreen, fullBefore);
                    QCOMPARE(fake.preimage, preBefore);
                }
}

void SlideShowTest::runAgainStopsAndClosingTheViewerStopsTimerAndMusic() {
    QTemporaryDir dir;
    const QString wav = dir.filePath("bgm.wav");
    QVERIFY(writeWav(wav, 3000));
    Rig rig;
    auto& [show, fake] = rig;
    show.ApplySettings(withMusic(5, wav, false));
    QVERIFY(show.ToggleSlideshow(nullptr));
    QVERIFY(show.musicPlaying());
    QVERIFY(!show.ToggleSlideshow(nullptr)); // Run again stops
    QVERIFY(!show.IsRunning());
    QVERIFY(!show.music()->IsOpen());

    show.Start();
    show.ImageDisplayed(0, 3);
    QVERIFY(show.timerActive());
    QTRY_VERIFY(show.music()->IsPlaying());
    fake.closed = 0;
    show.StopSlideshow(); // what the viewer's close does
    QVERIFY(!show.IsRunning());
    QVERIFY(!show.timerActive());
    QVERIFY(!show.musicPlaying());
    QVERIFY(!show.music()->IsPlaying());
    QVERIFY(show.music()->player()->source().isEmpty());
}

void SlideShowTest::dialogValidatesTheIntervalAndEnablesTheMusicControls() {
    CSlideShowDlg dlg;
    QCOMPARE(dlg.windowTitle(), QStringLiteral("スライドショーの実行"));
    SlideShowSettings o;
    dlg.SetOptions(o);
    auto* play = dlg.findChild<QCheckBox*>("id1045");
    auto* loop = dlg.findChild<QCheckBox*>("id1022");
    auto* file = dlg.findChild<QLineEdit*>("id1009");
    auto* browse = dlg.findChild<QPushButton*>("id1002");
    QVERIFY(!loop->isEnabled() && !file->isEnabled() && !browse->isEnabled());
    play->click();
    QVERIFY(loop->isEnabled() && file->isEnabled() && browse->isEnabled());
    play->click();
    QVERIFY(!loop->isEnabled());

    dlg.show();
    auto* interval = dlg.findChild<QLineEdit*>("id1007");
    QCOMPARE(interval->text(), QStringLiteral("5"));
    interval->setText("31");
    QCOMPARE(answerNextMessageBox([&] { dlg.findChild<QPushButton*>("id1")->click(); }),
             QStringLiteral("0 から 30 までの整数を入力してください。"));
    QVERIFY(dlg.isVisible());
    QCOMPARE(dlg.result(), 0);
    interval->setText("-1");
    QCOMPARE(answerNextMessageBox([&] { dlg.findChild<QPushButton*>("id1")->click(); }),
             QStringLiteral("0 から 30 までの整数を入力してください。"));
    interval->setText("0");
    dlg.findChild<QPushButton*>("id1")->click();
    QCOMPARE(dlg.result(), int(QDialog::Accepted));
    QCOMPARE(dlg.Options().IntervalSecond, 0);

    const QStringList filters = CSlideShowDlg::musicFilters();
    QVERIFY(filters.first().startsWith("オーディオファイル(*.mp3; *.wma; *.wav; *.mid"));
    QVERIFY(filters.first().contains("*.ogg") && filters.first().contains("*.flac") &&
            filters.first().contains("*.m4a"));
}

void SlideShowTest::dialogCancelStartsNothingAndRunStoresTheOptions() {
    Rig rig;
    auto& [show, fake] = rig;
    show.ApplySettings(withOptions(5, true, false, false));
    QList<SlideShowSettings> stored;
    connect(&show, &CSlideShow::optionsChanged, this,
            [&](const SlideShowSettings& o) { stored << o; });

    actOnDialogLater([](CSlideShowDlg* dlg) {
        dlg->findChild<QLineEdit*>("id1007")->setText("12");
        dlg->findChild<QPushButton*>("id2")->click();
    });
    QVERIFY(!show.ToggleSlideshow(nullptr));
    QVERIFY(!show.IsRunning());
    QVERIFY(stored.isEmpty());
    QCOMPARE(show.Options().IntervalSecond, 5);

    actOnDialogLater([](CSlideShowDlg* dlg) {
        dlg->findChild<QLineEdit*>("id1007")->setText("12");
        dlg->findChild<QCheckBox*>("id1023")->click(); // from head off
        dlg->findChild<QPushButton*>("id1")->click();
    });
    QVERIFY(show.ToggleSlideshow(nullptr));
    QCOMPARE(stored.size(), 1);
    QCOMPARE(stored.first().IntervalSecond, 12);
    QCOMPARE(stored.first().FromHead, 0);
    QCOMPARE(fake.opened, QList<int>{1});
}

void SlideShowTest::musicPlaysOnceWithoutLoop() {
    QTemporaryDir dir;
    const QString wav = dir.filePath("short.wav");
    QVERIFY(writeWav(wav, 300));
    Rig rig;
    CSlideShow& show = rig.show;
    show.ApplySettings(withMusic(30, wav, false));
    show.Start();
    QTRY_COMPARE_WITH_TIMEOUT(show.music()->endCount(), 1, 10000);
    QTest::qWait(1200);
    QCOMPARE(show.music()->startCount(), 1);
    QCOMPARE(show.music()->endCount(), 1);
    QVERIFY(show.IsRunning()); // the run goes on without music
}

void SlideShowTest::musicLoopsUntilTheRunStops() {
    QTemporaryDir dir;
    const QString wav = dir.filePath("loop.wav");
    QVERIFY(writeWav(wav, 300));
    Rig rig;
    CSlideShow& show = rig.show;
    show.ApplySettings(withMusic(30, wav, true));
    show.Start();
    QTRY_VERIFY_WITH_TIMEOUT(show.music()->endCount() >= 3, 15000);
    QVERIFY(show.music()->startCount() >= 3);
    show.StopSlideshow();
    const int starts = show.music()->startCount();
    QTest::qWait(1000);
    QCOMPARE(show.music()->startCount(), starts);
    QVERIFY(!show.music()->IsPlaying());
}

void SlideShowTest::missingMusicFileGivesASilentSlideshow() {
    Rig rig;
    auto& [show, fake] = rig;
    show.ApplySettings(withMusic(0, "/nonexistent/bgm.mp3", true));
    show.Start();
    QVERIFY(show.IsRunning());
    show.ImageDisplayed(0, 3);
    QTRY_COMPARE(fake.opened, (QList<int>{0, 1}));
    QTest::qWait(300);
    QCOMPARE(show.music()->endCount(), 0);
    show.StopSlideshow();
    QVERIFY(!show.IsRunning());
}

QTEST_MAIN(SlideShowTest)
#include "SlideShowTest.moc"
