#include "viewer/ZoomAnchor.h"

#include <algorithm>
#include <cmath>

namespace lumora {

namespace {

// One axis: the picture position under client position c.
double axisPictureAt(double c, int scroll, int offset, int drawn, int size, float m) {
    if (m <= 0.0f || size <= 0)
        return 0.0;
    const double pos = offset > 0 || drawn <= 0 ? c - offset : scroll + c;
    return std::clamp(pos / m, 0.0, static_cast<double>(size));
}

// One axis: the scroll position putting picture position p under client c.
int axisScroll(double p, double c, float m, int max) {
    const double s = std::round(p * m - c);
    return static_cast<int>(std::clamp(s, 0.0, static_cast<double>(std::max(0, max))));
}

} // namespace

LayoutResult LayoutOf(const CanvasGeometry& g, const ZoomView& v) {
    LayoutInput in;
    in.availableWidth = g.availableWidth;
    in.availableHeight = g.availableHeight;
    in.clientWidth = g.clientWidth;
    in.clientHeight = g.clientHeight;
    in.imageWidth = g.imageWidth;
    in.imageHeight = g.imageHeight;
    in.noMagOnFit = g.noMagOnFit;
    in.fitMode = v.fit;
    in.magnification = v.magnification;
    return ComputeLayout(in);
}

PicturePoint PictureAt(const CanvasGeometry& g, const ZoomView& v, double cx, double cy) {
    const LayoutResult L = LayoutOf(g, v);
    const int sx = v.fit ? 0 : std::clamp(v.scrollX, 0, L.hMax());
    const int sy = v.fit ? 0 : std::clamp(v.scrollY, 0, L.vMax());
    return {axisPictureAt(cx, sx, L.offsetX, L.drawWidth, g.imageWidth, L.magnification),
            axisPictureAt(cy, sy, L.offsetY, L.drawHeight, g.imageHeight, L.magnification)};
}

ZoomView ZoomKeeping(const CanvasGeometry& g, bool fit, float magnification, PicturePoint p,
                     double cx, double cy) {
    ZoomView out;
    out.fit = fit;
    out.magnification = magnification;
    const LayoutResult L = LayoutOf(g, out);
    out.magnification = L.magnification;
    if (!fit) {
        out.scrollX = axisScroll(p.x, cx, L.magnification, L.hMax());
        out.scrollY = axisScroll(p.y, cy, L.magnification, L.vMax());
    }
    return out;
}

ZoomView ZoomAt(const CanvasGeometry& g, const ZoomView& v, bool fit, float magnification,
                double cx, double cy) {
    return ZoomKeeping(g, fit, magnification, PictureAt(g, v, cx, cy), cx, cy);
}

ZoomView ActualSizeToggle::Toggle(const CanvasGeometry& g, const ZoomView& v, double cx,
                                  double cy) {
    const bool atActual = !v.fit && v.magnification == 1.0f;
    if (!atActual) {
        remembered_ = true;
        backFit_ = v.fit;
        backMagnification_ = v.magnification;
        return ZoomAt(g, v, false, 1.0f, cx, cy);
    }
    const bool fit = remembered_ ? backFit_ : true;
    const float m = remembered_ ? backMagnification_ : 1.0f;
    remembered_ = false;
    return ZoomAt(g, v, fit, m, cx, cy);
}

PicturePoint RelativeCentre(const CanvasGeometry& g, const ZoomView& v) {
    if (g.imageWidth <= 0 || g.imageHeight <= 0)
        return {0.5, 0.5};
    const LayoutResult L = LayoutOf(g, v);
    const PicturePoint p = PictureAt(g, v, g.clientWidth / 2.0, g.clientHeight / 2.0);
    return {L.offsetX > 0 || v.fit ? 0.5 : p.x / g.imageWidth,
            L.offsetY > 0 || v.fit ? 0.5 : p.y / g.imageHeight};
}

ZoomView ViewAtRelative(const CanvasGeometry& g, bool fit, float magnification, PicturePoint rel) {
    const PicturePoint p{std::clamp(rel.x, 0.0, 1.0) * g.imageWidth,
                         std::clamp(rel.y, 0.0, 1.0) * g.imageHeight};
    return ZoomKeeping(g, fit, magnification, p, g.clientWidth / 2.0, g.clientHeight / 2.0);
}

} // namespace lumora
