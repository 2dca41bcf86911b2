// Phone and web pictures side by side with their libraries' own tools, on
// the same files in one run: HEIC thumbnails against heif-thumbnailer -s 160,
// the viewer's full HEIC decode against heif-convert (to uncompressed y4m,
// the cheapest output it writes), WebP and PNG thumbnails against
// vipsthumbnail -s 160 (one thread each, like one decode of the pool).
// Each ratio is ours / peer in wall time per file (<= 1.0 is the goal);
// the figure is the worst file's median.
#include "BenchCommands.h"
#include "BenchSupport.h"

#include "engine/ImageItemList.h"
#include "imaging/ImageLoader.h"
#include "imaging/ThumbnailDecoder.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <unistd.h>

namespace lumora::bench {
namespace {

namespace fs = std::filesystem;

struct Figure {
    double oursMs = NAN, peerMs = NAN, ratio = NAN;
};

// Medians over reps of ours() and the peer command (warm: one untimed round
// first), for one file.
Figure sideBySide(int reps, const std::function<bool()>& ours, const std::vector<std::string>& peer,
                  const std::vector<std::string>& env = {}) {
    Figure f;
    if (!ours())
        return f;
    runTimed(peer, env);
    std::vector<double> o, p, r;
    for (int i = 0; i < reps; ++i) {
        const auto start = Clock::now();
        ours();
        o.push_back(msSince(start));
        const double ms = runTimed(peer, env);
        if (ms > 0) {
            p.push_back(ms);
            r.push_back(o.back() / ms);
        }
    }
    f.oursMs = median(o);
    f.peerMs = median(p);
    f.ratio = median(r);
    return f;
}

bool thumbnailOf(const std::string& path) {
    ImageItem item = ImageItem::FromPath(path, kindFromExtension(path));
    ScanItemInfo(item);
    DecodeThumbnail(item, ThumbnailBox{160, 120, true});
    return item.thumb.thumbReal != 0;
}

bool fullPictureOf(const std::string& path) {
    ImageItem item = ImageItem::FromPath(path, kindFromExtension(path));
    ScanItemInfo(item);
    return DecodeForLoader(item, 0, CancelTest{}, {}).ok();
}

int runPictures(const std::vector<std::string>& args) {
    bool quick = false, json = false;
    for (const auto& a : args) {
        quick = quick || a == "--quick";
        json = json || a == "--json";
    }
    const fs::path modern = fs::path(LUMORA_BENCH_SAMPLES) / "modern";
    if (!fs::is_directory(modern)) {
        std::fprintf(stderr, "lumora-bench pictures: no shared samples at %s\n", modern.c_str());
        return 1;
    }
    const fs::path out =
        fs::temp_directory_path() / ("lumora-bench-pictures-" + std::to_string(::getpid()));
    std::error_code ec;
    fs::create_directories(out, ec);
    const int reps = quick ? 3 : 9;
    struct Row {
        const char* key;
        const char* file;
        bool full;
        const char* peer;
    } rows[] = {
        {"heic_thumbnail_vs_heif_thumbnailer", "immich-IMG_2682.heic", false, "heif-thumbnailer"},
        {"heic_thumbnail_vs_heif_thumbnailer", "immich-samsung-one-ui-6.heic", false,
         "heif-thumbnailer"},
        {"heic_full_vs_heif_convert", "immich-IMG_2682.heic", true, "heif-convert"},
        {"heic_full_vs_heif_convert", "immich-samsung-one-ui-6.heic", true, "heif-convert"},
        {"webp_thumbnail_vs_vipsthumbnail", "immich-denali.webp", false, "vipsthumbnail"},
        {"png_thumbnail_vs_vipsthumbnail", "immich-density_plot.png", false, "vipsthumbnail"},
    };
    std::vector<std::pair<std::string, double>> worst;
    std::printf("picture benchmark (%d rounds per file)%s\n", reps, quick ? " (quick)" : "");
    for (const Row& row : rows) {
        const std::string path = (modern / row.file).string();
        std::vector<std::string> cmd;
        std::vector<std::string> env;
        if (!haveProgram(row.peer)) {
            std::printf("  %-36s %-30s %s missing\n", row.key, row.file, row.peer);
            continue;
        }
        if (std::string(row.peer) == "heif-thumbnailer")
            cmd = {"heif-thumbnailer", "-s", "160", path, (out / "t.png").string()};
        else if (std::string(row.peer) == "heif-convert")
            cmd = {"heif-convert", "--quiet", path, (out / "f.y4m").string()};
        else {
            cmd = {"vipsthumbnail", "-s", "160", "-o", (out / "%s.jpg").string(), path};
            env = {"VIPS_CONCURRENCY=1"};
        }
        const Figure f = sideBySide(
            reps, [&] { return row.full ? fullPictureOf(path) : thumbnailOf(path); }, cmd, env);
        std::printf("  %-36s %-30s ours %8s ms  %s %8s ms  ratio %s\n", row.key, row.file,
                    jsonNumber(f.oursMs).c_str(), row.peer, jsonNumber(f.peerMs).c_str(),
                    jsonNumber(f.ratio).c_str());
        auto it = std::find_if(worst.begin(), worst.end(),
                               [&](const auto& w) { return w.first == row.key; });
        if (it == worst.end())
            worst.emplace_back(row.key, f.ratio);
        else if (std::isnan(it->second) || f.ratio > it->second)
            it->second = f.ratio;
    }
    fs::remove_all(out, ec);
    if (json) {
        std::printf("{");
        for (std::size_t i = 0; i < worst.size(); ++i)
            std::printf("%s\"%s\":%s", i ? "," : "", worst[i].first.c_str(),
                        jsonNumber(worst[i].second).c_str());
        std::printf("}\n");
    }
    return 0;
}

const BenchRegistrar registrar{
    BenchCommand{"pictures",
                 "HEIC/WebP/PNG thumbnails and the full HEIC against heif-thumbnailer, "
                 "heif-convert and vipsthumbnail",
                 runPictures}};

} // namespace
} // namespace lumora::bench
