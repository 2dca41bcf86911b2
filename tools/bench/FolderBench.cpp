// lumora-bench folder: the engine over generated folders of camera JPEGs
// (with and without EXIF thumbnails) and a stand-in view of 8 x 5 cells:
// time to the first screen of thumbnails, the shooting-information scan
// rate, thumbnail memory after scrolling through the list, the same scan
// by exiftool, and system calls per file for listing plus scanning; then
// whole-file thumbnails of big camera JPEGs without EXIF thumbnails: the
// decode pool against one worker and against vipsthumbnail on every core,
// and a second visit served by the shared thumbnail cache. --compare runs
// the quick engine figures of this build and of another lumora-bench in
// turns, for a side-by-side comparison on the same machine in one run.
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
#include <map>
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

// Syscalls of a child that lists and scans folder once (strace -f -c): the
// calls by name, with "total"; empty when it could not run.
std::map<std::string, long> countSyscalls(const std::string& self, const std::string& folder) {
    const std::string out = "/tmp/lumora-bench-strace-" + std::to_string(::getpid()) + ".txt";
    fs::remove(out);
    std::map<std::string, long> calls;
    if (runTimed({"strace", "-f", "-c", "-o", out, self, "folder", "--scan-once", folder}) < 0)
        return calls;
    std::ifstream in(out);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::vector<std::string> tokens;
        for (std::string w; words >> w;)
            tokens.push_back(w);
        // % time, seconds, usecs/call, calls, [errors,] name
        if (tokens.size() >= 5 && !tokens[3].empty() &&
            tokens[3].find_first_not_of("0123456789") == std::string::npos)
            calls[tokens.back()] = std::stol(tokens[3]);
    }
    fs::remove(out);
    return calls;
}

