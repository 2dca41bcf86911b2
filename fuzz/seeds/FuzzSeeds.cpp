// Writes the seeds of one fuzz target: the small files made for it here
// (SeedRecipes.h) and the sample files with the given extensions, each at
// most MAX_LEN bytes (larger files add nothing but slow runs).
//   fuzz-seeds NAME SEEDS MAX_LEN DIR[:DIR...] [--prefix] [.ext[,.ext...]...]
// Each DIR is a folder of samples: its files and those of its subfolders.
// With --prefix each sample seed starts with the index of its extension
// group, for targets whose first byte picks a kind. The folder is emptied
// first, so that seeds dropped from a recipe do not linger.
#include "SeedRecipes.h"

#include "colour/ColourProfile.h"

#include <QGuiApplication>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::vector<std::string> splitList(const std::string& group, char separator) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start <= group.size()) {
        const std::size_t comma = group.find(separator, start);
        const std::size_t end = comma == std::string::npos ? group.size() : comma;
        if (end > start)
            out.push_back(group.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

std::string lowerExtension(const fs::path& path) {
    std::string ext = path.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext;
}

bool writeSeed(const fs::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

} // namespace

void Put16le(Bytes& b, std::uint32_t v) {
    b.insert(b.end(), {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8)});
}
void Put32le(Bytes& b, std::uint32_t v) {
    Put16le(b, v & 0xFFFF);
    Put16le(b, v >> 16);
}
void Put16be(Bytes& b, std::uint32_t v) {
    b.insert(b.end(), {static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)});
}
void Put32be(Bytes& b, std::uint32_t v) {
    Put16be(b, v >> 16);
    Put16be(b, v & 0xFFFF);
}
Bytes BytesOf(const std::string& text) {
    return Bytes(text.begin(), text.end());
}
Seed WithKind(std::uint8_t kind, std::string name, const Bytes& bytes) {
    Seed seed{std::move(name), {kind}};
    seed.bytes.insert(seed.bytes.end(), bytes.begin(), bytes.end());
    return seed;
}

// A JPEG with an ICC profile in one APP2 segment after its SOI.
Bytes WithIccSegment(const Bytes& jpeg, const Bytes& icc) {
    Bytes out(jpeg.begin(), jpeg.begin() + 2);
    const std::size_t length = 2 + 14 + icc.size();
    out.insert(out.end(), {0xFF, 0xE2, static_cast<std::uint8_t>(length >> 8),
                           static_cast<std::uint8_t>(length & 0xFF)});
    const std::string tag("ICC_PROFILE\0", 12);
    out.insert(out.end(), tag.begin(), tag.end());
    out.insert(out.end(), {1, 1});
    out.insert(out.end(), icc.begin(), icc.end());
    out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
    return out;
}

// Colour readers: kind 0 profiles, kind 1 a profile in length-prefixed
// APP2 payloads, kind 2 an EXIF block marking Adobe RGB.
std::vector<Seed> ColourSeeds() {
    std::vector<Seed> seeds;
    const Bytes adobe = lumora::AdobeRgbProfile()->Bytes();
    seeds.push_back(WithKind(0, "adobe.icc", adobe));
    seeds.push_back(WithKind(0, "srgb.icc", lumora::SrgbProfile()->Bytes()));
    Bytes parts;
    const std::size_t step = 200;
    const int count = static_cast<int>((adobe.size() + step - 1) / step);
    for (int i = 0; i < count; ++i) {
        const std::size_t from = i * step, to = std::min(adobe.size(), from + step);
        parts.push_back(static_cast<std::uint8_t>(14 + to - from));
        const std::string tag("ICC_PROFILE\0", 12);
        parts.insert(parts.end(), tag.begin(), tag.end());
        parts.push_back(static_cast<std::uint8_t>(i + 1));
        parts.push_back(static_cast<std::uint8_t>(count));
        parts.insert(parts.end(), adobe.begin() + from, adobe.begin() + to);
    }
    seeds.push_back(WithKind(1, "segments", parts));
    Bytes exif = BytesOf(std::string("Exif\0\0II*\0\x08\0\0\0", 14));
    const auto entry = [&](std::uint16_t tag, std::uint16_t type, std::uint32_t value) {
        Put16le(exif, tag), Put16le(exif, type), Put32le(exif, 1), Put32le(exif, value);
    };
    Put16le(exif, 1), entry(0x8769, 4, 26), Put32le(exif, 0);
    Put16le(exif, 2), entry(0xA001, 3, 0xFFFF), entry(0xA005, 4, 56), Put32le(exif, 0);
    Put16le(exif, 1), Put16le(exif, 1), Put16le(exif, 2), Put32le(exif, 4);
    exif.insert(exif.end(), {'R', '0', '3', 0});
    Put32le(exif, 0);
    seeds.push_back(WithKind(2, "exif-r03", exif));
    return seeds;
}

