// lumora-bench decode: JPEG decode speed against djpeg (full and 1/8), the
// thumbnail rate against vipsthumbnail, the EXIF-thumbnail path, and the
// bytes a RAW preview decode reads beyond the preview.
#include "BenchCommands.h"
#include "BenchSupport.h"

#include "engine/ImageItemList.h"
#include "imaging/ImageLoader.h"
#include "imaging/JpegDecoder.h"
#include "imaging/ThumbnailDecoder.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace lumora::bench {
namespace {

namespace fs = std::filesystem;

// --- camera-like test pictures --------------------------------------------

struct Generated {
    std::string path;
    uint32_t thumbOffset = 0;
    uint32_t thumbLength = 0;
};

std::vector<uint8_t> encode(int w, int h, int quality, uint32_t seed,
                            const std::vector<uint8_t>& app1 = {}) {
    EncodeOptions options;
    options.quality = quality;
    options.jfifHeader = false;
    options.app1 = app1;
    uint32_t state = seed * 2654435761u + 1;
    return encodeJpeg(w, h, options, [&](int y, uint8_t* row) {
        const double fy = static_cast<double>(y) / h;
        for (int x = 0; x < w; ++x) {
            const double fx = static_cast<double>(x) / w;
            // Sky-to-ground gradient, a few soft shapes and sensor-like noise.
            state = state * 1664525u + 1013904223u;
            const int noise = static_cast<int>((state >> 24) % 17) - 8;
            const double shape = std::sin(fx * 9.0 + seed) * std::cos(fy * 7.0) * 60.0;
            const bool edge = ((x / 97) + (y / 131)) % 7 == 0;
            const int r = static_cast<int>(90 + 120 * fy + shape) + noise + (edge ? 40 : 0);
            const int g = static_cast<int>(140 - 50 * fy + shape * 0.5) + noise;
            const int b = static_cast<int>(200 - 150 * fy - shape * 0.3) + noise;
            row[x * 3] = static_cast<uint8_t>(std::clamp(r, 0, 255));
            row[x * 3 + 1] = static_cast<uint8_t>(std::clamp(g, 0, 255));
            row[x * 3 + 2] = static_cast<uint8_t>(std::clamp(b, 0, 255));
        }
    });
}

void put16(std::vector<uint8_t>& v, std::size_t at, uint16_t x) {
    v[at] = x & 0xFF;
    v[at + 1] = x >> 8;
}
void put32(std::vector<uint8_t>& v, std::size_t at, uint32_t x) {
    for (int i = 0; i < 4; ++i)
        v[at + i] = (x >> (8 * i)) & 0xFF;
}

// An EXIF block: IFD0 with the orientation, IFD1 pointing at the thumbnail.
std::vector<uint8_t> exifWithThumbnail(const std::vector<uint8_t>& thumb,
                                       uint32_t& thumbTiffOffset) {
    std::vector<uint8_t> e = {'E', 'x', 'i', 'f', 0, 0};
    const std::size_t tiff = e.size();
    e.resize(tiff + 8 + 2 + 12 + 4 + 2 + 3 * 12 + 4, 0);
    e[tiff] = 'I';
    e[tiff + 1] = 'I';
    put16(e, tiff + 2, 42);
    put32(e, tiff + 4, 8);
    std::size_t p = tiff + 8;
    put16(e, p, 1);
    put16(e, p + 2, 0x112); // orientation 1
    put16(e, p + 4, 3);
    put32(e, p + 6, 1);
    put16(e, p + 10, 1);
    const uint32_t ifd1 = 8 + 2 + 12 + 4;
    put32(e, p + 14, ifd1);
    p = tiff + ifd1;
    put16(e, p, 3);
    const uint32_t data = ifd1 + 2 + 3 * 12 + 4;
    auto entry = [&](std::size_t at, uint16_t tag, uint16_t type, uint32_t value) {
        put16(e, at, tag);
        put16(e, at + 2, type);
        put32(e, at + 4, 1);
        put32(e, at + 8, value);
    };
    entry(p + 2, 0x103, 3, 6);
    entry(p + 14, 0x201, 4, data);
    entry(p + 26, 0x202, 4, static_cast<uint32_t>(thumb.size()));
    e.insert(e.end(), thumb.begin(), thumb.end());
    thumbTiffOffset = data;
    return e;
}

Generated generate(const fs::path& dir, int index, int w, int h) {
    Generated g;
    g.path = (dir / ("camera-" + std::to_string(index) + ".jpg")).string();
    const std::vector<uint8_t> thumb = encode(160, 120, 85, index + 7);
    uint32_t tiffOffset = 0;
    const std::vector<uint8_t> app1 = exifWithThumbnail(thumb, tiffOffset);
    const std::vector<uint8_t> file = encode(w, h, 92, index, app1);
    // SOI (2) + APP1 marker and length (4) + "Exif\0\0" (6) = TIFF header.
    g.thumbOffset = 2 + 4 + 6 + tiffOffset;
    g.thumbLength = static_cast<uint32_t>(thumb.size());
    writeFile(g.path, file);
    return g;
}

uint64_t bytesReadByProcess() {
    std::ifstream io("/proc/self/io");
    std::string key;
    uint64_t value = 0;
    while (io >> key >> value) {
        if (key == "rchar:")
            return value;
    }
    return 0;
}

// A RAW file: the shared CR2 sample with its IFD0 preview pointed at a real
// JPEG appended to it. Returns false when the sample is absent.
bool makeRaw(const fs::path& sample, const fs::path& out, const std::vector<uint8_t>& preview) {
    std::ifstream in(sample, std::ios::binary);
    if (!in)
        return false;
    std::vector<uint8_t> raw((std::istreambuf_iterator<char>(in)), {});
    if (raw.size() < 16 || raw[0] != 'I')
        return false;
    auto u16 = [&](std::size_t at) { return static_cast<uint16_t>(raw[at] | raw[at + 1] << 8); };
    auto u32 = [&](std::size_t at) {
        return uint32_t(raw[at]) | uint32_t(raw[at + 1]) << 8 | uint32_t(raw[at + 2]) << 16 |
               uint32_t(raw[at + 3]) << 24;
    };
    const uint32_t ifd0 = u32(4);
    if (ifd0 + 2 > raw.size())
        return false;
    const uint16_t count = u16(ifd0);
    const uint32_t at = static_cast<uint32_t>(raw.size());
    bool offset = false, length = false;
    for (uint16_t i = 0; i < count && ifd0 + 2 + 12 * (i + 1) <= raw.size(); ++i) {
        const std::size_t e = ifd0 + 2 + 12 * i;
        if (u16(e) == 0x111) {
            put32(raw, e + 8, at);
            offset = true;
        } else if (u16(e) == 0x117) {
            put32(raw, e + 8, static_cast<uint32_t>(preview.size()));
            length = true;
        }
    }
    if (!offset || !length)
        return false;
    raw.insert(raw.end(), preview.begin(), preview.end());
    std::ofstream(out, std::ios::binary)
        .write(reinterpret_cast<const char*>(raw.data()), static_cast<std::streamsize>(raw.size()));
    return true;
}

struct Figures {
    double fullOurs = NAN, fullDjpeg = NAN, fullRatio = NAN;
    double scaledOurs = NAN, scaledDjpeg = NAN, scaledRatio = NAN;
    double thumbsPerS = NAN, vipsPerS = NAN, thumbsRatio = NAN;
    double thumbsAllPerS = NAN, vipsAllPerS = NAN, thumbsAllRatio = NAN;
    int cores = 1;
    double exifMs = NAN;
    double rawExtra = NAN, rawScanBytes = NAN, rawPreviewBytes = NAN;
    int files = 0, megapixels = 0;
};

int runDecode(const std::vector<std::string>& args) {
    bool quick = false, json = false;
    std::string keep; // --keep DIR: generate into DIR and leave the files there
    std::vector<std::string> given;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--quick")
            quick = true;
        else if (a == "--json")
            json = true;
        else if (a == "--keep" && i + 1 < args.size())
            keep = args[++i];
        else
            given.push_back(a);
    }
    const int fileCount = quick ? 2 : 5;
    const int reps = quick ? 3 : 7;
    const int width = 6000, height = 4000; // 24 megapixels

