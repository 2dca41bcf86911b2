// lumora-bench worksheet: reading a worksheet-list file of 10,000 entries
// until the first screen of its worksheet is drawn (list read, entries
// checked, a fresh engine and stand-in view of 8 x 5 cells, the add
// request, the visible thumbnails), and the export copy against cp on the
// same files, side by side: the same file list into a fresh folder of the
// same filesystem, each copy starting after the earlier copies were deleted
// and nothing is left dirty, in rounds that alternate which goes first.
// Each pair of rounds (one with each order) gives a ratio of the summed
// times, and the figure is the median of these; it is given for the copy as
// the user waits for it (the data in the page cache) and, separately, until
// its data is written back (syncfs of the destination).
#include "BenchCommands.h"
#include "BenchSupport.h"

#include "HeadlessThumbnailView.h"
#include "engine/ImageItemList.h"
#include "engine/ThumbnailEngine.h"
#include "imaging/ThumbnailDecoder.h"
#include "samples/SampleGen.h"
#include "thumbnails/WorkSheetExport.h"
#include "thumbnails/WorkSheetFile.h"

#include <QCoreApplication>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace lumora::bench {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// The same folders as the folder benchmark (shared, made once).
std::string cameraFolder(int count) {
    samples::CameraJpegOptions base;
    base.camera = samples::canonCamera();
    base.withThumbnail = true;
    return makeRepeatedFolder("/tmp/lumora-bench-folder-" + std::to_string(count) + "-exif", count,
                              1000, base, "IMG_%05d.JPG");
}

// Reads the list and shows it in a fresh worksheet view, as the list
// container does; ms until every visible cell has its thumbnail.
double readListToFirstScreen(const std::string& listPath, int expected) {
    coreApp();
    const auto start = Clock::now();
    WorkSheetList list;
    if (ReadWorkSheetList(listPath, list) != WorkSheetReadStatus::Ok)
        return NAN;
    ResolvedEntries entries = ResolveWorkSheetEntries(list);
    ImageItemList items;
    HeadlessThumbnailView view(items, 8, 5);
    CThumbnailEngine engine(&view, &items);
    engine.SetThumbnailMaker(DecodeThumbnail);
    view.SetEngine(&engine);
    engine.Start();
    auto request = std::make_unique<AddFilesRequest>();
    request->paths = std::move(entries.existing);
    request->rescan = true;
    engine.AddFiles(std::move(request));
    double ms = NAN;
    if (view.WaitUntil([&] { return items.Count() == expected; }, 120s) &&
        view.WaitForVisibleDrawn(60s))
        ms = msSince(start);
    engine.Shutdown(10000);
    return ms;
}

// Runs argv quietly; wall ms, NAN on failure.
double runQuietly(const std::vector<std::string>& argv) {
    const double ms = runTimed(argv);
    return ms < 0 ? NAN : ms;
}

class Sink : public QObject {
public:
    int copied = -1;
    bool event(QEvent* e) override {
        if (auto* done = MessageCast<ExportDoneMessage>(e)) {
            copied = done->copied;
            return true;
        }
        return QObject::event(e);
    }
};

// The export worker copying the files into destination, as the program
// runs it (in-process, on its own thread); wall ms, NAN when a copy failed.
double exportTimed(const std::vector<std::string>& files, const std::string& destination) {
    coreApp();
    Sink sink;
    std::vector<ExportPair> pairs;
    for (const std::string& f : files)
        pairs.push_back({f, ExportDestination(destination, fs::path(f).filename().string())});
    const auto start = Clock::now();
    {
        CExportWorker worker(&sink, std::move(pairs));
        worker.Start();
        worker.Join();
    }
    const double ms = msSince(start);
    QCoreApplication::sendPostedEvents(&sink);
    return sink.copied == int(files.size()) ? ms : NAN;
}

struct CopyTimes {
    double copyMs = NAN;    // until the copy returns
    double writtenMs = NAN; // and its data is written back
};

