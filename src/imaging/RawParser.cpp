#include "imaging/RawParser.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>

namespace lumora {

namespace {

constexpr std::uint32_t Lo32(std::uint64_t v) {
    return static_cast<std::uint32_t>(v);
}

} // namespace

std::uint64_t CRawParser::TypeSize(std::uint16_t type) {
    switch (type) {
    case 1: // BYTE
    case 2: // ASCII
    case 6: // SBYTE
    case 7: // UNDEFINED
        return 1;
    case 3: // SHORT
    case 8: // SSHORT
        return 2;
    case 4:  // LONG
    case 9:  // SLONG
    case 11: // FLOAT
        return 4;
    case 5:  // RATIONAL
    case 10: // SRATIONAL
    case 12: // DOUBLE
        return 8;
    default:
        return 0;
    }
}

CRawParser::CRawParser() = default;

CRawParser::~CRawParser() {
    Close();
}

void CRawParser::Reset() {
    littleEndian_ = true;
    tiffBase_ = 0;
    exifIfdOffset_ = 0;
    interopIfdOffset_ = 0;
    makerNoteOffset_ = 0;
    makerNoteLength_ = 0;
    ifd1Offset_ = 0;
    ifd2Offset_ = 0;
    subIfdOffsets_.clear();
    thumbnailOffset_ = 0;
    thumbnailLength_ = 0;
    previewOffset_ = 0;
    previewLength_ = 0;
    positionsAbsolute_ = false;
    thumbnailWidth_ = thumbnailHeight_ = 0;
    previewWidth_ = previewHeight_ = 0;
    largeThumbPos_ = 0;
    largeThumbLength_ = largeThumbWidth_ = largeThumbHeight_ = 0;
    jpegCandidates_.clear();
    imageInfo_ = {};
    shootingInfo_ = {};
    makerNoteKind_ = kMakerNoteNone;
    makerNote_ = {};
    lensModel_.reset();
    noteStart_ = noteEnd_ = 0;
    sidecarName_.clear();
    hasSidecar_ = false;
    crwWidth_ = 0;
    crwHeight_ = 0;
    crwSizeFound_ = false;
}

int CRawParser::Open(const std::filesystem::path& path, int kind) {
    Close();
    Reset();
    path_ = path;
    kind_ = kind;
    if (!bytes_.OpenFile(path)) {
        return 0;
    }
    return Parse();
}

int CRawParser::OpenMemory(const std::uint8_t* data, std::size_t size, int kind,
                           const std::filesystem::path& path) {
    Close();
    Reset();
    path_ = path;
    kind_ = kind;
    bytes_.OpenMemory(data, size);
    return Parse();
}

void CRawParser::Close() {
    bytes_.Close();
}

int CRawParser::Parse() {
    bool ok = false;
    if (IsModernRawKind(kind_)) {
        ok = ParseModernRaw();
    } else if (kind_ == kRawKindMrw) {
        ok = ParseMrw();
    } else if (kind_ == kRawKindJpeg) {
        ok = ParseJpeg(0);
    } else {
        ok = ParseTiffHeader(0);
    }
    return ok ? 1 : 0;
}

bool CRawParser::ParseJpeg(std::uint64_t pos) {
    if (bytes_.U16(pos, false) != 0xFFD8) {
        return false;
    }
    // The segments before the first scan, headers only: a marker, then a
    // length that counts itself but not the marker. Cameras put the EXIF
    // APP1 first or after a JFIF APP0; phones and editors may put an ICC
    // profile, XMP or tables before it. The first APP1 that is EXIF counts.
    std::uint64_t p = pos + 2;
    for (std::size_t n = 0; n < kMaxJpegSegments && p < bytes_.Size(); ++n) {
        if (bytes_.U8(p) != 0xFF) {
            return false; // not a marker: damaged, or the data has begun
        }
        const std::uint8_t code = bytes_.U8(p + 1);
        if (code == 0xFF) {
            ++p; // a fill byte before the marker
            continue;
        }
        if (code == 0xDA || code == 0xD9 || code == 0xD8 || code == 0x00) {
            return false; // the scan (or the end) comes before any EXIF
        }
        if (code == 0x01 || (code >= 0xD0 && code <= 0xD7)) {
            p += 2; // markers without a length
            continue;
        }
        const std::uint16_t length = bytes_.U16(p + 2, false);
        if (length < 2) {
            return false;
        }
        if (code == 0xE1 && length >= 2 + 6) {
            std::uint8_t magic[6];
            bytes_.Read(p + 4, magic, sizeof magic);
            if (std::memcmp(magic, "Exif\0\0", 6) == 0) {
                return ParseTiffHeader(p + 10);
            }
        }
        p += 2 + static_cast<std::uint64_t>(length);
    }
    return false;
}

bool CRawParser::ParseTiffHeader(std::uint64_t pos) {
    tiffBase_ = pos;
    std::uint8_t h[4];
    bytes_.Read(pos, h, sizeof h);
    std::uint32_t ifd0 = 0;
    if (h[0] == 'I' && h[1] == 'I' &&
        ((h[2] == 0x2A && h[3] == 0) || (h[2] == 'R' && h[3] == 'O'))) {
        littleEndian_ = true;
        ifd0 = bytes_.U32(pos + 4, true);
    } else if (h[0] == 'M' && h[1] == 'M' && h[2] == 0 && h[3] == 0x2A) {
        littleEndian_ = false;
        ifd0 = bytes_.U32(pos + 4, false);
    } else if (pos == 0 && h[0] == 'I' && h[1] == 'I') {
        // The containers only start at the head of a file, never nested.
        return ParseCrw();
    } else if (pos == 0 && kind_ == kRawKindRaf) {
        return ParseRaf();
    } else {
        return false;
    }
    ParseTiffStructure(ifd0);
    return true;
}

void CRawParser::ParseTiffStructure(std::uint32_t ifd0Offset) {
    std::uint32_t next = 0;
    WalkIfd(tiffBase_ + ifd0Offset, tiffBase_, Ifd::Zero, &next);
    ifd1Offset_ = next;

    for (const std::uint32_t sub : subIfdOffsets_) {
        subCompression_ = 0;
        subJpegOffset_ = 0;
        subJpegLength_ = 0;
        WalkIfd(tiffBase_ + sub, tiffBase_, Ifd::Sub, nullptr);
        if (kind_ == kRawKindNef && subCompression_ == 6 && subJpegOffset_ != 0 &&
            subJpegLength_ != 0) {
            jpegCandidates_.push_back({6, subJpegOffset_, subJpegLength_, false});
        }
    }

    if (exifIfdOffset_ != 0) {
        WalkIfd(tiffBase_ + exifIfdOffset_, tiffBase_, Ifd::Exif, nullptr);
    }
    if (interopIfdOffset_ != 0) {
        WalkIfd(tiffBase_ + interopIfdOffset_, tiffBase_, Ifd::Interop, nullptr);
    }
    if (makerNoteOffset_ != 0) {
        ParseMakerNote();
    }
    if (ifd1Offset_ != 0) {
        WalkIfd(tiffBase_ + ifd1Offset_, tiffBase_, Ifd::One, &ifd2Offset_);
    }
    if (ifd2Offset_ != 0) {
        WalkIfd(tiffBase_ + ifd2Offset_, tiffBase_, Ifd::Two, nullptr);
    }
    if (kind_ == kRawKindNef) {
        ApplyNefRule();
        shootingInfo_.pixelX = imageInfo_.width;
        shootingInfo_.pixelY = imageInfo_.height;
    }
    ComputeAspectRatio(imageInfo_, shootingInfo_);
}

bool CRawParser::WalkIfd(std::uint64_t pos, std::uint64_t base, Ifd which,
                         std::uint32_t* nextOffset) {
    if (nextOffset) {
        *nextOffset = 0;
    }
    const std::uint16_t count = U16At(pos);
    if (count > kMaxEntries) {
        return false;
    }
    for (std::uint32_t i = 0; i < count; ++i) {
        Entry e;
        e.entryPos = pos + 2 + 12 * static_cast<std::uint64_t>(i);
        std::uint8_t raw[12];
        bytes_.Read(e.entryPos, raw, sizeof raw);
        const auto u16 = [&](int at) {
            return littleEndian_ ? static_cast<std::uint16_t>(raw[at] | (raw[at + 1] << 8))
                                 : static_cast<std::uint16_t>((raw[at] << 8) | raw[at + 1]);
        };
        const auto u32 = [&](int at) {
            const std::uint32_t b0 = raw[at], b1 = raw[at + 1], b2 = raw[at + 2], b3 = raw[at + 3];
            return littleEndian_ ? b0 | (b1 << 8) | (b2 << 16) | (b3 << 24)
                                 : (b0 << 24) | (b1 << 16) | (b2 << 8) | b3;
        };
        e.tag = u16(0);
        e.type = u16(2);
        e.count = u32(4);
        e.size = TypeSize(e.type) * e.count;
        if (e.size > kMaxValueBytes) {
            break; // the rest of this directory is not read
        }
        e.rawOffset = u32(8);
        e.valuePos = e.size > 4 ? base + e.rawOffset : e.entryPos + 8;
        OnEntry(which, base, e);
    }
    if (nextOffset) {
        *nextOffset = U32At(pos + 2 + 12 * static_cast<std::uint64_t>(count));
    }
    return true;
}

void CRawParser::OnEntry(Ifd which, std::uint64_t base, const Entry& e) {
    switch (which) {
    case Ifd::Zero:
        OnImageInfo(e);
        break;
    case Ifd::Sub:
        OnSubIfd(e);
        break;
    case Ifd::Exif:
        OnExif(e);
        break;
    case Ifd::One:
    case Ifd::Two:
        if (e.tag == 513) {
            if (which == Ifd::One) {
                thumbnailOffset_ = UInt(e);
            } else {
                previewOffset_ = UInt(e);
            }
        } else if (e.tag == 514) {
            (which == Ifd::One ? thumbnailLength_ : previewLength_) = UInt(e);
        }
        break;
    case Ifd::Canon:
        OnCanon(e);
        break;
    case Ifd::Nikon:
        OnNikon(base, e);
        break;
    case Ifd::NikonPreview:
        if (e.tag == 259) {
            subCompression_ = static_cast<std::uint16_t>(UInt(e));
        } else if (e.tag == 513) {
            // Relative to the maker note's own header; kept relative to ours.
            subJpegOffset_ = Lo32(base - tiffBase_ + UInt(e));
        } else if (e.tag == 514) {
            subJpegLength_ = UInt(e);
        }
        break;
    case Ifd::Olympus:
        if (e.tag == 0x2020) {
            olympusSubIfd_ = e.rawOffset;
        }
        break;
    case Ifd::OlympusSub:
        // These two are kept exactly as the camera stored them.
        if (e.tag == 0x0101) {
            previewOffset_ = bytes_.U32(e.valuePos, true);
        } else if (e.tag == 0x0102) {
            previewLength_ = bytes_.U32(e.valuePos, true);
        }
        break;
    case Ifd::Minolta:
        if (e.tag == 0x0088) {
            previewOffset_ = thumbnailOffset_ = UInt(e);
        } else if (e.tag == 0x0089) {
            previewLength_ = thumbnailLength_ = UInt(e);
        }
        break;
    case Ifd::Epson:
        if (e.tag == 0x0280) {
            previewOffset_ = thumbnailOffset_ = e.rawOffset;
            previewLength_ = thumbnailLength_ = e.count;
        }
        break;
    case Ifd::Fujifilm:
        if (e.tag == 0x0010) {
            std::get<FujifilmMakerNote>(makerNote_).serialNumber = Text(e);
        }
        break;
    case Ifd::Sony:
        OnSony(e);
        break;
    case Ifd::Panasonic:
        OnPanasonic(e);
        break;
    case Ifd::Samsung:
        OnSamsung(e);
        break;
    case Ifd::Image:
        OnImageDirectory(e);
        break;
    case Ifd::Interop:
        if (e.tag == 0x0001 && e.type == 2) {
            shootingInfo_.interopIndex = Text(e, 4);
        }
        break;
    }
}

void CRawParser::OnImageInfo(const Entry& e) {
    switch (e.tag) {
    case 256:
        imageInfo_.width = UInt(e);
        break;
    case 257:
        imageInfo_.height = UInt(e);
        break;
    case 259:
        imageInfo_.compression = static_cast<std::uint16_t>(UInt(e));
        break;
    case 271:
        imageInfo_.make = Text(e);
        break;
    case 272:
        imageInfo_.model = Text(e);
        break;
    case 273:
        previewOffset_ = UInt(e);
        break;
    case 274:
        imageInfo_.orientation = static_cast<std::uint16_t>(UInt(e));
        break;
    case 279:
        previewLength_ = UInt(e);
        break;
    case 306:
        imageInfo_.dateTime = Text(e, kShootingTimeTextLength);
        break;
    case 330: {
        subIfdOffsets_.clear();
        const std::uint32_t n = std::min<std::uint32_t>(e.count, kMaxSubIfds);
        for (std::uint32_t i = 0; i < n; ++i) {
            subIfdOffsets_.push_back(UInt(e, i));
        }
        break;
    }
    case 513:
    case 514:
        if (kind_ == kRawKindSr2) {
            // Kept exactly as the camera stored them (these files are little-endian).
            const std::uint32_t v =
                e.type == 3 ? bytes_.U16(e.valuePos, true) : bytes_.U32(e.valuePos, true);
            if (e.tag == 513) {
                previewOffset_ = v;
            } else {
                previewLength_ = v;
            }
        }
        break;
    case 34377:
        ScanPhotoshopResources(e);
        break;
    case 34665:
        exifIfdOffset_ = UInt(e);
        break;
    case 36867:
        imageInfo_.shootingDateTime = Text(e, kShootingTimeTextLength);
        break;
    default:
        break;
    }
}

void CRawParser::OnSubIfd(const Entry& e) {
    switch (e.tag) {
    case 256:
        imageInfo_.width = UInt(e);
        break;
    case 257:
        imageInfo_.height = UInt(e);
        break;
    case 259:
        subCompression_ = static_cast<std::uint16_t>(UInt(e));
        break;
    case 513:
        if (kind_ == kRawKindNef) {
            subJpegOffset_ = UInt(e);
        } else {
            previewOffset_ = UInt(e);
        }
        break;
    case 514:
        if (kind_ == kRawKindNef) {
            subJpegLength_ = UInt(e);
        } else {
            previewLength_ = UInt(e);
        }
        break;
    default:
        break;
    }
}

void CRawParser::OnExif(const Entry& e) {
    ShootingInfo& s = shootingInfo_;
    switch (e.tag) {
    case 33434: {
        // Kept as the reciprocal: 250 for 1/250 s.
        const std::uint32_t n = U32At(e.valuePos);
        const std::uint32_t d = U32At(e.valuePos + 4);
        // A zero exposure time has no reciprocal: the value stays absent.
        if (n != 0) {
            s.shutterSpeed = static_cast<float>(static_cast<double>(d) / static_cast<double>(n));
        }
        break;
    }
    case 33437:
        s.fNumber = URational(e);
        break;
    case 34850:
        s.exposureProgram = UInt(e);
        break;
    case 34855:
        s.iso = UInt(e);
        break;
    case 36864: {
        char v[4];
        bytes_.Read(e.valuePos, v, sizeof v);
        s.exifVersion = std::string(v, sizeof v);
        break;
    }
    case 36867:
        imageInfo_.shootingDateTime = Text(e, kShootingTimeTextLength);
        break;
    case 37380:
        // A signed rational; a single whole number is taken as such. Other
        // types (arrays of integers, text) are not an exposure bias at all.
        if (e.count >= 1 && (e.type == 5 || e.type == 10)) {
            s.exposureBias = SRational(e);
        } else if (e.count == 1 && e.type == 8) {
            s.exposureBias = static_cast<float>(static_cast<std::int16_t>(UInt(e)));
        } else if (e.count == 1 && e.type == 9) {
            s.exposureBias = static_cast<float>(static_cast<std::int32_t>(UInt(e)));
        } else if (e.count == 1 && (e.type == 3 || e.type == 4)) {
            s.exposureBias = static_cast<float>(UInt(e));
        }
        break;
    case 37381:
        s.maxApertureF = static_cast<float>(std::pow(2.0, static_cast<double>(URational(e)) * 0.5));
        break;
    case 37382:
        s.subjectDistance = URational(e);
        break;
    case 37383:
        s.meteringMode = static_cast<std::uint16_t>(UInt(e));
        break;
    case 37384:
        s.lightSource = static_cast<std::uint16_t>(UInt(e));
        break;
    case 37385:
        s.flash = static_cast<std::uint16_t>(UInt(e));
        break;
    case 37386:
        s.focalLength = URational(e);
        break;
    case 37500:
        makerNoteOffset_ = e.rawOffset;
        makerNoteLength_ = e.size;
        break;
    case 40961:
        s.colorSpace = static_cast<std::uint16_t>(UInt(e));
        break;
    case 40965:
        interopIfdOffset_ = UInt(e);
        break;
    case 40962:
        s.pixelX = UInt(e);
        break;
    case 40963:
        s.pixelY = UInt(e);
        break;
    case 41987:
        s.whiteBalance = static_cast<std::uint16_t>(UInt(e));
        break;
    case 42036:
        if (e.type == 2) {
            lensModel_ = PlainText(e, false);
        }
        break;
    default:
        break;
    }
}

std::uint32_t CRawParser::UInt(const Entry& e, std::uint32_t index) {
    if (index >= e.count) {
        return 0;
    }
    switch (e.type) {
    case 1:
    case 2:
    case 6:
    case 7:
        return bytes_.U8(e.valuePos + index);
    case 3:
    case 8:
        return U16At(e.valuePos + 2 * static_cast<std::uint64_t>(index));
    case 5:
    case 10:
    case 12:
        return U32At(e.valuePos + 8 * static_cast<std::uint64_t>(index));
    default:
        return U32At(e.valuePos + 4 * static_cast<std::uint64_t>(index));
    }
}

float CRawParser::URational(const Entry& e) {
    if (e.type != 5 && e.type != 10) {
        return static_cast<float>(UInt(e));
    }
    const std::uint32_t n = U32At(e.valuePos);
    const std::uint32_t d = U32At(e.valuePos + 4);
    return static_cast<float>(static_cast<double>(n) / static_cast<double>(d));
}

float CRawParser::SRational(const Entry& e) {
    if (e.type != 5 && e.type != 10) {
        return static_cast<float>(static_cast<std::int32_t>(UInt(e)));
    }
    const auto n = static_cast<std::int32_t>(U32At(e.valuePos));
    const auto d = static_cast<std::int32_t>(U32At(e.valuePos + 4));
    return static_cast<float>(static_cast<double>(n) / static_cast<double>(d));
}

std::string CRawParser::Text(const Entry& e, std::size_t maxLength) {
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(e.count, maxLength));
    std::string text(n, '\0');
    bytes_.Read(e.valuePos, text.data(), n);
    const std::size_t zero = text.find('\0');
    if (zero != std::string::npos) {
        text.resize(zero);
    }
    return text;
}

