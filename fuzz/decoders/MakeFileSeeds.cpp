// Writes fuzz seeds from the shared samples: every file with one of the
// given extensions (at most 256 KiB), optionally prefixed with a byte chosen
// by its extension's position in the list (for targets whose first byte
// picks a kind).
//   make-file-seeds SAMPLES SEEDS [--prefix] .ext...
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: make-file-seeds SAMPLES SEEDS [--prefix] .ext...\n");
        return 2;
    }
    const fs::path samples = argv[1];
    const fs::path seeds = argv[2];
    int first = 3;
    const bool prefix = std::strcmp(argv[3], "--prefix") == 0;
    if (prefix)
        ++first;
    const std::vector<std::string> extensions(argv + first, argv + argc);
    fs::create_directories(seeds);
    int written = 0;
    std::error_code ec;
    for (const auto& folder : fs::directory_iterator(samples, ec)) {
        if (!folder.is_directory() || folder.path().filename() == "expected")
            continue;
        for (const auto& entry : fs::directory_iterator(folder.path(), ec)) {
            std::string ext = entry.path().extension().string();
            std::transform(ext.begin(), ext.end(), ext.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
            const auto found = std::find(extensions.begin(), extensions.end(), ext);
            if (found == extensions.end() || !entry.is_regular_file() ||
                entry.file_size() > 256 * 1024)
                continue;
            std::ifstream in(entry.path(), std::ios::binary);
            const std::vector<char> bytes{std::istreambuf_iterator<char>(in),
                                          std::istreambuf_iterator<char>()};
            std::ofstream out(seeds / (folder.path().filename().string() + "-" +
                                       entry.path().filename().string()),
                              std::ios::binary | std::ios::trunc);
            if (prefix)
                out.put(static_cast<char>(found - extensions.begin()));
            out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
            ++written;
        }
    }
    std::printf("%d seeds in %s\n", written, seeds.c_str());
    return 0;
}
