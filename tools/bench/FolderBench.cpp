// lumora-bench folder: the engine over generated folders of camera JPEGs
// (with and without EXIF thumbnails) and a stand-in view of 8 x 5 cells:
// time to the first screen of thumbnails, the shooting-information scan
// rate, thumbnail memory after scrolling through the list, the same scan
// by exiftool, and system calls per file for listing plus scanning; then
// whole-file thumbnails of big camera JPEGs without EXIF thumbnails: the
// decode pool against one worker and against vipsthumbnail on every core,
// and a second visit served by the shared thumbnail cache.
#include "BenchCommands.h"
#include "BenchSupport.h"

#include "HeadlessThumbnailView.h"
#include "engine/ImageItemList.h"
#include "engine/ThumbnailEngine.h"
#include "imaging/CachedThumbnail.h"
#include "imaging/ImageTools.h"
#include "imaging/PictureDecoder.h"
#include "imaging/ThumbnailDecoder.h"
#include "samples/SampleGen.h"

#include <QCoreApplication>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace lumora::bench {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr int kColumns = 8;
constexpr int kRows = 5; // 40 visible cells

// Makes (or reuses) a folder of count camera JPEGs. The first 1,000 files
// are generated; larger folders repeat their bytes under further names.
std::string makeFolder(int count, bool withThumbnail) {
    samples::CameraJpegOptions base;
    base.camera = samples::canonCamera();
    base.withThumbnail = withThumbnail;
    return makeRepeatedFolder("/tmp/lumora-bench-folder-" + std::to_string(count) +
                                  (withThumbnail ? "-exif" : "-plain"),
                              count, 1000, base, "IMG_%05d.JPG");
}

struct LoadFigures {
    double firstScreenMs = NAN;
    double firstScreenCpuMs = NAN; // CPU spent by all threads until then
    double scannedMs = NAN;
    double memoryAfterScrollMb = NAN;
    double peakMemoryMb = NAN;
};

// One load of folder through a fresh engine and stand-in view.
LoadFigures loadOnce(const std::string& folder, bool scroll) {
    coreApp();
    LoadFigures figures;
    ImageItemList list;
    HeadlessThumbnailView view(list, kColumns, kRows);
    CThumbnailEngine engine(&view, &list);
    engine.SetThumbnailMaker(DecodeThumbnail);
    view.SetEngine(&engine);
    engine.Start();

    view.SetBusy(true);
    const double cpuStart = processCpuMs();
    const auto start = Clock::now();
    engine.LoadFolder(folder + "/");
    if (view.WaitUntil([&] { return list.Count() > 0; }, 60s) && view.WaitForVisibleDrawn(60s)) {
        figures.firstScreenMs = msBetween(start, Clock::now());
        figures.firstScreenCpuMs = processCpuMs() - cpuStart;
    }
    if (view.WaitUntil([&] { return !view.IsBusy(); }, 300s))
        figures.scannedMs = msBetween(start, Clock::now());

    if (scroll) {
        std::size_t peak = list.PixelBytes();
        const int rows = (list.Count() + kColumns - 1) / kColumns;
        for (int top = kRows; top < rows; top += kRows) {
            view.ScrollTo(top);
            view.WaitForVisibleDrawn(30s);
            peak = std::max(peak, list.PixelBytes());
        }
        figures.memoryAfterScrollMb = list.PixelBytes() / 1e6;
        figures.peakMemoryMb = peak / 1e6;
    }
    engine.Shutdown(10000);
    return figures;
}

// Syscalls of a child that lists and scans folder once (strace -f -c).
long countSyscalls(const std::string& self, const std::string& folder) {
    const std::string out = "/tmp/lumora-bench-strace.txt";
    fs::remove(out);
    if (runTimed({"strace", "-f", "-c", "-o", out, self, "folder", "--scan-once", folder}) < 0)
        return -1;
    std::ifstream in(out);
    std::string line;
    long total = -1;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::vector<std::string> tokens;
        for (std::string w; words >> w;)
            tokens.push_back(w);
        if (tokens.size() >= 5 && tokens.back() == "total")
            total = std::stol(tokens[3]);
    }
    return total;
}

