// The real thumbnail view with its real engine on real files: the folder
// watch (changes made by other programs) and the protect icon.
#include "engine/FolderWatcher.h"
#include "engine/ThumbnailEngine.h"
#include "thumbnails/ThumbnailCtrl.h"

#include <QElapsedTimer>
#include <QImage>
#include <QProcess>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace lumora;

namespace {

// Counts the watch's messages as they reach the view.
class WatchMessages : public QObject {
public:
    bool eventFilter(QObject*, QEvent* e) override {
        if (MessageCast<FolderChangedMessage>(e))
            ++changed;
        if (MessageCast<RearmWatchMessage>(e))
            ++rearmed;
        return false;
    }
    int changed = 0;
    int rearmed = 0;
};

void writeJpeg(const QString& path, int shade) {
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(QColor(shade, 255 - shade, 128));
    QVERIFY(image.save(path, "JPEG"));
}

// Runs a command as another program would (cp, mv, rm).
void run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    QVERIFY(p.waitForFinished(10000));
    QCOMPARE(p.exitCode(), 0);
}

QStringList names(CThumbnailCtrl& view) {
    QStringList out;
    for (int i = 0; i < view.Count(); ++i) {
        ImageItem item;
        if (view.list().CopyOut(i, item, CopyPixels::None))
            out << QString::fromStdString(item.fileName);
    }
    return out;
}

} // namespace

class ThumbnailFilesTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<CThumbnailCtrl> view;
    WatchMessages messages;

    QString file(const QString& name) const { return dir->filePath(name); }

    // A folder view on a fresh folder holding `files`, loaded and watching.
    // `prepare` runs on the folder before it is loaded.
    void open(const QStringList& files, int autoUpdate = 1,
              const std::function<void()>& prepare = {}) {
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
        int shade = 20;
        for (const QString& f : files)
            writeJpeg(file(f), shade += 40);
        if (prepare)
            prepare();
        view = std::make_unique<CThumbnailCtrl>(nullptr, 0);
        AppSettings s;
        s.AutoUpdate = autoUpdate;
        view->ApplySettings(s, false, false);
        view->installEventFilter(&messages);
        view->resize(640, 480);
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view.get()));
        view->LoadFolder(dir->path());
        QTRY_COMPARE_WITH_TIMEOUT(names(*view), files, 10000);
        if (!prepare)
            QTRY_VERIFY_WITH_TIMEOUT(view->watching(), 10000);
        messages.changed = messages.rearmed = 0;
    }

    // Waits for the listed names; returns the milliseconds it took.
    qint64 waitForNames(const QStringList& wanted, int timeoutMs) {
        QElapsedTimer clock;
        clock.start();
        while (names(*view) != wanted && clock.elapsed() < timeoutMs)
            QTest::qWait(10);
        return names(*view) == wanted ? clock.elapsed() : -1;
    }

