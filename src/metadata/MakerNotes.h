#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>

namespace lumora {

// Maker-note kinds as CRawParser::GetMakerNoteKind reports them.
enum MakerNoteKind : int {
    kMakerNoteNone = 0,
    kMakerNoteCanon = 1,
    kMakerNoteNikon = 2,
    kMakerNoteOlympus = 3, // recognised, no record
    kMakerNoteFujifilm = 6,
    kMakerNoteSony = 7,
    kMakerNotePanasonic = 8,
    kMakerNoteSamsung = 9,
};

// Canon maker note. Values are taken as the camera stores them (little-endian).
struct CanonMakerNote {
    // camera settings (tag 1), by element
    std::optional<std::uint16_t> macroMode;    // 1
    std::optional<std::uint16_t> selfTimer;    // 2
    std::optional<std::uint16_t> flashMode;    // 4
    std::optional<std::uint16_t> driveMode;    // 5: 0 single, 1 continuous
    std::optional<std::uint16_t> focusMode;    // 7
    std::optional<std::uint16_t> imageSize;    // 10
    std::optional<std::uint16_t> easyMode;     // 11
    std::optional<std::uint16_t> meteringMode; // 17
    std::optional<std::uint16_t> exposureMode; // 20
    std::optional<std::uint16_t> lensType;     // 22
    std::optional<std::uint16_t> longFocal;    // 23
    std::optional<std::uint16_t> shortFocal;   // 24
    std::optional<std::uint16_t> focalUnits;   // 25: units per millimetre
    std::optional<std::uint16_t> flashBits;    // 29
    // shot information (tag 4), by element
    std::optional<std::uint16_t> whiteBalance;      // 7
    std::optional<std::uint16_t> sequenceNumber;    // 9
    std::optional<std::uint16_t> afPoints;          // 14
    std::optional<std::uint16_t> flashCompensation; // 15
    std::optional<std::uint32_t> fileNumber;        // tag 8 (not shown)
    std::optional<std::string> imageType;           // tag 6, at most 31 bytes
    std::optional<std::string> firmwareVersion;     // tag 7, at most 31 bytes
    std::optional<std::string> serialNumber;        // tag 12, formatted "%04X%05d"
    std::optional<std::uint16_t> colorTemperature;  // tag 0xA0 element 9, kelvin

    bool operator==(const CanonMakerNote&) const = default;
};

// Canon texts keep at most this many bytes (the 32-byte fields less the zero).
inline constexpr std::size_t kCanonTextLength = 31;

// Nikon maker note.
struct NikonMakerNote {
    std::optional<std::uint16_t> isoValue0;     // tag 2, first value, as stored (not byte-swapped)
    std::optional<std::uint16_t> isoSetting;    // tag 2, second value, in the file's byte order
    std::optional<std::string> colorMode;       // tag 3
    std::optional<std::string> quality;         // tag 4
    std::optional<std::string> whiteBalance;    // tag 5
    std::optional<std::string> sharpness;       // tag 6
    std::optional<std::string> focusMode;       // tag 7
    std::optional<std::string> flashSetting;    // tag 8
    std::optional<std::string> isoSelection;    // tag 15
    std::optional<std::string> imageAdjustment; // tag 128

    bool operator==(const NikonMakerNote&) const = default;
};

// Fujifilm maker note.
struct FujifilmMakerNote {
    std::optional<std::string> serialNumber; // tag 0x0010

    bool operator==(const FujifilmMakerNote&) const = default;
};

// Sony maker note (ARW, SRF, Sony JPEGs): the plain tags only. The
// enciphered blocks (0x9400 series, 0x2010, 0x9050) are never read.
struct SonyMakerNote {
    std::optional<std::uint32_t> quality;      // 0x0102
    std::optional<std::uint32_t> whiteBalance; // 0x0115
    std::optional<std::uint8_t> focusMode;     // 0x201B
    std::optional<std::string> creativeStyle;  // 0xB020
    std::optional<std::uint32_t> lensType;     // 0xB027, the lens's number
    // The note names lenses by number only: the EXIF LensModel (0xA434).
    std::optional<std::string> lensModel;

    bool operator==(const SonyMakerNote&) const = default;
};

// Panasonic (and Leica-made-by-Panasonic) maker note of RW2, RWL and JPEG.
struct PanasonicMakerNote {
    std::optional<std::uint16_t> quality;          // 0x0001
    std::optional<std::uint16_t> whiteBalance;     // 0x0003
    std::optional<std::uint16_t> focusMode;        // 0x0007
    std::optional<std::uint16_t> colorTemperature; // 0x0044, kelvin
    std::optional<std::string> lensModel;          // 0x0051
    std::optional<std::string> lensSerialNumber;   // 0x0052

    bool operator==(const PanasonicMakerNote&) const = default;
};

// Samsung maker note of SRW files (and Samsung JPEGs of the same layout).
struct SamsungMakerNote {
    std::optional<std::string> firmware;     // 0xA001
    std::optional<std::string> serialNumber; // 0xA002
    std::optional<std::uint16_t> lensType;   // 0xA003, the lens's number
    std::optional<std::string> lensFirmware; // 0xA004
    std::optional<std::string> lensModel;    // the EXIF LensModel (0xA434)

    bool operator==(const SamsungMakerNote&) const = default;
};

// Texts of these three notes keep at most this many bytes, and only when
// every byte is printable ASCII: anything else is not shown at all.
inline constexpr std::size_t kMakerTextLength = 63;

// The decoded maker-note record of an image, if its kind has one.
using MakerNote = std::variant<std::monostate, CanonMakerNote, NikonMakerNote, FujifilmMakerNote,
                               SonyMakerNote, PanasonicMakerNote, SamsungMakerNote>;

// Longest maker-note or tag text kept (longer texts are cut).
inline constexpr std::size_t kMaxTextLength = 1024;

} // namespace lumora