// --scan-once DIR: load and scan one folder, nothing else (for strace).
int scanOnce(const std::string& folder) {
    coreApp();
    ImageItemList list;
    HeadlessThumbnailView view(list, kColumns, kRows);
    CThumbnailEngine engine(&view, &list);
    engine.SetThumbnailMaker(DecodeThumbnail);
    view.SetEngine(&engine);
    engine.Start();
    view.SetBusy(true);
    engine.LoadFolder(folder + "/");
    // Coarse polling keeps the waiting thread's own calls few.
    const auto deadline = Clock::now() + 300s;
    while (Clock::now() < deadline) {
        std::this_thread::sleep_for(50ms);
        if (!view.IsBusy() || (list.Count() == 0 && view.Counts().watchStarts > 0))
            break;
    }
    engine.Shutdown(10000);
    return 0;
}

// ---- whole-file thumbnails and the shared cache ------------------------------

// A folder of count big JPEGs without EXIF thumbnails. A few dozen distinct
// pictures are encoded (that is slow at 24 MP) and repeated under the other
// names; every file is still decoded on its own.
std::string bigFolderName(int count, int width, int height) {
    return "/tmp/lumora-bench-big-" + std::to_string(count) + "-" + std::to_string(width) + "x" +
           std::to_string(height);
}

std::string makeBigFolder(int count, int width, int height) {
    // A smaller folder takes the first files of the full one when it is made.
    const std::string dir = bigFolderName(count, width, height);
    const std::string full = bigFolderName(1000, width, height);
    if (count < 1000 && !fs::exists(dir + "/.complete") && fs::exists(full + "/.complete")) {
        fs::remove_all(dir);
        fs::create_directories(dir);
        for (int i = 0; i < count; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "DSC_%05d.JPG", i + 1);
            fs::copy_file(fs::path(full) / name, fs::path(dir) / name);
        }
        std::ofstream(dir + "/.complete") << count;
        return dir;
    }
    samples::CameraJpegOptions base;
    base.camera = samples::canonCamera();
    base.withThumbnail = false;
    base.width = width;
    base.height = height;
    return makeRepeatedFolder(dir, count, 24, base, "DSC_%05d.JPG");
}

// Reads every file once so that all runs start from a warm file cache.
void warmFiles(const std::string& dir) {
    std::vector<char> buffer(1 << 20);
    for (const auto& e : fs::directory_iterator(dir)) {
        std::FILE* f = std::fopen(e.path().c_str(), "rb");
        if (!f)
            continue;
        while (std::fread(buffer.data(), 1, buffer.size(), f) > 0) {
        }
        std::fclose(f);
    }
}

// One visit of folder in a view of columns x rows cells with a 160 x 120
// box: ms until every visible cell holds its thumbnail (NAN on timeout).
// decodeThreads 0 makes every thumbnail on the worker; cacheRoot empty
// means no cache.
double visitMs(const std::string& folder, int columns, int rows, int decodeThreads,
               const std::string& cacheRoot, double* cpuMs = nullptr) {
    coreApp();
    ImageItemList list;
    HeadlessThumbnailView view(list, columns, rows);
    view.SetThumbnailBox(ThumbnailBox{160, 120, true});
    CThumbnailEngine engine(&view, &list);
    if (cacheRoot.empty())
        engine.SetThumbnailMaker(DecodeThumbnail);
    else
        engine.SetThumbnailMaker(CachedThumbnailMaker(
            std::make_shared<CThumbnailCache>(QString::fromStdString(cacheRoot))));
    engine.SetDecodeThreads(decodeThreads);
    view.SetEngine(&engine);
    engine.Start();
    view.SetBusy(true);
    const double cpuStart = processCpuMs();
    const auto start = Clock::now();
    engine.LoadFolder(folder + "/");
    double ms = NAN;
    if (view.WaitUntil([&] { return list.Count() > 0; }, 60s) && view.WaitForVisibleDrawn(600s))
        ms = msBetween(start, Clock::now());
    if (cpuMs)
        *cpuMs = processCpuMs() - cpuStart;
    engine.Shutdown(10000);
    return ms;
}

