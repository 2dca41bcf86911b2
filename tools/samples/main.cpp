// lumora-samples DIR: writes the demo folder of camera-like sample files.
#include "SampleGen.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

int main(int argc, char** argv) {
    const bool many = argc == 4 && std::string(argv[1]) == "--camera-jpegs";
    if (!many && (argc != 2 || std::string(argv[1]) == "--help")) {
        std::fprintf(stderr, "usage: lumora-samples DIR\n"
                             "       lumora-samples --camera-jpegs COUNT DIR\n");
        return 2;
    }
    try {
        if (many) {
            lumora::samples::CameraJpegOptions base;
            base.camera = lumora::samples::canonCamera();
            const auto written =
                lumora::samples::writeCameraJpegFolder(argv[3], std::atoi(argv[2]), base);
            std::printf("%zu camera JPEGs written to %s\n", written.size(), argv[3]);
            return 0;
        }
        const auto written = lumora::samples::writeSampleFolder(argv[1]);
        for (const auto& w : written) {
            std::printf("%-24s kind %3d  %4dx%-4d", w.name.c_str(), w.kind, w.width, w.height);
            if (w.thumbnail.length)
                std::printf("  thumbnail %llu+%llu", (unsigned long long)w.thumbnail.offset,
                            (unsigned long long)w.thumbnail.length);
            if (w.preview.length)
                std::printf("  preview %llu+%llu", (unsigned long long)w.preview.offset,
                            (unsigned long long)w.preview.length);
            if (!w.sidecar.empty())
                std::printf("  sidecar %s", w.sidecar.c_str());
            std::printf("  (%s)\n", w.note.c_str());
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "lumora-samples: %s\n", e.what());
        return 1;
    }
    return 0;
}
