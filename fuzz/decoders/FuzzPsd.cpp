// libFuzzer entry for the layered-image reader: header and sections, the
// walk over the image resources for the JPEG thumbnail, the composite, and
// the thumbnail decode the engine makes from it.
#include "FuzzFile.h"

#include "engine/ImageItemList.h"
#include "imaging/PsdReader.h"
#include "imaging/ThumbnailDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& path = lumora::fuzz::InputFile(data, size);
    lumora::CPsdReader reader;
    if (reader.Open(path)) {
        lumora::DibImage composite;
        reader.ReadComposite(composite);
    }
    lumora::ImageItem item = lumora::ImageItem::FromPath(path, lumora::ImageKind::Psd);
    lumora::DecodeThumbnail(item, lumora::ThumbnailBox{120, 90, true});
    return 0;
}
