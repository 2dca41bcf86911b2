// Writes the seeds of fuzz-isobmff: the shared CR3 files and a generated CR3.
#include "samples/SampleGen.h"

#include <cstdio>
#include <filesystem>

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make-isobmff-seeds SAMPLES OUT\n");
        return 2;
    }
    const fs::path samples = argv[1];
    const fs::path out = argv[2];
    std::error_code ec;
    fs::create_directories(out, ec);
    for (const char* folder : {"modern", "hostile"}) {
        for (const auto& e : fs::directory_iterator(samples / folder, ec)) {
            const std::string ext = e.path().extension().string();
            if (e.is_regular_file() && (ext == ".cr3" || ext == ".heic" || ext == ".avif")) {
                fs::copy_file(e.path(), out / e.path().filename(),
                              fs::copy_options::overwrite_existing, ec);
            }
        }
    }
    try {
        lumora::samples::writeCr3(out.string(), "generated.cr3");
        // The boxes lie in the first kilobytes; the pictures only slow the fuzzer.
        const fs::path generated = out / "generated.cr3";
        if (fs::file_size(generated, ec) > 65536) {
            fs::resize_file(generated, 65536, ec);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make-isobmff-seeds: %s\n", e.what());
        return 1;
    }
    return 0;
}
