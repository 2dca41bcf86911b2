// The information panel widget with real camera files: its rows, the
// maker-note rows per kind, the deep copy, and its layout.
#include "viewer/InfoContainer.h"

#include "engine/ImageItemList.h"
#include "imaging/ImageItem.h"
#include "viewer/HistogramCtrl.h"

#include <QScrollBar>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

#include <cstdio>

using namespace lumora;

namespace {

const QString kSamples = QStringLiteral(LUMORA_SHARED_SAMPLES);

ImageItem Scanned(const QString& path, ImageKind kind = ImageKind::Jpeg) {
    ImageItem item = ImageItem::FromPath(path.toStdString(), kind);
    ScanItemInfo(item);
    item.fileStatus.size = QFileInfo(path).size();
    return item;
}

QString Value(const CInfoContainer& panel, const QString& label) {
    for (int i = 0; i < kFixedRowCount; ++i)
        if (panel.fixedRow(i)->text(0) == label)
            return panel.fixedRow(i)->text(1);
    return QStringLiteral("<no row>");
}

QStringList MakerLabels(const CInfoContainer& panel) {
    QStringList out;
    for (int i = 0; i < panel.makerNoteGroup()->childCount(); ++i)
        out << panel.makerNoteGroup()->child(i)->text(0);
    return out;
}

void Show(CInfoContainer& panel, const ImageItem& item) {
    panel.ClearInfo();
    panel.FillInfo(item);
    panel.ShowInfo();
}

// The panel on screen at the given size, showing the file's rows.
void ShowOnScreen(CInfoContainer& panel, int width, int height, const QString& path) {
    panel.resize(width, height);
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    Show(panel, Scanned(path));
}

#define NEED_SAMPLE(path)                                                                          \
    if (!QFile::exists(path))                                                                      \
    QSKIP("shared samples missing")

} // namespace

class InfoContainerTest : public QObject {
    Q_OBJECT
private slots:
    void ratingAndLabelRowsFollowTheItemsMarks() {
        CInfoContainer panel;
        ImageItem item = ImageItem::FromPath("/x/a.jpg", ImageKind::Jpeg);
        item.marks = Marks{3, false, ColorLabel::Red};
        Show(panel, item);
        QCOMPARE(panel.ratingRow()->text(1), QStringLiteral("★★★"));
        QCOMPARE(panel.labelRow()->text(1), QStringLiteral("赤"));
        item.marks = Marks{0, true, ColorLabel::None};
        Show(panel, item);
        QCOMPARE(panel.ratingRow()->text(1), QStringLiteral("不採用"));
        QCOMPARE(panel.labelRow()->text(1), QStringLiteral("--"));
        item.marks = Marks{};
        Show(panel, item);
        QCOMPARE(panel.ratingRow()->text(1), QStringLiteral("--"));
    }

    void createsColumnsGroupsAndFixedRows() {
        CInfoContainer panel;
        QTreeWidget* tree = panel.treeList();
        QCOMPARE(tree->columnCount(), 2);
        QCOMPARE(tree->headerItem()->text(0), QStringLiteral("項目"));
        QCOMPARE(tree->headerItem()->text(1), QStringLiteral("データ"));
        QCOMPARE(tree->topLevelItemCount(), 4);
        int rows = 0;
        for (int g = 0; g < 4; ++g) {
            QVERIFY(tree->topLevelItem(g)->isExpanded());
            rows += tree->topLevelItem(g)->childCount();
        }
        QCOMPARE(rows, 22 + 2); // and the rating and label rows
        QCOMPARE(panel.ratingRow()->text(0), QStringLiteral("レーティング"));
        QCOMPARE(panel.labelRow()->text(1), QStringLiteral("--"));
        QCOMPARE(panel.makerNoteGroup()->text(0), QStringLiteral("メーカーノート"));
        QCOMPARE(panel.fixedRow(0)->text(0), QStringLiteral("ファイル名"));
        QCOMPARE(panel.fixedRow(21)->text(0), QStringLiteral("レンズ最小F値"));
        QCOMPARE(panel.fixedRow(10)->text(1), QStringLiteral("--"));
        QCOMPARE(panel.histogram()->objectName(), QStringLiteral("HistogramCtrl"));
    }

