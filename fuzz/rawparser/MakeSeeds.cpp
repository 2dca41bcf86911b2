// Writes the fuzz seeds: each sample file prefixed with the byte that selects
// its kind in fuzz-rawparser (an index into the target's kind list).
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make-rawparser-seeds SAMPLES SEEDS\n");
        return 2;
    }
    const fs::path samples = argv[1];
    const fs::path seeds = argv[2];
    fs::create_directories(seeds);
    static const std::pair<const char*, char> kinds[] = {
        {".jpg", 0}, {".jpeg", 0}, {".cr2", 1},  {".nef", 2}, {".orf", 3},
        {".pef", 4}, {".mrw", 5},  {".erf", 6},  {".raf", 7}, {".sr2", 8},
        {".crw", 9}, {".tif", 10}, {".tiff", 10}};
    int written = 0;
    for (const char* folder :
         {"camera-jpeg", "makernotes", "raw", "tiff", "misc", "hostile", "orientation"}) {
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(samples / folder, ec)) {
            std::string ext = entry.path().extension().string();
            std::transform(ext.begin(), ext.end(), ext.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
            const auto kind = std::find_if(std::begin(kinds), std::end(kinds),
                                           [&](const auto& k) { return ext == k.first; });
            if (kind == std::end(kinds) || !entry.is_regular_file() ||
                entry.file_size() > 64 * 1024) {
                continue; // large files add nothing but slow runs
            }
            std::ifstream in(entry.path(), std::ios::binary);
            const std::vector<char> bytes{std::istreambuf_iterator<char>(in),
                                          std::istreambuf_iterator<char>()};
            std::ofstream out(seeds /
                                  (std::string(folder) + "-" + entry.path().filename().string()),
                              std::ios::binary | std::ios::trunc);
            out.put(kind->second);
            out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
            ++written;
        }
    }
    std::printf("%d seeds in %s\n", written, seeds.c_str());
    return 0;
}