// Where one file's time goes on one thread, in ms of CPU per file over the
// first files of dir: the whole-file thumbnail alone, the same through an
// empty cache (lookups, the cache's own reduction and its PNG written),
// and the PNG entry written alone.
void perFileBreakdown(const std::string& dir, int files) {
    std::vector<fs::path> paths;
    for (const auto& e : fs::directory_iterator(dir))
        if (e.path().extension() == ".JPG")
            paths.push_back(e.path());
    std::sort(paths.begin(), paths.end());
    if (paths.size() > static_cast<std::size_t>(files))
        paths.resize(static_cast<std::size_t>(files));
    if (paths.empty())
        return;
    const ThumbnailBox box{160, 120, true};
    const std::string root =
        "/tmp/lumora-bench-breakdown-" + std::to_string(::getpid()) + "/thumbnails";
    fs::remove_all(fs::path(root).parent_path());
    const CThumbnailCache cache(QString::fromStdString(root));
    const auto threadCpuMs = [] {
        timespec t{};
        ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
    };
    const auto item = [](const fs::path& p) {
        ImageItem it = ImageItem::FromPath(p.string(), ImageKind::Jpeg);
        it.useEmbedded = false;
        return it;
    };
    double decode = 0, cached = 0, store = 0;
    QImage sample;
    for (const auto& p : paths) {
        ImageItem a = item(p);
        double t0 = threadCpuMs();
        DecodeThumbnail(a, box);
        decode += threadCpuMs() - t0;
        ImageItem b = item(p);
        t0 = threadCpuMs();
        DecodeThumbnailCached(b, box, &cache);
        cached += threadCpuMs() - t0;
        if (sample.isNull() && !a.thumb.preimageBits.isNull())
            sample = QImageFromDib(CImageTools::ResizeArea(a.thumb.preimageBits, 256, 171));
    }
    // New entries, as on a first visit (the entries above are written anew).
    fs::remove_all(fs::path(root).parent_path());
    for (const auto& p : paths) {
        const auto source = CacheSourceForFile(QString::fromStdString(p.string()));
        const double t0 = threadCpuMs();
        if (source)
            cache.Store(*source, CThumbnailCache::Flavor::Large, sample, {});
        store += threadCpuMs() - t0;
    }
    fs::remove_all(fs::path(root).parent_path());
    const double n = static_cast<double>(paths.size());
    std::printf("    per file on one thread (CPU): thumbnail %.2f ms; through an empty cache %.2f "
                "ms (+%.2f); a 256-pixel entry written alone %.2f ms\n",
                decode / n, cached / n, (cached - decode) / n, store / n);
}

struct ThumbFigures {
    double singleWorkerMs = NAN;
    double singleWorkerCpuMs = NAN;
    double poolMs = NAN;
    double poolCpuMs = NAN;
    double vipsMs = NAN;
    double secondAllMs = NAN;
    double secondFirstScreenMs = NAN;
};

