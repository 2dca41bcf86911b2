// The real thumbnail view on folders of real files with a FIFO named like a
// picture among them: every other thumbnail is made, the pass ends, the
// next folder loads as well, and the view closes at once.
#include "thumbnails/ThumbnailCtrl.h"

#include <QColor>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

using namespace lumora;

namespace {

bool writePictures(const QTemporaryDir& dir, const QStringList& names) {
    QImage picture(320, 240, QImage::Format_RGB32);
    picture.fill(QColor(0, 128, 255));
    for (const QString& name : names)
        if (!picture.save(dir.filePath(name), "JPEG", 90))
            return false;
    return true;
}

bool makeFifo(const QTemporaryDir& dir, const QString& name) {
    return ::mkfifo(QFile::encodeName(dir.filePath(name)).constData(), 0600) == 0;
}

bool allMade(CThumbnailCtrl& view) {
    for (int i = 0; i < view.Count(); ++i)
        if (!view.list().HasThumbnail(i))
            return false;
    return view.Count() > 0;
}

} // namespace

class ThumbnailCtrlOddFilesTest : public QObject {
    Q_OBJECT

private slots:
    void fifoGetsThePlaceholderAndTheRestLoads() {
        QTemporaryDir first, second;
        QVERIFY(writePictures(first, {"a.jpg", "c.jpg", "d.jpg"}));
        QVERIFY(makeFifo(first, "b.jpg"));
        QVERIFY(writePictures(second, {"x.jpg", "y.jpg"}));

        auto view = std::make_unique<CThumbnailCtrl>(nullptr, 0);
        view->resize(800, 600);
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view.get()));

        view->LoadFolder(first.path());
        QTRY_COMPARE_WITH_TIMEOUT(view->Count(), 4, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(allMade(*view) && !view->IsBusy(), 10000);
        ImageItem fifo;
        for (int i = 0; i < view->Count(); ++i) {
            ImageItem item;
            view->list().CopyOut(i, item);
            if (item.fileName == "b.jpg")
                fifo = std::move(item);
            else
                QCOMPARE(int(item.thumb.thumbReal), 1);
        }
        QCOMPARE(fifo.fileName, std::string("b.jpg"));
        QCOMPARE(int(fifo.thumb.thumbReal), 0);

        // The next folder still gets its thumbnails.
        view->LoadFolder(second.path());
        QTRY_COMPARE_WITH_TIMEOUT(view->Count(), 2, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(allMade(*view) && !view->IsBusy(), 10000);
        for (int i = 0; i < view->Count(); ++i) {
            ImageItem item;
            view->list().CopyOut(i, item);
            QCOMPARE(int(item.thumb.thumbReal), 1);
        }

        QElapsedTimer timer;
        timer.start();
        view.reset();
        QVERIFY(timer.elapsed() < 3000);
    }
};

QTEST_MAIN(ThumbnailCtrlOddFilesTest)
#include "ThumbnailCtrlOddFilesTest.moc"
