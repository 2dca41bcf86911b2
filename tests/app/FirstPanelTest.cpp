// The real main window started on a folder of camera pictures: without a
// click, the information panel of the first item ends up complete (size,
// model, shutter speed) and the histogram shows its pre-image, whether the
// thumbnail comes from the file's own small picture or from decoding the
// whole file in the background.
#include "app/ListContainerWnd.h"
#include "app/MainFrame.h"
#include "settings/SettingsStore.h"
#include "thumbnails/ThumbnailCtrl.h"
#include "viewer/HistogramCtrl.h"
#include "viewer/InfoContainer.h"

#include "samples/SampleGen.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTreeWidgetItem>
#include <QtTest>

#include <numeric>

using namespace lumora;

namespace {

// Rows of the panel's fixed part.
constexpr int kSizeRow = 1;
constexpr int kModelRow = 3;
constexpr int kShutterRow = 10;

QString sizeText(qint64 size) {
    QString digits = QString::number(size);
    for (int i = digits.size() - 3; i > 0; i -= 3)
        digits.insert(i, QLatin1Char(','));
    return digits + QStringLiteral(" bytes");
}

// Three camera pictures; the first one with or without its own thumbnail.
QString writeFolder(const QString& folder, bool embeddedThumbnail) {
    QDir().mkpath(folder);
    for (int i = 1; i <= 3; ++i) {
        samples::CameraJpegOptions options;
        options.width = 1600;
        options.height = 1200;
        options.withThumbnail = embeddedThumbnail || i > 1;
        options.camera.exposureDen = 500;
        const QString path = folder + QStringLiteral("/img_%1.jpg").arg(i);
        samples::writeCameraJpeg(path.toStdString(), options);
    }
    return folder + QStringLiteral("/img_1.jpg");
}

// Counted pixels in every table (luminance or the three colours).
std::uint64_t histogramTotal(const CInfoContainer* info) {
    std::uint64_t total = 0;
    for (int table = 0; table < 4; ++table) {
        const auto& bins = info->histogram()->bins(table);
        total = std::accumulate(bins.begin(), bins.end(), total);
    }
    return total;
}

} // namespace

class FirstPanelTest : public QObject {
    Q_OBJECT

    // Starts like the program does: the last folder restored, then shown.
    void startOn(const QString& folder, const QString& first) {
        QTemporaryDir home;
        const QString ini = home.filePath(QStringLiteral("lumora.ini"));
        {
            CIniFile seed;
            writeBinPath(seed, folder);
            QVERIFY(seed.save(ini));
        }
        CMainFrame frame(ini);
        frame.create();
        frame.resize(1000, 700);
        frame.show();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        frame.setReadyForFolderDisplay();
        frame.markRunning();

        CListContainerWnd* list = frame.listContainer();
        auto* info = qobject_cast<CInfoContainer*>(list->infoPanel());
        QVERIFY(info);
        CThumbnailCtrl* view = list->folderView();
        QTRY_COMPARE_WITH_TIMEOUT(view->Count(), 3, 20000);
        QTRY_COMPARE_WITH_TIMEOUT(info->fixedRow(0)->text(1), QStringLiteral("img_1.jpg"), 20000);
        QTRY_COMPARE_WITH_TIMEOUT(info->fixedRow(kSizeRow)->text(1),
                                  sizeText(QFileInfo(first).size()), 20000);
        QCOMPARE(info->fixedRow(kModelRow)->text(1), QStringLiteral("Canon EOS 10X"));
        QCOMPARE(info->fixedRow(kShutterRow)->text(1), QStringLiteral("1/500 秒"));
        QTRY_VERIFY_WITH_TIMEOUT(histogramTotal(info) > 0, 20000);
        QCOMPARE(view->cursor(), 0);
        frame.close();
    }

private slots:
    void thePanelOfTheFirstItemIsCompletedWithoutAClick_data() {
        QTest::addColumn<bool>("embedded");
        QTest::newRow("thumbnail decoded from the whole file") << false;
        QTest::newRow("thumbnail of its own") << true;
    }

    void thePanelOfTheFirstItemIsCompletedWithoutAClick() {
        QFETCH(bool, embedded);
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("2026/2026-12-08/card1"));
        const QString first = writeFolder(folder, embedded);
        startOn(folder, first);
    }
};

QTEST_MAIN(FirstPanelTest)
#include "FirstPanelTest.moc"
