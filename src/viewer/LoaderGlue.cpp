#include "viewer/LoaderGlue.h"

#include "imaging/ImageLoader.h"

namespace lumora {

DecodeOutput DecodeFullPicture(const ImageItem& item, const CancelTest& cancel,
                               const SizeCallback& onSize, const RowWatch* watch) {
    // Converted into the display's colours on the loader thread, band by
    // band as the rows are decoded.
    return DecodeForLoader(item, 0, cancel, onSize, watch, DisplayProfile());
}

bool DecodesAsJpeg(ImageKind kind) {
    return isJpegKind(kind);
}

} // namespace lumora
