// lumora-bench viewer: how fast the viewer window shows camera images, on the
// offscreen platform with the real window and canvas.
//   preimage_ms          key to the pre-image on screen
//   full_image_ms        key to the full 24 MP picture on screen, beside djpeg
//   repaint_*            repaints at fit, after zoom steps and per drag step
//                        in a 1600 x 1000 canvas
//   next_image_ms        next image at one step per second (neighbours are
//                        decoded while the current one is shown)
//   colour_*             the same picture in Adobe RGB with its profile:
//                        conversion to the display alone against its decode
//                        (colour_transform_vs_decode), and key to the full
//                        picture on screen against djpeg on that file
#ifdef LUMORA_BENCH_VIEWER

#include "BenchCommands.h"
#include "BenchSupport.h"

#include "colour/ColourTransform.h"
#include "imaging/JpegDecoder.h"
#include "samples/SampleGen.h"
#include "viewer/LoaderGlue.h"
#include "viewer/PictureLoader.h"
#include "viewer/PreviewCtrl.h"
#include "viewer/ViewerFrame.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QTimer>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace lumora::bench {
namespace {

namespace fs = std::filesystem;

// djpeg on the file, output thrown away; wall time in ms or -1.
// cpuMs receives djpeg's own CPU time (user + system).
double djpegMs(const std::string& path, double* cpuMs) {
    return runTimed({"djpeg", "-outfile", "/dev/null", path}, {}, cpuMs);
}

struct List {
    std::vector<ImageItem> items;
    int cursor = 0;
    CViewerFrame* frame = nullptr;
    void open(int i) {
        cursor = i;
        frame->ShowItem(items[std::size_t(i)], i, int(items.size()));
    }
};

// Runs events until the frame has displayed its image (or time runs out).
bool waitDisplayed(CViewerFrame& frame, int timeoutMs = 30000) {
    QElapsedTimer t;
    t.start();
    while (frame.preview()->loading() || frame.loadingState()) {
        if (t.elapsed() > timeoutMs)
            return false;
        // Sleeps until an event arrives (the timer's at the latest): no
        // polling that would take CPU from the loader thread. The variant of
        // processEvents with a time limit does not sleep: it returns at once
        // when nothing is pending, and a loop around it spins a whole core.
        QTimer wake;
        wake.setSingleShot(true);
        wake.start(50);
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// Runs events for ms milliseconds, sleeping between them.
void runEventsFor(double ms) {
    const auto start = Clock::now();
    while (msSince(start) < ms) {
        QTimer wake;
        wake.setSingleShot(true);
        wake.start(std::max(1, static_cast<int>(ms - msSince(start))));
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

double timedRepaint(CPreviewCtrl* pv) {
    const int before = pv->paintCount();
    const auto start = Clock::now();
    pv->viewport()->repaint();
    const double ms = msSince(start);
    if (pv->paintCount() == before)
        std::fprintf(stderr, "viewer bench: a repaint did not paint\n");
    return ms;
}

// The picture in Adobe RGB: its profile in one APP2 segment after the SOI.
std::string writeAdobeRgbCopy(const std::string& from, const fs::path& to) {
    std::ifstream in(from, std::ios::binary);
    std::vector<char> jpeg((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::vector<uint8_t> icc = AdobeRgbProfile()->Bytes();
    const std::size_t length = 2 + 14 + icc.size();
    std::vector<char> segment(4 + 14);
    segment[0] = '\xFF';
    segment[1] = '\xE2';
    segment[2] = static_cast<char>(length >> 8);
    segment[3] = static_cast<char>(length & 0xFF);
    std::memcpy(segment.data() + 4, "ICC_PROFILE", 12);
    segment[16] = 1; // part 1 of 1
    segment[17] = 1;
    segment.insert(segment.end(), icc.begin(), icc.end());
    jpeg.insert(jpeg.begin() + 2, segment.begin(), segment.end());
    std::ofstream(to, std::ios::binary)
        .write(jpeg.data(), static_cast<std::streamsize>(jpeg.size()));
    return to.string();
}

struct ColourFigures {
    double decodeMs = NAN;    // decode alone, no conversion
    double transformMs = NAN; // the conversion of the decoded picture alone
    double convertedMs = NAN; // decode with the conversion as the viewer runs it
    double fullMs = NAN;      // key to the full picture on screen
    double djpegMs = NAN;
    double decodeCpuMs = NAN; // the same two on this thread's CPU clock
    double transformCpuMs = NAN;
};

ColourFigures measureAdobeRgb(List& list, const fs::path& dir, int reps) {
    ColourFigures f;
    const std::string path = writeAdobeRgbCopy(list.items[0].path, dir / "adobe.jpg");
    ImageItem item = list.items[0];
    item.path = path;
    item.fileName = "adobe.jpg";
    list.items.push_back(item);
    const int index = static_cast<int>(list.items.size()) - 1;
    std::vector<double> decode, transform, converted, full, djpeg, decodeCpu, transformCpu;
    for (int r = 0; r < reps; ++r) {
        auto start = Clock::now();
        double cpu = threadCpuMs();
        DecodeOutput out = CJpegDecoder::Decode(JpegSource{path}, JpegOptions{});
        decode.push_back(msSince(start));
        decodeCpu.push_back(threadCpuMs() - cpu);
        const TransformPtr t =
            TransformFor(ChooseSourceProfile(out.iccProfile, false), DisplayProfile());
        if (!t || out.image.isNull())
            return f;
        start = Clock::now();
        cpu = threadCpuMs();
        t->Apply(out.image.bits(), out.image.stride(), out.image.width(), out.image.height(),
                 PixelLayout::Bgr8);
        transform.push_back(msSince(start));
        transformCpu.push_back(threadCpuMs() - cpu);
        out = DecodeOutput{};
        start = Clock::now();
        out = DecodeFullPicture(item, CancelTest{}, {});
        converted.push_back(msSince(start));
    }
    CPreviewCtrl* pv = list.frame->preview();
    list.frame->SetFitMode(true);
    for (int r = 0; r < reps; ++r) {
        CPictureLoader::WaitIdle(30000);
        pv->DropPrefetched();
        list.open(r % 2 ? 0 : index); // another picture between, so each open decodes
        waitDisplayed(*list.frame);
        CPictureLoader::WaitIdle(30000);
        pv->DropPrefetched();
        const auto start = Clock::now();
        list.open(index);
        pv->viewport()->repaint();
        if (!waitDisplayed(*list.frame))
            return f;
        pv->viewport()->repaint();
        full.push_back(msSince(start));
        CPictureLoader::WaitIdle(30000);
        const double d = djpegMs(path, nullptr);
        if (d >= 0)
            djpeg.push_back(d);
    }
    f.decodeMs = median(decode);
    f.transformMs = median(transform);
    f.convertedMs = median(converted);
    f.fullMs = median(full);
    f.djpegMs = djpeg.empty() ? NAN : median(djpeg);
    f.decodeCpuMs = median(decodeCpu);
    f.transformCpuMs = median(transformCpu);
    return f;
}

int runViewer(const std::vector<std::string>& args) {
    bool quick = false, json = false, trace = false;
    for (const auto& a : args) {
        if (a == "--quick")
            quick = true;
        else if (a == "--trace") // each open: when installed, when painted
            trace = true;
        else if (a == "--json")
            json = true;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char arg0[] = "lumora-bench";
    static char* argv[] = {arg0, nullptr};
    QApplication app(argc, argv);

    const int width = 6000, height = 4000; // 24 megapixels
    const int fileCount = 4;
    const int reps = quick ? 3 : 7;
    const fs::path dir =
        fs::temp_directory_path() / ("lumora-viewer-bench-" + std::to_string(getpid()));
    fs::create_directories(dir);
    std::printf("generating %d camera-like JPEGs of %dx%d...\n", fileCount, width, height);
    std::fflush(stdout);
    List list;
    for (int i = 0; i < fileCount; ++i) {
        const std::string path = (dir / ("view-" + std::to_string(i) + ".jpg")).string();
        if (i == 0) {
            samples::writeFileBytes(path,
                                    samples::renderJpeg(width, height, "VIEWER", "bench", 11, 92));
        } else {
            fs::copy_file(dir / "view-0.jpg", path, fs::copy_options::overwrite_existing);
        }
        ImageItem item = ImageItem::FromPath(path, ImageKind::Jpeg);
        item.fileName = fs::path(path).filename().string();
        DibImage thumb(160, 107);
        std::memset(thumb.bits(), 0x60, thumb.byteSize());
        item.thumb.thumbBits = PixelBuffer(std::move(thumb));
        list.items.push_back(std::move(item));
    }

    CViewerFrame frame;
    list.frame = &frame;
    ViewerListSource source;
    source.next = [&] { list.open((list.cursor + 1) % fileCount); };
    source.previous = [&] { list.open((list.cursor + fileCount - 1) % fileCount); };
    source.openAt = [&](int i) { list.open(i); };
    source.copyItem = [&](int i, ImageItem& out) {
        out = list.items[std::size_t(i)];
        return true;
    };
    frame.SetListSource(source);
    AppSettings settings;
    settings.SmartRendering = 1;
    frame.ApplySettings(settings);
    frame.resize(1600, 1100);
    frame.show();
    QCoreApplication::processEvents();
    // The canvas itself 1600 x 1000.
    const QSize extra = frame.size() - frame.preview()->size();
    frame.resize(QSize(1600, 1000) + extra);
    QCoreApplication::processEvents();
    CPreviewCtrl* pv = frame.preview();

    // Key to pre-image and key to the full picture, without neighbours.
    std::vector<double> pre, full, djpeg, fullCpu, djpegCpu;
    for (int r = 0; r < reps; ++r) {
        // Measure the decode, not a neighbour decoded ahead.
        pv->DropPrefetched();
        const int index = r % fileCount;
        const auto start = Clock::now();
        const double cpu0 = processCpuMs();
        const double gui0 = threadCpuMs();
        list.open(index);
        pv->viewport()->repaint();
        pre.push_back(msSince(start));
        const double guiPre = threadCpuMs() - gui0;
        if (!waitDisplayed(frame)) {
            std::fprintf(stderr, "viewer bench: the picture never arrived\n");
            return 1;
        }
        const double installed = msSince(start);
        pv->viewport()->repaint();
        full.push_back(msSince(start));
        fullCpu.push_back(processCpuMs() - cpu0);
        if (trace)
            std::printf("  [installed %.1f ms, painted %.1f ms; cpu %.1f ms, of which gui thread "
                        "%.1f ms (%.1f ms to the pre-image)]\n",
                        installed, full.back(), fullCpu.back(), threadCpuMs() - gui0, guiPre);
        CPictureLoader::WaitIdle(30000);
        pv->DropPrefetched();
        double dCpu = 0;
        const double d = djpegMs(list.items[std::size_t(index)].path, &dCpu);
        if (d >= 0) {
            djpeg.push_back(d);
            djpegCpu.push_back(dCpu);
        }
    }
    // Where the time of the full picture goes: the decode alone, then the
    // reduced copies the first paint uses (the half and the full size
    // follow).
    std::vector<double> decodeOnly, prepare;
    for (int r = 0; r < reps; ++r) {
        const auto start = Clock::now();
        DecodeOutput out = DecodeFullPicture(list.items[0], CancelTest{}, {});
        decodeOnly.push_back(msSince(start));
        const auto p0 = Clock::now();
        auto picture = ViewerPicture::QuarterFromDib(out.image, 0);
        prepare.push_back(msSince(p0));
    }
    if (trace) {
        // The loader's own work on this thread, for comparison with the
        // time the loader thread takes.
        QObject sink;
        auto target = std::make_shared<PictureTarget>(&sink);
        auto counter = std::make_shared<RequestCounter>();
        // The loader lowers the priority of the thread it runs on: this one
        // gets its own back for the measurements that follow.
        const int nice = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
        for (int r = 0; r < reps; ++r) {
            PictureRequest request;
            request.item = list.items[0];
            const auto start = Clock::now();
            RunPictureLoad(target, counter, 0, request, 0);
            std::printf("  [loader work on this thread, full size included: %.1f ms]\n",
                        msSince(start));
            QCoreApplication::removePostedEvents(&sink);
        }
        setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), nice);
    }
    const double fullMs = median(full);
    const double djpegMed = median(djpeg);
    const double ratio = djpeg.empty() ? NAN : fullMs / djpegMed;

    // Repaints: at fit, after zoom steps, per drag step (once the picture
    // has settled).
    CPictureLoader::WaitIdle(30000);
    QCoreApplication::processEvents();
    std::vector<double> fitPaints, zoomPaints, dragPaints;
    const int paintReps = quick ? 40 : 150;
    frame.SetFitMode(true);
    for (int i = 0; i < paintReps; ++i)
        fitPaints.push_back(timedRepaint(pv));
    for (int i = 0; i < paintReps; ++i) {
        frame.SetFitMode(true);
        for (int z = 0; z <= i % 6; ++z)
            pv->ZoomIn();
        zoomPaints.push_back(timedRepaint(pv));
    }
    for (int fit : {1, 0}) {
        frame.SetFitMode(fit != 0);
        if (!fit)
            pv->ActualSize();
        QWidget* vp = pv->viewport();
        QPoint at(800, 500);
        QMouseEvent press(QEvent::MouseButtonPress, at, vp->mapToGlobal(at), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(vp, &press);
        for (int i = 0; i < paintReps; ++i) {
            at += QPoint((i / 20) % 2 ? -7 : 7, (i / 30) % 2 ? -4 : 4);
            QMouseEvent move(QEvent::MouseMove, at, vp->mapToGlobal(at), Qt::NoButton,
                             Qt::LeftButton, Qt::NoModifier);
            const auto start = Clock::now();
            QCoreApplication::sendEvent(vp, &move);
            vp->repaint();
            dragPaints.push_back(msSince(start));
        }
        QMouseEvent release(QEvent::MouseButtonRelease, at, vp->mapToGlobal(at), Qt::LeftButton,
                            Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(vp, &release);
    }
    std::vector<double> allPaints = fitPaints;
    allPaints.insert(allPaints.end(), zoomPaints.begin(), zoomPaints.end());
    allPaints.insert(allPaints.end(), dragPaints.begin(), dragPaints.end());

    // Next image at one step per second.
    frame.SetFitMode(true);
    list.open(0);
    waitDisplayed(frame);
    std::vector<double> next;
    const int steps = quick ? 4 : 10;
    for (int s = 0; s < steps; ++s) {
        runEventsFor(1000.0);
        const auto start = Clock::now();
        frame.RunCommand(ID_VIEWER_NEXT);
        waitDisplayed(frame);
        pv->viewport()->repaint();
        next.push_back(msSince(start));
    }
    CPictureLoader::WaitIdle(30000);
    const ColourFigures colour = measureAdobeRgb(list, dir, reps);
    CPictureLoader::WaitIdle(30000);
    std::error_code ec;
    fs::remove_all(dir, ec);

    const double preMed = median(pre), preP99 = percentile(pre, 0.99);
    std::printf("viewer, %d x %d JPEG, canvas %d x %d%s\n", width, height, pv->viewport()->width(),
                pv->viewport()->height(), quick ? " (quick)" : "");
    std::printf("  key to pre-image:        median %7.2f ms  p99 %7.2f ms   (goal <= 16)\n", preMed,
                preP99);
    std::printf(
        "  key to full picture:     median %7.1f ms  djpeg %7.1f ms  ratio %.2f  (goal <= 1.3)\n",
        fullMs, djpegMed, ratio);
    std::printf("    cpu time: ours %.1f ms (all threads), djpeg %.1f ms; ratio %.2f\n",
                median(fullCpu), median(djpegCpu), median(fullCpu) / median(djpegCpu));
    std::printf("    of which decode %.1f ms, quarter and smaller copies %.1f ms\n",
                median(decodeOnly), median(prepare));
    std::printf("  repaint at fit:          median %7.2f ms  p99 %7.2f ms\n", median(fitPaints),
                percentile(fitPaints, 0.99));
    std::printf("  repaint after zoom step: median %7.2f ms  p99 %7.2f ms\n", median(zoomPaints),
                percentile(zoomPaints, 0.99));
    std::printf("  repaint per drag step:   median %7.2f ms  p99 %7.2f ms\n", median(dragPaints),
                percentile(dragPaints, 0.99));
    std::printf("  repaint, all:            median %7.2f ms  p99 %7.2f ms   (goal <= 8 / <= 16)\n",
                median(allPaints), percentile(allPaints, 0.99));
    std::printf("  next image, 1 step/s:    median %7.2f ms  p99 %7.2f ms   (goal <= 30)\n",
                median(next), percentile(next, 0.99));
    const double colourRatio = colour.transformMs / colour.decodeMs;
    const double colourFull = colour.fullMs / colour.djpegMs;
    std::printf("  Adobe RGB picture, shown in the display's profile (%s):\n",
                DisplayProfile()->description().c_str());
    std::printf("    conversion alone %.1f ms, decode %.1f ms: ratio %.3f  (goal <= 0.10)\n",
                colour.transformMs, colour.decodeMs, colourRatio);
    std::printf("    on the thread's CPU clock: conversion %.1f ms, decode %.1f ms: ratio %.3f\n",
                colour.transformCpuMs, colour.decodeCpuMs,
                colour.transformCpuMs / colour.decodeCpuMs);
    std::printf("    decode with the conversion as the viewer runs it %.1f ms\n",
                colour.convertedMs);
    std::printf("    key to full picture:   median %7.1f ms  djpeg %7.1f ms  ratio %.2f  (goal <= "
                "1.3)\n",
                colour.fullMs, colour.djpegMs, colourFull);
    if (json)
        std::printf("{\"colour_transform_ms\":%s,\"colour_decode_ms\":%s,"
                    "\"colour_transform_vs_decode\":%s,\"colour_full_image_ms\":%s,"
                    "\"colour_djpeg_ms\":%s,\"colour_full_image_vs_djpeg\":%s,"
                    "\"colour_transform_vs_decode_cpu\":%s}\n",
                    jsonNumber(colour.transformMs).c_str(), jsonNumber(colour.decodeMs).c_str(),
                    jsonNumber(colourRatio).c_str(), jsonNumber(colour.fullMs).c_str(),
                    jsonNumber(colour.djpegMs).c_str(), jsonNumber(colourFull).c_str(),
                    jsonNumber(colour.transformCpuMs / colour.decodeCpuMs).c_str());
    if (json)
        std::printf(
            "{\"megapixels\":24,\"preimage_ms\":%s,\"preimage_p99_ms\":%s,\"full_image_ms\":%s,"
            "\"djpeg_ms\":%s,\"full_image_vs_djpeg\":%s,\"repaint_median_ms\":%s,"
            "\"repaint_p99_ms\":%s,\"next_image_ms\":%s,\"next_image_p99_ms\":%s,"
            "\"full_image_cpu_ms\":%s,\"djpeg_cpu_ms\":%s}\n",
            jsonNumber(preMed).c_str(), jsonNumber(preP99).c_str(), jsonNumber(fullMs).c_str(),
            jsonNumber(djpegMed).c_str(), jsonNumber(ratio).c_str(),
            jsonNumber(median(allPaints)).c_str(), jsonNumber(percentile(allPaints, 0.99)).c_str(),
            jsonNumber(median(next)).c_str(), jsonNumber(percentile(next, 0.99)).c_str(),
            jsonNumber(median(fullCpu)).c_str(), jsonNumber(median(djpegCpu)).c_str());
    return 0;
}

const BenchRegistrar registrar{
    {"viewer", "viewer window: pre-image, full picture vs djpeg, repaints, next image", runViewer}};

} // namespace
} // namespace lumora::bench

#endif // LUMORA_BENCH_VIEWER
