#include "colour/EmbeddedProfiles.h"

#include <cstring>
#include <optional>

namespace lumora {

namespace {

constexpr char kIccTag[] = "ICC_PROFILE"; // followed by a zero byte
constexpr std::size_t kIccHeader = 14;    // tag, zero, sequence number, count

// Directory entries read from one IFD at most; a real one has a few dozen.
constexpr uint32_t kMaxEntries = 1000;

class TiffBytes {
public:
    explicit TiffBytes(std::span<const uint8_t> bytes) : b_(bytes) {}
    bool header(uint32_t& firstIfd) {
        if (b_.size() < 8)
            return false;
        if (b_[0] == 'I' && b_[1] == 'I')
            little_ = true;
        else if (b_[0] == 'M' && b_[1] == 'M')
            little_ = false;
        else
            return false;
        const auto magic = u16(2);
        const auto first = u32(4);
        if (!magic || *magic != 42 || !first)
            return false;
        firstIfd = *first;
        return true;
    }
    std::optional<uint16_t> u16(uint64_t at) const {
        if (at > b_.size() || b_.size() - at < 2)
            return std::nullopt;
        const uint8_t* p = b_.data() + at;
        return static_cast<uint16_t>(little_ ? p[0] | p[1] << 8 : p[0] << 8 | p[1]);
    }
    std::optional<uint32_t> u32(uint64_t at) const {
        if (at > b_.size() || b_.size() - at < 4)
            return std::nullopt;
        const uint8_t* p = b_.data() + at;
        return little_ ? uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 |
                             uint32_t(p[3]) << 24
                       : uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 |
                             uint32_t(p[3]);
    }
    // The position of the entry with this tag in the IFD at offset, or none.
    std::optional<uint64_t> find(uint32_t ifd, uint16_t tag) const {
        const auto count = u16(ifd);
        if (!count || *count > kMaxEntries)
            return std::nullopt;
        for (uint32_t i = 0; i < *count; ++i) {
            const uint64_t entry = uint64_t(ifd) + 2 + 12ull * i;
            const auto t = u16(entry);
            if (!t)
                return std::nullopt;
            if (*t == tag)
                return entry;
        }
        return std::nullopt;
    }
    // A LONG or IFD pointer held in the entry's value field.
    std::optional<uint32_t> pointer(uint32_t ifd, uint16_t tag) const {
        const auto entry = find(ifd, tag);
        if (!entry)
            return std::nullopt;
        const auto type = u16(*entry + 2);
        const auto count = u32(*entry + 4);
        if (!type || !count || *count != 1 || (*type != 4 && *type != 13))
            return std::nullopt;
        return u32(*entry + 8);
    }
    const uint8_t* data() const { return b_.data(); }
    std::size_t size() const { return b_.size(); }

private:
    std::span<const uint8_t> b_;
    bool little_ = true;
};

} // namespace

std::vector<uint8_t> JoinJpegIccSegments(const std::vector<std::span<const uint8_t>>& app2) {
    std::vector<std::span<const uint8_t>> parts;
    int count = 0;
    for (const auto& segment : app2) {
        if (segment.size() < kIccHeader || std::memcmp(segment.data(), kIccTag, 12) != 0)
            continue;
        const int number = segment[12];
        const int total = segment[13];
        if (total == 0 || number == 0 || number > total)
            return {};
        if (count == 0) {
            count = total;
            parts.assign(static_cast<std::size_t>(count), {});
        } else if (total != count) {
            return {};
        }
        auto& slot = parts[static_cast<std::size_t>(number - 1)];
        if (slot.data() != nullptr)
            return {}; // the same number twice
        slot = segment.subspan(kIccHeader);
        if (slot.data() == nullptr)
            slot = segment.subspan(segment.size()); // an empty part still counts as seen
    }
    std::size_t size = 0;
    for (const auto& part : parts) {
        if (part.data() == nullptr)
            return {}; // a part is missing
        size += part.size();
    }
    std::vector<uint8_t> profile;
    profile.reserve(size);
    for (const auto& part : parts)
        profile.insert(profile.end(), part.begin(), part.end());
    return profile;
}

bool ExifSaysAdobeRgb(std::span<const uint8_t> bytes) {
    TiffBytes tiff(bytes);
    uint32_t ifd0 = 0;
    if (!tiff.header(ifd0))
        return false;
    const auto exif = tiff.pointer(ifd0, 0x8769);
    if (!exif)
        return false;
    const auto space = tiff.find(*exif, 0xA001);
    if (!space)
        return false;
    const auto spaceType = tiff.u16(*space + 2);
    const auto spaceValue = tiff.u16(*space + 8);
    if (!spaceType || *spaceType != 3 || !spaceValue || *spaceValue != 0xFFFF)
        return false;
    const auto interop = tiff.pointer(*exif, 0xA005);
    if (!interop)
        return false;
    const auto index = tiff.find(*interop, 0x0001);
    if (!index)
        return false;
    const auto type = tiff.u16(*index + 2);
    const auto count = tiff.u32(*index + 4);
    // "R03" with its zero fits the entry's own value field.
    if (!type || *type != 2 || !count || *count < 3 || *count > 4 || *index + 12 > tiff.size())
        return false;
    return std::memcmp(tiff.data() + *index + 8, "R03", 3) == 0;
}

bool ExifSegmentSaysAdobeRgb(std::span<const uint8_t> app1) {
    if (app1.size() < 6 || std::memcmp(app1.data(), "Exif\0\0", 6) != 0)
        return false;
    return ExifSaysAdobeRgb(app1.subspan(6));
}

} // namespace lumora
