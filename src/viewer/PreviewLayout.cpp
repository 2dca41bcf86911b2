#include "viewer/PreviewLayout.h"

#include <algorithm>
#include <cmath>

namespace lumora {

const std::array<float, kMagStepCount>& MagnificationSteps() {
    static const std::array<float, kMagStepCount> steps = [] {
        std::array<float, kMagStepCount> s{};
        for (int i = 0; i < kMagStepCount; ++i)
            s[static_cast<std::size_t>(i)] = static_cast<float>(std::pow(1.2, i - kMagStepOne));
        return s;
    }();
    return steps;
}

float NextMagnification(float current, int direction) {
    const auto& s = MagnificationSteps();
    if (direction > 0) {
        for (float step : s)
            if (step > current)
                return step;
        return s.back();
    }
    for (auto it = s.rbegin(); it != s.rend(); ++it)
        if (*it < current)
            return *it;
    return s.front();
}

bool CanZoomIn(float current) {
    return current < MagnificationSteps().back();
}

bool CanZoomOut(float current) {
    return current > MagnificationSteps().front();
}

LayoutResult ComputeLayout(const LayoutInput& in) {
    LayoutResult r;
    if (in.imageWidth <= 0 || in.imageHeight <= 0)
        return r;
    float fitX = static_cast<float>(in.availableWidth) / static_cast<float>(in.imageWidth);
    float fitY = static_cast<float>(in.availableHeight) / static_cast<float>(in.imageHeight);
    if (in.noMagOnFit && fitX > 1.0f && fitY > 1.0f)
        fitX = fitY = 1.0f;
    r.widthLimited = fitY > fitX;
    r.fit = std::min(fitX, fitY);
    if (!(r.fit > 0.0f))
        r.fit = MagnificationSteps().front();
    r.magnification = in.fitMode ? r.fit : in.magnification;
    // Sizes are limited so that a hostile magnification never overflows.
    const double w = static_cast<double>(in.imageWidth) * r.magnification;
    const double h = static_cast<double>(in.imageHeight) * r.magnification;
    r.drawWidth = static_cast<int>(std::clamp(w, 0.0, 1.0e9));
    r.drawHeight = static_cast<int>(std::clamp(h, 0.0, 1.0e9));
    r.hRange = std::max(1, r.drawWidth);
    r.vRange = std::max(1, r.drawHeight);
    const bool atFit = r.magnification == r.fit;
    r.hPage = atFit && r.widthLimited ? r.drawWidth : in.clientWidth;
    r.vPage = atFit && !r.widthLimited ? r.drawHeight : in.clientHeight;
    r.offsetX = r.drawWidth < in.clientWidth ? (in.clientWidth - r.drawWidth) / 2 : 0;
    r.offsetY = r.drawHeight < in.clientHeight ? (in.clientHeight - r.drawHeight) / 2 : 0;
    return r;
}

std::optional<int> ImagePixelAt(int client, int scroll, int offset, int drawn,
                                float magnification) {
    if (magnification <= 0.0f)
        return std::nullopt;
    double pos;
    if (offset > 0) {
        if (client < offset || client >= offset + drawn)
            return std::nullopt;
        pos = client - offset;
    } else {
        pos = static_cast<double>(scroll) + client;
        if (client < 0 || pos >= drawn)
            return std::nullopt;
    }
    return static_cast<int>(pos / magnification) + 1;
}

int AnchoredScroll(int anchorImage, int anchorClient, float magnification, int max) {
    const double p = static_cast<double>(anchorImage) * magnification - anchorClient;
    return static_cast<int>(std::clamp(p, 0.0, static_cast<double>(std::max(0, max))));
}

int ExifQuarterTurns(int orientation) {
    switch (orientation) {
    case 3:
    case 4:
        return 2;
    case 6:
        return 1;
    case 8:
        return 3;
    default:
        return 0;
    }
}

} // namespace lumora
