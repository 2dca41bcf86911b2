// lumora-pixbench [--quick]: times CImageTools on camera-sized pictures and
// prints milliseconds per call and megapixels per second.
#include "imaging/ImageTools.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

using lumora::CImageTools;
using lumora::DibImage;

namespace {

DibImage noise(int w, int h) {
    DibImage img(w, h);
    uint32_t x = 12345;
    for (std::size_t i = 0; i < img.byteSize(); ++i) {
        x = x * 1103515245u + 12345u;
        img.bits()[i] = static_cast<uint8_t>(x >> 16);
    }
    return img;
}

// Best of `runs` timings, in milliseconds.
double best(int runs, const std::function<void()>& fn) {
    double bestMs = 1e30;
    for (int i = 0; i < runs; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        fn();
        const auto t1 = std::chrono::steady_clock::now();
        bestMs = std::min(bestMs, std::chrono::duration<double, std::milli>(t1 - t0).count());
    }
    return bestMs;
}

void report(const char* what, int w, int h, double ms) {
    std::printf("%-34s %5dx%-5d %9.2f ms %8.0f Mpx/s\n", what, w, h, ms,
                double(w) * h / (ms * 1000.0));
}

} // namespace

int main(int argc, char** argv) {
    const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
    const int runs = quick ? 2 : 5;
    struct Size {
        int w, h;
    };
    const std::vector<Size> sizes = quick
                                        ? std::vector<Size>{{1600, 1200}}
                                        : std::vector<Size>{{640, 480}, {1600, 1200}, {6000, 4000}};
    for (const Size& s : sizes) {
        const DibImage src = noise(s.w, s.h);
        DibImage out;
        report("ResizeArea to 160 wide", s.w, s.h,
               best(runs, [&] { out = CImageTools::ResizeArea(src, 160, 160 * s.h / s.w); }));
        DibImage bil(160, 160 * s.h / s.w);
        report("ResizeBilinear to 160 wide", s.w, s.h, best(runs, [&] {
                   CImageTools::ResizeBilinear(s.w, s.h, src.stride(), src.bits(), bil.width(),
                                               bil.height(), bil.stride(), bil.bits());
               }));
        DibImage turned = src.clone();
        report("RotateRight90", s.w, s.h, best(runs, [&] { CImageTools::RotateRight90(turned); }));
        std::vector<uint8_t> r(std::size_t(s.w) * s.h), g(r.size()), b(r.size());
        report("ConvertToYCbCrPlanes", s.w, s.h, best(runs, [&] {
                   CImageTools::ConvertToYCbCrPlanes(s.w, s.h, src.bits(), r.data(), g.data(),
                                                     b.data(), 3);
               }));
        uint32_t table[256];
        report("ComputeHistogram (one plane)", s.w, s.h, best(runs, [&] {
                   CImageTools::ComputeHistogram(r.data(), r.size(), table, 19200);
               }));
    }
    return 0;
}
