// The containers put the information panel and the mini preview in their
// slots and hand them the view's messages and the settings.
#include "app/ListContainerWnd.h"
#include "app/TreeContainerWnd.h"
#include "viewer/InfoContainer.h"
#include "thumbnails/ThumbnailCtrl.h"
#include "thumbnails/ThumbnailMessages.h"
#include "viewer/HistogramCtrl.h"
#include "viewer/MiniPreviewCtrl.h"

#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

using namespace lumora;

class PanesWiringTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { QVERIFY(CMiniPreviewCtrl::WaitForDecodes(20000)); }

    void miniPreviewPaneShownOnlyOnRequestDecodesTheLastItem() {
        QTemporaryDir dir;
        const QString path = dir.filePath("shot.jpg");
        QImage img(320, 240, QImage::Format_RGB888);
        img.fill(QColor(30, 160, 60));
        QVERIFY(img.save(path, "JPG"));

        CTreeContainerWnd tree(nullptr, 59648, new QWidget, 200, /*showMiniPreview=*/false);
        tree.resize(220, 600);
        tree.show();
        QVERIFY(QTest::qWaitForWindowExposed(&tree));
        auto* mini = qobject_cast<CMiniPreviewCtrl*>(tree.miniPreview());
        QVERIFY(mini);
        QCOMPARE(mini->objectName(), QStringLiteral("MiniPreviewCtrl"));
        QVERIFY(!tree.miniPreviewShown());
        mini->SetItem(ImageItem::FromPath(path.toStdString(), ImageKind::Jpeg));
        QCOMPARE(mini->decodesStarted(), 0);

        tree.SetMiniPreviewShown(true);
        QVERIFY(tree.miniPreviewShown());
        QTRY_VERIFY_WITH_TIMEOUT(mini->hasImage(), 20000);
        QCOMPARE(mini->caption(), QStringLiteral("shot.jpg"));
        QCOMPARE(mini->height(), 200);

        tree.SetMiniPreviewShown(false);
        QVERIFY(!tree.miniPreviewShown());
        QVERIFY(!mini->isVisible());
    }

    void listContainerHandsThePanelItsMessagesAndSettings() {
        CListContainerWnd list(nullptr, 59649, 250, true, nullptr);
        list.resize(900, 700);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        auto* info = qobject_cast<CInfoContainer*>(list.infoPanel());
        QVERIFY(info);
        QCOMPARE(info->objectName(), QStringLiteral("InfoContainer"));
        QCOMPARE(info->width(), 250);

        AppSettings settings = list.settings();
        settings.HistogramMode = 1;
        settings.ShowExifWindow = 1;
        list.ApplySettings(settings, false);
        QCOMPARE(info->histogramHeight(), 300);
        QCOMPARE(info->histogram()->histogramMode(), 1);

        auto copy = std::make_unique<PreimageCopy>();
        copy->pixels = DibImage(8, 6);
        std::memset(copy->pixels.bits(), 90, copy->pixels.byteSize());
        PreimageMessage pre(std::move(copy));
        QVERIFY(Send(&list, pre));
        QCOMPARE(info->histogram()->bins(1)[90], 19200u);
        NoPreimageMessage none;
        QVERIFY(Send(&list, none));
        QCOMPARE(info->histogram()->bins(1)[90], 0u);

        auto record = std::make_shared<ItemInfoRecord>();
        record->fileName = "a.jpg";
        record->fileStatus.size = 1000;
        record->hasInfo = true;
        record->imageInfo.model = "Model X";
        emit list.folderView()->infoRecordChanged(record);
        QCOMPARE(info->fixedRow(0)->text(1), QStringLiteral("a.jpg"));
        QCOMPARE(info->fixedRow(1)->text(1), QStringLiteral("1,000 bytes"));
        QCOMPARE(info->fixedRow(3)->text(1), QStringLiteral("Model X"));
    }
};

QTEST_MAIN(PanesWiringTest)
#include "PanesWiringTest.moc"