std::string CRawParser::MakeUpper() const {
    std::string make = imageInfo_.make.value_or(std::string());
    for (char& c : make) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return make;
}

void CRawParser::ScanPhotoshopResources(const Entry& e) {
    // Image resources: "8BIM", id (2), padded Pascal name, size (4), data padded
    // to even length; all big-endian.
    std::uint64_t p = e.valuePos;
    const std::uint64_t end = std::min(e.valuePos + e.size, bytes_.Size());
    for (std::size_t n = 0; n < kMaxResources && p < end && end - p >= 12; ++n) {
        std::uint8_t sig[4];
        bytes_.Read(p, sig, sizeof sig);
        if (std::memcmp(sig, "8BIM", 4) != 0) {
            break;
        }
        const std::uint16_t id = bytes_.U16(p + 4, false);
        const std::uint64_t nameField = (static_cast<std::uint64_t>(bytes_.U8(p + 6)) + 2) & ~1ULL;
        const std::uint64_t sizePos = p + 6 + nameField;
        if (sizePos + 4 > end) {
            break;
        }
        const std::uint32_t size = bytes_.U32(sizePos, false);
        const std::uint64_t data = sizePos + 4;
        if ((id == 1033 || id == 1036) && size >= 28 && data + 28 <= end) {
            thumbnailOffset_ = Lo32(data + 28 - tiffBase_);
            thumbnailLength_ = bytes_.U32(data + 20, false);
            break;
        }
        p = data + size + (size & 1);
    }
}

void CRawParser::ApplyNefRule() {
    if (jpegCandidates_.empty()) {
        thumbnailOffset_ = thumbnailLength_ = 0;
        previewOffset_ = previewLength_ = 0;
        return;
    }
    if (jpegCandidates_.size() == 1) {
        const JpegCandidate& c = jpegCandidates_.front();
        thumbnailOffset_ = c.offset;
        thumbnailLength_ = c.length;
        previewOffset_ = c.offset;
        previewLength_ = c.length;
        return;
    }
    std::vector<JpegCandidate> sorted = jpegCandidates_;
    std::stable_sort(
        sorted.begin(), sorted.end(),
        [](const JpegCandidate& a, const JpegCandidate& b) { return a.length < b.length; });
    const JpegCandidate& preview = sorted.back();
    const JpegCandidate& thumb = sorted.front().fromMakerNote ? sorted[0] : sorted[1];
    previewOffset_ = preview.offset;
    previewLength_ = preview.length;
    thumbnailOffset_ = thumb.offset;
    thumbnailLength_ = thumb.length;
}

} // namespace lumora