// count 0: 1,000 files (100 smaller ones when quick).
ThumbFigures wholeFileThumbnails(bool quick, int files) {
    ThumbFigures f;
    const int count = files > 0 ? files : quick ? 100 : 1000;
    const int width = quick ? 3000 : 6000, height = quick ? 2000 : 4000;
    const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    const std::string dir = makeBigFolder(count, width, height);
    warmFiles(dir);
    const int allRows = (count + kColumns - 1) / kColumns; // every item on screen
    const std::string cacheRoot =
        "/tmp/lumora-bench-thumbcache-" + std::to_string(::getpid()) + "/thumbnails";
    const std::string singleCacheRoot =
        "/tmp/lumora-bench-thumbcache-single-" + std::to_string(::getpid()) + "/thumbnails";
    fs::remove_all(fs::path(cacheRoot).parent_path());
    fs::remove_all(fs::path(singleCacheRoot).parent_path());

    // The one-worker run and the pool run do the same work: the same files
    // from the same warm file cache, each into an empty thumbnail cache of
    // its own, so both write every entry. A first short visit warms the
    // decoders and the allocator for both.
    visitMs(dir, kColumns, kRows, cores, {});
    perFileBreakdown(dir, std::min(count, 24));
    double plainSingleCpu = NAN, plainPoolCpu = NAN;
    f.singleWorkerMs = visitMs(dir, kColumns, allRows, 0, singleCacheRoot, &f.singleWorkerCpuMs);
    f.poolMs = visitMs(dir, kColumns, allRows, cores, cacheRoot, &f.poolCpuMs); // fills the cache
    const double plainSingleMs = visitMs(dir, kColumns, allRows, 0, {}, &plainSingleCpu);
    const double plainPoolMs = visitMs(dir, kColumns, allRows, cores, {}, &plainPoolCpu);
    fs::remove_all(fs::path(singleCacheRoot).parent_path());
    std::printf("    with cache writes: one worker %.0f ms wall, %.0f ms CPU; pool %.0f ms wall, "
                "%.0f ms CPU (%.2f ms CPU per file more)\n",
                f.singleWorkerMs, f.singleWorkerCpuMs, f.poolMs, f.poolCpuMs,
                (f.poolCpuMs - f.singleWorkerCpuMs) / count);
    std::printf("    without cache:     one worker %.0f ms wall, %.0f ms CPU; pool %.0f ms wall, "
                "%.0f ms CPU = %.2f x the ideal; cache writes cost %.2f ms CPU per file\n",
                plainSingleMs, plainSingleCpu, plainPoolMs, plainPoolCpu,
                plainPoolMs / (plainSingleMs / cores),
                (f.singleWorkerCpuMs - plainSingleCpu) / count);
    if (haveProgram("vipsthumbnail")) {
        const std::string out = "/tmp/lumora-bench-vips-" + std::to_string(::getpid());
        fs::create_directories(out);
        const std::string command = "ls " + dir + "/*.JPG | xargs -P " + std::to_string(cores) +
                                    " -n 16 vipsthumbnail --size 160x120 -o " + out + "/%s.jpg";
        f.vipsMs = runTimed({"sh", "-c", command});
        if (f.vipsMs < 0)
            f.vipsMs = NAN;
        fs::remove_all(out);
    }
    f.secondAllMs = visitMs(dir, kColumns, allRows, cores, cacheRoot);
    std::vector<double> firstScreens;
    for (int i = 0; i < 3; ++i)
        firstScreens.push_back(visitMs(dir, kColumns, kRows, cores, cacheRoot));
    f.secondFirstScreenMs = median(firstScreens);
    fs::remove_all(fs::path(cacheRoot).parent_path());

    const double ideal = f.singleWorkerMs / cores;
    std::printf("  %d JPEGs of %d x %d without EXIF thumbnails, box 160 x 120, %d cores:\n", count,
                width, height, cores);
    std::printf("    one worker %.0f ms; pool %.0f ms = %.2f x the ideal %.0f ms (the pool run had "
                "%.2f cores on average, the one-worker run %.2f)\n",
                f.singleWorkerMs, f.poolMs, f.poolMs / ideal, ideal, f.poolCpuMs / f.poolMs,
                f.singleWorkerCpuMs / f.singleWorkerMs);
    if (std::isnan(f.vipsMs))
        std::printf("    vipsthumbnail not installed (scripts/install-deps --bench): no peer\n");
    else
        std::printf("    vipsthumbnail on %d cores %.0f ms: pool takes %.2f x its time\n", cores,
                    f.vipsMs, f.poolMs / f.vipsMs);
    std::printf("    second visit: all %.2f s, first screen %.1f ms\n", f.secondAllMs / 1000.0,
                f.secondFirstScreenMs);
    return f;
}

