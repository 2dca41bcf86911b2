// Small files of the current RAW kinds, written by the sample generator with
// its pictures shrunk: the structure (directories, notes, boxes, the JPEGs'
// headers) is the real one, the bytes stay within a fuzz input's length.
#include "SeedRecipes.h"

#include "samples/Canvas.h"
#include "samples/SampleGen.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace lumora::samples;

namespace {

// Each picture at a sixteenth of its size: a 6000 x 4000 JPEG becomes 375 x 250.
constexpr int kDivisor = 16;

Bytes readAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace

std::vector<Seed> ModernRawSeeds(bool withKind) {
    struct Writer {
        WrittenSample (*write)(const std::string&, const std::string&);
        const char* name;
        std::uint8_t group; // index of its extension in the targets' seed groups
    };
    static const Writer writers[] = {
        {writeArw, "sony.arw", 11},        {writeDng, "pentax.dng", 13},
        {writeLinearDng, "phone.dng", 13}, {writeRw2, "panasonic.rw2", 14},
        {writeNrw, "nikon.nrw", 16},       {writeSrw, "samsung.srw", 17},
        {writeCr3, "canon.cr3", 19}};
    const fs::path dir =
        fs::temp_directory_path() / ("lumora-raw-seeds-" + std::to_string(::getpid()));
    std::error_code ec;
    fs::create_directories(dir, ec);
    setPictureDivisor(kDivisor);
    std::vector<Seed> seeds;
    for (const Writer& w : writers) {
        if (!withKind && std::string(w.name).find(".cr3") == std::string::npos)
            continue;
        w.write(dir.string(), w.name);
        const Bytes bytes = readAll(dir / w.name);
        seeds.push_back(withKind ? WithKind(w.group, w.name, bytes) : Seed{w.name, bytes});
    }
    setPictureDivisor(1);
    fs::remove_all(dir, ec);
    return seeds;
}
