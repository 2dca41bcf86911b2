// The RAW kinds of current cameras: a thumbnail from the embedded JPEG of a
// CR3, an ARW and a DNG (warm cache), and the shooting-information scan of a
// folder of them against exiftool -fast2 over the same folder.
#include "BenchCommands.h"
#include "BenchSupport.h"

#include "engine/ImageItemList.h"
#include "imaging/ThumbnailDecoder.h"
#include "samples/SampleGen.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <unistd.h>

namespace lumora::bench {
namespace {

namespace fs = std::filesystem;

struct Kind {
    const char* key; // JSON key of its thumbnail figure, or nullptr
    samples::WrittenSample (*write)(const std::string&, const std::string&);
    const char* name;
};

double thumbnailMs(const fs::path& path, ImageKind kind, int reps) {
    ImageItem item = ImageItem::FromPath(path.string(), kind);
    ScanItemInfo(item);
    if (!item.useEmbedded)
        return NAN;
    const ThumbnailBox box{120, 90, true};
    std::vector<double> times;
    for (int i = 0; i < reps + 5; ++i) {
        ImageItem copy = item;
        const auto start = Clock::now();
        DecodeThumbnail(copy, box);
        if (i >= 5) // the first rounds bring the file into the cache
            times.push_back(msSince(start));
        if (!copy.thumb.thumbReal)
            return NAN;
    }
    return median(times);
}

int runModernRaw(const std::vector<std::string>& args) {
    bool quick = false, json = false;
    std::string only; // --only=dng: that kind's thumbnail alone (for profiling), no scan
    for (const auto& a : args) {
        quick = quick || a == "--quick";
        json = json || a == "--json";
        if (a.rfind("--only=", 0) == 0)
            only = "sample." + a.substr(7);
    }
    const fs::path dir =
        fs::temp_directory_path() / ("lumora-bench-modern-" + std::to_string(::getpid()));
    const fs::path folder = dir / "folder";
    std::error_code ec;
    fs::create_directories(folder, ec);
    const Kind kinds[] = {{"cr3_thumbnail_ms", samples::writeCr3, "sample.cr3"},
                          {"arw_thumbnail_ms", samples::writeArw, "sample.arw"},
                          {"dng_thumbnail_ms", samples::writeDng, "sample.dng"},
                          {nullptr, samples::writeRw2, "sample.rw2"},
                          {nullptr, samples::writeNrw, "sample.nrw"},
                          {nullptr, samples::writeSrw, "sample.srw"}};
    const int reps = quick ? 200 : 1000;
    std::vector<std::pair<const char*, double>> figures;
    std::vector<samples::WrittenSample> written;
    for (const Kind& k : kinds) {
        if (!only.empty() && only != k.name)
            continue;
        written.push_back(k.write(dir.string(), k.name));
        if (k.key)
            figures.emplace_back(
                k.key,
                thumbnailMs(dir / k.name, static_cast<ImageKind>(written.back().kind), reps));
    }

    if (!only.empty()) {
        for (const auto& [key, ms] : figures)
            std::printf("  %-18s %s ms (goal <= 0.5)\n", key, jsonNumber(ms).c_str());
        fs::remove_all(dir, ec);
        return 0;
    }

    // A folder of every kind, `copies` times: hard links where the file
    // system has them (a full-size CR3 is megabytes; both readers see the
    // same warm pages either way), else copies.
    const int copies = quick ? 40 : 200;
    int files = 0;
    for (const auto& w : written)
        for (int i = 0; i < copies; ++i, ++files) {
            const fs::path to = folder / ("f" + std::to_string(i) + "_" + w.name);
            fs::create_hard_link(dir / w.name, to, ec);
            if (ec)
                fs::copy_file(dir / w.name, to, fs::copy_options::overwrite_existing, ec);
        }
    std::string folderPath = folder.string() + "/";
    double rate = NAN;
    for (int round = 0; round < 3; ++round) { // the last, warm round counts
        ImageItemList list;
        list.EnumerateFolder(folderPath, KindFilter{}, {}, {});
        const auto start = Clock::now();
        for (int i = 0; i < list.Count(); ++i)
            list.ScanInfoAt(i);
        rate = list.Count() / (msSince(start) / 1000.0);
    }
    double peerRate = NAN;
    if (haveProgram("exiftool")) {
        runTimed(
            {"exiftool", "-fast2", "-T", "-ExposureTime", "-FNumber", "-ISO", folder.string()});
        const double ms = runTimed(
            {"exiftool", "-fast2", "-T", "-ExposureTime", "-FNumber", "-ISO", folder.string()});
        if (ms > 0)
            peerRate = files / (ms / 1000.0);
    }
    fs::remove_all(dir, ec);

    std::printf("modern RAW benchmark: %d files (%d kinds)%s\n", files, int(written.size()),
                quick ? " (quick)" : "");
    for (const auto& [key, ms] : figures)
        std::printf("  %-18s %s ms (goal <= 0.5)\n", key, jsonNumber(ms).c_str());
    std::printf("  scan               %s files/s   exiftool -fast2 %s files/s   ratio %s (goal >= "
                "100)\n",
                jsonNumber(rate).c_str(), jsonNumber(peerRate).c_str(),
                jsonNumber(rate / peerRate).c_str());
    if (json) {
        std::printf("{");
        for (const auto& [key, ms] : figures)
            std::printf("\"%s\":%s,", key, jsonNumber(ms).c_str());
        std::printf("\"modern_raw_scan_files_per_s\":%s,\"exiftool_fast2_files_per_s\":%s,"
                    "\"modern_raw_scan_vs_exiftool\":%s}\n",
                    jsonNumber(rate).c_str(), jsonNumber(peerRate).c_str(),
                    jsonNumber(rate / peerRate).c_str());
    }
    return 0;
}

const BenchRegistrar registrar{BenchCommand{
    "modernraw", "CR3/ARW/DNG embedded thumbnails; scan of current RAW kinds vs exiftool -fast2",
    runModernRaw}};

} // namespace
} // namespace lumora::bench
