#include "thumbnails/CaptionText.h"

#include <cmath>

namespace lumora {

namespace {
QString fixed(double v, int decimals) {
    return QString::number(v, 'f', decimals);
}
const QString kFour = QStringLiteral("    ");
} // namespace

QString shutterText(const std::optional<float>& shutterSpeed) {
    // The value is the reciprocal of the exposure time. A value that is not a
    // positive finite number gives no exposure time and shows as missing.
    if (!shutterSpeed || !std::isfinite(*shutterSpeed) || *shutterSpeed <= 0.0f)
        return kFour;
    const float v = *shutterSpeed;
    if (v < 1.0f)
        return fixed(1.0 / v, 1) + QLatin1Char('"');
    return QStringLiteral("1/") + fixed(v, 0);
}

QString apertureText(const std::optional<float>& fNumber) {
    if (!fNumber)
        return QString();
    return QStringLiteral("F") + fixed(*fNumber, 1);
}

QString biasText(const std::optional<float>& exposureBias) {
    if (!exposureBias)
        return kFour;
    const float v = *exposureBias;
    return QStringLiteral("EV") + (v >= 0.0f ? QStringLiteral("+") : QString()) + fixed(v, 1);
}

QString programText(const std::optional<std::uint32_t>& exposureProgram) {
    if (!exposureProgram)
        return kFour;
    static const char* const names[] = {"Unknown",  "Manual", "Normal",   "Av",       "Tv",
                                        "Creative", "Action", "Portrait", "Landscape"};
    const std::uint32_t p = *exposureProgram;
    return QString::fromLatin1(p < 9 ? names[p] : "Reserved");
}

QString focalLengthText(const std::optional<float>& focalLength) {
    if (!focalLength)
        return QStringLiteral("   ");
    return fixed(*focalLength, 0) + QStringLiteral("mm");
}

QString isoText(const std::optional<std::uint32_t>& iso) {
    if (!iso)
        return kFour;
    return QStringLiteral("ISO") + QString::number(*iso);
}

QString captionLine1(const CaptionSummary& c) {
    return shutterText(c.shutterSpeed) + QStringLiteral("  ") + apertureText(c.fNumber) +
           QStringLiteral("  ") + biasText(c.exposureBias);
}

QString captionLine2(const CaptionSummary& c) {
    return programText(c.exposureProgram) + QStringLiteral("  ") + focalLengthText(c.focalLength) +
           QStringLiteral("  ") + isoText(c.iso);
}

QString tooltipText(const QString& fileName, const CaptionSummary& c) {
    QString text = fileName;
    if (c.shutterSpeed) {
        text += QStringLiteral("\n \n");
        text += captionLine1(c);
        text += QLatin1Char('\n');
        text += captionLine2(c);
    }
    return text;
}

} // namespace lumora