std::string selfPath() {
    char buf[4096];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0)
        return {};
    buf[n] = 0;
    return buf;
}

void jsonField(std::string& json, const char* key, double value) {
    if (json.size() > 1)
        json += ", ";
    json += "\"" + std::string(key) + "\": " + jsonNumber(value, "%.3f");
}

void engineFigures(std::string& out, bool quick);

double loadAverage() {
    double load = NAN;
    if (std::FILE* f = std::fopen("/proc/loadavg", "r")) {
        if (std::fscanf(f, "%lf", &load) != 1)
            load = NAN;
        std::fclose(f);
    }
    return load;
}

int runFolder(const std::vector<std::string>& args) {
    bool quick = false;
    bool json = false;
    bool thumbsOnly = false;
    int files = 0;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--quick")
            quick = true;
        else if (args[i] == "--files" && i + 1 < args.size())
            files = std::max(1, std::atoi(args[++i].c_str()));
        else if (args[i] == "--thumbs-only")
            thumbsOnly = true;
        else if (args[i] == "--json")
            json = true;
        else if (args[i] == "--scan-once" && i + 1 < args.size())
            return scanOnce(args[i + 1]);
        else {
            std::fprintf(stderr, "usage: lumora-bench folder [--quick] [--thumbs-only] "
                                 "[--files N] [--json]\n");
            return 2;
        }
    }
    const double load = loadAverage();
    std::printf("folder benchmark (%s): stand-in view %d x %d cells, warm cache, load average "
                "%.1f on %u cores\n",
                quick ? "quick" : "full", kColumns, kRows, load,
                std::thread::hardware_concurrency());
    std::string out = "{";
    jsonField(out, "load_average", load);
    if (!thumbsOnly)
        engineFigures(out, quick);
    const ThumbFigures thumbs = wholeFileThumbnails(quick, files);
    const double cores = std::max(1u, std::thread::hardware_concurrency());
    const double loadAfter = loadAverage();
    std::printf("  load average at the end %.1f\n", loadAfter);
    jsonField(out, "load_average_end", loadAfter);
    jsonField(out, "full_decode_thumbs_vs_ideal", thumbs.poolMs / (thumbs.singleWorkerMs / cores));
    jsonField(out, "full_decode_thumbs_cpu_vs_single", thumbs.poolCpuMs / thumbs.singleWorkerCpuMs);
    jsonField(out, "full_decode_pool_cores_used", thumbs.poolCpuMs / thumbs.poolMs);
    jsonField(out, "thumbs_vs_vipsthumbnail_all_cores", thumbs.poolMs / thumbs.vipsMs);
    jsonField(out, "second_visit_all_s", thumbs.secondAllMs / 1000.0);
    jsonField(out, "second_visit_first_screen_ms", thumbs.secondFirstScreenMs);
    out += "}";
    if (json)
        std::printf("%s\n", out.c_str());
    return 0;
}

