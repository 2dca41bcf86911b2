// CR3: an ISO base media file (brand "crx "). Its metadata are TIFF streams
// in a Canon box inside "moov": CMT1 (IFD0), CMT2 (EXIF IFD), CMT3 (the
// Canon maker note, as in CR2), CMT4 (GPS), each with its own TIFF header,
// and THMB, a small JPEG. A second Canon box at the top level holds PRVW, a
// JPEG of about 1620 x 1080; the first track's one sample is a full-size JPEG.
// The boxes are walked by the bounded box reader; only fixed paths are
// followed, so the depth is fixed too.
#include "imaging/RawParser.h"

#include "formats/isobmff/BoxReader.h"

#include <algorithm>

namespace lumora {

namespace {

using isobmff::Box;
using isobmff::BoxReader;
using isobmff::FourCc;

constexpr isobmff::Uuid kCanonMetadataBox = {0x85, 0xc0, 0xb6, 0x87, 0x82, 0x0f, 0x11, 0xe0,
                                             0x81, 0x11, 0xf4, 0xce, 0x46, 0x2b, 0x6a, 0x48};
constexpr isobmff::Uuid kCanonPreviewBox = {0xea, 0xf4, 0x2b, 0x5e, 0x1c, 0x98, 0x4b, 0x88,
                                            0xb9, 0xfb, 0xb7, 0xdc, 0x40, 0x6e, 0x4d, 0x16};
// THMB and PRVW: a 16-byte head (sizes and the JPEG's length), then the JPEG.
constexpr std::uint64_t kPictureHead = 16;

class FileBytesSource final : public isobmff::ByteSource {
public:
    explicit FileBytesSource(CFileBytes& bytes) : bytes_(bytes) {}
    std::uint64_t Size() const override { return bytes_.Size(); }
    std::size_t Read(std::uint64_t pos, void* dst, std::size_t length) override {
        return bytes_.Read(pos, dst, length);
    }

private:
    CFileBytes& bytes_;
};

struct Picture {
    std::uint64_t pos = 0;
    std::uint64_t length = 0;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    bool Valid() const { return pos != 0 && length != 0; }
};

// THMB: version and flags (4), width (2), height (2), JPEG length (4), 4 more.
// PRVW: 4 bytes, 2 bytes, width (2), height (2), 2 bytes, JPEG length (4).
// The JPEG never reaches past its box.
Picture PictureIn(isobmff::ByteSource& src, const Box& box, std::uint64_t widthAt,
                  std::uint64_t lengthAt) {
    Picture p;
    if (box.BodySize() <= kPictureHead) {
        return p;
    }
    p.width = src.U16(box.body + widthAt);
    p.height = src.U16(box.body + widthAt + 2);
    p.pos = box.body + kPictureHead;
    p.length = std::min<std::uint64_t>(src.U32(box.body + lengthAt), box.end - p.pos);
    return p;
}

// The one sample of a track: stsd's first entry gives its size, stsz its
// length and co64 (or stco) its position.
Picture TrackSample(isobmff::ByteSource& src, const Box& trak) {
    Picture p;
    Box mdia, minf, stbl;
    if (!BoxReader(src, trak).Find(FourCc("mdia"), mdia) ||
        !BoxReader(src, mdia).Find(FourCc("minf"), minf) ||
        !BoxReader(src, minf).Find(FourCc("stbl"), stbl)) {
        return p;
    }
    BoxReader table(src, stbl);
    Box b;
    bool havePos = false;
    while (table.Next(b)) {
        const std::uint64_t n = b.BodySize();
        if (b.type == FourCc("stsd") && n >= 8 + 36 && src.U32(b.body + 4) >= 1) {
            // A visual sample entry: size, type, 24 bytes, width, height.
            const std::uint64_t entry = b.body + 8;
            p.width = src.U16(entry + 32);
            p.height = src.U16(entry + 34);
        } else if (b.type == FourCc("stsz") && n >= 12) {
            const std::uint32_t common = src.U32(b.body + 4);
            if (common != 0) {
                p.length = common;
            } else if (src.U32(b.body + 8) >= 1 && n >= 16) {
                p.length = src.U32(b.body + 12);
            }
        } else if (b.type == FourCc("co64") && n >= 16 && src.U32(b.body + 4) >= 1) {
            p.pos = src.U64(b.body + 8);
            havePos = true;
        } else if (b.type == FourCc("stco") && n >= 12 && src.U32(b.body + 4) >= 1 && !havePos) {
            p.pos = src.U32(b.body + 8);
        }
    }
    return p;
}

} // namespace

bool CRawParser::ReadCr3Tiff(std::uint64_t pos, std::uint64_t length, Ifd which) {
    if (length < 8) {
        return false;
    }
    std::uint8_t h[4];
    bytes_.Read(pos, h, sizeof h);
    if (h[0] == 'I' && h[1] == 'I' && h[2] == 0x2A && h[3] == 0) {
        littleEndian_ = true;
    } else if (h[0] == 'M' && h[1] == 'M' && h[2] == 0 && h[3] == 0x2A) {
        littleEndian_ = false;
    } else {
        return false;
    }
    tiffBase_ = pos;
    const std::uint32_t ifd = U32At(pos + 4);
    if (ifd < 8 || ifd >= length) {
        return false;
    }
    if (which == Ifd::Canon) {
        makerNoteOffset_ = ifd;
        makerNoteLength_ = length - ifd;
        ParseCanon(pos + ifd);
    } else {
        WalkIfd(pos + ifd, pos, which, nullptr);
    }
    return true;
}

bool CRawParser::ParseCr3() {
    FileBytesSource src(bytes_);
    BoxReader top(src);
    Box box;
    if (!top.Next(box) || box.type != FourCc("ftyp") || box.BodySize() < 4 ||
        src.U32(box.body) != FourCc("crx ")) {
        return false;
    }
    Picture thumb, prvw, full;
    bool sawMoov = false;
    bool sawPreview = false;
    while (top.Next(box)) {
        if (box.type == FourCc("moov") && !sawMoov) {
            sawMoov = true;
            BoxReader level(src, box);
            Box child;
            bool firstTrack = true;
            while (level.Next(child)) {
                if (child.type == FourCc("trak") && firstTrack) {
                    firstTrack = false;
                    full = TrackSample(src, child);
                    continue;
                }
                if (!child.Is(kCanonMetadataBox)) {
                    continue;
                }
                BoxReader canon(src, child);
                Box item;
                while (canon.Next(item)) {
                    const std::uint64_t n = item.BodySize();
                    if (item.type == FourCc("CMT1")) {
                        ReadCr3Tiff(item.body, n, Ifd::Zero);
                    } else if (item.type == FourCc("CMT2")) {
                        ReadCr3Tiff(item.body, n, Ifd::Exif);
                    } else if (item.type == FourCc("CMT3")) {
                        ReadCr3Tiff(item.body, n, Ifd::Canon);
                    } else if (item.type == FourCc("THMB")) {
                        thumb = PictureIn(src, item, 4, 8);
                    }
                }
            }
        } else if (box.Is(kCanonPreviewBox) && !sawPreview) {
            sawPreview = true;
            BoxReader level(src, box, 8);
            Box item;
            if (level.Find(FourCc("PRVW"), item)) {
                prvw = PictureIn(src, item, 6, 12);
            }
        }
    }
    // A sample outside the file is none; one that runs past its end is cut.
    if (full.pos >= bytes_.Size()) {
        full = {};
    } else {
        full.length = std::min(full.length, bytes_.Size() - full.pos);
    }
    // Streams stop at their box, and boxes at the file's end.
    const Picture& thumbnail = thumb.Valid() ? thumb : prvw;
    const Picture& preview = full.Valid() ? full : prvw;

    positionsAbsolute_ = true;
    thumbnailOffset_ = thumbnailLength_ = 0;
    previewOffset_ = previewLength_ = 0;
    subIfdOffsets_.clear();
    exifIfdOffset_ = 0;
    if (thumbnail.Valid() && thumbnail.pos <= UINT32_MAX) {
        thumbnailOffset_ = static_cast<std::uint32_t>(thumbnail.pos);
        thumbnailLength_ =
            static_cast<std::uint32_t>(std::min<std::uint64_t>(thumbnail.length, UINT32_MAX));
        thumbnailWidth_ = thumbnail.width;
        thumbnailHeight_ = thumbnail.height;
    }
    // A box larger than THMB takes PRVW.
    if (&thumbnail == &thumb && prvw.Valid()) {
        largeThumbPos_ = prvw.pos;
        largeThumbLength_ =
            static_cast<std::uint32_t>(std::min<std::uint64_t>(prvw.length, UINT32_MAX));
        largeThumbWidth_ = prvw.width;
        largeThumbHeight_ = prvw.height;
    }
    if (preview.Valid()) {
        previewOffset_ = preview.pos;
        previewLength_ =
            static_cast<std::uint32_t>(std::min<std::uint64_t>(preview.length, UINT32_MAX));
        previewWidth_ = preview.width;
        previewHeight_ = preview.height;
    }
    ComputeAspectRatio(imageInfo_, shootingInfo_);
    return true;
}

} // namespace lumora
