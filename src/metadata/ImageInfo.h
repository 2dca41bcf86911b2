#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace lumora {

// What IFD0 says about an image (the date fields may also come from the EXIF
// IFD). A field that was not found stays std::nullopt and shows as "--".
struct ImageInfo {
    std::optional<std::uint32_t> width;  // ImageWidth; every SubIFD overwrites it
    std::optional<std::uint32_t> height; // ImageLength; likewise
    std::optional<std::uint16_t> compression;
    std::optional<std::string> make;          // 8-bit text as stored, cut at its first zero
    std::optional<std::string> model;         // 8-bit text as stored
    std::optional<std::uint16_t> orientation; // 1 to 8
    // "YYYY:MM:DD HH:MM:SS": at most kShootingTimeTextLength bytes are kept.
    std::optional<std::string> shootingDateTime; // DateTimeOriginal
    std::optional<std::string> dateTime;         // DateTime

    bool operator==(const ImageInfo&) const = default;
};

// Date texts keep at most 19 characters (20 bytes with the terminating zero).
inline constexpr std::size_t kShootingTimeTextLength = 19;

// Quarter turns clockwise that auto-rotation applies for an orientation value:
// 6 -> 1, 3 and 4 -> 2, 8 -> 3; every other value (1, 2, 5, 7, absent) -> 0.
int OrientationQuarterTurns(std::optional<std::uint16_t> orientation);

} // namespace lumora