    void histogramHeightFollowsTheModeAndTheListSitsBelowTheBand() {
        CInfoContainer panel;
        panel.resize(260, 700);
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        QCOMPARE(panel.histogramHeight(), 100);
        panel.SetHistogramMode(1);
        QCOMPARE(panel.histogramHeight(), 300);
        QCOMPARE(panel.histogram()->geometry(), QRect(0, 0, 260, 300));
        QCOMPARE(panel.treeList()->geometry(), QRect(0, 303, 260, 397));
        QCOMPARE(panel.histogram()->histogramMode(), 1);
        panel.SetHistogramMode(4); // keeps the height
        QCOMPARE(panel.histogramHeight(), 300);
        panel.SetHistogramMode(0);
        QCOMPARE(panel.histogram()->geometry(), QRect(0, 0, 260, 140));
        QCOMPARE(panel.treeList()->y(), 143);
        const QImage shot = panel.grab().toImage();
        QCOMPARE(QColor(shot.pixel(100, 141)), panel.palette().color(QPalette::Button));
        panel.resize(200, 500);
        QCOMPARE(panel.treeList()->geometry(), QRect(0, 143, 200, 357));
    }

    void canonRowsFromARealFile() {
        const QString path = kSamples + "/makernotes/Canon.jpg";
        NEED_SAMPLE(path);
        CInfoContainer panel;
        Show(panel, Scanned(path));
        QCOMPARE(Value(panel, "ファイル名"), QStringLiteral("Canon.jpg"));
        QCOMPARE(Value(panel, "ファイルサイズ"), QStringLiteral("2,697 bytes"));
        QCOMPARE(Value(panel, "メーカー名"), QStringLiteral("Canon"));
        QCOMPARE(Value(panel, "モデル名"), QStringLiteral("Canon EOS DIGITAL REBEL"));
        QCOMPARE(Value(panel, "シャッター速度"), QStringLiteral("4.0 秒")); // 4 s exposure
        QCOMPARE(Value(panel, "絞り"), QStringLiteral("F14.0"));
        QCOMPARE(Value(panel, "ISO"), QStringLiteral("100"));
        QCOMPARE(Value(panel, "焦点距離"), QStringLiteral("34 mm"));
        QCOMPARE(panel.makerNoteRows().size(), std::size_t(14));
        const auto& rows = panel.makerNoteRows();
        QCOMPARE(rows[10]->text(0), QStringLiteral("レンズ焦点距離"));
        QCOMPARE(rows[10]->text(1), QStringLiteral("18.0 - 55.0 mm"));
        QCOMPARE(rows[9]->text(1), QStringLiteral("0xFFFF")); // lens type 65535
        char serial[16];
        std::snprintf(serial, sizeof serial, "%04X%05d", 560018150u >> 16, 560018150u & 0xFFFF);
        QCOMPARE(rows[13]->text(1), QString::fromLatin1(serial));
        QCOMPARE(panel.rowsReplacedWhileDrawing(), 0);
        QVERIFY(panel.RowsAsText().contains("モデル名\tCanon EOS DIGITAL REBEL\n"));
    }

