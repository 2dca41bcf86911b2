// The histogram's tables and its drawing, checked pixel by pixel against the
// placement arithmetic in an offscreen paint.
#include "viewer/HistogramCtrl.h"

#include <QtTest>

#include <cstring>

using namespace lumora;

namespace {

// A picture whose pixel (x, y) is fn(x, y) as (r, g, b).
template <typename Fn> DibImage Picture(int w, int h, Fn fn) {
    DibImage dib(w, h);
    for (int y = 0; y < h; ++y) {
        uint8_t* row = dib.scanLine(y);
        for (int x = 0; x < w; ++x) {
            const QColor c = fn(x, y);
            row[3 * x] = uint8_t(c.blue());
            row[3 * x + 1] = uint8_t(c.green());
            row[3 * x + 2] = uint8_t(c.red());
        }
    }
    return dib;
}

// A small picture with a spread of tones.
QColor Tones(int x, int y) {
    return QColor((x * 3) % 256, (y * 5 + x) % 256, (x * y) % 256);
}

QColor At(const QImage& image, int x, int y) {
    return QColor(image.pixel(x, y));
}

} // namespace

class HistogramCtrlTest : public QObject {
    Q_OBJECT
private slots:
    void halfSizeThumbnailGivesTheSameBars() {
        // Every pixel of the 80 x 60 picture becomes a 2 x 2 block.
        const DibImage small = Picture(80, 60, Tones);
        const DibImage large = Picture(160, 120, [](int x, int y) { return Tones(x / 2, y / 2); });
        for (int mode : {0, 1}) {
            std::array<CHistogramCtrl::Table, 4> a{}, b{};
            CHistogramCtrl::ComputeTables(small, mode, a);
            CHistogramCtrl::ComputeTables(large, mode, b);
            QVERIFY(a == b);
            uint64_t total = 0;
            for (uint32_t v : a[mode == 0 ? 0 : 1])
                total += v;
            QVERIFY(total > 19000 && total <= 19200); // normalised, truncated
        }
    }

    void tablesFollowTheMode() {
        CHistogramCtrl h;
        h.SetPixels(Picture(10, 10, [](int, int) { return QColor(255, 0, 0); }));
        QCOMPARE(h.bins(0)[76], 19200u); // Y of pure red: 0.299 * 255 = 76.2
        QCOMPARE(h.bins(1)[255], 0u);    // the colour tables stay empty in mode 0
        h.SetHistogramMode(1);
        QCOMPARE(h.bins(0)[76], 0u);
        QCOMPARE(h.bins(1)[255], 19200u);
        QCOMPARE(h.bins(2)[0], 19200u);
        QCOMPARE(h.bins(3)[0], 19200u);
        h.SetHistogramMode(7); // not a mode: ignored
        QCOMPARE(h.histogramMode(), 1);
        // Clearing keeps the pixels: a mode switch computes from them again.
        h.ClearHistogram();
        QCOMPARE(h.bins(1)[255], 0u);
        h.SetHistogramMode(0);
        QCOMPARE(h.bins(0)[76], 19200u);
        // No pixels: all zero, no crash.
        h.SetPixels(DibImage{});
        for (int t = 0; t < 4; ++t)
            for (uint32_t v : h.bins(t))
                QCOMPARE(v, 0u);
    }

