// The two lines of shooting information under a thumbnail, also used by the
// thumbnail's tool tip.
#pragma once

#include "metadata/CaptionSummary.h"

#include <QString>

namespace lumora {

QString shutterText(const std::optional<float>& shutterSpeed);
QString apertureText(const std::optional<float>& fNumber);
QString biasText(const std::optional<float>& exposureBias);
QString programText(const std::optional<std::uint32_t>& exposureProgram);
QString focalLengthText(const std::optional<float>& focalLength);
QString isoText(const std::optional<std::uint32_t>& iso);

// "%s  %s  %s" of shutter, aperture and bias.
QString captionLine1(const CaptionSummary& c);
// "%s  %s  %s" of program, focal length and ISO.
QString captionLine2(const CaptionSummary& c);

// File name; when an exposure time is known, "\n \n" and the two lines.
QString tooltipText(const QString& fileName, const CaptionSummary& c);

} // namespace lumora