// Calls that touch files, as opposed to memory management (the thread heaps
// grow a page at a time) and thread wake-ups.
bool isFileCall(const std::string& name) {
    static const char* const names[] = {
        "open",       "openat",   "openat2",   "stat",       "fstat",  "lstat",   "newfstatat",
        "statx",      "read",     "pread64",   "readv",      "preadv", "preadv2", "close",
        "fcntl",      "access",   "faccessat", "faccessat2", "lseek",  "statfs",  "fstatfs",
        "getdents64", "readlink", "geteuid",   "getuid",     "capget"};
    for (const char* n : names)
        if (name == n)
            return true;
    return false;
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
    // Woken by the view instead of polling: the waiting thread's own calls
    // do not grow with the time the scan takes.
    view.WaitUntilSettled(300s);
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

// ---- this build against another one, side by side ---------------------------

// The number after "key": in a one-line JSON object, NAN when absent.
double jsonValue(const std::string& json, const std::string& key) {
    const std::string quoted = "\"" + key + "\":";
    const std::size_t at = json.find(quoted);
    if (at == std::string::npos)
        return NAN;
    const char* start = json.c_str() + at + quoted.size();
    char* end = nullptr;
    const double v = std::strtod(start, &end);
    return end == start ? NAN : v;
}

// Runs bench folder --quick --json (with the extra flags) and returns the
// JSON line it printed; empty when it failed. PATH holds only sh and strace,
// so the peer programs (exiftool) are left out of compared runs.
std::string quickRunJson(const std::string& bench, const std::vector<std::string>& flags,
                         const std::string& path) {
    const std::string out = "/tmp/lumora-bench-compare-" + std::to_string(::getpid()) + ".json";
    std::string command = "PATH='" + path + "' '" + bench + "' folder --quick --json";
    for (const auto& f : flags)
        command += " " + f;
    command += " > '" + out + "'";
    std::string json;
    if (runTimed({"sh", "-c", command}) >= 0) {
        std::ifstream in(out);
        for (std::string line; std::getline(in, line);)
            if (!line.empty() && line.front() == '{')
                json = line;
    }
    fs::remove(out);
    return json;
}

// A folder holding sh and strace only, for the compared runs' PATH.
std::string toolsOnlyPath() {
    const std::string dir = "/tmp/lumora-bench-compare-path-" + std::to_string(::getpid());
    fs::create_directories(dir);
    for (const char* tool : {"sh", "strace"}) {
        for (const char* where : {"/usr/bin/", "/bin/", "/usr/local/bin/"}) {
            const fs::path target = std::string(where) + tool;
            std::error_code ec;
            if (fs::exists(target)) {
                fs::create_symlink(target, fs::path(dir) / tool, ec);
                break;
            }
        }
    }
    return dir;
}

// --compare OTHER: the quick engine figures of this build and of the
// lumora-bench at OTHER (an older build, say), rounds times each, the order
// alternating, with medians and their ratios.
int compareFolder(const std::string& other, int rounds, bool json) {
    const std::string self = selfPath();
    const std::string path = toolsOnlyPath();
    const char* keys[] = {"syscalls_per_file",    "scan_files_per_s",
                          "first_screen_ms_1000", "first_screen_ms_1000_noexif",
                          "load_average",         "file_syscalls_per_file"};
    constexpr int kKeys = 6;
    std::vector<double> mine[kKeys], theirs[kKeys];
    std::printf("folder comparison: this build %s against %s, %d rounds, load average %.1f\n",
                self.c_str(), other.c_str(), rounds, loadAverage());
    std::printf("  round  side    syscalls/file  files/s  first screen ms  (no EXIF)  load\n");
    for (int r = 0; r < rounds; ++r) {
        for (int turn = 0; turn < 2; ++turn) {
            const bool selfTurn = (r % 2 == 0) == (turn == 0);
            std::string out = selfTurn ? quickRunJson(self, {"--engine-only"}, path)
                                       : quickRunJson(other, {"--engine-only"}, path);
            if (!selfTurn && out.empty())
                out = quickRunJson(other, {}, path); // a build without --engine-only
            if (out.empty()) {
                std::fprintf(stderr, "%s failed\n", selfTurn ? self.c_str() : other.c_str());
                return 1;
            }
            auto& into = selfTurn ? mine : theirs;
            for (int k = 0; k < kKeys; ++k)
                into[k].push_back(jsonValue(out, keys[k]));
            std::printf("  %5d  %-6s  %13.2f  %7.0f  %15.1f  %9.1f  %4.1f\n", r + 1,
                        selfTurn ? "this" : "other", into[0].back(), into[1].back(), into[2].back(),
                        into[3].back(), into[4].back());
            std::fflush(stdout);
        }
    }
    fs::remove_all(path);
    double m[kKeys], t[kKeys];
    for (int k = 0; k < kKeys; ++k) {
        m[k] = median(mine[k]);
        t[k] = median(theirs[k]);
    }
    std::printf("  medians: this %.2f syscalls/file (%.2f on files), %.0f files/s, first screen "
                "%.1f ms (%.1f without EXIF)\n",
                m[0], m[5], m[1], m[2], m[3]);
    std::printf("           other %.2f syscalls/file, %.0f files/s, first screen %.1f ms (%.1f "
                "without EXIF)\n",
                t[0], t[1], t[2], t[3]);
    std::printf("  this build: scan rate %+.1f %%, first screen %+.1f %% faster (%+.1f %% "
                "without EXIF); median load average %.1f\n",
                (m[1] / t[1] - 1) * 100, (t[2] / m[2] - 1) * 100, (t[3] / m[3] - 1) * 100,
                median(mine[4]));
    if (json) {
        std::string out = "{";
        for (int k = 0; k < kKeys; ++k) {
            jsonField(out, (std::string("this_") + keys[k]).c_str(), m[k]);
            jsonField(out, (std::string("other_") + keys[k]).c_str(), t[k]);
        }
        out += "}";
        std::printf("%s\n", out.c_str());
    }
    return 0;
}

int runFolder(const std::vector<std::string>& args) {
    bool quick = false;
    bool json = false;
    bool thumbsOnly = false;
    bool engineOnly = false;
    int files = 0;
    std::string other;
    int rounds = 5;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--quick")
            quick = true;
        else if (args[i] == "--files" && i + 1 < args.size())
            files = std::max(1, std::atoi(args[++i].c_str()));
        else if (args[i] == "--thumbs-only")
            thumbsOnly = true;
        else if (args[i] == "--engine-only")
            engineOnly = true;
        else if (args[i] == "--compare" && i + 1 < args.size())
            other = args[++i];
        else if (args[i] == "--rounds" && i + 1 < args.size())
            rounds = std::max(1, std::atoi(args[++i].c_str()));
        else if (args[i] == "--json")
            json = true;
        else if (args[i] == "--scan-once" && i + 1 < args.size())
            return scanOnce(args[i + 1]);
        else {
            std::fprintf(stderr, "usage: lumora-bench folder [--quick] [--thumbs-only | "
                                 "--engine-only] [--files N] [--json]\n"
                                 "       lumora-bench folder --compare OTHER-BENCH [--rounds N] "
                                 "[--json]\n");
            return 2;
        }
    }
    if (!other.empty())
        return compareFolder(other, rounds, json);
    const double load = loadAverage();
    std::printf("folder benchmark (%s): stand-in view %d x %d cells, warm cache, load average "
                "%.1f on %u cores\n",
                quick ? "quick" : "full", kColumns, kRows, load,
                std::thread::hardware_concurrency());
    std::string out = "{";
    jsonField(out, "load_average", load);
    if (!thumbsOnly)
        engineFigures(out, quick);
    if (!engineOnly) {
        const ThumbFigures thumbs = wholeFileThumbnails(quick, files);
        const double cores = std::max(1u, std::thread::hardware_concurrency());
        jsonField(out, "full_decode_thumbs_vs_ideal",
                  thumbs.poolMs / (thumbs.singleWorkerMs / cores));
        jsonField(out, "full_decode_thumbs_cpu_vs_single",
                  thumbs.poolCpuMs / thumbs.singleWorkerCpuMs);
        jsonField(out, "full_decode_pool_cores_used", thumbs.poolCpuMs / thumbs.poolMs);
        jsonField(out, "thumbs_vs_vipsthumbnail_all_cores", thumbs.poolMs / thumbs.vipsMs);
        jsonField(out, "second_visit_all_s", thumbs.secondAllMs / 1000.0);
        jsonField(out, "second_visit_first_screen_ms", thumbs.secondFirstScreenMs);
    }
    const double loadAfter = loadAverage();
    std::printf("  load average at the end %.1f\n", loadAfter);
    jsonField(out, "load_average_end", loadAfter);
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
    double filePerFile = NAN;
    const std::string self = selfPath();
    if (haveProgram("strace") && !self.empty()) {
        const std::string empty = "/tmp/lumora-bench-folder-empty";
        fs::create_directories(empty);
        const std::string dir = quick ? exif1k : exif10k;
        const int count = quick ? 1000 : 10000;
        const auto base = countSyscalls(self, empty);
        const auto full = countSyscalls(self, dir);
        if (base.count("total") && full.count("total")) {
            const auto more = [&](const std::string& name) {
                const auto b = base.find(name);
                const auto f = full.find(name);
                return (f == full.end() ? 0 : f->second) - (b == base.end() ? 0 : b->second);
            };
            perFile = static_cast<double>(more("total")) / count;
            long fileCalls = 0;
            std::string split;
            for (const auto& [name, n] : full) {
                if (name == "total")
                    continue;
                const long d = more(name);
                if (isFileCall(name))
                    fileCalls += d;
                if (d >= count / 100) {
                    char part[64];
                    std::snprintf(part, sizeof part, "%s%s %.2f", split.empty() ? "" : ", ",
                                  name.c_str(), static_cast<double>(d) / count);
                    split += part;
                }
            }
            filePerFile = static_cast<double>(fileCalls) / count;
            std::printf("  system calls: %ld for %d files, %ld for an empty folder: %.2f per file, "
                        "%.2f of them on files\n    per file: %s\n",
                        full.at("total"), count, base.at("total"), perFile, filePerFile,
                        split.c_str());
        }
    } else {
        std::printf("  strace not installed: no system-call count\n");
    }
    jsonField(out, "syscalls_per_file", perFile);
    jsonField(out, "file_syscalls_per_file", filePerFile);
}

const BenchRegistrar registrar{
    {"folder",
     "engine over 1,000/10,000-file folders: first screen, scan rate, "
     "memory, exiftool peer, syscalls, whole-file thumbnails and the shared cache",
     runFolder}};

} // namespace
} // namespace lumora::bench
