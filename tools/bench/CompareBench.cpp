// lumora-bench compare: four 24 MP pictures side by side in the viewer
// window, on the offscreen platform with the real window and canvases.
//   compare4_first_paint_ms   command to the four pre-images on screen
//   compare4_full_vs_djpeg    command to the four decoded pictures on screen
//                             (as the viewer's full_image_ms: drawn from
//                             their reduced copies), against four djpeg
//                             runs at once; the full-size levels for zooming
//                             in follow at a lower priority (full_size_ms)
//   compare_pan_repaint_p99_ms  a drag in one pane at 100 %, the four
//                             panes following, repainted per step
#ifdef LUMORA_BENCH_VIEWER

#include "BenchCommands.h"
#include "BenchSupport.h"

#include "samples/SampleGen.h"
#include "viewer/CompareView.h"
#include "viewer/PictureLoader.h"
#include "viewer/PreviewCtrl.h"
#include "viewer/ViewerFrame.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QTimer>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace lumora::bench {
namespace {

namespace fs = std::filesystem;

// Runs events until every pane shows its decoded picture (and, with
// fullSize, holds its full-size level too).
bool waitPictures(CCompareView* v, bool fullSize, int timeoutMs = 60000) {
    QElapsedTimer t;
    t.start();
    for (;;) {
        bool all = true;
        for (int i = 0; i < v->paneCount(); ++i) {
            const CPreviewCtrl* c = v->pane(i);
            all =
                all && !c->loading() && c->picture() && (!fullSize || c->picture()->hasFullSize());
        }
        if (all)
            return true;
        if (t.elapsed() > timeoutMs)
            return false;
        QTimer wake; // sleeps until an event arrives, without spinning
        wake.setSingleShot(true);
        wake.start(20);
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

void repaintAll(CCompareView* v) {
    for (int i = 0; i < v->paneCount(); ++i)
        v->pane(i)->viewport()->repaint();
}

// The measured steps, kept out of line so that an instruction count can
// be taken for them alone:
//   valgrind --tool=callgrind --collect-atstart=no
//     --toggle-collect='*comparePanStep*' lumora-bench compare --quick
// (or *compareFirstPaint*); the inclusive cost over the calls is the
// count per step.
[[gnu::noinline]] void compareFirstPaint(CViewerFrame& frame, CCompareView* v) {
    frame.ShowCompare({0, 1, 2, 3});
    repaintAll(v);
}

[[gnu::noinline]] void comparePanStep(CCompareView* v, QWidget* vp, QPoint at) {
    QMouseEvent move(QEvent::MouseMove, at, vp->mapToGlobal(at), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(vp, &move);
    repaintAll(v);
}

int runCompare(const std::vector<std::string>& args) {
    bool quick = false, json = false;
    for (const auto& a : args) {
        if (a == "--quick")
            quick = true;
        else if (a == "--json")
            json = true;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char arg0[] = "lumora-bench";
    static char* argv[] = {arg0, nullptr};
    QApplication app(argc, argv);

    const int width = 6000, height = 4000;
    const int reps = quick ? 2 : 5;
    const fs::path dir =
        fs::temp_directory_path() / ("lumora-compare-bench-" + std::to_string(getpid()));
    fs::create_directories(dir);
    std::printf("generating 4 camera-like JPEGs of %dx%d...\n", width, height);
    std::fflush(stdout);
    std::vector<ImageItem> items;
    for (int i = 0; i < 4; ++i) {
        const std::string path = (dir / ("burst-" + std::to_string(i) + ".jpg")).string();
        samples::writeFileBytes(
            path, samples::renderJpeg(width, height, "BURST", std::to_string(i), 21 + i, 92));
        ImageItem item = ImageItem::FromPath(path, ImageKind::Jpeg);
        item.fileName = fs::path(path).filename().string();
        DibImage thumb(160, 107);
        std::memset(thumb.bits(), 0x50 + 0x10 * i, thumb.byteSize());
        item.thumb.thumbBits = PixelBuffer(std::move(thumb));
        items.push_back(std::move(item));
    }

    CViewerFrame frame;
    ViewerListSource source;
    source.copyItem = [&](int i, ImageItem& out) {
        if (i < 0 || i >= int(items.size()))
            return false;
        out = items[std::size_t(i)];
        return true;
    };
    source.count = [&] { return int(items.size()); };
    frame.SetListSource(source);
    AppSettings settings;
    settings.SmartRendering = 1;
    frame.ApplySettings(settings);
    frame.resize(1600, 1100);
    frame.show();
    QCoreApplication::processEvents();
    CCompareView* v = frame.compareView();

    std::vector<double> first, full, fullSize, djpeg4;
    for (int r = 0; r < reps; ++r) {
        v->Clear(); // nothing kept from the last round
        QCoreApplication::processEvents();
        const auto start = Clock::now();
        compareFirstPaint(frame, v);
        first.push_back(msSince(start));
        if (!waitPictures(v, false)) {
            std::fprintf(stderr, "compare bench: the pictures never arrived\n");
            return 1;
        }
        repaintAll(v);
        full.push_back(msSince(start));
        if (!waitPictures(v, true)) {
            std::fprintf(stderr, "compare bench: the full sizes never arrived\n");
            return 1;
        }
        fullSize.push_back(msSince(start));
        CPictureLoader::WaitIdle(30000);
        std::string cmd;
        for (const ImageItem& item : items)
            cmd += "djpeg -outfile /dev/null '" + item.path + "' & ";
        cmd += "wait";
        const double d = runTimed({"sh", "-c", cmd});
        if (d >= 0)
            djpeg4.push_back(d);
    }

    // Panning together at 100 %: each drag step moves one pane, the others
    // follow, and all four are repainted.
    QCoreApplication::processEvents();
    CPreviewCtrl* lead = v->pane(0);
    lead->ToggleActualSize(std::nullopt);
    QCoreApplication::processEvents();
    std::vector<double> pan;
    const int steps = quick ? 60 : 240;
    QWidget* vp = lead->viewport();
    QPoint at(vp->width() / 2, vp->height() / 2);
    QMouseEvent press(QEvent::MouseButtonPress, at, vp->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(vp, &press);
    for (int i = 0; i < steps; ++i) {
        at += QPoint((i / 20) % 2 ? -9 : 9, (i / 30) % 2 ? -5 : 5);
        const auto start = Clock::now();
        comparePanStep(v, vp, at);
        pan.push_back(msSince(start));
    }
    QMouseEvent release(QEvent::MouseButtonRelease, at, vp->mapToGlobal(at), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(vp, &release);
    const bool followed = v->pane(3)->scrollPosition() != QPoint(0, 0);

    v->Clear();
    CPictureLoader::WaitIdle(30000);
    std::error_code ec;
    fs::remove_all(dir, ec);

    const double firstMed = median(first), fullMed = median(full), djMed = median(djpeg4);
    const double ratio = djpeg4.empty() ? NAN : fullMed / djMed;
    const double panP99 = percentile(pan, 0.99);
    std::printf("compare, four %d x %d JPEGs, panes %d x %d%s\n", width, height,
                lead->viewport()->width(), lead->viewport()->height(), quick ? " (quick)" : "");
    std::printf("  command to 4 pre-images:  median %7.2f ms  max %7.2f ms  (goal <= 50)\n",
                firstMed, percentile(first, 1.0));
    std::printf("  command to 4 pictures:    median %7.1f ms  4 djpeg at once %7.1f ms  ratio %.2f"
                "  (goal <= 1.3)\n",
                fullMed, djMed, ratio);
    std::printf("    full-size levels (for zooming in) after %.1f ms\n", median(fullSize));
    std::printf("  pan repaint of 4 panes:   median %7.2f ms  p99 %7.2f ms  (goal <= 16)%s\n",
                median(pan), panP99, followed ? "" : "  [the panes did not follow!]");
    if (json)
        std::printf("{\"compare4_first_paint_ms\":%s,\"compare4_full_ms\":%s,\"djpeg4_ms\":%s,"
                    "\"compare4_full_vs_djpeg\":%s,\"compare4_full_size_ms\":%s,"
                    "\"compare_pan_repaint_median_ms\":%s,\"compare_pan_repaint_p99_ms\":%s}\n",
                    jsonNumber(firstMed).c_str(), jsonNumber(fullMed).c_str(),
                    jsonNumber(djMed).c_str(), jsonNumber(ratio).c_str(),
                    jsonNumber(median(fullSize)).c_str(), jsonNumber(median(pan)).c_str(),
                    jsonNumber(panP99).c_str());
    return followed ? 0 : 1;
}

const BenchRegistrar registrar{
    {"compare", "four pictures side by side: pre-images, full pictures vs djpeg, panning",
     runCompare}};

} // namespace
} // namespace lumora::bench

#endif // LUMORA_BENCH_VIEWER
