#include "metadata/CaptionSummary.h"

namespace lumora {

namespace {

std::uint32_t ProgramFromCanonExposureMode(std::optional<std::uint16_t> mode) {
    switch (mode.value_or(0)) {
    case 2:
        return 4; // shutter priority
    case 3:
        return 3; // aperture priority
    case 4:
        return 1; // manual
    default:
        return 0;
    }
}

} // namespace

CaptionSummary DeriveCaptionSummary(const ShootingInfo& shooting, const MakerNote& makerNote) {
    CaptionSummary summary;
    summary.shutterSpeed = shooting.shutterSpeed;
    summary.fNumber = shooting.fNumber;
    summary.exposureBias = shooting.exposureBias;
    summary.focalLength = shooting.focalLength;

    if (const auto* canon = std::get_if<CanonMakerNote>(&makerNote)) {
        summary.exposureProgram = shooting.exposureProgram
                                      ? *shooting.exposureProgram
                                      : ProgramFromCanonExposureMode(canon->exposureMode);
    } else {
        summary.exposureProgram = shooting.exposureProgram;
    }

    if (const auto* nikon = std::get_if<NikonMakerNote>(&makerNote)) {
        // The Nikon ISO setting is the one shown; an absent tag counts as 0.
        summary.iso = nikon->isoSetting.value_or(0);
    } else {
        summary.iso = shooting.iso;
    }
    return summary;
}

} // namespace lumora
