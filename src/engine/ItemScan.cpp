// The shooting-information scan of one item with the metadata parser.
#include "engine/ImageItemList.h"

#include "engine/FileAccess.h"
#include "engine/ItemMarks.h"

#include "imaging/ModernPicture.h"
#include "imaging/RawParser.h"

#include <cstdint>
#include <memory>

#include <sys/stat.h>

namespace lumora {

namespace {

// One parser per scanning thread, reused from file to file: its read
// windows are allocated once instead of for every file.
CRawParser& threadParser() {
    thread_local std::unique_ptr<CRawParser> parser = std::make_unique<CRawParser>();
    return *parser;
}

// HEIF, AVIF, PNG, WebP, JPEG XL: the size from the picture's own header,
// the shooting information from its EXIF block when it has one. The
// thumbnail always comes from the picture itself (a HEIF thumbnail item is
// its decoder's business).
void scanModernPicture(ImageItem& it, CRawParser& parser) {
    ModernPictureInfo info;
    if (!OpenModernPicture(it.path, it.kind, parser, info)) {
        parser.Close();
        return;
    }
    struct stat st {};
    if (::stat(it.path.c_str(), &st) == 0) {
        it.fileStatus = FileStatusOf(st);
        it.readOnly = UserMayWriteStatus(st, it.path) ? 0 : 1;
    }
    it.imageInfo = ImageInfo{};
    it.shootingInfo = ShootingInfo{};
    MakerNote note;
    it.makerNoteKind = kMakerNoteNone;
    if (info.exifParsed) {
        parser.GetImageInfo(it.imageInfo);
        parser.GetShootingInfo(it.shootingInfo);
        it.makerNoteKind = parser.GetMakerNoteKind();
        if (it.makerNoteKind == kMakerNoteCanon || it.makerNoteKind == kMakerNoteNikon ||
            it.makerNoteKind == kMakerNoteFujifilm)
            parser.GetMakerNote(note);
    }
    parser.Close();
    // The picture's own size as shown: EXIF sizes of phone files often
    // describe a tile or the picture before it was turned.
    it.imageInfo.width = static_cast<std::uint32_t>(info.probe.sourceWidth);
    it.imageInfo.height = static_cast<std::uint32_t>(info.probe.sourceHeight);
    it.sidecarName.clear();
    it.thumbFromSidecar = 0;
    it.thumbOffset = 0;
    it.thumbLength = 0;
    it.useEmbedded = 0;
    it.previewOffset = 0;
    it.previewLength = 0;
    it.makerNote.reset();
    it.caption = DeriveCaptionSummary(it.shootingInfo, note);
    if (!std::holds_alternative<std::monostate>(note))
        it.makerNote.emplace(std::move(note));
    it.exifScanned = 1;
}

} // namespace

void ScanItemInfo(ImageItem& item) {
    if (item.exifScanned) {
        ReadItemMarks(item, nullptr);
        return;
    }
    CRawParser& parser = threadParser();
    if (isModernPictureKind(item.kind)) {
        try {
            scanModernPicture(item, parser);
        } catch (...) {
            parser.Close();
        }
        return;
    }
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
        it.thumbStatedWidth = parser.GetThumbnailWidth();
        it.thumbStatedHeight = parser.GetThumbnailHeight();
        it.largeThumbOffset = 0;
        it.largeThumbLength = 0;
        if (parser.GetLargeThumbnailLength() != 0 &&
            parser.GetLargeThumbnailPosition() <= UINT32_MAX) {
            it.largeThumbOffset = static_cast<uint32_t>(parser.GetLargeThumbnailPosition());
            it.largeThumbLength = parser.GetLargeThumbnailLength();
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
        // Every kind with a record hands it on (an Olympus note has none).
        MakerNote note;
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
