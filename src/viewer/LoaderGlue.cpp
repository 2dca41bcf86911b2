#include "viewer/LoaderGlue.h"

#include "imaging/ImageLoader.h"

namespace lumora {

DecodeOutput DecodeFullPicture(const ImageItem& item, const CancelTest& cancel,
                               const SizeCallback& onSize, const RowWatch* watch) {
    return DecodeForLoader(item, 0, cancel, onSize, watch);
}

bool DecodesAsJpeg(ImageKind kind) {
    return isJpegKind(kind);
}

} // namespace lumora