    void canonAfterNikonReplacesNineRowsByFourteen() {
        const QString nikon = kSamples + "/makernotes/NikonD70.jpg";
        const QString canon = kSamples + "/makernotes/Canon.jpg";
        NEED_SAMPLE(nikon);
        CInfoContainer panel;
        Show(panel, Scanned(nikon));
        QCOMPARE(panel.info().makerNoteKind, int(kMakerNoteNikon));
        QCOMPARE(panel.makerNoteGroup()->childCount(), 9);
        QCOMPARE(MakerLabels(panel).first(), QStringLiteral("ISO設定"));
        QCOMPARE(panel.makerNoteRows()[0]->text(1), QStringLiteral("200"));
        QCOMPARE(Value(panel, "モデル名"), QStringLiteral("NIKON D70"));
        QCOMPARE(Value(panel, "シャッター速度"), QStringLiteral("1/60 秒"));
        Show(panel, Scanned(canon));
        QCOMPARE(panel.makerNoteGroup()->childCount(), 14);
        QCOMPARE(MakerLabels(panel).first(), QStringLiteral("ドライブモード"));
        QVERIFY(!MakerLabels(panel).contains(QStringLiteral("ISO設定")));
        QCOMPARE(panel.treeList()->topLevelItemCount(), 4);
    }

    // Every row label is shown whole once the panel is wide enough for
    // them: the label column is as wide as its longest label with the row's
    // indentation, the maker-note labels of the image shown included.
    void rowLabelsAreNeverCutWhenThereIsRoom() {
        const QString nikon = kSamples + "/makernotes/NikonD70.jpg";
        NEED_SAMPLE(nikon);
        CInfoContainer panel;
        ShowOnScreen(panel, 400, 600, nikon);
        QTreeWidget* tree = panel.treeList();
        const QFontMetrics fm(tree->font());
        const auto fits = [&](QTreeWidgetItem* row) {
            const int need = 2 * tree->indentation() + fm.horizontalAdvance(row->text(0));
            if (tree->columnWidth(0) < need)
                qWarning("label cut: %s (%d < %d)", qPrintable(row->text(0)), tree->columnWidth(0),
                         need);
            return tree->columnWidth(0) >= need;
        };
        for (int i = 0; i < kFixedRowCount; ++i)
            QVERIFY(fits(panel.fixedRow(i)));
        for (int i = 0; i < panel.makerNoteGroup()->childCount(); ++i)
            QVERIFY(fits(panel.makerNoteGroup()->child(i)));
    }

    // At the panel's default (and minimum) width of 200 pixels the data
    // column still gets a readable share of the list, even with the long
    // Canon maker-note labels; a value or label that does not fit is
    // elided and keeps its whole text as the cell's tool tip.
    void valuesStayReadableAtTheDefaultWidth() {
        const QString canon = kSamples + "/makernotes/Canon.jpg";
        NEED_SAMPLE(canon);
        CInfoContainer panel;
        ShowOnScreen(panel, 200, 600, canon);
        QTreeWidget* tree = panel.treeList();
        QTest::qWait(20);
        const int room = tree->viewport()->width();
        QVERIFY(room > 150);
        QCOMPARE(tree->columnViewportPosition(1) + tree->columnWidth(1), room);
        QVERIFY2(
            tree->columnWidth(1) >= room * 2 / 5,
            qPrintable(
                QStringLiteral("data column %1 of %2 px").arg(tree->columnWidth(1)).arg(room)));
        QCOMPARE(tree->textElideMode(), Qt::ElideRight);
        QVERIFY(!tree->horizontalScrollBar()->isVisible());
        for (int i = 0; i < kFixedRowCount; ++i) {
            QCOMPARE(panel.fixedRow(i)->toolTip(1), panel.fixedRow(i)->text(1));
            QCOMPARE(panel.fixedRow(i)->toolTip(0), panel.fixedRow(i)->text(0));
        }
        for (QTreeWidgetItem* row : panel.makerNoteRows())
            QCOMPARE(row->toolTip(1), row->text(1));
        QCOMPARE(Value(panel, "モデル名"), QStringLiteral("Canon EOS DIGITAL REBEL"));

        // Widening the panel gives the labels their whole width again.
        panel.resize(420, 600);
        QTest::qWait(10);
        QVERIFY(tree->columnWidth(0) >=
                2 * tree->indentation() +
                    QFontMetrics(tree->font())
                        .horizontalAdvance(QStringLiteral("ファームウエアバージョン")));
    }