private slots:
    void cleanup() {
        view.reset();
        dir.reset();
    }

    void anotherProgramsChangesAreListedAboutOneSecondLater() {
        open({"a.jpg", "c.jpg"});
        QTemporaryDir elsewhere;
        writeJpeg(elsewhere.filePath("b.jpg"), 200);

        // Copied in by another process: listed after the one-second pause.
        run("cp", {elsewhere.filePath("b.jpg"), file("b.jpg")});
        QElapsedTimer clock;
        clock.start();
        QTRY_VERIFY_WITH_TIMEOUT(view->reloadPending(), 2000);
        QCOMPARE(names(*view), QStringList({"a.jpg", "c.jpg"})); // not before the pause
        QVERIFY(waitForNames({"a.jpg", "b.jpg", "c.jpg"}, 5000) >= 0);
        const qint64 appeared = clock.elapsed();
        qInfo("copied file listed %lld ms after the copy", appeared);
        QVERIFY(appeared <= 1500);
        QCOMPARE(messages.changed, 1);

        // Deleted by another process: gone after the reload, which watches again.
        QTRY_VERIFY_WITH_TIMEOUT(view->watching(), 5000);
        run("rm", {file("a.jpg")});
        QVERIFY(waitForNames({"b.jpg", "c.jpg"}, 3000) >= 0);

        // Renamed by another process.
        QTRY_VERIFY_WITH_TIMEOUT(view->watching(), 5000);
        run("mv", {file("c.jpg"), file("d.jpg")});
        QVERIFY(waitForNames({"b.jpg", "d.jpg"}, 3000) >= 0);
        QCOMPARE(messages.changed, 3);
        QCOMPARE(messages.rearmed, 0);

        // The reloaded items get their thumbnails as on any load.
        QTRY_VERIFY_WITH_TIMEOUT(view->list().HasThumbnail(0) && view->list().HasThumbnail(1),
                                 5000);
    }

    void withoutAutoUpdateNothingReloadsButTheWatchGoesOn() {
        open({"a.jpg"}, 0);
        writeJpeg(file("new1.jpg"), 90);
        QTRY_COMPARE_WITH_TIMEOUT(messages.changed, 1, 3000);
        QVERIFY(!view->reloadPending());
        QTRY_VERIFY_WITH_TIMEOUT(view->watching(), 3000); // armed again at once
        // A second change is noticed too; the list stays as it was.
        run("cp", {file("a.jpg"), file("new2.jpg")});
        QTRY_COMPARE_WITH_TIMEOUT(messages.changed, 2, 3000);
        QTest::qWait(1500);
        QCOMPARE(names(*view), QStringList({"a.jpg"}));
        // F5 still lists what is there.
        view->Refresh();
        QVERIFY(waitForNames({"a.jpg", "new1.jpg", "new2.jpg"}, 5000) >= 0);
    }

    void theViewsOwnOperationsNeverReload() {
        open({"a.jpg", "b.jpg"});
        view->OwnOperation().Set(1);
        run("rm", {file("b.jpg")});
        QTRY_COMPARE_WITH_TIMEOUT(messages.rearmed, 1, 3000);
        QTRY_VERIFY_WITH_TIMEOUT(view->watching(), 3000);
        view->OwnOperation().Set(0);
        QTest::qWait(1300);
        QCOMPARE(messages.changed, 0);
        QCOMPARE(names(*view), QStringList({"a.jpg", "b.jpg"}));
        // The re-armed watch sees the next foreign change.
        writeJpeg(file("c.jpg"), 70);
        QVERIFY(waitForNames({"a.jpg", "c.jpg"}, 4000) >= 0);
    }

    void aHiddenViewReloadsWhenShownAgain() {
        open({"a.jpg"});
        view->hide();
        writeJpeg(file("b.jpg"), 70);
        QTRY_COMPARE_WITH_TIMEOUT(messages.changed, 1, 3000);
        QTest::qWait(1300);
        QCOMPARE(names(*view), QStringList({"a.jpg"}));
        view->show();
        QVERIFY(waitForNames({"a.jpg", "b.jpg"}, 4000) >= 0);
    }

    void theProtectIconAsksWhetherThisUserMayWrite() {
        const bool root = ::geteuid() == 0;
        bool foreign = false;
        QStringList files{"locked.jpg", "open.jpg"};
        open(files, 1, [&] {
            QVERIFY(::chmod(QFile::encodeName(file("locked.jpg")).constData(), 0444) == 0);
            // A file of another user that its owner may write but we may not.
            struct stat st;
            if (!root && ::stat("/etc/passwd", &st) == 0 && st.st_uid != ::geteuid() &&
                (st.st_mode & S_IWUSR)) {
                QVERIFY(QFile::link("/etc/passwd", file("theirs.jpg")));
                foreign = true;
                files << "theirs.jpg";
            }
        });
        QCOMPARE(names(*view), files);
        QTRY_VERIFY_WITH_TIMEOUT(view->list().HasThumbnail(0) && view->list().HasThumbnail(1),
                                 5000);
        auto readOnly = [&](int i) {
            ImageItem item;
            view->list().CopyOut(i, item, CopyPixels::None);
            return item.readOnly;
        };
        // The superuser may write a file without the owner's write bit; any
        // other user may not.
        QCOMPARE(readOnly(0), root ? 0 : 1);
        QCOMPARE(readOnly(1), 0);
        if (foreign) {
            QTRY_VERIFY_WITH_TIMEOUT(view->list().HasThumbnail(2), 5000);
            QCOMPARE(readOnly(2), 1);
        } else {
            qInfo("running as the superuser: another user's file is checked headless");
        }
        // The icon is drawn exactly on read-only items: the top right corners
        // of the two cells match unless the first one is locked.
        view->list().ClearAllStates();
        view->DrawVisibleItems();
        QTest::qWait(50);
        const QImage canvas = view->grabCanvas();
        const QRect c0 = view->cellRectInWindow(0);
        const QRect c1 = view->cellRectInWindow(1);
        const QRect corner(c0.width() - 21, 3, 18, 9); // inside the frame
        const QImage i0 = canvas.copy(corner.translated(c0.topLeft()));
        const QImage i1 = canvas.copy(corner.translated(c1.topLeft()));
        QCOMPARE(i0 != i1, readOnly(0) == 1);
    }
};

QTEST_MAIN(ThumbnailFilesTest)
#include "ThumbnailFilesTest.moc"
