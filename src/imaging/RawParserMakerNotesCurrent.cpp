// Maker notes of current bodies: Sony (ARW, SRF, JPEG), Panasonic (RW2,
// RWL, JPEG; in an RW2 the note sits in the EXIF block of the JpgFromRaw)
// and Samsung (SRW). Only tags whose meaning is plain are taken; numbers
// are kept as stored and turned into words by the panel, texts only when
// they are printable ASCII. The Sony blocks that are enciphered (0x9400
// series, 0x2010, 0x9050) are never read: nothing of them is shown.
#include "imaging/RawParser.h"

#include <algorithm>
#include <cstring>

namespace lumora {

namespace {

constexpr char kSonyDsc[12] = {'S', 'O', 'N', 'Y', ' ', 'D', 'S', 'C', ' ', 0, 0, 0};
constexpr char kSonyCam[12] = {'S', 'O', 'N', 'Y', ' ', 'C', 'A', 'M', ' ', 0, 0, 0};
constexpr char kPanasonic[12] = {'P', 'a', 'n', 'a', 's', 'o', 'n', 'i', 'c', 0, 0, 0};

} // namespace

std::optional<std::string> CRawParser::PlainText(const Entry& e, bool inNote) {
    if (e.count == 0 || (e.type != 2 && e.type != 7 && e.type != 1)) {
        return std::nullopt;
    }
    // A note's value must lie in the note's block, and every value in the file.
    if (inNote && e.size > 4 &&
        (e.valuePos < noteStart_ || e.valuePos > noteEnd_ || e.size > noteEnd_ - e.valuePos)) {
        return std::nullopt;
    }
    if (!bytes_.Contains(e.valuePos, e.size)) {
        return std::nullopt;
    }
    std::string text(static_cast<std::size_t>(std::min<std::uint64_t>(e.size, kMakerTextLength)),
                     '\0');
    bytes_.Read(e.valuePos, text.data(), text.size());
    // A text ends at its first zero; what follows the zero is padding.
    if (const auto zero = text.find('\0'); zero != std::string::npos) {
        text.resize(zero);
    }
    while (!text.empty() && text.back() == ' ') {
        text.pop_back();
    }
    if (text.empty()) {
        return std::nullopt;
    }
    for (const char c : text) {
        if (c < 0x20 || c > 0x7E) {
            return std::nullopt; // not a text: enciphered, damaged or binary
        }
    }
    return text;
}

namespace {

// The block of a maker note: from its start to its stated end, or to the
// file's end when the length is unknown or too large.
void NoteBlock(std::uint64_t pos, std::uint64_t length, std::uint64_t fileSize,
               std::uint64_t& start, std::uint64_t& end) {
    start = pos;
    end = fileSize;
    if (length != 0 && pos <= fileSize && length <= fileSize - pos) {
        end = pos + length;
    }
}

} // namespace

void CRawParser::ParseSony(std::uint64_t pos, bool headerless) {
    char header[12];
    bytes_.Read(pos, header, sizeof header);
    std::uint64_t ifd = pos;
    if (std::memcmp(header, kSonyDsc, 12) == 0 || std::memcmp(header, kSonyCam, 12) == 0) {
        ifd = pos + 12;
    } else if (!headerless) {
        return; // other Sony layouts (older compacts, phones) are not read
    }
    // A directory right at the note must look like one.
    const std::uint16_t count = U16At(ifd);
    if (count == 0 || count > kMaxEntries || TypeSize(U16At(ifd + 4)) == 0) {
        return;
    }
    NoteBlock(pos, makerNoteLength_, bytes_.Size(), noteStart_, noteEnd_);
    makerNote_ = SonyMakerNote{};
    // Offsets count from the TIFF header, as in the EXIF IFD.
    if (!WalkIfd(ifd, tiffBase_, Ifd::Sony, nullptr)) {
        makerNote_ = std::monostate{};
        return;
    }
    auto& sony = std::get<SonyMakerNote>(makerNote_);
    sony.lensModel = lensModel_;
    makerNoteKind_ = kMakerNoteSony;
}

void CRawParser::OnSony(const Entry& e) {
    auto& sony = std::get<SonyMakerNote>(makerNote_);
    const bool number = e.count == 1 && (e.type == 1 || e.type == 3 || e.type == 4);
    switch (e.tag) {
    case 0x0102:
        if (number) {
            sony.quality = UInt(e);
        }
        break;
    case 0x0115:
        if (number) {
            sony.whiteBalance = UInt(e);
        }
        break;
    case 0x201B:
        if (number && e.type == 1) {
            sony.focusMode = static_cast<std::uint8_t>(UInt(e));
        }
        break;
    case 0xB020:
        sony.creativeStyle = PlainText(e);
        break;
    case 0xB027:
        if (number) {
            sony.lensType = UInt(e);
        }
        break;
    default:
        break; // the enciphered blocks among them
    }
}

void CRawParser::ParsePanasonic(std::uint64_t pos) {
    char header[12];
    bytes_.Read(pos, header, sizeof header);
    if (std::memcmp(header, kPanasonic, 12) != 0) {
        return;
    }
    NoteBlock(pos, makerNoteLength_, bytes_.Size(), noteStart_, noteEnd_);
    makerNote_ = PanasonicMakerNote{};
    // The directory follows the header; its offsets count from the TIFF header.
    if (!WalkIfd(pos + 12, tiffBase_, Ifd::Panasonic, nullptr)) {
        makerNote_ = std::monostate{};
        return;
    }
    makerNoteKind_ = kMakerNotePanasonic;
}

void CRawParser::OnPanasonic(const Entry& e) {
    auto& note = std::get<PanasonicMakerNote>(makerNote_);
    const bool number = e.count == 1 && e.type == 3;
    switch (e.tag) {
    case 0x0001:
        if (number) {
            note.quality = static_cast<std::uint16_t>(UInt(e));
        }
        break;
    case 0x0003:
        if (number) {
            note.whiteBalance = static_cast<std::uint16_t>(UInt(e));
        }
        break;
    case 0x0007:
        if (number) {
            note.focusMode = static_cast<std::uint16_t>(UInt(e));
        }
        break;
    case 0x0044:
        // 0 stands for a white balance that is not set by temperature.
        if (number && UInt(e) != 0) {
            note.colorTemperature = static_cast<std::uint16_t>(UInt(e));
        }
        break;
    case 0x0051:
        note.lensModel = PlainText(e);
        break;
    case 0x0052:
        note.lensSerialNumber = PlainText(e);
        break;
    default:
        break;
    }
}

void CRawParser::ParseSamsung(std::uint64_t pos, bool anyVersion) {
    // A plain directory from the note's first byte; its first entry is the
    // note's version, four characters "0100" in the entry itself. An SRW's
    // note is taken whatever its version says.
    const std::uint16_t count = U16At(pos);
    if (count == 0 || count > kMaxEntries) {
        return;
    }
    char version[4];
    bytes_.Read(pos + 2 + 8, version, sizeof version);
    const bool versioned = U16At(pos + 2) == 0x0001 && U16At(pos + 4) == 7 && U32At(pos + 6) == 4 &&
                           std::memcmp(version, "0100", 4) == 0;
    if (!versioned && (!anyVersion || TypeSize(U16At(pos + 4)) == 0)) {
        return;
    }
    NoteBlock(pos, makerNoteLength_, bytes_.Size(), noteStart_, noteEnd_);
    makerNote_ = SamsungMakerNote{};
    if (!WalkIfd(pos, tiffBase_, Ifd::Samsung, nullptr)) {
        makerNote_ = std::monostate{};
        return;
    }
    auto& note = std::get<SamsungMakerNote>(makerNote_);
    note.lensModel = lensModel_;
    makerNoteKind_ = kMakerNoteSamsung;
}

void CRawParser::OnSamsung(const Entry& e) {
    auto& note = std::get<SamsungMakerNote>(makerNote_);
    // Depending on the body, offsets count from the TIFF header or from the
    // note's own start: the one that puts the value inside the note wins
    // (the TIFF header when both do).
    Entry v = e;
    if (e.size > 4) {
        const auto inside = [&](std::uint64_t at) {
            return at >= noteStart_ && at <= noteEnd_ && e.size <= noteEnd_ - at;
        };
        const std::uint64_t relative = noteStart_ + e.rawOffset;
        if (!inside(v.valuePos) && inside(relative)) {
            v.valuePos = relative;
        }
    }
    switch (e.tag) {
    case 0xA001:
        note.firmware = PlainText(v);
        break;
    case 0xA002:
        note.serialNumber = PlainText(v);
        break;
    case 0xA003:
        if (e.count == 1 && (e.type == 3 || e.type == 4)) {
            note.lensType = static_cast<std::uint16_t>(UInt(e));
        }
        break;
    case 0xA004:
        note.lensFirmware = PlainText(v);
        break;
    default:
        break;
    }
}

} // namespace lumora
