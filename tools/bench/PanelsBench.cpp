// lumora-bench panels: the selection-change work of the information panel
// and histogram, the mini preview's decode of a 24-megapixel JPEG against
// `djpeg -scale 1/8` on the same file, and how many mini-preview decodes run
// at once while an arrow key is held through 1,000 thumbnails.
#include "BenchCommands.h"
#include "BenchSupport.h"

#ifdef LUMORA_BENCH_WIDGETS

#include "engine/ImageItemList.h"
#include "viewer/HistogramCtrl.h"
#include "viewer/InfoContainer.h"
#include "viewer/MiniPreviewCtrl.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTreeWidget>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace lumora::bench {
namespace {

namespace fs = std::filesystem;

// A camera-like JPEG: smooth gradients with some noise, quality 92.
bool writeJpeg(const fs::path& path, int w, int h, unsigned seed) {
    unsigned state = seed * 2654435761u + 1;
    return writeFile(path, encodeJpeg(w, h, EncodeOptions{}, [&](int y, std::uint8_t* row) {
                         for (int x = 0; x < w; ++x) {
                             state = state * 1664525u + 1013904223u;
                             const int n = static_cast<int>((state >> 24) & 15);
                             row[std::size_t(x) * 3] = std::uint8_t((x * 255 / w + n) & 255);
                             row[std::size_t(x) * 3 + 1] = std::uint8_t((y * 255 / h + n) & 255);
                             row[std::size_t(x) * 3 + 2] =
                                 std::uint8_t(((x + y) * 127 / (w + h) + 64 + n) & 255);
                         }
                     }));
}

long rssKb() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// Runs the event loop until `done` or the timeout; false on timeout.
template <typename Fn> bool spinUntil(Fn done, int timeoutMs) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (!done())
            std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return true;
}

ImageItem scanned(const std::string& path) {
    ImageItem item = ImageItem::FromPath(path, ImageKind::Jpeg);
    ScanItemInfo(item);
    std::error_code ec;
    item.fileStatus.size = static_cast<int64_t>(fs::file_size(path, ec));
    return item;
}

DibImage preimage(unsigned seed) {
    DibImage dib(160, 120);
    unsigned s = seed;
    for (std::size_t i = 0; i < dib.byteSize(); ++i) {
        s = s * 1103515245u + 12345u;
        dib.bits()[i] = static_cast<uint8_t>(s >> 16);
    }
    return dib;
}

