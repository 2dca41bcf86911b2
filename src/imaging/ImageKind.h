// Numeric file kinds of listed images, the extension table used for files
// that arrive by name, and the folder-scan patterns.
#pragma once

#include <cstdint>
#include <string_view>

namespace lumora {

// Codes are stored in items and handed to the parser and the decoders as-is.
// A code with bit 0x10 set is a RAW kind.
enum class ImageKind : int32_t {
    Jpeg = 0,
    Cr2 = 17,
    Nef = 18,
    Orf = 19,
    Pef = 20,
    Mrw = 21,
    Erf = 22,
    Raf = 23,
    Sr2 = 24,
    Crw = 25,
    // The RAW kinds of current cameras (the codes keep bit 0x10).
    Arw = 26,
    Srf = 27,
    Dng = 28,
    Rw2 = 29,
    Rwl = 30,
    Nrw = 31,
    Srw = 48,
    ThreeFr = 49, // .3fr
    Cr3 = 50,
    Tiff = 257,
    Bmp = 258,
    Gif = 259,
    Ico = 260,
    Cur = 261,
    Psd = 262,
    // Pictures of phones and the web (the codes keep bit 0x10 clear).
    Heif = 263, // .heic .heif .hif
    Avif = 264,
    Png = 265,
    WebP = 266,
    Jxl = 267,
    Unknown = INT32_MIN, // 0x80000000
};

constexpr int32_t kindCode(ImageKind kind) {
    return static_cast<int32_t>(kind);
}

constexpr bool isRawKind(ImageKind kind) {
    return kind != ImageKind::Unknown && (kindCode(kind) & 0x10) != 0;
}

// HEIF, AVIF, PNG, WebP and JPEG XL: decoded by their own libraries, their
// EXIF block read by the same parser as a JPEG's.
constexpr bool isModernPictureKind(ImageKind kind) {
    return kind == ImageKind::Heif || kind == ImageKind::Avif || kind == ImageKind::Png ||
           kind == ImageKind::WebP || kind == ImageKind::Jxl;
}

// JPEG, the RAW kinds, TIFF and the modern picture kinds carry shooting
// information; every other kind is created already marked as scanned.
constexpr bool kindHasExif(ImageKind kind) {
    return kind == ImageKind::Jpeg || kind == ImageKind::Tiff || isRawKind(kind) ||
           isModernPictureKind(kind);
}

// Whether the pixels a decoder gives for this kind still need the EXIF
// orientation: JPEG, the RAW kinds' JPEGs, PNG and WebP. HEIF, AVIF and
// JPEG XL come out of their libraries already turned by the container's own
// orientation, which agrees with the EXIF one; turning them again would be
// wrong. TIFF is turned by its decoder.
constexpr bool kindTurnsByExif(ImageKind kind) {
    return kind == ImageKind::Jpeg || isRawKind(kind) || kind == ImageKind::Png ||
           kind == ImageKind::WebP;
}

// Kind by the extension of a file name, compared case-insensitively.
// ".sr2" is deliberately absent: such a file arriving by name is Unknown.
ImageKind kindFromExtension(std::string_view fileName);

// Label on the kind icon ("JPEG", "RAW", "TIFF", ...); empty for Unknown.
std::string_view kindLabel(ImageKind kind);

// `FileType` bits.
constexpr int kFileTypeJpeg = 1;
constexpr int kFileTypeRaw = 2;
constexpr int kFileTypeMisc = 4;

// `MiscKind` bits.
constexpr int kMiscPsd = 1;
constexpr int kMiscTiff = 2;
constexpr int kMiscBmp = 4;
constexpr int kMiscGif = 8;
constexpr int kMiscIco = 16;
constexpr int kMiscCur = 32;

// `RawKind` bits: the RAW kinds of current cameras, consulted only when
// `FileType` has the RAW bit. The older RAW kinds have no bit: they are
// listed whenever RAW is.
constexpr int kRawCr3 = 1;
constexpr int kRawArw = 2; // .arw and .srf
constexpr int kRawDng = 4;
constexpr int kRawRw2 = 8; // .rw2 and .rwl
constexpr int kRawNrw = 16;
constexpr int kRawSrw = 32;
constexpr int kRaw3fr = 64;
constexpr int kRawKindAll = 127;

// The `RawKind` bit of a kind; 0 for every kind that has none.
int rawKindBit(ImageKind kind);

// `PictureKind` bits: the modern picture kinds, consulted only when
// `FileType` has the MISC bit. Files written before these kinds existed have
// no such key and show them all.
constexpr int kPictureHeif = 1; // .heic .heif .hif
constexpr int kPictureAvif = 2;
constexpr int kPicturePng = 4;
constexpr int kPictureWebP = 8;
constexpr int kPictureJxl = 16;
constexpr int kPictureKindAll = 31;

// The `PictureKind` bit of a kind; 0 for every other kind.
int pictureKindBit(ImageKind kind);

// The kind filters and the size limiter a view hands to its engine.
struct KindFilter {
    int fileType = 7;                  // `FileType`
    int miscKind = 61;                 // `MiscKind`
    int64_t minFileSize = 0;           // bytes; `SizeLimitterSize` x 1000 when `SizeLimitter` is on
    int rawKind = kRawKindAll;         // `RawKind`
    int pictureKind = kPictureKindAll; // `PictureKind`

    static int64_t minimumSize(bool sizeLimitter, int sizeLimitterSize) {
        return sizeLimitter ? static_cast<int64_t>(sizeLimitterSize) * 1000 : 0;
    }
    // Whether a file of this kind that was pasted into the folder is taken.
    // Unlike the folder scan, TIFF here asks `MiscKind` bit 2.
    bool allowsPasted(ImageKind kind) const;
};

// Most patterns scanPatterns writes.
constexpr int kMaxScanPatterns = 40;

// One folder-scan pattern: "*.<extension>" with the kind it gives.
struct ScanPattern {
    std::string_view extension; // without the dot, lower case
    ImageKind kind;
};

// Patterns in the order the folder scan searches them, for the given filter.
// Returns how many were written to out (at most kMaxScanPatterns).
int scanPatterns(const KindFilter& filter, ScanPattern out[kMaxScanPatterns]);

} // namespace lumora