    const fs::path dir =
        keep.empty() ? fs::temp_directory_path() / ("lumora-bench-" + std::to_string(getpid()))
                     : fs::path(keep);
    fs::create_directories(dir);
    std::vector<Generated> files;
    if (given.empty()) {
        std::printf("generating %d camera-like JPEGs of %dx%d...\n", fileCount, width, height);
        std::fflush(stdout);
        for (int i = 0; i < fileCount; ++i)
            files.push_back(generate(dir, i, width, height));
    } else {
        for (const auto& g : given)
            files.push_back(Generated{g, 0, 0});
    }
    Figures f;
    f.files = static_cast<int>(files.size());
    f.megapixels = width * height / 1000000;

    const bool djpeg = haveProgram("djpeg");
    const bool vips = haveProgram("vipsthumbnail");

    // Full and 1/8 decodes: pairs of (ours, djpeg) on the same file.
    std::vector<double> fullOurs, fullPeer, fullRatio, scOurs, scPeer, scRatio;
    for (int r = 0; r < reps; ++r) {
        for (const auto& file : files) {
            for (int scaled = 0; scaled < 2; ++scaled) {
                JpegOptions options;
                options.scaleTarget = scaled ? 1 : 0; // 1 x 8 < any side: 1/8
                auto start = Clock::now();
                DecodeOutput out = CJpegDecoder::Decode(JpegSource{file.path}, options);
                const double ours = msSince(start);
                if (!out.ok())
                    continue;
                double peer = -1;
                if (djpeg) {
                    std::vector<std::string> cmd = {"djpeg"};
                    if (scaled) {
                        cmd.push_back("-scale");
                        cmd.push_back("1/8");
                    }
                    cmd.insert(cmd.end(), {"-outfile", "/dev/null", file.path});
                    peer = runTimed(cmd);
                }
                (scaled ? scOurs : fullOurs).push_back(ours);
                if (peer > 0) {
                    (scaled ? scPeer : fullPeer).push_back(peer);
                    (scaled ? scRatio : fullRatio).push_back(ours / peer);
                }
            }
        }
    }
    f.fullOurs = median(fullOurs);
    f.fullDjpeg = median(fullPeer);
    f.fullRatio = median(fullRatio);
    f.scaledOurs = median(scOurs);
    f.scaledDjpeg = median(scPeer);
    f.scaledRatio = median(scRatio);

