// libFuzzer entry for the TIFF decoder: reduced as for thumbnails, and at
// full size as for the preview, both within the fuzz picture bound (the
// library's allocations bounded too).
#include "FuzzInput.h"

#include "imaging/TiffDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace lumora;
    if (fuzz::TooLong(size))
        return 0;
    const std::string& path = fuzz::InputFile(data, size);
    TiffOptions options;
    options.maxSourcePixels = fuzz::kMaxPixels;
    options.maxLibraryAllocation = fuzz::kMaxLibraryAllocation;
    options.subsampleTarget = 8; // every reduction step on these small pictures
    const DecodeOutput reduced = CTiffDecoder::Decode(path, options);
    if (reduced.sourceWidth > 0 && reduced.sourceHeight > 0) {
        options.subsampleTarget = 0;
        (void)CTiffDecoder::Decode(path, options);
    }
    return 0;
}
