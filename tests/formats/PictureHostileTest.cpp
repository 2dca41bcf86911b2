// Damaged and malicious pictures through every glue, whatever their names
// say: each read ends with pixels or an error, never outside its bounds (the
// sanitizer tree turns any bad access into a failure).
#include "formats/heif/HeifFile.h"
#include "formats/jxl/JxlFile.h"
#include "formats/png/PngFile.h"
#include "formats/webp/WebpFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

using namespace lumora;
namespace fs = std::filesystem;

namespace {

void expectClean(const picture::Picture& p) {
    if (p.hasPixels()) {
        EXPECT_GE(p.pixels.size(), static_cast<std::size_t>(p.width) * p.height * p.channels);
        EXPECT_TRUE(p.channels == 3 || p.channels == 4);
    } else if (!p.ok()) {
        EXPECT_TRUE(p.pixels.empty() || !p.error.empty());
    }
}

std::vector<fs::path> pictures(const fs::path& folder) {
    std::vector<fs::path> files;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(folder, ec)) {
        std::string ext = e.path().extension().string();
        std::transform(ext.begin(), ext.end(), ext.begin(), ::tolower);
        if (ext == ".heic" || ext == ".avif" || ext == ".png" || ext == ".webp" || ext == ".jxl")
            files.push_back(e.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

} // namespace

TEST(PictureHostile, EveryGlueOnEveryDamagedPicture) {
    const fs::path folder = fs::path(LUMORA_SHARED_SAMPLES) / "hostile";
    const auto files = pictures(folder);
    if (files.empty())
        GTEST_SKIP() << "no shared hostile samples";
    for (const fs::path& path : files) {
        SCOPED_TRACE(path.string());
        std::ifstream in(path, std::ios::binary);
        const std::vector<std::uint8_t> bytes(std::istreambuf_iterator<char>(in), {});
        for (int boxSide : {0, 160}) {
            picture::Request r;
            r.boxLongSide = boxSide;
            expectClean(heif::ReadMemory(bytes.data(), bytes.size(), r));
            expectClean(png::ReadMemory(bytes.data(), bytes.size(), r));
            expectClean(webp::ReadMemory(bytes.data(), bytes.size(), r));
            expectClean(jxl::ReadMemory(bytes.data(), bytes.size(), r));
        }
        // By file, and every prefix length a short read could leave.
        expectClean(heif::Read(path.string(), {}));
        expectClean(png::Read(path.string(), {}));
        expectClean(webp::Read(path.string(), {}));
        expectClean(jxl::Read(path.string(), {}));
        for (std::size_t cut : {std::size_t{12}, bytes.size() / 3, bytes.size() - 1}) {
            if (cut >= bytes.size())
                continue;
            const std::vector<std::uint8_t> part(bytes.begin(), bytes.begin() + cut);
            expectClean(heif::ReadMemory(part.data(), part.size(), {}));
            expectClean(png::ReadMemory(part.data(), part.size(), {}));
            expectClean(webp::ReadMemory(part.data(), part.size(), {}));
            expectClean(jxl::ReadMemory(part.data(), part.size(), {}));
        }
    }
}

TEST(PictureHostile, NonRegularFilesAreNotOpened) {
    // A FIFO would block a plain open for ever.
    const fs::path fifo =
        fs::temp_directory_path() / ("lumora-glue-fifo-" + std::to_string(::getpid()));
    fs::remove(fifo);
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (auto read : {&heif::Read, &png::Read, &webp::Read, &jxl::Read})
        EXPECT_FALSE(read(fifo.string(), {}).ok());
    EXPECT_FALSE(png::Read("/", {}).ok());
    fs::remove(fifo);
}
