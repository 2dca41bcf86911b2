#include "imaging/ImageItem.h"

namespace lumora {

std::string_view FileNameOf(std::string_view path) {
    std::size_t slash = path.find_last_of('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

ImageItem ImageItem::FromPath(std::string path, ImageKind kind) {
    ImageItem item;
    item.fileName = FileNameOf(path);
    item.path = std::move(path);
    item.kind = kind;
    item.exifScanned = kindHasExif(kind) ? 0 : 1;
    return item;
}

void ImageItem::Reset() {
    ImageItem fresh = FromPath(std::move(path), kind);
    fresh.id = id;
    // The marks stay: they are small, the user may just have set them, and
    // the filter decides by them.
    fresh.marks = marks;
    fresh.marksScanned = marksScanned;
    fresh.marksListed = marksListed;
    fresh.marksSidecar = std::move(marksSidecar);
    *this = std::move(fresh);
}

void ImageItem::TakeScanFields(ImageItem&& scanned) {
    thumbFromSidecar = scanned.thumbFromSidecar;
    sidecarName = std::move(scanned.sidecarName);
    imageInfo = std::move(scanned.imageInfo);
    shootingInfo = std::move(scanned.shootingInfo);
    makerNoteKind = scanned.makerNoteKind;
    makerNote = std::move(scanned.makerNote);
    thumbOffset = scanned.thumbOffset;
    thumbLength = scanned.thumbLength;
    previewOffset = scanned.previewOffset;
    previewLength = scanned.previewLength;
    thumbStatedWidth = scanned.thumbStatedWidth;
    thumbStatedHeight = scanned.thumbStatedHeight;
    largeThumbOffset = scanned.largeThumbOffset;
    largeThumbLength = scanned.largeThumbLength;
    useEmbedded = scanned.useEmbedded;
    caption = scanned.caption;
    exifScanned = scanned.exifScanned;
    if (!marksScanned && scanned.marksScanned) {
        marks = scanned.marks;
        marksScanned = 1;
    }
    if (scanned.fileStatus.mode != 0) {
        fileStatus = scanned.fileStatus;
        readOnly = scanned.readOnly;
    }
}

} // namespace lumora
