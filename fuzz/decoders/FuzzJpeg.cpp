// libFuzzer entry for the JPEG decoder: the first byte picks the kind (a
// plain JPEG read as a whole file, or an embedded block of one of the RAW
// kinds whose start-of-image bytes are stored damaged) and whether the
// picture is reduced for a thumbnail or decoded at full size, and whether
// its embedded profile and EXIF marking are applied while decoding.
#include "FuzzInput.h"

#include "imaging/JpegDecoder.h"

#include <cstring>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace lumora;
    static constexpr int kKinds[] = {0, 21, 22};
    if (size < 2 || fuzz::TooLong(size))
        return 0;
    const int kind = kKinds[data[0] % 3];
    JpegOptions options;
    options.scaleTarget = (data[0] / 3) % 2 == 0 ? 8 : 0;
    options.maxSourcePixels = fuzz::kMaxPixels;
    if ((data[0] / 6) % 2 == 1)
        options.colourTarget = SrgbProfile();
    ++data;
    --size;
    if (kind == 0) {
        (void)CJpegDecoder::Decode(JpegSource{fuzz::InputFile(data, size)}, options);
    } else {
        // The block is patched in place, as the loaders' own copy is.
        auto block = std::make_unique<std::uint8_t[]>(size);
        std::memcpy(block.get(), data, size);
        (void)CJpegDecoder::DecodeMemory(block.get(), size, kind, options);
    }
    return 0;
}
