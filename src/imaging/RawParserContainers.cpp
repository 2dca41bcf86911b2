// The RAW containers that are not TIFF files: CRW (CIFF heap), MRW blocks and
// the RAF header in front of an EXIF JPEG.
#include "imaging/RawParser.h"

#include <algorithm>
#include <cstring>

namespace lumora {

namespace {

constexpr std::uint16_t kCrwPreview = 0x2007;
constexpr std::uint16_t kCrwImageProps = 0x300A;
constexpr std::uint16_t kCrwThumbnailFileName = 0x0817;
constexpr std::uint16_t kCrwImageInfo = 0x1810;
constexpr std::size_t kMaxSidecarName = 255;
constexpr std::uint32_t kMaxCrwEntries = 1024;

// A sidecar name must name a file in the CRW's own folder.
bool IsPlainFileName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of("/\\") == std::string::npos;
}

} // namespace

bool CRawParser::ParseCrw() {
    littleEndian_ = true;
    const std::uint64_t size = bytes_.Size();
    if (size < 14) {
        return false;
    }
    const std::uint64_t headerLength = bytes_.U32(2, true);
    const std::uint64_t tablePos = headerLength + bytes_.U32(size - 4, true);
    if (bytes_.U16(tablePos, true) != 3) {
        return true; // nothing is read from a root that is not the usual one
    }
    for (std::uint64_t i = 0; i < 3; ++i) {
        const std::uint64_t entry = tablePos + 2 + 10 * i;
        const std::uint16_t tag = bytes_.U16(entry, true);
        const std::uint32_t length = bytes_.U32(entry + 2, true);
        const std::uint64_t offset = headerLength + bytes_.U32(entry + 6, true);
        if (tag == kCrwPreview) {
            previewOffset_ = offset;
            previewLength_ = length;
        } else if (tag == kCrwImageProps) {
            ReadCrwSubdirectory(offset, length);
        }
    }
    if (hasSidecar_) {
        ReadSidecar();
    }
    ComputeAspectRatio(imageInfo_, shootingInfo_);
    return true;
}

void CRawParser::ReadCrwSubdirectory(std::uint64_t start, std::uint64_t length) {
    if (length < 6 || !bytes_.Contains(start, length)) {
        return;
    }
    const std::uint64_t end = start + length;
    const std::uint64_t tablePos = start + bytes_.U32(end - 4, true);
    const std::uint32_t count = std::min<std::uint32_t>(bytes_.U16(tablePos, true), kMaxCrwEntries);
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint64_t entry = tablePos + 2 + 10 * static_cast<std::uint64_t>(i);
        if (entry + 10 > end) {
            break; // entries never lie outside their directory
        }
        const std::uint16_t tag = bytes_.U16(entry, true);
        const unsigned location = tag >> 14;
        const unsigned dataType = (tag >> 11) & 7;
        const std::uint16_t id = tag & 0x3FFF;
        if (dataType == 5 || dataType == 6) {
            continue; // nested directories are not read
        }
        std::uint64_t dataPos = entry + 2;
        std::uint64_t dataLength = 8;
        if (location == 0) {
            dataLength = bytes_.U32(entry + 2, true);
            dataPos = start + bytes_.U32(entry + 6, true);
        }
        if (id == kCrwThumbnailFileName) {
            std::string name(
                static_cast<std::size_t>(std::min<std::uint64_t>(dataLength, kMaxSidecarName)),
                '\0');
            bytes_.Read(dataPos, name.data(), name.size());
            name.resize(std::min(name.size(), name.find('\0')));
            if (IsPlainFileName(name)) {
                sidecarName_ = name;
                hasSidecar_ = true;
            }
        } else if (id == kCrwImageInfo) {
            crwWidth_ = bytes_.U32(dataPos, true);
            crwHeight_ = bytes_.U32(dataPos + 4, true);
            crwSizeFound_ = true;
        }
    }
}

void CRawParser::ReadSidecar() {
    if (path_.empty()) {
        return;
    }
    CRawParser sidecar;
    if (!sidecar.Open(path_.parent_path() / sidecarName_, kRawKindJpeg)) {
        return;
    }
    sidecar.GetImageInfo(imageInfo_);
    sidecar.GetShootingInfo(shootingInfo_);
    MakerNote note;
    sidecar.GetMakerNote(note);
    if (std::holds_alternative<CanonMakerNote>(note)) {
        makerNote_ = std::move(note);
        makerNoteKind_ = kMakerNoteCanon;
    }
    if (crwSizeFound_) {
        shootingInfo_.pixelX = crwWidth_;
        shootingInfo_.pixelY = crwHeight_;
    }
}

bool CRawParser::ParseMrw() {
    std::uint8_t magic[4];
    bytes_.Read(0, magic, sizeof magic);
    if (std::memcmp(magic, "\0MRM", 4) != 0) {
        return false;
    }
    std::uint64_t p = 8;
    for (std::size_t n = 0; n < kMaxContainerBlocks && bytes_.Contains(p, 8); ++n) {
        std::uint8_t name[4];
        bytes_.Read(p, name, sizeof name);
        const std::uint32_t length = bytes_.U32(p + 4, false);
        if (std::memcmp(name, "\0TTW", 4) == 0) {
            return ParseTiffHeader(p + 8);
        }
        p += 8 + static_cast<std::uint64_t>(length);
    }
    return true;
}

bool CRawParser::ParseRaf() {
    const std::uint32_t jpeg = bytes_.U32(84, false);
    const std::uint32_t length = bytes_.U32(88, false);
    const bool ok = ParseJpeg(jpeg);
    // The header's values stay the preview whatever the JPEG's own tags said.
    previewOffset_ = jpeg;
    previewLength_ = length;
    return ok;
}

} // namespace lumora
