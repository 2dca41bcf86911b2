// Maker notes: the camera makers' own directories inside the EXIF IFD.
#include "imaging/RawParser.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <vector>

namespace lumora {

namespace {

// True when the first length bytes, upper-cased, contain needle.
bool HeaderContains(const std::uint8_t* bytes, std::size_t length, const char* needle) {
    std::string upper(reinterpret_cast<const char*>(bytes), length);
    for (char& c : upper) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return upper.find(needle) != std::string::npos;
}

} // namespace

void CRawParser::ParseMakerNote() {
    const std::uint64_t pos = tiffBase_ + makerNoteOffset_;
    switch (kind_) {
    case kRawKindJpeg:
        ParseMakerNoteByMake(pos);
        break;
    case kRawKindCr2:
        ParseCanon(pos);
        break;
    case kRawKindNef:
        ParseNikon(pos);
        break;
    case kRawKindOrf:
        ParseOlympus(pos);
        break;
    case kRawKindMrw:
        ParseMinolta(pos);
        break;
    case kRawKindErf:
        ParseEpson(pos);
        break;
    case kRawKindRw2:
    case kRawKindRwl:
        // Read again from the JpgFromRaw's EXIF block, whose note wins.
        ParsePanasonic(pos);
        break;
    case kRawKindTiff: {
        const std::string make = MakeUpper();
        if (make.find("CANON") != std::string::npos) {
            ParseCanon(pos);
        } else if (make.find("NIKON") != std::string::npos) {
            ParseNikon(pos);
            ApplyNefRule();
        } else if (make.find("OLYMPUS") != std::string::npos) {
            ParseOlympus(pos);
            if (thumbnailLength_ == 0 && previewLength_ != 0) {
                thumbnailOffset_ = static_cast<std::uint32_t>(previewOffset_);
                thumbnailLength_ = previewLength_;
            }
        }
        break;
    }
    default:
        break;
    }
}

void CRawParser::ParseMakerNoteByMake(std::uint64_t pos) {
    const std::string make = MakeUpper();
    if (make.find("CANON") != std::string::npos) {
        ParseCanon(pos);
    } else if (make.find("NIKON") != std::string::npos) {
        ParseNikon(pos);
    } else if (make.find("FUJIFILM") != std::string::npos) {
        ParseFujifilm(pos);
    } else if (make.find("SONY") != std::string::npos) {
        ParseSony(pos, false);
    } else if (make.find("PANASONIC") != std::string::npos ||
               make.find("LEICA") != std::string::npos) {
        ParsePanasonic(pos);
    } else if (make.find("SAMSUNG") != std::string::npos) {
        ParseSamsung(pos, false);
    }
}

void CRawParser::ParseCanon(std::uint64_t pos) {
    makerNote_ = std::monostate{};
    const std::uint16_t count = U16At(pos);
    if (count > kMaxEntries) {
        return;
    }
    canonEntriesEnd_ = pos + 2 + 12 * static_cast<std::uint64_t>(count);
    canonBlockEnd_ = bytes_.Size();
    if (makerNoteLength_ != 0 &&
        makerNoteLength_ <= canonBlockEnd_ - std::min(pos, canonBlockEnd_)) {
        canonBlockEnd_ = pos + makerNoteLength_;
    }
    const std::int64_t shift = CanonShift(pos, count);
    makerNote_ = CanonMakerNote{};
    // Unsigned wrap-around gives base + offset = tiffBase_ + shift + offset.
    const std::uint64_t base = tiffBase_ + static_cast<std::uint64_t>(shift);
    if (WalkIfd(pos, base, Ifd::Canon, nullptr)) {
        makerNoteKind_ = kMakerNoteCanon;
    } else {
        makerNote_ = std::monostate{};
    }
}

bool CRawParser::CanonEntryValid(const Entry& e) {
    if (e.size > 4) {
        // Values lie after the directory's entries and inside the block.
        if (e.valuePos < canonEntriesEnd_ || e.valuePos > canonBlockEnd_ ||
            e.size > canonBlockEnd_ - e.valuePos) {
            return false;
        }
    }
    // The camera-settings and shot-information arrays start with their own
    // length in bytes; anything else there is not the array.
    if ((e.tag == 1 || e.tag == 4) &&
        (e.type != 3 || e.count < 2 || bytes_.U16(e.valuePos, true) != 2 * e.count)) {
        return false;
    }
    return true;
}

std::int64_t CRawParser::CanonShift(std::uint64_t pos, std::uint16_t count) {
    // The entries whose values lie outside them, as stored.
    std::vector<Entry> outside;
    for (std::uint32_t i = 0; i < count; ++i) {
        Entry e;
        e.entryPos = pos + 2 + 12 * static_cast<std::uint64_t>(i);
        e.tag = U16At(e.entryPos);
        e.type = U16At(e.entryPos + 2);
        e.count = U32At(e.entryPos + 4);
        e.size = TypeSize(e.type) * e.count;
        if (e.size > kMaxValueBytes) {
            break;
        }
        e.rawOffset = U32At(e.entryPos + 8);
        if (e.size <= 4) {
            continue;
        }
        e.valuePos = tiffBase_ + e.rawOffset;
        outside.push_back(e);
    }
    // How many values a shift puts in place.
    const auto fitting = [&](std::int64_t shift) {
        std::size_t n = 0;
        for (Entry e : outside) {
            e.valuePos += static_cast<std::uint64_t>(shift);
            n += CanonEntryValid(e) ? 1 : 0;
        }
        return n;
    };
    const std::size_t inPlace = fitting(0);
    if (inPlace == outside.size()) {
        return 0; // the usual case: nothing moved
    }
    std::vector<std::int64_t> candidates;
    // Some cameras close the block with a byte-order mark and the block's
    // original offset: the shift is then known.
    if (makerNoteLength_ >= 8 && canonBlockEnd_ - pos >= 8) {
        std::uint8_t footer[8];
        bytes_.Read(canonBlockEnd_ - 8, footer, sizeof footer);
        const bool ii = std::memcmp(footer, "II*\0", 4) == 0;
        const bool mm = std::memcmp(footer, "MM\0*", 4) == 0;
        if (ii || mm) {
            const std::uint32_t original = bytes_.U32(canonBlockEnd_ - 4, ii);
            candidates.push_back(static_cast<std::int64_t>(makerNoteOffset_) -
                                 static_cast<std::int64_t>(original));
        }
    }
    // Otherwise the first value of a well-formed directory starts right
    // after its entries and next-directory word (some cameras leave the word
    // out): the distance from there to the lowest stored offset is the
    // shift. A damaged entry may claim a lower offset than the real first
    // value, so the next few lowest offsets are tried as well.
    std::vector<std::uint64_t> lowest;
    for (const Entry& e : outside) {
        lowest.push_back(e.valuePos);
    }
    std::sort(lowest.begin(), lowest.end());
    lowest.erase(std::unique(lowest.begin(), lowest.end()), lowest.end());
    constexpr std::size_t kFirstValuesTried = 3;
    for (std::size_t k = 0; k < std::min(lowest.size(), kFirstValuesTried); ++k) {
        for (const std::uint64_t start : {canonEntriesEnd_ + 4, canonEntriesEnd_}) {
            candidates.push_back(static_cast<std::int64_t>(start) -
                                 static_cast<std::int64_t>(lowest[k]));
        }
    }
    // The shift that puts the most values in place wins, the first one
    // tried on a tie. It must do better than leaving the block as it is and
    // place at least half of the values: one damaged record must not cost
    // the others, and a few values that check out by chance are no shift.
    std::int64_t best = 0;
    std::size_t bestFit = inPlace;
    for (const std::int64_t shift : candidates) {
        const std::size_t n = fitting(shift);
        if (n > bestFit) {
            best = shift;
            bestFit = n;
        }
    }
    if (best != 0 && 2 * bestFit < outside.size()) {
        return 0;
    }
    return best; // the walk then drops each value that still does not fit
}

void CRawParser::OnCanon(const Entry& e) {
    if (!CanonEntryValid(e)) {
        return; // moved or damaged: no value at all rather than a wrong one
    }
    auto& c = std::get<CanonMakerNote>(makerNote_);
    // Canon stores its arrays little-endian; they are taken as stored.
    const auto element = [&](std::uint32_t index) -> std::optional<std::uint16_t> {
        if (index >= e.count) {
            return std::nullopt;
        }
        return bytes_.U16(e.valuePos + 2 * static_cast<std::uint64_t>(index), true);
    };
    switch (e.tag) {
    case 1:
        c.macroMode = element(1);
        c.selfTimer = element(2);
        c.flashMode = element(4);
        c.driveMode = element(5);
        c.focusMode = element(7);
        c.imageSize = element(10);
        c.easyMode = element(11);
        c.meteringMode = element(17);
        c.exposureMode = element(20);
        c.lensType = element(22);
        c.longFocal = element(23);
        c.shortFocal = element(24);
        c.focalUnits = element(25);
        c.flashBits = element(29);
        break;
    case 4:
        c.whiteBalance = element(7);
        c.sequenceNumber = element(9);
        c.afPoints = element(14);
        c.flashCompensation = element(15);
        break;
    case 6:
        c.imageType = Text(e, kCanonTextLength);
        break;
    case 7:
        c.firmwareVersion = Text(e, kCanonTextLength);
        break;
    case 8:
        c.fileNumber = bytes_.U32(e.valuePos, true);
        break;
    case 12: {
        const std::uint32_t v = bytes_.U32(e.valuePos, true);
        char text[16];
        std::snprintf(text, sizeof text, "%04X%05d", static_cast<unsigned>(v >> 16),
                      static_cast<int>(v & 0xFFFF));
        c.serialNumber = text;
        break;
    }
    case 0xA0:
        c.colorTemperature = element(9);
        break;
    default:
        break;
    }
}

void CRawParser::ParseNikon(std::uint64_t pos) {
    std::uint8_t header[5];
    bytes_.Read(pos, header, sizeof header);
    if (!HeaderContains(header, sizeof header, "NIKON")) {
        return;
    }
    // An embedded TIFF header follows "Nikon\0" and its version; its byte-order
    // mark is not used: the outer byte order stays in force.
    const std::uint64_t nikonBase = pos + 10;
    const std::uint32_t ifdOffset = U32At(nikonBase + 4);
    makerNote_ = NikonMakerNote{};
    makerNoteKind_ = kMakerNoteNikon;
    nikonPreviewIfd_ = 0;
    WalkIfd(nikonBase + ifdOffset, nikonBase, Ifd::Nikon, nullptr);
    if (nikonPreviewIfd_ != 0) {
        subCompression_ = 0;
        subJpegOffset_ = 0;
        subJpegLength_ = 0;
        const std::uint32_t previewIfd = nikonPreviewIfd_;
        WalkIfd(nikonBase + previewIfd, nikonBase, Ifd::NikonPreview, nullptr);
        if (subCompression_ == 6 && subJpegOffset_ != 0 && subJpegLength_ != 0) {
            jpegCandidates_.push_back({6, subJpegOffset_, subJpegLength_, true});
        }
    }
}

void CRawParser::OnNikon(std::uint64_t /*base*/, const Entry& e) {
    auto& n = std::get<NikonMakerNote>(makerNote_);
    switch (e.tag) {
    case 2:
        // The first value is kept as stored; the second is the ISO setting.
        n.isoValue0 = bytes_.U16(e.valuePos, true);
        if (e.count >= 2) {
            n.isoSetting = U16At(e.valuePos + 2);
        }
        break;
    case 3:
        n.colorMode = Text(e);
        break;
    case 4:
        n.quality = Text(e);
        break;
    case 5:
        n.whiteBalance = Text(e);
        break;
    case 6:
        n.sharpness = Text(e);
        break;
    case 7:
        n.focusMode = Text(e);
        break;
    case 8:
        n.flashSetting = Text(e);
        break;
    case 15:
        n.isoSelection = Text(e);
        break;
    case 17:
        nikonPreviewIfd_ = UInt(e);
        break;
    case 128:
        n.imageAdjustment = Text(e);
        break;
    default:
        break;
    }
}

void CRawParser::ParseOlympus(std::uint64_t pos) {
    std::uint8_t header[16];
    bytes_.Read(pos, header, sizeof header);
    // Current bodies write "OLYMPUS\0II\3\0" or "OM SYSTEM\0\0\0II\3\0" in front of
    // the directory, and count its offsets from the note's own start.
    std::uint64_t ifd = pos + 8;
    std::uint64_t base = tiffBase_;
    if (std::memcmp(header, "OLYMPUS\0", 8) == 0 &&
        (std::memcmp(header + 8, "II", 2) == 0 || std::memcmp(header + 8, "MM", 2) == 0)) {
        ifd = pos + 12;
        base = pos;
    } else if (std::memcmp(header, "OM SYSTEM\0\0\0", 12) == 0) {
        ifd = pos + 16;
        base = pos;
    } else if (!HeaderContains(header, 5, "OLYMP")) {
        return;
    }
    makerNoteKind_ = kMakerNoteOlympus;
    olympusSubIfd_ = 0;
    WalkIfd(ifd, base, Ifd::Olympus, nullptr);
    if (olympusSubIfd_ != 0) {
        const std::uint32_t sub = olympusSubIfd_;
        const std::uint64_t before = previewOffset_;
        previewOffset_ = 0;
        WalkIfd(base + sub, base, Ifd::OlympusSub, nullptr);
        if (previewOffset_ == 0) {
            previewOffset_ = before;
        } else {
            previewOffset_ += base - tiffBase_; // kept relative to the TIFF header
        }
    }
}

void CRawParser::ParseMinolta(std::uint64_t pos) {
    WalkIfd(pos, tiffBase_, Ifd::Minolta, nullptr);
}

void CRawParser::ParseEpson(std::uint64_t pos) {
    std::uint8_t header[5];
    bytes_.Read(pos, header, sizeof header);
    if (!HeaderContains(header, sizeof header, "EPSON")) {
        return;
    }
    WalkIfd(pos + 8, tiffBase_, Ifd::Epson, nullptr);
}

void CRawParser::ParseFujifilm(std::uint64_t pos) {
    std::uint8_t header[8];
    bytes_.Read(pos, header, sizeof header);
    if (!HeaderContains(header, sizeof header, "FUJIFILM")) {
        return;
    }
    // This maker note is little-endian whatever the byte order of the EXIF
    // block around it (big-endian files would otherwise lose it).
    const bool outer = littleEndian_;
    littleEndian_ = true;
    const std::uint32_t offset = U32At(pos + 8);
    makerNote_ = FujifilmMakerNote{};
    makerNoteKind_ = kMakerNoteFujifilm;
    WalkIfd(pos + offset, pos, Ifd::Fujifilm, nullptr);
    littleEndian_ = outer;
}

} // namespace lumora
