// Magnification steps and the layout arithmetic of the preview canvas: fit,
// drawn size, scroll ranges and pages, centring margins, the image pixel
// under a client point and the scroll position that keeps an anchor.
// Plain values, no widgets: callable from any thread.
#pragma once

#include <array>
#include <optional>

namespace lumora {

constexpr int kMagStepCount = 33;
constexpr int kMagStepOne = 16; // the step that is exactly 1.0

// 1.2^k for k = -16 ... +16, as 32-bit floats.
const std::array<float, kMagStepCount>& MagnificationSteps();

// Zoom step from `current`: direction > 0 gives the first step greater than
// current (the last step when none is); otherwise the last step smaller than
// current (the first step when none is).
float NextMagnification(float current, int direction);
bool CanZoomIn(float current);
bool CanZoomOut(float current);

struct LayoutInput {
    int availableWidth = 0; // window less its edges, as if no scroll bars were shown
    int availableHeight = 0;
    int clientWidth = 0; // the drawing area
    int clientHeight = 0;
    int imageWidth = 0;
    int imageHeight = 0;
    bool noMagOnFit = false;
    bool fitMode = true;
    float magnification = 1.0f; // used when fitMode is off
};

struct LayoutResult {
    float fit = 1.0f;
    bool widthLimited = false; // fitY > fitX
    float magnification = 1.0f;
    int drawWidth = 0;
    int drawHeight = 0;
    // Scroll bars: positions 0 ... range - page (the first drawn pixel shown).
    int hRange = 1;
    int hPage = 0;
    int vRange = 1;
    int vPage = 0;
    int offsetX = 0; // centring margins
    int offsetY = 0;

    int hMax() const { return hRange > hPage ? hRange - hPage : 0; }
    int vMax() const { return vRange > vPage ? vRange - vPage : 0; }
};

LayoutResult ComputeLayout(const LayoutInput& in);

// The 1-based image pixel under a client coordinate on one axis, or nothing
// over a margin or past the image. scroll is ignored where there is a margin.
std::optional<int> ImagePixelAt(int client, int scroll, int offset, int drawn, float magnification);

// Scroll position that puts 1-based image pixel `anchorImage` under client
// coordinate `anchorClient`, limited to 0 ... max.
int AnchoredScroll(int anchorImage, int anchorClient, float magnification, int max);

// Quarter turns clockwise for an EXIF orientation value: 3 and 4 a half
// turn, 6 one turn, 8 three turns, anything else none.
int ExifQuarterTurns(int orientation);

} // namespace lumora