    void fujifilmHasItsSerialRow() {
        const QString path = kSamples + "/makernotes/FujiFilm.jpg";
        NEED_SAMPLE(path);
        CInfoContainer panel;
        Show(panel, Scanned(path));
        QCOMPARE(MakerLabels(panel), QStringList{QStringLiteral("カメラ製造番号")});
        QCOMPARE(Value(panel, "モデル名"), QStringLiteral("FinePix2400Zoom"));
    }

    void exifWithoutMakerNoteLeavesTheGroupEmpty() {
        const QString path = kSamples + "/makernotes/Kodak.jpg";
        NEED_SAMPLE(path);
        CInfoContainer panel;
        Show(panel, Scanned(kSamples + "/makernotes/Canon.jpg"));
        Show(panel, Scanned(path));
        QCOMPARE(panel.makerNoteGroup()->childCount(), 0);
        QVERIFY(panel.makerNoteRows().empty());
        QCOMPARE(Value(panel, "モデル名"), QStringLiteral("KODAK DX4900 ZOOM DIGITAL CAMERA"));
        QCOMPARE(Value(panel, "シャッター速度"), QStringLiteral("1/180 秒"));
    }

    void bmpShowsNameAndSizeAndDashesInEveryExifRow() {
        QTemporaryDir dir;
        const QString path = dir.filePath("plain.bmp");
        QImage img(64, 48, QImage::Format_RGB888);
        img.fill(Qt::darkGreen);
        QVERIFY(img.save(path, "BMP"));
        CInfoContainer panel;
        Show(panel, Scanned(kSamples + "/makernotes/Nikon.jpg")); // rows to be replaced
        ImageItem bmp = Scanned(path, ImageKind::Bmp);
        bmp.shootingInfo.pixelX = 64; // whatever else the item holds, no make or model
        bmp.shootingInfo.pixelY = 48;
        Show(panel, bmp);
        QCOMPARE(panel.fixedRow(0)->text(1), QStringLiteral("plain.bmp"));
        QCOMPARE(panel.fixedRow(1)->text(1),
                 QString::fromStdString(FormatFileSize(QFileInfo(path).size())));
        for (int i = 2; i < kFixedRowCount; ++i)
            QCOMPARE(panel.fixedRow(i)->text(1), QStringLiteral("--"));
        QCOMPARE(panel.makerNoteGroup()->childCount(), 0);
    }

    void panelKeepsItsOwnCopyOfTheBlock() {
        const QString path = kSamples + "/makernotes/NikonD70.jpg";
        NEED_SAMPLE(path);
        CInfoContainer panel;
        {
            ImageItem item = Scanned(path);
            panel.ClearInfo();
            panel.FillInfo(item);
            item.imageInfo.model = "changed by the engine";
            item.makerNote.reset();
        } // the item is gone
        panel.ShowInfo();
        QCOMPARE(Value(panel, "モデル名"), QStringLiteral("NIKON D70"));
        QCOMPARE(panel.makerNoteGroup()->childCount(), 9);
        // The record the view hands over works the same way.
        ItemInfoRecord record;
        record.fileName = "x.jpg";
        record.fileStatus.size = 999;
        record.hasInfo = false;
        record.imageInfo.model = "ignored without hasInfo";
        panel.ShowItem(record);
        QCOMPARE(Value(panel, "ファイルサイズ"), QStringLiteral("999 bytes"));
        QCOMPARE(Value(panel, "モデル名"), QStringLiteral("--"));
        QCOMPARE(panel.makerNoteGroup()->childCount(), 0);
    }

    void histogramSourceAndClear() {
        CInfoContainer panel;
        PreimageCopy pre;
        pre.pixels = DibImage(16, 12);
        std::memset(pre.pixels.bits(), 200, pre.pixels.byteSize());
        panel.SetHistogramSource(std::move(pre));
        QCOMPARE(panel.histogram()->bins(0)[200], 19200u);
        panel.ClearHistogram();
        QCOMPARE(panel.histogram()->bins(0)[200], 0u);
    }
};

QTEST_MAIN(InfoContainerTest)
#include "InfoContainerTest.moc"
