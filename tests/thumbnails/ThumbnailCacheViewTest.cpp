// The real thumbnail view over files without an embedded thumbnail: the
// first visit decodes them (on the engine's pool) and fills the shared
// cache; a second visit, in a new view, shows the same thumbnails without a
// single whole-file decode.
#include "imaging/ThumbnailDecoder.h"
#include "samples/SampleGen.h"
#include "thumbnails/ThumbnailCtrl.h"

#include <QDir>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QtTest>

using namespace lumora;

class ThumbnailCacheViewTest : public QObject {
    Q_OBJECT

    QTemporaryDir tmp;
    QString pictures;
    static constexpr int kFiles = 12; // all on the first screen

    std::unique_ptr<CThumbnailCtrl> openView() {
        auto view = std::make_unique<CThumbnailCtrl>(nullptr, 0);
        AppSettings s;
        s.ShowFileName = 0;
        s.ShowGuide = 0;
        view->ApplySettings(s, false, false);
        view->resize(760 + view->verticalScrollBar()->sizeHint().width(), 620);
        view->show();
        if (!QTest::qWaitForWindowExposed(view.get()))
            return nullptr;
        view->LoadFolder(pictures);
        return view;
    }
    static bool allMade(CThumbnailCtrl& view) {
        if (view.list().Count() != kFiles)
            return false;
        for (int i = 0; i < kFiles; ++i)
            if (!view.list().HasThumbnail(i))
                return false;
        return true;
    }

private slots:
    void initTestCase() {
        QVERIFY(tmp.isValid());
        // The view's cache follows XDG_CACHE_HOME: a private one for this test.
        qputenv("XDG_CACHE_HOME", tmp.filePath("cache").toUtf8());
        pictures = tmp.filePath("pictures");
        QVERIFY(QDir().mkpath(pictures));
        samples::CameraJpegOptions o;
        o.width = 1600;
        o.height = 1067;
        o.withThumbnail = false;
        samples::writeCameraJpegFolder(pictures.toStdString(), kFiles, o);
    }

    void secondVisitMakesNoWholeFileDecode() {
        std::vector<std::pair<int, int>> firstSizes;
        const int64_t start = WholeFileDecodeCount();
        {
            auto view = openView();
            QVERIFY(view);
            QTRY_VERIFY_WITH_TIMEOUT(allMade(*view), 30000);
            for (int i = 0; i < kFiles; ++i) {
                ImageItem item;
                QVERIFY(view->list().CopyOut(i, item, CopyPixels::None));
                QCOMPARE(item.thumb.thumbReal, 1);
                firstSizes.emplace_back(item.thumb.thumbWidth, item.thumb.thumbHeight);
            }
        }
        QVERIFY(WholeFileDecodeCount() - start >= kFiles);
        // Normal (128) or large (256), as the view's thumbnail box needs.
        const QStringList entries =
            QDir(tmp.filePath("cache/thumbnails/normal")).entryList({"*.png"}, QDir::Files) +
            QDir(tmp.filePath("cache/thumbnails/large")).entryList({"*.png"}, QDir::Files);
        QCOMPARE(entries.size(), kFiles);

        const int64_t second = WholeFileDecodeCount();
        auto view = openView();
        QVERIFY(view);
        QTRY_VERIFY_WITH_TIMEOUT(allMade(*view), 30000);
        QCOMPARE(WholeFileDecodeCount() - second, int64_t(0));
        for (int i = 0; i < kFiles; ++i) {
            ImageItem item;
            QVERIFY(view->list().CopyOut(i, item, CopyPixels::None));
            QCOMPARE(item.thumb.thumbReal, 1);
            QCOMPARE(std::make_pair(item.thumb.thumbWidth, item.thumb.thumbHeight), firstSizes[i]);
        }
    }
};

QTEST_MAIN(ThumbnailCacheViewTest)
#include "ThumbnailCacheViewTest.moc"