int runPanels(const std::vector<std::string>& args) {
    bool quick = false, json = false;
    for (const auto& a : args) {
        quick |= a == "--quick";
        json |= a == "--json";
    }
    if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    int argc = 1;
    char name[] = "lumora-bench";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);

    const std::string samples = LUMORA_BENCH_SAMPLES;
    // --- information panel and histogram ------------------------------------
    std::vector<ImageItem> items;
    for (const char* f : {"/makernotes/Canon.jpg", "/makernotes/NikonD70.jpg",
                          "/makernotes/FujiFilm.jpg", "/camera-jpeg/Canon_40D.jpg"})
        if (fs::exists(samples + f))
            items.push_back(scanned(samples + f));
    double histogramRenderMs = NAN, infoCpuMs = NAN;
    double infoMs = NAN, infoUpdateMs = NAN, histogramPaintMs = NAN;
    if (!items.empty()) {
        CInfoContainer panel;
        panel.resize(250, 800);
        panel.SetHistogramMode(0);
        panel.show();
        spinUntil([] { return false; }, 100);
        std::vector<DibImage> pre;
        for (unsigned i = 0; i < 4; ++i)
            pre.push_back(preimage(i + 1));
        const int rounds = quick ? 200 : 1000;
        std::vector<double> times, cpuTimes, updates, histogramPaints;
        for (int i = 0; i < rounds; ++i) {
            const ImageItem& item = items[std::size_t(i) % items.size()];
            PreimageCopy copy;
            copy.pixels = pre[std::size_t(i) % pre.size()].clone();
            const double cpuStart = threadCpuMs();
            const auto start = Clock::now();
            panel.SetHistogramSource(std::move(copy));
            panel.ClearInfo();
            panel.FillInfo(item);
            panel.ShowInfo();
            updates.push_back(msSince(start));
            // Painted now in one pass, as the next frame would paint the
            // regions the update invalidated.
            const auto h = Clock::now();
            panel.repaint();
            histogramPaints.push_back(msSince(h));
            times.push_back(msSince(start));
            cpuTimes.push_back(threadCpuMs() - cpuStart);
        }
        infoMs = median(times);
        infoCpuMs = median(cpuTimes);
        std::vector<double> renders;
        for (int i = 0; i < rounds; ++i) {
            const auto r = Clock::now();
            const QImage frame = panel.histogram()->Render(panel.histogram()->size());
            renders.push_back(msSince(r));
        }
        histogramRenderMs = median(renders);
        infoUpdateMs = median(updates);
        histogramPaintMs = median(histogramPaints);
    }

    // --- mini preview against djpeg -scale 1/8 -------------------------------
    const fs::path dir = fs::temp_directory_path() / ("lumora-panels-" + std::to_string(getpid()));
    fs::create_directories(dir);
    const fs::path big = dir / "big24mp.jpg";
    std::printf("generating a 6000x4000 JPEG...\n");
    std::fflush(stdout);
    writeJpeg(big, 6000, 4000, 7);
    const bool djpeg = runTimed({"sh", "-c", "command -v djpeg >/dev/null"}) >= 0;
    std::vector<double> ours, theirs;
    {
        CMiniPreviewCtrl mini;
        mini.resize(302, 242); // client 300: decoded at 1/8
        mini.show();
        spinUntil([] { return false; }, 100);
        const ImageItem item = ImageItem::FromPath(big.string(), ImageKind::Jpeg);
        const int reps = quick ? 3 : 9;
        for (int r = 0; r < reps; ++r) {
            mini.DropImage();
            const auto start = Clock::now();
            mini.SetItem(item);
            if (!spinUntil([&] { return mini.hasImage(); }, 60000))
                break;
            mini.repaint();
            ours.push_back(msSince(start));
            spinUntil([&] { return !mini.decoding(); }, 60000);
            if (djpeg) {
                const double t =
                    runTimed({"djpeg", "-scale", "1/8", "-outfile", "/dev/null", big.string()});
                if (t >= 0)
                    theirs.push_back(t);
            }
        }
    }
    const double miniMs = median(ours);
    const double djpegMs = median(theirs);
    const double ratio = djpeg ? miniMs / djpegMs : NAN;

    // --- an arrow key held through 1,000 thumbnails ---------------------------
    std::vector<ImageItem> run;
    for (int i = 0; i < 4; ++i) {
        const fs::path p = dir / ("step" + std::to_string(i) + ".jpg");
        writeJpeg(p, 3000, 2000, 11 + unsigned(i));
        run.push_back(ImageItem::FromPath(p.string(), ImageKind::Jpeg));
    }
    const int steps = quick ? 200 : 1000;
    const int repeatMs = 33; // key repeat of about 30 per second
    int maxRunning = 0;
    long rssStart = 0, rssEnd = 0;
    int started = 0;
    {
        CMiniPreviewCtrl mini;
        mini.resize(302, 242);
        mini.show();
        spinUntil([] { return false; }, 100);
        CMiniPreviewCtrl::ResetMaxRunningDecodes();
        for (int i = 0; i < steps; ++i) {
            mini.SetItem(run[std::size_t(i) % run.size()]);
            if (i == steps / 10)
                rssStart = rssKb();
            QElapsedTimer t;
            t.start();
            spinUntil([&] { return t.elapsed() >= repeatMs; }, repeatMs + 50);
        }
        spinUntil([&] { return !mini.decoding(); }, 60000);
        rssEnd = rssKb();
        maxRunning = CMiniPreviewCtrl::MaxRunningDecodes();
        started = mini.decodesStarted();
    }
    CMiniPreviewCtrl::WaitForDecodes(60000);
    std::error_code ec;
    fs::remove_all(dir, ec);

    double load = NAN;
    if (std::ifstream loadavg("/proc/loadavg"); loadavg)
        loadavg >> load;
    std::printf("lumora-bench panels%s (load average %.2f)\n", quick ? " (quick)" : "", load);
    std::printf(
        "  info panel + histogram update   %8.3f ms median, CPU %.3f ms (goal <= 2 ms): rows and "
        "tables %.3f, panel paint %.3f (histogram drawing alone %.3f)\n",
        infoMs, infoCpuMs, infoUpdateMs, histogramPaintMs, histogramRenderMs);
    std::printf("  mini preview 24 MP              %8.1f ms   djpeg -scale 1/8 %8.1f ms   "
                "ratio %s (goal <= 1.2)\n",
                miniMs, djpegMs, jsonNumber(ratio).c_str());
    std::printf("  key held through %d items      %d decodes started, at most %d at once "
                "(goal 1), RSS %+ld kB\n",
                steps, started, maxRunning, rssEnd - rssStart);
    if (!djpeg)
        std::printf("  (djpeg not found: install libjpeg-turbo-progs)\n");
    if (json)
        std::printf("{\"info_panel_update_ms\":%s,\"mini_preview_ms\":%s,\"djpeg_scale8_ms\":%s,"
                    "\"mini_preview_vs_djpeg_scale8\":%s,\"queued_decodes_max\":%d,"
                    "\"info_panel_update_cpu_ms\":%s,\"load_average\":%s,"
                    "\"key_steps\":%d,\"decodes_started\":%d,\"rss_growth_kb\":%ld}\n",
                    jsonNumber(infoMs).c_str(), jsonNumber(miniMs).c_str(),
                    jsonNumber(djpegMs).c_str(), jsonNumber(ratio).c_str(), maxRunning,
                    jsonNumber(infoCpuMs).c_str(), jsonNumber(load).c_str(), steps, started,
                    rssEnd - rssStart);
    return 0;
}

BenchRegistrar registrar{BenchCommand{
    "panels",
    "information panel update, mini preview vs djpeg -scale 1/8, decodes while a key is held",
    runPanels}};

} // namespace
} // namespace lumora::bench

#endif // LUMORA_BENCH_WIDGETS
