// lumora-parse-bench: how fast CRawParser reads a folder's metadata (warm cache).
#include "imaging/RawParser.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

int KindOf(const fs::path& path) {
    std::string ext = path.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    static const std::pair<const char*, int> kinds[] = {
        {".jpg", 0},  {".jpeg", 0},  {".cr2", 17},  {".nef", 18}, {".orf", 19},
        {".pef", 20}, {".mrw", 21},  {".erf", 22},  {".raf", 23}, {".sr2", 24},
        {".crw", 25}, {".tif", 257}, {".tiff", 257}};
    for (const auto& [e, k] : kinds) {
        if (ext == e) {
            return k;
        }
    }
    return -1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: lumora-parse-bench DIR... [--rounds N]\n");
        return 2;
    }
    int rounds = 20;
    std::vector<std::pair<fs::path, int>> files;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--rounds" && i + 1 < argc) {
            rounds = std::max(1, std::atoi(argv[++i]));
            continue;
        }
        std::error_code ec;
        for (const auto& e : fs::recursive_directory_iterator(arg, ec)) {
            const int kind = KindOf(e.path());
            if (kind >= 0 && e.is_regular_file()) {
                files.emplace_back(e.path(), kind);
            }
        }
    }
    if (files.empty()) {
        std::fprintf(stderr, "lumora-parse-bench: no camera files found\n");
        return 1;
    }
    std::size_t opened = 0;
    std::size_t reads = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int r = 0; r < rounds; ++r) {
        for (const auto& [path, kind] : files) {
            lumora::CRawParser parser;
            opened += parser.Open(path, kind) ? 1 : 0;
            lumora::ImageInfo image;
            lumora::ShootingInfo shooting;
            parser.GetImageInfo(image);
            parser.GetShootingInfo(shooting);
            reads += parser.GetReadCalls();
        }
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double total = static_cast<double>(files.size()) * rounds;
    std::printf("%zu files x %d rounds: %.0f files/s, %.1f us/file, %.2f reads/file, %zu parsed\n",
                files.size(), rounds, total / seconds, seconds * 1e6 / total,
                static_cast<double>(reads) / total, opened / static_cast<std::size_t>(rounds));
    return 0;
}
