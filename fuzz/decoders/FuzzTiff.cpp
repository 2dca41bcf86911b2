// libFuzzer entry for the TIFF decoder: reduced as for thumbnails and, for
// pictures of a modest size, at full size as for the preview.
#include "FuzzFile.h"

#include "imaging/TiffDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& path = lumora::fuzz::InputFile(data, size);
    lumora::TiffOptions thumbnail;
    thumbnail.subsampleTarget = 160;
    const lumora::DecodeOutput reduced = lumora::CTiffDecoder::Decode(path, thumbnail);
    if (static_cast<std::int64_t>(reduced.sourceWidth) * reduced.sourceHeight <= 4'000'000)
        lumora::CTiffDecoder::Decode(path, lumora::TiffOptions{});
    return 0;
}
