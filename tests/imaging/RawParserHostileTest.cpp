// Damaged and malicious files: the parser must neither crash, hang, read out of
// bounds nor allocate from unchecked lengths (run under ASan + UBSan in the
// sanitizer tree). Results are not checked, only that parsing ends cleanly.
#include "imaging/RawParser.h"
#include "metadata/CaptionSummary.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

using namespace lumora;
namespace fs = std::filesystem;

namespace {

const fs::path kSamples = LUMORA_SHARED_SAMPLES;
constexpr int kAllKinds[] = {kRawKindJpeg, kRawKindCr2, kRawKindNef, kRawKindOrf,
                             kRawKindPef,  kRawKindMrw, kRawKindErf, kRawKindRaf,
                             kRawKindSr2,  kRawKindCrw, kRawKindTiff};

std::vector<std::uint8_t> ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    std::vector<std::uint8_t> bytes(
        static_cast<std::size_t>(std::max<std::streamoff>(0, in.tellg())));
    in.seekg(0);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

// Parses and uses every result the item filling would use.
void Exercise(const std::uint8_t* data, std::size_t size, int kind, const fs::path& path = {}) {
    CRawParser p;
    p.OpenMemory(data, size, kind, path);
    ImageInfo image;
    ShootingInfo shooting;
    MakerNote note;
    p.GetImageInfo(image);
    p.GetShootingInfo(shooting);
    p.GetMakerNote(note);
    (void)DeriveCaptionSummary(shooting, note);
    if (image.make) {
        EXPECT_LE(image.make->size(), kMaxTextLength);
    }
    if (image.shootingDateTime) {
        EXPECT_LE(image.shootingDateTime->size(), kShootingTimeTextLength);
    }
    (void)p.GetThumbnailPosition();
    (void)p.GetPreviewPosition();
    EXPECT_LE(p.GetJpegCandidates().size(), CRawParser::kMaxSubIfds + 1);
}

std::vector<fs::path> FilesIn(std::initializer_list<const char*> folders) {
    std::vector<fs::path> files;
    for (const char* folder : folders) {
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(kSamples / folder, ec)) {
            if (e.is_regular_file()) {
                files.push_back(e.path());
            }
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

const std::initializer_list<const char*> kSampleFolders = {
    "camera-jpeg", "orientation", "makernotes", "raw", "tiff", "misc"};

} // namespace

TEST(RawParserHostile, CollectedFilesUnderEveryKind) {
    const auto files = FilesIn({"hostile"});
    if (files.empty()) {
        GTEST_SKIP() << "no hostile samples at " << kSamples;
    }
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.string());
        const auto bytes = ReadAll(file);
        for (const int kind : kAllKinds) {
            CRawParser p; // through the file path too
            p.Open(file, kind);
            Exercise(bytes.data(), bytes.size(), kind, file);
        }
    }
}

TEST(RawParserHostile, TruncatedSamples) {
    const auto files = FilesIn(kSampleFolders);
    if (files.empty()) {
        GTEST_SKIP() << "samples not found at " << kSamples;
    }
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.string());
        const auto bytes = ReadAll(file);
        std::vector<std::size_t> cuts;
        for (std::size_t n = 0; n < std::min<std::size_t>(bytes.size(), 64); ++n) {
            cuts.push_back(n);
        }
        for (std::size_t step = 1; step <= 48; ++step) {
            cuts.push_back(bytes.size() * step / 49);
        }
        for (const std::size_t cut : cuts) {
            // A copy of exactly cut bytes, so reading one byte more is caught.
            const std::vector<std::uint8_t> part(bytes.begin(),
                                                 bytes.begin() + static_cast<long>(cut));
            for (const int kind : kAllKinds) {
                Exercise(part.data(), part.size(), kind);
            }
        }
    }
}

TEST(RawParserHostile, BitFlippedAndSmashedSamples) {
    const auto files = FilesIn(kSampleFolders);
    if (files.empty()) {
        GTEST_SKIP() << "samples not found at " << kSamples;
    }
    std::mt19937 random(20261207);
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.string());
        const auto original = ReadAll(file);
        if (original.size() < 8) {
            continue;
        }
        // Metadata sits near the head; most damage goes there.
        const std::size_t span = std::min<std::size_t>(original.size(), 16 * 1024);
        for (int round = 0; round < 120; ++round) {
            auto bytes = original;
            std::uniform_int_distribution<std::size_t> at(0, span - 1);
            if (round % 2 == 0) {
                for (int f = 0; f < 1 + round % 7; ++f) {
                    bytes[at(random)] ^= static_cast<std::uint8_t>(1u << (random() % 8));
                }
            } else {
                // Counts and offsets replaced by extreme values.
                static const std::uint32_t kWords[] = {0,          1,      0x7FFFFFFF, 0xFFFFFFFF,
                                                       0x80000000, 0xFFFF, 101,        3};
                const std::size_t pos = at(random) & ~std::size_t{1};
                const std::uint32_t w = kWords[random() % std::size(kWords)];
                for (std::size_t b = 0; b < 4 && pos + b < bytes.size(); ++b) {
                    bytes[pos + b] = static_cast<std::uint8_t>(w >> (8 * b));
                }
            }
            const fs::path name = file.filename();
            std::string ext = name.extension().string();
            const int kind = ext == ".nef"                       ? kRawKindNef
                             : ext == ".cr2"                     ? kRawKindCr2
                             : ext == ".crw"                     ? kRawKindCrw
                             : ext == ".mrw"                     ? kRawKindMrw
                             : ext == ".raf"                     ? kRawKindRaf
                             : (ext == ".tif" || ext == ".tiff") ? kRawKindTiff
                                                                 : kRawKindJpeg;
            Exercise(bytes.data(), bytes.size(), kind);
            if (round % 10 == 0) {
                Exercise(bytes.data(), bytes.size(),
                         kAllKinds[static_cast<std::size_t>(round / 10) % std::size(kAllKinds)]);
            }
        }
    }
}

TEST(RawParserHostile, CrwAndMrwWalksAreBounded) {
    // A CIFF subdirectory whose table offset points at itself, and an MRW with
    // thousands of empty blocks: both end quickly.
    std::vector<std::uint8_t> crw = {'I', 'I', 14, 0, 0, 0, 'H', 'E', 'A', 'P', 'C', 'C', 'D', 'R'};
    // root table at 14 + 0: 3 entries, each a 0x300A subdirectory spanning the whole file
    const std::uint8_t root[] = {3,    0,    0x0A, 0x30, 0xFF, 0xFF, 0xFF, 0x7F, 0, 0, 0,
                                 0,    0x0A, 0x30, 0,    0,    0,    0,    0,    0, 0, 0,
                                 0x0A, 0x30, 40,   0,    0,    0,    0,    0,    0, 0};
    crw.insert(crw.end(), std::begin(root), std::end(root));
    crw.resize(crw.size() + 20, 0xFF);
    crw.insert(crw.end(), {0, 0, 0, 0});
    Exercise(crw.data(), crw.size(), kRawKindCrw);

    std::vector<std::uint8_t> mrw = {0, 'M', 'R', 'M', 0, 0, 0, 0};
    for (int i = 0; i < 100000; ++i) {
        mrw.insert(mrw.end(), {0, 'P', 'A', 'D', 0, 0, 0, 0});
    }
    Exercise(mrw.data(), mrw.size(), kRawKindMrw);
}
