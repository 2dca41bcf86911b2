// The TIFF-structured RAW kinds of current cameras (ARW, SRF, DNG, RW2/RWL,
// NRW, SRW, 3FR). Their structure is read by the common TIFF walk; what
// differs is where the embedded JPEGs lie: any image directory (IFD0, a
// SubIFD, IFD1, IFD2) may hold one, so every directory is weighed and the
// pictures are chosen by their sizes: the largest for the viewer, the
// smallest that fills a thumbnail for the thumbnail. Raw image data (CFA,
// linear raw, lossless JPEG) is never offered to the JPEG decoder.
#include "imaging/RawParser.h"

#include <algorithm>

namespace lumora {

namespace {

constexpr std::uint16_t kTagJpgFromRaw = 0x2E; // RW2: a whole JPEG with its own EXIF
constexpr std::uint16_t kPhotometricCfa = 32803;
constexpr std::uint16_t kPhotometricLinearRaw = 34892;
// The thumbnail a picture must fill to be taken for the thumbnail (the
// largest of the fixed thumbnail sizes).
constexpr std::uint32_t kThumbLongSide = 160;
constexpr std::uint32_t kThumbShortSide = 120;

std::uint64_t Area(std::uint32_t w, std::uint32_t h) {
    return static_cast<std::uint64_t>(w) * h;
}

} // namespace

bool CRawParser::ParseModernRaw() {
    switch (kind_) {
    case kRawKindCr3:
        return ParseCr3();
    case kRawKindRw2:
    case kRawKindRwl:
        return ParseRw2();
    default:
        return ParseModernTiff();
    }
}

bool CRawParser::ParseModernTiff() {
    std::uint8_t h[4];
    bytes_.Read(0, h, sizeof h);
    const bool ii = h[0] == 'I' && h[1] == 'I' && h[2] == 0x2A && h[3] == 0;
    const bool mm = h[0] == 'M' && h[1] == 'M' && h[2] == 0 && h[3] == 0x2A;
    if (!ii && !mm) {
        return false; // no other container hides behind these extensions
    }
    ParseTiffHeader(0);
    ParseModernMakerNote();

    std::vector<EmbeddedJpeg> jpegs;
    ImageDirectory mainImage;
    ImageDirectory d;
    const auto weigh = [&](std::uint32_t offset) {
        ReadImageDirectory(offset, jpegs, &d);
        // The full-size image (NewSubFileType 0) gives the picture's size.
        if ((d.subfileType & 1) == 0 &&
            Area(d.width, d.height) > Area(mainImage.width, mainImage.height)) {
            mainImage = d;
        }
    };
    weigh(U32At(tiffBase_ + 4));
    for (const std::uint32_t sub : subIfdOffsets_) {
        weigh(sub);
    }
    weigh(ifd1Offset_);
    weigh(ifd2Offset_);
    for (const JpegCandidate& c : jpegCandidates_) {
        EmbeddedJpeg j;
        if (jpegs.size() < kMaxEmbeddedJpegs && JpegAt(tiffBase_ + c.offset, c.length, j)) {
            jpegs.push_back(j);
        }
    }
    if (mainImage.width != 0 && mainImage.height != 0) {
        imageInfo_.width = mainImage.width;
        imageInfo_.height = mainImage.height;
    }
    ChooseEmbeddedJpegs(jpegs);
    ComputeAspectRatio(imageInfo_, shootingInfo_);
    return true;
}

bool CRawParser::ParseRw2() {
    std::uint8_t h[4];
    bytes_.Read(0, h, sizeof h);
    // Panasonic writes its own magic number after the byte-order mark.
    if (h[0] != 'I' || h[1] != 'I' || h[2] != 0x55 || h[3] != 0) {
        return false;
    }
    tiffBase_ = 0;
    littleEndian_ = true;
    const std::uint32_t ifd0 = U32At(4);
    ParseTiffStructure(ifd0);
    // The JpgFromRaw is only located, never read here, so it is looked up
    // entry by entry: a picture of more than kMaxValueBytes still counts.
    ImageDirectory raw;
    const std::uint16_t count = U16At(ifd0);
    for (std::uint32_t i = 0; count <= kMaxEntries && i < count; ++i) {
        const std::uint64_t entry = ifd0 + 2 + 12 * static_cast<std::uint64_t>(i);
        const std::uint16_t type = U16At(entry + 2);
        if (U16At(entry) == kTagJpgFromRaw && (type == 7 || type == 1)) {
            raw.jpgFromRawLength = U32At(entry + 4);
            raw.jpgFromRawPos = raw.jpgFromRawLength > 4 ? U32At(entry + 8) : entry + 8;
            break;
        }
    }

    std::vector<EmbeddedJpeg> jpegs;
    EmbeddedJpeg full;
    if (raw.jpgFromRawLength != 0 && JpegAt(raw.jpgFromRawPos, raw.jpgFromRawLength, full)) {
        // The JPEG carries the EXIF block with the shooting information and
        // the EXIF thumbnail; what it lacks stays as the raw directory said.
        const ImageInfo outer = imageInfo_;
        thumbnailOffset_ = thumbnailLength_ = 0;
        if (ParseJpeg(full.pos)) {
            imageInfo_.make = imageInfo_.make ? imageInfo_.make : outer.make;
            imageInfo_.model = imageInfo_.model ? imageInfo_.model : outer.model;
            imageInfo_.orientation =
                imageInfo_.orientation ? imageInfo_.orientation : outer.orientation;
            imageInfo_.dateTime = imageInfo_.dateTime ? imageInfo_.dateTime : outer.dateTime;
        }
        EmbeddedJpeg thumb;
        if (thumbnailLength_ != 0 &&
            JpegAt(tiffBase_ + thumbnailOffset_, thumbnailLength_, thumb)) {
            jpegs.push_back(thumb);
        }
        jpegs.push_back(full);
    }
    ChooseEmbeddedJpegs(jpegs);
    ComputeAspectRatio(imageInfo_, shootingInfo_);
    return true;
}

void CRawParser::ParseModernMakerNote() {
    if (makerNoteOffset_ == 0) {
        return;
    }
    const std::uint64_t pos = tiffBase_ + makerNoteOffset_;
    if (kind_ == kRawKindNrw) {
        ParseNikon(pos);
    } else if (kind_ == kRawKindDng) {
        // Converters keep the camera's own note; it is read by the camera's make.
        ParseMakerNoteByMake(pos);
    } else if (kind_ == kRawKindArw || kind_ == kRawKindSrf) {
        ParseSony(pos, true);
    } else if (kind_ == kRawKindSrw) {
        ParseSamsung(pos, true);
    }
    // The Hasselblad note has no record here.
}

void CRawParser::OnImageDirectory(const Entry& e) {
    ImageDirectory& d = directory_;
    switch (e.tag) {
    case 254:
        d.subfileType = UInt(e);
        break;
    case 256:
        d.width = UInt(e);
        break;
    case 257:
        d.height = UInt(e);
        break;
    case 259:
        d.compression = static_cast<std::uint16_t>(UInt(e));
        break;
    case 262:
        d.photometric = static_cast<std::uint16_t>(UInt(e));
        break;
    case 273:
        d.stripOffset = UInt(e);
        d.stripCount = e.count;
        break;
    case 279:
        d.stripLength = UInt(e);
        break;
    case 513:
        d.jpegOffset = UInt(e);
        break;
    case 514:
        d.jpegLength = UInt(e);
        break;
    default:
        break;
    }
}

void CRawParser::ReadImageDirectory(std::uint32_t offset, std::vector<EmbeddedJpeg>& jpegs,
                                    ImageDirectory* out) {
    directory_ = {};
    if (offset != 0) {
        WalkIfd(tiffBase_ + offset, tiffBase_, Ifd::Image, nullptr);
    }
    const ImageDirectory& d = directory_;
    if (out) {
        *out = d;
    }
    if (offset == 0) {
        return;
    }
    const auto add = [&](std::uint32_t at, std::uint32_t length) {
        EmbeddedJpeg j;
        if (jpegs.size() < kMaxEmbeddedJpegs && JpegAt(tiffBase_ + at, length, j)) {
            // The directory's own size stands where the JPEG shows none.
            if (j.width == 0 || j.height == 0) {
                j.width = d.width;
                j.height = d.height;
            }
            jpegs.push_back(j);
        }
    };
    if (d.jpegOffset != 0 && d.jpegLength != 0) {
        add(d.jpegOffset, d.jpegLength);
        return;
    }
    // A strip is a JPEG picture only with a JPEG compression and a colour
    // (not a raw) interpretation, in one piece.
    const bool jpegCompression = d.compression == 6 || d.compression == 7;
    const bool raw = d.photometric == kPhotometricCfa || d.photometric == kPhotometricLinearRaw;
    if (jpegCompression && !raw && d.stripCount == 1 && d.stripOffset != 0 && d.stripLength != 0) {
        add(d.stripOffset, d.stripLength);
    }
}

bool CRawParser::JpegAt(std::uint64_t pos, std::uint32_t length, EmbeddedJpeg& out) {
    out = {};
    if (length == 0 || pos == 0 || !bytes_.Contains(pos, length)) {
        return false; // a picture that does not lie inside the file is none
    }
    out.pos = pos;
    out.length = length;
    // The frame header gives the size; a stream that is no JPEG keeps 0 x 0
    // (its decoder will say so).
    const std::uint64_t end = pos + length;
    if (bytes_.U16(pos, false) != 0xFFD8) {
        return true;
    }
    std::uint64_t p = pos + 2;
    // Segments looked at before the frame header: the class's limit.
    for (std::size_t n = 0; n < kMaxJpegSegments && p + 4 <= end; ++n) {
        if (bytes_.U8(p) != 0xFF) {
            break;
        }
        const std::uint8_t marker = bytes_.U8(p + 1);
        if (marker == 0xFF) {
            ++p; // fill byte
            continue;
        }
        if (marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) {
            p += 2;
            continue;
        }
        if (marker == 0xD9 || marker == 0xDA) {
            break;
        }
        const std::uint16_t segment = bytes_.U16(p + 2, false);
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 &&
            marker != 0xCC) {
            if (p + 9 <= end) {
                out.height = bytes_.U16(p + 5, false);
                out.width = bytes_.U16(p + 7, false);
            }
            break;
        }
        if (segment < 2) {
            break;
        }
        p += 2 + static_cast<std::uint64_t>(segment);
    }
    return true;
}