    // Thumbnails from whole-file decodes, one core each.
    ThumbnailBox box;
    box.longSide = 160;
    box.shortSide = 120;
    std::vector<double> oursRate, peerRate, rateRatio;
    const fs::path vipsOut = dir / "vips";
    fs::create_directories(vipsOut);
    for (int r = 0; r < std::max(3, reps / 2); ++r) {
        auto start = Clock::now();
        for (const auto& file : files) {
            ImageItem item = ImageItem::FromPath(file.path, ImageKind::Jpeg);
            DecodeThumbnail(item, box);
        }
        const double ours = files.size() * 1000.0 / msSince(start);
        oursRate.push_back(ours);
        if (vips) {
            std::vector<std::string> cmd = {"vipsthumbnail", "-s", "160x120", "-o",
                                            (vipsOut / "%s.jpg").string()};
            for (const auto& file : files)
                cmd.push_back(file.path);
            const double ms = runTimed(cmd, {"VIPS_CONCURRENCY=1"});
            if (ms > 0) {
                const double peer = files.size() * 1000.0 / ms;
                peerRate.push_back(peer);
                rateRatio.push_back(ours / peer);
            }
        }
    }
    f.thumbsPerS = median(oursRate);
    f.vipsPerS = median(peerRate);
    f.thumbsRatio = median(rateRatio);

