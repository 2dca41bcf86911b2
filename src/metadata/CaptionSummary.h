#pragma once

#include "metadata/MakerNotes.h"
#include "metadata/ShootingInfo.h"

#include <cstdint>
#include <optional>

namespace lumora {

// The six values under a thumbnail and in the preview's caption.
struct CaptionSummary {
    std::optional<float> shutterSpeed;
    std::optional<float> fNumber;
    std::optional<float> exposureBias;
    std::optional<std::uint32_t> exposureProgram;
    std::optional<float> focalLength;
    std::optional<std::uint32_t> iso;

    bool operator==(const CaptionSummary&) const = default;
};

// Shutter speed, F-number, bias and focal length come from the EXIF record.
// The exposure program falls back to the Canon exposure mode (2 -> 4, 3 -> 3,
// 4 -> 1, else 0) for a Canon maker note without an EXIF program. The ISO is
// the Nikon ISO setting for a Nikon maker note, else the EXIF value.
CaptionSummary DeriveCaptionSummary(const ShootingInfo& shooting, const MakerNote& makerNote);

} // namespace lumora
