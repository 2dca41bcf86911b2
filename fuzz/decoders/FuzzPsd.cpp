// libFuzzer entry for the layered-image reader: header and sections, the
// walk over the image resources for the JPEG thumbnail, the composite as
// the viewer reads it, and the thumbnail the engine makes from the file.
#include "FuzzApp.h"
#include "FuzzInput.h"

#include "imaging/ImageItem.h"
#include "imaging/PsdReader.h"
#include "imaging/ThumbnailDecoder.h"

LUMORA_FUZZ_GUI_APPLICATION

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace lumora;
    if (fuzz::TooLong(size))
        return 0;
    const std::string& path = fuzz::InputFile(data, size);
    CPsdReader reader;
    if (reader.Open(path)) {
        DibImage composite;
        reader.ReadComposite(composite, fuzz::kMaxPixels);
    }
    ImageItem item = ImageItem::FromPath(path, ImageKind::Psd);
    // The box the placeholder card is drawn at: no reduction of it per input.
    ThumbnailBox box{160, 120, true};
    box.maxSourcePixels = fuzz::kMaxPixels;
    DecodeThumbnail(item, box);
    return 0;
}
