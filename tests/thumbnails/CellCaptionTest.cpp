// Captions under a thumbnail stay inside their cell: a shooting-information
// line wider than the cell (three-digit focal lengths, small thumbnail sizes)
// is narrowed to fit instead of being cut off at both edges.
#include "settings/AppSettings.h"
#include "thumbnails/CellPainter.h"

#include <QtTest>

using namespace lumora;

namespace {

ImageItem captionedItem() {
    ImageItem item = ImageItem::FromPath("/x/Canon_40D.jpg", ImageKind::Jpeg);
    item.caption.shutterSpeed = 160.0f;
    item.caption.fNumber = 7.1f;
    item.caption.exposureBias = 0.0f;
    item.caption.exposureProgram = 1; // Manual
    item.caption.focalLength = 135.0f;
    item.caption.iso = 1600;
    return item;
}

// True when a column holds only the background colour over the caption rows.
bool columnClean(const QImage& cell, int x, int top, int bottom, QRgb background) {
    for (int y = top; y < bottom; ++y)
        if (cell.pixel(x, y) != background)
            return false;
    return true;
}

} // namespace

class CellCaptionTest : public QObject {
    Q_OBJECT
private slots:
    void wideCaptionStaysInsideTheCell_data() {
        QTest::addColumn<int>("size");
        QTest::newRow("160x120") << 0;
        QTest::newRow("120x90") << 1;
        QTest::newRow("100x75") << 2;
    }
    void wideCaptionStaysInsideTheCell() {
        QFETCH(int, size);
        AppSettings s;
        s.ThumbnailSize = size;
        s.ShowFileName = 0;
        CellStyle style;
        style.apply(s);
        style.kindIcon = false;
        const QImage cell =
            composeCell(captionedItem(), style).convertToFormat(QImage::Format_RGB32);
        const ThumbnailLayout& l = style.layout;
        const int top = l.imageSpace + l.longSide + 2;
        const int bottom = cell.height() - 2;
        const QRgb background = style.canvasNormal.rgb();
        // Column 0 and the last column carry the frame; the ones inside it
        // must show no caption ink.
        QVERIFY2(columnClean(cell, 1, top, bottom, background), "caption cut at the left edge");
        QVERIFY2(columnClean(cell, cell.width() - 2, top, bottom, background),
                 "caption cut at the right edge");
        // The line is still drawn.
        bool ink = false;
        for (int y = top; y < bottom && !ink; ++y)
            for (int x = 2; x < cell.width() - 2 && !ink; ++x)
                ink = cell.pixel(x, y) != background;
        QVERIFY(ink);
    }
};

QTEST_MAIN(CellCaptionTest)
#include "CellCaptionTest.moc"