// Runs one copy into destination, made anew after the folders in clear
// (destination among them) were deleted, starting with nothing dirty on the
// filesystem: whichever copy goes first or second finds the same state.
template <typename Copy>
CopyTimes timedCopy(const std::vector<std::string>& clear, const std::string& destination,
                    Copy copy) {
    CopyTimes t;
    for (const std::string& d : clear)
        fs::remove_all(d);
    fs::create_directories(destination);
    const int dir = ::open(destination.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0)
        return t;
    ::syncfs(dir);
    const auto start = Clock::now();
    t.copyMs = copy();
    ::syncfs(dir);
    t.writtenMs = std::isnan(t.copyMs) ? NAN : msSince(start);
    ::close(dir);
    return t;
}

void jsonField(std::string& json, const char* key, double value) {
    if (json.size() > 1)
        json += ", ";
    json += "\"" + std::string(key) + "\": " + jsonNumber(value, "%.3f");
}

int runWorksheet(const std::vector<std::string>& args) {
    bool quick = false;
    bool json = false;
    for (const std::string& a : args) {
        if (a == "--quick")
            quick = true;
        else if (a == "--json")
            json = true;
        else {
            std::fprintf(stderr, "usage: lumora-bench worksheet [--quick] [--json]\n");
            return 2;
        }
    }
    const int runs = quick ? 3 : 5;
    std::printf("worksheet benchmark (%s), %u cores\n", quick ? "quick" : "full",
                std::thread::hardware_concurrency());

    // 1. A list of 10,000 entries until its first screen (warm cache).
    const std::string folder = cameraFolder(10000);
    std::vector<std::string> paths;
    for (const auto& e : fs::directory_iterator(folder))
        if (e.path().extension() == ".JPG")
            paths.push_back(e.path().string());
    std::sort(paths.begin(), paths.end());
    // Shuffled, as hand-picked files come in no particular order.
    std::shuffle(paths.begin(), paths.end(), std::mt19937(12345));
    const std::string listPath = "/tmp/lumora-bench-worksheet-10000.lsl";
    WriteWorkSheetList(listPath, "ベンチマーク", paths);
    readListToFirstScreen(listPath, int(paths.size())); // warm
    std::vector<double> firstScreen;
    for (int r = 0; r < runs; ++r)
        firstScreen.push_back(readListToFirstScreen(listPath, int(paths.size())));
    const double firstMs = median(firstScreen);
    std::printf("  .lsl of %zu entries to its first screen: %.1f ms (median of %d)\n", paths.size(),
                firstMs, runs);

    // 2. Export against cp, side by side on the same files.
    const int files = quick ? 60 : 200;
    const std::size_t bytes = std::size_t(quick ? 4 : 8) << 20;
    const std::string src = "/tmp/lumora-bench-export-src-" + std::to_string(files);
    if (!fs::exists(src + "/.complete")) {
        fs::remove_all(src);
        fs::create_directories(src);
        std::vector<char> block(bytes);
        std::mt19937 rng(7);
        for (char& c : block)
            c = char(rng());
        for (int i = 0; i < files; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "IMG_%04d.CR2", i);
            std::ofstream(src + "/" + name, std::ios::binary)
                .write(block.data(), std::streamsize(block.size()));
        }
        std::ofstream(src + "/.complete") << files;
    }
    std::vector<std::string> sources;
    for (const auto& e : fs::directory_iterator(src))
        if (e.path().extension() == ".CR2")
            sources.push_back(e.path().string());
    std::sort(sources.begin(), sources.end());
    const std::string dstCp = "/tmp/lumora-bench-export-cp";
    const std::string dstUs = "/tmp/lumora-bench-export-us";
    std::vector<double> cpStarts;
    std::vector<std::string> cpArgs = {"cp", "-f"};
    cpArgs.insert(cpArgs.end(), sources.begin(), sources.end());
    cpArgs.push_back(dstCp);
    // The export runs in the program that is already running; cp pays for
    // starting a process (spawn, exec, dynamic linking) on every run, so
    // the start of a cp of one empty file, timed in every round, is taken
    // off its times.
    const std::string empty = src + "/.empty";
    std::ofstream{empty};
    const std::string dstStart = "/tmp/lumora-bench-export-start";
    fs::create_directories(dstStart);
    const std::vector<std::string> cpStartArgs = {"cp", "-f", empty, dstStart};
    const auto cpCopy = [&] { return runQuietly(cpArgs); };
    const auto usCopy = [&] { return exportTimed(sources, dstUs); };
    const std::vector<std::string> both = {dstCp, dstUs};
    // The first round warms the caches and is not counted; an even number
    // of rounds follows, half with each going first (more in the quick run,
    // whose copies are short and so noisier).
    const int rounds = quick ? 20 : 10;
    std::vector<double> cpMs, usMs, cpWrittenMs, usWrittenMs, ratios;
    for (int r = 0; r <= rounds; ++r) {
        const double cpStart = runQuietly(cpStartArgs);
        CopyTimes cp, us;
        if (r % 2 == 0) {
            cp = timedCopy(both, dstCp, cpCopy);
            us = timedCopy(both, dstUs, usCopy);
        } else {
            us = timedCopy(both, dstUs, usCopy);
            cp = timedCopy(both, dstCp, cpCopy);
        }
        if (std::isnan(cp.copyMs) || std::isnan(us.copyMs) || std::isnan(cpStart))
            return 1;
        if (r == 0)
            continue;
        cpStarts.push_back(cpStart);
        cp.copyMs -= cpStart;
        cp.writtenMs -= cpStart;
        cpMs.push_back(cp.copyMs);
        usMs.push_back(us.copyMs);
        cpWrittenMs.push_back(cp.writtenMs);
        usWrittenMs.push_back(us.writtenMs);
        ratios.push_back(us.copyMs / cp.copyMs); // shown, to judge the noise
    }
    fs::remove_all(dstCp);
    fs::remove_all(dstUs);
    fs::remove_all(dstStart);
    const double cpMedian = median(cpMs), usMedian = median(usMs);
    std::vector<double> pairRatios, writtenPairRatios;
    for (std::size_t i = 0; i + 1 < usMs.size(); i += 2) {
        pairRatios.push_back((usMs[i] + usMs[i + 1]) / (cpMs[i] + cpMs[i + 1]));
        writtenPairRatios.push_back((usWrittenMs[i] + usWrittenMs[i + 1]) /
                                    (cpWrittenMs[i] + cpWrittenMs[i + 1]));
    }
    const double ratio = median(pairRatios);
    const double writtenRatio = median(writtenPairRatios);
    const double mb = double(files) * double(bytes) / 1e6;
    std::printf(
        "  export of %d files (%.0f MB): %.1f ms, cp %.1f ms, ratio %.3f (%.0f MB/s vs %.0f "
        "MB/s; medians of %d rounds)\n",
        files, mb, usMedian, cpMedian, ratio, mb / (usMedian / 1000), mb / (cpMedian / 1000),
        rounds);
    std::printf("    cp's process start taken off: %.1f ms (median)\n", median(cpStarts));
    std::printf("    with writeback: %.1f ms, cp %.1f ms, ratio %.3f\n", median(usWrittenMs),
                median(cpWrittenMs), writtenRatio);
    std::printf("    ratio per round:");
    for (const double x : ratios)
        std::printf(" %.2f", x);
    std::printf("\n");

    if (json) {
        std::string out = "{";
        jsonField(out, "lsl_10000_first_screen_ms", firstMs);
        jsonField(out, "export_ms", usMedian);
        jsonField(out, "cp_ms", cpMedian);
        jsonField(out, "export_vs_cp", ratio);
        jsonField(out, "export_written_ms", median(usWrittenMs));
        jsonField(out, "cp_written_ms", median(cpWrittenMs));
        jsonField(out, "export_vs_cp_written", writtenRatio);
        out += "}";
        std::printf("%s\n", out.c_str());
    }
    return 0;
}

BenchRegistrar registrar({"worksheet", "worksheet list to first screen; export against cp",
                          runWorksheet});

} // namespace
} // namespace lumora::bench