// The list, scan, memory, exiftool and system-call figures.
void engineFigures(std::string& out, bool quick) {
    const int runs = quick ? 1 : 3;
    const std::string exif1k = makeFolder(1000, true);
    const std::string plain1k = makeFolder(1000, false);
    const std::string exif10k = makeFolder(10000, true);
    const std::string plain10k = quick ? std::string() : makeFolder(10000, false);

    double scanRate10k = NAN;
    double firstScreen10k = NAN;
    struct Case {
        std::string dir;
        int count;
        const char* label;
    };
    std::vector<Case> cases = {{exif1k, 1000, "1000 with EXIF thumbnails"},
                               {plain1k, 1000, "1000 without EXIF thumbnails"},
                               {exif10k, 10000, "10000 with EXIF thumbnails"}};
    if (!quick)
        cases.push_back({plain10k, 10000, "10000 without EXIF thumbnails"});
    for (const auto& c : cases) {
        loadOnce(c.dir, false); // warm the caches
        std::vector<double> first, firstCpu, scanned;
        for (int r = 0; r < runs; ++r) {
            LoadFigures f = loadOnce(c.dir, false);
            first.push_back(f.firstScreenMs);
            firstCpu.push_back(f.firstScreenCpuMs);
            scanned.push_back(f.scannedMs);
        }
        const double firstMs = median(first);
        const double firstCpuMs = median(firstCpu);
        const double scanMs = median(scanned);
        const double rate = c.count / (scanMs / 1000.0);
        std::printf("  %-30s first screen %7.1f ms (CPU %6.1f ms)   all scanned %7.1f ms   %7.0f "
                    "files/s\n",
                    c.label, firstMs, firstCpuMs, scanMs, rate);
        const std::string key =
            std::to_string(c.count) + (c.dir.find("-plain") != std::string::npos ? "_noexif" : "");
        jsonField(out, ("first_screen_ms_" + key).c_str(), firstMs);
        jsonField(out, ("first_screen_cpu_ms_" + key).c_str(), firstCpuMs);
        jsonField(out, ("scan_ms_" + key).c_str(), scanMs);
        if (c.dir == exif10k) {
            scanRate10k = rate;
            firstScreen10k = firstMs;
        }
    }
    (void)firstScreen10k;
    jsonField(out, "scan_files_per_s", scanRate10k);

    // Memory after scrolling through the whole list.
    const std::string scrollDir = quick ? exif1k : exif10k;
    const int scrollCount = quick ? 1000 : 10000;
    LoadFigures scrolled = loadOnce(scrollDir, true);
    std::printf("  thumbnail memory after scrolling %d items: %.2f MB (peak %.2f MB)\n",
                scrollCount, scrolled.memoryAfterScrollMb, scrolled.peakMemoryMb);
    jsonField(out, "thumbnail_memory_mb_after_scroll", scrolled.memoryAfterScrollMb);
    jsonField(out, "thumbnail_memory_mb_peak", scrolled.peakMemoryMb);

    // The peer: exiftool over the same folder.
    double vsExiftool = NAN;
    if (haveProgram("exiftool")) {
        const std::string dir = quick ? exif1k : exif10k;
        const int count = quick ? 1000 : 10000;
        runTimed({"exiftool", "-fast2", "-T", "-ExposureTime", "-FNumber", "-ISO", dir});
        const double ms =
            runTimed({"exiftool", "-fast2", "-T", "-ExposureTime", "-FNumber", "-ISO", dir});
        if (ms > 0) {
            const double peerRate = count / (ms / 1000.0);
            vsExiftool = scanRate10k / peerRate;
            std::printf("  exiftool -fast2 over %d files: %.0f ms (%.0f files/s); engine %.1f x "
                        "faster\n",
                        count, ms, peerRate, vsExiftool);
            jsonField(out, "exiftool_files_per_s", peerRate);
        }
    } else {
        std::printf("  exiftool not installed: no peer figure\n");
    }
    jsonField(out, "scan_vs_exiftool", vsExiftool);

    // System calls per file for listing plus scanning.
    double perFile = NAN;
    const std::string self = selfPath();
    if (haveProgram("strace") && !self.empty()) {
        const std::string empty = "/tmp/lumora-bench-folder-empty";
        fs::create_directories(empty);
        const std::string dir = quick ? exif1k : exif10k;
        const int count = quick ? 1000 : 10000;
        const long base = countSyscalls(self, empty);
        const long full = countSyscalls(self, dir);
        if (base >= 0 && full >= 0) {
            perFile = static_cast<double>(full - base) / count;
            std::printf(
                "  system calls: %ld for %d files, %ld for an empty folder: %.2f per file\n", full,
                count, base, perFile);
        }
    } else {
        std::printf("  strace not installed: no system-call count\n");
    }
    jsonField(out, "syscalls_per_file", perFile);
}

const BenchRegistrar registrar{
    {"folder",
     "engine over 1,000/10,000-file folders: first screen, scan rate, "
     "memory, exiftool peer, syscalls, whole-file thumbnails and the shared cache",
     runFolder}};

} // namespace
} // namespace lumora::bench