    // The same on every core: one decoding thread per core against
    // vipsthumbnail at its default concurrency.
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    std::vector<double> allRatio, allOurs, allPeer;
    for (int r = 0; r < std::max(3, reps / 2); ++r) {
        std::atomic<std::size_t> next{0};
        auto start = Clock::now();
        std::vector<std::thread> workers;
        for (unsigned c = 0; c < cores; ++c)
            workers.emplace_back([&] {
                for (std::size_t i; (i = next++) < files.size();) {
                    ImageItem item = ImageItem::FromPath(files[i].path, ImageKind::Jpeg);
                    DecodeThumbnail(item, box);
                }
            });
        for (auto& w : workers)
            w.join();
        const double ours = files.size() * 1000.0 / msSince(start);
        allOurs.push_back(ours);
        if (vips) {
            std::vector<std::string> cmd = {"vipsthumbnail", "-s", "160x120", "-o",
                                            (vipsOut / "%s.jpg").string()};
            for (const auto& file : files)
                cmd.push_back(file.path);
            const double ms = runTimed(cmd);
            if (ms > 0) {
                allPeer.push_back(files.size() * 1000.0 / ms);
                allRatio.push_back(ours / allPeer.back());
            }
        }
    }
    f.cores = static_cast<int>(cores);
    f.thumbsAllPerS = median(allOurs);
    f.vipsAllPerS = median(allPeer);
    f.thumbsAllRatio = median(allRatio);

    // Thumbnails from the EXIF thumbnail.
    std::vector<double> exif;
    const int exifReps = quick ? 300 : 2000;
    for (const auto& file : files) {
        if (!file.thumbLength)
            continue;
        ImageItem item = ImageItem::FromPath(file.path, ImageKind::Jpeg);
        item.useEmbedded = 1;
        item.thumbOffset = file.thumbOffset;
        item.thumbLength = file.thumbLength;
        item.shootingInfo.aspectX = 3;
        item.shootingInfo.aspectY = 2;
        for (int i = 0; i < exifReps / static_cast<int>(files.size()); ++i) {
            ImageItem copy = item;
            auto start = Clock::now();
            DecodeThumbnail(copy, box);
            exif.push_back(msSince(start));
        }
    }
    f.exifMs = median(exif);

    // RAW preview: bytes read by the preview decode beyond the preview.
    const fs::path sample = fs::path(LUMORA_BENCH_SAMPLES) / "raw" / "CanonRaw.cr2";
    const std::vector<uint8_t> preview = encode(1620, 1080, 90, 99);
    const fs::path rawPath = dir / "preview.cr2";
    if (makeRaw(sample, rawPath, preview)) {
        ViewEntry entry;
        entry.item = ImageItem::FromPath(rawPath.string(), ImageKind::Cr2);
        // Reading the counters is itself a read: measure it once to take it off.
        const uint64_t probe = bytesReadByProcess();
        const uint64_t selfCost = bytesReadByProcess() - probe;
        const uint64_t before = bytesReadByProcess();
        ScanItemInfo(entry.item);
        const uint64_t scanned = bytesReadByProcess();
        if (entry.item.previewLength == preview.size()) {
            auto request = std::make_unique<LoadRequest>();
            request->entry = entry;
            request->counter = std::make_shared<RequestCounter>();
            RunPreviewLoad(std::move(request)); // no target: nothing is posted
            const uint64_t after = bytesReadByProcess();
            f.rawScanBytes = static_cast<double>(scanned - before - selfCost);
            f.rawPreviewBytes = static_cast<double>(after - scanned - selfCost);
            f.rawExtra = f.rawPreviewBytes - static_cast<double>(preview.size());
        }
    }

