#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace lumora {

struct ImageInfo;

// What the EXIF IFD says about the exposure. Absent fields stay std::nullopt.
struct ShootingInfo {
    std::optional<std::uint32_t> aspectX; // derived: reduced aspect ratio
    std::optional<std::uint32_t> aspectY;
    std::optional<float> shutterSpeed; // reciprocal of the exposure time: 250 for 1/250 s
    std::optional<float> fNumber;
    std::optional<std::uint32_t> exposureProgram;
    std::optional<std::uint32_t> iso;       // first ISOSpeedRatings value
    std::optional<std::string> exifVersion; // exactly four characters, e.g. "0220"
    std::optional<float> exposureBias;      // EV, signed
    std::optional<float> maxApertureF;      // the lens's smallest F-number
    std::optional<float> subjectDistance;   // metres
    std::optional<std::uint16_t> meteringMode;
    std::optional<std::uint16_t> lightSource;
    std::optional<std::uint16_t> flash; // bit 0 = fired
    std::optional<float> focalLength;   // millimetres
    std::optional<std::uint32_t> pixelX;
    std::optional<std::uint32_t> pixelY;
    std::optional<std::uint16_t> whiteBalance; // 0 auto, 1 manual
    std::optional<std::uint16_t> colorSpace;   // 1 sRGB, 0xFFFF uncalibrated
    std::optional<std::string> interopIndex;   // "R98" sRGB, "R03" Adobe RGB (DCF option)

    bool operator==(const ShootingInfo&) const = default;
};

// Sets aspectX/aspectY from pixelX/pixelY when both are non-zero, else from the
// image's width/height when both are non-zero; otherwise leaves them absent.
void ComputeAspectRatio(const ImageInfo& image, ShootingInfo& shooting);

// The pair reduced by its greatest common divisor, or nullopt when either is 0.
struct AspectRatio {
    std::uint32_t x = 0;
    std::uint32_t y = 0;
    bool operator==(const AspectRatio&) const = default;
};
std::optional<AspectRatio> ReduceAspectRatio(std::uint32_t x, std::uint32_t y);

} // namespace lumora
