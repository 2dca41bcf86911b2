// libFuzzer entry for the picture decoder (BMP, GIF, ICO, CUR): the first
// byte picks the kind whose background the decode uses, the rest is the file.
#include "FuzzFile.h"

#include "imaging/PictureDecoder.h"

#include <iterator>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static constexpr int kKinds[] = {258, 259, 260, 261};
    if (size < 1)
        return 0;
    const int kind = kKinds[data[0] % std::size(kKinds)];
    const std::string& path = lumora::fuzz::InputFile(data + 1, size - 1);
    lumora::CPictureDecoder::Decode(path, lumora::CPictureDecoder::ThumbnailOptions(kind));
    return 0;
}
