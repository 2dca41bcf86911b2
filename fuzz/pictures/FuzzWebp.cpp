// Fuzz target: any bytes through the WebP glue, as a full decode, as a
// decode for a thumbnail box and as a probe (metadata only).
#include "FuzzInput.h"

#include "formats/webp/WebpFile.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (lumora::fuzz::TooLong(size))
        return 0;
    lumora::picture::Request request;
    request.maxPixels = lumora::fuzz::kMaxPixels;
    for (int mode = 0; mode < 3; ++mode) {
        request.boxLongSide = mode == 1 ? 64 : 0;
        request.pixels = mode != 2;
        const lumora::picture::Picture p = lumora::webp::ReadMemory(data, size, request);
        if (p.hasPixels() &&
            p.pixels.size() < static_cast<std::size_t>(p.width) * p.height * p.channels)
            __builtin_trap();
    }
    return 0;
}
