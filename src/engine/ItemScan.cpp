// The shooting-information scan of one item with the metadata parser.
#include "engine/ImageItemList.h"

#include "engine/FileAccess.h"
#include "engine/ItemMarks.h"

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
    if (item.exifScanned) {
        ReadItemMarks(item, nullptr);
        return;
    }
    CRawParser& parser = threadParser();
    try {
        if (!parser.Open(item.path, kindCode(item.kind))) {
            parser.Close(); // a file that opened but did not parse is let go at once
            ReadItemMarks(item, nullptr);
            return;
        }
        ImageItem& it = item;
        // The status and read-only mark come from the open's own fstat, so
        // making the thumbnail needs no second look at the file.
        if (const struct stat* st = parser.GetFileStatus()) {
            it.fileStatus = FileStatusOf(*st);
            it.readOnly = UserMayWriteStatus(*st, it.path) ? 0 : 1;
        }
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
        it.makerNote.reset();
        MakerNote note;
        if (it.makerNoteKind == kMakerNoteCanon || it.makerNoteKind == kMakerNoteNikon ||
            it.makerNoteKind == kMakerNoteFujifilm)
            parser.GetMakerNote(note);
        it.caption = DeriveCaptionSummary(it.shootingInfo, note);
        if (!std::holds_alternative<std::monostate>(note))
            it.makerNote.emplace(std::move(note));
        ReadItemMarks(it, &parser);
        parser.Close();
        it.exifScanned = 1;
    } catch (...) {
        // A parser failure ends the scan without changing the item further.
        parser.Close();
        try {
            ReadItemMarks(item, nullptr);
        } catch (...) {
        }
    }
}

} // namespace lumora
