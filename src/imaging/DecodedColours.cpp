#include "imaging/DecodedColours.h"

#include "colour/ColourTransform.h"

namespace lumora {

bool ExifSaysAdobeRgb(const ShootingInfo& shooting) {
    return shooting.colorSpace == 0xFFFF && shooting.interopIndex == std::string("R03");
}

bool ConvertDecodedColours(DecodeOutput& out, const ProfilePtr& target, const CancelTest& cancel,
                           bool extraAdobeRgb) {
    if (!target || out.image.isNull() || out.inTargetColours)
        return false;
    out.inTargetColours = true;
    const TransformPtr transform = TransformFor(
        ChooseSourceProfile(out.iccProfile, out.exifAdobeRgb || extraAdobeRgb), target);
    if (!transform)
        return false;
    DibImage& image = out.image;
    // Memory rows are converted bottom-up; the order does not matter.
    const bool done =
        ApplyInBands(*transform, image.bits(), image.stride(), image.width(), image.height(),
                     PixelLayout::Bgr8, [&cancel] { return !cancel.IsStale(); });
    if (!done && out.status == DecodeStatus::Decoded)
        out.status = DecodeStatus::Cancelled;
    return true;
}

} // namespace lumora
