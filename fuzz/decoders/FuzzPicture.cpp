// libFuzzer entry for the picture decoder (BMP, GIF, ICO, CUR): the first
// byte picks the kind, the rest is the file. The file is decoded as the
// viewer does (black background) and as the thumbnail engine does (the
// kind's background, fitted into the box; icons and cursors keep their
// colours exact).
#include "FuzzApp.h"
#include "FuzzInput.h"

#include "imaging/ImageItem.h"
#include "imaging/PictureDecoder.h"
#include "imaging/ThumbnailDecoder.h"

#include <iterator>

LUMORA_FUZZ_GUI_APPLICATION

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace lumora;
    static constexpr ImageKind kKinds[] = {ImageKind::Bmp, ImageKind::Gif, ImageKind::Ico,
                                           ImageKind::Cur};
    if (size < 1 || fuzz::TooLong(size))
        return 0;
    const ImageKind kind = kKinds[data[0] % std::size(kKinds)];
    const std::string& path = fuzz::InputFile(data + 1, size - 1);

    PictureOptions viewer;
    viewer.maxPixels = fuzz::kMaxPixels;
    (void)CPictureDecoder::Decode(path, viewer);

    ImageItem item = ImageItem::FromPath(path, kind);
    // The box the placeholder card is drawn at: no reduction of it per input.
    ThumbnailBox box{160, 120, true};
    box.maxSourcePixels = fuzz::kMaxPixels;
    DecodeThumbnail(item, box);
    return 0;
}