    std::error_code ec;
    if (keep.empty())
        fs::remove_all(dir, ec);
    else
        fs::remove_all(vipsOut, ec);

    std::printf("decode benchmark: %d files of %d MP, %d rounds%s\n", f.files, f.megapixels, reps,
                quick ? " (quick)" : "");
    std::printf("  full decode       lumora %8.1f ms   djpeg %8.1f ms   ratio %s (goal <= 1.10)\n",
                f.fullOurs, f.fullDjpeg, jsonNumber(f.fullRatio).c_str());
    std::printf("  1/8 decode        lumora %8.2f ms   djpeg %8.2f ms   ratio %s (goal <= 1.10)\n",
                f.scaledOurs, f.scaledDjpeg, jsonNumber(f.scaledRatio).c_str());
    std::printf(
        "  thumbnails, 1 core lumora %7.1f /s   vipsthumbnail %6.1f /s   ratio %s (goal >= 2)\n",
        f.thumbsPerS, f.vipsPerS, jsonNumber(f.thumbsRatio).c_str());
    std::printf("  thumbnails, %d cores lumora %6.1f /s   vipsthumbnail %6.1f /s   ratio %s\n",
                f.cores, f.thumbsAllPerS, f.vipsAllPerS, jsonNumber(f.thumbsAllRatio).c_str());
    std::printf("  EXIF thumbnail    %s ms per thumbnail (goal <= 0.3)\n",
                jsonNumber(f.exifMs).c_str());
    std::printf(
        "  RAW preview       %s bytes read beyond the preview (goal <= 131072); scan read %s\n",
        jsonNumber(f.rawExtra).c_str(), jsonNumber(f.rawScanBytes).c_str());
    if (!djpeg)
        std::printf("  (djpeg not found: install libjpeg-turbo-progs)\n");
    if (!vips)
        std::printf("  (vipsthumbnail not found: scripts/install-deps --bench)\n");
    if (json) {
        std::printf("{\"files\":%d,\"megapixels\":%d,\"full_decode_ms\":%s,\"djpeg_ms\":%s,"
                    "\"full_decode_vs_djpeg\":%s,\"scaled_decode_ms\":%s,\"djpeg_scaled_ms\":%s,"
                    "\"scaled_decode_vs_djpeg\":%s,\"thumbs_per_s\":%s,\"vipsthumbnail_per_s\":%s,"
                    "\"thumbs_per_s_vs_vipsthumbnail\":%s,\"exif_thumbnail_ms\":%s,"
                    "\"raw_preview_extra_bytes\":%s,\"raw_scan_bytes\":%s,\"cores\":%d,"
                    "\"thumbs_per_s_all_cores_vs_vipsthumbnail\":%s}\n",
                    f.files, f.megapixels, jsonNumber(f.fullOurs).c_str(),
                    jsonNumber(f.fullDjpeg).c_str(), jsonNumber(f.fullRatio).c_str(),
                    jsonNumber(f.scaledOurs).c_str(), jsonNumber(f.scaledDjpeg).c_str(),
                    jsonNumber(f.scaledRatio).c_str(), jsonNumber(f.thumbsPerS).c_str(),
                    jsonNumber(f.vipsPerS).c_str(), jsonNumber(f.thumbsRatio).c_str(),
                    jsonNumber(f.exifMs).c_str(), jsonNumber(f.rawExtra).c_str(),
                    jsonNumber(f.rawScanBytes).c_str(), f.cores,
                    jsonNumber(f.thumbsAllRatio).c_str());
    }
    return 0;
}

const BenchRegistrar registrar{BenchCommand{
    "decode",
    "JPEG decode vs djpeg, thumbnails vs vipsthumbnail, EXIF thumbnail, RAW preview reads",
    runDecode}};

} // namespace
} // namespace lumora::bench
