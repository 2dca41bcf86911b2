// The shooting-information scan of one item with the metadata parser.
#include "engine/ImageItemList.h"

#include "imaging/RawParser.h"

#include <memory>

namespace lumora {

namespace {

// One parser per scanning thread, reused from file to file: its read
// windows are allocated once instead of for every file.
CRawParser& threadParser() {
    thread_local std::unique_ptr<CRawParser> parser = std::make_unique<CRawParser>();
    return *parser;
}

} // namespace

void ScanItemInfo(ImageItem& item) {
    if (item.exifScanned)
        return;
    CRawParser& parser = threadParser();
    try {
        if (!parser.Open(item.path, kindCode(item.kind)))
            return;
        ImageItem& it = item;
        parser.GetImageInfo(it.imageInfo);
        parser.GetShootingInfo(it.shootingInfo);
        it.sidecarName.clear();
        it.thumbFromSidecar = 0;
        if (parser.GetThumbnailLength() != 0) {
            it.thumbLength = parser.GetThumbnailLength();
            it.thumbOffset = static_cast<uint32_t>(parser.GetThumbnailPosition());
            it.useEmbedded = 1;
        } else if (parser.HasSidecarThumbnail()) {
            it.sidecarName = parser.GetSidecarName();
            it.thumbFromSidecar = 1;
            it.useEmbedded = 1;
        } else {
            it.thumbOffset = 0;
        }
        if (item.kind != ImageKind::Jpeg) {
            it.previewOffset = static_cast<uint32_t>(parser.GetPreviewPosition());
            it.previewLength = parser.GetPreviewLength();
        } else {
            it.previewOffset = 0;
            it.previewLength = 0;
        }
        it.makerNoteKind = parser.GetMakerNoteKind();
        it.makerNote = MakerNote{};
        if (it.makerNoteKind == kMakerNoteCanon || it.makerNoteKind == kMakerNoteNikon ||
            it.makerNoteKind == kMakerNoteFujifilm)
            parser.GetMakerNote(it.makerNote);
        it.caption = DeriveCaptionSummary(it.shootingInfo, it.makerNote);
        parser.Close();
        it.exifScanned = 1;
    } catch (...) {
        // A parser failure ends the scan without changing the item further.
        parser.Close();
    }
}

} // namespace lumora
