// One listed image file: its path and kind, the shooting information read
// from it, its thumbnail and pre-image, and its state bits in the view.
// A value type: every heap part is an owned member, and a copy is a deep
// copy, so a thread that copied an item out of the list never shares memory
// with the list. An item inside an ImageItemList is touched only under the
// list's lock; everywhere else an item belongs to the thread holding it.
#pragma once

#include "imaging/DibImage.h"
#include "imaging/ImageKind.h"
#include "marks/Marks.h"
#include "metadata/CaptionSummary.h"
#include "metadata/ImageInfo.h"
#include "metadata/MakerNotes.h"
#include "metadata/ShootingInfo.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

namespace lumora {

// A DibImage that can be copied: the copy owns its own pixels. A moved-from
// buffer is left empty (null pixels, zero size and header).
class PixelBuffer : public DibImage {
public:
    PixelBuffer() = default;
    PixelBuffer(DibImage&& image) noexcept : DibImage(std::move(image)) { image = DibImage{}; }
    PixelBuffer(const PixelBuffer& other) : DibImage(other.clone()) {}
    PixelBuffer(PixelBuffer&& other) noexcept : DibImage(std::move(other)) { other.clear(); }
    PixelBuffer& operator=(const PixelBuffer& other) {
        if (this != &other)
            DibImage::operator=(other.clone());
        return *this;
    }
    PixelBuffer& operator=(PixelBuffer&& other) noexcept {
        if (this != &other) {
            DibImage::operator=(std::move(other));
            other.clear();
        }
        return *this;
    }
    PixelBuffer& operator=(DibImage&& image) noexcept {
        DibImage::operator=(std::move(image));
        image = DibImage{};
        return *this;
    }
    void clear() { DibImage::operator=(DibImage{}); }
};

// An owned heap value, absent or present; a copy is a deep copy. Keeps a
// large, mostly absent record out of every item.
template <typename T> class OwnedBox {
public:
    OwnedBox() = default;
    OwnedBox(const OwnedBox& other)
        : value_(other.value_ ? std::make_unique<T>(*other.value_) : nullptr) {}
    OwnedBox(OwnedBox&&) noexcept = default;
    OwnedBox& operator=(const OwnedBox& other) {
        if (this != &other)
            value_ = other.value_ ? std::make_unique<T>(*other.value_) : nullptr;
        return *this;
    }
    OwnedBox& operator=(OwnedBox&&) noexcept = default;

    void emplace(T value) { value_ = std::make_unique<T>(std::move(value)); }
    void reset() { value_.reset(); }
    explicit operator bool() const { return value_ != nullptr; }
    T* get() { return value_.get(); }
    const T* get() const { return value_.get(); }
    T& operator*() { return *value_; }
    const T& operator*() const { return *value_; }

private:
    std::unique_ptr<T> value_;
};

// File status taken when the thumbnail is made; all zero before.
struct FileStatus {
    uint32_t mode = 0;
    int64_t size = 0;
    int64_t accessTime = 0; // seconds since the epoch
    int64_t modificationTime = 0;
    int64_t changeTime = 0;
    bool operator==(const FileStatus&) const = default;
};

// Item state bits.
constexpr int32_t kStateCursor = 1;
constexpr int32_t kStateSelected = 2;

// The thumbnail fields that the thumbnail maker writes back as one block.
struct ThumbnailBlock {
    int32_t thumbDecoded = 0; // a thumbnail was decoded from the file
    int32_t thumbReal = 0;    // 1: shows the picture; 0: the placeholder
    PixelBuffer thumbBits;    // 24-bit bottom-up; null until made
    PixelBuffer preimageBits; // the reduced decoded image the thumbnail came from; may be null
    int32_t srcX = 0, srcWidth = 0, srcY = 0, srcHeight = 0;
    int32_t dstX = 0;
    int32_t thumbWidth = 0;
    int32_t dstY = 0;
    int32_t thumbHeight = 0;

    uint32_t preimageSize() const { return static_cast<uint32_t>(preimageBits.byteSize()); }
    int32_t preimageWidth() const { return preimageBits.width(); }
    int32_t preimageHeight() const { return preimageBits.height(); }
};

// The box a thumbnail is made for, and whether it is turned upright.
struct ThumbnailBox {
    int longSide = 120;
    int shortSide = 90;
    bool autoRotate = true;
    // Largest picture decoded for it, in source pixels; 0 keeps the
    // decoders' own limits.
    int64_t maxSourcePixels = 0;
};

struct ImageItem {
    int32_t id = 0; // given by the list when added; survives sorting and removal
    int32_t thumbFromSidecar = 0;
    std::string sidecarName; // file name of the sidecar thumbnail, in the item's folder
    std::string path;        // full path
    std::string fileName;    // last element of path
    FileStatus fileStatus;
    ImageInfo imageInfo;
    ShootingInfo shootingInfo;
    int32_t makerNoteKind = kMakerNoteNone;
    OwnedBox<MakerNote>
        makerNote; // the record of makerNoteKind 1, 2, 6, 7, 8 or 9; absent otherwise
    ThumbnailBlock thumb;
    uint32_t thumbOffset = 0;   // absolute file offset of the embedded thumbnail JPEG
    uint32_t thumbLength = 0;   // 0 when the file carries none
    uint32_t previewOffset = 0; // large embedded preview of a RAW file; 0 for JPEG
    uint32_t previewLength = 0;
    // The embedded thumbnail's stated size (0 when the file states none) and
    // the picture taken instead for a box larger than that (current RAW
    // kinds: a CR3's PRVW, the next larger preview); length 0 when none.
    uint32_t thumbStatedWidth = 0;
    uint32_t thumbStatedHeight = 0;
    uint32_t largeThumbOffset = 0;
    uint32_t largeThumbLength = 0;
    ImageKind kind = ImageKind::Unknown;
    int32_t state = 0;       // kStateCursor | kStateSelected
    int32_t useEmbedded = 0; // the thumbnail can come from an embedded or sidecar JPEG
    int32_t readOnly = 0;
    CaptionSummary caption; // the six values of the thumbnail caption
    int32_t exifScanned = 0;
    // The culling marks: from the sidecar named by the folder listing
    // (marksSidecar, in the item's folder; "" when it has none), else from
    // the file's embedded XMP. marksScanned is 1 once they were read, or
    // set by the user, so a scan still running never overwrites a new mark.
    Marks marks;
    int32_t marksScanned = 0;
    int32_t marksListed = 0; // 1: a folder listing filled marksSidecar
    std::string marksSidecar;

    // A new item for a file: nothing is read from the file yet. Kinds without
    // shooting information are marked as scanned.
    static ImageItem FromPath(std::string path, ImageKind kind);

    // Frees every owned part and clears the item, keeping path, id, kind
    // and the marks.
    void Reset();

    bool hasThumbnail() const { return !thumb.thumbBits.isNull(); }
    bool isSelected() const { return state & kStateSelected; }

    // Moves in the fields the shooting-information scan writes
    // (thumbFromSidecar, sidecarName, imageInfo, shootingInfo, the maker note,
    // thumbnail and preview positions, useEmbedded, caption, exifScanned),
    // the file status with the read-only mark when the scan read them, and
    // the marks when the scan read them and this item has none read yet.
    void TakeScanFields(ImageItem&& scanned);
};

// The last element of a path.
std::string_view FileNameOf(std::string_view path);

} // namespace lumora
