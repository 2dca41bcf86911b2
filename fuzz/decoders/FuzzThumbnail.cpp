// libFuzzer entry for the thumbnail of one camera file as the engine makes
// it: the item's scan (where the embedded JPEG lies, orientation, aspect)
// and the thumbnail from the embedded JPEG, turned and cropped, or from the
// whole file. The first byte picks the kind, as for fuzz-rawparser.
#include "FuzzApp.h"
#include "FuzzInput.h"

#include "engine/ImageItemList.h"
#include "imaging/ImageItem.h"
#include "imaging/ThumbnailDecoder.h"

#include <iterator>

LUMORA_FUZZ_GUI_APPLICATION

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace lumora;
    static constexpr ImageKind kKinds[] = {
        ImageKind::Jpeg, ImageKind::Cr2, ImageKind::Nef, ImageKind::Orf, ImageKind::Pef,
        ImageKind::Mrw, ImageKind::Erf, ImageKind::Raf, ImageKind::Sr2, ImageKind::Crw,
        ImageKind::Tiff,
        // the current kinds, in the order of their seed groups
        ImageKind::Arw, ImageKind::Srf, ImageKind::Dng, ImageKind::Rw2, ImageKind::Rwl,
        ImageKind::Nrw, ImageKind::Srw, ImageKind::ThreeFr, ImageKind::Cr3};
    if (size < 1 || fuzz::TooLong(size))
        return 0;
    const ImageKind kind = kKinds[data[0] % std::size(kKinds)];
    const std::string& path = fuzz::InputFile(data + 1, size - 1);
    ImageItem item = ImageItem::FromPath(path, kind);
    ScanItemInfo(item);
    // The box the placeholder card is drawn at: no reduction of it per input.
    ThumbnailBox box{160, 120, true};
    box.maxSourcePixels = fuzz::kMaxPixels;
    DecodeThumbnail(item, box);
    // A box larger than a stated 160 x 120 thumbnail takes the larger picture.
    if (item.largeThumbLength != 0) {
        ThumbnailBox large{320, 240, true};
        large.maxSourcePixels = fuzz::kMaxPixels;
        DecodeThumbnail(item, large);
    }
    return 0;
}
