// lumora-bench marks: the culling marks, side by side in one run.
//  mark_to_disk_ms      one mark key's sidecar change until the new sidecar
//                       is renamed into place and its folder synced (median
//                       over 200 files, new sidecars and changed ones)
//  mark_to_list_ms      the same plus storing the marks on the item (the
//                       cell redraw itself is one cell composition and is
//                       not part of this headless figure)
//  scan_with_sidecars_vs_without  listing plus shooting-information scan of
//                       10,000 camera JPEGs, every one with a sidecar,
//                       against the same files without (rate ratio; rounds
//                       alternate which goes first, median of the ratios)
//  filter_10000_ms      the mark filter (3 stars and up) applied to a list
//                       of 10,000 items and lifted again (median)
#include "BenchCommands.h"
#include "BenchSupport.h"

#include "engine/ImageItemList.h"
#include "marks/Sidecar.h"
#include "marks/XmpMarks.h"
#include "samples/SampleGen.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace lumora::bench {
namespace {

namespace fs = std::filesystem;

std::string folderOf(int count, bool sidecars) {
    samples::CameraJpegOptions base;
    base.camera = samples::canonCamera();
    base.withThumbnail = true;
    const std::string dir =
        "/tmp/lumora-bench-marks-" + std::to_string(count) + (sidecars ? "-sidecars" : "-plain");
    makeRepeatedFolder(dir, count, 1000, base, "IMG_%05d.JPG");
    if (sidecars) {
        const XmpMarksRewrite packet = RewriteXmpMarks("", Marks{3, false, ColorLabel::Green});
        for (int i = 1; i <= count; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "/IMG_%05d.xmp", i);
            const std::string path = dir + name;
            if (!fs::exists(path))
                std::ofstream(path, std::ios::binary) << packet.packet;
        }
    }
    return dir + "/";
}

double scanMs(const std::string& folder, int expected) {
    const auto start = Clock::now();
    ImageItemList list;
    list.EnumerateFolder(folder, KindFilter{}, {}, {});
    for (int i = 0; i < list.Count(); ++i)
        list.ScanInfoAt(i);
    const double ms = msSince(start);
    if (list.Count() != expected)
        std::fprintf(stderr, "marks: %s listed %d of %d\n", folder.c_str(), list.Count(), expected);
    return ms;
}

int runMarks(const std::vector<std::string>&) {
    InitXmpToolkit();
    // Marks to disk, and on to the item.
    const fs::path dir = fs::temp_directory_path() / "lumora-bench-marks-write";
    fs::remove_all(dir);
    fs::create_directories(dir);
    constexpr int kFiles = 200;
    ImageItemList list;
    for (int i = 0; i < kFiles; ++i) {
        const std::string path = (dir / ("IMG_" + std::to_string(i) + ".JPG")).string();
        std::ofstream(path, std::ios::binary) << "jpeg";
        list.Add(ImageItem::FromPath(path, ImageKind::Jpeg));
    }
    std::vector<double> toDisk, toList;
    for (int round = 0; round < 2; ++round)
        for (int i = 0; i < kFiles; ++i) {
            ImageItem item;
            list.CopyOut(i, item, CopyPixels::None);
            const auto start = Clock::now();
            const SidecarWrite w =
                ChangeSidecarMarks(item.path, MarkChange::Rating(1 + (i + round) % 5), item.marks);
            toDisk.push_back(msSince(start));
            list.SetMarksById(item.id, w.marks, w.sidecarPath);
            toList.push_back(msSince(start));
        }
    fs::remove_all(dir);

    // Scan with and without sidecars.
    constexpr int kScan = 10000;
    const std::string plain = folderOf(kScan, false);
    const std::string withSidecars = folderOf(kScan, true);
    std::vector<double> ratios, plainMs, sidecarMs;
    for (int round = 0; round < 4; ++round) {
        double a, b;
        if (round % 2 == 0) {
            a = scanMs(plain, kScan);
            b = scanMs(withSidecars, kScan);
        } else {
            b = scanMs(withSidecars, kScan);
            a = scanMs(plain, kScan);
        }
        plainMs.push_back(a);
        sidecarMs.push_back(b);
        ratios.push_back(a / b); // rate with sidecars / rate without
    }

    // Filtering 10,000 items.
    ImageItemList big;
    std::mt19937 random(7);
    for (int i = 0; i < kScan; ++i) {
        ImageItem item =
            ImageItem::FromPath("/x/IMG_" + std::to_string(i) + ".JPG", ImageKind::Jpeg);
        item.marks.rating = static_cast<std::uint8_t>(random() % 6);
        item.marks.reject = random() % 10 == 0;
        big.Add(std::move(item));
    }
    std::vector<double> filterMs, liftMs;
    for (int round = 0; round < 10; ++round) {
        auto start = Clock::now();
        big.ApplyMarkFilter(MarkFilter{3, ColorLabel::None, false});
        filterMs.push_back(msSince(start));
        start = Clock::now();
        big.ApplyMarkFilter(MarkFilter{});
        liftMs.push_back(msSince(start));
    }

    std::printf("{\n");
    std::printf("  \"mark_to_disk_ms\": {\"median\": %s, \"p95\": %s},\n",
                jsonNumber(median(toDisk)).c_str(), jsonNumber(percentile(toDisk, 0.95)).c_str());
    std::printf("  \"mark_to_list_ms\": {\"median\": %s, \"p95\": %s},\n",
                jsonNumber(median(toList)).c_str(), jsonNumber(percentile(toList, 0.95)).c_str());
    std::printf("  \"scan_with_sidecars_vs_without\": %s,\n", jsonNumber(median(ratios)).c_str());
    std::printf("  \"scan_10000_ms\": {\"without\": %s, \"with_sidecars\": %s},\n",
                jsonNumber(median(plainMs)).c_str(), jsonNumber(median(sidecarMs)).c_str());
    std::printf("  \"filter_10000_ms\": {\"apply\": %s, \"lift\": %s}\n}\n",
                jsonNumber(median(filterMs)).c_str(), jsonNumber(median(liftMs)).c_str());
    return 0;
}

BenchRegistrar registrar({"marks", "mark to disk, scan with sidecars against without, filter",
                          runMarks});

} // namespace
} // namespace lumora::bench