std::vector<Seed> SeedsFor(const std::string& target) {
    if (target == "fuzz-colour")
        return ColourSeeds();
    if (target == "fuzz-picture")
        return PictureSeeds();
    if (target == "fuzz-jpeg") {
        // Kind byte 0: a plain JPEG; 1 and 2: the start-of-image damage of
        // the two RAW kinds that store it so.
        std::vector<Seed> seeds;
        for (const Seed& s : JpegSeeds()) {
            seeds.push_back(WithKind(0, s.name, s.bytes));
            Bytes mrw = s.bytes, erf = s.bytes;
            mrw[0] = 0x00;
            erf[0] = 0x00;
            seeds.push_back(WithKind(1, "mrw-" + s.name, mrw));
            seeds.push_back(WithKind(2, "erf-" + s.name, erf));
        }
        // Kind byte 6: a plain JPEG converted by its embedded profile.
        if (!JpegSeeds().empty())
            seeds.push_back(WithKind(
                6, "icc-" + JpegSeeds().front().name,
                WithIccSegment(JpegSeeds().front().bytes, lumora::AdobeRgbProfile()->Bytes())));
        return seeds;
    }
    if (target == "fuzz-tiff")
        return TiffSeeds();
    if (target == "fuzz-psd")
        return PsdSeeds();
    if (target == "fuzz-settings")
        return SettingsSeeds();
    if (target == "fuzz-handover")
        return HandOverSeeds();
    if (target == "fuzz-filelist")
        return FileListSeeds();
    if (target == "fuzz-mountinfo")
        return MountInfoSeeds();
    if (target == "fuzz-worksheetlist")
        return WorkSheetListSeeds();
    if (target == "fuzz-thumbcache")
        return ThumbCacheSeeds();
    if (target == "fuzz-rawparser" || target == "fuzz-thumbnail")
        return ModernRawSeeds(true);
    if (target == "fuzz-isobmff")
        return ModernRawSeeds(false);
    return {};
}

int main(int argc, char** argv) {
    if (argc < 5) {
        std::fprintf(stderr,
                     "usage: fuzz-seeds NAME SEEDS MAX_LEN SAMPLES [--prefix] [.ext[,.ext]...]\n");
        return 2;
    }
    // Qt's image writers and text codecs need an application object; the
    // offscreen platform needs no display.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    int qtArgc = 1;
    QGuiApplication app(qtArgc, argv);

    const std::string name = argv[1];
    const fs::path seeds = argv[2];
    const std::size_t maxLen = std::strtoull(argv[3], nullptr, 10);
    const std::string samples = argv[4];
    int first = 5;
    const bool prefix = argc > 5 && std::strcmp(argv[5], "--prefix") == 0;
    if (prefix)
        ++first;
    std::vector<std::vector<std::string>> groups;
    for (int i = first; i < argc; ++i)
        groups.push_back(splitList(argv[i], ','));

    std::error_code ec;
    fs::remove_all(seeds, ec);
    fs::create_directories(seeds);
    int made = 0, copied = 0;

    for (const Seed& seed : SeedsFor(name)) {
        if (seed.bytes.empty() || seed.bytes.size() > maxLen)
            continue;
        made += writeSeed(seeds / ("made-" + seed.name), seed.bytes);
    }

    auto take = [&](const fs::directory_entry& entry, const std::string& folder) {
        const std::string ext = lowerExtension(entry.path());
        const auto group = std::find_if(groups.begin(), groups.end(), [&](const auto& g) {
            return std::find(g.begin(), g.end(), ext) != g.end();
        });
        std::error_code sizeError;
        if (group == groups.end() || !entry.is_regular_file() ||
            entry.file_size(sizeError) + (prefix ? 1 : 0) > maxLen || sizeError)
            return;
        std::ifstream in(entry.path(), std::ios::binary);
        Bytes bytes;
        if (prefix)
            bytes.push_back(static_cast<std::uint8_t>(group - groups.begin()));
        bytes.insert(bytes.end(), std::istreambuf_iterator<char>(in),
                     std::istreambuf_iterator<char>());
        copied += writeSeed(seeds / (folder + "-" + entry.path().filename().string()), bytes);
    };
    // Each sample folder: its files and those of its subfolders (the
    // exiftool readings aside).
    for (const std::string& root : splitList(samples, ':')) {
        const std::string rootName = fs::path(root).filename().string();
        for (const auto& entry : fs::directory_iterator(root, ec)) {
            if (!entry.is_directory()) {
                take(entry, rootName);
                continue;
            }
            if (entry.path().filename() == "expected")
                continue;
            for (const auto& inner : fs::directory_iterator(entry.path(), ec))
                take(inner, entry.path().filename().string());
        }
    }
    std::printf("%s: %d seeds made, %d taken from the samples, in %s\n", name.c_str(), made, copied,
                seeds.c_str());
    return 0;
}