    void barsAndFrameLandWhereTheArithmeticPutsThem() {
        CHistogramCtrl h;
        h.SetPixels(Picture(160, 120, Tones));
        for (int mode : {0, 1}) {
            h.SetHistogramMode(mode);
            const QSize size(301, 170);
            const QImage img = h.Render(size);
            const int cw = size.width();
            const int H = CHistogramCtrl::GraphHeight(mode, size.height());
            QCOMPARE(H, mode == 0 ? 150 : 50);
            const int graphs = mode == 0 ? 1 : 3;
            const QColor colours[4] = {QColor(0, 255, 255), QColor(255, 0, 0), QColor(0, 255, 0),
                                       QColor(0, 0, 255)};
            for (int g = 0; g < graphs; ++g) {
                const int table = mode == 0 ? 0 : g + 1;
                const int T = g * H;
                bool overflow = false;
                for (int v = 0; v < 256; ++v) {
                    const int bar = CHistogramCtrl::BarHeight(h.bins(table)[v], H, &overflow);
                    const int x = CHistogramCtrl::BarX(v, cw);
                    if (x == 10)
                        continue; // value 0 lies under the frame's left edge
                    // A line from (x, T + H) up by `bar` leaves out its end
                    // point; the frame's bottom edge covers its first pixel.
                    for (int y = T + H - bar + 1; y < T + H; ++y)
                        QVERIFY2(At(img, x, y) == colours[table],
                                 qPrintable(QString("graph %1 v %2 y %3").arg(g).arg(v).arg(y)));
                    if (bar < H - 15)
                        QVERIFY(At(img, x, T + H - bar) != colours[table]);
                }
                const QColor frame(128, 128, 128);
                QCOMPARE(At(img, 10, T + 15), frame);
                QCOMPARE(At(img, 10, T + H - 1), frame);
                QCOMPARE(At(img, 150, T + H), frame);      // bottom edge over the bars
                QCOMPARE(At(img, cw - 10, T + 16), frame); // right edge
                QCOMPARE(At(img, 100, T + 15), overflow ? QColor(200, 200, 0) : frame);
                QCOMPARE(At(img, 5, T + 40), QColor(Qt::black)); // left of the frame
            }
        }
    }

    void gridLinesSitAtQuartersOfTheGraph() {
        CHistogramCtrl h; // empty: flat graphs
        const QSize size(300, 140);
        const QImage img = h.Render(size);
        const int H = 120;
        const QColor grid(32, 32, 32);
        for (int k = 1; k <= 3; ++k) {
            QCOMPARE(At(img, 40, H - k * ((H - 15) / 4)), grid);
            QCOMPARE(At(img, 10 + k * ((300 - 20) / 4), 60), grid);
        }
        QCOMPARE(At(img, 40, H - 1), QColor(Qt::black));   // empty bins draw no bars
        QCOMPARE(At(img, 100, 15), QColor(128, 128, 128)); // no overflow
        // The scale text sits under the graph, between the frame and the bottom.
        bool text = false;
        for (int y = H + 1; y < 140; ++y)
            for (int x = 0; x < 30; ++x)
                text |= At(img, x, y) != QColor(Qt::black);
        QVERIFY(text);
    }

    void uniformGreyOverflowsWithAYellowTopEdge() {
        CHistogramCtrl h;
        h.SetPixels(Picture(160, 120, [](int, int) { return QColor(128, 128, 128); }));
        QCOMPARE(h.bins(0)[128], 19200u);
        const QImage img = h.Render(QSize(300, 140));
        const int H = 120;
        const int x = CHistogramCtrl::BarX(128, 300);
        for (int y = 16; y < H; ++y)
            QCOMPARE(At(img, x, y), QColor(0, 255, 255)); // limited to H - 15
        const QColor yellow(200, 200, 0);
        QCOMPARE(At(img, x, 15), yellow);
        QCOMPARE(At(img, 11, 15), yellow);
        QCOMPARE(At(img, 289, 15), yellow);
        // Only the one grey level has a bar.
        QVERIFY(At(img, CHistogramCtrl::BarX(127, 300), H - 1) != QColor(0, 255, 255));
    }

    void modeSwitchRedrawsWithoutANewSelection() {
        CHistogramCtrl h;
        h.resize(300, 300);
        h.SetPixels(Picture(40, 30, Tones));
        h.show();
        QVERIFY(QTest::qWaitForWindowExposed(&h));
        const QImage before = h.grab().toImage();
        const int paints = h.paintCount();
        h.SetHistogramMode(1);
        QTRY_VERIFY(h.paintCount() > paints);
        const QImage after = h.grab().toImage();
        QVERIFY(before != after);
        // Three graphs: the red bars are in the top third.
        const int H = CHistogramCtrl::GraphHeight(1, 300);
        bool red = false;
        for (int x = 10; x < 290; ++x)
            red |= QColor(after.pixel(x, H - 1)) == QColor(255, 0, 0);
        QVERIFY(red);
    }
};

QTEST_MAIN(HistogramCtrlTest)
#include "HistogramCtrlTest.moc"