void CRawParser::ChooseEmbeddedJpegs(const std::vector<EmbeddedJpeg>& jpegs) {
    positionsAbsolute_ = true;
    thumbnailOffset_ = thumbnailLength_ = 0;
    previewOffset_ = previewLength_ = 0;
    thumbnailWidth_ = thumbnailHeight_ = previewWidth_ = previewHeight_ = 0;
    largeThumbPos_ = 0;
    largeThumbLength_ = largeThumbWidth_ = largeThumbHeight_ = 0;
    if (jpegs.empty()) {
        return;
    }
    const auto larger = [](const EmbeddedJpeg& a, const EmbeddedJpeg& b) {
        const std::uint64_t aa = Area(a.width, a.height), ba = Area(b.width, b.height);
        return aa != ba ? aa > ba : a.length > b.length;
    };
    const auto fills = [](const EmbeddedJpeg& j) {
        return std::max(j.width, j.height) >= kThumbLongSide &&
               std::min(j.width, j.height) >= kThumbShortSide;
    };
    const EmbeddedJpeg* preview = &jpegs.front();
    const EmbeddedJpeg* thumb = nullptr;
    bool anySize = false;
    for (const EmbeddedJpeg& j : jpegs) {
        anySize = anySize || Area(j.width, j.height) != 0;
        if (larger(j, *preview)) {
            preview = &j;
        }
        if (fills(j) && (!thumb || larger(*thumb, j))) {
            thumb = &j;
        }
    }
    if (!thumb && anySize) {
        thumb = preview; // nothing fills a thumbnail: the largest comes closest
    }
    if (!thumb) {
        // No picture states its size: the shortest stream is the thumbnail.
        thumb = &*std::min_element(
            jpegs.begin(), jpegs.end(),
            [](const EmbeddedJpeg& a, const EmbeddedJpeg& b) { return a.length < b.length; });
    }
    previewOffset_ = preview->pos;
    previewLength_ = preview->length;
    previewWidth_ = preview->width;
    previewHeight_ = preview->height;
    thumbnailOffset_ = static_cast<std::uint32_t>(thumb->pos);
    thumbnailLength_ = thumb->length;
    thumbnailWidth_ = thumb->width;
    thumbnailHeight_ = thumb->height;
    // For a larger box: the smallest picture larger than the thumbnail.
    const EmbeddedJpeg* large = nullptr;
    for (const EmbeddedJpeg& j : jpegs) {
        if (larger(j, *thumb) && Area(j.width, j.height) > Area(thumb->width, thumb->height) &&
            (!large || larger(*large, j))) {
            large = &j;
        }
    }
    if (large) {
        largeThumbPos_ = large->pos;
        largeThumbLength_ = large->length;
        largeThumbWidth_ = large->width;
        largeThumbHeight_ = large->height;
    }
}

} // namespace lumora
